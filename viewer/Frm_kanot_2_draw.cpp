// The viewer's picture: the shown field, the overlay with goal line, lane marks and lap label,
// the labels that go with the field, and dragging lane marks.
#include "viewer/Frm_kanot_2.h"

#include "platform/Draw_surface.h"
#include "platform/Picture_box.h"
#include "recording/Timecode_module.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "services/graphics/cDIBSection.h"
#include "viewer/Finish_strip_pane.h"
#include "results/Marathon_times.h"
#include "viewer/Module_lanes.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QTimer>

#include <cmath>
#include <utility>
#include <cstdio>

namespace wk {
namespace {

// Label texts are drawn at pixel sizes, so that they come out alike on every screen.
QFont Label_font(int points)
{
    QFont f("Liberation Sans");
    f.setPixelSize(points * 96 / 72);
    // Without smoothing the text keeps its one colour, so the black around it stays transparent.
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

constexpr int k_Label_points = 36;

// Labels that follow the shown field are set only when their text changes: setting a label
// repaints it even with the same text.
void Show_text(QLabel* label, const QString& text)
{
    if (label->text() != text) label->setText(text);
}

} // namespace

// ---- The overlay ----

void Frm_kanot_2::Draw_Graphics(bool refresh, bool no_marks)
{
    try {
        Clear_Graphics();
        if (!no_marks && Marks_in_picture()) {
            Draw_Goal_line();
            if (Recording_open()) Draw_lanes(Chk_Flip_Lanemarks->isChecked());
        }
        const int16_t lap = Recording_open() ? g_Recording->Lap_Count() : int16_t(0);
        if (lap > 0) Overlay_Lap(lap);
        Note_overlay_content();
        Blit_Graphics();
        if (!Zoom_on()) refresh = true;
        if (refresh) P_Large_refresh();
    } catch (...) {
        Report_current_exception("Draw_Graphics of Form frm_kanot_2");
    }
}

// The overlay is laid over the picture scaled from the frame's size, and so are the proposals.
void Frm_kanot_2::Draw_proposals(int32_t field)
{
    QImage& picture = Picture_large->Image();
    const bool sized = g_Frame_DIB && g_Frame_DIB->Width() > 0 && g_Frame_DIB->Height() > 0;
    reading_->Draw_on_picture(picture, field, Picture_large, sized ? double(picture.width()) / g_Frame_DIB->Width() : 1,
                              sized ? double(picture.height()) / g_Frame_DIB->Height() : 1);
}

void Frm_kanot_2::Proposals_changed()
{
    // The shown field drawn again, with the proposals as they are now.
    if (Recording_open() && shown_field_ > 0) Slider_play_Scroll();
    if (Pane_finish_strip) Pane_finish_strip->update();
}

// The marks stand where they were set on the recording's own picture; turned the other way they
// would point at the wrong places, so they wait until it is shown upright again.
bool Frm_kanot_2::Marks_in_picture() const { return !Recording_open() || rotated_ == g_Recording->rotated(); }

void Frm_kanot_2::Note_overlay_content()
{
    if (g_Frame_DIB) overlay_runs_.Note(*g_Frame_DIB, g_Key_colour & 0xFFFFFF);
    else overlay_runs_.Forget();
}

void Frm_kanot_2::Blit_Graphics()
{
    if (!g_Frame_DIB || !g_Frame_DIB->hDC()) return;
    if (overlay_runs_.Lay_over(Picture_large->Image(), *g_Frame_DIB)) return;
    const int32_t w = g_Frame_DIB->Width(), h = g_Frame_DIB->Height();
    Picture_large->hDC().TransparentBlt(0, 0, Picture_large->Scale_width(), Picture_large->Scale_height(),
                                        g_Frame_DIB->hDC(), 0, 0, w, h, g_Key_colour);
}

void Frm_kanot_2::Overlay_Lap(int16_t lap)
{
    if (lap == 0) return;
    try {
        const int32_t x = int32_t(std::nearbyint(0.75 * Picture_large->Scale_width()));
        const int32_t y = int32_t(std::nearbyint(0.92 * Picture_large->Scale_height()));
        Pict_heat_time->Cls();
        {
            QPainter painter(&Pict_heat_time->Image());
            painter.setFont(Label_font(k_Label_points));
            painter.setPen(QColor(0, 255, 0));
            painter.drawText(QRect(0, 0, Pict_heat_time->Scale_width(), Pict_heat_time->Scale_height()),
                             Qt::AlignLeft | Qt::AlignTop, QString("Lap: %1").arg(lap));
        }
        Pict_heat_time->Refresh();
        if (!g_Frame_DIB || !g_Frame_DIB->hDC()) return;
        const int w = Pict_heat_time->Scale_width(), h = Pict_heat_time->Scale_height();
        g_Frame_DIB->hDC()->TransparentBlt(x, y, w, h, &Pict_heat_time->hDC(), 0, 0, w, h, platform::Rgb(0, 0, 0));
    } catch (...) {
        Report_current_exception("Overlay_Lap of Form frm_kanot_2");
    }
}

// The scratch picture for labels: as wide as a clock text, a little lower than a line.
void Frm_kanot_2::Size_heat_time_picture()
{
    const QFontMetrics m(Label_font(k_Label_points));
    Pict_heat_time->Back_colour(Qt::black);
    Pict_heat_time->Set_picture_size(m.horizontalAdvance("-11.22.33"), int(0.85 * m.height()));
    Pict_heat_time->Cls();
}

void Frm_kanot_2::New_graphics()
{
    if (redraw_batch_ > 0) {
        batched_graphics_ = true;
        return;
    }
    Draw_Graphics(true, false);
    Slider_play_Scroll();
    SliderPlay_Focus();
}

// ---- A click's redraws, once ----

void Frm_kanot_2::Attach_Time(int16_t lane, int32_t value, bool plus)
{
    struct Batch {
        Frm_kanot_2& viewer;
        ~Batch() { viewer.End_redraw_batch(); }
    } batch{*this};
    ++redraw_batch_;
    results_.Attach_Time(lane, value, plus);
}

// The overlay drawn and the field shown as the last of the redraws asked for would leave them;
// then whatever waits for the screen.
void Frm_kanot_2::End_redraw_batch()
{
    if (--redraw_batch_ > 0) return;
    const bool graphics = std::exchange(batched_graphics_, false), scroll = std::exchange(batched_scroll_, false);
    if (graphics) New_graphics();
    else if (scroll) Slider_play_Scroll();
    // Queued behind the paints just asked for.
    for (auto& work : std::exchange(held_after_paint_, {})) after_paint_.Add(std::move(work));
}

void Frm_kanot_2::After_paint(std::function<void()> work)
{
    // Work put off (a result's store) tells what the recording met once it is done.
    work = [this, work = std::move(work)] {
        work();
        Tell_recording_problems();
    };
    if (redraw_batch_ > 0) held_after_paint_.push_back(std::move(work));
    else after_paint_.Add(std::move(work));
}

// ---- The shown field ----

void Frm_kanot_2::Slider_play_Scroll()
{
    if (redraw_batch_ > 0) {
        batched_scroll_ = true;
        return;
    }
    Slider_play->setSingleStep(Ctrl_Key_Down() ? 4 : 1);
    // A Scroll that arrives while a field is being drawn is dropped (the move is drawn after).
    if (scroll_busy_) return;
    if (Camera_running_said()) {
        // Nothing is drawn: the slider goes back to the field the picture shows.
        if (Recording_open() && shown_field_ > 0) Slider_play->setValue(shown_field_);
        return;
    }
    if (!Recording_open()) return;
    scroll_busy_ = true;
    bool done = false;
    try {
        const int32_t field = Slider_play->value();
        g_Recording->Draw_field_3(field, Picture_large->hDC(), shown_stream_, rotated_);
        shown_field_ = field;
        Update_DV_labels();
        if (item_display_metadata->isChecked()) Show_DV_metadata();
        Update_frm_label();
        if (item_Marathon->isChecked()) Update_Marathon_Time();
        else Update_Frame_Time();
        Blit_Graphics();
        if (!Zoom_on() && Marks_in_picture()) Draw_proposals(field);
        if (Zoom_on()) Refresh_picture();
        P_Large_refresh();
        done = true;
    } catch (...) {
        Report_current_exception("Slider_play_Scroll of Form frm_kanot_2");
    }
    scroll_busy_ = false;
    // The slider moved while the field was drawn: the picture follows it.
    if (done && Recording_open() && Slider_play->value() != shown_field_)
        QTimer::singleShot(0, this, [this] { Slider_play_Scroll(); });
}

void Frm_kanot_2::Update_DV_labels()
{
    try {
        DV_Header_Parse(g_Recording->Frame_bytes());
    } catch (...) {
        // Nothing of the frame before stays.
        Show_text(Lbl_cam_time, {});
        Show_text(Lbl_exp_time, {});
        throw;
    }
    Show_text(Lbl_cam_time, QString::fromStdString(Timecode_Text()));
    Show_text(Lbl_exp_time, QString::fromStdString(Shutter_Text()));
}

// The camera's data of the frame, in yellow over the picture's top left corner.
void Frm_kanot_2::Show_DV_metadata()
{
    QPainter painter(&Picture_large->Image());
    QFont font("Liberation Sans");
    font.setPixelSize(16 * 96 / 72);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 0));
    painter.drawText(QRect(0, 10, Picture_large->Scale_width(), Picture_large->Scale_height() - 10),
                     Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(DV_Header_Summary()));
}

