// Painting a planned heat, row by row: a row belongs to one field and shows that field's moment.
#include "tools/Finish_heat_painter.h"

#include "tools/Finish_heat_random.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wk::finish_heat {
namespace {

// 4 x 4 samples inside a pixel whose centre is (x, y).
constexpr double k_Sub[4] = {-0.375, -0.125, 0.125, 0.375};

// Where a boat is at one moment.
struct Pose {
    const Boat* b;
    double bow_x, tip;
    double top, bottom;  // the hull's edges at full body, rows from the tip
    double angle;
    bool moving;
};

Pose Pose_at(const Heat_plan& p, const Boat& b, double t)
{
    Pose s{};
    s.b = &b;
    s.tip = b.Tip_y(t);
    s.bow_x = p.Goal_x(s.tip) + b.direction * b.Distance(t);
    s.top = -b.height * (1 + b.tip_at) / 2;
    s.bottom = b.height * (1 - b.tip_at) / 2;
    s.angle = b.Stroke_angle(t);
    s.moving = b.Distance(t + 10) - b.Distance(t) > 0.5;
    return s;
}

// The hull's thickness at u pixels behind the bow (u <= 0) as a share of its full body; -1
// outside the hull. The upper edge (edge -1) and the lower (+1) run back from the tip over
// different lengths when the stem is raked.
double Profile(const Boat& b, double u, int edge)
{
    if (u > 0 || u < -b.length) return -1;
    const double taper = b.bow_taper * (1 + edge * b.rake);
    const double bow = -u >= taper ? 1.0 : std::pow(-u / taper, b.bow_power);
    const double stern = u + b.length >= b.stern_taper ? 1.0 : std::pow((u + b.length) / b.stern_taper, 0.7);
    return std::min(bow, stern);
}

bool In_hull(const Pose& s, double px, double py)
{
    const double u = s.b->direction * (px - s.bow_x);
    const double rv = py - s.tip;
    if (rv < 0) {
        const double k = Profile(*s.b, u, -1);
        return k >= 0 && rv >= s.top * k;
    }
    const double k = Profile(*s.b, u, 1);
    return k >= 0 && rv <= s.bottom * k;
}

// The picture x of a point u pixels ahead of the bow.
double X_of(const Pose& s, double u) { return s.bow_x + s.b->direction * u; }

struct Span {
    double x0, x1;
};

Span Span_of(const Pose& s, double u0, double u1)
{
    const double a = X_of(s, u0), b = X_of(s, u1);
    return {std::min(a, b) - 1, std::max(a, b) + 1};
}

double Segment_distance(double px, double py, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    const double k = len2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0, 1.0) : 0.0;
    return std::hypot(px - ax - k * dx, py - ay - k * dy);
}

} // namespace

Finish_heat_painter::Finish_heat_painter(const Heat_plan& plan)
    : plan_(plan), y_(size_t(k_Width) * k_Height), u_(y_.size()), v_(y_.size())
{
    Random r(plan.seed, {0x57415645});
    const double shares[k_Waves] = {0.5, 0.3, 0.2};
    for (size_t i = 0; i < k_Waves; ++i) {
        const double share = shares[i];
        Wave& w = waves_[i];
        w = {share * plan.water.waves, r.Uniform(0.1, 0.6), r.Uniform(0.002, 0.01), r.Uniform(0, 6.3), {}, {}};
        const double kx = r.Uniform(0.02, 0.2);
        for (int x = 0; x < k_Width; ++x) {
            w.sin_x.push_back(float(std::sin(kx * x)));
            w.cos_x.push_back(float(std::cos(kx * x)));
        }
    }
    buoy_ = r.Chance(0.5) ? Colour{200, 60, 150} : Colour{215, 128, 128};
    buoy_spacing_ = r.Uniform(12, 22);
    buoy_offset_ = r.Uniform(0, buoy_spacing_);
}

