#include "comlite/Qt_dispatcher.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace wk::com {

Qt_dispatcher::Qt_dispatcher() : receiver_(new QObject) {}

Qt_dispatcher::~Qt_dispatcher()
{
    // The last reference may go on another thread (a server object released there); the
    // receiver must die on its own thread, where its queued calls are dropped with it.
    if (receiver_->thread() == QThread::currentThread())
        delete receiver_;
    else
        receiver_->deleteLater();
}

void Qt_dispatcher::Post(std::function<void()> f)
{
    QMetaObject::invokeMethod(receiver_, std::move(f), Qt::QueuedConnection);
}

void Install_qt_dispatcher() { Install_thread_dispatcher(std::make_shared<Qt_dispatcher>()); }

} // namespace wk::com
