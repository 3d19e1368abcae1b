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

// How far past the line the bow is at instant t, from the steady outline of the fields between
// from and to moved at speed (pixels a ms) to t; none when it cannot be read.
std::optional<double> Past(double speed, const std::vector<Bow_sample>& samples, double t, double from, double to,
                           const Goal_geometry& line, int direction, int step)
{
    // Every row of every field, moved back or on by the travel to the instant.
    std::map<int, std::vector<double>> at_row;
    int fields[2] = {0, 0};
    for (const Bow_sample& s : samples) {
        if (s.t_ms < from || s.t_ms > to || s.rows.empty()) continue;
        ++fields[int(std::lround(s.rows[0].y)) & 1];
        // The travel in columns: the speed is along the rows, past the line.
        const double moved = speed * (t - s.t_ms);
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
    return direction * line.U(step * tip->edge, tip->y) / std::abs(line.U(1, 0) - line.U(0, 0));
}

} // namespace

Outlined_crossing Outline_crossing(const Crossing_estimate& e, const std::vector<Bow_sample>& samples,
                                   const Goal_geometry& line, int direction, int step)
{
    if (e.speed <= 0 || std::abs(line.U(1, 0) - line.U(0, 0)) < 0.1) return {};
    // The hull itself, where it stands in the fields, is seen short of the line before and past
    // it after, each side on its own: a blade over the line of a boat that stops short is not.
    auto sides = [&](double t) {
        return std::pair{Past(0, samples, t, t - 2 * k_Window_ms, t, line, direction, step),
                         Past(0, samples, t, t, t + 2 * k_Window_ms, line, direction, step)};
    };
    if (const auto after = sides(e.t_ms).second; after && *after <= 0) return {std::nullopt, true};
    Crossing_estimate out = e;
    for (int pass = 0; pass < 2; ++pass) {
        const double t = out.t_ms;
        const auto past = Past(e.speed, samples, t, t - k_Window_ms, t + k_Window_ms, line, direction, step);
        // The outline may not move the crossing further than the fields' own fit allows.
        if (!past || std::abs(t - *past / e.speed - e.t_ms) * e.speed > k_Most_shift) return {};
        out.t_ms = t - *past / e.speed;
    }
    const auto [before, after] = sides(out.t_ms);
    if (!before || !after || *before >= 0 || *after <= 0) return {};
    return {out, false};
}

} // namespace wk
