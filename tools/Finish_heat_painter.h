#pragma once
// Paints the frames of a planned heat: each field's rows at that field's own moment, the
// boats anti-aliased from their exact geometry, then camera noise.
#include "tools/Dv_frames.h"
#include "tools/Finish_heat_plan.h"
#include "tools/Heat_painter.h"

#include <array>
#include <vector>

namespace wk::finish_heat {

class Finish_heat_painter : public Heat_painter {
public:
    explicit Finish_heat_painter(const Heat_plan& plan);

    void Paint(int32_t frame, dv::DV_picture& picture) override;

private:
    struct Pixel_row {
        float* y;
        float* u;
        float* v;
    };
    void Paint_water(int row, double t, Pixel_row px) const;
    void Paint_ropes(int row, Pixel_row px) const;
    void Paint_boat(const Boat& b, int row, double t, int64_t field, Pixel_row px) const;
    void Add_noise(int32_t frame);
    void Store(int32_t frame, dv::DV_picture& picture) const;

    const Heat_plan& plan_;
    struct Wave {
        double amplitude, ky, w, phase;
        std::vector<float> sin_x, cos_x;
    };
    static constexpr size_t k_Waves = 3;
    std::array<Wave, k_Waves> waves_;
    Colour buoy_;
    double buoy_spacing_ = 16, buoy_offset_ = 0;
    std::vector<float> y_, u_, v_;
};

} // namespace wk::finish_heat
