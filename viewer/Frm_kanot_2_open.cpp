// The viewer's start-up, and opening and closing a recording.
#include "viewer/Frm_kanot_2.h"

#include "platform/Dialogs.h"
#include "platform/Draw_surface.h"
#include "platform/Form_window.h"
#include "platform/Forms.h"
#include "platform/Picture_box.h"
#include "platform/Screen_saver.h"
#include "platform/Single_instance.h"
#include "recording/cls_AVI_handler.h"
#include "services/Cls_memory_status.h"
#include "services/Module_canoe.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/QSM_error_form.h"
#include "services/Run_time_error.h"
#include "services/graphics/cDIBSection.h"
#include "viewer/Cls_lane.h"
#include "viewer/Module_lanes.h"
#include "results/Result_rows.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace wk {
namespace {

// The work pictures frames are decoded into for printing and export.
cDIBSection g_Work_picture;
cDIBSection g_Work_picture_rotated;

std::string Version_text()
{
    return std::to_string(k_Version_major) + "." + std::to_string(k_Version_minor) + "." +
           std::to_string(k_Version_revision);
}

// Megabytes rounded to one decimal, written without a trailing ".0".
std::string Megabytes_text(int64_t bytes)
{
    const double mb = std::nearbyint(double(bytes) / 1048576.0 * 10.0) / 10.0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", mb);
    std::string text = buf;
    if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
    return text;
}

void Message(const std::string& text) { platform::MsgBox(text, platform::vbOKOnly); }

void Tell(const std::vector<Recording_problem>& problems)
{
    for (const Recording_problem& problem : problems) platform::MsgBox(problem.Text());
}

} // namespace

void Frm_kanot_2::Tell_recording_problems()
{
    if (g_Recording) Tell(g_Recording->Take_problems());
}

void Frm_kanot_2::Form_Load()
{
    try {
        Load_steps();
    } catch (const platform::End_requested&) {
        throw;
    } catch (...) {
        Report_current_exception("Form_Load of Form frm_kanot_2");
    }
}

void Frm_kanot_2::Load_steps()
{
    Trace_Line("Frm_kanot2 Form_Load start");
    Set_Compiled_Flag();
    g_Drag_Lane = -1;
    rotated_ = true;
    Arrange_layout(rotated_);
    Trace_Line("*Frm_Kanot, Form_load_2 start ************");
    Trace_Line("Wakeline " + Version_text());
    if (g_Exiting) {
        Trace_Line("*Frm_Kanot_2, Form_load start ending = true");
        return;
    }
    if (g_Edition_text.empty()) Wakeline_Initialization();
    setWindowTitle(QString::fromStdString(g_Edition_text));
    item_video_capture->setVisible(true);
    while (!Is_Form_Loaded("frm_kanot_2")) platform::Do_events();

    // The printer list and the page margins are read when printing is first asked for.
    Wakeline_Initialization();
    menu_Result->menuAction()->setVisible(false);
    // The print preview window is made when the first page is shown in it.
    g_DV_Extra_Offset = 12000;
    // The error window takes its captions when it is made; one made already gets them now.
    if (auto* errors = platform::Form_if_loaded<QSM_error_form>()) errors->QSM_Error_Initialize();

    if (!FileExists(Ini_file_path)) {
        if (platform::MsgBox("INI file not found! Create? (No exits program)", platform::vbYesNo) != platform::vbYes)
            platform::End_program(0);
        std::ofstream(Ini_file_path, std::ios::binary | std::ios::app);
    }
    move(0, 0);
    Eval_Codecs();
    Trace_Line("*after Eval_Codecs");

    g_Work_picture.Create(720, 576);
    g_Work_picture_rotated.Create(576, 720);
    if (!g_Memory_status) g_Memory_status = std::make_shared<Cls_memory_status>();
    g_Memory_status->get_phys();
    g_Key_colour = platform::Rgb(128, 128, 128);

    // A lock in a folder another user could reach is not taken; the operator learns why.
    if (const std::string problem = platform::Instance_lock_problem(); !problem.empty())
        platform::MsgBox(problem, platform::vbExclamation);
    if (platform::Previous_instance()) {
        platform::MsgBox("An instance of this program already running...", platform::vbOKOnly);
        platform::End_program(0);
    }
    Size_heat_time_picture();
    g_Goal_line = {100, 100, 505, 100};
    Load_Event_Name();
    Load_Lanes_and_Goalline();
    Update_Form_Caption();
    menu_debug->menuAction()->setVisible(!g_Compiled);
    menu_specials->menuAction()->setVisible(!g_Compiled);
    Trace_Line("*Calling Arrange_Frames");
    g_Build_text = Version_text() + (g_Compiled ? std::string(".EXE") + " cd: " + k_Compile_date : " IDE");
    Make_Print_footer();
    Load_logo();
    Check_Screen_Height();
    Picture_large->Refresh();
    Timer_keyb_event->start();

    command_line_ = platform::App().command_line;
    Trace_Line("Command_dollar = " + command_line_);
    if (!command_line_.empty()) Start_Association();
    Trace_Line("*Frm_kanot, Frm_load end");
}

