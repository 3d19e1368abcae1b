// The road of a heat through the capture window, from creating its recording to the appended
// frames.
#include "tests/capture/Capture_window_fixture.h"

#include "platform/Forms.h"
#include "services/Marathon_listener.h"
#include "services/Module_utilities.h"
#include "tests/support/Fake_screen_saver.h"
#include "tests/support/Real_input.h"

#include <memory>

#include <QAction>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::Capture_window_road;
using test::k_Head;

TEST_F(Capture_window_road, AHeatStartedAndCapturedFromTheBoxEndsInItsRecording)
{
    const std::string path = Create(0, "7");
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(int64_t(fs::file_size(path)), k_Head);
    Settle_box();
    Frames(2);
    kit->Set_input(Control_box::Input_arm, true);
    kit->Set_input(Control_box::Input_start, true);
    const int32_t start = clock.tick;
    ASSERT_TRUE(window->Recorder().Slot(0).started);
    EXPECT_EQ(window->Recorder().Slot(0).start_tick, start);
    kit->Set_input(Control_box::Input_capture, true);
    EXPECT_TRUE(window->Capturing());
    Frames(10);
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_FALSE(window->Capturing());
    Frames(3); // frames after the release are not stored

    EXPECT_EQ(int64_t(fs::file_size(path)), k_Head + 10 * int64_t(k_DV_frame_size));
    cls_AVI_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    EXPECT_EQ(reader.num_frames(), 10);
    EXPECT_EQ(reader.num_Calculated_frames(), 10);
    EXPECT_EQ(reader.Start_PC_Mill_time(1), start);
    int32_t last_tick = INT32_MIN;
    for (int32_t f = 1; f <= 10; ++f) {
        ASSERT_TRUE(reader.Read_Frame(f));
        const auto bytes = reader.Frame_bytes();
        EXPECT_EQ(test::Frame_number(bytes.data()), 2 + f);
        const auto record = Capture_record::From_bytes(bytes.subspan(12000));
        EXPECT_GE(record.frame_tick, last_tick) << f;
        last_tick = record.frame_tick;
        EXPECT_EQ(record.heat_start, start) << f;
        // Frames came 40 ms apart from the start on; the viewer times a frame 10 ms before its
        // tick (the middle of its first field).
        reader.Let_Field_To_Show(1);
        EXPECT_EQ(reader.Multi_TimeStamp(1), 40 * f - 10) << f;
    }
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Capture_window_road, RecordingNamesStayInTheCaptureFolder)
{
    g_Event_name = "Ev/../x";
    const std::string path = Create(0, "a-b,c");
    EXPECT_EQ(path, (folder / "Ev___xHeata_b_c 2026_12_08.qs2").string());
    EXPECT_TRUE(fs::exists(path));
    window->Clear_Heat(0);
    g_Event_name = "Regatta";
    EXPECT_EQ(Create(0, "..\\..\\up"), (folder / "RegattaHeat____up 2026_12_08.qs2").string());
}

TEST_F(Capture_window_road, ASecondCreateUnderTheSameNameIsRefusedAndTheCameraGoesOn)
{
    const std::string path = Create(0, "3");
    window->Clear_Heat(0);
    dialogs.Expect_message("File already exists!");
    EXPECT_EQ(Create(0, "3"), path);
    EXPECT_FALSE(window->Recorder().Slot(0).initiated);
    const int32_t before = window->Camera()->DV_events();
    Frames(3);
    EXPECT_EQ(window->Camera()->DV_events(), before + 3);
    EXPECT_FALSE(g_Emergency_stop);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Capture_window_road, AStartOnlyCountsOnceItIsInTheRecording)
{
    const std::string path = Create(1, "9");
    fs::remove(path);
    dialogs.Expect_message("Can't find file!");
    window->Handle_Start_Event(1);
    EXPECT_FALSE(window->Recorder().Slot(1).started);
    // A recording that already carries a start is not started again.
    window->Clear_Heat(1);
    const std::string again = Create(1, "9");
    window->Handle_Start_Event(1);
    ASSERT_TRUE(window->Recorder().Slot(1).started);
    dialogs.Expect_message("(m1)");
    window->Handle_Start_Event(1);
    window->Clear_Heat(1);
    window->Recorder().Slot(1).initiated = true; // the same recording, taken up again
    dialogs.Expect_message("(m2)");
    window->Handle_Start_Event(1);
    EXPECT_FALSE(window->Recorder().Slot(1).started);
    EXPECT_FALSE(g_Emergency_stop);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Capture_window_road, ASlotTakesANewRecordingOnlyAfterFinishAndMarathonHeatsAreNotStartedHere)
{
    Create(0, "M1");
    dialogs.Expect_message("File already initated");
    Create(0, "M2");
    window->Clear_Heat(0);
    const std::string second = Create(0, "M2");
    EXPECT_NE(second.find("HeatM2"), std::string::npos);
    EXPECT_TRUE(window->Recorder().Slot(0).initiated);
    window->item_Marathon->setChecked(true);
    dialogs.Expect_message("Marathon heats are started on the Marathon form!");
    window->Handle_Start_Event(0);
    EXPECT_FALSE(window->Recorder().Slot(0).started);
    EXPECT_EQ(Header_start_tick(second), 0);
    window->item_Marathon->setChecked(false);
    EXPECT_TRUE(dialogs.All_used());
}

