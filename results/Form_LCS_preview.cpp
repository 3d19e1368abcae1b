#include "results/Form_LCS_preview.h"

#include "platform/Forms.h"
#include "platform/Print_target.h"
#include "platform/Screen_fit.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "results/Results_viewer.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <cmath>

namespace wk {

Form_LCS_preview::Form_LCS_preview() : Form_window("Form_LCS_preview")
{
    setWindowTitle("Print preview");
    Form_Load();
}

void Form_LCS_preview::Form_Load()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect whole = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    Trace_Line("Screen dimensions = " + std::to_string(whole.width()) + "," + std::to_string(whole.height()));
    move(0, 0);
    // The page fits what is left of the desktop below the viewer's menus, its own title bar and
    // frame taken off, so that the whole page and the title bar to move it by are on the screen.
    const QRect room = platform::Window_room(Viewer_menu_area());
    const QMargins frame = platform::Frame_margins(this);
    const double available = double(room.height() - frame.top() - frame.bottom()) * platform::Twips_per_pixel_y();
    double width = g_Paper_width > 0 ? g_Paper_width : 11904;
    double height = g_Paper_height > 0 ? g_Paper_height : 16834;
    if (available < height) {
        width *= available / height;
        height = available;
    }
    resize(std::max(1, int(std::nearbyint(width / platform::Twips_per_pixel_x()))),
           std::max(1, int(std::nearbyint(height / platform::Twips_per_pixel_y()))));
    platform::Fit_in_available_area(this, Viewer_menu_area());
}

void Form_LCS_preview::Cls()
{
    picture_ = QImage();
    update();
}

void Form_LCS_preview::Paint_page(const QImage& page)
{
    picture_ = QImage(std::max(1, ScaleWidth()), std::max(1, ScaleHeight()), QImage::Format_RGB32);
    picture_.fill(Qt::white);
    if (!page.isNull()) {
        QPainter p(&picture_);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRect(0, 0, picture_.width(), picture_.height()), page);
    }
    repaint();
}

void Form_LCS_preview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!picture_.isNull()) p.drawImage(0, 0, picture_);
}

namespace {
class Preview_port final : public platform::Print_preview_port {
public:
    void Hide_preview() override
    {
        if (auto* w = platform::Form_if_loaded<Form_LCS_preview>()) w->hide();
    }
    void Show_page(const QImage& page) override
    {
        auto& w = platform::Form_instance<Form_LCS_preview>();
        w.Cls();
        w.show();
        w.Paint_page(page);
    }
    void Clear_preview() override
    {
        if (auto* w = platform::Form_if_loaded<Form_LCS_preview>()) w->Cls();
    }
    bool Preview_visible() override
    {
        auto* w = platform::Form_if_loaded<Form_LCS_preview>();
        return w && w->isVisible();
    }
    void Bring_up_preview() override
    {
        if (auto* w = platform::Form_if_loaded<Form_LCS_preview>()) {
            w->raise();
            w->activateWindow();
        }
    }
};
} // namespace

void Install_print_preview()
{
    static Preview_port port;
    platform::Install_print_preview_port(&port);
}

} // namespace wk
