#include "tests/support/Folder_watch.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace wk::test {
namespace {

class Inotify_fd {
public:
    Inotify_fd() : fd_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {}
    ~Inotify_fd()
    {
        if (fd_ >= 0) close(fd_);
    }
    Inotify_fd(const Inotify_fd&) = delete;
    Inotify_fd& operator=(const Inotify_fd&) = delete;
    int get() const { return fd_; }
    // Reads every change waiting; only that something changed matters.
    void Drain() const
    {
        alignas(inotify_event) char buf[4096];
        while (read(fd_, buf, sizeof buf) > 0) {
        }
    }

private:
    int fd_;
};

constexpr uint32_t k_Changes = IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_ATTRIB;

} // namespace

bool Wait_for_change_in(const std::filesystem::path& folder, const std::function<bool()>& done,
                        std::chrono::milliseconds hang)
{
    Inotify_fd watch;
    if (watch.get() < 0 || inotify_add_watch(watch.get(), folder.c_str(), k_Changes) < 0) {
        ADD_FAILURE() << "cannot watch " << folder << ": " << std::strerror(errno);
        return false;
    }
    // The watch is set before the first check, so a change after that check wakes the wait.
    const auto end = std::chrono::steady_clock::now() + hang;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{watch.get(), POLLIN, 0};
        if (poll(&p, 1, int(left.count()) + 1) < 0 && errno != EINTR) {
            ADD_FAILURE() << "waiting for a change in " << folder << ": " << std::strerror(errno);
            return false;
        }
        watch.Drain();
    }
    return true;
}

} // namespace wk::test
