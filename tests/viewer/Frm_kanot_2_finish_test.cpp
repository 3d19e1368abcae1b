// The viewer at work: stepping and playing, clicking finishes on lane marks, the result menu
// and the zoom, and the whole road on a demo heat.
#include "tests/viewer/Viewer_fixture.h"
#include "platform/Key_event_filter.h"
#include "services/Form_Wakeline_Full_Startup.h"
#include "services/Module_utilities.h"
#include "tools/Demo_heat.h"
#include "viewer/Cls_lane.h"
#include "viewer/Lane_results.h"
#include "results/Marathon_times.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>

namespace wk {
namespace {

using test::Heat_setup;
namespace fs = std::filesystem;

class Viewer_at_work : public test::Viewer_window {
protected:
    // A locked heat of 40 frames: frame k is stamped 100000 + 40 k, the heat started at 100000.
    std::string Open_locked_heat(int frames = 40)
    {
        Heat_setup s;
        s.frames = frames;
        s.locked = true;
        const std::string path = Make_heat("Heat1.qs2", s);
        EXPECT_TRUE(Open(path));
        return path;
    }
    void Show_field(int field)
    {
        Viewer().Slider_play->setValue(field);
        Viewer().Slider_play_Scroll();
    }
    std::string Label(QLabel* l) { return l->text().toStdString(); }
    // Lane mark i (1-based) of the heat: lane number i, centre (100 + 40 i, 60 + 100 i).
    void Press(int button, int mark, int dx = 0)
    {
        Viewer().Picture_large_MouseDown(button, 0, float(100 + 40 * mark + dx), float(60 + 100 * mark));
        Viewer().Picture_large_MouseUp(button, 0, 0, 0);
    }
    // What the file holds once the header writes queued behind the paints have run.
    int32_t Stored_time(const std::string& path, int16_t lane)
    {
        QCoreApplication::processEvents();
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path));
        return rec.Heat_time(1, lane);
    }
    // The race time of field n as the fixture stamps it.
    static int32_t Race_time(int n) { return 40 * ((n + 1) / 2) - 10 + (n % 2 == 0 ? 20 : 0); }
};

// ---- Stepping and the labels ----

TEST_F(Viewer_at_work, SteppingOntoAFrameWhoseTimeJumpsNotesTheJump)
{
    // Frames 40 ms apart but for a gap of 200 ms before frame 5 (four pictures left out).
    const fs::path path = home.path() / "Gap.qs2";
    test::Make_qs2(path, 10, 1, [&](test::DV_frame& f, int k, int) {
        test::Write_DV_extra_data(f, {.stamp_tick = 100000 + 40 * k + (k >= 5 ? 160 : 0), .heat_start = 100000});
    });
    ASSERT_TRUE(Open(path.string()));
    struct Step {
        int field;
        bool noted;
    };
    // Field 9 is frame 5's first; a step back or a long jump notes nothing.
    for (const Step& step : std::vector<Step>{{7, false}, {8, false}, {9, true}, {10, false}, {3, false}, {11, false}}) {
        Show_field(step.field);
        const QString text = Viewer().Lbl_elapsed_time->text();
        EXPECT_EQ(text.contains("(+"), step.noted) << step.field << ": " << text.toStdString();
        EXPECT_EQ(Viewer().Lbl_elapsed_time->toolTip().contains("left out"), step.noted) << step.field;
    }
    Show_field(8);
    Show_field(9);
    EXPECT_TRUE(Viewer().Lbl_elapsed_time->text().endsWith("(+180 ms)")) << Viewer().Lbl_elapsed_time->text().toStdString();
}

TEST_F(Viewer_at_work, TheLabelsFollowTheShownField)
{
    Open_locked_heat();
    Show_field(37);
    EXPECT_EQ(Label(Viewer().Lbl_frameno), "0037");
    EXPECT_EQ(Label(Viewer().Lbl_elapsed_time), " 00:00,75"); // frame 19, field 1: 760 - 10
    // The time behind counts from the reference; a field before it shows "---".
    Show_field(61);
    Viewer().Lbl_delta_time_Click();
    EXPECT_EQ(Label(Viewer().Lbl_delta_time), " 00:00,00");
    Show_field(65);
    EXPECT_EQ(Label(Viewer().Lbl_delta_time), " 00:00,08");
    Show_field(1); // 1.2 s before the reference
    EXPECT_EQ(Label(Viewer().Lbl_delta_time), "---");
}

