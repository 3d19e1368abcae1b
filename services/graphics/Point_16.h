#pragma once
// A point of 16-bit coordinates, as the goal line and the drawing elements keep them.
#include <cstdint>

namespace wk {

struct Point_16 {
    int16_t x = 0;
    int16_t y = 0;
};

} // namespace wk
