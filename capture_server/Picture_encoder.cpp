#include "capture_server/Picture_encoder.h"

#include "capture_server/Capture_error.h"

#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>

#include <memory>

namespace wk {

namespace {

constexpr int64_t k_Field_ns = 20'000'000;
constexpr int64_t k_Frame_ns = 40'000'000;
// Frames waiting for the encoder beyond these are lost and counted: it has fallen behind.
constexpr guint64 k_Frames_waiting = 4;

// PAL DV pictures: 4:3 or 16:9 on 720 x 576.
std::string Pal_caps(bool wide)
{
    return std::string("video/x-raw,format=I420,width=720,height=576,pixel-aspect-ratio=") + (wide ? "64/45" : "16/15");
}

std::string Frame_caps(bool wide, Field_mode mode)
{
    return Pal_caps(wide) + ",framerate=25/1," +
           (mode == Field_mode::two_pictures ? "interlace-mode=interleaved,field-order=bottom-field-first"
                                             : "interlace-mode=progressive");
}

Picture_layout Layout_of(const GstVideoInfo& info)
{
    Picture_layout layout;
    for (guint p = 0; p < 3 && p < GST_VIDEO_INFO_N_PLANES(&info); ++p)
        layout.planes[p] = {GST_VIDEO_INFO_PLANE_OFFSET(&info, p), size_t(GST_VIDEO_INFO_PLANE_STRIDE(&info, p)),
                            size_t(GST_VIDEO_INFO_COMP_HEIGHT(&info, p)),
                            size_t(GST_VIDEO_INFO_COMP_WIDTH(&info, p)) * GST_VIDEO_INFO_COMP_PSTRIDE(&info, p)};
    layout.size = GST_VIDEO_INFO_SIZE(&info);
    return layout;
}

} // namespace

void Picture_encoder::Add_to_graph(Gst_capture_graph& graph, GstElement* pictures, const Camera_mode& mode)
{
    const bool wide = Is_wide(mode);
    const Field_mode fields = Field_mode_of(mode);
    // Pictures: on the queue's thread, to I420 720 x 576 (bordered where the shape differs).
    GstElement* queue = graph.Add_base_filter("queue", nullptr, pictures);
    GstElement* convert = graph.Add_base_filter("videoconvert", nullptr, queue);
    GstElement* scale = graph.Add_base_filter("videoscale", nullptr, convert);
    GstElement* sized = graph.Add_caps_filter(Pal_caps(wide), scale);
    // The pictures are taken as they pass, so that nothing waits for them to start the graph.
    Gst_ref<GstPad> pad(gst_element_get_static_pad(sized, "src"));
    if (!Add_null_renderer(graph.Bin(), pad.get()))
        throw Capture_error("AddBaseFilter: Could not put filter in graph");
    // Frames: on the source's thread, through the encoder to the DV grabber.
    GstElement* source = graph.Add_base_filter("appsrc", "dv-encoder", nullptr);
    GstElement* encoder = graph.Add_base_filter("avenc_dvvideo", nullptr, source);
    Sample_grabber& grabber = graph.Add_grabber(Sample_kind::dv, false);
    grabber.Stamp_with_sample_time();
    graph.Connect(encoder, grabber);

    Caps_ref frame_caps(gst_caps_from_string(Frame_caps(wide, fields).c_str()));
    g_object_set(source, "caps", frame_caps.get(), "format", GST_FORMAT_TIME, "is-live", TRUE, "do-timestamp", FALSE,
                 nullptr);
    auto encoder_state = std::make_shared<Picture_encoder>(graph.Host(), fields, source);
    gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, &Picture_encoder::On_picture, encoder_state.get(), nullptr);
    graph.Keep(std::move(encoder_state));
}

Picture_encoder::Picture_encoder(Graph_host& host, Field_mode mode, GstElement* source)
    : host_(host), mode_(mode), source_(source), pacer_(mode == Field_mode::two_pictures ? k_Field_ns : k_Frame_ns)
{
}

GstPadProbeReturn Picture_encoder::On_picture(GstPad* pad, GstPadProbeInfo* info, gpointer self)
{
    if (GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info)) static_cast<Picture_encoder*>(self)->Take(pad, buffer);
    return GST_PAD_PROBE_OK;
}

void Picture_encoder::Take(GstPad* pad, GstBuffer* buffer)
{
    if (!GST_BUFFER_PTS_IS_VALID(buffer)) return;
    GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    if (!event) return;
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event, &segment);
    // The moment the camera took the picture, on the graph's running time.
    const guint64 taken = gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    gst_event_unref(event);
    if (taken == GST_CLOCK_TIME_NONE || !pacer_.Keep(int64_t(taken))) return;
    if (!weaver_) {
        Caps_ref caps(gst_pad_get_current_caps(pad));
        GstVideoInfo info;
        if (!caps || !gst_video_info_from_caps(&info, caps.get())) return;
        weaver_.emplace(mode_, Layout_of(info));
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
    weaver_->Add(std::span<const uint8_t>(map.data, map.size), int64_t(taken), pacer_.Last_slot(),
                 [this](const Field_weaver::Frame& frame) { Push(frame); });
    gst_buffer_unmap(buffer, &map);
}

void Picture_encoder::Push(const Field_weaver::Frame& frame)
{
    GstAppSrc* source = GST_APP_SRC(source_);
    if (gst_app_src_get_current_level_buffers(source) >= k_Frames_waiting) {
        host_.Count_lost(Sample_kind::dv);
        return;
    }
    GstBuffer* out = gst_buffer_new_allocate(nullptr, frame.bytes.size(), nullptr);
    if (!out) {
        host_.Count_lost(Sample_kind::dv);
        return;
    }
    gst_buffer_fill(out, 0, frame.bytes.data(), frame.bytes.size());
    GST_BUFFER_PTS(out) = GstClockTime(frame.time_ns);
    GST_BUFFER_DURATION(out) = GstClockTime(k_Frame_ns);
    gst_app_src_push_buffer(source, out); // takes the buffer
}

} // namespace wk
