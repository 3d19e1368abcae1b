#pragma once
// A test bench for writing live DV frames straight into a recording: while Command1 is held,
// every frame the camera tells of is appended to the recording; on release the recording is
// closed and the count shown.
#include "platform/Form_window.h"
#include "recording/Capture_record.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace wk {

class cls_AVI_handler;

// What the window needs of the capture object that tells it of each stored frame.
class DV_frame_source {
public:
    virtual ~DV_frame_source() = default;
    // The frame just stored (144000 bytes); empty when there is none.
    virtual std::span<const uint8_t> Last_DV_frame() = 0;
};

class Form_test_direct_write final : public platform::Form_window {
public:
    static constexpr size_t k_Frame_size = 144000;
    static constexpr size_t k_Extra_size = capture_record::Size;

    Form_test_direct_write();

    QLabel* lbl_DV_events;
    QLabel* Lbl_Heat_time;
    QLabel* Lbl_DV_frames;
    QLabel* Lbl_file_size;
    QLabel* Label2;
    QLabel* Label3;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Cmd_newfile;
    QPushButton* Cmd_start;
    QLineEdit* Text_Filename;
    QLineEdit* Text_Corrected_Start_Time;
    QLineEdit* Text_Heat_start;
    std::array<QGroupBox*, 3> Frm_heat;

    // The recording the frames go into and the camera that tells of them. The window writes
    // nothing until it has both.
    void Set_recording(std::shared_ptr<cls_AVI_handler> recording) { recording_ = std::move(recording); }
    void Set_frame_source(DV_frame_source* source) { source_ = source; }

    void Update_File_size();
    // The camera's notice of a stored frame.
    void DV_event();
    void Update_Labels();
    void Initialize_DV_extra();
    // Opens the named recording for appending when it is not open; refuses to write without a
    // recording and a camera.
    void Command1_MouseDown();
    void Command1_MouseUp();
    void Form_Load();
    // Makes a new own-format recording under the name in Text_Filename.
    void Cmd_newfile_Click();

    bool Writing() const { return writing_; }
    // Frames appended while the button was last held.
    int32_t Frames_written() const { return frames_written_; }
    int32_t Last_timecode_frame() const { return timecode_frame_; }
    int32_t Last_frame_tick() const { return frame_tick_; }
    std::span<const uint8_t> DV_extra() const { return extra_; }

private:
    void Append_frame(std::span<const uint8_t> frame);
    bool Open_recording();
    // Shows what the recording met since it was last asked, one message each.
    void Tell_problems();

    std::shared_ptr<cls_AVI_handler> recording_;
    DV_frame_source* source_ = nullptr;
    bool writing_ = false;
    int32_t events_ = 0;
    int32_t frames_written_ = 0;
    int32_t timecode_frame_ = 0;
    int32_t frame_tick_ = 0;
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(k_Frame_size);
    std::array<uint8_t, k_Extra_size> extra_{};
};

} // namespace wk