void Finish_heat_painter::Paint(int32_t frame, dv::DV_picture& picture)
{
    for (int row = 0; row < k_Height; ++row) {
        const int64_t field = 2 * int64_t(frame) - (row % 2 == 1 ? 1 : 0);
        const double t = plan_.Click_time(field);
        const size_t at = size_t(row) * k_Width;
        const Pixel_row px{&y_[at], &u_[at], &v_[at]};
        Paint_water(row, t, px);
        Paint_ropes(row, px);
        for (const Boat& b : plan_.boats)
            if (b.kind != Lane_kind::empty) Paint_boat(b, row, t, field, px);
    }
    Add_noise(frame);
    Store(frame, picture);
}

void Finish_heat_painter::Paint_water(int row, double t, Pixel_row px) const
{
    const Water& w = plan_.water;
    const double base = w.base.y + 12.0 * (double(row) / k_Height - 0.5);
    double c[k_Waves], s[k_Waves], total = 0;
    for (size_t i = 0; i < k_Waves; ++i) {
        const double phase = waves_[i].ky * row - waves_[i].w * t + waves_[i].phase;
        c[i] = waves_[i].amplitude * std::cos(phase);
        s[i] = waves_[i].amplitude * std::sin(phase);
        total += waves_[i].amplitude;
    }
    const double crest = 0.75 * total, glints = w.glints * 12.0;
    // Every pixel of every frame comes through here: plain pointers keep the loop lean in checked builds.
    const float *sin0 = waves_[0].sin_x.data(), *sin1 = waves_[1].sin_x.data(), *sin2 = waves_[2].sin_x.data();
    const float *cos0 = waves_[0].cos_x.data(), *cos1 = waves_[1].cos_x.data(), *cos2 = waves_[2].cos_x.data();
    const double base_u = w.base.u, base_v = w.base.v;
    float *y = px.y, *u = px.u, *v = px.v;
    for (int x = 0; x < k_Width; ++x) {
        double h = 0;
        h += sin0[x] * c[0] + cos0[x] * s[0];
        h += sin1[x] * c[1] + cos1[x] * s[1];
        h += sin2[x] * c[2] + cos2[x] * s[2];
        const double glint = h > crest ? glints * (h - crest) : 0.0;
        y[x] = float(base + h + glint);
        u[x] = float(base_u + 0.2 * h);
        v[x] = float(base_v - 0.15 * h);
    }
}

namespace {

void Blend(float* y, float* u, float* v, int x, const Colour& c, double a)
{
    y[x] = float(y[x] * (1 - a) + c.y * a);
    u[x] = float(u[x] * (1 - a) + c.u * a);
    v[x] = float(v[x] * (1 - a) + c.v * a);
}

// Lays colour c over the pixels of row `row` between x0 and x1 that the shape covers, each in
// proportion to the share of its samples inside. A moving shape is looked at shifted back by
// where it was at each sample's instant of the exposure (shift: 16 values, one a sample).
template <class Inside>
void Cover(float* y, float* u, float* v, int row, Span span, const Colour& c, double alpha, Inside inside,
           const double* shift = nullptr)
{
    const double extra = shift ? std::max(std::abs(shift[0]), std::abs(shift[15])) + 1 : 0;
    const int a = std::max(0, int(std::floor(span.x0 - extra))), b = std::min(k_Width - 1, int(std::ceil(span.x1 + extra)));
    for (int x = a; x <= b; ++x) {
        int n = 0;
        for (int i = 0; i < 16; ++i)
            n += inside(x + k_Sub[i % 4] - (shift ? shift[i] : 0.0), row + k_Sub[i / 4]) ? 1 : 0;
        if (n > 0) Blend(y, u, v, x, c, alpha * n / 16.0);
    }
}

// Each sample's instant within the exposure, as a share from -0.5 to 0.5, spread so that no row
// or column of samples holds only early or only late instants. The first and last are the ends.
constexpr int k_Instant_order[16] = {0, 9, 4, 13, 10, 3, 14, 7, 5, 12, 1, 8, 11, 6, 2, 15};

} // namespace

