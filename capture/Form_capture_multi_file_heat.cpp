// The road of one heat as the window shows it: its buttons go to the heat recorder, and the
// recorder's state is shown in the slots' labels, buttons and titles.
#include "capture/Form_capture_multi_file.h"

#include "capture/Frm_progress.h"
#include "platform/Clock.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

namespace wk {

namespace {

// The active slot's background and the others'.
const char* const k_Active_style = "background-color: #FFC080;";

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
    if (font.italic() == italic) return;
    font.setItalic(italic);
    button->setFont(font);
}

QString Mill_time_text(int32_t ms) { return QString::fromStdString(Display_Mill_Time(ms, false)); }

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
    recorder_->New_file(s, Lbl_capture_folder->text().toStdString(),
                        Slots[size_t(s)].Text_Heat_ID->text().toStdString(), Recording_name(s));
}

void Form_capture_multi_file::Handle_Start_Event(int16_t s) { recorder_->Handle_Start_Event(s); }

void Form_capture_multi_file::Handle_Capture_Start(int16_t s) { recorder_->Handle_Capture_Start(s); }

void Form_capture_multi_file::Handle_Capture_End(int16_t s) { recorder_->Handle_Capture_End(s); }

void Form_capture_multi_file::Handle_Abort(int16_t s) { recorder_->Handle_Abort(s); }

void Form_capture_multi_file::Clear_Heat(int16_t s) { recorder_->Clear_Heat(s); }

void Form_capture_multi_file::Set_Active_heat(int16_t slot) { recorder_->Set_Active_heat(slot); }

void Form_capture_multi_file::Show_heats()
{
    const int16_t active = recorder_->Active_heat();
    for (int16_t s = 0; s < k_Slots; ++s) {
        const Heat_state& heat = recorder_->Slot(s);
        Heat_slot& slot = Slots[size_t(s)];
        QString title = QString("Heat ") + QChar('A' + s);
        if (!heat.camera_stopped.empty()) title += " - camera stopped";
        slot.Frame_capture->setTitle(title);
        slot.Frame_capture->setStyleSheet(s == active ? k_Active_style : "");
        const QString name = QString::fromStdString(heat.file_name);
        slot.Label_filename->setText(name);
        slot.Label_filename->setToolTip(name);
        slot.Label_filename->setEnabled(heat.initiated);
        slot.Label_file_size->setEnabled(heat.initiated);
        Set_italic(slot.Command_start, heat.started);
        slot.Label_note->setText(QString::fromStdString(heat.note));
        slot.Label_note->setVisible(!heat.note.empty());
        Update_File_size(s);
        if (heat.aborted) {
            slot.Label_heat_time->setText("Aborted");
            slot.Label_start_time->setText("Aborted");
        } else if (!heat.file_name.empty()) {
            slot.Label_start_time->setText(Mill_time_text(heat.start_local_ms));
            if (!heat.started && heat.initiated) slot.Label_heat_time->setText(Mill_time_text(0));
        }
    }
    Set_italic(Command_Capture, recorder_->Capturing());
}

void Form_capture_multi_file::Show_append_progress(int32_t percent)
{
    if (percent < 0) {
        progress_->hide();
        return;
    }
    if (percent == 0) {
        progress_->move(pos() + QPoint(33, 33));
        progress_->show();
        progress_->Set_Caption("Appending frames");
        progress_->raise();
    }
    progress_->Set_Percent(percent);
}

void Form_capture_multi_file::Update_Heat_Times()
{
    const int32_t now = Get_Tick();
    for (int16_t s = 0; s < k_Slots; ++s) {
        const Heat_state& heat = recorder_->Slot(s);
        if (heat.started)
            Slots[size_t(s)].Label_heat_time->setText(Mill_time_text(platform::Tick_difference(now, heat.start_tick)));
    }
}

void Form_capture_multi_file::Update_File_size(int16_t slot)
{
    const std::string& name = recorder_->Slot(slot).file_name;
    if (name.empty()) {
        Slots[size_t(slot)].Label_file_size->setText("0 mb");
        return;
    }
    const double mb = double(Get_File_Size(name)) / 1048576.0;
    // One decimal, halves to the even digit.
    const double tenths = std::nearbyint(mb * 10.0);
    Slots[size_t(slot)].Label_file_size->setText(QString::number(tenths / 10.0, 'f', 1) + "mb");
}

} // namespace wk
