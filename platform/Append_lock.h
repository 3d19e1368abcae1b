#pragma once
// A write lock on a whole recording for as long as a capture appends to it. The lock belongs to
// one open of the file (an open file description lock), so a second open in this process sees it
// as another process does, and it goes with the process: a killed capture leaves no lock behind.
// Network file systems that pass locks on (NFSv4, SMB with locking) show it to other stations.
#include <string>

namespace wk::platform {

class Append_lock {
public:
    Append_lock() = default;
    ~Append_lock() { Release(); }
    Append_lock(const Append_lock&) = delete;
    Append_lock& operator=(const Append_lock&) = delete;

    // Takes the lock on the file at path; false with error an errno value when it cannot
    // (EAGAIN: another appender holds it).
    bool Take(const std::string& path, int& error);
    void Release();
    bool Taken() const { return fd_ >= 0; }

    // Whether an appender, in this process or another, holds the lock on path now. A file that
    // cannot be opened or asked is taken as not held.
    static bool Held(const std::string& path);

private:
    int fd_ = -1;
};

} // namespace wk::platform
