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
    std::string problem;  // empty when every whole frame and the whole race were converted
    bool written = false; // the new recording is in place and whole (possibly with fewer frames)
};

// Writes the new recording: the race of the sdv's record first (goal-line ends and lane marks
// held to 16 bits), then every whole frame after it; a trailing partial frame is left out and a
// frame that is not DV ends the frames with those before it kept. The recording is made under a
// passing name beside the destination and replaces the destination only when it reads back
// whole; otherwise nothing is left and the destination keeps what it held. The source is never
// left open.
Sdv_conversion_result Convert_sdv_recording(const std::string& sdv_path, const std::string& destination);

} // namespace wk
