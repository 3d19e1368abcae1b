// The camera's lesser members, driven by hand through a server that only passes on what the test
// gives it.
#include "capture/cls_Capture.h"
#include "services/Module_qsm_Globals.h"
#include "tests/capture/cls_Capture_test_support.h"
#include "tests/support/Test_support.h"

#include <functional>

namespace wk {
namespace {

// A clock whose every sleep may let the server deliver, as the loop would during a wait.
class Delivering_clock final : public test::Manual_clock {
public:
    void Sleep_ms(int32_t ms) override
    {
        Manual_clock::Sleep_ms(ms);
        ++sleeps;
        if (on_sleep) on_sleep();
    }
    std::function<void()> on_sleep;
    int sleeps = 0;
};

class cls_Capture_extra_test : public ::testing::Test {
protected:
    void TearDown() override
    {
        g_Emergency_stop = false;
        g_Exiting = false;
    }
    std::unique_ptr<cls_Capture> Camera(test::Quiet_server& on)
    {
        return std::make_unique<cls_Capture>(com::Com_ptr<IVideoCap>(&on));
    }
    std::unique_ptr<cls_Capture> Running_camera(int32_t ring_frames)
    {
        auto camera = Camera(server);
        EXPECT_TRUE(camera->Set_Video_Source(1, false));
        camera->MaxFrames(ring_frames);
        camera->Capture_Run();
        return camera;
    }

