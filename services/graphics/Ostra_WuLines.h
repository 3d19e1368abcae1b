#pragma once
// The goal line: an anti-aliased line of a given thickness by Wu's method, drawn pixel by pixel
// on a device context, and the colour helpers it blends with.
#include "platform/Draw_surface.h"
#include "services/graphics/Point_16.h"

#include <cstdint>

namespace wk {

// Three bytes in the order of a 24-bit pixel.
struct Colour_Triple {
    uint8_t Blue = 0;  // byte 0
    uint8_t Green = 0; // byte 1
    uint8_t Red = 0;   // byte 2
};

// Draws the line from point 1 to point 2, thickness pixels across: the pixel on each side of
// the solid middle is blended with what lies below by the line's fractional position. Steep
// lines (|dy| >= |dx|) can be dashed: 10 steps drawn, 11 left out, and so on. Equal end points
// draw nothing. Coordinates are worked in 32 bits; pixels outside the picture are dropped.
void Draw_Wu_Line(platform::Draw_surface* dc, Point_16 point1, Point_16 point2, Colour_Triple colour,
                  int16_t thickness, bool dashed);

int32_t Triple_To_Colour(const Colour_Triple& triple);
// CLR_INVALID (-1) comes out as pure red, which is blended like any other colour.
Colour_Triple Colour_To_Triple(int32_t colour);
// out = (1 - weight) x a + weight x b, per byte.
void Blend_Triple(Colour_Triple& out, const Colour_Triple& a, const Colour_Triple& b, float weight);
// (1 - weight) x a + weight x b, rounded to the nearest byte, halves to even. A weight outside
// 0 to 1 that leaves the byte range raises an overflow error.
uint8_t Blend_Byte(uint8_t a, uint8_t b, float weight);

} // namespace wk
