#pragma once
// The leading point of a hull's front, finer than a pixel: the hull's area ahead of each distance
// grows as a power of how far behind the point that distance lies (a blunt bow as the first
// power, a pointed one as the second), so the point is where that area, taken to the fitting
// root, runs out to nothing.
#include <optional>
#include <vector>

namespace wk {

struct Front_cell {
    double lo = 0, hi = 0; // how far past the line the cell reaches, from and to
    double area = 0;       // how much of it is hull, square pixels
};

// front: the cells of the hull near its front and of the water around it; farthest: the
// farthest any of them reaches. None when too little of the front is seen to fit it.
std::optional<double> Leading_point(const std::vector<Front_cell>& front, double farthest);

} // namespace wk
