// Frames as they come: stamping, routing to the owner, and the ring and list they are stored in.
#include "capture/cls_Capture.h"

#include "platform/Clock.h"
#include "services/Module_error.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <algorithm>

namespace wk {

namespace {

[[noreturn]] void Refuse_frame_number() { throw Run_time_error(err_Subscript, "Subscript out of range", "cls_Capture"); }

} // namespace

void cls_Capture::On_DV_frame(std::span<const uint8_t> sample, std::optional<int32_t> sample_tick,
                              const DV_frame_times* times)
{
    try {
        if (g_Exiting) return;
        ping_ = int16_t(ping_ >= 100 ? 1 : ping_ + 1);
        if (g_Emergency_stop) {
            Trace_Line("*cls_Capture, Emergency_stop");
            Stop_Capture();
            return;
        }
        ++dv_events_;
        if (!running_) return;
        // Only a whole PAL DV frame is taken; a shorter sample would leave the last frame's tail.
        if (sample.size() < size_t(k_Frame_bytes)) {
            ++refused_samples_;
            ++unrecordable_pictures_;
            return;
        }
        std::copy_n(sample.begin(), k_Frame_bytes, frame_.begin());
        frame_received_ = true;
        ++frames_taken_;
        dv_time_ = Get_Tick();
        Write_timeStamp();
        Write_Extra_Timestamps(times ? times->first_field_tick : sample_tick.value_or(dv_time_));
        Write_field_times(times);
        if (one_shot_wanted_) {
            one_shot_wanted_ = false;
            one_shot_done_ = true;
            Trace_Line("*cls_Capture, m_Oneshot = true");
            Stop_Capture();
            return;
        }
        Route_frame();
    } catch (...) {
        Report_current_exception("IVideoCapEvent_OnDVEvent of Class Module cls_Capture");
    }
}

void cls_Capture::On_RGB_picture()
{
    if (running_) ++unrecordable_pictures_;
}

bool cls_Capture::Pictures_unrecordable() const
{
    return running_ && frames_taken_ == 0 && unrecordable_pictures_ >= k_Pictures_to_judge;
}

void cls_Capture::On_source_stopped(const std::string& reason)
{
    try {
        Trace_Line("*cls_Capture, source stopped: ", reason);
        if (!running_) return;
        Stop_Capture();
        last_error_ = reason;
        if (event_target_ == Target_window)
            if (auto window = window_.lock()) window->Camera_stopped(reason);
    } catch (...) {
        Report_current_exception("On_source_stopped of Class Module cls_Capture");
    }
}

// The notice to the owner; a capture window that has gone is never brought back by a frame.
void cls_Capture::Route_frame()
{
    switch (event_target_) {
    case Target_window:
        if (auto window = window_.lock()) window->DV_event();
        else ++late_frames_;
        break;
    case Target_event:
    case Target_event_2:
        if (DV_Event) {
            int32_t events = dv_events_, time = dv_time_;
            DV_Event(events, time);
        }
        break;
    default: break;
    }
}

void cls_Capture::Write_timeStamp()
{
    record_.heat_start = heat_started_ ? heat_start_ : 0;
    record_.local_time_ms = Get_Local_Mill_Time();
    record_.goal_offset = goal_offset_;
    record_.split_offset = split_offset_;
}

void cls_Capture::Write_Extra_Timestamps(int32_t frame_tick)
{
    record_.frame_tick = frame_tick;
    record_.arrival_tick = dv_time_;
    record_.first_boat = first_boat_ ? -1 : 0;
    if (first_boat_) {
        Trace_Line("*m_Is_Firstboat true ++++++++++++++++++++++");
        first_boat_ = false;
    }
}

void cls_Capture::Write_field_times(const DV_frame_times* times)
{
    record_.picture_times = times && times->camera_stamped;
    record_.second_field_tick = record_.picture_times ? times->second_field_tick : 0;
}

void cls_Capture::Insert_DV_Extra()
{
    record_.hit = hit_;
    record_.capturing = post_linear_ ? -1 : 0;
    record_.lap_count = lap_count_;
    DV_Extra_Data_Composite(record_).Write_into(frame_, g_DV_Extra_Offset);
    if (record_.first_boat == -1) {
        Trace_Line("*read_DV_extra.First_Boat = True +++++++++++++++++++++++++++++++++++");
        Trace_Line("*Timestamp = ", record_.arrival_tick);
        Trace_Line("*frametime = ", record_.local_time_ms);
    }
}

bool cls_Capture::Store_Buffer()
{
    if (!frame_received_) return false;
    if (source_ == 0) g_Emergency_stop = true;
    if (!post_linear_ && max_frames_ == 0) {
        // No ring to store into: the capture cannot keep its frames.
        g_Emergency_stop = true;
        return false;
    }
    if (model_frame_ > 0) record_.model_frame = int16_t(model_frame_);
    Insert_DV_Extra();
    hit_ = 0;
    if (post_linear_) {
        Store_in_list();
        return true;
    }
    return Store_in_ring();
}

bool cls_Capture::Store_in_ring()
{
    if (++ring_index_ > max_frames_) {
        ring_index_ = 1;
        buffer_filled_ = true;
    }
    oldest_ = buffer_filled_ ? (ring_index_ == max_frames_ ? 1 : ring_index_ + 1) : 1;
    highest_object_ = std::max(highest_object_, ring_index_);
    std::copy(frame_.begin(), frame_.end(), Ring_frame(ring_index_));
    ++stored_count_;
    return true;
}

void cls_Capture::Store_in_list()
{
    CVideobuff& stored = linear_.emplace_back();
    stored.FillData(frame_);
    stored.PutTimestamp(Get_Tick());
    stored.model_Frame(model_frame_);
}

void cls_Capture::Clear_Buffers()
{
    ring_index_ = 0;
    Clear_Linear_Buffer();
    highest_object_ = 0;
}

void cls_Capture::Clear_Linear_Buffer()
{
    Trace_Line("Clear_Linear_Buffer");
    Clear_Collection(linear_);
}

void cls_Capture::Clear_Collections()
{
    linear_.clear();
    buffer_filled_ = false;
    ring_index_ = 0;
}

void cls_Capture::Post_linear(bool linear)
{
    Trace_Line("Post_linear ", linear);
    post_linear_ = linear;
    if (linear) Clear_Linear_Buffer();
}

void cls_Capture::MaxFrames(int32_t n)
{
    Trace_Line("*cls_Capture MaxFrames, index = ", index_, " ID_string = ", id_string_, " Maxframes = ", n);
    if (n < 0) Refuse_frame_number();
    highest_object_ = 0;
    ring_.assign(size_t(n) * k_Frame_bytes, 0);
    ring_.shrink_to_fit();
    max_frames_ = n;
    buffer_filled_ = false;
    ring_index_ = 0;
}

int32_t cls_Capture::Buff_num() { return highest_object_ + int32_t(linear_.size()); }

int32_t cls_Capture::Ring_slot(int32_t n) const
{
    if (!buffer_filled_) return n;
    const int32_t k = oldest_ + n - 1;
    return k > max_frames_ ? k - max_frames_ : k;
}

uint8_t* cls_Capture::get_Buffaddr(int32_t n)
{
    if (n < 1 || n > Buff_num()) Refuse_frame_number();
    if (n <= highest_object_) return Ring_frame(Ring_slot(n));
    return linear_[size_t(n - highest_object_ - 1)].GetVideoAdress();
}

} // namespace wk
