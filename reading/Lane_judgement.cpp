#include "reading/Lane_judgement.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace wk {
namespace {

constexpr double k_Spread = 2.0;        // standard errors the interval spans
constexpr double k_Edge_error_px = 0.75; // what the leading point may be off by in every field alike

// The fields' points reach a needle's tip short by several pixels, but their fit, moved by the
// outline they show together, is off by less; a crossing from the pixels further from it than
// this has taken a blade, spray or a neighbour's hull for the bow.
constexpr double k_Model_apart_px = 3;

// A bow's speed barely changes over the fields around the line; fields by the line that put it
// past the line this many times faster than it travels over them all do not show it crossing.
constexpr double k_Leap = 2;

struct Doubt {
    double factor;
    const char* why;
};

std::vector<Doubt> Doubts(const Crossing_estimate& e, const Lane_notes& n)
{
    std::vector<Doubt> d;
    const int near = std::max(n.fields, 1);
    if (n.second_hull * 2 >= near) d.push_back({0.5, "two boats overlap in this lane"});
    if (n.blade_ahead > 0) d.push_back({0.85, "a blade reaches the line before the bow"});
    if (n.low_contrast * 2 >= near) d.push_back({0.7, "the hull barely differs from the water"});
    if (e.before < 2 || e.after < 2) d.push_back({0.6, "few fields show the bow near the line"});
    if (e.left_out > 0) d.push_back({0.8, "something leaps ahead of the bow in some fields"});
    if (e.residual_px > 1.0) d.push_back({0.7, "the bow's position jumps from field to field"});
    if (n.cover_px > 0) d.push_back({0.6, "something in front of the bow may hide it"});
    return d;
}

} // namespace

bool Stays_past(const std::map<double, bool>& past, double t, double stay_ms)
{
    int seen = 0, fields = 0;
    for (auto it = past.upper_bound(t); it != past.end() && it->first <= t + stay_ms; ++it)
        seen += it->second, ++fields;
    // No field after it (the recording ends, or they cannot be decoded) says nothing against it.
    return fields == 0 || 2 * seen > fields;
}

std::optional<Crossing_estimate> Fit_hull_led(std::vector<Bow_sample> samples, const Lane_notes& notes)
{
    const size_t all = samples.size();
    std::erase_if(samples, [&](const Bow_sample& b) { return notes.led_by_more.count(b.t_ms) > 0; });
    std::optional<Crossing_estimate> e = Fit_crossing(samples);
    if (e) e->left_out += int(all - samples.size());
    return e;
}

// In a field where a blade or a paddler leads, the bow reads far short or past the line, and a fit
// through it leaps over the line; the bow's own fields either side still show it travelling. Where
// they do not, what was seen past the line came into sight there (a faint hull, something else),
// and the instant the bow crossed is not among the fields.
std::optional<Crossing_estimate> Travelling_crossing(const Crossing_estimate& e, std::vector<Bow_sample>& samples,
                                                     const Lane_notes& notes, double stay_ms)
{
    const std::optional<double> travel = Travel_speed(samples);
    auto travels = [&](const Crossing_estimate& c) { return !travel || *travel <= 0 || c.speed <= k_Leap * *travel; };
    if (travels(e)) return e;
    std::vector<Bow_sample> hull_led = samples;
    std::erase_if(hull_led, [&](const Bow_sample& b) { return notes.led_by_more.count(b.t_ms) > 0; });
    for (std::vector<Bow_sample> kept : {hull_led, At_bow_height(hull_led, e.t_ms)}) {
        std::optional<Crossing_estimate> again = Fit_crossing(kept);
        if (!again || !travels(*again) || !Stays_past(notes.past, again->t_ms, stay_ms)) continue;
        again->left_out += int(samples.size() - kept.size());
        samples = std::move(kept);
        return again;
    }
    return std::nullopt;
}

std::optional<Crossing_estimate> Taken_from_pixels(const std::optional<Crossing_estimate>& model,
                                                   const Crossing_estimate& points)
{
    if (!model || !std::isfinite(model->t_ms) || !std::isfinite(model->standard_error_ms) ||
        !std::isfinite(model->speed) || model->speed <= 0)
        return std::nullopt;
    const double apart = model->t_ms - points.t_ms;
    if (!(std::abs(apart) * points.speed <= k_Model_apart_px)) return std::nullopt;
    Crossing_estimate taken = *model;
    taken.standard_error_ms = std::hypot(model->standard_error_ms, apart / 2);
    return taken;
}

Lane_proposal Judge_crossing(const Lane_job& job, const Crossing_estimate& e, const Lane_notes& notes)
{
    Lane_proposal p;
    p.lane = job.span.lane;
    p.time_ms = e.t_ms;
    p.confidence = 1;
    for (const Doubt& d : Doubts(e, notes)) {
        p.confidence *= d.factor;
        p.why += (p.why.empty() ? "" : "; ") + std::string(d.why);
    }
    const double spread = std::hypot(k_Spread * e.standard_error_ms, k_Edge_error_px / e.speed);
    p.uncertainty_ms = spread / std::max(p.confidence, 0.3);
    // What reached past the bow may have been the bow itself, the rest of the hull a paddler's
    // or a blade's: the instant may lie as much earlier as that part was ahead.
    p.uncertainty_ms = std::max(p.uncertainty_ms, notes.ahead_px / e.speed);
    // The front seen may be the cover's edge, moving with it: the bow lies anywhere up to where
    // the hull was seen again past it.
    p.uncertainty_ms = std::max(p.uncertainty_ms, notes.cover_px / e.speed);
    double nearest = 1e18;
    for (const auto& [field, ms] : job.field_ms)
        if (std::abs(ms - e.t_ms) < nearest) {
            nearest = std::abs(ms - e.t_ms);
            p.frame = (field + 1) / 2;
            p.field = field % 2 == 1 ? 1 : 2;
        }
    return p;
}

std::vector<std::pair<int, int>> Dead_heats(const std::vector<Lane_proposal>& lanes)
{
    std::vector<std::pair<int, int>> out;
    for (size_t i = 0; i < lanes.size(); ++i)
        for (size_t j = i + 1; j < lanes.size(); ++j) {
            const Lane_proposal &a = lanes[i], &b = lanes[j];
            if (a.time_ms && b.time_ms && std::abs(*a.time_ms - *b.time_ms) < a.uncertainty_ms + b.uncertainty_ms)
                out.emplace_back(std::min(a.lane, b.lane), std::max(a.lane, b.lane));
        }
    return out;
}

} // namespace wk
