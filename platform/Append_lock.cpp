#include "platform/Append_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace wk::platform {

namespace {

struct flock Whole_file(short type)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    return lock;
}

} // namespace

bool Append_lock::Take(const std::string& path, int& error)
{
    Release();
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    struct flock lock = Whole_file(F_WRLCK);
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        error = errno == EACCES ? EAGAIN : errno;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void Append_lock::Release()
{
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
}

bool Append_lock::Held(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock lock = Whole_file(F_WRLCK);
    const bool asked = ::fcntl(fd, F_OFD_GETLK, &lock) == 0;
    ::close(fd);
    return asked && lock.l_type != F_UNLCK;
}

} // namespace wk::platform