void Frm_kanot_2::Start_Association()
{
    std::string path = command_line_;
    // A path handed over in double quotes loses them; a plain path (the usual case here) is used as it is.
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    if (FileExists(path)) Open_Recording(path);
}

void Frm_kanot_2::item_open_Click() { Open_Recording(""); }

void Frm_kanot_2::item_open_last_Click() { Open_Recording(g_Last_captured_file); }

void Frm_kanot_2::Open_Recording(const std::string& path)
{
    try {
        Open_steps(path);
    } catch (const platform::End_requested&) {
        throw;
    } catch (...) {
        Report_current_exception("Open_Recording of Form frm_kanot_2");
        // Nothing half-open stays behind.
        Close_File();
    }
}

void Frm_kanot_2::Open_steps(const std::string& path)
{
    if (item_zoom->isChecked()) {
        item_zoom->setChecked(false);
        zoom_mode_ = 0;
        unsetCursor();
    }
    Close_File();
    Picture_large->Cls();
    Clear_Results();
    P_Large_refresh();

    std::string chosen = path;
    if (chosen.empty()) {
        std::string folder = Read_setting(ini::Last_dir);
        if (folder == "N/A") folder.clear();
        chosen = platform::Get_dialogs().Open_file("Open", folder, "Wakeline Files (*.qs2)|*.qs2").value_or("");
    }
    if (chosen.empty()) return;
    if (!FileExists(chosen)) {
        Message("File does not exist!");
        return;
    }
    recording_path_ = chosen;
    Open_multi_file(chosen);
    if (!g_Recording || !g_Recording->File_open()) {
        recording_path_.clear();
        return;
    }
    if (g_Recording->num_frames() == 0) {
        g_Recording->Close_File();
        Tell_recording_problems();
        recording_path_.clear();
        Update_Form_Caption();
        Message("No video frames in this file!");
        return;
    }

    g_Run_mode = 10;
    const int16_t lanes = g_Recording->Lane_count();
    if (lanes > 0) g_Lanes_in_use = std::min(lanes, k_Max_lanes);
    Load_Lanes_from_File();
    item_Toggle_lanes_locked->setChecked(g_Recording->Lanes_locked());
    g_Lane_Zero = g_Recording->Start_Lane_Zero();
    delta_reference_ = 0;
    Set_Focus();
    Write_setting(ini::Last_dir, Split_Path(chosen, 16));
    rotated_ = g_Recording->rotated();
    wide_ = g_Recording->Wide_Screen();
    Arrange_layout(rotated_);
    Show_recording_flags();

    Label_heatID->setText(QString::fromStdString(g_Recording->Heat_ID(1)));
    const int32_t start = g_Recording->Start_local_Mill_Time(1);
    Label_start_time->setText(QString::fromStdString(Display_Mill_Time(start, false)));
    Results_rows().Recorded_start_mill(start);

    Complete_Result_Array();
    Results_rows().Display_Original_Start_Time();
    Set_Captions();
    Clear_Graphics();
    New_graphics();
    Slider_play_Scroll();
    Results_rows().GoTo_Field(0);
    Lbl_delta_time_Click();
    platform::Hold_screen_awake(this, true); // no blanking while a heat is judged
    reading_->Opened(chosen, Read_on_open_setting());
}

void Frm_kanot_2::Show_recording_flags()
{
    g_Goalline_shown = g_Recording->Show_goalline();
    Chk_Show_Goalline->setChecked(g_Goalline_shown);
    Chk_Flip_Lanemarks->setChecked(g_Recording->Lanes_flipped());
    g_Lane_marks_shown = g_Recording->Lanes_Visible();
    Chk_Show_lanemarks->setChecked(g_Lane_marks_shown);
}

