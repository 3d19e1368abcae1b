// The recording object: creating, opening and closing, choosing the reader of the file's kind,
// and writing the own format.
#include "recording/cls_AVI_handler.h"

#include "platform/Clock.h"
#include "platform/Byte_file.h"
#include "recording/Own_format_head.h"
#include "recording/Recording_reader.h"
#include "recording/Timecode_module.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
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

cls_AVI_handler::cls_AVI_handler(int16_t index)
    : renderer_(std::make_unique<Frame_renderer>(static_cast<Frame_source&>(*this))),
      Decoded_Frame_No(renderer_->decoded_frame_no), reader_(Make_recording_reader("", rec_))
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

// ---- Open and close ----

Recording_outcome cls_AVI_handler::Open_File(const std::string& path)
{
    const bool opened = Open_kept(path);
    return {opened, rec_.problems.Take()};
}

bool cls_AVI_handler::Open_kept(const std::string& path)
{
    Trace_Line("*cls_AVI_handler Open_file, File_name = " + path);
    Close_File();
    try {
        int error = 0;
        const std::unique_ptr<platform::Byte_source> probe =
            platform::Open_byte_source(path, platform::Raw_file::Mode::Read, error);
        if (!probe) {
            Trace_Line("*OF1, filename = " + path);
            return false;
        }
        if (probe->Size() < 100) {
            rec_.problems.Post({Recording_problem::Kind::invalid_length, {}, path});
            Trace_Line("*OF2");
            return false;
        }
        File_name(path);
        // Nothing of the previous recording's header may answer for this one.
        rec_.header.reset();
        Trace_Line("*cls_AVI_handler Open_file, m_file_suffix  = " + suffix_);
        if (!reader_->Is_recording_kind()) {
            rec_.problems.Post({Recording_problem::Kind::not_recording_kind, {}, path});
            Trace_Line("*OF3");
            Reset_state();
            return false;
        }
        rec_.read_only = open_read_only_ || Is_write_protected(path);
        if (!reader_->Open()) {
            rec_.file.Close();
            Reset_state();
            return false;
        }
        if (rec_.ntsc) rec_.Take_NTSC_timing();
        duration_ms_ = rec_.Frames_ms(rec_.num_frames);
        Note_drive();
        if (read_to_memory_) Read_File_to_Memory();
        return true;
    } catch (const std::exception& e) {
        Trace_Line("*OF Open_File_Error");
        const auto* r = dynamic_cast<const Run_time_error*>(&e);
        Trace_Line("*OF6");
        rec_.problems.Post(
            {Recording_problem::Kind::open_error, std::to_string(r ? r->number() : 0) + " " + e.what(), path});
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
            const int32_t appended = dv_frames_appended_;
            Header().Frames_no(Header().Frames_no() + appended);
            dv_frames_appended_ = 0;
            if (!Write_XML_header()) {
                // Said already; the count alone needs no room the disk may not have.
                Header().Frames_no(Header().Frames_no() - appended);
                dv_frames_appended_ = appended;
                Store_appended_count();
            }
        }
        if (!Complete_header_write())
            throw Run_time_error(75, "The header could not be written into the recording", "Close_File");
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
    header_write_pending_ = false;
    g_File_Kind[size_t(std::clamp<int16_t>(rec_.index, 0, 4))] = 0;
    Forget_frame();
    capture_.Reset_record();
    rec_.Forget();
    position_ = 0;
    Decoded_Frame_No.fill(0);
    reader_->Close();
    drive_.clear();
    drive_type_ = 0;
    suffix_.clear();
    duration_ms_ = 0;
    Let_Current_Field(0);
    Let_Current_Frame(0);
    Let_eff_frameno(0);
    renderer_->Reset();
    trace_.Reset_traces();
    // Pictures of this recording's frames must never be shown for the next one.
    Clear_Bitmap_Collection();
}

