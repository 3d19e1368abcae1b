// The marathon window offscreen: opening with and without a marathon file, creating one, Start
// and Stop on the selected heats, the clock's elapsed labels, the edits, the copy from the front
// office and the rename of the old CSV results.
#include "platform/Key_state.h"
#include "services/Module_ini.h"
#include "tests/results/Marathon_fixture.h"

#include <QAction>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::Heat_line;
using test::Marathon_window;

class Marathon_form : public Marathon_window {
protected:
    QColor Back(const QLineEdit* box) { return box->palette().color(QPalette::Base); }
    QColor Ink(const QLabel* label) { return label->palette().color(QPalette::WindowText); }
    bool Selected(int k) { return Back(Marathon().Text_heat[size_t(k)]) != QColor(255, 255, 255); }
    void Click_heat(int k, bool ctrl = false)
    {
        platform::Set_key_down(platform::VK_CONTROL, ctrl);
        Marathon().Text_heat_Click(k);
        platform::Set_key_down(platform::VK_CONTROL, false);
    }
    // One tick of the clock at that time of day.
    void Tick_at(int h, int m, int s)
    {
        clock.now.hour = h;
        clock.now.minute = m;
        clock.now.second = s;
        Marathon().Timer1_Timer();
    }
    std::string Elapsed(int k) { return Text(Marathon().Label_heat_elapsed[size_t(k)]); }
};

TEST_F(Marathon_form, WithoutAFileItSaysSoOnceShowsHeatOneSelectedAndChangesNothing)
{
    dialogs.Expect_message(" Not found, folder was created");
    dialogs.Expect_message("No Marathon XML file found!");
    Marathon();
    EXPECT_EQ(Count_shown("No Marathon XML file found!"), 1);
    EXPECT_TRUE(fs::is_directory(g_Data_folder));
    EXPECT_FALSE(Marathon().Marathon_File_Present());
    EXPECT_EQ(Marathon().Selected_Heat(), 1);
    EXPECT_TRUE(Selected(0));
    EXPECT_FALSE(Selected(1));

    Marathon().Cmd_start_Click();
    Marathon().Cmd_stop_Click();
    Marathon().Text_heat[3]->setText("44");
    Marathon().Text_heat_Change(3);
    Marathon().Text_heat_LostFocus(3);
    Marathon().Text_racename->setText("Lopp");
    Marathon().Text_racename_Change();
    Click_heat(4); // heats are not chosen without a file either
    EXPECT_EQ(Marathon().Selected_Heat(), 1);
    EXPECT_FALSE(fs::exists(g_Marathon_xml));
    EXPECT_EQ(Count_shown("No Marathon XML file found!"), 1);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Marathon_form, ACreatedFileStartsTwoHeatsAndTheClockShowsTheirElapsedTimes)
{
    fs::create_directories(g_Data_folder);
    dialogs.Expect_message("No Marathon XML file found!");
    Marathon().Text_racename->setText("Vasaloppet");
    Marathon().item_create_marathon_file->trigger();
    ASSERT_TRUE(Marathon().Marathon_File_Present());
    EXPECT_EQ(Heat_value(30, "heat_running"), "t");
    EXPECT_EQ(Xml(g_Marathon_xml).select_node("//event_name").node().child_value(), std::string("Vasaloppet"));
    for (int k = 0; k < 30; ++k) {
        EXPECT_FALSE(Marathon().Text_start[size_t(k)]->font().italic());
        EXPECT_EQ(Text(Marathon().Text_start[size_t(k)]), "");
    }

    Click_heat(1);
    Click_heat(4, true);
    EXPECT_FALSE(Selected(0));
    EXPECT_TRUE(Selected(1) && Selected(4));
    EXPECT_EQ(Back(Marathon().Text_heat_name[4]), QColor(128, 255, 128));
    clock.now = {2010, 4, 18, 14, 3, 27, 0};
    Marathon().Cmd_start->click();
    for (int id = 1; id <= 30; ++id)
        EXPECT_EQ(Heat_value(id, "heat_start"), id == 2 || id == 5 ? "14:03:27" : "") << id;
    EXPECT_EQ(Text(Marathon().Text_start[1]), "14:03:27");

    // The clock runs only while the window can be seen.
    Tick_at(14, 3, 22);
    EXPECT_EQ(Elapsed(1), "");
    EXPECT_EQ(Text(Marathon().Label_PC_time), "00:00:00");
    Marathon().show();
    Tick_at(14, 3, 22);
    EXPECT_EQ(Text(Marathon().Label_PC_time), "14:03:22");
    EXPECT_EQ(Elapsed(1), "-00:00:05");
    EXPECT_EQ(Ink(Marathon().Label_heat_elapsed[1]), QColor(255, 0, 0));
    EXPECT_EQ(Elapsed(0), "");
    Tick_at(15, 4, 28);
    EXPECT_EQ(Elapsed(1), "01:01:01");
    EXPECT_EQ(Elapsed(4), "01:01:01");
    EXPECT_EQ(Ink(Marathon().Label_heat_elapsed[4]), QColor(0, 0, 255));

    // Stop on heat 5 alone: stopped in the file, its start kept, nothing shown from the next tick.
    Click_heat(4);
    Marathon().Cmd_stop->click();
    EXPECT_EQ(Heat_value(5, "heat_running"), "f");
    EXPECT_EQ(Heat_value(5, "heat_start"), "14:03:27");
    EXPECT_EQ(Heat_value(2, "heat_running"), "t");
    EXPECT_TRUE(Marathon().Text_start[4]->font().italic());
    Tick_at(15, 4, 29);
    EXPECT_EQ(Elapsed(4), "");
    EXPECT_EQ(Elapsed(1), "01:01:02");
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Marathon_form, CtrlAndAPressOnAStartTimeStopsAndRestartsItsHeat)
{
    Write_marathon_file({{2, "2", "Women", "10:00:00"}});
    Marathon().show();
    Marathon().Text_start_MouseDown(1); // without Ctrl nothing happens
    EXPECT_EQ(Heat_value(2, "heat_running"), "t");
    platform::Set_key_down(platform::VK_CONTROL, true);
    Marathon().Text_start_MouseDown(1);
    EXPECT_EQ(Heat_value(2, "heat_running"), "f");
    EXPECT_TRUE(Marathon().Text_start[1]->font().italic());
    Tick_at(10, 0, 9);
    EXPECT_EQ(Elapsed(1), "");
    Marathon().Text_start_MouseDown(1);
    platform::Set_key_down(platform::VK_CONTROL, false);
    EXPECT_EQ(Heat_value(2, "heat_running"), "t");
    Tick_at(10, 0, 9);
    EXPECT_EQ(Elapsed(1), "00:00:09");
}

