#pragma once
// One entry of an AVI index as the recording object keeps it.
#include <cstdint>
#include <string>

namespace wk {

class cls_IDX {
public:
    std::string ChunkId;         // four characters, e.g. "00dc"
    int32_t dwFlags = 0;
    int32_t dwChunkOffset = 0;   // as the index gives it, usually counted from the movi list type
    int32_t dwChunkLength = 0;   // the chunk's data length
    int64_t Position = -1;       // 0-based file offset of the chunk header, once the index is read
};

} // namespace wk
