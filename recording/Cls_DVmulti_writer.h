#pragma once
// Writes the stored frames of several cameras into one multi-stream DV recording (.sdv): the DV
// header record at the start, then frame 1 of every camera in turn, frame 2 of every camera, ...
// The recording object reads what this writes.
#include "platform/Raw_file.h"
#include "recording/DV_Header_Record.h"
#include "recording/Recording_format.h"
#include "recording/Recording_problem.h"
#include "services/Module_qsm_Globals.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace wk {

class Cls_DVmulti_writer {
public:
    using Cameras = std::vector<std::shared_ptr<Active_capture>>;
    static constexpr int32_t k_Frame_size = recording_format::k_DV_frame_size;
    // The recording object opens no more streams than this.
    static constexpr int32_t k_Max_streams = 5;

    Cls_DVmulti_writer();
    ~Cls_DVmulti_writer();
    Cls_DVmulti_writer(const Cls_DVmulti_writer&) = delete;
    Cls_DVmulti_writer& operator=(const Cls_DVmulti_writer&) = delete;

    // Writes frames 1 .. n of every camera, n the smallest count any camera holds. Without
    // appending the file is made anew; with appending the frames go after the last whole set of
    // frames already in the file, and the file's record (its heats and race fields) becomes the
    // writer's, with the new frame count. The file is closed
    // afterwards, also after a failure. False when the frames could not all be written.
    bool Write_DV_streams2(const Cameras& cameras, bool appending);

    // Notes the tick the heat started at.
    void Set_Heat_start();
    int32_t Heat_start_tick() const { return heat_start_tick_; }
    // Heat entries 0..3; another index raises a subscript error.
    void Heat_ID(int16_t heat, const std::string& id);
    void Heat_Start(int16_t heat, int32_t ms);
    int32_t Heat_Start_Correction(int16_t heat) const;

    void filename(const std::string& path) { file_name_ = path; }
    std::string filename() const { return file_name_; }
    int64_t File_size() const;
    void Close_File();
    // 0 while no file is open.
    int16_t file_num() const { return file_number_; }
    void Trigger() {}

    // The record written at the start of the file. Its race fields (goal line, lanes, event name,
    // capture time) are the caller's; the writer fills the counts, heats and frame indexes.
    DV_Header_Record& DV_header() { return record_; }

    // Display settings, held for the caller; none of them goes into the file.
    struct Display_settings {
        int16_t Start_Cam = 0, Club_Speed = 0, rotated = 0, Lanes_flipped = 0, Lanes_locked = 0, Show_goalline = 0;
        Goal_line_coords goal_line;
        std::string Player_name, Company_name, Model_FileName, DV_Comment_Text;
    };
    Display_settings& Settings() { return settings_; }
    void Start_Cam(int16_t v) { settings_.Start_Cam = v; }
    void Club_Speed(int16_t v) { settings_.Club_Speed = v; }
    void Player_name(const std::string& v) { settings_.Player_name = v; }
    void Company_name(const std::string& v) { settings_.Company_name = v; }
    void Model_FileName(const std::string& v) { settings_.Model_FileName = v; }
    void DV_Comment_Text(const std::string& v) { settings_.DV_Comment_Text = v; }
    void rotated(int16_t v) { settings_.rotated = v; }
    void Lanes_flipped(int16_t v) { settings_.Lanes_flipped = v; }
    void Lanes_locked(int16_t v) { settings_.Lanes_locked = v; }
    void Show_goalline(int16_t v) { settings_.Show_goalline = v; }
    void goal_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { settings_.goal_line = {x1, y1, x2, y2}; }

    // Raised with 10, 20 ... 100 as the frames are written (each value once per call).
    std::function<void(int16_t percent)> Progress;
    // Where a frame without the capture station's record is told, once a file.
    Recording_problems Problems;

private:
    struct Frame_marks {
        int32_t first_hit = 0;  // buffer index of the first frame with a finish hit
        int32_t first_boat = 0; // field index of the last frame marked as the first boat
        bool record_missing_told = false;
    };
    void Check_cameras(const Cameras& cameras) const;
    static int32_t Frames_held(const Cameras& cameras);
    void Open(bool appending);
    int64_t Start_new_file(int32_t streams);
    int64_t Start_appending(int32_t streams);
    void Write_frame(Active_capture& camera, int32_t index, int64_t position, Frame_marks& marks);
    void Note_frame_marks(std::span<const uint8_t> frame, int32_t index, Frame_marks& marks);
    void Tell_progress(int32_t index, int32_t frames, int16_t& last_percent);
    void Store_frame_marks(const Frame_marks& marks);
    void Write_record(const DV_Header_Record& record);
    DV_Header_Record::Heat_entry& Heat(int16_t heat);
    const DV_Header_Record::Heat_entry& Heat(int16_t heat) const;

    DV_Header_Record record_;
    Display_settings settings_;
    std::string file_name_;
    platform::Raw_file file_;
    int16_t file_number_ = 0;
    int64_t length_at_open_ = 0;
    int32_t heat_start_tick_ = 0;
};

} // namespace wk
