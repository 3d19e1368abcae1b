#pragma once
// The lane marks and the goal lines: their settings in Wakeline.ini (section Canoe), the hit
// tests, the drag arithmetic, and their drawing into the overlay g_Frame_DIB. The viewer and the
// capture station's preview share all of it through the program-wide state in Module_qsm_Globals.
#include <cstdint>
#include <string>

namespace wk {

inline constexpr int16_t k_Max_lanes = 16;

// Load_Lanes, then Load_Goalline.
void Load_Lanes_and_Goalline();
// Rebuilds g_Lanes from the key Lanes: "None" (or no key) gives 16 marks at (15 i, 20 i);
// otherwise one "xxxyyy" group per lane, an empty field giving 20 (x) or 30 (y), and
// g_Num_lanes from Lane_num. A group that is not a number is reported; lanes read so far stay.
void Load_Lanes();
// Sets g_Goal_line from the key Goalline ("xxx,yyy,xxx,yyy"), unless it is "None".
void Load_Goalline();
// Reads ShowLanes, FlipLanes, ShowGoalline, Rotate and Lane_Zero; only "True" is true.
void Load_options();

// The overlay: fills it with g_Key_colour.
void Clear_Graphics();
// Draws lane marks 1 .. g_Lanes_in_use (never past g_Lanes) when g_Lane_marks_shown is set.
void Draw_lanes(bool flip);
// Draws the goal line (set 1 in run mode 1, else set 2), white or dimmed, when g_Goalline_shown
// is set, then the selection boxes.
void Draw_Goal_line();
// The squares at the ends of set 1, in run mode 1 only.
void Draw_Selection_Boxes();

// The first mark (in collection order) whose box holds the point: g_Hit_Lane_number becomes its
// lane number and g_Active_Lane its position; -1 and an unchanged g_Active_Lane when none.
void Check_within_lanes(float x, float y);
// g_Goal_handle: 1 or 2 when the point is near an end of set 1 (6 before, 12 after it), else 0.
void Check_Within_Selection_Boxes(float x, float y);

// Dragging a mark on a picture. A press (left or right button) notes where it was and runs the
// lane hit test; a left press on a mark while the lanes are not locked starts a drag.
void Lane_mouse_down(bool left_button, float x, float y, bool lanes_locked);
// A move with the left button held: the dragged mark follows the mouse when its new place lies
// inside the picture (not on its first row or column) and the marks are shown. True when a
// drag is going on (the caller redraws).
bool Lane_mouse_move(bool left_button, float x, float y, int32_t scale_width, int32_t scale_height);
// The button is up: the drag ends; outside zoom mode the hits are forgotten too.
void Lane_mouse_up(bool zoom_on);


} // namespace wk
