#pragma once
// Files read and written by position: nothing moves a file pointer and nothing ever truncates.
#include "platform/Byte_source.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace wk::platform {

class Raw_file final : public Byte_source {
public:
    enum class Mode { Read, Read_write, Create_new };
    Raw_file() = default;
    ~Raw_file() override;
    Raw_file(Raw_file&& other) noexcept;
    Raw_file& operator=(Raw_file&& other) noexcept;

    // Only regular files open; Create_new fails when the file exists. error is an errno value
    // on failure.
    bool Open(const std::string& path, Mode mode, int& error);
    void Close();
    bool Is_open() const { return fd_ >= 0; }

    bool Writable() const override { return writable_; }
    int64_t Size() const override;
    int64_t Read_at(int64_t offset, void* buffer, size_t n) const override;
    bool Write_at(int64_t offset, const void* buffer, size_t n) override;
    bool Allocate(int64_t offset, int64_t n) override;
    bool Sync() override;
    bool Identity(File_identity& id) const override;

private:
    int fd_ = -1;
    bool writable_ = false;
};

} // namespace wk::platform
