// Marathon finish entry offscreen, in the viewer's marathon mode on demo heats: times set by
// competitor number, refusals, duplicates and the dialog, closing the result file, and the file
// a restart finds.
#include "tests/results/Marathon_fixture.h"
#include "tools/Demo_heat.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::Heat_line;
using test::Marathon_window;

// Demo frames carry the local time 10:00:00 + 40 ms per frame; the heats started 45 s before it.
constexpr const char* k_Start = "09:59:15";

class Marathon_entry : public Marathon_window {
protected:
    // A demo heat open in the viewer in marathon mode, heats 3 and 4 started at k_Start, heat 3 current.
    std::string Start_marathon_mode(const std::string& name = "Demo.qs2")
    {
        Write_marathon_file({{3, "3", "Men", k_Start}, {4, "4", "Women", k_Start}, {6, "6", "Juniors", ""}});
        const std::string path = Demo(name);
        EXPECT_TRUE(Open(path));
        dialogs.Expect_message("Created a new Marathon result file");
        Viewer().item_Marathon->trigger();
        Marathon().Text_heat_Click(2);
        return path;
    }
    std::string Demo(const std::string& name)
    {
        const std::string path = (home.path() / name).string();
        demo::Make_demo_heat(path, {});
        return path;
    }
    void Set_time(const std::string& competitor)
    {
        Entry().Text_kanoe_num->setText(QString::fromStdString(competitor));
        Entry().Command_XML->click();
    }
    pugi::xml_node Competitor(const pugi::xml_document& doc, const std::string& heat, const std::string& nbr)
    {
        const std::string q = "//result[@id='" + heat + "']/competitor[@nbr='" + nbr + "']";
        return doc.select_node(q.c_str()).node();
    }
    // 17 set at field 100 of a first recording, then found again at field 151 of a second one.
    std::pair<std::string, std::string> Duplicate_in_another_recording()
    {
        const std::string first = Start_marathon_mode();
        Show_field(100);
        Set_time("17");
        const std::string second = Demo("Demo2.qs2");
        EXPECT_TRUE(Open(second));
        Show_field(151);
        Set_time("17");
        return {first, second};
    }
    size_t Competitors(const std::string& path) { return Xml(path).select_nodes("//competitor").size(); }
};

TEST_F(Marathon_entry, TwoCompetitorsAtTwoFieldsGoIntoTheResultFileWithTheirTimesAndFrames)
{
    const std::string path = Start_marathon_mode();
    EXPECT_TRUE(Marathon().isVisible());
    EXPECT_TRUE(Entry().isVisible());
    EXPECT_FALSE(Marathon().Timer1->isActive());
    EXPECT_FALSE(Viewer().Lbl_elapsed_time->isEnabled());
    EXPECT_FALSE(Viewer().Label_start_time->isEnabled());
    EXPECT_EQ(Text(Entry().Lbl_heatID), "3");
    EXPECT_EQ(Text(Entry().Lbl_heatname), "Men");

    // Field 100 is frame 50's second field: 10:00:01,980, 46,98 s after the start.
    Show_field(100);
    EXPECT_EQ(Text(Entry().Label_heattime), " 10:00:01,98");
    EXPECT_EQ(Text(Entry().Label_starttime), k_Start);
    EXPECT_EQ(Text(Entry().Label_elapsed), " 00:46,98");
    Set_time("17");
    Show_field(151); // frame 76, first field: 10:00:03,000
    Set_time("23");
    EXPECT_EQ(Text(Entry().Label_num_competitors), "2 entries");

    const pugi::xml_document doc = Xml(Temp_file());
    pugi::xml_node first = Competitor(doc, "3", "17");
    EXPECT_STREQ(first.child_value("elapsed_time"), "00:46,98");
    EXPECT_STREQ(first.child_value("video_file"), path.c_str());
    EXPECT_STREQ(first.child_value("video_frame"), "0100");
    pugi::xml_node second = Competitor(doc, "3", "23");
    EXPECT_STREQ(second.child_value("elapsed_time"), "00:48,00");
    EXPECT_STREQ(second.child_value("video_frame"), "0151");
    pugi::xml_node heat = doc.select_node("//heats/heat[@id='3']").node();
    EXPECT_STREQ(heat.attribute("name").value(), "Men");
    EXPECT_STREQ(heat.attribute("start_time").value(), k_Start);
    EXPECT_STREQ(doc.select_node("//raceinfo/event").node().child_value(), "Demo Regatta");
    EXPECT_STREQ(doc.select_node("//raceinfo/racetype").node().child_value(), "marathon");
    EXPECT_TRUE(reports.reports.empty());

    // Marathon mode off: the windows go and the viewer's heat times come back.
    Viewer().item_Marathon->trigger();
    EXPECT_FALSE(Marathon().isVisible());
    EXPECT_FALSE(Entry().isVisible());
    EXPECT_TRUE(Viewer().Lbl_elapsed_time->isEnabled());
}

