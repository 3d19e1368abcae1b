#pragma once
// What the frame renderer needs of a recording: frame n's bytes, the capture record of the frame
// read, and the recording's picture facts. The recording object is one; the renderer's tests use
// a source without a file.
#include <cstdint>
#include <span>
#include <string>

namespace wk {
namespace platform {
class Av_frame_bytes;
}

// The facts of the recording that the drawing depends on.
struct Picture_facts {
    bool open = false;                // a file is open
    std::string name;                 // the recording's file name
    int16_t width = 0, height = 0;    // frame size; 0 when the file does not say
    int32_t frame_size = 0;           // bytes of a frame, shown as the decode info
    int32_t num_frames = 0;           // frames of a stream
    int16_t num_streams = 1;
    double ms_per_frame = 40, ms_per_field = 20;
    bool ntsc = false;
    int16_t trimmed_start = 0;        // the first field played (0: from the start)
    std::string codec;                // as the file names it, for a decode that failed
    std::string decoder_codec;        // the decoder the frames need ("" for DV)
    bool fields_at_full_size = false; // fields are shown at 720 x 576 whatever the picture
    bool traces_read_with_fields = false;
};

class Frame_source {
public:
    virtual ~Frame_source() = default;
    virtual const Picture_facts& Facts() const = 0;
    // Reads frame n of a stream into store (clamped to the frame count); false when it could not
    // be read, and then nothing of an earlier frame is left in store.
    virtual bool Read(int32_t frame, int16_t stream) = 0;
    // Leaves no frame in store (a frame past the end was asked for).
    virtual void Forget() = 0;
    // The frame in store (0: none), its stream and its bytes (empty when none).
    virtual int32_t Frame_in_store() const = 0;
    virtual int16_t Stream_in_store() const = 0;
    virtual std::span<const uint8_t> Bytes() const = 0;
    // A copy of frame n's bytes, read without disturbing the frame in store (for the worker that
    // decodes ahead); false when they cannot be had.
    virtual bool Copy_frame(int32_t frame, int16_t stream, platform::Av_frame_bytes& into) = 0;
    // Takes the capture record (the trace points) of the frame in store.
    virtual void Take_capture_record() = 0;
};

} // namespace wk
