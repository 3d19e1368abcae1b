// Lines, rectangles and ellipses with GDI's pens and brushes.
#include "platform/Draw_surface.h"
#include "platform/Draw_surface_view.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>
#include <utility>
#include <vector>

namespace wk::platform {

using View = detail::Surface_view;

namespace {

// Dash lengths of one-pixel pens: on, off, on, off ...
std::span<const int> Dash_pattern(int32_t style)
{
    static constexpr int dash[] = {18, 6};
    static constexpr int dot[] = {3, 3};
    static constexpr int dash_dot[] = {9, 6, 3, 6};
    static constexpr int dash_dot_dot[] = {9, 3, 3, 3, 3, 3};
    switch (style) {
    case PS_DASH: return dash;
    case PS_DOT: return dot;
    case PS_DASHDOT: return dash_dot;
    case PS_DASHDOTDOT: return dash_dot_dot;
    default: return {};
    }
}

bool Dash_on(std::span<const int> pattern, int64_t position)
{
    if (pattern.empty())
        return true;
    int total = 0;
    for (int length : pattern)
        total += length;
    int64_t p = position % total;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (p < pattern[i])
            return i % 2 == 0;
        p -= pattern[i];
    }
    return true;
}

// Visits the pixels of a one-pixel line from (x0, y0) towards (x1, y1): step i of n, the minor
// coordinate rounded from the exact line. The end point is visited only with include_end. Steps
// whose pixel cannot come within margin of the width x height picture are skipped without work.
template <class Visit>
void Walk_line(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int32_t width, int32_t height, int64_t margin,
               bool include_end, Visit&& visit)
{
    const int64_t dx = x1 - x0;
    const int64_t dy = y1 - y0;
    const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
    if (n == 0) {
        if (include_end)
            visit(int64_t{0}, x0, y0);
        return;
    }
    const bool x_major = std::llabs(dx) >= std::llabs(dy);
    const int64_t major0 = x_major ? x0 : y0;
    const int64_t major_step = (x_major ? dx : dy) < 0 ? -1 : 1;
    const int64_t minor0 = x_major ? y0 : x0;
    const int64_t minor_delta = x_major ? dy : dx;
    const int64_t size = x_major ? width : height;
    int64_t first = 0;
    int64_t last = include_end ? n : n - 1;
    if (major_step > 0) {
        first = std::max(first, -margin - major0);
        last = std::min(last, size - 1 + margin - major0);
    } else {
        first = std::max(first, major0 - (size - 1 + margin));
        last = std::min(last, major0 + margin);
    }
    for (int64_t i = first; i <= last; ++i) {
        // minor offset = round(i x delta / n), halves away from the start; 128 bits against overflow
        const __int128 twice = __int128(2) * i * std::llabs(minor_delta) + n;
        const int64_t offset = static_cast<int64_t>(twice / (__int128(2) * n));
        const int64_t minor = minor0 + (minor_delta < 0 ? -offset : offset);
        const int64_t major = major0 + major_step * i;
        if (x_major)
            visit(i, major, minor);
        else
            visit(i, minor, major);
    }
}

// Offsets of the round stamp of a pen w pixels wide.
std::vector<std::pair<int32_t, int32_t>> Pen_stamp(int32_t w)
{
    std::vector<std::pair<int32_t, int32_t>> offsets;
    const int32_t low = (w - 1) / 2;
    const int32_t high = w - 1 - low;
    const double centre = (high - low) / 2.0;
    const double radius2 = (w / 2.0) * (w / 2.0);
    for (int32_t oy = -low; oy <= high; ++oy)
        for (int32_t ox = -low; ox <= high; ++ox)
            if ((ox - centre) * (ox - centre) + (oy - centre) * (oy - centre) <= radius2)
                offsets.emplace_back(ox, oy);
    return offsets;
}

bool Hatch_on(int32_t hatch, int32_t x, int32_t y)
{
    const bool horizontal = (y & 7) == 0;
    const bool vertical = (x & 7) == 0;
    const bool forward = ((x - y) & 7) == 0;
    const bool backward = ((x + y) & 7) == 0;
    switch (hatch) {
    case HS_HORIZONTAL: return horizontal;
    case HS_VERTICAL: return vertical;
    case HS_FDIAGONAL: return forward;
    case HS_BDIAGONAL: return backward;
    case HS_CROSS: return horizontal || vertical;
    default: return forward || backward;
    }
}

// Hatched brushes fill their gaps with the background colour (white: GDI's default, opaque).
constexpr int32_t k_Background = 0xFFFFFF;

int Pen_width(const Pen& pen)
{
    return std::max(pen.width, 1);
}

} // namespace

