// The recording object's golf use: impact and top fields kept in the file, the model video's
// frame and the synchronisation of times, player times and the formatted time in any locale,
// and the whole golf, grade, graph and sibling timing header through the file and a rewrite.
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_qsm_Globals.h"
#include "services/Run_time_error.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/recording/Recording_maker.h"
#include "tests/support/Test_support.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <locale>
#include <sstream>

namespace wk {
namespace {

const test::DV_frame& One_frame()
{
    static const test::DV_frame frame = test::Make_DV_frames(1).front();
    return frame;
}

// An AVI of `frames` frames that all show the one chunk of a one-frame AVI (a long recording
// that costs no disk), with its codec and frame time put in.
void Write_one_chunk_avi(const std::string& path, std::string_view codec, uint32_t frames, uint32_t us_per_frame)
{
    test::Built_avi b = test::Build_DV_AVI({One_frame()}, {.index = false});
    auto put = [&](std::string_view tag, size_t field, uint32_t v) {
        const auto chunk = std::search(b.bytes.begin(), b.bytes.end(), tag.begin(), tag.end());
        std::memcpy(&*chunk + 8 + field, &v, 4);
    };
    uint32_t fourcc = 0;
    std::memcpy(&fourcc, codec.data(), 4);
    put("avih", 0, us_per_frame);
    put("avih", 16, frames);
    put("strh", 4, fourcc);
    put("strh", 32, frames);
    put("strf", 16, fourcc);
    // Another codec's frame must not look like DV data, which is recognised whatever the label.
    if (codec != "dvsd") b.bytes[size_t(b.frame_chunks[0]) + 8] = 0xFF;
    std::vector<uint8_t> index;
    test::Put_fourcc(index, "idx1");
    test::Put_u32(index, 16 * frames);
    const auto entry = test::Idx1_entry("00dc", 0x10, uint32_t(b.frame_chunks[0] - b.movie_offset),
                                        uint32_t(One_frame().size()));
    for (uint32_t k = 0; k < frames; ++k) index.insert(index.end(), entry.begin(), entry.end());
    b.bytes.insert(b.bytes.end(), index.begin(), index.end());
    const auto riff_size = uint32_t(b.bytes.size() - 8);
    std::memcpy(b.bytes.data() + 4, &riff_size, 4);
    test::Write_bytes(path, b.bytes);
}

// Sets a numeric locale with "," as the decimal point, in C++ and, where the machine has a
// German locale, in C too; puts both back at the end.
class Comma_locale {
public:
    Comma_locale() : old_cpp_(std::locale())
    {
        if (const char* c = std::setlocale(LC_ALL, nullptr)) old_c_ = c;
        struct Comma : std::numpunct<char> {
            char do_decimal_point() const override { return ','; }
        };
        std::locale::global(std::locale(std::locale::classic(), new Comma));
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
            if (std::setlocale(LC_ALL, name)) {
                c_name_ = name;
                break;
            }
    }
    ~Comma_locale()
    {
        std::locale::global(old_cpp_);
        std::setlocale(LC_ALL, old_c_.c_str());
    }
    const std::string& c_name() const { return c_name_; }

private:
    std::locale old_cpp_;
    std::string old_c_ = "C";
    std::string c_name_;
};

class Golf_recording : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock.now = {2026, 12, 8, 10, 0, 0, 0};
        g_Edition_text = "Wakeline, Full version";
    }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }

    // An own-format recording of `frames` frames; golf (and sibling timing) sections on request.
    std::string Make_qs2(const std::string& name, int frames, bool golf, bool tolvex = false)
    {
        cls_AVI_handler rec;
        rec.Golf().Golfing(golf);
        rec.Header().Tolvex(tolvex);
        rec.File_name(Path(name));
        EXPECT_TRUE(rec.Create_File());
        rec.Initiate_file();
        for (int k = 0; k < frames; ++k) EXPECT_TRUE(rec.Append_DV_frame(One_frame()));
        rec.Close_File();
        return Path(name);
    }
    // An AVI whose INFO list holds the given texts before its frames.
    std::string Make_marked_avi(const std::string& name, std::vector<std::pair<std::string, std::string>> info)
    {
        test::Write_DV_AVI(Path(name), test::Make_DV_frames(2), {.info = std::move(info)});
        return Path(name);
    }
    static int64_t Mark_position(const std::string& path)
    {
        const std::string bytes = test::Read_file(path);
        const size_t at = bytes.find("IMP");
        return at == std::string::npos ? 0 : int64_t(at) + 1;
    }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    test::Captured_reports errors;
};

