#pragma once
// The recording object: one open recording file (own format qs1/qs2, raw DV, multi-stream sdv,
// AVI), its XML header, its frame buffers and what the viewer and the capture station ask of it.
#include "recording/Bench_section.h"
#include "recording/Capture_record.h"
#include "recording/DV_Header_Record.h"
#include "recording/Golf_section.h"
#include "recording/Header_section.h"
#include "recording/QSM_Header_Record.h"
#include "recording/Recording_file.h"
#include "recording/Recording_format.h"
#include "recording/Tolvex_section.h"
#include "recording/Trace_Record.h"
#include "recording/cls_IDX.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace wk {
namespace platform {
class Av_frame_decoder;
class Draw_surface;
} // namespace platform

class Cls_XML_header;
class Recording_reader;
class Avi_chunks;
class cDIBSection;

class cls_AVI_handler : public Header_section, public Tolvex_section, public Golf_section, public Bench_section {
public:
    static constexpr int32_t k_DV_frame_size = recording_format::k_DV_frame_size;
    static constexpr int64_t k_Header_area_end = recording_format::k_Header_area_end;
    static constexpr int32_t k_Own_data_offset = recording_format::k_Own_data_offset;
    static constexpr int32_t k_Max_XML_length = recording_format::k_Max_XML_length;
    static constexpr size_t k_Extra_size = capture_record::Size;

    explicit cls_AVI_handler(int16_t index = 0);
    ~cls_AVI_handler();
    cls_AVI_handler(const cls_AVI_handler&) = delete;
    cls_AVI_handler& operator=(const cls_AVI_handler&) = delete;

    // ---- Open, close and file kinds ----
    bool Open_File(const std::string& path);
    void Close_File();
    bool File_open() const { return rec_.file.Is_open(); }
    int16_t file_num() const { return rec_.file.Is_open() ? rec_.file_number : int16_t(0); }
    bool rename_file(const std::string& new_path);
    void Let_Read_to_Memory(bool on) { read_to_memory_ = on; }
    bool is_DV() const;
    bool Linear_buffer() const;
    bool is_Start_Cam() const { return false; }
    int16_t Synch_type() const { return synch_type_; }
    int16_t stream_from_pos(int16_t camera_pos) const;
    void Read_Stream_Info();
    void Let_Num_write_streams(int16_t streams);
    void Set_Multi_Stream_Size();
    // The header object, created on first use.
    Cls_XML_header& Header();
    // Sizes of the frame picture of the plain draw and of the overlay picture shown, as
    // "width,height width,height" ("0,0" for a picture not made yet).
    std::string DIB_sizes() const;
    // Data channel names: 40-byte fields of the table in the AVI's BXA1 chunk, channel n at
    // chunk position + 8 + 40 x (n - 1). A name reads without its trailing blanks (and zero
    // bytes); empty when no file is open, the recording has no table or the table has no such
    // channel. A name is written cut to 40 characters and padded with blanks, inside the table
    // only; false (reported) when it could not be written.
    std::string Data_Channel_Name(int16_t index);
    bool Write_channel_name(int16_t index, const std::string& name);
    // The time stamp of the frame just read, while a file is open; 0 otherwise.
    int32_t xTime_stamp() const { return File_open() ? frame_time_stamp_ : 0; }

    // Raised by Preread_File after each block with the percentage of the file read so far.
    std::function<void(int16_t percent)> Progress;
    // Raised by Read_File_to_Memory before it reads and once it has ended (read or not).
    std::function<void()> Reading_started;
    std::function<void()> Reading_ended;

    // ---- Own recording format ----
    bool Create_File();
    void Initiate_file();
    bool File_Initiated() const { return file_initiated_; }
    void Write_QSM_header();
    // Reads the 20-byte head and the XML text; false (already said) when the file is not one.
    bool Get_QSM_header();
    // Rewrites the XML header into the file; false when it was not written.
    bool Write_XML_header();
    // The header to be written soon, by Complete_header_write (false when that write fails), by
    // any header write before it, or by Close_File at the latest.
    void Write_XML_header_later() { header_write_pending_ = true; }
    bool Header_write_pending() const { return header_write_pending_; }
    bool Complete_header_write();
    bool ReCreate_XML_header();
    // Appends one 144000-byte frame after the last whole frame on disk.
    bool Append_DV_frame(std::span<const uint8_t> frame);
    // Writes one frame at the current file position (nothing is counted).
    bool Write_DV_frame(std::span<const uint8_t> frame);
    bool Write_frame(std::span<const uint8_t> frame) { return Write_DV_frame(frame); }
    // Opens the named recording for appending frames (the capture station's later captures).
    bool Open_for_append(const std::string& path);
    // Frames another writer appended: Close_File counts them; their time-code gaps are traced.
    void Count_appended_frames(int32_t n) { dv_frames_appended_ += n > 0 ? n : 0; }
    void Follow_timecode(std::span<const uint8_t> frame);
    // The count raised by them, stored alone where it stands (no journal, no new room); whether it was.
    bool Store_appended_count();
    int32_t DV_frames_appended() const { return dv_frames_appended_; }
    std::string Get_DOM_string();
    const QSM_Header_Record& QSM_header() const;

