#include "services/Program_pictures.h"

#include "services/Run_time_error.h"

#include <QLinearGradient>
#include <QPainter>

namespace wk {
namespace {

// The product: the name on a night-blue band crossed by the red finish line.
QImage Product_logo()
{
    QImage image(360, 90, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, 0, image.height());
    band.setColorAt(0, QColor(18, 40, 92));
    band.setColorAt(1, QColor(6, 16, 44));
    p.fillRect(image.rect(), band);
    p.fillRect(QRect(326, 0, 6, image.height()), QColor(214, 30, 36));
    QFont name("Liberation Sans", 34, QFont::Bold);
    name.setItalic(true);
    p.setFont(name);
    p.setPen(Qt::white);
    p.drawText(QRect(14, 4, 300, 58), Qt::AlignLeft | Qt::AlignVCenter, "Wakeline");
    QFont line("Liberation Sans", 10);
    line.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(line);
    p.setPen(QColor(170, 200, 240));
    p.drawText(QRect(18, 60, 300, 24), Qt::AlignLeft | Qt::AlignVCenter, "PHOTO FINISH  \u00b7  RACE TIMING");
    return image;
}

// The company: a chequered flag on a staff.
QImage Company_logo()
{
    QImage image(96, 96, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(QRect(14, 10, 4, 80), QColor(60, 60, 60));
    const int cell = 11;
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 6; ++col)
            p.fillRect(QRect(18 + col * cell, 10 + row * cell, cell, cell), (row + col) % 2 ? Qt::white : Qt::black);
    p.setPen(QColor(60, 60, 60));
    p.drawRect(QRect(18, 10, 6 * cell, 5 * cell));
    return image;
}

} // namespace

QImage Program_picture(const std::string& name)
{
    if (name == "WAKELINE_LOGGA") return Product_logo();
    if (name == "COMPANY_LOGGA") return Company_logo();
    throw Run_time_error(326, "Resource with identifier '" + name + "' not found");
}

} // namespace wk
