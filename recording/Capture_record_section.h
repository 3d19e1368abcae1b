#pragma once
// The extra-data record the capture station puts into each frame, as read from the frame just
// read: its copy, the frame's time stamp, and the comment and counts it carries. It takes the
// frame in store and writes the record back through the recording's port.
#include "recording/Capture_record.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace wk {

class Recording_port;

class Capture_record_section {
public:
    explicit Capture_record_section(Recording_port& port) : port_(port) {}

    // Takes the extra-data record out of the frame just read (own-format and sdv recordings).
    void Do_Read_DV_extra_data();
    // Writes the record copy back into the current frame in the file.
    bool Rewrite_DV_Extra_data();
    int16_t Lap_Count() const;
    // The record copy of the frame just read; empty when that frame has none.
    std::span<const uint8_t> Extra_data() const;
    bool Has_extra_data() const { return extra_valid_; }
    int32_t Extra_index() const { return extra_index_; }
    bool Linear_buffer() const;
    int32_t Raw_Frame_Time() const { return raw_frame_time_; }
    int32_t Frame_Time_Stamp() const { return frame_time_stamp_; }
    // True when the frame just read carries its own time stamp.
    bool Has_Frame_Time_Stamp() const { return has_time_stamp_; }
    // How long after the frame's stamp its second field was taken: as the record says where a
    // camera stamped its pictures (0 when one picture fills both fields), else one field, 20 ms.
    int32_t Second_Field_After_First() const { return second_field_after_; }
    // Local time of day (ms) stored in the current frame; 0 when it has none.
    int32_t Frame_time() const;
    int32_t Capture_mill_time() const;
    int32_t Timestamp_long() const;
    // The camera of the current frame's record (the sibling timing product's); 0 without one.
    int16_t Tolv_Camera() const { return Extra_record().tolv_camera; }
    // The comment of the current frame (80 bytes of its extra data).
    bool Write_comment(const std::string& text);
    std::string Read_Comment() const;

    // The frame's own time: from its record, the first picture's own where the record says so,
    // else rounded to a whole frame of 40 ms, less 10.
    void Take_frame_time();
    // Nothing of the frame just read is kept; Reset also forgets where its record lay.
    void Forget_record();
    void Reset_record();
    // The frame's capture record; all zero when the frame has none.
    Capture_record Extra_record() const;

private:
    Recording_port& port_;
    static constexpr size_t k_Extra_size = capture_record::Size;
    std::array<uint8_t, k_Extra_size> extra_{};
    bool extra_valid_ = false;
    int32_t extra_index_ = 0;
    int32_t raw_frame_time_ = 0;
    int32_t frame_time_stamp_ = 0;
    int32_t second_field_after_ = 20;
    bool has_time_stamp_ = false;
};

} // namespace wk
