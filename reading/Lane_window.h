#pragma once
// The part of the frame a lane is read in: its stretch of the goal line and a band either side
// of it, as the cells of one field (every other row of the frame).
#include "reading/Goal_geometry.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace wk {

class Lane_window {
public:
    Lane_window(const Goal_geometry& line, const Lane_span& span, double reach, int32_t frame_width,
                int32_t frame_height);

    bool Empty() const { return cols_ <= 0 || rows_ <= 0; }
    // The box of frame pixels the window lies in, both parities.
    int32_t X0() const { return x0_; }
    int32_t Y0() const { return y0_; }
    int32_t Box_width() const { return cols_; }
    int32_t Box_height() const { return y1_ - y0_ + 1; }
    // The cells of field 1 (frame rows 1, 3, 5 ...) or 2 (rows 0, 2, 4 ...): Cols() x Rows(field).
    int32_t Cols() const { return cols_; }
    int32_t Rows(int field) const;
    // Asked for every cell of every field read: kept here, where calls to them fold away.
    int32_t Frame_y(int field, int32_t row) const { return first_row(field) + 2 * row; }
    double U(int field, int32_t row, int32_t col) const { return line_.U(x0_ + col, Frame_y(field, row)); }
    double V(int field, int32_t row, int32_t col) const { return line_.V(x0_ + col, Frame_y(field, row)); }
    bool Inside(int field, int32_t row, int32_t col) const
    {
        const double u = U(field, row, col), v = V(field, row, col);
        return std::abs(u) <= reach_ && v >= span_.v0 && v <= span_.v1;
    }
    double Reach() const { return reach_; }
    const Lane_span& Span() const { return span_; }
    const Goal_geometry& Line() const { return line_; }

private:
    int32_t first_row(int field) const
    {
        // Field 1 holds the odd rows of the frame, field 2 the even ones.
        const int parity = field == 1 ? 1 : 0;
        return (y0_ % 2 == parity) ? y0_ : y0_ + 1;
    }

    Goal_geometry line_;
    Lane_span span_;
    double reach_;
    int32_t x0_ = 0, y0_ = 0, y1_ = -1, cols_ = 0;
    int32_t rows_ = 0;
};

} // namespace wk
