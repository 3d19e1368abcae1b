// Advised sinks and the samples that reach them.
#include "capture_server/Server_module.h"
#include "tests/capture_server/Capture_test_support.h"
#include "tests/support/Signal.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <numeric>
#include <thread>

namespace wk {
namespace {

using namespace com;
using namespace std::chrono_literals;

const std::vector<uint8_t> k_bytes{1, 2, 3};

class VideoCap4_sink_test : public ::testing::Test {
protected:
    uint32_t Advise(test::Recording_sink& sink)
    {
        uint32_t cookie = 0;
        EXPECT_EQ(object->Advise(&sink, &cookie), S_OK);
        return cookie;
    }
    void Post(const std::vector<uint8_t>& bytes = k_bytes, Sample_kind kind = Sample_kind::dv, double time = 0.04)
    {
        object->Post_sample(kind, time, bytes);
    }
    size_t Pump() { return com.loop->Run_pending(); }

    test::Com_test_home com;
    test::Graph_log log;
    test::Recording_sink sink1, sink2; // outlive the object, which holds them
    Com_ptr<VideoCap4> object = test::Make_object(log);
};

TEST_F(VideoCap4_sink_test, ASinkThatUnadvisesItselfInItsCallIsNeverCalledAgainAndTheOtherStillIs)
{
    const uint32_t cookie1 = Advise(sink1), cookie2 = Advise(sink2);
    EXPECT_NE(cookie1, 0u);
    EXPECT_NE(cookie1, cookie2);
    EXPECT_EQ(sink1.references, 1u);
    sink1.during_call = [&] { EXPECT_EQ(object->Unadvise(cookie1), S_OK); };
    ASSERT_EQ(object->Run(), S_OK);

    Post();
    Pump();
    EXPECT_EQ(sink1.calls.size(), 1u);
    EXPECT_EQ(sink2.calls.size(), 1u); // still called in that same dispatch
    EXPECT_EQ(sink1.references, 0u);   // released once the dispatch let go of it

    Post();
    Post();
    Pump();
    EXPECT_EQ(sink1.calls.size(), 1u);
    EXPECT_EQ(sink2.calls.size(), 3u);
    EXPECT_EQ(object->Unadvise(cookie1), CONNECT_E_NOCONNECTION);
}

TEST_F(VideoCap4_sink_test, UnadviseOfAnUnknownCookieChangesNothing)
{
    Advise(sink1);
    Advise(sink2);
    EXPECT_EQ(object->Unadvise(12345), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(object->Unadvise(0), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(object->Run(), S_OK);
    Post();
    Pump();
    EXPECT_EQ(sink1.calls.size(), 1u);
    EXPECT_EQ(sink2.calls.size(), 1u);
    EXPECT_EQ(sink1.references + sink2.references, 2u);
}

TEST_F(VideoCap4_sink_test, ASinkUnadvisedByAnEarlierSinkOfTheSameDispatchIsNotCalled)
{
    Advise(sink1);
    const uint32_t cookie2 = Advise(sink2);
    sink1.during_call = [&] { object->Unadvise(cookie2); };
    ASSERT_EQ(object->Run(), S_OK);
    Post();
    Pump();
    EXPECT_EQ(sink1.calls.size(), 1u);
    EXPECT_TRUE(sink2.calls.empty());
    EXPECT_EQ(sink2.references, 0u);
}

TEST_F(VideoCap4_sink_test, AdviseRefusesNullPointersAndTakesNoReferenceThen)
{
    uint32_t cookie = 9;
    EXPECT_EQ(object->Advise(nullptr, &cookie), E_POINTER);
    EXPECT_EQ(object->Advise(&sink1, nullptr), E_POINTER);
    EXPECT_EQ(sink1.references, 0u);
}

TEST_F(VideoCap4_sink_test, SamplesFromAStreamingThreadReachTheSinksOnTheCreatingThreadWhole)
{
    auto devices = std::make_shared<test::Listed_devices>();
    devices->video = {{"", "Camera A", "", ""}, {"", "Camera B", "", ""}};
    object = test::Make_object(log, devices);
    Advise(sink1);
    ASSERT_EQ(test::Select(*object, "video:2"), 1);
    ASSERT_EQ(object->Run(), S_OK);
    std::vector<uint8_t> frame(144000);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(i * 7);
    std::thread streaming([&] {
        log.host->Post_sample(Sample_kind::dv, 1.5, frame);
        log.host->Post_sample(Sample_kind::rgb, 1.54, std::vector<uint8_t>(10, 0xAB));
        log.host->Post_sample(Sample_kind::audio, 1.58, k_bytes);
    });
    for (int i = 0; i < 100 && sink1.calls.size() < 3; ++i) com.loop->Wait_and_run(50ms);
    streaming.join();
    ASSERT_EQ(sink1.calls.size(), 3u);
    const auto& dv = sink1.calls[0];
    EXPECT_EQ(dv.kind, 'D');
    EXPECT_EQ(dv.bytes, frame);
    EXPECT_EQ(dv.time, 1.5);
    EXPECT_EQ(dv.device, 2);
    EXPECT_EQ(dv.source, static_cast<IVideoCap*>(object.Get()));
    EXPECT_EQ(sink1.calls[1].kind, 'R');
    EXPECT_EQ(sink1.calls[1].bytes.size(), 10u);
    EXPECT_EQ(sink1.calls[2].kind, 'A');
    for (const auto& call : sink1.calls) EXPECT_EQ(call.thread, std::this_thread::get_id());
}

TEST_F(VideoCap4_sink_test, StopTearsTheGraphDownAtOnceAndWhatWasPostedBeforeIsNeverDelivered)
{
    Advise(sink1);
    Post(); // not running: dropped
    ASSERT_EQ(object->Run(), S_OK);
    Post();
    EXPECT_EQ(object->Stop(), S_OK);
    EXPECT_EQ(log.stopped, 1);
    EXPECT_EQ(log.destroyed, 1); // before Stop returned
    ASSERT_EQ(object->Run(), S_OK); // at once
    EXPECT_EQ(log.built, 2);
    Pump();
    EXPECT_TRUE(sink1.calls.empty());
    Post();
    Pump();
    EXPECT_EQ(sink1.calls.size(), 1u);
    EXPECT_EQ(object->Dropped_samples(), 0u);
}

TEST_F(VideoCap4_sink_test, ASecondRunGivesSFalseAndAFailedRunLeavesTheObjectStoppedWithItsReason)
{
    ASSERT_EQ(object->Run(), S_OK);
    EXPECT_EQ(object->Run(), S_FALSE);
    EXPECT_EQ(log.built, 1);
    object->Stop();

    log.build_fails = Capture_error(k_Could_not_build_graph);
    EXPECT_EQ(object->Run(), E_FAIL);
    EXPECT_EQ(test::Last_error(*object), k_Could_not_build_graph);
    EXPECT_EQ(object->Run(), E_FAIL); // tried again, not "already running"
    EXPECT_EQ(log.built, 3);

    log.build_fails.reset();
    log.run_fails = Capture_error("Could not run graph", E_UNEXPECTED);
    EXPECT_EQ(object->Run(), E_UNEXPECTED);
    EXPECT_EQ(test::Last_error(*object), "Could not run graph Catastrophic failure");
    EXPECT_EQ(log.stopped, 2);
    EXPECT_EQ(log.destroyed, 2);
    Advise(sink1);
    Post();
    Pump();
    EXPECT_TRUE(sink1.calls.empty());

    log.run_fails.reset();
    EXPECT_EQ(object->Run(), S_OK);
    EXPECT_EQ(test::Last_error(*object), ""); // cleared when Run starts
}

TEST_F(VideoCap4_sink_test, TheFirstErrorAGraphRecordsIsTheOneKept)
{
    ASSERT_EQ(object->Run(), S_OK);
    log.host->Record_error("AddDvGrabber: Could not connect source to grabber");
    log.host->Record_error("Could not build filter graph");
    EXPECT_EQ(test::Last_error(*object), "AddDvGrabber: Could not connect source to grabber");
}

TEST_F(VideoCap4_sink_test, ACreatingThreadThatFallsBehindLosesTheNewestSamplesAndCountsThem)
{
    Advise(sink1);
    test::Set_property(*object, "BufferPictures", std::to_string(2 * Sample_queue::k_default_slots));
    ASSERT_EQ(object->Run(), S_OK);
    const size_t slots = Sample_queue::k_default_slots;
    for (int i = 0; i < 20; ++i) Post({uint8_t(i)});
    Post({100}, Sample_kind::audio); // each grabber has its own slots
    EXPECT_EQ(test::Property(*object, "QueueDepth"), std::to_string(slots + 1));
    EXPECT_EQ(test::Property(*object, "DroppedSamples"), std::to_string(20 - slots));
    EXPECT_EQ(com.loop->Queued(), 2u); // one wake for each queue that was idle
    Pump();
    ASSERT_EQ(sink1.calls.size(), slots + 1);
    std::vector<uint8_t> dv;
    for (const auto& c : sink1.calls)
        if (c.kind == 'D') dv.push_back(c.bytes.at(0));
    std::vector<uint8_t> oldest(slots);
    std::iota(oldest.begin(), oldest.end(), uint8_t(0));
    EXPECT_EQ(dv, oldest); // the oldest, in order
    EXPECT_EQ(sink1.count('A'), 1u);
    EXPECT_EQ(test::Property(*object, "QueueDepth"), "0");
    Post({99});
    Pump();
    EXPECT_EQ(sink1.calls.back().bytes, std::vector<uint8_t>{99}); // room again

    object->Stop();
    ASSERT_EQ(object->Run(), S_OK);
    EXPECT_EQ(test::Property(*object, "DroppedSamples"), "0"); // counted for each Run
}

// What a waiting test reads when the watch calls: the change is already made, so a wait that
// re-checks at each call never misses it.
TEST_F(VideoCap4_sink_test, TheCounterWatchIsCalledAfterEachSampleQueuedOrLostAndEachPictureLeftOut)
{
    struct Seen {
        size_t queued;
        uint64_t dropped, left_out;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    object->Watch_counters([&] { seen.push_back({object->Queued_samples(), object->Dropped_samples(), object->Pictures_left_out()}); });
    test::Set_property(*object, "BufferPictures", std::to_string(2 * Sample_queue::k_default_slots));
    ASSERT_EQ(object->Run(), S_OK);
    const size_t slots = Sample_queue::k_default_slots;
    const struct {
        const char* step;
        std::function<void()> make;
        Seen after;
    } steps[] = {
        {"a sample queued", [&] { Post(); }, {1, 0, 0}},
        {"the queue filled", [&] { for (size_t i = 1; i < slots; ++i) Post(); }, {slots, 0, 0}},
        {"a frame that found no room", [&] { Post(); }, {slots, 1, 1}},
        {"a preview lost in the graph", [&] { object->Count_lost(Sample_kind::rgb); }, {slots, 2, 1}},
        {"pictures left out by the encoder", [&] { object->Count_left_out(3); }, {slots, 2, 4}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        const size_t calls = seen.size();
        s.make();
        ASSERT_GT(seen.size(), calls) << "the watch was not called";
        EXPECT_TRUE(seen.back() == s.after) << seen.back().queued << " queued, " << seen.back().dropped
                                            << " dropped, " << seen.back().left_out << " left out";
    }
    object->Stop();
}

TEST_F(VideoCap4_sink_test, ASampleTakenAtAKnownMomentIsGivenThatTickAndFramesLostInTheGraphAreCounted)
{
    Advise(sink1);
    ASSERT_EQ(object->Run(), S_OK);
    std::vector<std::string> ticks;
    sink1.during_call = [&] { ticks.push_back(test::Property(*object, "SampleTick")); };
    object->Post_sample(Sample_kind::dv, 0.04, k_bytes, -2147483600); // near the wrap of the tick
    object->Post_sample(Sample_kind::dv, 0.08, k_bytes, 77000);
    Pump();
    Pump();
    EXPECT_EQ(ticks, (std::vector<std::string>{"-2147483600", "77000"}));
    object->Count_lost(Sample_kind::dv);
    object->Count_lost(Sample_kind::rgb);
    EXPECT_EQ(test::Property(*object, "DroppedSamples"), "2");
    object->Stop();
    object->Count_lost(Sample_kind::dv); // no run to count it in
    EXPECT_EQ(test::Property(*object, "DroppedSamples"), "2");
}

TEST_F(VideoCap4_sink_test, ASinkThatPumpsTheLoopInsideItsCallGetsTheSamplesThatCameMeanwhileInOrderAfterIt)
{
    Advise(sink1);
    int depth = 0, deepest = 0;
    sink1.during_call = [&] {
        deepest = std::max(deepest, ++depth);
        if (sink1.calls.size() == 1) {
            Post({2});
            Post({3}, Sample_kind::rgb);
            Pump(); // the wakes of both queues run in here and must not deliver inside this call
        }
        --depth;
    };
    ASSERT_EQ(object->Run(), S_OK);
    Post({1});
    Pump();
    EXPECT_EQ(deepest, 1);
    ASSERT_EQ(sink1.calls.size(), 3u);
    EXPECT_EQ(sink1.calls[1].bytes, std::vector<uint8_t>{2});
    EXPECT_EQ(sink1.calls[2].bytes, std::vector<uint8_t>{3});
    EXPECT_EQ(object->Dropped_samples(), 0u);
    Post({4});
    EXPECT_EQ(com.loop->Queued(), 1u); // idle again: the next sample wakes the thread
    Pump();
    EXPECT_EQ(sink1.calls.size(), 4u);
}

// A sink slower than 30 samples coming 40 ms apart (its first call lasts until the last was
// posted, however busy the machine): between any two deliveries the thread serves what else was
// posted to it, samples keep their order, none comes twice, and those that found no room are
// counted.
TEST_F(VideoCap4_sink_test, ASlowSinkLetsTheThreadServeItsOtherWorkBetweenTwoSamples)
{
    Advise(sink1);
    std::vector<std::string> events;
    std::atomic<bool> done{false};
    test::Signal camera_done;
    sink1.during_call = [&] {
        events.push_back("sample " + std::to_string(sink1.calls.back().bytes.at(0)));
        if (sink1.calls.size() != 1) return;
        com.loop->Post([&] { events.push_back("work"); });
        camera_done.Wait_until([&] { return done.load(); });
    };
    test::Set_property(*object, "BufferPictures", std::to_string(2 * Sample_queue::k_default_slots));
    ASSERT_EQ(object->Run(), S_OK);
    std::thread camera([&] {
        for (int i = 0; i < 30; ++i) {
            Post({uint8_t(i)});
            std::this_thread::sleep_for(40ms);
        }
        done = true;
        camera_done.Notify();
        com.loop->Post([] {}); // wakes the loop below once more
    });
    // Each sample, and the end, is work posted to the loop: it wakes the wait.
    while (!done) com.loop->Wait_and_run(60s);
    camera.join();
    Pump();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0], "sample 0");
    EXPECT_EQ(events[1], "work"); // before the second sample
    std::vector<int> delivered;
    for (const auto& c : sink1.calls) delivered.push_back(c.bytes.at(0));
    EXPECT_TRUE(std::is_sorted(delivered.begin(), delivered.end()));
    EXPECT_EQ(std::adjacent_find(delivered.begin(), delivered.end()), delivered.end());
    EXPECT_EQ(delivered.size() + object->Dropped_samples(), 30u);
    EXPECT_LT(delivered.size(), 30u); // the sink is slower than the samples
}

// Each turn of the loop gives one sample, so a timer-like chain of posted work advances between
// them; posted all at once, eight samples take eight turns.
TEST_F(VideoCap4_sink_test, OneSampleIsDeliveredPerTurnOfTheLoop)
{
    Advise(sink1);
    ASSERT_EQ(object->Run(), S_OK);
    for (int i = 0; i < 8; ++i) Post({uint8_t(i)});
    std::vector<size_t> seen_at_turn;
    std::function<void()> turn = [&] {
        seen_at_turn.push_back(sink1.calls.size());
        if (seen_at_turn.size() < 10) com.loop->Post(turn);
    };
    com.loop->Post(turn);
    Pump();
    EXPECT_EQ(seen_at_turn, (std::vector<size_t>{1, 2, 3, 4, 5, 6, 7, 8, 8, 8}));
    EXPECT_EQ(sink1.calls.size(), 8u);
}

TEST_F(VideoCap4_sink_test, ARunningGraphThatStopsByItselfIsReportedToTheSinksThatListen)
{
    Advise(sink1);
    sink2.hears_stops = false;
    Advise(sink2);
    ASSERT_EQ(object->Run(), S_OK);
    Post({1});
    Post({2});
    log.host->Graph_stopped("The source failed: unplugged");
    Pump();
    // The samples before the stop first, then the notice; the client stops the graph.
    ASSERT_EQ(sink1.calls.size(), 2u);
    EXPECT_EQ(sink2.calls.size(), 2u);
    ASSERT_EQ(sink1.stops.size(), 1u);
    EXPECT_EQ(sink1.stops[0], std::make_pair(std::string("The source failed: unplugged"), size_t(2)));
    EXPECT_EQ(test::Last_error(*object), "The source failed: unplugged");
    EXPECT_EQ(log.stopped, 0);
    object->Stop();
    EXPECT_EQ(log.destroyed, 1);
    // A stop the client asked for first leaves nothing to tell.
    ASSERT_EQ(object->Run(), S_OK);
    log.host->Graph_stopped("late");
    object->Stop();
    Pump();
    EXPECT_EQ(sink1.stops.size(), 1u);
    EXPECT_EQ(test::Last_error(*object), "");
}

// Aborts the test program when a scope does not end within the limit: a pump that never comes
// back would otherwise hang the run instead of failing it.
class Hang_guard {
public:
    explicit Hang_guard(std::chrono::milliseconds limit)
        : watcher_([this, limit] {
              std::unique_lock lock(mutex_);
              if (!ended_.wait_for(lock, limit, [this] { return over_; })) {
                  std::fprintf(stderr, "Hang_guard: the guarded scope did not end within %lld ms\n",
                               static_cast<long long>(limit.count()));
                  std::abort();
              }
          })
    {
    }
    ~Hang_guard()
    {
        {
            std::lock_guard lock(mutex_);
            over_ = true;
        }
        ended_.notify_all();
        watcher_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool over_ = false;
    std::thread watcher_;
};

TEST_F(VideoCap4_sink_test, AStopThatComesWhileASinkPumpsTheLoopIsToldOnceAfterTheSamplesBeforeIt)
{
    Advise(sink1);
    size_t ran_inside = 0;
    bool stop_inside = false;
    sink1.during_call = [&] {
        if (sink1.calls.size() != 1) return;
        Post({2});
        log.host->Graph_stopped("The source failed: unplugged");
        const Hang_guard guard(10s);
        ran_inside = Pump(); // meets the stop notice while this delivery is going
        if (stop_inside) object->Stop();
    };
    ASSERT_EQ(object->Run(), S_OK);
    Post({1});
    Pump();
    ASSERT_EQ(sink1.calls.size(), 2u);
    EXPECT_EQ(sink1.calls[1].bytes, std::vector<uint8_t>{2});
    ASSERT_EQ(sink1.stops.size(), 1u);
    EXPECT_EQ(sink1.stops[0], std::make_pair(std::string("The source failed: unplugged"), size_t(2)));
    EXPECT_EQ(test::Last_error(*object), "The source failed: unplugged");
    EXPECT_GE(ran_inside, 1u);
    EXPECT_LE(ran_inside, 2u); // the wake and the notice, each once, not over and over
    EXPECT_EQ(com.loop->Queued(), 0u);

    // Stopped by the client inside that same call: the notice that waited is not told.
    object->Stop();
    sink1.calls.clear();
    sink1.stops.clear();
    stop_inside = true;
    ASSERT_EQ(object->Run(), S_OK);
    Post({1});
    Pump();
    EXPECT_EQ(sink1.calls.size(), 1u);
    EXPECT_TRUE(sink1.stops.empty());
    EXPECT_EQ(test::Last_error(*object), "");
}

TEST_F(VideoCap4_sink_test, TheStreamTimeIsTheGraphsAndZeroWithoutOne)
{
    EXPECT_EQ(test::Property(*object, "StreamTime"), "0.000000");
    ASSERT_EQ(object->Run(), S_OK);
    log.stream_time = 12.5;
    EXPECT_EQ(test::Property(*object, "streamtime"), "12.500000");
}

TEST_F(VideoCap4_sink_test, TheObjectOutlivesTheSamplesOnTheirWayAndThenLetsItsSinksGo)
{
    Advise(sink1);
    ASSERT_EQ(object->Run(), S_OK);
    Post();
    object.Reset(); // the client lets go while a sample waits
    EXPECT_TRUE(Module_in_use());
    EXPECT_EQ(sink1.references, 1u);
    Pump();
    EXPECT_EQ(sink1.calls.size(), 1u);
    EXPECT_EQ(sink1.references, 0u); // the object went after the delivery
    EXPECT_FALSE(Module_in_use());
    EXPECT_EQ(log.stopped, 1);
}

} // namespace
} // namespace wk
