#pragma once
// What a section of the recording object may ask of the recording it belongs to: the open file
// with what its reader found and its header, and the frame on show. The recording object
// implements it; a test gives a section a fake one.
#include "recording/Capture_record.h"

#include <cstdint>
#include <span>

namespace wk {
namespace platform {
class Byte_file;
}

class Cls_XML_header;
class Recording_reader;
struct Recording_file;

class Recording_port {
public:
    // The shared state: the file, what was read of it, its header (made on first use).
    virtual Recording_file& File() = 0;
    virtual const Recording_file& File() const = 0;
    // Rewrites the header into the file; false when it was not written (the problem is posted).
    virtual bool Store_header() = 0;
    // The reader of the file's kind (one that opens nothing while no file is named).
    virtual Recording_reader& Reader() const = 0;
    // Writes the DV header record that keeps an sdv recording's selection; false when it was not.
    virtual bool Store_dv_record() = 0;
    // The selection changed: the fields to play are counted again.
    virtual void Fields_changed() = 0;
    // Kind of the file's drive (5: CD/DVD).
    virtual int32_t Drive_type() const = 0;

    // The frame on show: its capture record (all zero when it has none), its own time stamp
    // (false when it has none), how long after that stamp its second field was taken (ms), and
    // the field (1 or 2) last drawn.
    virtual Capture_record Frame_record() const = 0;
    virtual bool Frame_stamp(int32_t& stamp) const = 0;
    virtual int32_t Second_field_ms() const = 0;
    virtual int16_t Field_shown() const = 0;
    // Whether the frames of this kind carry a capture record (the own format and sdv do).
    virtual bool Frames_carry_records() const = 0;
    // What the traces ask of the frame in store: its bytes as read, the bytes where a trace
    // record may be written (empty where the frame has no room for one), another frame read into
    // store (false when it could not be), and the frame in store written back where it was read
    // (false where this kind of recording is not written back).
    virtual std::span<const uint8_t> Frame_bytes_read() const = 0;
    virtual std::span<uint8_t> Frame_record_room() = 0;
    virtual bool Load_frame(int32_t frame, int16_t stream) = 0;
    virtual bool Write_frame_back() = 0;

    // What the swing asks: the field last drawn, the time drawn (ms), the AVI's player time (0
    // for other kinds), whether the file keeps the swing's fields (the own format does), the
    // open file when it is an AVI (the kind that carries a model; nullptr otherwise), and a
    // frame found by time or percentage, which becomes the effective frame.
    virtual int32_t Field_drawn() const = 0;
    virtual float Time_drawn() const = 0;
    virtual float Avi_player_time() const = 0;
    virtual bool Keeps_swing_fields() const = 0;
    virtual const platform::Byte_file* Model_file() const = 0;
    virtual void Frame_found(int32_t frame) = 0;

protected:
    ~Recording_port() = default;
};

} // namespace wk
