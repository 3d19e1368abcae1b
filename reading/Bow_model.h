#pragma once
// The crossing read from the pixels themselves. Reading each row to an edge loses what a pixel
// says about the point: a row averages over its height, so the row through a sharp point sees a
// sliver of it, and each field samples the same rows of the bow every time. Here a small outline
// of the bow's front (a leading point with an upper and a lower edge falling back from it) moves
// along the rows through the fields around the crossing, each field at its own instant; every
// pixel is predicted as the water plus the hull's share of the pixel's area times the hull's
// brightness in that row, and the outline and its travel are fitted to all of them at once.
#include "reading/Crossing_fit.h"
#include "reading/Lane_window.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace wk {

class Bow_reader;

struct Bow_view {
    const uint8_t* picture = nullptr; // the frame's brightness, frame_width a row, top row first
    int field = 1;                    // 1: the frame's odd rows, 2: its even rows
    double t_ms = 0;                  // the field's time, as a click there gives it
};

class Bow_model {
public:
    // Fields this near the first instant are read: the speed's change over them is small enough
    // for a bend to follow.
    static constexpr double k_Reach_ms = 70;

    // bow: the bow reader of the same window, whose water the pixels are read against; the
    // window, the pictures and the bow reader must outlive the model. step: +1 when the boat
    // travels toward larger columns. threshold: what the bow reader takes for differing from the
    // water.
    Bow_model(const Lane_window& window, const Bow_reader& bow, int32_t frame_width,
              int32_t frame_height, int step, int threshold);
    ~Bow_model();
    Bow_model(const Bow_model&) = delete;
    Bow_model& operator=(const Bow_model&) = delete;

    // start: the crossing as the fields' own points give it; samples: those points with their
    // rows, which give the outline's first shape. None where the fit does not settle.
    std::optional<Crossing_estimate> Crossing(const std::vector<Bow_view>& views, const Crossing_estimate& start,
                                              const std::vector<Bow_sample>& samples) const;

private:
    struct Fit;
    double Water(int32_t x, int32_t y) const;
    bool In_lane(int32_t x, int32_t y) const;

    const Lane_window& window_;
    const Bow_reader& bow_;
    int32_t frame_width_, frame_height_;
    int step_;
    int threshold_; // brightness by which the hull differs from the water at least
};

} // namespace wk
