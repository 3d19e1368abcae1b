#include "capture/Form_test_direct_write.h"

#include "platform/Dialogs.h"
#include "recording/Timecode_module.h"
#include "recording/cls_AVI_handler.h"
#include "services/Form_controls.h"
#include "services/Module_error.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace wk {

namespace {

constexpr const char* k_Form = " of Form Form_test_direct_write";

QLineEdit* Add_text(QWidget* parent, QGridLayout* layout, const char* name, int row, int column)
{
    auto* t = Named(new QLineEdit(parent), name);
    layout->addWidget(t, row, column);
    return t;
}

} // namespace

Form_test_direct_write::Form_test_direct_write() : Form_window("Form_test_direct_write")
{
    setWindowTitle("Test direct write");
    auto* grid = new QGridLayout(this);
    auto* labels = new QVBoxLayout;
    grid->addLayout(labels, 0, 0, 4, 1);
    lbl_DV_events = Add_label(this, labels, "lbl_DV_events", "0");
    Lbl_Heat_time = Add_label(this, labels, "Lbl_Heat_time");
    Lbl_DV_frames = Add_label(this, labels, "Lbl_DV_frames", "0");
    Lbl_file_size = Add_label(this, labels, "Lbl_file_size");
    Label2 = Add_label(this, labels, "Label2");
    Label3 = Add_label(this, labels, "Label3", "Hold to write");
    auto* buttons = new QVBoxLayout;
    grid->addLayout(buttons, 0, 1, 4, 1);
    Command1 = Add_button(this, buttons, "Command1", "Write");
    Command2 = Add_button(this, buttons, "Command2", "File size");
    Cmd_newfile = Add_button(this, buttons, "Cmd_newfile", "New file");
    Cmd_start = Add_button(this, buttons, "Cmd_start", "Start");
    Text_Filename = Add_text(this, grid, "Text_Filename", 4, 0);
    Text_Corrected_Start_Time = Add_text(this, grid, "Text_Corrected_Start_Time", 5, 0);
    Text_Heat_start = Add_text(this, grid, "Text_Heat_start", 5, 1);
    // The heat frames are placed by Form_Load, one beside the other.
    auto* heats = Named(new QWidget(this), "Heats");
    heats->setMinimumSize(3 * 160, 90);
    grid->addWidget(heats, 6, 0, 1, 2);
    for (size_t i = 0; i < Frm_heat.size(); ++i) {
        Frm_heat[i] = Named(new QGroupBox(heats), ("Frm_heat_" + std::to_string(i)).c_str());
        Frm_heat[i]->setGeometry(0, 0, 160, 90);
    }
    connect(Command1, &QPushButton::pressed, this, [this] { Command1_MouseDown(); });
    connect(Command1, &QPushButton::released, this, [this] { Command1_MouseUp(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Update_File_size(); });
    connect(Cmd_newfile, &QPushButton::clicked, this, [this] { Cmd_newfile_Click(); });
    Initialize_DV_extra();
    Form_Load();
}

void Form_test_direct_write::Form_Load()
{
    static const char* const k_Captions[] = {"Heat A", "Heat B", "Heat C"};
    for (size_t i = 0; i < Frm_heat.size(); ++i) {
        Frm_heat[i]->setTitle(k_Captions[i]);
        if (i > 0) Frm_heat[i]->move(Frm_heat[i - 1]->geometry().right() + 1, Frm_heat[i - 1]->y());
    }
}

void Form_test_direct_write::Initialize_DV_extra()
{
    // The bench's record carries its markers and nothing else, not even its length.
    Capture_record blank;
    blank.length = 0;
    extra_ = blank.To_bytes();
}

// ---- Writing while the button is held ----

bool Form_test_direct_write::Open_recording()
{
    if (!recording_ || !source_) {
        platform::MsgBox("There is no recording or no camera to write from");
        return false;
    }
    if (recording_->File_open()) return true;
    const std::string name = Text_Filename->text().isEmpty() ? recording_->File_name() : Text_Filename->text().toStdString();
    const bool opened = recording_->Open_for_append(name);
    Tell_problems();
    return opened;
}

void Form_test_direct_write::Tell_problems()
{
    if (!recording_) return;
    for (const Recording_problem& problem : recording_->Take_problems()) platform::MsgBox(problem.Text());
}

void Form_test_direct_write::Command1_MouseDown()
{
    if (writing_ || !Open_recording()) return;
    frames_written_ = 0;
    writing_ = true;
}

void Form_test_direct_write::Command1_MouseUp()
{
    if (!writing_) return;
    writing_ = false;
    if (recording_) recording_->Close_File();
    Tell_problems();
    Update_Labels();
    Update_File_size();
}

void Form_test_direct_write::DV_event()
{
    try {
        lbl_DV_events->setText(QString::number(++events_));
        if (!writing_) return;
        if (!recording_ || !source_) throw Run_time_error(err_Object_variable, "The recording or the camera is gone");
        const std::span<const uint8_t> frame = source_->Last_DV_frame();
        if (frame.size() < k_Frame_size)
            throw Run_time_error(err_Invalid_argument, "The camera gave no whole DV frame");
        Append_frame(frame.first(k_Frame_size));
    } catch (...) {
        // One report, not one for every frame that follows.
        writing_ = false;
        Report_current_exception("DV_event" + std::string(k_Form));
    }
}

void Form_test_direct_write::Append_frame(std::span<const uint8_t> frame)
{
    DV_Header_Parse(frame);
    timecode_frame_ = Timecode_To_Frames();
    frame_tick_ = Get_Tick();
    std::copy(frame.begin(), frame.end(), buffer_.begin());
    if (!recording_->Append_DV_frame(buffer_)) {
        writing_ = false;
        Tell_problems();
        return;
    }
    ++frames_written_;
    Lbl_DV_frames->setText(QString::number(recording_->DV_frames_appended()));
}

// The recording forgets its count when it is closed; the window keeps the count of the hold.
void Form_test_direct_write::Update_Labels()
{
    Label2->setText(Text_Filename->text() + " : " + QString::number(frames_written_) + " frames");
    Lbl_DV_frames->setText(QString::number(frames_written_));
}

void Form_test_direct_write::Update_File_size()
{
    if (recording_) Lbl_file_size->setText(QString::number(recording_->File_size()));
}

void Form_test_direct_write::Cmd_newfile_Click()
{
    if (!recording_ || writing_) return;
    recording_->File_name(Text_Filename->text().toStdString());
    const bool created = recording_->Create_File();
    if (created) recording_->Initiate_file();
    Tell_problems();
    if (created) Update_File_size();
}

} // namespace wk