    // ---- DV extra data ----
    // Takes the extra-data record out of the frame just read (own-format and sdv recordings).
    void Do_Read_DV_extra_data();
    // Writes the record copy back into the current frame in the file.
    bool Rewrite_DV_Extra_data();
    int16_t Lap_Count() const;
    void Parse_DV_header();
    // The record copy of the frame just read; empty when that frame has none.
    std::span<const uint8_t> Extra_data() const;
    bool Has_extra_data() const { return extra_valid_; }
    int32_t Extra_index() const { return extra_index_; }

    // ---- Frame location and reading ----
    // Reads frame f of stream s (clamped to the frame count); false when it could not be read,
    // and then nothing of an earlier frame is left as if it were this one.
    bool Read_Frame(int32_t frame, int16_t stream = 1);
    void Force_Reread_Frame();
    // Forgets the frame decoded ahead (playing or stepping stopped).
    void Drop_decode_ahead();
    // The current frame's bytes as read (the compressed data handed to the decoder).
    std::span<const uint8_t> Frame_bytes() const;
    uint8_t* Frame_address();
    const uint8_t* Extra_Data_Addr() const;
    int32_t Frame_Length() const { return rec_.chunk_length; }
    int64_t Frame_Position() const { return rec_.frame_position; }
    int32_t Frame_in_store() const { return rec_.frame_in_store; }
    void Clear_in_Store() { rec_.frame_in_store = 0; }
    int16_t Current_Stream() const { return rec_.current_stream; }
    int32_t Raw_Frame_Time() const { return raw_frame_time_; }
    int32_t Frame_Time_Stamp() const { return frame_time_stamp_; }
    // True when the frame just read carries its own time stamp.
    bool Has_Frame_Time_Stamp() const { return has_time_stamp_; }
    std::array<int32_t, 4> Decoded_Frame_No{};

    // ---- Properties ----
    std::string File_name() const { return rec_.name; }
    void File_name(const std::string& path);
    std::string Current_File_Suffix() const { return suffix_; }
    bool Read_only() const { return rec_.read_only; }
    void Read_only(bool on) { rec_.read_only = on; }
    int64_t File_size() const;
    bool Has_XML_header();
    bool Has_DV_Header() const;
    int32_t num_frames() const { return rec_.num_frames; }
    int32_t num_Calculated_frames() const { return rec_.num_calculated_frames; }
    int32_t Num_fields() const { return rec_.num_fields; }
    // Milliseconds the recording lasts; NTSC frames last 1001/30 ms, as do the times drawn.
    int64_t Clip_length() const { return duration_ms_; }
    // 25, or 30 for NTSC (29.97 in the property text).
    int16_t frame_rate() const { return rec_.fps; }
    int16_t Width() const { return rec_.width; }
    int16_t Height() const { return rec_.height; }
    int16_t Num_Video_streams() const { return rec_.num_streams; }
    int32_t Frame_Size() const { return rec_.frame_size; }
    std::string video_codec() const { return rec_.codec; }
    int64_t DV_offset() const { return rec_.dv_offset; }
    // Local time of day (ms) stored in the current frame; 0 when it has none.
    int32_t Frame_time() const;
    int32_t Capture_mill_time() const;
    int32_t Timestamp_long() const;

    // ---- Frame-data helpers of the reading path ----
    int64_t find_DV_offset(const std::string& path);
    // Reads the whole file once, block by block, so that the system keeps it cached.
    void Preread_File();
    // Reads the whole file into memory (with the wait cursor shown); frames are then read from
    // there. False when it could not be read; the recording then reads from the file.
    bool Read_File_to_Memory();
    bool In_memory() const;

    // Suffix kinds, compared without regard to case.
    bool Is_own_format() const;
    bool Is_avi() const;
    bool Is_sdv() const;
    bool Is_plain_dv() const;

