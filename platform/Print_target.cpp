#include "platform/Print_target.h"

#include <QFontMetricsF>
#include <QRegularExpression>

#include <cstdio>

namespace wk::platform {

QFont Painter_print_target::Current_font() const
{
    QFont f(QString::fromStdString(FontName));
    f.setPointSizeF(FontSize > 0 ? FontSize : 10);
    f.setBold(FontBold);
    f.setItalic(FontItalic);
    return f;
}

double Painter_print_target::TextWidth(const std::string& text)
{
    QFontMetricsF m(Current_font(), &static_cast<QPaintDevice&>(*Painter().device()));
    return m.horizontalAdvance(QString::fromStdString(text)) * 1440.0 / Dpi();
}

double Painter_print_target::TextHeight(const std::string&)
{
    QFontMetricsF m(Current_font(), &static_cast<QPaintDevice&>(*Painter().device()));
    return m.height() * 1440.0 / Dpi();
}

void Painter_print_target::Print(const std::string& text, bool new_line)
{
    QPainter& p = Painter();
    p.setFont(Current_font());
    p.setPen(ForeColor);
    const QString lines = QString::fromStdString(text);
    const QStringList parts = lines.split(QRegularExpression("\r\n|\n"));
    QFontMetricsF m(Current_font(), p.device());
    for (int i = 0; i < parts.size(); ++i) {
        p.drawText(QPointF(Px(CurrentX), Px(CurrentY) + m.ascent()), parts[i]);
        if (i + 1 < parts.size() || new_line) {
            CurrentX = 0;
            CurrentY += m.height() * 1440.0 / Dpi();
        } else {
            CurrentX += m.horizontalAdvance(parts[i]) * 1440.0 / Dpi();
        }
    }
}

void Painter_print_target::PaintPicture(const QImage& picture, double x, double y, double width, double height)
{
    Painter().drawImage(QRectF(Px(x), Px(y), Px(width), Px(height)), picture);
}

void Painter_print_target::Line(double x1, double y1, double x2, double y2, QColor colour)
{
    QPainter& p = Painter();
    p.setPen(QPen(colour, std::max(1.0, DrawWidth * Dpi() / 96.0)));
    p.drawLine(QPointF(Px(x1), Px(y1)), QPointF(Px(x2), Px(y2)));
}

void Painter_print_target::Box(double x1, double y1, double x2, double y2, QColor colour, bool filled)
{
    QPainter& p = Painter();
    const QRectF r(QPointF(Px(x1), Px(y1)), QPointF(Px(x2), Px(y2)));
    if (filled) p.fillRect(r, colour);
    else {
        p.setPen(QPen(colour, std::max(1.0, DrawWidth * Dpi() / 96.0)));
        p.drawRect(r);
    }
}

Page_image_target::Page_image_target(double width_twips, double height_twips, double dpi) : dpi_(dpi)
{
    width_twips_ = width_twips;
    height_twips_ = height_twips;
    Clear();
}

Page_image_target::~Page_image_target()
{
    if (painter_) painter_->end();
}

void Page_image_target::Clear()
{
    if (painter_) painter_->end();
    painter_.reset();
    image_ = QImage(int(Px(width_twips_) + 0.5), int(Px(height_twips_) + 0.5), QImage::Format_RGB32);
    image_.fill(Qt::white);
    CurrentX = CurrentY = 0;
}

QPainter& Page_image_target::Painter()
{
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->setRenderHint(QPainter::Antialiasing, true);
        painter_->setRenderHint(QPainter::TextAntialiasing, true);
    }
    return *painter_;
}

QImage Page_image_target::Page_image() const
{
    // The painter may still be open: a copy of what is on the page now.
    return image_.copy();
}

void Page_image_target::NewPage() { Clear(); }
bool Page_image_target::EndDoc() { return true; }

namespace {
std::string Num(double v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%g", v);
    return b;
}
} // namespace

void Recording_print_target::Print(const std::string& text, bool new_line)
{
    calls.push_back("Print " + Num(CurrentX) + "," + Num(CurrentY) + " " + FontName + " " + Num(FontSize) +
                    (FontBold ? " bold" : "") + ": " + text);
    if (new_line) { CurrentX = 0; CurrentY += TextHeight(text); }
    else CurrentX += TextWidth(text);
}

void Recording_print_target::PaintPicture(const QImage& picture, double x, double y, double width, double height)
{
    calls.push_back("PaintPicture " + std::to_string(picture.width()) + "x" + std::to_string(picture.height()) + " at " +
                    Num(x) + "," + Num(y) + " size " + Num(width) + "," + Num(height));
}

void Recording_print_target::Line(double x1, double y1, double x2, double y2, QColor colour)
{
    calls.push_back("Line " + Num(x1) + "," + Num(y1) + "-" + Num(x2) + "," + Num(y2) + " " + colour.name().toStdString());
}

void Recording_print_target::Box(double x1, double y1, double x2, double y2, QColor colour, bool filled)
{
    calls.push_back(std::string(filled ? "Fill " : "Box ") + Num(x1) + "," + Num(y1) + "-" + Num(x2) + "," + Num(y2) +
                    " " + colour.name().toStdString());
}

namespace {
Printer_port* g_printer_port = nullptr;
Print_preview_port* g_preview_port = nullptr;
} // namespace

Printer_port* Get_printer_port() { return g_printer_port; }
void Install_printer_port(Printer_port* port) { g_printer_port = port; }
Print_preview_port* Get_print_preview_port() { return g_preview_port; }
void Install_print_preview_port(Print_preview_port* port) { g_preview_port = port; }

} // namespace wk::platform