TEST_F(Marathon_entry, TheSameNumberTwiceInAHeatOpensTheDialogAndWritesNothing)
{
    Start_marathon_mode();
    Show_field(100);
    Set_time("17");
    const std::string after_first = test::Read_file(Temp_file());
    Show_field(120);
    Set_time("17");
    EXPECT_TRUE(Dialog_shown());
    EXPECT_TRUE(Dialog()->isModal());
    EXPECT_EQ(Text(Dialog()->Label_errormsg), "This Heat/Competitor has already been assigned a time!");
    EXPECT_EQ(test::Read_file(Temp_file()), after_first);
    EXPECT_EQ(Text(Entry().Label_num_competitors), "1 entries");
    // Leaving it alone changes nothing, and the viewer stays where it was.
    Dialog()->CancelButton->click();
    EXPECT_FALSE(Dialog_shown());
    EXPECT_EQ(test::Read_file(Temp_file()), after_first);
    EXPECT_EQ(Viewer().Slider_play->value(), 120);

    // The same number in another heat is another finish.
    Marathon().Text_heat_Click(3);
    Set_time("17");
    EXPECT_FALSE(Dialog_shown());
    EXPECT_EQ(Competitors(Temp_file()), 2u);
    EXPECT_EQ(Text(Entry().Label_num_competitors), "2 entries");
}

TEST_F(Marathon_entry, AnOverrideWritesTheFinishAsItWasWhenTheDuplicateWasFound)
{
    const auto [first_path, other] = Duplicate_in_another_recording();
    ASSERT_TRUE(Dialog_shown());

    // The earlier finish is shown in its own recording, then the current one again.
    Dialog()->Command_show_old->click();
    EXPECT_EQ(g_Recording->File_name(), first_path);
    EXPECT_EQ(Viewer().Slider_play->value(), 100);
    EXPECT_EQ(Text(Entry().Label_elapsed), " 00:46,98");
    EXPECT_FALSE(Dialog()->Command_show_old->isEnabled());
    EXPECT_TRUE(Dialog()->Command_show_current->isEnabled());

    // Overriding now writes what was found at the duplicate, not what the viewer shows.
    dialogs.Expect_message("New result saved");
    Dialog()->Override->click();
    EXPECT_FALSE(Dialog_shown());
    const pugi::xml_document doc = Xml(Temp_file());
    EXPECT_EQ(doc.select_nodes("//competitor").size(), 1u);
    pugi::xml_node c = Competitor(doc, "3", "17");
    EXPECT_STREQ(c.child_value("elapsed_time"), "00:48,00");
    EXPECT_STREQ(c.child_value("video_file"), other.c_str());
    EXPECT_STREQ(c.child_value("video_frame"), "0151");
    EXPECT_EQ(Text(Entry().Label_num_competitors), "1 entries");
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Marathon_entry, ClosingTheDialogReturnsTheViewerOnlyWhenItWasSentToTheEarlierFinish)
{
    const auto [first_path, other] = Duplicate_in_another_recording();
    Dialog()->close();
    EXPECT_FALSE(Dialog_shown());
    EXPECT_EQ(g_Recording->File_name(), other);
    EXPECT_EQ(Viewer().Slider_play->value(), 151);

    Set_time("17");
    Dialog()->Command_show_old_Click();
    EXPECT_EQ(g_Recording->File_name(), first_path);
    Dialog()->close();
    EXPECT_EQ(g_Recording->File_name(), other);
    EXPECT_EQ(Viewer().Slider_play->value(), 151);
    EXPECT_EQ(Competitors(Temp_file()), 1u);
    EXPECT_STREQ(Competitor(Xml(Temp_file()), "3", "17").child_value("video_frame"), "0100");
}

