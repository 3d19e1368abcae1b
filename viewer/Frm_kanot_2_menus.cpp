// The viewer's menus: building them, and the entries that switch the display, play, change the
// heat's identity and serve diagnosis.
#include "viewer/Frm_kanot_2.h"

#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/Form_window.h"
#include "platform/Forms.h"
#include "platform/Menu_items.h"
#include "platform/Picture_box.h"
#include "platform/Print_target.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_canoe.h"
#include "services/Operator_boxes.h"
#include "services/Module_error.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_system.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Module_window.h"
#include "services/Run_time_error.h"
#include "viewer/Cls_lane.h"
#include "viewer/Frm_export.h"
#include "viewer/Module_lanes.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QSlider>
#include <QVBoxLayout>

#include <charconv>
#include <cstdio>

namespace wk {

using platform::Make_item;
using platform::Make_menu;

namespace {

// A time of day as "hh:mm:ss.ttt".
std::string Clock_text(int32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    return text;
}

} // namespace

void Frm_kanot_2::Build_menus()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    menu_bar = new QMenuBar(this);
    layout->setMenuBar(menu_bar);

    menu_file = Make_menu(menu_bar, "menu_file", "File");
    item_open = Make_item(menu_file, "item_open", "Open...");
    item_open_last = Make_item(menu_file, "item_open_last", "Open last captured");
    item_Open_Newest_Root = menu_file->addMenu("Newest recordings");
    item_Open_Newest_Root->setObjectName("item_Open_Newest_Root");
    for (int i = 0; i < int(item_Open_Newest.size()); ++i) {
        item_Open_Newest[size_t(i)] = Make_item(item_Open_Newest_Root, "item_Open_Newest", "");
        item_Open_Newest[size_t(i)]->setVisible(i == 0);
    }
    item_close = Make_item(menu_file, "item_close", "Close");
    menu_file->addSeparator();
    item_file_properties = Make_item(menu_file, "item_file_properties", "Properties...");
    item_rename_file = Make_item(menu_file, "item_rename_file", "Rename file...");
    item_Delete_File = Make_item(menu_file, "item_Delete_File", "Delete file");
    item_rename_ini = Make_item(menu_file, "item_rename_ini", "Rename settings file");
    item_convert = Make_item(menu_file, "item_convert", "Convert .sdv recording...");
    item_import_start_list = Make_item(menu_file, "item_import_start_list", "Import start list...");
    menu_file->addSeparator();
    item_video_capture = Make_item(menu_file, "item_video_capture", "Video capture");
    item_exit = Make_item(menu_file, "item_exit", "Exit");

    menu_display = Make_menu(menu_bar, "menu_display", "Display");
    item_zoom = Make_item(menu_display, "item_zoom", "Zoom", true);
    item_fullscreen = Make_item(menu_display, "item_fullscreen", "Full screen", true);
    item_rotated = Make_item(menu_display, "item_rotated", "Show rotated", true);
    item_toggle_rotated = Make_item(menu_display, "item_toggle_rotated", "Recording rotated on/off");
    item_rot_true = Make_item(menu_display, "item_rot_true", "Recording rotated");
    item_rot_false = Make_item(menu_display, "item_rot_false", "Recording upright");
    item_toggle_showgoalline = Make_item(menu_display, "item_toggle_showgoalline", "Goal line on/off");
    item_toggle_flip_lanemarks = Make_item(menu_display, "item_toggle_flip_lanemarks", "Flip lane marks");
    item_Toggle_lanes_locked = Make_item(menu_display, "item_Toggle_lanes_locked", "Lanes locked", true);
    item_hide_large_icture = Make_item(menu_display, "item_hide_large_icture", "Hide picture");
    item_refresh = Make_item(menu_display, "item_refresh", "Refresh");
    item_display_metadata = Make_item(menu_display, "item_display_metadata", "Display DV metadata", true);
    item_export_form = Make_item(menu_display, "item_export_form", "Frame export", true);
    item_taskbar = Make_item(menu_display, "item_taskbar", "Task bar", true);
    item_Marathon = Make_item(menu_display, "item_Marathon", "Marathon", true);
    item_select_logo_file = Make_item(menu_display, "item_select_logo_file", "Select logo file...");

