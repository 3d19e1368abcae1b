#pragma once
// Decoded frames shared by the threads that read one recording: each frame is decoded once, by
// the first thread that asks for it, while the others that want it wait for that picture; the
// pictures asked for last are kept for whoever asks again, and a picture stays valid while
// anyone holds it. Pictures are bottom-up BGR, Bgr_stride(width) bytes a row, followed by the
// picture's brightness (Brightness()).
#include "recording/Finish_strip.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace wk {

namespace platform {
class Av_frame_bytes;
class Av_frame_decoder;
class Byte_source;
} // namespace platform

class Picture_pool;

class Frame_store {
public:
    using Picture = std::shared_ptr<const uint8_t>;

    // One thread's decoder and its own way into the file: a thread decodes with its own alone.
    class Decoding {
    public:
        explicit Decoding(const Finish_strip_source& source);
        ~Decoding();
        Decoding(const Decoding&) = delete;
        Decoding& operator=(const Decoding&) = delete;

    private:
        friend class Frame_store;
        std::string codec_;
        std::unique_ptr<platform::Av_frame_decoder> decoder_;
        std::unique_ptr<platform::Byte_source> file_;
        std::unique_ptr<platform::Av_frame_bytes> bytes_;
    };

    // The columns of the frame that anyone asks for, first and last: only those are converted.
    struct Columns {
        int32_t first = 0, last = INT32_MAX;
    };

    // source must outlive the store. keep: how many pictures nobody holds stay decoded.
    // colour, lit: the columns whose colour and whose brightness anyone asks for; outside them a
    // picture holds whatever its memory held before.
    Frame_store(const Finish_strip_source& source, size_t keep, Columns colour, Columns lit);
    Frame_store(const Finish_strip_source& source, size_t keep)
        : Frame_store(source, keep, Columns{0, INT32_MAX}, Columns{0, INT32_MAX}) {}
    ~Frame_store();
    Frame_store(const Frame_store&) = delete;
    Frame_store& operator=(const Frame_store&) = delete;

    const Finish_strip_source& Source() const { return source_; }
    int32_t Frames() const { return int32_t(source_.places.size()); }
    // Frame (1-based), decoded with the calling thread's decoding unless another thread has it
    // or is decoding it; none when it cannot be read or decoded.
    Picture Get(int32_t frame, Decoding& decoding);
    // The brightness of a picture Get gave: width bytes a row, top row first, as the picture was
    // coded where it carries brightness of its own, else worked back from its BGR. Only the
    // columns asked for hold it.
    const uint8_t* Brightness(const Picture& picture) const { return picture.get() + Bgr_bytes(); }
    // How many frames were decoded, and how many of those asked for could not be.
    int32_t Decoded() const;
    int32_t Unreadable() const;

private:
    struct Entry {
        bool ready = false;
        Picture picture; // none: not readable
        uint64_t used = 0;
    };

    Picture Decode(int32_t frame, Decoding& decoding);
    size_t Bgr_bytes() const;
    void Work_back_brightness(const uint8_t* bgr, uint8_t* brightness) const;
    void Settle(int32_t frame, Picture picture);
    void Let_go_of_oldest();

    const Finish_strip_source& source_;
    const size_t keep_;
    const Columns colour_, lit_;
    std::shared_ptr<Picture_pool> pool_; // also held by every picture given out
    mutable std::mutex mutex_;
    std::condition_variable settled_;
    std::map<int32_t, Entry> entries_;
    uint64_t clock_ = 0;
    int32_t decoded_ = 0, unreadable_ = 0;
};

} // namespace wk
