#pragma once
// Bytes read and written by position: a file, a copy in memory, or in tests one that fails on
// purpose. The recording readers see nothing else of where their bytes live.
#include <cstddef>
#include <cstdint>

namespace wk::platform {

// Which file on which device, and whose: what tells one file from another however it is named.
struct File_identity {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint32_t owner = 0;
};

class Byte_source {
public:
    Byte_source() = default;
    virtual ~Byte_source() = default;
    Byte_source(const Byte_source&) = delete;
    Byte_source& operator=(const Byte_source&) = delete;

    virtual bool Writable() const = 0;
    // -1 when it cannot be told.
    virtual int64_t Size() const = 0;
    // Up to n bytes at offset (fewer at the end); -1 on an error.
    virtual int64_t Read_at(int64_t offset, void* buffer, size_t n) const = 0;
    // All n bytes or false (Last_error says why).
    virtual bool Write_at(int64_t offset, const void* buffer, size_t n) = 0;
    // Makes sure writing [offset, offset + n) needs no more space: false, with nothing written,
    // when the disk cannot give it. The size grows when the range ends past it.
    virtual bool Allocate(int64_t offset, int64_t n) = 0;
    // What was written is on the disk when this returns true.
    virtual bool Sync() = 0;
    // The file behind the bytes; false where they are no file (bytes in memory).
    virtual bool Identity(File_identity&) const { return false; }

    // Exactly n bytes or false.
    bool Read_exact(int64_t offset, void* buffer, size_t n) const
    {
        return Read_at(offset, buffer, n) == int64_t(n);
    }
    // The errno value of the last failure.
    int Last_error() const { return error_; }

protected:
    mutable int error_ = 0;
};

} // namespace wk::platform
