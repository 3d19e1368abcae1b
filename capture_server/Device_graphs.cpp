// The graphs of capture devices: the device's source, then its grabber. Live sources deliver
// each sample the moment it is grabbed.
#include "capture_server/Capture_error.h"
#include "capture_server/Graph_recipes.h"

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

} // namespace

void Build_dv_camera_graph(Gst_capture_graph& graph, const Recipe_input& in)
{
    GstElement* device = Add_device(graph, in, Device_category::video, "Could not put capture device in graph");
    graph.Connect(device, graph.Add_grabber(Sample_kind::dv, k_At_once));
}

void Build_rgb_camera_graph(Gst_capture_graph& graph, const Recipe_input& in)
{
    GstElement* device = Add_device(graph, in, Device_category::video, "Could not put capture device in graph");
    graph.Connect(device, graph.Add_grabber(Sample_kind::rgb, k_At_once));
    graph.Host().Set_rgb();
}

void Build_audio_graph(Gst_capture_graph& graph, const Recipe_input& in)
{
    GstElement* device = Add_device(graph, in, Device_category::audio, "Failed to add audio input device to graph!");
    graph.Connect(device, graph.Add_grabber(Sample_kind::audio, k_At_once, in.settings.audio_sample_duration));
}

} // namespace wk
