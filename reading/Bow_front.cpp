#include "reading/Bow_front.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace wk {
namespace {

constexpr double k_Near_rows = 6; // frame rows either side of the lead row the outline is taken from
constexpr double k_Behind = 12;   // rows whose hull ends further back than this are its body
constexpr double k_Most_ahead = 2; // pixels the point may lie past the lead row's end

// The outline as edge = T - A * |y - y0|^p, A apart above and below the point: a wedge (p = 1)
// to a round bow (p = 2). For one y0 and p the best T and A are a least-squares solution.
struct Outline {
    double t = 0, ssr = 1e300;
};

// How far the outline falls back from the point over row y, above y0 and below it: at the row's
// middle, or as a pixel row reads it, the mean of |y - y0|^p over the row's height, each side
// over its own part of the row. The row through the point then reads short of it by the
// outline's fall within the row, not by nothing.
std::array<double, 2> Fall(double y, double y0, double p, bool averaged)
{
    if (!averaged) {
        const double d = std::pow(std::abs(y - y0), p);
        return {y < y0 ? d : 0, y < y0 ? 0 : d};
    }
    auto integral = [p](double a, double b) { // of |s|^p from a to b, both on one side of 0
        return std::abs(std::pow(std::abs(b), p + 1) - std::pow(std::abs(a), p + 1)) / (p + 1);
    };
    const double lo = y - 0.5 - y0, hi = y + 0.5 - y0;
    return {lo < 0 ? integral(lo, std::min(hi, 0.0)) : 0, hi > 0 ? integral(std::max(lo, 0.0), hi) : 0};
}

Outline Fit(const std::vector<Row_front>& rows, double y0, double p, bool averaged)
{
    // Normal equations over (1, -fall above, -fall below).
    std::array<std::array<double, 4>, 3> m{};
    bool above = false, below = false;
    // Each row's fall, worked out once for the equations and the residuals both.
    std::vector<std::array<double, 2>> falls;
    falls.reserve(rows.size());
    for (const Row_front& r : rows) {
        falls.push_back(Fall(r.y, y0, p, averaged));
        const auto [up, down] = falls.back();
        const std::array<double, 3> x{1, -up, -down};
        above |= r.y < y0, below |= r.y >= y0;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) m[i][j] += x[i] * x[j];
            m[i][3] += x[i] * r.edge;
        }
    }
    // A side without rows has nothing to say about its own slope.
    if (!above) m[1] = {0, 1, 0, 0}, m[0][1] = m[2][1] = 0;
    if (!below) m[2] = {0, 0, 1, 0}, m[0][2] = m[1][2] = 0;
    for (int c = 0; c < 3; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 3; ++r)
            if (std::abs(m[r][c]) > std::abs(m[pivot][c])) pivot = r;
        if (std::abs(m[pivot][c]) < 1e-12) return {};
        std::swap(m[c], m[pivot]);
        for (int r = 0; r < 3; ++r)
            if (r != c) {
                const double k = m[r][c] / m[c][c];
                for (int j = c; j < 4; ++j) m[r][j] -= k * m[c][j];
            }
    }
    const double t = m[0][3] / m[0][0], a_up = m[1][3] / m[1][1], a_down = m[2][3] / m[2][2];
    // The outline falls back from its point on both sides.
    if (a_up < -1e-9 || a_down < -1e-9) return {};
    Outline o{t, 0};
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto [up, down] = falls[i];
        o.ssr += std::pow(rows[i].edge - (t - a_up * up - a_down * down), 2);
    }
    return o;
}

} // namespace

std::optional<Row_front> Leading_point(std::vector<Row_front> rows, double gap)
{
    if (rows.empty()) return std::nullopt;
    const Row_front lead = *std::max_element(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.edge < b.edge; });
    std::erase_if(rows, [&](const Row_front& r) {
        return std::abs(r.y - lead.y) > k_Near_rows || r.edge < lead.edge - k_Behind;
    });
    if (rows.size() < 2) return lead;
    double top = lead.y, bottom = lead.y;
    for (const Row_front& r : rows) top = std::min(top, r.y), bottom = std::max(bottom, r.y);
    // The point lies within a row of the lead row; beyond the outermost row only by half a row,
    // where the field did not look.
    const double from = std::max(lead.y - gap, top - gap / 4);
    const double to = std::min(lead.y + gap, bottom + gap / 4);
    // Where the rows cannot tell (a straight raked stem), the point is taken half a row beyond
    // the lead row when that is the outermost, otherwise at it.
    const double likely = lead.y == top && lead.y != bottom ? from : lead.y == bottom && lead.y != top ? to : lead.y;
    const bool averaged = gap < 1.5;
    Row_front best = lead;
    double least = 1e300;
    for (double p : {1.0, 1.25, 1.5, 1.75, 2.0})
        for (double y0 = from; y0 <= to + 1e-9; y0 += 0.1) {
            const Outline o = Fit(rows, y0, p, averaged);
            const double score = o.ssr + 1e-6 * std::abs(y0 - likely);
            // A fit that puts the point behind the lead row's own end is no outline of it.
            if (score < least && o.t >= lead.edge - 0.25 && o.t <= lead.edge + k_Most_ahead) least = score, best = {y0, o.t};
        }
    return best;
}

} // namespace wk
