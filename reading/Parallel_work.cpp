#include "reading/Parallel_work.h"

#include "reading/Worker_threads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace wk {
namespace {

// How many calls of the work still run on other threads. Each of them holds it too, so that the
// last to end may still tell the caller after the caller stopped waiting.
struct Running {
    std::mutex mutex;
    std::condition_variable ended;
    size_t calls = 0;
};

// Shares the work out over threads that launch starts (throwing when it cannot), and waits for
// them all.
void Share(size_t count, size_t workers, const std::function<void(size_t index, size_t worker)>& work,
           const std::function<void(std::function<void()>)>& launch)
{
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::exception_ptr failure;
    auto run = [&](size_t worker) {
        try {
            for (size_t i = next++; i < count; i = next++) work(i, worker);
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!failure) failure = std::current_exception();
            next = count; // the others stop after what they are doing
        }
    };
    const auto running = std::make_shared<Running>();
    const size_t n = std::min(std::max<size_t>(workers, 1), count);
    for (size_t w = 1; w < n; ++w) {
        std::unique_lock<std::mutex> lock(running->mutex);
        ++running->calls;
        lock.unlock();
        // Threads already started must be waited for whatever happens, so a thread the system
        // will not give is done without rather than thrown past them.
        try {
            launch([&run, w, running] {
                run(w);
                std::lock_guard<std::mutex> ended(running->mutex);
                if (--running->calls == 0) running->ended.notify_all();
            });
        } catch (...) {
            lock.lock();
            --running->calls;
            break;
        }
    }
    run(0);
    std::unique_lock<std::mutex> lock(running->mutex);
    running->ended.wait(lock, [&] { return running->calls == 0; });
    lock.unlock();
    if (failure) std::rethrow_exception(failure);
}

} // namespace

void Run_parallel(size_t count, size_t workers, const std::function<void(size_t index, size_t worker)>& work)
{
    Share(count, workers, work, [](std::function<void()> f) { Worker_threads::Shared().Run(std::move(f)); });
}

void Run_parallel(size_t count, size_t workers, const std::function<void(size_t index, size_t worker)>& work,
                  const Thread_start& start)
{
    std::vector<std::thread> threads;
    try {
        Share(count, workers, work, [&](std::function<void()> f) { threads.push_back(start(std::move(f))); });
    } catch (...) {
        for (auto& t : threads) t.join();
        throw;
    }
    for (auto& t : threads) t.join();
}

} // namespace wk