// ---- Impact and top of swing ----

TEST_F(Golf_recording, AnOwnRecordingKeepsTheFieldsLastDrawnEvenBeyond16Bits)
{
    const std::string path = Make_qs2("swing.qs2", 1, true);
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_EQ(rec.Golf().Impact_field(), 0);
        rec.Let_Current_Field(40001); // a swing after 13 minutes of recording
        EXPECT_TRUE(rec.Golf().Set_Impact_Frame());
        rec.Let_Current_Field(123);
        EXPECT_TRUE(rec.Golf().Set_Top_Frame());
    }
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Golf().Impact_field(), 40001);
    EXPECT_EQ(rec.Golf().Top_field(), 123);
    EXPECT_EQ(rec.Header().Update_Time(), "26-12-08 10:00:00");
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Golf_recording, OnAnAviTheImpactChangesNoElementButTheHeaderChunkIsRewritten)
{
    test::Write_DV_AVI(Path("swing.avi"), test::Make_DV_frames(2));
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(Path("swing.avi")));
        EXPECT_FALSE(rec.Golf().Set_Impact_Frame()) << "no header chunk yet: nothing to rewrite";
        rec.Avi().Golf_header(true);
        ASSERT_TRUE(rec.Avi().Append_XML_header());
    }
    clock.now = {2027, 1, 2, 3, 4, 5, 0};
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(Path("swing.avi")));
        rec.Let_Current_Field(77);
        EXPECT_TRUE(rec.Golf().Set_Impact_Frame());
        EXPECT_TRUE(rec.Golf().Set_Top_Frame());
    }
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("swing.avi")));
    EXPECT_EQ(rec.Golf().Impact_field(), 0);
    EXPECT_EQ(rec.Golf().Top_field(), 0);
    EXPECT_EQ(rec.Header().Update_Time(), "27-01-02 03:04:05");
}

TEST_F(Golf_recording, WithoutAGolfSectionTheGettersFailAndTheFileStaysAsItWas)
{
    const std::string path = Make_qs2("race.qs2", 1, false);
    const std::string before = test::Read_file(path);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Header().Grade_slice(), "");
    EXPECT_EQ(rec.Header().Grade_direction(), "");
    EXPECT_THROW(rec.Golf().Impact_field(), Run_time_error);
    EXPECT_THROW(rec.Header().Venue(), Run_time_error);
    EXPECT_THROW(rec.Header().Graded_active(), Run_time_error);
    EXPECT_THROW(rec.Golf().Player_Comment(), Run_time_error);
    EXPECT_THROW(rec.Golf().Has_weight_data(), Run_time_error);
    rec.Let_Current_Field(5);
    EXPECT_THROW(rec.Golf().Set_Impact_Frame(), Run_time_error);
    EXPECT_THROW(rec.Golf().Update_Player_Comment(1, "x"), Run_time_error);
    rec.Close_File();
    EXPECT_EQ(test::Read_file(path), before);
}

// ---- Model video ----