TEST_F(Viewer_at_work, WhileTheCameraRunsStepsAndPlayDoNothingAndTheViewerSaysWhy)
{
    Open_locked_heat();
    QTest::keyClick(Viewer().Slider_play, Qt::Key_Right);
    const std::string shown = Label(Viewer().Lbl_frameno);
    EXPECT_TRUE(Viewer().Lbl_camera_running->isHidden());
    g_Capture_running = true;
    QTest::keyClick(Viewer().Slider_play, Qt::Key_Right);
    QCoreApplication::processEvents();
    EXPECT_EQ(Label(Viewer().Lbl_frameno), shown);
    EXPECT_FALSE(Viewer().Lbl_camera_running->isHidden());
    EXPECT_TRUE(Viewer().Lbl_camera_running->text().contains("Camera running"));
    QTest::mouseClick(Viewer().Cmd_play, Qt::LeftButton);
    EXPECT_EQ(Label(Viewer().Lbl_frameno), shown);
    EXPECT_TRUE(Viewer().Cmd_play->isEnabled());
    // Once the camera is stopped the next step goes and the line goes away.
    g_Capture_running = false;
    QTest::keyClick(Viewer().Slider_play, Qt::Key_Right);
    QCoreApplication::processEvents();
    EXPECT_NE(Label(Viewer().Lbl_frameno), shown);
    EXPECT_TRUE(Viewer().Lbl_camera_running->isHidden());
}

TEST_F(Viewer_at_work, CtrlStepsFourFieldsFromTheFirstStep)
{
    Open_locked_heat();
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::ControlModifier);
    QCoreApplication::sendEvent(Viewer().Slider_play, &right);
    EXPECT_EQ(Viewer().Slider_play->value(), 5);
    QKeyEvent plain(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(Viewer().Slider_play, &plain);
    EXPECT_EQ(Viewer().Slider_play->value(), 6);
}

TEST_F(Viewer_at_work, CtrlAndAPlaceNumberJumpToThatPlacesFinish)
{
    const std::string path = Open_locked_heat();
    platform::Set_key_down('S', true);
    Show_field(21);
    Press(1, 2);
    Show_field(31);
    Press(1, 1);
    platform::Set_key_down('S', false);
    Show_field(5);
    Viewer().Slider_play_KeyDown('2', 2);
    EXPECT_EQ(Viewer().Slider_play->value(), 31);
    EXPECT_EQ(Label(Viewer().Lbl_frameno), "0031");
    Viewer().Slider_play_KeyDown('1', 0); // without Ctrl nothing
    EXPECT_EQ(Viewer().Slider_play->value(), 31);
    // A place without a finish gives field 0, which the slider takes as its first.
    Viewer().Slider_play_KeyDown('3', 2);
    EXPECT_EQ(Viewer().Slider_play->value(), 1);
    EXPECT_EQ(Label(Viewer().Lbl_frameno), "0001");
}

// ---- Playing ----

