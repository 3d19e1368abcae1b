#pragma once
// Memory for decoded pictures of one size, handed out again when a picture is let go, and kept
// from one reading of a recording to the next: memory a process touches for the first time costs
// a fault and a cleared page for every 4 KiB of it, which for a decoded frame costs more than
// decoding it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace wk {

class Picture_pool {
public:
    // The pool the process keeps for pictures of bytes each; another size makes it a new one.
    static std::shared_ptr<Picture_pool> Shared(size_t bytes);

    explicit Picture_pool(size_t bytes);
    ~Picture_pool();
    Picture_pool(const Picture_pool&) = delete;
    Picture_pool& operator=(const Picture_pool&) = delete;

    size_t Bytes() const { return bytes_; }
    // A picture's memory, nullptr without it; its contents are whatever was there.
    uint8_t* Take();
    void Give_back(uint8_t* picture);
    // Returns to the system blocks nobody holds a picture of, until at most most pictures stay.
    void Trim(size_t most);
    size_t Pictures() const;

private:
    struct Block {
        void* at = nullptr;
        size_t length = 0;
        uint8_t* first = nullptr;
    };
    bool Add_block();
    bool Unused(const Block& b) const;

    const size_t bytes_;
    mutable std::mutex mutex_;
    std::vector<uint8_t*> free_;
    std::vector<Block> blocks_;
};

} // namespace wk
