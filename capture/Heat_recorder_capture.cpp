// A hold of the capture input: the frames taken between its stamped press and release go to the
// heat's recording as they come; on release the last of them are written and the count stored.
#include "capture/Heat_recorder.h"

#include "capture/cls_Capture.h"
#include "platform/Clock.h"
#include "recording/Frame_appender.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace wk {

namespace {
constexpr const char* k_Class = " of Class Module Heat_recorder";
}

void Heat_recorder::Handle_Capture_Start(int16_t s) { Handle_Capture_Start(s, Get_Tick()); }

void Heat_recorder::Handle_Capture_End(int16_t s) { Handle_Capture_End(s, Get_Tick()); }

void Heat_recorder::Handle_Capture_Start(int16_t s, int32_t tick)
{
    if (!Valid_slot(s)) return;
    // A press while the last release still waits for its frames ends that capture first.
    if (capturing_ && releasing_) End_capture();
    if (capturing_) return;
    try {
        if (Capture_refused(s)) return;
        // The press is when the input went down, however long opening the recording takes.
        press_tick_ = tick;
        if (!Open_appender(s)) return;
        camera_->Clear_Linear_Buffer();
        camera_->Post_linear(true);
        capturing_ = true;
        releasing_ = false;
        capture_slot_ = s;
        captured_ = 0;
        any_kept_ = false;
        left_out_ = 0;
        view_.Pictures_left_out(0);
        Trace_Line("*Capture start, tick = ", press_tick_);
        view_.Heat_changed();
    } catch (...) {
        End_storing();
        appender_.reset();
        Report_current_exception("Handle_Capture_Start" + std::string(k_Class));
    }
}

bool Heat_recorder::Capture_refused(int16_t s)
{
    if (!slots_[size_t(s)].initiated) {
        view_.Beep();
        view_.Notice("No file initiated!");
        return true;
    }
    // A stopped camera stores nothing, so the capture would only look as if it ran.
    if (!camera_ || !camera_->Running()) {
        const std::string why = camera_ ? camera_->Last_Error() : std::string();
        view_.Notice("No camera is running: nothing can be captured." + (why.empty() ? "" : " " + why + "."));
        return true;
    }
    if (camera_->Pictures_unrecordable()) {
        Trace_Line("*Capture refused, the camera gives no DV frames");
        view_.Notice("This camera gives pictures that cannot be recorded (no DV frames): nothing can be "
                     "captured. Choose another camera under Camera > Choose camera.");
        return true;
    }
    return false;
}

bool Heat_recorder::Open_appender(int16_t s)
{
    const std::string& name = slots_[size_t(s)].file_name;
    try {
        appender_ = std::make_unique<Frame_appender>(name);
        // The count stored will be the frames on disk; frames lost since the last are told now.
        const int32_t counted = appender_->Counted_at_open(), on_disk = appender_->On_disk();
        if (counted > on_disk)
            view_.Notice("The recording " + name + " counts " + std::to_string(counted) + " frames but its length holds " +
                         std::to_string(on_disk) + ". Finish this heat and check the recording.");
        return true;
    } catch (const Run_time_error& e) {
        view_.Notice(std::string(e.what()) + "; nothing is captured.");
        return false;
    }
}

void Heat_recorder::End_storing()
{
    capturing_ = false;
    releasing_ = false;
    release_timer_->stop();
    if (camera_) camera_->Post_linear(false);
    view_.Heat_changed();
}

// The frames stored since the last turn go to the disk's thread; the camera keeps none of them.
void Heat_recorder::Hand_over_stored(int32_t taken)
{
    if (!camera_ || !appender_) return;
    for (CVideobuff& frame : camera_->Take_linear()) {
        file_->Follow_timecode(frame.Data());
        appender_->Add(frame.Take_data(), taken);
        ++captured_;
    }
}

void Heat_recorder::Handle_Capture_End(int16_t s, int32_t tick)
{
    if (!Valid_slot(s)) return;
    if (!capturing_) {
        Released_without_capture(s);
        return;
    }
    if (releasing_) return;
    // Pictures taken before the release may still be on their way (an encoder behind, a busy
    // window): the capture goes on for them until one taken after it comes, or the wait ends.
    const bool all_came = any_taken_ && platform::Tick_difference(newest_taken_, tick) >= 0;
    if (release_wait_ms_ > 0 && camera_ && camera_->Running() && !all_came) {
        releasing_ = true;
        release_tick_ = tick;
        release_timer_->start(release_wait_ms_);
        Trace_Line("*Capture released, waiting for frames taken before tick ", tick);
        return;
    }
    End_capture();
}

void Heat_recorder::Released_without_capture(int16_t s)
{
    const Heat_state& slot = slots_[size_t(s)];
    if (!slot.initiated) view_.Notice("Errror, Handle_Capture_End, file not initiated!");
    else if (!FileExists(slot.file_name)) view_.Notice("Errror,Handle_Capture_End, can't find output file!");
}

void Heat_recorder::Release_wait_over()
{
    if (!releasing_) return;
    Trace_Line("*No frame taken after the release came in time, the capture ends");
    End_capture();
}

