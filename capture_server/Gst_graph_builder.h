#pragma once
// The server's graph builder: the recipe for the chosen source's kind, on GStreamer.
#include "capture_server/Capture_graph.h"
#include "capture_server/Gst_device_catalog.h"

namespace wk {

class Gst_graph_builder final : public Graph_builder {
public:
    explicit Gst_graph_builder(std::shared_ptr<const Gst_device_catalog> devices);
    // Nothing chosen is a camera that is not there.
    std::unique_ptr<Capture_graph> Build(const Source_selection& source, const Graph_settings& settings,
                                         Graph_host& host) override;

private:
    std::shared_ptr<const Gst_device_catalog> devices_;
};

} // namespace wk
