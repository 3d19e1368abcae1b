#pragma once
// Whether a frame that lies past a recording's count reached the disk whole: every DIF block
// where a DV frame has it, apart from the blocks under the capture station's record at byte
// 12000, which every frame it stores carries; there the record itself must be whole.
#include <cstdint>
#include <span>

namespace wk {

bool Is_whole_stored_DV_frame(std::span<const uint8_t> frame);

} // namespace wk
