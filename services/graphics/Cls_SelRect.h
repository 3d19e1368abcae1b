#pragma once
// An interactive selection rectangle on a picture: a dashed outline with a caption, four grab
// boxes at its corners to resize it, dragging inside it to move it, always inside the printable
// area and never turned inside out, optionally with a fixed height-to-width proportion.
// The window that owns it forwards its mouse events and asks it to draw; refreshing the
// picture on the screen stays with the window.
#include "platform/Draw_surface.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace wk {

class Cls_SelRect {
public:
    // A side never comes closer than this to the side opposite it.
    static constexpr int32_t k_Min_side = 10;

    // Takes the picture (its size is the picture size and the printable area), draws the
    // rectangle at 20 % to 80 % of each direction. Colour 0 means yellow.
    void Initiate(platform::Draw_surface& picture, int32_t colour);
    void Set_Dimensions(int16_t width, int16_t height);

    void MouseDown(float x, float y);
    void mouseup();
    void MouseMove(float x, float y);

    void Index(int16_t value) { index_ = value; }
    int16_t Index() const { return index_; }
    void xAlways_selected(int16_t value) { always_selected_ = value; }
    void Printable_top(int16_t value) { printable_.top = value; }
    void Printable_left(int16_t value) { printable_.left = value; }
    void Printable_bottom(int16_t value) { printable_.bottom = value; }
    void Printable_right(int16_t value) { printable_.right = value; }
    void Set_hdc(platform::Draw_surface* dc) { dc_ = dc; }
    void Force_selection_boxes(int16_t value) { force_boxes_ = value; }
    void Set_visible(bool value) { visible_ = value; }
    // Height = proportion x width after every resize; 0 leaves the height free.
    void Set_Proportion(float value) { proportion_ = value; }
    void Show_text(bool value) { show_text_ = value; }
    void Size_fraction(float value) { size_fraction_ = value; }
    float Size_fraction() const { return size_fraction_; }
    bool Visible() const { return visible_; }
    bool Loaded() const { return loaded_; }

    // The sides and the size, narrowed to 16 bits (an overflow raises).
    int16_t Width() const;
    int16_t Height() const;
    int16_t Left() const;
    int16_t Right() const;
    int16_t Top() const;
    int16_t Bottom() const;
    int16_t SelRect_left() const { return Left(); }
    int16_t SelRect_right() const { return Right(); }
    int16_t SelRect_top() const { return Top(); }
    int16_t SelRect_bottom() const { return Bottom(); }

    void Set_Rect(int32_t bottom, int32_t left, int32_t right, int32_t top);
    void DeSelect() { drag_ = 0; }
    // The flag, cleared by asking.
    bool Mouse_Event_Taken();
    // "bottom,left,right,top".
    std::string Rect_coords() const;
    void Set_Caption(const std::string& text) { caption_ = text; }
    void Set_name(const std::string& text) { name_ = text; }

    void Draw_Selection_Boxes();
    void Draw_SelRect();
    void Check_Within_Selection_Boxes(float x, float y);
    void Check_within_SelRect(float x, float y);
    void Add_Selection_Boxes();
    void Print_Caption();
    void Display_all_items();

    // 0 none, 1 to 4 resizing by grab box 1 (top right), 2 (bottom right), 3 (bottom left),
    // 4 (top left), 9 moving.
    int16_t Drag_state() const { return drag_; }
    // True while a mouse move is being handled.
    bool Busy() const { return busy_; }
    // Called inside a mouse move once the sides have changed (the owner redraws here).
    std::function<void()> Changed;

    struct Box {
        int32_t left = 0, top = 0, right = 0, bottom = 0;
    };
    const Box& Selection_box(int n) const { return boxes_.at(size_t(n - 1)); }

private:
    struct Area {
        int16_t top = 0, left = 0, bottom = 0, right = 0;
    };
    void Resize_by_box(float x, float y);
    void Move_whole(float x, float y);
    void Keep_proportion();
    void Draw_box(const Box& b, int32_t brush_style, int32_t brush_colour, int32_t pen_style, int32_t pen_colour);

    int16_t index_ = 0, always_selected_ = 0, force_boxes_ = 0;
    bool loaded_ = false, show_text_ = true, visible_ = false, event_taken_ = false, busy_ = false;
    float proportion_ = 0, size_fraction_ = 0;
    Box rect_, rect_at_down_;
    platform::Draw_surface* dc_ = nullptr;
    int16_t drag_ = 0;
    bool moving_ = false;
    float down_x_ = 0, down_y_ = 0;
    int16_t dx_ = 0, dy_ = 0;
    int32_t colour_ = 0;
    int16_t picture_width_ = 0, picture_height_ = 0;
    std::string caption_, name_;
    std::array<Box, 4> boxes_{};
    Area printable_;
};

// A plain rectangle record.
class Cls_Rect {
public:
    void Set_Rect(int32_t top, int32_t left, int32_t right, int32_t bottom);
    int16_t Top() const;
    int16_t Left() const;
    int16_t Right() const;
    int16_t Bottom() const;
    void Top(int16_t value) { top_ = value; }
    void Left(int16_t value) { left_ = value; }
    void Right(int16_t value) { right_ = value; }
    void Bottom(int16_t value) { bottom_ = value; }

private:
    int32_t bottom_ = 0, top_ = 0, left_ = 0, right_ = 0;
};

} // namespace wk
