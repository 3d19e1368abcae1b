#pragma once
// The per-frame trace record: up to ten points of the operator's traces for each of the frame's
// two fields, kept inside the frame's DV data. 88 bytes, little-endian:
//    0  tag "QSTD"            4  Integer 87          6  Integer 0
//    8  X: 20 Integers       48  Y: 20 Integers
// X(point, field) lies at 8 + 4 x (point - 1) + 2 x (field - 1), Y likewise from 48: for each
// point the value of field 1 comes first. A point whose X and Y are both 0 is unset.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace wk {

struct Trace_Record {
    static constexpr size_t k_Size = 88;
    // Where the record lies in a frame's DV data: the header block of the fifth DIF sequence and
    // the start of its first subcode block, which the video decoder does not read.
    static constexpr size_t k_Offset = 48008;
    static constexpr int16_t k_Length = 87;
    static constexpr int16_t k_Points = 10;

    std::array<uint8_t, 4> Tag{};
    int16_t Length = 0;
    int16_t Reserved = 0;
    std::array<int16_t, 20> X{};
    std::array<int16_t, 20> Y{};

    // True when the record carries the tag "QSTD" (a frame never traced holds DV bytes there).
    bool Tagged() const;
    void Set_tag();
    // point 1..10, field 1..2; anything else raises the subscript error.
    int16_t& x(int16_t point, int16_t field);
    int16_t& y(int16_t point, int16_t field);
    int16_t x(int16_t point, int16_t field) const;
    int16_t y(int16_t point, int16_t field) const;
    // All coordinates 0; the tag and length stay.
    void Clear_points();

    std::array<uint8_t, k_Size> To_bytes() const;
    // The record as it lies in bytes (at least 88 of them), tagged or not.
    static Trace_Record From_bytes(std::span<const uint8_t> bytes);
    bool operator==(const Trace_Record&) const = default;
};

} // namespace wk
