// A camera without DV recorded for real: the fake webcams' numbered pictures come back from the
// DV frames the server delivers, each field its own picture at 50 a second, one picture a
// frame at 25, 30 brought to 25; the frames' ticks are their first fields' capture times.
#include "capture_server/Dv_encoder.h"
#include "capture_server/Fake_devices.h"
#include "capture_server/Gst_device_catalog.h"
#include "capture_server/Gst_graph_builder.h"
#include "capture_server/Picture_encoder.h"
#include "comlite/Query_interface.h"
#include "platform/Clock.h"
#include "tests/capture_server/Capture_test_support.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Signal.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <charconv>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <set>

namespace wk {
namespace {

using namespace com;
using namespace std::chrono_literals;

// Keeps each DV frame with its sample time, the tick the server gives it, the fields' times and
// the tick it came. Shows the preview or not, as the case says.
class Frame_sink final : public IVideoCapEvent, public IVideoCapFrameEvent, public IVideoCapStateEvent {
public:
    struct Frame {
        double time;
        std::vector<uint8_t> bytes;
        std::optional<int32_t> tick;
        int32_t arrival;
        DV_frame_times fields;
    };
    HRESULT QueryInterface(const IID& riid, void** ppv) override
    {
        if (ppv && riid == IVideoCapFrameEvent::iid) {
            *ppv = static_cast<IVideoCapFrameEvent*>(this);
            return S_OK;
        }
        if (ppv && riid == IVideoCapStateEvent::iid) {
            *ppv = static_cast<IVideoCapStateEvent*>(this);
            return S_OK;
        }
        return Query_interface<IVideoCapEvent>(static_cast<IVideoCapEvent*>(this), riid, ppv);
    }
    HRESULT OnDVFrame(IVideoCap* source, double time, const uint8_t* buffer, uint32_t size, int32_t device,
                      const DV_frame_times* times) override
    {
        OnDVEvent(source, time, buffer, size, device);
        frames.back().fields = *times;
        return S_OK;
    }
    HRESULT WantsPreview(int32_t* wants) override
    {
        *wants = preview;
        return S_OK;
    }
    HRESULT OnSourceStopped(IVideoCap*, BSTR) override
    {
        stopped = true;
        return S_OK;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT OnDVEvent(IVideoCap* source, double time, const uint8_t* buffer, uint32_t size, int32_t) override
    {
        const std::string text = test::Property(*source, "SampleTick");
        int32_t tick = 0;
        const bool read = std::from_chars(text.data(), text.data() + text.size(), tick).ec == std::errc();
        frames.push_back({time, std::vector<uint8_t>(buffer, buffer + size), read ? std::optional(tick) : std::nullopt,
                          platform::Get_clock().Tick()});
        return S_OK;
    }
    HRESULT OnRGBEvent(IVideoCap*, double, const uint8_t*, uint32_t size, int32_t) override
    {
        rgb_sizes.push_back(size);
        return S_OK;
    }
    HRESULT OnAudioEvent(IVideoCap*, double, const uint8_t*, uint32_t, int32_t) override { return S_OK; }

    std::vector<Frame> frames;
    std::vector<uint32_t> rgb_sizes;
    int32_t preview = 0;
    bool stopped = false;
};

// A frame as libavcodec decodes it: its luma, field order and pixel shape.
struct Decoded {
    std::vector<uint8_t> luma;
    bool top_field_first = true;
    AVRational sample_aspect{0, 1};
};

Decoded Decode(const std::vector<uint8_t>& frame)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    AVPacket* packet = av_packet_alloc();
    AVFrame* picture = av_frame_alloc();
    Decoded out;
    std::vector<uint8_t> padded(frame);
    padded.resize(frame.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    packet->data = padded.data();
    packet->size = int(frame.size());
    if (avcodec_open2(context, codec, nullptr) == 0 && avcodec_send_packet(context, packet) == 0 &&
        avcodec_receive_frame(context, picture) == 0 && picture->width == 720 && picture->height == 576) {
        for (int y = 0; y < 576; ++y)
            out.luma.insert(out.luma.end(), picture->data[0] + y * picture->linesize[0],
                            picture->data[0] + y * picture->linesize[0] + 720);
        out.top_field_first = picture->top_field_first != 0;
        out.sample_aspect = picture->sample_aspect_ratio;
    }
    packet->data = nullptr;
    packet->size = 0;
    av_frame_free(&picture);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    return out;
}

// An object on the machine's (here the fake) devices, sink advised and the first camera chosen.
void Make_webcam_object(Frame_sink& sink, Com_ptr<VideoCap4>& object)
{
    auto devices = std::make_shared<const Gst_device_catalog>();
    ASSERT_EQ(VideoCap4::Create(devices, std::make_unique<Gst_graph_builder>(devices), object), S_OK);
    uint32_t cookie = 0;
    ASSERT_EQ(object->Advise(&sink, &cookie), S_OK);
    ASSERT_EQ(test::Select(*object, "video:1"), 1);
}

struct Webcam_case {
    const char* devices;
    double picture_ms;      // between the camera's pictures
    int fields_apart;       // picture numbers between a frame's first and second field, at least
    int fields_apart_most;  // and at most (a picture left out between them)
    bool wide;
    const char* mode_says;  // part of the CameraMode property
    bool preview = false;   // the sink shows the preview
};
void PrintTo(const Webcam_case& c, std::ostream* out) { *out << c.devices; }

class Camera_encoding_test : public ::testing::TestWithParam<Webcam_case> {
protected:
    void Run_for_frames(size_t count)
    {
        fake.emplace(k_Fake_devices_variable, GetParam().devices);
        sink.preview = GetParam().preview ? 1 : 0;
        ASSERT_NO_FATAL_FAILURE(Make_webcam_object(sink, object));
        ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
        mode = test::Property(*object, "CameraMode");
        EXPECT_TRUE(test::Pump_until(com, [&] { return sink.frames.size() >= count; }));
        lost = std::stoll(test::Property(*object, "DroppedFrames")) + std::stoll(test::Property(*object, "PicturesLeftOut"));
        object->Stop();
    }

