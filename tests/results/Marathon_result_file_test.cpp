// The marathon result file without a window: finishes by heat and number, the override, taking
// up a file left by the last run, setting aside one that cannot be read, and closing under a
// dated name without ever losing a file.
#include "results/Marathon_result_file.h"
#include "tests/support/File_size_limit.h"
#include "tests/support/Test_support.h"

#include <filesystem>
#include <string>

namespace wk {
namespace {

namespace fs = std::filesystem;

class Result_file : public ::testing::Test {
protected:
    std::string Temp() { return (home.path() / "WakelineMarathon_Temp.xml").string(); }
    Marathon_result_file Opened()
    {
        Marathon_result_file f(Temp(), home.path().string());
        std::string aside;
        EXPECT_EQ(f.Open(header, aside), Marathon_result_file::Opened::created);
        return f;
    }
    static Marathon_entry Entry(const std::string& heat, const std::string& nbr, const std::string& elapsed,
                                const std::string& file, const std::string& frame)
    {
        return {heat, "Heat " + heat, "10:00:00", nbr, elapsed, file, frame};
    }
    // The saved file as it is on disk.
    pugi::xml_document On_disk(const std::string& path)
    {
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_file(path.c_str(), pugi::parse_default | pugi::parse_comments)) << path;
        return doc;
    }
    static size_t Competitors(const pugi::xml_document& doc) { return doc.select_nodes("//competitor").size(); }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    Marathon_result_header header{"Vasaloppet", "CAPTURE-PC", "OFFICE-PC", "made by a test"};
};

TEST_F(Result_file, ANewFileIsWrittenAtOnceWithItsHeader)
{
    Marathon_result_file f = Opened();
    EXPECT_EQ(f.Count(), 0);
    const pugi::xml_document doc = On_disk(Temp());
    pugi::xml_node info = doc.child("race").child("raceinfo");
    EXPECT_STREQ(info.child_value("racetype"), "marathon");
    EXPECT_STREQ(info.child_value("event"), "Vasaloppet");
    EXPECT_STREQ(info.child_value("capturehost"), "CAPTURE-PC");
    EXPECT_STREQ(info.child_value("backofficehost"), "OFFICE-PC");
    EXPECT_STREQ(info.child_value("lastfile"), "false");
    bool comment = false;
    for (pugi::xml_node n : doc.children())
        comment |= n.type() == pugi::node_comment && std::string(n.value()) == "made by a test";
    EXPECT_TRUE(comment);
}

TEST_F(Result_file, ANumberIsADuplicateOnlyWithinItsHeatAndAnOverrideReplacesItsTime)
{
    Marathon_result_file f = Opened();
    ASSERT_TRUE(f.Add(Entry("3", "17", "01:02:03,40", "/rec/a.qs2", "0037")));
    const auto earlier = f.Earlier_entry("3", "17");
    ASSERT_TRUE(earlier);
    EXPECT_EQ(earlier->file, "/rec/a.qs2");
    EXPECT_EQ(earlier->frame, 37);
    EXPECT_FALSE(f.Earlier_entry("4", "17"));
    EXPECT_FALSE(f.Earlier_entry("3", "71"));
    ASSERT_TRUE(f.Add(Entry("4", "17", "00:59:00,00", "/rec/b.qs2", "0100")));
    EXPECT_EQ(f.Count(), 2);
    EXPECT_EQ(Competitors(On_disk(Temp())), 2u);

    ASSERT_TRUE(f.Override(Entry("3", "17", "01:02:05,10", "/rec/c.qs2", "40000")));
    EXPECT_EQ(f.Count(), 2);
    const pugi::xml_document doc = On_disk(Temp());
    pugi::xml_node c = doc.select_node("//result[@id='3']/competitor[@nbr='17']").node();
    EXPECT_STREQ(c.child_value("elapsed_time"), "01:02:05,10");
    EXPECT_STREQ(c.child_value("video_file"), "/rec/c.qs2");
    EXPECT_STREQ(c.child_value("video_frame"), "40000");
    EXPECT_STREQ(doc.select_node("//result[@id='4']/competitor[@nbr='17']").node().child_value("video_file"),
                 "/rec/b.qs2");
    // A field number past 16 bits is read back whole.
    EXPECT_EQ(f.Earlier_entry("3", "17")->frame, 40000);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Result_file, AFileLeftByTheLastRunIsTakenUpWithItsEntries)
{
    {
        Marathon_result_file f = Opened();
        for (int i = 1; i <= 12; ++i)
            ASSERT_TRUE(f.Add(Entry(i <= 6 ? "1" : "2", std::to_string(i), "00:10:00,00", "/r.qs2", "0001")));
    }
    Marathon_result_file again(Temp(), home.path().string());
    std::string aside;
    EXPECT_EQ(again.Open(header, aside), Marathon_result_file::Opened::loaded);
    EXPECT_EQ(again.Count(), 12);
    EXPECT_TRUE(again.Earlier_entry("2", "9"));
    // New entries go on into the same file.
    ASSERT_TRUE(again.Add(Entry("2", "13", "00:11:00,00", "/r.qs2", "0002")));
    EXPECT_EQ(Competitors(On_disk(Temp())), 13u);
}

TEST_F(Result_file, AnUnreadableFileIsSetAsideUntouchedAndANewOneStarted)
{
    for (const std::string bytes : {std::string("<race><raceinfo><lastfile>false</lastfile>"),  // cut off
                                    std::string("<?xml version=\"1.0\"?><marathon/>")}) {       // not results
        test::Write_file(Temp(), bytes);
        Marathon_result_file f(Temp(), home.path().string());
        std::string aside;
        EXPECT_EQ(f.Open(header, aside), Marathon_result_file::Opened::set_aside);
        ASSERT_FALSE(aside.empty());
        EXPECT_EQ(test::Read_file(aside), bytes);
        EXPECT_NE(aside.find("WakelineMarathon_Temp_unreadable_261208101112"), std::string::npos) << aside;
        EXPECT_EQ(f.Count(), 0);
        EXPECT_EQ(Competitors(On_disk(Temp())), 0u);
    }
    // Both are kept, under two names.
    int set_aside = 0;
    for (const auto& e : fs::directory_iterator(home.path()))
        set_aside += e.path().filename().string().find("_unreadable_") != std::string::npos;
    EXPECT_EQ(set_aside, 2);
}

TEST_F(Result_file, ClosingGivesADatedNameAndASecondCloseInTheSameSecondKeepsBoth)
{
    clock.now = {2010, 4, 18, 14, 12, 33, 0};
    Marathon_result_file f = Opened();
    ASSERT_TRUE(f.Add(Entry("3", "17", "01:00:00,00", "/r.qs2", "0010")));
    const std::string first = f.Close(clock.now, header);
    EXPECT_EQ(first, (home.path() / "MarathonResults100418141233 .xml").string());
    const pugi::xml_document closed = On_disk(first);
    EXPECT_STREQ(closed.select_node("//raceinfo/lastfile").node().child_value(), "true");
    EXPECT_EQ(Competitors(closed), 1u);
    // The next file is there at once, empty and open.
    EXPECT_EQ(f.Count(), 0);
    EXPECT_EQ(Competitors(On_disk(Temp())), 0u);
    EXPECT_STREQ(On_disk(Temp()).select_node("//raceinfo/lastfile").node().child_value(), "false");

    ASSERT_TRUE(f.Add(Entry("3", "18", "01:00:01,00", "/r.qs2", "0011")));
    const std::string second = f.Close(clock.now, header);
    EXPECT_EQ(second, (home.path() / "MarathonResults100418141233_2 .xml").string());
    EXPECT_EQ(Competitors(On_disk(first)), 1u);
    EXPECT_STREQ(On_disk(first).select_node("//competitor").node().attribute("nbr").value(), "17");
    EXPECT_STREQ(On_disk(second).select_node("//competitor").node().attribute("nbr").value(), "18");
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Result_file, AFailedCloseKeepsTheOpenFileAsItWas)
{
    Marathon_result_file f(Temp(), (home.path() / "not_there").string());
    std::string aside;
    ASSERT_EQ(f.Open(header, aside), Marathon_result_file::Opened::created);
    ASSERT_TRUE(f.Add(Entry("1", "5", "00:20:00,00", "/r.qs2", "0005")));
    EXPECT_EQ(f.Close(clock.now, header), "");
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_NE(reports.reports[0].find("could not be closed"), std::string::npos);
    EXPECT_EQ(f.Count(), 1);
    const pugi::xml_document doc = On_disk(Temp());
    EXPECT_EQ(Competitors(doc), 1u);
    EXPECT_STREQ(doc.select_node("//raceinfo/lastfile").node().child_value(), "false");
}

// A results file declared ISO-8859-1 (as an older station wrote them) is written back in
// ISO-8859-1: reopened and added to, its text never turns into UTF-8 read as Latin-1.
TEST_F(Result_file, AnIso88591FileKeepsItsTextByteExactThroughThreeRestarts)
{
    const std::string regate = "R\xE9gate";
    test::Write_file(Temp(), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><race><raceinfo>\r\n"
                             "<initiated_at>2010-04-18 10:00:00</initiated_at>\r\n<lastfile>false</lastfile><event>" +
                                 regate + "</event>\r\n<racetype>marathon</racetype><capturehost>CAP</capturehost>"
                                          "<backofficehost>OFF</backofficehost>\r\n</raceinfo><heats/><results/></race>"
                                          "<!--" + regate + "-->");
    for (int run = 1; run <= 3; ++run) {
        Marathon_result_file f(Temp(), home.path().string());
        std::string aside;
        ASSERT_EQ(f.Open(header, aside), Marathon_result_file::Opened::loaded) << run;
        EXPECT_EQ(f.Document().Document().select_node("//event").node().child_value(), std::string("R\xC3\xA9gate"));
        ASSERT_TRUE(f.Add({"1", "\xC3\x89tape 1", "10:00:00", std::to_string(run), "00:1" + std::to_string(run) + ":00,00",
                           "/r\xC3\xA9gate.qs2", "0001"}));
        EXPECT_EQ(f.Count(), run);

        const std::string bytes = test::Read_file(Temp());
        EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><race>", 0), 0u) << run;
        EXPECT_NE(bytes.find("<event>" + regate + "</event>"), std::string::npos) << bytes;
        EXPECT_NE(bytes.find("<!--" + regate + "-->"), std::string::npos) << bytes;
        EXPECT_NE(bytes.find("<heat id=\"1\" name=\"\xC9tape 1\" start_time=\"10:00:00\"/>"), std::string::npos);
        EXPECT_NE(bytes.find("<video_file>/r\xE9gate.qs2</video_file>"), std::string::npos);
        EXPECT_EQ(bytes.find('\xC3'), std::string::npos) << "UTF-8 in an ISO-8859-1 file: " << bytes;
    }
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Result_file, AnEntryWhoseSaveFailsPartWayLeavesTheFileAsItWasAndGoesWithTheNext)
{
    Marathon_result_file f = Opened();
    ASSERT_TRUE(f.Add(Entry("1", "1", "00:10:00,00", "/r.qs2", "0001")));
    const std::string before = test::Read_file(Temp());
    {
        test::File_size_limit disk_full(before.size() + 10);
        EXPECT_FALSE(f.Add(Entry("1", "2", "00:10:01,00", "/r.qs2", "0002")));
        EXPECT_EQ(f.Close(clock.now, header), "");
    }
    ASSERT_EQ(reports.reports.size(), 2u);
    EXPECT_NE(reports.reports[0].find("The results could not be saved"), std::string::npos);
    EXPECT_EQ(test::Read_file(Temp()), before);
    for (const auto& e : fs::directory_iterator(home.path()))
        EXPECT_EQ(e.path().filename().string().find(".writing"), std::string::npos) << "left behind: " << e.path();

    ASSERT_TRUE(f.Add(Entry("1", "3", "00:10:02,00", "/r.qs2", "0003")));
    const pugi::xml_document doc = On_disk(Temp());
    EXPECT_EQ(Competitors(doc), 3u);
    EXPECT_STREQ(doc.select_node("//raceinfo/lastfile").node().child_value(), "false");
}

TEST_F(Result_file, AMoveNeverReplacesAFile)
{
    test::Write_file(home.path() / "a", "A");
    test::Write_file(home.path() / "b", "B");
    std::string problem;
    EXPECT_FALSE(Move_file_no_replace((home.path() / "a").string(), (home.path() / "b").string(), problem));
    EXPECT_FALSE(problem.empty());
    EXPECT_EQ(test::Read_file(home.path() / "b"), "B");
    EXPECT_EQ(test::Read_file(home.path() / "a"), "A");
    EXPECT_EQ(Move_to_unused_name((home.path() / "a").string(), home.path().string(), "b", "", problem),
              (home.path() / "b_2").string());
    EXPECT_FALSE(fs::exists(home.path() / "a"));
}

} // namespace
} // namespace wk