TEST_F(Marathon_entry, SetTimeIsRefusedWithoutACompetitorARecordingAHeatOrAStart)
{
    Start_marathon_mode();
    Show_field(100);
    dialogs.Expect_message("No competitor entered!");
    Set_time("");
    // Heat 6 has no start: the viewer shows no elapsed time for it, and none is set.
    Marathon().Text_heat_Click(5);
    EXPECT_EQ(Text(Entry().Label_elapsed), "");
    dialogs.Expect_message("The heat has no start time!");
    Set_time("5");
    // No heat at all: slider moves go on without a fault, and nothing is set.
    Marathon().Form_Click();
    Show_field(101);
    EXPECT_EQ(Text(Entry().Label_elapsed), "");
    EXPECT_EQ(Text(Entry().Label_heattime), " 10:00:02,00");
    dialogs.Expect_message("No heat selected!");
    Set_time("5");
    Marathon().Text_heat_Click(2);
    Viewer().item_close_Click();
    dialogs.Expect_message("No file open!");
    Set_time("5");
    EXPECT_EQ(Competitors(Temp_file()), 0u);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Marathon_entry, ClosingGivesTheDatedFileAndANewEmptyOneAndASecondCloseKeepsBoth)
{
    Start_marathon_mode();
    Show_field(100);
    Set_time("17");
    clock.now = {2010, 4, 18, 14, 12, 33, 0};
    dialogs.Expect_message("The result file is now closed");
    Entry().Command_close->click();
    const std::string closed = (home.path() / "MarathonResults100418141233 .xml").string();
    ASSERT_TRUE(fs::exists(closed));
    EXPECT_STREQ(Xml(closed).select_node("//raceinfo/lastfile").node().child_value(), "true");
    EXPECT_EQ(Competitors(closed), 1u);
    EXPECT_EQ(Competitors(Temp_file()), 0u);
    EXPECT_EQ(Text(Entry().Label_num_competitors), "0 entries");

    Set_time("18");
    dialogs.Expect_message("The result file is now closed");
    Entry().Command_close_Click();
    EXPECT_EQ(Competitors(closed), 1u);
    EXPECT_EQ(Competitors((home.path() / "MarathonResults100418141233_2 .xml").string()), 1u);
    EXPECT_EQ(Text(Entry().Label_num_competitors), "0 entries");
}

TEST_F(Marathon_entry, AResultFileLeftByTheLastRunIsLoadedWithItsCount)
{
    {
        Marathon_result_file left(Temp_file(), home.path().string());
        std::string aside;
        ASSERT_EQ(left.Open({"Race", "A", "B", "c"}, aside), Marathon_result_file::Opened::created);
        for (int i = 1; i <= 12; ++i)
            ASSERT_TRUE(left.Add({"3", "Men", k_Start, std::to_string(i), "00:10:00,00", "/r.qs2", "0001"}));
    }
    dialogs.Expect_message("Loaded existing Marathon results file\r\n12 Competitor entries");
    Entry();
    EXPECT_EQ(Text(Entry().Label_num_competitors), "12 entries");
}

TEST_F(Marathon_entry, AnUnreadableResultFileIsKeptAsideWithAMessage)
{
    test::Write_file(Temp_file(), "<race><raceinfo>");
    dialogs.Expect_message("The Marathon result file could not be read. It was kept as:\r\n" +
                           (home.path() / "WakelineMarathon_Temp_unreadable_261208101112.xml").string());
    dialogs.Expect_message("Created a new Marathon result file");
    Entry();
    EXPECT_EQ(test::Read_file(home.path() / "WakelineMarathon_Temp_unreadable_261208101112.xml"), "<race><raceinfo>");
    EXPECT_EQ(Text(Entry().Label_num_competitors), "0 entries");
}

TEST_F(Marathon_entry, AHeatStartedBeforeMidnightIsTimedAfterIt)
{
    Write_marathon_file({{1, "1", "Night", "23:59:50"}});
    const fs::path path = home.path() / "Night.qs2";
    test::Make_qs2(path, 4, 1, [](test::DV_frame& f, int k, int) {
        test::Write_DV_extra_data(f, {.stamp_tick = 1000 + 40 * k, .local_time_ms = 5000 + 40 * k});
    });
    ASSERT_TRUE(Open(path.string()));
    dialogs.Expect_message("Created a new Marathon result file");
    Viewer().item_Marathon->trigger();
    Marathon().Text_heat_Click(0);
    Show_field(3); // frame 2, first field: 00:00:05,080
    EXPECT_EQ(Text(Entry().Label_elapsed), " 00:15,08");
    Set_time("9");
    EXPECT_STREQ(Competitor(Xml(Temp_file()), "1", "9").child_value("elapsed_time"), "00:15,08");
}

TEST_F(Marathon_entry, AFrameWithoutItsOwnTimeGivesNoFinish)
{
    Write_marathon_file({{1, "1", "Day", "09:00:00"}});
    const fs::path path = home.path() / "Untimed.qs2";
    // The capture's record is spoilt: the frames carry no time of their own.
    test::Make_qs2(path, 4, 1, [](test::DV_frame& f, int, int) {
        std::fill_n(f.begin() + test::k_DV_extra_offset, 4, 0);
    });
    ASSERT_TRUE(Open(path.string()));
    dialogs.Expect_message("Created a new Marathon result file");
    Viewer().item_Marathon->trigger();
    Marathon().Text_heat_Click(0);
    Show_field(3);
    EXPECT_EQ(Text(Entry().Label_heattime), "");
    EXPECT_EQ(Text(Entry().Label_elapsed), "");
    dialogs.Expect_message("No time for this frame!");
    Set_time("9");
    EXPECT_EQ(Competitors(Temp_file()), 0u);
}

} // namespace
} // namespace wk