TEST_F(Golf_recording, TheModelFrameStaysInsideTheRecordingAndIsNeverFrameZero)
{
    cls_AVI_handler rec;
    EXPECT_EQ(rec.Golf().Synch_model(5), 1) << "no recording: frame 1, not 0";
    ASSERT_TRUE(rec.Open_File(Make_qs2("three.qs2", 3, true)));
    ASSERT_EQ(rec.num_frames(), 3);
    EXPECT_EQ(rec.Golf().Synch_model(0), 1);
    EXPECT_EQ(rec.Golf().Synch_model(2), 2);
    rec.Golf().Video_Offset(5);
    EXPECT_EQ(rec.Golf().Video_Offset(), 5);
    EXPECT_EQ(rec.Golf().Synch_model(0), 3);
    rec.Golf().Video_Offset(-5);
    EXPECT_EQ(rec.Golf().Synch_model(7), 2);
    EXPECT_EQ(rec.Golf().Synch_model(-100), 1);
    rec.Golf().Video_Offset(32767);
    EXPECT_EQ(rec.Golf().Synch_model(INT32_MAX), 3) << "no overflow on any frame number";
    rec.Golf().Video_Offset(-32768);
    EXPECT_EQ(rec.Golf().Synch_model(INT32_MIN), 1);
}

TEST_F(Golf_recording, TheModelSettingsComeFromStreamOne)
{
    const std::string path = Make_qs2("model.qs2", 1, true);
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        rec.Header().model_size_factor(1, 150);
        rec.Header().model_X_offset(1, -12);
        rec.Header().model_Y_offset(1, 34);
        rec.Header().Model_FileName(1, "pro.avi");
        rec.Header().model_size_factor(2, 99);
        ASSERT_TRUE(rec.Write_XML_header());
    }
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_FLOAT_EQ(rec.Golf().model_size_factor(), 150.0f);
    EXPECT_EQ(rec.Golf().model_X_offset(), -12);
    EXPECT_EQ(rec.Golf().model_Y_offset(), 34);
    EXPECT_EQ(rec.Golf().Model_FileName(), "pro.avi");
    EXPECT_EQ(rec.Golf().Model_frame_at_Impact() + rec.Golf().model_Frame() + rec.Golf().Weight_percent(), 0);
    EXPECT_EQ(rec.Golf().Club_Speed(), "");
}

TEST_F(Golf_recording, TheImpactMarkOfAnAviIsFoundInItsFirstThousandBytesOnly)
{
    // Near the end of the first 1000 bytes: its time in ms needs more than 16 bits.
    const std::string late = Make_marked_avi("late.avi", {{"ICMT", std::string(700, 'x')}, {"ISFT", "IMP"}});
    const int64_t at = Mark_position(late);
    ASSERT_GT(at, 819);
    ASSERT_LE(at + 2, 1000);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(late));
    EXPECT_TRUE(rec.Golf().Has_Model());
    EXPECT_EQ(rec.Golf().impact_pos(), at);
    EXPECT_EQ(rec.Golf().Impact_Time(), at * 40);
    rec.Close_File();
    EXPECT_EQ(rec.Golf().impact_pos(), 0) << "nothing of a closed file";

    const std::string beyond = Make_marked_avi("beyond.avi", {{"ICMT", std::string(1000, 'x')}, {"ISFT", "IMP"}});
    ASSERT_GT(Mark_position(beyond), 1000);
    const std::string lower = Make_marked_avi("lower.avi", {{"ISFT", "imp"}});
    for (const std::string& path : {beyond, lower}) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_FALSE(rec.Golf().Has_Model());
        EXPECT_EQ(rec.Golf().impact_pos(), 0);
        EXPECT_EQ(rec.Golf().Impact_Time(), 0);
    }
    // Only AVI recordings carry the mark.
    const std::string own = Make_qs2("own.qs2", 1, true);
    ASSERT_TRUE(rec.Open_File(own));
    rec.Header().Creation_date("IMP"); // early in the header text
    ASSERT_TRUE(rec.Write_XML_header());
    ASSERT_NE(test::Read_file(own).substr(0, 1000).find("IMP"), std::string::npos);
    EXPECT_EQ(rec.Golf().impact_pos(), 0);
}

// ---- Synchronising times and positions ----

