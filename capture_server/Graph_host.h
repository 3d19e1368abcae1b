#pragma once
// What a capture graph may do to the object it works for.
#include "capture_server/Media_type.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace wk {

enum class Sample_kind { dv, rgb, audio };

// The moments a frame's two fields were taken, as the program's ticks, and how many of a
// camera's pictures the frame holds (2: one in each field; 1: one in both).
struct Encoded_times {
    int32_t first_tick = 0, second_tick = 0;
    int32_t pictures = 1;
};

class Graph_host {
public:
    // From any thread: a copy of the sample goes to the sinks on the object's creating thread.
    // Dropped when the object is not running. taken_tick: the program's tick at the moment the
    // sample was taken, where the graph knows it; otherwise the moment it is posted.
    virtual void Post_sample(Sample_kind kind, double sample_time, std::span<const uint8_t> bytes,
                             std::optional<int32_t> taken_tick = std::nullopt) = 0;
    // From any thread: a DV frame the graph encoded from a camera's pictures, with the times
    // those pictures were taken (the program's ticks) and how many pictures it holds.
    virtual void Post_frame(double sample_time, std::span<const uint8_t> bytes, const Encoded_times& times) = 0;
    // From any thread: a sample of the kind was lost inside the graph.
    virtual void Count_lost(Sample_kind kind) = 0;
    // From any thread: pictures of a camera left out before they became a frame (the graph fell
    // behind by more than its buffer holds, or a frame could not be encoded).
    virtual void Count_left_out(int32_t pictures) = 0;
    // From any thread: whether a sink wants the RGB pictures of a camera the graph encodes.
    virtual bool Preview_wanted() const = 0;
    // From any thread, once the graph runs: it stopped by itself (an error or the end of its
    // stream); the reason says why.
    virtual void Graph_stopped(const std::string& reason) = 0;
    // The calls below come on the creating thread, while the graph is built or started.
    // Kept only when no error is recorded yet, so that the first cause is the one reported.
    virtual void Record_error(const std::string& text) = 0;
    virtual void Set_connected_media_type(const Media_type& type) = 0;
    // The graph grabs RGB frames: the client reads it from the "RGB" property.
    virtual void Set_rgb() = 0;
    // How the graph records a camera without DV, for the "CameraMode" property.
    virtual void Set_camera_mode(const std::string& text) = 0;

protected:
    ~Graph_host() = default;
};

} // namespace wk
