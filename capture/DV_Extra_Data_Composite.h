#pragma once
// The 192-byte record the capture station puts into every stored PAL DV frame, as bytes ready
// to be copied into a frame (Capture_record holds its layout and its fields; the camera sets
// those as frames come, and a stored record is read back through it).
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

    std::span<const uint8_t, DV_extra::Size> Bytes() const { return bytes_; }

    // Copies the record into frame at offset. An offset that would put any byte of it outside
    // the frame raises err_Subscript and leaves the frame as it was.
    void Write_into(std::span<uint8_t> frame, int64_t offset) const;

private:
    std::array<uint8_t, DV_extra::Size> bytes_{};
};

} // namespace wk
