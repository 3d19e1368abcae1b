#pragma once
// What the recording object asks of the file it has open, whatever its kind: one reader per
// kind (own format qs1/qs2, raw DV, multi-stream sdv, AVI) answers. The reader is chosen once,
// from the suffix of the file's name; it reads and writes the file of the recording object's
// Recording_file and keeps only what is its kind's own.
#include "recording/Recording_file.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace wk {

class Avi_chunks;
class Avi_frame_index;
class Avi_text_stream;
class Own_format_head;
struct DV_Header_Record;

class Recording_reader {
public:
    explicit Recording_reader(Recording_file& file) : file_(file) {}
    virtual ~Recording_reader() = default;
    Recording_reader(const Recording_reader&) = delete;
    Recording_reader& operator=(const Recording_reader&) = delete;

    // ---- Operations ----
    // Opens the named file, checks it and sets the per-file values (frame size, picture size,
    // timing, frame counts per stream, streams). False (the problem posted) when the file is refused;
    // the owner then closes it.
    virtual bool Open() = 0;
    // Locates and reads frame `frame` (1 to the frame count) of stream `stream` into the frame
    // store; false when it could not be read whole.
    virtual bool Read_frame(int32_t frame, int16_t stream) = 0;
    // Where the bytes of frame `frame` (1 to the frame count) of stream `stream` lie in the file,
    // those that Frame() gives once it is read, without reading it; false where it cannot be told.
    virtual bool Frame_place(int32_t frame, int16_t stream, int64_t& offset, size_t& length) const { return false; }
    // The bytes of the frame in the frame store.
    virtual std::span<uint8_t> Frame();
    // Writes the frame in store back where it was read (exactly its bytes). False where this
    // kind is never written back; raises when it cannot be.
    virtual bool Rewrite_frame() { return false; }
    // Whether frames may be appended, and the append itself: after the last whole frame on
    // disk; end is where the file ends after it.
    virtual bool Allows_append() const { return false; }
    virtual bool Append_frame(std::span<const uint8_t> frame, int64_t& end) { return false; }
    // Rewrites the area of the XML header with text; false where the kind has none.
    virtual bool Write_header_text(const std::string& text) { return false; }
    // The frame count alone, stored where it stands without a journal and without new room on
    // the disk (for a full disk); whether it was.
    virtual bool Write_frame_count(int32_t count) { return false; }
    // Forgets what the reader found in the file just closed.
    virtual void Close() {}
    // Where a header rewrite may change the file: the header area of this kind as the file holds
    // it now; none where the kind has no header.
    virtual Header_area Header_area_of(const platform::Byte_file&) const { return {}; }
    // Opens the recording's file (Recording_file::Open) within this kind's header area.
    bool Open_file(bool read_only_file);

    // ---- What differs by kind ----
    // False for a name of no recording kind: such a file is never opened.
    virtual bool Is_recording_kind() const { return true; }
    virtual bool Is_DV() const;
    virtual bool Has_XML_header() const { return false; }
    virtual bool Has_DV_header() const { return false; }
    // Whether the frames carry the capture station's extra-data record.
    virtual bool Keeps_extra_data() const { return false; }
    // Whether a trace record may be written into the frame in store.
    virtual bool Frame_has_trace_room() const { return true; }
    // Whether the field drawing reads the frame's trace record.
    virtual bool Traces_read_with_fields() const { return false; }
    // Whether the recording is played field by field.
    virtual bool Plays_fields() const { return false; }
    virtual bool Can_rotate() const { return true; }
    virtual int16_t Trimmed_start() const { return file_.frame_selection_start; }
    // The codec the decoder is made for; empty for the DV decoder.
    virtual std::string Decoder_codec() const { return {}; }
    // Whether fields are drawn at their full size instead of scaled to the picture.
    virtual bool Fields_at_full_size() const { return false; }

    // ---- Faces of one kind (nullptr for the others) ----
    // The own format's 20-byte head.
    virtual Own_format_head* Own_head() { return nullptr; }
    // The DV header record that opens an sdv file.
    virtual DV_Header_Record* DV_record() { return nullptr; }
    // An AVI's chunks, its indexes and its text stream.
    virtual Avi_chunks* Chunks() { return nullptr; }
    virtual Avi_frame_index* Frame_index() { return nullptr; }
    virtual Avi_text_stream* Text_stream() { return nullptr; }

protected:
    // Reads the frame where Frame_place finds it into the frame store, as a frame of stream
    // `stored`.
    bool Read_placed_frame(int32_t frame, int16_t stream, int16_t stored);

    Recording_file& file_;
};

// The reader for files with this suffix (compared without regard to case); a reader that opens
// nothing for a suffix of no recording kind.
std::unique_ptr<Recording_reader> Make_recording_reader(const std::string& suffix, Recording_file& file);

} // namespace wk
