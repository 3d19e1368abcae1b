#pragma once
// A drawn measuring element; the angle element (kind 4) measures the angle between two rays
// from a vertex.
#include "services/graphics/Point_16.h"

#include <cstdint>

namespace wk {

class DrawElement {
public:
    static constexpr int16_t k_Angle_element = 4;

    DrawElement() = default;
    DrawElement(int16_t kind, Point_16 vertex, Point_16 first_ray, Point_16 second_ray)
        : kind_(kind), vertex_(vertex), first_ray_(first_ray), second_ray_(second_ray)
    {
    }

    // Degrees, 0 to 180.
    int16_t Angle() const { return angle_; }
    // For an angle element: the angle between the two rays. Other kinds keep their angle.
    void Compute_Angle();

private:
    int16_t kind_ = 0;
    Point_16 vertex_;
    Point_16 first_ray_;
    Point_16 second_ray_;
    int16_t angle_ = 0;
};

} // namespace wk
