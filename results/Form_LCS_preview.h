#pragma once
// The print-preview window: the page drawn so far, scaled into the window.
#include "platform/Form_window.h"

#include <QImage>

namespace wk {

class Form_LCS_preview final : public platform::Form_window {
public:
    Form_LCS_preview();
    // Top left of the screen, the paper's proportions, no taller than the work area.
    void Form_Load();
    // The window's drawing area in its own units (pixels).
    int ScaleWidth() const { return width(); }
    int ScaleHeight() const { return height(); }
    void Cls();
    void Paint_page(const QImage& page);
    const QImage& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

// Makes Printer_End hide and show this window.
void Install_print_preview();

} // namespace wk
