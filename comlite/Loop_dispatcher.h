#pragma once
// A dispatcher without an event loop: functions wait in a queue until the owning thread pumps it.
// Used where no Qt loop runs (tests, tools).
#include "comlite/Dispatcher.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace wk::com {

class COMLITE_API Loop_dispatcher final : public Dispatcher {
public:
    void Post(std::function<void()> f) override;
    // Runs, on the calling thread, what is queued and what those functions queue in turn;
    // returns how many ran. A function may pump again from inside.
    size_t Run_pending();
    // Waits up to timeout for something to be queued, then runs what is queued.
    size_t Wait_and_run(std::chrono::milliseconds timeout);
    size_t Queued() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

} // namespace wk::com
