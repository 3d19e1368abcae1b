#include "reading/Outline_crossing.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace wk {
namespace {

constexpr double k_Window_ms = 50; // fields this near the instant: the speed barely changes over them
constexpr double k_Most_shift = 8; // pixels the outline may move the point from the fields' own fit

} // namespace

Crossing_estimate Outline_crossing(const Crossing_estimate& e, const std::vector<Bow_sample>& samples,
                                   const Goal_geometry& line, int direction, int step)
{
    const double nx = std::abs(line.U(1, 0) - line.U(0, 0));
    if (e.speed <= 0 || nx < 0.1) return e;
    Crossing_estimate out = e;
    for (int pass = 0; pass < 2; ++pass) {
        // Every row of every near field, moved back or on by the travel to the instant.
        std::map<int, std::vector<double>> at_row;
        for (const Bow_sample& s : samples) {
            if (std::abs(s.t_ms - out.t_ms) > k_Window_ms) continue;
            // The travel in columns: the speed is along the rows, past the line.
            const double moved = e.speed * (out.t_ms - s.t_ms);
            for (const Row_front& r : s.rows) at_row[int(std::lround(r.y))].push_back(r.edge + moved);
        }
        std::vector<Row_front> outline;
        for (auto& [y, edges] : at_row) {
            std::nth_element(edges.begin(), edges.begin() + std::ptrdiff_t(edges.size() / 2), edges.end());
            outline.push_back({double(y), edges[edges.size() / 2]});
        }
        const auto tip = Leading_point(outline, 1);
        if (!tip) return e;
        const double past = direction * line.U(step * tip->edge, tip->y) / nx;
        if (std::abs(past) > k_Most_shift + e.speed * 2 * k_Window_ms) return e;
        const double t = out.t_ms - past / e.speed;
        if (std::abs(t - e.t_ms) * e.speed > k_Most_shift) return e;
        out.t_ms = t;
    }
    return out;
}

} // namespace wk
