#pragma once
// The source SetSource chose: a capture device, with what the device told about itself, or a file.
#include <cstdint>
#include <string>

namespace wk {

// Which graph a source needs; decided when the source is chosen, so that Run never asks again.
enum class Source_kind {
    none,        // nothing chosen
    dv_camera,   // a camera that gives DV frames
    rgb_camera,  // a camera without DV: its pictures are grabbed as RGB
    audio_input, // a sound input
    dv_file,     // a DV or DV AVI file
};

struct Source_selection {
    int32_t device_number = 0; // 1-based; 0 for none or a file
    std::string source_id;     // the device's external id text
    std::string source_type;   // "video", "audio", "file"; empty until something is chosen
    std::string friendly_name;
    std::string description;
    std::string device_path;
    std::string file_path;
    Source_kind kind = Source_kind::none;
};

} // namespace wk