// Through the menu bar: the marathon windows take the results window's place, and once the
// marathon window has closed the capture window starts heats again.
TEST_F(Capture_window_road, TheMarathonEntryHidesTheResultsWindowAndTheMarathonsCloseClearsIt)
{
    window->show();
    platform::Form_window results("Frm_results");
    results.show();
    std::unique_ptr<platform::Form_window> marathon;
    platform::Register_window_opener("Form_Wakeline_marathon", [&] {
        marathon = std::make_unique<platform::Form_window>("Form_Wakeline_marathon");
        marathon->show();
    });
    ASSERT_TRUE(test::Choose(window->menu_bar, window->item_Marathon));
    ASSERT_TRUE(window->item_Marathon->isChecked());
    ASSERT_NE(marathon, nullptr);
    EXPECT_FALSE(results.isVisible());

    const std::string path = Create(0, "M1");
    dialogs.Expect_message("Marathon heats are started on the Marathon form!");
    window->Handle_Start_Event(0);
    EXPECT_FALSE(window->Recorder().Slot(0).started);
    // The marathon window's unload tells every window that listens.
    Tell_Marathon_Unloaded();
    EXPECT_FALSE(window->item_Marathon->isChecked());
    window->Handle_Start_Event(0);
    EXPECT_TRUE(window->Recorder().Slot(0).started);
    EXPECT_NE(Header_start_tick(path), 0);
    EXPECT_TRUE(dialogs.All_used());
    platform::Register_window_opener("Form_Wakeline_marathon", nullptr);
}

TEST_F(Capture_window_road, AbortClearsOnlyItsOwnSlotsStart)
{
    const std::string a = Create(0, "A1"), b = Create(1, "B1");
    window->Handle_Start_Event(0);
    clock.tick += 500;
    window->Handle_Start_Event(1);
    const int32_t b_start = clock.tick;
    window->Handle_Capture_Start(1);
    Frames(4);
    window->Handle_Capture_End(1);
    dialogs.Expect_message("Aborting heat A1", platform::vbOK);
    window->Handle_Abort(0);
    EXPECT_EQ(Header_start_tick(a), 0);
    EXPECT_EQ(Header_start_tick(b), b_start);
    EXPECT_FALSE(window->Recorder().Slot(0).started);
    EXPECT_TRUE(window->Recorder().Slot(1).started);
    EXPECT_EQ(window->Slots[0].Label_heat_time->text(), "Aborted");
    // Cancel keeps the start.
    dialogs.Expect_message("Aborting heat B1", platform::vbCancel);
    window->Handle_Abort(1);
    EXPECT_EQ(Header_start_tick(b), b_start);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Capture_window_road, ADetachDuringACaptureAppendsWhatWasTaken)
{
    const std::string path = Create(0, "5");
    Settle_box();
    kit->Set_input(Control_box::Input_capture, true);
    Frames(6);
    kit->Detach();
    EXPECT_FALSE(window->Capturing());
    EXPECT_EQ(int64_t(fs::file_size(path)), k_Head + 6 * int64_t(k_DV_frame_size));
}

TEST_F(Capture_window_road, ClosingTheWindowDuringACaptureAppendsWhatWasTaken)
{
    const std::string path = Create(1, "U");
    window->Set_Active_heat(1);
    window->Handle_Capture_Start(1);
    Frames(5);
    window->Unload_form();
    EXPECT_EQ(int64_t(fs::file_size(path)), k_Head + 5 * int64_t(k_DV_frame_size));
}

TEST_F(Capture_window_road, CapturingWithoutARecordingSaysSoAndStoresNothing)
{
    dialogs.Expect_message("No file initiated!");
    window->Handle_Capture_Start(2);
    EXPECT_FALSE(window->Capturing());
    dialogs.Expect_message("file not initiated!");
    window->Handle_Capture_End(2);
    EXPECT_EQ(window->Camera()->Buff_num(), 0);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Capture_window_road, AShortenedRecordingIsReportedAfterTheNextAppend)
{
    const std::string path = Create(0, "T");
    window->Handle_Capture_Start(0);
    Frames(3);
    window->Handle_Capture_End(0);
    // Someone cuts the file inside its last frame.
    fs::resize_file(path, uintmax_t(k_Head + 2 * int64_t(k_DV_frame_size) + 5000));
    dialogs.Expect_message("counts");
    window->Handle_Capture_Start(0);
    Frames(2);
    window->Handle_Capture_End(0);
    EXPECT_TRUE(dialogs.All_used()) << (dialogs.shown.empty() ? "" : dialogs.shown.back());
}

