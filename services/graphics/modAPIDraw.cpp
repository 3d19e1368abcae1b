#include "services/graphics/modAPIDraw.h"

#include "services/Operator_port.h"

#include <string>

namespace wk {
namespace {

// Only solid, hollow and hatched brushes exist here; whatever else is asked for is hollow, so a
// bad request draws the same every time instead of with whatever brush was selected before.
platform::Brush Brush_for(int32_t colour, int32_t hatch, int32_t style)
{
    const bool hatched = style == platform::BS_HATCHED && hatch >= platform::HS_HORIZONTAL &&
                         hatch <= platform::HS_DIAGCROSS;
    if (style == platform::BS_SOLID || hatched)
        return {style, colour, hatched ? hatch : 0};
    return {platform::BS_HOLLOW, colour, 0};
}

int32_t Result(bool ok)
{
    return ok ? 1 : 0;
}

template <class Shape>
int32_t Draw_shape(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2,
                   int32_t brush_colour, int32_t brush_hatch, int32_t brush_style, int32_t pen_style,
                   int32_t pen_width, int32_t pen_colour, Shape&& shape)
{
    platform::Brush old_brush;
    platform::Pen old_pen;
    const platform::Brush brush = Make_Brush(dc, brush_colour, brush_hatch, brush_style, old_brush);
    const platform::Pen pen = Make_Pen(dc, pen_style, pen_width, pen_colour, old_pen);
    const int32_t result = shape(dc, point1, point2);
    Restore_Object(dc, brush, old_brush);
    Restore_Object(dc, pen, old_pen);
    return result;
}

} // namespace

platform::Brush Make_Brush(platform::Draw_surface* dc, int32_t colour, int32_t hatch, int32_t style,
                           platform::Brush& previous)
{
    const platform::Brush brush = Brush_for(colour, hatch, style);
    previous = dc != nullptr ? dc->SelectBrush(brush) : platform::Brush{};
    return brush;
}

platform::Pen Make_Pen(platform::Draw_surface* dc, int32_t style, int32_t width, int32_t colour,
                       platform::Pen& previous)
{
    const platform::Pen pen{style, width, colour};
    previous = dc != nullptr ? dc->SelectPen(pen) : platform::Pen{};
    return pen;
}

void Restore_Object(platform::Draw_surface* dc, const platform::Pen&, const platform::Pen& previous)
{
    if (dc != nullptr)
        dc->SelectPen(previous);
}

void Restore_Object(platform::Draw_surface* dc, const platform::Brush&, const platform::Brush& previous)
{
    if (dc != nullptr)
        dc->SelectBrush(previous);
}

int32_t Draw_Line(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2,
                  int32_t pen_style, int32_t pen_width, int32_t pen_colour)
{
    platform::Pen old_pen;
    const platform::Pen pen = Make_Pen(dc, pen_style, pen_width, pen_colour, old_pen);
    const int32_t result = Line_Between(dc, point1, point2);
    Restore_Object(dc, pen, old_pen);
    return result;
}

int32_t Line_Between(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2)
{
    const int32_t result =
        Result(dc != nullptr && dc->MoveToEx(point1.x, point1.y) && dc->LineTo(point2.x, point2.y));
    if (result != 1)
        Station_operator().Notice(std::to_string(dc != nullptr ? dc->Last_error() : platform::ERROR_INVALID_HANDLE));
    return result;
}

int32_t Draw_Ellipse(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2,
                     int32_t brush_colour, int32_t brush_hatch, int32_t brush_style, int32_t pen_style,
                     int32_t pen_width, int32_t pen_colour)
{
    return Draw_shape(dc, point1, point2, brush_colour, brush_hatch, brush_style, pen_style, pen_width, pen_colour,
                      Ellipse_Between);
}

int32_t Ellipse_Between(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2)
{
    return Result(dc != nullptr && dc->Ellipse(point1.x, point1.y, point2.x, point2.y));
}

int32_t Draw_Rectangle(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2,
                       int32_t brush_colour, int32_t brush_hatch, int32_t brush_style, int32_t pen_style,
                       int32_t pen_width, int32_t pen_colour)
{
    return Draw_shape(dc, point1, point2, brush_colour, brush_hatch, brush_style, pen_style, pen_width, pen_colour,
                      Rectangle_Between);
}

int32_t Rectangle_Between(platform::Draw_surface* dc, const platform::Point& point1, const platform::Point& point2)
{
    return Result(dc != nullptr && dc->Rectangle(point1.x, point1.y, point2.x, point2.y));
}

} // namespace wk
