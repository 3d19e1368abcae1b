#pragma once
// The photo-finish viewer: the program's main window. It shows one field of the open recording
// in Picture_large with the goal line and the lane marks laid over it, and keeps the heat's lane
// results. The recording is the program-wide g_Recording.
#include "platform/Form_window.h"
#include "services/Operator_boxes.h"
#include "viewer/Finish_strip_host.h"
#include "viewer/Lane_results.h"
#include "viewer/After_paint_queue.h"
#include "viewer/Overlay_runs.h"
#include "results/Results_viewer.h"
#include "viewer/Viewer_reading.h"

#include <QPoint>
#include <QRect>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QSlider;
class QTimer;

namespace wk {
namespace platform {
class Picture_box;
}
class cls_AVI_handler;

// The picture series on a page: how many columns, each picture's size and the pitch of columns
// and rows (twips), and how many rows hold pictures.
struct Series_grid {
    int32_t columns = 3;
    int32_t width = 0, height = 0;
    int32_t pitch = 0;
    double row_step = 0;
    int rows = 0;
};
// The grid for `timed` placed lanes across print_width twips, no higher than room twips: three
// columns (four of upright pictures), five from nine pictures on, at most three rows.
Series_grid Series_picture_grid(int32_t print_width, bool rotated, int timed, double room);

class Finish_strip_pane;
class Strip_export;

class Frm_kanot_2 final : public platform::Form_window,
                         public Result_viewer,
                         public Results_viewer,
                         public Finish_strip_host,
                         public Reading_host {
public:
    static constexpr int k_Frame_width = 230; // the control frames to the right of the picture
    Frm_kanot_2();
    ~Frm_kanot_2() override;

    // ---- Controls ----
    QMenuBar* menu_bar = nullptr;
    QMenu* menu_file = nullptr;
    QAction* item_open = nullptr;
    QAction* item_open_last = nullptr;
    QAction* item_close = nullptr;
    QAction* item_video_capture = nullptr;
    QAction* item_exit = nullptr;
    QMenu* menu_display = nullptr;
    QAction* item_zoom = nullptr;
    QAction* item_Toggle_lanes_locked = nullptr;
    QAction* item_display_metadata = nullptr;
    QAction* item_Marathon = nullptr;
    QAction* item_select_logo_file = nullptr;
    QMenu* menu_Result = nullptr;
    QAction* item_set_time = nullptr;
    QAction* item_set_time_plus = nullptr;
    QAction* item_set_did_not_finish = nullptr;
    QAction* item_set_did_not_start = nullptr;
    QAction* item_set_disq = nullptr;
    QAction* item_clear_lane = nullptr;
    QMenu* menu_debug = nullptr;
    QAction* item_disp_xy = nullptr;
    QMenu* menu_specials = nullptr;
    QMenu* menu_help = nullptr;
    QAction* item_about = nullptr;

    platform::Picture_box* Picture_large = nullptr;
    platform::Picture_box* Pict_heat_time = nullptr;
    platform::Picture_box* Picture_intro = nullptr;
    platform::Picture_box* Picture_intro_2 = nullptr;
    platform::Picture_box* Picture_logo = nullptr;
    platform::Picture_box* Pict_temp = nullptr;
    // The result box beside a lane mark, and the lane's result in it.
    platform::Picture_box* Pict_lane_result = nullptr;
    QLabel* Lbl_lane_result = nullptr;
    QGroupBox* frm_DV_AUX = nullptr;
    QLabel* Lbl_cam_time = nullptr;
    QLabel* Lbl_exp_time = nullptr;
    QGroupBox* Frm_options = nullptr;
    QCheckBox* Chk_Show_lanemarks = nullptr;
    QCheckBox* Chk_Show_Goalline = nullptr;
    QCheckBox* Chk_invert_goalline = nullptr;
    QCheckBox* Chk_Flip_Lanemarks = nullptr;
    QGroupBox* Frm_time = nullptr;
    QLabel* Label5 = nullptr; // captions of the heat's times
    QLabel* Lbl_elapsed_time = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Lbl_delta_time = nullptr;
    QLabel* lbl_starttime = nullptr;
    QLabel* Lbl_capture_time = nullptr;
    QLabel* Lbl_filesize = nullptr;
    QLabel* Label_heatID = nullptr;
    QLabel* Label_start_time = nullptr;
    QGroupBox* Frm_play = nullptr;
    QSlider* Slider_play = nullptr;
    QPushButton* Cmd_play = nullptr;
    QLabel* Label3 = nullptr; // the frame number's caption
    QLabel* Lbl_frameno = nullptr;
    // Why stepping and Play do nothing: the capture station's camera is running.
    QLabel* Lbl_camera_running = nullptr;
    QTimer* Timer_camera_note = nullptr;
    QTimer* Timer_keyb_event = nullptr;

    // ---- Start-up and opening a recording ----
    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    void Start_Association();
    void Open_Recording(const std::string& path) override;
    void Open_multi_file(const std::string& path);
    void Load_Lanes_from_File();
    void Clear_Results();
    void Close_File();
    // Shows the recording's problems met since they were last shown, one message each.
    void Tell_recording_problems() override;
    void Clear_file_Data();
    void item_close_Click();
    void item_open_Click();
    void item_open_last_Click();
    void item_video_capture_Click();
    void item_exit_Click();
    void Update_Form_Caption();
    // The path the last open was given; empty while closed.
    const std::string& Recording_path() const { return recording_path_; }
    bool Rotated() const { return rotated_; }
    int16_t Shown_stream() const override { return shown_stream_; }

    // ---- Lane results (the heat's places) ----
    Lane_results& Results() { return results_; }
    // A click's result: drawn and shown once however many redraws storing it asks for.
    void Attach_Time(int16_t lane, int32_t value, bool plus);
    void Complete_Result_Array() override { results_.Complete_Result_Array(); }
    void Fill_Results() override { results_.Fill_Results(); }
    void Correct_start(int32_t correction) override
    {
        results_.Correction(correction);
        results_.Fill_Results();
    }
    void Clear_all_results() override
    {
        Clear_All_Results();
        Clear_Lane_Times();
    }

    // ---- Showing a field and playing ----
    void Slider_play_Scroll() override;
    void Cmd_play_Click();
    // Shows (or takes away) why stepping and Play do nothing; whether the camera is running.
    bool Camera_running_said();
    void Slider_play_KeyDown(int key_code, int shift);
    void Update_Marathon_Time() override;
    void item_Marathon_Click();
    void Print_Place_string(const std::string& text);
    // ---- For the results window ----
    void Show_field(int32_t field) override;
    void Show_place(const std::string& place) override;
    int Right_edge() const override;
    QRect Menu_area() const override;
    QRect Picture_area() const override;
    QRect Frame_area() const override;
    QRect Controls_area() const override;
    std::string Start_time_text() const override;
    bool Viewer_shown() const override { return isVisible(); }
    bool Marathon_mode() const override;
    std::string Shown_field_text() const override;
    void Update_frm_label();
    void Update_Frame_Time();
    void Note_time_jump(int32_t race_time);
    void Lbl_delta_time_Click() override;
    void P_Large_refresh();
    int32_t Shown_field() override;
    void New_graphics() override;
    void After_paint(std::function<void()> work) override;

    // ---- Overlay and window services ----
    void Draw_Graphics(bool refresh, bool no_marks) override;
    void Blit_Graphics();
    void Overlay_Lap(int16_t lap);
    bool Within_Zoom(float x, float y) const;
    // Whether the goal line and the lane marks are drawn (and take clicks) in the picture as shown.
    bool Marks_in_picture() const;
    void Set_Focus() override;
    void SliderPlay_Focus() override;
    void Set_Captions();
    void Timer_keyb_event_Timer();
    void Form_Click();
    void Label3_Click();
    void menu_help_Click();

    // ---- Finish clicking, lane marks and zoom on the picture ----
    void Picture_large_MouseDown(int button, int shift, float x, float y);
    void Picture_large_MouseMove(int button, int shift, float x, float y);
    void Picture_large_MouseUp(int button, int shift, float x, float y);
    void Pict_lane_result_MouseDown(int button, int shift, float x, float y);
    // Fills the result box with the lane's result and places it near the lane's mark, off the
    // lane's row and the goal line; hides it for a lane without a result or a mark not shown.
    void Display_Lane_Result(int16_t lane);
    // A press on the result: the viewer goes to the field where that lane's finish was clicked.
    void Lbl_lane_result_MouseDown(int button, int shift, float x, float y);
    // The lane the result box shows; -1 while it is hidden.
    int16_t Lane_result_lane() const { return lane_result_lane_; }
    void Lane_results_filled() override;
    void Picture_intro_Click();
    void item_zoom_Click();
    void Do_Zoom(float x, float y, bool use_stored);
    void Refresh_picture();
    bool Zoom_on() const { return zoom_mode_ != 0; }
    // The zoom box on the picture and the corner of the region it magnifies, as last drawn.
    QRect Zoom_box() const;
    QPoint Zoom_source() const { return {zoom_source_x_, zoom_source_y_}; }
    void item_set_time_Click();
    void item_set_time_plus_Click();
    void item_set_did_not_finish_Click();
    void item_set_did_not_start_Click();
    void item_set_disq_Click();
    void item_clear_lane_Click();
    void Chk_Show_lanemarks_Click();
    void Chk_Show_Goalline_Click();
    void Chk_invert_goalline_Click();
    void Check_box_MouseUp();

    // ---- Printing a frame and the picture series; the footer and the event logo ----
    void Handle_Print_Single() override;
    void Handle_Print_results() override;
    void Handle_Print_Series() override;
    // True when a recording is open; otherwise says "No file open!".
    bool Check_File_Open();
    void PrintSingle();
    // Continues the page the result sheet has begun; leaves the viewer on the first field.
    void Print_Series() override;
    // The footer names the printer; without one it is empty.
    void Make_Print_footer() override;
    void Load_logo();
    void item_select_logo_file_Click();

    // ---- The finish strip (Display > Finish strip, File > Export finish strip) ----
    QAction* item_finish_strip = nullptr;
    QAction* item_export_finish_strip = nullptr;
    QAction* item_strip_on_sheet = nullptr; // the result sheet carries the strip around the finishes
    Finish_strip_pane* Pane_finish_strip = nullptr; // made when first asked for
    Strip_export* Export_strip = nullptr;           // made at the first export
    void item_finish_strip_Click();
    void item_export_finish_strip_Click();
    void Print_finish_strip() override;
    std::optional<Finish_strip_line::Setup> Strip_goal_line() override;
    void Go_to_strip_point(int32_t field, int16_t lane) override;
    QWidget* Strip_key_target() override;

    // ---- Layout and intro ----
    // The finish reader's proposals and the Reading menu.
    Viewer_reading& Reading() { return *reading_; }
    QWidget* Reading_window() override { return this; }
    Lane_results& Reading_results() override { return results_; }
    void Proposals_changed() override;
    void Draw_proposals(int32_t field);
    bool Clicked_over_proposal(int16_t lane) override { return reading_ && reading_->Clicked_over_proposal(lane); }

    void Arrange_layout(bool rotated);
    void Arrange_Picture(bool rotated);
    void Arrange_frames(bool rotated);
    void Fit_width();
    void Narrow_frames(int window_width);
    void Run_Intro();
    void Run_Intro_Loop();

    // ---- Menu entries (the ones not named above) ----
    // File.
    QMenu* item_Open_Newest_Root = nullptr;
    std::array<QAction*, 4> item_Open_Newest{};
    QAction* item_rename_file = nullptr;
    QAction* item_Delete_File = nullptr;
    QAction* item_file_properties = nullptr;
    QAction* item_rename_ini = nullptr;
    QAction* item_convert = nullptr;
    // Converts a chosen multi-stream recording (.sdv) into the own format beside it.
    void item_convert_Click();
    QAction* item_import_start_list = nullptr;
    // Reads a start list CSV and keeps it for the station's event; a bad line imports nothing.
    void item_import_start_list_Click();
    void item_Open_Newest_Click(int index);
    void item_Open_Newest_Root_Click() { Update_Recent_Files(); }
    void Update_Recent_Files();
    void item_Delete_File_Click();
    void item_rename_file_Click();
    // Asks for a new name and moves the file; Cancel or the same name change nothing.
    bool rename_file(const std::string& path);
    void item_rename_ini_Click();
    void item_file_properties_Click();
    // The recording's headers as the properties window shows them.
    std::string Properties_text();
    // Copies the last captured recording into the copy folder, showing its progress.
    void File_Copy();
    // Writes the shown picture as a JPEG file (the frame export calls it per field).
    bool Save_Jpeg(const std::string& path);
    // Display.
    QAction* item_fullscreen = nullptr;
    QAction* item_rotated = nullptr;
    QAction* item_toggle_rotated = nullptr;
    QAction* item_rot_true = nullptr;
    QAction* item_rot_false = nullptr;
    QAction* item_toggle_showgoalline = nullptr;
    QAction* item_toggle_flip_lanemarks = nullptr;
    QAction* item_hide_large_icture = nullptr;
    QAction* item_refresh = nullptr;
    QAction* item_export_form = nullptr;
    QAction* item_taskbar = nullptr;
    void item_fullscreen_Click();
    void item_rotated_Click();
    void item_toggle_rotated_Click();
    void item_rot_Click(bool rotated);
    void item_toggle_showgoalline_Click();
    void item_toggle_flip_lanemarks_Click();
    void item_Toggle_lanes_locked_Click();
    void item_export_form_Click();
    void item_taskbar_Click();
    // Playback.
    QMenu* menu_playback = nullptr;
    QAction* item_play = nullptr;
    QAction* item_play_deinterlaced = nullptr;
    QAction* item_step_forward = nullptr;
    QAction* item_show_frame = nullptr;
    QAction* item_run_intro = nullptr;
    void item_play_deinterlaced_Click();
    void item_step_forward_Click();
    void item_show_frame_Click();
    // Results.
    QAction* item_clear_ranks = nullptr;
    // Event and heat.
    QMenu* menu_event = nullptr;
    QAction* item_set_event = nullptr;
    QAction* item_set_event_name = nullptr;
    QAction* item_update_event = nullptr;
    QAction* item_set_heat_id = nullptr;
    QAction* item_set_lanenums = nullptr;
    QAction* item_heat_start = nullptr;
    QAction* itemLocalheatstart = nullptr;
    QAction* item_ange_match = nullptr;
    void Enter_Event_name();
    void item_set_event_Click(const std::string& prompt);
    void item_update_event_Click();
    void item_set_heat_id_Click();
    void item_set_lanenums_Click();
    void item_heat_start_Click();
    void itemLocalheatstart_Click();
    void item_clear_ranks_Click();
    // Help and program.
    QAction* item_calibrate = nullptr;
    QAction* item_asssociate = nullptr;
    QAction* item_browse_for_folder = nullptr;
    void item_browse_for_folder_Click();
    // Diagnostics.
    QAction* item_display_positions = nullptr;
    QAction* item_dv_extra_len = nullptr;
    QAction* item_printer_test = nullptr;
    // Two test lines straight to the printer under a long job title.
    void item_printer_test_Click();
    QAction* item_test_trace = nullptr;
    QAction* item_test_lane = nullptr;
    QAction* item_test_copy = nullptr;
    QAction* item_misbehave = nullptr;
    QAction* item_assert_false = nullptr;
    QAction* item_debug_stop = nullptr;
    QAction* item_save_lanes = nullptr;
    QAction* item_clear_lane_result = nullptr;
    QAction* item_goalline_on = nullptr;
    QAction* item_test_goal_line = nullptr;
    void item_test_lane_Click();
    void item_misbehave_Click();

protected:
    void Form_Unload() override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    // The slider's keys: the step follows Ctrl before the key moves it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build_menus();
    void Build_strip_menus();
    Finish_strip_pane& Strip_pane();
    void Connect_more_menus();
    // True when a recording is open and may be written; says why not otherwise.
    bool Header_writable();
    // The answer of an input box; nullopt when it was cancelled.
    std::optional<std::string> Ask(const std::string& prompt, const std::string& title = {},
                                   const std::string& default_text = {});
    void Build_controls();
    // The clicks on the labels and on the window's own background.
    bool Label_event(QObject* watched, QEvent* event);
    std::array<QLabel*, 6> Heat_time_labels() const;
    void Connect_controls();
    void Load_steps();
    void Open_steps(const std::string& path);
    void Show_recording_flags();
    void Set_slider_range(int32_t maximum);
    void Size_heat_time_picture();
    bool Recording_open() const;
    void Update_DV_labels();
    void Show_DV_metadata();
    void Note_overlay_content();
    bool Play_may_go_on(const cls_AVI_handler* recording, const std::string& file) const;
    void Open_result_menu(float x, float y);
    void Attach_menu_result(int32_t value, bool plus);
    void Print_series_picture(int16_t place, double x, double y, const Series_grid& grid);

    Lane_results results_{*this, Operator_boxes_of_windows()};
    std::unique_ptr<Viewer_reading> reading_;
    std::string command_line_;
    std::string recording_path_;
    bool rotated_ = true;
    bool wide_ = false; // the open recording is 16:9
    int natural_width_ = 0; // the width Arrange_frames gives, before fitting beside the results
    int32_t delta_reference_ = 0;
    int16_t shown_stream_ = 1;
    int32_t shown_field_ = 0; // the field the picture shows; 0 before the first is drawn
    // The field whose race time was shown last, and that time: a step forward onto a time that
    // jumps past it by more than a frame is noted (pictures left out while capturing).
    int32_t timed_field_ = 0, timed_ms_ = 0;
    int64_t time_jump_ = 0;
    bool scroll_busy_ = false;
    int16_t zoom_mode_ = 0;
    int16_t zoom_left_ = 0, zoom_top_ = 0, zoom_width_ = 0, zoom_height_ = 0;
    float zoom_x_ = 0, zoom_y_ = 0;
    int16_t zoom_centre_x_ = 0, zoom_centre_y_ = 0;
    int32_t zoom_source_x_ = 0, zoom_source_y_ = 0;
    bool zoom_busy_ = false;
    int16_t result_menu_lane_ = -1;
    int16_t lane_result_lane_ = -1;
    Overlay_runs overlay_runs_;
    // Redraws asked for while a click is stored run once when it is done.
    int redraw_batch_ = 0;
    bool batched_graphics_ = false, batched_scroll_ = false;
    void End_redraw_batch();
    std::vector<std::function<void()>> held_after_paint_;
    After_paint_queue after_paint_;
    int32_t intro_cx_ = 0, intro_cy_ = 0;
};

} // namespace wk
