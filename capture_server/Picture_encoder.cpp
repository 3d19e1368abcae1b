#include "capture_server/Picture_encoder.h"

#include "capture_server/Capture_error.h"
#include "capture_server/Server_tick.h"

#include <gst/video/video.h>

#include <memory>
#include <mutex>

namespace wk {

namespace {

constexpr int64_t k_Field_ns = 20'000'000;
constexpr int64_t k_Frame_ns = 40'000'000;

std::mutex g_gate_mutex;
std::function<void()> g_gate;

// Only the camera's thread adds to the queue, so it never fills past what is checked here and
// the camera is never held up; the picture that finds no room is left out and counted.
GstPadProbeReturn Admit_picture(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    if (!(GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER)) return GST_PAD_PROBE_OK;
    auto& q = *static_cast<Picture_queue*>(data);
    guint waiting = 0;
    g_object_get(q.queue, "current-level-buffers", &waiting, nullptr);
    if (waiting < q.most) {
        ++q.waiting;
        return GST_PAD_PROBE_OK;
    }
    q.host->Count_left_out(1);
    return GST_PAD_PROBE_DROP;
}

// The camera's pictures wait here for the encoder, at most buffer_pictures of them.
std::shared_ptr<Picture_queue> Add_picture_queue(Gst_capture_graph& graph, GstElement* pictures,
                                                 int32_t buffer_pictures, GstElement*& queue)
{
    // Named so that its streaming thread, which converts, scales and encodes, is known by it.
    queue = graph.Add_base_filter("queue", "dv-encoder", pictures);
    const auto most = guint(std::max(buffer_pictures, 1));
    g_object_set(queue, "max-size-buffers", most + 1, "max-size-bytes", guint(0), "max-size-time", guint64(0),
                 nullptr);
    auto admit = std::make_shared<Picture_queue>(&graph.Host(), queue, most);
    Gst_ref<GstPad> pad(gst_element_get_static_pad(queue, "sink"));
    gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, Admit_picture, admit.get(), nullptr);
    graph.Keep(admit);
    return admit;
}

} // namespace

namespace {

Colour_matrix Matrix_of(GstVideoColorMatrix matrix)
{
    switch (matrix) {
    case GST_VIDEO_COLOR_MATRIX_BT709: return Colour_matrix::bt709;
    case GST_VIDEO_COLOR_MATRIX_SMPTE240M: return Colour_matrix::smpte240m;
    case GST_VIDEO_COLOR_MATRIX_FCC: return Colour_matrix::fcc;
    case GST_VIDEO_COLOR_MATRIX_BT2020: return Colour_matrix::bt2020;
    default: return Colour_matrix::bt601;
    }
}

} // namespace

Source_picture Source_of(const GstVideoFrame& frame, int format)
{
    const GstVideoInfo& info = frame.info;
    Source_picture in;
    in.format = format;
    in.width = GST_VIDEO_INFO_WIDTH(&info);
    in.height = GST_VIDEO_INFO_HEIGHT(&info);
    in.par_n = GST_VIDEO_INFO_PAR_N(&info);
    in.par_d = GST_VIDEO_INFO_PAR_D(&info);
    if (GST_VIDEO_INFO_IS_YUV(&info)) {
        in.full_range = info.colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255;
        in.matrix = Matrix_of(info.colorimetry.matrix);
    }
    for (guint p = 0; p < GST_VIDEO_FRAME_N_PLANES(&frame) && p < 4; ++p) {
        in.planes[p] = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, p));
        in.strides[p] = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, p);
    }
    return in;
}

void Picture_encoder::Set_test_gate(std::function<void()> gate)
{
    std::lock_guard lock(g_gate_mutex);
    g_gate = std::move(gate);
}

void Picture_encoder::Add_to_graph(Gst_capture_graph& graph, GstElement* pictures, const Camera_mode& mode,
                                   int32_t buffer_pictures)
{
    if (const auto missing = Dv_encoder::Missing()) throw Capture_error(*missing);
    GstElement* queue = nullptr;
    auto waiting = Add_picture_queue(graph, pictures, buffer_pictures, queue);
    // Only formats the scaler knows come through: a JPEG camera's decoder gives one of them.
    GstElement* convertible = graph.Add_caps_filter("video/x-raw,format=" + Convertible_formats(), queue);
    // The pictures are taken as they pass; the graph runs once the first has come.
    Gst_ref<GstPad> pad(gst_element_get_static_pad(convertible, "src"));
    if (!Add_null_renderer(graph.Bin(), pad.get(), true)) throw Capture_error("AddBaseFilter: Could not put filter in graph");
    auto encoder = std::make_shared<Picture_encoder>(graph.Host(), mode, convertible, std::move(waiting));
    gst_pad_add_probe(pad.get(), GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      &Picture_encoder::On_picture, encoder.get(), nullptr);
    graph.Keep(std::move(encoder));
    graph.Fix_media_type(Dv_media_type());
}

