// Playing a recording in real time, the slider's keys, marathon mode and the marathon times of the
// shown frame.
#include "viewer/Frm_kanot_2.h"

#include "platform/Clock.h"
#include "platform/Forms.h"
#include "platform/Key_event_filter.h"
#include "platform/Key_state.h"
#include "platform/Picture_box.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "viewer/Lane_results.h"
#include "services/Module_window.h"
#include "results/Marathon_times.h"
#include "results/Result_rows.h"

#include <QKeyEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QAction>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <cmath>

namespace wk {
namespace {

constexpr int k_Key_plus = 187, k_Key_minus = 189;
// Keys that do not stop playing: Ctrl, and two the system lets pass.
bool Stops_play(int key) { return key > 0 && key != platform::VK_CONTROL && key != 102 && key != 115; }

// The recording's own length sets the pace: NTSC's 1001/30 ms frames would run fast at a whole 30.
double Ms_per_frame(const cls_AVI_handler& rec)
{
    const int32_t frames = rec.num_frames();
    return frames > 0 && rec.Clip_length() > 0 ? double(rec.Clip_length()) / frames
                                              : 1000.0 / (rec.frame_rate() > 0 ? rec.frame_rate() : 25);
}

// When frame i of the recording is due after the start of playing: its place in real time.
int64_t Due_ms(int32_t frame, const cls_AVI_handler& rec)
{
    return int64_t(std::nearbyint(double(frame) * Ms_per_frame(rec)));
}

// The same for the n-th field played: two fields to a frame.
int64_t Field_due_ms(int32_t fields, const cls_AVI_handler& rec)
{
    return int64_t(std::nearbyint(double(fields) * Ms_per_frame(rec) / 2));
}

} // namespace

bool Frm_kanot_2::eventFilter(QObject* watched, QEvent* event)
{
    if (Label_event(watched, event)) return true;
    if (watched == Slider_play && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        // The step is set before the slider moves, so the first step with Ctrl is already four.
        Slider_play->setSingleStep(ctrl ? 4 : 1);
        Slider_play_KeyDown(platform::Virtual_key_of(key->key()), ctrl ? 2 : 0);
    }
    if (watched == Lbl_delta_time && event->type() == QEvent::MouseButtonRelease) {
        // A click: the left button let go over the label it was pressed on.
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && Lbl_delta_time->rect().contains(mouse->position().toPoint()))
            Lbl_delta_time_Click();
    }
    return Form_window::eventFilter(watched, event);
}

void Frm_kanot_2::Slider_play_KeyDown(int key_code, int shift)
{
    try {
        if (key_code == k_Key_plus || key_code == k_Key_minus) return;
        if (key_code < '1' || key_code > '9' || !(shift & 2)) return;
        Slider_play->setValue(results_.Go_to_Goal_field(key_code - '0'));
        Slider_play_Scroll();
        Set_Focus();
    } catch (...) {
        Report_current_exception("Slider_play_KeyDown of Form frm_kanot_2");
    }
}

// Playing stops when the recording it started on is no longer the open one, or the program ends.
bool Frm_kanot_2::Play_may_go_on(const cls_AVI_handler* recording, const std::string& file) const
{
    return !g_Exiting && g_Recording.get() == recording && recording->File_open() && recording->File_name() == file;
}

bool Frm_kanot_2::Camera_running_said()
{
    Lbl_camera_running->setVisible(g_Capture_running);
    if (!g_Capture_running) Timer_camera_note->stop();
    else if (!Timer_camera_note->isActive()) Timer_camera_note->start();
    return g_Capture_running;
}

void Frm_kanot_2::Cmd_play_Click()
{
    try {
        if (Camera_running_said() || !Recording_open()) return;
        Cmd_play->setEnabled(false);
        cls_AVI_handler* rec = g_Recording.get();
        const std::string file = rec->File_name();
        const int32_t start = Get_Tick();
        const int32_t n = rec->num_frames();
        // Only a key pressed while playing stops it: one held from before may never be released
        // in this program's eyes.
        const uint64_t presses = platform::Key_presses();
        QPointer<Frm_kanot_2> self(this);
        for (int32_t i = 1; i <= n; ++i) {
            int32_t frame = i;
            rec->Draw_frame(frame, Picture_large->hDC(), false, shown_stream_, nullptr, rotated_);
            Update_DV_labels();
            if (item_Marathon->isChecked()) Update_Marathon_Time();
            else Update_Frame_Time();
            Draw_Graphics(true, false);
            P_Large_refresh();
            Slider_play->setValue(2 * i);
            Update_frm_label();
            platform::Do_events();
            if (!self) return; // the window went while events ran
            if (!Play_may_go_on(rec, file)) break;
            if (Stops_play(Get_Pressed_Key(presses))) {
                Cmd_play->setEnabled(true);
                Slider_play_Scroll();
                Set_Focus();
                return;
            }
            // A late frame is shown at once; the next one waits for its own time.
            const int64_t wait = Due_ms(i, *rec) - platform::Tick_difference(Get_Tick(), start);
            if (wait > 0) platform::Get_clock().Sleep_ms(int32_t(wait));
        }
        Set_Focus();
        Slider_play_Scroll();
        Cmd_play->setEnabled(true);
    } catch (...) {
        Cmd_play->setEnabled(true);
        Report_current_exception("Cmd_play_Click of Form frm_kanot_2");
    }
}

