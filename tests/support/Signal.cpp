#include "tests/support/Signal.h"

namespace wk::test {

void Signal::Notify()
{
    // Taking the lock orders the notice after a waiter's last check, so none is missed.
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
}

bool Signal::Wait_until(const std::function<bool()>& done, std::chrono::milliseconds hang)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, hang, done);
}

} // namespace wk::test
