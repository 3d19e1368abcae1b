// The preview's picture: its size and layout, the live picture with the overlay over it, and
// moving the goal line's ends and the lane marks with the mouse.
#include "capture/Frm_fullscreen.h"

#include "platform/Forms.h"
#include "platform/Picture_box.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_error.h"
#include "services/graphics/cDIBSection.h"
#include "viewer/Module_lanes.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTransform>

#include <cmath>
#include <memory>
#include <optional>

namespace wk {
namespace {

// The 720 x 576 frame with a small border; upright when rotated.
constexpr int k_Long_side = 724, k_Short_side = 580;
constexpr int k_Gap = 20;

int Right(const QWidget* c) { return c->x() + c->width(); }
int Bottom(const QWidget* c) { return c->y() + c->height(); }

// Room the window keeps for its menu bar and border: 1000 twips.
int Margin_x() { return 1000 / platform::Twips_per_pixel_x(); }
int Margin_y() { return 1000 / platform::Twips_per_pixel_y(); }

// A dragged position as a whole number strictly inside 0 .. limit; nullopt on or past the border.
std::optional<int32_t> Inside(float value, int32_t limit)
{
    const double whole = std::nearbyint(double(value));
    if (!(whole > 0 && whole < limit)) return std::nullopt;
    return int32_t(whole);
}

bool Lanes_locked() { return g_Recording && g_Recording->File_open() && g_Recording->Lanes_locked(); }

} // namespace

void Frm_fullscreen::Set_Size(bool rotated)
{
    try {
        Picture_preview->Set_picture_size(rotated ? k_Short_side : k_Long_side, rotated ? k_Long_side : k_Short_side);
        if (!g_Frame_DIB) g_Frame_DIB = std::make_shared<cDIBSection>();
        g_Frame_DIB->Create(Picture_preview->Scale_width(), Picture_preview->Scale_height());
        Arrange_frames();
        if (!live_.isNull()) Preview_Graphics();
    } catch (...) {
        Report_current_exception("Set_Size of Form Frm_fullscreen");
    }
}

void Frm_fullscreen::Arrange_frames()
{
    Frm_options->move(Right(Picture_preview) + k_Gap, Picture_preview->y());
    Frm_DV_data->move(Frm_options->x(), Bottom(Frm_options) + k_Gap);
    Command_close->move(Frm_options->x(), Bottom(Frm_DV_data) + k_Gap);
    resize(Right(Frm_options) + Margin_x(), Bottom(Picture_preview) + Margin_y());
}

void Frm_fullscreen::Show_picture(const QImage& picture)
{
    live_ = picture;
    Preview_Graphics();
}

void Frm_fullscreen::Show_DV_data(const std::string& camera_time, const std::string& shutter)
{
    Lbk_camera_time->setText(QString::fromStdString(camera_time));
    Lbl_Shutter->setText(QString::fromStdString(shutter));
}

void Frm_fullscreen::Handle_events() { platform::Do_events(); }

void Frm_fullscreen::Preview_Graphics()
{
    try {
        // The live picture goes in first, so marks never leave trails when they move between frames.
        if (!live_.isNull()) {
            const bool upright = Picture_preview->Scale_height() > Picture_preview->Scale_width();
            const bool lying = live_.width() > live_.height();
            Picture_preview->Cls();
            QPainter painter(&Picture_preview->Image());
            painter.drawImage(0, 0, upright && lying ? live_.transformed(QTransform().rotate(90)) : live_);
        }
        Clear_Graphics();
        if (g_Show_Lanes) {
            g_Lanes_in_use = g_Num_lanes;
            Draw_lanes(g_Flip_Lanes);
        }
        if (g_Show_Goalline) Draw_Goal_line();
        if (g_Frame_DIB && g_Frame_DIB->hDC())
            Picture_preview->hDC().TransparentBlt(0, 0, Picture_preview->Scale_width(), Picture_preview->Scale_height(),
                                                  g_Frame_DIB->hDC(), 0, 0, g_Frame_DIB->Width(),
                                                  g_Frame_DIB->Height(), g_Key_colour);
        Preview_Refresh();
    } catch (...) {
        Report_current_exception("Preview_Graphics of Form Frm_fullscreen");
    }
}

void Frm_fullscreen::Preview_Refresh() { Picture_preview->Refresh(); }

// ---- Picking and dragging ----

void Frm_fullscreen::Picture_preview_MouseDown(int button, int, float x, float y)
{
    try {
        const bool left = button == 1;
        Lane_mouse_down(left, x, y, Lanes_locked());
        // A left press on a mark starts its drag, or does nothing while the lanes are locked.
        if (left && g_Hit_Lane_number >= 0) return;
        goal_at_press_ = g_Goal_line;
        if (g_Show_Goalline) Check_Within_Selection_Boxes(x, y);
    } catch (...) {
        Report_current_exception("Picture_preview_MouseDown of Form Frm_fullscreen");
    }
}

void Frm_fullscreen::Picture_preview_MouseMove(int button, int, float x, float y)
{
    if (button == 0) return;
    try {
        const int32_t w = Picture_preview->Scale_width(), h = Picture_preview->Scale_height();
        if (g_Drag_Lane >= 0 && g_Hit_Lane_number >= 0) {
            Lane_mouse_move(true, x, y, w, h);
            moved_ = true;
            Redraw_after_drag();
            return;
        }
        if (g_Goal_handle == 0 && g_Hit_Lane_number == -1) return;
        Lbl_lanes_locked->hide();
        if (g_Run_mode == 1 && g_Show_Goalline) Drag_goal_end(x, y);
        moved_ = true;
        Redraw_after_drag();
    } catch (...) {
        Report_current_exception("Picture_preview_MouseMove of Form Frm_fullscreen");
    }
}

// The end follows the mouse from where it was at the press; on or past the border it stays.
void Frm_fullscreen::Drag_goal_end(float x, float y)
{
    const float dx = x - float(g_Mouse_down_X), dy = y - float(g_Mouse_down_Y);
    const int32_t w = Picture_preview->Scale_width(), h = Picture_preview->Scale_height();
    const auto follow = [&](int32_t from_x, int32_t from_y, int32_t& to_x, int32_t& to_y) {
        const auto nx = Inside(float(from_x) + dx, w);
        const auto ny = Inside(float(from_y) + dy, h);
        if (!nx || !ny) return;
        to_x = *nx;
        to_y = *ny;
    };
    if (g_Goal_handle == 1) follow(goal_at_press_.x1, goal_at_press_.y1, g_Goal_line.x1, g_Goal_line.y1);
    if (g_Goal_handle == 2) follow(goal_at_press_.x2, goal_at_press_.y2, g_Goal_line.x2, g_Goal_line.y2);
}

// With a camera the next frame would show the move; without one the operator still sees it.
void Frm_fullscreen::Redraw_after_drag()
{
    if (!live_.isNull()) Preview_Graphics();
}

void Frm_fullscreen::Picture_preview_MouseUp(int, int, float, float)
{
    Lbl_lanes_locked->hide();
    Lane_mouse_up(false);
}

} // namespace wk
