#include "viewer/After_paint_queue.h"

#include <QCoreApplication>
#include <QEvent>

#include <utility>

namespace wk {

namespace {
const QEvent::Type k_Run = QEvent::Type(QEvent::registerEventType());
}

void After_paint_queue::Add(std::function<void()> work)
{
    works_.push_back(std::move(work));
    if (posted_) return;
    posted_ = true;
    // The same low priority as the update requests: behind those already posted.
    QCoreApplication::postEvent(this, new QEvent(k_Run), Qt::LowEventPriority);
}

void After_paint_queue::Run_now()
{
    // A work may add another: that one runs in this turn as well.
    while (!works_.empty()) {
        auto works = std::exchange(works_, {});
        for (auto& w : works) w();
    }
}

bool After_paint_queue::event(QEvent* event)
{
    if (event->type() != k_Run) return QObject::event(event);
    posted_ = false;
    Run_now();
    return true;
}

} // namespace wk
