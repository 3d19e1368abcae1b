// The mouse on the picture: finish clicks, jumps to a lane's finish, the result menu, dragging
// lane marks and the zoom box.
#include "viewer/Frm_kanot_2.h"

#include "platform/Draw_surface.h"
#include "platform/Key_state.h"
#include "platform/Picture_box.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/graphics/modAPIDraw.h"
#include "viewer/Lane_results.h"
#include "viewer/Module_lanes.h"

#include <QAction>
#include <QBitmap>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace wk {
namespace {

constexpr int k_Key_S = 'S';
constexpr int k_Zoom_width = 300, k_Zoom_height = 200;
constexpr int k_Zoom_source_width = 150, k_Zoom_source_height = 100;

// The magnifier the pointer becomes over the zoom box: a lens with a handle.
const QCursor& Magnify_cursor()
{
    static const QCursor cursor = [] {
        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 4));
        painter.drawEllipse(3, 3, 17, 17);
        painter.drawLine(18, 18, 28, 28);
        painter.setPen(QPen(Qt::black, 2));
        painter.drawEllipse(3, 3, 17, 17);
        painter.drawLine(18, 18, 28, 28);
        return QCursor(pixmap, 11, 11);
    }();
    return cursor;
}

} // namespace

void Frm_kanot_2::Picture_large_MouseDown(int button, int, float x, float y)
{
    try {
        if (!Recording_open()) return;
        // Steps taken before the press whose drawing was put off (the machine was busy) are drawn
        // first: the press acts on the field they reached, and the picture shows it.
        if (!scroll_busy_ && Slider_play->value() != shown_field_) Slider_play_Scroll();
        const bool locked = g_Recording->Lanes_locked();
        // Notes the press, runs the lane hit test and, while unlocked, starts a drag.
        Lane_mouse_down(button == 1, x, y, locked);
        if (!Marks_in_picture()) {
            // Marks not drawn in this turn of the picture take no clicks: the press hits no lane.
            g_Hit_Lane_number = -1;
            g_Drag_Lane = -1;
        }
        Set_Focus();
        if (!locked) return;
        const int16_t lane = g_Hit_Lane_number;
        if (Key_Down(k_Key_S) && lane >= 0) Attach_Time(lane, 0, false);
        if (button == 1 && lane >= 0) {
            const int16_t place = results_.Lane_To_Place(lane);
            if (place > 0) {
                Slider_play->setValue(results_.Go_to_Goal_field(place));
                Slider_play_Scroll();
                Set_Focus();
                Print_Place_string(std::to_string(place));
            }
            // The lane's result beside its mark, a code as well as a place.
            Display_Lane_Result(lane);
            return;
        }
        if (button == 2 && lane >= 0) {
            Open_result_menu(x, y);
            return;
        }
        if (button == 1) Display_Lane_Result(-1); // a click away from the lanes puts the box away
        if (button == 1 && Zoom_on() && (x != zoom_x_ || y != zoom_y_)) {
            zoom_x_ = x;
            zoom_y_ = y;
            Refresh_picture();
        }
    } catch (...) {
        Report_current_exception("Picture_large_MouseDown of Form frm_kanot_2");
    }
}

void Frm_kanot_2::Picture_large_MouseMove(int button, int, float x, float y)
{
    try {
        if (button == 0) return;
        if (item_disp_xy->isChecked()) {
            setWindowTitle(QString("X,Y = %1,%2").arg(double(x)).arg(double(y)));
            return;
        }
        if ((button & 1) && g_Drag_Lane >= 0) {
            if (!Recording_open()) return;
            if (Lane_mouse_move(true, x, y, Picture_large->Scale_width(), Picture_large->Scale_height())) {
                g_Recording->Refresh_field(Picture_large->hDC(), rotated_);
                Draw_Graphics(true, false);
            }
            return;
        }
        if (!Zoom_on()) return;
        if (Within_Zoom(x, y)) Picture_large->setCursor(Magnify_cursor());
        else Picture_large->unsetCursor();
        if ((button & 1) && (x != zoom_x_ || y != zoom_y_)) {
            zoom_x_ = x;
            zoom_y_ = y;
            Refresh_picture();
        }
    } catch (...) {
        Report_current_exception("Picture_large_MouseMove of Form frm_kanot_2");
    }
}

void Frm_kanot_2::Picture_large_MouseUp(int, int, float, float)
{
    SliderPlay_Focus();
    Lane_mouse_up(Zoom_on());
}

// A press on the result box acts on the picture underneath.
void Frm_kanot_2::Pict_lane_result_MouseDown(int button, int shift, float x, float y)
{
    Picture_large_MouseDown(button, shift, x + float(Pict_lane_result->x()), y + float(Pict_lane_result->y()));
}