TEST_F(Capture_window_road, HeatClocksRunAcrossTheTickWrapEverySeventhFrame)
{
    Create(2, "W");
    clock.tick = INT32_MAX - 100;
    window->Handle_Start_Event(2);
    ASSERT_TRUE(window->Recorder().Slot(2).started);
    const QString at_start = window->Slots[2].Label_heat_time->text();
    Frames(6);
    EXPECT_EQ(window->Slots[2].Label_heat_time->text(), at_start); // not yet refreshed
    Frames(1);
    // 7 frames of 40 ms, across the change of sign of the tick.
    EXPECT_EQ(window->Slots[2].Label_heat_time->text().toStdString(), Display_Mill_Time(280, false));
    EXPECT_TRUE(window->Slots[0].Label_heat_time->text().isEmpty());
}

class Capture_window_capped : public Capture_window_road {
protected:
    Capture_window_capped() : Capture_window_road(3) {}
};

TEST_F(Capture_window_capped, ACaptureThatReachesItsCapIsAppendedAndStops)
{
    const std::string path = Create(0, "C");
    window->Handle_Capture_Start(0);
    Frames(5);
    EXPECT_FALSE(window->Capturing());
    EXPECT_EQ(int64_t(fs::file_size(path)), k_Head + 3 * int64_t(k_DV_frame_size));
    EXPECT_EQ(window->Camera()->Buff_num(), 0);
    // The button's release afterwards appends nothing more.
    window->Handle_Capture_End(0);
    EXPECT_EQ(int64_t(fs::file_size(path)), k_Head + 3 * int64_t(k_DV_frame_size));
}

TEST_F(Capture_window_road, TheEventNameIsStoredWhenItsEditEnds)
{
    window->Text_Event_name->setText("Nationals");
    emit window->Text_Event_name->editingFinished();
    EXPECT_EQ(g_Event_name, "Nationals");
    EXPECT_EQ(Read_Ini_Value("Canoe", "event_name", Ini_file_path, ""), "Nationals");
    EXPECT_NE(Create(0, "1").find("NationalsHeat1"), std::string::npos);
}

TEST_F(Capture_window_road, WithoutACameraHeatsAreStillCreatedStartedAndAborted)
{
    window.reset();
    g_Capture.reset();
    Capture_window_setup setup;
    setup.Count_cameras = [] { return int16_t(0); };
    setup.Make_camera = []() -> std::shared_ptr<cls_Capture> {
        ADD_FAILURE() << "no camera may be made";
        return nullptr;
    };
    setup.Make_kit = [] { return std::make_unique<Simulated_interface_kit>(); };
    dialogs.Expect_message("No camera found!");
    window = std::make_unique<Form_capture_multi_file>(setup);
    EXPECT_EQ(window->Camera(), nullptr);
    const std::string path = Create(0, "N");
    window->Handle_Start_Event(0);
    EXPECT_TRUE(window->Recorder().Slot(0).started);
    EXPECT_NE(Header_start_tick(path), 0);
    dialogs.Expect_message("No camera is running");
    window->Handle_Capture_Start(0);
    EXPECT_FALSE(window->Capturing());
    dialogs.Expect_message("Aborting heat N", platform::vbOK);
    window->Handle_Abort(0);
    EXPECT_EQ(Header_start_tick(path), 0);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Capture_window_road, FileSizesShowInTenthsOfAMegabyte)
{
    const std::string path = Create(0, "S");
    EXPECT_EQ(window->Slots[0].Label_file_size->text(), "0.1mb");
    window->Handle_Capture_Start(0);
    Frames(8);
    window->Handle_Capture_End(0);
    // 100005 + 8 x 144000 bytes = 1.19 MB.
    EXPECT_EQ(window->Slots[0].Label_file_size->text(), "1.2mb");
    EXPECT_EQ(window->Slots[2].Label_file_size->text(), "0 mb");
}

// The screen stays awake while the capture window is shown: one inhibit, shared with the viewer's
// hold, let go when the last holder goes.
TEST_F(Capture_window_road, TheScreenStaysAwakeWhileTheWindowIsShownAndTheViewerSharesTheHold)
{
    test::Fake_screen_saver saver;
    platform::Install_screen_saver_service(&saver);
    window->show();
    EXPECT_EQ(saver.inhibits, 1);
    EXPECT_TRUE(platform::Screen_awake_held());
    window->hide();
    EXPECT_EQ(saver.released, std::vector<uint32_t>{41});
    EXPECT_FALSE(platform::Screen_awake_held());

    window->show();
    int viewer = 0;
    platform::Hold_screen_awake(&viewer, true);
    EXPECT_EQ(saver.inhibits, 2);
    window->hide();
    EXPECT_TRUE(platform::Screen_awake_held()); // the viewer still holds it
    platform::Hold_screen_awake(&viewer, false);
    EXPECT_EQ(saver.released, (std::vector<uint32_t>{41, 42}));
    platform::Install_screen_saver_service(nullptr);
}

} // namespace
} // namespace wk