// Every field in turn from the first, each at its own time, as the camera took them.
void Frm_kanot_2::item_play_deinterlaced_Click()
{
    try {
        if (Camera_running_said() || !Recording_open()) return;
        item_play_deinterlaced->setEnabled(false);
        cls_AVI_handler* rec = g_Recording.get();
        const std::string file = rec->File_name();
        const int32_t start = Get_Tick();
        const int32_t first = Slider_play->minimum();
        const uint64_t presses = platform::Key_presses();
        QPointer<Frm_kanot_2> self(this);
        for (int32_t field = first; field <= Slider_play->maximum(); ++field) {
            Slider_play->setValue(field);
            Slider_play_Scroll();
            platform::Do_events();
            if (!self) return; // the window went while events ran
            if (!Play_may_go_on(rec, file) || Stops_play(Get_Pressed_Key(presses))) break;
            const int64_t wait = Field_due_ms(field - first + 1, *rec) - platform::Tick_difference(Get_Tick(), start);
            if (wait > 0) platform::Get_clock().Sleep_ms(int32_t(wait));
        }
        item_play_deinterlaced->setEnabled(true);
        Set_Focus();
    } catch (...) {
        item_play_deinterlaced->setEnabled(true);
        Report_current_exception("item_play_deinterlaced_Click of Form frm_kanot_2");
    }
}

void Frm_kanot_2::Update_Marathon_Time()
{
    Marathon_times* marathon = Marathon_windows(false);
    if (!marathon || !Recording_open()) return;
    const auto text = [](int64_t ms) {
        return ms >= INT32_MIN && ms <= INT32_MAX ? Display_Mill_Time(int32_t(ms), false) : std::string("---");
    };
    // A frame without its own time has no time of day, and without a heat start there is no
    // elapsed time: the labels are emptied rather than left with another frame's or heat's.
    const bool timed = !g_Recording->Extra_data().empty();
    const int64_t f = int64_t(g_Recording->Frame_time()) + (g_Recording->Field_To_Show() == 2 ? 20 : 0);
    const std::string start_text = marathon->Heat_start_text();
    if (!timed || start_text.empty()) {
        marathon->Show_frame_times(timed ? text(f) : "", start_text, "");
        return;
    }
    const int64_t start = int64_t(Time_To_Seconds(start_text)) * 1000;
    marathon->Show_frame_times(text(f), start_text, text(Time_of_day_difference_ms(start, f)));
}

// Marathon mode: the marathon windows take the place of the results window, and the viewer's own
// heat times, which belong to a lane race, are greyed.
void Frm_kanot_2::item_Marathon_Click()
{
    try {
        const bool on = item_Marathon->isChecked();
        if (on) Results_rows().Show_results_window(false, 0);
        // The viewer makes its room first: the marathon windows are placed around its new frame.
        Marathon_times* marathon = Marathon_windows(on);
        Fit_width();
        if (marathon) marathon->Show_marathon_windows(on);
        if (!on) Results_rows().Show_results_window(true, Right_edge() * platform::Twips_per_pixel_x());
        for (QLabel* label : Heat_time_labels()) label->setEnabled(!on);
        Slider_play_Scroll();
        SliderPlay_Focus();
    } catch (...) {
        Report_current_exception("item_Marathon_Click of Form frm_kanot_2");
    }
}

// ---- For the results window ----


void Frm_kanot_2::Show_field(int32_t field)
{
    Slider_play->setValue(field);
    Slider_play_Scroll();
}

void Frm_kanot_2::Show_place(const std::string& place)
{
    Set_Focus();
    Print_Place_string(place);
    SliderPlay_Focus();
}

int Frm_kanot_2::Right_edge() const { return frameGeometry().right() + 1; }

QRect Frm_kanot_2::Menu_area() const
{
    if (!isVisible() || !menu_bar->isVisible()) return {};
    return {menu_bar->mapToGlobal(QPoint(0, 0)), menu_bar->size()};
}

QRect Frm_kanot_2::Picture_area() const
{
    if (!isVisible() || !Picture_large->isVisible()) return {};
    return {Picture_large->mapToGlobal(QPoint(0, 0)), Picture_large->size()};
}

QRect Frm_kanot_2::Frame_area() const { return isVisible() ? frameGeometry() : QRect(); }

QRect Frm_kanot_2::Controls_area() const
{
    if (!isVisible()) return {};
    QRect column;
    for (const QGroupBox* f : {frm_DV_AUX, Frm_options, Frm_time, Frm_play})
        if (f->isVisible()) column |= QRect(f->mapToGlobal(QPoint(0, 0)), f->size());
    return column;
}

std::string Frm_kanot_2::Start_time_text() const { return Label_start_time->text().toStdString(); }

bool Frm_kanot_2::Marathon_mode() const { return item_Marathon->isChecked(); }

std::string Frm_kanot_2::Shown_field_text() const { return Lbl_frameno->text().toStdString(); }

} // namespace wk