    // ---- AVI header chunks and frame index ----
    // Indexes of the chunk position table.
    static constexpr int16_t k_QSXM_chunk = recording_format::k_QSXM_chunk;
    static constexpr int16_t k_BXA1_chunk = recording_format::k_BXA1_chunk;
    static constexpr int16_t k_BXHD_chunk = recording_format::k_BXHD_chunk;
    static constexpr int16_t k_idx1_chunk = recording_format::k_idx1_chunk;
    static constexpr int32_t k_QSXM_min_size = recording_format::k_QSXM_min_size;
    static constexpr int32_t k_Max_index_entries = recording_format::k_Max_index_entries;

    // Notes where the appended chunks lie (and loads the XML header when there is one).
    void Parse_Chunks();
    bool read_AVI_XML_string();
    // Appends a header chunk with a fresh header to the open AVI.
    bool Append_XML_header();
    // Appends a BXHD chunk with an empty DV header record to the open AVI.
    bool Append_DV_header();
    bool Rewrite_AVI_Header();
    // Writes the DV header record at the start of the open sdv file.
    bool Rewrite_DV_header();
    void Golf_header(bool on) { golf_header_ = on; }
    // 1-based file position of the chunk header noted at index 0..7; 0 when not found.
    int64_t AVI_Chunk_addr(int16_t index) const;
    uint32_t RIFF_size() const;
    const DV_Header_Record& DV_header() const;

    // Reads the idx1 index; false (already said) when the file cannot be read through it.
    bool Get_AVI_indexes(const std::string& path);
    // Looks for a standard "ix00" index in the first 100000 bytes from start.
    bool Read_ix00_Index(int64_t start = 0);
    using Ix00_entry = recording_format::Ix00_entry;
    const std::vector<Ix00_entry>& ix00_entries() const;

    // Reads frame n (stream 1) and gives the chunk's data; empty when it could not be read.
    std::span<const uint8_t> Get_Frame(int32_t frame);
    int32_t Index_flag(int32_t n) const;
    bool Has_Text_Stream() const;
    int16_t Text_Length() const;
    std::span<const uint8_t> text_adress() const;
    // 0-based file offset of the current AVI chunk header.
    int64_t Chunk_Position() const;
    int64_t Text_Position() const;
    int32_t Position_Percent() const;
    float Player_Time() const;

    // ---- Recording properties (more) ----
    // Identity and kind.
    std::string Hash_atype() const;
    // Kind of the file's drive: 3 fixed, 4 network, 5 CD/DVD, 6 RAM disk, 0 unknown.
    int32_t DriveType() const { return drive_type_; }
    bool is_Wakeline();
    void Owner(const std::string& label) { owner_ = label; }
    void Player_index(int16_t index) { rec_.index = index; }
    int16_t p_index() const { return rec_.index; }
    std::string Capture_time();
    void Capture_time(const std::string& value);
    std::string Computer_name();
    std::string OS_version();
    std::string Program_ID();
    std::string Program_Major();
    std::string Program_Minor();
    std::string Program_Revision();

    // Counts and sizes.
    int32_t num_Fields_Gross() const { return 2 * rec_.num_frames; }
    int16_t AVI_length_Seconds() const { return rec_.avi_length_seconds; }
    // The header's frame count in whole seconds of 25 frames.
    int16_t Seconds();
    bool NTSC() const;
    bool Is_Deinterlaced() const { return rec_.is_deinterlaced; }
    int16_t Active_Streams();
    bool Set_Frames_no(int32_t n);
    // Fields to play: the fields of the whole recording less the frame-selection start, afresh
    // each time.
    void Calculate_Number_of_Fields();
    bool Wide_Screen();

    // The current frame.
    std::string Timestamp_string() const;
    int16_t mill_per_frame() const;
    int16_t xField_To_Show() const { return field_to_show_; }
    int32_t eff_frameno() const { return eff_frameno_; }
    void Let_eff_frameno(int32_t frame) { eff_frameno_ = frame; }
    // The field and the frame last drawn; the drawing code sets them.
    int32_t Current_Field() const { return current_field_; }
    void Let_Current_Field(int32_t field) { current_field_ = field; }
    int32_t Current_Frame() const { return current_frame_; }
    void Let_Current_Frame(int32_t frame) { current_frame_ = frame; }
    int32_t xCurrent() const { return rec_.is_deinterlaced ? current_frame_ : current_field_; }
    // The field less the frame-selection start (0 without one), plus 1.
    int32_t Current_net() const;
    int16_t DV_data_hours() const;
    int16_t DV_data_minutes() const;
    std::string DV_date() const { return {}; }
    std::string Timecode_string();

