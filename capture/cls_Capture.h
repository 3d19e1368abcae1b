#pragma once
// One camera of the capture station. It owns a capture server object, takes every DV frame the
// server hands it on the GUI thread, stamps it with the frame's times, tells its owner, and keeps
// the frames the owner asks it to store: in a fixed ring, or in an open list while the capture
// button is held.
//
// The server holds only a small sink that points back here; the camera is ended by its owner's
// last reference, after Shutdown has stopped the server and unadvised the sink.
#include "capture/CVideobuff.h"
#include "capture/Camera_choice.h"
#include "capture/DV_Extra_Data_Composite.h"
#include "capture_server/IVideoCap.h"
#include "comlite/Com_ptr.h"
#include "services/Module_qsm_Globals.h"

#include <QImage>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wk {

namespace platform {
class Av_frame_decoder;
}
class cDIBSection;
class cls_Capture_sink;

// The capture window's side of the per-frame notice (Event_Target 97).
class Capture_frame_receiver {
public:
    virtual ~Capture_frame_receiver() = default;
    virtual void DV_event() = 0;
    // The camera stopped by itself (unplugged, its source failing); no frame follows.
    virtual void Camera_stopped(const std::string& reason) { (void)reason; }
};

class cls_Capture final : public Active_capture {
public:
    // Receivers of the per-frame notice.
    enum : int16_t { Target_none = 96, Target_window = 97, Target_event = 98, Target_event_2 = 99 };
    static constexpr int32_t k_Frame_bytes = k_DV_frame_size;

    // Creates the capture server through comlite (or takes the one given) and advises it;
    // raises error 429 when the server cannot be created.
    explicit cls_Capture(com::Com_ptr<IVideoCap> server = {});
    ~cls_Capture() override;
    cls_Capture(const cls_Capture&) = delete;
    cls_Capture& operator=(const cls_Capture&) = delete;

    // What the services use.
    void Stop_Capture() override;
    int32_t Buff_num() override;
    // Stored frame n (1-based, oldest first, the ring before the list); any other n raises
    // err_Subscript.
    uint8_t* get_Buffaddr(int32_t n) override;
    void Let_Goal_offset(int16_t ms) override { goal_offset_ = ms; }

    // Stops the server and unadvises; afterwards no frame reaches this object. Safe to repeat.
    void Shutdown();

    // Selects video source n (1-based); whether the server found it.
    bool Set_Video_Source(int16_t source, bool linear);
    // The video devices this camera's server finds, numbered as Set_Video_Source takes them.
    // None while running: listing chooses each device in turn. Set the source afterwards.
    std::vector<Video_device> Video_devices();
    void Advise();
    void UnAdvise();
    void Capture_Run();
    void Capture_resume();
    void Pause_capture();

    void Clear_Buffers();
    void Clear_Linear_Buffer();
    // The frames of the linear list, oldest first; the list is empty after it.
    std::deque<CVideobuff> Take_linear() { return std::exchange(linear_, {}); }
    void Clear_Collections();
    bool Post_linear() const { return post_linear_; }
    void Post_linear(bool linear);
    int32_t MaxFrames() const { return max_frames_; }
    // Resizes the ring to n frames (none for 0) and empties it; a negative n raises err_Subscript.
    void MaxFrames(int32_t n);
    int16_t Event_Target() const { return event_target_; }
    // A target outside 96..99 raises err_Invalid_argument and the old one stays.
    void Event_Target(int16_t target);

    // Stores the frame last received into the ring or the list; false when nothing was stored
    // (no frame yet, or a ring store without a ring).
    bool Store_Buffer();
    // The record's time and heat fields for the frame that just came; frame_tick is the time the
    // frame reached the server.
    void Write_timeStamp();
    void Write_Extra_Timestamps(int32_t frame_tick);
    // The fields' own times where a camera stamped its pictures; otherwise the record says the
    // frame's time is read on the frame grid.
    void Write_field_times(const DV_frame_times* times);
    // Writes the record into the frame buffer.
    void Insert_DV_Extra();
    // The record the next stored frame gets (its fields as the last frame left them).
    const Capture_record& Record() const { return record_; }
    // The same as the bytes a stored frame holds.
    DV_Extra_Data_Composite Extra_data() const { return DV_Extra_Data_Composite(record_); }

