// The faults a crew meets on the road of a heat: an abort while the capture button is held, a
// stopped or failing camera, a heat made before the preview was ever opened, and slots chosen
// by a press anywhere in them.
#include "tests/capture/Capture_window_fixture.h"

#include "capture/Control_box_panel.h"
#include "recording/header/Cls_XML_header.h"
#include "tests/capture/Saved_lanes.h"

#include "platform/Qt_dialogs.h"
#include "tests/support/Failing_disk.h"
#include "tests/support/Folder_watch.h"

#include <QApplication>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <chrono>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::Capture_window_road;
using test::k_Head;

int64_t Frames_in(const std::string& path) { return (int64_t(fs::file_size(path)) - k_Head) / int64_t(k_DV_frame_size); }

// The program's own boxes on the screen for a while, in place of the script.
class Real_boxes {
public:
    explicit Real_boxes(test::Scripted_dialogs& script) : script_(script) { platform::Install_dialogs(&boxes_); }
    ~Real_boxes()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w)) box->close();
        platform::Install_dialogs(&script_);
    }

private:
    test::Scripted_dialogs& script_;
    platform::Qt_dialogs boxes_;
};

// The message box left open whose text holds part.
QMessageBox* Open_box(const std::string& part)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && box->text().contains(QString::fromStdString(part)))
            return box;
    return nullptr;
}

TEST_F(Capture_window_road, TheDiskFullNoticeStaysOpenWhileFramesComeAndAPressWithItOpenCaptures)
{
    window->show();
    const std::string path = Create(0, "D");
    window->Handle_Start_Event(0);
    Real_boxes boxes(dialogs);
    {
        test::Failing_disk disk;
        disk.No_space_in(path, k_Head + 3 * int64_t(k_DV_frame_size), INT64_MAX);
        QTest::mousePress(window->Command_Capture, Qt::LeftButton);
        ASSERT_TRUE(window->Capturing());
        // The capture stops by itself at a frame after the write that failed.
        // A frame at a time, with no pause: the capture ends at the first frame after the failure.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (window->Capturing() && std::chrono::steady_clock::now() < end) Frames(1);
        EXPECT_FALSE(window->Capturing());
    }
    QMessageBox* notice = Open_box("The disk is full: the capture stopped after 3 frames");
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // Space freed, the notice unread: frames still reach the window and a new press captures.
    QTest::mouseRelease(window->Command_Capture, Qt::LeftButton);
    const int32_t seen = window->Camera()->DV_events();
    QTest::mousePress(window->Command_Capture, Qt::LeftButton);
    EXPECT_TRUE(window->Capturing());
    Frames(5);
    QTest::mouseRelease(window->Command_Capture, Qt::LeftButton);
    EXPECT_FALSE(window->Capturing());
    EXPECT_EQ(window->Camera()->DV_events(), seen + 5);
    EXPECT_EQ(Frames_in(path), 8);
    EXPECT_EQ(Open_box("The disk is full"), notice);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Capture_window_road, TheAbortQuestionStaysOpenWhileTheHeldCaptureStoresAndItsButtonsAnswerIt)
{
    window->show();
    const std::string path = Create(0, "Q");
    window->Handle_Start_Event(0);
    Real_boxes boxes(dialogs);
    QTest::mousePress(window->Command_Capture, Qt::LeftButton);
    Frames(3);
    QTest::mouseClick(window->Slots[0].Command_abort, Qt::LeftButton);
    QMessageBox* question = Open_box("Aborting heat Q");
    ASSERT_NE(question, nullptr);
    // Open and unanswered: the heat and the capture go on, every frame stored.
    Frames(4);
    EXPECT_TRUE(window->Capturing());
    EXPECT_TRUE(test::Wait_for_change_in(fs::path(path).parent_path(), [&] { return Frames_in(path) == 7; }))
        << Frames_in(path);
    QTest::mouseClick(question->button(QMessageBox::Cancel), Qt::LeftButton);
    EXPECT_TRUE(window->Capturing());
    EXPECT_TRUE(window->Recorder().Slot(0).started);
    Frames(2);
    QTest::mouseClick(window->Slots[0].Command_abort, Qt::LeftButton);
    question = Open_box("Aborting heat Q");
    ASSERT_NE(question, nullptr);
    Frames(1);
    // OK ends the heat after what was captured.
    QTest::mouseClick(question->button(QMessageBox::Ok), Qt::LeftButton);
    EXPECT_FALSE(window->Capturing());
    EXPECT_FALSE(window->Recorder().Slot(0).started);
    EXPECT_EQ(Frames_in(path), 10);
    EXPECT_EQ(Header_start_tick(path), 0);
    Frames(3);
    QTest::mouseRelease(window->Command_Capture, Qt::LeftButton);
    EXPECT_EQ(Frames_in(path), 10);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Capture_window_road, PicturesLeftOutAreShownWhileTheyHappenAndStayInTheSlotsNote)
{
    window->show();
    Create(0, "L");
    QTest::mousePress(window->Command_Capture, Qt::LeftButton);
    EXPECT_TRUE(window->Label_capture_status->isHidden());
    Frames(2);
    clock.tick += 160; // the camera's server fell behind by four pictures
    Frames(1);
    EXPECT_FALSE(window->Label_capture_status->isHidden());
    EXPECT_EQ(window->Label_capture_status->text().toStdString(), "Camera 1 is behind: 4 pictures left out");
    QTest::mouseRelease(window->Command_Capture, Qt::LeftButton);
    QLabel* note = window->Slots[0].Label_note;
    EXPECT_FALSE(note->isHidden());
    EXPECT_TRUE(note->text().contains("4 pictures left out")) << note->text().toStdString();
    // The next capture starts with nothing said.
    QTest::mousePress(window->Command_Capture, Qt::LeftButton);
    EXPECT_TRUE(window->Label_capture_status->isHidden());
    QTest::mouseRelease(window->Command_Capture, Qt::LeftButton);
}