TEST_F(Golf_recording, ATimeGivesTheFieldWhoseTimeItIsRoundedHalfToEven)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Make_qs2("fields.qs2", 3, true)));
    ASSERT_FALSE(rec.Is_Deinterlaced());
    rec.Let_eff_frameno(99);
    // 20 ms a field; field n starts at (n - 1) x 20 ms.
    const std::vector<std::pair<double, int32_t>> cases = {
        {0, 1}, {40, 3}, {10, 2}, {30, 2}, {50, 4}, {9.9, 1}, {100000, 5001},
    };
    for (const auto& [t, field] : cases) {
        SCOPED_TRACE(t);
        int32_t out = -1;
        EXPECT_TRUE(rec.Golf().Synch_time(t, out));
        EXPECT_EQ(out, field);
    }
    EXPECT_EQ(rec.eff_frameno(), 99) << "only deinterlaced recordings move the effective frame";
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Golf_recording, ASelectionStartMovesTheSynchronisedField)
{
    std::vector<uint8_t> bytes = DV_Header_Record{.Stream_count = 1, .Frame_count = 2, .Selection_start = 11}.To_bytes();
    bytes.resize(bytes.size() + 2 * size_t(cls_AVI_handler::k_DV_frame_size));
    test::Write_bytes(Path("sel.sdv"), bytes);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("sel.sdv")));
    ASSERT_TRUE(rec.Read_Frame(1)); // the selection start comes with the frames read
    int32_t out = 0;
    EXPECT_TRUE(rec.Golf().Synch_time(0, out));
    EXPECT_EQ(out, 11);
    EXPECT_TRUE(rec.Golf().Synch_time(60, out));
    EXPECT_EQ(out, 14);
}

TEST_F(Golf_recording, ADeinterlacedRecordingSynchronisesWholeFramesIntoTheEffectiveFrame)
{
    Write_one_chunk_avi(Path("mjpg.avi"), "MJPG", 5, 40000);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("mjpg.avi")));
    ASSERT_TRUE(rec.Is_Deinterlaced());
    int32_t out = -1;
    EXPECT_TRUE(rec.Golf().Synch_time(0, out));
    EXPECT_EQ(out, 1) << "time 0 is frame 1";
    EXPECT_EQ(rec.eff_frameno(), 1);
    EXPECT_TRUE(rec.Golf().Synch_time(20, out)); // 1.5 frames
    EXPECT_EQ(out, 2);
    EXPECT_TRUE(rec.Golf().Synch_time(60, out)); // 2.5 frames
    EXPECT_EQ(out, 2);
    EXPECT_TRUE(rec.Golf().Synch_time(100, out)); // 3.5 frames
    EXPECT_EQ(out, 4);
    EXPECT_EQ(rec.eff_frameno(), 4);

    EXPECT_EQ(rec.Golf().Synch_percentage(50), 2); // 2.5 frames
    EXPECT_EQ(rec.eff_frameno(), 2);
    EXPECT_EQ(rec.Golf().Synch_percentage(70), 4); // 3.5
    EXPECT_EQ(rec.eff_frameno(), 4);
}

TEST_F(Golf_recording, APercentageOfAFieldRecordingIsAFieldAndLeavesTheEffectiveFrame)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Make_qs2("fields.qs2", 3, true)));
    ASSERT_EQ(rec.Num_fields(), 6);
    rec.Let_eff_frameno(42);
    EXPECT_EQ(rec.Golf().Synch_percentage(50), 3);
    EXPECT_EQ(rec.Golf().Synch_percentage(25), 2); // 1.5
    EXPECT_EQ(rec.Golf().Synch_percentage(75), 4); // 4.5
    EXPECT_EQ(rec.Golf().Synch_percentage(100), 6);
    EXPECT_EQ(rec.eff_frameno(), 42);
    EXPECT_EQ(test::Error_number([&] { rec.Golf().Synch_percentage(1e12); }), err_Overflow);
}

