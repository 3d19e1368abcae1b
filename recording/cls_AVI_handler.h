#pragma once
// The recording object: one open recording file (own format qs1/qs2, raw DV, multi-stream sdv,
// AVI), its XML header, its frame buffers and what the viewer and the capture station ask of it.
// It is the front: each family of its members is a section that keeps its own state (a member
// over the recording's port, or still a base), and its frames are drawn by its Frame_renderer.
// The front keeps the members the program and the file formats call; the rest of a section is
// reached through the section itself.
#include "recording/Avi_section.h"
#include "recording/Bench_section.h"
#include "recording/Capture_record_section.h"
#include "recording/DV_Header_Record.h"
#include "recording/Frame_renderer.h"
#include "recording/Frame_source.h"
#include "recording/Golf_section.h"
#include "recording/QSM_Header_Record.h"
#include "recording/Race_section.h"
#include "recording/Recording_file.h"
#include "recording/Recording_format.h"
#include "recording/Recording_port.h"
#include "recording/Stream_section.h"
#include "recording/Tolvex_section.h"
#include "recording/Trace_Record.h"
#include "recording/Trace_section.h"
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

class cls_AVI_handler : private Recording_port,
                        private Frame_source {
    // The drawing of this recording's frames (first, since members below refer into it).
    std::unique_ptr<Frame_renderer> renderer_;
    // The sections over the recording's port.
    Race_section race_{*this};
    Tolvex_section tolvex_{*this};
    Bench_section bench_{*this};
    Golf_section golf_{*this};
    Trace_section trace_{*this};
    Capture_record_section capture_{*this};
    Stream_section stream_{*this};
    Avi_section avi_{*this};

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
    // Opens the recording; what it came to, with the problems met (the caller tells the operator).
    Recording_outcome Open_File(const std::string& path);
    void Close_File();
    bool File_open() const { return rec_.file.Is_open(); }
    int16_t file_num() const { return rec_.file.Is_open() ? rec_.file_number : int16_t(0); }
    bool rename_file(const std::string& new_path);
    void Let_Read_to_Memory(bool on) { read_to_memory_ = on; }
    // Files opened from now on are opened for reading alone, whatever their permissions: a
    // reader that only looks never writes, not even a recovered frame count.
    void Let_Open_read_only(bool on) { open_read_only_ = on; }
    bool is_DV() const;
    bool is_Start_Cam() const { return false; }
    int16_t Synch_type() const { return synch_type_; }
    // The header object, created on first use; the header fields that need no more than it are
    // asked of it.
    Cls_XML_header& Header();
    // The race in the header, the sibling product's tolvex section, the timing runs, the golf
    // swing and its model video.
    Race_section& Race() { return race_; }
    const Race_section& Race() const { return race_; }
    Tolvex_section& Tolvex() { return tolvex_; }
    Bench_section& Bench() { return bench_; }
    Golf_section& Golf() { return golf_; }
    // The trace points drawn into the frames and the trace settings of the header.
    Trace_section& Trace() { return trace_; }
    // The capture record of the frame just read: its time stamp, comment and counts.
    Capture_record_section& Extra() { return capture_; }
    const Capture_record_section& Extra() const { return capture_; }
    // The streams, the cameras' places and the selection of fields.
    Stream_section& Stream() { return stream_; }
    bool rotated() const { return stream_.rotated(); }
    bool rotated(bool on) { return stream_.rotated(on); }
    // The AVI's header chunks, indexes, own headers, text stream and data channel names.
    Avi_section& Avi() { return avi_; }

    // ---- The race (Race_section tells what each does) ----
    int32_t Multi_TimeStamp(int16_t heat) { return race_.Multi_TimeStamp(heat); }
    int32_t Old_HeatStart() const { return race_.Old_HeatStart(); }
    std::string Event_name() { return race_.Event_name(); }
    bool Event_name(const std::string& value) { return race_.Event_name(value); }
    int16_t Lane_count() { return race_.Lane_count(); }
    bool Lane_count(int16_t value) { return race_.Lane_count(value); }
    void Num_Lanes(int16_t value) { race_.Num_Lanes(value); }
    int16_t Start_lane() { return race_.Start_lane(); }
    bool Start_Lane_Zero() { return race_.Start_Lane_Zero(); }
    void Start_Lane_Zero(bool value) { race_.Start_Lane_Zero(value); }
    int16_t LaneX(int16_t lane) { return race_.LaneX(lane); }
    int16_t LaneY(int16_t lane) { return race_.LaneY(lane); }
    bool Lanes_locked() { return race_.Lanes_locked(); }
    bool Lanes_locked(bool value) { return race_.Lanes_locked(value); }
    void Get_Goalline(int16_t& x1, int16_t& y1, int16_t& x2, int16_t& y2) { race_.Get_Goalline(x1, y1, x2, y2); }
    void File_Lane_Pos(int16_t lane, int32_t x, int32_t y) { race_.File_Lane_Pos(lane, x, y); }
    void Set_Goal_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { race_.Set_Goal_Line(x1, y1, x2, y2); }
    std::string Heat_ID(int16_t heat) { return race_.Heat_ID(heat); }
    void Heat_ID(int16_t heat, const std::string& value) { race_.Heat_ID(heat, value); }
    int32_t Heat_result(int16_t heat, int16_t lane) { return race_.Heat_result(heat, lane); }
    void Heat_result(int16_t heat, int16_t lane, int32_t value) { race_.Heat_result(heat, lane, value); }
    int32_t Heat_time(int16_t heat, int16_t lane) { return race_.Heat_time(heat, lane); }
    int32_t Heat_Clicktime(int16_t heat, int16_t lane) { return race_.Heat_Clicktime(heat, lane); }
    void Heat_Clicktime(int16_t heat, int16_t lane, int32_t value) { race_.Heat_Clicktime(heat, lane, value); }
    int32_t Heat_Goalfield(int16_t heat, int16_t lane) { return race_.Heat_Goalfield(heat, lane); }
    void Heat_Goalfield(int16_t heat, int16_t lane, int32_t value) { race_.Heat_Goalfield(heat, lane, value); }
    std::string Heat_Result_made(int16_t heat, int16_t lane) { return race_.Heat_Result_made(heat, lane); }
    void Heat_Result_made(int16_t heat, int16_t lane, const std::string& value)
    {
        race_.Heat_Result_made(heat, lane, value);
    }
    int32_t Heat_Start_Correction(int16_t heat) { return race_.Heat_Start_Correction(heat); }
    bool Heat_Start_Correction(int16_t heat, int32_t value) { return race_.Heat_Start_Correction(heat, value); }
    void Start_local_mill(int16_t heat, int32_t value) { race_.Start_local_mill(heat, value); }
    void Start_PC_mill(int16_t heat, int32_t value) { race_.Start_PC_mill(heat, value); }
    int32_t Start_local_Mill_Time(int16_t heat) { return race_.Start_local_Mill_Time(heat); }
    int32_t Start_PC_Mill_time(int16_t heat) { return race_.Start_PC_Mill_time(heat); }
    bool Clear_Multi_Start(int16_t heat) { return race_.Clear_Multi_Start(heat); }
    void Clear_Heats() { race_.Clear_Heats(); }
    // Header fields the windows and the capture station use; the others are asked of Header().
    bool Show_goalline();
    void Show_goalline(bool on);
    bool Lanes_flipped();
    void Lanes_flipped(bool on);
    bool Lanes_Visible();
    void Lanes_Visible(bool on);
    std::string Heat_comment(int16_t heat);
    // The problems of the operations since the last take (a header write, a rename, a close),
    // oldest first, for the caller to tell; an open returns its own.
    std::vector<Recording_problem> Take_problems() { return rec_.problems.Take(); }
    // Sizes of the pictures of the plain draw and of the overlay ("width,height width,height").
    std::string DIB_sizes() const { return renderer_->DIB_sizes(); }
    // The time stamp of the frame just read, while a file is open; 0 otherwise.
    int32_t xTime_stamp() const { return File_open() ? capture_.Frame_Time_Stamp() : 0; }
    // What the viewer shows of the frame's capture record (Capture_record_section tells).
    std::span<const uint8_t> Extra_data() const { return capture_.Extra_data(); }
    int32_t Frame_time() const { return capture_.Frame_time(); }
    int16_t Lap_Count() const { return capture_.Lap_Count(); }

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
    void Parse_DV_header();

    // ---- Frame location and reading ----
    // Reads frame f of stream s (clamped to the frame count); false when it could not be read,
    // and then nothing of an earlier frame is left as if it were this one.
    bool Read_Frame(int32_t frame, int16_t stream = 1);
    void Force_Reread_Frame() { renderer_->Force_Reread_Frame(); }
    // Forgets the frame decoded ahead (playing or stepping stopped).
    void Drop_decode_ahead() { renderer_->Drop_decode_ahead(); }
    // The current frame's bytes as read (the compressed data handed to the decoder).
    std::span<const uint8_t> Frame_bytes() const;
    uint8_t* Frame_address();
    const uint8_t* Extra_Data_Addr() const;
    int32_t Frame_Length() const { return rec_.chunk_length; }
    int64_t Frame_Position() const { return rec_.frame_position; }
    int32_t Frame_in_store() const override { return rec_.frame_in_store; }
    void Clear_in_Store() { rec_.frame_in_store = 0; }
    int16_t Current_Stream() const { return rec_.current_stream; }
    // The frame each stream's field pictures were made of (the renderer's).
    std::array<int32_t, 4>& Decoded_Frame_No;

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

    // Reads frame n (stream 1) and gives the chunk's data; empty when it could not be read.
    std::span<const uint8_t> Get_Frame(int32_t frame);
    int32_t Position_Percent() const;

    // ---- Recording properties (more) ----
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
    bool Set_Frames_no(int32_t n);
    // Fields to play: the fields of the whole recording less the frame-selection start, afresh
    // each time.
    void Calculate_Number_of_Fields();
    bool Wide_Screen();

    // The current frame.
    std::string Timestamp_string() const;
    int16_t mill_per_frame() const;
    int16_t xField_To_Show() const { return renderer_->field_to_show; }
    int32_t eff_frameno() const { return renderer_->eff_frameno; }
    void Let_eff_frameno(int32_t frame) { renderer_->eff_frameno = frame; }
    // The field and the frame last drawn; the drawing code sets them.
    int32_t Current_Field() const { return renderer_->current_field; }
    void Let_Current_Field(int32_t field) { renderer_->current_field = field; }
    int32_t Current_Frame() const { return renderer_->current_frame; }
    void Let_Current_Frame(int32_t frame) { renderer_->current_frame = frame; }
    int32_t xCurrent() const { return rec_.is_deinterlaced ? Current_Frame() : Current_Field(); }
    // The field less the frame-selection start (0 without one), plus 1.
    int32_t Current_net() const;
    int16_t DV_data_hours() const;
    int16_t DV_data_minutes() const;
    std::string DV_date() const { return {}; }
    std::string Timecode_string();
    int16_t Trimmed_Start() const;
    int16_t Trimmed_End() const { return 0; }

    // Display settings kept for the drawing code.
    void set_Screen_HDC(platform::Draw_surface* dc) { renderer_->screen_dc = dc; }
    platform::Draw_surface* Screen_HDC() const { return renderer_->screen_dc; }
    // The overlay mode of the frame drawing: 0 off, 1 to 4 the kinds of overlay.
    void Overlay(int16_t mode) { renderer_->overlay = mode; }
    int16_t Overlay() const { return renderer_->overlay; }
    void Blend_faktor(int16_t factor) { renderer_->blend_faktor = factor; }
    int16_t Blend_faktor() const { return renderer_->blend_faktor; }
    int16_t flip() const { return renderer_->flip; }
    void flip(int16_t value) { renderer_->flip = value; }
    void set_Synchtype(int16_t type) { synch_type_ = type; }
    void Tolerances(int16_t a, int16_t b, int16_t c) { renderer_->tolerances = {a, b, c}; }
    // The format of the compressed frames as the decoder is told it.
    const Bitmap_format& Source_Format() const { return rec_.input_format; }

    // The recording's properties as text, one per line.
    std::string Property_String();
    int16_t coord_x(int16_t) const { return 0; }
    int16_t coord_y(int16_t) const { return 0; }
    // Writes the current frame's data to dv_frame.dv in the temporary folder.
    bool xWrite_DV_frame();

    // ---- Decoding and drawing (Frame_renderer tells what each does) ----
    int16_t Field_To_Show() const { return renderer_->field_to_show; }
    void Let_Field_To_Show(int16_t field) { renderer_->field_to_show = field; }
    bool Draw_frame(int32_t& frame, platform::Draw_surface& picture, bool mirror = false, int16_t stream = 1,
                    platform::Draw_surface* target = nullptr, bool rotated = false)
    {
        return renderer_->Draw_frame(frame, picture, mirror, stream, target, rotated);
    }
    bool Refresh_frame(platform::Draw_surface& picture) { return renderer_->Refresh_frame(picture); }
    bool Blit_Frame(platform::Draw_surface* dc, int32_t w, int32_t h) { return renderer_->Blit_Frame(dc, w, h); }
    bool Draw_Panned_frame(int32_t frame, platform::Draw_surface& picture, int16_t x, int16_t y)
    {
        return renderer_->Draw_Panned_frame(frame, picture, x, y);
    }
    bool Restore_target(int32_t frame) { return renderer_->Restore_target(frame); }
    bool Store_frame(int32_t frame, const std::string& which) { return renderer_->Store_frame(frame, which); }
    bool Reset_Overlay(platform::Draw_surface& picture) { return renderer_->Reset_Overlay(picture); }
    const std::string& Decode_Info() const { return renderer_->Decode_Info(); }
    float Effective_Time() const { return renderer_->Effective_Time(); }
    int32_t Last_Draw_Result() const { return renderer_->Last_Draw_Result(); }
    int64_t Decoded_count() const { return renderer_->Decoded_count(); }
    int64_t Decoded_ahead_count() const { return renderer_->Decoded_ahead_count(); }
    // Where frame f of a stream lies in the file and the codec it is decoded with: what a worker
    // reading the file through its own byte source needs. False where it cannot be told.
    bool Frame_place(int32_t frame, int16_t stream, int64_t& offset, size_t& length, std::string& codec) const;
    const cDIBSection* Overlay_Source() const { return renderer_->Overlay_Source(); }
    const cDIBSection* Overlay_Target() const { return renderer_->Overlay_Target(); }
    const cDIBSection* Overlay_Background() const { return renderer_->Overlay_Background(); }
    bool Draw_field_3(int32_t field, platform::Draw_surface& picture, int16_t stream = 1, bool rotated = false)
    {
        return renderer_->Draw_field_3(field, picture, stream, rotated);
    }
    bool Draw_field(int32_t field, platform::Draw_surface& picture, bool swap = false, int16_t stream = 1)
    {
        return renderer_->Draw_field(field, picture, swap, stream);
    }
    void Refresh_field(platform::Draw_surface& picture, bool rotated) { renderer_->Refresh_field(picture, rotated); }
    int32_t Last_Field() const { return renderer_->Last_Field(); }
    const cDIBSection* Field_DIB(int16_t stream) const { return renderer_->Field_DIB(stream); }
    const cDIBSection* Rotated_Field_DIB() const { return renderer_->Rotated_Field_DIB(); }

    // Writes the current frame (exactly its bytes; an AVI chunk with its header) back where it
    // was read. False when this kind of recording is not written back (raw DV, sdv).
    bool Rewrite_DV_frame();

    // The player position in percent of the recording.
    int32_t Percentage() const { return Position_Percent(); }

    // ---- The smaller members ----
    // Pictures of the renderer.
    bool Read_ff(cDIBSection& picture) { return renderer_->Read_ff(picture); }
    bool Store_OL_source() { return renderer_->Store_OL_source(); }
    bool Deinterlace_DIBS(const cDIBSection& source, cDIBSection& target, int16_t mode)
    {
        return renderer_->Deinterlace_DIBS(source, target, mode);
    }
    void Let_Deinterlace_copy_first(bool on) { renderer_->deinterlace_copy_first = on; }
    bool Read_In_Bitmaps() { return renderer_->Read_In_Bitmaps(); }
    void Clear_Bitmap_Collection() { renderer_->Clear_Bitmap_Collection(); }
    int32_t Bitmap_count() const { return renderer_->Bitmap_count(); }
    const cDIBSection* Bitmap(int32_t frame) const { return renderer_->Bitmap(frame); }
    bool A_blend(platform::Draw_surface& picture) { return renderer_->A_blend(picture); }
    void Fill_PBox(platform::Draw_surface& picture) { Frame_renderer::Fill_PBox(picture); }

    // Writes the header text into the application-data folder.
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
    static constexpr const char* k_Class = " of Class Module cls_AVI_handler";

    // ---- The file and its reader ----
    // Opens the recording, its problems kept for the caller's take.
    bool Open_kept(const std::string& path);
    void Forget_frame();
    void Reset_state();
    bool Append_allowed() const;

    Recording_file rec_;
    std::unique_ptr<Recording_reader> reader_;
    std::string suffix_;
    bool open_read_only_ = false;
    bool read_to_memory_ = false;
    int64_t duration_ms_ = 0;
    int16_t synch_type_ = 0;

    // ---- Writing the own format ----
    int32_t dv_frames_appended_ = 0;
    bool file_initiated_ = false;
    bool header_write_pending_ = false;
    std::string writer_file_;      // the recording this object may append to
    int32_t last_timecode_frame_ = 0;
    int64_t position_ = 0;         // the file position of the writers, 0-based

    // ---- Properties ----
    void Initialize_properties();
    void Note_drive();

    std::string drive_;
    int32_t drive_type_ = 0;
    std::string owner_;

    // ---- The recording's port ----
    Recording_file& File() override { return rec_; }
    const Recording_file& File() const override { return rec_; }
    bool Store_header() override { return Write_XML_header(); }
    Capture_record Frame_record() const override { return capture_.Extra_record(); }
    bool Frame_stamp(int32_t& stamp) const override
    {
        stamp = capture_.Frame_Time_Stamp();
        return capture_.Has_Frame_Time_Stamp();
    }
    int32_t Second_field_ms() const override { return capture_.Second_Field_After_First(); }
    Recording_reader& Reader() const override { return *reader_; }
    bool Store_dv_record() override { return avi_.Rewrite_DV_header(); }
    int32_t Drive_type() const override { return drive_type_; }
    void Fields_changed() override { Calculate_Number_of_Fields(); }
    int16_t Field_shown() const override { return Field_To_Show(); }
    std::span<const uint8_t> Frame_bytes_read() const override { return Frame_bytes(); }
    std::span<uint8_t> Frame_record_room() override;
    bool Load_frame(int32_t frame, int16_t stream) override { return Read_Frame(frame, stream); }
    bool Write_frame_back() override { return Rewrite_DV_frame(); }
    bool Frames_carry_records() const override;
    int32_t Field_drawn() const override { return Current_Field(); }
    float Time_drawn() const override { return Effective_Time(); }
    float Avi_player_time() const override;
    bool Keeps_swing_fields() const override;
    const platform::Byte_file* Model_file() const override;
    void Frame_found(int32_t frame) override { Let_eff_frameno(frame); }

    // ---- The frame source of the renderer ----
    const Picture_facts& Facts() const override;
    bool Read(int32_t frame, int16_t stream) override { return Read_Frame(frame, stream); }
    void Forget() override;
    int16_t Stream_in_store() const override { return rec_.current_stream; }
    std::span<const uint8_t> Bytes() const override { return Frame_bytes(); }
    bool Copy_frame(int32_t frame, int16_t stream, platform::Av_frame_bytes& into) override;
    void Take_capture_record() override { trace_.Read_Trace_Data(); }
    mutable Picture_facts facts_;
};

} // namespace wk
