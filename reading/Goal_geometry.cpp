#include "reading/Goal_geometry.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace wk {

Goal_geometry::Goal_geometry(double x1, double y1, double x2, double y2) : x1_(x1), y1_(y1)
{
    length_ = std::hypot(x2 - x1, y2 - y1);
    if (!Valid()) return;
    dx_ = (x2 - x1) / length_;
    dy_ = (y2 - y1) / length_;
    // The normal turns the line's direction a quarter: boats cross it along +u or -u.
    nx_ = -dy_;
    ny_ = dx_;
}

double Goal_geometry::Half_extent_u() const { return 0.5 * (std::abs(nx_) + 2 * std::abs(ny_)); }

std::vector<Lane_span> Goal_geometry::Spans(const std::vector<Lane_mark>& marks) const
{
    std::vector<size_t> order(marks.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::vector<double> v(marks.size());
    for (size_t i = 0; i < marks.size(); ++i) v[i] = V(marks[i].x, marks[i].y);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return v[a] < v[b]; });
    std::vector<Lane_span> spans(marks.size());
    for (size_t k = 0; k < order.size(); ++k) {
        const size_t i = order[k];
        const double before = k > 0 ? v[order[k - 1]] : NAN;
        const double after = k + 1 < order.size() ? v[order[k + 1]] : NAN;
        double half_gap = 40;
        if (!std::isnan(before) && !std::isnan(after)) half_gap = std::min(v[i] - before, after - v[i]) / 2;
        else if (!std::isnan(before)) half_gap = (v[i] - before) / 2;
        else if (!std::isnan(after)) half_gap = (after - v[i]) / 2;
        half_gap = std::max(half_gap, 4.0);
        const double lo = std::isnan(before) ? v[i] - half_gap : (before + v[i]) / 2;
        const double hi = std::isnan(after) ? v[i] + half_gap : (v[i] + after) / 2;
        spans[i] = {marks[i].lane, lo, hi, v[i]};
    }
    return spans;
}

} // namespace wk
