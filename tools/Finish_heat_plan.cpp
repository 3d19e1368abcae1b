// Planning a synthetic heat: everything random is drawn here, once, from the seed.
#include "tools/Finish_heat_plan.h"

#include "platform/Clock.h"
#include "services/Module_utilities.h"
#include "tools/Finish_heat_random.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace wk::finish_heat {

double Boat::Stroke_angle(double t_ms) const
{
    const double origin = kind == Lane_kind::stopper ? stop_from_ms : crossing_ms;
    return 2 * std::numbers::pi * stroke_hz / 1000.0 * (t_ms - origin) + stroke_phase;
}

double Boat::Distance(double t_ms) const
{
    if (kind == Lane_kind::stopper) {
        const double glide = speed * stop_tau_ms;
        if (t_ms < stop_from_ms) return -stop_gap - glide + speed * (t_ms - stop_from_ms);
        return -stop_gap - glide * std::exp(-(t_ms - stop_from_ms) / stop_tau_ms);
    }
    if (t_ms <= ease_from_ms) return Paddled_distance(t_ms);
    const double slow = speed * ease_to, dt = t_ms - ease_from_ms;
    return Paddled_distance(ease_from_ms) + slow * dt + (speed - slow) * ease_tau_ms * (1 - std::exp(-dt / ease_tau_ms));
}

double Boat::Paddled_distance(double t_ms) const
{
    // The speed is speed * (1 + pulse * sin(angle)); its integral from the crossing on.
    const double w = 2 * std::numbers::pi * stroke_hz / 1000.0;
    return speed * (t_ms - crossing_ms) -
           speed * pulse / w * (std::cos(Stroke_angle(t_ms)) - std::cos(stroke_phase));
}

double Boat::Tip_y(double t_ms) const { return tip_y + bob * std::sin(Stroke_angle(t_ms) + 1.0); }

double Heat_plan::Goal_x(double y) const
{
    if (goal[3] == goal[1]) return goal[0];
    return goal[0] + double(goal[2] - goal[0]) * (y - goal[1]) / double(goal[3] - goal[1]);
}

// As the viewer gives it: the frame's stamp rounded to a whole frame, less 10, from the start;
// field 2 one field later.
int32_t Heat_plan::Click_time(int64_t field) const
{
    const int64_t frame = (field + 1) / 2;
    if (frame < 1 || frame > int64_t(stamps.size())) throw std::out_of_range("no such field");
    const int32_t stamp = platform::Tick_add(Round_To_Multiple(stamps[size_t(frame - 1)], 40), -10);
    return platform::Tick_difference(stamp, heat_start) + (field % 2 == 0 ? 20 : 0);
}

