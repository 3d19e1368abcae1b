#pragma once
// PAL DV frames of 720 x 576 I420 pictures, made by libavcodec's DV encoder on the calling
// thread: one picture in, its 144000 bytes out, in the same call, so nothing that goes with a
// picture (its times) can be paired with another picture's frame.
#include "capture_server/Field_weaver.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace wk {

class Dv_encoder {
public:
    // What keeps this program from encoding DV, in words for the crew; none when it can.
    static std::optional<std::string> Missing();
    // For tests: the encoder is taken as missing while hidden.
    static void Hide_for_tests(bool hidden);

    // interlaced: each field is its own picture, the bottom field first. Throws Capture_error
    // when the encoder is missing or does not open.
    Dv_encoder(bool wide, bool interlaced);
    ~Dv_encoder();
    Dv_encoder(const Dv_encoder&) = delete;
    Dv_encoder& operator=(const Dv_encoder&) = delete;

    // The frame of a picture in the layout; empty when it could not be encoded. Valid until the
    // next call.
    std::span<const uint8_t> Encode(std::span<const uint8_t> picture, const Picture_layout& layout);

private:
    AVCodecContext* context_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    bool interlaced_;
    int64_t count_ = 0;
};

} // namespace wk
