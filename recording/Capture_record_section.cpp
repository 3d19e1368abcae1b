// The capture record of the frame just read: found in the frame, its time, its comment, and
// written back into the file.
#include "recording/Capture_record_section.h"

#include "platform/Clock.h"
#include "platform/Text_codec.h"
#include "recording/Recording_bytes.h"
#include "recording/Recording_file.h"
#include "recording/Recording_port.h"
#include "services/Module_error.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cstring>

namespace wk {

using namespace recording_bytes;

void Capture_record_section::Forget_record()
{
    extra_.fill(0);
    extra_valid_ = false;
    raw_frame_time_ = 0;
    frame_time_stamp_ = 0;
    second_field_after_ = 20;
    has_time_stamp_ = false;
}

void Capture_record_section::Reset_record()
{
    Forget_record();
    extra_index_ = 0;
}

// The frame's own time. A camera that stamped its pictures gave each field its picture's time;
// a DV camera's frame came on the 40 ms grid, and its time is rounded to it, less 10, with the
// second field one field later. Every frame read passes here, so only the time fields are read,
// not the whole record.
void Capture_record_section::Take_frame_time()
{
    Do_Read_DV_extra_data();
    if (!extra_valid_) return;
    raw_frame_time_ = Get_long(&extra_[capture_record::Frame_tick]);
    if (Get_long(&extra_[capture_record::Time_rule]) == capture_record::k_Picture_times) {
        frame_time_stamp_ = raw_frame_time_;
        // Its partner is at most a frame later; a record that says otherwise is not believed.
        const int32_t after = platform::Tick_difference(Get_long(&extra_[capture_record::Second_field_tick]),
                                                        raw_frame_time_);
        second_field_after_ = after >= 0 && after <= 40 ? after : 20;
    } else {
        frame_time_stamp_ = platform::Tick_add(Round_To_Multiple(raw_frame_time_, 40), -10);
        second_field_after_ = 20;
    }
    has_time_stamp_ = true;
}

// ---- DV extra data ----

void Capture_record_section::Do_Read_DV_extra_data()
{
    if (!port_.Frames_carry_records()) return;
    const std::span<const uint8_t> buf(port_.File().frame_buffer);
    auto whole_record_at = [&](size_t i) {
        return i + k_Extra_size <= buf.size() && Capture_record::Bounded(buf.subspan(i));
    };
    size_t at = size_t(extra_index_);
    if (extra_index_ <= 0 || !whole_record_at(at)) {
        // The record lies where the capture station put it; look for it once more in this frame.
        at = 0;
        for (size_t i = 0; i <= 15000 && i + k_Extra_size <= buf.size(); ++i)
            if (whole_record_at(i)) {
                at = i;
                break;
            }
        if (at == 0 && !whole_record_at(0)) {
            extra_.fill(0);
            extra_valid_ = false;
            return;
        }
        extra_index_ = int32_t(at);
    }
    std::memcpy(extra_.data(), buf.data() + at, k_Extra_size);
    extra_valid_ = true;
}

bool Capture_record_section::Rewrite_DV_Extra_data()
{
    try {
        if (!extra_valid_ || port_.File().frame_in_store <= 0 || port_.File().frame_position <= 0)
            throw Run_time_error(err_Invalid_argument, "The current frame has no extra data to write back");
        // Into the file and, for a recording held in memory, into its copy there.
        port_.File().Write_back(port_.File().frame_position - 1 + extra_index_, extra_.data(), 190);
        std::memcpy(port_.File().frame_buffer.data() + extra_index_, extra_.data(), 190);
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_DV_Extra_data" + std::string(" of Class Module cls_AVI_handler"));
        return false;
    }
}

Capture_record Capture_record_section::Extra_record() const
{
    return extra_valid_ ? Capture_record::From_bytes(extra_) : Capture_record::From_bytes(Capture_record::Bytes{});
}

std::span<const uint8_t> Capture_record_section::Extra_data() const
{
    return extra_valid_ ? std::span<const uint8_t>(extra_) : std::span<const uint8_t>();
}

int16_t Capture_record_section::Lap_Count() const { return Extra_record().lap_count; }
bool Capture_record_section::Linear_buffer() const { return Extra_record().capturing == -1; }
int32_t Capture_record_section::Frame_time() const { return Extra_record().local_time_ms; }
int32_t Capture_record_section::Capture_mill_time() const { return Extra_record().frame_tick; }
int32_t Capture_record_section::Timestamp_long() const { return Extra_record().arrival_tick; }

bool Capture_record_section::Write_comment(const std::string& text)
{
    if (!extra_valid_ || port_.File().frame_in_store <= 0)
        throw Run_time_error(err_Invalid_argument, "No frame with extra data has been read from " +
                                                       port_.File().name + "; the comment is not written");
    const auto saved = extra_;
    Capture_record::Let_comment(extra_, platform::Utf8_to_ansi(text));
    if (Rewrite_DV_Extra_data()) return true;
    extra_ = saved;
    return false;
}

std::string Capture_record_section::Read_Comment() const
{
    if (!extra_valid_) return "";
    const std::string comment = Capture_record::Comment_of(extra_);
    return comment.empty() ? "" : platform::Ansi_to_utf8(comment);
}

} // namespace wk