TEST_F(Golf_recording, ATimeThatCannotBeSynchronisedIsReportedAndLeavesTheFrame)
{
    cls_AVI_handler rec;
    int32_t out = 17;
    EXPECT_FALSE(rec.Golf().Synch_time(100, out)) << "no recording open";
    EXPECT_EQ(out, 17);
    ASSERT_TRUE(rec.Open_File(Make_qs2("fields.qs2", 1, true)));
    EXPECT_FALSE(rec.Golf().Synch_time(1e12, out));
    EXPECT_EQ(out, 17);
    ASSERT_EQ(errors.reports.size(), 2u);
    for (const std::string& report : errors.reports)
        EXPECT_NE(report.find("Synch_time of Class Module cls_AVI_handler"), std::string::npos) << report;
}

// ---- Player times ----

TEST_F(Golf_recording, PlayerTimesCountFromTheBaseTimeAndTheFormattedTimeUsesAPointInAnyLocale)
{
    // 1000 frames a second: every whole millisecond is a frame's time.
    Write_one_chunk_avi(Path("fast.avi"), "dvsd", 1300, 1000);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("fast.avi")));
    ASSERT_EQ(rec.frame_rate(), 1000);
    test::Picture p;

    ASSERT_TRUE(rec.Read_Frame(1235));
    EXPECT_FLOAT_EQ(rec.Golf().Player_Time(), 1234.0f);
    EXPECT_EQ(rec.Percentage(), 95);
    EXPECT_FALSE(rec.Golf().has_Base_Time());
    rec.Golf().Set_Base_time(true);
    EXPECT_TRUE(rec.Golf().has_Base_Time());
    EXPECT_FLOAT_EQ(rec.Golf().Player_Time(), 0.0f);

    const Comma_locale comma;
    std::ostringstream check;
    check << 1.5;
    ASSERT_EQ(check.str(), "1,5") << "the locale must really be in force";
    if (comma.c_name().empty()) {
        std::printf("[ note     ] no German locale on this machine: the C locale stays \"C\"\n");
    } else {
        char c_text[16];
        std::snprintf(c_text, sizeof c_text, "%.2f", 1.23);
        ASSERT_STREQ(c_text, "1,23");
    }

    const std::vector<std::pair<int32_t, std::string>> cases = {
        {1235, "1.23"}, {1, "0.00"}, {1226, "1.22"}, {1236, "1.24"}, {1000, "1.00"}, {6, "0.00"}, {7, "0.01"},
    };
    for (const auto& [frame, text] : cases) {
        SCOPED_TRACE(frame);
        int32_t f = frame;
        ASSERT_TRUE(rec.Draw_frame(f, p.dc));
        EXPECT_EQ(rec.Golf().Effective_time(), frame - 1);
        EXPECT_EQ(rec.Golf().Formatted_Time(), text);
    }
    int32_t impact = 1235;
    ASSERT_TRUE(rec.Draw_frame(impact, p.dc));
    EXPECT_FLOAT_EQ(rec.Golf().Player_Effective_Time(), 0.0f);
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_FLOAT_EQ(rec.Golf().Player_Time(), -1234.0f);
    rec.Golf().Set_Base_time(false);
    EXPECT_FALSE(rec.Golf().has_Base_Time());
    EXPECT_FLOAT_EQ(rec.Golf().Player_Effective_Time(), 1234.0f);
    EXPECT_FLOAT_EQ(rec.Golf().Player_Time(), 0.0f);
}

// ---- Through the file ----