    // The frame callback, from the sink: with the fields' times where the server gives them,
    // else the tick the sample reached the server.
    void On_DV_frame(std::span<const uint8_t> sample, std::optional<int32_t> sample_tick,
                     const DV_frame_times* times = nullptr);
    // A picture the server gave in a form other than DV: shown by nothing here, stored by nothing.
    void On_RGB_picture();
    // Pictures that cannot be stored are arriving and not one whole DV frame has come since the
    // camera started: a capture would take nothing. Judged after a few pictures, so that a camera
    // whose first DV frame comes a moment after its first picture is not judged too soon.
    bool Pictures_unrecordable() const;
    static constexpr int32_t k_Pictures_to_judge = 10;
    // The server's notice that the source stopped by itself: the camera stops, keeps the reason
    // as its last error and tells the capture window.
    void On_source_stopped(const std::string& reason);

    // Draws a frame into picture (see the capture window's preview). Modes 3 (newest) and 4
    // (oldest in the ring) scale to the picture; any other mode draws stored field frame_number
    // deinterlaced and turned, unscaled at x_position.
    void Display_frame2(QImage& picture, int32_t mode, bool newest, int32_t frame_number, bool rotate,
                        bool whole_frame, bool line_doubling, int32_t x_position);
    // The running arm, one turn per 100 frames; its colour (blue, red while capturing).
    int32_t Draw_Running_Arm_2(QImage& picture);
    static void Calculate_field(int32_t n, int32_t& frame, int16_t& field);

    void Get_Camera_Position();
    std::string sourceId();
    std::string FriendlyName() const { return Server_property("sourceFriendlyName"); }
    std::string Description() const { return Server_property("sourceDescription"); }
    std::string DevicePath() const { return Server_property("sourceDevicePath"); }
    // Recording frames the server could not hand on because its queue was full: counted, never
    // delivered.
    int64_t Dropped_samples() const;
    // A camera's pictures in no frame this camera was given (the encoder or this thread fell
    // behind by more than the server may hold), since the camera started.
    int64_t Pictures_left_out() const;
    void Heat_Start_Milltime(int32_t tick);
    void Hit_Detected() { hit_ = 1; }

    // Class event (Event_Target 98 and 99): frames received and the tick of the last one.
    std::function<void(int32_t& dv_events, int32_t& dv_time)> DV_Event;
    // The capture window for Event_Target 97; once it is gone, frames are not passed on.
    void Capture_window(std::weak_ptr<Capture_frame_receiver> window) { window_ = std::move(window); }

