#pragma once
// One recipe per kind of source: what a graph of that kind holds. The builder picks the recipe
// by the kind the source was given when it was chosen.
#include "capture_server/Gst_capture_graph.h"
#include "capture_server/Gst_device_catalog.h"

namespace wk {

struct Recipe_input {
    const Source_selection& source;
    const Graph_settings& settings;
    const Gst_device_catalog& devices;
};

struct Graph_recipe {
    Source_kind kind;
    const char* name;
    void (*build)(Gst_capture_graph& graph, const Recipe_input& input); // throws Capture_error
};

// Camera with DV: its frames as they come, to the DV grabber.
void Build_dv_camera_graph(Gst_capture_graph& graph, const Recipe_input& input);
// Camera without DV: its pictures to the RGB grabber and, encoded to PAL DV, to the DV grabber.
void Build_rgb_camera_graph(Gst_capture_graph& graph, const Recipe_input& input);
// Sound input: to the audio grabber, cut into samples of the AudioSampleDuration.
void Build_audio_graph(Gst_capture_graph& graph, const Recipe_input& input);
// Raw DV or DV AVI file played in real time: its frames to the DV grabber and, with RGB set,
// decoded to the RGB grabber too.
void Build_dv_file_graph(Gst_capture_graph& graph, const Recipe_input& input);

inline constexpr Graph_recipe k_Graph_recipes[] = {
    {Source_kind::dv_camera, "camera with DV", Build_dv_camera_graph},
    {Source_kind::rgb_camera, "camera without DV", Build_rgb_camera_graph},
    {Source_kind::audio_input, "sound input", Build_audio_graph},
    {Source_kind::dv_file, "DV file", Build_dv_file_graph},
};

// The recipe for a kind; null for none.
const Graph_recipe* Recipe_for(Source_kind kind);

} // namespace wk
