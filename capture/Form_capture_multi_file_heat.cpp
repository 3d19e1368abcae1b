// The road of one heat: its recording is created, the start is written into it, frames are
// captured while the button is held and appended on release, and the recording's frame count
// is checked against its length.
#include "capture/Form_capture_multi_file.h"

#include "capture/Frm_progress.h"
#include "capture/cls_Capture.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "viewer/Cls_lane.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

namespace wk {

namespace {

constexpr const char* k_Form = " of Form Form_capture_multi_file";

// A part of a file name typed by the operator: no folder separators and no "..", so the name
// always lands in the capture folder.
std::string Name_part(std::string text)
{
    for (char& c : text)
        if (c == '/' || c == '\\') c = '_';
    for (size_t at = text.find(".."); at != std::string::npos; at = text.find(".."))
        text.replace(at, 2, "_");
    return text;
}

// The date as year, month and day, whatever the locale says a short date is.
std::string Date_text()
{
    const platform::Local_time t = platform::Get_clock().Now();
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year % 10000, t.month % 100, t.day % 100);
    return text;
}

void Set_italic(QPushButton* button, bool italic)
{
    QFont font = button->font();
    font.setItalic(italic);
    button->setFont(font);
}

} // namespace

std::string Form_capture_multi_file::Recording_name(int16_t slot) const
{
    std::string folder = Lbl_capture_folder->text().toStdString();
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    const std::string heat_id = Slots[size_t(slot)].Text_Heat_ID->text().toStdString();
    return Clean_File_Name(folder + "/" + Name_part(g_Event_name) + "Heat" + Name_part(heat_id) + " " + Date_text() +
                           ".qs2");
}

void Form_capture_multi_file::Command_newFile_Click(int16_t s)
{
    if (!Valid_slot(s)) return;
    try {
        Heat_slot& slot = Slots[size_t(s)];
        if (!Folder_Exists(Lbl_capture_folder->text().toStdString())) {
            platform::MsgBox("Can't find Capture Folder!");
            return;
        }
        if (slot.Label_filename->isEnabled() && !slot.Label_filename->text().isEmpty()) {
            platform::MsgBox("File already initated. Click Finish If you want to initiate a new file!");
            return;
        }
        if (slot.Text_Heat_ID->text().isEmpty()) {
            platform::MsgBox("No Heat ID given!");
            return;
        }
        const std::string name = Recording_name(s);
        slot.Label_filename->setText(QString::fromStdString(name));
        g_Last_captured_file = name;
        // An existing file is refused by the recording object with its own message; the
        // camera and every other slot go on.
        if (!Write_new_header(s, name)) return;
        slot.initiated = true;
        slot.camera_stopped.clear();
        slot.Frame_capture->setTitle(QString("Heat ") + QChar('A' + s));
        slot.started = false;
        slot.start_tick = 0;
        slot.Label_filename->setEnabled(true);
        slot.Label_file_size->setEnabled(true);
        Update_File_size(s);
        Set_italic(slot.Command_start, false);
        slot.Label_heat_time->setText(QString::fromStdString(Display_Mill_Time(0, false)));
        slot.Label_start_time->setText(QString::fromStdString(Display_Mill_Time(0, false)));
    } catch (...) {
        Report_current_exception("Command_newFile_Click" + std::string(k_Form));
    }
}

bool Form_capture_multi_file::Write_new_header(int16_t s, const std::string& name)
{
    cls_AVI_handler& file = *obj_File_Handler;
    file.File_name(name);
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
    file.Heat_ID(1, Slots[size_t(s)].Text_Heat_ID->text().toStdString());
    file.Clear_Heats();
    const bool written = file.Write_XML_header();
    file.Close_File();
    if (!written) platform::MsgBox("The header of " + name + " could not be written; the heat has no recording.");
    return written;
}

void Form_capture_multi_file::Handle_Start_Event(int16_t s)
{
    // The moment of the signal, before anything else takes time.
    const int32_t t = Get_Tick();
    if (!Valid_slot(s)) return;
    try {
        Heat_slot& slot = Slots[size_t(s)];
        if (item_Marathon->isChecked()) {
            platform::MsgBox("Marathon heats are started on the Marathon form!");
            return;
        }
        if (!slot.initiated) {
            QApplication::beep();
            return;
        }
        if (slot.started) {
            platform::MsgBox("Heat already started! (m1)");
            return;
        }
        const int32_t local_ms = Get_Local_Mill_Time();
        if (!FileExists(File_of(s))) {
            platform::MsgBox("Error! Can't find file!");
            return;
        }
        // The heat counts as started only once its start is in the recording.
        if (!Write_start(s, t, local_ms)) return;
        slot.started = true;
        slot.start_tick = t;
        if (camera_) camera_->Heat_Start_Milltime(t);
        Set_Active_heat(s);
        Set_italic(slot.Command_start, true);
        slot.Label_start_time->setText(QString::fromStdString(Display_Mill_Time(local_ms, false)));
        slot.Label_start_time->repaint();
    } catch (...) {
        Report_current_exception("Handle_Start_Event" + std::string(k_Form));
    }
}