void Finish_heat_painter::Paint_ropes(int row, Pixel_row px) const
{
    for (int k = 0; k <= plan_.options.lanes; ++k) {
        const double yb = plan_.band_top + k * plan_.band_height;
        const double ry = 1.5 + 1.0 * yb / k_Height, rx = 1.5 * ry;
        if (std::abs(row - yb) > ry + 1) continue;
        for (double xb = buoy_offset_; xb < k_Width; xb += buoy_spacing_)
            Cover(px.y, px.u, px.v, row, {xb - rx - 1, xb + rx + 1}, buoy_, 1.0, [&](double qx, double qy) {
                const double dx = (qx - xb) / rx, dy = (qy - yb) / ry;
                return dx * dx + dy * dy <= 1;
            });
    }
}

namespace {

// One boat's parts laid over one row, each sampled over the field's exposure.
class Boat_brush {
public:
    Boat_brush(const Heat_plan& plan, const Boat& b, int row, double t, float* y, float* u, float* v)
        : plan_(plan), b_(b), s_(Pose_at(plan, b, t)), row_(row), t_(t), y_(y), u_(u), v_(v)
    {
        full_ = s_.bottom - s_.top;
        hull_top_ = s_.tip + s_.top;
        waterline_ = s_.tip + s_.bottom;
        // Where the boat was at each sample's instant, relative to the field's moment.
        const double speed = b.direction * (b.Distance(t + 1) - b.Distance(t - 1)) / 2;
        for (int i = 0; i < 16; ++i) shift_[i] = speed * plan.shutter_ms * ((k_Instant_order[i] + 0.5) / 16.0 - 0.5);
    }
    bool Near_row() const
    {
        return row_ >= hull_top_ - b_.body_height - 2 * b_.blade_h - 8 && row_ <= waterline_ + full_ + 2 * b_.blade_h + 10;
    }

    void Hull() const
    {
        // The reflection, fading with depth and broken by ripples.
        if (row_ >= waterline_ && row_ <= waterline_ + full_ + 1) {
            const double alpha = plan_.water.reflection * (1 - (row_ - waterline_) / (full_ + 1));
            const double ripple = 1.2 * std::sin(0.9 * row_ + 0.011 * t_);
            Lay(Span_of(s_, 2, -b_.length - 2), b_.hull, alpha,
                [&](double qx, double qy) { return In_hull(s_, qx + ripple, 2 * waterline_ - qy); });
        }
        if (row_ < hull_top_ - 1 || row_ > waterline_ + 1) return;
        Lay(Span_of(s_, 1, -b_.length - 1), b_.hull, 1.0, [&](double qx, double qy) { return In_hull(s_, qx, qy); });
        // A deck stripe along the upper edge.
        Lay(Span_of(s_, 1, -b_.length - 1), b_.deck, 1.0, [&](double qx, double qy) {
            const double k = Profile(b_, b_.direction * (qx - s_.bow_x), -1);
            return k >= 0 && qy - s_.tip >= s_.top * k && qy - s_.tip < (s_.top + 0.25 * full_) * k;
        });
    }

    // The paddler, from the hull up, with a head.
    void Paddler() const
    {
        const double half = b_.body_half, head_y = hull_top_ - b_.body_height;
        if (row_ < head_y - 2 * half || row_ > hull_top_ + 1) return;
        Lay(Span_of(s_, Body_u() + half + 1, Body_u() - half - 1), b_.body, 1.0, [&](double qx, double qy) {
            const double du = b_.direction * (qx - s_.bow_x) - Body_u();
            if (qy >= head_y && qy <= hull_top_ + 0.5) return std::abs(du) <= half;
            const double dh = qy - (head_y - half);
            return du * du + dh * dh <= 0.8 * half * half;
        });
    }

