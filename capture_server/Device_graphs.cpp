// The graphs of capture devices: the device's source, then its grabber. Live sources deliver
// each sample the moment it is grabbed.
#include "capture_server/Camera_mode.h"
#include "capture_server/Capture_error.h"
#include "capture_server/Graph_recipes.h"
#include "capture_server/Picture_encoder.h"

namespace wk {

namespace {

constexpr bool k_At_once = false;

GstElement* Add_device(Gst_capture_graph& graph, const Recipe_input& in, Device_category category,
                       const char* failure)
{
    GstElement* device = in.devices.Make_source(category, in.source.device_number);
    if (!Add_to(graph.Bin(), device)) throw Capture_error(failure);
    return device;
}

// What the camera offers once opened.
Caps_ref Offered_caps(GstElement* device)
{
    if (gst_element_set_state(device, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) return nullptr;
    Gst_ref<GstPad> pad(gst_element_get_static_pad(device, "src"));
    return Caps_ref(pad ? gst_pad_query_caps(pad.get(), nullptr) : nullptr);
}

// The camera in its chosen mode, its pictures decoded where they come as JPEG.
GstElement* Add_pictures(Gst_capture_graph& graph, GstElement* device, const Camera_mode& mode)
{
    GstElement* filter = Make_caps_filter(mode.caps.c_str());
    if (!Add_to(graph.Bin(), filter) || !Link(device, filter))
        throw Capture_error("Could not connect the camera in the mode " + mode.caps);
    if (mode.media != "image/jpeg") return filter;
    return graph.Add_base_filter("jpegdec", nullptr, filter);
}

} // namespace

void Build_dv_camera_graph(Gst_capture_graph& graph, const Recipe_input& in)
{
    GstElement* device = Add_device(graph, in, Device_category::video, "Could not put capture device in graph");
    graph.Connect(device, graph.Add_grabber(Sample_kind::dv, k_At_once));
}

namespace {

// A camera that offers nothing that can be decoded here would record nothing: refused.
Camera_mode Recordable_mode(GstElement* device)
{
    const Caps_ref offered = Offered_caps(device);
    const auto mode = Choose_camera_mode(offered.get());
    if (!mode)
        throw Capture_error("The camera offers its pictures only as " + Offered_forms(offered.get()) +
                            ", which cannot be decoded here (neither JPEG nor raw pictures in a format libswscale "
                            "converts): this camera's pictures cannot be recorded");
    if (mode->media == "image/jpeg" && !Gst_ref<GstElementFactory>(gst_element_factory_find("jpegdec")))
        throw Capture_error("GStreamer's jpegdec (gstreamer1.0-plugins-good) is missing: this camera's JPEG "
                            "pictures cannot be recorded");
    return *mode;
}

// A preview picture nobody shows is let go at the tee, before it costs a conversion.
GstPadProbeReturn Pass_wanted_preview(GstPad*, GstPadProbeInfo* info, gpointer host)
{
    if (!(GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER)) return GST_PAD_PROBE_OK;
    return static_cast<Graph_host*>(host)->Preview_wanted() ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
}

void On_preview_overrun(GstElement*, gpointer host) { static_cast<Graph_host*>(host)->Count_lost(Sample_kind::rgb); }

// The preview never holds the camera back: a picture it has no room for makes way for the next.
void Add_preview(Gst_capture_graph& graph, GstElement* tee)
{
    GstElement* queue = graph.Add_base_filter("queue", nullptr, tee);
    g_object_set(queue, "max-size-buffers", guint(2), "max-size-bytes", guint(0), "max-size-time", guint64(0),
                 "leaky", 2 /* downstream: the oldest goes */, nullptr);
    g_signal_connect(queue, "overrun", G_CALLBACK(On_preview_overrun), &graph.Host());
    Gst_ref<GstPad> pad(gst_element_get_static_pad(queue, "sink"));
    gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, Pass_wanted_preview, &graph.Host(), nullptr);
    Sample_grabber& grabber = graph.Add_grabber(Sample_kind::rgb, k_At_once);
    grabber.Not_awaited(); // the graph runs once the encoder has its first picture
    graph.Connect(queue, grabber);
    graph.Host().Set_rgb();
}

} // namespace

// The pictures, encoded to PAL DV, go to the sinks as DV frames, and as RGB to the preview
// while a sink shows it.
void Build_rgb_camera_graph(Gst_capture_graph& graph, const Recipe_input& in)
{
    GstElement* device = Add_device(graph, in, Device_category::video, "Could not put capture device in graph");
    const Camera_mode mode = Recordable_mode(device);
    GstElement* tee = graph.Add_base_filter("tee", nullptr, Add_pictures(graph, device, mode));
    Add_preview(graph, tee);
    Picture_encoder::Add_to_graph(graph, tee, mode, in.settings.buffer_pictures);
    graph.Host().Set_camera_mode(Camera_mode_text(mode));
}

void Build_audio_graph(Gst_capture_graph& graph, const Recipe_input& in)
{
    GstElement* device = Add_device(graph, in, Device_category::audio, "Failed to add audio input device to graph!");
    graph.Connect(device, graph.Add_grabber(Sample_kind::audio, k_At_once, in.settings.audio_sample_duration));
}

} // namespace wk
