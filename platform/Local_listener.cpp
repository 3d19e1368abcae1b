#include "platform/Local_listener.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
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
    ::unlink(path.c_str());
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
        if (fd >= 0) return fd;
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

void Local_listener::Close_client(int fd) { ::close(fd); }

} // namespace wk::platform
