#include "reading/Crossing_fit.h"

#include "reading/Middle_value.h"

#include <algorithm>
#include <cmath>

namespace wk {
namespace {

constexpr int k_Each_side = 3;     // fields either side of the line that the fit takes
constexpr double k_Least_sigma = 0.3; // pixels: no field is read better than this
constexpr double k_Height_window_ms = 80; // fields this near the instant show the bow's height
constexpr double k_Leading = 1.5;   // pixels behind a field's farthest row that still lead
constexpr double k_Height_slack = 2; // frame rows the leading rows may lie from the bow's height

struct Fitted {
    double t_mean = 0, a = 0, b = 0, ssr = 0, sxx = 0;
    size_t n = 0;
    double Residual(const Bow_sample& s) const { return s.tip - (a + b * (s.t_ms - t_mean)); }
};

Fitted Fit(const std::vector<Bow_sample>& s)
{
    Fitted f;
    f.n = s.size();
    double st = 0, su = 0;
    for (const auto& p : s) st += p.t_ms, su += p.tip;
    f.t_mean = st / double(f.n);
    const double u_mean = su / double(f.n);
    double sxy = 0;
    for (const auto& p : s) f.sxx += std::pow(p.t_ms - f.t_mean, 2), sxy += (p.t_ms - f.t_mean) * (p.tip - u_mean);
    f.b = f.sxx > 0 ? sxy / f.sxx : 0;
    f.a = u_mean;
    for (const auto& p : s) f.ssr += std::pow(f.Residual(p), 2);
    return f;
}

// The fields nearest the instant t either side of it.
std::vector<Bow_sample> Nearest(const std::vector<Bow_sample>& all, double t)
{
    std::vector<Bow_sample> before, after;
    for (const auto& s : all) (s.t_ms < t ? before : after).push_back(s);
    std::sort(before.begin(), before.end(), [](auto& x, auto& y) { return x.t_ms > y.t_ms; });
    std::sort(after.begin(), after.end(), [](auto& x, auto& y) { return x.t_ms < y.t_ms; });
    before.resize(std::min<size_t>(before.size(), k_Each_side));
    after.resize(std::min<size_t>(after.size(), k_Each_side));
    before.insert(before.end(), after.begin(), after.end());
    return before;
}

// The span of heights over which a field's rows lead: a blunt stem leads over its height, a
// point in a row or two.
std::pair<double, double> Leading_span(const Bow_sample& s)
{
    double farthest = -1e18, top = 1e18, bottom = -1e18;
    for (const Row_front& r : s.rows) farthest = std::max(farthest, r.edge);
    for (const Row_front& r : s.rows)
        if (r.edge >= farthest - k_Leading) top = std::min(top, r.y), bottom = std::max(bottom, r.y);
    return {top, bottom};
}

// A stem that leads in rows above and below the bow's height leads at it too: a field shows
// every other row, and the rows nearest the height may trail a little by the stem's shape.
bool Leads_near(const Bow_sample& s, double height)
{
    const auto [top, bottom] = Leading_span(s);
    return height >= top - k_Height_slack && height <= bottom + k_Height_slack;
}

} // namespace

std::optional<double> Travel_speed(const std::vector<Bow_sample>& samples)
{
    std::vector<double> times;
    for (const auto& s : samples) times.push_back(s.t_ms);
    std::sort(times.begin(), times.end());
    std::vector<double> gaps;
    for (size_t i = 1; i < times.size(); ++i)
        if (times[i] > times[i - 1]) gaps.push_back(times[i] - times[i - 1]);
    if (gaps.empty()) return std::nullopt;
    const double two_fields = 2 * Middle_value(gaps);
    std::vector<double> speeds;
    for (const auto& a : samples)
        for (const auto& b : samples)
            if (std::abs(b.t_ms - a.t_ms - two_fields) < 0.25 * two_fields)
                speeds.push_back((b.tip - a.tip) / (b.t_ms - a.t_ms));
    if (speeds.size() < 2) return std::nullopt;
    return Middle_value(speeds);
}

// The hull leads at one height from field to field (it pitches a little); what joins it and
// reaches further comes and goes with the stroke, above or below it.
std::vector<Bow_sample> At_bow_height(std::vector<Bow_sample> samples, double t_ms)
{
    auto near = [&](const Bow_sample& s) { return std::abs(s.t_ms - t_ms) <= k_Height_window_ms && !s.rows.empty(); };
    std::vector<double> heights;
    for (const Bow_sample& s : samples)
        if (near(s)) {
            const auto [top, bottom] = Leading_span(s);
            heights.push_back((top + bottom) / 2);
        }
    if (heights.size() < 4) return samples;
    std::sort(heights.begin(), heights.end());
    const size_t n = heights.size();
    const double height = (heights[(n - 1) / 2] + heights[n / 2]) / 2;
    std::erase_if(samples, [&](const Bow_sample& s) { return near(s) && !Leads_near(s, height); });
    return samples;
}

std::optional<Crossing_estimate> Fit_crossing(std::vector<Bow_sample> samples)
{
    std::sort(samples.begin(), samples.end(), [](auto& x, auto& y) { return x.t_ms < y.t_ms; });
    // A first instant from the last field behind the line and the first past it.
    std::optional<double> first;
    for (size_t i = 0; i + 1 < samples.size() && !first; ++i)
        if (samples[i].tip < 0 && samples[i + 1].tip >= 0)
            first = samples[i].t_ms + (samples[i + 1].t_ms - samples[i].t_ms) * -samples[i].tip /
                                          (samples[i + 1].tip - samples[i].tip);
    if (!first) return std::nullopt;
    std::vector<Bow_sample> kept = Nearest(samples, *first);
    Crossing_estimate e;
    Fitted f = Fit(kept);
    for (int pass = 0; pass < 2 && kept.size() > 4; ++pass) {
        // Each field against the line through the others: one far off cannot pull the line
        // toward itself and hide.
        size_t worst = 0;
        double worst_ratio = 0;
        for (size_t i = 0; i < kept.size(); ++i) {
            std::vector<Bow_sample> others = kept;
            others.erase(others.begin() + std::ptrdiff_t(i));
            const Fitted o = Fit(others);
            const double sigma = std::max(k_Least_sigma, std::sqrt(o.ssr / double(others.size() - 2)));
            const double ratio = std::abs(o.Residual(kept[i])) / std::max(3 * sigma, 1.0);
            if (ratio > worst_ratio) worst_ratio = ratio, worst = i;
        }
        if (worst_ratio <= 1) break;
        kept.erase(kept.begin() + std::ptrdiff_t(worst));
        ++e.left_out;
        f = Fit(kept);
    }
    if (f.b <= 0 || kept.size() < 3) return std::nullopt;
    e.speed = f.b;
    e.t_ms = f.t_mean - f.a / f.b;
    for (const auto& s : kept) (s.t_ms < e.t_ms ? e.before : e.after) += 1;
    if (e.before == 0 || e.after == 0) return std::nullopt;
    const double n = double(kept.size());
    e.residual_px = std::sqrt(f.ssr / n);
    const double sigma = std::max(k_Least_sigma, kept.size() > 2 ? std::sqrt(f.ssr / (n - 2)) : 0.0);
    const double se_u = sigma * std::sqrt(1 / n + std::pow(e.t_ms - f.t_mean, 2) / f.sxx);
    e.standard_error_ms = se_u / f.b;
    return e;
}

} // namespace wk