    Frame_sink sink; // outlives the object
    test::Com_test_home com;
    std::optional<test::Environment_scope> fake;
    Com_ptr<VideoCap4> object;
    std::string mode;
    int64_t lost = 0; // recording frames and pictures; the preview may lose pictures
};

TEST_P(Camera_encoding_test, EachFieldHoldsItsOwnPictureAtItsOwnTime)
{
    const auto& c = GetParam();
    Run_for_frames(40);
    ASSERT_GE(sink.frames.size(), 40u);
    EXPECT_NE(mode.find(c.mode_says), std::string::npos) << mode;
    // A preview nobody shows is not made.
    EXPECT_EQ(sink.rgb_sizes.empty(), !c.preview);
    const auto& first = sink.frames.front();
    int64_t first_number = -1, last_number = -1;
    for (size_t i = 0; i < sink.frames.size(); ++i) {
        const auto& f = sink.frames[i];
        ASSERT_EQ(f.bytes.size(), 144000u) << i;
        const Decoded d = Decode(f.bytes);
        ASSERT_EQ(d.luma.size(), 720u * 576) << "frame " << i << " does not decode";
        // PAL DV: the bottom field (rows 1, 3 ...) is the first in time.
        EXPECT_FALSE(d.top_field_first) << i;
        EXPECT_EQ(av_cmp_q(d.sample_aspect, c.wide ? AVRational{64, 45} : AVRational{16, 15}), 0) << i;
        const int64_t earlier = test::Field_code(d.luma, 1), later = test::Field_code(d.luma, 2);
        ASSERT_GE(earlier, 0) << i;
        EXPECT_GE(later - earlier, c.fields_apart) << "frame " << i;
        EXPECT_LE(later - earlier, c.fields_apart_most) << "frame " << i;
        if (first_number < 0) first_number = earlier;
        EXPECT_GT(earlier, last_number) << "frame " << i;
        last_number = later;
        // A frame's time is its first field's picture's, whichever pictures were left out.
        const double picture_time = double(earlier - first_number) * c.picture_ms / 1000;
        EXPECT_NEAR(f.time - first.time, picture_time, 0.0015) << "frame " << i;
        ASSERT_TRUE(f.tick) << i;
        EXPECT_NEAR(double(platform::Tick_difference(*f.tick, *first.tick)), picture_time * 1000, 2.0) << i;
        // Each field's time is its own picture's, to the millisecond.
        EXPECT_EQ(f.fields.camera_stamped, 1) << i;
        EXPECT_EQ(f.fields.first_field_tick, *f.tick) << i;
        const auto ms_from_first = [&](int32_t tick) { return double(platform::Tick_difference(tick, *first.tick)); };
        EXPECT_NEAR(ms_from_first(f.fields.first_field_tick), std::round(picture_time * 1000), 1.0) << i;
        EXPECT_NEAR(ms_from_first(f.fields.second_field_tick), std::round(double(later - first_number) * c.picture_ms),
                    1.0)
            << i;
        // Taken before it came, at least as long before as its second field's picture was taken
        // after it. How long before depends on the machine's load, so it is not judged here.
        EXPECT_GE(platform::Tick_difference(f.arrival, *f.tick), int(c.picture_ms * c.fields_apart) - 1) << i;
    }
    // 25 frames a second of their own time, whatever the camera's rate.
    const auto in_first_second = int64_t(std::count_if(sink.frames.begin(), sink.frames.end(), [&](const auto& f) {
        return f.time < first.time + 1.0 - 0.001;
    }));
    // A frame or picture a busy machine could not take in time is left out and counted.
    EXPECT_LE(in_first_second, 25);
    EXPECT_LE(25 - in_first_second, lost);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, Camera_encoding_test,
    ::testing::Values(Webcam_case{"webcam:1", 20.0, 1, 1, false, "two pictures a frame", true},
                      Webcam_case{"webcam:1:25", 40.0, 0, 0, false, "one picture a frame"},
                      Webcam_case{"webcam:1:30", 1000.0 / 30, 0, 0, false, "dropping pictures down to 25"},
                      Webcam_case{"webcam:1:60", 1000.0 / 60, 1, 2, false, "dropping pictures down to 50"},
                      Webcam_case{"webcam:1:wide", 20.0, 1, 1, true, "16:9"},
                      Webcam_case{"webcam:1:jpeg", 20.0, 1, 1, false, "640x480 JPEG at 50"}),
    [](const auto& info) { return std::to_string(info.index); });

// Holds the encoder of every camera until Release; released and gone at the end whatever happens.
class Encoder_gate {
public:
    Encoder_gate()
    {
        Picture_encoder::Set_test_gate([this] {
            std::unique_lock lock(mutex_);
            opened_.wait(lock, [this] { return !held_; });
        });
    }
    ~Encoder_gate()
    {
        Release();
        Picture_encoder::Set_test_gate({});
    }
    void Release()
    {
        std::lock_guard lock(mutex_);
        held_ = false;
        opened_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool held_ = true;
};

// A camera of 150 pictures whose encoder, and then whose sink, fall behind in bursts: what may
// wait is kept, what may not is left out and counted, and every frame that comes keeps its own
// pictures' times.
TEST(Starved_camera_test, EveryPictureLeftOutIsCountedAndEachFieldKeepsItsPicturesTime)
{
    constexpr int64_t k_Pictures = 150;
    test::Signal counters; // outlives the object, whose graph notifies it
    Frame_sink sink;
    test::Com_test_home com;
    test::Environment_scope fake(k_Fake_devices_variable, "webcam:1:pictures=150");
    Com_ptr<VideoCap4> object;
    ASSERT_NO_FATAL_FAILURE(Make_webcam_object(sink, object));
    object->Watch_counters(counters.Notifier());
    test::Set_property(*object, "BufferPictures", "6"); // and 8 frames on their way to the sinks
    const auto count = [&](const char* name) { return std::stoll(test::Property(*object, name)); };
    {
        Encoder_gate gate;
        ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
        EXPECT_TRUE(counters.Wait_until([&] { return count("PicturesLeftOut") >= 4; }));
        gate.Release();
        // Now the sink falls behind: nothing is delivered until a frame is lost on its way.
        EXPECT_TRUE(counters.Wait_until([&] { return count("DroppedFrames") >= 1; }));
        EXPECT_TRUE(test::Pump_until(com, [&] { return sink.stopped; })) << "the pictures never ended";
    }
    const int64_t left_out = count("PicturesLeftOut");
    object->Stop();

    ASSERT_FALSE(sink.frames.empty());
    std::set<int64_t> delivered;
    int64_t first_number = -1;
    for (size_t i = 0; i < sink.frames.size(); ++i) {
        const auto& f = sink.frames[i];
        const Decoded d = Decode(f.bytes);
        ASSERT_EQ(d.luma.size(), 720u * 576) << "frame " << i << " does not decode";
        const int64_t earlier = test::Field_code(d.luma, 1), later = test::Field_code(d.luma, 2);
        ASSERT_GE(earlier, 0) << i;
        ASSERT_LT(later, k_Pictures) << i;
        if (first_number < 0) first_number = earlier;
        // Each field's time is its picture's, 20 ms a picture, whatever was left out between.
        const auto ms_after_first = [&](int32_t tick) {
            return double(platform::Tick_difference(tick, sink.frames.front().fields.first_field_tick));
        };
        EXPECT_NEAR(ms_after_first(f.fields.first_field_tick), double(earlier - first_number) * 20, 1.0) << i;
        EXPECT_NEAR(ms_after_first(f.fields.second_field_tick), double(later - first_number) * 20, 1.0) << i;
        EXPECT_TRUE(delivered.insert(earlier).second) << "picture " << earlier << " twice";
        if (later != earlier) EXPECT_TRUE(delivered.insert(later).second) << "picture " << later << " twice";
    }
    EXPECT_GE(left_out, 4 + 1);
    std::string missing;
    for (int64_t n = 0; n < k_Pictures; ++n)
        if (!delivered.count(n)) missing += " " + std::to_string(n);
    EXPECT_EQ(int64_t(delivered.size()) + left_out, k_Pictures) << left_out << " counted as left out; missing:" << missing;
    EXPECT_EQ(first_number, 0);
}

// A camera whose pictures cannot be encoded records nothing: it is refused when it starts, with
// what is missing.
TEST(Starved_camera_test, ACameraWithoutAnEncoderIsRefusedNamingIt)
{
    Frame_sink sink;
    test::Com_test_home com;
    test::Environment_scope fake(k_Fake_devices_variable, "webcam:1");
    Com_ptr<VideoCap4> object;
    ASSERT_NO_FATAL_FAILURE(Make_webcam_object(sink, object));
    Dv_encoder::Hide_for_tests(true);
    const HRESULT refused = object->Run();
    Dv_encoder::Hide_for_tests(false);
    EXPECT_TRUE(Failed(refused));
    EXPECT_NE(test::Last_error(*object).find("DV encoder (libavcodec's dvvideo) is missing"), std::string::npos)
        << test::Last_error(*object);
    // With the encoder there, the same camera records.
    ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
    EXPECT_TRUE(test::Pump_until(com, [&] { return !sink.frames.empty(); }));
    object->Stop();
}

} // namespace
} // namespace wk
