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

// The mode to ask the camera for, from what it offers once opened.
std::optional<Camera_mode> Offered_mode(GstElement* device)
{
    if (gst_element_set_state(device, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) return std::nullopt;
    Gst_ref<GstPad> pad(gst_element_get_static_pad(device, "src"));
    Caps_ref offered(pad ? gst_pad_query_caps(pad.get(), nullptr) : nullptr);
    return Choose_camera_mode(offered.get());
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

// The pictures go as RGB to the grabber and, encoded to PAL DV, to the DV grabber. A camera
// that offers nothing that can be decoded here still gives what the RGB grabber can make of it.
void Build_rgb_camera_graph(Gst_capture_graph& graph, const Recipe_input& in)
{
    GstElement* device = Add_device(graph, in, Device_category::video, "Could not put capture device in graph");
    const auto mode = Offered_mode(device);
    if (!mode) {
        graph.Connect(device, graph.Add_grabber(Sample_kind::rgb, k_At_once));
        graph.Host().Set_rgb();
        return;
    }
    GstElement* tee = graph.Add_base_filter("tee", nullptr, Add_pictures(graph, device, *mode));
    GstElement* rgb_queue = graph.Add_base_filter("queue", nullptr, tee);
    graph.Connect(rgb_queue, graph.Add_grabber(Sample_kind::rgb, k_At_once));
    graph.Host().Set_rgb();
    Picture_encoder::Add_to_graph(graph, tee, *mode);
    graph.Host().Set_camera_mode(Camera_mode_text(*mode));
}

void Build_audio_graph(Gst_capture_graph& graph, const Recipe_input& in)
{
    GstElement* device = Add_device(graph, in, Device_category::audio, "Failed to add audio input device to graph!");
    graph.Connect(device, graph.Add_grabber(Sample_kind::audio, k_At_once, in.settings.audio_sample_duration));
}

} // namespace wk
