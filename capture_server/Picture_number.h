#pragma once
// What a fake camera without DV draws into each picture so that a test can tell its pictures
// apart in a recording: the picture's number as 16 cells along a band, least significant bit
// first, white for 1 and black for 0, without colour. The band is placed in proportion to the picture, so that
// once the picture is scaled to 720 x 576 its cells lie at x = 40 + 40 b .. 79 + 40 b, rows
// 224 .. 287, whatever size the camera gives.
#include <cstddef>
#include <cstdint>

typedef struct _GstPad GstPad;

namespace wk {

inline constexpr int k_Number_left = 40, k_Number_cell = 40, k_Number_bits = 16;
inline constexpr int k_Number_top = 224, k_Number_rows = 64;

// Bytes of an I420 picture of width x height as GStreamer lays it out by default.
size_t I420_size(int width, int height);
// Draws number into an I420 picture of that layout (at least I420_size bytes).
void Draw_picture_number(uint8_t* picture, int width, int height, uint32_t number);
// From now on each I420 picture of width x height leaving pad gets its number, counted from 0.
void Number_pictures(GstPad* pad, int width, int height);

} // namespace wk
