#include "services/graphics/Cls_SelRect.h"

#include "services/Module_error.h"
#include "services/Run_time_error.h"
#include "services/graphics/modAPIDraw.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace wk {
namespace {

constexpr const char* k_Class = " of Class Module Cls_SelRect";
constexpr int32_t k_Box_half = 5; // grab boxes are 10 by 10, centred on their corner
constexpr int32_t k_Yellow = 65535;

int16_t To_16(int32_t v)
{
    if (v < INT16_MIN || v > INT16_MAX) throw Run_time_error(err_Overflow, "Overflow");
    return int16_t(v);
}

int32_t To_32(double v)
{
    const double r = std::nearbyint(v);
    if (r < double(INT32_MIN) || r > double(INT32_MAX)) throw Run_time_error(err_Overflow, "Overflow");
    return int32_t(r);
}

bool Strictly_inside(const Cls_SelRect::Box& b, float x, float y)
{
    return b.left < x && x < b.right && b.top < y && y < b.bottom;
}

Cls_SelRect::Box Box_around(int32_t x, int32_t y)
{
    return {x - k_Box_half, y - k_Box_half, x + k_Box_half, y + k_Box_half};
}

// Runs f; a failure goes to the error report under the member's name.
template <class F> void Reported(const char* member, F&& f)
{
    try {
        f();
    } catch (...) {
        Report_current_exception(std::string(member) + k_Class);
    }
}

} // namespace

void Cls_SelRect::Initiate(platform::Draw_surface& picture, int32_t colour)
{
    Reported("Initiate", [&] {
        dc_ = &picture;
        colour_ = colour == 0 ? k_Yellow : colour;
        visible_ = true;
        const double w = picture.Width(), h = picture.Height();
        rect_ = {To_32(0.2 * w), To_32(0.2 * h), To_32(0.8 * w), To_32(0.8 * h)};
        Set_Dimensions(To_16(picture.Width()), To_16(picture.Height()));
        Add_Selection_Boxes();
        Draw_SelRect();
        Draw_Selection_Boxes();
    });
}

void Cls_SelRect::Set_Dimensions(int16_t width, int16_t height)
{
    picture_width_ = width;
    picture_height_ = height;
    printable_ = {0, 0, height, width};
}

void Cls_SelRect::MouseDown(float x, float y)
{
    Reported("MouseDown", [&] {
        if (!visible_) return;
        event_taken_ = false;
        down_x_ = x;
        down_y_ = y;
        Check_Within_Selection_Boxes(x, y);
        Check_within_SelRect(x, y);
    });
}

void Cls_SelRect::mouseup()
{
    drag_ = 0;
    moving_ = false;
    busy_ = false;
}

void Cls_SelRect::Check_Within_Selection_Boxes(float x, float y)
{
    Reported("Check_Within_Selection_Boxes", [&] {
        drag_ = 0;
        for (int n = 1; n <= 4; ++n) {
            if (!Strictly_inside(boxes_[size_t(n - 1)], x, y)) continue;
            event_taken_ = true;
            drag_ = int16_t(n);
            const bool right_side = n <= 2, top_side = n == 1 || n == 4;
            dx_ = To_16(To_32(right_side ? x - float(rect_.right) : float(rect_.left) - x));
            dy_ = To_16(To_32(y - float(top_side ? rect_.top : rect_.bottom)));
            return;
        }
    });
}

void Cls_SelRect::Check_within_SelRect(float x, float y)
{
    Reported("Check_within_SelRect", [&] {
        if (drag_ >= 1 || !Strictly_inside(rect_, x, y)) return;
        event_taken_ = true;
        moving_ = true;
        drag_ = 9;
        rect_at_down_ = rect_;
    });
}

void Cls_SelRect::MouseMove(float x, float y)
{
    // A move that arrives while another is handled leaves the outer one's state as it is.
    if (busy_) return;
    event_taken_ = false;
    if (!visible_) return;
    Reported("MouseMove", [&] {
        busy_ = true;
        struct Done {
            bool& busy;
            ~Done() { busy = false; }
        } done{busy_};
        if (drag_ >= 1 && drag_ <= 4)
            Resize_by_box(x, y);
        else if (drag_ == 9)
            Move_whole(x, y);
        else
            return;
        event_taken_ = true;
        Keep_proportion();
        Add_Selection_Boxes();
        if (Changed) Changed();
    });
}

// A side follows the mouse while the mouse stays inside the printable area, and stops
// k_Min_side short of the side opposite, so the rectangle never turns inside out.
void Cls_SelRect::Resize_by_box(float x, float y)
{
    const bool right_side = drag_ <= 2, top_side = drag_ == 1 || drag_ == 4;
    const int32_t new_x = To_32(right_side ? x - float(dx_) : float(dx_) + x);
    const int32_t new_y = To_32(y - float(dy_));
    if (right_side && new_x <= printable_.right) rect_.right = std::max(new_x, rect_.left + k_Min_side);
    if (!right_side && new_x >= printable_.left) rect_.left = std::min(new_x, rect_.right - k_Min_side);
    if (top_side && new_y >= printable_.top) rect_.top = std::min(new_y, rect_.bottom - k_Min_side);
    if (!top_side && new_y <= printable_.bottom) rect_.bottom = std::max(new_y, rect_.top + k_Min_side);
}

