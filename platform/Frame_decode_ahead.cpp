#include "platform/Frame_decode_ahead.h"

#include <algorithm>
#include <utility>

namespace wk::platform {

Frame_decode_ahead::Frame_decode_ahead() : worker_([this] { Run(); }) {}

Frame_decode_ahead::~Frame_decode_ahead()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void Frame_decode_ahead::Start(const Ahead_frame& frame, Av_frame_bytes bytes)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++generation_;
        has_result_ = false;
        has_job_ = true;
        job_frame_ = frame;
        job_bytes_ = std::move(bytes);
    }
    wake_.notify_one();
}

bool Frame_decode_ahead::Take(const Ahead_frame& frame, std::span<const uint8_t> bytes, Av_frame_decoder& into,
                              int slot, Av_frame_bytes* made_of)
{
    std::unique_lock<std::mutex> lock(mutex_);
    // The frame asked for is being decoded, or waits for the worker: waiting for it costs less
    // than decoding it here as well.
    const bool coming = (running_ && running_generation_ == generation_ && running_frame_ == frame) ||
                        (has_job_ && job_frame_ == frame);
    if (coming) finished_.wait(lock, [&] { return stop_ || (!running_ && !has_job_); });
    const bool usable = has_result_ && result_frame_ == frame && decoder_ &&
                        std::ranges::equal(result_bytes_.Bytes(), bytes) && into.Take_kept(*decoder_, 0, slot);
    // Used or not, nothing ahead serves another frame. The bytes of a picture handed over go to
    // the caller, whose buffer takes their place; whichever buffer is left is the spare.
    if (has_result_) {
        if (usable && made_of != nullptr) std::swap(*made_of, result_bytes_);
        if (result_bytes_.Size() > 0) spare_ = std::move(result_bytes_);
    }
    has_result_ = false;
    has_job_ = false;
    ++generation_;
    return usable;
}

Av_frame_bytes Frame_decode_ahead::Spare_bytes()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return std::move(spare_);
}

void Frame_decode_ahead::Discard()
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    has_job_ = false;
    has_result_ = false;
}

int64_t Frame_decode_ahead::Decoded_count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return decoded_;
}

void Frame_decode_ahead::Run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || has_job_; });
        if (stop_) return;
        // The job is the worker's own from here: its bytes, and the decoder while it runs.
        Ahead_frame frame = std::move(job_frame_);
        Av_frame_bytes bytes = std::move(job_bytes_);
        has_job_ = false;
        has_result_ = false;
        running_ = true;
        running_frame_ = frame;
        running_generation_ = generation_;
        lock.unlock();
        if (!decoder_ || decoder_codec_ != frame.codec) {
            decoder_ = std::make_unique<Av_frame_decoder>(frame.codec);
            decoder_codec_ = frame.codec;
        }
        const bool decoded = decoder_->Keep(bytes, 0);
        lock.lock();
        running_ = false;
        if (decoded) ++decoded_;
        if (decoded && running_generation_ == generation_) {
            has_result_ = true;
            result_frame_ = std::move(frame);
            result_bytes_ = std::move(bytes);
        }
        finished_.notify_all();
    }
}

} // namespace wk::platform
