#include "reading/Bow_model.h"

#include "reading/Bow_reader.h"
#include "reading/Middle_value.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace wk {
namespace {

// The outline: edge(y) = S(t) - A |y - y0(t)|^p, A apart above and below the point; p below 1
// a hollow needle, 1 a wedge, above 1 a full, round stem. Along the travel S(t) = S0 + v tau +
// a tau^2 / 2, tau from the first estimate's instant: a boat's speed swells and ebbs with the
// stroke. y0(t) = Y0 + w tau: the bow pitches with the stroke too, and a field's rows meet the
// point at another height each time.
enum Param { S0, Speed, Accel, Y0, Up, Down, Power, Pitch, k_Params };
using Params = std::array<double, k_Params>;

constexpr int k_Slices = 16;     // a pixel's height is integrated over this many slices
constexpr double k_Rows = 8;     // frame rows either side of the point that are read
constexpr double k_Behind = 14;  // pixels behind the point that are read: the stem, not the boat
// Pixels ahead of it: the first estimate is near, and the region follows the outline as it
// moves; spray and the bow's wave further ahead say nothing about the hull.
constexpr double k_Ahead = 3;
constexpr double k_Most_pitch = 0.05; // rows a ms the point may rise or fall
constexpr int k_Backing = 4;          // fully covered pixels that give a row's hull brightness
constexpr double k_Backing_reach = 30; // pixels behind the edge they are looked for in
constexpr double k_Cauchy = 2.4;      // noise scales where a pixel's pull starts to fade
constexpr size_t k_Fewest_pixels = 40; // fewer: the bow's front is not in the picture
constexpr double k_Least_noise = 2;     // brightness: no coded pixel is read finer than this
constexpr int k_Steps = 10; // damped Gauss-Newton steps a region is fitted with
constexpr double k_Settled = 0.005; // pixels and rows a step moves the point by once settled

struct Row_data {
    int view = 0;
    int32_t y = 0;
    double c = 0; // the hull's brightness against the water in this row
    // Each slice's edge, how far it falls back from the lead, that times the logarithm of its
    // height from the point, and how it moves as the point rises: what the edge's derivatives
    // are made of, put together only for slices that cut a pixel.
    std::array<double, k_Slices> e{}, back{}, back_log{}, rise{};
    std::array<bool, k_Slices> above{};
    double tau = 0, power = 1;
    double e_min = 0, e_max = 0; // of e: a pixel wholly behind or ahead of both needs no slice
};

struct Pixel {
    int row = 0;
    double lo = 0; // where the pixel begins along the travel
    double d = 0;  // its brightness less the water's
    // The pixel's cost when the hull misses it and when it covers it: the row's brightness and
    // the noise stay put while the outline moves, so only pixels the edge cuts need a logarithm.
    double cost_out = 0, cost_in = 0;
};

double Median(std::vector<double> v)
{
    return v.empty() ? 0 : Middle_value(v);
}

// Solves m x = b in place; false when m is singular.
template <size_t N> bool Solve(std::array<std::array<double, N>, N> m, std::array<double, N>& b)
{
    for (size_t c = 0; c < N; ++c) {
        size_t pivot = c;
        for (size_t r = c + 1; r < N; ++r)
            if (std::abs(m[r][c]) > std::abs(m[pivot][c])) pivot = r;
        if (std::abs(m[pivot][c]) < 1e-12) return false;
        std::swap(m[c], m[pivot]);
        std::swap(b[c], b[pivot]);
        for (size_t r = c + 1; r < N; ++r) {
            const double k = m[r][c] / m[c][c];
            for (size_t j = c; j < N; ++j) m[r][j] -= k * m[c][j];
            b[r] -= k * b[c];
        }
    }
    for (size_t c = N; c-- > 0;) {
        for (size_t j = c + 1; j < N; ++j) b[c] -= m[c][j] * b[j];
        b[c] /= m[c][c];
    }
    return true;
}

} // namespace

struct Bow_model::Fit {
    Fit(const Bow_model& m, const std::vector<Bow_view>& v) : model(m), views(v) {}
    const Bow_model& model;
    const std::vector<Bow_view>& views;
    double t0 = 0, threshold = 0;
    Params lo{}, hi{};
    std::vector<Row_data> rows;
    std::vector<Pixel> pixels;
    std::optional<Params> edged; // the outline the rows' edges are at
    std::vector<double> residuals;
    std::vector<std::optional<double>> backing;
    double sigma = 1;

