#pragma once
// Runs a function later on one thread: the thread that created an object, which is where all of
// that object's callbacks must happen. Each thread that creates objects installs its dispatcher
// first (the Qt event loop in the program, a loop the test pumps in tests); creating an object on
// a thread without one fails with CO_E_NOTINITIALIZED.
#include "comlite/Comlite_export.h"

#include <functional>
#include <memory>

namespace wk::com {

class COMLITE_API Dispatcher {
public:
    virtual ~Dispatcher();
    // Safe from any thread. f runs once on the dispatcher's thread, or is destroyed unrun when
    // the dispatcher goes first.
    virtual void Post(std::function<void()> f) = 0;
};

// The calling thread's dispatcher, or null when none is installed.
COMLITE_API std::shared_ptr<Dispatcher> Thread_dispatcher();
COMLITE_API void Install_thread_dispatcher(std::shared_ptr<Dispatcher> d);

// Installs a dispatcher for its own life and puts the previous one back.
class Thread_dispatcher_scope {
public:
    explicit Thread_dispatcher_scope(std::shared_ptr<Dispatcher> d) : previous_(Thread_dispatcher())
    {
        Install_thread_dispatcher(std::move(d));
    }
    ~Thread_dispatcher_scope() { Install_thread_dispatcher(std::move(previous_)); }
    Thread_dispatcher_scope(const Thread_dispatcher_scope&) = delete;
    Thread_dispatcher_scope& operator=(const Thread_dispatcher_scope&) = delete;

private:
    std::shared_ptr<Dispatcher> previous_;
};

} // namespace wk::com