TEST_F(Marathon_form, AnExistingFileFillsTheRowsAndTypedValuesAreSaved)
{
    Write_marathon_file({{1, "101", "Herrar", "09:00:00"}, {7, "107", "\xC3\x85sa", "09:30:00", "f"}}, "Lopp 2010");
    EXPECT_EQ(Text(Marathon().Text_racename), "Lopp 2010");
    EXPECT_EQ(Text(Marathon().Text_heat[0]), "101");
    EXPECT_EQ(Text(Marathon().Text_heat_name[6]), "\xC3\x85sa");
    EXPECT_EQ(Text(Marathon().Text_start[6]), "09:30:00");
    EXPECT_TRUE(Marathon().Text_start[6]->font().italic());
    EXPECT_FALSE(Marathon().Text_start[0]->font().italic());
    EXPECT_TRUE(dialogs.shown.empty());

    Marathon().Text_heat_name[2]->setText("Damer \xE2\x82\xAC"); // Damer €
    Marathon().Text_heat_name_Change(2);
    Marathon().Text_heat_LostFocus(2);
    Marathon().Text_start[2]->setText("09:45:00");
    Marathon().Text_start_Change(2);
    EXPECT_EQ(Heat_value(3, "heat_name"), "Damer \xE2\x82\xAC");
    EXPECT_NE(test::Read_file(g_Marathon_xml).find("<heat_name>Damer &#8364;</heat_name>"), std::string::npos);
    EXPECT_EQ(Heat_value(3, "heat_start"), "09:45:00");
    // The start as the finish entry reads it.
    Click_heat(2);
    EXPECT_EQ(Marathon().Rows().Selected_start(), "09:45:00");
}

TEST_F(Marathon_form, AClickOnTheBackgroundLeavesNoHeatSelected)
{
    Write_marathon_file({});
    Click_heat(3);
    Click_heat(8, true);
    EXPECT_EQ(Marathon().Selected_Heat(), 9);
    Click_heat(5);
    EXPECT_FALSE(Selected(3) || Selected(8));
    EXPECT_TRUE(Selected(5));
    Marathon().Form_Click();
    EXPECT_EQ(Marathon().Selected_Heat(), 0);
    for (int k = 0; k < 30; ++k) EXPECT_FALSE(Selected(k)) << k;
    EXPECT_EQ(Marathon().Rows().Selected_start(), "");
}