    double Tau(int view) const { return views[size_t(view)].t_ms - t0; }
    double Lead(const Params& p, int view) const
    {
        const double tau = Tau(view);
        return p[S0] + p[Speed] * tau + 0.5 * p[Accel] * tau * tau;
    }

    // The outline's slopes and power, worked out once for all the rows.
    struct Shape {
        explicit Shape(const Params& p) : power(std::exp(p[Power])), up(std::exp(p[Up])), down(std::exp(p[Down])) {}
        double power, up, down;
    };

    void Edges(const Params& p, const Shape& shape, Row_data& r) const
    {
        const double tau = Tau(r.view), lead = Lead(p, r.view);
        const double power = shape.power, up = shape.up, down = shape.down;
        r.tau = tau, r.power = power;
        r.e_min = 1e300, r.e_max = -1e300;
        for (int j = 0; j < k_Slices; ++j) {
            const double dy = r.y - 0.5 + (j + 0.5) / k_Slices - p[Y0] - p[Pitch] * tau;
            const double a = dy < 0 ? up : down, ad = std::max(std::abs(dy), 1e-3), log_ad = std::log(ad);
            const double back = a * std::exp(power * log_ad);
            r.e[size_t(j)] = lead - back;
            r.back[size_t(j)] = back, r.back_log[size_t(j)] = back * log_ad;
            r.rise[size_t(j)] = power * back / ad * (dy < 0 ? -1 : 1);
            r.above[size_t(j)] = dy < 0;
            r.e_min = std::min(r.e_min, lead - back), r.e_max = std::max(r.e_max, lead - back);
        }
    }

    // Every row's edges at p; the rows keep the last outline they were given.
    void Edges(const Params& p)
    {
        if (edged && *edged == p) return;
        const Shape shape(p);
        for (Row_data& r : rows) Edges(p, shape, r);
        edged = p;
    }

    // The hull's share of the pixel's area, and how it changes with the outline: each slice of
    // the pixel's height is covered from the pixel's start to the edge.
    static double Share(const Row_data& r, double lo, Params* grad)
    {
        if (grad) grad->fill(0);
        if (lo >= r.e_max) return 0;
        if (lo + 1 <= r.e_min) return 1;
        double share = 0, cut = 0, rise = 0, back_up = 0, back_down = 0, back_log = 0;
        for (int j = 0; j < k_Slices; ++j) {
            const double x = r.e[size_t(j)] - lo;
            if (x <= 0) continue;
            if (x >= 1) {
                share += 1;
                continue;
            }
            share += x;
            cut += 1, rise += r.rise[size_t(j)], back_log += r.back_log[size_t(j)];
            (r.above[size_t(j)] ? back_up : back_down) += r.back[size_t(j)];
        }
        if (grad) {
            const double tau = r.tau;
            *grad = {cut,  cut * tau,  0.5 * cut * tau * tau, rise, -back_up, -back_down,
                     -back_log * r.power, rise * tau};
            for (double& g : *grad) g /= k_Slices;
        }
        return share / k_Slices;
    }

    // The hull's brightness in row r from the pixels the outline covers wholly nearest its edge;
    // none where those do not differ from the water (the row lies off the hull).
    std::optional<double> Backing(const Row_data& r) const
    {
        const Bow_view& v = views[size_t(r.view)];
        std::array<double, k_Backing> d{};
        size_t n = 0;
        const double lead = std::floor(Lead(params, r.view));
        for (double s = lead; s > lead - k_Backing_reach && n < d.size(); s -= 1) {
            const int32_t x = int32_t(std::lround(model.step_ * s));
            if (!model.In_lane(x, r.y)) break;
            if (Share(r, s - 0.5, nullptr) < 0.999) continue;
            d[n++] = v.picture[size_t(r.y) * size_t(model.frame_width_) + size_t(x)] - model.Water(x, r.y);
        }
        if (n < 2) return std::nullopt;
        auto mid = d.begin() + std::ptrdiff_t(n / 2);
        std::nth_element(d.begin(), mid, d.begin() + std::ptrdiff_t(n));
        const double c = *mid;
        if (std::abs(c) <= threshold) return std::nullopt;
        return c;
    }

    Params params{};

