// The road of a heat without any window: camera frames fed by hand with their stamps, the
// simulated control box and a clock moved by hand; a camera of the capture server that fails by
// itself after fifty frames.
#include "capture/Heat_recorder.h"
#include "capture/Simulated_interface_kit.h"
#include "capture/cls_Capture.h"
#include "comlite/Server_entry_points.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "tests/capture/Saved_lanes.h"
#include "tests/capture/cls_Capture_test_support.h"
#include "tests/comlite/Com_test_home.h"
#include "tests/support/Failing_disk.h"
#include "tests/support/Folder_watch.h"
#include "tests/support/Small_tmpfs.h"
#include "tests/support/Test_support.h"

#include <dlfcn.h>
#include <sys/mount.h>

#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>

namespace wk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int64_t k_Head = cls_AVI_handler::k_Own_data_offset;

int64_t Frames_in(const std::string& path) { return (int64_t(fs::file_size(path)) - k_Head) / int64_t(k_DV_frame_size); }

// What a window would show: how often the state changed, the last append progress and the frames
// it was told of; notices go to the dialogs as the window's would. The abort question stays open
// until the test answers it.
class Counting_view final : public Heat_recorder_view {
public:
    void Heat_changed() override { ++changes; }
    void Append_progress(int32_t percent) override { progress.push_back(percent); }
    void Beep() override { ++beeps; }
    void Notice(const std::string& text) override { platform::Notice_box(text); }
    void Ask_abort(int16_t, const std::string& question) override { questions.push_back(question); }
    void Pictures_left_out(int32_t count) override { left_out = count; }
    void Frame_taken() override
    {
        ++frames;
        if (on_frame) on_frame();
    }
    std::function<void()> on_frame;
    int changes = 0, beeps = 0, frames = 0;
    int32_t left_out = -1;
    std::vector<int32_t> progress;
    std::vector<std::string> questions;
};

// The frame numbers from to to.
std::vector<int32_t> Numbers(int32_t from, int32_t to)
{
    std::vector<int32_t> numbers(size_t(to - from + 1));
    std::iota(numbers.begin(), numbers.end(), from);
    return numbers;
}

// A camera on a server the test feeds, the simulated box past its dead time, and three slots.
class Heat_recorder_road : public ::testing::Test {
protected:
    Heat_recorder_road()
    {
        fs::create_directories(home.App_data());
        folder = (home.path() / "captures").string();
        fs::create_directories(folder);
        camera->Event_Target(cls_Capture::Target_window);
        camera->Set_Video_Source(1, false);
        camera->MaxFrames(1);
        camera->Capture_Run();
        recorder.Camera(camera);
        box.Loaded();
        kit->Attach(77);
        clock.tick += Control_box::k_Dead_time_ms;
    }
    ~Heat_recorder_road() override
    {
        camera->Shutdown();
        g_Emergency_stop = false;
        p_Phidget_Attached = false;
    }
    // Creates slot's recording for the heat; its path.
    std::string Create(int16_t slot, const std::string& heat_id)
    {
        const std::string path = folder + "/Heat" + heat_id + ".qs2";
        EXPECT_TRUE(recorder.New_file(slot, folder, heat_id, path));
        return path;
    }
    // n camera frames, 40 ms apart, each stamped with the tick it reached the server.
    void Frames(int n)
    {
        for (int k = 0; k < n; ++k) {
            clock.tick = platform::Tick_add(clock.tick, 40);
            server.Deliver(test::Numbered_frame(next_frame++));
        }
    }
    // Frames one by one until the capture stops by itself, as it does at the first frame after a
    // write of its recording failed; false when it still goes on once hang is over.
    bool Feed_until_stopped(std::chrono::milliseconds hang = 60s)
    {
        const auto end = std::chrono::steady_clock::now() + hang;
        while (recorder.Capturing()) {
            if (std::chrono::steady_clock::now() > end) return false;
            Frames(1);
        }
        return true;
    }
    // A frame the camera took at tick, delivered now.
    void Frame_taken_at(int32_t tick)
    {
        server.properties["sampletick"] = std::to_string(tick);
        server.Deliver(test::Numbered_frame(next_frame++));
        server.properties.erase("sampletick");
    }
    void Start_by_box()
    {
        kit->Set_input(Control_box::Input_arm, true);
        kit->Set_input(Control_box::Input_start, !kit->Input_state(Control_box::Input_start));
        kit->Set_input(Control_box::Input_arm, false);
    }
    int32_t Header_start_tick(const std::string& path)
    {
        cls_AVI_handler reader;
        EXPECT_TRUE(reader.Open_File(path));
        return reader.Start_PC_Mill_time(1);
    }
    // The numbers Numbered_frame wrote into the recording's frames.
    std::vector<int32_t> Frame_numbers(const std::string& path)
    {
        cls_AVI_handler reader;
        EXPECT_TRUE(reader.Open_File(path));
        std::vector<int32_t> numbers;
        for (int32_t f = 1; f <= reader.num_frames(); ++f) {
            EXPECT_TRUE(reader.Read_Frame(f));
            numbers.push_back(test::Frame_number(reader.Frame_bytes().data()));
        }
        return numbers;
    }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    test::Quiet_server server;
    std::string folder;
    Counting_view view;
    Heat_recorder recorder{view, 7500};
    std::shared_ptr<cls_Capture> camera = std::make_shared<cls_Capture>(com::Com_ptr<IVideoCap>(&server));
    Simulated_interface_kit* kit = new Simulated_interface_kit;
    Control_box box{recorder, std::unique_ptr<Interface_kit>(kit)};
    int32_t next_frame = 1;
};

