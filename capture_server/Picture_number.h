#pragma once
// What a fake camera without DV draws into each picture so that a test can tell its pictures
// apart in a recording: the picture's number as 16 cells along a band, least significant bit
// first, white for 1 and black for 0. The band is placed in proportion to the picture, so that
// once the picture is scaled to 720 x 576 its cells lie at x = 40 + 40 b .. 79 + 40 b, rows
// 224 .. 287, whatever size the camera gives.
#include <cstddef>
#include <cstdint>

typedef struct _GstPad GstPad;

namespace wk {

inline constexpr int k_Number_left = 40, k_Number_cell = 40, k_Number_bits = 16;
inline constexpr int k_Number_top = 224, k_Number_rows = 64;

// Draws number into a luma plane of width x height (rows stride bytes apart, 0 the top).
void Draw_picture_number(uint8_t* luma, size_t stride, int width, int height, uint32_t number);
// From now on each picture (8-bit planar YUV, luma first) leaving pad gets its number, counted
// from 0.
void Number_pictures(GstPad* pad, int width, int height);

} // namespace wk
