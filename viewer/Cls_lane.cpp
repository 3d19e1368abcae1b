#include "viewer/Cls_lane.h"

#include "results/Time_codes.h"
#include "services/Module_qsm_Globals.h"
#include "services/Run_time_error.h"
#include "services/graphics/modAPIDraw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

namespace wk {
namespace {

constexpr int32_t k_White = platform::Rgb(255, 255, 255);
constexpr int32_t k_Blue = platform::Rgb(0, 0, 255);
constexpr int32_t k_Red = platform::Rgb(255, 0, 0);
constexpr int32_t k_Black = platform::Rgb(0, 0, 0);
constexpr int32_t k_No_result_fill = platform::Rgb(200, 200, 200);
constexpr int32_t k_No_result_ink = platform::Rgb(120, 120, 120);

// Half the side of a mark's box, and how far its trail runs.
constexpr double k_Half_mark = 12.5;
constexpr int32_t k_Mark_side = 25;
constexpr int32_t k_Trail_length = 300;

// Halves to even; a mark placed near the ends of the 32-bit range stays inside it.
int32_t Rounded(double value)
{
    return static_cast<int32_t>(std::clamp(std::nearbyint(value), double(INT32_MIN), double(INT32_MAX)));
}

// Two-digit numbers get a smaller, narrower font so that they fit the circle.
platform::Font Label_font(const std::string& label)
{
    return label.size() == 1 ? platform::Font{"Arial", 18, 8, 600} : platform::Font{"Arial", 14, 6, 600};
}

} // namespace

void Cls_lane::Clear_Rank()
{
    time_ = 0;
    click_time_ = 0;
    field_ = 0;
}

void Cls_lane::Lane_number(int16_t value)
{
    if (value < 0 || value >= 16)
        throw Run_time_error(err_Subscript, "Subscript out of range: lane number " + std::to_string(value),
                             "Cls_lane");
    lane_number_ = value;
}

bool Cls_lane::Within(float px, float py) const
{
    const float half = static_cast<float>(k_Half_mark);
    const float x = static_cast<float>(x_), y = static_cast<float>(y_);
    return x - half < px && px < x + half && y - half < py && py < y + half;
}

Cls_lane::Box Cls_lane::Mark_box() const
{
    Box box;
    box.left = Rounded(x_ - k_Half_mark);
    box.top = Rounded(y_ - k_Half_mark);
    box.right = Rounded(double(box.left) + k_Mark_side);
    box.bottom = Rounded(double(box.top) + k_Mark_side);
    return box;
}

Cls_lane::Colours Cls_lane::Colours_for(int32_t time)
{
    if (time == 0 || time == No_Time)
        return {k_No_result_fill, k_No_result_ink, k_No_result_ink, false};
    // A click before the start: its own colour, so the label never depends on earlier drawing.
    if (time < 0)
        return {k_White, k_Black, k_Black, true};
    if (Is_real_time(time))
        return {k_White, k_Blue, k_Blue, true};
    return {k_White, k_Red, k_Red, true};
}

void Cls_lane::Draw_lane(platform::Draw_surface* dc, bool flip)
{
    if (dc == nullptr)
        return;
    box_ = Mark_box();
    const Colours colours = Colours_for(time_);
    Draw_Ellipse(dc, {box_.left, box_.top}, {box_.right, box_.bottom}, colours.fill, 0, platform::BS_SOLID,
                 platform::PS_SOLID, 2, colours.outline);

    const std::string label = std::to_string(lane_number_);
    const std::optional<int32_t> background =
        colours.opaque_text ? std::optional<int32_t>(k_White) : std::nullopt;
    dc->DrawText(label, box_.left, Rounded(box_.top + 2.0), box_.right, box_.bottom, Label_font(label),
                          colours.text, background);

    const int32_t centre = Rounded(box_.right - k_Half_mark);
    trail_far_ = Rounded(flip ? double(centre) - k_Trail_length : double(centre) + k_Trail_length);
    Do_DrawDCLine_lane(dc);
    Draw_entry_label(dc);
}

// Under the trail: the boat lies on the mark's row, and the result box goes above the mark.
void Cls_lane::Draw_entry_label(platform::Draw_surface* dc)
{
    if (entry_label_.empty()) return;
    dc->DrawText(entry_label_, box_.left, box_.bottom + 3, box_.left + k_Trail_length, box_.bottom + 19,
                 platform::Font{"Arial", 13, 0, 600}, 0, k_White,
                 platform::DT_LEFT | platform::DT_VCENTER | platform::DT_SINGLELINE);
}

void Cls_lane::Do_DrawDCLine_lane(platform::Draw_surface* dc)
{
    if (dc == nullptr)
        return;
    const int32_t centre = Rounded(box_.right - k_Half_mark);
    // Three rows make the dotted trail visible on a busy picture.
    for (const double y : {double(box_.bottom), box_.bottom - 1.0, box_.bottom + 1.0})
        Draw_Line(dc, {trail_far_, Rounded(y)}, {centre, Rounded(y)}, platform::PS_DOT, 1, k_Red);
}

} // namespace wk
