#include "services/Module_window.h"

#include "platform/Forms.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/QSM_error_form.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace wk {

float Right_Edge(const QWidget* w)
{
    return float((w->x() + w->width()) * platform::Twips_per_pixel_x());
}

float Bottom_Edge(const QWidget* w)
{
    return float((w->y() + w->height()) * platform::Twips_per_pixel_y());
}

void Set_Topmost(QWidget* w) { MakeTopMost(w); }

void Show_Taskbar(bool show) { g_Taskbar_hidden = !show; }

void Remove_Close_Item(QWidget* w)
{
    const bool visible = w->isVisible();
    w->setWindowFlag(Qt::CustomizeWindowHint, true);
    w->setWindowFlag(Qt::WindowCloseButtonHint, false);
    if (visible) w->show();
}

void Remove_close_button(QWidget* w, int16_t) { Remove_Close_Item(w); }

bool SetFormFullScreen(QWidget* w)
{
    try {
        if (!w) return false;
        const bool framed = !(w->windowFlags() & Qt::FramelessWindowHint);
        const bool visible = w->isVisible();
        if (framed) {
            w->setProperty("wk_normal_geometry", w->geometry());
            w->setWindowFlag(Qt::FramelessWindowHint, true);
            QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
            w->setGeometry(s ? s->geometry() : QRect(0, 0, 1024, 768));
        } else {
            w->setWindowFlag(Qt::FramelessWindowHint, false);
            const QVariant g = w->property("wk_normal_geometry");
            if (g.isValid()) w->setGeometry(g.toRect());
        }
        if (visible) w->show();
    } catch (...) {
        Report_current_exception("SetFormFullScreen of Module Module_window");
    }
    return false;
}

Gdi_font Create_Font(int16_t points, int32_t angle, int16_t italic, const std::string& face, int32_t weight)
{
    Gdi_font f;
    f.font.setFamily(QString::fromStdString(face));
    // MulDiv rounds half away from zero.
    const int dpi = platform::Screen_logical_dpi_y();
    const int height = int((int64_t(points) * dpi * 2 + 72) / 144);
    f.font.setPixelSize(std::max(1, height));
    f.font.setItalic(italic != 0);
    f.font.setWeight(static_cast<QFont::Weight>(std::clamp(weight == 0 ? 400 : weight, 1, 1000)));
    f.font.setStyleStrategy(QFont::PreferQuality);
    f.angle_degrees = angle;
    return f;
}

int Fit_Text_Font(QFont& font, int scale_width, const std::string& text)
{
    font.setFamily("Arial");
    const QString t = QString::fromStdString(text);
    for (int size = 110; size >= 10; size -= 2) {
        font.setPointSize(size);
        if (QFontMetrics(font).horizontalAdvance(t) < scale_width) return size;
    }
    return 0;
}

} // namespace wk