    menu_playback = Make_menu(menu_bar, "menu_playback", "Playback");
    item_play = Make_item(menu_playback, "item_play", "Play");
    item_play_deinterlaced = Make_item(menu_playback, "item_play_deinterlaced", "Play every field");
    item_step_forward = Make_item(menu_playback, "item_step_forward", "Step forward");
    item_show_frame = Make_item(menu_playback, "item_show_frame", "Show whole frame");
    item_run_intro = Make_item(menu_playback, "item_run_intro", "Intro");

    menu_event = Make_menu(menu_bar, "menu_event", "Heat");
    item_ange_match = Make_item(menu_event, "item_ange_match", "Station's event name...");
    item_set_event = Make_item(menu_event, "item_set_event", "Event...");
    item_set_event_name = Make_item(menu_event, "item_set_event_name", "Event name...");
    item_update_event = Make_item(menu_event, "item_update_event", "Update event name...");
    item_set_heat_id = Make_item(menu_event, "item_set_heat_id", "Heat ID...");
    item_set_lanenums = Make_item(menu_event, "item_set_lanenums", "Lane count...");
    item_heat_start = Make_item(menu_event, "item_heat_start", "Heat start from the frame");
    itemLocalheatstart = Make_item(menu_event, "itemLocalheatstart", "Fixed local heat start");

    menu_Result = Make_menu(menu_bar, "menu_Result", "Result");
    item_set_time = Make_item(menu_Result, "item_set_time", "Set time");
    item_set_time_plus = Make_item(menu_Result, "item_set_time_plus", "Set time + 10 ms");
    item_set_did_not_finish = Make_item(menu_Result, "item_set_did_not_finish", "Did not finish");
    item_set_did_not_start = Make_item(menu_Result, "item_set_did_not_start", "Did not start");
    item_set_disq = Make_item(menu_Result, "item_set_disq", "Disqualified");
    menu_Result->addSeparator();
    item_clear_lane = Make_item(menu_Result, "item_clear_lane", "Clear lane");
    item_clear_ranks = Make_item(menu_Result, "item_clear_ranks", "Clear all lanes");

    menu_debug = Make_menu(menu_bar, "menu_debug", "Debug");
    item_display_positions = Make_item(menu_debug, "item_display_positions", "Window position");
    item_disp_xy = Make_item(menu_debug, "item_disp_xy", "Display X,Y", true);
    item_dv_extra_len = Make_item(menu_debug, "item_dv_extra_len", "DV extra-data length");
    item_printer_test = Make_item(menu_debug, "item_printer_test", "Printer test");
    item_test_trace = Make_item(menu_debug, "item_test_trace", "Test trace");
    item_test_lane = Make_item(menu_debug, "item_test_lane", "Test lanes");
    item_test_copy = Make_item(menu_debug, "item_test_copy", "Test copy");
    item_misbehave = Make_item(menu_debug, "item_misbehave", "Misbehave");
    // The last three are left without an action: they stood for the developer's break points,
    // and saving the lane marks is the capture station's work.
    item_assert_false = Make_item(menu_debug, "item_assert_false", "Assert");
    item_debug_stop = Make_item(menu_debug, "item_debug_stop", "Stop");
    item_save_lanes = Make_item(menu_debug, "item_save_lanes", "Save lanes");

    menu_specials = Make_menu(menu_bar, "menu_specials", "Specials");
    item_clear_lane_result = Make_item(menu_specials, "item_clear_lane_result", "Clear lane (marks kept)");
    item_goalline_on = Make_item(menu_specials, "item_goalline_on", "Goal line on");
    item_test_goal_line = Make_item(menu_specials, "item_test_goal_line", "Test goal line");

    menu_help = Make_menu(menu_bar, "menu_help", "Help");
    item_about = Make_item(menu_help, "item_about", "About");
    item_calibrate = Make_item(menu_help, "item_calibrate", "Calibrate...");
    item_asssociate = Make_item(menu_help, "item_asssociate", "Associate .qs2 files");
    item_browse_for_folder = Make_item(menu_help, "item_browse_for_folder", "Browse for folder...");
}

