#pragma once
// DrawDib's decoding side: one compressed frame in, a 24-bit bottom-up picture out. The recording
// object owns one (the DV decoder); pictures take it as an argument when they decode a frame.
#include <cstdint>
#include <span>

namespace wk::platform {

class Frame_decoder {
public:
    virtual ~Frame_decoder() = default;
    // Decodes frame into bits: width x height pixels, blue, green, red, rows of
    // (3 x width + 3) & ~3 bytes, the bottom row first; the frame is scaled when its own size
    // differs. Returns false when the frame cannot be decoded; bits are then left as they were.
    virtual bool Decode(std::span<const uint8_t> frame, uint8_t* bits, int32_t width, int32_t height) = 0;
};

} // namespace wk::platform