TEST_F(Heat_recorder_road, ABoxCaptureKeepsTheFramesOfItsPressToItsReleaseStampedWithTheStart)
{
    const std::string path = Create(0, "1");
    Frames(2);
    Start_by_box();
    const int32_t start = clock.tick;
    ASSERT_TRUE(recorder.Slot(0).started);
    EXPECT_EQ(Header_start_tick(path), start);
    kit->Set_input(Control_box::Input_capture, true);
    ASSERT_TRUE(recorder.Capturing());
    Frames(6);
    kit->Set_input(Control_box::Input_capture, false);
    Frames(4);
    EXPECT_FALSE(recorder.Capturing());
    EXPECT_EQ(Frame_numbers(path), (std::vector<int32_t>{3, 4, 5, 6, 7, 8}));
    cls_AVI_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    ASSERT_TRUE(reader.Read_Frame(1));
    const auto record = Capture_record::From_bytes(reader.Frame_bytes().subspan(12000));
    EXPECT_EQ(record.heat_start, start);
    EXPECT_EQ(record.frame_tick, start + 40);
    // The window was told the append's progress, from its beginning to its end.
    ASSERT_FALSE(view.progress.empty());
    EXPECT_EQ(view.progress.front(), 0);
    EXPECT_EQ(view.progress[view.progress.size() - 2], 100);
    EXPECT_EQ(view.progress.back(), -1);
    // The camera's every frame came to the recorder itself, and the window heard of each after it.
    EXPECT_EQ(view.frames, 12);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Heat_recorder_road, FramesTakenBeforeThePressButDeliveredAfterItAreNotKept)
{
    const std::string path = Create(0, "W");
    recorder.Handle_Start_Event(0);
    clock.tick += 1000;
    kit->Set_input(Control_box::Input_capture, true);
    const int32_t press = clock.tick;
    // Two frames the server stamped 80 and 40 ms before the press come after it.
    for (int32_t before : {80, 40}) {
        server.properties["sampletick"] = std::to_string(press - before);
        server.Deliver(test::Numbered_frame(next_frame++));
    }
    server.properties.erase("sampletick");
    Frames(3);
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_EQ(Frame_numbers(path), (std::vector<int32_t>{3, 4, 5}));
}

