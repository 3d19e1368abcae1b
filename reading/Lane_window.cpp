#include "reading/Lane_window.h"

#include <algorithm>
#include <cmath>

namespace wk {

Lane_window::Lane_window(const Goal_geometry& line, const Lane_span& span, double reach, int32_t frame_width,
                         int32_t frame_height)
    : line_(line), span_(span), reach_(reach)
{
    double xmin = 1e9, xmax = -1e9, ymin = 1e9, ymax = -1e9;
    for (double u : {-reach, reach})
        for (double v : {span.v0, span.v1}) {
            xmin = std::min(xmin, line.X(u, v)), xmax = std::max(xmax, line.X(u, v));
            ymin = std::min(ymin, line.Y(u, v)), ymax = std::max(ymax, line.Y(u, v));
        }
    x0_ = std::max(0, int32_t(std::floor(xmin)));
    const int32_t x1 = std::min(frame_width - 1, int32_t(std::ceil(xmax)));
    y0_ = std::max(0, int32_t(std::floor(ymin)));
    y1_ = std::min(frame_height - 1, int32_t(std::ceil(ymax)));
    cols_ = x1 - x0_ + 1;
    rows_ = y1_ - y0_ + 1;
}

int32_t Lane_window::Rows(int field) const
{
    if (rows_ <= 0) return 0;
    const int32_t first = first_row(field);
    return first > y1_ ? 0 : (y1_ - first) / 2 + 1;
}

} // namespace wk
