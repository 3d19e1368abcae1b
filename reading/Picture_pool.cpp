#include "reading/Picture_pool.h"

#include <algorithm>

#include <sys/mman.h>

namespace wk {
namespace {

constexpr size_t k_Large_page = size_t(2) << 20;
constexpr size_t k_Block_pictures = 8;

} // namespace

std::shared_ptr<Picture_pool> Picture_pool::Shared(size_t bytes)
{
    static std::mutex mutex;
    static std::shared_ptr<Picture_pool> kept;
    std::lock_guard<std::mutex> lock(mutex);
    if (!kept || kept->Bytes() != bytes) kept = std::make_shared<Picture_pool>(bytes);
    return kept;
}

Picture_pool::Picture_pool(size_t bytes) : bytes_(std::max<size_t>(bytes, 1)) {}

Picture_pool::~Picture_pool()
{
    for (const Block& b : blocks_) munmap(b.at, b.length);
}

uint8_t* Picture_pool::Take()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (free_.empty() && !Add_block()) return nullptr;
    uint8_t* p = free_.back();
    free_.pop_back();
    return p;
}

void Picture_pool::Give_back(uint8_t* picture)
{
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(picture);
}

// Taken in large blocks the kernel may back with its large pages.
bool Picture_pool::Add_block()
{
    const size_t length = k_Block_pictures * bytes_ + k_Large_page;
    void* at = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (at == MAP_FAILED) return false;
    auto* first = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(at) + k_Large_page - 1) & ~(k_Large_page - 1));
    // Only advice: without large pages the block is ordinary memory.
    madvise(first, k_Block_pictures * bytes_, MADV_HUGEPAGE);
    blocks_.push_back({at, length, first});
    for (size_t i = k_Block_pictures; i-- > 0;) free_.push_back(first + i * bytes_);
    return true;
}

bool Picture_pool::Unused(const Block& b) const
{
    const uint8_t* end = b.first + k_Block_pictures * bytes_;
    return size_t(std::count_if(free_.begin(), free_.end(), [&](const uint8_t* p) { return p >= b.first && p < end; })) ==
           k_Block_pictures;
}

void Picture_pool::Trim(size_t most)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = blocks_.size(); i-- > 0 && blocks_.size() * k_Block_pictures > most;) {
        const Block b = blocks_[i];
        if (!Unused(b)) continue;
        const uint8_t* end = b.first + k_Block_pictures * bytes_;
        std::erase_if(free_, [&](const uint8_t* p) { return p >= b.first && p < end; });
        munmap(b.at, b.length);
        blocks_.erase(blocks_.begin() + std::ptrdiff_t(i));
    }
}

size_t Picture_pool::Pictures() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return blocks_.size() * k_Block_pictures;
}

} // namespace wk