TEST_F(Heat_recorder_road, FramesTakenBeforeTheReleaseButDeliveredAfterItAreKept)
{
    const std::string path = Create(0, "R");
    recorder.Handle_Start_Event(0);
    kit->Set_input(Control_box::Input_capture, true);
    Frames(3);
    clock.tick += 40;
    kit->Set_input(Control_box::Input_capture, false);
    const int32_t release = clock.tick;
    // The encoder is behind: frames taken 30 and 10 ms before the release come after it.
    EXPECT_TRUE(recorder.Releasing());
    for (int32_t before : {30, 10}) Frame_taken_at(release - before);
    EXPECT_TRUE(recorder.Capturing());
    // The first frame taken after the release ends the capture, and is not kept.
    Frame_taken_at(release + 10);
    EXPECT_FALSE(recorder.Capturing());
    EXPECT_EQ(Frame_numbers(path), Numbers(1, 5));
    cls_AVI_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    EXPECT_EQ(reader.Header().Frames_no(), 5);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Heat_recorder_road, AReleaseThatNoLaterFrameFollowsEndsWhenItsWaitRunsOutOrAtTheNextPress)
{
    const std::string path = Create(0, "E");
    recorder.Release_wait_ms(1);
    kit->Set_input(Control_box::Input_capture, true);
    Frames(3);
    clock.tick += 40;
    kit->Set_input(Control_box::Input_capture, false);
    Frame_taken_at(clock.tick - 20);
    // The camera gives nothing more: the wait ends by itself.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.Capturing(); }, 10000));
    EXPECT_EQ(Frame_numbers(path), Numbers(1, 4));
    // A press while a release still waits ends that capture first and starts its own.
    recorder.Release_wait_ms(Heat_recorder::k_Release_wait_ms);
    kit->Set_input(Control_box::Input_capture, true);
    Frames(2);
    clock.tick += 40;
    kit->Set_input(Control_box::Input_capture, false);
    ASSERT_TRUE(recorder.Releasing());
    clock.tick += 40;
    kit->Set_input(Control_box::Input_capture, true);
    EXPECT_TRUE(recorder.Capturing());
    EXPECT_FALSE(recorder.Releasing());
    EXPECT_EQ(Frames_in(path), 6);
    Frames(1);
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_EQ(Frame_numbers(path), Numbers(1, 7));
}

TEST_F(Heat_recorder_road, GapsInTheKeptFramesCaptureTimesAreCountedAsPicturesLeftOutAndNoted)
{
    const std::string path = Create(0, "G");
    kit->Set_input(Control_box::Input_capture, true);
    EXPECT_EQ(view.left_out, 0);
    const int32_t press = clock.tick;
    // 40 ms apart but for 120 (two left out), 20 (none), 80 (one) and 60 (none: not past 1.5 frames).
    for (int32_t at : {40, 80, 200, 240, 260, 300, 380, 440}) {
        clock.tick = press + at;
        Frame_taken_at(press + at);
    }
    EXPECT_EQ(view.left_out, 3);
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_EQ(Frames_in(path), 8);
    EXPECT_EQ(recorder.Slot(0).left_out, 3);
    EXPECT_NE(recorder.Slot(0).note.find("3 pictures left out"), std::string::npos) << recorder.Slot(0).note;
    // The next capture starts from none; the heat adds them up.
    kit->Set_input(Control_box::Input_capture, true);
    EXPECT_EQ(view.left_out, 0);
    Frames(1);
    clock.tick += 200;
    Frame_taken_at(clock.tick);
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_EQ(recorder.Slot(0).left_out, 7);
}

TEST_F(Heat_recorder_road, AStartDuringAHeldCaptureGoesThroughItsWriterWithNoBoxAndTheCountIsTheFramesOnDisk)
{
    const std::string path = Create(0, "S");
    kit->Set_input(Control_box::Input_capture, true);
    Frames(20);
    ASSERT_TRUE(test::Wait_for_change_in(folder, [&] { return Frames_in(path) == 20; }));
    // Another station opens the recording from the share during the hold: the frames are the
    // capture's, not a crash's (an unexpected box fails the test).
    {
        cls_AVI_handler other;
        ASSERT_TRUE(other.Open_File(path));
        EXPECT_EQ(other.num_frames(), 0);
    }
    Start_by_box();
    const int32_t start = clock.tick;
    EXPECT_TRUE(recorder.Slot(0).started);
    EXPECT_TRUE(recorder.Capturing());
    EXPECT_EQ(Header_start_tick(path), start);
    Frames(10);
    kit->Set_input(Control_box::Input_capture, false);
    cls_AVI_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    EXPECT_EQ(reader.Header().Frames_no(), 30);
    EXPECT_EQ(Frames_in(path), 30);
    EXPECT_EQ(reader.Start_PC_Mill_time(1), start);
    // The frames after the start carry it.
    ASSERT_TRUE(reader.Read_Frame(30));
    EXPECT_EQ(Capture_record::From_bytes(reader.Frame_bytes().subspan(12000)).heat_start, start);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Heat_recorder_road, ANewHeatCarriesTheSavedLaneGeometryBeforeThePreviewWasEverOpened)
{
    test::Write_saved_lanes();
    Write_Ini_Value("Canoe", "Rotate", "True", Ini_file_path);
    Write_Ini_Value("Canoe", "FlipLanes", "True", Ini_file_path);
    Write_Ini_Value("Canoe", "Lane_Zero", "True", Ini_file_path);
    g_Goal_line = {};
    g_Num_lanes = 0;
    g_Rotate = false;
    g_Lanes.clear();
    Heat_recorder::Load_lanes_and_options();
    const std::string path = Create(2, "G");
    cls_AVI_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    const Cls_XML_header& header = reader.Header();
    test::Expect_saved_lanes(header);
    EXPECT_TRUE(reader.rotated());
    EXPECT_TRUE(header.Lanes_flipped());
    EXPECT_TRUE(reader.Start_Lane_Zero());
    EXPECT_EQ(header.Heat_ID(1), "G");
    // A lane count the preview would not show is taken as two.
    Write_Ini_Value("Canoe", "Lane_num", "40", Ini_file_path);
    Heat_recorder::Load_lanes_and_options();
    EXPECT_EQ(g_Num_lanes, 2);
}

