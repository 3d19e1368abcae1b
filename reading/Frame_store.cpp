#include "reading/Frame_store.h"

#include "platform/Av_frame_decoder.h"
#include "platform/Byte_file.h"

#include <vector>

#include <sys/mman.h>

namespace wk {

// Picture memory, kept for the store's life and handed out again when a picture is let go. It is
// taken in large blocks the kernel may back with its large pages: memory a process touches for
// the first time costs a fault and a cleared page for every 4 KiB of it, which for a decoded
// frame costs more than decoding it.
struct Frame_store::Pool {
    static constexpr size_t k_Large_page = size_t(2) << 20;
    static constexpr size_t k_Block_pictures = 8;

    std::mutex mutex;
    size_t bytes = 0; // a picture
    std::vector<uint8_t*> free;
    std::vector<std::pair<void*, size_t>> blocks;

    ~Pool()
    {
        for (auto [at, length] : blocks) munmap(at, length);
    }
    // nullptr without the memory.
    uint8_t* Take()
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (free.empty() && !Add_block()) return nullptr;
        uint8_t* b = free.back();
        free.pop_back();
        return b;
    }
    void Give_back(uint8_t* b)
    {
        std::lock_guard<std::mutex> lock(mutex);
        free.push_back(b);
    }
    bool Add_block()
    {
        const size_t length = k_Block_pictures * bytes + k_Large_page;
        void* at = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (at == MAP_FAILED) return false;
        blocks.push_back({at, length});
        auto* first = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(at) + k_Large_page - 1) & ~(k_Large_page - 1));
        // Only advice: without large pages the block is ordinary memory.
        madvise(first, k_Block_pictures * bytes, MADV_HUGEPAGE);
        for (size_t i = k_Block_pictures; i-- > 0;) free.push_back(first + i * bytes);
        return true;
    }
};

Frame_store::Decoding::Decoding(const Finish_strip_source& source)
    : decoder_(std::make_unique<platform::Av_frame_decoder>(source.codec)),
      bytes_(std::make_unique<platform::Av_frame_bytes>())
{
    int error = 0;
    file_ = platform::Open_byte_source(source.path, platform::Raw_file::Mode::Read, error);
}

Frame_store::Decoding::~Decoding() = default;

Frame_store::Frame_store(const Finish_strip_source& source, size_t keep)
    : source_(source), keep_(keep), pool_(std::make_shared<Pool>())
{
    pool_->bytes = size_t(platform::Bgr_stride(source.frame_width)) * size_t(source.frame_height);
}

Frame_store::~Frame_store() = default;

Frame_store::Picture Frame_store::Get(int32_t frame, Decoding& decoding)
{
    if (frame < 1 || frame > Frames()) return nullptr;
    std::unique_lock<std::mutex> lock(mutex_);
    for (auto it = entries_.find(frame); it != entries_.end(); it = entries_.find(frame)) {
        if (it->second.ready) {
            it->second.used = ++clock_;
            return it->second.picture;
        }
        settled_.wait(lock);
    }
    entries_.emplace(frame, Entry{});
    lock.unlock();
    Picture picture;
    try {
        picture = Decode(frame, decoding);
    } catch (...) {
        // Those waiting for it must not wait for ever.
        Settle(frame, nullptr);
        throw;
    }
    Settle(frame, picture);
    return picture;
}

void Frame_store::Settle(int32_t frame, Picture picture)
{
    std::lock_guard<std::mutex> lock(mutex_);
    Entry& e = entries_[frame];
    e.ready = true;
    e.used = ++clock_;
    if (picture) ++decoded_;
    else ++unreadable_;
    e.picture = std::move(picture);
    Let_go_of_oldest();
    settled_.notify_all();
}

// Forgets the picture asked for longest ago once more are kept than asked; whoever still holds
// it keeps it, and asking again decodes it again. Frames that cannot be read stay known.
void Frame_store::Let_go_of_oldest()
{
    size_t kept = 0;
    auto oldest = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (!it->second.ready || !it->second.picture) continue;
        ++kept;
        if (oldest == entries_.end() || it->second.used < oldest->second.used) oldest = it;
    }
    if (kept > keep_) entries_.erase(oldest);
}

Frame_store::Picture Frame_store::Decode(int32_t frame, Decoding& d)
{
    const Finish_strip_source::Place place = source_.places[size_t(frame - 1)];
    if (place.length == 0 || !d.file_ || !d.decoder_->Is_open()) return nullptr;
    uint8_t* into = d.bytes_->Resize(place.length);
    if (into == nullptr || !d.file_->Read_exact(place.offset, into, place.length)) return nullptr;
    uint8_t* bits = pool_->Take();
    if (bits == nullptr) return nullptr;
    // Written whole by the decoder: never zeroed first, which would cost about what decoding does.
    if (!d.decoder_->Decode(d.bytes_->Bytes(), bits, source_.frame_width, source_.frame_height)) {
        pool_->Give_back(bits);
        return nullptr;
    }
    return Picture(bits, [pool = pool_](const uint8_t* b) { pool->Give_back(const_cast<uint8_t*>(b)); });
}

int32_t Frame_store::Decoded() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return decoded_;
}

int32_t Frame_store::Unreadable() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return unreadable_;
}

} // namespace wk