namespace {

// What a kind switches on.
struct Features {
    int direction = 1;         // 0: each heat at random
    double slant = 3;          // largest |x2 - x1| of the goal line
    bool dark_hulls = false;
    double dark_share = 0;
    double blade_share = 0.3;
    bool blades_ahead = false;
    int empty = 0, stoppers = 0, dead_heats = 0;
    bool hidden = false;
    bool lanes_from_bottom = false;
};

Features Features_of(Kind kind, int lanes, Random& r)
{
    Features f;
    switch (kind) {
    case Kind::plain: break;
    case Kind::blade: f.blade_share = 1, f.blades_ahead = true; break;
    case Kind::slanted: f.slant = 90; break;
    case Kind::reversed: f.direction = -1; break;
    case Kind::dead_heat: f.dead_heats = 1 + lanes / 5; break;
    case Kind::empty: f.empty = std::max(1, lanes / 3); break;
    case Kind::stopper: f.stoppers = lanes >= 4 ? 2 : 1, f.blade_share = 1; break;
    case Kind::hidden: f.hidden = true; break;
    case Kind::dark: f.dark_hulls = true; break;
    case Kind::mixed:
        f.direction = r.Sign();
        f.slant = 70;
        f.dark_share = 0.4;
        f.blade_share = 0.5;
        f.blades_ahead = true;
        f.empty = r.Chance(0.3) ? 1 : 0;
        f.stoppers = r.Chance(0.3) ? 1 : 0;
        f.dead_heats = r.Chance(0.4) ? 1 : 0;
        f.hidden = r.Chance(0.3);
        f.lanes_from_bottom = r.Chance(0.3);
        break;
    }
    if (f.direction == 0) f.direction = 1;
    return f;
}

Colour Random_colour(Random& r, double y_low, double y_high)
{
    return {r.Uniform(y_low, y_high), r.Uniform(80, 176), r.Uniform(80, 176)};
}

void Place_goal_line(Heat_plan& p, const Features& f, Random& r)
{
    const double slant = r.Uniform(-f.slant, f.slant);
    // Room before the line for the boats to come in.
    const double centre = f.direction > 0 ? r.Uniform(380, 560) : r.Uniform(160, 340);
    p.goal[0] = int32_t(std::lround(centre - slant / 2));
    p.goal[1] = r.Int(1, 30);
    p.goal[2] = int32_t(std::lround(centre + slant / 2));
    p.goal[3] = r.Int(k_Height - 30, k_Height - 1);
}

// Kayaks and canoes of one class a heat: K1, K2, K4, C1, C2.
struct Boat_class {
    double length_m, speed_mps;
};
constexpr Boat_class k_Classes[] = {{5.2, 5.0}, {6.5, 5.5}, {11.0, 6.0}, {5.2, 4.6}, {6.5, 5.0}};

// Pixels a metre along the course, in lane `band`: the nearer lanes lie lower in the picture and
// look bigger.
struct Camera {
    double near_ppm, far_ppm;
    double Ppm(int band, int lanes) const { return lanes > 1 ? far_ppm + (near_ppm - far_ppm) * band / (lanes - 1) : near_ppm; }
};

void Shape_boat(Boat& b, const Heat_plan& p, double ppm, const Boat_class& c, bool dark, Random& r)
{
    b.scale = ppm / 35;
    b.length = c.length_m * ppm * r.Uniform(0.97, 1.03);
    b.height = std::clamp(r.Uniform(0.3, 0.45) * ppm, 5.0, 0.35 * p.band_height);
    b.tip_y = p.band_top + (b.band + 0.5) * p.band_height + r.Uniform(-0.08, 0.08) * p.band_height;
    b.tip_at = r.Uniform(-0.5, 0.5);
    b.bow_taper = b.length * r.Uniform(0.12, 0.25);
    b.bow_power = r.Uniform(0.5, 0.75);
    b.stern_taper = b.length * r.Uniform(0.1, 0.2);
    b.hull = dark ? Random_colour(r, 18, 45) : Random_colour(r, 175, 235);
    b.deck = Random_colour(r, 30, 220);
    b.body = Random_colour(r, 40, 200);
    b.body_at = r.Uniform(0.4, 0.55);
    b.body_half = std::max(2.0, 0.12 * ppm);
    // The head stays inside its own lane: only the hidden kind lets a paddler cover the next.
    const double hull_top = b.tip_y - 0.5 * b.height * (1 + b.tip_at), lane_top = p.band_top + b.band * p.band_height;
    const double room = hull_top - lane_top - 2 * b.body_half - 1;
    b.body_height = std::clamp(r.Uniform(0.75, 0.95) * ppm, 3.0, std::max(3.0, room));
    b.bob = r.Uniform(0.005, 0.02) * ppm;
}

void Move_boat(Boat& b, double ppm, const Boat_class& c, Random& r)
{
    b.speed = c.speed_mps * ppm / 1000 * r.Uniform(0.95, 1.05);
    b.pulse = r.Uniform(0.08, 0.25);
    b.stroke_hz = r.Uniform(1.5, 2.3);
    b.stroke_phase = r.Uniform(0, 2 * std::numbers::pi);
}

void Arm_boat(Boat& b, double ppm, const Features& f, Random& r)
{
    b.blade = r.Chance(f.blade_share);
    b.blade_ahead = (f.blades_ahead && r.Chance(0.7) ? r.Uniform(0.1, 0.6) : r.Uniform(-1.0, -0.2)) * ppm;
    b.blade_w = r.Uniform(0.4, 0.5) * ppm;
    b.blade_h = r.Uniform(0.12, 0.2) * ppm;
    b.blade_colour = r.Chance(0.5) ? Random_colour(r, 16, 40) : Random_colour(r, 150, 230);
    b.spray = f.blades_ahead ? r.Uniform(4, 16) : r.Uniform(0, 5);
    b.spray_ahead = r.Uniform(0.03, f.blades_ahead ? 0.25 : 0.12) * ppm;
}

std::vector<int> Pick(std::vector<int> from, int count, Random& r)
{
    std::vector<int> picked;
    while (count-- > 0 && !from.empty()) {
        const size_t i = size_t(r.Int(0, int(from.size()) - 1));
        picked.push_back(from[i]);
        from.erase(from.begin() + std::ptrdiff_t(i));
    }
    return picked;
}

std::vector<int> Bands_of(const Heat_plan& p, Lane_kind kind)
{
    std::vector<int> bands;
    for (const Boat& b : p.boats)
        if (b.kind == kind) bands.push_back(b.band);
    return bands;
}

double Whole_microseconds(double ms) { return std::nearbyint(ms * 1000.0) / 1000.0; }

// Finishers cross one after another in a random order, a few hundred ms apart.
void Schedule(Heat_plan& p, Random& r)
{
    std::vector<int> order(p.boats.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    order = Pick(order, int(order.size()), r);
    double t = r.Uniform(35000, 110000);
    for (int i : order) {
        p.boats[size_t(i)].crossing_ms = Whole_microseconds(t);
        t += std::min(1200.0, -250.0 * std::log(1.0 - r.Unit()));
    }
}

void Make_dead_heats(Heat_plan& p, int pairs, Random& r)
{
    for (int k = 0; k < pairs; ++k) {
        const auto two = Pick(Bands_of(p, Lane_kind::finish), 2, r);
        if (two.size() < 2) return;
        const Boat& a = p.boats[size_t(two[0])];
        p.boats[size_t(two[1])].crossing_ms = Whole_microseconds(a.crossing_ms + r.Sign() * r.Uniform(0.3, 4.8));
    }
}

void Make_stoppers(Heat_plan& p, int count, Random& r)
{
    for (int band : Pick(Bands_of(p, Lane_kind::finish), count, r)) {
        Boat& b = p.boats[size_t(band)];
        b.kind = Lane_kind::stopper;
        b.stop_gap = std::max(5.0, r.Uniform(0.15, 1.0) * b.scale * 35);
        b.stop_tau_ms = r.Uniform(250, 700);
        b.stop_from_ms = b.crossing_ms - (b.stop_gap + b.speed * b.stop_tau_ms) / b.speed;
        // A blade that reaches over the line while the hull stays short of it.
        if (b.blade) b.blade_ahead = b.stop_gap + r.Uniform(2, 15);
        b.note = b.blade ? "stops short, its blade reaches over the line" : "stops short";
    }
}

// The paddler of the nearer neighbour passes in front of the bow for a few fields around the
// crossing: the neighbour is a little slower and a body length ahead.
void Hide_a_bow(Heat_plan& p, Random& r)
{
    std::vector<int> candidates;
    for (const Boat& b : p.boats)
        if (b.band + 1 < int(p.boats.size()) && b.kind == Lane_kind::finish &&
            p.boats[size_t(b.band + 1)].kind == Lane_kind::finish)
            candidates.push_back(b.band);
    if (candidates.empty()) return;
    const Boat& hidden = p.boats[size_t(Pick(candidates, 1, r)[0])];
    Boat& near = p.boats[size_t(hidden.band + 1)];
    // The neighbour crossed first and eases off; a bow passes behind its paddler in a few fields.
    // Before it eases off the two keep their distance, the paddler well ahead of that bow.
    near.ease_to = r.Uniform(0.2, 0.4);
    near.speed = hidden.speed * r.Uniform(0.95, 1.0); // in pixels: the nearer lane looks bigger
    near.note = "eases off near the line";
    near.body_height = p.band_height * r.Uniform(1.05, 1.2);
    const double when = hidden.crossing_ms + r.Uniform(-60, 20);
    near.ease_from_ms = when - r.Uniform(400, 600);
    near.ease_tau_ms = 150;
    const double bow_x = p.Goal_x(hidden.Tip_y(when)) + hidden.direction * hidden.Distance(when);
    // The neighbour's distance at `when` that puts its paddler over that bow; Distance grows
    // as the crossing comes earlier.
    double early = when - 20000, late = when + 20000;
    for (int i = 0; i < 80; ++i) {
        near.crossing_ms = (early + late) / 2;
        const double body_x = p.Goal_x(near.Tip_y(when)) +
                              near.direction * (near.Distance(when) - near.body_at * near.length);
        (near.direction * (body_x - bow_x) > 0 ? early : late) = near.crossing_ms;
    }
    near.crossing_ms = Whole_microseconds(near.crossing_ms);
    p.boats[size_t(hidden.band)].note = "hidden by lane " + std::to_string(near.lane) + "'s paddler near the line";
}

// A frame lost by the capture now and then: the click clock then steps 60 ms between fields.
void Set_clock(Heat_plan& p, Random& r, bool lose_a_frame)
{
    double first = 1e300, last = -1e300;
    for (const Boat& b : p.boats) {
        if (b.kind == Lane_kind::empty) continue;
        const double from = b.kind == Lane_kind::stopper ? b.stop_from_ms : b.crossing_ms;
        // A finish is recorded until its stern has passed the line, as a crew stops the capture.
        const double passage =
            p.options.whole_passage ? (b.length + 4) / (b.speed * std::min(1 - b.pulse, b.ease_to)) : 0.0;
        const double to = b.kind == Lane_kind::stopper ? b.stop_from_ms + 3 * b.stop_tau_ms : b.crossing_ms + passage;
        first = std::min(first, from);
        last = std::max(last, to);
    }
    if (first > last) first = last = r.Uniform(35000, 110000);
    first -= p.options.lead_ms;
    last += p.options.tail_ms;
    p.heat_start = r.Int(1000000, 2000000000);
    // Stamps a whole number of frames apart, each a little off as a capture's are; the click
    // clock rounds that away.
    const int64_t base = (int64_t(p.heat_start) + 10 + int64_t(std::floor(first))) / 40 * 40;
    const int64_t frames = int64_t(std::ceil((last - first) / 40.0)) + 2;
    const int64_t lost = lose_a_frame ? frames / 2 + r.Int(-3, 3) : -1;
    for (int64_t k = 0; k <= frames; ++k)
        if (k != lost) p.stamps.push_back(int32_t(base + 40 * k + r.Int(-12, 12)));
}

} // namespace

Heat_plan Plan_heat(const Options& options)
{
    if (options.lanes < 1 || options.lanes > 15) throw std::runtime_error("the number of lanes must be 1 to 15");
    if (!(options.lead_ms >= 0 && options.tail_ms >= 0 && options.lead_ms + options.tail_ms < 600000))
        throw std::runtime_error("the time before and after the crossings must be 0 to 10 minutes");
    Heat_plan p;
    p.options = options;
    p.seed = options.seed;
    Random r(options.seed, {uint64_t(options.kind), uint64_t(options.lanes)});
    const Features f = Features_of(options.kind, options.lanes, r);
    Place_goal_line(p, f, r);
    const double top = r.Uniform(30, 70), bottom = r.Uniform(20, 50);
    p.band_top = top;
    p.band_height = (k_Height - top - bottom) / options.lanes;
    p.water = {.base = {r.Uniform(60, 130), r.Uniform(118, 140), r.Uniform(105, 126)},
               .waves = r.Uniform(4, 14),
               .glints = r.Uniform(0.1, 0.5),
               .noise = r.Uniform(1.5, 4.5),
               .reflection = r.Uniform(0.2, 0.4)};
    const Boat_class& boats = k_Classes[r.Int(0, int(std::size(k_Classes)) - 1)];
    // A finish camera looks along the line from the bank: 35 to 65 pixels a metre in the nearest
    // lane (a bow at 5 m/s moves 3.5 to 6.5 pixels a field), less in the far ones. One that takes
    // in more than nine lanes sees them all smaller.
    Camera camera;
    camera.near_ppm = r.Uniform(35, 65) * std::min(1.0, std::sqrt(9.0 / options.lanes));
    camera.far_ppm = camera.near_ppm * r.Uniform(0.55, 0.85);
    for (int band = 0; band < options.lanes; ++band) {
        Boat b;
        b.band = band;
        b.lane = f.lanes_from_bottom ? options.lanes - band : band + 1;
        b.direction = f.direction;
        const double ppm = camera.Ppm(band, options.lanes);
        Shape_boat(b, p, ppm, boats, f.dark_hulls || r.Chance(f.dark_share), r);
        Move_boat(b, ppm, boats, r);
        Arm_boat(b, ppm, f, r);
        p.boats.push_back(b);
    }
    Schedule(p, r);
    for (int band : Pick(Bands_of(p, Lane_kind::finish), std::min(f.empty, options.lanes - 1), r))
        p.boats[size_t(band)].kind = Lane_kind::empty;
    if (options.lanes == 1 && f.empty > 0) p.boats[0].kind = Lane_kind::empty;
    Make_stoppers(p, f.stoppers, r);
    if (f.hidden) Hide_a_bow(p, r);
    Make_dead_heats(p, f.dead_heats, r);
    // Drawn from a stream of their own, so that adding them left every heat's boats and times
    // as they were.
    Random more(options.seed, {uint64_t(options.kind), uint64_t(options.lanes), 0x4D4F5245});
    p.shutter_ms = more.Uniform(0, 6);
    for (Boat& b : p.boats) {
        b.rake = more.Uniform(-0.5, 0.5);
        // Now and then a hull that hardly stands out from the water.
        if (options.kind == Kind::mixed && more.Chance(0.25))
            b.hull.y = p.water.base.y + more.Sign() * more.Uniform(22, 40);
    }
    Set_clock(p, r, options.kind == Kind::mixed && more.Chance(0.3));
    return p;
}

} // namespace wk::finish_heat
