#include "capture/Form_capture_multi_file.h"

#include "capture/Control_box_panel.h"
#include "capture/Frm_progress.h"
#include "capture/Non_dependant.h"
#include "capture/Keyboard_interface_kit.h"
#include "capture/Socket_interface_kit.h"
#include "capture/cls_Capture.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Screen_saver.h"
#include "recording/cls_AVI_handler.h"
#include "services/Form_controls.h"
#include "services/Module_error.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>

namespace wk {

namespace {
constexpr const char* k_Form = " of Form Form_capture_multi_file";
// The active slot's background and the others'.
const char* const k_Active_style = "background-color: #FFC080;";
}

// The camera holds the window only weakly, so a frame after the window is gone goes nowhere.
class Form_capture_multi_file::Frame_receiver final : public Capture_frame_receiver {
public:
    explicit Frame_receiver(Form_capture_multi_file& form) : form_(form) {}
    void DV_event() override { form_.DV_event(); }

private:
    Form_capture_multi_file& form_;
};

Form_capture_multi_file::Form_capture_multi_file(Capture_window_setup setup)
    : Form_window("Form_capture_multi_file"), setup_(std::move(setup))
{
    if (!setup_.Count_cameras) setup_.Count_cameras = [] { return Num_video_devices(); };
    if (!setup_.Make_camera) setup_.Make_camera = [] { return Restart_Camera(); };
    if (!setup_.Make_kit) setup_.Make_kit = [this]() -> std::unique_ptr<Interface_kit> {
        // The kit simulator's socket when asked for, else the keyboard.
        if (qEnvironmentVariable("WK_CONTROL_BOX") == "kitsim") return std::make_unique<Socket_interface_kit>();
        return std::make_unique<Keyboard_interface_kit>(this);
    };
    setWindowTitle("Wakeline capture");
    resize(1024, 700);
    receiver_ = std::make_shared<Frame_receiver>(*this);
    progress_ = std::make_unique<Frm_progress>();
    Build_controls();
    Form_Load();
}

Form_capture_multi_file::~Form_capture_multi_file()
{
    // The camera keeps running for the program; it only stops calling this window.
    if (camera_) camera_->Capture_window({});
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
    connect(Command_Capture, &QPushButton::pressed, this, [this] { Handle_Capture_Start(active_heat_); });
    connect(Command_Capture, &QPushButton::released, this, [this] { Handle_Capture_End(active_heat_); });
    connect(Text_Event_name, &QLineEdit::editingFinished, this, [this] {
        Write_Ini_Value("Canoe", "event_name", Text_Event_name->text().toStdString(), Ini_file_path);
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
    auto label = [&](const char* base, int line) {
        auto* l = new QLabel(slot.Frame_capture);
        l->setObjectName(name(base));
        grid->addWidget(l, line, 1);
        return l;
    };
    auto button = [&](const char* base, const char* caption, int line) {
        auto* b = new QPushButton(caption, slot.Frame_capture);
        b->setObjectName(name(base));
        grid->addWidget(b, line, 0, 1, 2);
        return b;
    };
    grid->addWidget(new QLabel("Heat ID", slot.Frame_capture), 0, 0);
    slot.Text_Heat_ID = new QLineEdit(slot.Frame_capture);
    slot.Text_Heat_ID->setObjectName(name("Text_Heat_ID"));
    grid->addWidget(slot.Text_Heat_ID, 0, 1);
    slot.Label_filename = label("Label_filename", 1);
    slot.Label_file_size = label("Label_file_size", 2);
    slot.Label_heat_time = label("Label_heat_time", 3);
    slot.Label_start_time = label("Label_start_time", 4);
    slot.Command_newFile = button("Command_newFile", "New file", 5);
    slot.Command_start = button("Command_start", "Start", 6);
    slot.Command_abort = button("Command_abort", "Abort", 7);
    slot.Command_Finish = button("Command_Finish", "Finish", 8);
    // Pressing a slot's buttons makes it the active slot first (Finish does not).
    for (QPushButton* b : {slot.Command_newFile, slot.Command_start, slot.Command_abort})
        connect(b, &QPushButton::pressed, this, [this, s] { Set_Active_heat(s); });
    connect(slot.Command_newFile, &QPushButton::clicked, this, [this, s] { Command_newFile_Click(s); });
    connect(slot.Command_start, &QPushButton::clicked, this, [this, s] { Handle_Start_Event(s); });
    connect(slot.Command_abort, &QPushButton::clicked, this, [this] { Handle_Abort(active_heat_); });
    connect(slot.Command_Finish, &QPushButton::clicked, this, [this, s] { Clear_Heat(s); });
}

void Form_capture_multi_file::Form_Load()
{
    if (g_Exiting) return;
    try {
        // The kit is made once: a second kit would leave the first one's events dangling.
        box_ = std::make_unique<Control_box>(*this, setup_.Make_kit());
        Frame_Control_box = new Control_box_panel(*box_, this);
        layout()->addWidget(Frame_Control_box);
        Frame_Control_box->hide();
        int32_t left = 0, top = 0, w = 0, h = 0;
        Get_Form_Pos("Form_capture_multi_file", left, top, w, h);
        move(left / platform::Twips_per_pixel_x(), top / platform::Twips_per_pixel_y());
        Load_capture_folder();
        obj_File_Handler = std::make_unique<cls_AVI_handler>();
        g_DV_Extra_Offset = 12000;
        Trace_Line("*Calling Num_Video_Devices");
        g_Num_video_devices = setup_.Count_cameras();
        Trace_Line("*After Num_Video_Devices");
        if (g_Num_video_devices == 0) platform::MsgBox("No camera found!");
        Start_Cam();
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
        if (capturing_) Handle_Capture_End(active_heat_);
        Store_Form_Pos("Form_capture_multi_file", x() * platform::Twips_per_pixel_x(), y() * platform::Twips_per_pixel_y(), 0, 0);
    } catch (...) {
        Report_current_exception("Form_Unload" + std::string(k_Form));
    }
}

void Form_capture_multi_file::Load_capture_folder()
{
    const std::string folder = Read_Ini_Value("canoe", "save_folder1", Ini_file_path, "");
    g_Capture_folder = folder;
    Lbl_capture_folder->setText(QString::fromStdString(folder.empty() ? "N/A" : folder));
}

void Form_capture_multi_file::Load_Event_name()
{
    Text_Event_name->setText(QString::fromStdString(Read_Ini_Value("Canoe", "event_name", Ini_file_path, "NOEVENT")));
    g_Event_name = Text_Event_name->text().toStdString();
}

void Form_capture_multi_file::Start_Cam()
{
    if (g_Num_video_devices <= 0) return;
    try {
        if (camera_) camera_->Capture_window({});
        camera_ = setup_.Make_camera();
        if (!camera_) return;
        g_Capture = camera_;
        camera_->Event_Target(cls_Capture::Target_window);
        camera_->Capture_window(receiver_);
        camera_->Owner.Do_log_time = true;
        camera_->Post_linear(false);
        camera_->Set_Video_Source(1, false);
        camera_->MaxFrames(1);
        camera_->Capture_Run();
        g_Capture_running = true;
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
        if (capturing_ && camera_) {
            camera_->Store_Buffer();
            if (camera_->Buff_num() >= setup_.Max_capture_frames) {
                Trace_Line("*Capture reached its frame limit, appending");
                Handle_Capture_End(active_heat_);
            }
        }
        if (camera_) {
            QImage arm(Picture_DV_arm->size(), QImage::Format_RGB32);
            arm.fill(Qt::white);
            camera_->Draw_Running_Arm_2(arm);
            Picture_DV_arm->setPixmap(QPixmap::fromImage(arm));
        }
        if (Preview_visible()) Paint_Preview();
    } catch (...) {
        // One report, and no more storing: a failing frame path would fail for every frame.
        End_storing();
        Report_current_exception("DV_event" + std::string(k_Form));
    }
}

void Form_capture_multi_file::Control_box_changed()
{
    if (Frame_Control_box && !Frame_Control_box->isHidden()) Frame_Control_box->Display_Control_Box();
}

void Form_capture_multi_file::Update_Heat_Times()
{
    const int32_t now = Get_Tick();
    for (auto& slot : Slots) {
        if (!slot.started) continue;
        slot.Label_heat_time->setText(
            QString::fromStdString(Display_Mill_Time(platform::Tick_difference(now, slot.start_tick), false)));
    }
}

void Form_capture_multi_file::Update_PC_Time()
{
    const platform::Local_time t = platform::Get_clock().Now();
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", t.hour % 100, t.minute % 100);
    Label_PC_time->setText(text);
}

void Form_capture_multi_file::Set_Active_heat(int16_t slot)
{
    if (!Valid_slot(slot)) return;
    active_heat_ = slot;
    for (int16_t s = 0; s < k_Slots; ++s)
        Slots[size_t(s)].Frame_capture->setStyleSheet(s == slot ? k_Active_style : "");
}

void Form_capture_multi_file::Update_File_size(int16_t slot)
{
    const std::string name = File_of(slot);
    if (name.empty()) {
        Slots[size_t(slot)].Label_file_size->setText("0 mb");
        return;
    }
    const double mb = double(Get_File_Size(name)) / 1048576.0;
    // One decimal, halves to the even digit.
    const double tenths = std::nearbyint(mb * 10.0);
    Slots[size_t(slot)].Label_file_size->setText(QString::number(tenths / 10.0, 'f', 1) + "mb");
}

std::string Form_capture_multi_file::File_of(int16_t slot) const
{
    return Slots[size_t(slot)].Label_filename->text().toStdString();
}

} // namespace wk
