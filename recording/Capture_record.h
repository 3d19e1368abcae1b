#pragma once
// The 192-byte record the capture station puts into every stored DV frame at byte 12000: the
// frame's times and the heat's state when it came. It is part of the recording files, so its
// layout and its conversion to and from bytes live here alone; every field keeps its byte
// offset, integers are little-endian, Booleans are 16-bit -1/0 and the gaps
// between the fields stay zero.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace wk {

namespace capture_record {
// Where the record lies in a stored DV frame.
inline constexpr int64_t k_Offset = 12000;
inline constexpr size_t Size = 192;
// Byte offsets of the fields within the record.
inline constexpr size_t Start_marker = 0;   // "SSCD"
inline constexpr size_t Length = 4;         // Long: 192 (0 in frames of the demo maker)
inline constexpr size_t Version = 8;        // "CD01"
inline constexpr size_t Arrival_tick = 12;  // Long
// In what were zero bytes before: records without them keep the frame grid rule.
inline constexpr size_t Second_field_tick = 16; // Long: the second field's own time
inline constexpr size_t Time_rule = 20;         // "PICT" when both field times are the pictures' own
inline constexpr size_t Frame_tick = 24;    // Long
inline constexpr size_t Heat_start = 28;    // Long
inline constexpr size_t Local_time = 32;    // Long
inline constexpr size_t Model_frame = 36;   // Integer
inline constexpr size_t Frame_marker = 74;  // "SSFC"
inline constexpr size_t Comment = 82;       // 80 Windows-1252 bytes, zero-padded
inline constexpr size_t Comment_size = 80;
inline constexpr size_t Hit = 162;          // Integer
inline constexpr size_t Capturing = 164;    // Boolean
inline constexpr size_t Lap_count = 166;    // Integer
inline constexpr size_t First_boat = 168;   // Boolean
inline constexpr size_t Tolv_camera = 170;  // Integer
inline constexpr size_t Goal_offset = 172;  // Integer
inline constexpr size_t Split_offset = 174; // Integer
inline constexpr size_t End_marker = 186;   // "SSEM"
// Time_rule as a little-endian Long: "PICT".
inline constexpr int32_t k_Picture_times = 0x54434950;
} // namespace capture_record

struct Capture_record {
    using Bytes = std::array<uint8_t, capture_record::Size>;

    int32_t length = int32_t(capture_record::Size);
    int32_t arrival_tick = 0;  // the tick when the frame callback ran
    int32_t frame_tick = 0;    // the frame's time: its first field's capture, else its arrival at the server
    // With picture_times, frame_tick and second_field_tick are the times the pictures in the
    // first and second field were taken, to the millisecond; without, the frame's time is read
    // on the 40 ms grid less 10 and its second field is 20 ms later (DV cameras, older records).
    int32_t second_field_tick = 0;
    bool picture_times = false;
    int32_t heat_start = 0;    // the heat's start tick; 0 before the heat started
    int32_t local_time_ms = 0; // ms of the local day
    int16_t model_frame = 0;
    std::string comment;       // as stored: Windows-1252, at most 80 bytes
    int16_t hit = 0;
    int16_t capturing = 0;     // -1: stored into the capture's list
    int16_t lap_count = 0;
    int16_t first_boat = 0;    // -1 on the first boat's frame
    int16_t tolv_camera = 0;
    int16_t goal_offset = 0;
    int16_t split_offset = 0;

    // The markers and the fields; every other byte zero.
    Bytes To_bytes() const;
    // The fields of the record that bytes begin with (at least Size of them; the markers are not
    // looked at). Raises std::out_of_range for fewer bytes.
    static Capture_record From_bytes(std::span<const uint8_t> bytes);

    // Whether bytes begin with the record's start marker.
    static bool Starts_record(std::span<const uint8_t> bytes);
    // Whether the record that bytes begin with has its end marker.
    static bool Ends_record(std::span<const uint8_t> bytes);
    // Whether bytes begin with a record that has its start and end markers.
    static bool Bounded(std::span<const uint8_t> bytes);
    // Whether bytes begin with a whole record: its four markers, and its length where it has one.
    static bool Whole(std::span<const uint8_t> bytes);
    // Puts a comment (Windows-1252, cut at 80 bytes) into the record's bytes, keeping every
    // other byte as it is.
    static void Let_comment(std::span<uint8_t> bytes, const std::string& ansi);
    // The comment stored in the record's bytes, up to its first zero byte.
    static std::string Comment_of(std::span<const uint8_t> bytes);

    bool operator==(const Capture_record&) const = default;
};

} // namespace wk