TEST_F(Viewer_at_work, PlayingKeepsRealTimeWithoutSkippingALateFrame)
{
    Open_locked_heat(30);
    const int32_t start = clock.tick;
    std::vector<std::pair<int, int32_t>> shown; // slider value and tick when set
    QObject::connect(Viewer().Slider_play, &QSlider::valueChanged, [&](int v) {
        shown.emplace_back(v, clock.tick);
        if (v == 20) clock.tick += 300; // frame 10 takes long to draw
    });
    Viewer().Cmd_play_Click();
    // Every frame was shown, in order.
    std::vector<int> values;
    for (auto [v, t] : shown)
        if (values.empty() || v != values.back()) values.push_back(v);
    ASSERT_GE(values.size(), 30u);
    for (int i = 1; i <= 30; ++i) EXPECT_EQ(values[size_t(i - 1)], 2 * i);
    // Frame 25 is due 1000 ms after the start: frame 26 comes when that time is over.
    for (auto [v, t] : shown)
        if (v == 52) EXPECT_EQ(t - start, 1000 + 0);
    // Frames 10 to 16 were late and did not wait; the ones before waited a frame each.
    ASSERT_EQ(clock.sleeps.size(), 30u - 7u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(clock.sleeps[size_t(i)], 40);
    EXPECT_EQ(clock.sleeps[9], 680 - 660); // frame 17 is due at 680 ms
    EXPECT_TRUE(Viewer().Cmd_play->isEnabled());
}

TEST_F(Viewer_at_work, AKeyPressedWhilePlayingStopsItButCtrlOrAKeyHeldFromBeforeDoesNot)
{
    struct Case {
        const char* name;
        std::vector<int> held;    // down before Play
        std::vector<int> pressed; // go down as the first frame shows
        int last;                 // the slider's value when playing ends
    };
    const std::vector<Case> cases = {
        {"Shift pressed", {}, {platform::VK_SHIFT}, 2},
        {"Ctrl pressed", {}, {platform::VK_CONTROL}, 20},
        {"Ctrl and Shift pressed", {}, {platform::VK_CONTROL, platform::VK_SHIFT}, 2},
        {"a key pressed with Ctrl held", {platform::VK_CONTROL}, {'A'}, 2},
        {"Enter held from before", {platform::VK_RETURN}, {}, 20},
    };
    Open_locked_heat(10);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::Release_all_keys();
        Show_field(1);
        for (int key : c.held) platform::Set_key_down(key, true);
        const QMetaObject::Connection press = QObject::connect(Viewer().Slider_play, &QSlider::valueChanged, [&](int v) {
            if (v == 2)
                for (int key : c.pressed) platform::Set_key_down(key, true);
        });
        Viewer().Cmd_play_Click();
        QObject::disconnect(press);
        EXPECT_EQ(Viewer().Slider_play->value(), c.last);
        EXPECT_TRUE(Viewer().Cmd_play->isEnabled());
    }
}

// The start-up window goes while Enter is down: its release reaches no window of the program.
TEST_F(Viewer_at_work, EnterInTheStartUpWindowLeavesNoKeyHeldAndPlayRunsTheWholeHeat)
{
    platform::Install_key_event_filter();
    Heat_setup s;
    s.frames = 12;
    platform::App().command_line = Make_heat("Heat1.qs2", s);
    platform::Register_window_opener("Frm_kanot_2", [this] { Viewer().show(); });
    auto& startup = platform::Form_instance<Form_Wakeline_Full_Startup>();
    startup.show();
    QApplication::setActiveWindow(&startup);
    ASSERT_TRUE(QApplication::focusWidget());
    QTest::keyPress(QApplication::focusWidget(), Qt::Key_Return);
    platform::Register_window_opener("Frm_kanot_2", nullptr);
    ASSERT_FALSE(Is_Form_Loaded("Form_Wakeline_Full_Startup"));
    ASSERT_TRUE(g_Recording && g_Recording->File_open());
    EXPECT_FALSE(platform::Key_is_down(platform::VK_RETURN));
    QApplication::setActiveWindow(&Viewer());
    QTest::mouseClick(Viewer().Cmd_play, Qt::LeftButton);
    EXPECT_EQ(Viewer().Slider_play->value(), 24);
    EXPECT_TRUE(Viewer().Cmd_play->isEnabled());
}

TEST_F(Viewer_at_work, ClosingOrExitingDuringPlayEndsItCleanly)
{
    Open_locked_heat(10);
    QMetaObject::Connection c = QObject::connect(Viewer().Slider_play, &QSlider::valueChanged, [&](int v) {
        if (v == 6) Viewer().item_close_Click();
    });
    Viewer().Cmd_play_Click();
    QObject::disconnect(c);
    EXPECT_FALSE(g_Recording->File_open());
    EXPECT_TRUE(Viewer().Cmd_play->isEnabled());
    EXPECT_LE(clock.sleeps.size(), 3u);

    const std::string other = Make_heat("Heat2.qs2");
    ASSERT_TRUE(Open(other));
    c = QObject::connect(Viewer().Slider_play, &QSlider::valueChanged, [&](int v) {
        if (v == 4) g_Exiting = true;
    });
    clock.sleeps.clear();
    Viewer().Cmd_play_Click();
    QObject::disconnect(c);
    EXPECT_LE(clock.sleeps.size(), 1u);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Viewer_at_work, MarathonModeShowsTheFrameAgainstTheHeatStart)
{
    struct Marathon : Marathon_times {
        std::string start = "10:00:00";
        std::vector<std::string> shown;
        std::string Heat_start_text() override { return start; }
        void Show_frame_times(const std::string& f, const std::string& s, const std::string& e) override
        {
            shown = {f, s, e};
        }
    } marathon;
    Marathon_times_port() = &marathon;
    const fs::path path = home.path() / "Marathon.qs2";
    test::Make_qs2(path, 3, 1, [](test::DV_frame& f, int k, int) {
        test::Write_DV_extra_data(f, {.stamp_tick = 1000 + 40 * k, .local_time_ms = 10 * 3600000 + 65430 + 40 * k});
    });
    ASSERT_TRUE(Open(path.string()));
    Viewer().item_Marathon->setChecked(true);
    Show_field(4); // frame 2, field 2
    Marathon_times_port() = nullptr;
    ASSERT_EQ(marathon.shown.size(), 3u);
    EXPECT_EQ(marathon.shown[0], " 10:01:05,53");
    EXPECT_EQ(marathon.shown[1], "10:00:00");
    EXPECT_EQ(marathon.shown[2], " 01:05,53");
}

