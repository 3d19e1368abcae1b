// Text on a drawing surface: Qt lays the letters out in a scratch image, the touched pixels are
// then written into the surface like any other drawing, whatever buffer it lies over.
#include "platform/Draw_surface.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace wk::platform {

QString Face_on_linux(const std::string& face)
{
    const QString name = QString::fromStdString(face);
    if (name.compare("Arial", Qt::CaseInsensitive) == 0)
        return "Liberation Sans";
    if (name.compare("Courier New", Qt::CaseInsensitive) == 0)
        return "Liberation Mono";
    if (name.compare("Times New Roman", Qt::CaseInsensitive) == 0)
        return "Liberation Serif";
    return name;
}

namespace {

// GDI's average character width: the lower-case letters and the space weighted by how often
// they occur in English text, as the classic font tables define it (newer tables of the
// Liberation faces average over every glyph, which would make their letters narrower here).
double Average_char_width(const QFontMetricsF& metrics)
{
    static constexpr int weights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56,
                                        56, 17, 4, 49, 56, 71, 31, 10, 18, 3, 18, 2, 166};
    double sum = 0;
    for (int i = 0; i < 27; ++i)
        sum += weights[i] * metrics.horizontalAdvance(i < 26 ? QChar('a' + i) : QChar(' '));
    return sum / 1000;
}

// A font ready for Qt, with the cell GDI would give it: its height and the baseline in it.
struct Laid_out_font {
    QFont font;
    int cell_height = 0;
    int ascent = 0;
};

// GDI sizes a font by its cell or its em and squeezes it to an average character width; Qt
// sizes by the em and widens by a stretch factor. The face's own proportions convert one to
// the other; a cell height asked for is kept exactly, as GDI keeps it.
Laid_out_font Qt_font(const Font& font)
{
    QFont f(Face_on_linux(font.face));
    f.setStyleStrategy(QFont::NoAntialias);
    f.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
    constexpr int k_Probe = 256;
    f.setPixelSize(k_Probe);
    const QFontMetricsF probe(f);
    const double cell_per_em = std::max((probe.ascent() + probe.descent()) / k_Probe, 0.01);
    const double ascent_share = probe.ascent() / (cell_per_em * k_Probe);
    const double asked = font.height == 0 ? 16.0 : std::abs(double(font.height));
    const double em = std::min(font.height > 0 ? asked / cell_per_em : asked, 10000.0);
    const int pixels = std::max(1, static_cast<int>(std::nearbyint(em)));
    const double average = Average_char_width(probe);
    if (font.width > 0 && average > 0) {
        const double natural = average * pixels / k_Probe;
        f.setStretch(std::clamp(static_cast<int>(std::nearbyint(100.0 * font.width / natural)), 1, 4000));
    }
    f.setPixelSize(pixels);
    const double cell = std::max(1.0, std::nearbyint(em * cell_per_em));
    return {f, static_cast<int>(cell), static_cast<int>(std::nearbyint(cell * ascent_share))};
}

QColor Qt_colour(int32_t colour)
{
    return QColor(colour & 255, (colour >> 8) & 255, (colour >> 16) & 255);
}

} // namespace

bool Draw_surface::DrawText(const std::string& text, int32_t left, int32_t top, int32_t right, int32_t bottom,
                            const Font& font, int32_t text_colour, std::optional<int32_t> background,
                            uint32_t format)
{
    if (!Is_valid())
        return Fail(ERROR_INVALID_HANDLE);
    // Only the part of the box (or, unclipped, of the picture) that can show letters is laid out.
    const bool clip = !(format & DT_NOCLIP);
    const int64_t l = clip ? std::max<int64_t>(std::min(left, right), 0) : 0;
    const int64_t t = clip ? std::max<int64_t>(std::min(top, bottom), 0) : 0;
    const int64_t r = clip ? std::min<int64_t>(std::max(left, right), Width()) : Width();
    const int64_t b = clip ? std::min<int64_t>(std::max(top, bottom), Height()) : Height();
    if (l >= r || t >= b || text.empty())
        return true;

    const Laid_out_font laid = Qt_font(font);
    const QString line = QString::fromStdString(text);
    const int64_t cell_width = QFontMetrics(laid.font).horizontalAdvance(line);
    const int64_t cell_height = laid.cell_height;
    // DrawText's placing in whole pixels, here relative to the scratch image's corner.
    const int64_t x = std::min(left, right) - l +
                      ((format & DT_CENTER) ? (std::abs(int64_t(right) - left) - cell_width) / 2 : 0);
    const int64_t y = std::min(top, bottom) - t +
                      ((format & DT_VCENTER) ? (std::abs(int64_t(bottom) - top) - cell_height) / 2 : 0);
    if (x >= r - l || y >= b - t || x + cell_width <= 0 || y + cell_height <= 0)
        return true; // the text lies beyond the visible part of the box

    QImage scratch(static_cast<int>(r - l), static_cast<int>(b - t), QImage::Format_ARGB32_Premultiplied);
    if (scratch.isNull())
        return Fail(ERROR_INVALID_PARAMETER);
    scratch.fill(Qt::transparent);
    {
        QPainter painter(&scratch);
        const QRect cell(static_cast<int>(x), static_cast<int>(y), static_cast<int>(cell_width),
                         static_cast<int>(cell_height));
        if (background)
            painter.fillRect(cell, Qt_colour(*background));
        painter.setFont(laid.font);
        painter.setPen(Qt_colour(text_colour));
        painter.drawText(QPoint(cell.left(), cell.top() + laid.ascent), line);
    }

    for (int32_t row = 0; row < scratch.height(); ++row) {
        const auto* pixels = reinterpret_cast<const QRgb*>(scratch.constScanLine(row));
        for (int32_t col = 0; col < scratch.width(); ++col) {
            const QRgb p = pixels[col];
            const int alpha = qAlpha(p);
            if (alpha == 0)
                continue;
            const int32_t px = static_cast<int32_t>(l) + col, py = static_cast<int32_t>(t) + row;
            const int32_t below = GetPixel(px, py);
            // Premultiplied: what lies below shows through by the part the text leaves uncovered.
            const auto mix = [&](int above, int shift) {
                return above + ((below >> shift) & 255) * (255 - alpha) / 255;
            };
            SetPixel(px, py, Rgb(mix(qRed(p), 0), mix(qGreen(p), 8), mix(qBlue(p), 16)));
        }
    }
    return true;
}

} // namespace wk::platform
