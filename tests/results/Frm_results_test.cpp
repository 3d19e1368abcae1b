// The results window beside the viewer, offscreen: its rows as the viewer fills them, the jump to
// a place's finish, the start correction and clearing the heat.
#include "results/Frm_results.h"
#include "tests/viewer/Viewer_fixture.h"
#include "viewer/Cls_lane.h"
#include "viewer/Lane_results.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <functional>

namespace wk {
namespace {

// A clock that lets go of a held button when the hold time is over.
class Release_clock final : public test::Manual_clock {
public:
    void Sleep_ms(int32_t ms) override
    {
        Manual_clock::Sleep_ms(ms);
        if (release && platform::Tick_difference(tick, pressed_at) >= hold) {
            auto r = std::move(release);
            release = nullptr;
            r();
        }
    }
    std::function<void()> release;
    int32_t pressed_at = 0, hold = 0;
};

struct Lane_result {
    int16_t lane;
    int32_t time;
    int32_t click;
    int32_t field;
};

class Results_window : public test::Viewer_window {
protected:
    void TearDown() override
    {
        Install_result_rows(nullptr);
        Viewer_window::TearDown();
    }
    // A locked heat of 40 frames with results stored in it, open in the viewer beside the window.
    std::string Open_heat(const std::vector<Lane_result>& results, int16_t lanes = 8)
    {
        test::Heat_setup s;
        s.frames = 40;
        s.lanes = lanes;
        s.locked = true;
        const std::string path = Make_heat("Heat1.qs2", s);
        {
            cls_AVI_handler rec;
            EXPECT_TRUE(rec.Open_File(path));
            for (const auto& r : results) {
                rec.Heat_result(1, r.lane, r.time);
                rec.Heat_Clicktime(1, r.lane, r.click);
                rec.Heat_Goalfield(1, r.lane, r.field);
            }
            EXPECT_TRUE(rec.Write_XML_header());
        }
        Install_result_rows(&Window());
        EXPECT_TRUE(Open(path));
        return path;
    }
    // Lanes 2 and 5 with times (finish fields 61 and 71), DNS on lane 7.
    std::string Open_usual_heat()
    {
        return Open_heat({{2, 1230, 5000, 61}, {5, 1430, 5100, 71}, {7, Time_DNS, 5200, 0}});
    }
    Frm_results& Window() { return platform::Form_instance<Frm_results>(); }
    std::string Text(QLabel* l) { return l->text().toStdString(); }
    std::vector<std::string> Row(int r)
    {
        return {Text(Window().Lbl_result_rank_labels[size_t(r)]), Text(Window().Lbl_result_lane_labels[size_t(r)]),
                Text(Window().Lbl_result_time_labels[size_t(r)]),
                Text(Window().Lbl_result_delta_time_labels[size_t(r)])};
    }
    std::vector<std::string> Parts(const std::array<QLabel*, Frm_results::k_Parts>& labels)
    {
        std::vector<std::string> v;
        for (QLabel* l : labels) v.push_back(Text(l));
        return v;
    }
    int32_t Stored_correction(const std::string& path)
    {
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path));
        return rec.Heat_Start_Correction(1);
    }
    // Holds a plus or minus button for hold_ms on the test clock.
    void Hold(int button, int32_t hold_ms)
    {
        Release_clock clock;
        clock.pressed_at = clock.tick;
        clock.hold = hold_ms;
        clock.release = [&] { Window().Cmd_time_MouseUp(button); };
        Window().Cmd_time_MouseDown(button);
    }
};

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
    g_Heat_correction = -3723450;
    Window().Display_Compensate_Mill();
    EXPECT_EQ(Parts(Window().Lbl_hms_correction), (std::vector<std::string>{"01", "02", "03", "45"}));
    EXPECT_FALSE(Window().Lbl_Minus->isHidden());
    EXPECT_EQ(Window().Lbl_hms_correction[0]->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    g_Heat_correction = 0;
    Window().Display_Compensate_Mill();
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
        EXPECT_EQ(g_Heat_correction, 1000 * Correction_repeat_steps(hold)) << hold;
        EXPECT_EQ(Stored_correction(path), g_Heat_correction);
        Window().Lbl_hms_correction_MouseDown(1, 2); // a right click resets it
        EXPECT_EQ(g_Heat_correction, 0);
        EXPECT_EQ(Stored_correction(path), 0);
        Window().Lbl_hms_correction_Click(2);
    }
    // Minus with hundredths.
    Window().Lbl_hms_correction_Click(3);
    Hold(1, 250);
    EXPECT_EQ(g_Heat_correction, -20);
    EXPECT_FALSE(Window().Repeat_active());
}

TEST_F(Results_window, TheStoredCorrectionShiftsEveryShownTime)
{
    const std::string path = Open_usual_heat();
    Window().Lbl_hms_correction_Click(2);
    Hold(0, 100);
    EXPECT_EQ(Row(0)[2], " 00:00,23");
    Viewer().item_close_Click();
    EXPECT_EQ(g_Heat_correction, 0);
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(g_Heat_correction, 1000);
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
    EXPECT_EQ(g_Heat_correction, 0);
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
    EXPECT_EQ(g_Heat_correction, 0);
    EXPECT_EQ(test::Read_file(path), before);
    EXPECT_TRUE(dialogs.All_used());
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
    EXPECT_EQ(Lane_To_Place(2), 0);

    g_Recording->Read_only(true);
    dialogs.Expect_message("Can\u00B4t alter this file, it is Read only!");
    Window().item_clear_all_results_Click();
    Viewer().item_close_Click();
    Window().item_clear_all_results_Click(); // no recording: a beep only
    EXPECT_TRUE(dialogs.All_used());
}

} // namespace
} // namespace wk