// ---- Finish clicking ----

TEST_F(Viewer_at_work, ALeftClickOnAnUnplacedLockedLaneChangesNothing)
{
    const std::string path = Open_locked_heat();
    Show_field(9);
    const std::string before = test::Read_file(path);
    Press(1, 2);
    EXPECT_EQ(Viewer().Slider_play->value(), 9);
    EXPECT_EQ(test::Read_file(path), before);
}

TEST_F(Viewer_at_work, SAndAClickStoresTheTimeAndShowsThePlace)
{
    const std::string path = Open_locked_heat();
    Show_field(24);
    platform::Set_key_down('S', true);
    Press(1, 3);
    platform::Set_key_down('S', false);
    EXPECT_EQ(Stored_time(path, 3), Race_time(24));
    EXPECT_EQ(Viewer().Results().Lane_To_Place(3), 1);
    EXPECT_EQ(Viewer().Slider_play->value(), 24);
    // The place label: white in the picture's lower right corner.
    int white = 0;
    for (int y = 461; y < 576; ++y)
        for (int x = 576; x < 700; ++x) white += Pixel(x, y) == platform::Rgb(255, 255, 255);
    EXPECT_GT(white, 100);

    // Later a left click on that lane from elsewhere jumps back to its finish.
    Show_field(3);
    Press(1, 3);
    EXPECT_EQ(Viewer().Slider_play->value(), 24);
    // A click 12.5 pixels beside the mark is no hit.
    Show_field(3);
    Press(1, 3, 13);
    EXPECT_EQ(Viewer().Slider_play->value(), 3);
}

// The header is written after the screen shows the place; a recording closed before that writes it.
TEST_F(Viewer_at_work, AResultNotYetWrittenIsWrittenWhenTheRecordingCloses)
{
    const std::string path = Open_locked_heat();
    Show_field(24);
    platform::Set_key_down('S', true);
    Press(1, 3);
    platform::Set_key_down('S', false);
    EXPECT_EQ(Viewer().Results().Lane_To_Place(3), 1);
    Viewer().item_close->trigger();
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Heat_time(1, 3), Race_time(24));
    QCoreApplication::processEvents(); // the queued write finds nothing left to do
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Viewer_at_work, TheResultMenuActsOnTheLaneItWasOpenedFor)
{
    const std::string path = Open_locked_heat();
    Viewer().Picture_large_MouseDown(2, 0, 700, 20); // nothing there
    EXPECT_FALSE(Viewer().menu_Result->isVisible());

    Show_field(30);
    Press(2, 4);
    EXPECT_TRUE(Viewer().menu_Result->isVisible());
    EXPECT_EQ(g_Hit_Lane_number, -1); // the release forgot the hit
    Viewer().item_set_did_not_finish->trigger();
    Viewer().menu_Result->hide();
    EXPECT_EQ(Stored_time(path, 4), Time_DNF);
    EXPECT_EQ(g_Recording->Heat_Goalfield(1, 4), 0);

    // A result already there is kept unless the operator agrees.
    Press(2, 4);
    dialogs.Expect_message("Override existing result?", platform::vbCancel);
    Viewer().item_set_time_plus->trigger();
    EXPECT_EQ(Stored_time(path, 4), Time_DNF);
    dialogs.Expect_message("Override existing result?", platform::vbOK);
    Viewer().item_set_time_plus->trigger();
    Viewer().menu_Result->hide();
    EXPECT_EQ(Stored_time(path, 4), Race_time(30) + 10);
    EXPECT_EQ(g_Recording->Heat_Goalfield(1, 4), 30);

    Press(2, 4);
    dialogs.Expect_message("Override existing result?", platform::vbOK);
    Viewer().item_clear_lane->trigger();
    Viewer().menu_Result->hide();
    EXPECT_EQ(Viewer().Results().Lane_To_Place(4), 0);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Viewer_at_work, AReadOnlyRecordingRefusesEveryResult)
{
    const std::string path = Open_locked_heat();
    g_Recording->Read_only(true);
    const std::string before = test::Read_file(path);
    Show_field(12);
    platform::Set_key_down('S', true);
    dialogs.Expect_message("File is read-only!");
    Press(1, 1);
    platform::Set_key_down('S', false);
    Press(2, 1);
    dialogs.Expect_message("File is read-only!");
    Viewer().item_set_disq->trigger();
    Viewer().menu_Result->hide();
    EXPECT_EQ(test::Read_file(path), before);
    EXPECT_EQ(Viewer().Results().Lane_To_Place(1), 0);
    EXPECT_TRUE(dialogs.All_used());
}