    // The rows and pixels of the bow's front where the outline now stands.
    size_t Select()
    {
        rows.clear(), pixels.clear();
        edged = params; // each row is given its edges as it is made
        const Shape shape(params);
        for (int k = 0; k < int(views.size()); ++k) {
            const size_t first = rows.size();
            const int parity = views[size_t(k)].field == 1 ? 1 : 0;
            const int32_t top = int32_t(std::ceil(params[Y0] - k_Rows)), bottom = int32_t(std::floor(params[Y0] + k_Rows));
            backing.clear();
            for (int32_t y = top; y <= bottom; ++y) {
                if ((y & 1) != parity || y < 0 || y >= model.frame_height_) continue;
                Row_data r;
                r.view = k, r.y = y;
                Edges(params, shape, r);
                backing.push_back(Backing(r));
                rows.push_back(r);
            }
            // A row off the hull takes the brightness of the nearest hull row: were the hull
            // there, it would look like its neighbour, and the outline pays for claiming it.
            for (size_t i = first; i < rows.size(); ++i) {
                std::optional<double> c;
                for (size_t reach = 0; !c && reach < backing.size(); ++reach) {
                    const size_t at = i - first;
                    if (at >= reach && backing[at - reach]) c = backing[at - reach];
                    else if (at + reach < backing.size() && backing[at + reach]) c = backing[at + reach];
                }
                rows[i].c = c.value_or(0);
            }
            for (size_t i = first; i < rows.size(); ++i) Add_pixels(int(i));
        }
        return pixels.size(); // Noise() gives the new pixels their costs
    }

    void Add_pixels(int row)
    {
        const Row_data& r = rows[size_t(row)];
        if (r.c == 0) return;
        const Bow_view& v = views[size_t(r.view)];
        const double lead = Lead(params, r.view);
        for (double s = std::ceil(lead - k_Behind); s <= lead + k_Ahead; s += 1) {
            const int32_t x = int32_t(std::lround(model.step_ * s));
            if (!model.In_lane(x, r.y)) continue;
            const double d = v.picture[size_t(r.y) * size_t(model.frame_width_) + size_t(x)] - model.Water(x, r.y);
            pixels.push_back({row, s - 0.5, d});
        }
    }

    double Pixel_cost(double res) const
    {
        const double z = res / (k_Cauchy * sigma);
        return std::log1p(z * z);
    }

    double Cost(const Params& p)
    {
        Edges(p);
        double cost = 0;
        for (const Pixel& px : pixels) {
            const Row_data& r = rows[size_t(px.row)];
            if (px.lo >= r.e_max) cost += px.cost_out;
            else if (px.lo + 1 <= r.e_min) cost += px.cost_in;
            else cost += Pixel_cost(px.d - r.c * Share(r, px.lo, nullptr));
        }
        return cost;
    }

    void Set_noise(double s)
    {
        sigma = s;
        for (Pixel& px : pixels)
            px.cost_out = Pixel_cost(px.d), px.cost_in = Pixel_cost(px.d - rows[size_t(px.row)].c);
    }

    void Noise()
    {
        Edges(params);
        residuals.clear();
        for (const Pixel& px : pixels)
            residuals.push_back(std::abs(px.d - rows[size_t(px.row)].c * Share(rows[size_t(px.row)], px.lo, nullptr)));
        Set_noise(std::max(k_Least_noise, 1.4826 * Median(residuals)));
    }

    // How far field k's own lead lies from the travel, the outline held: one number a field.
    std::optional<double> Field_shift(int k)
    {
        double delta = 0;
        bool seen = false;
        Params grad{};
        for (int it = 0; it < 5; ++it) {
            Params p = params;
            p[S0] += delta;
            double g = 0, h = 0;
            const Shape shape(p);
            for (Row_data& r : rows)
                if (r.view == k) Edges(p, shape, r);
            edged.reset();
            for (const Pixel& px : pixels) {
                const Row_data& r = rows[size_t(px.row)];
                if (r.view != k) continue;
                const double res = px.d - r.c * Share(r, px.lo, &grad), j = -r.c * grad[S0];
                const double z = res / (k_Cauchy * sigma), w = 1 / (1 + z * z);
                g += w * j * res, h += w * j * j;
            }
            if (h <= 0) break;
            seen = true;
            delta = std::clamp(delta - g / h, -3.0, 3.0);
        }
        if (!seen) return std::nullopt;
        return delta;
    }

