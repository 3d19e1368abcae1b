// The graphs on GStreamer, run for real: DV files made by the test, the fake camera, the fake
// webcam and the fake sound input. Samples must reach the sinks whole, once, in order, on the
// creating thread.
#include "capture_server/Fake_devices.h"
#include "capture_server/Gst_device_catalog.h"
#include "capture_server/Gst_capture_graph.h"
#include "capture_server/Gst_graph_builder.h"
#include "tests/capture_server/Capture_test_support.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Signal.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <set>

namespace wk {
namespace {

using namespace com;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

class Capture_graphs_test : public ::testing::Test {
protected:
    Com_ptr<VideoCap4> Make_object()
    {
        auto devices = std::make_shared<const Gst_device_catalog>();
        Com_ptr<VideoCap4> made;
        EXPECT_EQ(VideoCap4::Create(devices, std::make_unique<Gst_graph_builder>(devices), made), S_OK);
        return made;
    }
    uint32_t Advise(test::Recording_sink& sink)
    {
        uint32_t cookie = 0;
        EXPECT_EQ(object->Advise(&sink, &cookie), S_OK);
        return cookie;
    }
    bool Pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit = 60s)
    {
        return test::Pump_until(com, done, limit);
    }
    void Pump_for(std::chrono::milliseconds span)
    {
        Pump_until([] { return false; }, span);
    }
    int64_t Dropped() { return std::stoll(test::Property(*object, "DroppedSamples")); }
    // With only the given fake devices: advises the sink, chooses the source and runs it.
    void Run_fake(const char* devices, const std::string& source)
    {
        fake_devices.emplace(k_Fake_devices_variable, devices);
        Advise(sink);
        ASSERT_EQ(test::Select(*object, source), 1);
        ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
    }
    fs::path Type_2_avi()
    {
        const fs::path path = com.home.path() / "heat.avi";
        test::Write_DV_AVI(path, frames);
        return path;
    }

    // Where each sample the sink got lies in the file, as long as each is a later frame than the
    // one before (a sample that is none ends the list, with a failure).
    std::vector<size_t> File_places() const
    {
        std::vector<size_t> at;
        size_t next = 0;
        for (const auto& call : sink.calls) {
            while (next < frames.size() && call.bytes != frames[next]) ++next;
            if (next == frames.size()) {
                ADD_FAILURE() << "sample " << at.size() << " is no later frame of the file";
                break;
            }
            at.push_back(next++);
        }
        return at;
    }

