// The full-screen preview: its controls, loading, the settings it writes and closing.
#include "capture/Frm_fullscreen.h"

#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Menu_items.h"
#include "platform/Picture_box.h"
#include "services/Module_canoe.h"
#include "services/Operator_boxes.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "viewer/Cls_lane.h"
#include "viewer/Module_lanes.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace wk {
namespace {

constexpr int16_t k_Min_lanes = 2, k_Max_shown_lanes = 15;
constexpr int k_Options_width = 200;

// The settings readers take three digits at fixed places: a value outside 0..999 would shift
// every field after it, so it is held at the nearest end.
std::string Three_digits(int32_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%03d", std::clamp<int32_t>(value, 0, 999));
    return text;
}

QCheckBox* Make_check(QWidget* parent, const char* name, const char* caption, int y, bool checked)
{
    auto* c = platform::Place(new QCheckBox(caption, parent), name, QRect(10, y, k_Options_width - 20, 22));
    c->setChecked(checked);
    return c;
}

QRadioButton* Make_option(QWidget* parent, const char* caption, int y)
{
    return platform::Place(new QRadioButton(caption, parent), "Option_first_lane", QRect(10, y, 120, 22));
}

bool Confirmed(const std::string& question)
{
    return platform::MsgBox(question, platform::vbOKCancel | platform::vbQuestion | platform::vbDefaultButton2,
                            "Wakeline Exit") == platform::vbOK;
}

} // namespace

Frm_fullscreen::Frm_fullscreen() : Form_window("Frm_fullscreen")
{
    setWindowTitle("Wakeline live preview");
    Build_menus();
    Build_controls();
    Connect_controls();
    Form_Load();
}

void Frm_fullscreen::Build_menus()
{
    using platform::Make_item;
    menu_bar = platform::Make_menu_bar(this);
    menu_form = platform::Make_menu(menu_bar, "menu_form", "Form");
    item_full_preview = Make_item(menu_form, "item_full_preview", "Full preview", true);
    item_display_metadata = Make_item(menu_form, "item_display_metadata", "Display DV metadata", true);
    item_reset_positions = Make_item(menu_form, "item_reset_positions", "Reset lane positions");
    item_reset_goal_line = Make_item(menu_form, "item_reset_goal_line", "Reset Goal line");
    item_close = Make_item(menu_form, "item_close", "Close ");
    menu_settings = platform::Make_menu(menu_bar, "menu_settings", "Settings");
    item_event_name = Make_item(menu_settings, "item_event_name", "Give event name");
}

void Frm_fullscreen::Build_controls()
{
    auto* client = new QWidget(this);
    client->setObjectName("client");
    auto* column = static_cast<QVBoxLayout*>(layout());
    column->addWidget(client, 1);
    column->setStretch(0, 0); // the picture starts right below the menu bar

    Picture_preview = new platform::Picture_box("Picture_preview", client);
    Build_options();
    Frm_options->setParent(client);

    // The camera's date and time take the frame's whole width, on the line under their caption.
    Frm_DV_data = platform::Make_frame(client, "Frm_DV_data", "DV data", QRect(0, 0, k_Options_width, 92));
    Lbk_ct = platform::Make_label(Frm_DV_data, "Lbk_ct", "Camera time", QRect(10, 18, 85, 20));
    Lbk_camera_time = platform::Make_label(Frm_DV_data, "Lbk_camera_time", "", QRect(10, 38, k_Options_width - 20, 20));
    Lbl_shutterx = platform::Make_label(Frm_DV_data, "Lbl_shutterx", "Shutter", QRect(10, 64, 85, 20));
    Lbl_Shutter = platform::Make_label(Frm_DV_data, "Lbl_Shutter", "", QRect(95, 64, 95, 20));

    Command_close = platform::Make_button(client, "Command_close", "Close", QRect(0, 0, 100, 28));
    Command_close->setToolTip("Closes this form");
    Lbl_lanes_locked = platform::Make_label(client, "Lbl_lanes_locked", "Lanes locked!", QRect(0, 0, 100, 20));
    Lbl_lanes_locked->hide();
}

