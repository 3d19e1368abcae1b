#pragma once
// Files read and written by position: nothing moves a file pointer and nothing ever truncates.
#include <cstddef>
#include <cstdint>
#include <string>

namespace wk::platform {

class Raw_file {
public:
    enum class Mode { Read, Read_write, Create_new };
    Raw_file() = default;
    ~Raw_file();
    Raw_file(const Raw_file&) = delete;
    Raw_file& operator=(const Raw_file&) = delete;
    Raw_file(Raw_file&& other) noexcept;
    Raw_file& operator=(Raw_file&& other) noexcept;

    // Create_new fails when the file exists. error is an errno value on failure.
    bool Open(const std::string& path, Mode mode, int& error);
    void Close();
    bool Is_open() const { return fd_ >= 0; }
    bool Writable() const { return writable_; }
    // -1 when it cannot be told.
    int64_t Size() const;
    // Up to n bytes at offset (fewer at the end of the file); -1 on an error.
    int64_t Read_at(int64_t offset, void* buffer, size_t n) const;
    // Exactly n bytes or false.
    bool Read_exact(int64_t offset, void* buffer, size_t n) const;
    // All n bytes or false.
    bool Write_at(int64_t offset, const void* buffer, size_t n);

private:
    int fd_ = -1;
    bool writable_ = false;
};

} // namespace wk::platform