    // The sinks outlive the object, which holds them, and the thread's queue of posted wakes,
    // which may hold the object a little longer.
    test::Recording_sink sink, other;
    test::Com_test_home com;
    std::optional<test::Environment_scope> fake_devices;
    std::vector<test::DV_frame> frames = test::Make_DV_frames(25);
    test::Signal counters; // for a test that watches the object's counters; outlives it
    Com_ptr<VideoCap4> object = Make_object();
};

struct File_case {
    const char* name;
    void (*write)(const fs::path&, const std::vector<test::DV_frame>&);
};
void PrintTo(const File_case& c, std::ostream* out) { *out << c.name; }

class Capture_file_test : public Capture_graphs_test, public ::testing::WithParamInterface<File_case> {};

TEST_P(Capture_file_test, EveryFrameOfTheFileReachesTheSinkWholeOnceAndInOrderOnTheCreatingThread)
{
    const fs::path path = com.home.path() / GetParam().name;
    GetParam().write(path, frames);
    Advise(sink);
    ASSERT_EQ(test::Select(*object, "file:" + path.string()), 1);
    ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
    EXPECT_EQ(object->Run(), S_FALSE);
    EXPECT_TRUE(Pump_until([&] { return sink.calls.size() >= 25; }));
    Pump_for(300ms); // nothing more may come
    ASSERT_EQ(sink.calls.size(), 25u);
    for (size_t i = 0; i < 25; ++i) {
        const auto& call = sink.calls[i];
        EXPECT_EQ(call.kind, 'D');
        ASSERT_EQ(call.bytes.size(), 144000u);
        EXPECT_EQ(call.bytes[0], 0x1F);
        EXPECT_EQ(call.bytes[1], 0x07);
        EXPECT_TRUE(call.bytes == frames[i]) << "frame " << i;
        EXPECT_NEAR(call.time, 0.04 * double(i), 0.001);
        EXPECT_EQ(call.thread, std::this_thread::get_id());
        EXPECT_EQ(call.device, 0);
        EXPECT_EQ(call.source, static_cast<IVideoCap*>(object.Get()));
    }
    EXPECT_EQ(std::set(frames.begin(), frames.end()).size(), 25u); // the frames differ pairwise
    EXPECT_EQ(test::Property(*object, "Width"), "720");
    EXPECT_EQ(test::Property(*object, "Height"), "576");
    EXPECT_EQ(test::Property(*object, "RGB"), "0");
    EXPECT_EQ(Dropped(), 0);
    EXPECT_EQ(object->Stop(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Capture_file_test,
                         ::testing::Values(File_case{"type2.avi", [](const fs::path& p, const auto& f) { test::Write_DV_AVI(p, f); }},
                                           File_case{"type1.avi", [](const fs::path& p, const auto& f) { test::Write_DV_AVI(p, f, {.type = 1}); }},
                                           File_case{"raw.dv", [](const fs::path& p, const auto& f) { test::Write_DV_file(p, f); }},
                                           File_case{"sound.avi", [](const fs::path& p, const auto& f) { test::Write_DV_AVI(p, f, {.audio = true}); }}),
                         [](const auto& info) { return std::string(info.param.name).substr(0, std::string(info.param.name).find('.')); });

TEST_F(Capture_graphs_test, WithRgbSetAFileAlsoGivesItsFramesAsBottomUpPicturesInOrder)
{
    Advise(sink);
    ASSERT_EQ(test::Select(*object, "file:" + Type_2_avi().string()), 1);
    test::Set_property(*object, "RGB", "true");
    ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
    // On a loaded machine this thread may fall behind the file; what that costs is counted.
    EXPECT_TRUE(Pump_until([&] { return int64_t(sink.calls.size()) + Dropped() >= 50; }));
    Pump_for(200ms);
    EXPECT_EQ(int64_t(sink.calls.size()) + Dropped(), 50);
    ASSERT_GT(sink.count('R'), 0u);
    double last_time = -1;
    int64_t next_frame = 1;
    for (const auto& call : sink.calls) {
        if (call.kind != 'R') continue;
        ASSERT_EQ(call.bytes.size(), test::k_Rgb_bytes);
        EXPECT_GT(call.time, last_time);
        last_time = call.time;
        const int64_t code = test::Field_code_of_picture(call.bytes);
        while (next_frame <= 25 && code != test::Field_number(next_frame, 1)) ++next_frame;
        ASSERT_LE(next_frame++, 25) << "a picture of no later frame, field " << code;
    }
    EXPECT_EQ(test::Property(*object, "RGB"), "1");
    EXPECT_EQ(test::Property(*object, "Width"), "720"); // the RGB grabber is the last one built
}

TEST_F(Capture_graphs_test, ASinkSlowerThanTheFramesLosesOnlyCountedSamplesAndItsBufferHoldsStillDuringEachCall)
{
    Advise(sink);
    object->Watch_counters(counters.Notifier());
    bool unchanged = true;
    sink.during_call = [&] {
        const auto& entry = sink.calls.back().bytes;
        // The first call lasts until the queue has overflowed, however slowly the file is read
        // (the deadline only catches a hang). Its slots never all wait: one is with the sink.
        if (sink.calls.size() == 1) {
            EXPECT_TRUE(counters.Wait_until([&] { return object->Dropped_samples() > 0; }));
        }
        std::this_thread::sleep_for(100ms);
        unchanged &= std::memcmp(sink.buffer, entry.data(), entry.size()) == 0;
    };
    ASSERT_EQ(test::Select(*object, "file:" + Type_2_avi().string()), 1);
    test::Set_property(*object, "BufferPictures", std::to_string(2 * Sample_queue::k_default_slots));
    ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
    EXPECT_TRUE(Pump_until([&] { return int64_t(sink.calls.size()) + Dropped() >= 25; }));
    Pump_for(300ms);
    EXPECT_EQ(int64_t(sink.calls.size()) + Dropped(), 25);
    EXPECT_GT(Dropped(), 0);
    EXPECT_TRUE(unchanged);
    EXPECT_EQ(test::Property(*object, "QueueDepth"), "0");
    // Whatever came is a frame of the file, in file order, none twice, at its own time.
    const std::vector<size_t> at = File_places();
    ASSERT_EQ(at.size(), sink.calls.size());
    for (size_t i = 0; i < at.size(); ++i) EXPECT_NEAR(sink.calls[i].time, 0.04 * double(at[i]), 0.001);
}

TEST_F(Capture_graphs_test, ASinkThatPumpsTheLoopInsideItsCallStillGetsEveryFrameInOrder)
{
    Advise(sink);
    int depth = 0, deepest = 0;
    sink.during_call = [&] {
        deepest = std::max(deepest, ++depth);
        com.loop->Wait_and_run(15ms);
        --depth;
    };
    const fs::path path = com.home.path() / "type1.avi";
    test::Write_DV_AVI(path, frames, {.type = 1});
    ASSERT_EQ(test::Select(*object, "file:" + path.string()), 1);
    ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
    // The end of the file often comes while the last frame's call pumps; it is told after it.
    EXPECT_TRUE(Pump_until([&] { return !sink.stops.empty(); }));
    // Every frame came, in file order and once, unless a busy machine kept this thread from
    // taking it in time: then it was dropped and counted.
    EXPECT_EQ(int64_t(sink.calls.size()) + Dropped(), 25);
    EXPECT_EQ(File_places().size(), sink.calls.size());
    EXPECT_EQ(sink.stops.at(0), std::make_pair(std::string(k_End_of_stream), sink.calls.size()));
    EXPECT_EQ(deepest, 1);
}

// An AVI whose one stream is sound: 48 kHz stereo 16-bit PCM, ten chunks of 40 ms.
std::vector<uint8_t> Sound_only_avi()
{
    test::Riff_builder r;
    r.Begin_list("hdrl");
    r.Chunk("avih", test::Avi_main_header({.flags = 0, .total_frames = 10}));
    r.Begin_list("strl");
    r.Chunk("strh", test::Avi_stream_header({.type = "auds", .handler = std::string(4, '\0'), .scale = 4, .rate = 192000,
                                              .length = 480 * 10, .suggested_buffer = 7680, .sample_size = 4}));
    r.Chunk("strf", test::Wave_format(1, 2, 48000, 16));
    r.End_list();
    r.End_list();
    r.Begin_list("movi");
    for (int i = 0; i < 10; ++i) r.Chunk("00wb", std::vector<uint8_t>(7680, uint8_t(i)));
    r.End_list();
    return r.Finish();
}

TEST_F(Capture_graphs_test, AFileThatCannotPlayMakesRunFailWithTheReason)
{
    ASSERT_EQ(test::Select(*object, "file:" + (com.home.path() / "missing.avi").string()), 1);
    EXPECT_EQ(object->Run(), E_FILE_NOT_FOUND);
    EXPECT_EQ(test::Last_error(*object), "Could not load file! The system cannot find the file specified.");
    EXPECT_EQ(object->Run(), E_FILE_NOT_FOUND); // tried again: the failed Run left it stopped

    struct Unplayable {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* reason;
    };
    const Unplayable files[] = {
        {"notes.avi", std::vector<uint8_t>(4000, 'a'), "the file is neither DV nor AVI but text/plain"},
        {"sound.avi", Sound_only_avi(), "the file holds no DV video"},
        {"cut.dv", std::vector<uint8_t>(frames[0].begin(), frames[0].begin() + 50), "no whole DV frame could be read"},
    };
    for (const auto& f : files) {
        const fs::path path = com.home.path() / f.name;
        test::Write_bytes(path, f.bytes);
        ASSERT_EQ(test::Select(*object, "file:" + path.string()), 1);
        EXPECT_EQ(object->Run(), E_FAIL) << f.name;
        const std::string error = test::Last_error(*object);
        EXPECT_EQ(error.rfind("Could not run graph: ", 0), 0u) << error;
        EXPECT_NE(error.find(f.reason), std::string::npos) << error;
        EXPECT_GT(error.size(), 21u) << error; // a reason is given
    }
}

TEST_F(Capture_graphs_test, TheFakeCameraGivesWholeDvFramesAt25ASecondOfSampleTime)
{
    Run_fake("video:1", "video:1");
    EXPECT_EQ(test::Property(*object, "SourceFriendlyName"), "Fake DV camera 1");
    EXPECT_TRUE(Pump_until([&] { return !sink.calls.empty() && sink.calls.back().time - sink.calls.front().time > 1.1; }));
    object->Stop();
    ASSERT_GE(sink.calls.size(), 26u);
    const double start = sink.calls.front().time;
    size_t in_first_second = 0;
    for (size_t i = 0; i < sink.calls.size(); ++i) {
        const auto& call = sink.calls[i];
        EXPECT_EQ(call.kind, 'D');
        ASSERT_EQ(call.bytes.size(), 144000u);
        EXPECT_EQ(call.bytes[0], 0x1F);
        EXPECT_EQ(call.bytes[1], 0x07);
        EXPECT_EQ(call.device, 1);
        EXPECT_EQ(call.thread, std::this_thread::get_id());
        if (i > 0) { EXPECT_NEAR(call.time - sink.calls[i - 1].time, 0.04, 0.002) << i; }
        if (call.time < start + 1.0 - 0.001) ++in_first_second;
    }
    EXPECT_EQ(in_first_second, 25u);
    EXPECT_EQ(test::Property(*object, "RGB"), "0");
    EXPECT_EQ(Dropped(), 0);
}

TEST_F(Capture_graphs_test, AFakeCameraThatFailsAfterFiftyFramesIsReportedAfterItsFiftyFrames)
{
    other.hears_stops = false;
    Advise(other); // a sink without the stop notice still gets the frames
    Run_fake("video:1:fail=50", "video:1");
    EXPECT_TRUE(Pump_until([&] { return !sink.stops.empty(); }));
    Pump_for(200ms); // nothing after the notice
    ASSERT_EQ(sink.stops.size(), 1u);
    // On a loaded machine this thread may fall behind the camera; what that costs is counted.
    const size_t taken = sink.count('D');
    EXPECT_EQ(int64_t(taken) + Dropped(), 50);
    EXPECT_GT(taken, 0u);
    EXPECT_EQ(sink.calls.size(), taken);
    EXPECT_EQ(sink.stops[0].second, taken); // after every frame taken before the stop
    EXPECT_EQ(other.count('D'), taken);
    const std::string reason = sink.stops[0].first;
    EXPECT_EQ(reason.rfind(k_Graph_error, 0), 0u) << reason;
    EXPECT_EQ(test::Last_error(*object), reason);
    // Stopped by the client, it runs again.
    object->Stop();
    ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
    EXPECT_TRUE(Pump_until([&] { return sink.count('D') > 50; }));
    EXPECT_EQ(test::Last_error(*object), "");
    object->Stop();
}

TEST_F(Capture_graphs_test, AFileThatEndsIsReportedAsTheEndOfItsStream)
{
    Advise(sink);
    ASSERT_EQ(test::Select(*object, "file:" + Type_2_avi().string()), 1);
    ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
    EXPECT_TRUE(Pump_until([&] { return !sink.stops.empty(); }));
    EXPECT_EQ(sink.count('D'), 25u);
    EXPECT_EQ(sink.stops.at(0), std::make_pair(std::string(k_End_of_stream), size_t(25)));
    EXPECT_EQ(test::Last_error(*object), k_End_of_stream);
    EXPECT_EQ(object->Stop(), S_OK);
}

TEST_F(Capture_graphs_test, StopThenRunAtOnceKeepsFramesComingAndNothingOfTheFirstRunArrivesAfterTheStop)
{
    Run_fake("video:2", "video:2");
    ASSERT_TRUE(Pump_until([&] { return sink.calls.size() >= 5; }));
    EXPECT_EQ(object->Stop(), S_OK);
    const auto second_run = std::chrono::steady_clock::now();
    ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
    const size_t first_run = sink.calls.size();
    ASSERT_TRUE(Pump_until([&] { return sink.calls.size() >= first_run + 5; }));
    // The second graph's clock starts again: its first frame's time is within what passed since
    // its start, however slowly the frames came.
    EXPECT_LE(sink.calls[first_run].time,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - second_run).count());
    for (size_t i = first_run; i < sink.calls.size(); ++i) {
        EXPECT_EQ(sink.calls[i].bytes.size(), 144000u);
        EXPECT_EQ(sink.calls[i].device, 2);
        if (i > first_run) { EXPECT_GT(sink.calls[i].time, sink.calls[i - 1].time); }
    }
    const double stream_time = std::stod(test::Property(*object, "StreamTime"));
    EXPECT_GE(stream_time, sink.calls.back().time);
    EXPECT_LT(stream_time, sink.calls.back().time + 1.0);
}

TEST_F(Capture_graphs_test, ACameraWithoutDvDeliversRgbPicturesBesidesItsDvFrames)
{
    Run_fake("video:0,webcam:1", "video:1");
    EXPECT_TRUE(Pump_until([&] { return sink.count('R') >= 3 && sink.count('D') >= 3; }));
    object->Stop();
    for (const auto& call : sink.calls)
        EXPECT_EQ(call.bytes.size(), call.kind == 'R' ? 640u * 480 * 3 : 144000u) << call.kind;
    EXPECT_EQ(test::Property(*object, "RGB"), "1");
}

TEST_F(Capture_graphs_test, TheSoundInputGivesEightBitSamplesOfTheAudioSampleDurationHeldToASaneRange)
{
    Run_fake("audio:1", "audio:1"); // 40 ms at first
    EXPECT_TRUE(Pump_until([&] { return sink.calls.size() >= 10; }));
    object->Stop();
    ASSERT_GE(sink.calls.size(), 10u);
    int low = 255, high = 0;
    int64_t skipped = 0;
    for (size_t i = 0; i < sink.calls.size(); ++i) {
        const auto& call = sink.calls[i];
        EXPECT_EQ(call.kind, 'A');
        ASSERT_EQ(call.bytes.size(), 3840u); // 48 kHz, two channels, a byte each, 40 ms
        if (i > 0) {
            // Chunks follow each other 40 ms apart; one this thread fell too far behind to take
            // leaves a gap of whole chunks, each counted as dropped.
            const double chunks = (call.time - sink.calls[i - 1].time) / 0.04;
            EXPECT_GE(chunks, 0.99) << i;
            EXPECT_NEAR(chunks, std::round(chunks), 0.0125) << i;
            skipped += std::llround(chunks) - 1;
        }
        for (uint8_t b : call.bytes) low = std::min<int>(low, b), high = std::max<int>(high, b);
    }
    EXPECT_LE(skipped, Dropped());
    // A tone at a third of full scale around the unsigned middle, 128.
    EXPECT_NEAR(low, 128 - 38, 6);
    EXPECT_NEAR(high, 128 + 38, 6);

    sink.calls.clear();
    test::Set_property(*object, "AudioSampleDuration", "0");
    ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
    EXPECT_TRUE(Pump_until([&] { return sink.calls.size() >= 3; }));
    object->Stop();
    ASSERT_GE(sink.calls.size(), 3u);
    EXPECT_EQ(sink.calls[0].bytes.size(), 960u); // 10 ms, the least there is
}

TEST_F(Capture_graphs_test, SinksMayUnadviseWhileFramesFlowAndTheObjectMayGoWhileTheyDo)
{
    test::Environment_scope fake(k_Fake_devices_variable, "video:1");
    const uint32_t first = Advise(sink);
    Advise(other);
    sink.during_call = [&] {
        if (sink.calls.size() == 3) { EXPECT_EQ(object->Unadvise(first), S_OK); }
    };
    ASSERT_EQ(test::Select(*object, "video:1"), 1);
    ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
    EXPECT_TRUE(Pump_until([&] { return other.calls.size() >= 8; }));
    EXPECT_EQ(sink.calls.size(), 3u);
    EXPECT_EQ(sink.references, 0u);
    object.Reset(); // frames still on their way
    Pump_for(200ms);
    EXPECT_EQ(other.references, 0u);
}

// A host that only counts, for driving a graph without an object.
struct Counting_host final : Graph_host {
    void Post_sample(Sample_kind kind, double, std::span<const uint8_t>, std::optional<int32_t>) override
    {
        ++samples[size_t(kind)];
        posted.Notify();
    }
    void Post_frame(double, std::span<const uint8_t>, const Encoded_times&) override
    {
        ++samples[0];
        posted.Notify();
    }
    void Count_lost(Sample_kind) override {}
    void Count_left_out(int32_t) override {}
    bool Preview_wanted() const override { return true; }
    void Record_error(const std::string&) override {}
    void Set_connected_media_type(const Media_type&) override {}
    void Set_rgb() override {}
    void Set_camera_mode(const std::string&) override {}
    void Graph_stopped(const std::string&) override {}
    std::atomic<int> samples[3] = {0, 0, 0};
    test::Signal posted;
};

// GStreamer keeps its objects in GLib's own memory pools, where the leak checker does not see
// them; so each element is watched until it is gone.
TEST_F(Capture_graphs_test, AGraphLetsGoOfEveryElementItMadeWhenItGoes)
{
    Counting_host host;
    Source_selection file;
    file.kind = Source_kind::dv_file;
    file.file_path = Type_2_avi().string();
    Gst_graph_builder builder(std::make_shared<const Gst_device_catalog>());
    auto graph = builder.Build(file, {.rgb = true}, host);
    graph->Run();
    ASSERT_TRUE(host.posted.Wait_until([&] { return host.samples[size_t(Sample_kind::rgb)] >= 2; }));
    auto* bin = dynamic_cast<Gst_capture_graph&>(*graph).Bin();
    std::vector<gpointer> watched{bin};
    GstIterator* all = gst_bin_iterate_recurse(bin);
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(all, &item) == GST_ITERATOR_OK) {
        watched.push_back(g_value_get_object(&item));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(all);
    EXPECT_GE(watched.size(), 12u); // source, type finder, demultiplexer, split, queues, decoder, grabbers ...
    for (auto& p : watched) g_object_add_weak_pointer(G_OBJECT(p), &p);
    graph.reset();
    for (size_t i = 0; i < watched.size(); ++i) EXPECT_EQ(watched[i], nullptr) << "element " << i << " is still alive";
}

TEST_F(Capture_graphs_test, WithoutAChosenSourceOrWithAGoneDeviceRunSaysWhy)
{
    EXPECT_EQ(object->Run(), E_FAIL);
    EXPECT_EQ(test::Last_error(*object), k_No_video_device);
    {
        test::Environment_scope fake(k_Fake_devices_variable, "video:0,audio:0");
        object = Make_object();
        EXPECT_EQ(test::Select(*object, "video:1"), 0);
        EXPECT_EQ(test::Last_error(*object), k_No_device_enumerator);
        EXPECT_EQ(object->Run(), E_FAIL);
        EXPECT_EQ(test::Last_error(*object), k_No_video_device);
    }
}

} // namespace
} // namespace wk
