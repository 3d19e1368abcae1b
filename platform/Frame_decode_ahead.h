#pragma once
// Decoding the next frame ahead on a worker thread while the picture of this one is shown: the
// worker has its own decoder and its own copy of the frame's bytes, and hands back a decoded
// picture that the caller moves into its own decoder. Everything else stays on the caller's
// thread; one frame is ahead at most.
#include "platform/Av_frame_decoder.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>

namespace wk::platform {

// Which frame a decode ahead is for: a picture is used only for exactly the frame it was made for.
struct Ahead_frame {
    std::string codec;      // the decoder's codec (empty for DV)
    int64_t recording = 0;  // which opening of which recording
    int32_t frame = 0;
    int16_t stream = 0;
    bool operator==(const Ahead_frame&) const = default;
};

class Frame_decode_ahead {
public:
    Frame_decode_ahead();
    // Waits for a decode that runs, then ends the worker.
    ~Frame_decode_ahead();
    Frame_decode_ahead(const Frame_decode_ahead&) = delete;
    Frame_decode_ahead& operator=(const Frame_decode_ahead&) = delete;

    // Decodes bytes for frame on the worker; what was ahead before is dropped.
    void Start(const Ahead_frame& frame, Av_frame_bytes bytes);
    // The picture decoded ahead for frame, moved into slot of into, when it was made of exactly
    // bytes: waits for a decode of that frame that still runs. Anything else ahead is dropped
    // and false returned (the caller decodes the frame itself).
    // With made_of, a picture handed over also hands over the bytes it was made of (equal to
    // bytes), so that the caller keeps them without a copy of its own; what made_of held is read
    // over again for a later frame.
    bool Take(const Ahead_frame& frame, std::span<const uint8_t> bytes, Av_frame_decoder& into, int slot,
              Av_frame_bytes* made_of = nullptr);
    // A buffer that held the bytes of an earlier frame, to read the next frame's into: stepping
    // reuses a few buffers instead of making one for every frame. Empty when none is spare.
    Av_frame_bytes Spare_bytes();
    // Drops what is ahead; a decode that runs finishes unseen.
    void Discard();
    // Frames the worker decoded, used or not (for tests and benchmarks).
    int64_t Decoded_count() const;

private:
    void Run();

    mutable std::mutex mutex_;
    std::condition_variable wake_, finished_;
    // The frame waiting for the worker.
    bool has_job_ = false;
    Ahead_frame job_frame_;
    Av_frame_bytes job_bytes_;
    // The frame being decoded; its picture is dropped when the generation moved on meanwhile.
    bool running_ = false;
    Ahead_frame running_frame_;
    uint64_t generation_ = 0, running_generation_ = 0;
    // The frame decoded: its picture is kept in slot 0 of the worker's decoder.
    bool has_result_ = false;
    Ahead_frame result_frame_;
    Av_frame_bytes result_bytes_;
    Av_frame_bytes spare_;
    std::unique_ptr<Av_frame_decoder> decoder_; // the worker's own; touched by the caller only while no decode runs
    std::string decoder_codec_;
    int64_t decoded_ = 0;
    bool stop_ = false;
    std::thread worker_;
};

} // namespace wk::platform
