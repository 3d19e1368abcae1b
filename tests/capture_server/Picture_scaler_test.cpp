// A camera's pictures scaled and woven as the server does, against what GStreamer's videoconvert
// and videoscale made of the same pictures before: the two must agree but for the rounding of
// two bilinear scalers, in every format a webcam gives and where the picture's shape differs
// from the frame's. And the colours come to DV's: BT.601 of 16-235, whatever the camera's.
#include "capture_server/Field_weaver.h"
#include "capture_server/Gst_support.h"
#include "capture_server/Picture_encoder.h"
#include "capture_server/Picture_scaler.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

namespace wk {
namespace {

constexpr int k_Pictures = 2;

struct Pictures {
    std::vector<GstSample*> camera, converted; // as the camera gave them; as videoscale made them
    ~Pictures()
    {
        for (auto* s : camera) gst_sample_unref(s);
        for (auto* s : converted) gst_sample_unref(s);
    }
};

std::vector<GstSample*> Pull(GstElement* pipeline, const char* name)
{
    Gst_ref<GstElement> sink(gst_bin_get_by_name(GST_BIN(pipeline), name));
    std::vector<GstSample*> samples;
    while (GstSample* s = gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 10 * GST_SECOND)) samples.push_back(s);
    return samples;
}

// Two moving test pictures of the camera's caps, each also brought to PAL DV's 720 x 576 by
// GStreamer's converter and scaler (bordered where the shapes differ).
void Make_pictures(const std::string& camera_caps, bool wide, Pictures& out)
{
    const std::string description =
        "videotestsrc num-buffers=" + std::to_string(k_Pictures) + " pattern=smpte100 horizontal-speed=7 ! " +
        camera_caps + " ! tee name=t t. ! queue ! appsink name=camera sync=false t. ! queue ! videoconvert ! "
        "videoscale ! video/x-raw,format=I420,width=720,height=576,pixel-aspect-ratio=" + (wide ? "64/45" : "16/15") +
        " ! appsink name=converted sync=false";
    GError* error = nullptr;
    Gst_ref<GstElement> pipeline(gst_parse_launch(description.c_str(), &error));
    ASSERT_EQ(error, nullptr) << error->message;
    ASSERT_NE(gst_element_set_state(pipeline.get(), GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    out.camera = Pull(pipeline.get(), "camera");
    out.converted = Pull(pipeline.get(), "converted");
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    ASSERT_EQ(out.camera.size(), size_t(k_Pictures));
    ASSERT_EQ(out.converted.size(), size_t(k_Pictures));
}

// The row of a plane of an I420 720 x 576 sample.
const uint8_t* Row(const GstVideoFrame& f, int plane, int row)
{
    return static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&f, plane)) + row * GST_VIDEO_FRAME_PLANE_STRIDE(&f, plane);
}

struct Difference {
    double mean = 0;      // of every byte of every plane
    double far_share = 0; // bytes off by more than 32: a wrong colour, place or field, not rounding
};

// How far a byte lies outside what its neighbours in the row hold: two scalers may place an
// edge a pixel apart.
int Off_by(const uint8_t* want, size_t x, size_t width, uint8_t got)
{
    const uint8_t* from = want + (x > 0 ? x - 1 : x);
    const auto [low, high] = std::minmax_element(from, want + std::min(x + 2, width));
    return std::max({0, int(*low) - int(got), int(got) - int(*high)});
}

// The woven frame against the converted pictures woven by hand: the first in the bottom field
// (odd rows), the second in the top.
Difference Compare(std::span<const uint8_t> frame, const Picture_layout& layout, const Pictures& p)
{
    GstVideoFrame converted[k_Pictures];
    for (int i = 0; i < k_Pictures; ++i) {
        GstVideoInfo info;
        gst_video_info_from_caps(&info, gst_sample_get_caps(p.converted[size_t(i)]));
        gst_video_frame_map(&converted[i], &info, gst_sample_get_buffer(p.converted[size_t(i)]), GST_MAP_READ);
    }
    double sum = 0, far = 0, count = 0;
    for (int plane = 0; plane < 3; ++plane) {
        const auto& l = layout.planes[size_t(plane)];
        for (size_t row = 0; row < l.rows; ++row) {
            const uint8_t* want = Row(converted[row % 2 ? 0 : 1], plane, int(row));
            const uint8_t* got = frame.data() + l.offset + row * l.stride;
            for (size_t x = 0; x < l.row_bytes; ++x) {
                const int d = Off_by(want, x, l.row_bytes, got[x]);
                sum += d, far += d > 32, ++count;
            }
        }
    }
    for (auto& c : converted) gst_video_frame_unmap(&c);
    return {sum / count, far / count};
}

struct Scale_case {
    const char* name;
    const char* camera_caps;
    bool wide;
};

TEST(Picture_scaler_test, WovenFramesMatchWhatGStreamersConverterMadeInEveryFormat)
{
    ASSERT_TRUE(Start_gstreamer());
    const Scale_case cases[] = {
        {"I420 4:3", "video/x-raw,format=I420,width=640,height=480,pixel-aspect-ratio=1/1", false},
        {"YUY2", "video/x-raw,format=YUY2,width=640,height=480,pixel-aspect-ratio=1/1", false},
        {"NV12 16:9", "video/x-raw,format=NV12,width=1280,height=720,pixel-aspect-ratio=1/1", true},
        {"UYVY", "video/x-raw,format=UYVY,width=800,height=600,pixel-aspect-ratio=1/1", false},
        {"RGB", "video/x-raw,format=RGB,width=640,height=480,pixel-aspect-ratio=1/1", false},
        {"BGRx", "video/x-raw,format=BGRx,width=640,height=480,pixel-aspect-ratio=1/1", false},
        {"16:9 bordered above and below", "video/x-raw,format=I420,width=1280,height=720,pixel-aspect-ratio=1/1",
         false},
        {"5:4 bordered at the sides", "video/x-raw,format=I420,width=1280,height=1024,pixel-aspect-ratio=1/1",
         false},
        {"4:3 pillarboxed in 16:9", "video/x-raw,format=YUY2,width=640,height=480,pixel-aspect-ratio=1/1", true},
    };
    for (const auto& c : cases) {
        Pictures pictures;
        ASSERT_NO_FATAL_FAILURE(Make_pictures(c.camera_caps, c.wide, pictures)) << c.name;
        Picture_scaler scaler(c.wide);
        Field_weaver weaver(Field_mode::two_pictures, scaler.Layout());
        std::vector<uint8_t> woven;
        for (int i = 0; i < k_Pictures; ++i) {
            GstSample* sample = pictures.camera[size_t(i)];
            GstVideoInfo info;
            ASSERT_TRUE(gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) << c.name;
            const auto format = Av_format_of(gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&info)));
            ASSERT_TRUE(format) << c.name;
            GstVideoFrame frame;
            ASSERT_TRUE(gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ));
            const Source_picture in = Source_of(frame, *format);
            EXPECT_TRUE(weaver.Add_written([&](std::span<uint8_t> into) { return scaler.Scale(in, into); },
                                           i * 20'000'000, i, [&](const Field_weaver::Frame& f) {
                                               woven.assign(f.bytes.begin(), f.bytes.end());
                                           }))
                << c.name;
            gst_video_frame_unmap(&frame);
        }
        ASSERT_EQ(woven.size(), scaler.Layout().size) << c.name;
        const Difference d = Compare(woven, scaler.Layout(), pictures);
        EXPECT_LT(d.mean, 1.0) << c.name;
        EXPECT_LT(d.far_share, 0.002) << c.name;
    }
}

