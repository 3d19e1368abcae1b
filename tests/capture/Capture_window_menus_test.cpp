// The capture window's menus, its preview painting and the settings it writes.
#include "capture/Control_box_panel.h"
#include "capture/Frm_fullscreen.h"
#include "capture/Frm_progress.h"
#include "platform/Folders.h"
#include "platform/Form_window.h"
#include "tests/capture/Capture_window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTest>

#include <cstdlib>

namespace wk {
namespace {

namespace fs = std::filesystem;

class Capture_window_menus : public test::Capture_window_road {
protected:
    ~Capture_window_menus() override
    {
        if (auto* preview = platform::Form_if_loaded<Frm_fullscreen>()) preview->Unload_form();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        g_Run_mode = 0;
        g_Timing_correction = 0;
    }
};

TEST_F(Capture_window_menus, ThePreviewIsPaintedOnEverySecondNotice)
{
    Frames(4);
    EXPECT_EQ(window->Previews_painted(), 0); // hidden: nothing painted, nothing counted
    window->item_preview->setChecked(true);
    window->item_preview_Click();
    ASSERT_TRUE(platform::Form_if_loaded<Frm_fullscreen>());
    EXPECT_EQ(g_Run_mode, 1);
    std::vector<int32_t> painted;
    for (int notice = 1; notice <= 6; ++notice) {
        Frames(1);
        painted.push_back(window->Previews_painted());
    }
    EXPECT_EQ(painted, (std::vector<int32_t>{0, 1, 1, 2, 2, 3}));
    window->item_preview->setChecked(false);
    window->item_preview_Click();
    EXPECT_EQ(g_Run_mode, 0);
    Frames(2);
    EXPECT_EQ(window->Previews_painted(), 3);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Capture_window_menus, TheFolderChoiceStartsInTheCaptureFolderOrAtHome)
{
    struct Case {
        const char* name;
        std::string folder; // the capture folder before the click
        bool at_home;
    };
    const std::string kept = (home.path() / "heats").string();
    fs::create_directories(kept);
    const std::vector<Case> cases = {{"an existing folder", kept, false},
                                     {"none set", "", true},
                                     {"not set, as the settings say", "N/A", true},
                                     {"gone since", (home.path() / "gone").string(), true}};
    window->show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_Capture_folder = c.folder;
        dialogs.Expect_folder(std::nullopt);
        QTest::mouseClick(window->Lbl_capture_folder, Qt::LeftButton);
        ASSERT_FALSE(dialogs.folders_started.empty());
        EXPECT_EQ(dialogs.folders_started.back(), c.at_home ? platform::Home_folder().string() : c.folder);
    }
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Capture_window_menus, ACancelledFolderChoiceChangesNothing)
{
    const std::string before = g_Capture_folder;
    dialogs.Expect_folder(std::nullopt);
    window->Lbl_capture_folder_Click();
    dialogs.Expect_folder(std::string());
    window->Lbl_capture_folder_Click();
    EXPECT_EQ(g_Capture_folder, before);
    EXPECT_EQ(Read_Ini_Value("canoe", "save_folder1", Ini_file_path, ""), before);
    // A real choice is taken and stored.
    const auto other = (home.path() / "other").string();
    dialogs.Expect_folder(other);
    window->Lbl_capture_folder_Click();
    EXPECT_EQ(g_Capture_folder, other);
    EXPECT_EQ(window->Lbl_capture_folder->text().toStdString(), other);
    EXPECT_EQ(Read_Ini_Value("canoe", "save_folder1", Ini_file_path, ""), other);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Capture_window_menus, TimingCorrectionKeepsItsValueOnCancelOrANonNumber)
{
    g_Timing_correction = 12;
    dialogs.Expect_input("timing correction", std::nullopt);
    window->item_timing_correction_Click();
    dialogs.Expect_input("timing correction", std::string("abc"));
    window->item_timing_correction_Click();
    dialogs.Expect_input("timing correction", std::string("15x"));
    window->item_timing_correction_Click();
    EXPECT_EQ(g_Timing_correction, 12);
    EXPECT_EQ(Read_Ini_Value("Settings", "timingcorrection", Ini_file_path, "none"), "none");
    dialogs.Expect_input("timing correction", std::string(" -40 "));
    window->item_timing_correction_Click();
    EXPECT_EQ(g_Timing_correction, -40);
    EXPECT_EQ(Read_Ini_Value("Settings", "timingcorrection", Ini_file_path, "none"), "-40");
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Capture_window_menus, EscapeAbortsTheActiveHeatWhileTheCaptureButtonIsHeld)
{
    window->show();
    const std::string path = Create(0, "E");
    window->Handle_Start_Event(0);
    ASSERT_TRUE(window->Recorder().Slot(0).started);
    emit window->Command_Capture->pressed();
    ASSERT_TRUE(window->Capturing());
    Frames(2);
    dialogs.Expect_message("Aborting heat E", platform::vbOK);
    // The window's Escape key, which works whichever control has the focus.
    QShortcut* escape = nullptr;
    for (auto* s : window->findChildren<QShortcut*>())
        if (s->key() == QKeySequence(Qt::Key_Escape)) escape = s;
    ASSERT_NE(escape, nullptr);
    EXPECT_EQ(escape->context(), Qt::WindowShortcut);
    emit escape->activated();
    EXPECT_FALSE(window->Recorder().Slot(0).started);
    EXPECT_EQ(Header_start_tick(path), 0);
    emit window->Command_Capture->released();
    EXPECT_FALSE(window->Capturing());
    EXPECT_TRUE(dialogs.All_used());
}

// The keyboard's box: F8 held is the capture input; Escape asks to abort; the question's answer.
TEST_F(Capture_window_menus, EscapeThenCancelWithTheCaptureKeyHeldLosesNothingAndOkEndsItForGood)
{
    setenv("WK_CONTROL_BOX", "keyboard", 1);
    setup.Make_kit = {};
    Reopen();
    unsetenv("WK_CONTROL_BOX");
    window->show();
    QApplication::setActiveWindow(window.get());
    clock.tick += Control_box::k_Dead_time_ms;
    const std::string path = Create(0, "K");
    QTest::mouseClick(window->Slots[0].Command_start, Qt::LeftButton);
    ASSERT_TRUE(window->Recorder().Slot(0).started);
    QTest::keyPress(window.get(), Qt::Key_F8);
    ASSERT_TRUE(window->Capturing());
    Frames(3);
    // While the question is open the capture goes on and its frames are stored.
    dialogs.Expect_message("Aborting heat K", platform::vbCancel, [&] {
        EXPECT_TRUE(window->Capturing());
        Frames(2);
    });
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(dialogs.All_used());
    // F8 is still down: the heat goes on capturing, nothing lost.
    EXPECT_TRUE(window->Capturing());
    EXPECT_TRUE(window->Recorder().Slot(0).started);
    EXPECT_TRUE(window->Slots[0].Label_note->isHidden());
    Frames(2);
    QTest::keyRelease(window.get(), Qt::Key_F8);
    EXPECT_FALSE(window->Capturing());
    EXPECT_EQ(int64_t(fs::file_size(path)), test::k_Head + 7 * int64_t(k_DV_frame_size));
    // Held again, then Escape and OK: the capture ends there and the aborted heat takes no more.
    QTest::keyPress(window.get(), Qt::Key_F8);
    ASSERT_TRUE(window->Capturing());
    Frames(2);
    dialogs.Expect_message("Aborting heat K", platform::vbOK);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_FALSE(window->Capturing());
    EXPECT_FALSE(window->Recorder().Slot(0).started);
    Frames(3);
    QTest::keyRelease(window.get(), Qt::Key_F8);
    EXPECT_FALSE(window->Capturing());
    EXPECT_EQ(int64_t(fs::file_size(path)), test::k_Head + 9 * int64_t(k_DV_frame_size));
    EXPECT_EQ(Header_start_tick(path), 0);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Capture_window_menus, TheSpecialsMenuIsHiddenAndMarathonUnloadUnchecksItsItem)
{
    EXPECT_FALSE(window->menu_specials->menuAction()->isVisible());
    window->item_Marathon->setChecked(true);
    window->Marathon_Unloaded();
    EXPECT_FALSE(window->item_Marathon->isChecked());
}

TEST(Frm_progress, TakesOnlyPercentsWithinItsBarAndCentresTheBar)
{
    Frm_progress progress;
    progress.Set_Caption("Appending frames");
    EXPECT_EQ(progress.Caption(), "Appending frames");
    progress.Set_Percent(40);
    progress.Set_Percent(101);
    progress.Set_Percent(-1);
    EXPECT_EQ(progress.Percent(), 40);
    progress.resize(400, 80);
    progress.show();
    auto* bar = progress.findChild<QWidget*>("ProgressBar1");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->width(), 360);
    EXPECT_EQ(bar->x(), 20);
}

