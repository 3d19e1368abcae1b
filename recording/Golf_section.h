#pragma once
// The recording object's golf use: the swing's player and positions and its grade record, kept in
// the XML header, and the model video played in step with the recording, with the model player's
// own state (its frame offset and base time).
#include <cstdint>
#include <string>

namespace wk {

class Cls_XML_header;
class Recording_port;

class Golf_section {
public:
    explicit Golf_section(Recording_port& port) : port_(port) {}

    // The golf section and the grade record live in the XML header (made with Golfing set).
    // Setters that return bool rewrite the header into the file and say whether it was
    // written; the others change it in memory only. A header without the section raises.
    // Frame and field numbers are 32-bit so that long recordings do not overflow.
    void Golfing(bool on); // the next header made carries the golf section
    bool Has_weight_data();
    std::string Player_Comment();
    bool Update_Player_Comment(int16_t index, const std::string& text); // index is not used
    int32_t Impact_field();
    int32_t Top_field();
    // Own-format recordings take the field last drawn (Current_Field) as the impact (top of
    // swing) field; every kind rewrites its header.
    bool Set_Impact_Frame();
    bool Set_Top_Frame();
    std::string Club_Speed() const { return {}; }

    // The model video played in step with the recording (stream 1 of the header).
    float model_size_factor();
    int16_t model_X_offset();
    int16_t model_Y_offset();
    std::string Model_FileName();
    // An open AVI whose first 1000 bytes hold the mark "IMP" (exact case) carries a model;
    // impact_pos is the mark's 1-based position there, 0 without one or for other kinds.
    bool Has_Model() const { return impact_pos() > 0; }
    int16_t impact_pos() const;
    int32_t Impact_Time() const; // impact_pos x ms per frame
    int16_t Model_frame_at_Impact() const { return 0; }
    int16_t model_Frame() const { return 0; }
    int16_t Weight_percent() const { return 0; }
    int16_t Video_Offset() const { return video_offset_; }
    void Video_Offset(int16_t frames) { video_offset_ = frames; }
    // The model frame shown with recording frame `frame`: shifted by Video_Offset, kept inside
    // 1..num_frames (1 when the recording has no frames).
    int32_t Synch_model(int32_t frame) const;
    // The frame (deinterlaced recordings) or field at t ms from the start of the selection: the
    // inverse of the effective time, t / ms per frame (field) + 1 rounded, halves to even.
    // Deinterlaced, it becomes eff_frameno too. False (reported) when it cannot be computed.
    bool Synch_time(double t, int32_t& frame);
    // The frame (deinterlaced) or field at p percent of the recording.
    int32_t Synch_percentage(double p);
    // Player times count from the base time: the player time when it was set on, else 0.
    void Set_Base_time(bool on);
    bool has_Base_Time() const { return base_time_ != 0; }
    float Player_Effective_Time() const;
    // The AVI's player time from the base time (0 from other kinds).
    float Player_Time() const;
    int32_t Effective_time() const;     // Effective_Time rounded, halves to even
    std::string Formatted_Time() const; // Effective_time in seconds, "0.00", whatever the locale

private:
    Cls_XML_header& Header();

    Recording_port& port_;
    int16_t video_offset_ = 0;
    float base_time_ = 0;
};

} // namespace wk
