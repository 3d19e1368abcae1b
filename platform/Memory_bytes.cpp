#include "platform/Memory_bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace wk::platform {

Memory_bytes::Memory_bytes(std::vector<uint8_t> bytes, bool writable) : bytes_(std::move(bytes)), writable_(writable) {}

Memory_bytes::Memory_bytes(std::vector<uint8_t> bytes, std::unique_ptr<Byte_source> behind)
    : bytes_(std::move(bytes)), behind_(std::move(behind))
{
}

bool Memory_bytes::Writable() const { return behind_ ? behind_->Writable() : writable_; }

int64_t Memory_bytes::Read_at(int64_t offset, void* buffer, size_t n) const
{
    if (offset < 0) {
        error_ = EINVAL;
        return -1;
    }
    if (n == 0 || offset >= int64_t(bytes_.size())) return 0;
    const size_t count = std::min(n, size_t(int64_t(bytes_.size()) - offset));
    std::memcpy(buffer, bytes_.data() + offset, count);
    return int64_t(count);
}

bool Memory_bytes::Grow_to(int64_t end)
{
    if (end <= int64_t(bytes_.size())) return true;
    try {
        bytes_.resize(size_t(end), 0);
        return true;
    } catch (const std::bad_alloc&) {
        error_ = ENOMEM;
        return false;
    } catch (const std::length_error&) {
        error_ = EFBIG;
        return false;
    }
}

bool Memory_bytes::Write_at(int64_t offset, const void* buffer, size_t n)
{
    if (offset < 0 || !Writable()) {
        error_ = offset < 0 ? EINVAL : EBADF;
        return false;
    }
    if (behind_ && !behind_->Write_at(offset, buffer, n)) {
        error_ = behind_->Last_error();
        return false;
    }
    if (!Grow_to(offset + int64_t(n))) return false;
    if (n > 0) std::memcpy(bytes_.data() + offset, buffer, n);
    return true;
}

bool Memory_bytes::Allocate(int64_t offset, int64_t n)
{
    if (offset < 0 || n < 0 || !Writable()) {
        error_ = EBADF;
        return false;
    }
    if (behind_ && !behind_->Allocate(offset, n)) {
        error_ = behind_->Last_error();
        return false;
    }
    return Grow_to(offset + n);
}

bool Memory_bytes::Sync()
{
    if (!behind_ || behind_->Sync()) return true;
    error_ = behind_->Last_error();
    return false;
}

std::unique_ptr<Byte_source> Memory_bytes::Release_behind()
{
    bytes_.clear();
    bytes_.shrink_to_fit();
    return std::move(behind_);
}

} // namespace wk::platform