void Frm_kanot_2::Open_multi_file(const std::string& path)
{
    if (path.empty()) return;
    if (!g_Recording) g_Recording = std::make_shared<cls_AVI_handler>();
    g_Recording->Close_File();
    g_File_Goal_line = {};
    g_Recording->set_Screen_HDC(&Picture_large->hDC());
    const Recording_outcome opened = g_Recording->Open_File(path);
    Tell(opened.problems);
    if (!opened) return;
    if (!g_Recording->is_Wakeline()) {
        g_Recording->Close_File();
        Tell_recording_problems();
        Message("Not a valid wakeLine file!");
        return;
    }
    int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    g_Recording->Get_Goalline(x1, y1, x2, y2);
    if (x1 > 0 && y1 > 0) g_File_Goal_line = {x1, y1, x2, y2};
    Set_slider_range(g_Recording->Num_fields());
    shown_stream_ = 1;
    Lbl_capture_time->setText(QString::fromStdString(g_Recording->Capture_time()));
    Set_Focus();
    Update_Form_Caption();
    Lbl_filesize->setText(QString::fromStdString(Megabytes_text(g_Recording->File_size()) + " Mb"));
}

// Nothing of the previous recording's length stays: the maximum is the new field count.
void Frm_kanot_2::Set_slider_range(int32_t maximum)
{
    Slider_play->setMinimum(1);
    Slider_play->setMaximum(std::max(1, maximum));
    Slider_play->setValue(1);
}

void Frm_kanot_2::Load_Lanes_from_File()
{
    int16_t n = g_Recording->Lane_count();
    if (n < 0 || n > k_Max_lanes) {
        QSM_error_handler("The recording holds " + std::to_string(n) + " lanes; " +
                              std::to_string(std::clamp<int16_t>(n, 0, k_Max_lanes)) + " are used",
                          err_Overflow, 0, "Load_Lanes_from_File of Form frm_kanot_2");
        n = std::clamp<int16_t>(n, 0, k_Max_lanes);
    }
    Clear_Collection(g_Lanes);
    for (int16_t i = 1; i <= n; ++i) {
        auto lane = std::make_shared<Cls_lane>();
        lane->Lane_number(std::min<int16_t>(i, k_Max_lanes - 1));
        lane->Lane_pos_X(15 * i);
        lane->Lane_pos_Y(20 * i);
        g_Lanes.push_back(lane);
    }
    const int16_t first = g_Recording->Start_lane();
    for (int16_t i = 1; i <= n; ++i) {
        Cls_lane& lane = *g_Lanes[size_t(i - 1)];
        lane.Lane_number(int16_t(std::clamp(first + i - 1, 0, k_Max_lanes - 1)));
        try {
            lane.Lane_pos_X(g_Recording->LaneX(i));
            lane.Lane_pos_Y(g_Recording->LaneY(i));
        } catch (const Run_time_error&) {
            // Headers keep positions for marks 1 to 15 only; a sixteenth mark keeps its place.
            if (i < k_Max_lanes) throw;
        }
    }
}

void Frm_kanot_2::Clear_Results() { Results_rows().Clear_Results(); }

void Frm_kanot_2::Close_File()
{
    if (reading_) reading_->Forget();
    if (!Recording_open()) return;
    g_Recording->Close_File();
    Tell_recording_problems();
    g_Recording->File_name("");
    platform::Hold_screen_awake(this, false);
    Slider_play->setValue(Slider_play->minimum());
    recording_path_.clear();
    wide_ = false;
    Update_Form_Caption();
    Clear_All_Results();
    Clear_file_Data();
    Set_Captions();
    Load_Lanes_and_Goalline();
}

void Frm_kanot_2::Clear_file_Data()
{
    shown_field_ = 0;
    Picture_large->Cls();
    P_Large_refresh();
    for (QLabel* l : {Lbl_exp_time, Lbl_cam_time, Lbl_capture_time, Lbl_filesize, Lbl_elapsed_time, Lbl_delta_time,
                      Lbl_frameno})
        l->clear();
    Display_Lane_Result(-1);
}

void Frm_kanot_2::item_close_Click()
{
    try {
        Close_File();
        Results_rows().Clear_Results();
        Results_rows().Clear_Heat_Data();
        Update_Form_Caption();
        Picture_large->Cls();
        Picture_large->Refresh();
    } catch (...) {
        Report_current_exception("item_close_Click of Form frm_kanot_2");
    }
}

void Frm_kanot_2::item_video_capture_Click()
{
    item_close_Click();
    hide();
    Results_rows().Show_results_window(false, 0);
    platform::Open_window("Form_capture_multi_file");
}

} // namespace wk
