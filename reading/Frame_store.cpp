#include "reading/Frame_store.h"

#include "platform/Av_frame_decoder.h"
#include "platform/Byte_file.h"

#include "reading/Picture_pool.h"

#include "platform/Av_library.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace wk {
namespace {

constexpr size_t k_Kept_between_readings = 96; // pictures
constexpr size_t k_Decoders_kept = 16;

// Decoders kept from one reading to the next, with the memory they decode into: a new decoder's
// first picture takes fresh memory that it zeroes, which for a reading that decodes a few dozen
// frames on several threads costs about a tenth of its processor time. A frame decodes alike
// whatever the decoder decoded before it.
class Decoder_shelf {
public:
    struct Kept {
        std::string codec;
        std::unique_ptr<platform::Av_frame_decoder> decoder;
        std::unique_ptr<platform::Av_frame_bytes> bytes;
    };

    static Decoder_shelf& Shared()
    {
        // The libraries are opened first, so that they are closed after the decoders kept.
        platform::Av_library::Get();
        static Decoder_shelf shelf;
        return shelf;
    }

    Kept Take(const std::string& codec)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = std::find_if(kept_.begin(), kept_.end(), [&](const Kept& k) { return k.codec == codec; });
        if (it == kept_.end())
            return {codec, std::make_unique<platform::Av_frame_decoder>(codec),
                    std::make_unique<platform::Av_frame_bytes>()};
        Kept k = std::move(*it);
        kept_.erase(it);
        return k;
    }

    void Put_back(Kept k)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (kept_.size() < k_Decoders_kept) kept_.push_back(std::move(k));
    }

private:
    std::mutex mutex_;
    std::vector<Kept> kept_;
};

} // namespace

Frame_store::Decoding::Decoding(const Finish_strip_source& source) : codec_(source.codec)
{
    Decoder_shelf::Kept k = Decoder_shelf::Shared().Take(codec_);
    decoder_ = std::move(k.decoder);
    bytes_ = std::move(k.bytes);
    int error = 0;
    file_ = platform::Open_byte_source(source.path, platform::Raw_file::Mode::Read, error);
}

Frame_store::Decoding::~Decoding()
{
    if (decoder_->Is_open()) Decoder_shelf::Shared().Put_back({codec_, std::move(decoder_), std::move(bytes_)});
}

Frame_store::Frame_store(const Finish_strip_source& source, size_t keep, Columns colour, Columns lit)
    : source_(source), keep_(keep), colour_(colour), lit_(lit),
      pool_(Picture_pool::Shared(Bgr_bytes() + size_t(source.frame_width) * size_t(source.frame_height)))
{
}

Frame_store::~Frame_store()
{
    entries_.clear();
    // What the next reading needs stays; a long recording's surplus goes back.
    pool_->Trim(k_Kept_between_readings);
}

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
    // The columns asked for are written whole by the decoder: never zeroed first, which would cost
    // about what decoding does.
    bool coded_brightness = false;
    if (!d.decoder_->Decode_columns(d.bytes_->Bytes(), bits, source_.frame_width, source_.frame_height, colour_.first,
                                    colour_.last, bits + Bgr_bytes(), lit_.first, lit_.last, coded_brightness)) {
        pool_->Give_back(bits);
        return nullptr;
    }
    if (!coded_brightness) Work_back_brightness(bits, bits + Bgr_bytes());
    return Picture(bits, [pool = pool_](const uint8_t* b) { pool->Give_back(const_cast<uint8_t*>(b)); });
}

size_t Frame_store::Bgr_bytes() const
{
    return size_t(platform::Bgr_stride(source_.frame_width)) * size_t(source_.frame_height);
}

void Frame_store::Work_back_brightness(const uint8_t* bgr, uint8_t* brightness) const
{
    const int32_t w = source_.frame_width, h = source_.frame_height, stride = platform::Bgr_stride(w);
    const int32_t first = std::max(0, lit_.first), last = std::min(w - 1, lit_.last);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* p = bgr + size_t(h - 1 - y) * size_t(stride);
        for (int32_t x = first; x <= last; ++x)
            brightness[size_t(y) * size_t(w) + size_t(x)] =
                uint8_t((29 * p[3 * x] + 150 * p[3 * x + 1] + 77 * p[3 * x + 2] + 128) >> 8);
    }
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
