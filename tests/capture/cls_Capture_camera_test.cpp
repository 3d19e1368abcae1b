// The camera on a fake DV camera of the capture server, created through comlite as the program
// does: frames come on the test's thread when it pumps its loop.
#include "capture/cls_Capture.h"
#include "comlite/Server_entry_points.h"
#include "platform/Av_frame_decoder.h"
#include "platform/Clock.h"
#include "services/Module_qsm_Globals.h"
#include "tests/comlite/Com_test_home.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace wk {
namespace {

using namespace std::chrono_literals;

class cls_Capture_camera_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("BRIXCAP_FAKE_DEVICES", "video:1", 1);
        ASSERT_NE(library, nullptr) << dlerror();
        auto* call = reinterpret_cast<com::Dll_register_server_fn*>(dlsym(library, "DllRegisterServer"));
        ASSERT_NE(call, nullptr);
        ASSERT_EQ(call(), com::S_OK);
    }
    void TearDown() override
    {
        g_Capture.reset();
        unsetenv("BRIXCAP_FAKE_DEVICES");
        if (library) dlclose(library);
    }
    // Pumps the loop until done says so (the deadline only catches a hang).
    bool Pump_until(const std::function<bool()>& done)
    {
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (!done() && std::chrono::steady_clock::now() < end) com.loop->Wait_and_run(50ms);
        return done();
    }

    test::Com_test_home com;
    test::Captured_reports reports;
    void* library = dlopen(BRIXCAP4_LIBRARY, RTLD_NOW | RTLD_LOCAL);
};

std::vector<uint8_t> Picture_of(platform::Av_frame_decoder& decoder, const uint8_t* frame)
{
    std::vector<uint8_t> bits(size_t(platform::Bgr_stride(720)) * 576);
    EXPECT_TRUE(decoder.Decode(std::span(frame, k_DV_frame_size), bits.data(), 720, 576));
    return bits;
}

// The tick a frame carries is the one the server took when the frame reached it, not the one
// at which this thread got to it: the frames that waited while the thread was held up still
// carry ticks a frame apart, from before the hold-up ended.
TEST_F(cls_Capture_camera_test, FiftyStoredFramesCarryTheTicksTheyCameAtAndDecodeAsTheyCame)
{
    constexpr size_t k_Held_at = 20;
    constexpr int32_t k_Hold_ms = 500;
    cls_Capture camera;
    ASSERT_TRUE(camera.Set_Video_Source(1, false));
    camera.MaxFrames(1);
    camera.Post_linear(true);
    std::vector<std::vector<uint8_t>> unstamped;
    std::vector<int32_t> handled; // the tick at which this thread stored each frame
    camera.Event_Target(98);
    camera.DV_Event = [&](int32_t&, int32_t&) {
        if (unstamped.size() >= 50) return;
        unstamped.push_back(camera.Frame_buffer());
        handled.push_back(platform::Get_clock().Tick());
        camera.Store_Buffer();
        if (unstamped.size() == k_Held_at) std::this_thread::sleep_for(std::chrono::milliseconds(k_Hold_ms));
    };
    const int32_t before_run = platform::Get_clock().Tick();
    camera.Capture_Run();
    ASSERT_TRUE(Pump_until([&] { return camera.Buff_num() >= 50; })) << camera.Buff_num() << " " << camera.Last_Error();
    camera.Stop_Capture();
    ASSERT_EQ(camera.Buff_num(), 50);
    EXPECT_EQ(camera.Video_Buff_len(), 50);

    platform::Av_frame_decoder decoder;
    std::vector<int32_t> ticks;
    for (int n = 1; n <= 50; ++n) {
        const uint8_t* stored = camera.get_Buffaddr(n);
        const std::span<const uint8_t> bytes(stored + 12000, DV_extra::Size);
        ASSERT_TRUE(Capture_record::Ends_record(bytes)) << n;
        const Capture_record record = Capture_record::From_bytes(bytes);
        EXPECT_EQ(record.capturing, -1);
        ticks.push_back(record.frame_tick);
        const auto& raw = unstamped[size_t(n - 1)];
        EXPECT_FALSE(std::equal(raw.begin(), raw.end(), stored)) << "frame " << n << " carries no record";
        EXPECT_TRUE(Picture_of(decoder, raw.data()) == Picture_of(decoder, stored)) << "frame " << n;
    }
    std::vector<int32_t> gaps;
    for (size_t i = 0; i < ticks.size(); ++i) {
        // On the program's clock, after the run began and no later than the frame was handled.
        EXPECT_GE(platform::Tick_difference(ticks[i], before_run), 0) << i;
        EXPECT_LE(platform::Tick_difference(ticks[i], handled[i]), 0) << i;
        if (i == 0) continue;
        gaps.push_back(platform::Tick_difference(ticks[i], ticks[i - 1]));
        EXPECT_GT(gaps.back(), 0) << i;
    }
    // The frame after the hold-up came during it: it waited for this thread, its tick did not.
    EXPECT_GE(platform::Tick_difference(handled[k_Held_at], ticks[k_Held_at]), k_Hold_ms / 2);
    // The camera gives 25 frames a second, and no faster: a busy machine may delay a frame on
    // its way to the server (the next then comes sooner) or cost a few, so the span of the 50
    // is at least 49 frame times but for the first frame's delay.
    EXPECT_GE(platform::Tick_difference(ticks.back(), ticks.front()), 48 * 40);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(cls_Capture_camera_test, RestartingTheCameraThreeTimesLeavesOneCamera)
{
    const int16_t before = Cls_Capture_Counter;
    for (int round = 0; round < 3; ++round) {
        auto camera = Restart_Camera();
        ASSERT_NE(camera, nullptr);
        EXPECT_EQ(g_Capture, camera);
        camera->Event_Target(98);
        int frames = 0;
        camera->DV_Event = [&](int32_t&, int32_t&) { ++frames; };
        ASSERT_TRUE(camera->Set_Video_Source(1, false));
        camera->MaxFrames(1);
        camera->Capture_Run();
        ASSERT_TRUE(Pump_until([&] { return frames >= 3; })) << round;
        EXPECT_EQ(Cls_Capture_Counter, before + 1) << round;
    }
    g_Capture.reset();
    EXPECT_EQ(Cls_Capture_Counter, before);
    // Samples still on their way find no camera.
    com.loop->Wait_and_run(100ms);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(cls_Capture_camera_test, TheServerNamesTheSampleTickOnlyDuringADelivery)
{
    cls_Capture camera;
    ASSERT_TRUE(camera.Set_Video_Source(1, false));
    std::optional<int32_t> server_minus_callback;
    camera.Event_Target(98);
    camera.DV_Event = [&](int32_t&, int32_t& dv_time) {
        if (!server_minus_callback) server_minus_callback = camera.Record().frame_tick - dv_time;
    };
    camera.Capture_Run();
    ASSERT_TRUE(Pump_until([&] { return server_minus_callback.has_value(); }));
    // The server's tick is taken before the frame reaches this thread, never after.
    EXPECT_LE(*server_minus_callback, 0);
    EXPECT_GT(*server_minus_callback, -1000);
    EXPECT_EQ(camera.FriendlyName(), "Fake DV camera 1");
}

} // namespace
} // namespace wk
