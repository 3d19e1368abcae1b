#pragma once
// The program's millisecond tick (CLOCK_MONOTONIC as a signed 32-bit count that wraps), read in
// the server, and a moment of a graph's clock brought to it.
#include <gst/gst.h>

#include <cstdint>
#include <optional>

namespace wk {

int32_t Server_tick();
// The tick at the running time of the element's graph (a buffer's time once its segment is
// applied); none before the graph has a clock.
std::optional<int32_t> Tick_at_running_time(GstElement* element, GstClockTime running_time);

} // namespace wk
