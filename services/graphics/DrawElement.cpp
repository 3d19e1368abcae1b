#include "services/graphics/DrawElement.h"

#include <cmath>

namespace wk {
namespace {

// Direction of the ray in degrees, -180 to 180, y growing downwards as on the picture.
double Direction(int32_t dx, int32_t dy)
{
    if (dx == 0)
        return dy > 0 ? 90.0 : dy < 0 ? -90.0 : 0.0;
    double degrees = std::atan(double(dy) / dx) * 180 / 3.14159265;
    if (dx < 0)
        degrees += dy <= 0 ? -180 : 180;
    return degrees;
}

} // namespace

void DrawElement::Compute_Angle()
{
    if (kind_ != k_Angle_element)
        return;
    const double first = Direction(int32_t(first_ray_.x) - vertex_.x, int32_t(first_ray_.y) - vertex_.y);
    const double second = Direction(int32_t(second_ray_.x) - vertex_.x, int32_t(second_ray_.y) - vertex_.y);
    double d = first - second;
    if (d < -180)
        d += 360;
    if (d > 180)
        d -= 360;
    angle_ = static_cast<int16_t>(std::nearbyint(std::fabs(d)));
}

} // namespace wk
