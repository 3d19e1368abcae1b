#pragma once
// The sample frame the image-routine timing runs on: one PAL DV frame (720 x 576, 144000 bytes)
// of colour bars, encoded by the program itself the first time it is asked for.
#include <cstdint>
#include <span>

namespace wk::platform {

// The 144000 bytes; empty when the DV encoder cannot be had.
std::span<const uint8_t> Sample_DV_frame();

} // namespace wk::platform