bool Form_capture_multi_file::Write_start(int16_t s, int32_t tick, int32_t local_ms)
{
    cls_AVI_handler& file = *obj_File_Handler;
    const std::string name = File_of(s);
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

void Form_capture_multi_file::Handle_Capture_Start(int16_t s)
{
    if (!Valid_slot(s) || capturing_) return;
    try {
        if (!Slots[size_t(s)].initiated) {
            QApplication::beep();
            platform::MsgBox("No file initiated!");
            return;
        }
        // A stopped camera stores nothing, so the capture would only look as if it ran.
        if (!camera_ || !camera_->Running()) {
            platform::MsgBox("No camera is running: nothing can be captured.");
            return;
        }
        camera_->Clear_Linear_Buffer();
        camera_->Post_linear(true);
        capturing_ = true;
        Set_italic(Command_Capture, true);
    } catch (...) {
        End_storing();
        Report_current_exception("Handle_Capture_Start" + std::string(k_Form));
    }
}

void Form_capture_multi_file::End_storing()
{
    capturing_ = false;
    Set_italic(Command_Capture, false);
    if (camera_) camera_->Post_linear(false);
}

void Form_capture_multi_file::Handle_Capture_End(int16_t s)
{
    if (!Valid_slot(s)) return;
    try {
        // Storing ends first, whatever follows: frames must not pile up in memory.
        const bool was_capturing = capturing_;
        End_storing();
        if (!Slots[size_t(s)].initiated) {
            platform::MsgBox("Errror, Handle_Capture_End, file not initiated!");
            return;
        }
        if (!FileExists(File_of(s))) {
            platform::MsgBox("Errror,Handle_Capture_End, can't find output file!");
            return;
        }
        if (!was_capturing || !camera_) return;
        Append_capture(s);
    } catch (...) {
        progress_->hide();
        Report_current_exception("Handle_Capture_End" + std::string(k_Form));
    }
}

void Form_capture_multi_file::Append_capture(int16_t s)
{
    progress_->move(pos() + QPoint(33, 33));
    progress_->show();
    progress_->Set_Caption("Appending frames");
    progress_->raise();
    const std::string name = File_of(s);
    cls_AVI_handler& file = *obj_File_Handler;
    if (file.Open_for_append(name)) {
        const int32_t count = camera_->Buff_num();
        for (int32_t i = 1; i <= count; ++i) {
            // The recording says why when a frame cannot be written; the rest would fail too.
            if (!file.Append_DV_frame(std::span<const uint8_t>(camera_->get_Buffaddr(i), size_t(k_DV_frame_size)))) break;
            progress_->Set_Percent(int32_t(int64_t(i) * 100 / count));
        }
        file.Close_File();
        Check_frame_count(name);
    }
    camera_->Clear_Linear_Buffer();
    Update_File_size(s);
    progress_->hide();
}

void Form_capture_multi_file::Check_frame_count(const std::string& name)
{
    cls_AVI_handler& file = *obj_File_Handler;
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

void Form_capture_multi_file::Handle_Abort(int16_t s)
{
    if (!Valid_slot(s)) return;
    try {
        Heat_slot& slot = Slots[size_t(s)];
        if (!slot.started) {
            platform::MsgBox("Heat not started!");
            return;
        }
        // A capture ends with the abort, before the question: its release may come while the
        // question is open, and the frames taken so far belong to the heat as it ran.
        if (capturing_) Handle_Capture_End(active_heat_);
        const int answer = platform::MsgBox("Aborting heat " + slot.Text_Heat_ID->text().toStdString() + " , are you sure?",
                                            platform::vbOKCancel | platform::vbDefaultButton2, "Wakeline Aborting Heat");
        if (answer == platform::vbOK) {
            slot.Label_heat_time->setText("Aborted");
            slot.Label_start_time->setText("Aborted");
            slot.started = false;
            slot.start_tick = 0;
            // The start is cleared in this slot's own recording, whichever the handler last used.
            cls_AVI_handler& file = *obj_File_Handler;
            if (file.Open_File(File_of(s))) {
                if (!file.Clear_Multi_Start(1))
                    platform::MsgBox("The start could not be cleared in " + File_of(s) + ".");
                file.Close_File();
            }
        }
        Set_italic(slot.Command_start, false);
    } catch (...) {
        Report_current_exception("Handle_Abort" + std::string(k_Form));
    }
}

void Form_capture_multi_file::Clear_Heat(int16_t s)
{
    if (!Valid_slot(s)) return;
    try {
        Heat_slot& slot = Slots[size_t(s)];
        if (!slot.Label_filename->text().isEmpty()) {
            g_Last_captured_file = File_of(s);
            Write_Ini_Value("Canoe", "last_captured_file", g_Last_captured_file, Ini_file_path);
        }
        slot.started = false;
        slot.start_tick = 0;
        slot.initiated = false;
        Set_italic(slot.Command_start, false);
        slot.Label_filename->setEnabled(false);
    } catch (...) {
        Report_current_exception("Clear_Heat" + std::string(k_Form));
    }
}

} // namespace wk
