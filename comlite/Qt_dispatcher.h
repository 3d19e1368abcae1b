#pragma once
// The program's dispatcher: functions run from the Qt event loop of the thread that made it.
#include "comlite/Dispatcher.h"

class QObject;

namespace wk::com {

class Qt_dispatcher final : public Dispatcher {
public:
    Qt_dispatcher();
    ~Qt_dispatcher() override;
    void Post(std::function<void()> f) override;

private:
    QObject* receiver_; // lives on the creating thread; posted functions run in its context
};

// Gives the calling thread, which runs a Qt event loop, a Qt_dispatcher.
void Install_qt_dispatcher();

} // namespace wk::com