    // Streams and selection.
    bool rotated() const;
    bool rotated(bool on);
    bool Stream_rotated(int16_t id);
    bool Stream_rotated(int16_t id, bool on);
    bool Set_stream_active(int16_t pos, bool on);
    bool pos_Active(int16_t pos);
    int16_t Camera_pos(int16_t stream);
    void Camera_pos(int16_t stream, int16_t value);
    void Stream_offset(int16_t id, int16_t value);
    int32_t Selection_start();
    void Selection_start(int32_t value);
    int32_t Selection_end();
    void Selection_end(int32_t value);
    bool Set_Start_frame();
    bool Set_End_frame();
    bool Clear_Start_Frame();
    bool Clear_End_Frame();
    int16_t Trimmed_Start() const;
    int16_t Trimmed_End() const { return 0; }
    // a bottom, b left, c right, d top.
    bool Set_Selrect_stream1(int16_t a, int16_t b, int16_t c, int16_t d);
    int16_t Pos_In_File(int16_t pos) const;
    // Kept for the older selection display; nothing sets them.
    bool has_selrect() const { return false; }
    int32_t SelRect_top() const { return 0; }
    int32_t SelRect_left() const { return 0; }
    int32_t SelRect_right() const { return 0; }
    int32_t SelRect_bottom() const { return 0; }
    int32_t SelRect_width() const { return 0; }
    int32_t Selrect_Height() const { return 0; }
    int32_t Front_View_Width() const { return 0; }
    int32_t Front_View_Height() const { return 0; }

    // Display settings kept for the drawing code.
    void set_Screen_HDC(platform::Draw_surface* dc) { screen_dc_ = dc; }
    platform::Draw_surface* Screen_HDC() const { return screen_dc_; }
    // The overlay mode of the frame drawing: 0 off, 1 to 4 the kinds of overlay.
    void Overlay(int16_t mode) { overlay_ = mode; }
    int16_t Overlay() const { return overlay_; }
    void Blend_faktor(int16_t factor) { blend_faktor_ = factor; }
    int16_t Blend_faktor() const { return blend_faktor_; }
    int16_t flip() const { return flip_; }
    void flip(int16_t value) { flip_ = value; }
    void set_Synchtype(int16_t type) { synch_type_ = type; }
    void Tolerances(int16_t a, int16_t b, int16_t c) { tolerances_ = {a, b, c}; }
    // The format of the compressed frames as the decoder is told it.
    const Bitmap_format& Source_Format() const { return rec_.input_format; }

    // The AVI's own headers, as Read_Headers copied them.
    bool Read_Headers();
    std::span<const uint8_t> get_AVI_strh() const;
    std::span<const uint8_t> get_AVI_strf() const;
    // The avih chunk header (8 bytes) and the main header (56 bytes).
    std::span<const uint8_t> AVI_Chunk_addr() const;
    std::span<const uint8_t> AVIInfo_addr() const;
    // 1-based position of the data of the last pad chunk; 0 when there is none.
    int64_t JUNK_pos() const;
    // Stores the frame duration of fps frames a second into the file's main header.
    bool Force_Framerate(int16_t fps);

    // The comment of the current frame (80 bytes of its extra data).
    bool Write_comment(const std::string& text);
    std::string Read_Comment() const;

    // The text stream of an AVI: one chunk a frame.
    std::vector<uint8_t> Get_Text_buffer(int32_t frame);
    bool Put_Text_buffer(std::span<const uint8_t> data);
    bool Rewrite_Text_Buffer(int32_t frame);

    std::string Property_String();
    int16_t coord_x(int16_t) const { return 0; }
    int16_t coord_y(int16_t) const { return 0; }
    // Writes the current frame's data to dv_frame.dv in the temporary folder.
    bool xWrite_DV_frame();

    // ---- Race metadata ----
    // The race the recording shows, kept in its XML header. Setters that return bool rewrite
    // the header into the file at once and say whether it was written (failures are reported
    // there); the other setters change the header in memory only. A missing header element or
    // an index outside the header's range raises a Run_time_error.
    std::string Event_name();
    bool Event_name(const std::string& value);

