// The results window beside the viewer, offscreen: its rows as the viewer fills them, the jump to
// a place's finish, the start correction and clearing the heat.
#include "tests/results/Results_fixture.h"
#include "viewer/Cls_lane.h"
#include "viewer/Lane_results.h"

#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <functional>

namespace wk {
namespace {

using test::Lane_result;
using test::Results_window;

TEST_F(Results_window, TheRowsShowThePlacesAsTheViewerFillsThem)
{
    Open_usual_heat();
    EXPECT_EQ(Row(0), (std::vector<std::string>{"1", "2", " 00:01,23", "+0,00"}));
    EXPECT_EQ(Row(1), (std::vector<std::string>{"2", "5", " 00:01,43", "+0,20"}));
    EXPECT_EQ(Row(2), (std::vector<std::string>{"3", "7", "DNS", ""}));
    EXPECT_EQ(Row(3), (std::vector<std::string>{"", "", "", ""}));
    EXPECT_EQ(Text(Window().Lbl_heat_label), "7");
    EXPECT_EQ(Text(Window().Lbl_event_name_label), "Test Regatta");
    EXPECT_FALSE(Text(Window().Lbl_capture_time_label).empty());
    EXPECT_EQ(Text(Window().lbl_result_header), "      Lane           Time        Delta");

    // Closing the recording empties them.
    Viewer().item_close_Click();
    EXPECT_EQ(Row(0), (std::vector<std::string>{"", "", "", ""}));
    EXPECT_EQ(Text(Window().Lbl_heat_label), "");
}

TEST_F(Results_window, SixteenLanesWithResultsFillSixteenRows)
{
    std::vector<Lane_result> all;
    for (int16_t lane = 0; lane < 16; ++lane) all.push_back({lane, 1000 + 10 * lane, 100 + lane, 3 + lane});
    Open_heat(all, 15);
    for (int r = 0; r < 16; ++r) EXPECT_EQ(Row(r)[1], std::to_string(r)) << r;
    EXPECT_EQ(Row(15)[3], "+0,15");
    EXPECT_EQ(Text(Window().Lbl_heat_label), "7");
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Results_window, APlaceTakesTheViewerToItsFinishAndACodeDoesNot)
{
    Open_usual_heat();
    Window().Lbl_result_rank_MouseDown(1);
    EXPECT_EQ(Viewer().Slider_play->value(), 71);
    // The place number stands over the picture's lower right corner.
    int white = 0;
    for (int y = 461; y < 576; ++y)
        for (int x = 576; x < 700; ++x) white += Pixel(x, y) == platform::Rgb(255, 255, 255);
    EXPECT_GT(white, 100);
    Window().Lbl_result_rank_MouseDown(0);
    EXPECT_EQ(Viewer().Slider_play->value(), 61);
    Window().Lbl_result_rank_MouseDown(2); // DNS
    EXPECT_EQ(Viewer().Slider_play->value(), 61);
    Window().Lbl_result_rank_MouseDown(5); // an empty row
    EXPECT_EQ(Viewer().Slider_play->value(), 61);
}

TEST_F(Results_window, ANegativeCorrectionShowsItsPartsInRedWithAMinus)
{
    Window();
    Window().Display_Compensate_Mill(-3723450);
    EXPECT_EQ(Parts(Window().Lbl_hms_correction), (std::vector<std::string>{"01", "02", "03", "45"}));
    EXPECT_FALSE(Window().Lbl_Minus->isHidden());
    EXPECT_EQ(Window().Lbl_hms_correction[0]->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    Window().Display_Compensate_Mill(0);
    EXPECT_EQ(Parts(Window().Lbl_hms_correction), (std::vector<std::string>{"00", "00", "00", "00"}));
    EXPECT_TRUE(Window().Lbl_Minus->isHidden());
    EXPECT_EQ(Window().Lbl_hms_correction[3]->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

TEST_F(Results_window, AHeldButtonRepeatsFasterAndFaster)
{
    EXPECT_EQ(Correction_repeat_steps(0), 1);
    EXPECT_EQ(Correction_repeat_steps(150), 1);
    EXPECT_EQ(Correction_repeat_steps(250), 2);
    EXPECT_EQ(Correction_repeat_steps(400), 3);
    EXPECT_EQ(Correction_repeat_steps(580), 6);
    EXPECT_EQ(Correction_repeat_steps(1000), 14); // every 50 ms after the first 450

    const std::string path = Open_usual_heat();
    Window().Lbl_hms_correction_Click(2); // seconds
    ASSERT_EQ(Window().Correction_step(), 1000);
    for (int32_t hold : {150, 250, 400, 580}) {
        Hold(0, hold);
        EXPECT_EQ(Window().Correction(), 1000 * Correction_repeat_steps(hold)) << hold;
        EXPECT_EQ(Stored_correction(path), Window().Correction());
        Window().Lbl_hms_correction_MouseDown(1, 2); // a right click resets it
        EXPECT_EQ(Window().Correction(), 0);
        EXPECT_EQ(Stored_correction(path), 0);
        Window().Lbl_hms_correction_Click(2);
    }
    // Minus with hundredths.
    Window().Lbl_hms_correction_Click(3);
    Hold(1, 250);
    EXPECT_EQ(Window().Correction(), -20);
    EXPECT_FALSE(Window().Repeat_active());
}

TEST_F(Results_window, TheStoredCorrectionShiftsEveryShownTime)
{
    const std::string path = Open_usual_heat();
    Window().Lbl_hms_correction_Click(2);
    Hold(0, 100);
    EXPECT_EQ(Row(0)[2], " 00:00,23");
    Viewer().item_close_Click();
    EXPECT_EQ(Window().Correction(), 0);
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(Window().Correction(), 1000);
    EXPECT_EQ(Row(0), (std::vector<std::string>{"1", "2", " 00:00,23", "+0,00"}));
    EXPECT_EQ(Row(1), (std::vector<std::string>{"2", "5", " 00:00,43", "+0,20"}));
    EXPECT_EQ(Parts(Window().Lbl_hms_correction), (std::vector<std::string>{"00", "00", "01", "00"}));
    // The recorded start and the corrected one.
    Window().Recorded_start_mill(36000000);
    Window().Display_Original_Start_Time();
    Window().Display_Compensate_Mill();
    EXPECT_EQ(Parts(Window().Lbl_hms), (std::vector<std::string>{"10", "00", "00", "00"}));
    EXPECT_EQ(Parts(Window().Lbl_hms_corrected), (std::vector<std::string>{"10", "00", "01", "00"}));
}

TEST_F(Results_window, NothingIsSelectedAfterAClickElsewhere)
{
    Open_usual_heat();
    Window().Lbl_hms_correction_Click(0);
    EXPECT_EQ(Window().Correction_step(), 3600000);
    Window().Deselect_Correction_Items();
    Hold(0, 100);
    EXPECT_EQ(Window().Correction(), 0);
}

TEST_F(Results_window, AReadOnlyRecordingKeepsItsCorrection)
{
    const std::string path = Open_usual_heat();
    Window().Lbl_hms_correction_Click(2);
    g_Recording->Read_only(true);
    const std::string before = test::Read_file(path);
    dialogs.Expect_message("Can\u00B4t alter this file, it is Read only!");
    Window().Cmd_time_MouseDown(0);
    dialogs.Expect_message("Can\u00B4t alter this file, it is Read only!");
    Window().Lbl_hms_correction_MouseDown(0, 2);
    EXPECT_EQ(Window().Correction(), 0);
    EXPECT_EQ(test::Read_file(path), before);
    EXPECT_TRUE(dialogs.All_used());
}

// A correction the file does not take is not shown either: the window, the rows and the header in
// memory keep what the file holds, and the operator hears why at once.
TEST_F(Results_window, ACorrectionTheFileRefusesIsToldAndNotShown)
{
    const struct {
        const char* name;
        std::function<void(Frm_results&)> change;
    } cases[] = {
        {"held plus", [this](Frm_results&) { Hold(0, 100); }},
        {"right-click reset", [](Frm_results& w) { w.Lbl_hms_correction_MouseDown(1, 2); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Open_heat({{2, 1230, 5000, 61}}, 8, std::string(c.name) + ".qs2");
        Window().Lbl_hms_correction_Click(2);
        Hold(0, 100); // a second later: stored
        ASSERT_EQ(Stored_correction(path), 1000);
        const std::vector<std::string> row = Row(0);
        g_Recording->Heat_ID(1, std::string(100000, 'x')); // too long for the header area
        dialogs.Expect_message("too long to be stored");
        c.change(Window());
        EXPECT_TRUE(dialogs.All_used());
        EXPECT_EQ(Window().Correction(), 1000);
        EXPECT_EQ(g_Recording->Heat_Start_Correction(1), 1000);
        EXPECT_EQ(Stored_correction(path), 1000);
        EXPECT_EQ(Row(0), row);
        Viewer().item_close_Click();
    }
}

TEST_F(Results_window, ClearingAsksAndCancelKeepsEverything)
{
    const std::string path = Open_usual_heat();
    dialogs.Expect_message("This will clear all stored results for this heat, are you sure?", platform::vbCancel);
    Window().item_clear_all_results_Click();
    EXPECT_EQ(Row(0)[1], "2");
    EXPECT_EQ(g_Lanes[1]->time(), 1230); // mark 2, lane 2
    dialogs.Expect_message("This will clear all stored results for this heat, are you sure?", platform::vbOK);
    Window().item_clear_all_results_Click();
    EXPECT_EQ(Row(0)[1], "");
    EXPECT_EQ(g_Lanes[1]->time(), 0);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_NE(rec.Heat_time(1, 2), 1230);
    EXPECT_EQ(Viewer().Results().Lane_To_Place(2), 0);

    g_Recording->Read_only(true);
    dialogs.Expect_message("Can\u00B4t alter this file, it is Read only!");
    Window().item_clear_all_results_Click();
    Viewer().item_close_Click();
    Window().item_clear_all_results_Click(); // no recording: a beep only
    EXPECT_TRUE(dialogs.All_used());
}

// Opaque pixels of a row of the button's arrow.
int Arrow_width(const QImage& arrow, int y)
{
    int n = 0;
    for (int x = 0; x < arrow.width(); ++x) n += qAlpha(arrow.pixel(x, y)) > 128;
    return n;
}

// The correction's buttons carry arrows drawn by the window: the first narrow at the top
// (up), the second narrow at the bottom (down).
TEST_F(Results_window, TheCorrectionButtonsShowAnUpAndADownArrow)
{
    for (int i = 0; i < 2; ++i) {
        const QIcon icon = Window().Cmd_time[size_t(i)]->icon();
        ASSERT_FALSE(icon.isNull()) << i;
        const QImage arrow = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(arrow.size(), QSize(16, 16));
        int first = -1, last = -1;
        for (int y = 0; y < 16; ++y) {
            if (Arrow_width(arrow, y) == 0) continue;
            if (first < 0) first = y;
            last = y;
        }
        ASSERT_GE(first, 0) << "an empty picture on button " << i;
        ASSERT_GT(last, first + 4) << i;
        if (i == 0) EXPECT_LT(Arrow_width(arrow, first), Arrow_width(arrow, last)) << "the up arrow";
        else EXPECT_GT(Arrow_width(arrow, first), Arrow_width(arrow, last)) << "the down arrow";
    }
}

} // namespace
} // namespace wk
