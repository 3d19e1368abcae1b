#pragma once
// The 192-byte record the capture station puts into every stored PAL DV frame: the frame's
// times and the heat's state when it came. It is part of the recording files, so every field
// keeps its byte offset and is written little-endian whatever the machine.
#include <array>
#include <cstdint>
#include <span>

namespace wk {

// Where the record goes in a 144000-byte PAL DV frame.
inline constexpr int32_t k_DV_frame_size = 144000;

// Byte offsets of the fields within the record. The gaps between them stay zero.
namespace DV_extra {
inline constexpr size_t Start_marker = 0;   // "SSCD"
inline constexpr size_t Length = 4;         // Long, 192
inline constexpr size_t Version = 8;        // "CD01"
inline constexpr size_t Arrival_tick = 12;  // Long: tick when the frame callback ran
inline constexpr size_t Frame_tick = 24;    // Long: the frame's time: when its first field was taken, else when it reached the server
inline constexpr size_t Heat_start = 28;    // Long: heat start tick, 0 before the heat started
inline constexpr size_t Local_time = 32;    // Long: ms of the local day
inline constexpr size_t Model_frame = 36;   // Integer
inline constexpr size_t Frame_marker = 74;  // "SSFC"
inline constexpr size_t Hit = 162;          // Integer
inline constexpr size_t Capturing = 164;    // Boolean: stored into the linear list
inline constexpr size_t Lap_count = 166;    // Integer
inline constexpr size_t First_boat = 168;   // Boolean
inline constexpr size_t Tolv_camera = 170;  // Integer
inline constexpr size_t Goal_offset = 172;  // Integer
inline constexpr size_t Split_offset = 174; // Integer
inline constexpr size_t End_marker = 186;   // "SSEM"
inline constexpr size_t Size = 192;
} // namespace DV_extra

class DV_Extra_Data_Composite {
public:
    // Markers and length set, every other byte zero.
    DV_Extra_Data_Composite();

    int32_t Long_at(size_t offset) const;
    int16_t Integer_at(size_t offset) const;
    bool Boolean_at(size_t offset) const { return Integer_at(offset) != 0; }
    void Let_long(size_t offset, int32_t value);
    void Let_integer(size_t offset, int16_t value);
    void Let_boolean(size_t offset, bool value) { Let_integer(offset, value ? -1 : 0); }

    bool End_marker_valid() const;
    std::span<const uint8_t, DV_extra::Size> Bytes() const { return bytes_; }

    // Copies the record into frame at offset. An offset that would put any byte of it outside
    // the frame raises err_Subscript and leaves the frame as it was.
    void Write_into(std::span<uint8_t> frame, int64_t offset) const;
    // The record as it lies in frame at offset (same bounds rule).
    static DV_Extra_Data_Composite Read_from(std::span<const uint8_t> frame, int64_t offset);

private:
    static void Check_fits(size_t frame_size, int64_t offset);
    std::array<uint8_t, DV_extra::Size> bytes_{};
};

} // namespace wk
