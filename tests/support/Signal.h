#pragma once
// A change another thread announces: a fake, a hook of the program or a helper thread notifies,
// and a test waiting for a condition re-checks it at each notice instead of at each tick.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace wk::test {

class Signal {
public:
    // Any thread, after the change it announces.
    void Notify();
    // For hooks that take a plain function; the signal must outlive the hook.
    std::function<void()> Notifier()
    {
        return [this] { Notify(); };
    }
    // Waits until done() holds, re-checking it at each notice; false when it still does not once
    // hang is over, a bound that only catches a hang. done() runs under the signal's lock.
    bool Wait_until(const std::function<bool()>& done, std::chrono::milliseconds hang = std::chrono::seconds(60));

private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

} // namespace wk::test