    void Blade() const
    {
        if (!b_.blade) return;
        // Kayak strokes alternate sides: the near blade shows below the hull, the far one above.
        const bool near = int64_t(std::floor(s_.angle / (2 * std::numbers::pi))) % 2 == 0;
        const double reach = 0.5 + 0.5 * std::cos(s_.angle);
        const double tip_u = -0.8 * b_.length + (b_.blade_ahead + 0.8 * b_.length) * reach;
        const double cu = tip_u - b_.blade_w / 2;
        const double cv = near ? waterline_ + 2 * b_.scale + b_.blade_h / 2 : hull_top_ - 0.25 * b_.body_height - b_.blade_h / 2;
        const double hand_u = Body_u() + 3, hand_v = hull_top_ - 0.55 * b_.body_height;
        const double shaft = 0.8 * b_.scale;
        if (row_ >= std::min(cv, hand_v) - 2 && row_ <= std::max(cv, hand_v) + 2)
            Lay(Span_of(s_, std::max(cu, hand_u) + 2, std::min(cu, hand_u) - 2), b_.blade_colour, 0.9,
                [&](double qx, double qy) {
                    return Segment_distance(b_.direction * (qx - s_.bow_x), qy, hand_u, hand_v, cu, cv) <= shaft;
                });
        if (std::abs(row_ - cv) > b_.blade_h / 2 + 1) return;
        Lay(Span_of(s_, tip_u + 1, tip_u - b_.blade_w - 1), b_.blade_colour, 1.0, [&](double qx, double qy) {
            const double du = (b_.direction * (qx - s_.bow_x) - cu) / (b_.blade_w / 2), dv = (qy - cv) / (b_.blade_h / 2);
            return du * du + dv * dv <= 1;
        });
    }

    // Spray thrown up around the bow, new in every field.
    void Spray(int64_t field) const
    {
        if (!s_.moving || b_.spray <= 0) return;
        Random r(plan_.seed, {0x5350, uint64_t(b_.band), uint64_t(field)});
        const int drops = int(b_.spray + r.Unit());
        static const Colour k_Foam{232, 128, 128};
        for (int i = 0; i < drops; ++i) {
            const double du = r.Uniform(-0.12 * b_.length, b_.spray_ahead);
            const double dv = r.Uniform(s_.tip + 0.5 * s_.bottom, waterline_ + 3);
            const double radius = r.Uniform(0.5, 1.3) * b_.scale, alpha = r.Uniform(0.35, 0.85);
            if (std::abs(row_ - dv) > radius + 1) continue;
            const double dx = X_of(s_, du);
            Cover(y_, u_, v_, row_, {dx - radius - 1, dx + radius + 1}, k_Foam, alpha,
                  [&](double qx, double qy) { return std::hypot(qx - dx, qy - dv) <= radius; });
        }
    }

private:
    double Body_u() const { return -b_.body_at * b_.length; }
    template <class Inside> void Lay(Span span, const Colour& c, double alpha, Inside inside) const
    {
        Cover(y_, u_, v_, row_, span, c, alpha, inside, shift_);
    }

    const Heat_plan& plan_;
    const Boat& b_;
    const Pose s_;
    const int row_;
    const double t_;
    float *y_, *u_, *v_;
    double full_ = 0, hull_top_ = 0, waterline_ = 0;
    double shift_[16] = {};
};

} // namespace

void Finish_heat_painter::Paint_boat(const Boat& b, int row, double t, int64_t field, Pixel_row px) const
{
    const Boat_brush brush(plan_, b, row, t, px.y, px.u, px.v);
    if (!brush.Near_row()) return;
    brush.Hull();
    brush.Paddler();
    brush.Blade();
    brush.Spray(field);
}

void Finish_heat_painter::Add_noise(int32_t frame)
{
    Random r(plan_.seed, {0x4E4F, uint64_t(frame)});
    const double sigma = plan_.water.noise * 1.7320508075688772 / 32768.0;
    for (float& p : y_) {
        const uint64_t bits = r.Next();
        const double sum = double(bits & 0xFFFF) + double((bits >> 16) & 0xFFFF) + double((bits >> 32) & 0xFFFF) +
                           double(bits >> 48) - 2 * 65535.0;
        p += float(sum * sigma);
    }
}

void Finish_heat_painter::Store(int32_t frame, dv::DV_picture& picture) const
{
    Random r(plan_.seed, {0x4348, uint64_t(frame)});
    const double noise = plan_.water.noise * 0.5;
    Store_planes(y_, u_, v_, k_Width, k_Height, picture, [&](double& nu, double& nv) {
        nu = noise * (r.Unit() - 0.5);
        nv = noise * (r.Unit() - 0.5);
    });
}

} // namespace wk::finish_heat
