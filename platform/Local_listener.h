#pragma once
// A local stream socket listening at a path and taking its clients without waiting: where the
// simulated control box's commands come in. Our own rather than QLocalServer, which closes for
// good when one accept fails.
#include <string>

namespace wk::platform {

class Local_listener {
public:
    enum class Result { listening, name_too_long, no_socket, cannot_listen };

    Local_listener() = default;
    ~Local_listener() { Close(); }
    Local_listener(const Local_listener&) = delete;
    Local_listener& operator=(const Local_listener&) = delete;

    // Listens at path, taking over a socket of this user's that a program which ended badly left
    // behind (anything else at the name stays, and the name cannot be had). error is the errno
    // value of what failed; no_socket (out of descriptors) may pass, the others do not.
    Result Listen(const std::string& path, int& error);
    bool Listening() const { return fd_ >= 0; }
    // What to watch for clients waiting.
    int Descriptor() const { return fd_; }
    // A waiting client's connected descriptor (non-blocking, closed on exec), or -1 with error
    // set: EAGAIN when none waits. Clients that left before they were taken are passed over, and
    // clients of another user are shut out (counted in Refused_peers).
    int Accept(int& error);
    int Refused_peers() const { return refused_; }
    // Whether the process at the other end of a connected local socket runs as this user.
    static bool Peer_is_this_user(int fd);
    // Stops listening and removes the name.
    void Close();

private:
    int fd_ = -1;
    std::string path_;
    int refused_ = 0;
};

} // namespace wk::platform
