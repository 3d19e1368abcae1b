#pragma once
// One lane mark on the finish picture: the lane's number, the centre of its mark in picture
// pixels and a mirror of the lane's result time, which picks the mark's colours.
#include "platform/Draw_surface.h"

#include <cstdint>
#include <string>

namespace wk {

class Cls_lane {
public:
    // Forgets the lane's result: time, click time and field become 0.
    void Clear_Rank();
    int16_t Field() const { return field_; }
    void Field(int16_t value) { field_ = value; }
    int16_t Lane_number() const { return lane_number_; }
    // Lane numbers index the heat's lane results, so only 0 to 15 are taken; any other value
    // raises a subscript error and the number stays.
    void Lane_number(int16_t value);
    void Lane_pos_X(int32_t value) { x_ = value; }
    void Lane_pos_Y(int32_t value) { y_ = value; }
    int32_t X() const { return x_; }
    int32_t Y() const { return y_; }
    int32_t time() const { return time_; }
    void time(int32_t value) { time_ = value; }
    int32_t click_time() const { return click_time_; }
    void click_time(int32_t value) { click_time_ = value; }

    // Who starts in the lane ("bib name"), drawn under the mark's trail; "" draws nothing.
    const std::string& Entry_label() const { return entry_label_; }
    void Entry_label(std::string text) { entry_label_ = std::move(text); }

    // True when (px, py) lies strictly inside the 25-pixel square around the centre.
    bool Within(float px, float py) const;

    // The mark's box: left and top are the centre less 12.5 rounded half to even, right and
    // bottom 25 further (exclusive).
    struct Box {
        int32_t left = 0, top = 0, right = 0, bottom = 0;
    };
    Box Mark_box() const;

    // Draws the mark (a circle with the lane number) and its dotted trail, 300 pixels to the
    // right, or to the left when flip is set. Colours follow the result time.
    void Draw_lane(platform::Draw_surface* dc, bool flip);
    // The entry label, under the trail.
    void Draw_entry_label(platform::Draw_surface* dc);
    // One trail of three dotted red lines along the bottom of the box.
    void Do_DrawDCLine_lane(platform::Draw_surface* dc);

    // Fill, outline and label colours for a result time.
    struct Colours {
        int32_t fill = 0, outline = 0, text = 0;
        bool opaque_text = false; // label drawn on a white background
    };
    static Colours Colours_for(int32_t time);

private:
    int16_t lane_number_ = 0;
    int32_t x_ = 0;
    int32_t y_ = 0;
    int32_t time_ = 0;
    int32_t click_time_ = 0;
    int16_t field_ = 0;
    Box box_;
    int32_t trail_far_ = 0; // where the trail ends, set by Draw_lane
    std::string entry_label_;
};

} // namespace wk
