// The viewer window: its controls, window events and small services.
#include "viewer/Frm_kanot_2.h"

#include "platform/Forms.h"
#include "platform/Menu_items.h"
#include "platform/Picture_box.h"
#include "platform/Screen_saver.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_canoe.h"
#include "services/Operator_boxes.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/Module_window.h"
#include "results/Marathon_times.h"
#include "results/Result_rows.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

namespace wk {
namespace {

constexpr int k_Frame_width = Frm_kanot_2::k_Frame_width;

QLabel* Make_label(const char* name, QWidget* parent, int x, int y, int w, int h)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(x, y, w, h);
    // Labels change with every field: painted on their own, they do not repaint their frame.
    l->setAutoFillBackground(true);
    return l;
}

QCheckBox* Make_check(const char* name, const char* caption, QWidget* parent, int y)
{
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    c->setGeometry(10, y, k_Frame_width - 20, 22);
    return c;
}

QGroupBox* Make_frame(const char* name, const char* caption, QWidget* parent, int height)
{
    auto* f = new QGroupBox(caption, parent);
    f->setObjectName(name);
    f->resize(k_Frame_width, height);
    return f;
}

} // namespace

using platform::Make_item;
using platform::Make_menu;

Frm_kanot_2::Frm_kanot_2() : Form_window("Frm_kanot_2")
{
    Build_menus();
    reading_ = std::make_unique<Viewer_reading>(*this, menu_bar, menu_debug);
    Build_controls();
    Build_strip_menus();
    Connect_controls();
    Connect_more_menus();
    Install_lane_results(&results_);
    Form_Load();
}

Frm_kanot_2::~Frm_kanot_2()
{
    if (Viewer_lane_results() == &results_) Install_lane_results(nullptr);
    reading_.reset();
    platform::Hold_screen_awake(this, false);
}