    // Plain values.
    const std::string& ID_string() const { return id_string_; }
    void ID_string(std::string id) { id_string_ = std::move(id); }
    int16_t Index() const { return index_; }
    void Index(int16_t index) { index_ = index; }
    int16_t Source() const { return source_; }
    bool Found_source() const { return found_source_; }
    const std::string& Last_Error() const { return last_error_; }
    bool Running() const { return running_; }
    bool Paused() const { return paused_; }
    int32_t DV_events() const { return dv_events_; }
    int32_t DV_time() const { return dv_time_; }
    int16_t Ping() const { return ping_; }
    bool Buffer_Filled() const { return buffer_filled_; }
    int32_t Highest_Object() const { return highest_object_; }
    int32_t Oldest_video_object() const { return oldest_; }
    int32_t Video_array_num() const { return ring_index_; }
    int32_t num_Buffers_stored() const { return stored_count_; }
    int32_t Video_Buff_len() const { return video_buff_len_; }
    int16_t Camera_position() const { return camera_position_; }
    void Clear_Camera_position() { position_known_ = false; }
    bool rotated() const { return rotated_; }
    int32_t Heat_Start_Time() const { return heat_start_; }
    int16_t Lap_Count() const { return lap_count_; }
    void Lap_Count(int16_t n) { lap_count_ = n; }
    int16_t Goal_offset() const { return goal_offset_; }
    int16_t Split_offset() const { return split_offset_; }
    void Split_offset(int16_t ms) { split_offset_ = ms; }
    int32_t Get_model_frame() const { return model_frame_; }
    void model_Frame(int32_t n) { model_frame_ = n; }
    int16_t Tolv_Camera() const { return record_.tolv_camera; }
    void Tolv_Camera(int16_t n) { record_.tolv_camera = n; }
    // Values a caller may keep on the camera; the camera itself never reads them.
    int32_t TimeStamp() const { return time_stamp_; }
    void TimeStamp(int32_t ms) { time_stamp_ = ms; }
    int32_t Highest_Video_object() const { return highest_video_object_; }
    void Highest_Video_object(int32_t n) { highest_video_object_ = n; }
    int16_t Tolv_Position() const { return tolv_position_; }
    void Tolv_Position(int16_t n) { tolv_position_ = n; }
    void Is_Firstboat(bool first) { first_boat_ = first; }
    bool Weight_Linear() const { return weight_linear_; }
    bool Display_half() const { return display_half_; }
    void Display_half(bool half) { display_half_ = half; }
    bool flip() const { return flip_; }
    void flip(bool f) { flip_ = f; }
    void Set_display_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { rect_ = {x1, y1, x2, y2}; }
    void Clear_display_rect() { rect_ = {}; }
    int32_t Width() const { return rect_.x2 - rect_.x1; }
    int32_t Height() const { return rect_.y2 - rect_.y1; }
    const std::vector<uint8_t>& Frame_buffer() const { return frame_; }
    // Samples refused for their size, and frames for a capture window that was gone.
    int32_t Refused_samples() const { return refused_samples_; }
    int32_t Late_frames() const { return late_frames_; }

    // The frame buffer as the last frame left it; empty before the first frame. It stays valid
    // while the camera lives, and the next frame overwrites it.
    std::span<const uint8_t> Get_last_Buffaddr() const;
    // The ring's bytes, MaxFrames x 144000, slot k at (k - 1) x 144000; empty without a ring.
    // Valid until the next MaxFrames.
    std::span<const uint8_t> Video_Array_Adress() const;
    int64_t Video_Array_Len() const;
    // Whether the ring is dimensioned for MaxFrames frames.
    bool Validate_Array() const;
    // Takes frame into the frame buffer as if it had just come (bytes past one frame are left);
    // a frame shorter than 144000 bytes is refused and the buffer keeps what it held.
    bool Copy_Into_Buffer(std::span<const uint8_t> frame);
    // Runs source until one frame has come, at most about a second; whether it came. The frame
    // is then in the frame buffer. Refused while the camera runs.
    bool DV_One_Shot(int16_t source);
    // Stops and unadvises the server and takes a new one (created when none is given); it is
    // advised at the next Capture_Run, after Set_Video_Source. On failure the old one stays.
    void Reset_Vidcap(com::Com_ptr<IVideoCap> server = {});
    // Shutdown, and the ring and list freed; the object stays counted until it is destroyed.
    void Ext_terminate();
    // Stops and unadvises the server and drops it; the camera then has no source.
    void xDelete_ocapture();
    // The display rectangle as "x1,y1,x2,y2", each at least three digits.
    std::string Set_Display_Rect() const;
    // Takes the rectangle from that text; anything else, or x2 < x1 or y2 < y1, is refused and
    // the rectangle stays.
    bool Set_Display_Rect(std::string_view text);

    // Stops the camera and lets the server give up its device; no source until Set_Video_Source.
    void Release_source();
    // "Filling <frames in the ring>/<MaxFrames> buffer" in Times on white, while the ring fills.
    void Display_Fill_Mess(QImage& picture) const;

    // For trying the list's memory: n placeholder frames (every byte 23, so not valid DV) added
    // to the list, numbered on from its length; and the list emptied again.
    void Test_Add_buffers(int32_t n);
    void Test_Empty_collection() { Clear_Linear_Buffer(); }

