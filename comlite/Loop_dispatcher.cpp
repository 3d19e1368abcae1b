#include "comlite/Loop_dispatcher.h"

namespace wk::com {

void Loop_dispatcher::Post(std::function<void()> f)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(f));
    }
    posted_.notify_all();
}

size_t Loop_dispatcher::Run_pending()
{
    size_t ran = 0;
    for (;;) {
        std::function<void()> f;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return ran;
            f = std::move(queue_.front());
            queue_.pop_front();
        }
        // Run outside the lock: the function may post, or pump again.
        f();
        ++ran;
    }
}

size_t Loop_dispatcher::Wait_and_run(std::chrono::milliseconds timeout)
{
    {
        std::unique_lock lock(mutex_);
        posted_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
    }
    return Run_pending();
}

size_t Loop_dispatcher::Queued() const
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

} // namespace wk::com