// The box holds the capture when the abort is asked; the release comes late, or never.
class Heat_recorder_abort : public Heat_recorder_road, public ::testing::WithParamInterface<bool> {};

TEST_P(Heat_recorder_abort, AHeldCaptureGoesOnWhileTheAbortIsAskedAndAYesEndsItWithEveryFrameUpToTheAnswer)
{
    const bool release_comes = GetParam();
    const std::string path = Create(0, "A");
    Start_by_box();
    kit->Set_input(Control_box::Input_capture, true);
    Frames(7);
    recorder.Handle_Abort(0);
    ASSERT_EQ(view.questions, (std::vector<std::string>{"Aborting heat A , are you sure?"}));
    // The question is open: the frames go on into the heat, the start stays.
    Frames(5);
    EXPECT_TRUE(recorder.Capturing());
    EXPECT_TRUE(recorder.Slot(0).started);
    recorder.Handle_Abort(0); // one question at a time
    EXPECT_EQ(view.questions.size(), 1u);
    recorder.Abort_answered(0, true);
    EXPECT_FALSE(recorder.Capturing());
    EXPECT_EQ(Frame_numbers(path), Numbers(1, 12));
    EXPECT_FALSE(recorder.Slot(0).started);
    EXPECT_TRUE(recorder.Slot(0).aborted);
    EXPECT_EQ(Header_start_tick(path), 0);
    Frames(30);
    if (release_comes) kit->Set_input(Control_box::Input_capture, false);
    Frames(5);
    EXPECT_EQ(Frames_in(path), 12);
    EXPECT_FALSE(recorder.Capturing());
    EXPECT_EQ(camera->Buff_num(), 0);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(reports.reports.empty());
}

