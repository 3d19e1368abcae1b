#pragma once
// The media type connected at the last grabber a graph built, with its video format block.
#include "comlite/Guid.h"

#include <cstdint>
#include <optional>

namespace wk {

struct Video_info_header {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bit_count = 0;
    int64_t average_time_per_frame = 0; // 100 ns units
};

struct Media_type {
    com::GUID majortype;
    com::GUID subtype;
    std::optional<Video_info_header> video; // none for audio
};

} // namespace wk