    int16_t Lane_count();
    bool Lane_count(int16_t value);
    void Num_Lanes(int16_t value);
    int16_t Start_lane();
    bool Start_Lane_Zero();
    // True stores first lane 0, False first lane 1.
    void Start_Lane_Zero(bool value);
    // Lane marks of lane 0..15. Needs a loaded header; coordinates must fit 16 bits.
    void File_Lane_Pos(int16_t lane, int32_t x, int32_t y);
    int16_t LaneX(int16_t lane);
    int16_t LaneY(int16_t lane);
    bool Lanes_locked();
    bool Lanes_locked(bool value);
    // The goal line's end points. Get and Set need a loaded header; the outputs change only
    // when all four were read. Coordinates must fit 16 bits.
    void Get_Goalline(int16_t& x1, int16_t& y1, int16_t& x2, int16_t& y2);
    void Set_Goal_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    bool Fix_Goal_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

    // Heats 1..num_heats, lanes 0..15.
    std::string Heat_ID(int16_t heat); // a single blank reads as ""
    void Heat_ID(int16_t heat, const std::string& value);
    bool Update_Heat_ID(int16_t heat, const std::string& value);
    int32_t Heat_result(int16_t heat, int16_t lane);
    void Heat_result(int16_t heat, int16_t lane, int32_t value);
    int32_t Heat_time(int16_t heat, int16_t lane); // 0 while no recording is named
    void Heat_time(int16_t heat, int16_t lane, int32_t value);
    int32_t Heat_Clicktime(int16_t heat, int16_t lane);
    void Heat_Clicktime(int16_t heat, int16_t lane, int32_t value);
    int32_t Heat_Goalfield(int16_t heat, int16_t lane);
    void Heat_Goalfield(int16_t heat, int16_t lane, int32_t value);
    int32_t Heat_Start_Correction(int16_t heat);
    bool Heat_Start_Correction(int16_t heat, int32_t value);
    // Heat starts: local time of day and the tick (0 = not started).
    void Start_local_mill(int16_t heat, int32_t value);
    void Start_PC_mill(int16_t heat, int32_t value);
    int32_t Start_local_Mill_Time(int16_t heat); // 0 while no recording is named
    int32_t Start_PC_Mill_time(int16_t heat);    // 0 while no recording is named
    void Start_PC_Mill_time(int16_t heat, int32_t value);
    // Starts the heat now (local time and tick) / clears its start; both rewrite.
    bool Set_Multi_Start(int16_t heat);
    bool Clear_Multi_Start(int16_t heat);
    // Zeroes the local start of every heat, in memory only; ticks, corrections and lane
    // records stay.
    void Clear_Heats();
    // Race time in ms of the shown field of the current frame. Raises when the heat has no
    // start (header nor frame) or the frame has no time stamp of its own.
    int32_t Multi_TimeStamp(int16_t heat);
    // The heat start the capture station stored in the current frame; 0 when it has none.
    int32_t Old_HeatStart() const;

    // ---- Decoding and drawing ----
    // The field (1 or 2) of the current frame that the last drawing showed.
    int16_t Field_To_Show() const { return field_to_show_; }
    void Let_Field_To_Show(int16_t field) { field_to_show_ = field; }

    // Pictures are drawing surfaces (a picture box's image); their size is the scale size.
    // Every drawing decodes the frame first: when the frame cannot be read or decoded, or lies
    // past the end of the recording, the place it would have taken is painted black (never an
    // older picture) and the result is false.

    // The display settings (Overlay, Blend_faktor, flip) are kept with the properties. Overlay
    // modes: 0 off; 1 keeps the picture, 2 the lighter, 3 the darker of picture and frame, 4
    // copies what differs from frame 1 (the background) by more than the blend factor. flip
    // True mirrors every frame.

    // Draws frame `frame` (0 draws frame 1 and leaves 1 in the variable) of a stream: rotated,
    // mirrored, through the overlay or straight. With a target the plain draw goes 1:1 there
    // instead of into the picture.
    bool Draw_frame(int32_t& frame, platform::Draw_surface& picture, bool mirror = false, int16_t stream = 1,
                    platform::Draw_surface* target = nullptr, bool rotated = false);
    // Repaints the overlay, or decodes the frame in store again, without reading.
    bool Refresh_frame(platform::Draw_surface& picture);
    // Decodes the frame in store into dc at (0, 0), width x height.
    bool Blit_Frame(platform::Draw_surface* dc, int32_t width, int32_t height);
    // Reads frame `frame` of stream 1 and shows it 1:1 from (x, y) on.
    bool Draw_Panned_frame(int32_t frame, platform::Draw_surface& picture, int16_t x, int16_t y);
    // Decodes frame `frame` of stream 1 into the overlay target.
    bool Restore_target(int32_t frame);
    // Decodes frame `frame` of stream 1 into the overlay source ("source") or target ("target").
    bool Store_frame(int32_t frame, const std::string& which);
    // Restarts the overlay from the frame in store and shows it.
    bool Reset_Overlay(platform::Draw_surface& picture);