INSTANTIATE_TEST_SUITE_P(Release, Heat_recorder_abort, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Late" : "Lost"; });

TEST_F(Heat_recorder_road, APressWhileTheAbortIsAskedCapturesAndCancelLosesNothingOfItOrOfOtherSlots)
{
    const std::string a = Create(0, "C"), b = Create(1, "D");
    recorder.Handle_Start_Event(1);
    const int32_t b_start = clock.tick;
    clock.tick += 500;
    recorder.Handle_Start_Event(0);
    const int32_t a_start = clock.tick;
    // Escape with no capture running, then Capture pressed while the question is open.
    recorder.Handle_Abort(0);
    ASSERT_EQ(view.questions.size(), 1u);
    kit->Set_input(Control_box::Input_capture, true);
    EXPECT_TRUE(recorder.Capturing());
    Frames(4);
    // Cancel with Capture still held: the capture runs on, into the same heat.
    recorder.Abort_answered(0, false);
    EXPECT_FALSE(recorder.Asking_abort());
    EXPECT_TRUE(recorder.Capturing());
    EXPECT_TRUE(recorder.Slot(0).started);
    Frames(2);
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_EQ(Frame_numbers(a), Numbers(1, 6));
    EXPECT_EQ(Header_start_tick(a), a_start);
    // A late answer for a question no longer open changes nothing.
    recorder.Abort_answered(0, true);
    EXPECT_TRUE(recorder.Slot(0).started);
    // Slot B was neither captured into nor aborted.
    EXPECT_EQ(Frames_in(b), 0);
    EXPECT_EQ(Header_start_tick(b), b_start);
    EXPECT_TRUE(recorder.Slot(1).started);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Heat_recorder_road, ACaptureWithTheCameraStoppedOrMissingSaysNoCameraIsRunningAndStoresNothing)
{
    const std::string path = Create(0, "S");
    recorder.Handle_Start_Event(0);
    camera->Stop_Capture();
    dialogs.Expect_message("No camera is running");
    kit->Set_input(Control_box::Input_capture, true);
    EXPECT_FALSE(recorder.Capturing());
    Frames(5);
    kit->Set_input(Control_box::Input_capture, false);
    recorder.Camera(nullptr);
    dialogs.Expect_message("No camera is running");
    recorder.Handle_Capture_Start(0);
    EXPECT_FALSE(recorder.Capturing());
    EXPECT_EQ(Frames_in(path), 0);
    EXPECT_TRUE(dialogs.All_used());
    // Without a recording the press is refused first, with a beep.
    recorder.Camera(camera);
    dialogs.Expect_message("No file initiated!");
    recorder.Handle_Capture_Start(2);
    EXPECT_EQ(view.beeps, 1);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Heat_recorder_road, ACameraThatStopsDuringAHeldCaptureIsReportedWithItsFramesAppendedAndTheSlotMarked)
{
    Create(0, "X");
    const std::string path = Create(1, "F");
    recorder.Set_Active_heat(1);
    recorder.Handle_Start_Event(1);
    kit->Set_input(Control_box::Input_capture, true);
    Frames(50);
    dialogs.Expect_message("Camera stopped: The source failed");
    camera->On_source_stopped("The source failed");
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_FALSE(recorder.Capturing());
    EXPECT_EQ(Frames_in(path), 50);
    EXPECT_EQ(recorder.Slot(1).camera_stopped, "The source failed");
    EXPECT_TRUE(recorder.Slot(0).camera_stopped.empty());
    EXPECT_FALSE(g_Capture_running);
    // The release that follows appends nothing twice; a new recording clears the mark.
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_EQ(Frames_in(path), 50);
    recorder.Clear_Heat(1);
    Create(1, "F2");
    EXPECT_TRUE(recorder.Slot(1).camera_stopped.empty());
}

TEST_F(Heat_recorder_road, ACaptureThatReachesItsFrameLimitIsAppendedAndEnds)
{
    Heat_recorder small{view, 5};
    small.Camera(camera);
    ASSERT_TRUE(small.New_file(0, folder, "L", folder + "/HeatL.qs2"));
    small.Handle_Start_Event(0);
    small.Handle_Capture_Start(0);
    Frames(8);
    EXPECT_FALSE(small.Capturing());
    EXPECT_EQ(Frames_in(folder + "/HeatL.qs2"), 5);
    EXPECT_EQ(camera->Buff_num(), 0);
}

TEST_F(Heat_recorder_road, InsideTheBoxsDeadTimeNothingStartsOrCapturesButAReleaseStillEndsACapture)
{
    const std::string path = Create(0, "D");
    recorder.Handle_Start_Event(0);
    kit->Set_input(Control_box::Input_capture, true);
    Frames(3);
    // The box is pulled and plugged in again while its button is held.
    kit->Detach();
    EXPECT_FALSE(recorder.Capturing());
    EXPECT_EQ(Frames_in(path), 3);
    kit->Attach(77);
    kit->Set_input(Control_box::Input_capture, false);
    clock.tick += 100;
    kit->Set_input(Control_box::Input_capture, true);
    kit->Set_input(Control_box::Input_button_2, true);
    EXPECT_FALSE(recorder.Capturing());
    EXPECT_FALSE(box.Button_2_lit());
    Frames(3);
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_EQ(Frames_in(path), 3);
    // Past the dead time the same press captures.
    clock.tick += Control_box::k_Dead_time_ms;
    kit->Set_input(Control_box::Input_capture, true);
    EXPECT_TRUE(recorder.Capturing());
    // A release inside a new dead time still ends it, with its frames.
    Frames(2);
    kit->Detach();
    kit->Attach(77);
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_FALSE(recorder.Capturing());
    EXPECT_EQ(Frames_in(path), 5);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Heat_recorder_road, HeldFramesReachTheDiskBeforeTheReleaseAndMakeTheBytesAnAppendOnReleaseMakes)
{
    const std::string path = Create(0, "W");
    recorder.Handle_Start_Event(0);
    const std::string reference = folder + "/reference.qs2";
    fs::copy_file(path, reference);
    kit->Set_input(Control_box::Input_capture, true);
    Frames(30);
    ASSERT_TRUE(test::Wait_for_change_in(folder, [&] { return Frames_in(path) == 30; })) << Frames_in(path) << " frames on disk while held";
    EXPECT_TRUE(recorder.Capturing());
    EXPECT_EQ(camera->Buff_num(), 0); // nothing piles up in memory
    Frames(3);
    kit->Set_input(Control_box::Input_capture, false);
    std::vector<int32_t> expected(33);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(Frame_numbers(path), expected);
    // The same frames appended one by one on release, as before, give the same file.
    {
        const std::string bytes = test::Read_file(path);
        cls_AVI_handler appended;
        ASSERT_TRUE(appended.Open_for_append(reference));
        for (int64_t f = 0; f < 33; ++f)
            ASSERT_TRUE(appended.Append_DV_frame(std::span(reinterpret_cast<const uint8_t*>(bytes.data()) + k_Head + f * k_DV_frame_size,
                                                           size_t(k_DV_frame_size))));
        appended.Close_File();
    }
    EXPECT_TRUE(test::Read_file(reference) == test::Read_file(path)) << "the recordings differ";
    EXPECT_TRUE(reports.reports.empty());
}

// Appends fail from frame k of the capture on, as on a disk that has just filled.
TEST_F(Heat_recorder_road, ADiskThatFillsStopsTheCaptureKeepsEveryWholeFrameAndCountsThem)
{
    int run = 0;
    for (const int32_t k : {0, 3, 8}) {
        SCOPED_TRACE("the disk full from frame " + std::to_string(k + 1));
        recorder.Clear_Heat(0);
        const std::string path = Create(0, "Full" + std::to_string(run++));
        {
            test::Failing_disk disk;
            disk.No_space_in(path, k_Head + int64_t(k) * k_DV_frame_size, INT64_MAX);
            dialogs.Expect_message("The disk is full: the capture stopped after " + std::to_string(k) +
                                   " frames; the heat keeps them");
            kit->Set_input(Control_box::Input_capture, true);
            const int32_t first = next_frame;
            // The capture stops by itself, at a frame after the one that failed.
            EXPECT_TRUE(Feed_until_stopped());
            EXPECT_TRUE(dialogs.All_used());
            kit->Set_input(Control_box::Input_capture, false);
            EXPECT_EQ(Frames_in(path), k);
            std::vector<int32_t> kept(static_cast<size_t>(k), 0);
            std::iota(kept.begin(), kept.end(), first);
            EXPECT_EQ(Frame_numbers(path), kept);
        }
        EXPECT_FALSE(fs::exists(path + ".wkj"));
        cls_AVI_handler reader; // no frame to recover: the count is stored
        ASSERT_TRUE(reader.Open_File(path));
        EXPECT_EQ(reader.Header().Frames_no(), k);
        EXPECT_EQ(camera->Buff_num(), 0);
    }
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Heat_recorder_road, ACaptureOnARealFileSystemThatFillsKeepsAndCountsItsWholeFrames)
{
    test::Small_tmpfs tmpfs(home.path() / "small", "2m");
    if (!tmpfs.mounted()) GTEST_SKIP() << "a tmpfs cannot be mounted here (" << tmpfs.why() << ")";
    folder = (home.path() / "small").string();
    const std::string path = Create(0, "T");
    {
        // Fill the file system, then give back room for about three frames.
        const fs::path fill = home.path() / "small" / "fill";
        std::ofstream out(fill, std::ios::binary);
        const std::string block(4096, 'f');
        while (out.write(block.data(), std::streamsize(block.size()))) {
        }
        out.close();
        fs::resize_file(fill, fs::file_size(fill) - 3 * uint64_t(k_DV_frame_size) - 8192);
    }
    dialogs.Expect_message("The disk is full: the capture stopped after ");
    kit->Set_input(Control_box::Input_capture, true);
    EXPECT_TRUE(Feed_until_stopped());
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_TRUE(dialogs.All_used());
    const int64_t kept = Frames_in(path);
    EXPECT_GE(kept, 2);
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_NE(dialogs.shown.back().find("after " + std::to_string(kept) + " frames; the heat keeps them"), std::string::npos)
        << dialogs.shown.back();
    cls_AVI_handler reader; // no frame to recover: the count is stored
    ASSERT_TRUE(reader.Open_File(path));
    EXPECT_EQ(reader.Header().Frames_no(), kept);
    EXPECT_EQ(reader.num_frames(), kept);
    EXPECT_TRUE(reports.reports.empty());
}

// A fake camera of the capture server, set to fail after fifty frames, under a held capture.
class Heat_recorder_failing_camera : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("BRIXCAP_FAKE_DEVICES", "video:1:fail=50", 1);
        ASSERT_NE(library, nullptr) << dlerror();
        auto* call = reinterpret_cast<com::Dll_register_server_fn*>(dlsym(library, "DllRegisterServer"));
        ASSERT_NE(call, nullptr);
        ASSERT_EQ(call(), com::S_OK);
    }
    void TearDown() override
    {
        unsetenv("BRIXCAP_FAKE_DEVICES");
        if (library) dlclose(library);
    }
    bool Pump_until(const std::function<bool()>& done)
    {
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (!done() && std::chrono::steady_clock::now() < end) com.loop->Wait_and_run(50ms);
        return done();
    }

    test::Com_test_home com;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    void* library = dlopen(BRIXCAP4_LIBRARY, RTLD_NOW | RTLD_LOCAL);
};

