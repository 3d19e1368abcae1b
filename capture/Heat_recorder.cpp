#include "capture/Heat_recorder.h"

#include "capture/cls_Capture.h"
#include "platform/Clock.h"
#include "recording/Frame_appender.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "viewer/Cls_lane.h"
#include "viewer/Module_lanes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>

namespace wk {

namespace {
constexpr const char* k_Class = " of Class Module Heat_recorder";
}

// The camera's per-frame notice and its stop, straight to the recorder.
class Heat_recorder::Frame_receiver final : public Capture_frame_receiver {
public:
    explicit Frame_receiver(Heat_recorder& recorder) : recorder_(recorder) {}
    void DV_event() override { recorder_.DV_event(); }
    void Camera_stopped(const std::string& reason) override { recorder_.Camera_stopped(reason); }

private:
    Heat_recorder& recorder_;
};

Heat_recorder::Heat_recorder(Heat_recorder_view& view, int32_t max_capture_frames)
    : view_(view), max_capture_frames_(max_capture_frames), receiver_(std::make_shared<Frame_receiver>(*this)),
      file_(std::make_unique<cls_AVI_handler>())
{
}

Heat_recorder::~Heat_recorder()
{
    // The camera keeps running for the program; it only stops calling the recorder.
    if (camera_) camera_->Capture_window({});
}

void Heat_recorder::Camera(std::shared_ptr<cls_Capture> camera)
{
    if (camera_ && camera_ != camera) camera_->Capture_window({});
    camera_ = std::move(camera);
    if (camera_) camera_->Capture_window(receiver_);
}

void Heat_recorder::Load_lanes_and_options()
{
    Load_Lanes_and_Goalline();
    Load_options();
    g_Lane_Zero = Read_setting(ini::Lane_zero);
    // The preview shows 2 to 15 marks and takes 2 for a count outside that.
    if (g_Num_lanes < 2 || g_Num_lanes > 15) g_Num_lanes = 2;
}

void Heat_recorder::Set_Active_heat(int16_t slot)
{
    if (!Valid_slot(slot)) return;
    active_heat_ = slot;
    view_.Heat_changed();
}

bool Heat_recorder::New_file(int16_t s, const std::string& folder, const std::string& heat_id, const std::string& name)
{
    if (!Valid_slot(s)) return false;
    try {
        Heat_state& slot = slots_[size_t(s)];
        if (!Folder_Exists(folder)) {
            view_.Notice("Can't find Capture Folder!");
            return false;
        }
        if (slot.initiated) {
            view_.Notice("File already initated. Click Finish If you want to initiate a new file!");
            return false;
        }
        if (heat_id.empty()) {
            view_.Notice("No Heat ID given!");
            return false;
        }
        slot = Heat_state{};
        slot.file_name = name;
        slot.heat_id = heat_id;
        g_Last_captured_file = name;
        // An existing file is refused by the recording object with its own message; the
        // camera and every other slot go on.
        slot.initiated = Write_new_header(s);
        view_.Heat_changed();
        return slot.initiated;
    } catch (...) {
        Report_current_exception("Command_newFile_Click" + std::string(k_Class));
        return false;
    }
}

bool Heat_recorder::Write_new_header(int16_t s)
{
    const Heat_state& slot = slots_[size_t(s)];
    cls_AVI_handler& file = *file_;
    file.File_name(slot.file_name);
    if (!file.Create_File() || file.file_num() == 0) return false;
    file.Initiate_file();
    file.Start_Lane_Zero(g_Lane_Zero);
    file.rotated(g_Rotate);
    file.Event_name(g_Event_name);
    file.Show_goalline(g_Show_Goalline);
    file.Set_Goal_Line(g_Goal_line.x1, g_Goal_line.y1, g_Goal_line.x2, g_Goal_line.y2);
    file.Lanes_flipped(g_Flip_Lanes);
    file.Num_Lanes(g_Num_lanes);
    file.Lanes_locked(true);
    file.Lanes_Visible(g_Show_Lanes);
    for (int16_t lane = 1; lane <= g_Num_lanes && size_t(lane) <= g_Lanes.size(); ++lane)
        if (const auto& mark = g_Lanes[size_t(lane - 1)]) file.File_Lane_Pos(lane, mark->X(), mark->Y());
    file.Heat_ID(1, slot.heat_id);
    file.Clear_Heats();
    const bool written = file.Write_XML_header();
    file.Close_File();
    if (!written)
        view_.Notice("The header of " + slot.file_name + " could not be written; the heat has no recording.");
    return written;
}

void Heat_recorder::Handle_Start_Event(int16_t s)
{
    // The moment of the signal, before anything else takes time.
    Handle_Start_Event(s, Get_Tick());
}

void Heat_recorder::Handle_Start_Event(int16_t s, int32_t t)
{
    if (!Valid_slot(s)) return;
    try {
        Heat_state& slot = slots_[size_t(s)];
        if (view_.Marathon_heats()) {
            view_.Notice("Marathon heats are started on the Marathon form!");
            return;
        }
        if (!slot.initiated) {
            view_.Beep();
            return;
        }
        if (slot.started) {
            view_.Notice("Heat already started! (m1)");
            return;
        }
        const int32_t local_ms = Get_Local_Mill_Time();
        if (!FileExists(slot.file_name)) {
            view_.Notice("Error! Can't find file!");
            return;
        }
        // The heat counts as started only once its start is in the recording.
        if (!Write_start(s, t, local_ms)) return;
        slot.started = true;
        slot.aborted = false;
        slot.start_tick = t;
        slot.start_local_ms = local_ms;
        if (camera_) camera_->Heat_Start_Milltime(t);
        active_heat_ = s;
        view_.Heat_changed();
    } catch (...) {
        Report_current_exception("Handle_Start_Event" + std::string(k_Class));
    }
}

bool Heat_recorder::Write_start(int16_t s, int32_t tick, int32_t local_ms)
{
    cls_AVI_handler& file = *file_;
    const std::string& name = slots_[size_t(s)].file_name;
    if (!file.Open_File(name)) {
        view_.Notice("Error! The recording " + name + " could not be opened; the heat is not started.");
        return false;
    }
    if (file.Start_local_Mill_Time(1) >= 1 || file.Start_PC_Mill_time(1) >= 1) {
        file.Close_File();
        view_.Notice("Heat already started! (m2)");
        return false;
    }
    file.Start_local_mill(1, local_ms);
    file.Start_PC_mill(1, tick);
    const bool written = file.Write_XML_header();
    file.Close_File();
    if (!written) view_.Notice("Error! The start could not be written to " + name + "; the heat is not started.");
    return written;
}

void Heat_recorder::Handle_Capture_Start(int16_t s)
{
    // While the abort question is open nothing starts: an OK must find no capture in the heat.
    if (!Valid_slot(s) || capturing_ || asking_abort_) return;
    try {
        if (!slots_[size_t(s)].initiated) {
            view_.Beep();
            view_.Notice("No file initiated!");
            return;
        }
        // A stopped camera stores nothing, so the capture would only look as if it ran.
        if (!camera_ || !camera_->Running()) {
            const std::string why = camera_ ? camera_->Last_Error() : std::string();
            view_.Notice("No camera is running: nothing can be captured." + (why.empty() ? "" : " " + why + "."));
            return;
        }
        if (camera_->Pictures_unrecordable()) {
            Trace_Line("*Capture refused, the camera gives no DV frames");
            view_.Notice("This camera gives pictures that cannot be recorded (no DV frames): nothing can be "
                         "captured. Choose another camera under Camera > Choose camera.");
            return;
        }
        if (!Open_appender(s)) return;
        camera_->Clear_Linear_Buffer();
        camera_->Post_linear(true);
        capturing_ = true;
        capture_slot_ = s;
        captured_ = 0;
        press_tick_ = Get_Tick();
        Trace_Line("*Capture start, tick = ", press_tick_);
        view_.Heat_changed();
    } catch (...) {
        End_storing();
        appender_.reset();
        Report_current_exception("Handle_Capture_Start" + std::string(k_Class));
    }
}

bool Heat_recorder::Open_appender(int16_t s)
{
    try {
        appender_ = std::make_unique<Frame_appender>(slots_[size_t(s)].file_name);
        return true;
    } catch (const Run_time_error& e) {
        view_.Notice(std::string(e.what()) + "; nothing is captured.");
        return false;
    }
}

void Heat_recorder::End_storing()
{
    capturing_ = false;
    if (camera_) camera_->Post_linear(false);
    view_.Heat_changed();
}

// The frames stored since the last turn go to the disk's thread; the camera keeps none of them.
void Heat_recorder::Hand_over_stored()
{
    if (!camera_ || !appender_) return;
    for (CVideobuff& frame : camera_->Take_linear()) {
        file_->Follow_timecode(frame.Data());
        appender_->Add(frame.Take_data());
        ++captured_;
    }
}

void Heat_recorder::Handle_Capture_End(int16_t s)
{
    if (!Valid_slot(s)) return;
    try {
        // Storing ends first, whatever follows: frames must not pile up in memory. The frames
        // belong to the slot they were written into since the press.
        const bool was_capturing = capturing_;
        if (was_capturing) s = capture_slot_;
        End_storing();
        Hand_over_stored();
        const Heat_state& slot = slots_[size_t(s)];
        if (!slot.initiated) {
            appender_.reset();
            view_.Notice("Errror, Handle_Capture_End, file not initiated!");
            return;
        }
        if (!FileExists(slot.file_name)) {
            appender_.reset();
            view_.Notice("Errror,Handle_Capture_End, can't find output file!");
            return;
        }
        if (!was_capturing || !appender_) return;
        Append_capture(s);
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
    appender_.reset();
    view_.Append_progress(100);
    const bool counted = Store_count(name, written, error);
    if (error == 0) Check_frame_count(name);
    if (camera_) camera_->Clear_Linear_Buffer();
    view_.Append_progress(-1);
    view_.Heat_changed();
    if (error != 0) Tell_write_failed(error, written, counted);
}

// The header counts the frames written. After a failed write (a full disk above all) there may
// be no room for the header's journal: the count alone is stored where it stands.
bool Heat_recorder::Store_count(const std::string& name, int32_t written, int error)
{
    cls_AVI_handler& file = *file_;
    if (!file.Open_for_append(name)) return false;
    file.Count_appended_frames(written);
    const bool in_place = error != 0 && written > 0 && file.Store_appended_count();
    const bool counted = written == 0 || in_place || error == 0;
    file.Close_File();
    return counted;
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
    if (!file.Open_File(name)) return;
    // The header's own count: the recording object clamps the count it reports to the frames on
    // disk, which would hide a shortened file.
    const int32_t counted = file.Header().Frames_no(), from_length = file.num_Calculated_frames();
    file.Close_File();
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
    if (!capturing_ || !camera_) return;
    try {
        // A frame still waiting for its turn when the button went down was taken before it.
        const int32_t taken = camera_->Extra_data().Long_at(DV_extra::Frame_tick);
        if (platform::Tick_difference(taken, press_tick_) < 0) return;
        camera_->Store_Buffer();
        Hand_over_stored();
        if (appender_ && appender_->Error() != 0) {
            Trace_Line("*A frame of the capture could not be written, the capture ends");
            Handle_Capture_End(capture_slot_);
        } else if (captured_ >= max_capture_frames_) {
            Trace_Line("*Capture reached its frame limit, appending");
            Handle_Capture_End(capture_slot_);
        }
    } catch (...) {
        // One report, and no more storing: a failing frame path would fail for every frame.
        // What reached the disk is counted.
        Report_current_exception("DV_event" + std::string(k_Class));
        if (capturing_) Handle_Capture_End(capture_slot_);
    }
}

void Heat_recorder::Camera_stopped(const std::string& reason)
{
    try {
        const int16_t s = active_heat_;
        if (capturing_) Handle_Capture_End(s);
        g_Capture_running = false;
        slots_[size_t(s)].camera_stopped = reason;
        view_.Heat_changed();
        view_.Notice("Camera stopped: " + reason);
    } catch (...) {
        Report_current_exception("Camera_stopped" + std::string(k_Class));
    }
}

void Heat_recorder::Handle_Abort(int16_t s)
{
    if (!Valid_slot(s)) return;
    try {
        Heat_state& slot = slots_[size_t(s)];
        if (!slot.started) {
            view_.Notice("Heat not started!");
            return;
        }
        // A capture ends with the abort, before the question: its release may come while the
        // question is open, and the frames taken so far belong to the heat as it ran.
        const bool was_capturing = capturing_;
        const int16_t captured = capture_slot_;
        if (capturing_) Handle_Capture_End(captured);
        asking_abort_ = true;
        bool confirmed = false;
        try {
            confirmed = view_.Confirm_abort("Aborting heat " + slot.heat_id + " , are you sure?");
        } catch (...) {
            asking_abort_ = false;
            throw;
        }
        asking_abort_ = false;
        if (confirmed) {
            slot.started = false;
            slot.start_tick = 0;
            slot.aborted = true;
            if (!Clear_start(s)) view_.Notice("The start could not be cleared in " + slot.file_name + ".");
        } else if (was_capturing && view_.Capture_input_held()) {
            Resume_capture(captured);
        }
        view_.Heat_changed();
    } catch (...) {
        Report_current_exception("Handle_Abort" + std::string(k_Class));
    }
}

// The heat goes on: the input still held captures again at once, into the same recording.
void Heat_recorder::Resume_capture(int16_t s)
{
    Trace_Line("*Abort cancelled with the capture input held, capturing again");
    Handle_Capture_Start(s);
    if (capturing_)
        slots_[size_t(s)].note = "Abort cancelled during a capture: the frames before and after the question are "
                                 "stored, not those while it was open";
}

// The start is cleared in this slot's own recording, whichever the handler last used.
bool Heat_recorder::Clear_start(int16_t s)
{
    cls_AVI_handler& file = *file_;
    if (!file.Open_File(slots_[size_t(s)].file_name)) return true;
    const bool cleared = file.Clear_Multi_Start(1);
    file.Close_File();
    return cleared;
}

void Heat_recorder::Clear_Heat(int16_t s)
{
    if (!Valid_slot(s)) return;
    try {
        Heat_state& slot = slots_[size_t(s)];
        if (!slot.file_name.empty()) {
            g_Last_captured_file = slot.file_name;
            Write_setting(ini::Last_captured_file, g_Last_captured_file);
        }
        slot.started = false;
        slot.start_tick = 0;
        slot.initiated = false;
        view_.Heat_changed();
    } catch (...) {
        Report_current_exception("Clear_Heat" + std::string(k_Class));
    }
}

} // namespace wk
