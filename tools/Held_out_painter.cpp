// The held-out look of a planned heat. Nothing here is shared with Finish_heat_painter but the
// plan: every colour, outline and texture is drawn from a random stream of its own.
#include "tools/Held_out_painter.h"

#include "tools/Finish_heat_random.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wk::finish_heat {
namespace {

constexpr uint64_t k_Stream = 0x48454C44; // the look's own random numbers
constexpr int k_Instants = 4;             // moments of the exposure each boat is drawn at

// Hues a boat, its crew and their gear come in; the brightness is set apart.
constexpr double k_Hues[][2] = {{100, 200}, {45, 150}, {128, 128}, {90, 80}, {190, 100}, {100, 150}, {160, 170}};

Colour Hued(Random& r, double luma)
{
    const auto& h = k_Hues[size_t(r.Int(0, int(std::size(k_Hues)) - 1))];
    const double grey = r.Uniform(0, 0.6); // washed-out paint
    return {std::clamp(luma, 16.0, 235.0), h[0] + (128 - h[0]) * grey, h[1] + (128 - h[1]) * grey};
}

double Square(double x) { return x * x; }

double Triangle(double phase)
{
    const double f = phase / (2 * std::numbers::pi);
    return 4 * std::abs(f - std::floor(f + 0.5)) - 1;
}

void Mix(float* y, float* u, float* v, int x, const Colour& c, double a)
{
    y[x] = float(y[x] + (c.y - y[x]) * a);
    u[x] = float(u[x] + (c.u - u[x]) * a);
    v[x] = float(v[x] + (c.v - v[x]) * a);
}

// A boat where the plan has it at moment t, in this look's outline.
struct Placed {
    const Boat* b;
    const Held_out_painter::Look* look;
    double bow_x, tip;

    // Pixels behind the tip along the travel; negative ahead of it.
    double Behind(double px) const { return b->direction * (bow_x - px); }
    double Px(double behind) const { return bow_x - b->direction * behind; }
    double Edge(double behind, bool upper) const
    {
        const Held_out_painter::Look& l = *look;
        const double run = upper ? l.upper_run : l.lower_run, bend = upper ? l.upper_bend : l.lower_bend;
        double k = behind >= run ? 1.0 : std::pow(behind / run, bend);
        // A square-cut stern, its last pixels rounded off.
        k = std::min(k, std::clamp((b->length - behind) / 3, 0.0, 1.0));
        return (upper ? l.upper : l.lower) * k;
    }
    bool In_hull(double px, double py) const
    {
        const double a = Behind(px);
        if (a < 0 || a > b->length) return false;
        const double r = py - tip;
        return r < 0 ? -r <= Edge(a, true) : r <= Edge(a, false);
    }
};

Placed Place(const Heat_plan& p, const Boat& b, const Held_out_painter::Look& look, double t)
{
    const double tip = b.Tip_y(t);
    return {&b, &look, p.Goal_x(tip) + b.direction * b.Distance(t), tip};
}

} // namespace

