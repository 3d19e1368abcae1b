// The recording object: one open recording file, its reader, its header, frames, drawing and traces.
#include "recording/cls_AVI_handler.h"

#include "platform/Av_frame_decoder.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Draw_surface.h"
#include "platform/Folders.h"
#include "platform/Image_library.h"
#include "platform/Mount_table.h"
#include "platform/Text_codec.h"
#include "recording/Avi_reader.h"
#include "recording/Own_format_reader.h"
#include "recording/Raw_dv_reader.h"
#include "recording/Recording_bytes.h"
#include "recording/Recording_reader.h"
#include "recording/Timecode_module.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "services/graphics/cDIBSection.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <typeinfo>
#include <unistd.h>

namespace fs = std::filesystem;

namespace wk {

namespace {

std::string Suffix_of(const std::string& path)
{
    const size_t dot = path.rfind('.');
    const size_t sep = path.find_last_of("/\\");
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return "";
    return path.substr(dot + 1);
}

std::string Header_time_now()
{
    const auto t = platform::Get_clock().Now();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d:%02d", t.year % 100, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

} // namespace

// ---- Object ----

cls_AVI_handler::cls_AVI_handler(int16_t index) : reader_(Make_recording_reader("", rec_))
{
    rec_.index = index;
    try {
        Trace_Line("* cls_AVI_handler Initialize***, M_index = " + std::to_string(index));
        Initialize_properties();
    } catch (...) {
        Report_current_exception("Class_Initialize" + std::string(k_Class));
    }
}

cls_AVI_handler::~cls_AVI_handler()
{
    try {
        Trace_Line("* cls_AVI_handler Terminate***, M_index = " + std::to_string(rec_.index));
        Close_File();
    } catch (...) {
    }
}

Cls_XML_header& cls_AVI_handler::Header() { return rec_.Header(); }

// The name decides the kind of the file and so its reader; a name of the same kind keeps the
// reader and what it knows of the file.
void cls_AVI_handler::File_name(const std::string& path)
{
    rec_.name = path;
    suffix_ = Suffix_of(path);
    std::unique_ptr<Recording_reader> reader = Make_recording_reader(suffix_, rec_);
    const Recording_reader& made = *reader;
    const Recording_reader& held = *reader_;
    if (typeid(made) != typeid(held)) reader_ = std::move(reader);
}

bool cls_AVI_handler::Is_own_format() const
{
    const std::string s = Lower_ascii(suffix_);
    return s == "qs1" || s == "qs2";
}
bool cls_AVI_handler::Is_avi() const { return Lower_ascii(suffix_) == "avi"; }
bool cls_AVI_handler::Is_sdv() const { return Lower_ascii(suffix_) == "sdv"; }
bool cls_AVI_handler::Is_plain_dv() const { return Lower_ascii(suffix_) == "dv"; }

Own_format_reader* cls_AVI_handler::Own() const { return dynamic_cast<Own_format_reader*>(reader_.get()); }
Avi_reader* cls_AVI_handler::Avi() const { return dynamic_cast<Avi_reader*>(reader_.get()); }

// ---- Open and close ----

bool cls_AVI_handler::Open_File(const std::string& path)
{
    Trace_Line("*cls_AVI_handler Open_file, File_name = " + path);
    Close_File();
    try {
        if (!FileExists(path)) {
            Trace_Line("*OF1, filename = " + path);
            return false;
        }
        if (Get_File_Size(path) < 100) {
            platform::MsgBox("Corrupt file, (Invalid file length)");
            Trace_Line("*OF2");
            return false;
        }
        File_name(path);
        // Nothing of the previous recording's header may answer for this one.
        rec_.header.reset();
        Trace_Line("*cls_AVI_handler Open_file, m_file_suffix  = " + suffix_);
        if (!reader_->Is_recording_kind()) {
            platform::MsgBox("cls_AVI_handler can't open this file type! " + path);
            Trace_Line("*OF3");
            Reset_state();
            return false;
        }
        rec_.read_only = ::access(path.c_str(), W_OK) != 0;
        if (!reader_->Open()) {
            rec_.file.Close();
            Reset_state();
            return false;
        }
        duration_ms_ = int64_t(rec_.ms_per_frame) * rec_.num_frames;
        Note_drive();
        if (read_to_memory_) Read_File_to_Memory();
        return true;
    } catch (const std::exception& e) {
        Trace_Line("*OF Open_File_Error");
        const auto* r = dynamic_cast<const Run_time_error*>(&e);
        Trace_Line("*OF6");
        platform::MsgBox("File: " + path + " Open error! \r\n" + std::to_string(r ? r->number() : 0) + " " + e.what());
        rec_.file.Close();
        Reset_state();
        return false;
    }
}

void cls_AVI_handler::Close_File()
{
    if (!rec_.file.Is_open()) return;
    try {
        if (reader_->Allows_append() && dv_frames_appended_ > 0) {
            Header().Frames_no(Header().Frames_no() + dv_frames_appended_);
            dv_frames_appended_ = 0;
            Write_XML_header();
        }
    } catch (...) {
        Report_current_exception("Close_file" + std::string(k_Class));
    }
    rec_.file.Close();
    Reset_state();
}

void cls_AVI_handler::Reset_state()
{
    file_initiated_ = false;
    dv_frames_appended_ = 0;
    g_File_Kind[size_t(std::clamp<int16_t>(rec_.index, 0, 4))] = 0;
    Forget_frame();
    extra_index_ = 0;
    rec_.Forget();
    position_ = 0;
    Decoded_Frame_No.fill(0);
    reader_->Close();
    drive_.clear();
    drive_type_ = 0;
    current_field_ = current_frame_ = 0;
    eff_frameno_ = 0;
    Reset_drawing();
}

bool cls_AVI_handler::rename_file(const std::string& new_path)
{
    try {
        std::error_code ec;
        if (fs::exists(new_path, ec)) {
            platform::MsgBox("New file already exists!");
            return false;
        }
        const std::string old = rec_.name;
        Close_File();
        fs::rename(old, new_path, ec);
        if (ec) {
            platform::MsgBox("The file could not be renamed: " + ec.message());
            Open_File(old);
            return false;
        }
        return Open_File(new_path);
    } catch (...) {
        Report_current_exception("rename_file" + std::string(k_Class));
        return false;
    }
}

// ---- Own recording format ----

bool cls_AVI_handler::Create_File()
{
    writer_file_.clear();
    try {
        if (FileExists(rec_.name)) {
            platform::MsgBox("File already exists!");
            return false;
        }
        Close_File();
        int error = 0;
        if (!rec_.file.Open(rec_.name, platform::Raw_file::Mode::Create_new, error)) {
            platform::MsgBox("File: " + rec_.name + " could not be created! \r\n" + std::to_string(error) + " " +
                             std::strerror(error));
            return false;
        }
        rec_.Take_file_number();
        rec_.read_only = false;
        position_ = 0;
        return true;
    } catch (...) {
        Report_current_exception("Create_File" + std::string(k_Class));
        return false;
    }
}

void cls_AVI_handler::Initiate_file()
{
    if (!rec_.file.Is_open()) return;
    try {
        if (!Header().Create_Header()) return;
        Own_format_reader* own = Own();
        if (!own) return; // only the own format is laid out here
        own->Head() = {};
        own->Write_head();
        if (!Write_XML_header()) return;
        static const char k_End[] = "hdrend";
        if (!rec_.file.Write_at(k_Header_area_end, k_End, 6)) throw Run_time_error(err_Disk_full, "Disk full");
        own->Head().Data_offset = k_Own_data_offset;
        own->Write_head();
        position_ = k_Own_data_offset;
        rec_.num_streams = 1;
        rec_.frame_size = k_DV_frame_size;
        file_initiated_ = true;
        writer_file_ = rec_.name;
    } catch (...) {
        Report_current_exception("Initiate_file" + std::string(k_Class));
    }
}

void cls_AVI_handler::Write_QSM_header()
{
    if (Own_format_reader* own = Own()) own->Write_head();
}

bool cls_AVI_handler::Get_QSM_header()
{
    Own_format_reader* own = Own();
    return own && own->Read_head();
}

const QSM_Header_Record& cls_AVI_handler::QSM_header() const
{
    static const QSM_Header_Record k_None;
    const Own_format_reader* own = Own();
    return own ? own->Head() : k_None;
}

bool cls_AVI_handler::Has_XML_header() { return reader_->Has_XML_header(); }

bool cls_AVI_handler::Has_DV_Header() const { return reader_->Has_DV_header(); }

bool cls_AVI_handler::Write_XML_header()
{
    try {
        if (!Has_XML_header()) return false;
        Header().Update_Time(Header_time_now());
        Header().Update_Program(g_Edition_text);
        return reader_->Write_header_text(Header().XML_string());
    } catch (...) {
        Report_current_exception("Write_XML_header" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::ReCreate_XML_header()
{
    if (!Header().Create_Header()) return false;
    return Write_XML_header();
}

std::string cls_AVI_handler::Get_DOM_string() { return Header().XML_string(); }

bool cls_AVI_handler::Append_allowed() const
{
    return !writer_file_.empty() && writer_file_ == rec_.name && reader_->Allows_append();
}

bool cls_AVI_handler::Open_for_append(const std::string& path)
{
    Close_File();
    File_name(path);
    if (!reader_->Allows_append()) {
        platform::MsgBox("Frames are appended to Wakeline recordings (.qs2) only: " + path);
        return false;
    }
    if (!rec_.Open(false)) return false;
    if (!Get_QSM_header()) {
        rec_.file.Close();
        Reset_state();
        return false;
    }
    rec_.frame_size = k_DV_frame_size;
    rec_.num_streams = Header().Streams_no();
    writer_file_ = path;
    return true;
}

bool cls_AVI_handler::Append_DV_frame(std::span<const uint8_t> frame)
{
    try {
        if (!Append_allowed())
            throw Run_time_error(err_Bad_file_mode, "The recording " + rec_.name + " is not open for appending frames");
        if (frame.size() < size_t(k_DV_frame_size))
            throw Run_time_error(err_Invalid_argument, "A DV frame of " + std::to_string(frame.size()) +
                                                           " bytes cannot be appended");
        int64_t end = 0;
        if (!reader_->Append_frame(frame.first(size_t(k_DV_frame_size)), end)) return false;
        position_ = end;
        ++dv_frames_appended_;
        DV_Header_Parse(frame.first(size_t(k_DV_frame_size)));
        const int32_t n = Timecode_To_Frames();
        if (n > 10) {
            // The first time code of a run only starts the count.
            if (last_timecode_frame_ > 0 && last_timecode_frame_ + 1 != n)
                Trace_Line("Expected DV frame " + std::to_string(last_timecode_frame_ + 1) + "Received frame " +
                           std::to_string(n));
            last_timecode_frame_ = n;
        }
        return true;
    } catch (...) {
        Report_current_exception("Append_DV_frame" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Write_DV_frame(std::span<const uint8_t> frame)
{
    try {
        if (!rec_.file.Is_open()) throw Run_time_error(52, "No recording is open");
        if (frame.size() < size_t(k_DV_frame_size))
            throw Run_time_error(err_Invalid_argument, "A DV frame of " + std::to_string(frame.size()) +
                                                           " bytes cannot be written");
        if (!rec_.file.Write_at(position_, frame.data(), size_t(k_DV_frame_size)))
            throw Run_time_error(err_Disk_full, "The frame could not be written (disk full?)");
        position_ += k_DV_frame_size;
        return true;
    } catch (...) {
        Report_current_exception("Write_DV_frame" + std::string(k_Class));
        return false;
    }
}

using namespace recording_bytes;

namespace {

bool Marker_at(std::span<const uint8_t> buf, size_t i, const char* marker)
{
    return i + 4 <= buf.size() && std::memcmp(buf.data() + i, marker, 4) == 0;
}

} // namespace

// ---- Frame location and reading ----

bool cls_AVI_handler::Read_Frame(int32_t frame, int16_t stream)
{
    Forget_frame();
    rec_.frame_in_store = 0;
    if (!rec_.file.Is_open()) return false;
    const int32_t f = std::min(frame, rec_.num_frames);
    if (f < 1) return false;
    if (!reader_->Read_frame(f, stream)) return false;
    Take_frame_time();
    Get_Current_Trace_data(rec_.frame_in_store);
    return true;
}

void cls_AVI_handler::Forget_frame()
{
    extra_.fill(0);
    extra_valid_ = false;
    raw_frame_time_ = 0;
    frame_time_stamp_ = 0;
    has_time_stamp_ = false;
    rec_.chunk_length = 0;
    m_trace_data_ = Trace_Record{};
}

// The frame's own time: from its extra-data record, rounded to a whole frame of 40 ms, less 10.
void cls_AVI_handler::Take_frame_time()
{
    Do_Read_DV_extra_data();
    if (!extra_valid_) return;
    raw_frame_time_ = Extra_long(24);
    frame_time_stamp_ = platform::Tick_add(Round_To_Multiple(raw_frame_time_, 40), -10);
    has_time_stamp_ = true;
}

std::span<const uint8_t> cls_AVI_handler::Frame_bytes() const
{
    if (rec_.frame_in_store <= 0) return {};
    return reader_->Frame();
}

uint8_t* cls_AVI_handler::Frame_address() { return reader_->Frame().data(); }

// ---- DV extra data ----

void cls_AVI_handler::Do_Read_DV_extra_data()
{
    if (!reader_->Keeps_extra_data()) return;
    const std::span<const uint8_t> buf(rec_.frame_buffer);
    auto whole_record_at = [&](size_t i) {
        return i + k_Extra_size <= buf.size() && Marker_at(buf, i, "SSCD") && Marker_at(buf, i + 186, "SSEM");
    };
    size_t at = size_t(extra_index_);
    if (extra_index_ <= 0 || !whole_record_at(at)) {
        // The record lies where the capture station put it; look for it once more in this frame.
        at = 0;
        for (size_t i = 0; i <= 15000 && i + k_Extra_size <= buf.size(); ++i)
            if (whole_record_at(i)) {
                at = i;
                break;
            }
        if (at == 0 && !whole_record_at(0)) {
            extra_.fill(0);
            extra_valid_ = false;
            return;
        }
        extra_index_ = int32_t(at);
    }
    std::memcpy(extra_.data(), buf.data() + at, k_Extra_size);
    extra_valid_ = true;
}

bool cls_AVI_handler::Rewrite_DV_Extra_data()
{
    try {
        if (!extra_valid_ || rec_.frame_in_store <= 0 || rec_.frame_position <= 0)
            throw Run_time_error(err_Invalid_argument, "The current frame has no extra data to write back");
        if (!rec_.file.Is_open() || !rec_.file.Writable() || rec_.read_only)
            throw Run_time_error(75, "The recording is read-only: " + rec_.name);
        if (!rec_.file.Write_at(rec_.frame_position - 1 + extra_index_, extra_.data(), 190))
            throw Run_time_error(err_Disk_full, "The frame's extra data could not be written");
        std::memcpy(rec_.frame_buffer.data() + extra_index_, extra_.data(), 190);
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_DV_Extra_data" + std::string(k_Class));
        return false;
    }
}

int32_t cls_AVI_handler::Extra_long(size_t offset) const { return extra_valid_ ? Get_long(&extra_[offset]) : 0; }
int16_t cls_AVI_handler::Extra_integer(size_t offset) const { return extra_valid_ ? Get_integer(&extra_[offset]) : 0; }

std::span<const uint8_t> cls_AVI_handler::Extra_data() const
{
    return extra_valid_ ? std::span<const uint8_t>(extra_) : std::span<const uint8_t>();
}

int16_t cls_AVI_handler::Lap_Count() const { return Extra_integer(166); }
bool cls_AVI_handler::Linear_buffer() const { return Extra_integer(164) == -1; }
int32_t cls_AVI_handler::Frame_time() const { return Extra_long(32); }
int32_t cls_AVI_handler::Capture_mill_time() const { return Extra_long(24); }
int32_t cls_AVI_handler::Timestamp_long() const { return Extra_long(12); }

void cls_AVI_handler::Parse_DV_header() { DV_Header_Parse(Frame_bytes()); }

const uint8_t* cls_AVI_handler::Extra_Data_Addr() const
{
    const std::vector<uint8_t>& buffer = rec_.frame_buffer;
    return buffer.size() >= size_t(g_DV_Extra_Offset) + k_Extra_size ? buffer.data() + g_DV_Extra_Offset : nullptr;
}

bool cls_AVI_handler::Write_comment(const std::string& text)
{
    if (!extra_valid_ || rec_.frame_in_store <= 0)
        throw Run_time_error(err_Invalid_argument,
                             "No frame with extra data has been read from " + rec_.name + "; the comment is not written");
    const std::string ansi = platform::Utf8_to_ansi(text).substr(0, 80);
    const auto saved = extra_;
    std::fill(extra_.begin() + 82, extra_.begin() + 162, uint8_t(0));
    std::memcpy(extra_.data() + 82, ansi.data(), ansi.size());
    if (Rewrite_DV_Extra_data()) return true;
    extra_ = saved;
    return false;
}

std::string cls_AVI_handler::Read_Comment() const
{
    if (!extra_valid_ || extra_[82] == 0) return "";
    const char* p = reinterpret_cast<const char*>(extra_.data() + 82);
    return platform::Ansi_to_utf8(std::string(p, strnlen(p, 80)));
}

// ---- Reading ahead ----

int64_t cls_AVI_handler::find_DV_offset(const std::string& path)
{
    platform::Raw_file f;
    int error = 0;
    if (!f.Open(path, platform::Raw_file::Mode::Read, error)) return -1;
    return Raw_dv_reader::First_data_byte(f);
}

void cls_AVI_handler::Preread_File()
{
    if (!rec_.file.Is_open()) return;
    const int32_t t0 = Get_Tick();
    std::vector<uint8_t> block(1 << 20);
    for (int64_t at = 0;; at += int64_t(block.size()))
        if (rec_.file.Read_at(at, block.data(), block.size()) < int64_t(block.size())) break;
    Trace_Line("*File " + rec_.name + "Pre_read in : " + std::to_string(platform::Tick_difference(Get_Tick(), t0)) +
               " milliseconds");
}

bool cls_AVI_handler::Read_File_to_Memory()
{
    if (!rec_.file.Is_open()) return false;
    const int64_t size = rec_.file.Size();
    if (size <= 0) return false;
    std::vector<uint8_t>& image = rec_.memory_image;
    try {
        image.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        image.clear();
        return false;
    }
    if (!rec_.file.Read_exact(0, image.data(), image.size())) {
        image.clear();
        return false;
    }
    return true;
}

int64_t cls_AVI_handler::File_size() const
{
    if (rec_.file.Is_open()) return rec_.file.Size();
    return Get_File_Size(rec_.name);
}

void cls_AVI_handler::Initialize_properties()
{
    // The format DV frames are decoded from until a recording says otherwise. Without a known DV
    // codec the compression stays 0: creating the object never stops the program.
    Bitmap_format& in = rec_.input_format;
    in = {};
    in.biWidth = 720;
    in.biHeight = 576;
    in.biPlanes = 1;
    in.biBitCount = 24;
    in.biCompression = g_DV_Codec.empty() ? 0 : int32_t(recording_bytes::Fourcc_of(g_DV_Codec));
    in.biSizeImage = rec_.frame_size;
}

void cls_AVI_handler::Note_drive()
{
    drive_.clear();
    drive_type_ = 0;
    std::error_code ec;
    const fs::path full = fs::absolute(rec_.name, ec);
    if (ec) return;
    const auto mount = platform::Mount_of(full.string());
    if (!mount) return;
    drive_ = mount->mount_point;
    const std::string type = Lower_ascii(mount->fs_type);
    if (type == "iso9660" || type == "udf") drive_type_ = 5;
    else if (mount->Is_network()) drive_type_ = 4;
    else if (type == "tmpfs" || type == "ramfs") drive_type_ = 6;
    else drive_type_ = 3;
}

// ---- Kind and timing ----

bool cls_AVI_handler::is_DV() const { return reader_->Is_DV(); }

bool cls_AVI_handler::is_Wakeline() { return Header().is_Wakeline(); }
std::string cls_AVI_handler::Capture_time() { return Header().Creation_date(); }
void cls_AVI_handler::Capture_time(const std::string& value) { Header().Creation_date(value); }
std::string cls_AVI_handler::Computer_name() { return Header().Comp_name(); }
std::string cls_AVI_handler::OS_version() { return Header().OS_version(); }
std::string cls_AVI_handler::Program_ID() { return Header().prog_id(); }
std::string cls_AVI_handler::Program_Major() { return Header().Prog_Major(); }
std::string cls_AVI_handler::Program_Minor() { return Header().Prog_Minor(); }
std::string cls_AVI_handler::Program_Revision() { return Header().Prog_Revision(); }

int16_t cls_AVI_handler::Seconds()
{
    return int16_t(std::nearbyint(double(Header().Frames_no()) / 25.0));
}

bool cls_AVI_handler::NTSC() const { return reader_->NTSC(); }

bool cls_AVI_handler::Set_Frames_no(int32_t n)
{
    Header().Frames_no(n);
    return Write_XML_header();
}

void cls_AVI_handler::Calculate_Number_of_Fields()
{
    Read_Stream_Info();
    rec_.num_fields = rec_.Gross_fields() - rec_.frame_selection_start;
}

bool cls_AVI_handler::Wide_Screen()
{
    if (!is_DV()) return false;
    if (rec_.frame_in_store == 0) Read_Frame(1, 1);
    Parse_DV_header();
    return Is_Wide();
}

std::string cls_AVI_handler::Timestamp_string() const
{
    return "\r\nDV frame timestamp = " + std::to_string(Timestamp_long());
}

int16_t cls_AVI_handler::mill_per_frame() const
{
    if (reader_->Plays_fields()) return int16_t(std::nearbyint(double(rec_.ms_per_frame) / 2.0));
    return rec_.ms_per_frame;
}

int16_t cls_AVI_handler::Trimmed_Start() const { return reader_->Trimmed_start(); }

int32_t cls_AVI_handler::Current_net() const
{
    if (rec_.is_deinterlaced) return current_frame_;
    // Without a selection the count starts at field 1, as the effective time does.
    const int32_t first = rec_.frame_selection_start == 0 ? 1 : rec_.frame_selection_start;
    return current_field_ - first + 1;
}

int16_t cls_AVI_handler::DV_data_hours() const { return int16_t(DV_Camera_Data.TC_Hours); }
int16_t cls_AVI_handler::DV_data_minutes() const { return int16_t(DV_Camera_Data.TC_Minutes); }

std::string cls_AVI_handler::Timecode_string()
{
    Parse_DV_header();
    return "Rec. date " + Rec_DateTime_Text() + "\r\nTimecode: " + Timecode_Frame_Text() + "\r\nShutterspeed " +
           Shutter_Text() + "\r\nIris = " + Iris_Text() + "\r\nAE mode = " + AE_Mode_Text() + "\r\nAGC = " +
           AGC_Text() + "\r\nFocal length = " + Focal_Length_Text() + "\r\nZoom = " + Zoom_Text();
}

// ---- Streams ----

int16_t cls_AVI_handler::stream_from_pos(int16_t camera_pos) const
{
    int16_t found = 0;
    for (int16_t s = 1; s <= std::min<int16_t>(rec_.num_streams, 5); ++s)
        if (rec_.streams[size_t(s)].CameraPos == camera_pos) found = s;
    return found;
}

void cls_AVI_handler::Read_Stream_Info() { rec_.Read_stream_info(); }

void cls_AVI_handler::Let_Num_write_streams(int16_t streams)
{
    num_write_streams_ = streams;
    Header().Streams_no(streams);
}

void cls_AVI_handler::Set_Multi_Stream_Size()
{
    try {
        multi_width_ = 720;
        multi_height_ = 576;
        pos_in_file_.fill(0);
        const auto& streams = rec_.streams;
        const int16_t last = std::min<int16_t>(rec_.num_streams, 5);
        int16_t active = 0;
        for (int16_t s = 1; s <= last; ++s)
            if (streams[size_t(s)].Active) ++active;
        if (active == 1) {
            for (int16_t s = 1; s <= last; ++s)
                if (streams[size_t(s)].Active) {
                    multi_width_ = streams[size_t(s)].Width;
                    multi_height_ = streams[size_t(s)].Height;
                    if (streams[size_t(s)].CameraPos >= 1 && streams[size_t(s)].CameraPos <= 6)
                        pos_in_file_[size_t(streams[size_t(s)].CameraPos)] = 1;
                }
        } else if (active == 2) {
            // Two streams side by side: the widths add, the taller one sets the height.
            int32_t w = 0, h = 0;
            for (int16_t pos = 1; pos <= 6; ++pos) {
                const int16_t s = stream_from_pos(pos);
                if (s == 0 || !streams[size_t(s)].Active) continue;
                pos_in_file_[size_t(pos)] = 1;
                w += streams[size_t(s)].Width;
                h = std::max<int32_t>(h, streams[size_t(s)].Height);
            }
            multi_width_ = int16_t(w);
            multi_height_ = int16_t(h);
        }
    } catch (...) {
        Report_current_exception("set_Multi_Stream_Size" + std::string(k_Class));
    }
}

int16_t cls_AVI_handler::Active_Streams()
{
    auto& h = Header();
    int16_t n = 0;
    for (int16_t s = 1; s <= h.Streams_no(); ++s)
        if (h.Stream_Active(s)) ++n;
    return n;
}

bool cls_AVI_handler::rotated() const { return reader_->Can_rotate() ? rec_.streams[1].rotated : false; }

bool cls_AVI_handler::rotated(bool on)
{
    Header().Stream_rotated(1, on);
    return Write_XML_header();
}

bool cls_AVI_handler::Stream_rotated(int16_t id) { return Header().Stream_rotated(id); }

bool cls_AVI_handler::Stream_rotated(int16_t id, bool on)
{
    Header().Stream_rotated(id, on);
    return Write_XML_header();
}

bool cls_AVI_handler::Set_stream_active(int16_t pos, bool on)
{
    const int16_t s = stream_from_pos(pos);
    if (s == 0) return false;
    Header().Stream_Active(s, on);
    return Write_XML_header();
}

bool cls_AVI_handler::pos_Active(int16_t pos) { return Header().Stream_Active(stream_from_pos(pos)); }
int16_t cls_AVI_handler::Camera_pos(int16_t stream) { return Header().Stream_CameraPos(stream); }
void cls_AVI_handler::Camera_pos(int16_t stream, int16_t value) { Header().Stream_CameraPos(stream, value); }

void cls_AVI_handler::Stream_offset(int16_t id, int16_t value)
{
    if (id >= 1 && id <= 3) Header().Offset_fields(id, value);
}

int16_t cls_AVI_handler::Pos_In_File(int16_t pos) const
{
    if (pos < 1 || pos > 6) throw Run_time_error(err_Subscript, "Subscript out of range");
    return pos_in_file_[size_t(pos)];
}

// ---- Selection ----

int32_t cls_AVI_handler::Selection_start()
{
    if (const DV_Header_Record* record = reader_->DV_record()) return record->Selection_start;
    if (!Has_XML_header()) return 0;
    return Header().Selection_start(1);
}

int32_t cls_AVI_handler::Selection_end()
{
    if (const DV_Header_Record* record = reader_->DV_record()) return record->Selection_end;
    if (!Has_XML_header()) return 0;
    return Header().Selection_end(1);
}

// A recording with a DV header record keeps its selection there, written at once.
void cls_AVI_handler::Set_sdv_selection(int16_t& field, int32_t value, const std::string& what)
{
    if (value < INT16_MIN || value > INT16_MAX) throw Run_time_error(err_Overflow, "Overflow");
    const int16_t old = field;
    field = int16_t(value);
    if (!Rewrite_DV_header()) {
        field = old;
        throw Run_time_error(err_Disk_full, "The " + what + " could not be written into " + rec_.name);
    }
}

void cls_AVI_handler::Selection_start(int32_t value)
{
    if (DV_Header_Record* record = reader_->DV_record())
        Set_sdv_selection(record->Selection_start, value, "selection start");
    else
        Header().Selection_start(1, value);
}

void cls_AVI_handler::Selection_end(int32_t value)
{
    if (DV_Header_Record* record = reader_->DV_record())
        Set_sdv_selection(record->Selection_end, value, "selection end");
    else
        Header().Selection_end(1, value);
}

bool cls_AVI_handler::Set_Start_frame()
{
    Header().Selection_start(1, current_field_);
    Calculate_Number_of_Fields();
    return Write_XML_header();
}

bool cls_AVI_handler::Set_End_frame()
{
    Header().Selection_end(1, current_field_);
    Calculate_Number_of_Fields();
    return Write_XML_header();
}

// The selection start and end that Set_Start_frame and Set_End_frame store are cleared again.
bool cls_AVI_handler::Clear_Start_Frame()
{
    Header().Selection_start(1, 0);
    Calculate_Number_of_Fields();
    return Write_XML_header();
}

bool cls_AVI_handler::Clear_End_Frame()
{
    Header().Selection_end(1, 0);
    Calculate_Number_of_Fields();
    return Write_XML_header();
}

bool cls_AVI_handler::Set_Selrect_stream1(int16_t a, int16_t b, int16_t c, int16_t d)
{
    auto& h = Header();
    h.Selection_Rectangle(1, "b", a);
    h.Selection_Rectangle(1, "l", b);
    h.Selection_Rectangle(1, "r", c);
    h.Selection_Rectangle(1, "t", d);
    return Write_XML_header();
}

// ---- Property text ----

std::string cls_AVI_handler::Property_String()
{
    auto one_decimal = [](double v) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.1f", std::nearbyint(v * 10.0) / 10.0);
        return std::string(buf);
    };
    const std::string nl = "\r\n";
    const int64_t size = File_size();
    const int32_t frames = rec_.num_frames;
    std::string s = "File name : " + rec_.name + nl;
    s += "File size= " + one_decimal(double(size) / 1048576.0) + " mByte" + nl;
    s += "Num frames = " + std::to_string(frames) + nl;
    s += "Num streams = " + std::to_string(rec_.num_streams) + nl;
    s += "Clip length = " + one_decimal(double(duration_ms_) / 1000.0) + " sec" + nl;
    s += "Dimensions w*h = " + std::to_string(rec_.width) + " * " + std::to_string(rec_.height) + nl;
    if (rotated())
        s += " Rotated dimensions = " + std::to_string(rec_.height) + " * " + std::to_string(rec_.width) + nl;
    s += "NTSC: " + Bool_To_Text(NTSC()) + nl;
    if (is_DV()) s += "Wide-screen = " + Bool_To_Text(Wide_Screen()) + nl;
    s += "Rotated = " + Bool_To_Text(rotated()) + nl;
    s += "Fourcc = " + rec_.codec + nl;
    if (rec_.ms_per_frame > 0) s += "Fps = " + one_decimal(1000.0 / rec_.ms_per_frame) + nl;
    const bool has_xml = Has_XML_header();
    if (has_xml) {
        for (int16_t n = 1; n <= 5; ++n) s += "Comment" + std::to_string(n) + "= " + Header().comment(n) + nl;
        s += "Subject name = " + Header().Subject_name() + nl;
    }
    if (frames > 0) s += "kByte/frame =   " + std::to_string(int64_t(std::nearbyint(double(size) / frames / 1024.0))) + nl;
    if (reader_->Header_in_chunk()) s += "Has XML chunk = " + Bool_To_Text(has_xml) + nl;
    s += "Selection start/end = " + std::to_string(Selection_start()) + "/" + std::to_string(Selection_end()) + nl;
    if (has_xml) s += "Special application =  " + Header().SpecApp() + nl;
    return s;
}

bool cls_AVI_handler::xWrite_DV_frame()
{
    const auto bytes = Frame_bytes();
    if (bytes.empty()) return false;
    const std::string path = platform::Join_path(platform::Temp_folder().string(), "dv_frame.dv");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

namespace {

// What the AVI reader answers; for a recording of another kind, what an AVI without it would.
template <class Answer>
Answer Ask(const Avi_reader* avi, Answer (Avi_reader::*question)() const)
{
    return avi ? (avi->*question)() : Answer();
}

} // namespace

Avi_reader& cls_AVI_handler::Open_avi() const
{
    Avi_reader* avi = Avi();
    if (!avi || !rec_.file.Is_open()) throw Run_time_error(52, "No AVI recording is open");
    return *avi;
}

// ---- Header chunks ----

void cls_AVI_handler::Parse_Chunks()
{
    if (Avi_reader* avi = Avi()) avi->Parse_chunks();
}

bool cls_AVI_handler::read_AVI_XML_string()
{
    Avi_reader* avi = Avi();
    return avi && avi->Read_XML_chunk();
}

int64_t cls_AVI_handler::AVI_Chunk_addr(int16_t index) const
{
    if (index < 0 || index > 7) throw Run_time_error(err_Subscript, "Subscript out of range");
    const Avi_reader* avi = Avi();
    return avi ? avi->Chunk_addr(index) : 0;
}

uint32_t cls_AVI_handler::RIFF_size() const { return Ask(Avi(), &Avi_reader::Riff_size); }

int64_t cls_AVI_handler::JUNK_pos() const { return Ask(Avi(), &Avi_reader::Junk_pos); }

// Adds the chunk at the end of the file, makes the RIFF chunk cover it and notes the chunks again.
bool cls_AVI_handler::Append_chunk(Avi_reader& avi, const char* tag, std::span<const uint8_t> data, int64_t data_size)
{
    if (!avi.Append_chunk(tag, data, data_size) || !Rewrite_AVI_Header()) return false;
    avi.Parse_chunks();
    return true;
}

bool cls_AVI_handler::Append_XML_header()
{
    try {
        Avi_reader& avi = Open_avi();
        if (!avi.Chunk_can_be_appended()) return false;
        auto& h = Header();
        if (golf_header_) h.Golfing(true);
        if (!h.Create_Header()) return false;
        const std::string text = h.XML_string();
        // Room for a header as large as the own format holds.
        const int64_t data = std::max<int64_t>(k_QSXM_min_size, (int64_t(text.size()) + 100 + 1) / 2 * 2);
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
        return Append_chunk(avi, "QSXM", bytes, data) && avi.Has_QSXM_chunk();
    } catch (...) {
        Report_current_exception("Append_XML_header" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Append_DV_header()
{
    try {
        Avi_reader& avi = Open_avi();
        if (!avi.Chunk_can_be_appended()) return false;
        const std::vector<uint8_t> record = DV_Header_Record{}.To_bytes();
        return Append_chunk(avi, "BXHD", record, DV_Header_Record::k_Size) && avi.Has_BXHD_chunk();
    } catch (...) {
        Report_current_exception("Append_DV_header" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Rewrite_AVI_Header()
{
    try {
        Open_avi().Rewrite_riff_header();
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_AVI_Header" + std::string(k_Class));
        return false;
    }
}

// ---- The DV header record ----

const DV_Header_Record& cls_AVI_handler::DV_header() const
{
    static const DV_Header_Record k_None;
    const DV_Header_Record* record = reader_->DV_record();
    return record ? *record : k_None;
}

bool cls_AVI_handler::Rewrite_DV_header()
{
    try {
        // The record opens an sdv file only; anywhere else it would overwrite the file's start.
        const DV_Header_Record* record = reader_->DV_record();
        if (!record || !rec_.file.Is_open()) throw Run_time_error(52, "No sdv recording is open");
        if (rec_.read_only || !rec_.file.Writable()) throw Run_time_error(75, "The recording is read-only: " + rec_.name);
        const std::vector<uint8_t> bytes = record->To_bytes();
        if (!rec_.file.Write_at(0, bytes.data(), bytes.size()))
            throw Run_time_error(err_Disk_full, "The DV header could not be written");
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_DV_header" + std::string(k_Class));
        return false;
    }
}

// ---- Indexes and frames ----

bool cls_AVI_handler::Get_AVI_indexes(const std::string& path)
{
    if (Avi_reader* avi = Avi()) return avi->Read_indexes(path);
    Avi_reader::Say_no_index(path);
    return false;
}

bool cls_AVI_handler::Read_ix00_Index(int64_t start)
{
    Avi_reader* avi = Avi();
    return avi && avi->Read_ix00_index(start);
}

const std::vector<cls_AVI_handler::Ix00_entry>& cls_AVI_handler::ix00_entries() const
{
    static const std::vector<Ix00_entry> k_None;
    const Avi_reader* avi = Avi();
    return avi ? avi->Ix00_entries() : k_None;
}

std::span<const uint8_t> cls_AVI_handler::Get_Frame(int32_t frame)
{
    if (!Read_Frame(frame, 1) || !Avi()) return {};
    return Avi()->Chunk_data();
}

int32_t cls_AVI_handler::Index_flag(int32_t n) const
{
    if (const Avi_reader* avi = Avi()) return avi->Index_flag(n);
    throw Run_time_error(err_Subscript, "Subscript out of range");
}

int64_t cls_AVI_handler::Chunk_Position() const { return Ask(Avi(), &Avi_reader::Chunk_position); }

int32_t cls_AVI_handler::Position_Percent() const { return Ask(Avi(), &Avi_reader::Position_percent); }

float cls_AVI_handler::Player_Time() const { return Ask(Avi(), &Avi_reader::Player_time); }

// ---- The AVI's own headers ----

bool cls_AVI_handler::Read_Headers()
{
    Avi_reader* avi = Avi();
    return avi && avi->Read_headers();
}

std::span<const uint8_t> cls_AVI_handler::AVI_Chunk_addr() const { return Ask(Avi(), &Avi_reader::Avih_header); }

std::span<const uint8_t> cls_AVI_handler::AVIInfo_addr() const { return Ask(Avi(), &Avi_reader::Avih); }

std::span<const uint8_t> cls_AVI_handler::get_AVI_strh() const { return Ask(Avi(), &Avi_reader::Strh); }

std::span<const uint8_t> cls_AVI_handler::get_AVI_strf() const { return Ask(Avi(), &Avi_reader::Strf); }

std::string cls_AVI_handler::Hash_atype() const { return Ask(Avi(), &Avi_reader::Hash_atype); }

bool cls_AVI_handler::Force_Framerate(int16_t fps)
{
    Avi_reader* avi = Avi();
    if (!avi || !avi->Headers_read() || !rec_.file.Is_open())
        throw Run_time_error(err_Invalid_argument, "The frame rate can be set only after the AVI headers of " +
                                                       rec_.name + " have been read");
    return avi->Force_framerate(fps);
}

// ---- Text stream ----

bool cls_AVI_handler::Has_Text_Stream() const { return Ask(Avi(), &Avi_reader::Has_text_stream); }

int16_t cls_AVI_handler::Text_Length() const { return Ask(Avi(), &Avi_reader::Text_length); }

std::span<const uint8_t> cls_AVI_handler::text_adress() const { return Ask(Avi(), &Avi_reader::Text); }

int64_t cls_AVI_handler::Text_Position() const { return Ask(Avi(), &Avi_reader::Text_position); }

std::vector<uint8_t> cls_AVI_handler::Get_Text_buffer(int32_t frame)
{
    Avi_reader* avi = Avi();
    return avi ? avi->Text_chunk(frame) : std::vector<uint8_t>();
}

bool cls_AVI_handler::Put_Text_buffer(std::span<const uint8_t> data)
{
    Avi_reader* avi = Avi();
    return avi && avi->Put_text(data);
}

bool cls_AVI_handler::Rewrite_Text_Buffer(int32_t frame)
{
    try {
        if (drive_type_ == 5) {
            platform::MsgBox("AVI file is on CD-ROM!");
            return false;
        }
        if (rec_.read_only) {
            platform::MsgBox("AVI file is read only");
            return false;
        }
        if (!Has_Text_Stream()) return false;
        Avi()->Write_text(frame);
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_Text_Buffer" + std::string(k_Class));
        return false;
    }
}

namespace {

constexpr const char* k_Race_source = "cls_AVI_handler";

int16_t Fit_16_bits(int32_t v, const char* kind, const char* name)
{
    if (v < INT16_MIN || v > INT16_MAX)
        throw Run_time_error(err_Overflow,
                             std::string("Overflow: the ") + kind + " " + std::to_string(v) + " of " + name +
                                 " is outside -32768..32767",
                             k_Race_source);
    return int16_t(v);
}

// Lane marks and goal-line ends are read back as 16-bit numbers; a wider value would make the
// recording's race data unreadable, so it is never stored.
void Check_coordinate(int32_t v, const char* member) { Fit_16_bits(v, "coordinate", member); }

int16_t To_integer(int32_t v, const char* what) { return Fit_16_bits(v, "header value", what); }

} // namespace

Cls_XML_header& cls_AVI_handler::Loaded_header(const char* member)
{
    if (!rec_.header)
        throw Run_time_error(err_Object_variable, std::string(member) + ": the recording has no header loaded",
                             k_Race_source);
    return *rec_.header;
}

std::string cls_AVI_handler::Event_name() { return Header().Event_name(); }
bool cls_AVI_handler::Event_name(const std::string& value)
{
    Header().Event_name(value);
    return Write_XML_header();
}

std::string cls_AVI_handler::Wakeline_Marathon_Class_Name(int16_t id) { return Header().Wakeline_Marathon_Class_Name(id); }
void cls_AVI_handler::Wakeline_Marathon_Class_Name(int16_t id, const std::string& value)
{
    Header().Wakeline_Marathon_Class_Name(id, value);
}
std::string cls_AVI_handler::Wakeline_Marathon_Class_Start(int16_t id)
{
    return Header().Wakeline_Marathon_Class_Start(id);
}
void cls_AVI_handler::Wakeline_Marathon_Class_Start(int16_t id, const std::string& value)
{
    Header().Wakeline_Marathon_Class_Start(id, value);
}

int16_t cls_AVI_handler::Lane_count() { return Header().Num_Lanes(); }
bool cls_AVI_handler::Lane_count(int16_t value)
{
    Header().Num_Lanes(value);
    return Write_XML_header();
}
void cls_AVI_handler::Num_Lanes(int16_t value) { Header().Num_Lanes(value); }
int16_t cls_AVI_handler::Start_lane() { return Header().Start_lane(); }
bool cls_AVI_handler::Start_Lane_Zero() { return Header().Start_lane() == 0; }
void cls_AVI_handler::Start_Lane_Zero(bool value) { Header().Start_lane(value ? int16_t(0) : int16_t(1)); }

void cls_AVI_handler::File_Lane_Pos(int16_t lane, int32_t x, int32_t y)
{
    Cls_XML_header& h = Loaded_header("File_Lane_Pos");
    Check_coordinate(x, "File_Lane_Pos");
    Check_coordinate(y, "File_Lane_Pos");
    h.Lane_pos(lane, x, y);
}
int16_t cls_AVI_handler::LaneX(int16_t lane) { return To_integer(Header().Lane_pos_X(lane), "lane_x"); }
int16_t cls_AVI_handler::LaneY(int16_t lane) { return To_integer(Header().Lane_pos_Y(lane), "lane_y"); }

bool cls_AVI_handler::Lanes_flipped() { return Header().Lanes_flipped(); }
void cls_AVI_handler::Lanes_flipped(bool value) { Header().Lanes_flipped(value); }
bool cls_AVI_handler::Lanes_reversed() { return Header().Lanes_reversed(); }
void cls_AVI_handler::Lanes_reversed(bool value) { Header().Lanes_reversed(value); }
bool cls_AVI_handler::Lanes_Visible() { return Header().Lanes_Visible(); }
void cls_AVI_handler::Lanes_Visible(bool value) { Header().Lanes_Visible(value); }
bool cls_AVI_handler::Lanes_locked() { return Header().Lanes_locked(); }
bool cls_AVI_handler::Lanes_locked(bool value)
{
    Header().Lanes_locked(value);
    return Write_XML_header();
}
bool cls_AVI_handler::Show_goalline() { return Header().Show_goalline(); }
void cls_AVI_handler::Show_goalline(bool value) { Header().Show_goalline(value); }

void cls_AVI_handler::Get_Goalline(int16_t& x1, int16_t& y1, int16_t& x2, int16_t& y2)
{
    int32_t a = 0, b = 0, c = 0, d = 0;
    Loaded_header("Get_Goalline").Get_Goalline(a, b, c, d);
    const int16_t nx1 = To_integer(a, "goal_x_1"), ny1 = To_integer(b, "goal_y_1");
    const int16_t nx2 = To_integer(c, "goal_x_2"), ny2 = To_integer(d, "goal_y_2");
    x1 = nx1;
    y1 = ny1;
    x2 = nx2;
    y2 = ny2;
}

void cls_AVI_handler::Set_Goal_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    Cls_XML_header& h = Loaded_header("Set_Goal_Line");
    for (int32_t v : {x1, y1, x2, y2}) Check_coordinate(v, "Set_Goal_Line");
    h.Set_Goalline(x1, y1, x2, y2);
}

bool cls_AVI_handler::Fix_Goal_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    for (int32_t v : {x1, y1, x2, y2}) Check_coordinate(v, "Fix_Goal_Line");
    Header().Set_Goalline(x1, y1, x2, y2);
    return Write_XML_header();
}

std::string cls_AVI_handler::Heat_ID(int16_t heat)
{
    std::string id = Header().Heat_ID(heat);
    // The capture station stores a blank for a heat without a name.
    return id == " " ? std::string() : id;
}
void cls_AVI_handler::Heat_ID(int16_t heat, const std::string& value) { Header().Heat_ID(heat, value); }
bool cls_AVI_handler::Update_Heat_ID(int16_t heat, const std::string& value)
{
    Header().Heat_ID(heat, value);
    return Write_XML_header();
}
std::string cls_AVI_handler::Heat_comment(int16_t heat) { return Header().Heat_comment(heat); }
void cls_AVI_handler::Heat_comment(int16_t heat, const std::string& value) { Header().Heat_comment(heat, value); }

int32_t cls_AVI_handler::Heat_result(int16_t heat, int16_t lane) { return Header().Heat_result(heat, lane); }
void cls_AVI_handler::Heat_result(int16_t heat, int16_t lane, int32_t value) { Header().Heat_result(heat, lane, value); }
int32_t cls_AVI_handler::Heat_time(int16_t heat, int16_t lane)
{
    if (rec_.name.empty()) return 0;
    return Header().Heat_result(heat, lane);
}
void cls_AVI_handler::Heat_time(int16_t heat, int16_t lane, int32_t value) { Header().Heat_result(heat, lane, value); }
int32_t cls_AVI_handler::Heat_Clicktime(int16_t heat, int16_t lane) { return Header().Heat_Click_time(heat, lane); }
void cls_AVI_handler::Heat_Clicktime(int16_t heat, int16_t lane, int32_t value)
{
    Header().Heat_Click_time(heat, lane, value);
}
int32_t cls_AVI_handler::Heat_Goalfield(int16_t heat, int16_t lane) { return Header().Heat_Goal_Field(heat, lane); }
void cls_AVI_handler::Heat_Goalfield(int16_t heat, int16_t lane, int32_t value)
{
    Header().Heat_Goal_Field(heat, lane, value);
}
int32_t cls_AVI_handler::Heat_Start_Correction(int16_t heat) { return Header().Heat_Correction_mill(heat); }
bool cls_AVI_handler::Heat_Start_Correction(int16_t heat, int32_t value)
{
    Header().Heat_Correction_mill(heat, value);
    return Write_XML_header();
}

void cls_AVI_handler::Start_local_mill(int16_t heat, int32_t value) { Header().Start_local_mill(heat, value); }
void cls_AVI_handler::Start_PC_mill(int16_t heat, int32_t value) { Header().Start_PC_mill(heat, value); }
void cls_AVI_handler::Start_PC_Mill_time(int16_t heat, int32_t value) { Header().Start_PC_mill(heat, value); }
int32_t cls_AVI_handler::Start_local_Mill_Time(int16_t heat)
{
    if (rec_.name.empty()) return 0;
    return Header().Start_local_mill(heat);
}
int32_t cls_AVI_handler::Start_PC_Mill_time(int16_t heat)
{
    if (rec_.name.empty()) return 0;
    return Header().Start_PC_mill(heat);
}

bool cls_AVI_handler::Set_Multi_Start(int16_t heat)
{
    Cls_XML_header& h = Header();
    const int32_t local = Get_Local_Mill_Time();
    const int32_t tick = Get_Tick();
    h.Start_local_mill(heat, local);
    h.Start_PC_mill(heat, tick);
    return Write_XML_header();
}

bool cls_AVI_handler::Clear_Multi_Start(int16_t heat)
{
    Cls_XML_header& h = Header();
    h.Start_local_mill(heat, 0);
    h.Start_PC_mill(heat, 0);
    return Write_XML_header();
}

void cls_AVI_handler::Clear_Heats()
{
    Cls_XML_header& h = Header();
    const int16_t heats = h.heats_num();
    // Every heat must be there before any is cleared.
    for (int16_t i = 1; i <= heats; ++i) h.Start_local_mill(i);
    for (int16_t i = 1; i <= heats; ++i) h.Start_local_mill(i, 0);
}

int32_t cls_AVI_handler::Old_HeatStart() const { return Extra_long(28); }

int32_t cls_AVI_handler::Multi_TimeStamp(int16_t heat)
{
    int32_t start = Header().Start_PC_mill(heat);
    if (start == 0) start = Old_HeatStart();
    if (start == 0)
        throw Run_time_error(err_Invalid_argument,
                             "Heat " + std::to_string(heat) +
                                 " has no start: neither the recording's header nor the frame holds one",
                             k_Race_source);
    // A frame without its own stamp has no race time; an older frame's must not stand in.
    if (!Has_Frame_Time_Stamp())
        throw Run_time_error(err_Invalid_argument, "The frame shown has no time stamp of its own", k_Race_source);
    // The tick wraps; a heat may run across the change of sign.
    int64_t t = platform::Tick_difference(Frame_Time_Stamp(), start);
    if (Field_To_Show() == 2) t += 20;
    const int16_t goal_offset = Extra_integer(172);
    if (goal_offset < 500) t -= goal_offset;
    if (t < INT32_MIN || t > INT32_MAX)
        throw Run_time_error(err_Overflow, "Overflow: the race time is out of range", k_Race_source);
    return int32_t(t);
}

// What the drawing keeps between calls. The pictures are made on first use and kept for the
// object's life, so stepping through a recording allocates nothing.
struct cls_AVI_handler::Drawing {
    std::unique_ptr<platform::Av_frame_decoder> decoder;
    std::string decoder_codec;
    int64_t decoded_before = 0;        // decodes of decoders dropped for another codec
    cDIBSection frame;                 // the plain draw, at the recording's frame size
    cDIBSection overlay_source, overlay_target, overlay_background;
    bool overlay_ready = false;
    cDIBSection rotate_source, rotate_target;
    cDIBSection mirror;                // mirroring works here, never in the overlay pictures
    std::array<cDIBSection, 4> field_frame, field; // streams 1 to 3
    std::array<int32_t, 4> field_held{};            // the field number each field picture holds
    cDIBSection rotated_field;
    cDIBSection line_frame, line_field;             // Draw_field
    int32_t line_field_held = 0;
    int16_t last_stream = 0;           // stream of the last field drawn
    int32_t store_frame = 0;           // the frame in store when that field was drawn
    int16_t store_stream = 0;
};

void cls_AVI_handler::Drawing_deleter::operator()(Drawing* d) const { delete d; }

cls_AVI_handler::Drawing& cls_AVI_handler::Draw_state()
{
    if (!drawing_) drawing_.reset(new Drawing);
    return *drawing_;
}

platform::Frame_decoder* cls_AVI_handler::Decoder()
{
    Drawing& d = Draw_state();
    // DV kinds use the DV decoder; AVI recordings the decoder of their codec.
    const std::string codec = reader_->Decoder_codec();
    if (!d.decoder || d.decoder_codec != codec) {
        if (d.decoder) d.decoded_before += d.decoder->Decoded_count();
        d.decoder = std::make_unique<platform::Av_frame_decoder>(codec);
        d.decoder_codec = codec;
    }
    return d.decoder.get();
}

int64_t cls_AVI_handler::Decoded_count() const
{
    if (!drawing_) return 0;
    return drawing_->decoded_before + (drawing_->decoder ? drawing_->decoder->Decoded_count() : 0);
}

bool cls_AVI_handler::Decode_into(cDIBSection& picture)
{
    const std::span<const uint8_t> bytes = Frame_bytes();
    bool ok = false;
    if (!bytes.empty() && picture.DIBSectionBitsPtr() != nullptr) {
        platform::Frame_decoder* decoder = Decoder();
        ok = decoder != nullptr && picture.Decode_frame(*decoder, bytes);
    }
    last_draw_result_ = ok ? 1 : 0;
    return ok;
}

void cls_AVI_handler::Paint_black(platform::Draw_surface& picture, int32_t left, int32_t top, int32_t width,
                                  int32_t height)
{
    picture.BitBlt(left, top, width, height, nullptr, 0, 0, platform::BLACKNESS);
}

void cls_AVI_handler::Make_overlay_pictures(int32_t width, int32_t height)
{
    Drawing& d = Draw_state();
    // Made once; a size that makes no picture (nothing open, an empty picture box) is tried again.
    d.overlay_ready = d.overlay_source.Create(width, height) && d.overlay_target.Create(width, height) &&
                      d.overlay_background.Create(width, height);
}

const cDIBSection* cls_AVI_handler::Overlay_Source() const { return drawing_ ? &drawing_->overlay_source : nullptr; }
const cDIBSection* cls_AVI_handler::Overlay_Target() const { return drawing_ ? &drawing_->overlay_target : nullptr; }
const cDIBSection* cls_AVI_handler::Overlay_Background() const
{
    return drawing_ ? &drawing_->overlay_background : nullptr;
}

namespace {

// The codec text of a failed decode.
std::string Codec_text(const std::string& codec)
{
    if (!codec.empty() && codec != "0") return codec;
    return g_DV_Codec.empty() ? std::string("dvsd") : g_DV_Codec;
}

// Makes the picture width x height unless it is that size already.
bool Ensure_size(cDIBSection& picture, int32_t width, int32_t height)
{
    if (picture.DIBSectionBitsPtr() != nullptr && picture.Width() == width && picture.Height() == height) return true;
    return picture.Create(width, height);
}

void Fill_black(cDIBSection& picture)
{
    if (uint8_t* bits = picture.DIBSectionBitsPtr()) std::memset(bits, 0, size_t(picture.SizeImage()));
}

} // namespace

bool cls_AVI_handler::Draw_frame(int32_t& frame, platform::Draw_surface& picture, bool mirror, int16_t stream,
                                 platform::Draw_surface* target, bool rotated)
{
    try {
        if (!rec_.file.Is_open()) return false;
        Drawing& d = Draw_state();
        const int32_t pw = picture.Width(), ph = picture.Height();
        if (!d.overlay_ready) Make_overlay_pictures(pw, ph);
        if (frame == 0) frame = 1;
        current_frame_ = frame;
        const bool read = Read_Frame(frame, stream);
        const int32_t fw = rec_.width > 0 ? rec_.width : 720, fh = rec_.height > 0 ? rec_.height : 576;
        bool shown = false;
        if (rotated) {
            Ensure_size(d.rotate_source, 720, 576);
            Ensure_size(d.rotate_target, 576, 720);
            shown = read && Decode_into(d.rotate_source);
            if (shown) {
                platform::Rotate90(d.rotate_source.DIBSectionBitsPtr(), d.rotate_target.DIBSectionBitsPtr(),
                                   d.rotate_source.Width(), d.rotate_source.Height(), 0);
                d.rotate_target.DIB_PaintPicture(&picture, 0, 0, pw, ph);
            }
        } else if (flip_ != 0 || mirror) {
            Ensure_size(d.mirror, fw, fh);
            shown = read && Decode_into(d.mirror);
            if (shown) {
                platform::FlipImageRGB24(d.mirror.DIBSectionBitsPtr(), int16_t(d.mirror.Width()),
                                         int16_t(d.mirror.Height()));
                d.mirror.DIB_PaintPicture(&picture, 0, 0, pw, ph);
            }
        } else if (overlay_ == 0) {
            decode_info_ = std::to_string(rec_.frame_size);
            Ensure_size(d.frame, fw, fh);
            shown = read && Decode_into(d.frame);
            platform::Draw_surface& to = target != nullptr ? *target : picture;
            const int32_t w = target != nullptr ? fw : pw, h = target != nullptr ? fh : ph;
            if (shown) d.frame.DIB_PaintPicture(&to, 0, 0, w, h);
            else {
                decode_info_ = Codec_text(rec_.codec);
                Paint_black(to, 0, 0, w, h);
                return false;
            }
        } else if (overlay_ > 0) {
            if (rec_.frame_in_store == 1) {
                // The overlay starts again: frame 1 is the picture and, of stream 1, the background.
                shown = read && Decode_into(d.overlay_target);
                if (shown && stream == 1) {
                    if (d.overlay_background.SizeImage() == d.overlay_target.SizeImage() &&
                        d.overlay_background.DIBSectionBitsPtr() != nullptr)
                        std::memcpy(d.overlay_background.DIBSectionBitsPtr(), d.overlay_target.DIBSectionBitsPtr(),
                                    size_t(d.overlay_target.SizeImage()));
                } else if (shown) {
                    if (!(Read_Frame(1, 1) && Decode_into(d.overlay_background))) Fill_black(d.overlay_background);
                    Read_Frame(frame, stream);
                }
            } else {
                shown = read && Decode_into(d.overlay_source);
                if (shown) {
                    const auto w = int16_t(d.overlay_source.Width()), h = int16_t(d.overlay_source.Height());
                    if (overlay_ == 4)
                        platform::ABlend(d.overlay_source.DIBSectionBitsPtr(), d.overlay_target.DIBSectionBitsPtr(),
                                         d.overlay_background.DIBSectionBitsPtr(), w, h, blend_faktor_);
                    else if (overlay_ == 3)
                        platform::LBlend(d.overlay_source.DIBSectionBitsPtr(), d.overlay_target.DIBSectionBitsPtr(),
                                         w, h, 2);
                    else if (overlay_ == 2)
                        platform::LBlend(d.overlay_source.DIBSectionBitsPtr(), d.overlay_target.DIBSectionBitsPtr(),
                                         w, h, 1);
                }
            }
            if (shown) d.overlay_target.DIB_PaintPicture(&picture, 0, 0, pw, ph);
        } else {
            return false; // a negative overlay mode draws nothing
        }
        if (!shown) {
            Paint_black(picture, 0, 0, pw, ph);
            return false;
        }
        field_to_show_ = 1;
        effective_time_ = float(rec_.frame_in_store - 1) * float(rec_.ms_per_frame);
        return true;
    } catch (...) {
        Report_current_exception("Draw_frame" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Refresh_frame(platform::Draw_surface& picture)
{
    Drawing& d = Draw_state();
    const int32_t pw = picture.Width(), ph = picture.Height();
    if (overlay_ >= 1) {
        if (d.overlay_target.DIBSectionBitsPtr() == nullptr) return false;
        d.overlay_target.DIB_PaintPicture(&picture, 0, 0, pw, ph);
        return true;
    }
    if (rec_.frame_in_store <= 0) return false;
    if (!Ensure_size(d.frame, rec_.width > 0 ? rec_.width : 720, rec_.height > 0 ? rec_.height : 576) || !Decode_into(d.frame)) {
        Paint_black(picture, 0, 0, pw, ph);
        return false;
    }
    d.frame.DIB_PaintPicture(&picture, 0, 0, pw, ph);
    return true;
}

bool cls_AVI_handler::Blit_Frame(platform::Draw_surface* dc, int32_t width, int32_t height)
{
    if (dc == nullptr || rec_.frame_in_store <= 0) return false;
    Drawing& d = Draw_state();
    if (!Ensure_size(d.frame, rec_.width > 0 ? rec_.width : 720, rec_.height > 0 ? rec_.height : 576) || !Decode_into(d.frame)) {
        Paint_black(*dc, 0, 0, width, height);
        return false;
    }
    d.frame.DIB_PaintPicture(dc, 0, 0, width, height);
    return true;
}

bool cls_AVI_handler::Draw_Panned_frame(int32_t frame, platform::Draw_surface& picture, int16_t x, int16_t y)
{
    Drawing& d = Draw_state();
    const auto w = int16_t(picture.Width()), h = int16_t(picture.Height());
    Paint_black(picture, 0, 0, w, h);
    if (!Read_Frame(frame, 1) || !Ensure_size(d.frame, rec_.width > 0 ? rec_.width : 720, rec_.height > 0 ? rec_.height : 576) ||
        !Decode_into(d.frame))
        return false;
    // 1:1 from (x, y); what lies outside the frame stays black.
    picture.BitBlt(0, 0, w, h, d.frame.hDC(), x, y, platform::SRCCOPY);
    return true;
}

bool cls_AVI_handler::Restore_target(int32_t frame)
{
    Drawing& d = Draw_state();
    if (!d.overlay_ready) Make_overlay_pictures(rec_.width, rec_.height);
    if (Read_Frame(frame, 1) && Decode_into(d.overlay_target)) return true;
    Fill_black(d.overlay_target);
    return false;
}

bool cls_AVI_handler::Store_frame(int32_t frame, const std::string& which)
{
    if (!rec_.file.Is_open()) return false;
    Drawing& d = Draw_state();
    if (!d.overlay_ready) Make_overlay_pictures(rec_.width, rec_.height);
    if (frame == 0) frame = 1;
    cDIBSection* into = which == "source" ? &d.overlay_source : which == "target" ? &d.overlay_target : nullptr;
    if (into == nullptr) return false;
    if (Read_Frame(frame, 1) && Decode_into(*into)) return true;
    decode_info_ = Codec_text(rec_.codec);
    Fill_black(*into);
    return false;
}

bool cls_AVI_handler::Reset_Overlay(platform::Draw_surface& picture)
{
    if (overlay_ == 0 || rec_.frame_in_store <= 0) return false;
    Drawing& d = Draw_state();
    cDIBSection& into = overlay_ == 4 ? d.overlay_background : d.overlay_target;
    const bool ok = Decode_into(into);
    if (!ok) Fill_black(into);
    d.overlay_target.DIB_PaintPicture(&picture, 0, 0, picture.Width(), picture.Height());
    return ok;
}

// Field n's time: field 1 of a frame has the frame's time, field 2 is one field later.
float cls_AVI_handler::Field_time(int32_t field) const
{
    const int32_t first = Trimmed_Start() == 0 ? 1 : Trimmed_Start();
    return float(int64_t(field) - first) * float(rec_.ms_per_field);
}

int16_t cls_AVI_handler::Drawn_streams() const { return std::clamp<int16_t>(rec_.num_streams, 1, 3); }

const cDIBSection* cls_AVI_handler::Field_DIB(int16_t stream) const
{
    if (!drawing_ || stream < 1 || stream > 3) return nullptr;
    return &drawing_->field[size_t(stream)];
}

const cDIBSection* cls_AVI_handler::Rotated_Field_DIB() const { return drawing_ ? &drawing_->rotated_field : nullptr; }

// What the next drawing of the same field may show again without reading.
void cls_AVI_handler::Note_field_drawn(int32_t field, int16_t stream)
{
    Drawing& d = Draw_state();
    last_field_ = field;
    d.last_stream = stream;
    d.store_frame = rec_.frame_in_store;
    d.store_stream = rec_.current_stream;
}

bool cls_AVI_handler::Draw_field_3(int32_t field, platform::Draw_surface& picture, int16_t stream, bool rotated)
{
    try {
        if (!rec_.file.Is_open()) return false;
        current_field_ = field;
        if (field == 0) return false;
        if (stream < 1 || stream > 3)
            throw Run_time_error(err_Subscript, "Subscript out of range: stream " + std::to_string(stream));
        Drawing& d = Draw_state();
        const int32_t pw = picture.Width(), ph = picture.Height();
        cDIBSection& frame_pic = d.field_frame[size_t(stream)];
        cDIBSection& field_pic = d.field[size_t(stream)];
        const bool full_size = reader_->Fields_at_full_size();
        auto paint_field = [&] {
            if (full_size) field_pic.DIB_DrawDib2(picture, 0, 0, 720, 576);
            else field_pic.DIB_PaintPicture(&picture, 0, 0, pw, ph);
        };
        // The same field again: shown from the field picture, nothing read or decoded.
        if (!rotated && field == last_field_ && stream == d.last_stream && d.field_held[size_t(stream)] == field &&
            rec_.frame_in_store == d.store_frame && rec_.current_stream == d.store_stream) {
            paint_field();
            return true;
        }
        if (rec_.name.empty()) return false;
        const auto frame_no = int32_t((int64_t(field) + 1) / 2);
        const int16_t which = Field_Parity(field);
        eff_frameno_ = frame_no;
        field_to_show_ = which;
        const bool read = Read_Frame(frame_no, stream);
        const int32_t sh = NTSC() ? 480 : 576;
        if (field_pic.Height() != sh || field_pic.DIBSectionBitsPtr() == nullptr ||
            frame_pic.DIBSectionBitsPtr() == nullptr) {
            field_pic.Create(720, sh);
            frame_pic.Create(720, sh);
            Decoded_Frame_No[size_t(stream)] = 0;
            d.field_held[size_t(stream)] = 0;
        }
        if (reader_->Traces_read_with_fields()) Read_Trace_Data();
        bool ok = read;
        // Once per frame: field 2 of the frame just shown is in the frame picture already.
        if (ok && Decoded_Frame_No[size_t(stream)] != rec_.frame_in_store) {
            Decoded_Frame_No[size_t(stream)] = 0;
            ok = Decode_into(frame_pic);
            if (ok) Decoded_Frame_No[size_t(stream)] = rec_.frame_in_store;
        }
        const int32_t part = rotated ? pw / Drawn_streams() : pw;
        const int32_t left = rotated ? (stream - 1) * part : 0;
        if (!ok) {
            d.field_held[size_t(stream)] = 0;
            last_field_ = 0;
            Paint_black(picture, left, 0, part, ph);
            return false;
        }
        platform::deinterlaceFrame2(frame_pic.DIBSectionBitsPtr(), field_pic.DIBSectionBitsPtr(),
                                    int16_t(field_pic.Width()), int16_t(field_pic.Height()), which);
        d.field_held[size_t(stream)] = field;
        if (!rotated) {
            paint_field();
        } else {
            Ensure_size(d.rotated_field, field_pic.Height(), field_pic.Width());
            platform::Rotate90(field_pic.DIBSectionBitsPtr(), d.rotated_field.DIBSectionBitsPtr(), field_pic.Width(),
                               field_pic.Height(), 0);
            d.rotated_field.DIB_PaintPicture(&picture, left, 0, part, ph);
        }
        effective_time_ = Field_time(field);
        Note_field_drawn(field, stream);
        return true;
    } catch (...) {
        Report_current_exception("Draw_field_3" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Draw_field(int32_t field, platform::Draw_surface& picture, bool swap, int16_t stream)
{
    try {
        picture.SetStretchBltMode(platform::HALFTONE);
        if (field == 0) return false;
        Drawing& d = Draw_state();
        const int32_t fw = rec_.width > 0 ? rec_.width : 720, fh = rec_.height > 0 ? rec_.height : 576;
        if (field == last_field_ && stream == d.last_stream && d.line_field_held == field &&
            rec_.frame_in_store == d.store_frame && rec_.current_stream == d.store_stream) {
            picture.BitBlt(0, 0, fw, fh, d.line_field.hDC(), 0, 0, platform::SRCCOPY);
            return true;
        }
        if (rec_.name.empty()) return false;
        decode_info_ = rec_.name;
        const auto frame_no = int32_t((int64_t(field) + 1) / 2);
        const int16_t which = Field_Parity(field);
        eff_frameno_ = frame_no;
        field_to_show_ = which;
        Ensure_size(d.line_frame, fw, fh);
        Ensure_size(d.line_field, fw, fh);
        if (!Read_Frame(frame_no, stream) || !Decode_into(d.line_frame)) {
            d.line_field_held = 0;
            last_field_ = 0;
            Paint_black(picture, 0, 0, picture.Width(), picture.Height());
            return false;
        }
        platform::deinterlaceFrame2(d.line_frame.DIBSectionBitsPtr(), d.line_field.DIBSectionBitsPtr(), int16_t(fw),
                                    int16_t(fh), swap ? int16_t(3 - which) : which);
        d.line_field_held = field;
        picture.StretchBlt(0, 0, picture.Width(), picture.Height(), d.line_field.hDC(), 0, 0, fw, fh,
                           platform::SRCCOPY);
        Note_field_drawn(field, stream);
        return true;
    } catch (...) {
        // Quietly, as the older drawing always did.
        return false;
    }
}

void cls_AVI_handler::Refresh_field(platform::Draw_surface& picture, bool rotated)
{
    Drawing& d = Draw_state();
    cDIBSection& shown = rotated ? d.rotated_field : d.field[1];
    shown.DIB_PaintPicture(&picture, 0, 0, picture.Width(), picture.Height());
}

void cls_AVI_handler::Reset_drawing()
{
    if (drawing_) {
        drawing_->overlay_ready = false;
        drawing_->field_held.fill(0);
        drawing_->line_field_held = 0;
        drawing_->last_stream = 0;
        drawing_->store_frame = 0;
        drawing_->store_stream = 0;
    }
    last_field_ = 0;
    m_trace_data_ = Trace_Record{};
    trace_read_ = Trace_Record{};
    trace_array_.clear();
}

std::span<uint8_t> cls_AVI_handler::Frame_data()
{
    if (rec_.frame_in_store <= 0 || !reader_->Frame_has_trace_room()) return {};
    return reader_->Frame();
}

// Raw DV and multi-stream DV files are never written here: their change stays in memory.
bool cls_AVI_handler::Rewrite_DV_frame() { return reader_->Rewrite_frame(); }

bool cls_AVI_handler::Write_trace_record(const Trace_Record& record)
{
    const std::span<uint8_t> data = Frame_data();
    if (data.size() < Trace_Record::k_Offset + Trace_Record::k_Size) return false;
    uint8_t* at = data.data() + Trace_Record::k_Offset;
    std::array<uint8_t, Trace_Record::k_Size> before{};
    std::memcpy(before.data(), at, before.size());
    const auto bytes = record.To_bytes();
    std::memcpy(at, bytes.data(), bytes.size());
    bool stored = false;
    try {
        stored = Rewrite_DV_frame();
    } catch (...) {
        // Not written: the frame in memory stays as the file has it.
        std::memcpy(at, before.data(), before.size());
        throw;
    }
    m_trace_data_ = record;
    if (stored && rec_.current_stream == 1 && rec_.frame_in_store <= int32_t(trace_array_.size()))
        trace_array_[size_t(rec_.frame_in_store - 1)] = record;
    return stored;
}

bool cls_AVI_handler::Update_Trace_Data(int16_t point, int16_t x, int16_t y)
{
    Trace_Record r = m_trace_data_;
    r.x(point, field_to_show_) = x;
    r.y(point, field_to_show_) = y;
    r.Set_tag();
    if (rec_.frame_in_store <= 0)
        throw Run_time_error(err_Invalid_argument, "No frame has been read to trace", "cls_AVI_handler");
    return Write_trace_record(r);
}

bool cls_AVI_handler::Clear_Trace_Data()
{
    if (rec_.frame_in_store <= 0)
        throw Run_time_error(err_Invalid_argument, "No frame has been read to clear", "cls_AVI_handler");
    if (!m_trace_data_.Tagged()) return true;
    Trace_Record r = m_trace_data_;
    r.Clear_points();
    return Write_trace_record(r);
}

void cls_AVI_handler::Reread_current_frame(int32_t frame, int16_t stream)
{
    if (frame > 0) Read_Frame(frame, stream);
}

bool cls_AVI_handler::Clear_all_Traces()
{
    if (!rec_.file.Is_open()) return false;
    const int32_t frame = rec_.frame_in_store;
    const int16_t stream = rec_.current_stream;
    bool all = true;
    try {
        for (int32_t f = 1; f <= rec_.num_frames; ++f) {
            if (!Read_Frame(f, 1)) {
                all = false;
                continue;
            }
            if (m_trace_data_.Tagged()) all = Clear_Trace_Data() && all;
        }
    } catch (...) {
        Reread_current_frame(frame, stream);
        throw;
    }
    Reread_current_frame(frame, stream);
    return all;
}

void cls_AVI_handler::Read_Trace_Data()
{
    const std::span<const uint8_t> data = Frame_bytes();
    if (data.size() < Trace_Record::k_Offset + Trace_Record::k_Size) {
        trace_read_ = Trace_Record{};
        return;
    }
    trace_read_ = Trace_Record::From_bytes(data.subspan(Trace_Record::k_Offset, Trace_Record::k_Size));
}

void cls_AVI_handler::Read_Trace_Array()
{
    if (!rec_.file.Is_open()) return;
    const int32_t frame = rec_.frame_in_store;
    const int16_t stream = rec_.current_stream;
    trace_array_.assign(size_t(std::max(rec_.num_frames, 0)), Trace_Record{});
    try {
        for (int32_t f = 1; f <= rec_.num_frames; ++f) {
            if (!Read_Frame(f, 1)) continue;
            Read_Trace_Data();
            // Frames never traced hold DV bytes there, not a record.
            if (trace_read_.Tagged()) trace_array_[size_t(f - 1)] = trace_read_;
        }
    } catch (...) {
        Reread_current_frame(frame, stream);
        throw;
    }
    Reread_current_frame(frame, stream);
}

Trace_Record cls_AVI_handler::Trace_Array(int32_t frame) const
{
    if (frame < 1 || frame > int32_t(trace_array_.size())) return Trace_Record{};
    return trace_array_[size_t(frame - 1)];
}

void cls_AVI_handler::Trace_Array_Coords(int16_t point, int32_t n, int16_t& x, int16_t& y) const
{
    const int32_t frame = Half_Up(n);
    const int16_t field = Field_Parity(n);
    if (frame < 1 || frame > int32_t(trace_array_.size()))
        throw Run_time_error(err_Subscript, "Subscript out of range: no traces of frame " + std::to_string(frame),
                             "cls_AVI_handler");
    const Trace_Record& r = trace_array_[size_t(frame - 1)];
    x = r.x(point, field);
    y = r.y(point, field);
}

int16_t cls_AVI_handler::Trace_X(int16_t point) const { return m_trace_data_.x(point, field_to_show_); }
int16_t cls_AVI_handler::Trace_Y(int16_t point) const { return m_trace_data_.y(point, field_to_show_); }

void cls_AVI_handler::Get_Current_Trace_data(int32_t frame)
{
    Trace_Record r;
    const std::span<const uint8_t> data = Frame_bytes();
    if (frame > 0 && frame == rec_.frame_in_store) {
        if (data.size() >= Trace_Record::k_Offset + Trace_Record::k_Size)
            r = Trace_Record::From_bytes(data.subspan(Trace_Record::k_Offset, Trace_Record::k_Size));
    } else {
        r = Trace_Array(frame);
    }
    m_trace_data_ = r.Tagged() ? r : Trace_Record{};
}

int32_t cls_AVI_handler::Trace_Color(int16_t id)
{
    try {
        return header_field::Long::From(Header().Trace_Color(id));
    } catch (...) {
        return 0;
    }
}
void cls_AVI_handler::Trace_Color(int16_t id, int32_t value)
{
    Header().Trace_Color(id, std::to_string(value));
    Write_XML_header();
}
std::string cls_AVI_handler::Trace_Name(int16_t id) { return Header().Trace_Name(id); }
void cls_AVI_handler::Trace_Name(int16_t id, const std::string& value)
{
    Header().Trace_Name(id, value);
    Write_XML_header();
}
bool cls_AVI_handler::Trace_Bezier(int16_t id) { return Header().Trace_Bezier(id); }
void cls_AVI_handler::Trace_Bezier(int16_t id, bool value)
{
    Header().Trace_Bezier(id, value);
    Write_XML_header();
}
int16_t cls_AVI_handler::Trace_Thickness(int16_t id) { return Header().Trace_Thickness(id); }
void cls_AVI_handler::Trace_Thickness(int16_t id, int16_t value)
{
    Header().Trace_Thickness(id, value);
    Write_XML_header();
}

} // namespace wk
