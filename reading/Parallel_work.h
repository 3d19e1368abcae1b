#pragma once
// Work shared out over a few threads, the calling thread one of them.
#include <cstddef>
#include <functional>
#include <thread>

namespace wk {

// Calls work(index, worker) once for every index below count, on min(workers, count) threads;
// worker (0 for the calling thread) says which thread, so that each can use what is its own.
// Returns when all is done; the first exception a call threw is thrown again then. The threads
// are the process's kept ones (Worker_threads), there for the next call.
// A thread that cannot be started leaves its share to those that were: the work is the same, only
// slower.
void Run_parallel(size_t count, size_t workers, const std::function<void(size_t index, size_t worker)>& work);

// The same, on threads of its own that start starts and that end with the call; what start
// throws means one thread fewer.
using Thread_start = std::function<std::thread(std::function<void()>)>;
void Run_parallel(size_t count, size_t workers, const std::function<void(size_t index, size_t worker)>& work,
                  const Thread_start& start);

} // namespace wk
