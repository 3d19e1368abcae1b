#include "capture/Keyboard_interface_kit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace wk {

Keyboard_interface_kit::Keyboard_interface_kit(QObject* watched) : watched_(watched)
{
    // The application sees every key first, whichever control of the window has the focus.
    if (qApp) qApp->installEventFilter(this);
}

Keyboard_interface_kit::~Keyboard_interface_kit()
{
    if (qApp) qApp->removeEventFilter(this);
}

void Keyboard_interface_kit::Open(int32_t serial)
{
    Simulated_interface_kit::Open(serial);
    Attach(k_Serial);
}

bool Keyboard_interface_kit::eventFilter(QObject* watched, QEvent* event)
{
    const bool press = event->type() == QEvent::KeyPress, release = event->type() == QEvent::KeyRelease;
    if (!press && !release) return false;
    // Only keys meant for the watched window; the key is taken by the first widget it reaches,
    // so it does not travel on to the parents.
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* target = qobject_cast<QWidget*>(watched_);
    auto* key = static_cast<QKeyEvent*>(event);
    // A held button let go while a message box is open is let go all the same; otherwise the
    // box would read it as held and miss the next press.
    const bool held_release = release && (key->key() == Qt::Key_F7 || key->key() == Qt::Key_F8);
    if (!widget || !target || (widget->window() != target->window() && !held_release)) return false;
    if (key->isAutoRepeat()) return key->key() >= Qt::Key_F5 && key->key() <= Qt::Key_F8;
    switch (key->key()) {
    case Qt::Key_F5:
        if (press) Set_input(1, !Input_state(1));
        return true;
    case Qt::Key_F6:
        if (press) Set_input(0, !Input_state(0));
        return true;
    case Qt::Key_F7: Set_input(2, press); return true;
    case Qt::Key_F8: Set_input(5, press); return true;
    default: return false;
    }
}

} // namespace wk
