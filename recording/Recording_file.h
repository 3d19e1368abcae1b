#pragma once
// The open recording file and what its reader found in it: the values every kind of recording
// has (frame size, picture size, timing, frame counts, streams) and the frame just read. The
// recording object owns it; the reader of the file's kind fills it.
#include "platform/Byte_file.h"
#include "recording/Header_journal.h"
#include "recording/Recording_format.h"
#include "recording/Recording_problem.h"

#include <array>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wk {

class Cls_XML_header;

// One video stream of a recording, from the header's stream records.
struct Stream_Info_Record {
    bool Active = false;
    bool rotated = false;
    int16_t CameraPos = 0;
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    int16_t Width = 0, Height = 0;
};

// 40-byte bitmap format, as the decoder is told what it gets and what it gives.
struct Bitmap_format {
    int32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    int16_t biPlanes = 1;
    int16_t biBitCount = 0;
    int32_t biCompression = 0;
    int32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    int32_t biClrUsed = 0;
    int32_t biClrImportant = 0;
};

struct Recording_file {
    static constexpr int32_t k_DV_frame_size = recording_format::k_DV_frame_size;

    Recording_file();
    ~Recording_file();
    Recording_file(const Recording_file&) = delete;
    Recording_file& operator=(const Recording_file&) = delete;

    // The header object, created on first use.
    Cls_XML_header& Header();
    // Opens the named file itself, read-only when it may not be written; false (the problem
    // posted) when it cannot be opened. A header rewrite that was interrupted is settled first,
    // inside the header area that area finds in the file.
    bool Open(bool read_only_file, const Header_area_finder& area);
    // Opens the named file for reading and writing without a word; raises when it cannot be.
    void Open_for_writing(const Header_area_finder& area);
    // A new file number for the file just opened.
    void Take_file_number();
    // Reads the stream records of the header into streams.
    void Read_stream_info();
    // Fields of the whole recording: frames shown whole (not split into fields) count one each.
    // In 64 bits, held to what 32 bits can count.
    int32_t Gross_fields() const
    {
        const int64_t n = is_deinterlaced ? int64_t(num_frames) : 2 * int64_t(num_frames);
        return int32_t(std::clamp<int64_t>(n, 0, INT32_MAX));
    }
    // Writes n bytes of the frame in store back at offset; raises when the file may not be
    // written or the write fails.
    void Write_back(int64_t offset, const uint8_t* bytes, size_t n);
    // Raises unless the recording may be written.
    void Check_writable() const;
    // The values of 720 x 576 DV frames at 25 a second, in `streams` streams, and the frame
    // buffers for them.
    void Take_PAL_DV_values(int16_t streams);
    // NTSC runs at 30000/1001 frames a second: a frame lasts 1001/30 ms and a field 1001/60 ms,
    // whatever whole number a file's own header rounds them to. The rate shown stays 30.
    void Take_NTSC_timing();
    // Milliseconds from the start of the recording to the start of frame n (from 0), to the
    // nearest whole millisecond.
    int64_t Frames_ms(int64_t n) const;
    // Forgets the values of the file just closed.
    void Forget();

    platform::Byte_file file;
    int16_t file_number = 0;
    std::string name;
    int16_t index = 0;           // the player slot, for the global file kinds
    bool read_only = false;
    std::unique_ptr<Cls_XML_header> header;
    // What went wrong with the file, for the recording's owner.
    Recording_problems problems;

    // ---- What the reader found ----
    int32_t frame_size = k_DV_frame_size;
    int16_t width = 0, height = 0, fps = 25;
    double ms_per_frame = 40, ms_per_field = 20;
    int32_t num_frames = 0, num_fields = 0; // frames and fields per stream
    int32_t num_calculated_frames = 0;      // whole frames on disk
    int64_t file_size = 0;
    int64_t dv_offset = 0;
    std::string codec = "0";
    Bitmap_format input_format, output_format;
    int16_t num_streams = 1;
    std::array<Stream_Info_Record, 6> streams{};
    bool ntsc = false, is_deinterlaced = false;
    int16_t avi_length_seconds = 0;

    // ---- The frame just read ----
    std::vector<uint8_t> frame_buffer;
    std::vector<uint8_t> multi_buffer;
    int64_t frame_position = 0;  // 1-based file position of the current frame
    int32_t chunk_length = 0;
    int32_t frame_in_store = 0;
    int16_t current_stream = 1;
    int16_t frame_selection_start = 0;
};

} // namespace wk