bool Draw_surface::LineTo(int32_t x, int32_t y)
{
    if (!Is_valid())
        return Fail(ERROR_INVALID_HANDLE);
    const Point from = std::exchange(position_, Point{x, y});
    if (pen_.style == PS_NULL)
        return true;
    const View v = Write_view();
    const int32_t colour = pen_.colour;
    const int32_t w = Pen_width(pen_);
    Note_drawn(int64_t(std::min(from.x, x)) - w, int64_t(std::min(from.y, y)) - w, int64_t(std::max(from.x, x)) + w + 1,
               int64_t(std::max(from.y, y)) + w + 1);
    if (w == 1) {
        const auto pattern = Dash_pattern(pen_.style);
        Walk_line(from.x, from.y, x, y, v.width, v.height, 0, false, [&](int64_t i, int64_t px, int64_t py) {
            if (Dash_on(pattern, i))
                v.Put_clipped(px, py, colour);
        });
        return true;
    }
    // Wider pens are round and solid, the end point included.
    const auto stamp = Pen_stamp(w);
    Walk_line(from.x, from.y, x, y, v.width, v.height, w, true, [&](int64_t, int64_t px, int64_t py) {
        for (const auto& [ox, oy] : stamp)
            v.Put_clipped(px + ox, py + oy, colour);
    });
    return true;
}

namespace {

void Fill_box(const View& v, const Brush& brush, int64_t left, int64_t top, int64_t right,
              int64_t bottom)
{
    if (brush.style != BS_SOLID && !(brush.style == BS_HATCHED && brush.hatch >= 0 && brush.hatch <= HS_DIAGCROSS))
        return; // hollow, and every brush that cannot be made
    const int32_t x0 = static_cast<int32_t>(std::max<int64_t>(left, 0));
    const int32_t y0 = static_cast<int32_t>(std::max<int64_t>(top, 0));
    const int32_t x1 = static_cast<int32_t>(std::min<int64_t>(right, v.width));
    const int32_t y1 = static_cast<int32_t>(std::min<int64_t>(bottom, v.height));
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x)
            v.Put(x, y,
                  brush.style == BS_SOLID || Hatch_on(brush.hatch, x, y) ? brush.colour : k_Background);
}

} // namespace

