#pragma once
// The road of a heat without a window: each of three slots has its own recording; a slot's
// recording is created with the station's lane geometry, the start signal is written into it,
// the camera's frames are written to it as they come while the capture button is held, and on
// release (or at an abort, a stopped camera, the frame limit, a full disk) the last of them are
// written and the recording's frame count is stored and checked against the file's length.
// Camera frames (it takes them from the camera itself), the control box's inputs and the tick
// drive it; the capture window forwards its buttons to it and shows its state. It never talks to
// the operator and never waits for one: it tells its view what the operator should know, asks it
// to confirm an abort and goes on; the answer comes later. A hold keeps the frames taken between
// its stamped press and release, whenever they are delivered.
#include "capture/Control_box.h"
#include "recording/Recording_problem.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class QTimer;

namespace wk {

class cls_AVI_handler;
class cls_Capture;
class Frame_appender;

// What the recorder tells the window that shows it.
class Heat_recorder_view {
public:
    virtual ~Heat_recorder_view() = default;
    // A slot, the active heat or the capture changed.
    virtual void Heat_changed() {}
    // Appending has reached percent; a negative percent: appending has ended.
    virtual void Append_progress(int32_t percent) { (void)percent; }
    // The box's state changed (for its test panel).
    virtual void Box_changed() {}
    // A start or capture asked for on a slot without a recording.
    virtual void Beep() {}
    // Marathon heats are started on their own window, not here.
    virtual bool Marathon_heats() const { return false; }
    // What the operator should know now (a refusal, a failed write, a stopped camera). Shown
    // without waiting for the operator: it may come from inside a frame's delivery.
    virtual void Notice(const std::string& text) { (void)text; }
    // Puts the abort question to the operator without waiting; the answer goes to the recorder's
    // Abort_answered. No abort without a yes; until then the heat runs on.
    virtual void Ask_abort(int16_t slot, const std::string& question) { (void)slot; (void)question; }
    // The running capture has left out count pictures so far (gaps in its frames' capture
    // times: the camera's server or the disk fell behind); 0 when a capture starts.
    virtual void Pictures_left_out(int32_t count) { (void)count; }
    // A camera frame came and the recorder has taken what it stores of it.
    virtual void Frame_taken() {}
};

// One slot's heat.
struct Heat_state {
    // The recording; it stays named after Finish, for the last captured file.
    std::string file_name;
    std::string heat_id;
    // The recording exists with its header and takes a start and frames.
    bool initiated = false;
    // The start is a flag of its own: a tick of 0 is a tick like any other.
    bool started = false;
    int32_t start_tick = 0;
    // The local time of day of the start, in ms; shown until the next recording.
    int32_t start_local_ms = 0;
    bool aborted = false;
    // Why the camera stopped by itself while this slot was the active one.
    std::string camera_stopped;
    // What the operator should know of the heat's captures.
    std::string note;
    // Pictures left out in the heat's captures, from the gaps in their frames' capture times.
    int32_t left_out = 0;
};

class Heat_recorder final : public Control_box_owner {
public:
    static constexpr int16_t k_Slots = 3;
    // A PAL DV frame; a gap of more than one and a half of them between two kept frames means
    // pictures were left out.
    static constexpr int32_t k_Frame_ms = 40;
    // How long a release waits, at most, for pictures taken before it still on their way.
    static constexpr int32_t k_Release_wait_ms = 2000;

    // max_capture_frames: frames one capture may take; reaching it ends the capture.
    Heat_recorder(Heat_recorder_view& view, int32_t max_capture_frames);
    ~Heat_recorder() override;
    Heat_recorder(const Heat_recorder&) = delete;
    Heat_recorder& operator=(const Heat_recorder&) = delete;

    // The goal line, the lane marks and the display options as the preview saved them, read
    // from the settings into what new recordings are written with: a heat created before the
    // preview is ever opened carries them too.
    static void Load_lanes_and_options();

    // The camera whose frames are stored; null for none. Its per-frame notice and its stop come
    // to the recorder from then on.
    void Camera(std::shared_ptr<cls_Capture> camera);
    cls_Capture* Camera() const { return camera_.get(); }

