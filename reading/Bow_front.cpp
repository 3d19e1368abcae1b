#include "reading/Bow_front.h"

#include <algorithm>
#include <cmath>

namespace wk {
namespace {

constexpr double k_Depth = 10;     // pixels of the front that the fit takes
constexpr double k_Step = 0.25;    // pixels between the distances the area is taken at
constexpr double k_Least_area = 1; // square pixels: less is the noise around the edge

double Area_ahead(const std::vector<Front_cell>& front, double at)
{
    double a = 0;
    for (const Front_cell& c : front) {
        if (c.hi <= at) continue;
        a += c.area * (c.lo >= at ? 1.0 : (c.hi - at) / (c.hi - c.lo));
    }
    return a;
}

struct Line_fit {
    double intercept = 0, slope = 0, rms = 0;
};

Line_fit Fit(const std::vector<double>& x, const std::vector<double>& y)
{
    const double n = double(x.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < x.size(); ++i) sx += x[i], sy += y[i], sxx += x[i] * x[i], sxy += x[i] * y[i];
    const double det = n * sxx - sx * sx;
    Line_fit f;
    if (std::abs(det) < 1e-12) return f;
    f.slope = (n * sxy - sx * sy) / det;
    f.intercept = (sy - f.slope * sx) / n;
    double ss = 0;
    for (size_t i = 0; i < x.size(); ++i) ss += std::pow(y[i] - f.intercept - f.slope * x[i], 2);
    f.rms = std::sqrt(ss / n);
    return f;
}

} // namespace

std::optional<double> Leading_point(const std::vector<Front_cell>& front, double farthest)
{
    std::vector<double> at, area;
    for (double u = farthest; u >= farthest - k_Depth; u -= k_Step) {
        const double a = Area_ahead(front, u);
        if (a >= k_Least_area) at.push_back(u), area.push_back(a);
    }
    if (at.size() < 6) return std::nullopt;
    std::optional<double> best;
    double best_error = 1e9;
    for (double power : {1.0, 1.5, 2.0, 2.5}) {
        std::vector<double> root(area.size());
        for (size_t i = 0; i < area.size(); ++i) root[i] = std::pow(area[i], 1 / power);
        const Line_fit f = Fit(at, root);
        if (f.slope >= 0) continue;
        // The residual in pixels along u, so that the powers compare fairly.
        const double error = f.rms / -f.slope;
        if (error < best_error) best_error = error, best = -f.intercept / f.slope;
    }
    return best;
}

} // namespace wk
