#pragma once
// The goal line in frame coordinates (x the middle of pixel column x, y of row y of the whole
// frame) and the lanes along it. u is the signed distance from the line, v the distance along it
// from its first point.
#include <cstdint>
#include <vector>

namespace wk {

struct Lane_mark {
    int lane = 0;  // as the viewer numbers it
    double x = 0, y = 0;
};

struct Lane_span {
    int lane = 0;
    double v0 = 0, v1 = 0; // the lane's stretch of the line
    double mark = 0;       // where its mark lies along the line
};

class Goal_geometry {
public:
    // False from Valid() when the two points coincide.
    Goal_geometry(double x1, double y1, double x2, double y2);
    bool Valid() const { return length_ > 0.5; }
    double Length() const { return length_; }
    double U(double x, double y) const { return (x - x1_) * nx_ + (y - y1_) * ny_; }
    double V(double x, double y) const { return (x - x1_) * dx_ + (y - y1_) * dy_; }
    double X(double u, double v) const { return x1_ + u * nx_ + v * dx_; }
    double Y(double u, double v) const { return y1_ + u * ny_ + v * dy_; }
    // How far a field's sample (1 wide, standing for 2 rows) reaches either side in u.
    double Half_extent_u() const;

    // Each mark's stretch of the line reaches halfway to its neighbours, the outer ones as far
    // out again; a mark alone takes 40 pixels either side.
    std::vector<Lane_span> Spans(const std::vector<Lane_mark>& marks) const;

private:
    double x1_, y1_;
    double dx_ = 0, dy_ = 1, nx_ = 1, ny_ = 0, length_ = 0;
};

} // namespace wk
