#pragma once
// Capture-station helpers that need no window.
#include <cstdint>

namespace wk {

// The number of video sources the capture server can open, at most 10. Any failure, above all
// a server that is not installed, is reported ("BrixCap4 not properly installed!") and gives 0.
int16_t Num_video_devices();

} // namespace wk