    test::Temp_home home;
    Delivering_clock clock;
    test::Captured_reports reports;
    test::Quiet_server server;
};

TEST_F(cls_Capture_extra_test, TheLastFrameAndTheRingAreSeenReadOnlyAndOnlyOnceTheyExist)
{
    auto camera = Running_camera(0);
    EXPECT_TRUE(camera->Get_last_Buffaddr().empty());
    EXPECT_TRUE(camera->Video_Array_Adress().empty());
    EXPECT_FALSE(camera->Validate_Array());
    EXPECT_EQ(camera->Video_Array_Len(), 0);

    server.Deliver(test::Numbered_frame(7));
    ASSERT_EQ(camera->Get_last_Buffaddr().size(), 144000u);
    EXPECT_EQ(test::Frame_number(camera->Get_last_Buffaddr().data()), 7);
    server.Deliver(test::Numbered_frame(8, 100000)); // refused: the last whole frame stays
    EXPECT_EQ(test::Frame_number(camera->Get_last_Buffaddr().data()), 7);

    camera->MaxFrames(3);
    EXPECT_TRUE(camera->Validate_Array());
    EXPECT_EQ(camera->Video_Array_Len(), 432000);
    for (int n = 1; n <= 4; ++n) {
        server.Deliver(test::Numbered_frame(n));
        ASSERT_TRUE(camera->Store_Buffer());
    }
    const auto ring = camera->Video_Array_Adress();
    ASSERT_EQ(ring.size(), 432000u);
    // Slot 1 took the fourth frame; the oldest (frame 2) is in slot 2.
    EXPECT_EQ(test::Frame_number(ring.data()), 4);
    EXPECT_EQ(test::Frame_number(ring.data() + 144000), 2);
    EXPECT_EQ(camera->get_Buffaddr(1), ring.data() + 144000);
    camera->MaxFrames(0);
    EXPECT_TRUE(camera->Video_Array_Adress().empty());
}

TEST_F(cls_Capture_extra_test, AFrameCopiedInIsStoredLikeOneThatCameAndAShortOneIsRefused)
{
    auto camera = Running_camera(2);
    EXPECT_FALSE(camera->Copy_Into_Buffer(test::Numbered_frame(3, 143999)));
    EXPECT_EQ(camera->Refused_samples(), 1);
    EXPECT_TRUE(camera->Get_last_Buffaddr().empty());
    EXPECT_FALSE(camera->Store_Buffer()); // still nothing to store

    auto long_frame = test::Numbered_frame(5, 150000);
    std::fill(long_frame.begin() + 144000, long_frame.end(), uint8_t(0xEE));
    ASSERT_TRUE(camera->Copy_Into_Buffer(long_frame));
    ASSERT_TRUE(camera->Store_Buffer());
    const uint8_t* stored = camera->get_Buffaddr(1);
    EXPECT_EQ(test::Frame_number(stored), 5);
    EXPECT_EQ(stored[143999], 5);
    EXPECT_TRUE(Capture_record::Ends_record(std::span(stored + 12000, DV_extra::Size)));
}

TEST_F(cls_Capture_extra_test, OneShotTakesOneFrameStopsAndLeavesTheNextCaptureAlone)
{
    auto camera = Camera(server);
    camera->MaxFrames(1);
    int notices = 0;
    camera->Event_Target(cls_Capture::Target_event);
    camera->DV_Event = [&](int32_t&, int32_t&) { ++notices; };
    clock.on_sleep = [&] {
        if (clock.sleeps == 5) server.Deliver(test::Numbered_frame(11));
    };
    EXPECT_TRUE(camera->DV_One_Shot(1));
    EXPECT_EQ(server.last_source, "video:1");
    EXPECT_EQ(server.runs, 1);
    EXPECT_EQ(server.stops, 1);
    EXPECT_FALSE(camera->Running());
    EXPECT_EQ(notices, 0); // the one frame is not passed on
    EXPECT_EQ(test::Frame_number(camera->Get_last_Buffaddr().data()), 11);
    EXPECT_LT(clock.sleeps, 20); // it did not wait out the second once the frame was there

    clock.on_sleep = nullptr;
    camera->Capture_Run();
    server.Deliver(test::Numbered_frame(12));
    EXPECT_TRUE(camera->Running());
    EXPECT_EQ(notices, 1);
}

TEST_F(cls_Capture_extra_test, OneShotWithoutAFrameWaitsASecondStopsAndDoesNotStopTheNextCapture)
{
    auto camera = Camera(server);
    const int32_t start = clock.tick;
    EXPECT_FALSE(camera->DV_One_Shot(1));
    const int32_t waited = platform::Tick_difference(clock.tick, start);
    EXPECT_GE(waited, 1001);
    EXPECT_LT(waited, 1010);
    EXPECT_EQ(server.stops, 1);
    EXPECT_FALSE(camera->Running());
    EXPECT_TRUE(camera->Get_last_Buffaddr().empty());

    // The unanswered wish is gone: a later capture's first frame does not stop it.
    camera->Capture_Run();
    server.Deliver(test::Numbered_frame(1));
    EXPECT_TRUE(camera->Running());
    EXPECT_EQ(server.stops, 1);
}

TEST_F(cls_Capture_extra_test, OneShotIsRefusedForAMissingSourceOrARunningCamera)
{
    server.source_found = false;
    auto camera = Camera(server);
    EXPECT_FALSE(camera->DV_One_Shot(2));
    EXPECT_EQ(server.runs, 0);
    EXPECT_EQ(clock.sleeps, 0);

    server.source_found = true;
    auto running = Running_camera(1);
    const int runs = server.runs;
    EXPECT_FALSE(running->DV_One_Shot(1));
    EXPECT_TRUE(running->Running());
    EXPECT_EQ(server.runs, runs);
    server.Deliver(test::Numbered_frame(1));
    EXPECT_TRUE(running->Running()); // no wish left behind either
}

TEST_F(cls_Capture_extra_test, ANewServerReplacesTheOldOneWhichIsStoppedUnadvisedAndReleased)
{
    test::Quiet_server second;
    auto camera = Running_camera(1);
    camera->Reset_Vidcap(com::Com_ptr<IVideoCap>(&second));
    EXPECT_EQ(server.stops, 1);
    EXPECT_TRUE(server.sinks.empty());
    EXPECT_EQ(server.references, 0u);
    EXPECT_FALSE(camera->Running());
    EXPECT_FALSE(camera->Found_source());
    EXPECT_TRUE(second.sinks.empty()); // not advised until it runs

    ASSERT_TRUE(camera->Set_Video_Source(1, false));
    camera->Capture_Run();
    ASSERT_EQ(second.sinks.size(), 1u);
    second.Deliver(test::Numbered_frame(9));
    EXPECT_EQ(camera->DV_events(), 1);
    ASSERT_TRUE(camera->Store_Buffer());
    EXPECT_EQ(test::Frame_number(camera->get_Buffaddr(1)), 9);
    camera.reset();
    EXPECT_EQ(second.references, 0u);
}

TEST_F(cls_Capture_extra_test, WhenNoNewServerCanBeMadeTheOldOneStaysInUse)
{
    auto camera = Running_camera(1);
    // Nothing is registered in this test's home, so the server cannot be created.
    EXPECT_EQ(test::Error_number([&] { camera->Reset_Vidcap(); }), 429);
    EXPECT_TRUE(camera->Running());
    EXPECT_EQ(server.stops, 0);
    ASSERT_EQ(server.sinks.size(), 1u);
    server.Deliver(test::Numbered_frame(3));
    EXPECT_EQ(test::Frame_number(camera->Get_last_Buffaddr().data()), 3);
}

TEST_F(cls_Capture_extra_test, ADroppedServerLeavesACameraWithoutSourceThatNothingReaches)
{
    auto camera = Running_camera(1);
    camera->xDelete_ocapture();
    EXPECT_EQ(server.stops, 1);
    EXPECT_TRUE(server.sinks.empty());
    EXPECT_EQ(server.references, 0u);
    EXPECT_FALSE(camera->Set_Video_Source(1, false));
    camera->Capture_Run();
    EXPECT_FALSE(camera->Running());
    EXPECT_EQ(server.runs, 1);
}

TEST_F(cls_Capture_extra_test, EndingFromOutsideFreesEverythingButCountsTheObjectUntilItGoes)
{
    const int16_t before = Cls_Capture_Counter;
    auto camera = Running_camera(2);
    server.Deliver(test::Numbered_frame(1));
    ASSERT_TRUE(camera->Store_Buffer());
    camera->Ext_terminate();
    EXPECT_EQ(server.stops, 1);
    EXPECT_TRUE(server.sinks.empty());
    EXPECT_EQ(server.references, 0u);
    EXPECT_EQ(camera->Buff_num(), 0);
    EXPECT_FALSE(camera->Validate_Array());
    EXPECT_EQ(Cls_Capture_Counter, before + 1);
    camera->Ext_terminate(); // again: nothing left to do
    camera.reset();
    EXPECT_EQ(Cls_Capture_Counter, before);
}

TEST_F(cls_Capture_extra_test, PlaceholderFramesFollowTheRingInTheCountAndAreNotTakenForDV)
{
    auto camera = Running_camera(2);
    server.Deliver(test::Numbered_frame(1));
    ASSERT_TRUE(camera->Store_Buffer());
    camera->Test_Add_buffers(3);
    camera->Test_Add_buffers(-2); // nothing
    EXPECT_EQ(camera->Buff_num(), 4);
    EXPECT_EQ(test::Frame_number(camera->get_Buffaddr(1)), 1);
    for (int n = 2; n <= 4; ++n) {
        const uint8_t* frame = camera->get_Buffaddr(n);
        EXPECT_EQ(frame[0], 23) << n;
        EXPECT_EQ(frame[143999], 23) << n;
    }
    camera->Test_Empty_collection();
    EXPECT_EQ(camera->Buff_num(), 1);
    EXPECT_EQ(test::Error_number([&] { camera->get_Buffaddr(2); }), err_Subscript);
}

TEST_F(cls_Capture_extra_test, TheDisplayRectangleGoesToTextAndBackAndBadTextIsRefused)
{
    auto camera = Camera(server);
    camera->Set_display_rect(5, 12, 715, 1570);
    EXPECT_EQ(camera->Set_Display_Rect(), "005,012,715,1570");
    camera->Set_display_rect(-5, 0, 0, 0);
    EXPECT_EQ(camera->Set_Display_Rect(), "-005,000,000,000");

    ASSERT_TRUE(camera->Set_Display_Rect(" 010, 20 ,700,560"));
    EXPECT_EQ(camera->Set_Display_Rect(), "010,020,700,560");
    EXPECT_EQ(camera->Width(), 690);
    EXPECT_EQ(camera->Height(), 540);

    for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "a,2,3,4", "1,,3,4", "1,2,3,4x", "700,0,10,10", "0,600,10,10",
                            "1,2,3,99999999999"}) {
        EXPECT_FALSE(camera->Set_Display_Rect(bad)) << bad;
        EXPECT_EQ(camera->Set_Display_Rect(), "010,020,700,560") << bad;
    }
}