TEST_F(Golf_recording, GolfGradeGraphAndSiblingValuesSurviveTheFileAndARewrite)
{
    const std::string path = Make_qs2("all.qs2", 2, true, true);
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        rec.Header().Venue("Augusta");
        EXPECT_TRUE(rec.Golf().Update_Player_Comment(7, "Good tempo"));
        rec.Header().Graded_active(true);
        rec.Header().Graded_at("26-12-08 10:30:00");
        rec.Header().Grade_slice("2");
        rec.Header().Grade_direction("-1");
        rec.Header().Grade_top("3");
        rec.Header().Grade_toe("4");
        rec.Header().Grade_club("Driver");
        rec.Header().Grade_comment("Open face");
        rec.Header().Graph_object(4, 2, 1, 0x123456, 3, 2, true, 10, 20, 30, 40, 50, 60, 70, 80);
        rec.Header().anp_line(150, "end");
        rec.Header().Tolv_event("Derby");
        rec.Header().Tolv_goal_finish("cam A");
        rec.Header().Tolv_goal_split("cam B");
        rec.Tolvex().Tolv_start_PC_mill(-2147000000);
        rec.Header().Tolv_Dog_name(8, "Rex");
        rec.Tolvex().Tolv_Heat_time(3, true, 14321);
        rec.Tolvex().Tolv_Heat_time(3, false, 29876);
        rec.Header().Tolv_dead_heat(8, true);
        rec.Header().Tolv_heat_frame(2, 50000);
        rec.Let_Current_Field(33000);
        EXPECT_TRUE(rec.Golf().Set_Impact_Frame()); // writes everything above as well
    }
    auto check = [&](cls_AVI_handler& rec) {
        EXPECT_EQ(rec.Header().Venue(), "Augusta");
        EXPECT_EQ(rec.Golf().Player_Comment(), "Good tempo");
        EXPECT_EQ(rec.Golf().Impact_field(), 33000);
        EXPECT_TRUE(rec.Header().Graded_active());
        EXPECT_EQ(rec.Header().Graded_at(), "26-12-08 10:30:00");
        EXPECT_EQ(rec.Header().Grade_slice() + rec.Header().Grade_direction() + rec.Header().Grade_top() + rec.Header().Grade_toe(), "2-134");
        EXPECT_EQ(rec.Header().Grade_club(), "Driver");
        EXPECT_EQ(rec.Header().Grade_comment(), "Open face");
        int16_t type, layer, linetype, width, x1, y1, x2, y2, x3, y3, x4, y4;
        int32_t color;
        bool filled = false;
        rec.Header().get_Graph_object(4, type, layer, color, linetype, width, filled, x1, y1, x2, y2, x3, y3, x4, y4);
        EXPECT_EQ(std::vector<int32_t>({type, layer, color, linetype, width, x1, y1, x2, y2, x3, y3, x4, y4}),
                  std::vector<int32_t>({2, 1, 0x123456, 3, 2, 10, 20, 30, 40, 50, 60, 70, 80}));
        EXPECT_TRUE(filled);
        EXPECT_EQ(rec.Header().anp_line(150), "end");
        EXPECT_EQ(rec.Header().Tolv_event(), "Derby");
        EXPECT_EQ(rec.Header().Tolv_goal_finish(), "cam A");
        EXPECT_EQ(rec.Header().Tolv_goal_split(), "cam B");
        EXPECT_EQ(rec.Tolvex().Tolv_start_PC_mill(), -2147000000);
        EXPECT_EQ(rec.Header().Tolv_Dog_name(8), "Rex");
        EXPECT_EQ(rec.Tolvex().Tolv_Heat_time(3, true), 14321);
        EXPECT_EQ(rec.Tolvex().Tolv_Heat_time(3, false), 29876);
        EXPECT_TRUE(rec.Header().Tolv_dead_heat(8));
        EXPECT_FALSE(rec.Header().Tolv_dead_heat(7));
        EXPECT_EQ(rec.Header().Tolv_heat_frame(2), 50000);
    };
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        check(rec);
        clock.now = {2027, 6, 1, 12, 0, 0, 0};
        ASSERT_TRUE(rec.Write_XML_header());
    }
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Header().Update_Time(), "27-06-01 12:00:00");
    check(rec);
    EXPECT_EQ(rec.num_frames(), 2);
    EXPECT_TRUE(errors.reports.empty());
}

} // namespace
} // namespace wk