// ---- Zoom ----

TEST_F(Viewer_at_work, TheZoomMagnifiesAroundThePressAndStaysOnThePicture)
{
    Open_locked_heat();
    Viewer().item_zoom->trigger();
    ASSERT_TRUE(Viewer().Zoom_on());
    Viewer().Picture_large_MouseDown(1, 0, 40, 30);
    EXPECT_EQ(Viewer().Zoom_source(), QPoint(0, 0));
    EXPECT_EQ(Viewer().Zoom_box(), QRect(-110, -70, 300, 200));
    // On the box's edge the point is outside it.
    EXPECT_FALSE(Viewer().Within_Zoom(-110, 0));
    EXPECT_TRUE(Viewer().Within_Zoom(-109, 0));

    Viewer().Picture_large_MouseDown(1, 0, 715, 570);
    EXPECT_EQ(Viewer().Zoom_source(), QPoint(720 - 150, 576 - 100));
    Viewer().Picture_large_MouseDown(1, 0, 400, 300);
    EXPECT_EQ(Pixel(250, 300), platform::Rgb(255, 255, 16)); // the frame's left side
    EXPECT_EQ(Viewer().Zoom_source(), QPoint(325, 250));

    // Off again: no box, and the menu entry does nothing without a recording.
    Viewer().item_zoom->trigger();
    EXPECT_FALSE(Viewer().Zoom_on());
    Viewer().item_close_Click();
    Viewer().item_zoom->trigger();
    EXPECT_FALSE(Viewer().item_zoom->isChecked());
}

// ---- The whole road on a demo heat ----

TEST_F(Viewer_at_work, EveryLaneClickedAtItsPrintedFieldGetsItsPrintedTime)
{
    const std::string path = (home.path() / "DemoHeat1.qs2").string();
    const demo::Result demo_heat = demo::Make_demo_heat(path, {.lanes = 4});
    ASSERT_TRUE(Open(path));
    ASSERT_TRUE(g_Recording->Lanes_locked());
    platform::Set_key_down('S', true);
    for (const auto& c : demo_heat.crossings) {
        Show_field(2 * (c.frame - 1) + c.field);
        const Cls_lane& mark = *g_Lanes[size_t(c.lane - 1)];
        ASSERT_EQ(mark.Lane_number(), c.lane);
        Viewer().Picture_large_MouseDown(1, 0, float(mark.X()), float(mark.Y()));
        Viewer().Picture_large_MouseUp(1, 0, 0, 0);
    }
    platform::Set_key_down('S', false);
    Viewer().item_close_Click();
    ASSERT_TRUE(Open(path));
    for (size_t i = 0; i < demo_heat.crossings.size(); ++i) {
        const auto& c = demo_heat.crossings[i];
        EXPECT_EQ(g_Recording->Heat_time(1, c.lane), c.race_time) << "lane " << c.lane;
        EXPECT_EQ(Viewer().Results().Lane_To_Place(c.lane), int16_t(i + 1));
    }
    EXPECT_TRUE(reports.reports.empty());
}

} // namespace
} // namespace wk
