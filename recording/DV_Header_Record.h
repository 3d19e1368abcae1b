#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace wk {

// The multi-stream DV header: the start of an sdv file and the data of a BXHD chunk. On disk it
// is 21974 bytes, little-endian, with the fields at these offsets:
//    0  tag "BXDV"                   4  Long size of the record (21974), the offset of frame 1
//    8  Long stream count           12  Long frame count
//   16  Integer flag                18  Integer selection start    20  Integer selection end
//   22  marker "HEID", then four heat entries of 40 bytes each from 26:
//       +0 heat ID (32 bytes of text, zero-filled), +32 Long heat start, +36 Long start correction
//  186  Long first finish-hit frame index      190  Integer first-boat frame index
//  192  the race on the picture: Long goal line x1, y1, x2, y2 (192..207), Integer lanes flipped
//       (208), Long lane count (210), Long heat start as local time of day in ms (214), event name
//       (218, 64 bytes of text ended by a zero byte), capture time (282, 32 bytes likewise), and
//       ten lane marks, each a Long X and a Long Y (314..393)
// Everything after 394 is zero.
struct DV_Header_Record {
    static constexpr int32_t k_Size = 21974;
    struct Heat_entry {
        std::array<uint8_t, 32> Heat_ID{};
        int32_t Heat_start = 0;
        int32_t Start_correction = 0;
    };
    std::array<uint8_t, 4> Tag{'B', 'X', 'D', 'V'};
    int32_t Record_size = k_Size;
    int32_t Stream_count = 0;
    int32_t Frame_count = 0;
    int16_t Flag = 0;
    int16_t Selection_start = 0;
    int16_t Selection_end = 0;
    std::array<Heat_entry, 4> Heats{};
    int32_t First_hit = 0;
    int16_t First_boat = 0;
    std::array<int32_t, 4> Goal_line{}; // x1, y1, x2, y2
    int16_t Lanes_flipped = 0;
    int32_t Lane_count = 0;
    int32_t Heat_start_local = 0;
    std::array<uint8_t, 64> Event_name{};
    std::array<uint8_t, 32> Capture_time{};
    struct Lane_mark {
        int32_t X = 0, Y = 0;
    };
    std::array<Lane_mark, 10> Lanes{};

    std::vector<uint8_t> To_bytes() const;
    // False when the bytes are not a record (tag, size) or too short.
    bool From_bytes(std::span<const uint8_t> bytes);
};

} // namespace wk
