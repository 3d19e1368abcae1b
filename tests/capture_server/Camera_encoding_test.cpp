// A camera without DV recorded for real: the fake webcams' numbered pictures come back from the
// DV frames the server delivers, each field its own picture at 50 a second, one picture a
// frame at 25, 30 brought to 25; the frames' ticks are their first fields' capture times.
#include "capture_server/Fake_devices.h"
#include "capture_server/Gst_device_catalog.h"
#include "capture_server/Gst_graph_builder.h"
#include "comlite/Query_interface.h"
#include "platform/Clock.h"
#include "tests/capture_server/Capture_test_support.h"
#include "tests/fixtures/DV_fixtures.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <charconv>
#include <cmath>

namespace wk {
namespace {

using namespace com;
using namespace std::chrono_literals;

// Keeps each DV frame with its sample time, the tick the server gives it and the tick it came.
class Frame_sink final : public IVideoCapEvent {
public:
    struct Frame {
        double time;
        std::vector<uint8_t> bytes;
        std::optional<int32_t> tick;
        int32_t arrival;
    };
    HRESULT QueryInterface(const IID& riid, void** ppv) override { return Query_interface<IVideoCapEvent>(this, riid, ppv); }
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

struct Webcam_case {
    const char* devices;
    double picture_ms;      // between the camera's pictures
    int fields_apart;       // picture numbers between a frame's first and second field, at least
    int fields_apart_most;  // and at most (a picture left out between them)
    bool wide;
    const char* mode_says;  // part of the CameraMode property
};
void PrintTo(const Webcam_case& c, std::ostream* out) { *out << c.devices; }

class Camera_encoding_test : public ::testing::TestWithParam<Webcam_case> {
protected:
    void Run_for_frames(size_t count)
    {
        fake.emplace(k_Fake_devices_variable, GetParam().devices);
        auto devices = std::make_shared<const Gst_device_catalog>();
        ASSERT_EQ(VideoCap4::Create(devices, std::make_unique<Gst_graph_builder>(devices), object), S_OK);
        uint32_t cookie = 0;
        ASSERT_EQ(object->Advise(&sink, &cookie), S_OK);
        ASSERT_EQ(test::Select(*object, "video:1"), 1);
        run_at = platform::Get_clock().Tick();
        ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
        mode = test::Property(*object, "CameraMode");
        EXPECT_TRUE(test::Pump_until(com, [&] { return sink.frames.size() >= count; }));
        dropped = std::stoll(test::Property(*object, "DroppedSamples"));
        object->Stop();
    }

    Frame_sink sink; // outlives the object
    test::Com_test_home com;
    std::optional<test::Environment_scope> fake;
    Com_ptr<VideoCap4> object;
    std::string mode;
    int64_t dropped = 0;
    int32_t run_at = 0; // the tick just before the camera ran
};

TEST_P(Camera_encoding_test, EachFieldHoldsItsOwnPictureAtItsOwnTime)
{
    const auto& c = GetParam();
    Run_for_frames(40);
    ASSERT_GE(sink.frames.size(), 40u);
    EXPECT_NE(mode.find(c.mode_says), std::string::npos) << mode;
    EXPECT_FALSE(sink.rgb_sizes.empty()); // the preview's pictures still come
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
        // The tick is the first field's capture time on the program's clock: as far from the
        // first frame's as the pictures are apart, however busy the machine; taken before the
        // frame came, at least as long before as its second field's picture was taken after it,
        // and after the camera ran.
        EXPECT_NEAR(double(platform::Tick_difference(*f.tick, *first.tick)), picture_time * 1000, 2.0) << i;
        EXPECT_GE(platform::Tick_difference(f.arrival, *f.tick), int(c.picture_ms * c.fields_apart) - 1) << i;
        EXPECT_GE(platform::Tick_difference(*f.tick, run_at), 0) << i;
    }
    // 25 frames a second of their own time, whatever the camera's rate; a frame a busy machine
    // could not take in time is dropped and counted.
    const auto in_first_second = int64_t(std::count_if(sink.frames.begin(), sink.frames.end(), [&](const auto& f) {
        return f.time < first.time + 1.0 - 0.001;
    }));
    EXPECT_LE(in_first_second, 25);
    EXPECT_LE(25 - in_first_second, dropped);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, Camera_encoding_test,
    ::testing::Values(Webcam_case{"webcam:1", 20.0, 1, 1, false, "two pictures a frame"},
                      Webcam_case{"webcam:1:25", 40.0, 0, 0, false, "one picture a frame"},
                      Webcam_case{"webcam:1:30", 1000.0 / 30, 0, 0, false, "dropping pictures down to 25"},
                      Webcam_case{"webcam:1:60", 1000.0 / 60, 1, 2, false, "dropping pictures down to 50"},
                      Webcam_case{"webcam:1:wide", 20.0, 1, 1, true, "16:9"},
                      Webcam_case{"webcam:1:jpeg", 20.0, 1, 1, false, "640x480 JPEG at 50"}),
    [](const auto& info) { return std::to_string(info.index); });

} // namespace
} // namespace wk
