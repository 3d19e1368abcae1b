#include "viewer/Module_lanes.h"

#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "services/graphics/Ostra_WuLines.h"
#include "services/graphics/cDIBSection.h"
#include "services/graphics/modAPIDraw.h"
#include "viewer/Cls_lane.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace wk {
namespace {

constexpr const char* k_Module = " of Module Module_lanes";

// Where the default marks go when the settings hold none, and what an empty field gives.
constexpr int32_t k_Default_step_x = 15, k_Default_step_y = 20;
constexpr int32_t k_Empty_x = 20, k_Empty_y = 30;
// Each goal-line end's selection box reaches this far before and after the end point.
constexpr float k_Box_before = 6, k_Box_after = 12;
constexpr int32_t k_Box_half = 6;
constexpr int32_t k_Box_blue = platform::Rgb(0, 0, 255);

// A whole number as the settings store it; anything else is a type mismatch, a number too big
// for T an overflow.
template <class T> T Number_of(const std::string& text, const std::string& key)
{
    return static_cast<T>(Ini_whole_number(text, key, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

// The 3 characters from position (0-based); an empty field gives empty_value.
int32_t Field_or(const std::string& text, size_t position, int32_t empty_value)
{
    const std::string field = position < text.size() ? text.substr(position, 3) : std::string();
    return field.empty() ? empty_value : Number_of<int32_t>(field, "Lanes");
}

std::shared_ptr<Cls_lane> Make_lane(int16_t number, int32_t x, int32_t y)
{
    auto lane = std::make_shared<Cls_lane>();
    lane->Lane_number(number);
    lane->Lane_pos_X(x);
    lane->Lane_pos_Y(y);
    return lane;
}

platform::Draw_surface* Overlay()
{
    return g_Frame_DIB ? g_Frame_DIB->hDC() : nullptr;
}

// The mark at 1-based position, or nullptr when there is none.
Cls_lane* Lane_at(int32_t position)
{
    if (position < 1 || position > static_cast<int32_t>(g_Lanes.size()))
        return nullptr;
    return g_Lanes[static_cast<size_t>(position - 1)].get();
}

// The goal line's ends are kept in 16 bits; a line that does not fit is not drawn.
bool Fits_16_bits(const Goal_line_coords& c)
{
    for (int32_t v : {c.x1, c.y1, c.x2, c.y2})
        if (v < INT16_MIN || v > INT16_MAX)
            return false;
    return true;
}

bool Near_end(float px, float py, int32_t x, int32_t y)
{
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    return fx - k_Box_before < px && px < fx + k_Box_after && fy - k_Box_before < py && py < fy + k_Box_after;
}

// A drag position as a 16-bit whole number inside 1 .. limit - 1; nullopt outside.
std::optional<int32_t> Inside_picture(float value, int32_t limit)
{
    const double whole = std::nearbyint(double(value));
    if (!(whole >= 1 && whole <= INT16_MAX && whole < limit))
        return std::nullopt;
    return static_cast<int32_t>(whole);
}

// Mouse positions as whole numbers; a position far off any picture is held at the range's end.
int32_t Whole(float value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int32_t>(std::clamp(std::nearbyint(double(value)), double(INT32_MIN), double(INT32_MAX)));
}

} // namespace

void Load_Lanes_and_Goalline()
{
    Load_Lanes();
    Load_Goalline();
}

void Load_Lanes()
{
    try {
        Clear_Collection(g_Lanes);
        const std::string text = Read_setting(ini::Lanes);
        if (text == "None") {
            for (int16_t i = 0; i < k_Max_lanes; ++i)
                g_Lanes.push_back(Make_lane(i, k_Default_step_x * i, k_Default_step_y * i));
            return;
        }
        // Each mark goes in as soon as it is read, so a bad group keeps the ones before it.
        for (int16_t i = 0; i < k_Max_lanes; ++i) {
            const size_t group = 6 * static_cast<size_t>(i);
            const int32_t x = Field_or(text, group, k_Empty_x);
            const int32_t y = Field_or(text, group + 3, k_Empty_y);
            g_Lanes.push_back(Make_lane(i, x, y));
        }
        g_Num_lanes = Read_setting(ini::Lane_num);
    } catch (...) {
        Report_current_exception(std::string("Load_Lanes") + k_Module);
    }
}

void Load_Goalline()
{
    try {
        const std::string text = Read_setting(ini::Goalline);
        if (text == "None")
            return;
        // Fixed places: "xxx,yyy,xxx,yyy". All four are read before any is taken.
        const auto field = [&](size_t position) {
            return Number_of<int32_t>(position < text.size() ? text.substr(position, 3) : std::string(), "Goalline");
        };
        g_Goal_line = Goal_line_coords{field(0), field(4), field(8), field(12)};
    } catch (...) {
        Report_current_exception(std::string("Load_Goalline") + k_Module);
    }
}

void Load_options()
{
    g_Loading_settings = true;
    try {
        g_Show_Lanes = Read_setting(ini::Show_lanes);
        g_Flip_Lanes = Read_setting(ini::Flip_lanes);
        g_Show_Goalline = Read_setting(ini::Show_goalline);
        g_Rotate = Read_setting(ini::Rotate);
        g_Lane_Zero = Read_setting(ini::Lane_zero);
    } catch (...) {
        Report_current_exception(std::string("Load_options") + k_Module);
    }
    g_Loading_settings = false;
}

void Clear_Graphics()
{
    // The whole overlay in key colour, as a rectangle over it in that colour would leave it.
    if (Overlay() == nullptr) return;
    g_Frame_DIB->Fill(g_Key_colour);
    Overlay()->Forget_drawn(); // nothing but key colour on it now
}

void Draw_lanes(bool flip)
{
    platform::Draw_surface* dc = Overlay();
    if (!g_Lane_marks_shown || g_Lanes.empty() || dc == nullptr)
        return;
    const int32_t count = std::min<int32_t>(g_Lanes_in_use, static_cast<int32_t>(g_Lanes.size()));
    for (int32_t i = 1; i <= count; ++i)
        if (Cls_lane* lane = Lane_at(i))
            lane->Draw_lane(dc, flip);
}

void Draw_Goal_line()
{
    if (!g_Goalline_shown)
        return;
    try {
        const Goal_line_coords& line = g_Run_mode == 1 ? g_Goal_line : g_File_Goal_line;
        if (Fits_16_bits(line)) {
            const uint8_t level = g_Goalline_dimmed ? 25 : 255;
            Draw_Wu_Line(Overlay(), Point_16{int16_t(line.x1), int16_t(line.y1)},
                         Point_16{int16_t(line.x2), int16_t(line.y2)}, Colour_Triple{level, level, level}, 2, false);
        }
        Draw_Selection_Boxes();
    } catch (...) {
        Report_current_exception(std::string("Draw_Goal_line") + k_Module);
    }
}

void Draw_Selection_Boxes()
{
    platform::Draw_surface* dc = Overlay();
    if (g_Run_mode != 1 || dc == nullptr)
        return;
    // 13 pixels square, centred on the end (the right and bottom edges are exclusive).
    for (const auto& [x, y] : {std::pair{g_Goal_line.x1, g_Goal_line.y1}, std::pair{g_Goal_line.x2, g_Goal_line.y2}})
        Draw_Rectangle(dc, {x - k_Box_half, y - k_Box_half}, {x + k_Box_half + 1, y + k_Box_half + 1}, 0, 0,
                       platform::BS_HOLLOW, platform::PS_SOLID, 1, k_Box_blue);
}

void Check_within_lanes(float x, float y)
{
    g_Hit_Lane_number = -1;
    // The whole collection is searched, marks not drawn included.
    for (size_t i = 0; i < g_Lanes.size(); ++i) {
        if (g_Lanes[i] && g_Lanes[i]->Within(x, y)) {
            g_Hit_Lane_number = g_Lanes[i]->Lane_number();
            g_Active_Lane = static_cast<int16_t>(i + 1);
            return;
        }
    }
}

void Check_Within_Selection_Boxes(float x, float y)
{
    g_Goal_handle = 0;
    if (Near_end(x, y, g_Goal_line.x1, g_Goal_line.y1))
        g_Goal_handle = 1;
    else if (Near_end(x, y, g_Goal_line.x2, g_Goal_line.y2))
        g_Goal_handle = 2;
}

void Lane_mouse_down(bool left_button, float x, float y, bool lanes_locked)
{
    g_Mouse_down_X = Whole(x);
    g_Mouse_down_Y = Whole(y);
    Check_within_lanes(x, y);
    const Cls_lane* lane = Lane_at(g_Active_Lane);
    if (lanes_locked || !left_button || g_Hit_Lane_number < 0 || lane == nullptr)
        return;
    g_Grab_X = static_cast<float>(lane->X());
    g_Grab_Y = static_cast<float>(lane->Y());
    g_Drag_Lane = g_Hit_Lane_number;
}

bool Lane_mouse_move(bool left_button, float x, float y, int32_t scale_width, int32_t scale_height)
{
    if (!left_button || g_Drag_Lane < 0)
        return false;
    const auto nx = Inside_picture(g_Grab_X + (x - static_cast<float>(g_Mouse_down_X)), scale_width);
    const auto ny = Inside_picture(g_Grab_Y + (y - static_cast<float>(g_Mouse_down_Y)), scale_height);
    Cls_lane* lane = Lane_at(g_Active_Lane);
    if (nx && ny && g_Lane_marks_shown && lane != nullptr) {
        lane->Lane_pos_X(*nx);
        lane->Lane_pos_Y(*ny);
    }
    return true;
}

void Lane_mouse_up(bool zoom_on)
{
    g_Drag_Lane = -1;
    g_Active_Lane = 0;
    if (!zoom_on) {
        g_Goal_handle = 0;
        g_Hit_Lane_number = -1;
    }
}

} // namespace wk