Held_out_painter::Held_out_painter(const Heat_plan& plan)
    : plan_(plan), y_(size_t(k_Width) * k_Height), u_(y_.size()), v_(y_.size())
{
    Random r(plan.seed, {k_Stream, uint64_t(plan.options.kind), uint64_t(plan.options.lanes)});
    const int tint = r.Int(0, 2);
    const double tints[3][2] = {{118, 118}, {112, 138}, {138, 120}};
    water_ = {r.Uniform(45, 160), tints[tint][0] + r.Uniform(-6, 6), tints[tint][1] + r.Uniform(-6, 6)};
    light_x_ = r.Uniform(-25, 25), light_y_ = r.Uniform(-15, 15);
    sparkle_ = r.Uniform(0.5, 4), noise_ = r.Uniform(1, 5), line_jitter_ = r.Uniform(0, 1.5);
    shadow_dx_ = r.Uniform(-6, 6), shadow_dy_ = r.Uniform(2, 8), shadow_alpha_ = r.Uniform(0.1, 0.35);
    exposure_ms_ = r.Uniform(0, 8);
    // Box and Muller: a tail the sum of uniforms does not have.
    gauss_.resize(4096);
    for (float& g : gauss_) g = float(std::sqrt(-2 * std::log(1 - r.Unit())) * std::cos(2 * std::numbers::pi * r.Unit()));
    rope_a_ = Hued(r, r.Uniform(150, 220)), rope_b_ = Hued(r, r.Uniform(60, 200));
    const double waves = r.Uniform(3, 12);
    for (int i = 0; i < 4; ++i)
        ripples_.push_back({waves * r.Uniform(0.15, 0.4), r.Uniform(0.3, 1.2), r.Uniform(-0.08, 0.08),
                            r.Uniform(0.003, 0.012), r.Uniform(0, 6.3)});
    for (const Boat& b : plan.boats) {
        Look l;
        // Light hulls stay light and dark ones dark, as the plan has them, and one that hardly
        // stands out stays so; the rest of the look is this painter's own.
        const double plan_contrast = b.hull.y - plan.water.base.y;
        const double contrast = std::abs(plan_contrast) < 45 ? r.Uniform(22, 40) : r.Uniform(35, 100);
        double luma = water_.y + (plan_contrast >= 0 ? 1 : -1) * contrast;
        if (luma > 230 || luma < 20) luma = water_.y - (plan_contrast >= 0 ? 1 : -1) * contrast;
        l.hull = Hued(r, luma);
        l.stripe = Hued(r, r.Uniform(30, 220));
        l.body = Hued(r, r.Uniform(40, 210)), l.vest = Hued(r, r.Uniform(60, 230)), l.helmet = Hued(r, r.Uniform(20, 230));
        l.blade = Hued(r, r.Chance(0.5) ? r.Uniform(20, 60) : r.Uniform(150, 230));
        const double height = b.height * r.Uniform(0.85, 1.15), split = r.Uniform(0.2, 0.8);
        l.upper = height * split, l.lower = height * (1 - split);
        // Deck and keel lines meet at the stem at an angle a camera sees, straight or a little
        // hollow or full, each reaching its full height within a few hull heights.
        l.upper_run = l.upper * r.Uniform(1.5, 4), l.lower_run = l.lower * r.Uniform(1.5, 4);
        l.upper_bend = r.Uniform(0.7, 1.2), l.lower_bend = r.Uniform(0.7, 1.2);
        l.shade = r.Uniform(0.0, 0.25);
        looks_.push_back(l);
    }
}

void Held_out_painter::Paint(int32_t frame, dv::DV_picture& picture)
{
    for (int row = 0; row < k_Height; ++row) {
        const int64_t field = 2 * int64_t(frame) - (row % 2 == 1 ? 1 : 0);
        const double t = plan_.Click_time(field);
        const size_t at = size_t(row) * k_Width;
        Water_row(row, t, field, &y_[at], &u_[at], &v_[at]);
        Lanes_row(row, &y_[at], &u_[at], &v_[at]);
        for (size_t i = 0; i < plan_.boats.size(); ++i)
            if (plan_.boats[i].kind != Lane_kind::empty) Boat_row(i, row, t, field, &y_[at], &u_[at], &v_[at]);
    }
    Noise(frame);
    Store(frame, picture);
}

void Held_out_painter::Water_row(int row, double t, int64_t field, float* y, float* u, float* v) const
{
    double total = 0;
    for (const Ripple& w : ripples_) total += w.amplitude;
    const double base = water_.y + light_y_ * (double(row) / k_Height - 0.5);
    for (int x = 0; x < k_Width; ++x) {
        double h = 0;
        for (const Ripple& w : ripples_) h += w.amplitude * Triangle(w.ky * (row + w.lean * x) - w.speed * t + w.phase);
        y[x] = float(base + light_x_ * (double(x) / k_Width - 0.5) + h);
        u[x] = float(water_.u - 0.1 * h);
        v[x] = float(water_.v + 0.1 * h);
    }
    // Sun on the crests, somewhere else in every field.
    Random r(plan_.seed, {k_Stream, 0x53504B, uint64_t(field), uint64_t(row)});
    const int sparks = int(sparkle_ + r.Unit());
    for (int i = 0; i < sparks; ++i) {
        const int x = r.Int(0, k_Width - 2);
        if (y[x] > base + 0.3 * total) y[x] = y[x + 1] = float(std::min(235.0, y[x] + r.Uniform(30, 80)));
    }
}

void Held_out_painter::Lanes_row(int row, float* y, float* u, float* v) const
{
    for (int k = 0; k <= plan_.options.lanes; ++k) {
        const double rope = plan_.band_top + k * plan_.band_height;
        const double cover = 1.2 - std::abs(row - rope);
        if (cover <= 0) continue;
        for (int x = 0; x < k_Width; ++x) Mix(y, u, v, x, (x / 14) % 2 ? rope_a_ : rope_b_, std::min(1.0, cover));
    }
}