void Frm_kanot_2::Print_Place_string(const std::string& text)
{
    try {
        const int w = Picture_large->Scale_width(), h = Picture_large->Scale_height();
        // The label may reach below its box: a place number is never cut off.
        Picture_large->hDC().DrawText(text, int32_t(std::nearbyint(w * 0.8)), int32_t(std::nearbyint(h * 0.8)),
                                      int32_t(std::nearbyint(w * 0.97)), int32_t(std::nearbyint(h * 0.95)),
                                      platform::Font{"Arial", 120, 0, 400}, platform::Rgb(255, 255, 255),
                                      std::nullopt, platform::DT_CENTER | platform::DT_NOCLIP);
        P_Large_refresh();
    } catch (...) {
        Report_current_exception("Print_Place_string of Form frm_kanot_2");
    }
}

void Frm_kanot_2::Update_frm_label()
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d", Slider_play->value());
    Show_text(Lbl_frameno, text);
}

void Frm_kanot_2::Update_Frame_Time()
{
    int32_t t = 0;
    try {
        t = g_Recording->Multi_TimeStamp(1);
    } catch (const Run_time_error&) {
        // A frame without its own time (or a heat without a start) has no race time to show.
        Show_text(Lbl_elapsed_time, {});
        Show_text(Lbl_delta_time, {});
        return;
    }
    Show_text(Lbl_elapsed_time, QString::fromStdString(Display_Mill_Time(t, false)));
    Note_time_jump(t);
    const int64_t d = int64_t(t) - delta_reference_;
    Show_text(Lbl_delta_time, d >= 0 && d <= INT32_MAX ? QString::fromStdString(Display_Mill_Time(int32_t(d), false))
                                                        : QString("---"));
}

