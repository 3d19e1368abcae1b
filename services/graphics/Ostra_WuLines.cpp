#include "services/graphics/Ostra_WuLines.h"

#include "services/Run_time_error.h"

#include <cmath>
#include <cstdlib>

namespace wk {

int32_t Triple_To_Colour(const Colour_Triple& triple)
{
    return platform::Rgb(triple.Red, triple.Green, triple.Blue);
}

Colour_Triple Colour_To_Triple(int32_t colour)
{
    Colour_Triple triple;
    triple.Red = static_cast<uint8_t>(colour & 255);
    triple.Green = static_cast<uint8_t>((colour / 256) & 255);
    triple.Blue = static_cast<uint8_t>((colour / 65536) & 255);
    return triple;
}

uint8_t Blend_Byte(uint8_t a, uint8_t b, float weight)
{
    const float value = std::nearbyint((1 - weight) * float(a) + weight * float(b));
    if (!(value >= 0 && value <= 255))
        throw Run_time_error(err_Overflow, "Overflow", "Blend_Byte");
    return static_cast<uint8_t>(value);
}

void Blend_Triple(Colour_Triple& out, const Colour_Triple& a, const Colour_Triple& b, float weight)
{
    out.Red = Blend_Byte(a.Red, b.Red, weight);
    out.Green = Blend_Byte(a.Green, b.Green, weight);
    out.Blue = Blend_Byte(a.Blue, b.Blue, weight);
}

void Draw_Wu_Line(platform::Draw_surface* dc, Point_16 point1, Point_16 point2, Colour_Triple colour,
                  int16_t thickness, bool dashed)
{
    if (point1.x == point2.x && point1.y == point2.y)
        return;
    if (dc == nullptr)
        return;
    const int32_t half = static_cast<int32_t>(std::floor(thickness / 2.0));
    const int32_t rest = thickness - half;
    const int32_t line_colour = Triple_To_Colour(colour);
    // weight is the share of what lies below.
    const auto blend = [&](int32_t x, int32_t y, float weight) {
        Colour_Triple mixed;
        Blend_Triple(mixed, colour, Colour_To_Triple(dc->GetPixel(x, y)), weight);
        dc->SetPixel(x, y, Triple_To_Colour(mixed));
    };

    if (std::abs(point2.x - point1.x) > std::abs(point2.y - point1.y)) {
        const Point_16 start = point1.x < point2.x ? point1 : point2;
        const Point_16 end = point1.x < point2.x ? point2 : point1;
        const int32_t dx = end.x - start.x;
        const int32_t dy = end.y - start.y;
        for (int32_t i = 0; i <= dx; ++i) {
            const int32_t x = start.x + i;
            const float t = static_cast<float>(double(i) / dx * dy);
            const float whole = std::floor(t);
            const float f = t - whole;
            const int32_t y = start.y + static_cast<int32_t>(whole);
            blend(x, y - half, f);
            blend(x, y + rest, 1 - f);
            for (int32_t solid = y - half + 1; solid <= y + rest - 1; ++solid)
                dc->SetPixel(x, solid, line_colour);
        }
        return;
    }

    const Point_16 start = point1.y < point2.y ? point1 : point2;
    const Point_16 end = point1.y < point2.y ? point2 : point1;
    const int32_t dx = end.x - start.x;
    const int32_t dy = end.y - start.y;
    int32_t counter = 0;
    for (int32_t i = 0; i <= dy; ++i) {
        if (dashed) {
            ++counter;
            if (counter > 20)
                counter = 0;
            else if (counter >= 10)
                continue;
        }
        const int32_t y = start.y + i;
        const float t = static_cast<float>(double(i) / dy * dx);
        const float whole = std::floor(t);
        const float f = t - whole;
        const int32_t x = start.x + static_cast<int32_t>(whole);
        blend(x - half, y, f);
        blend(x + rest, y, 1 - f);
        for (int32_t solid = x - half + 1; solid <= x + rest - 1; ++solid)
            dc->SetPixel(solid, y, line_colour);
    }
}

} // namespace wk