void Frm_kanot_2::Build_controls()
{
    auto* client = new QWidget(this);
    client->setObjectName("client");
    static_cast<QVBoxLayout*>(layout())->addWidget(client, 1);

    Picture_large = new platform::Picture_box("Picture_large", client);
    Pict_heat_time = new platform::Picture_box("Pict_heat_time", client);
    Pict_heat_time->hide();
    Picture_intro = new platform::Picture_box("Picture_intro", client);
    Picture_intro->hide();
    Picture_intro_2 = new platform::Picture_box("Picture_intro_2", client);
    Picture_intro_2->hide();

    frm_DV_AUX = Make_frame("frm_DV_AUX", "Camera", client, 70);
    Lbl_cam_time = Make_label("Lbl_cam_time", frm_DV_AUX, 10, 20, k_Frame_width - 20, 20);
    Lbl_exp_time = Make_label("Lbl_exp_time", frm_DV_AUX, 10, 42, k_Frame_width - 20, 20);

    Frm_options = Make_frame("Frm_options", "Display", client, 115);
    Chk_Show_lanemarks = Make_check("Chk_Show_lanemarks", "Show lane marks", Frm_options, 18);
    Chk_Show_Goalline = Make_check("Chk_Show_Goalline", "Show goal line", Frm_options, 41);
    Chk_invert_goalline = Make_check("Chk_invert_goalline", "Dim goal line", Frm_options, 64);
    Chk_Flip_Lanemarks = Make_check("Chk_Flip_Lanemarks", "Flip lane marks", Frm_options, 87);

    Pict_lane_result = new platform::Picture_box("Pict_lane_result", client);
    Pict_lane_result->Back_colour(QColor(255, 255, 192));
    Pict_lane_result->hide();
    // Inside the box's border, so that a press on the border still reaches the picture.
    Lbl_lane_result = Make_label("Lbl_lane_result", Pict_lane_result, 3, 3, 10, 10);
    Lbl_lane_result->setAutoFillBackground(false);
    QFont result_font("Liberation Sans");
    result_font.setPixelSize(16);
    result_font.setBold(true);
    Lbl_lane_result->setFont(result_font);
    Lbl_lane_result->setCursor(Qt::PointingHandCursor);
    Picture_logo = new platform::Picture_box("Picture_logo", client);
    Picture_logo->Back_colour(Qt::white);
    Picture_logo->Set_picture_size(k_Frame_width, 50);
    Picture_logo->Cls();
    Pict_temp = new platform::Picture_box("Pict_temp", client);
    Pict_temp->hide();

    Frm_time = Make_frame("Frm_time", "Heat", client, 176);
    Label_heatID = Make_label("Label_heatID", Frm_time, 10, 18, 60, 20);
    lbl_starttime = Make_label("lbl_starttime", Frm_time, 72, 18, 40, 20);
    lbl_starttime->setText("Start");
    Label_start_time = Make_label("Label_start_time", Frm_time, 115, 18, 105, 20);
    Lbl_capture_time = Make_label("Lbl_capture_time", Frm_time, 10, 40, 150, 20);
    Lbl_filesize = Make_label("Lbl_filesize", Frm_time, 160, 40, 60, 20);
    QFont big("Liberation Sans");
    big.setPixelSize(26);
    big.setBold(true);
    Label5 = Make_label("Label5", Frm_time, 10, 62, 100, 16);
    Label5->setText("Race time");
    Lbl_elapsed_time = Make_label("Lbl_elapsed_time", Frm_time, 10, 78, k_Frame_width - 20, 36);
    Lbl_elapsed_time->setFont(big);
    Label6 = Make_label("Label6", Frm_time, 10, 118, 100, 16);
    Label6->setText("Time behind");
    Lbl_delta_time = Make_label("Lbl_delta_time", Frm_time, 10, 134, k_Frame_width - 20, 36);
    Lbl_delta_time->setFont(big);
    Lbl_delta_time->setStyleSheet("color: #0000c0");

    Frm_play = Make_frame("Frm_play", "Play", client, 142);
    Label3 = Make_label("Label3", Frm_play, 10, 18, 45, 22);
    Label3->setText("Field");
    Lbl_frameno = Make_label("Lbl_frameno", Frm_play, 55, 18, 80, 22);
    Slider_play = new QSlider(Qt::Horizontal, Frm_play);
    Slider_play->setObjectName("Slider_play");
    Slider_play->setGeometry(10, 42, k_Frame_width - 20, 24);
    Slider_play->setRange(1, 1);
    // Painted on its own as well: a step then repaints the slider, not the whole Play frame.
    Slider_play->setAutoFillBackground(true);
    Cmd_play = new QPushButton("Play", Frm_play);
    Cmd_play->setObjectName("Cmd_play");
    Cmd_play->setGeometry(10, 70, 80, 26);
    // Under the Play button across the frame, on two lines where the frame is narrowed.
    Lbl_camera_running = Make_label("Lbl_camera_running", Frm_play, 10, 98, k_Frame_width - 20, 38);
    Lbl_camera_running->setText("Camera running: stop it to step or play");
    Lbl_camera_running->setStyleSheet("color: #c00000");
    Lbl_camera_running->setWordWrap(true);
    Lbl_camera_running->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Lbl_camera_running->hide();
    // The camera is stopped in another window: the note looks again while it is up.
    Timer_camera_note = new QTimer(this);
    Timer_camera_note->setObjectName("Timer_camera_note");
    Timer_camera_note->setInterval(500);

    Timer_keyb_event = new QTimer(this);
    Timer_keyb_event->setObjectName("Timer_keyb_event");
    Timer_keyb_event->setInterval(60000);
}

