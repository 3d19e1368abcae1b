#pragma once
// DV frames made in-process: PAL (720 x 576, 144000 bytes) or NTSC (720 x 480, 120000 bytes)
// pictures encoded with libavcodec, the subcode time code and VAUX recording date and time packs
// written into them, and the capture station's 192-byte record. The demo heat maker builds its
// recordings from these; the tests' recordings are made with them too.
#include "recording/Capture_record.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct AVFrame;

namespace wk::dv {

inline constexpr size_t k_DV_frame_bytes = 144000;
inline constexpr int k_DV_width = 720;
inline constexpr int k_DV_height = 576;
// NTSC frames (525 lines, 30000/1001 frames a second, colour 4:1:1): ten DIF sequences.
inline constexpr size_t k_NTSC_frame_bytes = 120000;
inline constexpr int k_NTSC_height = 480;
inline constexpr size_t k_DIF_sequence_bytes = 12000; // 12 sequences of 150 blocks of 80 bytes
inline constexpr size_t k_DV_extra_offset = size_t(capture_record::k_Offset); // where the capture station puts its record
inline constexpr size_t k_DV_extra_bytes = capture_record::Size;

using DV_frame = std::vector<uint8_t>;

struct DV_timecode {
    int hours = 12, minutes = 0, seconds = 0, frames = 0;
    bool drop_frame = false; // the pack's drop-frame flag (NTSC)
    bool operator==(const DV_timecode&) const = default;
};
// The time code `frames` frames later at 25 (or the given) frames a second, wrapping at 24 hours;
// no frame numbers are dropped.
DV_timecode Timecode_plus(const DV_timecode& tc, int64_t frames, int frames_per_second = 25);

struct DV_rec_datetime {
    int year = 2024, month = 6, day = 15, hours = 10, minutes = 30, seconds = 0; // year 1940 .. 2039
    bool operator==(const DV_rec_datetime&) const = default;
};
// The date and time `seconds` seconds later (calendar aware).
DV_rec_datetime Rec_datetime_plus(const DV_rec_datetime& dt, int64_t seconds);

// A picture of one frame given plane by plane, rows from the top: luma 720 x 576, the two
// chroma planes 360 x 288 (4:2:0). Rows 1, 3, 5 ... are field 1, as above.
struct DV_picture {
    std::vector<uint8_t> y = std::vector<uint8_t>(size_t(k_DV_width) * k_DV_height, 16);
    std::vector<uint8_t> u = std::vector<uint8_t>(size_t(k_DV_width / 2) * (k_DV_height / 2), 128);
    std::vector<uint8_t> v = std::vector<uint8_t>(size_t(k_DV_width / 2) * (k_DV_height / 2), 128);
};
// Encodes one picture as a 144000-byte PAL DV frame (no time code or date packs).
DV_frame Encode_DV_picture(const DV_picture& picture);
// The same for NTSC: luma 720 x 480, the chroma planes 180 x 480 (4:1:1); a 120000-byte frame.
struct NTSC_DV_picture {
    std::vector<uint8_t> y = std::vector<uint8_t>(size_t(k_DV_width) * k_NTSC_height, 16);
    std::vector<uint8_t> u = std::vector<uint8_t>(size_t(k_DV_width / 4) * k_NTSC_height, 128);
    std::vector<uint8_t> v = std::vector<uint8_t>(size_t(k_DV_width / 4) * k_NTSC_height, 128);
};
DV_frame Encode_DV_picture(const NTSC_DV_picture& picture);

// Pack bytes PC0 .. PC4.
using DV_pack = std::array<uint8_t, 5>;
DV_pack Timecode_pack(const DV_timecode& tc);
DV_pack Rec_date_pack(const DV_rec_datetime& dt);
DV_pack Rec_time_pack(const DV_rec_datetime& dt);
// Writes a pack into VAUX block `block` (0..2), slot `slot` (0..14) of DIF sequence `sequence`
// (0..11, NTSC 0..9), or of every sequence when sequence is -1.
void Put_VAUX_pack(std::span<uint8_t> frame, int block, int slot, const DV_pack& pack, int sequence = -1);
// Writes a pack into subcode block `block` (0..1), sync block `sync` (0..5), likewise.
void Put_subcode_pack(std::span<uint8_t> frame, int block, int sync, const DV_pack& pack, int sequence = -1);
void Put_timecode(std::span<uint8_t> frame, const DV_timecode& tc);
void Put_rec_datetime(std::span<uint8_t> frame, const DV_rec_datetime& dt);

// What a made frame's capture record holds (Capture_record lays it out); every field not named
// here is written as 0, its length too.
struct DV_extra_data {
    int32_t arrival_tick = 0;   // +12
    int32_t stamp_tick = 0;     // +24, the frame's capture time stamp
    int32_t heat_start = 0;     // +28, 0 when no heat was started
    int32_t local_time_ms = 0;  // +32
    std::string comment;        // +82, up to 80 bytes of Windows-1252 text (given as UTF-8)
    int16_t hit_flag = 0;       // +162
    int16_t linear_mark = 0;    // +164
    int16_t lap_count = 0;      // +166
    int16_t first_boat = 0;     // +168
    int16_t camera = 0;         // +170
    int16_t goal_offset = 0;    // +172
    int16_t split_offset = 0;   // +174
    // With it, the record carries the pictures' own times: stamp_tick the first field's and
    // this the second's (+16, marked at +20).
    std::optional<int32_t> second_field_tick;
};
void Write_DV_extra_data(std::span<uint8_t> frame, const DV_extra_data& record, size_t offset = k_DV_extra_offset);

// Decodes a DV frame with libavcodec; returns its 720 x 576 (NTSC 480) luma plane, row 0 at the
// top.
std::vector<uint8_t> Decode_DV_luma(std::span<const uint8_t> frame);
// Encodes one frame that paint fills (planes as libavcodec gives them: YUV 4:2:0, NTSC 4:1:1).
DV_frame Encode_DV_painted(bool ntsc, const std::function<void(AVFrame*)>& paint);

} // namespace wk::dv
