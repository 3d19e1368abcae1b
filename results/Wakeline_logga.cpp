#include "results/Wakeline_logga.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace wk {
namespace {

constexpr int k_Width = 200, k_Height = 70;
constexpr int k_Post_left = 184, k_Square = 6;

// Two swells under the name, the lower one lighter.
void Draw_waves(QPainter& p)
{
    const QColor colours[2] = {QColor(0, 70, 200), QColor(90, 160, 230)};
    for (int wave = 0; wave < 2; ++wave) {
        QPainterPath path;
        const double base = 52 + 8 * wave;
        path.moveTo(4, base);
        for (int x = 4; x <= k_Post_left - 6; ++x)
            path.lineTo(x, base + 3.0 * std::sin((x + 11 * wave) * 2 * M_PI / 36.0));
        p.setPen(QPen(colours[wave], 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(path);
    }
}

// The finish: a post of black and white squares, two wide, the height of the logo.
void Draw_finish_post(QPainter& p)
{
    for (int row = 0; row * k_Square < k_Height; ++row)
        for (int col = 0; col < 2; ++col)
            if ((row + col) % 2 == 0)
                p.fillRect(k_Post_left + col * k_Square, row * k_Square, k_Square, k_Square, Qt::black);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(k_Post_left, 0, 2 * k_Square - 1, k_Height - 1);
}

QImage Draw_logo()
{
    QImage image(k_Width, k_Height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    QFont font("Liberation Sans");
    font.setPixelSize(38);
    font.setBold(true);
    font.setItalic(true);
    p.setFont(font);
    p.setPen(QColor(0, 40, 160));
    p.drawText(QRect(4, 0, k_Post_left - 8, 46), Qt::AlignLeft | Qt::AlignVCenter, "Wakeline");
    Draw_waves(p);
    Draw_finish_post(p);
    return image;
}

} // namespace

const QImage& Wakeline_logga()
{
    static const QImage logo = Draw_logo();
    return logo;
}

} // namespace wk