    // Values the owner keeps here for itself.
    struct Owner_values {
        int16_t Preview_Factor = 1, X_margin = 0, Frame_time = 40, my_Player = 0;
        int16_t Weight_percent = 0, Weight_low = 0;
        bool Do_log_time = false, Raise_DV_events = false, Follow_me = false, Store_by_Default = false;
    } Owner;

private:
    struct Rect {
        int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    };
    // A new capture server through comlite; raises error 429 when none can be made.
    static com::Com_ptr<IVideoCap> Create_server();
    std::string Server_property(const std::string& name) const;
    std::string Server_error() const;
    void Route_frame();
    bool Store_in_ring();
    void Store_in_list();
    int32_t Ring_slot(int32_t n) const;
    uint8_t* Ring_frame(int32_t slot) { return ring_.data() + int64_t(slot - 1) * k_Frame_bytes; }
    std::span<const uint8_t> Display_source(int32_t mode, bool newest);
    void Draw_scaled(QImage& picture, std::span<const uint8_t> frame, bool rotate, bool whole, bool doubling);
    void Draw_field(QImage& picture, int32_t field_number, int32_t x_position);
    bool Decode(std::span<const uint8_t> frame);

    // The server and the sink it calls; both null after Shutdown.
    com::Com_ptr<IVideoCap> server_;
    com::Com_ptr<cls_Capture_sink> sink_;
    uint32_t cookie_ = 0;
    std::string last_error_;
    bool found_source_ = false;
    int16_t source_ = 0;
    std::string source_id_;
    int16_t camera_position_ = 0;
    bool position_known_ = false;
    bool rotated_ = false;
    bool running_ = false;
    bool paused_ = false;
    int16_t event_target_ = Target_none;
    bool one_shot_wanted_ = false, one_shot_done_ = false;
    int16_t ping_ = 0;
    int32_t dv_events_ = 0;
    bool frame_received_ = false;
    // Since Capture_Run: whole DV frames taken, and pictures that could not be (RGB, short DV).
    int32_t frames_taken_ = 0, unrecordable_pictures_ = 0;
    std::vector<uint8_t> frame_ = std::vector<uint8_t>(k_Frame_bytes);
    int32_t dv_time_ = 0;
    Capture_record record_;

    int32_t max_frames_ = 0;
    std::vector<uint8_t> ring_;
    int32_t ring_index_ = 0;
    bool buffer_filled_ = false;
    int32_t oldest_ = -1;
    int32_t highest_object_ = 0;
    int32_t time_stamp_ = 0, highest_video_object_ = 0;
    int16_t tolv_position_ = 0;
    int32_t stored_count_ = 0;
    bool post_linear_ = false;
    std::deque<CVideobuff> linear_;
    int32_t video_buff_len_ = 0;

    bool heat_started_ = false;
    int32_t heat_start_ = 0;
    int16_t lap_count_ = 0, goal_offset_ = 0, split_offset_ = 0, hit_ = 0;
    int32_t model_frame_ = 0;
    bool first_boat_ = false;
    std::string id_string_;
    int16_t index_ = 0;
    bool weight_linear_ = false;
    bool display_half_ = false;
    bool draw_toggle_ = false;
    bool flip_ = false;
    Rect rect_;
    int32_t refused_samples_ = 0;
    int32_t late_frames_ = 0;
    std::weak_ptr<Capture_frame_receiver> window_;

    // The pictures the frames are decoded, turned and deinterlaced in.
    std::unique_ptr<platform::Av_frame_decoder> decoder_;
    std::unique_ptr<cDIBSection> picture_, field_picture_, turned_picture_;
    const uint8_t* last_decoded_ = nullptr;
    int32_t decoded_at_store_ = 0;
};

// Stops and drops the camera in g_Capture (errors ignored) and puts a new one there; the new
// camera, or null when none could be made (reported).
std::shared_ptr<cls_Capture> Restart_Camera();

} // namespace wk