void Frm_kanot_2::Connect_more_menus()
{
    const auto on = [this](QAction* a, auto handler) { connect(a, &QAction::triggered, this, handler); };
    for (int i = 0; i < int(item_Open_Newest.size()); ++i) on(item_Open_Newest[size_t(i)], [this, i] { item_Open_Newest_Click(i); });
    connect(item_Open_Newest_Root, &QMenu::aboutToShow, this, [this] { item_Open_Newest_Root_Click(); });
    on(item_rename_file, [this] { item_rename_file_Click(); });
    on(item_Delete_File, [this] { item_Delete_File_Click(); });
    on(item_rename_ini, [this] { item_rename_ini_Click(); });
    on(item_file_properties, [this] { item_file_properties_Click(); });
    on(item_convert, [this] { item_convert_Click(); });
    on(item_import_start_list, [this] { item_import_start_list_Click(); });
    on(item_fullscreen, [this] { item_fullscreen_Click(); });
    on(item_rotated, [this] { item_rotated_Click(); });
    on(item_toggle_rotated, [this] { item_toggle_rotated_Click(); });
    on(item_rot_true, [this] { item_rot_Click(true); });
    on(item_rot_false, [this] { item_rot_Click(false); });
    on(item_toggle_showgoalline, [this] { item_toggle_showgoalline_Click(); });
    on(item_toggle_flip_lanemarks, [this] { item_toggle_flip_lanemarks_Click(); });
    on(item_Toggle_lanes_locked, [this] { item_Toggle_lanes_locked_Click(); });
    on(item_hide_large_icture, [this] { Picture_large->setVisible(!Picture_large->isVisible()); });
    on(item_refresh, [this] { P_Large_refresh(); });
    on(item_export_form, [this] { item_export_form_Click(); });
    on(item_taskbar, [this] { item_taskbar_Click(); });
    on(item_play, [this] { Cmd_play_Click(); });
    on(item_play_deinterlaced, [this] { item_play_deinterlaced_Click(); });
    on(item_step_forward, [this] { item_step_forward_Click(); });
    on(item_show_frame, [this] { item_show_frame_Click(); });
    on(item_run_intro, [this] { Run_Intro(); });
    on(item_clear_ranks, [this] { item_clear_ranks_Click(); });
    on(item_ange_match, [this] { Enter_Event_name(); });
    on(item_set_event, [this] { item_set_event_Click("Event"); });
    on(item_set_event_name, [this] { item_set_event_Click("Event name?"); });
    on(item_update_event, [this] { item_update_event_Click(); });
    on(item_set_heat_id, [this] { item_set_heat_id_Click(); });
    on(item_set_lanenums, [this] { item_set_lanenums_Click(); });
    on(item_heat_start, [this] { item_heat_start_Click(); });
    on(itemLocalheatstart, [this] { itemLocalheatstart_Click(); });
    on(item_calibrate, [] { platform::Open_window("Form_calibrate"); });
    on(item_asssociate, [] { Associate_Qs2_Files(Operator_boxes_of_windows()); });
    on(item_browse_for_folder, [this] { item_browse_for_folder_Click(); });
    on(item_display_positions, [this] {
        setWindowTitle(QString("me.top: %1 me.left: %2").arg(y() * platform::Twips_per_pixel_y()).arg(x() * platform::Twips_per_pixel_x()));
    });
    on(item_dv_extra_len, [] { platform::MsgBox("Len = 190 LenB = 192", platform::vbOKOnly); });
    on(item_printer_test, [this] { item_printer_test_Click(); });
    on(item_test_trace, [] { Trace_Line("Test a trace ************"); });
    on(item_test_lane, [this] { item_test_lane_Click(); });
    on(item_test_copy, [this] { File_Copy(); });
    on(item_misbehave, [this] { item_misbehave_Click(); });
    on(item_clear_lane_result, [this] {
        if (g_Hit_Lane_number >= 0) Attach_Time(g_Hit_Lane_number, No_Time, false);
    });
    on(item_goalline_on, [this] {
        if (Header_writable()) g_Recording->Show_goalline(true);
    });
    on(item_test_goal_line, [this] {
        g_Goal_line = {100, 100, 400, 400};
        Draw_Graphics(true, false);
    });
}

// ---- Helpers of the entries ----

bool Frm_kanot_2::Header_writable()
{
    if (!Recording_open()) return false;
    if (!g_Recording->Read_only()) return true;
    platform::MsgBox("File is read-only!", platform::vbOKOnly);
    return false;
}

std::optional<std::string> Frm_kanot_2::Ask(const std::string& prompt, const std::string& title,
                                            const std::string& default_text)
{
    return platform::Get_dialogs().Input_box(prompt, title, default_text);
}

