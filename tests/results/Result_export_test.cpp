// Exporting the shown results: the CSV byte for byte, the results XML tree, the guards, and the
// demo heat from click to file.
#include "services/Module_ini.h"
#include "services/Module_utilities.h"
#include "tests/results/Results_fixture.h"
#include "tools/Demo_heat.h"
#include "viewer/Cls_lane.h"

#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::Lane_result;

class Result_export : public test::Results_window {
protected:
    // Heat "12" of event "Regatta": lane 3 first, lane 5 1.5 s behind, lane 7 disqualified.
    std::string Open_regatta_heat(const std::string& heat_id = "12", const std::string& name = "Heat12_A.qs2")
    {
        const std::string path = Open_heat({{3, 65430, 10, 61}, {5, 66930, 11, 71}, {7, Time_DSQ, 12, 0}}, 8,
                                           name, [&](cls_AVI_handler& rec) {
                                               rec.Heat_ID(1, heat_id);
                                               rec.Capture_time("2010-04-18 11:11:11");
                                           });
        g_Event_name = "Regatta"; // the station's event, which the viewer loaded from the settings
        return path;
    }
    std::string Export_to(const std::string& folder_name, int format)
    {
        const fs::path folder = home.path() / folder_name;
        fs::create_directories(folder);
        g_Export_folder = folder.string();
        Window().Opt_exp_format[size_t(format)]->setChecked(true);
        Window().Cmd_export_Click();
        return folder.string();
    }
    bool Success_shown() { return !Window().Frm_export_mess->isHidden(); }
};

TEST_F(Result_export, TheCsvHoldsTheRowsAsShownByteForByte)
{
    Open_regatta_heat();
    const std::string folder = Export_to("results", 1);
    const std::string path = folder + "/WK_Result_Heat12.csv";
    EXPECT_EQ(test::Read_file(path), "Regatta;12;2010-04-18 11:11:11;" + Get_Computer_Name() +
                                         "\r\n1;3; 01:05,43;+0,00\r\n2;5; 01:06,93;+1,50\r\n3;7;DSQ\r\nend\r\n");
    EXPECT_EQ(g_Export_file, path);
    EXPECT_TRUE(Success_shown());
    EXPECT_EQ(Window().Text_export_mess->text().toStdString(), "Exported results to file:\r\n" + path);
    Window().Cmd_result_export_OK_Click();
    EXPECT_FALSE(Success_shown());

    // Text in the file is Windows-1252.
    g_Event_name = "\u00C5re";
    Window().Cmd_export_Click();
    EXPECT_EQ(uint8_t(test::Read_file(path)[0]), 0xC5);
}

TEST_F(Result_export, TheNoteOfTheExportLeavesEveryRowInSight)
{
    Open_regatta_heat();
    Window().show();
    g_Export_folder = (home.path()).string();
    Window().Opt_exp_format[1]->setChecked(true);
    QTest::mouseClick(Window().Cmd_export, Qt::LeftButton);
    ASSERT_TRUE(Success_shown());
    const QRect note = Window().Frm_export_mess->geometry();
    EXPECT_TRUE(Window().rect().contains(note));
    for (const auto& row : {Window().Lbl_result_rank_labels, Window().Lbl_result_lane_labels,
                            Window().Lbl_result_time_labels, Window().Lbl_result_delta_time_labels})
        for (const QLabel* cell : row) EXPECT_FALSE(note.intersects(cell->geometry())) << cell->objectName().toStdString();
    QTest::mouseClick(Window().Cmd_result_export_OK, Qt::LeftButton);
    EXPECT_FALSE(Success_shown());
}

