#pragma once
// A lane's proposal from its fitted crossing: the field nearest it, how far to trust it and why.
#include "reading/Crossing_fit.h"
#include "reading/Finish_reader.h"
#include "reading/Goal_geometry.h"
#include "reading/Strip_crossings.h"

#include <map>
#include <set>
#include <optional>

namespace wk {

struct Lane_job {
    Lane_span span;
    std::optional<Strip_stretch> stretch;
    std::map<int64_t, double> field_ms; // the click time of each field that may be read
};

// What the fields near the line showed besides the bow.
struct Lane_notes {
    int fields = 0, blade_ahead = 0, second_hull = 0, low_contrast = 0;
    int beyond = 0; // fields in which the bow lay past the window, further past the line than it reaches
    std::map<double, bool> past; // every field looked at, by its time: whether the bow lay past the line
    std::set<double> led_by_more; // fields, by their time, in which something joined to the hull led its core
    double farthest_tip = -1e9;
    double ahead_px = 0; // the farthest anything joined to the hull reached past its bow
    double cover_px = 0; // how far past the bow's front the hull went on behind something covering it
};

// Whether the bow lies past the line in most fields in the stay_ms after t: a boat that crossed
// goes on, while a blade of a boat that stops short reaches over the line and goes back, or out of
// sight with the stroke.
bool Stays_past(const std::map<double, bool>& past, double t, double stay_ms);

// The crossing from the fields in which nothing joined to the hull led its core, each left out
// counted. An oar over the hull may cut it in two, the front then joined to the larger back through
// the oar and taken for a blade ahead of it: in a field or two near the line the bow then reads
// far short, and the fields around it cannot outvote them.
std::optional<Crossing_estimate> Fit_hull_led(std::vector<Bow_sample> samples, const Lane_notes& notes);

// The crossing at e where the bow travels over the line no faster than over all the fields; else
// read again without the fields where something other than the bow leads: one joined to the hull
// ahead of its core, then also one whose leading rows lie away from the bow's height. None when
// no reading travels and stays past the line for stay_ms. samples: left as the fields the
// crossing returned was read from.
std::optional<Crossing_estimate> Travelling_crossing(const Crossing_estimate& e, std::vector<Bow_sample>& samples,
                                                     const Lane_notes& notes, double stay_ms);

// The crossing read from the pixels where it lies near enough to the fields' points (their fit:
// points); none otherwise, nor where it is no finite time of a bow moving on. Where the two differ, either may carry the
// larger error (a shadow or a wave in line ahead of the bow can lengthen the pixels' outline), so
// the stated error spans the difference.
std::optional<Crossing_estimate> Taken_from_pixels(const std::optional<Crossing_estimate>& model,
                                                   const Crossing_estimate& points);

Lane_proposal Judge_crossing(const Lane_job& job, const Crossing_estimate& e, const Lane_notes& notes);

// Pairs of lanes whose intervals of time overlap: which crossed first is not known.
std::vector<std::pair<int, int>> Dead_heats(const std::vector<Lane_proposal>& lanes);

} // namespace wk