bool cls_AVI_handler::rename_file(const std::string& new_path)
{
    try {
        std::error_code ec;
        if (fs::exists(new_path, ec)) {
            rec_.problems.Post({Recording_problem::Kind::new_file_exists, {}, new_path});
            return false;
        }
        const std::string old = rec_.name;
        Close_File();
        // A file that takes the name after the look above is not replaced either.
        if (const int error = platform::Rename_no_replace(old, new_path)) {
            rec_.problems.Post({Recording_problem::Kind::not_renamed, std::generic_category().message(error), old});
            Open_kept(old);
            return false;
        }
        return Open_kept(new_path);
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
            rec_.problems.Post({Recording_problem::Kind::file_exists, {}, rec_.name});
            return false;
        }
        Close_File();
        suffix_ = Suffix_of(rec_.name); // closing forgot it
        int error = 0;
        if (!rec_.file.Open(rec_.name, platform::Raw_file::Mode::Create_new, error)) {
            rec_.problems.Post(
                {Recording_problem::Kind::create_error, std::to_string(error) + " " + std::strerror(error), rec_.name});
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
        Own_format_head* own = reader_->Own_head();
        if (!own) return; // only the own format is laid out here
        // The whole header area takes its blocks now: a later header rewrite then never needs
        // room that a full disk could refuse halfway.
        if (!rec_.file.Allocate(0, k_Own_data_offset))
            throw Run_time_error(err_Disk_full, "There is no room on the disk for the recording's header: " +
                                                    std::string(std::strerror(rec_.file.Last_error())));
        own->Head() = {};
        own->Write_head();
        // The frames will start after the end mark: the header area is the whole of it.
        own->Head().Data_offset = k_Own_data_offset;
        if (!Write_XML_header()) return;
        if (!rec_.file.Write_at(k_Header_area_end, recording_format::k_Header_end_mark, 6)) throw Run_time_error(err_Disk_full, "Disk full");
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
    if (Own_format_head* own = reader_->Own_head()) own->Write_head();
}

bool cls_AVI_handler::Get_QSM_header()
{
    Own_format_head* own = reader_->Own_head();
    return own && own->Read_head();
}

const QSM_Header_Record& cls_AVI_handler::QSM_header() const
{
    static const QSM_Header_Record k_None;
    const Own_format_head* own = reader_->Own_head();
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
        if (!reader_->Write_header_text(Header().XML_string())) return false;
        header_write_pending_ = false; // what was to be written is in the file now
        return true;
    } catch (...) {
        Report_current_exception("Write_XML_header" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Complete_header_write()
{
    if (!header_write_pending_) return true;
    header_write_pending_ = false;
    return Write_XML_header();
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
        rec_.problems.Post({Recording_problem::Kind::append_refused, {}, path});
        return false;
    }
    if (!reader_->Open_file(false)) return false;
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
        Follow_timecode(frame);
        return true;
    } catch (...) {
        Report_current_exception("Append_DV_frame" + std::string(k_Class));
        return false;
    }
}

void cls_AVI_handler::Follow_timecode(std::span<const uint8_t> frame)
{
    DV_Header_Parse(frame.first(std::min(frame.size(), size_t(k_DV_frame_size))));
    const int32_t n = Timecode_To_Frames();
    if (n > 10) {
        // The first time code of a run only starts the count.
        if (last_timecode_frame_ > 0 && last_timecode_frame_ + 1 != n)
            Trace_Line("Expected DV frame " + std::to_string(last_timecode_frame_ + 1) + "Received frame " +
                       std::to_string(n));
        last_timecode_frame_ = n;
    }
}

bool cls_AVI_handler::Store_appended_count()
{
    if (!Append_allowed() || dv_frames_appended_ <= 0) return false;
    const int32_t count = Header().Frames_no() + dv_frames_appended_;
    if (!reader_->Write_frame_count(count)) return false;
    Header().Frames_no(count);
    dv_frames_appended_ = 0;
    return true;
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

} // namespace wk
