// The pixels of a drawing surface as its drawing code sees them; shared by the surface's sources.
#pragma once

#include "platform/Draw_surface.h"

#include <cstddef>
#include <cstdint>

namespace wk::platform {

// Where the pixels of the picture lie: image row y starts at top + y x step (step is negative
// for a bottom-up buffer), a pixel has bpp bytes with red, green and blue at r, g and b.
struct detail::Surface_view {
    uint8_t* top = nullptr;
    ptrdiff_t step = 0;
    int32_t width = 0;
    int32_t height = 0;
    int bpp = 3;
    int r = 2, g = 1, b = 0;
    int alpha = -1; // byte set to 255 on every write, or -1

    bool Inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint8_t* At(int32_t x, int32_t y) const { return top + y * step + ptrdiff_t(x) * bpp; }
    int32_t Get(int32_t x, int32_t y) const
    {
        const uint8_t* p = At(x, y);
        return p[r] | (p[g] << 8) | (p[b] << 16);
    }
    void Put(int32_t x, int32_t y, int32_t colour) const
    {
        uint8_t* p = At(x, y);
        p[r] = static_cast<uint8_t>(colour);
        p[g] = static_cast<uint8_t>(colour >> 8);
        p[b] = static_cast<uint8_t>(colour >> 16);
        if (alpha >= 0)
            p[alpha] = 255;
    }
    void Put_clipped(int64_t x, int64_t y, int32_t colour) const
    {
        if (Inside(x, y))
            Put(static_cast<int32_t>(x), static_cast<int32_t>(y), colour);
    }
};

} // namespace wk::platform
