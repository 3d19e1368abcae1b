// The viewer's layout: the picture at the exact size of a frame in the top-left corner, the
// control frames in one column to its right; and the intro.
#include "viewer/Frm_kanot_2.h"

#include "platform/Forms.h"
#include "platform/Picture_box.h"
#include "platform/Screen_fit.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/graphics/cDIBSection.h"
#include "results/Marathon_times.h"
#include "results/Result_rows.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QMenuBar>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace wk {
namespace {

int Right(const QWidget* c) { return c->x() + c->width(); }
int Bottom(const QWidget* c) { return c->y() + c->height(); }

// What the window adds beside the picture column: 250 twips.
int Window_margin_pixels() { return 250 / platform::Twips_per_pixel_x(); }

constexpr int k_Intro_width = 760, k_Intro_height = 280;

// The intro's backdrop: evening water, darker towards the bottom, with a few wave lines.
QImage Intro_picture()
{
    QImage image(k_Intro_width, k_Intro_height, QImage::Format_RGB32);
    for (int y = 0; y < k_Intro_height; ++y) {
        const int shade = 230 - y * 120 / k_Intro_height;
        for (int x = 0; x < k_Intro_width; ++x) {
            const bool wave = (y > 120) && ((x + 3 * y) % 97 < 3);
            image.setPixel(x, y, wave ? qRgb(255, 255, 255) : qRgb(shade * 3 / 4, shade * 7 / 8, shade));
        }
    }
    return image;
}

QFont Intro_font(int points)
{
    QFont f("Liberation Sans");
    f.setPixelSize(points * 96 / 72);
    return f;
}

} // namespace

void Frm_kanot_2::Arrange_layout(bool rotated)
{
    Arrange_Picture(rotated);
    Arrange_frames(rotated);
    // The check mark says what is shown, whoever turned it; the lane's box goes where its mark
    // now is (or away, when the marks no longer lie in the picture).
    item_rotated->setChecked(rotated);
    if (lane_result_lane_ >= 0) Display_Lane_Result(lane_result_lane_);
    // The windows beside the viewer go around the picture's new shape: turned, it reaches down
    // where the finish entry was.
    if (isVisible()) Form_Resize();
}

void Frm_kanot_2::Arrange_Picture(bool rotated)
{
    try {
        const int w = rotated ? 576 : 720, h = rotated ? 720 : 576;
        Picture_large->move(0, 0);
        Picture_large->Set_picture_size(w, h);
        // A 16:9 frame has the same pixels as a 4:3 one, only wider: its long side is shown as it
        // is and the other side shorter, so that the picture has the shape the camera saw.
        if (wide_) Picture_large->Set_shown_size(rotated ? h * 9 / 16 : w, rotated ? h : w * 9 / 16);
        if (!g_Frame_DIB) g_Frame_DIB = std::make_shared<cDIBSection>();
        g_Frame_DIB->Create(w, h);
        // The overlay's drawn pixels are then looked for only where it was drawn on.
        if (g_Frame_DIB->hDC()) g_Frame_DIB->hDC()->Track_drawn();
    } catch (...) {
        Report_current_exception("arrange_picture of Form Frm_kanot_2");
    }
}

void Frm_kanot_2::Arrange_frames(bool rotated)
{
    try {
        frm_DV_AUX->move(Right(Picture_large) + 10, Picture_large->y());
        Frm_options->move(frm_DV_AUX->x(), Bottom(frm_DV_AUX) + 5);
        const int left = frm_DV_AUX->x();
        const int width = Right(frm_DV_AUX) + Window_margin_pixels();
        if (!rotated) {
            Picture_logo->move(Frm_options->x(), Bottom(Frm_options) + 5);
            Frm_time->move(left, Bottom(Picture_logo) + 5);
            Frm_play->move(left, Bottom(Frm_time) + 5);
            natural_width_ = width;
            Fit_width();
            return;
        }
        Frm_play->move(left, Bottom(Picture_large) - Frm_play->height());
        Frm_time->move(left, Frm_play->y() - Frm_time->height() - 5);
        resize(width, Bottom(Picture_large) + menu_bar->sizeHint().height());
        natural_width_ = width;
        Fit_width();
        Picture_logo->move(left, Bottom(Frm_options) + 5);
    } catch (...) {
        Report_current_exception("Arrange_Frames of Form frm_kanot_2");
    }
}

