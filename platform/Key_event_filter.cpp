#include "platform/Key_event_filter.h"

#include "platform/Key_state.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace wk::platform {
namespace {

// A window of its own that has the keyboard while it is active; menus and tips do not take it.
bool Takes_keys(QObject* watched)
{
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || !w->isWindow()) return false;
    const Qt::WindowType type = w->windowType();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen;
}

class Key_filter final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* k = static_cast<QKeyEvent*>(event);
            if (!k->isAutoRepeat() || event->type() == QEvent::KeyPress)
                if (int vk = Virtual_key_of(k->key())) Set_key_down(vk, event->type() == QEvent::KeyPress);
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            auto* m = static_cast<QMouseEvent*>(event);
            const bool down = event->type() == QEvent::MouseButtonPress;
            if (m->button() == Qt::LeftButton) Set_key_down(VK_LBUTTON, down);
            if (m->button() == Qt::RightButton) Set_key_down(VK_RBUTTON, down);
            if (m->button() == Qt::MiddleButton) Set_key_down(VK_MBUTTON, down);
            break;
        }
        case QEvent::ApplicationDeactivate: Release_all_keys(); break;
        // Once a window goes or gives up the keyboard, the releases of keys pressed in it go
        // to another window or nowhere: they count as released now.
        case QEvent::WindowDeactivate:
        case QEvent::Hide:
        case QEvent::Close:
            if (Takes_keys(watched)) Release_all_keys();
            break;
        default: break;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int Virtual_key_of(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Delete: return VK_DELETE;
    default: return 0;
    }
}

void Install_key_event_filter()
{
    static Key_filter* filter = nullptr;
    if (!filter && QCoreApplication::instance()) {
        filter = new Key_filter(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(filter);
    }
}

} // namespace wk::platform