TEST_F(cls_Capture_extra_test, AReleasedSourceStopsTheCameraAndMustBeChosenAgainBeforeItRuns)
{
    auto camera = Running_camera(1);
    camera->Release_source();
    EXPECT_EQ(server.stops, 1);
    EXPECT_EQ(server.last_source, "");
    EXPECT_FALSE(camera->Found_source());
    EXPECT_EQ(camera->sourceId(), "");
    camera->Capture_Run();
    EXPECT_FALSE(camera->Running());
    EXPECT_EQ(server.runs, 1);

    ASSERT_TRUE(camera->Set_Video_Source(1, false));
    camera->Capture_Run();
    EXPECT_TRUE(camera->Running());
}

TEST_F(cls_Capture_extra_test, TheFillingNoticeIsDarkTextOnWhite)
{
    auto camera = Camera(server);
    QImage picture(200, 40, QImage::Format_RGB32);
    picture.fill(Qt::red);
    camera->Display_Fill_Mess(picture);
    int white = 0, dark = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            white += c == Qt::white;
            dark += c.red() == c.green() && c.green() == c.blue() && c.red() < 128;
        }
    EXPECT_GT(white, 200 * 40 / 2); // nothing of the old picture is left
    EXPECT_GT(white + dark, 200 * 40 * 9 / 10);
    EXPECT_GT(dark, 20); // the text is there

    QImage none;
    camera->Display_Fill_Mess(none);
    EXPECT_TRUE(none.isNull());
}

} // namespace
} // namespace wk
