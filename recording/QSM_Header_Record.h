#pragma once

#include <array>
#include <cstdint>

namespace wk {

// The fixed 20-byte head of an own-format recording.
struct QSM_Header_Record {
    std::array<uint8_t, 4> Magic{};  // "QSM1"
    int32_t Data_offset = 0;         // 0-based offset of the first frame
    int32_t Reserved1 = 0;
    int32_t XML_length = 0;          // bytes of XML text at offset 20
    int32_t Reserved2 = 0;
};

} // namespace wk
