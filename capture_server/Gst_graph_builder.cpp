#include "capture_server/Gst_graph_builder.h"

#include "capture_server/Capture_error.h"
#include "capture_server/Graph_recipes.h"

namespace wk {

const Graph_recipe* Recipe_for(Source_kind kind)
{
    for (const auto& recipe : k_Graph_recipes)
        if (recipe.kind == kind) return &recipe;
    return nullptr;
}

Gst_graph_builder::Gst_graph_builder(std::shared_ptr<const Gst_device_catalog> devices) : devices_(std::move(devices))
{
}

std::unique_ptr<Capture_graph> Gst_graph_builder::Build(const Source_selection& source, const Graph_settings& settings,
                                                        Graph_host& host)
{
    const Graph_recipe* recipe = Recipe_for(source.kind);
    if (!recipe) throw Capture_error(k_No_video_device);
    auto graph = std::make_unique<Gst_capture_graph>(host);
    recipe->build(*graph, {source, settings, *devices_});
    return graph;
}

} // namespace wk