// ---- Display ----

void Frm_kanot_2::item_fullscreen_Click()
{
    try {
        // Off gives the window back its frame and its place before full screen (maximised, and
        // frameless, it covered the results window for good); showing it again brings the
        // results window back beside it.
        if (item_fullscreen->isChecked() != bool(windowFlags() & Qt::FramelessWindowHint)) SetFormFullScreen(this);
        if (!item_fullscreen->isChecked()) {
            if (isMaximized()) showNormal();
            Arrange_frames(rotated_);
            Form_Resize();
        }
    } catch (...) {
        Report_current_exception("item_fullscreen_Click of Form frm_kanot_2");
    }
}

void Frm_kanot_2::item_rotated_Click()
{
    rotated_ = item_rotated->isChecked();
    Arrange_layout(rotated_);
    // The picture was made anew at its new size: the field and the overlay are drawn again now.
    if (Recording_open()) New_graphics();
}

// The recording's own flags: the setters store them in the header in the file.
void Frm_kanot_2::item_toggle_rotated_Click()
{
    if (!Header_writable()) return;
    g_Recording->rotated(!g_Recording->rotated());
    Tell_recording_problems();
}

void Frm_kanot_2::item_rot_Click(bool rotated)
{
    if (!Header_writable()) return;
    g_Recording->rotated(rotated);
    Tell_recording_problems();
}

void Frm_kanot_2::item_toggle_showgoalline_Click()
{
    if (!Header_writable()) return;
    g_Recording->Show_goalline(!g_Recording->Show_goalline());
    g_Recording->Write_XML_header();
    Tell_recording_problems();
}

void Frm_kanot_2::item_toggle_flip_lanemarks_Click()
{
    if (Header_writable()) g_Recording->Lanes_flipped(!g_Recording->Lanes_flipped());
}

void Frm_kanot_2::item_Toggle_lanes_locked_Click()
{
    if (!Header_writable()) {
        item_Toggle_lanes_locked->setChecked(Recording_open() && g_Recording->Lanes_locked());
        return;
    }
    g_Recording->Lanes_locked(!g_Recording->Lanes_locked());
    Tell_recording_problems();
    item_Toggle_lanes_locked->setChecked(g_Recording->Lanes_locked());
}

void Frm_kanot_2::item_export_form_Click()
{
    if (item_export_form->isChecked()) platform::Form_instance<Frm_export>().show();
    else if (auto* f = platform::Form_if_loaded<Frm_export>()) f->hide();
}

void Frm_kanot_2::item_taskbar_Click() { Show_Taskbar(item_taskbar->isChecked()); }

// ---- Playback ----

// The step is drawn at once: the picture, the frame number and a finish click all take it.
void Frm_kanot_2::item_step_forward_Click()
{
    Slider_play->setValue(Slider_play->value() + 1);
    Slider_play_Scroll();
}

// The frame that holds the shown field: fields 2f - 1 and 2f lie in frame f.
void Frm_kanot_2::item_show_frame_Click()
{
    try {
        if (!Recording_open()) return;
        int32_t frame = (Slider_play->value() + 1) / 2;
        g_Recording->Draw_frame(frame, Picture_large->hDC(), false, shown_stream_, nullptr, rotated_);
        P_Large_refresh();
    } catch (...) {
        Report_current_exception("item_show_frame_Click of Form frm_kanot_2");
    }
}

// ---- Event and heat ----

void Frm_kanot_2::Enter_Event_name()
{
    try {
        if (wk::Enter_Event_name(Operator_boxes_of_windows())) Update_Form_Caption();
    } catch (...) {
        Report_current_exception("Enter_Event_name of Form frm_kanot_2");
    }
}

void Frm_kanot_2::item_set_event_Click(const std::string& prompt)
{
    if (!Header_writable()) return;
    if (const auto answer = Ask(prompt)) {
        g_Recording->Event_name(*answer);
        Tell_recording_problems();
        Set_Captions();
    }
}

void Frm_kanot_2::item_update_event_Click()
{
    try {
        item_set_event_Click("Give event name");
    } catch (...) {
        Report_current_exception("item_update_event_Click of Form frm_kanot_2");
    }
}