    // The frame size of the last plain draw, or the codec (the file name for Draw_field) when
    // the frame could not be decoded.
    const std::string& Decode_Info() const { return decode_info_; }
    // Milliseconds from the start of the recording (or of its trimmed part) to what was drawn.
    float Effective_Time() const { return effective_time_; }
    int32_t Last_Draw_Result() const { return last_draw_result_; }
    // How many frames this object has decoded for what it drew (those decoded ahead and used
    // included), and how many of them were decoded ahead.
    int64_t Decoded_count() const;
    int64_t Decoded_ahead_count() const;
    // Where frame f of a stream lies in the file and the codec it is decoded with: what a worker
    // reading the file through its own byte source needs. False where it cannot be told.
    bool Frame_place(int32_t frame, int16_t stream, int64_t& offset, size_t& length, std::string& codec) const;
    // The overlay pictures (empty until the first overlay or frame draw).
    const cDIBSection* Overlay_Source() const;
    const cDIBSection* Overlay_Target() const;
    const cDIBSection* Overlay_Background() const;

    // Field n lies in frame (n + 1) / 2: odd n is its field 1 (filmed first), even n its field 2.
    // Draws one field of a stream (1 to 3) at full frame height. Rotated, the streams share the
    // picture side by side, stream 1 on the left. Each frame is decoded once for its two fields.
    bool Draw_field_3(int32_t field, platform::Draw_surface& picture, int16_t stream = 1, bool rotated = false);
    // The same without rotation and stream picture cache: the field stretched smoothly over the
    // picture; swap shows the frame's other field (recordings filmed top field first).
    bool Draw_field(int32_t field, platform::Draw_surface& picture, bool swap = false, int16_t stream = 1);
    // Repaints the last field (stream 1, or the rotated picture) without reading.
    void Refresh_field(platform::Draw_surface& picture, bool rotated);
    // The field last drawn (Current_Field is the one last asked for, eff_frameno its frame).
    int32_t Last_Field() const { return last_field_; }
    // The field picture of a stream (1 to 3) and the rotated field picture; nullptr before the
    // first field drawing.
    const cDIBSection* Field_DIB(int16_t stream) const;
    const cDIBSection* Rotated_Field_DIB() const;

    // ---- Trace record ----
    // The edit copy of the current frame's trace record: the record of the frame just read, or
    // an empty one when that frame carries none.
    const Trace_Record& m_Trace_Data() const { return m_trace_data_; }
    // The record read from the current frame by Read_Trace_Data.
    const Trace_Record& Trace_read_buffer() const { return trace_read_; }
    // Sets point (1..10) of the shown field (Field_To_Show) in the edit copy and writes the
    // record into the current frame and the file. False when this kind of recording cannot keep
    // traces (raw DV and sdv: the frame in memory changes only; frames that are not DV or not
    // long enough for the record: nothing changes). Bad points or fields and file errors raise.
    bool Update_Trace_Data(int16_t point, int16_t x, int16_t y);
    // Sets every point of the edit copy to 0 and writes it like Update_Trace_Data. A frame
    // without a record has nothing to clear; nothing is written then.
    bool Clear_Trace_Data();
    // Clears the record of every frame of stream 1, then reads the current frame again. False
    // when a traced frame could not be cleared in the file.
    bool Clear_all_Traces();
    // Writes the current frame (exactly its bytes; an AVI chunk with its header) back where it
    // was read. False when this kind of recording is not written back (raw DV, sdv).
    bool Rewrite_DV_frame();
    // Copies the current frame's record into the read buffer.
    void Read_Trace_Data();
    // Reads the record of every frame of stream 1 into the trace list (frames without one get an
    // empty record), then reads the current frame again.
    void Read_Trace_Array();
    // The trace list's entry for frame f (an empty record when the list does not hold it).
    Trace_Record Trace_Array(int32_t frame) const;
    int32_t Trace_Array_count() const { return int32_t(trace_array_.size()); }
    // Point `point` of field number n of the recording (frame (n + 1) / 2, its field 1 or 2)
    // from the trace list; a frame outside the list raises the subscript error.
    void Trace_Array_Coords(int16_t point, int32_t n, int16_t& x, int16_t& y) const;
    // X and Y of the edit copy at point, for the shown field.
    int16_t Trace_X(int16_t point) const;
    int16_t Trace_Y(int16_t point) const;
    // Loads the edit copy for frame f: the frame in store's own record, else the trace list's
    // record; empty when neither carries one.
    void Get_Current_Trace_data(int32_t frame);

