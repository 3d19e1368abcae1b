#include "results/Form_LCS_preview.h"

#include "platform/Print_target.h"

#include <QPainter>

namespace wk {

Form_LCS_preview::Form_LCS_preview() : Form_window("Form_LCS_preview")
{
    setWindowTitle("Print preview");
    resize(595, 842);
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
};
} // namespace

void Install_print_preview()
{
    static Preview_port port;
    platform::Install_print_preview_port(&port);
}

} // namespace wk
