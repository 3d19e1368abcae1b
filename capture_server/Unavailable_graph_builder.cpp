#include "capture_server/Unavailable_graph_builder.h"

#include "capture_server/Capture_error.h"

namespace wk {

Unavailable_graph_builder::Unavailable_graph_builder(std::shared_ptr<const Device_catalog> devices)
    : devices_(std::move(devices))
{
}

std::unique_ptr<Capture_graph> Unavailable_graph_builder::Build(const Source_selection& source, const Graph_settings&,
                                                                Graph_host&)
{
    const bool video = source.source_type.empty() || source.source_type == "video";
    if (video && !Has_video_device(source)) throw Capture_error(k_No_video_device);
    throw Capture_error(k_Could_not_build_graph);
}

bool Unavailable_graph_builder::Has_video_device(const Source_selection& source) const
{
    Source_selection found;
    try {
        return Find_device(*devices_, Device_category::video, source.device_number, source.source_id, found);
    } catch (const Capture_error&) {
        return false; // no video devices at all
    }
}

} // namespace wk