void Frm_fullscreen::Build_options()
{
    Frm_options = platform::Make_frame(nullptr, "Frm_options", "Options", QRect(0, 0, k_Options_width, 292));
    Chk_Show_lanemarks = Make_check(Frm_options, "Chk_Show_lanemarks", "Show lane markers", 20, true);
    Chk_Flip_Lanemarks = Make_check(Frm_options, "Chk_Flip_Lanemarks", "Flip lane markers", 43, false);
    Chk_Show_Goalline = Make_check(Frm_options, "Chk_Show_Goalline", "Show goalline", 66, true);
    Chk_rotate = Make_check(Frm_options, "Chk_rotate", "Rotate", 89, true);

    Frame_ln_start = platform::Make_frame(Frm_options, "Frame_ln_start", "First lane", QRect(10, 116, 180, 72));
    Option_first_lane = {Make_option(Frame_ln_start, "Lane 0", 20), Make_option(Frame_ln_start, "Lane 1", 44)};
    for (QRadioButton* option : Option_first_lane) option->setToolTip("Indicate number of the first lane");
    Option_first_lane[1]->setChecked(true);
    Show_first_lane_bold(1);

    Frm_lanes = platform::Make_frame(Frm_options, "Frm_lanes", "Number of lanes", QRect(10, 192, 180, 56));
    UpDown_Lanes = platform::Place(new QSpinBox(Frm_lanes), "UpDown_Lanes", QRect(10, 22, 60, 24));
    UpDown_Lanes->setRange(k_Min_lanes, k_Max_shown_lanes);
    UpDown_Lanes->setSingleStep(1);
    UpDown_Lanes->setValue(k_Min_lanes);
    Lbl_num_lanes = platform::Make_label(Frm_lanes, "Lbl_num_lanes", QString::number(k_Min_lanes), QRect(80, 22, 60, 24));

    Cmd_save_options = platform::Make_button(Frm_options, "Cmd_save_options", "Save options", QRect(10, 254, 120, 28));
    Cmd_save_options->setToolTip("Saves options, lanes & goalline");
}

void Frm_fullscreen::Connect_controls()
{
    // Check boxes answer to every change of state, also one made by the program (Set_Options).
    connect(Chk_Show_lanemarks, &QCheckBox::toggled, this, [this] { Chk_Show_lanemarks_Click(); });
    connect(Chk_Flip_Lanemarks, &QCheckBox::toggled, this, [this] { Chk_Flip_Lanemarks_Click(); });
    connect(Chk_Show_Goalline, &QCheckBox::toggled, this, [this] { Chk_Show_Goalline_Click(); });
    connect(Chk_rotate, &QCheckBox::toggled, this, [this] { Chk_rotate_Click(); });
    connect(Cmd_save_options, &QPushButton::clicked, this, [this] { Cmd_save_options_Click(); });
    for (int i = 0; i < 2; ++i)
        connect(Option_first_lane[size_t(i)], &QRadioButton::clicked, this, [this, i] { Option_first_lane_Click(i); });
    connect(UpDown_Lanes, &QSpinBox::valueChanged, this, [this] { UpDown_Lanes_MouseUp(); });
    connect(Command_close, &QPushButton::clicked, this, [this] { Command_close_Click(); });
    connect(item_full_preview, &QAction::triggered, this, [this] { item_full_preview_Click(); });
    connect(item_display_metadata, &QAction::triggered, this, [this] { item_display_metadata_Click(); });
    connect(item_reset_positions, &QAction::triggered, this, [this] { item_reset_positions_Click(); });
    connect(item_reset_goal_line, &QAction::triggered, this, [this] { item_reset_goal_line_Click(); });
    connect(item_close, &QAction::triggered, this, [this] { item_close_Click(); });
    connect(item_event_name, &QAction::triggered, this, [this] { item_event_name_Click(); });
    Picture_preview->MouseDown = [this](int b, int s, float x, float y) { Picture_preview_MouseDown(b, s, x, y); };
    Picture_preview->MouseMove = [this](int b, int s, float x, float y) { Picture_preview_MouseMove(b, s, x, y); };
    Picture_preview->MouseUp = [this](int b, int s, float x, float y) { Picture_preview_MouseUp(b, s, x, y); };
}

void Frm_fullscreen::Form_Load()
{
    try {
        Picture_preview->move(0, 0);
        Set_Size(true);
        Load_Lanes_and_Goalline();
        Load_options();
        Set_Options();
        if (g_Num_lanes >= k_Min_lanes && g_Num_lanes <= k_Max_shown_lanes) {
            const QSignalBlocker quiet(UpDown_Lanes);
            UpDown_Lanes->setValue(g_Num_lanes);
            Lbl_num_lanes->setText(QString::number(g_Num_lanes));
        }
        // A stored count the control cannot show is replaced by the control's own.
        UpDown_Lanes_MouseUp();
        g_Lane_Zero = Read_setting(ini::Lane_zero);
        const int first = g_Lane_Zero ? 0 : 1;
        Option_first_lane[size_t(first)]->setChecked(true);
        Option_first_lane_Click(first);
    } catch (...) {
        Report_current_exception("Form_Load of Form Frm_fullscreen");
    }
}

