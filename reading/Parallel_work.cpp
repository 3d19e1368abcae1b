#include "reading/Parallel_work.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace wk {

void Run_parallel(size_t count, size_t workers, const std::function<void(size_t index, size_t worker)>& work)
{
    Run_parallel(count, workers, work, [](std::function<void()> f) { return std::thread(std::move(f)); });
}

void Run_parallel(size_t count, size_t workers, const std::function<void(size_t index, size_t worker)>& work,
                  const Thread_start& start)
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
    std::vector<std::thread> threads;
    const size_t n = std::min(std::max<size_t>(workers, 1), count);
    for (size_t w = 1; w < n; ++w) {
        // Threads already started must be joined whatever happens, so a thread the system will
        // not give is done without rather than thrown past them.
        try {
            threads.push_back(start([&run, w] { run(w); }));
        } catch (...) {
            break;
        }
    }
    run(0);
    for (auto& t : threads) t.join();
    if (failure) std::rethrow_exception(failure);
}

} // namespace wk