void Frm_kanot_2::Picture_intro_Click() { Picture_intro->hide(); }

// ---- The result menu ----

// The menu keeps the lane it was opened for: the release that follows forgets the hit.
void Frm_kanot_2::Open_result_menu(float x, float y)
{
    Display_Lane_Result(-1);
    result_menu_lane_ = g_Hit_Lane_number;
    menu_Result->popup(Picture_large->mapToGlobal(QPoint(int(x), int(y))));
}

void Frm_kanot_2::Attach_menu_result(int32_t value, bool plus)
{
    // Without a lane (the menu opened from the menu bar) there is nothing to attach to.
    if (result_menu_lane_ < 0) return;
    Attach_Time(result_menu_lane_, value, plus);
}

void Frm_kanot_2::item_set_time_Click() { Attach_menu_result(0, false); }
void Frm_kanot_2::item_set_time_plus_Click() { Attach_menu_result(0, true); }
void Frm_kanot_2::item_set_did_not_finish_Click() { Attach_menu_result(Time_DNF, false); }
void Frm_kanot_2::item_set_did_not_start_Click() { Attach_menu_result(Time_DNS, false); }
void Frm_kanot_2::item_set_disq_Click() { Attach_menu_result(Time_DSQ, false); }

void Frm_kanot_2::item_clear_lane_Click()
{
    if (result_menu_lane_ < 0) return;
    Clear_Lane_Times();
    Attach_menu_result(No_Time, false);
}

// ---- Zoom ----

// Qt has already turned the check mark over: that is the toggle; the zoom follows it.
void Frm_kanot_2::item_zoom_Click()
{
    try {
        if (!Recording_open()) {
            item_zoom->setChecked(false);
            return;
        }
        zoom_mode_ = item_zoom->isChecked() ? 1 : 0;
        if (!zoom_mode_) Picture_large->unsetCursor();
        Slider_play_Scroll();
    } catch (...) {
        Report_current_exception("item_zoom_Click of Form frm_kanot_2");
    }
}

void Frm_kanot_2::Refresh_picture()
{
    if (!Recording_open()) {
        Picture_large->Cls();
        return;
    }
    g_Recording->Refresh_field(Picture_large->hDC(), rotated_);
    if (!Zoom_on()) return;
    Draw_Graphics(false, false);
    Do_Zoom(zoom_x_, zoom_y_, false);
    P_Large_refresh();
}

void Frm_kanot_2::Do_Zoom(float x, float y, bool use_stored)
{
    if (!Zoom_on() || zoom_busy_) return;
    zoom_busy_ = true;
    try {
        if (!use_stored) {
            zoom_centre_x_ = int16_t(std::clamp<double>(std::nearbyint(x), INT16_MIN, INT16_MAX));
            zoom_centre_y_ = int16_t(std::clamp<double>(std::nearbyint(y), INT16_MIN, INT16_MAX));
        }
        const int32_t cx = zoom_centre_x_, cy = zoom_centre_y_;
        zoom_left_ = int16_t(cx - k_Zoom_width / 2);
        zoom_top_ = int16_t(cy - k_Zoom_height / 2);
        zoom_width_ = k_Zoom_width;
        zoom_height_ = k_Zoom_height;
        // The magnified region stays on the picture at every edge.
        const int32_t sw = Picture_large->Scale_width(), sh = Picture_large->Scale_height();
        zoom_source_x_ = std::clamp(cx - k_Zoom_source_width / 2, 0, std::max(0, sw - k_Zoom_source_width));
        zoom_source_y_ = std::clamp(cy - k_Zoom_source_height / 2, 0, std::max(0, sh - k_Zoom_source_height));
        // A copy of the region, since the box is drawn over the picture it comes from.
        QImage region = Picture_large->Image().copy(zoom_source_x_, zoom_source_y_, k_Zoom_source_width,
                                                    k_Zoom_source_height);
        platform::Draw_surface source(&region);
        platform::Draw_surface& dc = Picture_large->hDC();
        const int32_t mode = dc.SetStretchBltMode(platform::HALFTONE);
        dc.StretchBlt(zoom_left_, zoom_top_, k_Zoom_width, k_Zoom_height, &source, 0, 0,
                      std::min(k_Zoom_source_width, sw), std::min(k_Zoom_source_height, sh), platform::SRCCOPY);
        dc.SetStretchBltMode(mode);
        Draw_Rectangle(&dc, {zoom_left_, zoom_top_}, {zoom_left_ + k_Zoom_width, zoom_top_ + k_Zoom_height}, 0, 0,
                       platform::BS_HOLLOW, platform::PS_SOLID, 4, platform::Rgb(255, 255, 16));
    } catch (...) {
        Report_current_exception("Do_Zoom of Form frm_kanot_2");
    }
    zoom_busy_ = false;
}

} // namespace wk