Picture_queue::~Picture_queue()
{
    if (waiting > 0) host->Count_left_out(int32_t(waiting));
}

Picture_encoder::Picture_encoder(Graph_host& host, const Camera_mode& mode, GstElement* clock_element,
                                 std::shared_ptr<Picture_queue> waiting)
    : host_(host), mode_(Field_mode_of(mode)), clock_element_(clock_element), waiting_(std::move(waiting)),
      pacer_(mode_ == Field_mode::two_pictures ? k_Field_ns : k_Frame_ns),
      encoder_(Is_wide(mode), mode_ == Field_mode::two_pictures), scaler_(Is_wide(mode)),
      weaver_(mode_, scaler_.Layout())
{
}

GstPadProbeReturn Picture_encoder::On_picture(GstPad* pad, GstPadProbeInfo* info, gpointer self)
{
    auto* encoder = static_cast<Picture_encoder*>(self);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
        if (GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info)) encoder->Take(pad, buffer);
        return GST_PAD_PROBE_OK;
    }
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (!event) return GST_PAD_PROBE_OK;
    if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        encoder->Learn_format(caps);
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_EOS) {
        // The last picture is not kept waiting for a partner that will not come.
        encoder->weaver_.Flush([encoder](const Field_weaver::Frame& f) { encoder->Encode(f); });
    }
    return GST_PAD_PROBE_OK;
}

// The picture that waits for its partner when the graph goes is in no frame.
Picture_encoder::~Picture_encoder()
{
    if (weaver_.Waiting()) host_.Count_left_out(1);
}

void Picture_encoder::Take(GstPad* pad, GstBuffer* buffer)
{
    --waiting_->waiting;
    if (!GST_BUFFER_PTS_IS_VALID(buffer)) return;
    GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    if (!event) return;
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(event, &segment);
    // The moment the camera took the picture, on the graph's running time.
    const guint64 taken = gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    gst_event_unref(event);
    if (taken == GST_CLOCK_TIME_NONE || !pacer_.Keep(int64_t(taken))) return;
    if (!Weave(buffer, int64_t(taken))) host_.Count_left_out(1);
}

void Picture_encoder::Learn_format(GstCaps* caps)
{
    format_.reset();
    if (!caps || !gst_video_info_from_caps(&info_, caps)) return;
    format_ = Av_format_of(gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&info_)));
}

// The picture scaled straight into its place in the frame; false when it could not be.
bool Picture_encoder::Weave(GstBuffer* buffer, int64_t taken_ns)
{
    GstVideoFrame frame;
    if (!format_ || !gst_video_frame_map(&frame, &info_, buffer, GST_MAP_READ)) return false;
    const Source_picture in = Source_of(frame, *format_);
    const bool woven = weaver_.Add_written([&](std::span<uint8_t> into) { return scaler_.Scale(in, into); }, taken_ns,
                                           pacer_.Last_slot(), [this](const Field_weaver::Frame& f) { Encode(f); });
    gst_video_frame_unmap(&frame);
    return woven;
}

// The frame, its bytes and its pictures' times go to the host together, from this one call.
void Picture_encoder::Encode(const Field_weaver::Frame& frame)
{
    {
        std::unique_lock lock(g_gate_mutex);
        if (g_gate) {
            auto gate = g_gate;
            lock.unlock();
            gate();
        }
    }
    const auto bytes = encoder_.Encode(frame.bytes, scaler_.Layout());
    if (bytes.empty()) {
        host_.Count_left_out(frame.pictures);
        return;
    }
    const Encoded_times times{Tick_of(frame.time_ns), Tick_of(frame.second_time_ns), frame.pictures};
    host_.Post_frame(double(frame.time_ns) / GST_SECOND, bytes, times);
}

int32_t Picture_encoder::Tick_of(int64_t running_ns) const
{
    return Tick_at_running_time(clock_element_, GstClockTime(running_ns)).value_or(Server_tick());
}

} // namespace wk