void Frm_kanot_2::Connect_controls()
{
    connect(item_open, &QAction::triggered, this, [this] { item_open_Click(); });
    connect(item_open_last, &QAction::triggered, this, [this] { item_open_last_Click(); });
    connect(item_close, &QAction::triggered, this, [this] { item_close_Click(); });
    connect(item_video_capture, &QAction::triggered, this, [this] { item_video_capture_Click(); });
    connect(item_exit, &QAction::triggered, this, [this] { item_exit_Click(); });
    connect(item_zoom, &QAction::triggered, this, [this] { item_zoom_Click(); });
    connect(item_Marathon, &QAction::triggered, this, [this] { item_Marathon_Click(); });
    connect(item_select_logo_file, &QAction::triggered, this, [this] { item_select_logo_file_Click(); });
    connect(item_set_time, &QAction::triggered, this, [this] { item_set_time_Click(); });
    connect(item_set_time_plus, &QAction::triggered, this, [this] { item_set_time_plus_Click(); });
    connect(item_set_did_not_finish, &QAction::triggered, this, [this] { item_set_did_not_finish_Click(); });
    connect(item_set_did_not_start, &QAction::triggered, this, [this] { item_set_did_not_start_Click(); });
    connect(item_set_disq, &QAction::triggered, this, [this] { item_set_disq_Click(); });
    connect(item_clear_lane, &QAction::triggered, this, [this] { item_clear_lane_Click(); });
    connect(Cmd_play, &QPushButton::clicked, this, [this] { Cmd_play_Click(); });
    connect(Timer_camera_note, &QTimer::timeout, this, [this] { Camera_running_said(); });
    connect(item_about, &QAction::triggered, this, [] { platform::Open_window("frmAbout"); });
    connect(menu_help, &QMenu::aboutToShow, this, [this] { menu_help_Click(); });
    // The slider's Scroll event is the user's move; values set by code do not draw by themselves.
    connect(Slider_play, &QSlider::actionTriggered, this, [this](int) {
        QTimer::singleShot(0, this, [this] { Slider_play_Scroll(); });
    });
    Slider_play->installEventFilter(this);
    Lbl_delta_time->installEventFilter(this); // its click sets the time-behind reference
    for (QObject* watched : {static_cast<QObject*>(Label3), static_cast<QObject*>(Lbl_lane_result),
                             static_cast<QObject*>(Picture_large->parentWidget())})
        watched->installEventFilter(this);
    // A click changes the flag, then the button's release redraws.
    connect(Chk_Show_lanemarks, &QCheckBox::clicked, this, [this] {
        Chk_Show_lanemarks_Click();
        Check_box_MouseUp();
    });
    connect(Chk_Show_Goalline, &QCheckBox::clicked, this, [this] {
        Chk_Show_Goalline_Click();
        Check_box_MouseUp();
    });
    connect(Chk_invert_goalline, &QCheckBox::clicked, this, [this] {
        Chk_invert_goalline_Click();
        Check_box_MouseUp();
    });
    connect(Chk_Flip_Lanemarks, &QCheckBox::clicked, this, [this] { Check_box_MouseUp(); });
    connect(Timer_keyb_event, &QTimer::timeout, this, [this] { Timer_keyb_event_Timer(); });
    Picture_large->MouseDown = [this](int b, int s, float x, float y) { Picture_large_MouseDown(b, s, x, y); };
    Picture_large->MouseMove = [this](int b, int s, float x, float y) { Picture_large_MouseMove(b, s, x, y); };
    Picture_large->MouseUp = [this](int b, int s, float x, float y) { Picture_large_MouseUp(b, s, x, y); };
    Pict_lane_result->MouseDown = [this](int b, int s, float x, float y) { Pict_lane_result_MouseDown(b, s, x, y); };
    Picture_intro->MouseDown = [this](int, int, float, float) { Picture_intro_Click(); };
}

bool Frm_kanot_2::Recording_open() const { return g_Recording && g_Recording->File_open(); }

// ---- Window events ----

bool Frm_kanot_2::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate) Form_Activate();
    return Form_window::event(e);
}

void Frm_kanot_2::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::WindowStateChange) Form_Resize();
    Form_window::changeEvent(e);
}

