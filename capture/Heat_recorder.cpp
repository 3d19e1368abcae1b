#include "capture/Heat_recorder.h"

#include "capture/cls_Capture.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "viewer/Cls_lane.h"
#include "viewer/Module_lanes.h"

#include <span>

namespace wk {

namespace {
constexpr const char* k_Class = " of Class Module Heat_recorder";
}

Heat_recorder::Heat_recorder(Heat_recorder_view& view, int32_t max_capture_frames)
    : view_(view), max_capture_frames_(max_capture_frames), file_(std::make_unique<cls_AVI_handler>())
{
}

Heat_recorder::~Heat_recorder() = default;

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
            platform::MsgBox("Can't find Capture Folder!");
            return false;
        }
        if (slot.initiated) {
            platform::MsgBox("File already initated. Click Finish If you want to initiate a new file!");
            return false;
        }
        if (heat_id.empty()) {
            platform::MsgBox("No Heat ID given!");
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
        platform::MsgBox("The header of " + slot.file_name + " could not be written; the heat has no recording.");
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
            platform::MsgBox("Marathon heats are started on the Marathon form!");
            return;
        }
        if (!slot.initiated) {
            view_.Beep();
            return;
        }
        if (slot.started) {
            platform::MsgBox("Heat already started! (m1)");
            return;
        }
        const int32_t local_ms = Get_Local_Mill_Time();
        if (!FileExists(slot.file_name)) {
            platform::MsgBox("Error! Can't find file!");
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
        platform::MsgBox("Error! The recording " + name + " could not be opened; the heat is not started.");
        return false;
    }
    if (file.Start_local_Mill_Time(1) >= 1 || file.Start_PC_Mill_time(1) >= 1) {
        file.Close_File();
        platform::MsgBox("Heat already started! (m2)");
        return false;
    }
    file.Start_local_mill(1, local_ms);
    file.Start_PC_mill(1, tick);
    const bool written = file.Write_XML_header();
    file.Close_File();
    if (!written) platform::MsgBox("Error! The start could not be written to " + name + "; the heat is not started.");
    return written;
}

void Heat_recorder::Handle_Capture_Start(int16_t s)
{
    if (!Valid_slot(s) || capturing_) return;
    try {
        if (!slots_[size_t(s)].initiated) {
            view_.Beep();
            platform::MsgBox("No file initiated!");
            return;
        }
        // A stopped camera stores nothing, so the capture would only look as if it ran.
        if (!camera_ || !camera_->Running()) {
            platform::MsgBox("No camera is running: nothing can be captured.");
            return;
        }
        if (camera_->Pictures_unrecordable()) {
            Trace_Line("*Capture refused, the camera gives no DV frames");
            platform::MsgBox("This camera gives pictures that cannot be recorded (no DV frames): nothing can be "
                             "captured. Choose another camera under Camera > Choose camera.");
            return;
        }
        camera_->Clear_Linear_Buffer();
        camera_->Post_linear(true);
        capturing_ = true;
        press_tick_ = Get_Tick();
        Trace_Line("*Capture start, tick = ", press_tick_);
        view_.Heat_changed();
    } catch (...) {
        End_storing();
        Report_current_exception("Handle_Capture_Start" + std::string(k_Class));
    }
}

void Heat_recorder::End_storing()
{
    capturing_ = false;
    if (camera_) camera_->Post_linear(false);
    view_.Heat_changed();
}

void Heat_recorder::Handle_Capture_End(int16_t s)
{
    if (!Valid_slot(s)) return;
    try {
        // Storing ends first, whatever follows: frames must not pile up in memory.
        const bool was_capturing = capturing_;
        End_storing();
        const Heat_state& slot = slots_[size_t(s)];
        if (!slot.initiated) {
            platform::MsgBox("Errror, Handle_Capture_End, file not initiated!");
            return;
        }
        if (!FileExists(slot.file_name)) {
            platform::MsgBox("Errror,Handle_Capture_End, can't find output file!");
            return;
        }
        if (!was_capturing || !camera_) return;
        Append_capture(s);
    } catch (...) {
        view_.Append_progress(-1);
        Report_current_exception("Handle_Capture_End" + std::string(k_Class));
    }
}

void Heat_recorder::Append_capture(int16_t s)
{
    view_.Append_progress(0);
    const std::string name = slots_[size_t(s)].file_name;
    cls_AVI_handler& file = *file_;
    if (file.Open_for_append(name)) {
        const int32_t count = camera_->Buff_num();
        for (int32_t i = 1; i <= count; ++i) {
            // The recording says why when a frame cannot be written; the rest would fail too.
            if (!file.Append_DV_frame(std::span<const uint8_t>(camera_->get_Buffaddr(i), size_t(k_DV_frame_size)))) break;
            view_.Append_progress(int32_t(int64_t(i) * 100 / count));
        }
        file.Close_File();
        Check_frame_count(name);
    }
    camera_->Clear_Linear_Buffer();
    view_.Append_progress(-1);
    view_.Heat_changed();
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
    platform::MsgBox("The recording " + name + " counts " + std::to_string(counted) + " frames but its length holds " +
                     std::to_string(from_length) + ". Finish this heat and check the recording.");
}

void Heat_recorder::DV_event()
{
    if (!capturing_ || !camera_) return;
    try {
        // A frame still waiting for its turn when the button went down was taken before it.
        const int32_t taken = camera_->Extra_data().Long_at(DV_extra::Frame_tick);
        if (platform::Tick_difference(taken, press_tick_) < 0) return;
        camera_->Store_Buffer();
        if (camera_->Buff_num() >= max_capture_frames_) {
            Trace_Line("*Capture reached its frame limit, appending");
            Handle_Capture_End(active_heat_);
        }
    } catch (...) {
        // One report, and no more storing: a failing frame path would fail for every frame.
        End_storing();
        Report_current_exception("DV_event" + std::string(k_Class));
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
        platform::MsgBox("Camera stopped: " + reason);
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
            platform::MsgBox("Heat not started!");
            return;
        }
        // A capture ends with the abort, before the question: its release may come while the
        // question is open, and the frames taken so far belong to the heat as it ran.
        if (capturing_) Handle_Capture_End(active_heat_);
        const int answer = platform::MsgBox("Aborting heat " + slot.heat_id + " , are you sure?",
                                            platform::vbOKCancel | platform::vbDefaultButton2, "Wakeline Aborting Heat");
        if (answer == platform::vbOK) {
            slot.started = false;
            slot.start_tick = 0;
            slot.aborted = true;
            if (!Clear_start(s)) platform::MsgBox("The start could not be cleared in " + slot.file_name + ".");
        }
        view_.Heat_changed();
    } catch (...) {
        Report_current_exception("Handle_Abort" + std::string(k_Class));
    }
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