    // The standard error of the lead at tau, from how the fields' own leads scatter about the
    // travel: pixels of one field share its noise, compression and a wave under the bow, so the
    // fields, not the pixels, are the independent measurements. rms: of those leads.
    double Field_scatter(double tau, double& rms)
    {
        std::vector<std::array<double, 3>> x;
        std::vector<double> shift;
        for (int k = 0; k < int(views.size()); ++k)
            if (const auto d = Field_shift(k)) x.push_back({1, Tau(k), 0.5 * Tau(k) * Tau(k)}), shift.push_back(*d);
        Edges(params);
        double ss = 0;
        for (double d : shift) ss += d * d;
        const size_t n = shift.size();
        rms = n ? std::sqrt(ss / double(n)) : 0;
        const double sigma_f = std::max(0.1, std::sqrt(ss / double(std::max<size_t>(n, 4) - 3)));
        std::array<std::array<double, 3>, 3> m{};
        for (const auto& r : x)
            for (size_t i = 0; i < 3; ++i)
                for (size_t j = 0; j < 3; ++j) m[i][j] += r[i] * r[j];
        std::array<double, 3> g{1, tau, 0.5 * tau * tau}, z = g;
        if (n < 4 || !Solve(m, z)) return sigma_f * 2;
        return sigma_f * std::sqrt(std::max(0.0, g[0] * z[0] + g[1] * z[1] + g[2] * z[2]));
    }

    // Damped Gauss-Newton steps on the pixels selected, each pixel weighed down as its residual
    // grows: spray, a blade's tip or a wave cannot pull the outline to itself.
    void Settle(int steps)
    {
        double lambda = 1e-3, cost = Cost(params);
        for (int it = 0; it < steps; ++it) {
            std::array<std::array<double, k_Params>, k_Params> h{};
            Params g{}, grad{};
            Edges(params);
            for (const Pixel& px : pixels) {
                const Row_data& r = rows[size_t(px.row)];
                if (px.lo >= r.e_max || px.lo + 1 <= r.e_min) continue; // wholly in or out: no pull
                const double res = px.d - r.c * Share(r, px.lo, &grad);
                const double z = res / (k_Cauchy * sigma), w = 1 / (1 + z * z);
                for (size_t i = 0; i < k_Params; ++i) {
                    const double ji = -r.c * grad[i];
                    if (ji == 0) continue;
                    g[i] += w * ji * res;
                    for (size_t j = i; j < k_Params; ++j) h[i][j] += w * ji * -r.c * grad[j];
                }
            }
            for (size_t i = 0; i < k_Params; ++i)
                for (size_t j = 0; j < i; ++j) h[i][j] = h[j][i];
            bool better = false;
            for (int tries = 0; tries < 6 && !better; ++tries) {
                auto m = h;
                Params step{};
                for (int i = 0; i < k_Params; ++i) {
                    m[size_t(i)][size_t(i)] += lambda * h[size_t(i)][size_t(i)] + 1e-9;
                    step[size_t(i)] = -g[size_t(i)];
                }
                if (!Solve(m, step)) return;
                Params next = params;
                for (int i = 0; i < k_Params; ++i)
                    next[size_t(i)] = std::clamp(next[size_t(i)] + step[size_t(i)], lo[size_t(i)], hi[size_t(i)]);
                const double c = Cost(next);
                if (c < cost) {
                    better = true;
                    const double moved = std::abs(next[S0] - params[S0]) + std::abs(next[Y0] - params[Y0]);
                    params = next, cost = c, lambda = std::max(lambda / 3, 1e-6);
                    if (moved < k_Settled) return;
                } else {
                    lambda *= 4;
                }
            }
            if (!better) return;
        }
    }
};

Bow_model::Bow_model(const Lane_window& window, const Bow_reader& bow, int32_t frame_width, int32_t frame_height,
                     int step, int threshold)
    : window_(window), bow_(bow), frame_width_(frame_width), frame_height_(frame_height), step_(step),
      threshold_(threshold)
{
}

Bow_model::~Bow_model() = default;

bool Bow_model::In_lane(int32_t x, int32_t y) const
{
    if (x < window_.X0() || x >= window_.X0() + window_.Box_width() || y < window_.Y0() ||
        y >= window_.Y0() + window_.Box_height())
        return false;
    const Goal_geometry& line = window_.Line();
    const double u = line.U(x, y), v = line.V(x, y);
    return std::abs(u) <= window_.Reach() && v >= window_.Span().v0 && v <= window_.Span().v1;
}

double Bow_model::Water(int32_t x, int32_t y) const { return bow_.Water(x, y); }

