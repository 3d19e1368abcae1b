#include "recording/Finish_strip_line.h"

#include <algorithm>
#include <cmath>

namespace wk {

Finish_strip_line::Finish_strip_line(const Setup& setup) : setup_(setup)
{
    const double length = std::hypot(setup.x2 - setup.x1, setup.y2 - setup.y1);
    samples_ = std::max<int32_t>(2, int32_t(std::lround(std::min(length, 1e6))) + 1);
}

Strip_point Finish_strip_line::Frame_point(int32_t i) const
{
    const Setup& s = setup_;
    const double t = double(std::clamp(i, 0, samples_ - 1)) / double(samples_ - 1);
    // The pixel's centre on the picture, scaled to the picture the frame is drawn as.
    const double px = s.x1 + (s.x2 - s.x1) * t + 0.5, py = s.y1 + (s.y2 - s.y1) * t + 0.5;
    const double pw = std::max(1, s.picture_width), ph = std::max(1, s.picture_height);
    const int32_t fw = std::max(1, s.frame_width), fh = std::max(1, s.frame_height);
    Strip_point p;
    if (!s.rotated) {
        p.x = int32_t(std::floor(px * fw / pw));
        p.y = int32_t(std::floor(py * fh / ph));
    } else {
        // The turned picture is fh wide and fw high; its pixel (rx, ry) shows frame pixel
        // (ry, fh - 1 - rx).
        const auto rx = int32_t(std::floor(px * fh / pw)), ry = int32_t(std::floor(py * fw / ph));
        p.x = ry;
        p.y = fh - 1 - rx;
    }
    p.x = std::clamp(p.x, 0, fw - 1);
    p.y = std::clamp(p.y, 0, fh - 1);
    return p;
}

int32_t Finish_strip_line::Sample_of(double x, double y) const
{
    const Setup& s = setup_;
    const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
    const double d2 = dx * dx + dy * dy;
    const double t = d2 > 0 ? std::clamp(((x - s.x1) * dx + (y - s.y1) * dy) / d2, 0.0, 1.0) : 0.0;
    return int32_t(std::lround(t * double(samples_ - 1)));
}

} // namespace wk
