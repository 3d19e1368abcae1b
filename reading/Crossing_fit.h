#pragma once
// The instant the bow reaches the line, from its distance past the line in the fields around it:
// a straight line of distance against time through the nearest fields either side, fields that
// leap out of it (a blade or spray taken for the bow) left out.
#include "reading/Bow_front.h"

#include <optional>
#include <vector>

namespace wk {

struct Bow_sample {
    double t_ms = 0;   // the field's time, as a click there gives it
    double tip = 0;    // the bow's distance past the line, pixels
    std::vector<Row_front> rows; // where each row of the bow ends, along the travel
};

struct Crossing_estimate {
    double t_ms = 0;
    double standard_error_ms = 0; // of t_ms, from the residuals and the number of fields
    double speed = 0;             // pixels per ms
    double residual_px = 0;       // root mean square of the fields kept
    int before = 0, after = 0;    // fields kept either side of the line
    int left_out = 0;             // fields that did not fit
};

// The bow's speed, pixels a ms, as the middle of its steps between fields of the same parity (two
// fields apart, whose rows are alike): none without two such steps.
std::optional<double> Travel_speed(const std::vector<Bow_sample>& samples);

// None unless the bow is seen both before and after the line.
std::optional<Crossing_estimate> Fit_crossing(std::vector<Bow_sample> samples);

// The samples less the fields near the instant t whose leading rows lie away from the height the
// bow leads at in most of them: there a blade or a neighbour's paddler reaches further than the
// bow at another height. All of them where too few fields are near to tell.
std::vector<Bow_sample> At_bow_height(std::vector<Bow_sample> samples, double t_ms);

} // namespace wk
