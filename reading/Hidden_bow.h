#pragma once
// A bow hidden behind something in front of it (a neighbour's paddler, his blade): the hull's
// front is then seen where the cover begins, cut straight across its rows and moving with the
// cover, while the hull goes on beyond it. What the fields show ahead of the front says so.
#include "reading/Bow_front.h"

#include <cstdint>
#include <vector>

namespace wk {

struct Cover_look {
    const uint8_t* picture = nullptr;          // brightness, width bytes a row, top row first
    // The water's brightness over the columns x_lo to x_hi from frame row water_y0 on,
    // x_hi - x_lo + 1 bytes a row.
    const uint8_t* water = nullptr;
    int32_t width = 0;
    int32_t x_lo = 0, x_hi = 0;                // the columns that may be looked at, both included
    int32_t water_y0 = 0;
    int threshold = 0;                         // what differs from the water more than this is not water
};

// rows: the front's rows (frame row, column signed by step along the travel); step: +1 when the
// travel runs toward larger columns. How far past the front, pixels, the hull's own brightness
// comes back after a gap in most of the front's rows; 0 when it does not.
double Hull_past_cover(const Cover_look& look, const std::vector<Row_front>& rows, int step);

} // namespace wk