TEST_F(Capture_window_road, AnAbortWhileTheBoxHoldsTheCaptureEndsItAndTheAbortedHeatTakesNoMoreFrames)
{
    const std::string path = Create(0, "H");
    Settle_box();
    window->Handle_Start_Event(0);
    kit->Set_input(Control_box::Input_capture, true);
    Frames(7);
    dialogs.Expect_message("Aborting heat H", platform::vbOK);
    window->Handle_Abort(0);
    // The capture ended at the abort with what it had taken.
    EXPECT_FALSE(window->Capturing());
    EXPECT_EQ(Frames_in(path), 7);
    EXPECT_FALSE(window->Recorder().Slot(0).started);
    EXPECT_EQ(Header_start_tick(path), 0);
    Frames(20); // the button is still held: nothing is stored
    kit->Set_input(Control_box::Input_capture, false); // the release, late
    Frames(3);
    EXPECT_EQ(Frames_in(path), 7);
    cls_AVI_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    EXPECT_EQ(reader.num_frames(), 7);
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Capture_window_road, AnAbortThatIsCancelledLeavesTheCaptureRunningAndKeepsTheStart)
{
    const std::string path = Create(0, "K");
    window->Handle_Start_Event(0);
    const int32_t start = clock.tick;
    window->Handle_Capture_Start(0);
    Frames(4);
    dialogs.Expect_message("Aborting heat K", platform::vbCancel, [&] { Frames(3); });
    window->Handle_Abort(0);
    EXPECT_TRUE(window->Capturing());
    EXPECT_EQ(Header_start_tick(path), start);
    Frames(5);
    window->Handle_Capture_End(0);
    EXPECT_EQ(Frames_in(path), 12);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Capture_window_road, CapturingWithTheCameraStoppedSaysNoCameraIsRunning)
{
    const std::string path = Create(0, "S");
    window->Handle_Start_Event(0);
    window->item_stop_camera_Click();
    dialogs.Expect_message("No camera is running");
    window->Handle_Capture_Start(0);
    EXPECT_FALSE(window->Capturing());
    Frames(5);
    window->Handle_Capture_End(0);
    EXPECT_EQ(Frames_in(path), 0);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Capture_window_road, ACameraThatFailsAfterFiftyFramesOfAHeldCaptureIsReportedAndItsFramesAppended)
{
    const std::string path = Create(1, "F");
    window->Set_Active_heat(1);
    window->Handle_Start_Event(1);
    window->Handle_Capture_Start(1);
    Frames(50);
    dialogs.Expect_message("Camera stopped: The source failed: unplugged");
    Source_stops("The source failed: unplugged");
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_FALSE(window->Capturing());
    EXPECT_EQ(Frames_in(path), 50);
    cls_AVI_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    EXPECT_EQ(reader.num_frames(), 50);
    EXPECT_EQ(window->Recorder().Slot(1).camera_stopped, "The source failed: unplugged");
    EXPECT_TRUE(window->Slots[1].Frame_capture->title().contains("camera stopped"));
    EXPECT_TRUE(window->Recorder().Slot(0).camera_stopped.empty());
    EXPECT_FALSE(window->Camera()->Running());
    EXPECT_EQ(window->Camera()->Last_Error(), "The source failed: unplugged");
    EXPECT_FALSE(g_Capture_running);
    // A further press is refused as for a missing camera.
    dialogs.Expect_message("No camera is running");
    window->Handle_Capture_Start(1);
    EXPECT_FALSE(window->Capturing());
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Capture_window_road, AHeatMadeBeforeThePreviewWasOpenedCarriesTheSavedGoalLineLanesAndRotation)
{
    test::Write_saved_lanes();
    Write_Ini_Value("Canoe", "Rotate", "False", Ini_file_path);
    Write_Ini_Value("Canoe", "FlipLanes", "True", Ini_file_path);
    Write_Ini_Value("Canoe", "Lane_Zero", "True", Ini_file_path);
    g_Goal_line = {};
    g_Num_lanes = 0;
    g_Rotate = true;
    Reopen();
    const std::string path = Create(0, "G");
    cls_AVI_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    const Cls_XML_header& header = reader.Header();
    test::Expect_saved_lanes(header);
    EXPECT_FALSE(reader.rotated());
    EXPECT_TRUE(header.Lanes_flipped());
    EXPECT_TRUE(reader.Start_Lane_Zero());
}

