#include "platform/Print_target.h"

#include "platform/Draw_surface.h"

#include <QFontMetricsF>
#include <QRegularExpression>

#include <cstdio>

namespace wk::platform {

QFont Painter_print_target::Current_font() const
{
    QFont f(Face_on_linux(FontName));
    f.setPointSizeF(FontSize > 0 ? FontSize : 10);
    f.setBold(FontBold);
    f.setItalic(FontItalic);
    f.setUnderline(FontUnderline);
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

Print_call Recording_print_target::Call(const std::string& kind)
{
    if (fail_next) {
        fail_next = false;
        throw Printer_fault("Printer error");
    }
    printing_ = true;
    Print_call c;
    c.kind = kind;
    c.font = FontName;
    c.size = FontSize;
    c.bold = FontBold;
    c.underline = FontUnderline;
    c.colour = ForeColor;
    return c;
}

void Recording_print_target::Print(const std::string& text, bool new_line)
{
    Print_call c = Call("Print");
    c.text = text;
    c.x = CurrentX;
    c.y = CurrentY;
    drawn.push_back(c);
    calls.push_back("Print " + Num(CurrentX) + "," + Num(CurrentY) + " " + FontName + " " + Num(FontSize) +
                    (FontBold ? " bold" : "") + (FontUnderline ? " underline" : "") + ": " + text);
    // Every line break in the text starts a line, as the statement's own end does.
    const QStringList lines = QString::fromStdString(text).split(QRegularExpression("\r\n|\n"));
    const double breaks = double(lines.size() - 1) + (new_line ? 1 : 0);
    CurrentY += breaks * TextHeight(text);
    if (breaks > 0) CurrentX = 0;
    else CurrentX += TextWidth(text);
}

void Recording_print_target::PaintPicture(const QImage& picture, double x, double y, double width, double height)
{
    Print_call c = Call("PaintPicture");
    c.x = x;
    c.y = y;
    c.width = width;
    c.height = height;
    c.image = picture;
    drawn.push_back(c);
    calls.push_back("PaintPicture " + std::to_string(picture.width()) + "x" + std::to_string(picture.height()) + " at " +
                    Num(x) + "," + Num(y) + " size " + Num(width) + "," + Num(height));
}

void Recording_print_target::Shape(const std::string& kind, double x1, double y1, double x2, double y2, QColor colour)
{
    Print_call c = Call(kind);
    c.x = x1;
    c.y = y1;
    c.width = x2 - x1;
    c.height = y2 - y1;
    c.colour = colour;
    drawn.push_back(c);
    calls.push_back(kind + " " + Num(x1) + "," + Num(y1) + "-" + Num(x2) + "," + Num(y2) + " " + colour.name().toStdString());
}

void Recording_print_target::Line(double x1, double y1, double x2, double y2, QColor colour)
{
    Shape("Line", x1, y1, x2, y2, colour);
}

void Recording_print_target::Box(double x1, double y1, double x2, double y2, QColor colour, bool filled)
{
    Shape(filled ? "Fill" : "Box", x1, y1, x2, y2, colour);
}

bool Recording_print_target::EndDoc()
{
    calls.push_back("EndDoc");
    printing_ = false;
    return true;
}

std::vector<std::string> Recording_print_target::Texts() const
{
    std::vector<std::string> texts;
    for (const Print_call& c : drawn)
        if (c.kind == "Print") texts.push_back(c.text);
    return texts;
}

std::vector<Print_call> Recording_print_target::Of_kind(const std::string& kind) const
{
    std::vector<Print_call> found;
    for (const Print_call& c : drawn)
        if (c.kind == kind) found.push_back(c);
    return found;
}

std::optional<Print_call> Recording_print_target::Text_call(const std::string& part) const
{
    for (const Print_call& c : drawn)
        if (c.kind == "Print" && c.text.find(part) != std::string::npos) return c;
    return std::nullopt;
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
