#pragma once
// Threads kept from one piece of shared-out work to the next. Starting a thread costs the system a
// stack to map, and a thread that ends may have its stack unmapped on every processor; a reading
// shares out its work a dozen times over, which would start and end some sixty threads.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace wk {

class Worker_threads {
public:
    // The threads the process keeps; they are stopped when it ends.
    static Worker_threads& Shared();

    Worker_threads() = default;
    ~Worker_threads(); // waits for what runs to end
    Worker_threads(const Worker_threads&) = delete;
    Worker_threads& operator=(const Worker_threads&) = delete;

    // Runs f on a kept thread that has nothing to do, or on a new one when none has; f must not
    // throw. Throws what starting a thread throws, f then not run.
    void Run(std::function<void()> f);

private:
    void Serve();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> waiting_;
    size_t idle_ = 0; // threads waiting for something to run
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace wk