TEST_F(Result_export, TheFileNameIsCleanedButNotItsFolder)
{
    Open_regatta_heat("12-A");
    const std::string folder = Export_to("res-2026", 1);
    EXPECT_TRUE(fs::exists(folder + "/WK_Result_Heat12_A.csv"));
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Result_export, TheXmlHoldsTheSameRowsInTheDocumentsOrder)
{
    Open_regatta_heat("12-A", "Race_Heat12_A.qs2");
    const std::string folder = Export_to("results", 2);
    // The heat of the XML file's name comes from the recording's file name.
    const std::string path = folder + "/WK_Result_Heat12.xml";
    ASSERT_TRUE(fs::exists(path));
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(path.c_str(), pugi::parse_default | pugi::parse_comments));
    pugi::xml_node race = doc.child("race");
    EXPECT_STREQ(race.child("raceinfo").child_value("lastfile"), "True");
    EXPECT_STREQ(race.child("raceinfo").child_value("racetype"), "course");
    EXPECT_STREQ(race.child("raceinfo").child_value("event"), "Test Regatta");
    EXPECT_STREQ(race.child("heats").child("heat").attribute("id").value(), "12-A");
    pugi::xml_node result = race.child("results").child("result");
    EXPECT_STREQ(result.attribute("id").value(), "12-A");
    std::vector<std::string> seen;
    for (pugi::xml_node c : result.children("competitor")) {
        std::string line = std::string(c.attribute("nbr").value()) + "|";
        for (pugi::xml_node v : c.children()) line += std::string(v.name()) + "=" + v.child_value() + ";";
        seen.push_back(line);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"3|elapsed_time=01:05,43;delta_time=+0,00;place=1;",
                                              "5|elapsed_time=01:06,93;delta_time=+1,50;place=2;",
                                              "7|elapsed_time=DSQ;place=3;"}));
    EXPECT_EQ(race.next_sibling().type(), pugi::node_comment);
    EXPECT_NE(std::string(race.next_sibling().value()).find("Wakeline result data for course race"),
              std::string::npos);
    EXPECT_TRUE(Success_shown());
}

TEST_F(Result_export, TheGuardsSpeakInTheirOrderAndNeverClaimSuccess)
{
    Window();
    g_Export_folder = (home.path() / "nowhere").string();
    dialogs.Expect_message("Result export folder not found!");
    Window().Cmd_export_Click();

    // Nothing shown yet.
    fs::create_directories(home.path() / "out");
    g_Export_folder = (home.path() / "out").string();
    Window().Opt_exp_format[1]->setChecked(true);
    dialogs.Expect_message("Nothing to export!");
    Window().Cmd_export_Click();

    Open_regatta_heat();
    const std::string path = (home.path() / "out" / "WK_Result_Heat12.csv").string();
    test::Write_file(path, "kept");
    fs::permissions(path, fs::perms::owner_read);
    dialogs.Expect_message("A write-protected file already exists!");
    Window().Cmd_export_Click();
    EXPECT_EQ(test::Read_file(path), "kept");
    fs::permissions(path, fs::perms::owner_all);
    fs::remove(path);

    // A file that cannot be put in place: the failure is reported, no success shown, nothing left.
    fs::create_directories(path + "/taken");
    Window().Cmd_export_Click();
    EXPECT_FALSE(Success_shown());
    EXPECT_EQ(reports.reports.size(), 1u);
    EXPECT_TRUE(dialogs.All_used());
    for (const auto& e : fs::directory_iterator(home.path() / "out"))
        EXPECT_EQ(e.path().filename().string().find(".writing"), std::string::npos) << e.path();
}

TEST_F(Result_export, TheFolderAndFormatAreKeptInTheSettings)
{
    Window();
    const fs::path chosen = home.path() / "chosen";
    fs::create_directories(chosen);
    dialogs.Expect_folder(chosen.string());
    Window().Lbl_export_folder_Click();
    EXPECT_EQ(g_Export_folder, chosen.string());
    EXPECT_EQ(Read_Ini_Value("Canoe", "export_folder", Ini_file_path, ""), chosen.string());
    EXPECT_EQ(Window().Lbl_export_folder->text().toStdString(), chosen.string());
    EXPECT_EQ(Window().Text_remote->text().toStdString(), "Local");
    dialogs.Expect_folder(std::nullopt);
    Window().Lbl_export_folder_Click();
    EXPECT_EQ(g_Export_folder, chosen.string());

    Window().Opt_exp_format_Click(2);
    EXPECT_EQ(Read_Ini_Value("Canoe", "expformat", Ini_file_path, ""), "2");
    Window().Opt_exp_format[1]->setChecked(true);
    Window().Load_Export_format();
    EXPECT_TRUE(Window().Opt_exp_format[2]->isChecked());
}

TEST_F(Result_export, ADemoHeatClickedLaneByLaneExportsThePrintedTimes)
{
    const demo::Result heat = Open_clicked_demo_heat("DemoHeat1.qs2", 3);
    const std::string folder = Export_to("office", 1);
    const std::string csv = test::Read_file(folder + "/WK_Result_Heat1.csv");
    for (size_t i = 0; i < heat.crossings.size(); ++i) {
        const auto& c = heat.crossings[i];
        const std::string line = std::to_string(i + 1) + ";" + std::to_string(c.lane) + ";" +
                                 Display_Mill_Time(c.race_time, false) + ";";
        EXPECT_NE(csv.find("\r\n" + line), std::string::npos) << line << " in " << csv;
    }
}

} // namespace
} // namespace wk
