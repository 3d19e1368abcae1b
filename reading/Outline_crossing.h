#pragma once
// A field samples every other row, so a sharp bow's point mostly lies between its rows and each
// field alone sees it short by a varying amount. The fields around the crossing, each moved by
// the bow's travel to one instant, together show the outline in every row of the frame: its
// point at that instant is known twice as finely, and with it the crossing.
#include "reading/Crossing_fit.h"
#include "reading/Goal_geometry.h"

#include <optional>
#include <vector>

namespace wk {

struct Outlined_crossing {
    std::optional<Crossing_estimate> estimate; // none: the outline cannot tell
    bool short_of_line = false; // the hull's steady outline is seen short of the line after it
};

// e: the crossing from the fields' own points; step: +1 when the travel runs toward larger
// columns. The crossing again from the outline the fields show together.
Outlined_crossing Outline_crossing(const Crossing_estimate& e, const std::vector<Bow_sample>& samples,
                                   const Goal_geometry& line, int direction, int step);

} // namespace wk