// Showing the window counts as a resize to its normal state: the results window comes beside it.
void Frm_kanot_2::showEvent(QShowEvent* e)
{
    Form_window::showEvent(e);
    Form_Resize();
}

void Frm_kanot_2::Form_Activate()
{
    while (!Is_Form_Loaded("frm_kanot_2")) platform::Do_events();
    Camera_running_said(); // the crew may come back from stopping the camera
    Set_Focus();
    g_Viewer_activated = true;
    SliderPlay_Focus();
}

void Frm_kanot_2::Form_Resize()
{
    try {
        if (isMinimized()) {
            Results_rows().Show_results_window(false, 0);
            if (Marathon_times* marathon = Marathon_windows(false)) marathon->Show_marathon_windows(false);
            if (g_Taskbar_hidden) Show_Taskbar(true);
            return;
        }
        if (isMaximized()) return;
        Fit_width();
        if (item_Marathon->isChecked()) {
            if (Marathon_times* marathon = Marathon_windows(true)) marathon->Show_marathon_windows(true);
            Results_rows().Show_results_window(false, 0);
        } else {
            // Frame beside frame: the results window's frame starts where the viewer's ends.
            Results_rows().Show_results_window(true, Right_edge() * platform::Twips_per_pixel_x());
        }
        Check_Screen_Height();
    } catch (...) {
        Report_current_exception("Form_Resize of Form frm_kanot_2");
    }
}

// The window manager's close button is the menu's Exit: the program asks and ends.
void Frm_kanot_2::closeEvent(QCloseEvent* event)
{
    if (Is_unloaded()) {
        event->accept();
        return;
    }
    event->ignore();
    item_exit_Click();
}

void Frm_kanot_2::Form_Unload()
{
    try {
        Stop_Active_Capture();
        if (g_Recording) g_Recording->Close_File();
        Tell_recording_problems();
        Store_Form_Pos("Frm_kanot_2", x() * platform::Twips_per_pixel_x(), y() * platform::Twips_per_pixel_y(), 0, 0);
    } catch (...) {
        Report_current_exception("Form_QueryUnload of Form frm_kanot_2");
    }
}

void Frm_kanot_2::item_exit_Click()
{
    try {
        Wakeline_exit(Operator_boxes_of_windows());
    } catch (const platform::End_requested&) {
        throw;
    } catch (...) {
        Report_current_exception("item_exit_Click of Form frm_kanot_2");
    }
}

// ---- Services other windows call ----

void Frm_kanot_2::Set_Focus()
{
    if (Is_Form_Loaded("frm_kanot_2") && g_Viewer_activated) SliderPlay_Focus();
}

void Frm_kanot_2::SliderPlay_Focus()
{
    if (Slider_play->isVisible() && Slider_play->isEnabled()) Slider_play->setFocus();
}

void Frm_kanot_2::Set_Captions()
{
    Results_rows().Lbl_event_name(Recording_open() ? g_Recording->Event_name() : g_Event_name);
}

void Frm_kanot_2::Update_Form_Caption()
{
    const bool open = Recording_open();
    setWindowTitle(QString::fromStdString(open ? g_Edition_text + " file = " + g_Recording->File_name()
                                                : g_Edition_text));
}

void Frm_kanot_2::Timer_keyb_event_Timer() { Press_Shift_Key(); }

void Frm_kanot_2::menu_help_Click()
{
    if (Ctrl_Key_Down()) menu_specials->menuAction()->setVisible(true);
}

bool Frm_kanot_2::Within_Zoom(float x, float y) const
{
    return zoom_left_ < x && x < zoom_left_ + zoom_width_ && zoom_top_ < y && y < zoom_top_ + zoom_height_;
}

QRect Frm_kanot_2::Zoom_box() const { return QRect(zoom_left_, zoom_top_, zoom_width_, zoom_height_); }

int32_t Frm_kanot_2::Shown_field() { return shown_field_; }

} // namespace wk
