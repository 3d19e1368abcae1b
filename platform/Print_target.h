#pragma once
// Where printing goes, in twips: the printer, a page image for the preview, or a recorder in
// tests. Modelled on the printer object: CurrentX and CurrentY, a font, Print, PaintPicture,
// lines and boxes, NewPage and EndDoc.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace wk::platform {

// The printer could not begin or finish a job (the system's "Printer error").
class Printer_fault : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Print_target {
public:
    virtual ~Print_target() = default;

    double CurrentX = 0;
    double CurrentY = 0;
    std::string FontName = "Arial";
    double FontSize = 10;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;
    QColor ForeColor = Qt::black;
    int DrawWidth = 1;

    // Page size in twips.
    virtual double ScaleWidth() const = 0;
    virtual double ScaleHeight() const = 0;
    virtual double TextWidth(const std::string& text) = 0;
    virtual double TextHeight(const std::string& text) = 0;
    // Prints at CurrentX, CurrentY; with new_line the next print starts at the left of the next line.
    virtual void Print(const std::string& text, bool new_line = true) = 0;
    virtual void PaintPicture(const QImage& picture, double x, double y, double width, double height) = 0;
    virtual void Line(double x1, double y1, double x2, double y2, QColor colour) = 0;
    virtual void Box(double x1, double y1, double x2, double y2, QColor colour, bool filled) = 0;
    virtual void NewPage() = 0;
    // Ends the job: the printer sends it. False when the job failed.
    virtual bool EndDoc() = 0;
    // The page drawn so far (preview faces); null for the printer.
    virtual QImage Page_image() const { return {}; }
    // Empties the page (preview faces).
    virtual void Clear() {}
    // True from the first drawing of a job until its EndDoc.
    virtual bool Printing() const { return false; }
};

// A print target painting on any paint device; the page image and the printer build on it.
class Painter_print_target : public Print_target {
public:
    double ScaleWidth() const override { return width_twips_; }
    double ScaleHeight() const override { return height_twips_; }
    double TextWidth(const std::string& text) override;
    double TextHeight(const std::string& text) override;
    void Print(const std::string& text, bool new_line = true) override;
    void PaintPicture(const QImage& picture, double x, double y, double width, double height) override;
    void Line(double x1, double y1, double x2, double y2, QColor colour) override;
    void Box(double x1, double y1, double x2, double y2, QColor colour, bool filled) override;

protected:
    // The painter for the current page; device dots per inch.
    virtual QPainter& Painter() = 0;
    virtual double Dpi() const = 0;
    double Px(double twips) const { return twips * Dpi() / 1440.0; }
    QFont Current_font() const;
    double width_twips_ = 11904;
    double height_twips_ = 16834;
};

// The preview's page: an image of the page at screen resolution.
class Page_image_target final : public Painter_print_target {
public:
    Page_image_target(double width_twips, double height_twips, double dpi = 96);
    ~Page_image_target() override;
    void NewPage() override;
    bool EndDoc() override;
    QImage Page_image() const override;
    void Clear() override;

protected:
    QPainter& Painter() override;
    double Dpi() const override { return dpi_; }

private:
    double dpi_;
    QImage image_;
    std::unique_ptr<QPainter> painter_;
};

// One drawing call as the recorder kept it: where, what and in which font.
struct Print_call {
    std::string kind; // "Print", "PaintPicture", "Line", "Box" or "Fill"
    std::string text;
    double x = 0, y = 0;           // a text's start, a picture's or box's corner, a line's start
    double width = 0, height = 0;  // a picture's or box's size, a line's other end minus its start
    std::string font;
    double size = 0;
    bool bold = false, underline = false;
    QColor colour;
    QImage image; // what PaintPicture was given
};

// Records every call (for tests): as a text line and as a Print_call. A character is half its
// font size wide and a line twice its size high, in twips.
class Recording_print_target final : public Print_target {
public:
    Recording_print_target(double width_twips = 11904, double height_twips = 16834)
        : width_(width_twips), height_(height_twips) {}
    std::vector<std::string> calls;
    std::vector<Print_call> drawn;
    // A fault to raise at the next drawing, as a printer that went away would.
    bool fail_next = false;
    double ScaleWidth() const override { return width_; }
    double ScaleHeight() const override { return height_; }
    double TextWidth(const std::string& text) override { return FontSize * 10 * double(text.size()); }
    double TextHeight(const std::string&) override { return FontSize * 20; }
    void Print(const std::string& text, bool new_line = true) override;
    void PaintPicture(const QImage& picture, double x, double y, double width, double height) override;
    void Line(double x1, double y1, double x2, double y2, QColor colour) override;
    void Box(double x1, double y1, double x2, double y2, QColor colour, bool filled) override;
    void NewPage() override { calls.push_back("NewPage"); }
    bool EndDoc() override;
    void Clear() override { calls.push_back("Clear"); }
    bool Printing() const override { return printing_; }
    // The texts printed, in order.
    std::vector<std::string> Texts() const;
    // The drawn calls of one kind.
    std::vector<Print_call> Of_kind(const std::string& kind) const;
    // The first text printed that contains part; nullopt when none does.
    std::optional<Print_call> Text_call(const std::string& part) const;

private:
    Print_call Call(const std::string& kind);
    void Shape(const std::string& kind, double x1, double y1, double x2, double y2, QColor colour);
    double width_, height_;
    bool printing_ = false;
};

// The installed printers, as the program sees them. Without a port there is no printer.
struct Printer_facts {
    int count = 0;
    double page_width_twips = 0;
    double page_height_twips = 0;
};
class Printer_port {
public:
    virtual ~Printer_port() = default;
    virtual Printer_facts Facts() = 0;
    // The default printer's name; empty without one.
    virtual std::string Printer_name() { return {}; }
    // A job on the default printer; nullptr when it cannot be started.
    virtual std::shared_ptr<Print_target> Open_printer() = 0;
    // A job into a PDF file of a page of that size (twips); nullptr when this port makes none.
    virtual std::shared_ptr<Print_target> Open_pdf(const std::string& path, double width_twips,
                                                   double height_twips)
    {
        return nullptr;
    }
};
Printer_port* Get_printer_port();
void Install_printer_port(Printer_port* port);

// The print-preview window, as the end of a print job needs it.
class Print_preview_port {
public:
    virtual ~Print_preview_port() = default;
    virtual void Hide_preview() = 0;
    // Clears the window, shows it and paints the page scaled into it.
    virtual void Show_page(const QImage& page) = 0;
    // Empties the window's picture (a new job begins).
    virtual void Clear_preview() {}
    virtual bool Preview_visible() { return false; }
    // Puts the window in front of the others.
    virtual void Bring_up_preview() {}
};
Print_preview_port* Get_print_preview_port();
void Install_print_preview_port(Print_preview_port* port);

} // namespace wk::platform