    // The trace settings in the header (traces 1..10). The setters rewrite the header.
    int32_t Trace_Color(int16_t id); // 0 when it cannot be read
    void Trace_Color(int16_t id, int32_t value);
    std::string Trace_Name(int16_t id);
    void Trace_Name(int16_t id, const std::string& value);
    bool Trace_Bezier(int16_t id);
    void Trace_Bezier(int16_t id, bool value);
    int16_t Trace_Thickness(int16_t id);
    void Trace_Thickness(int16_t id, int16_t value);

    // The player position in percent of the recording.
    int32_t Percentage() const { return Position_Percent(); }

    // ---- Sibling timing metadata (the rest is Tolvex_section's) ----
    // The camera of the current frame's extra-data record; 0 when the frame has none.
    int16_t Tolv_Camera() const;
    // ---- The smaller members ----
    // Reads the frame last drawn again and decodes it into picture at the picture's size. False
    // when the picture has no device context or the frame cannot be read or decoded.
    bool Read_ff(cDIBSection& picture);
    // Copies field Field_To_Show of the overlay's picture into the overlay source, line-doubled.
    bool Store_OL_source();
    // Field `mode` (1 or 2) of source, line-doubled, into target of the same size. With the copy
    // first, source is copied whole before, so that source and target may be one picture.
    bool Deinterlace_DIBS(const cDIBSection& source, cDIBSection& target, int16_t mode);
    void Let_Deinterlace_copy_first(bool on);
    // One picture per frame of stream 1, each drawn by Draw_frame. Once every frame has its
    // picture, Draw_frame paints plain frames of stream 1 from them instead of the file (rotated,
    // mirrored, overlaid and other streams' frames still come from the file). False (with what
    // was made kept, and frames still drawn from the file) when a frame could not be drawn or a
    // picture not made.
    bool Read_In_Bitmaps();
    void Clear_Bitmap_Collection();
    int32_t Bitmap_count() const;
    // Frame f's picture (from 1); nullptr outside the collection.
    const cDIBSection* Bitmap(int32_t frame) const;
    // The keyed overlay (ABlend with Blend_faktor) of the overlay pictures, painted into picture.
    bool A_blend(platform::Draw_surface& picture);
    // An outline round the whole picture with the picture's own pen.
    void Fill_PBox(platform::Draw_surface& picture);

    // The header's elements of the same names (in memory; Write_XML_header stores them).
    void Dump_XML_Header(const std::string& name);
    // Graph object id (1..25), a shape drawn over the picture.
    void Save_Graph_object(int16_t id, int16_t obj_type, int16_t layer, int32_t color, int16_t linetype,
                           int16_t linewidth, bool filled, int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t x3,
                           int16_t y3, int16_t x4, int16_t y4);
    void Load_Graph_object(int16_t id, int16_t& obj_type, int16_t& layer, int32_t& color, int16_t& linetype,
                           int16_t& linewidth, bool& filled, int16_t& x1, int16_t& y1, int16_t& x2, int16_t& y2,
                           int16_t& x3, int16_t& y3, int16_t& x4, int16_t& y4);
    // The animation file, its line count and its lines 1..150.
    int16_t anp_file_lines();
    void anp_file_lines(int16_t value);

private:
    struct Timing;
    struct Timing_deleter { void operator()(Timing* t) const; };
    std::unique_ptr<Timing, Timing_deleter> timing_;
    Timing& Timing_state();

    static constexpr const char* k_Class = " of Class Module cls_AVI_handler";

    // ---- The file and its reader ----
    // The chunks of an open AVI; raises when no AVI is open.
    Avi_chunks& Open_chunks() const;
    bool Append_chunk(Avi_chunks& avi, const char* tag, std::span<const uint8_t> data, int64_t data_size);
    void Set_sdv_selection(int16_t& field, int32_t value, const std::string& what);
    void Take_frame_time();
    void Forget_frame();
    void Reset_state();
    // The frame's capture record; all zero when the frame has none.
    Capture_record Extra_record() const;
    bool Append_allowed() const;

