#include "recording/Capture_record.h"

#include "recording/Recording_bytes.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace wk {

namespace {

using namespace capture_record;
using namespace recording_bytes;

bool Marker_at(std::span<const uint8_t> bytes, size_t at, const char* marker)
{
    return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, marker, 4) == 0;
}

void Check_size(std::span<const uint8_t> bytes)
{
    if (bytes.size() < Size) throw std::out_of_range("The capture record needs 192 bytes");
}

} // namespace

Capture_record::Bytes Capture_record::To_bytes() const
{
    Bytes b{};
    std::memcpy(&b[Start_marker], "SSCD", 4);
    Put_long(&b[Length], length);
    std::memcpy(&b[Version], "CD01", 4);
    Put_long(&b[Arrival_tick], arrival_tick);
    Put_long(&b[Frame_tick], frame_tick);
    if (picture_times) {
        Put_long(&b[Second_field_tick], second_field_tick);
        Put_long(&b[Time_rule], k_Picture_times);
    }
    Put_long(&b[Heat_start], heat_start);
    Put_long(&b[Local_time], local_time_ms);
    Put_integer(&b[Model_frame], model_frame);
    std::memcpy(&b[Frame_marker], "SSFC", 4);
    Let_comment(b, comment);
    Put_integer(&b[Hit], hit);
    Put_integer(&b[Capturing], capturing);
    Put_integer(&b[Lap_count], lap_count);
    Put_integer(&b[First_boat], first_boat);
    Put_integer(&b[Tolv_camera], tolv_camera);
    Put_integer(&b[Goal_offset], goal_offset);
    Put_integer(&b[Split_offset], split_offset);
    std::memcpy(&b[End_marker], "SSEM", 4);
    return b;
}

Capture_record Capture_record::From_bytes(std::span<const uint8_t> bytes)
{
    Check_size(bytes);
    const uint8_t* p = bytes.data();
    Capture_record r;
    r.length = Get_long(p + Length);
    r.arrival_tick = Get_long(p + Arrival_tick);
    r.frame_tick = Get_long(p + Frame_tick);
    r.picture_times = Get_long(p + Time_rule) == k_Picture_times;
    if (r.picture_times) r.second_field_tick = Get_long(p + Second_field_tick);
    r.heat_start = Get_long(p + Heat_start);
    r.local_time_ms = Get_long(p + Local_time);
    r.model_frame = Get_integer(p + Model_frame);
    r.comment = Comment_of(bytes);
    r.hit = Get_integer(p + Hit);
    r.capturing = Get_integer(p + Capturing);
    r.lap_count = Get_integer(p + Lap_count);
    r.first_boat = Get_integer(p + First_boat);
    r.tolv_camera = Get_integer(p + Tolv_camera);
    r.goal_offset = Get_integer(p + Goal_offset);
    r.split_offset = Get_integer(p + Split_offset);
    return r;
}

bool Capture_record::Starts_record(std::span<const uint8_t> bytes) { return Marker_at(bytes, Start_marker, "SSCD"); }

bool Capture_record::Ends_record(std::span<const uint8_t> bytes) { return Marker_at(bytes, End_marker, "SSEM"); }

bool Capture_record::Bounded(std::span<const uint8_t> bytes)
{
    return bytes.size() >= Size && Starts_record(bytes) && Ends_record(bytes);
}

bool Capture_record::Whole(std::span<const uint8_t> bytes)
{
    if (!Bounded(bytes)) return false;
    const int32_t stored = Get_long(bytes.data() + Length);
    return (stored == int32_t(Size) || stored == 0) && Marker_at(bytes, Version, "CD01") &&
           Marker_at(bytes, Frame_marker, "SSFC");
}

void Capture_record::Let_comment(std::span<uint8_t> bytes, const std::string& ansi)
{
    Check_size(bytes);
    const size_t n = std::min(ansi.size(), Comment_size);
    std::fill_n(bytes.begin() + Comment, Comment_size, uint8_t(0));
    std::memcpy(bytes.data() + Comment, ansi.data(), n);
}

std::string Capture_record::Comment_of(std::span<const uint8_t> bytes)
{
    Check_size(bytes);
    const char* p = reinterpret_cast<const char*>(bytes.data() + Comment);
    return std::string(p, strnlen(p, Comment_size));
}

} // namespace wk
