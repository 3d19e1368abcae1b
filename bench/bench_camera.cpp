// A camera without DV, as the capture server records it (Picture_scaler into the frame,
// Field_weaver, Dv_encoder), against the yardstick doing the same work with libswscale and
// libavcodec alone (tools/Dv_reference.h), on the same pictures: the fake cameras' moving test
// picture, 640 x 480 at 50 a second, numbered. No GStreamer runs while they are timed, so the
// ratio is the conversion, weaving and encoding alone; brixcap_load measures the whole server.
#include "bench/Alternating_turns.h"
#include "capture_server/Dv_encoder.h"
#include "capture_server/Field_weaver.h"
#include "capture_server/Gst_support.h"
#include "capture_server/Picture_number.h"
#include "capture_server/Picture_scaler.h"
#include "tools/Dv_reference.h"

#include <benchmark/benchmark.h>
#include <gst/app/gstappsink.h>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <cstring>
#include <vector>

namespace wk {
namespace {

constexpr int k_Width = 640, k_Height = 480, k_Pictures = 50;

// A second of the fake camera's pictures, drawn by GStreamer as the server's fake camera draws them.
const std::vector<std::vector<uint8_t>>& The_pictures()
{
    static const auto pictures = [] {
        std::vector<std::vector<uint8_t>> made;
        if (!Start_gstreamer()) return made;
        const std::string description = "videotestsrc num-buffers=" + std::to_string(k_Pictures) +
                                        " pattern=smpte horizontal-speed=2 ! video/x-raw,format=I420,width=" +
                                        std::to_string(k_Width) + ",height=" + std::to_string(k_Height) +
                                        " ! appsink name=out sync=false";
        Gst_ref<GstElement> pipeline(gst_parse_launch(description.c_str(), nullptr));
        Gst_ref<GstElement> sink(pipeline ? gst_bin_get_by_name(GST_BIN(pipeline.get()), "out") : nullptr);
        if (!sink || gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) return made;
        while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 10 * GST_SECOND)) {
            GstMapInfo map;
            if (gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ)) {
                made.emplace_back(map.data, map.data + map.size);
                gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
                Draw_picture_number(made.back().data(), k_Width, k_Height, uint32_t(made.size() - 1));
            }
            gst_sample_unref(sample);
        }
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        return made;
    }();
    return pictures;
}

struct Planes {
    const uint8_t* data[3];
    int strides[3];
};

Planes Planes_of(const std::vector<uint8_t>& picture)
{
    const Picture_layout layout = Packed_420_layout(k_Width, k_Height);
    Planes p{};
    for (size_t i = 0; i < 3; ++i) {
        p.data[i] = picture.data() + layout.planes[i].offset;
        p.strides[i] = int(layout.planes[i].stride);
    }
    return p;
}

// The server's side: frames made, or -1 when a picture or frame failed.
class Server_camera {
public:
    int Record(const std::vector<std::vector<uint8_t>>& pictures)
    {
        int frames = 0;
        bool failed = false;
        for (size_t n = 0; n < pictures.size(); ++n) {
            const Planes p = Planes_of(pictures[n]);
            Source_picture in{int(AV_PIX_FMT_YUV420P), k_Width, k_Height};
            std::memcpy(in.planes.data(), p.data, sizeof p.data);
            std::memcpy(in.strides.data(), p.strides, sizeof p.strides);
            const auto scale = [&](std::span<uint8_t> into) { return scaler_.Scale(in, into); };
            failed |= !weaver_.Add_written(scale, int64_t(n) * 20'000'000, slot_++, [&](const Field_weaver::Frame& f) {
                frames += encoder_.Encode(f.bytes, scaler_.Layout()).empty() ? 0 : 1;
            });
        }
        return failed ? -1 : frames;
    }

private:
    Picture_scaler scaler_{false};
    Field_weaver weaver_{Field_mode::two_pictures, scaler_.Layout()};
    Dv_encoder encoder_{false, true};
    int64_t slot_ = 0;
};

int Reference_record(Dv_reference_encoder& encoder, const std::vector<std::vector<uint8_t>>& pictures)
{
    const int64_t before = encoder.Frames();
    for (const auto& picture : pictures) {
        const Planes p = Planes_of(picture);
        if (!encoder.Add(p.data, p.strides)) return -1;
    }
    return int(encoder.Frames() - before);
}

void BM_Server_camera_second(benchmark::State& state)
{
    Server_camera camera;
    for (auto _ : state) benchmark::DoNotOptimize(camera.Record(The_pictures()));
}
BENCHMARK(BM_Server_camera_second)->Unit(benchmark::kMillisecond);

void BM_Reference_camera_second(benchmark::State& state)
{
    Dv_reference_encoder encoder;
    for (auto _ : state) benchmark::DoNotOptimize(Reference_record(encoder, The_pictures()));
}
BENCHMARK(BM_Reference_camera_second)->Unit(benchmark::kMillisecond);

void Camera_turns(int turns)
{
    const auto& pictures = The_pictures();
    if (pictures.size() != size_t(k_Pictures)) {
        std::printf("the test pictures could not be made: no ratio\n");
        return;
    }
    Server_camera server;
    Dv_reference_encoder reference;
    const int want = k_Pictures / 2;
    const auto t = bench::Alternate(
        turns, [&] { return Reference_record(reference, pictures) == want; },
        [&] { return server.Record(pictures) == want; });
    bench::Print_turns("a second of a 50 a second camera, server / libswscale + dvvideo", t, "25 frames a turn");
}

} // namespace
} // namespace wk

int main(int argc, char** argv)
{
    const int turns = wk::bench::Take_turns_argument(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    wk::Camera_turns(turns);
    benchmark::Shutdown();
    return 0;
}
