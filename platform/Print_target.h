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
#include <string>
#include <vector>

namespace wk::platform {

class Print_target {
public:
    virtual ~Print_target() = default;

    double CurrentX = 0;
    double CurrentY = 0;
    std::string FontName = "Arial";
    double FontSize = 10;
    bool FontBold = false;
    bool FontItalic = false;
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

// Records every call as a text line (for tests).
class Recording_print_target final : public Print_target {
public:
    Recording_print_target(double width_twips = 11904, double height_twips = 16834)
        : width_(width_twips), height_(height_twips) {}
    std::vector<std::string> calls;
    double ScaleWidth() const override { return width_; }
    double ScaleHeight() const override { return height_; }
    double TextWidth(const std::string& text) override { return 100.0 * double(text.size()); }
    double TextHeight(const std::string&) override { return FontSize * 20; }
    void Print(const std::string& text, bool new_line = true) override;
    void PaintPicture(const QImage& picture, double x, double y, double width, double height) override;
    void Line(double x1, double y1, double x2, double y2, QColor colour) override;
    void Box(double x1, double y1, double x2, double y2, QColor colour, bool filled) override;
    void NewPage() override { calls.push_back("NewPage"); }
    bool EndDoc() override { calls.push_back("EndDoc"); return true; }
    void Clear() override { calls.push_back("Clear"); }

private:
    double width_, height_;
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
    // A job on the default printer; nullptr when it cannot be started.
    virtual std::shared_ptr<Print_target> Open_printer() = 0;
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
};
Print_preview_port* Get_print_preview_port();
void Install_print_preview_port(Print_preview_port* port);

} // namespace wk::platform
