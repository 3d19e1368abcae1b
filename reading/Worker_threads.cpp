#include "reading/Worker_threads.h"

namespace wk {

Worker_threads& Worker_threads::Shared()
{
    static Worker_threads threads;
    return threads;
}

Worker_threads::~Worker_threads()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void Worker_threads::Run(std::function<void()> f)
{
    std::lock_guard<std::mutex> lock(mutex_);
    waiting_.push_back(std::move(f));
    // Every piece waiting has an idle thread to take it, or a new thread is started for it.
    if (idle_ >= waiting_.size()) {
        wake_.notify_one();
        return;
    }
    try {
        threads_.emplace_back([this] { Serve(); });
    } catch (...) {
        waiting_.pop_back();
        throw;
    }
}

void Worker_threads::Serve()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        ++idle_;
        wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        --idle_;
        if (waiting_.empty()) return; // stopping, and nothing is left to run
        std::function<void()> f = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();
        f();
        lock.lock();
    }
}

} // namespace wk
