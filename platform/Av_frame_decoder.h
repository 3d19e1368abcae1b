#pragma once
// The frame decoder of the recordings: DV (and the other video codecs libavcodec knows by their
// FOURCC) decoded with libavcodec and converted to bottom-up BGR with libswscale.
#include "platform/Frame_decoder.h"

#include <memory>
#include <string>

namespace wk::platform {

class Av_frame_decoder final : public Frame_decoder {
public:
    // fourcc as stored in AVI files ("dvsd", "CDVC", "MJPG" ...); DV when empty.
    explicit Av_frame_decoder(const std::string& fourcc = "");
    ~Av_frame_decoder() override;
    Av_frame_decoder(const Av_frame_decoder&) = delete;
    Av_frame_decoder& operator=(const Av_frame_decoder&) = delete;

    // False when libavcodec has no decoder for the codec.
    bool Is_open() const;
    bool Decode(std::span<const uint8_t> frame, uint8_t* bits, int32_t width, int32_t height) override;
    // How many frames were decoded since the decoder was made (for tests and benchmarks).
    int64_t Decoded_count() const { return decoded_; }

private:
    struct State;
    std::unique_ptr<State> state_;
    int64_t decoded_ = 0;
};

// The stride of a 24-bit row: (3 x width + 3) & ~3.
inline int32_t Bgr_stride(int32_t width) { return (3 * width + 3) & ~3; }

} // namespace wk::platform
