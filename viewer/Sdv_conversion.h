#pragma once
// Converting a recording of the older multi-stream format (.sdv) into the program's own (.qs2):
// the frames after the sdv's DV header record, and the race the record carries.
#include <cstdint>
#include <string>

namespace wk {

// The own-format file beside an sdv: its file name with the suffix replaced (folders untouched).
std::string Converted_file_name(const std::string& sdv_path);

struct Sdv_conversion_result {
    int32_t frames = 0;   // frames written into the new recording
    std::string problem;  // empty when every whole frame was converted
    bool written = false; // the new recording exists and is whole (possibly with fewer frames)
};

// Writes the new recording (which must not exist yet). A trailing partial frame is left out; a
// frame that is not DV ends the conversion with the frames before it kept. The source is never
// left open.
Sdv_conversion_result Convert_sdv_recording(const std::string& sdv_path, const std::string& destination);

} // namespace wk