void Frm_kanot_2::item_set_heat_id_Click()
{
    if (!Header_writable()) return;
    if (const auto answer = Ask("Give Heat ID!")) {
        g_Recording->Heat_ID(1, *answer);
        g_Recording->Write_XML_header();
        Tell_recording_problems();
        Label_heatID->setText(QString::fromStdString(*answer));
    }
}

void Frm_kanot_2::item_set_lanenums_Click()
{
    if (!Header_writable()) return;
    const auto answer = Ask("Lane numbers");
    if (!answer) return;
    int value = -1;
    const auto [end, ec] = std::from_chars(answer->data(), answer->data() + answer->size(), value);
    if (ec != std::errc() || end != answer->data() + answer->size() || value < 0 || value > k_Max_lanes) {
        platform::MsgBox("The lane count must be a whole number from 0 to 16!", platform::vbOKOnly);
        return;
    }
    g_Recording->Lane_count(int16_t(value));
    Tell_recording_problems();
}

void Frm_kanot_2::item_heat_start_Click()
{
    if (!Header_writable()) return;
    g_Recording->Start_PC_mill(1, g_Recording->Old_HeatStart());
    g_Recording->Write_XML_header();
    Tell_recording_problems();
}

// One click would overwrite the heat's start for good: the crew sees the new start and says yes.
void Frm_kanot_2::itemLocalheatstart_Click()
{
    try {
        if (!Header_writable()) return;
        constexpr int32_t fixed_start = 38793000;
        const std::string prompt = "Set the heat's local start time to " + Clock_text(fixed_start) + "?\n(now " +
                                   Clock_text(g_Recording->Start_local_Mill_Time(1)) + ")";
        if (platform::MsgBox(prompt, platform::vbYesNo | platform::vbQuestion | platform::vbDefaultButton2,
                             "Fixed local heat start") != platform::vbYes)
            return;
        g_Recording->Start_local_mill(1, fixed_start);
        g_Recording->Write_XML_header();
        Tell_recording_problems();
    } catch (...) {
        Report_current_exception("itemLocalheatstart_Click of Form frm_kanot_2");
    }
}

void Frm_kanot_2::item_clear_ranks_Click()
{
    try {
        if (!Recording_open()) return;
        if (platform::MsgBox("Clear all results of this heat?",
                             platform::vbYesNo | platform::vbQuestion | platform::vbDefaultButton2,
                             "Clear all lanes") != platform::vbYes)
            return;
        Clear_All_Results();
    } catch (...) {
        Report_current_exception("item_clear_ranks_Click of Form frm_kanot_2");
    }
}

// ---- Program and diagnostics ----

void Frm_kanot_2::item_browse_for_folder_Click()
{
    try {
        platform::Get_dialogs().Browse_folder("Example", platform::Home_folder().string());
    } catch (...) {
        Report_current_exception("item_browse_for_folder_Click of Form frm_kanot_2");
    }
}

void Frm_kanot_2::item_printer_test_Click()
{
    try {
        platform::Printer_port* port = platform::Get_printer_port();
        std::shared_ptr<platform::Print_target> printer = port ? port->Open_printer() : nullptr;
        if (!printer) {
            platform::MsgBox("No printer to print on!", platform::vbOKOnly);
            return;
        }
        platform::App().title = "Print_test a very long document name shall be tested here ";
        printer->Print("Testing A,B,C");
        printer->Print("Testing 1,2,3");
        const bool ok = printer->EndDoc();
        platform::App().title = g_App_Title;
        if (!ok) platform::MsgBox("Printer error", platform::vbOKOnly);
    } catch (...) {
        platform::App().title = g_App_Title;
        Report_current_exception("item_printer_test_Click of Form frm_kanot_2");
    }
}

void Frm_kanot_2::item_test_lane_Click()
{
    Clear_Collection(g_Lanes);
    for (int16_t i = 1; i <= 8; ++i) {
        auto lane = std::make_shared<Cls_lane>();
        lane->Lane_number(i);
        lane->Lane_pos_X(200 + 20 * i);
        lane->Lane_pos_Y(200 + 20 * i);
        g_Lanes.push_back(lane);
    }
    P_Large_refresh();
    Draw_Graphics(true, false);
}

void Frm_kanot_2::item_misbehave_Click()
{
    try {
        volatile int zero = 20 - 20;
        const int shown = zero / 5;
        (void)shown;
    } catch (...) {
        // Nothing to show: the entry tests that a handled error passes quietly.
    }
}

} // namespace wk
