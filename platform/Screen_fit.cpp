#include "platform/Screen_fit.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWindow>
#include <QWidget>

#include <algorithm>

namespace wk::platform {
namespace {

QMargins Own_margins(const QWidget* w)
{
    const QRect f = w->frameGeometry(), g = w->geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}

bool Framed(const QWidget* w) { return !(w->windowFlags() & Qt::FramelessWindowHint); }

} // namespace

QRect Available_area()
{
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

QMargins Frame_margins(const QWidget* w)
{
    if (!Framed(w)) return {};
    if (w->isVisible()) return Own_margins(w);
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != w && other->isVisible() && other->isWindow() && Framed(other) && !other->isFullScreen())
            if (const QMargins m = Own_margins(other); !m.isNull()) return m;
    return {};
}

QRect Window_room(const QRect& keep_clear)
{
    QRect room = Available_area();
    if (!keep_clear.isEmpty() && keep_clear.intersects(room) && keep_clear.bottom() < room.bottom())
        room.setTop(std::max(room.top(), keep_clear.bottom() + 1));
    return room;
}

QRect Fitted_frame(QWidget* w, const QRect& keep_clear)
{
    if (!w->isVisible() && !w->testAttribute(Qt::WA_Resized) && w->layout()) w->adjustSize();
    const QRect room = Window_room(keep_clear);
    const QMargins m = Frame_margins(w);
    // Where Qt has the frame's corner (a window not made yet keeps the corner it was moved to).
    QRect frame(w->frameGeometry().topLeft(), w->size().grownBy(m));
    frame.setSize(frame.size().boundedTo(room.size()));
    frame.moveLeft(std::clamp(frame.left(), room.left(), room.right() + 1 - frame.width()));
    frame.moveTop(std::clamp(frame.top(), room.top(), room.bottom() + 1 - frame.height()));
    w->resize(frame.size().shrunkBy(m));
    return frame;
}

void Fit_in_available_area(QWidget* w, const QRect& keep_clear)
{
    Place_frame(w, Fitted_frame(w, keep_clear).topLeft());
}

void Place_frame(QWidget* w, const QPoint& corner)
{
    QWindow* window = w->windowHandle();
    // Not made yet, or shown in a frame Qt knows: Qt places the frame's corner itself.
    if (!window || !w->testAttribute(Qt::WA_WState_Created) || !Framed(w) ||
        (w->isVisible() && !Own_margins(w).isNull())) {
        w->move(corner);
        return;
    }
    // Hidden, or shown but not framed yet: the window manager is told where the frame goes, and
    // the next show asks it to keep the frame's corner there.
    if (!w->isVisible()) w->move(corner);
    window->setFramePosition(corner);
}

} // namespace wk::platform