void Frm_fullscreen::Set_Options()
{
    try {
        Chk_Show_lanemarks->setChecked(Bool_To_Checked(g_Show_Lanes) != 0);
        Chk_Flip_Lanemarks->setChecked(Bool_To_Checked(g_Flip_Lanes) != 0);
        Chk_Show_Goalline->setChecked(Bool_To_Checked(g_Show_Goalline) != 0);
        Chk_rotate->setChecked(Bool_To_Checked(g_Rotate) != 0);
    } catch (...) {
        Report_current_exception("Set_Options of Form Frm_fullscreen");
    }
}

// ---- Settings ----

void Frm_fullscreen::Save_Options()
{
    if (g_Loading_settings) return;
    try {
        Write_setting(ini::Show_lanes, g_Show_Lanes);
        Write_setting(ini::Flip_lanes, g_Flip_Lanes);
        Write_setting(ini::Show_goalline, g_Show_Goalline);
        Write_setting(ini::Rotate, g_Rotate);
    } catch (...) {
        Report_current_exception("Save_Options of Form Frm_fullscreen");
    }
}

void Frm_fullscreen::Save_GoalLine()
{
    try {
        const Goal_line_coords& g = g_Goal_line;
        Write_setting(ini::Goalline,
                      Three_digits(g.x1) + "," + Three_digits(g.y1) + "," + Three_digits(g.x2) + "," + Three_digits(g.y2));
    } catch (...) {
        Report_current_exception("Save_GoalLine of Form Frm_fullscreen");
    }
}

void Frm_fullscreen::Save_lanes()
{
    try {
        if (g_Lanes.empty()) return;
        std::string text;
        for (const auto& lane : g_Lanes) text += Three_digits(lane->X()) + Three_digits(lane->Y());
        Write_setting(ini::Lanes, text);
    } catch (...) {
        Report_current_exception("Save_lanes of Form Frm_fullscreen");
    }
}

void Frm_fullscreen::Set_Num_lanes(int16_t n)
{
    try {
        g_Num_lanes = n;
        Write_setting(ini::Lane_num, n);
        Preview_Graphics();
    } catch (...) {
        Report_current_exception("Set_Num_lanes of Form Frm_fullscreen");
    }
}

void Frm_fullscreen::Reset_lane_Positions()
{
    try {
        for (size_t i = 0; i < g_Lanes.size(); ++i) {
            const int32_t place = 20 * int32_t(i + 1) + 10;
            g_Lanes[i]->Lane_pos_X(place);
            g_Lanes[i]->Lane_pos_Y(place);
        }
        Preview_Graphics();
        moved_ = true;
    } catch (...) {
        Report_current_exception("Reset_lane_Positions of Form Frm_fullscreen");
    }
}

void Frm_fullscreen::Reset_Goal_line()
{
    try {
        const double w = Picture_preview->Scale_width(), h = Picture_preview->Scale_height();
        const auto whole = [](double v) { return int32_t(std::nearbyint(v)); };
        g_Goal_line = Goal_line_coords{whole(w / 2), whole(h * 0.1), whole(w / 2), whole(h * 0.9)};
        moved_ = true;
        Preview_Graphics();
    } catch (...) {
        Report_current_exception("Reset_Goal_line of Form Frm_fullscreen");
    }
}

// ---- Option handlers ----

void Frm_fullscreen::Chk_Show_lanemarks_Click()
{
    if (g_Loading_settings) return;
    g_Show_Lanes = Chk_Show_lanemarks->isChecked();
    Preview_Graphics();
}

void Frm_fullscreen::Chk_Flip_Lanemarks_Click()
{
    if (!g_Loading_settings) g_Flip_Lanes = Chk_Flip_Lanemarks->isChecked();
}

void Frm_fullscreen::Chk_Show_Goalline_Click()
{
    if (!g_Loading_settings) g_Show_Goalline = Chk_Show_Goalline->isChecked();
}

void Frm_fullscreen::Chk_rotate_Click()
{
    if (g_Loading_settings) return;
    g_Rotate = Chk_rotate->isChecked();
    Save_Options();
    Set_Size(g_Rotate);
}

void Frm_fullscreen::Cmd_save_options_Click()
{
    Save_Options();
    Save_GoalLine();
    Save_lanes();
    moved_ = false;
}

void Frm_fullscreen::UpDown_Lanes_MouseUp()
{
    try {
        Set_Num_lanes(int16_t(UpDown_Lanes->value()));
        const QSignalBlocker quiet(UpDown_Lanes);
        UpDown_Lanes->setValue(g_Num_lanes);
        Lbl_num_lanes->setText(QString::number(g_Num_lanes));
        Preview_Graphics();
    } catch (...) {
        Report_current_exception("UpDown_Lanes_MouseUp of Form Frm_fullscreen");
    }
}