    // Creates slot's recording, name, in folder for the heat; whether it was made.
    bool New_file(int16_t slot, const std::string& folder, const std::string& heat_id, const std::string& name);
    // The start button: the signal is seen now.
    void Handle_Start_Event(int16_t slot);
    // A signal seen at tick (the box's input, stamped by its driver).
    void Handle_Start_Event(int16_t slot, int32_t tick) override;
    // The capture input went down at tick: the hold keeps the frames taken from then on.
    void Handle_Capture_Start(int16_t slot, int32_t tick) override;
    void Handle_Capture_Start(int16_t slot);
    // The capture input went up at tick: frames taken until then are still kept as they come,
    // until one taken after it comes or the wait runs out; then the capture is appended.
    void Handle_Capture_End(int16_t slot, int32_t tick) override;
    void Handle_Capture_End(int16_t slot);
    // Ends a capture at once with what it has taken (the window going, the camera stopping).
    void End_capture();
    // Asks whether to abort; the heat and any capture go on until the answer.
    void Handle_Abort(int16_t slot);
    // The operator's answer to the abort question about slot: a yes ends a capture into the heat
    // with what it took, then clears the start.
    void Abort_answered(int16_t slot, bool yes);
    bool Asking_abort() const { return asking_abort_; }
    // A release waiting for late frames, and the longest it waits (a test setting).
    bool Releasing() const { return releasing_; }
    void Release_wait_ms(int32_t ms) { release_wait_ms_ = ms; }
    // Finish: the slot takes a new recording next.
    void Clear_Heat(int16_t slot);
    // Every frame of the camera: stored while capturing; then the view is told.
    void DV_event();
    // The camera stopped by itself: what the capture took is appended, the slot marked and the
    // operator told.
    void Camera_stopped(const std::string& reason);

    int16_t Active_heat() const override { return active_heat_; }
    bool Capturing() const override { return capturing_; }
    void Control_box_changed() override { view_.Box_changed(); }
    void Set_Active_heat(int16_t slot);
    const Heat_state& Slot(int16_t slot) const { return slots_.at(size_t(slot)); }
    // For taking a recording up again where the state is set by hand.
    Heat_state& Slot(int16_t slot) { return slots_.at(size_t(slot)); }
    static bool Valid_slot(int16_t slot) { return slot >= 0 && slot < k_Slots; }

private:
    bool Write_new_header(int16_t slot);
    bool Write_start(int16_t slot, int32_t tick, int32_t local_ms);
    bool Write_start_while_held(int16_t slot, int32_t tick, int32_t local_ms);
    bool Open_appender(int16_t slot);
    bool Capture_refused(int16_t slot);
    void End_storing();
    void Hand_over_stored(int32_t taken);
    void Count_left_out(int32_t taken);
    void Keep_left_out(int16_t slot);
    void Append_capture(int16_t slot);
    void Tell_problems();
    void Tell(const std::vector<Recording_problem>& problems);
    void Tell_write_failed(int error, int32_t written, bool counted);
    void Check_frame_count(const std::string& name);
    void Store_frame();
    bool Store_held_frame(int32_t taken);
    void Release_wait_over();
    void Released_without_capture(int16_t slot);
    bool Clear_start(int16_t slot);

    class Frame_receiver;

    Heat_recorder_view& view_;
    int32_t max_capture_frames_;
    // The camera holds it weakly: a frame after the recorder is gone goes nowhere.
    std::shared_ptr<Frame_receiver> receiver_;
    std::unique_ptr<cls_AVI_handler> file_;
    std::shared_ptr<cls_Capture> camera_;
    std::array<Heat_state, k_Slots> slots_{};
    int16_t active_heat_ = 0;
    bool capturing_ = false;
    // The slot the held capture writes into, from its press on.
    int16_t capture_slot_ = 0;
    int32_t captured_ = 0;
    std::unique_ptr<Frame_appender> appender_;
    // The abort question is open, about abort_slot_.
    bool asking_abort_ = false;
    int16_t abort_slot_ = 0;
    // When the capture input went down and up, as stamped where it was seen; frames taken
    // before the press or after the release are not the hold's.
    int32_t press_tick_ = 0, release_tick_ = 0;
    bool releasing_ = false;
    int32_t release_wait_ms_ = k_Release_wait_ms;
    std::unique_ptr<QTimer> release_timer_;
    // The capture time of the newest frame the camera delivered, and of the last one kept.
    bool any_taken_ = false, any_kept_ = false;
    int32_t newest_taken_ = 0, last_kept_ = 0;
    int32_t left_out_ = 0;
};

} // namespace wk
