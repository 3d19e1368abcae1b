#pragma once
// Lines, ellipses and rectangles drawn on any device context with a pen and a brush made for the
// one call. Pen and brush styles, hatches and colours are the Windows numbers the callers pass
// (for example the goal-line markers: brush style 1 hollow, pen style 0 solid, width 1). A brush
// that cannot be made (a pattern brush, an unknown style or hatch) draws as hollow.
//
// A null device context draws nothing; the routines then return 0.
#include "platform/Draw_surface.h"

#include <cstdint>

namespace wk {

// Makes the brush {style, colour, hatch}, selects it and returns it; the brush it replaced goes
// to previous.
platform::Brush Make_Brush(platform::Draw_surface* dc, int32_t colour, int32_t hatch, int32_t style,
                           platform::Brush& previous);
// Makes the pen, selects it and returns it; the pen it replaced goes to previous.
platform::Pen Make_Pen(platform::Draw_surface* dc, int32_t style, int32_t width, int32_t colour,
                       platform::Pen& previous);
// Selects previous back; the new object is dropped.
void Restore_Object(platform::Draw_surface* dc, const platform::Pen& new_pen, const platform::Pen& previous);
void Restore_Object(platform::Draw_surface* dc, const platform::Brush& new_brush, const platform::Brush& previous);

// The line from point 1 towards point 2 (point 2 itself left out with a one-pixel pen).
int32_t Draw_Line(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2,
                  int32_t pen_style, int32_t pen_width, int32_t pen_colour);
// With the selected pen. A failing line shows the error number in a message box.
int32_t Line_Between(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2);

// The ellipse inscribed in the box with corners point 1 and point 2 (right and bottom exclusive).
int32_t Draw_Ellipse(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2,
                     int32_t brush_colour, int32_t brush_hatch, int32_t brush_style, int32_t pen_style,
                     int32_t pen_width, int32_t pen_colour);
int32_t Ellipse_Between(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2);

// The rectangle with corners point 1 and point 2 (right and bottom exclusive).
int32_t Draw_Rectangle(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2,
                       int32_t brush_colour, int32_t brush_hatch, int32_t brush_style, int32_t pen_style,
                       int32_t pen_width, int32_t pen_colour);
int32_t Rectangle_Between(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2);

} // namespace wk