void Frm_fullscreen::Option_first_lane_Click(int)
{
    try {
        const bool zero = Option_first_lane[0]->isChecked();
        Write_setting(ini::Lane_zero, zero);
        Show_first_lane_bold(zero ? 0 : 1);
        g_Lane_Zero = Read_setting(ini::Lane_zero);
        Number_lanes();
        Preview_Graphics();
    } catch (...) {
        Report_current_exception("Option_first_lane_Click of Form Frm_fullscreen");
    }
}

void Frm_fullscreen::Show_first_lane_bold(int index)
{
    for (int i = 0; i < 2; ++i) {
        QFont f = Option_first_lane[size_t(i)]->font();
        f.setBold(i == index);
        Option_first_lane[size_t(i)]->setFont(f);
    }
}

// Marks are numbered from 0 or 1 in collection order. Lane numbers only go to 15, so when
// counting from 1 the sixteenth mark, which the preview never shows, keeps its number.
void Frm_fullscreen::Number_lanes()
{
    for (size_t i = 0; i < g_Lanes.size(); ++i) {
        const int number = g_Lane_Zero ? int(i) : int(i) + 1;
        if (number < k_Max_lanes) g_Lanes[i]->Lane_number(int16_t(number));
    }
}

// ---- Menus ----

void Frm_fullscreen::item_reset_positions_Click()
{
    if (Confirmed("This will reset all lane positions, are you sure?")) Reset_lane_Positions();
}

void Frm_fullscreen::item_reset_goal_line_Click()
{
    if (Confirmed("This will reset Goal line position, are you sure?")) Reset_Goal_line();
}

void Frm_fullscreen::item_display_metadata_Click() { g_Show_DV_metadata = item_display_metadata->isChecked(); }

// The station's event name, asked without opening the viewer.
void Frm_fullscreen::item_event_name_Click()
{
    try {
        wk::Enter_Event_name(Operator_boxes_of_windows());
    } catch (...) {
        Report_current_exception("item_event_name_Click of Form Frm_fullscreen");
    }
}

void Frm_fullscreen::item_full_preview_Click()
{
    if (item_full_preview->isChecked()) return;
    if (!Form_QueryUnload()) {
        item_full_preview->setChecked(true);
        return;
    }
    Unload_form();
}

void Frm_fullscreen::item_close_Click()
{
    try {
        Trace_Line("*Frm_Fullscreen item_close_click");
        if (!Form_QueryUnload()) return;
        item_full_preview->setChecked(false);
        g_Run_mode = 0;
        Unload_form();
    } catch (...) {
        Report_current_exception("item_close_Click of Form Frm_fullscreen");
    }
}

// ---- Window events ----

bool Frm_fullscreen::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate) Form_Activate();
    return Form_window::event(e);
}

void Frm_fullscreen::Form_Activate() { moved_ = false; }

bool Frm_fullscreen::Form_QueryUnload() { return Ask_and_save_before_closing(true); }

// Yes saves, No drops the changes; Cancel, where the caller can still stop the closing, keeps
// the window open with its changes.
bool Frm_fullscreen::Ask_and_save_before_closing(bool can_cancel)
{
    if (!moved_) return true;
    const int style = (can_cancel ? platform::vbYesNoCancel : platform::vbYesNo) | platform::vbQuestion;
    const int answer = platform::MsgBox("Lanes or goal line has been moved. Save your changes?", style,
                                        "Wakeline Settings");
    if (answer == platform::vbCancel) return false;
    if (answer == platform::vbYes) {
        Cmd_save_options_Click();
        Uncheck_capture_preview_item();
    }
    moved_ = false;
    return true;
}

void Frm_fullscreen::closeEvent(QCloseEvent* event)
{
    if (!Is_unloaded() && !Form_QueryUnload()) {
        event->ignore();
        return;
    }
    Form_window::closeEvent(event);
}

// Closing with the program (nothing can stop it then) still offers to save.
void Frm_fullscreen::Form_Unload()
{
    try {
        Ask_and_save_before_closing(false);
        Uncheck_capture_preview_item();
    } catch (...) {
        Report_current_exception("Form_Unload of Form Frm_fullscreen");
    }
}

// The capture window's menu entry that shows this window; found by name, as the capture window
// is a window of its own.
void Frm_fullscreen::Uncheck_capture_preview_item()
{
    for (platform::Form* form : platform::Loaded_forms()) {
        if (form->Form_name() != "Form_capture_multi_file") continue;
        if (auto* window = dynamic_cast<QWidget*>(form))
            if (auto* item = window->findChild<QAction*>("item_preview")) item->setChecked(false);
    }
}

} // namespace wk
