#pragma once
// What paints the frames of a planned heat. Each way of painting draws the same boats at the
// same places and moments, in its own look.
#include "tools/Dv_frames.h"

#include <cstdint>

namespace wk::finish_heat {

class Heat_painter {
public:
    virtual ~Heat_painter() = default;
    // Frame k (from 1): rows 1, 3, 5 ... (field 1, filmed first) at field 2k - 1's moment,
    // rows 0, 2, 4 ... at field 2k's.
    virtual void Paint(int32_t frame, dv::DV_picture& picture) = 0;
};

} // namespace wk::finish_heat
