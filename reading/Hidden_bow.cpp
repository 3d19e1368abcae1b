#include "reading/Hidden_bow.h"

#include "reading/Middle_value.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace wk {
namespace {

constexpr int k_Run = 3; // pixels in a row: less is spray, a blade's edge or noise

struct Row_look {
    const Cover_look& look;
    int32_t y;
    int Difference(int32_t x) const
    {
        const size_t water = size_t(y - look.water_y0) * size_t(look.x_hi - look.x_lo + 1) + size_t(x - look.x_lo);
        return int(look.picture[size_t(y) * size_t(look.width) + size_t(x)]) - int(look.water[water]);
    }
    bool Inside(int32_t x) const { return x >= look.x_lo && x <= look.x_hi; }
};

// The hull's level in the row just behind its front; 0 when the row is too faint to tell.
double Level(const Row_look& row, int32_t front, int step)
{
    double sum = 0;
    int n = 0;
    for (int k = 2; k <= 4; ++k)
        if (row.Inside(front - k * step)) sum += row.Difference(front - k * step), ++n;
    const double level = n ? sum / n : 0;
    return std::abs(level) > row.look.threshold ? level : 0;
}

// How far past the front a run of the hull's own level starts again, and where it ends; 0 if not.
double Past_gap(const Row_look& row, int32_t front, int step, double level)
{
    auto hull_like = [&](int32_t x) {
        const double d = row.Difference(x);
        return d * level > 0 && std::abs(d) > row.look.threshold && std::abs(d) >= 0.5 * std::abs(level);
    };
    bool gap = false;
    for (int32_t x = front + step; row.Inside(x); x += step) {
        if (!hull_like(x)) {
            gap = true;
            continue;
        }
        if (!gap) continue; // the front's own edge, not yet past it
        int32_t end = x;
        while (row.Inside(end + step) && hull_like(end + step)) end += step;
        if (std::abs(end - x) + 1 >= k_Run) return std::abs(end - front);
        gap = true;
    }
    return 0;
}

} // namespace

double Hull_past_cover(const Cover_look& look, const std::vector<Row_front>& rows, int step)
{
    if (!look.picture || !look.water) return 0;
    std::vector<double> past;
    int counted = 0;
    for (const Row_front& r : rows) {
        const Row_look row{look, int32_t(std::lround(r.y))};
        const int32_t front = int32_t(std::lround(step * r.edge));
        const double level = Level(row, front, step);
        if (level == 0) continue;
        ++counted;
        if (const double p = Past_gap(row, front, step, level); p > 0) past.push_back(p);
    }
    // A blade or a splash ahead lies in a row or two; the hull spans the bow's height.
    if (past.size() < 2 || 2 * past.size() <= size_t(counted)) return 0;
    return Middle_value(past);
}

} // namespace wk
