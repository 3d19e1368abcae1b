#pragma once
// The capture station's working copy of the 192-byte record it puts into every stored PAL DV
// frame (Capture_record holds its layout and its bytes): the camera sets its fields as frames
// come and copies it into each frame.
#include "recording/Capture_record.h"

#include <array>
#include <cstdint>
#include <span>

namespace wk {

// Where the record goes in a 144000-byte PAL DV frame.
inline constexpr int32_t k_DV_frame_size = 144000;

// Byte offsets of the fields within the record: the record's own layout.
namespace DV_extra = capture_record;

class DV_Extra_Data_Composite {
public:
    // Markers and length set, every other byte zero.
    DV_Extra_Data_Composite();
    // The record's bytes.
    explicit DV_Extra_Data_Composite(const Capture_record& record);

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