bool Draw_surface::Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (!Is_valid())
        return Fail(ERROR_INVALID_HANDLE);
    int64_t l = std::min(left, right), r = std::max(left, right);
    int64_t t = std::min(top, bottom), b = std::max(top, bottom);
    const View v = Write_view();
    const int64_t margin = Pen_width(pen_) + 1;
    Note_drawn(l - margin, t - margin, r + margin, b + margin);
    if (pen_.style == PS_NULL) {
        Fill_box(v, brush_, l, t, r - 1, b - 1);
        return true;
    }
    if (r == l || b == t)
        return true;
    const int64_t w = Pen_width(pen_);
    // The pen runs along the outermost pixels of the box; a wide pen is centred on them, an
    // inside-frame pen stays inside the box.
    const int64_t outside = pen_.style == PS_INSIDEFRAME ? 0 : (w - 1) / 2;
    const int64_t inside = w - 1 - outside;
    const int64_t in_l = l + inside + 1, in_t = t + inside + 1, in_r = r - 1 - inside, in_b = b - 1 - inside;
    Fill_box(v, brush_, in_l, in_t, in_r, in_b);
    const auto pattern = Dash_pattern(pen_.style);
    if (w == 1 && !pattern.empty()) {
        const Point corners[] = {{int32_t(l), int32_t(t)},
                                 {int32_t(r - 1), int32_t(t)},
                                 {int32_t(r - 1), int32_t(b - 1)},
                                 {int32_t(l), int32_t(b - 1)},
                                 {int32_t(l), int32_t(t)}};
        int64_t phase = 0;
        for (int k = 0; k < 4; ++k) {
            const Point a = corners[k], z = corners[k + 1];
            Walk_line(a.x, a.y, z.x, z.y, v.width, v.height, 0, false, [&](int64_t i, int64_t px, int64_t py) {
                if (Dash_on(pattern, phase + i))
                    v.Put_clipped(px, py, pen_.colour);
            });
            phase += std::max(std::llabs(int64_t(z.x) - a.x), std::llabs(int64_t(z.y) - a.y));
        }
        return true;
    }
    const int64_t out_l = l - outside, out_t = t - outside, out_r = r + outside, out_b = b + outside;
    const int32_t y0 = static_cast<int32_t>(std::max<int64_t>(out_t, 0));
    const int32_t y1 = static_cast<int32_t>(std::min<int64_t>(out_b, v.height));
    const int32_t x0 = static_cast<int32_t>(std::max<int64_t>(out_l, 0));
    const int32_t x1 = static_cast<int32_t>(std::min<int64_t>(out_r, v.width));
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x)
            if (!(x >= in_l && x < in_r && y >= in_t && y < in_b))
                v.Put(x, y, pen_.colour);
    return true;
}

bool Draw_surface::Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (!Is_valid())
        return Fail(ERROR_INVALID_HANDLE);
    const int64_t l = std::min(left, right), r = std::max(left, right);
    const int64_t t = std::min(top, bottom), b = std::max(top, bottom);
    if (r == l || b == t)
        return true;
    const View v = Write_view();
    const int64_t margin = Pen_width(pen_) + 1;
    Note_drawn(l - margin, t - margin, r + margin, b + margin);
    // Pixel centres: the outermost pixels of the box lie on the ellipse with these radii.
    const double cx = (l + r - 1) / 2.0, cy = (t + b - 1) / 2.0;
    const double rx = (r - l - 1) / 2.0, ry = (b - t - 1) / 2.0;
    const bool outline = pen_.style != PS_NULL;
    const int64_t w = Pen_width(pen_);
    const int64_t outside = outline && pen_.style != PS_INSIDEFRAME ? (w - 1) / 2 : 0;
    const double out_rx = rx + outside, out_ry = ry + outside;
    const double in_rx = outline ? out_rx - w : out_rx, in_ry = outline ? out_ry - w : out_ry;
    const auto inside = [&](int32_t x, int32_t y, double ax, double ay) {
        if (ax < 0 || ay < 0)
            return false;
        const double ex = (x - cx) / (ax + 0.5), ey = (y - cy) / (ay + 0.5);
        return ex * ex + ey * ey <= 1.0;
    };
    const int32_t y0 = static_cast<int32_t>(std::max<int64_t>(t - outside, 0));
    const int32_t y1 = static_cast<int32_t>(std::min<int64_t>(b + outside, v.height));
    const int32_t x0 = static_cast<int32_t>(std::max<int64_t>(l - outside, 0));
    const int32_t x1 = static_cast<int32_t>(std::min<int64_t>(r + outside, v.width));
    for (int32_t y = y0; y < y1; ++y) {
        for (int32_t x = x0; x < x1; ++x) {
            if (!inside(x, y, out_rx, out_ry))
                continue;
            if (outline && !inside(x, y, in_rx, in_ry))
                v.Put(x, y, pen_.colour);
            else
                Fill_box(v, brush_, x, y, int64_t(x) + 1, int64_t(y) + 1);
        }
    }
    return true;
}
} // namespace wk::platform
