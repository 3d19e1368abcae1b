#pragma once
// A second look for the planned heats, drawn apart from Finish_heat_painter: other hull outlines
// and colours, water of streaked ripples under a side light with sparkles and shadows, other
// paddlers and blades, spray thrown as streaks, camera noise with line jitter and hot pixels.
// The boats are where the plan puts them at every moment, so the truth holds as it stands.
#include "tools/Finish_heat_plan.h"
#include "tools/Heat_painter.h"

#include <vector>

namespace wk::finish_heat {

class Held_out_painter : public Heat_painter {
public:
    explicit Held_out_painter(const Heat_plan& plan);
    void Paint(int32_t frame, dv::DV_picture& picture) override;

    // One boat's look, drawn from this painter's own random stream.
    struct Look {
        Colour hull, stripe, body, vest, helmet, blade;
        double upper = 0, lower = 0;        // the hull's height above and below its tip, pixels
        double upper_run = 0, lower_run = 0; // how far back each edge reaches full height
        double upper_bend = 1, lower_bend = 1;
        double shade = 0.1;                  // the hull darker toward the water by this share
    };

private:
    struct Ripple {
        double amplitude, ky, lean, speed, phase;
    };
    void Water_row(int row, double t, int64_t field, float* y, float* u, float* v) const;
    void Lanes_row(int row, float* y, float* u, float* v) const;
    void Boat_row(size_t index, int row, double t, int64_t field, float* y, float* u, float* v) const;
    void Noise(int32_t frame);
    void Store(int32_t frame, dv::DV_picture& picture) const;

    const Heat_plan& plan_;
    Colour water_;
    double light_x_ = 0, light_y_ = 0, sparkle_ = 0, noise_ = 0, line_jitter_ = 0;
    double shadow_dx_ = 0, shadow_dy_ = 0, shadow_alpha_ = 0;
    double exposure_ms_ = 0;
    Colour rope_a_, rope_b_;
    std::vector<Ripple> ripples_;
    std::vector<Look> looks_;
    std::vector<float> y_, u_, v_;
    std::vector<float> gauss_; // deviates of the camera noise, drawn once
};

} // namespace wk::finish_heat
