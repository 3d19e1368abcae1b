#pragma once
// Little-endian numbers inside the recording files' records, and FOURCC codes as numbers.
#include <cstdint>
#include <cstring>
#include <string>

namespace wk::recording_bytes {

inline void Put_long(uint8_t* p, int32_t v) { std::memcpy(p, &v, 4); }
inline void Put_integer(uint8_t* p, int16_t v) { std::memcpy(p, &v, 2); }

inline int32_t Get_long(const uint8_t* p)
{
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline int16_t Get_integer(const uint8_t* p)
{
    int16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// The first four characters as the number a bitmap header stores.
inline uint32_t Fourcc_of(const std::string& text)
{
    uint32_t v = 0;
    for (size_t i = 0; i < 4 && i < text.size(); ++i) v |= uint32_t(uint8_t(text[i])) << (8 * i);
    return v;
}

} // namespace wk::recording_bytes
