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
// Pixels a row of the outline may fall short of both rows beside it: each reads within a pixel.
constexpr double k_Notch = 2;

// The middle of the values; of an even count, the mean of the two middle ones: the upper one
// alone reads a row of two fields long by half their difference.
double Median(std::vector<double>& v)
{
    const auto mid = v.begin() + std::ptrdiff_t(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return v.size() % 2 ? *mid : (*mid + *std::max_element(v.begin(), mid)) / 2;
}

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
        outline.push_back({double(y), Median(edges)});
    }
    // Near its point a bow's outline bulges out: a row far short of both rows beside it read a
    // stripe along the hull (a wale, a dark line) that barely differs from the water, not its
    // end, and would pull the outline's point short. The point is found from the other rows.
    std::vector<Row_front> kept;
    for (size_t i = 0; i < outline.size(); ++i) {
        const bool inner = i > 0 && i + 1 < outline.size() && outline[i - 1].y == outline[i].y - 1 &&
                           outline[i + 1].y == outline[i].y + 1;
        if (!inner || outline[i].edge >= std::min(outline[i - 1].edge, outline[i + 1].edge) - k_Notch)
            kept.push_back(outline[i]);
    }
    const auto tip = Leading_point(kept, 1);
    if (!tip) return std::nullopt;
    return direction * line.U(step * tip->edge, tip->y) / std::abs(line.U(1, 0) - line.U(0, 0));
}

// The rows the leading points take in the fields just before t and just after it do not meet: a
// blade on one side of the hull before the line and on the other after it, not one bow that
// crossed, whose height changes little from field to field.
bool Other_height(const std::vector<Bow_sample>& samples, double t)
{
    constexpr double k_Slack = 2; // rows
    double lo[2] = {1e9, 1e9}, hi[2] = {-1e9, -1e9};
    for (const Bow_sample& s : samples) {
        if (std::abs(s.t_ms - t) > k_Window_ms + 20) continue;
        const int side = s.t_ms < t ? 0 : 1;
        for (const Row_front& r : s.rows) lo[side] = std::min(lo[side], r.y), hi[side] = std::max(hi[side], r.y);
    }
    if (lo[0] > hi[0] || lo[1] > hi[1]) return false;
    return lo[1] > hi[0] + k_Slack || hi[1] < lo[0] - k_Slack;
}

} // namespace

Outlined_crossing Outline_crossing(const Crossing_estimate& e, const std::vector<Bow_sample>& samples,
                                   const Goal_geometry& line, int direction, int step)
{
    if (Other_height(samples, e.t_ms)) return {std::nullopt, false, true};
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