TEST_F(Capture_window_road, APressAnywhereInASlotMakesItTheActiveHeat)
{
    window->show();
    ASSERT_EQ(window->Active_heat(), 0);
    QTest::mousePress(window->Slots[1].Text_Heat_ID, Qt::LeftButton);
    EXPECT_EQ(window->Active_heat(), 1);
    QTest::mousePress(window->Slots[2].Lbl_file_size, Qt::LeftButton);
    EXPECT_EQ(window->Active_heat(), 2);
    QTest::mousePress(window->Slots[0].Label_start_time, Qt::LeftButton);
    EXPECT_EQ(window->Active_heat(), 0);
    QTest::mousePress(window->Slots[1].Frame_capture, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(window->Active_heat(), 1);
    EXPECT_EQ(window->Slots[1].Lbl_file_name->text(), "File");
    EXPECT_EQ(window->Slots[1].Lbl_elapsed_time->text(), "Heat time");
}

TEST_F(Capture_window_road, TheBoxTestPanelNamesItsInputsByNumberAndKeepsItsLayoutAsTheyChange)
{
    window->show();
    window->item_test_control_box->trigger();
    Control_box_panel& panel = *window->Frame_Control_box;
    ASSERT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.Label_remote->text().contains("input 0"));
    EXPECT_TRUE(panel.Label_toggle[0]->text().contains("input 1"));
    EXPECT_TRUE(panel.Label_toggle[1]->text().contains("input 5"));
    Settle_box();
    QCoreApplication::processEvents();
    auto places = [&] {
        std::vector<QRect> rects;
        for (QWidget* w : panel.findChildren<QLabel*>()) rects.push_back(w->geometry());
        return rects;
    };
    const auto before = places();
    for (int32_t input : {Control_box::Input_arm, Control_box::Input_capture, Control_box::Input_start}) {
        kit->Set_input(input, true);
        QCoreApplication::processEvents();
        EXPECT_EQ(places(), before) << "input " << input;
    }
    EXPECT_FALSE(panel.Shape_on[0]->isHidden());
    EXPECT_FALSE(panel.Shape_on[1]->isHidden());
    EXPECT_TRUE(panel.Shape_off[1]->isHidden());
    EXPECT_FALSE(window->Capturing());
    kit->Set_input(Control_box::Input_capture, false);
}

TEST_F(Capture_window_road, ALongFileNameDoesNotWidenTheWindow)
{
    window->show();
    const int before = window->minimumSizeHint().width();
    window->Slots[0].Label_filename->setText(QString(400, QChar('x')));
    EXPECT_EQ(window->minimumSizeHint().width(), before);
}

} // namespace
} // namespace wk
