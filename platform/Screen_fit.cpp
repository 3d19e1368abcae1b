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

bool Clear(const QRect& r, const QRect& room, const std::vector<QRect>& keep)
{
    if (!room.contains(r)) return false;
    for (const QRect& k : keep)
        if (r.intersects(k)) return false;
    return true;
}

// The corners worth trying: the room's, and beside (right of, left of) and under each area kept
// clear, level with its top or the room's.
std::vector<QPoint> Corners(QSize size, const QRect& room, const std::vector<QRect>& keep)
{
    std::vector<QPoint> corners{room.topLeft()};
    for (const QRect& k : keep) {
        if (k.isEmpty()) continue;
        for (const int y : {room.top(), k.top()}) {
            corners.emplace_back(k.right() + 1, y);
            corners.emplace_back(k.left() - size.width(), y);
        }
        for (const int x : {room.left(), k.left()}) corners.emplace_back(x, k.bottom() + 1);
    }
    // Nearest the top left first: the eye finds a window there, and the order is the same
    // whatever order the areas came in.
    std::stable_sort(corners.begin(), corners.end(), [](QPoint a, QPoint b) {
        return a.y() + a.x() < b.y() + b.x();
    });
    return corners;
}

// The largest frame, no smaller than least and no larger than size, from corner that stays clear.
QRect Shrunk_at(QPoint corner, QSize size, QSize least, const QRect& room, const std::vector<QRect>& keep)
{
    QRect best;
    for (int h = size.height(); h >= least.height(); h -= 8) {
        for (int w = size.width(); w >= least.width(); w -= 8) {
            const QRect r(corner, QSize(w, h));
            if (Clear(r, room, keep) && int64_t(w) * h > int64_t(best.width()) * best.height()) best = r;
            if (Clear(r, room, keep)) break;
        }
    }
    return best;
}

QRect Spot_avoiding(QSize size, const QRect& room, const std::vector<QRect>& keep, QSize least)
{
    const std::vector<QPoint> corners = Corners(size, room, keep);
    for (const QPoint c : corners)
        if (const QRect r(c, size); Clear(r, room, keep)) return r;
    QRect best;
    for (const QPoint c : corners) {
        const QRect r = Shrunk_at(c, size, least, room, keep);
        if (int64_t(r.width()) * r.height() > int64_t(best.width()) * best.height()) best = r;
    }
    return best;
}

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

QRect Clear_spot(QSize size, const QRect& room, const std::vector<QRect>& never, const std::vector<QRect>& rather,
                 QSize least)
{
    least = least.boundedTo(size);
    std::vector<QRect> both = never;
    both.insert(both.end(), rather.begin(), rather.end());
    // Made smaller before it covers what it should rather not: a window over the viewer's frame
    // goes behind it at the first click on the picture.
    if (const QRect r = Spot_avoiding(size, room, both, size); !r.isEmpty()) return r;
    if (const QRect r = Spot_avoiding(size, room, both, least); !r.isEmpty()) return r;
    if (const QRect r = Spot_avoiding(size, room, never, size); !r.isEmpty()) return r;
    return Spot_avoiding(size, room, never, least);
}

QRect Place_clear_of(QWidget* w, const std::vector<QRect>& never, const std::vector<QRect>& rather,
                     const QRect& keep_clear, QSize least)
{
    if (!w->isVisible() && !w->testAttribute(Qt::WA_Resized) && w->layout()) w->adjustSize();
    const QMargins m = Frame_margins(w);
    if (least.isEmpty()) least = w->minimumSizeHint().expandedTo(w->minimumSize()).expandedTo(QSize(120, 80));
    least = least.grownBy(m);
    const QRect spot = Clear_spot(w->size().grownBy(m), Window_room(keep_clear), never, rather, least);
    if (spot.isEmpty()) {
        Fit_in_available_area(w, keep_clear);
        return w->frameGeometry();
    }
    w->resize(spot.size().shrunkBy(m));
    Place_frame(w, spot.topLeft());
    return spot;
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
