#pragma once
// What paints the frames of a planned heat. Each way of painting draws the same boats at the
// same places and moments, in its own look.
#include "tools/Dv_frames.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace wk::finish_heat {

class Heat_painter {
public:
    virtual ~Heat_painter() = default;
    // Frame k (from 1): rows 1, 3, 5 ... (field 1, filmed first) at field 2k - 1's moment,
    // rows 0, 2, 4 ... at field 2k's.
    virtual void Paint(int32_t frame, dv::DV_picture& picture) = 0;
};

struct Heat_plan;
// The painter of the plan's look.
std::unique_ptr<Heat_painter> Make_heat_painter(const Heat_plan& plan);

// A painted level as the picture keeps it: clamped, then rounded half away from zero. For levels
// of 1 and more, adding a half and truncating rounds exactly as std::lround does, without a
// library call for every pixel.
inline uint8_t Level(double value, double low, double high)
{
    return uint8_t(int(std::clamp(value, low, high) + 0.5));
}

// Stores painted planes (full-size luma and colour) into the picture, the colour averaged over
// each 2 x 2 block; noise(nu, nv) gives each block's colour noise, in block order.
template <class Noise>
void Store_planes(const std::vector<float>& y, const std::vector<float>& u, const std::vector<float>& v, int width,
                  int height, dv::DV_picture& picture, Noise noise)
{
    for (size_t i = 0; i < y.size(); ++i) picture.y[i] = Level(y[i], 16, 235);
    for (int cy = 0; cy < height / 2; ++cy)
        for (int cx = 0; cx < width / 2; ++cx) {
            const size_t a = size_t(2 * cy) * width + size_t(2 * cx), b = a + width;
            const size_t c = size_t(cy) * (width / 2) + size_t(cx);
            double nu = 0, nv = 0;
            noise(nu, nv);
            picture.u[c] = Level((u[a] + u[a + 1] + u[b] + u[b + 1]) / 4 + nu, 16, 240);
            picture.v[c] = Level((v[a] + v[a + 1] + v[b] + v[b + 1]) / 4 + nv, 16, 240);
        }
}

} // namespace wk::finish_heat