    Recording_file rec_;
    std::unique_ptr<Recording_reader> reader_;
    std::string suffix_;
    bool read_to_memory_ = false;
    int64_t duration_ms_ = 0;
    int16_t num_write_streams_ = 1;
    std::array<int16_t, 7> pos_in_file_{};
    int16_t synch_type_ = 0;
    int16_t multi_width_ = 720, multi_height_ = 576;

    // ---- Writing the own format ----
    int32_t dv_frames_appended_ = 0;
    bool file_initiated_ = false;
    bool header_write_pending_ = false;
    std::string writer_file_;      // the recording this object may append to
    int32_t last_timecode_frame_ = 0;
    int64_t position_ = 0;         // the file position of the writers, 0-based

    // ---- The frame just read ----
    std::array<uint8_t, k_Extra_size> extra_{};
    bool extra_valid_ = false;
    int32_t extra_index_ = 0;
    int32_t raw_frame_time_ = 0;
    int32_t frame_time_stamp_ = 0;
    bool has_time_stamp_ = false;

    // ---- Properties ----
    void Initialize_properties();
    void Note_drive();

    bool golf_header_ = false;
    std::string drive_;
    int32_t drive_type_ = 0;
    std::string owner_;
    // Set by the drawing code.
    int32_t current_field_ = 0, current_frame_ = 0;
    int32_t eff_frameno_ = 0;
    platform::Draw_surface* screen_dc_ = nullptr;
    int16_t overlay_ = 0;
    int16_t blend_faktor_ = 0;
    int16_t flip_ = 0;
    std::array<int16_t, 3> tolerances_{};

    // ---- Race metadata state ----
    // The loaded header, for the members that must not make one; raises when there is none.
    Cls_XML_header& Loaded_header(const char* member);
    Cls_XML_header& Tolvex_header() override { return Header(); }
    Cls_XML_header& Fields_header() override { return Header(); }
    Cls_XML_header& Swing_header() override { return Header(); }
    bool Store_swing_header() override { return Write_XML_header(); }
    const Recording_file& Swing_file() const override { return rec_; }
    bool Keeps_swing_fields() const override;
    int32_t Swing_field() const override { return current_field_; }
    float Swing_effective_time() const override { return effective_time_; }
    float Swing_player_time() const override;
    const platform::Byte_file* Model_file() const override;
    void Swing_frame_found(int32_t frame) override { eff_frameno_ = frame; }
    const Recording_file& Bench_file() const override { return rec_; }
    int16_t Bench_field() const override { return field_to_show_; }
    int16_t Frame_goal_offset() const override;

    // ---- Drawing state ----
    int16_t field_to_show_ = 1;
    struct Drawing;
    struct Drawing_deleter { void operator()(Drawing* d) const; };
    // The decoder and the pictures of the drawing, made on first use.
    std::unique_ptr<Drawing, Drawing_deleter> drawing_;
    Drawing& Draw_state();
    // Paints frame f (0 is 1) from the preloaded pictures; false when they do not hold it.
    bool Paint_preloaded(int32_t& frame, platform::Draw_surface& picture);
    platform::Av_frame_decoder* Decoder();
    bool Decode_into(cDIBSection& picture);
    bool Keep_for_fields(int16_t stream, int32_t held); // held: the frame the slot holds, or 0
    // ---- Decoding the next frame ahead (stepping and playing) ----
    // The frame in store from what was decoded ahead for it, kept in slot of the decoder.
    bool Take_ahead(int16_t stream, int slot);
    // After frame `frame` of stream is shown, moved on by `step` frames from the one shown
    // before: decodes the frame that step leads to next on the worker.
    void Decode_next_ahead(int32_t frame, int16_t stream, int32_t step);
    void Paint_black(platform::Draw_surface& picture, int32_t left, int32_t top, int32_t width, int32_t height);
    void Make_overlay_pictures(int32_t width, int32_t height);
    float Field_time(int32_t field) const;
    bool Read_drawn_frame(int32_t frame, int16_t stream);
    int16_t Drawn_streams() const;
    void Note_field_drawn(int32_t field, int16_t stream);
    // Forgets what the drawing and the traces hold of the recording (on close).
    void Reset_drawing();
    std::span<uint8_t> Frame_data();
    bool Write_trace_record(const Trace_Record& record);
    void Reread_current_frame(int32_t frame, int16_t stream);
    std::string decode_info_;
    float effective_time_ = 0;
    int32_t last_field_ = 0;
    int32_t last_draw_result_ = 0;
    // Trace record state.
    Trace_Record m_trace_data_;
    Trace_Record trace_read_;
    std::vector<Trace_Record> trace_array_; // frame f at index f - 1
};

} // namespace wk