TEST_F(Capture_window_menus, RestartingTheCameraMakesANewOneThatReachesTheWindow)
{
    cls_Capture* first = window->Camera();
    ASSERT_NE(first, nullptr);
    window->item_restart_camera->trigger();
    ASSERT_NE(window->Camera(), nullptr);
    EXPECT_NE(window->Camera(), first);
    EXPECT_EQ(g_Capture.get(), window->Camera());
    // The new camera's frames are stored for a capture.
    const std::string path = Create(0, "R");
    window->Handle_Capture_Start(0);
    Frames(2);
    window->Handle_Capture_End(0);
    EXPECT_EQ(int64_t(fs::file_size(path)), test::k_Head + 2 * int64_t(k_DV_frame_size));
}

TEST_F(Capture_window_menus, MinimisingHidesTheMarathonWindowWhileItsEntryIsChecked)
{
    platform::Form_window marathon("Form_Wakeline_marathon");
    marathon.show();
    window->show();
    window->showMinimized();
    EXPECT_TRUE(marathon.isVisible()); // entry unchecked: left alone
    window->showNormal();
    window->item_Marathon->setChecked(true);
    window->showMinimized();
    EXPECT_FALSE(marathon.isVisible());
    window->showNormal();
    EXPECT_TRUE(marathon.isVisible());
}

