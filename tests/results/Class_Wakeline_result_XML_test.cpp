// The results XML document: its tree, lookups that take any characters, and saving that either
// writes the whole file or leaves the old one.
#include "results/Class_Wakeline_result_XML.h"
#include "tests/support/Test_support.h"
#include "tests/support/Told_operator.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace wk {
namespace {

namespace fs = std::filesystem;

class Results_xml : public ::testing::Test {
protected:
    void SetUp() override { xml.Initialize_DOM(); }
    std::string Path(const std::string& name) { return (home.path() / name).string(); }
    // The element names under a node, text nodes of line breaks left out.
    static std::vector<std::string> Children(pugi::xml_node n)
    {
        std::vector<std::string> names;
        for (pugi::xml_node c : n.children())
            if (c.type() == pugi::node_element) names.push_back(c.name());
        return names;
    }
    pugi::xml_node Competitor(const char* nbr)
    {
        return xml.Document().find_node([&](pugi::xml_node n) {
            return std::string(n.name()) == "competitor" && std::string(n.attribute("nbr").value()) == nbr;
        });
    }
    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs; // no box comes from below the windows
    test::Told_operator told;
    test::Captured_reports reports;
    Class_Wakeline_result_XML xml;
};

TEST_F(Results_xml, AFreshDocumentSavedAtOnceHoldsTheSkeletonAndTheComments)
{
    xml.Set_Comment("made by a test");
    xml.XML_Filename(Path("fresh.xml"));
    ASSERT_TRUE(xml.Serialize());
    pugi::xml_document back;
    // Line breaks read as they were written (no end-of-line normalising).
    ASSERT_TRUE(back.load_file(Path("fresh.xml").c_str(), (pugi::parse_default | pugi::parse_declaration |
                                                           pugi::parse_comments | pugi::parse_ws_pcdata) &
                                                              ~pugi::parse_eol));
    pugi::xml_node first = back.first_child();
    EXPECT_EQ(first.type(), pugi::node_declaration);
    EXPECT_STREQ(first.attribute("encoding").value(), "utf-8");
    pugi::xml_node race = back.child("race");
    EXPECT_EQ(Children(race), (std::vector<std::string>{"raceinfo", "heats", "results"}));
    pugi::xml_node info = race.child("raceinfo");
    EXPECT_EQ(Children(info), (std::vector<std::string>{"initiated_at", "lastfile", "event", "racetype",
                                                        "capturehost", "backofficehost"}));
    EXPECT_STREQ(info.child_value("lastfile"), "false");
    EXPECT_STREQ(info.child_value("event"), " ");
    EXPECT_STREQ(info.child_value("backofficehost"), " ");
    EXPECT_STREQ(info.child_value("initiated_at"), "2026-12-08 10:11:12"); // the test clock's time
    EXPECT_STREQ(info.first_child().value(), "\r\n");
    EXPECT_EQ(race.next_sibling().type(), pugi::node_comment);
    EXPECT_STREQ(race.next_sibling().value(), "made by a test");
}

TEST_F(Results_xml, HeatsAndResultsAreAddedOnceAndCompetitorsEveryTime)
{
    xml.Create_Heat_node("A1", "First", "10:00:00,00");
    xml.Create_Heat_node("A1", "Second", "11:00:00,00");
    xml.Create_Result_Node("A1");
    xml.Create_Result_Node("A1");
    xml.Create_Result_Node("B2");
    xml.Create_Competitor_Node("A1", "7", "01:05,43", "", "", "heat.qs2", "120");
    xml.Create_Competitor_Node("A1", "7", "01:06,00", "+0,57", "2", "other.qs2", "130");
    xml.Create_Competitor_Node("B2", "9", "02:00,00", "+0,00", "1", "", "");
    const auto heats = xml.Document().select_nodes("//heat");
    ASSERT_EQ(heats.size(), 1u);
    EXPECT_STREQ(heats.first().node().attribute("name").value(), "First");
    EXPECT_EQ(xml.Document().select_nodes("//result").size(), 2u);
    EXPECT_EQ(xml.Count_Competitor_Nodes(), 3);
    // Empty values are left out.
    EXPECT_EQ(Children(Competitor("7")), (std::vector<std::string>{"elapsed_time", "video_file", "video_frame"}));
    EXPECT_EQ(Children(Competitor("9")), (std::vector<std::string>{"elapsed_time", "delta_time", "place"}));
    std::string file;
    int16_t frame = -1;
    xml.Read_Competitor_node("A1", "7", file, frame);
    EXPECT_EQ(file, "heat.qs2");
    EXPECT_EQ(frame, 120);
    xml.Read_Competitor_node("A1", "8", file, frame);
    EXPECT_EQ(file, "");
    EXPECT_EQ(frame, 0);
    // A competitor of another result is not found in this one.
    xml.Read_Competitor_node("A1", "9", file, frame);
    EXPECT_EQ(file, "");
    // A competitor without a video file is a fault for the caller.
    EXPECT_NE(test::Error_number([&] { xml.Read_Competitor_node("B2", "9", file, frame); }), 0);
    EXPECT_THROW(xml.Create_Competitor_Node("C3", "1", "x", "", "", "", ""), Run_time_error);
}

TEST_F(Results_xml, IdsAndNumbersMayHoldAnyCharacters)
{
    xml.Create_Heat_node("O'Neil \"1\"", "n", "s");
    xml.Create_Result_Node("O'Neil \"1\"");
    xml.Create_Competitor_Node("O'Neil \"1\"", "7']|//x", "01:00,00", "", "", "f.qs2", "5");
    xml.Create_Heat_node("O'Neil \"1\"", "again", "s");
    EXPECT_EQ(xml.Document().select_nodes("//heat").size(), 1u);
    std::string file;
    int16_t frame = 0;
    xml.Read_Competitor_node("O'Neil \"1\"", "7']|//x", file, frame);
    EXPECT_EQ(file, "f.qs2");
    EXPECT_EQ(frame, 5);
}

TEST_F(Results_xml, AnOverrideChangesAllOfItOrNothing)
{
    xml.XML_Filename(Path("marathon.xml"));
    xml.Create_Result_Node("1");
    xml.Create_Competitor_Node("1", "12", "01:00,00", "", "", "a.qs2", "10");
    xml.Create_Competitor_Node("1", "13", "01:10,00", "", "", "", "");
    EXPECT_TRUE(xml.Override_Competitor_Node("1", "12", "00:59,98", "", "", "b.qs2", "11"));
    EXPECT_STREQ(Competitor("12").child_value("elapsed_time"), "00:59,98");
    EXPECT_EQ(test::Read_file(Path("marathon.xml")).find("b.qs2") != std::string::npos, true);

    // Number 13 has no file or frame: nothing of it changes.
    EXPECT_FALSE(xml.Override_Competitor_Node("1", "13", "99:99,99", "", "", "c.qs2", "1"));
    EXPECT_STREQ(Competitor("13").child_value("elapsed_time"), "01:10,00");
    EXPECT_FALSE(xml.Override_Competitor_Node("1", "14", "x", "", "", "c.qs2", "1"));
    EXPECT_EQ(told.told, (std::vector<std::string>{"Override failed!", "Override failed!"}));
}

// Our own files are UTF-8 and keep exactly the bytes the XML library has always written for them;
// a file declared in a one-byte encoding is written back in it, whatever it holds.
TEST_F(Results_xml, AFileIsWrittenInTheEncodingItDeclares)
{
    xml.Create_Heat_node("1", "\xC3\x89tape <1> & \"2\"\t", "10:00:00");
    xml.Create_Result_Node("1");
    xml.Create_Competitor_Node("1", "7", "01:05,43\x01", "", "", "/r\xC3\xA9gate \xE2\x82\xAC \xC5\x81.qs2", "120");
    xml.Set_Comment("\xC3\x89tape");
    xml.XML_Filename(Path("utf8.xml"));
    ASSERT_TRUE(xml.Serialize());
    std::ostringstream library;
    xml.Document().save(library, "", pugi::format_raw, pugi::encoding_utf8);
    EXPECT_EQ(test::Read_file(Path("utf8.xml")), library.str());

    const std::string body = "<race><raceinfo><lastfile>false</lastfile><event>x</event><racetype/>"
                             "<capturehost/><backofficehost/></raceinfo><heats/><results><result id=\"1\">"
                             "<competitor nbr=\"7\"><elapsed_time>1</elapsed_time><video_file><![CDATA[\xA4]]>"
                             "</video_file><video_frame>1</video_frame></competitor></result></results></race>";
    for (const std::string declaration : {"<?xml version=\"1.0\" encoding=\"iso-8859-15\"?>",
                                          "<?xml version=\"1.0\" encoding=\"windows-1252\"?>"}) {
        test::Write_file(Path("one-byte.xml"), declaration + body);
        ASSERT_TRUE(xml.Load_Existing_XML(Path("one-byte.xml")));
        xml.XML_Filename(Path("one-byte.xml"));
        xml.EventName("Caf\xC3\xA9 \xE2\x82\xAC \xC5\x81");
        ASSERT_TRUE(xml.Override_Competitor_Node("1", "7", "2", "", "", "\xC5\xA0]]>", "2"));
        const std::string bytes = test::Read_file(Path("one-byte.xml"));
        EXPECT_EQ(bytes.rfind(declaration + "<race>", 0), 0u) << bytes;
        // The euro sign is a byte of ISO-8859-15 but not of ISO-8859-1; L with stroke is in neither.
        const bool latin9 = declaration.find("15") != std::string::npos;
        EXPECT_NE(bytes.find(latin9 ? "<event>Caf\xE9 \xA4 &#321;</event>" : "<event>Caf\xE9 &#8364; &#321;</event>"),
                  std::string::npos) << bytes;
        // What stood in a CDATA section is replaced by text, which can hold anything.
        EXPECT_NE(bytes.find(latin9 ? "<video_file>\xA6]]&gt;</video_file>" : "<video_file>&#352;]]&gt;</video_file>"),
                  std::string::npos) << bytes;
        Class_Wakeline_result_XML back;
        ASSERT_TRUE(back.Load_Existing_XML(Path("one-byte.xml")));
        std::string file;
        int16_t frame = 0;
        back.Read_Competitor_node("1", "7", file, frame);
        EXPECT_EQ(file, "\xC5\xA0]]>");
        EXPECT_STREQ(back.Document().select_node("//event").node().child_value(), "Caf\xC3\xA9 \xE2\x82\xAC \xC5\x81");
    }
    EXPECT_TRUE(reports.reports.empty());
}

// Found by fuzzing: a control character in the declared encoding's name is written as a
// reference, and the name must then read the same before the file is decoded as after.
TEST_F(Results_xml, AnEncodingNameThatMustBeEscapedReadsTheSameAfterASave)
{
    test::Write_file(Path("odd.xml"), "<?xml version=\"1.0\" encoding=\"ut,-\a8\"?><race><raceinfo><event>x</event>"
                                      "</raceinfo><heats/><results/></race>");
    ASSERT_TRUE(xml.Load_Existing_XML(Path("odd.xml")));
    xml.XML_Filename(Path("odd.xml"));
    xml.EventName("R\xC3\xA9gate");
    ASSERT_TRUE(xml.Serialize());
    EXPECT_EQ(test::Read_file(Path("odd.xml")).rfind("<?xml version=\"1.0\" encoding=\"ut,-&#07;8\"?><race><raceinfo>"
                                                     "<event>R&#233;gate</event>", 0), 0u);
    Class_Wakeline_result_XML again;
    ASSERT_TRUE(again.Load_Existing_XML(Path("odd.xml")));
    EXPECT_STREQ(again.Document().select_node("//event").node().child_value(), "R\xC3\xA9gate");
}

// Found by fuzzing: a character reference beyond Unicode comes out of the parser in a longer form
// than UTF-8 allows, and an ISO-8859-1 file would have written it back as another character. Such
// a file is not taken (the marathon finish entry then sets it aside and starts a new one).
TEST_F(Results_xml, AnIso88591FileWithAReferenceBeyondUnicodeIsNotTaken)
{
    const auto file = [&](const std::string& event) {
        test::Write_file(Path("ref.xml"), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><race><raceinfo><event>" +
                                              event + "</event></raceinfo><heats/><results/></race>");
        return Path("ref.xml");
    };
    EXPECT_FALSE(xml.Load_Existing_XML(file("R\xE9gate &#68888888887130;")));
    EXPECT_FALSE(xml.Document().child("race"));
    // A reference to a character ISO-8859-1 lacks is fine.
    EXPECT_TRUE(xml.Load_Existing_XML(file("R\xE9gate &#321;")));
    EXPECT_STREQ(xml.Document().select_node("//event").node().child_value(), "R\xC3\xA9gate \xC5\x81");
}

TEST_F(Results_xml, AFailedSaveSaysSoAndLeavesTheOldFile)
{
    xml.XML_Filename("");
    EXPECT_FALSE(xml.Serialize());
    xml.XML_Filename(Path("missing/folder/r.xml"));
    EXPECT_FALSE(xml.Serialize());
    EXPECT_FALSE(fs::exists(Path("missing")));

    test::Write_file(Path("kept.xml"), "old bytes");
    fs::permissions(Path("kept.xml"), fs::perms::owner_read | fs::perms::group_read);
    xml.XML_Filename(Path("kept.xml"));
    EXPECT_FALSE(xml.Serialize());
    EXPECT_EQ(test::Read_file(Path("kept.xml")), "old bytes");
    ASSERT_EQ(reports.reports.size(), 3u);
    EXPECT_NE(reports.reports[0].find("Serialize of Class Module Class_Wakeline_result_XML"), std::string::npos);
    // Nothing half-written is left beside them.
    for (const auto& e : fs::directory_iterator(home.path()))
        EXPECT_EQ(e.path().filename().string().find(".writing"), std::string::npos) << e.path();
}

TEST_F(Results_xml, AFileThatCannotBeReadLeavesAnEmptyDocument)
{
    EXPECT_FALSE(xml.Load_Existing_XML(Path("none.xml")));
    EXPECT_FALSE(xml.Document().child("race"));
    EXPECT_THROW(xml.EventName("x"), Run_time_error);

    Class_Wakeline_result_XML saved;
    saved.Initialize_DOM();
    saved.Create_Result_Node("1");
    saved.Create_Competitor_Node("1", "4", "00:10,00", "", "", "f", "x9");
    saved.XML_Filename(Path("r.xml"));
    ASSERT_TRUE(saved.Serialize());
    ASSERT_TRUE(xml.Load_Existing_XML(Path("r.xml")));
    EXPECT_EQ(xml.Count_Competitor_Nodes(), 1);
    std::string file;
    int16_t frame = 0;
    EXPECT_EQ(test::Error_number([&] { xml.Read_Competitor_node("1", "4", file, frame); }), err_Type_mismatch);
}

} // namespace
} // namespace wk