// Each side moves with the mouse and is held at the edge it meets, so a rectangle pushed against
// an edge narrows, down to k_Min_side.
void Cls_SelRect::Move_whole(float x, float y)
{
    const auto clamp = [](int32_t v, int32_t low, int32_t high) { return std::max(low, std::min(v, high)); };
    const float mx = x - down_x_, my = y - down_y_;
    Box r;
    r.left = clamp(To_32(float(rect_at_down_.left) + mx), printable_.left, printable_.right);
    r.right = clamp(To_32(float(rect_at_down_.right) + mx), printable_.left, printable_.right);
    r.top = clamp(To_32(float(rect_at_down_.top) + my), printable_.top, printable_.bottom);
    r.bottom = clamp(To_32(float(rect_at_down_.bottom) + my), printable_.top, printable_.bottom);
    if (r.right - r.left < k_Min_side) {
        if (r.left == printable_.left) r.right = r.left + k_Min_side;
        else r.left = r.right - k_Min_side;
    }
    if (r.bottom - r.top < k_Min_side) {
        if (r.top == printable_.top) r.bottom = r.top + k_Min_side;
        else r.top = r.bottom - k_Min_side;
    }
    rect_ = r;
}

// bottom = top + proportion x width; where that would leave the printable area the width gives
// way instead, on the side being dragged.
void Cls_SelRect::Keep_proportion()
{
    if (proportion_ <= 0) return;
    rect_.bottom = To_32(double(proportion_) * double(rect_.right - rect_.left)) + rect_.top;
    if (rect_.bottom <= printable_.bottom) return;
    rect_.bottom = printable_.bottom;
    const int32_t width = To_32(double(rect_.bottom - rect_.top) / double(proportion_));
    if (drag_ == 3 || drag_ == 4) rect_.left = rect_.right - width;
    else rect_.right = rect_.left + width;
}

void Cls_SelRect::Add_Selection_Boxes()
{
    Reported("Add_Selection_Boxes", [this] {
        boxes_[0] = Box_around(rect_.right, rect_.top);
        boxes_[1] = Box_around(rect_.right, rect_.bottom);
        boxes_[2] = Box_around(rect_.left, rect_.bottom);
        boxes_[3] = Box_around(rect_.left, rect_.top);
    });
}

void Cls_SelRect::Draw_box(const Box& b, int32_t brush_style, int32_t brush_colour, int32_t pen_style,
                           int32_t pen_colour)
{
    Draw_Rectangle(dc_, {b.left, b.top}, {b.right, b.bottom}, brush_colour, 8, brush_style, pen_style, 1, pen_colour);
}

void Cls_SelRect::Draw_SelRect()
{
    Reported("Draw_SelRect", [this] { Draw_box(rect_, platform::BS_HOLLOW, 0xFFFFFF, platform::PS_DASH, colour_); });
}

void Cls_SelRect::Draw_Selection_Boxes()
{
    Reported("Draw_Selection_Boxes", [this] {
        if (drag_ == 0 && force_boxes_ == 0) return;
        for (const Box& b : boxes_) Draw_box(b, platform::BS_PATTERN, 0xFF0000, platform::PS_SOLID, 0xFF00FF);
    });
}

void Cls_SelRect::Print_Caption()
{
    Reported("Print_Caption", [this] {
        if (!show_text_ || caption_.empty() || !dc_) return;
        dc_->DrawText(caption_, rect_.left, rect_.top, rect_.right, rect_.bottom, platform::Font{"Arial", -13},
                      colour_, std::nullopt, platform::DT_CENTER);
    });
}

void Cls_SelRect::Display_all_items()
{
    Reported("Display_all_items", [this] {
        if (!visible_) return;
        Draw_SelRect();
        Print_Caption();
        Draw_Selection_Boxes();
    });
}

int16_t Cls_SelRect::Width() const { return To_16(rect_.right - rect_.left); }
int16_t Cls_SelRect::Height() const { return To_16(rect_.bottom - rect_.top); }
int16_t Cls_SelRect::Left() const { return To_16(rect_.left); }
int16_t Cls_SelRect::Right() const { return To_16(rect_.right); }
int16_t Cls_SelRect::Top() const { return To_16(rect_.top); }
int16_t Cls_SelRect::Bottom() const { return To_16(rect_.bottom); }

void Cls_SelRect::Set_Rect(int32_t bottom, int32_t left, int32_t right, int32_t top)
{
    rect_ = {left, top, right, bottom};
    Add_Selection_Boxes();
    loaded_ = true;
}

bool Cls_SelRect::Mouse_Event_Taken() { return std::exchange(event_taken_, false); }

std::string Cls_SelRect::Rect_coords() const
{
    return std::to_string(rect_.bottom) + "," + std::to_string(rect_.left) + "," + std::to_string(rect_.right) + "," +
           std::to_string(rect_.top);
}

void Cls_Rect::Set_Rect(int32_t top, int32_t left, int32_t right, int32_t bottom)
{
    top_ = top;
    left_ = left;
    right_ = right;
    bottom_ = bottom;
}

int16_t Cls_Rect::Top() const { return To_16(top_); }
int16_t Cls_Rect::Left() const { return To_16(left_); }
int16_t Cls_Rect::Right() const { return To_16(right_); }
int16_t Cls_Rect::Bottom() const { return To_16(bottom_); }

} // namespace wk