void Held_out_painter::Boat_row(size_t index, int row, double t, int64_t field, float* y, float* u, float* v) const
{
    const Boat& b = plan_.boats[index];
    const Look& l = looks_[index];
    Placed at[k_Instants];
    for (int k = 0; k < k_Instants; ++k)
        at[k] = Place(plan_, b, l, t + exposure_ms_ * ((k + 0.5) / k_Instants - 0.5));
    const Placed& mid = at[k_Instants / 2];
    const double top = mid.tip - l.upper - b.body_height - 2.2 * b.body_half, bottom = mid.tip + 2 * l.lower + 2 * b.blade_h + 8;
    if (row < top - 4 || row > bottom + 4) return;
    const double x_a = mid.Px(b.length + 8), x_b = mid.Px(-std::max(b.blade_ahead, 0.0) - b.blade_w - 12);
    const int x0 = std::max(0, int(std::min(x_a, x_b)) - 8), x1 = std::min(k_Width - 1, int(std::max(x_a, x_b)) + 8);
    const bool moving = b.Distance(t + 10) - b.Distance(t) > 0.5;
    const double angle = b.Stroke_angle(t);
    const bool near_side = int64_t(std::floor(angle / (2 * std::numbers::pi))) % 2 == 0;
    const double reach = std::pow(0.5 + 0.5 * std::cos(angle), 0.8);
    const double blade_tip = -b.blade_ahead * reach + 0.8 * b.length * (1 - reach); // behind the bow tip
    const double blade_v = near_side ? l.lower + 1.5 * b.scale + b.blade_h / 2 : -l.upper - 0.3 * b.body_height;
    const double hand_a = b.body_at * b.length - 3, hand_v = -l.upper - 0.5 * b.body_height;
    Random spray(plan_.seed, {k_Stream, 0x535052, index, uint64_t(field)});
    struct Streak {
        double a, r, da, dr, alpha;
    };
    std::vector<Streak> streaks;
    const int drops = moving ? int(b.spray + spray.Unit()) : 0;
    for (int i = 0; i < drops; ++i)
        streaks.push_back({spray.Uniform(-b.spray_ahead, 0.15 * b.length), spray.Uniform(-0.3 * l.upper, l.lower + 3),
                           spray.Uniform(-3, 3) * b.scale, spray.Uniform(-2, 1) * b.scale, spray.Uniform(0.3, 0.8)});
    // What covers one point of the pixel, one share a kind.
    struct Cover {
        double shadow = 0, reflection = 0, hull = 0, stripe = 0, body = 0, vest = 0, head = 0, helmet = 0;
        double blade = 0, foam = 0, shade = 0;
        void Add(const Cover& c, double w)
        {
            shadow += w * c.shadow, reflection += w * c.reflection, hull += w * c.hull, stripe += w * c.stripe;
            body += w * c.body, vest += w * c.vest, head += w * c.head, helmet += w * c.helmet;
            blade += w * c.blade, foam += w * c.foam, shade += w * c.shade;
        }
        bool Same(const Cover& c) const
        {
            return shadow == c.shadow && reflection == c.reflection && hull == c.hull && stripe == c.stripe &&
                   body == c.body && vest == c.vest && head == c.head && helmet == c.helmet && blade == c.blade &&
                   foam == 0 && c.foam == 0;
        }
    };
    auto sample = [&](int x, int i) {
        Cover c;
        const Placed& p = at[(i + i / 4) % k_Instants];
        const double qx = x + ((i % 4) + 0.5) / 4 - 0.5, qy = row + ((i / 4) + 0.5) / 4 - 0.5;
        const double a = p.Behind(qx), r = qy - p.tip;
        if (p.In_hull(qx, qy)) {
            c.hull = 1;
            c.shade = r > 0 ? r / std::max(l.lower, 1.0) : 0;
            if (a > 0.3 * b.length && a < 0.8 * b.length && r > -0.2 * l.upper && r < 0.2 * l.lower) c.stripe = 1;
            return c;
        }
        // The crew above the hull: torso, vest, head and helmet.
        const double du = a - b.body_at * b.length, lift = -l.upper - r; // up from the hull's top
        if (lift >= 0 && lift <= 0.75 * b.body_height && std::abs(du) <= b.body_half * (1 - 0.25 * lift / b.body_height))
            (lift < 0.4 * b.body_height ? c.vest : c.body) = 1;
        const double head_r = 0.8 * b.body_half, head_lift = 0.75 * b.body_height + head_r;
        if (du * du + (lift - head_lift) * (lift - head_lift) <= head_r * head_r) (lift > head_lift ? c.helmet : c.head) = 1;
        // The blade, a rounded oblong, and its shaft from the hand.
        if (b.blade) {
            const double bu = (a - (blade_tip + b.blade_w / 2)) / (b.blade_w / 2), bv = (r - blade_v) / (b.blade_h / 2);
            if (bu * bu * bu * bu + bv * bv * bv * bv <= 1) c.blade = 1;
            const double sa = blade_tip + b.blade_w / 2 - hand_a, sr = blade_v - hand_v;
            const double k = std::clamp(((a - hand_a) * sa + (r - hand_v) * sr) / (sa * sa + sr * sr + 1e-9), 0.0, 1.0);
            if (Square(a - hand_a - k * sa) + Square(r - hand_v - k * sr) <= Square(0.35 * b.scale + 0.4)) c.blade = 1;
        }
        for (const Streak& s : streaks) {
            const double k = std::clamp(((a - s.a) * s.da + (r - s.r) * s.dr) / (s.da * s.da + s.dr * s.dr + 1e-9), 0.0, 1.0);
            if (Square(a - s.a - k * s.da) + Square(r - s.r - k * s.dr) <= Square(0.45 * b.scale + 0.3)) c.foam += s.alpha;
        }
        // Below the waterline: the bow wave along the hull's side, the hull's broken mirror
        // image, and its shadow cast by the side light.
        const double below = r - l.lower;
        if (below > 0 && a > 1 && below < 0.35 * l.lower * std::min(1.0, a / (0.3 * b.length))) c.foam += 0.6;
        if (below > 0 && std::sin(1.7 * qy + 0.02 * t) > -0.3 && p.In_hull(qx, 2 * (p.tip + l.lower) - qy)) c.reflection = 1;
        if (below > 0 && p.In_hull(qx - shadow_dx_, qy - shadow_dy_)) c.shadow = 1;
        return c;
    };
    for (int x = x0; x <= x1; ++x) {
        // The four corner points first: where they agree the pixel is not on an edge.
        Cover total;
        const Cover c0 = sample(x, 0), c3 = sample(x, 3), c12 = sample(x, 12), c15 = sample(x, 15);
        if (c0.Same(c3) && c0.Same(c12) && c0.Same(c15)) total.Add(c0, 16);
        else
            for (int i = 0; i < 16; ++i) total.Add(sample(x, i), 1);
        auto [shadow, reflection, hull, stripe, body, vest, head, helmet, blade, foam, shade] = total;
        const Colour dark{16, water_.u, water_.v}, foam_colour{232, 126, 130};
        Mix(y, u, v, x, dark, shadow_alpha_ * shadow / 16);
        Mix(y, u, v, x, l.hull, plan_.water.reflection * 0.8 * reflection / 16);
        Colour shaded = l.hull;
        if (hull > 0) shaded.y = std::clamp(l.hull.y * (1 - l.shade * shade / hull), 16.0, 235.0);
        for (const auto& [share, c] : {std::pair{hull, shaded}, {stripe, l.stripe}, {body, l.body}, {vest, l.vest},
                                        {head, Colour{150, 115, 145}}, {helmet, l.helmet}, {blade, l.blade}})
            if (share > 0) Mix(y, u, v, x, c, std::min(1.0, share / 16));
        if (foam > 0) Mix(y, u, v, x, foam_colour, std::min(0.9, foam / 16));
    }
}

void Held_out_painter::Noise(int32_t frame)
{
    Random r(plan_.seed, {k_Stream, 0x4E5A, uint64_t(frame)});
    for (int row = 0; row < k_Height; ++row) {
        const double jitter = line_jitter_ * r.Normal();
        float* y = &y_[size_t(row) * k_Width];
        for (int x = 0; x < k_Width; ++x) {
            y[x] = float(y[x] + jitter + noise_ * gauss_[r.Next() & (gauss_.size() - 1)]);
            if (r.Chance(0.00005)) y[x] = 235;
        }
    }
}

void Held_out_painter::Store(int32_t frame, dv::DV_picture& picture) const
{
    Random r(plan_.seed, {k_Stream, 0x4348, uint64_t(frame)});
    Store_planes(y_, u_, v_, k_Width, k_Height, picture, [&](double& nu, double& nv) {
        nu = noise_ * r.Normal();
        nv = noise_ * r.Normal();
    });
}

} // namespace wk::finish_heat