namespace {

// The column where the goal line crosses frame row y, along the travel.
double Line_at(const Goal_geometry& line, double y, int step)
{
    const double u0 = line.U(0, y), per_column = line.U(1, y) - u0;
    return step * -u0 / per_column;
}

// The instant tau when the lead S0 + v tau + a tau^2 / 2 reaches s, from the straight line's
// instant; none when the travel does not get there.
std::optional<double> Reaches(double s0, double v, double a, double s)
{
    if (v <= 0) return std::nullopt;
    double tau = (s - s0) / v;
    for (int i = 0; i < 4; ++i) {
        const double speed = v + a * tau;
        if (speed <= 0) return std::nullopt;
        tau -= (s0 + v * tau + 0.5 * a * tau * tau - s) / speed;
    }
    return tau;
}

} // namespace

std::optional<Crossing_estimate> Bow_model::Crossing(const std::vector<Bow_view>& all, const Crossing_estimate& start,
                                                     const std::vector<Bow_sample>& samples) const
{
    if (start.speed <= 0 || samples.empty()) return std::nullopt;
    std::vector<Bow_view> views;
    for (const Bow_view& v : all)
        if (v.picture && std::abs(v.t_ms - start.t_ms) <= k_Reach_ms) views.push_back(v);
    // The outline's first shape: the point and how the rows fall back from it in the field
    // nearest the instant.
    const Bow_sample& near = *std::min_element(samples.begin(), samples.end(), [&](auto& a, auto& b) {
        return std::abs(a.t_ms - start.t_ms) < std::abs(b.t_ms - start.t_ms);
    });
    const auto tip = Leading_point(near.rows);
    if (!tip || views.size() < 4) return std::nullopt;
    std::vector<double> up, down;
    for (const Row_front& r : near.rows) {
        const double dy = r.y - tip->y;
        if (std::abs(dy) >= 1 && std::abs(dy) <= k_Rows) (dy < 0 ? up : down).push_back((tip->edge - r.edge) / std::abs(dy));
    }
    const Goal_geometry& line = window_.Line();
    Fit fit(*this, views);
    fit.t0 = start.t_ms;
    fit.threshold = threshold_;
    const double v0 = start.speed, y0 = tip->y, at_line = Line_at(line, y0, step_);
    // The speed changes by no more than itself in 100 ms.
    fit.lo = {at_line - 10, 0.3 * v0, -v0 / 100, y0 - 3, std::log(0.02), std::log(0.02), std::log(0.25), -k_Most_pitch};
    fit.hi = {at_line + 10, 3 * v0, v0 / 100, y0 + 3, std::log(50.), std::log(50.), std::log(4.), k_Most_pitch};
    auto slope = [](const std::vector<double>& v) { return std::log(std::clamp(v.empty() ? 1.0 : Median(v), 0.05, 40.0)); };
    std::optional<Params> best;
    double best_score = 1e300, reference_sigma = 0;
    // From a needle, a wedge and a round stem: the fit can settle in a shape near where it began.
    for (double power : {0.5, 1.0, 2.0}) {
        fit.params = {at_line, v0, 0, y0, slope(up), slope(down), std::log(power), 0};
        for (int round = 0; round < 3 && fit.Select() >= k_Fewest_pixels; ++round) {
            fit.Noise();
            fit.Settle(k_Steps);
        }
        if (fit.pixels.size() < k_Fewest_pixels) continue;
        if (reference_sigma == 0) reference_sigma = fit.sigma;
        fit.Set_noise(reference_sigma);
        const double score = fit.Cost(fit.params) / double(fit.pixels.size());
        if (score < best_score) best_score = score, best = fit.params;
    }
    if (!best) return std::nullopt;
    fit.params = *best;
    fit.Select();
    fit.Noise();
    // Where the point meets the line at its own height, which the pitch moves along a slanted line.
    const Params& p = fit.params;
    const double line_y0 = Line_at(line, p[Y0], step_), per_row = Line_at(line, p[Y0] + 1, step_) - line_y0;
    const auto tau = Reaches(p[S0] - line_y0, p[Speed] - per_row * p[Pitch], p[Accel], 0);
    if (!tau) return std::nullopt;
    Crossing_estimate e;
    e.t_ms = start.t_ms + *tau;
    e.speed = p[Speed] + p[Accel] * *tau;
    e.standard_error_ms = fit.Field_scatter(*tau, e.residual_px) / e.speed;
    for (const Bow_view& v : views) (v.t_ms < e.t_ms ? e.before : e.after) += 1;
    return e;
}

} // namespace wk