TEST(Picture_scaler_test, APictureOfAFormatItDoesNotKnowIsNotTaken)
{
    Picture_scaler scaler(false);
    std::vector<uint8_t> frame(scaler.Layout().size, 7);
    Source_picture unknown;
    unknown.width = 640;
    unknown.height = 480;
    EXPECT_FALSE(scaler.Scale(unknown, frame));
    EXPECT_FALSE(Av_format_of("v210"));
    EXPECT_FALSE(Av_format_of(nullptr));
    // Too small a frame to hold it.
    const std::vector<uint8_t> luma(640 * 480, 100), chroma(320 * 240, 128);
    Source_picture grey{*Av_format_of("I420"), 640, 480};
    grey.planes = {luma.data(), chroma.data(), chroma.data(), nullptr};
    grey.strides = {640, 320, 320, 0};
    EXPECT_FALSE(scaler.Scale(grey, std::span(frame).first(frame.size() - 1)));
    ASSERT_TRUE(scaler.Scale(grey, frame));
    EXPECT_EQ(frame[0], 100);
}

struct Colour_case {
    const char* name;
    const char* format;
    bool full_range;
    Colour_matrix matrix;
    std::array<uint8_t, 3> in; // Y, U, V; or R, G, B
    std::array<uint8_t, 3> dv; // Y, U, V in the frame
};

// One colour over a whole 64 x 48 picture, in a planar YUV format or packed RGB.
std::array<std::vector<uint8_t>, 3> Filled(const Colour_case& c, Source_picture& in)
{
    in = {*Av_format_of(c.format), 64, 48};
    in.full_range = c.full_range;
    in.matrix = c.matrix;
    std::array<std::vector<uint8_t>, 3> planes;
    if (std::string(c.format) == "RGB") {
        for (int i = 0; i < 64 * 48; ++i) planes[0].insert(planes[0].end(), c.in.begin(), c.in.end());
        in.planes[0] = planes[0].data();
        in.strides[0] = 64 * 3;
        return planes;
    }
    for (size_t p = 0; p < 3; ++p) {
        planes[p].assign(p ? 32 * 24 : 64 * 48, c.in[p]);
        in.planes[p] = planes[p].data();
        in.strides[p] = p ? 32 : 64;
    }
    return planes;
}

TEST(Picture_scaler_test, ColoursComeToBt601OfSixteenToTwoThirtyFive)
{
    const auto bt601 = Colour_matrix::bt601, bt709 = Colour_matrix::bt709;
    const Colour_case cases[] = {
        {"limited white stays", "I420", false, bt601, {235, 128, 128}, {235, 128, 128}},
        {"full-range white, as JPEG", "I420", true, bt601, {255, 128, 128}, {235, 128, 128}},
        {"full-range black", "I420", true, bt601, {0, 128, 128}, {16, 128, 128}},
        {"full-range blue's colour", "I420", true, bt601, {29, 255, 107}, {41, 240, 110}},
        {"BT.709 red", "I420", false, bt709, {63, 102, 240}, {81, 90, 240}},
        {"RGB white", "RGB", false, bt601, {255, 255, 255}, {235, 128, 128}},
        {"RGB red", "RGB", false, bt601, {255, 0, 0}, {81, 90, 240}},
    };
    for (const auto& c : cases) {
        Source_picture in;
        const auto planes = Filled(c, in);
        Picture_scaler scaler(false);
        std::vector<uint8_t> frame(scaler.Layout().size);
        ASSERT_TRUE(scaler.Scale(in, frame)) << c.name;
        for (size_t p = 0; p < 3; ++p) {
            const auto& l = scaler.Layout().planes[p];
            const uint8_t middle = frame[l.offset + l.rows / 2 * l.stride + l.row_bytes / 2];
            EXPECT_NEAR(int(middle), int(c.dv[p]), 2) << c.name << ", plane " << p;
        }
    }
}

} // namespace
} // namespace wk
