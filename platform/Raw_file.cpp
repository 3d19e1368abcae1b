#include "platform/Raw_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace wk::platform {

Raw_file::~Raw_file() { Close(); }

Raw_file::Raw_file(Raw_file&& other) noexcept : fd_(std::exchange(other.fd_, -1)), writable_(other.writable_) {}


Raw_file& Raw_file::operator=(Raw_file&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        writable_ = other.writable_;
    }
    return *this;
}

bool Raw_file::Open(const std::string& path, Mode mode, int& error)
{
    Close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::Read_write: flags |= O_RDWR; break;
    case Mode::Create_new: flags |= O_RDWR | O_CREAT | O_EXCL; break;
    }
    // A FIFO would block the open itself; nothing but a regular file is kept open.
    fd_ = ::open(path.c_str(), flags | O_NONBLOCK, 0666);
    if (fd_ < 0) {
        error = errno;
        return false;
    }
    struct stat st{};
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        Close();
        return false;
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    writable_ = mode != Mode::Read;
    error = 0;
    return true;
}

void Raw_file::Close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    writable_ = false;
}

int64_t Raw_file::Size() const
{
    struct stat st{};
    if (fd_ < 0 || fstat(fd_, &st) != 0) {
        error_ = fd_ < 0 ? EBADF : errno;
        return -1;
    }
    return int64_t(st.st_size);
}

int64_t Raw_file::Read_at(int64_t offset, void* buffer, size_t n) const
{
    if (fd_ < 0 || offset < 0) {
        error_ = EBADF;
        return -1;
    }
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < n) {
        const ssize_t r = ::pread(fd_, p + done, n - done, off_t(offset + int64_t(done)));
        if (r < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return -1;
        }
        if (r == 0) break;
        done += size_t(r);
    }
    return int64_t(done);
}

bool Raw_file::Write_at(int64_t offset, const void* buffer, size_t n)
{
    if (fd_ < 0 || !writable_ || offset < 0) {
        error_ = EBADF;
        return false;
    }
    size_t done = 0;
    const auto* p = static_cast<const char*>(buffer);
    while (done < n) {
        const ssize_t w = ::pwrite(fd_, p + done, n - done, off_t(offset + int64_t(done)));
        if (w < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return false;
        }
        done += size_t(w);
    }
    return true;
}

bool Raw_file::Allocate(int64_t offset, int64_t n)
{
    if (fd_ < 0 || !writable_ || offset < 0 || n < 0) {
        error_ = EBADF;
        return false;
    }
    if (n == 0) return true;
    // fallocate gives the blocks or fails with nothing changed; where the file system has no
    // such call, the library's fallback writes the missing blocks itself.
    if (::fallocate(fd_, 0, off_t(offset), off_t(n)) == 0) return true;
    if (errno != EOPNOTSUPP) {
        error_ = errno;
        return false;
    }
    const int r = ::posix_fallocate(fd_, off_t(offset), off_t(n));
    if (r == 0) return true;
    error_ = r;
    return false;
}

bool Raw_file::Sync()
{
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    if (::fdatasync(fd_) == 0) return true;
    error_ = errno;
    return false;
}

bool Raw_file::Identity(File_identity& id) const
{
    struct stat st{};
    if (fd_ < 0 || fstat(fd_, &st) != 0) return false;
    id.device = uint64_t(st.st_dev);
    id.inode = uint64_t(st.st_ino);
    id.owner = uint32_t(st.st_uid);
    return true;
}

} // namespace wk::platform
