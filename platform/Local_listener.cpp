#include "platform/Local_listener.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace wk::platform {

Local_listener::Result Local_listener::Listen(const std::string& path, int& error)
{
    Close();
    error = 0;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        error = ENAMETOOLONG;
        return Result::name_too_long;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = errno;
        return Result::no_socket;
    }
    // A socket left by a program that ended badly would block the name.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid()) ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        error = errno;
        ::close(fd);
        return Result::cannot_listen;
    }
    fd_ = fd;
    path_ = path;
    return Result::listening;
}

int Local_listener::Accept(int& error)
{
    for (;;) {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0 && Peer_is_this_user(fd)) return fd;
        if (fd >= 0) {
            // Another user's commands would drive this user's capture.
            ::close(fd);
            ++refused_;
            continue;
        }
        error = errno == EWOULDBLOCK ? EAGAIN : errno;
        // A client that left before it was taken is no failure: the next one is tried.
        if (error != EINTR && error != ECONNABORTED) return -1;
    }
}

void Local_listener::Close()
{
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(path_.c_str());
    fd_ = -1;
}

bool Local_listener::Peer_is_this_user(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer && peer.uid == ::geteuid();
}

} // namespace wk::platform
