// The camera driven by hand through a server that only passes on what the test gives it.
#include "capture/cls_Capture.h"
#include "capture/cls_Capture_sink.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "tests/capture/cls_Capture_test_support.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Test_support.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace wk {
namespace {

class cls_Capture_test : public ::testing::Test {
protected:
    void TearDown() override
    {
        g_Emergency_stop = false;
        g_Exiting = false;
    }
    // A camera on source 1, running, storing into a ring of ring_frames.
    std::unique_ptr<cls_Capture> Running_camera(int32_t ring_frames)
    {
        auto camera = std::make_unique<cls_Capture>(com::Com_ptr<IVideoCap>(&server));
        EXPECT_TRUE(camera->Set_Video_Source(1, false));
        camera->MaxFrames(ring_frames);
        camera->Capture_Run();
        return camera;
    }
    void Arrive_and_store(cls_Capture& camera, int32_t n)
    {
        server.Deliver(test::Numbered_frame(n));
        EXPECT_TRUE(camera.Store_Buffer()) << n;
    }
    // The record stored in frame n: its bytes as they lie there, and its fields.
    std::span<const uint8_t> Record_bytes_of(cls_Capture& camera, int32_t n)
    {
        return {camera.get_Buffaddr(n) + 12000, DV_extra::Size};
    }
    Capture_record Record_of(cls_Capture& camera, int32_t n)
    {
        return Capture_record::From_bytes(Record_bytes_of(camera, n));
    }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Captured_reports reports;
    test::Quiet_server server;
};

TEST_F(cls_Capture_test, ARingOfThreeAfterFiveStoresHoldsFramesFourFiveThreeAndGivesThemOldestFirst)
{
    auto camera = Running_camera(3);
    for (int n = 1; n <= 5; ++n) Arrive_and_store(*camera, n);
    EXPECT_TRUE(camera->Buffer_Filled());
    EXPECT_EQ(camera->Video_array_num(), 2);
    EXPECT_EQ(camera->Oldest_video_object(), 3);
    ASSERT_EQ(camera->Buff_num(), 3);
    EXPECT_EQ(test::Frame_number(camera->get_Buffaddr(1)), 3);
    EXPECT_EQ(test::Frame_number(camera->get_Buffaddr(2)), 4);
    EXPECT_EQ(test::Frame_number(camera->get_Buffaddr(3)), 5);
    // The slots themselves, in memory order.
    EXPECT_EQ(camera->get_Buffaddr(2) + 144000, camera->get_Buffaddr(3));
    EXPECT_EQ(camera->get_Buffaddr(3) + 144000, camera->get_Buffaddr(1));
    EXPECT_EQ(test::Error_number([&] { camera->get_Buffaddr(0); }), err_Subscript);
    EXPECT_EQ(test::Error_number([&] { camera->get_Buffaddr(4); }), err_Subscript);
    EXPECT_EQ(camera->num_Buffers_stored(), 5);
}

TEST_F(cls_Capture_test, ARingOfOneKeepsTheNewestFrameInSlotOne)
{
    auto camera = Running_camera(1);
    Arrive_and_store(*camera, 1);
    EXPECT_FALSE(camera->Buffer_Filled());
    Arrive_and_store(*camera, 2);
    EXPECT_TRUE(camera->Buffer_Filled());
    EXPECT_EQ(camera->Oldest_video_object(), 1);
    EXPECT_EQ(camera->Buff_num(), 1);
    EXPECT_EQ(test::Frame_number(camera->get_Buffaddr(1)), 2);
}

TEST_F(cls_Capture_test, ALinearSourceGetsARingThatTakesEveryStoreAndAStoreWithoutRingIsRefused)
{
    auto camera = std::make_unique<cls_Capture>(com::Com_ptr<IVideoCap>(&server));
    EXPECT_TRUE(camera->Set_Video_Source(1, true));
    EXPECT_EQ(server.last_source, "video:1");
    EXPECT_EQ(camera->MaxFrames(), 250);
    camera->Capture_Run();
    for (int n = 1; n <= 300; ++n) Arrive_and_store(*camera, n);
    EXPECT_EQ(camera->Buff_num(), 250);
    EXPECT_EQ(test::Frame_number(camera->get_Buffaddr(1)), 51);
    EXPECT_EQ(test::Frame_number(camera->get_Buffaddr(250)), 300);

    camera->MaxFrames(0);
    server.Deliver(test::Numbered_frame(301));
    EXPECT_FALSE(camera->Store_Buffer());
    EXPECT_EQ(camera->Buff_num(), 0);
    EXPECT_TRUE(g_Emergency_stop);
    EXPECT_EQ(test::Error_number([&] { camera->MaxFrames(-1); }), err_Subscript);
}

TEST_F(cls_Capture_test, NothingIsStoredBeforeTheFirstFrameOrWhileNotRunning)
{
    auto camera = std::make_unique<cls_Capture>(com::Com_ptr<IVideoCap>(&server));
    camera->Set_Video_Source(1, false);
    camera->MaxFrames(2);
    EXPECT_FALSE(camera->Store_Buffer());
    server.Deliver(test::Numbered_frame(1)); // not running yet
    EXPECT_EQ(camera->DV_events(), 1);
    EXPECT_FALSE(camera->Store_Buffer());
    EXPECT_EQ(camera->Buff_num(), 0);
}

TEST_F(cls_Capture_test, ALongSampleGivesOneFrameAndAShortOneIsNotTaken)
{
    auto camera = Running_camera(2);
    auto long_sample = test::Numbered_frame(8, 200000);
    std::fill(long_sample.begin() + 144000, long_sample.end(), uint8_t(0xEE));
    server.Deliver(long_sample);
    ASSERT_TRUE(camera->Store_Buffer());
    const uint8_t* stored = camera->get_Buffaddr(1);
    EXPECT_EQ(test::Frame_number(stored), 8);
    EXPECT_EQ(stored[143999], 8);
    EXPECT_EQ(camera->Frame_buffer().size(), 144000u);

    server.Deliver(test::Numbered_frame(9, 120000));
    EXPECT_EQ(camera->Refused_samples(), 1);
    EXPECT_EQ(test::Frame_number(camera->Frame_buffer().data()), 8); // still the last whole frame
    EXPECT_EQ(camera->DV_events(), 2);
}

TEST_F(cls_Capture_test, TheSampleIsCopiedDuringTheCallNotRememberedByAddress)
{
    auto camera = Running_camera(2);
    auto sample = test::Numbered_frame(4);
    server.Deliver(sample);
    std::fill(sample.begin(), sample.end(), uint8_t(0)); // the server reuses its buffer
    ASSERT_TRUE(camera->Store_Buffer());
    EXPECT_EQ(test::Frame_number(camera->get_Buffaddr(1)), 4);
}

TEST_F(cls_Capture_test, FramesIntoTheListCarryTheCapturingFlagAndFramesIntoTheRingDoNot)
{
    auto camera = Running_camera(1);
    Arrive_and_store(*camera, 1);
    camera->Post_linear(true);
    for (int n = 2; n <= 41; ++n) Arrive_and_store(*camera, n);
    ASSERT_EQ(camera->Buff_num(), 41);
    EXPECT_EQ(Record_of(*camera, 1).capturing, 0);
    EXPECT_EQ(Record_of(*camera, 2).capturing, -1);
    EXPECT_EQ(Record_of(*camera, 41).capturing, -1);
    EXPECT_EQ(test::Frame_number(camera->get_Buffaddr(2)), 2);
    EXPECT_EQ(test::Frame_number(camera->get_Buffaddr(41)), 41);
    // The list starts again at the next press.
    camera->Post_linear(true);
    EXPECT_EQ(camera->Buff_num(), 1);
}

TEST_F(cls_Capture_test, TheFirstBoatFlagMarksExactlyOneArrivingFrame)
{
    auto camera = Running_camera(5);
    Arrive_and_store(*camera, 1);
    camera->Is_Firstboat(true);
    for (int n = 2; n <= 5; ++n) Arrive_and_store(*camera, n);
    int marked = 0;
    for (int n = 1; n <= 5; ++n) marked += Record_of(*camera, n).first_boat == -1 ? n : 0;
    EXPECT_EQ(marked, 2);
}

TEST_F(cls_Capture_test, StartingTheCameraTracesHowTheServerRecordsACameraWithoutDv)
{
    Reset_Tracer_Search();
    test::Test_tracer tracer(Tracer_socket_path());
    ASSERT_TRUE(tracer.bound());
    // What the server says, and whether a line about it is traced.
    const std::pair<std::string, bool> cases[] = {
        {"640x480 raw at 30 a second, recorded 4:3 as PAL DV", true},
        {"", false}, // a DV camera: nothing to say
    };
    for (const auto& [mode, said] : cases) {
        server.properties["cameramode"] = mode;
        tracer.Receive_all();
        auto camera = Running_camera(4);
        const auto lines = tracer.Receive_all();
        const auto with = [&](const std::string& text) {
            return std::count_if(lines.begin(), lines.end(), [&](const auto& l) { return l.find(text) != std::string::npos; });
        };
        EXPECT_EQ(with("camera mode"), said ? 1 : 0) << mode;
        if (said) EXPECT_EQ(with("camera mode: \t" + mode), 1) << mode;
    }
}

TEST_F(cls_Capture_test, EachFrameCarriesItsTimesTheHeatStartOnceStartedAndTheOwnersValues)
{
    auto camera = Running_camera(4);
    camera->Let_Goal_offset(-120);
    camera->Split_offset(30);
    camera->Lap_Count(2);
    camera->model_Frame(9);
    server.properties["sampletick"] = "77000";
    clock.tick = 77013;
    clock.now = {2026, 5, 1, 10, 0, 1, 500};
    Arrive_and_store(*camera, 1);
    auto r = Record_of(*camera, 1);
    EXPECT_EQ(r.frame_tick, 77000); // when it reached the server
    EXPECT_EQ(r.arrival_tick, 77013);
    EXPECT_EQ(r.heat_start, 0);
    EXPECT_EQ(r.local_time_ms, 36001500);
    EXPECT_EQ(r.goal_offset, -120);
    EXPECT_EQ(r.split_offset, 30);
    EXPECT_EQ(r.lap_count, 2);
    EXPECT_EQ(r.model_frame, 9);

    camera->Heat_Start_Milltime(0); // a start at tick 0 is still a start
    camera->Hit_Detected();
    server.properties.erase("sampletick"); // a server that does not say: the callback's tick
    clock.tick = 90000;
    Arrive_and_store(*camera, 2);
    r = Record_of(*camera, 2);
    EXPECT_EQ(r.frame_tick, 90000);
    EXPECT_EQ(r.hit, 1);
    camera->Heat_Start_Milltime(85000);
    Arrive_and_store(*camera, 3);
    r = Record_of(*camera, 3);
    EXPECT_EQ(r.heat_start, 85000);
    EXPECT_EQ(r.hit, 0); // cleared after the frame it was marked in
    for (size_t at : {16u, 38u, 78u, 176u, 190u}) EXPECT_EQ(Record_bytes_of(*camera, 3)[at], 0) << at;
}

// A camera that stamped its pictures gives each field its picture's time, marked in the record; a
// DV camera's frame, and one from a server that gives no field times, keep the frame grid rule.
TEST_F(cls_Capture_test, EachFieldKeepsItsPicturesTimeWhereTheServerGivesIt)
{
    auto camera = Running_camera(8);
    server.properties["sampletick"] = "3000";
    struct Case {
        std::optional<DV_frame_times> times;
        int32_t frame_tick, second_tick, rule;
    };
    const Case cases[] = {
        {DV_frame_times{1037, 1057, 1}, 1037, 1057, DV_extra::k_Picture_times}, // a picture in each field
        {DV_frame_times{1077, 1077, 1}, 1077, 1077, DV_extra::k_Picture_times}, // one in both
        {DV_frame_times{2000, 2020, 0}, 2000, 0, 0},                            // a DV camera's arrival
        {DV_frame_times{-5, 15, 1}, -5, 15, DV_extra::k_Picture_times},
        {std::nullopt, 3000, 0, 0}, // an older server: nothing of the frame before is left
    };
    int32_t n = 0;
    for (const auto& c : cases) {
        ++n;
        if (c.times) server.Deliver_timed(test::Numbered_frame(n), *c.times);
        else server.Deliver(test::Numbered_frame(n));
        ASSERT_TRUE(camera->Store_Buffer()) << n;
        const auto r = Record_of(*camera, n);
        EXPECT_EQ(r.frame_tick, c.frame_tick) << n;
        EXPECT_EQ(r.second_field_tick, c.second_tick) << n;
        EXPECT_EQ(r.picture_times, c.rule == DV_extra::k_Picture_times) << n;
    }
}

// The record the station writes into a stored frame, byte for byte: a frame with every owner's
// value and its pictures' own times, then the next one, where the one-frame marks are gone and a
// server's arrival time leaves the second-field time and the rule zero.
std::vector<uint8_t> Hex_bytes(const std::string& hex)
{
    std::string digits;
    for (char c : hex)
        if (c != ' ') digits += c;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < digits.size(); i += 2) bytes.push_back(uint8_t(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

TEST_F(cls_Capture_test, TheStoredRecordHasItsBytesWhereTheFilesHaveThem)
{
    auto camera = Running_camera(4);
    camera->Let_Goal_offset(-120);
    camera->Split_offset(0x1234);
    camera->Lap_Count(3);
    camera->model_Frame(9);
    camera->Tolv_Camera(2);
    camera->Heat_Start_Milltime(0x00A00000);
    clock.tick = 0x00A1B2C3;
    clock.now = {2026, 5, 1, 10, 0, 1, 500};
    const std::string zeros36(72, '0'), zeros80(160, '0');
    struct Case {
        bool first_boat, hit;
        std::optional<DV_frame_times> times;
        std::string hex;
    };
    const Case cases[] = {
        {true, true, DV_frame_times{0x00A1B000, 0x00A1B014, 1},
         "53534344 c0000000 43443031 c3b2a100 14b0a100 50494354 00b0a100 0000a000 dc562502 0900" + zeros36 +
             "53534643 00000000" + zeros80 + "0100 0000 0300 ffff 0200 88ff 3412 00000000000000000000 5353454d 0000"},
        {false, false, DV_frame_times{0x00A1B028, 0x00A1B03C, 0},
         "53534344 c0000000 43443031 c3b2a100 00000000 00000000 28b0a100 0000a000 dc562502 0900" + zeros36 +
             "53534643 00000000" + zeros80 + "0000 0000 0300 0000 0200 88ff 3412 00000000000000000000 5353454d 0000"},
    };
    int32_t n = 0;
    for (const auto& c : cases) {
        ++n;
        camera->Is_Firstboat(c.first_boat);
        if (c.hit) camera->Hit_Detected();
        server.Deliver_timed(test::Numbered_frame(n), *c.times);
        ASSERT_TRUE(camera->Store_Buffer()) << n;
        const auto bytes = Record_bytes_of(*camera, n);
        const std::vector<uint8_t> expected = Hex_bytes(c.hex);
        ASSERT_EQ(expected.size(), 192u) << n;
        for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(int(bytes[i]), int(expected[i])) << n << " byte " << i;
    }
}

// What the server lost of the recording is told apart from its preview; an older server that
// counts every sample together is still read.
TEST_F(cls_Capture_test, LostRecordingFramesAndLeftOutPicturesAreReadFromTheServer)
{
    auto camera = Running_camera(1);
    server.properties = {{"droppedframes", "3"}, {"droppedsamples", "9"}, {"picturesleftout", "12"}};
    EXPECT_EQ(camera->Dropped_samples(), 3);
    EXPECT_EQ(camera->Pictures_left_out(), 12);
    server.properties = {{"droppedsamples", "9"}, {"picturesleftout", "x"}};
    EXPECT_EQ(camera->Dropped_samples(), 9);
    EXPECT_EQ(camera->Pictures_left_out(), 0);
}

TEST_F(cls_Capture_test, ACameraTheServerRefusesIsNotRunningAndSaysWhy)
{
    server.run_result = com::E_FAIL;
    server.last_error = "The DV encoder (libavcodec's dvvideo) is missing: this camera's pictures cannot be recorded";
    auto camera = Running_camera(2);
    EXPECT_FALSE(camera->Running());
    EXPECT_EQ(camera->Last_Error(), server.last_error);
    server.Deliver(test::Numbered_frame(1));
    EXPECT_FALSE(camera->Store_Buffer());
}

TEST_F(cls_Capture_test, TheNoticeGoesToTheChosenReceiverAndNeverToAWindowThatIsGone)
{
    struct Window : Capture_frame_receiver {
        void DV_event() override { ++notices; }
        int notices = 0;
    };
    auto camera = Running_camera(1);
    int events = 0, last_count = 0;
    camera->DV_Event = [&](int32_t& count, int32_t&) { ++events, last_count = count; };
    server.Deliver(test::Numbered_frame(1)); // 96: nobody
    camera->Event_Target(98);
    server.Deliver(test::Numbered_frame(2));
    EXPECT_EQ(events, 1);
    EXPECT_EQ(last_count, 2);

    auto window = std::make_shared<Window>();
    camera->Capture_window(window);
    camera->Event_Target(97);
    server.Deliver(test::Numbered_frame(3));
    EXPECT_EQ(window->notices, 1);
    window.reset();
    server.Deliver(test::Numbered_frame(4));
    EXPECT_EQ(camera->Late_frames(), 1);
    EXPECT_EQ(events, 1);

    EXPECT_EQ(test::Error_number([&] { camera->Event_Target(100); }), err_Invalid_argument);
    EXPECT_EQ(camera->Event_Target(), 97);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(cls_Capture_test, AnEmergencyStopStopsTheCameraAtTheNextFrame)
{
    auto camera = Running_camera(1);
    g_Emergency_stop = true;
    server.Deliver(test::Numbered_frame(1));
    EXPECT_FALSE(camera->Running());
    EXPECT_EQ(server.stops, 1);
    EXPECT_EQ(camera->DV_events(), 0);
}

TEST_F(cls_Capture_test, ShutdownUnadvisesAndTheServersSinkDoesNotKeepTheCameraAlive)
{
    const int16_t before = Cls_Capture_Counter;
    auto camera = Running_camera(1);
    EXPECT_EQ(Cls_Capture_Counter, before + 1);
    ASSERT_EQ(server.sinks.size(), 1u);
    com::Com_ptr<IVideoCapEvent> kept = server.sinks[0].second; // as a server still delivering would
    camera.reset();
    EXPECT_EQ(Cls_Capture_Counter, before);
    EXPECT_TRUE(server.sinks.empty());
    EXPECT_EQ(server.stops, 1);
    EXPECT_EQ(server.references, 0u);
    const auto late = test::Numbered_frame(1);
    EXPECT_EQ(kept->OnDVEvent(&server, 0, late.data(), uint32_t(late.size()), 1), com::S_OK); // ignored, no crash
}

TEST_F(cls_Capture_test, CameraPositionsAreReadTolerantlyAndADeviceWithoutIdGetsAStableOne)
{
    Ini_file_path = (home.path() / "Wakeline.ini").string();
    std::ofstream(Ini_file_path) << "[multicameras]\r\ncam-a=02 goal camera       True\r\ncam-b= 7\r\n"
                                    "cam-c=left\r\nfake:video:4=3\r\n";
    const auto position = [&](const std::string& id, const std::string& path = "") {
        server.properties["sourceid"] = id;
        server.properties["sourcedevicepath"] = path;
        cls_Capture camera{com::Com_ptr<IVideoCap>(&server)};
        camera.Set_Video_Source(4, false);
        const std::string source_id = camera.sourceId(); // reads the position on first ask
        return std::tuple(camera.Camera_position(), camera.rotated(), source_id);
    };
    EXPECT_EQ(position("cam-a"), std::tuple(int16_t(2), true, std::string("cam-a")));
    EXPECT_EQ(std::get<0>(position("cam-b")), 7);
    EXPECT_EQ(std::get<0>(position("cam-c")), 0);
    EXPECT_EQ(std::get<2>(position("", "fake:video:4")), "fake:video:4");
    EXPECT_FALSE(g_Emergency_stop);
    server.source_found = false;
    EXPECT_EQ(std::get<2>(position("cam-a")), "");
}

TEST_F(cls_Capture_test, FieldNumbersGiveTheirFrameAndField)
{
    int32_t frame = 0;
    int16_t field = 0;
    cls_Capture::Calculate_field(1, frame, field);
    EXPECT_EQ(std::pair(frame, field), std::pair(1, int16_t(1)));
    cls_Capture::Calculate_field(2, frame, field);
    EXPECT_EQ(std::pair(frame, field), std::pair(1, int16_t(2)));
    cls_Capture::Calculate_field(7, frame, field);
    EXPECT_EQ(std::pair(frame, field), std::pair(4, int16_t(1)));
}

TEST_F(cls_Capture_test, TheRunningArmIsBlueAndTurnsRedWhileCapturing)
{
    auto camera = Running_camera(1);
    QImage picture(40, 40, QImage::Format_RGB32);
    for (int n = 1; n <= 25; ++n) server.Deliver(test::Numbered_frame(n)); // a quarter turn: pointing right
    EXPECT_EQ(camera->Draw_Running_Arm_2(picture), 0xFF0000);
    EXPECT_EQ(picture.pixelColor(35, 20), QColor(0, 0, 255));
    EXPECT_EQ(picture.pixelColor(20, 35), QColor(0, 0, 0));
    camera->Post_linear(true);
    EXPECT_EQ(camera->Draw_Running_Arm_2(picture), 255);
    EXPECT_EQ(picture.pixelColor(35, 20), QColor(255, 0, 0));
}

} // namespace
} // namespace wk

namespace wk {
namespace {

class cls_Capture_display_test : public cls_Capture_test {
protected:
    void SetUp() override
    {
        frames = test::Make_DV_frames(2);
        camera = Running_camera(2);
        for (const auto& f : frames) {
            server.Deliver(f);
            ASSERT_TRUE(camera->Store_Buffer());
        }
    }
    std::vector<test::DV_frame> frames;
    std::unique_ptr<cls_Capture> camera;
};

int Brightness(const QImage& picture, int x, int y)
{
    const QColor c = picture.pixelColor(x, y);
    return c.red() + c.green() + c.blue();
}

TEST_F(cls_Capture_display_test, TheNewestFrameFillsThePictureAndAMirroredCameraIsDrawnMirrored)
{
    QImage plain(720, 576, QImage::Format_RGB32), mirrored(720, 576, QImage::Format_RGB32);
    plain.fill(Qt::black);
    camera->Display_frame2(plain, 3, true, 0, false, true, true, 0);
    // Field 3's bar (frame 2) stands where that field puts it, on a darker ground.
    const int bar_x = test::Bar_left(3) + test::k_Bar_width / 2, bar_y = test::k_Bar_top + 1;
    const int other_x = test::Bar_left(3) + test::k_Bar_width * 3;
    EXPECT_GT(Brightness(plain, bar_x, bar_y) - Brightness(plain, other_x, bar_y), 200);
    camera->flip(true);
    camera->Display_frame2(mirrored, 3, true, 0, false, true, true, 0);
    EXPECT_EQ(mirrored.pixelColor(719 - bar_x, bar_y), plain.pixelColor(bar_x, bar_y));
    EXPECT_EQ(mirrored.pixelColor(719 - other_x, bar_y), plain.pixelColor(other_x, bar_y));
}

TEST_F(cls_Capture_display_test, AStoredFieldIsDrawnTurnedAtItsPlaceAndHalfDrawingSkipsEverySecondCall)
{
    for (const int field : {1, 2, 3, 4}) {
        QImage picture(600, 720, QImage::Format_RGB32);
        picture.fill(Qt::black);
        camera->Display_frame2(picture, 0, false, field, true, true, true, 10);
        // Turned clockwise: picture row y of the frame becomes column 575 - y, column x row x.
        const int x = 10 + 575 - (test::k_Bar_top + test::k_Bar_rows / 2);
        const int own = Brightness(picture, x, test::Bar_left(field) + test::k_Bar_width / 2);
        const int other_field = field % 2 ? field + 1 : field - 1;
        const int other = Brightness(picture, x, test::Bar_left(other_field) + test::k_Bar_width / 2);
        EXPECT_GT(own - other, 200) << "field " << field;
        EXPECT_EQ(picture.pixelColor(5, 5), QColor(0, 0, 0)) << "left of x position untouched";
    }
    camera->Display_half(true);
    QImage picture(720, 576, QImage::Format_RGB32);
    picture.fill(Qt::black);
    camera->Display_frame2(picture, 3, true, 0, false, true, true, 0);
    EXPECT_EQ(picture.pixelColor(360, 288), QColor(0, 0, 0));
    camera->Display_frame2(picture, 3, true, 0, false, true, true, 0);
    EXPECT_NE(picture, [] { QImage black(720, 576, QImage::Format_RGB32); black.fill(Qt::black); return black; }());
    EXPECT_TRUE(reports.reports.empty());
}

} // namespace
} // namespace wk
