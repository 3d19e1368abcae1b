#include "capture/Cls_weight_array.h"

#include "services/Module_trace.h"
#include "services/Run_time_error.h"
#include "services/graphics/modAPIDraw.h"

#include <algorithm>
#include <cmath>

namespace wk {

namespace {

int32_t Share(int32_t length, double fraction) { return int32_t(std::nearbyint(length * fraction)); }

} // namespace

Cls_weight_array::Cls_weight_array() { Trace_Line("*Cls_Weight_array initalize"); }

void Cls_weight_array::Set_Array_Size(int32_t n)
{
    Trace_Line("*Set_Array_Size: ", n);
    records_.assign(size_t(std::max(n, 0)), Weight_record{});
    filled_ = 0;
    last_drawn_ = 0;
}

void Cls_weight_array::Shift_Weight_Array()
{
    if (records_.size() > 1) std::copy(records_.begin() + 1, records_.end(), records_.begin());
}

bool Cls_weight_array::Add_record(int16_t percentage, int16_t value, int32_t long_value, bool shift)
{
    const Weight_record r{percentage, value, long_value};
    if (records_.empty()) return false;
    if (shift) {
        Shift_Weight_Array();
        records_.back() = r;
        filled_ = std::min(filled_ + 1, Size());
        return true;
    }
    if (filled_ >= Size()) return false;
    records_[size_t(filled_++)] = r;
    return true;
}

const Cls_weight_array::Weight_record& Cls_weight_array::Record(int32_t i) const
{
    if (i < 1 || i > Size())
        throw Run_time_error(err_Subscript, "There is no weight record " + std::to_string(i));
    return records_[size_t(i - 1)];
}

// ---- Drawing ----

bool Cls_weight_array::Fix_area(const cDIBSection& bitmap)
{
    if (!bitmap.hDC()) return false;
    const int32_t width = linear_ ? frontal_width_ : bitmap.Width();
    area_.left = Share(width, 0.2);
    area_.right = Share(width, 0.8);
    area_.height = bitmap.Height();
    area_.line1 = Share(area_.height, 0.8);
    area_.line2 = Share(area_.height, 0.95);
    return true;
}

bool Cls_weight_array::Draw_weight_Bar(cDIBSection& bitmap, int32_t index)
{
    if (index == k_Last_record) index = Size();
    if (index < 1 || index > Size() || !Fix_area(bitmap)) return false;
    const int32_t p = records_[size_t(index - 1)].Percentage;
    if (p < 1 || p > 100) return true;
    const int32_t top = Share(area_.height, 0.9);
    const int32_t split = area_.left + Share(area_.right - area_.left, (100 - p) / 100.0);
    // A part of no width is left out: a rectangle of no width would still show its pen.
    if (split > area_.left)
        Draw_Rectangle(bitmap.hDC(), {area_.left, top}, {split, area_.line2}, k_Red, 0, 0, 0, 1, k_Red);
    if (split < area_.right)
        Draw_Rectangle(bitmap.hDC(), {split, top}, {area_.right, area_.line2}, k_Blue, 0, 0, 0, 1, k_Blue);
    return true;
}

// 50 lies in the middle of the area; each unit away counts 3 pixels across and 4 down.
platform::Point Cls_weight_array::Point_of(int32_t record) const
{
    const int32_t offset = records_[size_t(record - 1)].Percentage - 50;
    return {(area_.left + area_.right) / 2 + 3 * offset, (area_.line1 + area_.line2) / 2 + 4 * offset};
}

// The segment from record `from` to the next one.
void Cls_weight_array::Draw_segment(cDIBSection& bitmap, int32_t from, int32_t colour) const
{
    Draw_Line(bitmap.hDC(), Point_of(from), Point_of(from + 1), 0, 1, colour);
}

bool Cls_weight_array::Draw_Segments_To(cDIBSection& bitmap, int32_t n)
{
    if (n < 0 || n > Size() || !Fix_area(bitmap)) return false;
    for (int32_t i = std::max(last_drawn_, 1); i < n; ++i) Draw_segment(bitmap, i, k_White);
    for (int32_t i = last_drawn_ - 1; i >= std::max(n, 1); --i) Draw_segment(bitmap, i, k_Black);
    last_drawn_ = n;
    return true;
}

bool Cls_weight_array::Draw_Oldest_Segment(cDIBSection& bitmap)
{
    if (Size() < 2 || !Fix_area(bitmap)) return false;
    Draw_segment(bitmap, 1, k_Black);
    return true;
}

bool Cls_weight_array::Draw_Newest_Segment(cDIBSection& bitmap)
{
    if (Size() < 2 || !Fix_area(bitmap)) return false;
    Draw_segment(bitmap, Size() - 1, k_White);
    return true;
}

} // namespace wk
