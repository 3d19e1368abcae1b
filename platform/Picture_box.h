#pragma once
// A picture box: a control that keeps its picture (the drawn image persists, like AutoRedraw),
// offers a device context over it and reports mouse events in picture pixels.
#include "platform/Draw_surface.h"

#include <QImage>
#include <QWidget>

#include <functional>

namespace wk::platform {

class Picture_box final : public QWidget {
public:
    explicit Picture_box(const char* name, QWidget* parent = nullptr);

    // The picture's size in pixels (the scale size); the control's size follows it.
    void Set_picture_size(int width, int height);
    // Shows the picture stretched to another size (a picture of another shape than its pixels);
    // mouse events stay in picture pixels. Set_picture_size shows it at its own size again.
    void Set_shown_size(int width, int height);
    int Scale_width() const { return image_.width(); }
    int Scale_height() const { return image_.height(); }
    QImage& Image() { return image_; }
    const QImage& Image() const { return image_; }
    Draw_surface& hDC() { return dc_; }
    // Clears the picture to the back colour.
    void Cls();
    void Back_colour(QColor colour) { back_ = colour; }
    // Shows what was drawn.
    void Refresh();

    // Mouse events: button 1 left, 2 right, 4 middle; shift the Windows shift mask
    // (1 Shift, 2 Ctrl, 4 Alt); x and y in picture pixels.
    using Mouse_handler = std::function<void(int button, int shift, float x, float y)>;
    Mouse_handler MouseDown, MouseMove, MouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Forward(const Mouse_handler& handler, QMouseEvent* event, bool moving);
    QImage image_;
    Draw_surface dc_;
    QColor back_ = Qt::black;
};

} // namespace wk::platform