void Frm_kanot_2::Note_time_jump(int32_t t)
{
    // A field steps 20 ms and a frame 40 ms; more than a frame past that is a gap in the capture.
    // The same field shown again keeps its note.
    const int32_t step = shown_field_ - timed_field_;
    if (step != 0 || t != timed_ms_) {
        const int64_t jump = int64_t(t) - timed_ms_;
        time_jump_ = timed_field_ > 0 && (step == 1 || step == 2) && jump > 20 * step + 40 ? jump : 0;
        timed_field_ = shown_field_;
        timed_ms_ = t;
    }
    Lbl_elapsed_time->setToolTip(
        time_jump_ ? QString("The time jumps %1 ms here: pictures were left out while capturing").arg(time_jump_) : QString());
    if (time_jump_) Show_text(Lbl_elapsed_time, Lbl_elapsed_time->text() + QString(" (+%1 ms)").arg(time_jump_));
}

void Frm_kanot_2::Lbl_delta_time_Click()
{
    if (!Recording_open()) return;
    try {
        delta_reference_ = g_Recording->Multi_TimeStamp(1);
    } catch (const Run_time_error&) {
        // Without a race time the reference stays as it was.
    }
    Update_Frame_Time();
}

void Frm_kanot_2::P_Large_refresh() { Picture_large->Refresh(); }

// ---- The display check boxes ----

void Frm_kanot_2::Chk_Show_lanemarks_Click() { g_Lane_marks_shown = Chk_Show_lanemarks->isChecked(); }

void Frm_kanot_2::Chk_Show_Goalline_Click() { g_Goalline_shown = Chk_Show_Goalline->isChecked(); }

void Frm_kanot_2::Chk_invert_goalline_Click()
{
    g_Goalline_dimmed = Chk_invert_goalline->isChecked();
    SliderPlay_Focus();
}

void Frm_kanot_2::Check_box_MouseUp()
{
    if (Zoom_on()) Refresh_picture();
    else New_graphics();
}

} // namespace wk
