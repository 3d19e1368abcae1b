#pragma once
// The capture window: three heat slots, each with its own recording. The road of the heats
// (start, capture, append, abort, finish) is the heat recorder's; the window forwards its
// buttons, menus and the camera's frames to it and shows its state.
#include "capture/Camera_choice.h"
#include "capture/Control_box.h"
#include "capture/Heat_recorder.h"
#include "capture/Interface_kit.h"
#include "platform/Form_window.h"
#include "services/Marathon_listener.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QGroupBox;
class QMenu;
class QMenuBar;
class QLabel;
class QLineEdit;
class QPushButton;

namespace wk {

class cls_Capture;
class Control_box_panel;
class Frm_progress;

// What the window makes for itself; tests give fakes.
struct Capture_window_setup {
    // The number of cameras (the capture server's count by default).
    std::function<int16_t()> Count_cameras;
    // A new camera, stopped and not yet set up; null when none could be made.
    std::function<std::shared_ptr<cls_Capture>()> Make_camera;
    // The control box's kit (by default as WK_CONTROL_BOX chooses).
    std::function<std::unique_ptr<Interface_kit>()> Make_kit;
    // Frames one capture may take; reaching it ends the capture (five minutes at 25 frames a
    // second by default). The frames go to the disk as they come, so a slow disk holds at most
    // these in memory.
    int32_t Max_capture_frames = 7500;
    // How long a release waits, at most, for pictures taken before it still on their way.
    int32_t Release_wait_ms = Heat_recorder::k_Release_wait_ms;
};

class Form_capture_multi_file final : public platform::Form_window, public Marathon_listener {
public:
    static constexpr int16_t k_Slots = 3;

    explicit Form_capture_multi_file(Capture_window_setup setup = {});
    ~Form_capture_multi_file() override;

    struct Heat_slot {
        QGroupBox* Frame_capture = nullptr;
        QLineEdit* Text_Heat_ID = nullptr;
        QPushButton *Command_newFile = nullptr, *Command_start = nullptr, *Command_abort = nullptr,
                    *Command_Finish = nullptr;
        QLabel *Label_filename = nullptr, *Label_file_size = nullptr, *Label_heat_time = nullptr,
               *Label_start_time = nullptr;
        QLabel *Lbl_heat_ID = nullptr, *Lbl_file_name = nullptr, *Lbl_file_size = nullptr, *Lbl_elapsed_time = nullptr,
               *Lbl_start_time = nullptr;
        // What the operator should know of the heat's captures; hidden while there is nothing.
        QLabel* Label_note = nullptr;
    };
    std::array<Heat_slot, k_Slots> Slots;
    QLineEdit* Text_Event_name = nullptr;
    QLabel* Lbl_capture_folder = nullptr;
    QPushButton* Command_Capture = nullptr;
    // "Camera 2 is behind: 12 pictures left out" while a capture loses pictures.
    QLabel* Label_capture_status = nullptr;
    QLabel* Label_PC_time = nullptr;
    QLabel* Picture_DV_arm = nullptr;
    Control_box_panel* Frame_Control_box = nullptr;
    QMenuBar* menu_bar = nullptr;
    QMenu* menu_specials = nullptr;
    // One checkable entry per video device; the one in use is checked.
    QMenu* menu_choose_camera = nullptr;
    QAction *item_exit = nullptr, *item_about = nullptr, *item_preview = nullptr, *item_Marathon = nullptr,
            *item_restart_camera = nullptr, *item_stop_camera = nullptr, *item_view_recording = nullptr,
            *item_test_control_box = nullptr, *item_timing_correction = nullptr;

    // The road of a heat.
    void Command_newFile_Click(int16_t slot);
    void Handle_Start_Event(int16_t slot);
    void Handle_Capture_Start(int16_t slot);
    void Handle_Capture_End(int16_t slot);
    void Handle_Abort(int16_t slot);
    void Clear_Heat(int16_t slot);
    void Start_Cam();
    // Every frame of the camera, after the recorder took what it stores of it.
    void DV_event();

    int16_t Active_heat() const { return recorder_->Active_heat(); }
    void Control_box_changed();
    bool Capturing() const { return recorder_->Capturing(); }
    // The box's capture input or the capture button is held down now.
    bool Capture_input_held() const;
    void Set_Active_heat(int16_t slot);
    void Update_File_size(int16_t slot);
    void Update_Heat_Times();
    void Update_PC_Time();
    void Load_capture_folder();
    void Load_Event_name();
    // The recording name of a slot from the folder, the event name, the heat ID and the date.
    std::string Recording_name(int16_t slot) const;

    // Menus, the preview and the settings.
    void item_preview_Click();
    void do_Preview();
    void item_Marathon_Click();
    void Marathon_Unloaded() override;
    void item_stop_camera_Click();
    void item_view_recording_Click();
    void item_test_control_box_Click();
    void item_timing_correction_Click();
    // Takes camera number (as the entries of Choose camera number them) and keeps the choice.
    void item_choose_camera_Click(int16_t number);
    void Lbl_capture_folder_Click();
    // Every second notice while the preview is shown paints the newest frame into it.
    void Paint_Preview();
    int32_t Previews_painted() const { return previews_painted_; }

    cls_Capture* Camera() const { return camera_.get(); }
    Heat_recorder& Recorder() { return *recorder_; }
    Control_box& Box() { return *box_; }
    Frm_progress& Progress() { return *progress_; }

protected:
    // A capture still held is appended before the window goes; the position is kept.
    void Form_Unload() override;
    // Minimising hides the marathon window while its menu entry is checked; restoring shows it.
    void changeEvent(QEvent* event) override;
    // The screen stays awake while the window is shown.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // A click on the capture folder's label chooses another folder.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Recorder_view;
    void Make_recorder();
    void Build_controls();
    void Build_menus(QLayout* layout);
    bool Preview_visible() const;
    void Build_slot(int16_t slot, QWidget* parent);
    void Form_Load();
    bool Valid_slot(int16_t slot) const { return Heat_recorder::Valid_slot(slot); }
    // The recorder's state in the slots' labels, buttons and titles.
    void Show_heats();
    void Show_append_progress(int32_t percent);
    void Show_left_out(int32_t count);
    // The source a camera start takes: the crew's choice among the devices the new camera's
    // server finds, or the first (telling once when the choice is not there).
    int16_t Chosen_source();
    void Show_cameras();

    Capture_window_setup setup_;
    std::unique_ptr<Recorder_view> view_;
    std::unique_ptr<Heat_recorder> recorder_;
    std::unique_ptr<Control_box> box_;
    std::shared_ptr<cls_Capture> camera_;
    std::unique_ptr<Frm_progress> progress_;
    int32_t frame_counter_ = 0;
    int32_t preview_counter_ = 0, previews_painted_ = 0;
    std::vector<Video_device> cameras_;
    Camera_wish camera_wish_;
    bool missing_camera_told_ = false;
    // The camera number chosen from the menu, for the start it causes; 0 otherwise.
    int16_t menu_choice_ = 0;
};

} // namespace wk
