#include "platform/Picture_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace wk::platform {
namespace {

int Button_code(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int Shift_mask(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

} // namespace

Picture_box::Picture_box(const char* name, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    setMouseTracking(true);
    // The picture covers the control: nothing below it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    Set_picture_size(1, 1);
}

void Picture_box::Set_picture_size(int width, int height)
{
    if (image_.width() != width || image_.height() != height) {
        image_ = QImage(width, height, QImage::Format_RGB32);
        image_.fill(back_);
        dc_.Attach(&image_);
    }
    resize(width, height);
}

void Picture_box::Set_shown_size(int width, int height) { resize(width, height); }

void Picture_box::Cls() { image_.fill(back_); }

void Picture_box::Refresh() { update(); }

void Picture_box::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (size() == image_.size()) {
        painter.drawImage(0, 0, image_);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), image_);
}

void Picture_box::Forward(const Mouse_handler& handler, QMouseEvent* event, bool moving)
{
    if (!handler) return;
    const int button = moving ? Button_code(event->buttons()) : Button_code(event->button());
    const QPointF p = event->position();
    const float sx = width() > 0 ? float(image_.width()) / float(width()) : 1.0f;
    const float sy = height() > 0 ? float(image_.height()) / float(height()) : 1.0f;
    handler(button, Shift_mask(event->modifiers()), float(p.x()) * sx, float(p.y()) * sy);
}

void Picture_box::mousePressEvent(QMouseEvent* event) { Forward(MouseDown, event, false); }
void Picture_box::mouseMoveEvent(QMouseEvent* event) { Forward(MouseMove, event, true); }
void Picture_box::mouseReleaseEvent(QMouseEvent* event) { Forward(MouseUp, event, false); }

} // namespace wk::platform