void Heat_recorder::End_capture()
{
    if (!capturing_) return;
    const int16_t s = capture_slot_;
    try {
        // Storing ends first, whatever follows: frames must not pile up in memory.
        End_storing();
        Hand_over_stored(newest_taken_);
        Keep_left_out(s);
        const Heat_state& slot = slots_[size_t(s)];
        if (!slot.initiated || !FileExists(slot.file_name)) {
            appender_.reset();
            view_.Notice(!slot.initiated ? "Errror, Handle_Capture_End, file not initiated!"
                                         : "Errror,Handle_Capture_End, can't find output file!");
            return;
        }
        if (appender_) Append_capture(s);
    } catch (...) {
        appender_.reset();
        view_.Append_progress(-1);
        Report_current_exception("Handle_Capture_End" + std::string(k_Class));
    }
}

void Heat_recorder::Append_capture(int16_t s)
{
    view_.Append_progress(0);
    const std::string name = slots_[size_t(s)].file_name;
    appender_->Finish([this](int32_t written, int32_t handed) {
        view_.Append_progress(handed > 0 ? std::max<int32_t>(1, int32_t(int64_t(written) * 100 / handed)) : 100);
    });
    const int32_t written = appender_->Written();
    const int error = appender_->Error();
    // The count is the whole frames on disk, stored by the one writer of the recording.
    const bool counted = appender_->Store_count();
    Tell_problems();
    appender_.reset();
    view_.Append_progress(100);
    if (error == 0) Check_frame_count(name);
    if (camera_) camera_->Clear_Linear_Buffer();
    Trace_Line("*Capture appended, frames written = ", written);
    view_.Append_progress(-1);
    view_.Heat_changed();
    if (error != 0) Tell_write_failed(error, written, counted);
}

void Heat_recorder::Tell_write_failed(int error, int32_t written, bool counted)
{
    const std::string kept = "the capture stopped after " + std::to_string(written) + " frames; the heat keeps them";
    std::string text = error == ENOSPC ? "The disk is full: " + kept
                                       : "The frames could not be written (" + std::string(std::strerror(error)) + "): " + kept;
    if (!counted) text += " (they are counted when the recording is next opened)";
    Trace_Line("*" + text);
    view_.Notice(text);
}

void Heat_recorder::Check_frame_count(const std::string& name)
{
    cls_AVI_handler& file = *file_;
    const Recording_outcome opened = file.Open_File(name);
    Tell(opened.problems);
    if (!opened) return;
    // The header's own count: the recording object clamps the count it reports to the frames on
    // disk, which would hide a shortened file.
    const int32_t counted = file.Header().Frames_no(), from_length = file.num_Calculated_frames();
    file.Close_File();
    Tell_problems();
    if (counted == from_length) return;
    Trace_Line("*Frame count mismatch in " + name);
    view_.Notice("The recording " + name + " counts " + std::to_string(counted) + " frames but its length holds " +
                 std::to_string(from_length) + ". Finish this heat and check the recording.");
}

void Heat_recorder::DV_event()
{
    Store_frame();
    view_.Frame_taken();
}

void Heat_recorder::Store_frame()
{
    if (!camera_) return;
    const int32_t taken = camera_->Record().frame_tick;
    any_taken_ = true;
    newest_taken_ = taken;
    if (!capturing_) return;
    try {
        // A frame taken after the release: every frame taken before it has come.
        if (releasing_ && platform::Tick_difference(taken, release_tick_) > 0) {
            End_capture();
            return;
        }
        if (!Store_held_frame(taken)) return;
        if (appender_ && appender_->Error() != 0) {
            Trace_Line("*A frame of the capture could not be written, the capture ends");
            End_capture();
        } else if (captured_ >= max_capture_frames_) {
            Trace_Line("*Capture reached its frame limit, appending");
            End_capture();
        } else if (releasing_ && platform::Tick_difference(Get_Tick(), release_tick_) >= release_wait_ms_) {
            End_capture();
        }
    } catch (...) {
        // One report, and no more storing: a failing frame path would fail for every frame.
        // What reached the disk is counted.
        Report_current_exception("DV_event" + std::string(k_Class));
        End_capture();
    }
}

// A frame taken before the press, delivered after it, is not the hold's.
bool Heat_recorder::Store_held_frame(int32_t taken)
{
    if (platform::Tick_difference(taken, press_tick_) < 0) return false;
    camera_->Store_Buffer();
    Count_left_out(taken);
    Hand_over_stored(taken);
    return true;
}

// Gaps in the kept frames' capture times are pictures the camera's server or the writer could
// not keep up with.
void Heat_recorder::Count_left_out(int32_t taken)
{
    if (any_kept_) {
        const int32_t gap = platform::Tick_difference(taken, last_kept_);
        if (gap * 2 > k_Frame_ms * 3) {
            left_out_ += int32_t(std::lround(double(gap) / k_Frame_ms)) - 1;
            view_.Pictures_left_out(left_out_);
        }
    }
    any_kept_ = true;
    last_kept_ = taken;
}

void Heat_recorder::Keep_left_out(int16_t s)
{
    if (left_out_ <= 0) return;
    Heat_state& slot = slots_[size_t(s)];
    slot.left_out += left_out_;
    slot.note = "The camera fell behind: " + std::to_string(slot.left_out) + " pictures left out of this heat's captures";
    Trace_Line("*" + slot.note);
    left_out_ = 0;
}

} // namespace wk
