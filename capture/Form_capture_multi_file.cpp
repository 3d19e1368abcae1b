#include "capture/Form_capture_multi_file.h"

#include "capture/Control_box_panel.h"
#include "capture/Frm_progress.h"
#include "capture/Non_dependant.h"
#include "capture/Interface_kit_choice.h"
#include "capture/cls_Capture.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Screen_saver.h"
#include "recording/Capture_record.h"
#include "services/Form_controls.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>

namespace wk {

namespace {
constexpr const char* k_Form = " of Form Form_capture_multi_file";
}

// What the recorder tells the window; the window alone talks to the operator.
class Form_capture_multi_file::Recorder_view final : public Heat_recorder_view {
public:
    explicit Recorder_view(Form_capture_multi_file& form) : form_(form) {}
    void Heat_changed() override { form_.Show_heats(); }
    void Append_progress(int32_t percent) override { form_.Show_append_progress(percent); }
    void Box_changed() override { form_.Control_box_changed(); }
    void Beep() override { QApplication::beep(); }
    bool Marathon_heats() const override { return form_.item_Marathon && form_.item_Marathon->isChecked(); }
    // Neither waits for the operator: they may come from inside a frame's delivery.
    void Notice(const std::string& text) override { platform::Notice_box(text); }
    void Ask_abort(int16_t slot, const std::string& question) override
    {
        QPointer<Form_capture_multi_file> form(&form_);
        platform::Get_dialogs().Ask_later(question, platform::vbOKCancel | platform::vbDefaultButton2,
                                          "Wakeline Aborting Heat", [form, slot](int answer) {
                                              if (form) form->Recorder().Abort_answered(slot, answer == platform::vbOK);
                                          });
    }
    void Pictures_left_out(int32_t count) override { form_.Show_left_out(count); }
    void Frame_taken() override { form_.DV_event(); }

private:
    Form_capture_multi_file& form_;
};

void Form_capture_multi_file::Make_recorder()
{
    view_ = std::make_unique<Recorder_view>(*this);
    recorder_ = std::make_unique<Heat_recorder>(*view_, setup_.Max_capture_frames);
    recorder_->Release_wait_ms(setup_.Release_wait_ms);
}

Form_capture_multi_file::Form_capture_multi_file(Capture_window_setup setup)
    : Form_window("Form_capture_multi_file"), setup_(std::move(setup))
{
    if (!setup_.Count_cameras) setup_.Count_cameras = [] { return Num_video_devices(); };
    if (!setup_.Make_camera) setup_.Make_camera = [] { return Restart_Camera(); };
    if (!setup_.Make_kit) setup_.Make_kit = [this] { return Choose_interface_kit(this); };
    setWindowTitle("Wakeline capture");
    resize(1024, 700);
    progress_ = std::make_unique<Frm_progress>();
    Make_recorder();
    Build_controls();
    Form_Load();
}

Form_capture_multi_file::~Form_capture_multi_file()
{
    // The camera keeps running for the program; it stops calling the recorder as the recorder goes.
    // Controls going with the window (the event name losing its focus, a held button let go)
    // must not call back into it.
    for (QObject* control : findChildren<QObject*>()) control->disconnect(this);
    platform::Hold_screen_awake(this, false);
}

void Form_capture_multi_file::Build_controls()
{
    auto* outer = new QVBoxLayout(this);
    Build_menus(outer);
    auto* top = new QHBoxLayout;
    outer->addLayout(top);
    top->addWidget(new QLabel("Event:", this));
    Text_Event_name = Named(new QLineEdit(this), "Text_Event_name");
    top->addWidget(Text_Event_name);
    top->addWidget(new QLabel("Capture folder:", this));
    Lbl_capture_folder = Add_label(this, top, "Lbl_capture_folder");
    Lbl_capture_folder->setCursor(Qt::PointingHandCursor);
    Lbl_capture_folder->installEventFilter(this);
    Label_PC_time = Add_label(this, top, "Label_PC_time");
    Picture_DV_arm = Add_label(this, top, "Picture_DV_arm");
    Picture_DV_arm->setFixedSize(40, 40);
    auto* row = new QHBoxLayout;
    outer->addLayout(row);
    for (int16_t s = 0; s < k_Slots; ++s) Build_slot(s, this);
    for (auto& slot : Slots) row->addWidget(slot.Frame_capture);
    Command_Capture = Add_button(this, outer, "Command_Capture", "Capture (hold)");
    Command_Capture->setMinimumHeight(60);
    // The panel's press and release are stamped as they are seen.
    connect(Command_Capture, &QPushButton::pressed, this, [this] { Handle_Capture_Start(Active_heat()); });
    connect(Command_Capture, &QPushButton::released, this, [this] { Handle_Capture_End(Active_heat()); });
    // What the running capture lost, while it happens; hidden while there is nothing.
    Label_capture_status = Add_label(this, outer, "Label_capture_status");
    Label_capture_status->setStyleSheet("color: #B00000; font-weight: bold;");
    Label_capture_status->hide();
    connect(Text_Event_name, &QLineEdit::editingFinished, this, [this] {
        Write_setting(ini::Event_name, Text_Event_name->text().toStdString());
        Load_Event_name();
    });
    outer->addStretch();
}

void Form_capture_multi_file::Build_slot(int16_t s, QWidget* parent)
{
    Heat_slot& slot = Slots[size_t(s)];
    const std::string n = std::to_string(s);
    slot.Frame_capture = new QGroupBox(parent);
    slot.Frame_capture->setObjectName(QString::fromStdString("Frame_capture_" + n));
    auto* grid = new QGridLayout(slot.Frame_capture);
    auto name = [&](const char* base) { return QString::fromStdString(std::string(base) + "_" + n); };
    auto label = [&](const char* base, int line, int column, const char* caption = "") {
        auto* l = new QLabel(caption, slot.Frame_capture);
        l->setObjectName(name(base));
        grid->addWidget(l, line, column);
        return l;
    };
    auto button = [&](const char* base, const char* caption, int line) {
        auto* b = new QPushButton(caption, slot.Frame_capture);
        b->setObjectName(name(base));
        grid->addWidget(b, line, 0, 1, 2);
        return b;
    };
    slot.Lbl_heat_ID = label("Lbl_heat_ID", 0, 0, "Heat ID");
    slot.Text_Heat_ID = new QLineEdit(slot.Frame_capture);
    slot.Text_Heat_ID->setObjectName(name("Text_Heat_ID"));
    grid->addWidget(slot.Text_Heat_ID, 0, 1);
    slot.Lbl_file_name = label("Lbl_file_name", 1, 0, "File");
    slot.Label_filename = label("Label_filename", 1, 1);
    // A long name is cut, not the window widened; the whole name is in its tip.
    slot.Label_filename->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    slot.Label_filename->setMinimumWidth(60);
    slot.Lbl_file_size = label("Lbl_file_size", 2, 0, "File size");
    slot.Label_file_size = label("Label_file_size", 2, 1);
    slot.Lbl_elapsed_time = label("Lbl_elapsed_time", 3, 0, "Heat time");
    slot.Label_heat_time = label("Label_heat_time", 3, 1);
    slot.Lbl_start_time = label("Lbl_start_time", 4, 0, "Start time");
    slot.Label_start_time = label("Label_start_time", 4, 1);
    slot.Label_note = new QLabel(slot.Frame_capture);
    slot.Label_note->setObjectName(name("Label_note"));
    slot.Label_note->setWordWrap(true);
    slot.Label_note->hide();
    grid->addWidget(slot.Label_note, 9, 0, 1, 2);
    // A slot made taller by another's note keeps its rows together at the top.
    grid->setRowStretch(10, 1);
    // A press anywhere in the slot makes it the active one (Finish's own button excepted).
    for (QWidget* w : std::initializer_list<QWidget*>{slot.Frame_capture, slot.Text_Heat_ID, slot.Lbl_heat_ID,
                                                      slot.Lbl_file_name, slot.Label_filename, slot.Lbl_file_size,
                                                      slot.Label_file_size, slot.Lbl_elapsed_time, slot.Label_heat_time,
                                                      slot.Lbl_start_time, slot.Label_start_time})
        w->installEventFilter(this);
    slot.Command_newFile = button("Command_newFile", "New file", 5);
    slot.Command_start = button("Command_start", "Start", 6);
    slot.Command_abort = button("Command_abort", "Abort", 7);
    slot.Command_Finish = button("Command_Finish", "Finish", 8);
    // Pressing a slot's buttons makes it the active slot first (Finish does not).
    for (QPushButton* b : {slot.Command_newFile, slot.Command_start, slot.Command_abort})
        connect(b, &QPushButton::pressed, this, [this, s] { Set_Active_heat(s); });
    connect(slot.Command_newFile, &QPushButton::clicked, this, [this, s] { Command_newFile_Click(s); });
    connect(slot.Command_start, &QPushButton::clicked, this, [this, s] { Handle_Start_Event(s); });
    connect(slot.Command_abort, &QPushButton::clicked, this, [this] { Handle_Abort(Active_heat()); });
    connect(slot.Command_Finish, &QPushButton::clicked, this, [this, s] { Clear_Heat(s); });
}

void Form_capture_multi_file::Form_Load()
{
    if (g_Exiting) return;
    try {
        // The kit is made once: a second kit would leave the first one's events dangling.
        box_ = std::make_unique<Control_box>(*recorder_, setup_.Make_kit());
        Frame_Control_box = new Control_box_panel(*box_, this);
        layout()->addWidget(Frame_Control_box);
        Frame_Control_box->hide();
        int32_t left = 0, top = 0, w = 0, h = 0;
        Get_Form_Pos("Form_capture_multi_file", left, top, w, h);
        move(left / platform::Twips_per_pixel_x(), top / platform::Twips_per_pixel_y());
        Load_capture_folder();
        g_DV_Extra_Offset = int32_t(capture_record::k_Offset);
        Trace_Line("*Calling Num_Video_Devices");
        g_Num_video_devices = setup_.Count_cameras();
        Trace_Line("*After Num_Video_Devices");
        if (g_Num_video_devices == 0) platform::MsgBox("No camera found!");
        camera_wish_ = Camera_wish::From_settings();
        Start_Cam();
        Heat_recorder::Load_lanes_and_options();
        g_Lane_marks_shown = true;
        g_Goalline_shown = true;
        for (int16_t s = 0; s < k_Slots; ++s) {
            Slots[size_t(s)].Frame_capture->setTitle(QString("Heat ") + QChar('A' + s));
            Update_File_size(s);
        }
        Load_Event_name();
        Update_PC_Time();
        box_->Loaded();
        menu_specials->menuAction()->setVisible(false);
        // The wall clock; a minute may show up to five seconds late.
        auto* timer = new QTimer(this);
        timer->setObjectName("Timer1");
        connect(timer, &QTimer::timeout, this, [this] { Update_PC_Time(); });
        timer->start(5000);
        Set_Active_heat(0);
    } catch (...) {
        Report_current_exception("Form_Load" + std::string(k_Form));
    }
}

void Form_capture_multi_file::Form_Unload()
{
    try {
        // The window goes now: no waiting for frames still on their way.
        if (Capturing()) recorder_->End_capture();
        Store_Form_Pos("Form_capture_multi_file", x() * platform::Twips_per_pixel_x(), y() * platform::Twips_per_pixel_y(), 0, 0);
    } catch (...) {
        Report_current_exception("Form_Unload" + std::string(k_Form));
    }
}

void Form_capture_multi_file::Load_capture_folder()
{
    const std::string folder = Read_setting(ini::Capture_folder);
    g_Capture_folder = folder;
    Lbl_capture_folder->setText(QString::fromStdString(folder.empty() ? "N/A" : folder));
}

void Form_capture_multi_file::Load_Event_name()
{
    Text_Event_name->setText(QString::fromStdString(Read_setting(ini::Event_name)));
    g_Event_name = Text_Event_name->text().toStdString();
}

void Form_capture_multi_file::Start_Cam()
{
    if (g_Num_video_devices <= 0) return;
    try {
        recorder_->Camera(nullptr);
        camera_ = setup_.Make_camera();
        recorder_->Camera(camera_);
        if (!camera_) {
            cameras_.clear();
            Show_cameras();
            return;
        }
        g_Capture = camera_;
        camera_->Event_Target(cls_Capture::Target_window);
        camera_->Owner.Do_log_time = true;
        camera_->Post_linear(false);
        camera_->Set_Video_Source(Chosen_source(), false);
        camera_->MaxFrames(1);
        camera_->Capture_Run();
        if (!camera_->Running() && !camera_->Last_Error().empty())
            platform::MsgBox("The camera did not start: " + camera_->Last_Error());
        g_Capture_running = true;
        Show_cameras();
    } catch (...) {
        Report_current_exception("Start_Cam" + std::string(k_Form));
    }
}

void Form_capture_multi_file::DV_event()
{
    try {
        if (++frame_counter_ > 6) {
            frame_counter_ = 0;
            Update_Heat_Times();
        }
        if (camera_) {
            QImage arm(Picture_DV_arm->size(), QImage::Format_RGB32);
            arm.fill(Qt::white);
            camera_->Draw_Running_Arm_2(arm);
            Picture_DV_arm->setPixmap(QPixmap::fromImage(arm));
        }
        if (Preview_visible()) Paint_Preview();
    } catch (...) {
        Report_current_exception("DV_event" + std::string(k_Form));
    }
}

void Form_capture_multi_file::Show_left_out(int32_t count)
{
    // The camera as the Choose camera menu numbers it.
    const int16_t number = camera_ && camera_->Source() > 0 ? camera_->Source() : 1;
    Label_capture_status->setText(count > 0 ? QString("Camera %1 is behind: %2 pictures left out").arg(number).arg(count)
                                            : QString());
    Label_capture_status->setVisible(count > 0);
}

bool Form_capture_multi_file::Capture_input_held() const
{
    if (Command_Capture && Command_Capture->isDown()) return true;
    // The box in its test mode captures nothing, so its inputs hold nothing either.
    return box_ && !box_->Test_mode() && box_->Kit().Attached() && box_->Kit().Input_state(Control_box::Input_capture);
}

void Form_capture_multi_file::Control_box_changed()
{
    if (Frame_Control_box && !Frame_Control_box->isHidden()) Frame_Control_box->Display_Control_Box();
}

void Form_capture_multi_file::Update_PC_Time()
{
    const platform::Local_time t = platform::Get_clock().Now();
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", t.hour % 100, t.minute % 100);
    Label_PC_time->setText(text);
}

} // namespace wk
