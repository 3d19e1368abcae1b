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

#include <QTimer>

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
      file_(std::make_unique<cls_AVI_handler>()), release_timer_(std::make_unique<QTimer>())
{
    release_timer_->setSingleShot(true);
    QObject::connect(release_timer_.get(), &QTimer::timeout, [this] { Release_wait_over(); });
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
    if (!file.Create_File() || file.file_num() == 0) {
        Tell_problems();
        return false;
    }
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
    Tell_problems();
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
    // A held capture owns its recording: the start goes into it through the capture's writer.
    if (appender_ && capture_slot_ == s) return Write_start_while_held(s, tick, local_ms);
    cls_AVI_handler& file = *file_;
    const std::string& name = slots_[size_t(s)].file_name;
    const Recording_outcome opened = file.Open_File(name);
    Tell(opened.problems);
    if (!opened) {
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
    Tell_problems();
    if (!written) view_.Notice("Error! The start could not be written to " + name + "; the heat is not started.");
    return written;
}

bool Heat_recorder::Write_start_while_held(int16_t s, int32_t tick, int32_t local_ms)
{
    bool already = false, written = false;
    try {
        written = appender_->Change_header([&](Cls_XML_header& header) {
            already = header.Start_local_mill(1) >= 1 || header.Start_PC_mill(1) >= 1;
            if (already) return false;
            header.Start_local_mill(1, local_ms);
            header.Start_PC_mill(1, tick);
            header.Update_Program(g_Edition_text);
            return true;
        });
    } catch (const Run_time_error& e) {
        Trace_Line(std::string("*The start could not be written during a capture: ") + e.what());
    }
    Tell_problems();
    if (already) view_.Notice("Heat already started! (m2)");
    else if (!written)
        view_.Notice("Error! The start could not be written to " + slots_[size_t(s)].file_name + "; the heat is not started.");
    return written;
}

// The recordings' problems reach the operator as notices: no box may hold up a capture.
void Heat_recorder::Tell_problems()
{
    Tell(file_->Take_problems());
    if (appender_) Tell(appender_->Take_problems());
}

void Heat_recorder::Tell(const std::vector<Recording_problem>& problems)
{
    for (const Recording_problem& problem : problems) view_.Notice(problem.Text());
}

void Heat_recorder::Camera_stopped(const std::string& reason)
{
    try {
        const int16_t s = capturing_ ? capture_slot_ : active_heat_;
        End_capture();
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
        // One question at a time; frames and presses go on while it is open.
        if (asking_abort_) return;
        asking_abort_ = true;
        abort_slot_ = s;
        view_.Ask_abort(s, "Aborting heat " + slot.heat_id + " , are you sure?");
    } catch (...) {
        asking_abort_ = false;
        Report_current_exception("Handle_Abort" + std::string(k_Class));
    }
}

void Heat_recorder::Abort_answered(int16_t s, bool yes)
{
    if (!asking_abort_ || s != abort_slot_) return;
    asking_abort_ = false;
    try {
        Heat_state& slot = slots_[size_t(s)];
        // A heat finished while the question was open has no start left to clear.
        if (yes && slot.started) {
            // The heat keeps what was captured into it up to the answer.
            if (capturing_ && capture_slot_ == s) End_capture();
            slot.started = false;
            slot.start_tick = 0;
            slot.aborted = true;
            if (!Clear_start(s)) view_.Notice("The start could not be cleared in " + slot.file_name + ".");
        }
        view_.Heat_changed();
    } catch (...) {
        Report_current_exception("Abort_answered" + std::string(k_Class));
    }
}

// The start is cleared in this slot's own recording, whichever the handler last used.
bool Heat_recorder::Clear_start(int16_t s)
{
    cls_AVI_handler& file = *file_;
    const Recording_outcome opened = file.Open_File(slots_[size_t(s)].file_name);
    Tell(opened.problems);
    if (!opened) return true;
    const bool cleared = file.Clear_Multi_Start(1);
    file.Close_File();
    Tell_problems();
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
