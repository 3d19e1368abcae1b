#pragma once
// The plan of a synthetic heat: water, goal line, lanes, and every boat's shape and motion over
// race time. A boat's motion is given as its distance past the goal line at the bow's own
// height, so its true crossing is where that distance is 0, by construction.
#include "tools/Finish_heat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wk::finish_heat {

inline constexpr int k_Width = 720, k_Height = 576;

struct Colour {
    double y = 0, u = 128, v = 128;
};

struct Boat {
    Lane_kind kind = Lane_kind::finish;
    int band = 0;       // from the top of the picture
    int lane = 0;       // as the viewer shows it
    int direction = 1;  // +1: moving right
    double scale = 1;        // pixels a metre / 35
    // Motion, times in race ms on the click clock, distances in pixels along the travel.
    double crossing_ms = 0;  // finish: the true crossing
    double speed = 0.25;     // mean pixels per ms
    double pulse = 0.15;     // speed varies by this share with the stroke
    double stroke_hz = 1.8;
    double stroke_phase = 0;
    double stop_gap = 0;     // stopper: comes to rest this far before the line
    double stop_from_ms = 0; // stopper: starts slowing down here
    double stop_tau_ms = 400;
    double bob = 0.4;        // the hull's vertical heave with the stroke, pixels
    double ease_from_ms = 1e300; // finish: stops paddling here, gliding on towards ease_to * speed
    double ease_to = 1, ease_tau_ms = 300;
    // Shape: the hull from the bow tip back; its edges meet at the tip.
    double tip_y = 0;        // the tip's mean height (rows)
    double length = 100, height = 16;
    double tip_at = 0;       // where along the hull's height the tip lies: -1 top .. +1 bottom
    double bow_taper = 25, bow_power = 0.6, stern_taper = 20;
    double rake = 0;         // -0.5 .. 0.5: the lower edge runs back longer than the upper (a raked stem)
    Colour hull, deck, body;
    double body_at = 0.45;   // the paddler's place from the bow, share of the length
    double body_height = 20;
    double body_half = 5;    // half the paddler's width
    // Blade and spray.
    bool blade = false;
    double blade_ahead = 0;  // how far the blade reaches past the bow at the catch
    double blade_w = 10, blade_h = 5;
    Colour blade_colour;
    double spray = 0;        // particles per field around the bow
    double spray_ahead = 4;
    std::string note;        // what makes this lane hard, for the truth

    // Signed distance past the goal line along the travel, at the bow's height.
    double Distance(double t_ms) const;
    // The same while paddling.
    double Paddled_distance(double t_ms) const;
    // The bow tip's height at time t.
    double Tip_y(double t_ms) const;
    double Stroke_angle(double t_ms) const;
};

struct Water {
    Colour base;
    double waves = 8;    // luma amplitude
    double glints = 0.3; // share of wave crests that glitter
    double noise = 3;    // camera noise, luma levels
    double reflection = 0.3;
};

struct Heat_plan {
    Options options;
    int32_t goal[4] = {};   // x1, y1, x2, y2
    double band_top = 40, band_height = 80;
    Water water;
    std::vector<Boat> boats;    // one a band, top first
    int32_t heat_start = 0;     // tick
    std::vector<int32_t> stamps; // every frame's capture tick, frame 1 first
    double shutter_ms = 0;       // exposure of a field, centred on its moment
    uint64_t seed = 0;

    // The goal line's column at height y (frame rows).
    double Goal_x(double y) const;
    // What a click on field n (1-based over the recording) gives, ms from the start.
    int32_t Click_time(int64_t field) const;
    int32_t Frames() const { return int32_t(stamps.size()); }
};

Heat_plan Plan_heat(const Options& options);

} // namespace wk::finish_heat