TEST_F(Marathon_form, TheFrontOfficeFileIsCopiedInFromAFolderWithoutATrailingSeparator)
{
    Write_marathon_file({{1, "1", "Old", "08:00:00"}});
    const fs::path office = home.path() / "office";
    fs::create_directories(office);
    Marathon_file theirs;
    theirs.Create("2010-04-18 07:00:00");
    theirs.Event_name("From the office");
    theirs.Heat_field(1, "heat_name", "New");
    std::string problem;
    ASSERT_TRUE(theirs.Save((office / "marathon.xml").string(), problem));
    Write_Ini_Value("Canoe", "fo_data_folder", office.string(), Ini_file_path);
    Marathon().load_FO_data_folder();
    Marathon().Label_fodf_status_Click();
    EXPECT_EQ(Text(Marathon().Label_fodf_status), "Local");

    dialogs.Expect_message("Marathon.xml copied into this PC!");
    Marathon().item_copy_xml->trigger();
    EXPECT_EQ(test::Read_file(g_Marathon_xml), test::Read_file(office / "marathon.xml"));
    EXPECT_EQ(Text(Marathon().Text_heat_name[0]), "New");
    EXPECT_EQ(Text(Marathon().Text_racename), "From the office");
    EXPECT_EQ(Text(Marathon().Label_lastmodified).size(), 19u); // yyyy-mm-dd hh:mm:ss
    EXPECT_TRUE(reports.reports.empty());

    // A damaged file in the office does not replace this PC's.
    test::Write_file(office / "marathon.xml", "<Wakeline_marathon_file><heat");
    Marathon().Copy_XML_file();
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_NE(reports.reports[0].find("is not a marathon file"), std::string::npos);
    EXPECT_EQ(Heat_value(1, "heat_name"), "New");
}

TEST_F(Marathon_form, AFolderThatIsNotThereIsNotReadyAndNothingIsCopied)
{
    Write_marathon_file({{1, "1", "Ours", "08:00:00"}});
    Write_Ini_Value("Canoe", "fo_data_folder", (home.path() / "gone").string(), Ini_file_path);
    Marathon().load_FO_data_folder();
    Marathon().Update_FOD_folder_Remote();
    EXPECT_EQ(Text(Marathon().Label_fodf_status), "Not ready!");
    const std::string before = test::Read_file(g_Marathon_xml);
    dialogs.Expect_message("Folder not ready");
    Marathon().Copy_XML_file();
    EXPECT_EQ(test::Read_file(g_Marathon_xml), before);
    EXPECT_TRUE(reports.reports.empty());

    // A folder chosen in the browser is stored and looked at.
    dialogs.Expect_folder(home.path().string());
    Marathon().Label_fodf_Click();
    EXPECT_EQ(Marathon().FOD_Folder(), home.path().string());
    EXPECT_EQ(Read_Ini_Value("Canoe", "fo_data_folder", Ini_file_path, ""), home.path().string());
    EXPECT_EQ(Text(Marathon().Label_fodf_status), "Local");
}

TEST_F(Marathon_form, TheOldCsvResultsAreRenamedWithTheDateAndNeverOverwritten)
{
    Write_marathon_file({});
    dialogs.Expect_message("Found no result file to rename!");
    Marathon().item_rename_result_file->trigger();

    clock.now = {2010, 4, 18, 14, 12, 33, 0};
    test::Write_file(g_Marathon_csv, "1,a\r\n");
    const std::string renamed = (fs::path(g_Data_folder) / "marathon_results2010_04_18 14_12_33.csv").string();
    dialogs.Expect_message("Renamed: \r\n" + g_Marathon_csv + "\r\nto : \r\n" + renamed);
    Marathon().item_rename_result_file_Click();
    EXPECT_EQ(test::Read_file(renamed), "1,a\r\n");
    EXPECT_FALSE(fs::exists(g_Marathon_csv));

    test::Write_file(g_Marathon_csv, "2,b\r\n");
    Marathon().item_rename_result_file_Click();
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(test::Read_file(renamed), "1,a\r\n");
    EXPECT_EQ(test::Read_file(g_Marathon_csv), "2,b\r\n");
}

} // namespace
} // namespace wk