// The viewer and the results window beside it share the desktop's width. Where both do not fit,
// the viewer gives way: its column of frames narrows, down to a usable minimum, while the picture
// keeps the exact size of a frame (clicks on it are pixels of the frame).
void Frm_kanot_2::Fit_width()
{
    if (item_fullscreen->isChecked() || isMaximized()) return;
    const QMargins frame = platform::Frame_margins(this);
    // The results window comes beside the viewer once the viewer is shown, not before; in marathon
    // mode the marathon window takes its place.
    int beside = 0;
    if (isVisible() && !item_Marathon->isChecked()) beside = Results_rows().Beside_width();
    if (const Marathon_times* marathon = Marathon_windows(false); isVisible() && item_Marathon->isChecked() && marathon)
        beside = marathon->Beside_width();
    const int room = platform::Available_area().width() - frame.left() - frame.right() - beside;
    const int least = frm_DV_AUX->x() + k_Frame_width * 2 / 3;
    const int width = std::max(least, std::min(natural_width_, room));
    resize(width, height());
    Narrow_frames(width);
    if (isVisible()) platform::Fit_in_available_area(this);
}

// The frames take what the window leaves them; their full-width lines follow.
void Frm_kanot_2::Narrow_frames(int window_width)
{
    const int frame_width = std::min(k_Frame_width, window_width - frm_DV_AUX->x() - 4);
    for (QWidget* f : std::initializer_list<QWidget*>{frm_DV_AUX, Frm_options, Frm_time, Frm_play})
        f->resize(frame_width, f->height());
    for (QWidget* line : std::initializer_list<QWidget*>{Lbl_cam_time, Lbl_exp_time, Chk_Show_lanemarks,
                                                         Chk_Show_Goalline, Chk_invert_goalline, Chk_Flip_Lanemarks,
                                                         Lbl_elapsed_time, Lbl_delta_time, Slider_play,
                                                         Lbl_camera_running})
        line->resize(frame_width - 20, line->height());
}

void Frm_kanot_2::Run_Intro()
{
    try {
        QWidget* client = Picture_large->parentWidget();
        intro_cx_ = client->width() / 2;
        intro_cy_ = client->height() / 2;
        Picture_intro_2->Set_picture_size(k_Intro_width, k_Intro_height);
        Picture_intro_2->Image() = Intro_picture();
        Picture_intro_2->hDC().Attach(&Picture_intro_2->Image());
        {
            QPainter painter(&Picture_intro_2->Image());
            painter.setFont(Intro_font(128));
            painter.setPen(QColor(0, 0, 255));
            const QFontMetrics m(painter.font());
            painter.drawText(int(0.05 * k_Intro_width), int(0.05 * k_Intro_height) + m.ascent(), "Wakeline");
        }
        Run_Intro_Loop();

        const QString text = "Regatta Timing & Photofinish";
        const int x0 = int(0.05 * k_Intro_width);
        const QFont font = Intro_font(36);
        const QFontMetrics m(font);
        for (int i = 1; i <= text.size(); ++i) {
            {
                QPainter painter(&Picture_intro->Image());
                painter.setFont(font);
                painter.setPen(QColor(0, 0, 255));
                const int x = x0 + m.horizontalAdvance(text.left(i - 1));
                painter.drawText(x, int(0.6 * k_Intro_height) + m.ascent(), text.mid(i - 1, 1));
            }
            Picture_intro->repaint();
            Wait_ms(60, false);
        }
        Wait_ms(1000, false);
        Picture_intro->hide();
    } catch (...) {
        Report_current_exception("Run_Intro of Form Frm_kanot_2");
    }
}

void Frm_kanot_2::Run_Intro_Loop()
{
    for (int step = 1; step <= 30; ++step) {
        Picture_intro->hide();
        const int w = int(std::nearbyint(step / 35.0 * k_Intro_width));
        const int h = int(std::nearbyint(step / 35.0 * k_Intro_height));
        Picture_intro->Set_picture_size(w, h);
        Picture_intro->move(intro_cx_ - w / 2, intro_cy_ - h / 2);
        Picture_intro->hDC().StretchBlt(0, 0, w, h, &Picture_intro_2->hDC(), 0, 0, k_Intro_width, k_Intro_height,
                                        platform::SRCCOPY);
        Picture_intro->raise();
        Picture_intro->show();
        Picture_intro->repaint();
        repaint();
        Wait_ms(60, false);
    }
}

} // namespace wk
