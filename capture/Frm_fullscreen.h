#pragma once
// The capture station's full-screen preview: the live camera picture, enlarged, with the goal
// line and the lane marks over it. The operator drags the goal line's ends and the marks into
// place and sets how the marks are shown; the settings go to section Canoe of Wakeline.ini, where
// the viewer and the capture window read them. Coordinates are picture pixels throughout.
//
// The capture window hands every frame it shows here to Show_picture, then calls
// Handle_events, so the operator's drags are served while frames keep coming.
#include "platform/Form_window.h"
#include "services/Module_qsm_Globals.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <string>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace wk {

namespace platform {
class Picture_box;
}

class Frm_fullscreen final : public platform::Form_window {
public:
    Frm_fullscreen();

    // ---- Called by the capture window ----
    // Shows a decoded camera picture as the live picture (turned a quarter clockwise when the
    // preview stands upright and the picture lies on its side), then the overlay over it.
    void Show_picture(const QImage& picture);
    // The camera time and shutter of the frame shown.
    void Show_DV_data(const std::string& camera_time, const std::string& shutter);
    // One pass of the event loop, so mouse and menu events run between frames.
    void Handle_events();
    // Lays the goal line and the lane marks over the live picture.
    void Preview_Graphics();
    void Preview_Refresh();
    // 724 x 580, or 580 x 724 when rotated; the overlay and the frames to the right follow.
    void Set_Size(bool rotated);
    void Set_Options();

    // ---- Settings ----
    void Save_Options();
    void Save_GoalLine();
    void Save_lanes();
    void Set_Num_lanes(int16_t n);
    void Reset_lane_Positions();
    void Reset_Goal_line();

    // ---- Event handlers ----
    void Chk_Show_lanemarks_Click();
    void Chk_Flip_Lanemarks_Click();
    void Chk_Show_Goalline_Click();
    void Chk_rotate_Click();
    void Cmd_save_options_Click();
    void UpDown_Lanes_MouseUp();
    void Option_first_lane_Click(int index);
    void item_reset_positions_Click();
    void item_reset_goal_line_Click();
    void item_display_metadata_Click();
    void item_event_name_Click();
    void item_full_preview_Click();
    void item_close_Click();
    void Command_close_Click() { item_close_Click(); }
    void Picture_preview_MouseDown(int button, int shift, float x, float y);
    void Picture_preview_MouseMove(int button, int shift, float x, float y);
    void Picture_preview_MouseUp(int button, int shift, float x, float y);
    void Form_Activate();
    // The save question when something was moved. False when the operator cancelled: the window
    // then stays open.
    bool Form_QueryUnload();

    // Whether anything was moved since the last save or activation (closing then asks).
    bool Moved() const { return moved_; }

    // ---- Controls ----
    platform::Picture_box* Picture_preview = nullptr;
    QGroupBox* Frm_options = nullptr;
    QCheckBox* Chk_Show_lanemarks = nullptr;
    QCheckBox* Chk_Flip_Lanemarks = nullptr;
    QCheckBox* Chk_Show_Goalline = nullptr;
    QCheckBox* Chk_rotate = nullptr;
    QPushButton* Cmd_save_options = nullptr;
    QGroupBox* Frame_ln_start = nullptr;
    std::array<QRadioButton*, 2> Option_first_lane{};
    QGroupBox* Frm_lanes = nullptr;
    QSpinBox* UpDown_Lanes = nullptr;
    QLabel* Lbl_num_lanes = nullptr;
    QGroupBox* Frm_DV_data = nullptr;
    QLabel* Lbk_ct = nullptr;
    QLabel* Lbl_shutterx = nullptr;
    QLabel* Lbk_camera_time = nullptr;
    QLabel* Lbl_Shutter = nullptr;
    QPushButton* Command_close = nullptr;
    QLabel* Lbl_lanes_locked = nullptr;

    QMenuBar* menu_bar = nullptr;
    QMenu* menu_form = nullptr;
    QAction* item_full_preview = nullptr;
    QAction* item_display_metadata = nullptr;
    QAction* item_reset_positions = nullptr;
    QAction* item_reset_goal_line = nullptr;
    QAction* item_close = nullptr;
    QMenu* menu_settings = nullptr;
    QAction* item_event_name = nullptr;

protected:
    void Form_Unload() override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* e) override;

private:
    void Build_menus();
    void Build_controls();
    void Build_options();
    void Connect_controls();
    void Form_Load();
    void Arrange_frames();
    void Drag_goal_end(float x, float y);
    void Redraw_after_drag();
    void Show_first_lane_bold(int index);
    void Number_lanes();
    bool Ask_and_save_before_closing(bool can_cancel);
    void Uncheck_capture_preview_item();

    bool moved_ = false;
    Goal_line_coords goal_at_press_;
    QImage live_; // the last camera picture, so the overlay can be redrawn without a new frame
};

} // namespace wk
