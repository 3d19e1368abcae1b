#pragma once
// The image routines the viewer and the capture station call on their frame pictures.
//
// Every picture is a 24-bit DIB: blue, green, red per pixel, rows of Image_stride(width) bytes
// (a multiple of 4), bottom-up: the first row in memory is the bottom row of the image. Sizes are
// in pixels; callers pass buffers of at least Image_stride(width) x height bytes.
//
// Fixed here once for the whole program:
// - Rotate90 turns the picture a quarter turn clockwise: the top row of the source becomes the
//   right-hand column of the destination, read from top to bottom.
// - Field 1 is the field that was filmed first. PAL DV is bottom field first, so field 1 is the
//   image rows 1, 3, 5 ... and field 2 the rows 0, 2, 4 ..., counted from the top from 0.
//
// Bad sizes or options throw std::invalid_argument; nothing is written then.
#include <cstdint>

namespace wk::platform {

// Bytes per row of a 24-bit picture: (3 x width + 3) with the two lowest bits cleared.
constexpr int32_t Image_stride(int32_t width)
{
    return (width * 3 + 3) & ~3;
}

// destination (height x width pixels) = source (width x height) turned clockwise. With flip
// non-zero the turned picture is also mirrored left to right (the capture station's mirrored
// camera). Source and destination must not overlap.
void Rotate90(const uint8_t* source, uint8_t* destination, int32_t width, int32_t height, int32_t flip);

// Mirrors the picture left to right in place.
void FlipImageRGB24(uint8_t* bits, int16_t width, int16_t height);

// Overlay keyed on a still background: every pixel of source whose colour differs from the same
// pixel of background by more than factor (the sum of the three channel differences, 0 to 765)
// is copied into target; the other pixels of target stay. Repeated over a run of frames it
// gathers everything that moved into one picture. A negative factor counts as 0.
void ABlend(const uint8_t* source, uint8_t* target, const uint8_t* background, int16_t width, int16_t height,
            int16_t factor);

// Overlay without a background: kind 1 keeps the lighter of source and target per channel,
// kind 2 the darker. target receives the result.
void LBlend(const uint8_t* source, uint8_t* target, int16_t width, int16_t height, int16_t kind);

// destination = the given field (1 or 2, see above) of the frame in source at full frame height:
// each row of the field fills its own row and its neighbour (line doubling, no interpolation, so
// the field's pixels are shown as filmed). source and destination may be the same buffer.
void deinterlaceFrame2(const uint8_t* source, uint8_t* destination, int16_t width, int16_t height,
                       int16_t field);

// Line doubling in place: the picture keeps field 1 at full height.
void linedouble(uint8_t* bits, int16_t width, int16_t height);

// The library's version text, at least 64 bytes, padded with zero bytes.
const char* BlendVersion();

// The processor's cycle counter (a monotonic count where the processor has none).
int64_t GetCycleCount();

} // namespace wk::platform