TEST_F(Heat_recorder_failing_camera, TheFiftyFramesBeforeTheFailureAreAppendedAndTheOperatorIsTold)
{
    const std::string folder = com.home.path().string();
    Counting_view view;
    Heat_recorder recorder(view, 7500);
    {
        auto camera = std::make_shared<cls_Capture>();
        camera->Event_Target(cls_Capture::Target_window);
        ASSERT_TRUE(camera->Set_Video_Source(1, false));
        camera->MaxFrames(1);
        recorder.Camera(camera);
        std::vector<int32_t> delivered; // the capture tick of every frame the camera gave
        view.on_frame = [&] { delivered.push_back(camera->Record().frame_tick); };
        const std::string path = folder + "/HeatF.qs2";
        ASSERT_TRUE(recorder.New_file(0, folder, "F", path));
        recorder.Handle_Start_Event(0);
        camera->Capture_Run();
        recorder.Handle_Capture_Start(0);
        ASSERT_TRUE(recorder.Capturing());
        dialogs.Expect_message("Camera stopped: ");
        ASSERT_TRUE(Pump_until([&] { return !recorder.Capturing(); })) << camera->Buff_num();
        EXPECT_TRUE(dialogs.All_used());
        // Every one of the fifty frames was given or, when a busy machine kept the recorder
        // from taking it in time, dropped and counted.
        EXPECT_EQ(int64_t(delivered.size()) + camera->Dropped_samples(), 50);
        // The heat has every frame it was given from its first on: those given but left out were
        // taken before the press (a busy machine may let the camera run a little before it).
        const int64_t kept = Frames_in(path);
        ASSERT_GE(kept, 1);
        ASSERT_LE(kept, int64_t(delivered.size()));
        {
            cls_AVI_handler first;
            ASSERT_TRUE(first.Open_File(path));
            ASSERT_TRUE(first.Read_Frame(1));
            const int32_t first_kept = Capture_record::From_bytes(first.Frame_bytes().subspan(12000)).frame_tick;
            const auto left_out = delivered.size() - size_t(kept);
            EXPECT_EQ(delivered[left_out], first_kept);
            for (size_t i = 0; i < left_out; ++i) EXPECT_LT(platform::Tick_difference(delivered[i], first_kept), 0) << i;
        }
        EXPECT_FALSE(recorder.Slot(0).camera_stopped.empty());
        EXPECT_EQ(camera->Last_Error(), recorder.Slot(0).camera_stopped);
        EXPECT_FALSE(camera->Running());
        cls_AVI_handler reader;
        ASSERT_TRUE(reader.Open_File(path));
        EXPECT_EQ(reader.num_frames(), Frames_in(path));
        recorder.Camera(nullptr);
        camera->Shutdown();
    }
    EXPECT_TRUE(reports.reports.empty());
}

} // namespace
} // namespace wk