TEST_F(Capture_window_menus, TheTestPanelMirrorsTheBoxAndStartsNothing)
{
    window->item_test_control_box->setChecked(true);
    window->item_test_control_box_Click();
    Control_box_panel& panel = *window->Frame_Control_box;
    ASSERT_FALSE(panel.isHidden());
    // Shown before any box attached: the second version's layout, for good.
    EXPECT_EQ(panel.Label_cb_version->text(), "Control Box V2");
    EXPECT_EQ(panel.Label_attached->text(), "Box not attached");
    EXPECT_TRUE(panel.Shape_Button[1]->isHidden());
    Settle_box();
    kit->Set_input(Control_box::Input_capture, true);
    EXPECT_FALSE(window->Capturing());
    EXPECT_FALSE(panel.Shape_on[1]->isHidden());
    EXPECT_TRUE(panel.Shape_off[1]->isHidden());
    kit->Set_input(Control_box::Input_start_button, true);
    EXPECT_TRUE(panel.Shape_Button[0]->styleSheet().contains("FF0000"));
    EXPECT_EQ(panel.Label_attached->text(), "Box attached");
    EXPECT_EQ(panel.Label_serial->text(), "Serial: 77");
    EXPECT_EQ(panel.Label_cb_version->text(), "Control Box V2");
    // Back to normal: input 5 captures again.
    window->item_test_control_box->setChecked(false);
    window->item_test_control_box_Click();
    EXPECT_TRUE(panel.isHidden());
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_TRUE(dialogs.shown.empty());
}

} // namespace
} // namespace wk
