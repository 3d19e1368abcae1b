#pragma once
// The builder of a server that has no capture graphs yet: nothing can be built. A video source
// without a camera says so in the words the operator is used to; every other source fails
// with the plain build failure.
#include "capture_server/Capture_graph.h"
#include "capture_server/Device_catalog.h"

namespace wk {

class Unavailable_graph_builder final : public Graph_builder {
public:
    explicit Unavailable_graph_builder(std::shared_ptr<const Device_catalog> devices);
    std::unique_ptr<Capture_graph> Build(const Source_selection& source, const Graph_settings& settings,
                                         Graph_host& host) override;

private:
    bool Has_video_device(const Source_selection& source) const;
    std::shared_ptr<const Device_catalog> devices_;
};

} // namespace wk
