#pragma once
// Bytes held in memory: a whole recording read in at once, or the bytes a test or a fuzz target
// hands over. With a source behind it, every write goes to that source first and reaches the
// copy only when it got there, so the copy never shows what the file lacks.
#include "platform/Byte_source.h"

#include <memory>
#include <vector>

namespace wk::platform {

class Memory_bytes final : public Byte_source {
public:
    explicit Memory_bytes(std::vector<uint8_t> bytes, bool writable = false);
    Memory_bytes(std::vector<uint8_t> bytes, std::unique_ptr<Byte_source> behind);

    bool Writable() const override;
    int64_t Size() const override { return int64_t(bytes_.size()); }
    int64_t Read_at(int64_t offset, void* buffer, size_t n) const override;
    bool Write_at(int64_t offset, const void* buffer, size_t n) override;
    bool Allocate(int64_t offset, int64_t n) override;
    bool Sync() override;

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    // The source behind the copy, handed back; the copy is emptied.
    std::unique_ptr<Byte_source> Release_behind();

private:
    bool Grow_to(int64_t end);

    std::vector<uint8_t> bytes_;
    std::unique_ptr<Byte_source> behind_;
    bool writable_ = false;
};

} // namespace wk::platform
