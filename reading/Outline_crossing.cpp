#include "reading/Outline_crossing.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace wk {
namespace {

constexpr double k_Window_ms = 50; // fields this near the instant: the speed barely changes over them
constexpr double k_Most_shift = 8; // pixels the outline may move the point from the fields' own fit
constexpr double k_Steady = 0.75;  // share of a parity's fields a row of the hull shows in

// The crossing once more from the fields near the instant t; none when the outline cannot be
// read or would move the crossing further than the fields' own fit allows.
std::optional<double> Instant(const Crossing_estimate& e, const std::vector<Bow_sample>& samples, double t,
                              const Goal_geometry& line, int direction, int step)
{
    // Every row of every near field, moved back or on by the travel to the instant.
    std::map<int, std::vector<double>> at_row;
    int fields[2] = {0, 0};
    for (const Bow_sample& s : samples) {
        if (std::abs(s.t_ms - t) > k_Window_ms || s.rows.empty()) continue;
        ++fields[int(std::lround(s.rows[0].y)) & 1];
        // The travel in columns: the speed is along the rows, past the line.
        const double moved = e.speed * (t - s.t_ms);
        for (const Row_front& r : s.rows) at_row[int(std::lround(r.y))].push_back(r.edge + moved);
    }
    // The hull is there in every field; a blade or a splash beside it comes and goes.
    std::vector<Row_front> outline;
    for (auto& [y, edges] : at_row) {
        if (double(edges.size()) < k_Steady * fields[y & 1]) continue;
        std::nth_element(edges.begin(), edges.begin() + std::ptrdiff_t(edges.size() / 2), edges.end());
        outline.push_back({double(y), edges[edges.size() / 2]});
    }
    const auto tip = Leading_point(outline, 1);
    if (!tip) return std::nullopt;
    const double nx = std::abs(line.U(1, 0) - line.U(0, 0));
    const double past = direction * line.U(step * tip->edge, tip->y) / nx;
    const double instant = t - past / e.speed;
    if (std::abs(instant - e.t_ms) * e.speed > k_Most_shift) return std::nullopt;
    return instant;
}

} // namespace

Crossing_estimate Outline_crossing(const Crossing_estimate& e, const std::vector<Bow_sample>& samples,
                                   const Goal_geometry& line, int direction, int step)
{
    if (e.speed <= 0 || std::abs(line.U(1, 0) - line.U(0, 0)) < 0.1) return e;
    Crossing_estimate out = e;
    for (int pass = 0; pass < 2; ++pass) {
        const auto t = Instant(e, samples, out.t_ms, line, direction, step);
        if (!t) return e;
        out.t_ms = *t;
    }
    return out;
}

} // namespace wk
