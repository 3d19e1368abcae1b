#pragma once
// A fixed-size series of weight readings that draws a weight bar and a trace of segments into a
// picture. Records are numbered 1 .. size.
#include "services/graphics/cDIBSection.h"

#include <cstdint>
#include <vector>

namespace wk {

class Cls_weight_array {
public:
    struct Weight_record {
        int16_t Percentage = 0;
        int16_t Value = 0;
        int32_t Long_value = 0;
        bool operator==(const Weight_record&) const = default;
    };
    // Draw_weight_Bar's index for the last record.
    static constexpr int32_t k_Last_record = 999;
    // Colour values: red, blue, white, black.
    static constexpr int32_t k_Red = 0x0000FF, k_Blue = 0xFF0000, k_White = 0xFFFFFF, k_Black = 0;

    Cls_weight_array();

    // Records 1 .. n, all zero; nothing filled yet. A negative size gives an empty series.
    void Set_Array_Size(int32_t n);
    // Record i takes record i + 1's values; the last keeps its own.
    void Shift_Weight_Array();
    // Without shift the values go into the next free record: false, and nothing changes, when the
    // series is full. With shift the series moves down first and the values go into the last
    // record, so it holds the newest readings.
    bool Add_record(int16_t percentage, int16_t value, int32_t long_value, bool shift);

    // The bar of record index (k_Last_record: the last) in the bottom band of the picture, split
    // red and blue by the percentage; a percentage outside 1..100 draws none. False for an index
    // outside the series or a picture without a device context.
    bool Draw_weight_Bar(cDIBSection& bitmap, int32_t index);
    // Draws the segments up to record n in white, or erases them back down to n in black.
    bool Draw_Segments_To(cDIBSection& bitmap, int32_t n);
    bool Draw_Oldest_Segment(cDIBSection& bitmap);
    bool Draw_Newest_Segment(cDIBSection& bitmap);

    void Array_Linear(bool on) { linear_ = on; }
    void Frontal_Width(int16_t width) { frontal_width_ = width; }

    int32_t Size() const { return int32_t(records_.size()); }
    int32_t Filled() const { return filled_; }
    // Record i (1 .. Size); another index raises a subscript error.
    const Weight_record& Record(int32_t i) const;
    int32_t Last_drawn() const { return last_drawn_; }

    // The drawing area as last fixed: left and right x, the two line heights.
    struct Area {
        int32_t left = 0, right = 0, line1 = 0, line2 = 0, height = 0;
    };
    const Area& Drawing_area() const { return area_; }

private:
    bool Fix_area(const cDIBSection& bitmap);
    platform::Point Point_of(int32_t record) const;
    void Draw_segment(cDIBSection& bitmap, int32_t from, int32_t colour) const;

    std::vector<Weight_record> records_;
    int32_t filled_ = 0;
    int32_t last_drawn_ = 0;
    bool linear_ = false;
    int16_t frontal_width_ = 0;
    Area area_;
};

} // namespace wk
