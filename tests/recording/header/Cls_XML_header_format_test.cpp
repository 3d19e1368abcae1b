// The header template byte for byte, its sizes, the stored text's round trip and the document's
// lifecycle (load failures, a failed build, the dump file).
#include "tests/recording/header/Header_test_support.h"
#include "tests/support/Told_operator.h"

#include "platform/Text_codec.h"

#include <filesystem>
#include <stdexcept>

namespace wk::test {
namespace {

const std::string LB = "\r\n";

std::string E(const std::string& name, const std::string& text = {})
{
    return text.empty() ? "<" + name + "/>" : "<" + name + ">" + text + "</" + name + ">";
}
std::string R(const std::string& name, int id, const std::string& inner)
{
    return "<" + name + " id=\"" + std::to_string(id) + "\">" + inner + "</" + name + ">";
}
std::string Lines(std::initializer_list<std::pair<std::string, std::string>> fields)
{
    std::string s;
    for (const auto& [n, t] : fields) s += E(n, t) + LB;
    return s;
}

// The default header written out by hand from the format's tables.
std::string Expected_default_header()
{
    const Header_identity id = Fixed_identity();
    std::string stream_fields = Lines({{"b_stream_active", "f"}, {"b_stream_rotated", "f"}, {"stream_type", "xxx"},
                                       {"offset_fields", "000"}, {"sel_start", "000"}, {"sel_end", "000"},
                                       {"camera_pos", "xxxxx"}, {"b_model_active", "f"}, {"model_filename", "xxx"},
                                       {"model_speed", "999"}, {"selrect_top", "000"}, {"selrect_bottom", "000"},
                                       {"selrect_left", "000"}, {"selrect_right", "000"}, {"model_file", "000"},
                                       {"b_model_flipped", "f"}, {"model_x_offset", "000"},
                                       {"model_y_offset", "000"}, {"model_size_factor", "000"},
                                       {"camera_ID", "000"}, {"stream_spare1", "000"}, {"stream_spare2", "000"},
                                       {"stream_spare3", "000"}, {"stream_spare4", "000"},
                                       {"stream_spare5", "000"}});
    std::string file_data =
        LB + Lines({{"update_program", "program name"}, {"creation_date", "26-12-08 09:05:07"},
                    {"update_date", "not updated"}, {"num_streams", "1"}, {"frame_header_size", "000"},
                    {"num_frames", "000"}, {"timing_bias", "000"}, {"b_rotated", "f"}, {"comp_name", id.Comp_name},
                    {"prog_id", id.Prog_id}, {"prog_version", "Compiled"}, {"prog_major", "3"},
                    {"prog_minor", "0"}, {"prog_revision", "8"}, {"os_version", id.OS_version},
                    {"subject_name", "0000"}, {"file_comment1", "0000"}, {"file_comment2", "0000"},
                    {"file_comment3", "0000"}, {"file_comment4", "0000"}, {"file_comment5", "0000"},
                    {"specapp1", ""}, {"specapp2", ""}, {"hdr_spare1", "0000"}, {"hdr_spare2", "0000"},
                    {"hdr_spare3", "0000"}, {"hdr_spare4", "0000"}, {"hdr_spare5", "0000"}}) +
        R("stream_header", 1, LB + stream_fields) + R("stream_header", 2, LB + stream_fields);

    std::string wakeline = LB + Lines({{"goal_x_1", "000"}, {"goal_y_1", "000"}, {"goal_x_2", "000"}, {"goal_y_2", "000"}});
    for (int n = 0; n <= 15; ++n)
        wakeline += E("lane_x_" + std::to_string(n), "000") + LB + E("lane_y_" + std::to_string(n), "000") + LB;
    for (int n = 1; n <= 30; ++n) wakeline += R("marathonclass", n, E("class_name") + E("class_start") + LB);
    wakeline += Lines({{"event_name", "nnn"}, {"b_lanes_visible", "t"}, {"b_lanes_flipped", "f"},
                       {"b_lanes_locked", "f"}, {"b_lanes_reversed", "f"}, {"num_lanes", "0"},
                       {"b_show_goalline", "f"}, {"num_heats", "5"}, {"start_lane", "1"}});
    for (int h = 1; h <= 5; ++h) {
        std::string heat = LB + Lines({{"heat_ID", ""}, {"heat_comment", ""}, {"start_local_mill", "000"},
                                       {"start_pc_mill", "000"}, {"heat_correction_mill", "000"}}) +
                           LB;
        for (int l = 0; l <= 15; ++l)
            heat += R("lane_record", l,
                      LB + E("heat_time_mill", "000") + E("click_time_mill", "000") + LB + LB + E("goal_field", "000") + LB) +
                    LB;
        heat += E("heat_comment", "nnn") + LB;
        wakeline += R("heat_record", h, heat) + LB;
    }

    std::string traces = E("num_traces", "10") + LB;
    for (int t = 1; t <= 10; ++t)
        traces += R("trace", t,
                    LB + Lines({{"trace_active", "f"}, {"trace_length", "000"}, {"trace_color", "0"},
                                {"trace_bezier", "f"}, {"trace_thickness", "1"}, {"trace_name", "noname"}})) +
                  LB;

    return "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>" + LB + "<!--XML file containing QSM DV header-->" + LB +
           "<QSM_header>" + LB + "<file_data>" + file_data + "</file_data>" + LB + "<wakeline>" + wakeline +
           "</wakeline>" + LB + "<traces>" + traces + "</traces>" + LB + "</QSM_header>" + LB;
}

std::string Built(bool golf, bool wakeline, bool tolvex)
{
    Cls_XML_header h;
    h.Golfing(golf);
    h.Wakeline(wakeline);
    h.Tolvex(tolvex);
    EXPECT_TRUE(h.Create_Header());
    return h.XML_string();
}

using Format = Header_test;

TEST_F(Format, TheDefaultHeaderIsTheTemplateByteForByte)
{
    Cls_XML_header h;
    ASSERT_TRUE(h.Create_Header());
    const std::string text = h.XML_string();
    EXPECT_EQ(text, Expected_default_header());
    EXPECT_EQ(text.size(), 21346 + k_Identity_chars);
    EXPECT_EQ(h.XML_len(), 21401);
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Format, SectionSizesAreThoseOfTheFormat)
{
    const std::string text = Built(true, true, true);
    EXPECT_EQ(Section(text, "<file_data>", "file_data").size(), 2748 + k_Identity_chars);
    EXPECT_EQ(Section(text, "<stream_header id=\"1\">", "stream_header").size(), 912u);
    EXPECT_EQ(Section(text, "<stream_header id=\"2\">", "stream_header").size(), 912u);
    EXPECT_EQ(Section(text, "<golf>", "golf").size(), 13281u);
    EXPECT_EQ(Section(text, "<animated_file>", "animated_file").size(), 2993u);
    EXPECT_EQ(Section(text, "<graph_object id=\"1\">", "graph_object").size(), 386u);
    EXPECT_EQ(Section(text, "<wakeline>", "wakeline").size(), 16179u);
    for (int h = 1; h <= 5; ++h)
        EXPECT_EQ(Section(text, "<heat_record id=\"" + std::to_string(h) + "\">", "heat_record").size(), 2571u) << h;
    EXPECT_EQ(Section(text, "<lane_record id=\"0\">", "lane_record").size(), 144u);
    EXPECT_EQ(Section(text, "<tolvex>", "tolvex").size(), 5203u);
    EXPECT_EQ(Section(text, "<traces>", "traces").size(), 2297u);
}

TEST_F(Format, OptionalSectionsChangeTheSizeAsTheFormatSays)
{
    const size_t id = k_Identity_chars;
    EXPECT_EQ(Built(false, true, false).size(), 21346 + id);
    EXPECT_EQ(Built(true, true, false).size(), 34629 + id);
    EXPECT_EQ(Built(false, true, true).size(), 26551 + id);
    EXPECT_EQ(Built(true, true, true).size(), 39834 + id);
    EXPECT_EQ(Built(false, false, false).size(), 5165 + id);
}

TEST_F(Format, SectionsStandInTheirOrderWithTheirLineBreaks)
{
    const std::string both = Built(true, true, true);
    // file_data ends right after the second stream header; golf sits before the lone line break.
    EXPECT_NE(both.find("</stream_header></file_data><golf>" + LB), std::string::npos);
    EXPECT_NE(both.find("</golf>" + LB + LB + "<wakeline>"), std::string::npos);
    EXPECT_NE(both.find("</wakeline>" + LB + "<tolvex>"), std::string::npos);
    EXPECT_NE(both.find("</tolvex>" + LB + "<traces>"), std::string::npos);
    EXPECT_NE(both.find("<graded_at> </graded_at><slice_grade>99</slice_grade>" + LB), std::string::npos);
    EXPECT_NE(both.find("<trimmed_end_field>000</trimmed_end_field>" + LB + LB + LB + "<animated_file>"),
              std::string::npos);
    EXPECT_NE(both.find("<anp_line id=\"150\"/></animated_file><graph_objects>"), std::string::npos);
    EXPECT_EQ(Count(both, "<graph_objects>"), 1u);
    EXPECT_EQ(Count(both, "<graph_object id="), 25u);
    EXPECT_EQ(Count(both, "<box id="), 8u);
    EXPECT_NE(both.find("<tolv_ph_serial>000</tolv_ph_serial>" + LB + LB + LB + LB + "<box id=\"1\">"),
              std::string::npos);
    EXPECT_NE(both.find("<dog_heat_spare2>00000</dog_heat_spare2>" + LB + "</box>" + LB + "</tolvex>"),
              std::string::npos);

    const std::string heat = Section(both, "<heat_record id=\"3\">", "heat_record");
    EXPECT_EQ(Count(heat, "<lane_record id="), 16u);
    EXPECT_EQ(Count(heat, "<heat_comment"), 2u);
    EXPECT_LT(heat.find("<lane_record id=\"15\">"), heat.find("<heat_comment>nnn</heat_comment>"));

    const std::string none = Built(false, false, false);
    EXPECT_NE(none.find("</file_data>" + LB + "<traces>"), std::string::npos);
    EXPECT_EQ(none.find("<wakeline>"), std::string::npos);
}

TEST_F(Format, TheFlagsKeepTheirValuesFromOneBuildToTheNext)
{
    Cls_XML_header h;
    h.Golfing(true);
    ASSERT_TRUE(h.Create_Header());
    ASSERT_TRUE(h.Create_Header());
    EXPECT_NE(h.XML_string().find("<golf>"), std::string::npos);
    // Longer than a 16-bit count could hold, and still counted.
    EXPECT_EQ(h.XML_len(), static_cast<int32_t>(34629 + k_Identity_chars));
    h.Golfing(false);
    ASSERT_TRUE(h.Create_Header());
    EXPECT_EQ(h.XML_string().find("<golf>"), std::string::npos);
}

TEST_F(Format, ANewObjectHasAnEmptyText)
{
    Cls_XML_header h;
    EXPECT_EQ(h.XML_len(), 0);
    EXPECT_EQ(h.XML_string(), "");
    EXPECT_EQ(h.XML_len(), 0);
    EXPECT_FALSE(h.is_Wakeline());
}

TEST_F(Format, XmlLenCountsTheLastSerialisationOnly)
{
    Cls_XML_header h;
    ASSERT_TRUE(h.Create_Header());
    const int32_t before = h.XML_len();
    h.Event_name("Regatta 2026");
    EXPECT_EQ(h.XML_len(), before);
    const std::string now = h.XML_string();
    EXPECT_EQ(static_cast<size_t>(h.XML_len()), now.size());
    EXPECT_EQ(h.XML_len(), before + 9);
}

TEST_F(Format, StoredTextReadAndWrittenAgainIsUnchanged)
{
    Cls_XML_header h;
    h.Golfing(true);
    h.Tolvex(true);
    ASSERT_TRUE(h.Create_Header());
    h.Heat_ID(2, "Östra");
    h.Heat_comment(2, "a & b <c>\r\nnext line");
    h.Event_name("Smörgåsbord \"cup\"");
    const std::string first = h.XML_string();
    // Östra is five bytes in the stored text.
    EXPECT_NE(first.find("<heat_ID>\xD6stra</heat_ID>"), std::string::npos);
    EXPECT_NE(first.find("a &amp; b &lt;c&gt;\r\nnext line"), std::string::npos);

    Cls_XML_header again;
    ASSERT_TRUE(again.XML_string(first));
    EXPECT_EQ(again.XML_string(), first);
    EXPECT_EQ(again.Heat_ID(2), "Östra");
    EXPECT_EQ(again.Heat_comment(2), "a & b <c>\r\nnext line");
    EXPECT_EQ(again.Event_name(), "Smörgåsbord \"cup\"");
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Format, CharactersTheStoredTextCannotHoldSurviveAsReferences)
{
    Cls_XML_header h;
    ASSERT_TRUE(h.Create_Header());
    h.Heat_ID(1, "Łódź €");
    const std::string text = h.XML_string();
    // ó and € have a byte of their own; Ł and ź do not.
    EXPECT_NE(text.find("<heat_ID>&#321;\xF3" "d&#378; \x80</heat_ID>"), std::string::npos);
    Cls_XML_header again;
    ASSERT_TRUE(again.XML_string(text));
    EXPECT_EQ(again.Heat_ID(1), "Łódź €");
    EXPECT_EQ(again.XML_string(), text);
}

TEST_F(Format, EveryByteOfAStoredTextComesBackAsItWas)
{
    // Bytes 0x80..0xFF, including those Windows-1252 leaves undefined.
    std::string value;
    for (int b = 0x80; b <= 0xFF; ++b) value += static_cast<char>(b);
    Cls_XML_header h;
    ASSERT_TRUE(h.Create_Header());
    std::string text = h.XML_string();
    const std::string tag = "<subject_name>0000</subject_name>";
    text.replace(text.find(tag), tag.size(), "<subject_name>" + value + "</subject_name>");
    Cls_XML_header again;
    ASSERT_TRUE(again.XML_string(text));
    EXPECT_EQ(again.XML_string(), text);
    EXPECT_EQ(again.Subject_name(), platform::Ansi_to_utf8(value));
}

TEST_F(Format, ALoadedHeaderReplacesTheTemplateWhateverTheFlags)
{
    const std::string stored = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<QSM_header>\r\n<file_data>"
                               "<num_frames>12</num_frames></file_data>\r\n</QSM_header>\r\n";
    Cls_XML_header h;
    h.Golfing(true);
    ASSERT_TRUE(h.Create_Header());
    ASSERT_TRUE(h.XML_string(stored));
    EXPECT_EQ(h.Frames_no(), 12);
    EXPECT_THROW(h.Lanes_flipped(), Run_time_error);
    EXPECT_EQ(h.XML_string(), stored);
}

TEST_F(Format, TextThatDoesNotParseIsReportedOnceWithItsPosition)
{
    Cls_XML_header h;
    ASSERT_TRUE(h.Create_Header());
    const std::string bad = "<QSM_header>\r\n<wakeline>\r\n<event_name>x</event>\r\n</wakeline></QSM_header>";
    EXPECT_FALSE(h.XML_string(bad));
    ASSERT_EQ(errors.reports.size(), 1u);
    const std::string& report = errors.reports[0];
    EXPECT_NE(report.find("XML_string of Class Module Cls_XML_header"), std::string::npos);
    EXPECT_NE(report.find("line 3"), std::string::npos) << report;
    // Nothing of the template is left to answer for the bad header.
    EXPECT_THROW(h.Event_name(), Run_time_error);
    EXPECT_EQ(h.XML_string(), "");
    EXPECT_EQ(h.XML_len(), 0);
    // The kind tests still look at the text given.
    EXPECT_TRUE(h.is_Wakeline());

    EXPECT_FALSE(h.XML_string(""));
    EXPECT_EQ(errors.reports.size(), 2u);
}

TEST_F(Format, AFailedBuildTellsItsCallerAndKeepsTheHeader)
{
    Cls_XML_header h;
    ASSERT_TRUE(h.Create_Header());
    h.Heat_ID(1, "kept");
    const std::string before = h.XML_string();
    Install_header_identity([]() -> Header_identity { throw std::runtime_error("no identity"); });
    EXPECT_FALSE(h.Create_Header());
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_NE(errors.reports[0].find("Create_Header of Class Module Cls_XML_header"), std::string::npos);
    EXPECT_EQ(h.XML_len(), static_cast<int32_t>(before.size()));
    EXPECT_EQ(h.XML_string(), before);
    EXPECT_EQ(h.Heat_ID(1), "kept");
}

TEST_F(Format, TheIdentityComesFromTheProgramsOwnValues)
{
    Install_header_identity(nullptr);
    const Header_identity id = Program_header_identity();
    EXPECT_EQ(id.Prog_major, "3");
    EXPECT_EQ(id.Prog_minor, "0");
    EXPECT_EQ(id.Prog_revision, "8");
    EXPECT_FALSE(id.OS_version.empty());
    Cls_XML_header h;
    ASSERT_TRUE(h.Create_Header());
    EXPECT_EQ(h.prog_id(), id.Prog_id);
    EXPECT_EQ(h.Comp_name(), id.Comp_name);
    EXPECT_EQ(h.OS_version(), id.OS_version);
}

TEST_F(Format, TheDumpReplacesTheFileInTheApplicationDataFolder)
{
    Scripted_dialogs dialogs; // no box comes from below the windows
    Told_operator told;
    Cls_XML_header h;
    ASSERT_TRUE(h.Create_Header());
    const auto dump = home.App_data() / "xmldump.xml";
    std::filesystem::create_directories(dump.parent_path());
    Write_file(dump, std::string(50000, 'x'));

    h.Dump_XML_to_file("");
    EXPECT_EQ(Read_file(dump), h.XML_string());

    h.Dump_XML_to_file("heat1.xml");
    EXPECT_EQ(Read_file(home.App_data() / "heat1.xml"), h.XML_string());

    // A path that cannot be written raises; no message, no file.
    EXPECT_THROW(h.Dump_XML_to_file("no_such_folder/dump.xml"), Run_time_error);
    EXPECT_FALSE(std::filesystem::exists(home.App_data() / "no_such_folder"));
    const std::string heat1 = (home.App_data() / "heat1.xml").string();
    EXPECT_EQ(told.told, (std::vector<std::string>{"XML header dumped to: " + dump.string(),
                                                   "XML header dumped to: " + heat1}));
}

} // namespace
} // namespace wk::test
