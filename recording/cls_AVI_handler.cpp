#include "recording/cls_AVI_handler.h"

#include "platform/Av_frame_decoder.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Draw_surface.h"
#include "platform/Folders.h"
#include "platform/Image_library.h"
#include "platform/Mount_table.h"
#include "platform/Text_codec.h"
#include "recording/Timecode_module.h"
#include "recording/clsAVIInfo.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "services/graphics/cDIBSection.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace wk {
namespace {

constexpr const char* k_Class = " of Class Module cls_AVI_handler";

void Put_long(uint8_t* p, int32_t v) { std::memcpy(p, &v, 4); }
void Put_integer(uint8_t* p, int16_t v) { std::memcpy(p, &v, 2); }
int32_t Get_long(const uint8_t* p)
{
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
int16_t Get_integer(const uint8_t* p)
{
    int16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// Raw DV may start behind zero bytes: the first byte of the first 1001 that is not zero, -1 when none is.
int64_t First_data_byte(const platform::Raw_file& f)
{
    std::array<uint8_t, 1001> head{};
    const int64_t n = f.Read_at(0, head.data(), head.size());
    for (int64_t i = 0; i < n; ++i)
        if (head[size_t(i)] != 0) return i;
    return -1;
}

uint32_t Fourcc_of(const std::string& text)
{
    uint32_t v = 0;
    for (size_t i = 0; i < 4 && i < text.size(); ++i) v |= uint32_t(uint8_t(text[i])) << (8 * i);
    return v;
}

int16_t g_next_file_number = 0;
int16_t Free_file_number()
{
    g_next_file_number = int16_t(g_next_file_number % 511 + 1);
    return g_next_file_number;
}

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

bool Marker_at(std::span<const uint8_t> buf, size_t i, const char* marker)
{
    return i + 4 <= buf.size() && std::memcmp(buf.data() + i, marker, 4) == 0;
}

} // namespace

// ---- DV header record ----

std::vector<uint8_t> DV_Header_Record::To_bytes() const
{
    std::vector<uint8_t> b(size_t(k_Size), 0);
    std::memcpy(b.data(), Tag.data(), 4);
    Put_long(&b[4], Record_size);
    Put_long(&b[8], Stream_count);
    Put_long(&b[12], Frame_count);
    Put_integer(&b[16], Flag);
    Put_integer(&b[18], Selection_start);
    Put_integer(&b[20], Selection_end);
    std::memcpy(&b[22], "HEID", 4);
    for (size_t h = 0; h < Heats.size(); ++h) {
        uint8_t* e = &b[26 + h * 40];
        std::memcpy(e, Heats[h].Heat_ID.data(), 32);
        Put_long(e + 32, Heats[h].Heat_start);
        Put_long(e + 36, Heats[h].Start_correction);
    }
    Put_long(&b[186], First_hit);
    Put_integer(&b[190], First_boat);
    return b;
}

bool DV_Header_Record::From_bytes(std::span<const uint8_t> b)
{
    if (b.size() < 192 || std::memcmp(b.data(), "BXDV", 4) != 0) return false;
    std::memcpy(Tag.data(), b.data(), 4);
    Record_size = Get_long(&b[4]);
    Stream_count = Get_long(&b[8]);
    Frame_count = Get_long(&b[12]);
    Flag = Get_integer(&b[16]);
    Selection_start = Get_integer(&b[18]);
    Selection_end = Get_integer(&b[20]);
    for (size_t h = 0; h < Heats.size(); ++h) {
        const uint8_t* e = &b[26 + h * 40];
        std::memcpy(Heats[h].Heat_ID.data(), e, 32);
        Heats[h].Heat_start = Get_long(e + 32);
        Heats[h].Start_correction = Get_long(e + 36);
    }
    First_hit = Get_long(&b[186]);
    First_boat = Get_integer(&b[190]);
    return Record_size == k_Size;
}

// ---- Object ----

cls_AVI_handler::cls_AVI_handler(int16_t index) : m_index_(index)
{
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
        Trace_Line("* cls_AVI_handler Terminate***, M_index = " + std::to_string(m_index_));
        Close_File();
    } catch (...) {
    }
}

Cls_XML_header& cls_AVI_handler::Header()
{
    if (!header_) header_ = std::make_unique<Cls_XML_header>();
    return *header_;
}

void cls_AVI_handler::File_name(const std::string& path)
{
    file_name_ = path;
    suffix_ = Suffix_of(path);
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
        header_.reset();
        Trace_Line("*cls_AVI_handler Open_file, m_file_suffix  = " + suffix_);
        const std::string upper = [&] {
            std::string u = suffix_;
            for (auto& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
            return u;
        }();
        if (upper != "AVI" && upper != "QS1" && upper != "SDV" && upper != "DV" && upper != "QS2") {
            platform::MsgBox("cls_AVI_handler can't open this file type! " + path);
            Trace_Line("*OF3");
            Reset_state();
            return false;
        }
        read_only_ = ::access(path.c_str(), W_OK) != 0;
        bool ok = false;
        if (Is_own_format()) ok = Open_own_format();
        else if (Is_sdv()) ok = Open_sdv();
        else if (Is_plain_dv()) ok = Open_dv(path);
        else ok = Open_avi();
        if (!ok) {
            file_.Close();
            Reset_state();
            return false;
        }
        duration_ms_ = int64_t(ms_per_frame_) * num_frames_;
        Note_drive();
        if (read_to_memory_) Read_File_to_Memory();
        return true;
    } catch (const std::exception& e) {
        Trace_Line("*OF Open_File_Error");
        const auto* r = dynamic_cast<const Run_time_error*>(&e);
        Trace_Line("*OF6");
        platform::MsgBox("File: " + path + " Open error! \r\n" + std::to_string(r ? r->number() : 0) + " " + e.what());
        file_.Close();
        Reset_state();
        return false;
    }
}

// Opens the file itself, read-only when it may not be written.
static bool Open_raw(platform::Raw_file& file, const std::string& path, bool read_only)
{
    int error = 0;
    if (file.Open(path, read_only ? platform::Raw_file::Mode::Read : platform::Raw_file::Mode::Read_write, error))
        return true;
    if (error == EACCES || error == EPERM)
        platform::MsgBox("Permission denied!");
    else
        platform::MsgBox("File: " + path + " Open error! \r\n" + std::to_string(error) + " " + std::strerror(error));
    return false;
}

// Own-format and sdv files: DV frames with a head of the program's own.
bool cls_AVI_handler::Open_dv_frames_file()
{
    if (!Open_raw(file_, file_name_, read_only_)) return false;
    file_number_ = Free_file_number();
    plain_dv_ = false;
    dv_frames_ = true;
    return true;
}

bool cls_AVI_handler::Open_own_format()
{
    if (!Open_dv_frames_file()) return false;
    compressed_codec_ = false;
    frame_size_ = k_DV_frame_size;
    width_ = 720;
    height_ = 576;
    if (!Get_QSM_header()) return false;
    const int32_t streams = Header().Streams_no();
    if (streams < 1 || streams > 5) {
        platform::MsgBox("Corrupt file, (Invalid number of streams: " + std::to_string(streams) + ")\r\n" + file_name_);
        return false;
    }
    num_streams_ = int16_t(streams);
    Read_Stream_Info();
    file_size_ = file_.Size();
    // Whole frames only: a frame cut short at the end is not counted.
    num_calculated_frames_ = int32_t((file_size_ - qsm_.Data_offset) / k_DV_frame_size);
    num_frames_ = Header().Frames_no();
    if (num_frames_ < 0) num_frames_ = 0;
    num_fields_ = 2 * num_frames_;
    frame_buffer_.assign(size_t(k_DV_frame_size), 0);
    multi_buffer_.assign(size_t(k_DV_frame_size) * size_t(num_streams_), 0);
    ms_per_frame_ = 40;
    ms_per_field_ = 20;
    fps_ = 25;
    input_format_ = {};
    input_format_.biWidth = 720;
    input_format_.biHeight = 576;
    input_format_.biBitCount = 24;
    input_format_.biSizeImage = k_DV_frame_size;
    return true;
}

bool cls_AVI_handler::Open_dv(const std::string& path)
{
    // Raw DV is only ever read here.
    read_only_ = true;
    plain_dv_ = true;
    dv_frames_ = false;
    compressed_codec_ = false;
    if (!Open_raw(file_, path, true)) return false;
    file_number_ = Free_file_number();
    dv_offset_ = First_data_byte(file_);
    if (dv_offset_ < 0) {
        platform::MsgBox("Corrupt file, (no DV data found)\r\n" + path);
        return false;
    }
    std::array<uint8_t, 8> head{};
    if (!file_.Read_exact(dv_offset_, head.data(), head.size()) || head[0] != 0x1F || head[1] != 0x07) {
        platform::MsgBox("Corrupt file, (no DV header)\r\n" + path);
        return false;
    }
    // The header block's DSF bit: 1 for 625 lines at 50 fields, 0 for 525 lines at 60.
    const bool ntsc = (head[3] & 0x80) == 0;
    frame_size_ = ntsc ? 120000 : 144000;
    width_ = 720;
    height_ = ntsc ? 480 : 576;
    ms_per_frame_ = ntsc ? 33 : 40;
    ms_per_field_ = ntsc ? 16 : 20;
    fps_ = ntsc ? 30 : 25;
    frame_buffer_.assign(size_t(frame_size_), 0);
    multi_buffer_.assign(size_t(frame_size_), 0);
    codec_ = g_DV_Codec;
    file_size_ = file_.Size();
    num_frames_ = int32_t((file_size_ - dv_offset_) / frame_size_);
    num_fields_ = 2 * num_frames_;
    num_calculated_frames_ = num_frames_;
    output_format_ = {};
    output_format_.biWidth = width_;
    output_format_.biHeight = height_;
    output_format_.biBitCount = 24;
    output_format_.biSizeImage = frame_size_;
    output_format_.biCompression = int32_t(Fourcc_of(g_DV_Codec));
    return true;
}

bool cls_AVI_handler::Open_sdv()
{
    if (!Open_dv_frames_file()) return false;
    g_File_Kind[size_t(std::clamp<int16_t>(m_index_, 0, 4))] = 2;
    std::vector<uint8_t> bytes(static_cast<size_t>(DV_Header_Record::k_Size));
    file_size_ = file_.Size();
    if (!file_.Read_exact(0, bytes.data(), bytes.size()) || !dv_header_.From_bytes(bytes) ||
        dv_header_.Stream_count < 1 || dv_header_.Stream_count > 5 || dv_header_.Frame_count < 0 ||
        int64_t(dv_header_.Record_size) + int64_t(dv_header_.Frame_count) * dv_header_.Stream_count * k_DV_frame_size >
            file_size_) {
        platform::MsgBox("Corrupt file, (Invalid DV header record)\r\n" + file_name_);
        return false;
    }
    frame_size_ = k_DV_frame_size;
    width_ = 720;
    height_ = 576;
    codec_ = "CDVC";
    num_frames_ = dv_header_.Frame_count;
    num_fields_ = 2 * num_frames_;
    num_streams_ = int16_t(dv_header_.Stream_count);
    num_calculated_frames_ = int32_t((file_size_ - dv_header_.Record_size) / k_DV_frame_size);
    frame_buffer_.assign(size_t(k_DV_frame_size), 0);
    multi_buffer_.assign(size_t(k_DV_frame_size) * size_t(num_streams_), 0);
    ms_per_frame_ = 40;
    ms_per_field_ = 20;
    fps_ = 25;
    input_format_ = {};
    input_format_.biWidth = 720;
    input_format_.biHeight = 576;
    input_format_.biCompression = int32_t(Fourcc_of("CDVC"));
    input_format_.biSizeImage = k_DV_frame_size;
    output_format_ = input_format_;
    output_format_.biBitCount = 24;
    return true;
}

void cls_AVI_handler::Close_File()
{
    if (!file_.Is_open()) return;
    try {
        if (Is_own_format() && dv_frames_appended_ > 0) {
            Header().Frames_no(Header().Frames_no() + dv_frames_appended_);
            dv_frames_appended_ = 0;
            Write_XML_header();
        }
    } catch (...) {
        Report_current_exception("Close_file" + std::string(k_Class));
    }
    file_.Close();
    Reset_state();
}

void cls_AVI_handler::Reset_state()
{
    file_number_ = 0;
    plain_dv_ = dv_frames_ = compressed_codec_ = false;
    file_initiated_ = false;
    dv_frames_appended_ = 0;
    g_File_Kind[size_t(std::clamp<int16_t>(m_index_, 0, 4))] = 0;
    Forget_frame();
    extra_index_ = 0;
    frame_in_store_ = 0;
    memory_image_.clear();
    memory_image_.shrink_to_fit();
    width_ = height_ = 0;
    num_frames_ = num_fields_ = num_calculated_frames_ = 0;
    codec_ = "0";
    ms_per_frame_ = ms_per_field_ = 0;
    file_size_ = 0;
    dv_offset_ = 0;
    frame_selection_start_ = 0;
    position_ = 0;
    Decoded_Frame_No.fill(0);
    Reset_avi_state();
    Reset_drawing();
}

void cls_AVI_handler::Forget_frame()
{
    extra_.fill(0);
    extra_valid_ = false;
    raw_frame_time_ = 0;
    frame_time_stamp_ = 0;
    has_time_stamp_ = false;
    chunk_length_ = 0;
    m_trace_data_ = Trace_Record{};
}

bool cls_AVI_handler::rename_file(const std::string& new_path)
{
    try {
        std::error_code ec;
        if (fs::exists(new_path, ec)) {
            platform::MsgBox("New file already exists!");
            return false;
        }
        const std::string old = file_name_;
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

bool cls_AVI_handler::is_DV() const
{
    if (Is_own_format() || Is_sdv()) return true;
    return codec_ == "msdv" || codec_ == "dvsd" || codec_ == "CDVC";
}

int16_t cls_AVI_handler::stream_from_pos(int16_t camera_pos) const
{
    int16_t found = 0;
    for (int16_t s = 1; s <= std::min<int16_t>(num_streams_, 5); ++s)
        if (streams_[size_t(s)].CameraPos == camera_pos) found = s;
    return found;
}

void cls_AVI_handler::Read_Stream_Info()
{
    for (int16_t s = 1; s <= std::min<int16_t>(num_streams_, 5); ++s) {
        Stream_Info_Record r;
        try {
            auto& h = Header();
            r.Active = h.Stream_Active(s);
            r.rotated = h.Stream_rotated(s);
            r.CameraPos = h.Stream_CameraPos(s);
            r.Left = h.Selection_Rectangle(s, "l");
            r.Top = h.Selection_Rectangle(s, "t");
            r.Right = h.Selection_Rectangle(s, "r");
            r.Bottom = h.Selection_Rectangle(s, "b");
            r.Width = int16_t(r.Right - r.Left);
            r.Height = int16_t(r.Bottom - r.Top);
        } catch (const Run_time_error&) {
            // A header without this stream's record: the stream keeps its defaults.
        }
        streams_[size_t(s)] = r;
    }
}

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
        int16_t active = 0;
        for (int16_t s = 1; s <= std::min<int16_t>(num_streams_, 5); ++s)
            if (streams_[size_t(s)].Active) ++active;
        if (active == 1) {
            for (int16_t s = 1; s <= std::min<int16_t>(num_streams_, 5); ++s)
                if (streams_[size_t(s)].Active) {
                    multi_width_ = streams_[size_t(s)].Width;
                    multi_height_ = streams_[size_t(s)].Height;
                    if (streams_[size_t(s)].CameraPos >= 1 && streams_[size_t(s)].CameraPos <= 6)
                        pos_in_file_[size_t(streams_[size_t(s)].CameraPos)] = 1;
                }
        } else if (active == 2) {
            // Two streams side by side: the widths add, the taller one sets the height.
            int32_t w = 0, h = 0;
            for (int16_t pos = 1; pos <= 6; ++pos) {
                const int16_t s = stream_from_pos(pos);
                if (s == 0 || !streams_[size_t(s)].Active) continue;
                pos_in_file_[size_t(pos)] = 1;
                w += streams_[size_t(s)].Width;
                h = std::max<int32_t>(h, streams_[size_t(s)].Height);
            }
            multi_width_ = int16_t(w);
            multi_height_ = int16_t(h);
        }
    } catch (...) {
        Report_current_exception("set_Multi_Stream_Size" + std::string(k_Class));
    }
}

// ---- Own recording format ----

bool cls_AVI_handler::Create_File()
{
    writer_file_.clear();
    try {
        if (FileExists(file_name_)) {
            platform::MsgBox("File already exists!");
            return false;
        }
        Close_File();
        int error = 0;
        if (!file_.Open(file_name_, platform::Raw_file::Mode::Create_new, error)) {
            platform::MsgBox("File: " + file_name_ + " could not be created! \r\n" + std::to_string(error) + " " +
                             std::strerror(error));
            return false;
        }
        file_number_ = Free_file_number();
        suffix_ = Suffix_of(file_name_);
        read_only_ = false;
        position_ = 0;
        return true;
    } catch (...) {
        Report_current_exception("Create_File" + std::string(k_Class));
        return false;
    }
}

void cls_AVI_handler::Initiate_file()
{
    if (!file_.Is_open()) return;
    try {
        if (!Header().Create_Header()) return;
        qsm_ = {};
        Write_QSM_header();
        if (!Write_XML_header()) return;
        static const char k_End[] = "hdrend";
        if (!file_.Write_at(k_Header_area_end, k_End, 6)) throw Run_time_error(err_Disk_full, "Disk full");
        qsm_.Data_offset = k_Own_data_offset;
        Write_QSM_header();
        position_ = k_Own_data_offset;
        num_streams_ = 1;
        frame_size_ = k_DV_frame_size;
        file_initiated_ = true;
        writer_file_ = file_name_;
    } catch (...) {
        Report_current_exception("Initiate_file" + std::string(k_Class));
    }
}

void cls_AVI_handler::Write_QSM_header()
{
    if (!file_.Is_open()) return;
    std::memcpy(qsm_.Magic.data(), "QSM1", 4);
    uint8_t b[20] = {};
    std::memcpy(b, qsm_.Magic.data(), 4);
    Put_long(b + 4, qsm_.Data_offset);
    Put_long(b + 8, qsm_.Reserved1);
    Put_long(b + 12, qsm_.XML_length);
    Put_long(b + 16, qsm_.Reserved2);
    if (!file_.Write_at(0, b, sizeof b)) throw Run_time_error(err_Disk_full, "The recording's head could not be written");
}

bool cls_AVI_handler::Get_QSM_header()
{
    uint8_t b[20] = {};
    const int64_t size = file_.Size();
    auto refuse = [&](const std::string& why) {
        platform::MsgBox("Corrupt file, (" + why + ")\r\n" + file_name_);
        return false;
    };
    if (size < 20 || !file_.Read_exact(0, b, sizeof b)) return refuse("no recording head");
    if (std::memcmp(b, "QSM1", 4) != 0) return refuse("not a Wakeline recording");
    QSM_Header_Record r;
    std::memcpy(r.Magic.data(), b, 4);
    r.Data_offset = Get_long(b + 4);
    r.Reserved1 = Get_long(b + 8);
    r.XML_length = Get_long(b + 12);
    r.Reserved2 = Get_long(b + 16);
    if (r.XML_length <= 0 || r.XML_length > k_Max_XML_length || 20 + int64_t(r.XML_length) > size)
        return refuse("invalid header length " + std::to_string(r.XML_length));
    if (r.Data_offset < 20 + r.XML_length || r.Data_offset > size)
        return refuse("invalid data offset " + std::to_string(r.Data_offset));
    std::string text(size_t(r.XML_length), '\0');
    if (!file_.Read_exact(20, text.data(), text.size())) return refuse("header cut short");
    text.resize(std::strlen(text.c_str()));
    qsm_ = r;
    // The header reports a text that does not parse itself.
    return Header().XML_string(text);
}

bool cls_AVI_handler::Has_XML_header()
{
    suffix_ = Suffix_of(file_name_);
    if (Is_own_format()) return true;
    if (Is_avi()) return Has_QSXM_chunk();
    return false;
}

bool cls_AVI_handler::Has_DV_Header() const
{
    return Is_sdv() || Is_own_format() || Has_BXHD_chunk();
}

bool cls_AVI_handler::Write_XML_header()
{
    try {
        if (!Has_XML_header()) return false;
        Header().Update_Time(Header_time_now());
        Header().Update_Program(g_Edition_text);
        const std::string text = Header().XML_string();
        if (Is_avi()) return Write_AVI_XML_header(text);
        if (!Is_own_format()) return false;
        if (int64_t(text.size()) > k_Max_XML_length) {
            platform::MsgBox("The recording's header is too long to be stored (" + std::to_string(text.size()) +
                             " bytes, at most " + std::to_string(k_Max_XML_length) + "); the file keeps its header.");
            return false;
        }
        const bool opened_here = !file_.Is_open();
        if (opened_here) {
            int error = 0;
            if (!file_.Open(file_name_, platform::Raw_file::Mode::Read_write, error))
                throw Run_time_error(error == EACCES ? 70 : err_File_not_found, std::strerror(error));
            uint8_t b[20];
            if (!file_.Read_exact(0, b, sizeof b) || std::memcmp(b, "QSM1", 4) != 0) {
                file_.Close();
                throw Run_time_error(err_Bad_file_mode, "Not a Wakeline recording: " + file_name_);
            }
            qsm_.Data_offset = Get_long(b + 4);
        }
        const bool ok = Write_header_bytes(text);
        if (opened_here) file_.Close();
        return ok;
    } catch (...) {
        Report_current_exception("Write_XML_header" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Write_header_bytes(const std::string& text)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.resize(bytes.size() + 100, 0);
    if (!file_.Write_at(20, bytes.data(), bytes.size()))
        throw Run_time_error(err_Disk_full, "The recording's header could not be written");
    qsm_.XML_length = int32_t(text.size());
    Write_QSM_header();
    return true;
}

bool cls_AVI_handler::ReCreate_XML_header()
{
    if (!Header().Create_Header()) return false;
    return Write_XML_header();
}

std::string cls_AVI_handler::Get_DOM_string() { return Header().XML_string(); }

bool cls_AVI_handler::Append_allowed() const
{
    return !writer_file_.empty() && writer_file_ == file_name_ && Is_own_format();
}

bool cls_AVI_handler::Open_for_append(const std::string& path)
{
    Close_File();
    File_name(path);
    if (!Is_own_format()) {
        platform::MsgBox("Frames are appended to Wakeline recordings (.qs2) only: " + path);
        return false;
    }
    if (!Open_raw(file_, path, false)) return false;
    file_number_ = Free_file_number();
    if (!Get_QSM_header()) {
        file_.Close();
        Reset_state();
        return false;
    }
    frame_size_ = k_DV_frame_size;
    num_streams_ = Header().Streams_no();
    writer_file_ = path;
    return true;
}

bool cls_AVI_handler::Append_DV_frame(std::span<const uint8_t> frame)
{
    try {
        if (!Append_allowed())
            throw Run_time_error(err_Bad_file_mode, "The recording " + file_name_ + " is not open for appending frames");
        if (frame.size() < size_t(k_DV_frame_size))
            throw Run_time_error(err_Invalid_argument, "A DV frame of " + std::to_string(frame.size()) +
                                                           " bytes cannot be appended");
        if (!file_.Is_open()) {
            if (!Open_raw(file_, file_name_, false)) return false;
            file_number_ = Free_file_number();
            if (!Get_QSM_header()) {
                file_.Close();
                return false;
            }
        }
        // After the last whole frame on disk, whatever the position was.
        const int64_t data = qsm_.Data_offset;
        const int64_t length = file_.Size();
        if (data <= 0 || length < data) throw Run_time_error(err_Bad_file_mode, "The recording has no frame area");
        const int64_t at = data + (length - data) / k_DV_frame_size * k_DV_frame_size;
        if (!file_.Write_at(at, frame.data(), size_t(k_DV_frame_size)))
            throw Run_time_error(err_Disk_full, "The frame could not be written (disk full?)");
        position_ = at + k_DV_frame_size;
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
        if (!file_.Is_open()) throw Run_time_error(52, "No recording is open");
        if (frame.size() < size_t(k_DV_frame_size))
            throw Run_time_error(err_Invalid_argument, "A DV frame of " + std::to_string(frame.size()) +
                                                           " bytes cannot be written");
        if (!file_.Write_at(position_, frame.data(), size_t(k_DV_frame_size)))
            throw Run_time_error(err_Disk_full, "The frame could not be written (disk full?)");
        position_ += k_DV_frame_size;
        return true;
    } catch (...) {
        Report_current_exception("Write_DV_frame" + std::string(k_Class));
        return false;
    }
}

// ---- DV extra data ----

void cls_AVI_handler::Do_Read_DV_extra_data()
{
    if (!Is_own_format() && !Is_sdv()) return;
    const std::span<const uint8_t> buf(frame_buffer_);
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
        if (!extra_valid_ || frame_in_store_ <= 0 || frame_position_ <= 0)
            throw Run_time_error(err_Invalid_argument, "The current frame has no extra data to write back");
        if (!file_.Is_open() || !file_.Writable() || read_only_)
            throw Run_time_error(75, "The recording is read-only: " + file_name_);
        if (!file_.Write_at(frame_position_ - 1 + extra_index_, extra_.data(), 190))
            throw Run_time_error(err_Disk_full, "The frame's extra data could not be written");
        std::memcpy(frame_buffer_.data() + extra_index_, extra_.data(), 190);
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
    return frame_buffer_.size() >= size_t(g_DV_Extra_Offset) + k_Extra_size ? frame_buffer_.data() + g_DV_Extra_Offset
                                                                              : nullptr;
}

// ---- Frame location and reading ----

std::span<const uint8_t> cls_AVI_handler::Frame_bytes() const
{
    if (frame_in_store_ <= 0) return {};
    if (Is_avi()) return Avi_frame_bytes();
    return std::span<const uint8_t>(frame_buffer_.data(), std::min(frame_buffer_.size(), size_t(frame_size_)));
}

bool cls_AVI_handler::Read_Frame(int32_t frame, int16_t stream)
{
    Forget_frame();
    frame_in_store_ = 0;
    if (!file_.Is_open()) return false;
    const int32_t f = std::min(frame, num_frames_);
    if (f < 1) return false;
    bool ok = false;
    if (Is_plain_dv()) ok = Read_dv_frame(f);
    else if (Is_own_format()) ok = Read_own_frame(f, stream);
    else if (Is_sdv()) ok = Read_sdv_frame(f);
    else if (Is_avi()) ok = Read_avi_frame(f);
    if (ok) Get_Current_Trace_data(frame_in_store_);
    return ok;
}

bool cls_AVI_handler::Read_own_frame(int32_t f, int16_t s)
{
    if (s < 1 || s > num_streams_) return false;
    const int64_t offset = (int64_t(f) - 1) * frame_size_ * num_streams_ + qsm_.Data_offset + int64_t(s - 1) * frame_size_;
    frame_position_ = offset + 1;
    if (!memory_image_.empty()) {
        if (offset + frame_size_ > int64_t(memory_image_.size())) return false;
        std::memcpy(frame_buffer_.data(), memory_image_.data() + offset, size_t(frame_size_));
    } else if (!file_.Read_exact(offset, frame_buffer_.data(), size_t(frame_size_))) {
        return false;
    }
    chunk_length_ = frame_size_;
    frame_in_store_ = f;
    current_stream_ = s;
    Take_frame_time();
    return true;
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

bool cls_AVI_handler::Read_dv_frame(int32_t f)
{
    const int64_t offset = dv_offset_ + (int64_t(f) - 1) * frame_size_;
    frame_position_ = offset + 1;
    if (!file_.Read_exact(offset, frame_buffer_.data(), size_t(frame_size_))) return false;
    chunk_length_ = frame_size_;
    frame_in_store_ = f;
    current_stream_ = 1;
    return true;
}

bool cls_AVI_handler::Read_sdv_frame(int32_t f)
{
    const int64_t offset = int64_t(dv_header_.Record_size) + int64_t(num_streams_) * k_DV_frame_size * (int64_t(f) - 1);
    frame_position_ = offset + 1;
    if (!file_.Read_exact(offset, frame_buffer_.data(), size_t(k_DV_frame_size))) return false;
    input_format_.biWidth = 720;
    input_format_.biHeight = 576;
    input_format_.biPlanes = 1;
    if (input_format_.biBitCount == 0) input_format_.biBitCount = 24;
    input_format_.biSizeImage = k_DV_frame_size;
    chunk_length_ = k_DV_frame_size;
    frame_in_store_ = f;
    current_stream_ = 1;
    frame_selection_start_ = dv_header_.Selection_start;
    Take_frame_time();
    return true;
}

// ---- Reading ahead ----

int64_t cls_AVI_handler::find_DV_offset(const std::string& path)
{
    platform::Raw_file f;
    int error = 0;
    if (!f.Open(path, platform::Raw_file::Mode::Read, error)) return -1;
    return First_data_byte(f);
}

void cls_AVI_handler::Preread_File()
{
    if (!file_.Is_open()) return;
    const int32_t t0 = Get_Tick();
    std::vector<uint8_t> block(1 << 20);
    for (int64_t at = 0;; at += int64_t(block.size()))
        if (file_.Read_at(at, block.data(), block.size()) < int64_t(block.size())) break;
    Trace_Line("*File " + file_name_ + "Pre_read in : " + std::to_string(platform::Tick_difference(Get_Tick(), t0)) +
               " milliseconds");
}

bool cls_AVI_handler::Read_File_to_Memory()
{
    if (!file_.Is_open()) return false;
    const int64_t size = file_.Size();
    if (size <= 0) return false;
    try {
        memory_image_.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        memory_image_.clear();
        return false;
    }
    if (!file_.Read_exact(0, memory_image_.data(), memory_image_.size())) {
        memory_image_.clear();
        return false;
    }
    return true;
}

int64_t cls_AVI_handler::File_size() const
{
    if (file_.Is_open()) return file_.Size();
    return Get_File_Size(file_name_);
}

// ---- Recording properties (more) ----

void cls_AVI_handler::Initialize_properties()
{
    // The format DV frames are decoded from until a recording says otherwise. Without a known DV
    // codec the compression stays 0: creating the object never stops the program.
    input_format_ = {};
    input_format_.biWidth = 720;
    input_format_.biHeight = 576;
    input_format_.biPlanes = 1;
    input_format_.biBitCount = 24;
    input_format_.biCompression = g_DV_Codec.empty() ? 0 : int32_t(Fourcc_of(g_DV_Codec));
    input_format_.biSizeImage = frame_size_;
}

void cls_AVI_handler::Note_drive()
{
    drive_.clear();
    drive_type_ = 0;
    std::error_code ec;
    const fs::path full = fs::absolute(file_name_, ec);
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

bool cls_AVI_handler::NTSC() const
{
    if (Is_plain_dv()) return file_.Is_open() && frame_size_ == 120000;
    return ntsc_;
}

int16_t cls_AVI_handler::Active_Streams()
{
    auto& h = Header();
    int16_t n = 0;
    for (int16_t s = 1; s <= h.Streams_no(); ++s)
        if (h.Stream_Active(s)) ++n;
    return n;
}

bool cls_AVI_handler::Set_Frames_no(int32_t n)
{
    Header().Frames_no(n);
    return Write_XML_header();
}

int32_t cls_AVI_handler::Gross_fields() const
{
    // Frames shown whole (not split into fields) count one field each.
    return is_deinterlaced_ ? num_frames_ : 2 * num_frames_;
}

void cls_AVI_handler::Calculate_Number_of_Fields()
{
    Read_Stream_Info();
    num_fields_ = Gross_fields() - frame_selection_start_;
}

bool cls_AVI_handler::Wide_Screen()
{
    if (!is_DV()) return false;
    if (frame_in_store_ == 0) Read_Frame(1, 1);
    Parse_DV_header();
    return Is_Wide();
}

std::string cls_AVI_handler::Timestamp_string() const
{
    return "\r\nDV frame timestamp = " + std::to_string(Timestamp_long());
}

int16_t cls_AVI_handler::mill_per_frame() const
{
    // Fields are played one by one except in raw DV and in AVIs shown frame by frame.
    if (Is_sdv() || Is_own_format() || (Is_avi() && !is_deinterlaced_))
        return int16_t(std::nearbyint(double(ms_per_frame_) / 2.0));
    return ms_per_frame_;
}

int32_t cls_AVI_handler::Current_net() const
{
    if (is_deinterlaced_) return current_frame_;
    // Without a selection the count starts at field 1, as the effective time does.
    const int32_t first = frame_selection_start_ == 0 ? 1 : frame_selection_start_;
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

bool cls_AVI_handler::rotated() const { return Is_avi() ? false : streams_[1].rotated; }

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

int32_t cls_AVI_handler::Selection_start()
{
    if (Is_sdv()) return dv_header_.Selection_start;
    if (!Has_XML_header()) return 0;
    return Header().Selection_start(1);
}

int32_t cls_AVI_handler::Selection_end()
{
    if (Is_sdv()) return dv_header_.Selection_end;
    if (!Has_XML_header()) return 0;
    return Header().Selection_end(1);
}

// An sdv recording keeps its selection in its DV header record, written at once.
void cls_AVI_handler::Set_sdv_selection(int16_t& field, int32_t value, const std::string& what)
{
    if (value < INT16_MIN || value > INT16_MAX) throw Run_time_error(err_Overflow, "Overflow");
    const int16_t old = field;
    field = int16_t(value);
    if (!Rewrite_DV_header()) {
        field = old;
        throw Run_time_error(err_Disk_full, "The " + what + " could not be written into " + file_name_);
    }
}

void cls_AVI_handler::Selection_start(int32_t value)
{
    if (Is_sdv()) Set_sdv_selection(dv_header_.Selection_start, value, "selection start");
    else Header().Selection_start(1, value);
}

void cls_AVI_handler::Selection_end(int32_t value)
{
    if (Is_sdv()) Set_sdv_selection(dv_header_.Selection_end, value, "selection end");
    else Header().Selection_end(1, value);
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

int16_t cls_AVI_handler::Pos_In_File(int16_t pos) const
{
    if (pos < 1 || pos > 6) throw Run_time_error(err_Subscript, "Subscript out of range");
    return pos_in_file_[size_t(pos)];
}

std::span<const uint8_t> cls_AVI_handler::AVI_Chunk_addr() const
{
    return headers_read_ ? std::span<const uint8_t>(avih_header_) : std::span<const uint8_t>();
}

std::span<const uint8_t> cls_AVI_handler::AVIInfo_addr() const
{
    return headers_read_ ? std::span<const uint8_t>(avih_) : std::span<const uint8_t>();
}

bool cls_AVI_handler::Read_Headers()
{
    headers_read_ = false;
    strh_.clear();
    strf_.clear();
    hash_atype_.clear();
    if (!Is_avi() || !file_.Is_open()) return false;
    Trace_Line("*Read_Headers");
    const int64_t size = file_.Size();
    const bool ok = [&] {
        uint8_t head[32];
        if (!file_.Read_exact(0, file_start_.data(), file_start_.size()) || !file_.Read_exact(0, head, sizeof head))
            return false;
        if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "AVI ", 4) != 0 ||
            std::memcmp(head + 12, "LIST", 4) != 0 || std::memcmp(head + 20, "hdrl", 4) != 0 ||
            std::memcmp(head + 24, "avih", 4) != 0)
            return false;
        const uint32_t avih_size = uint32_t(Get_long(head + 28));
        if (avih_size < 56 || !file_.Read_exact(32, avih_.data(), avih_.size())) return false;
        std::memcpy(avih_header_.data(), head + 24, 8);
        headers_read_ = true;
        // The first stream's list follows the main header.
        int64_t p = 32 + (int64_t(avih_size) + 1) / 2 * 2;
        uint8_t list[12], chunk[8];
        if (!file_.Read_exact(p, list, 12) || std::memcmp(list, "LIST", 4) != 0 || std::memcmp(list + 8, "strl", 4) != 0)
            return false;
        p += 12;
        auto read_chunk = [&](const char* id, std::vector<uint8_t>& into) {
            if (!file_.Read_exact(p, chunk, 8) || std::memcmp(chunk, id, 4) != 0) return false;
            const uint32_t n = uint32_t(Get_long(chunk + 4));
            if (n > 65536 || p + 8 + int64_t(n) > size) return false;
            into.assign(n, 0);
            if (!file_.Read_exact(p + 8, into.data(), n)) {
                into.clear();
                return false;
            }
            p += 8 + (int64_t(n) + 1) / 2 * 2;
            return true;
        };
        if (!read_chunk("strh", strh_)) return false;
        if (strh_.size() >= 4) hash_atype_ = platform::Ansi_to_utf8(std::string(strh_.begin(), strh_.begin() + 4));
        return read_chunk("strf", strf_);
    }();
    Trace_Line("*Read_Headers, end");
    return ok;
}

bool cls_AVI_handler::Force_Framerate(int16_t fps)
{
    if (!headers_read_ || !Is_avi() || !file_.Is_open())
        throw Run_time_error(err_Invalid_argument, "The frame rate can be set only after the AVI headers of " +
                                                       file_name_ + " have been read");
    if (fps <= 0) throw Run_time_error(err_Invalid_argument, "Invalid frame rate " + std::to_string(fps));
    if (read_only_ || !file_.Writable()) throw Run_time_error(75, "The recording is read-only: " + file_name_);
    const int32_t us = int32_t(std::nearbyint(1000000.0 / fps));
    uint8_t b[4];
    Put_long(b, us);
    // Only the field that changes: the rest of the record may have been rewritten since.
    if (!file_.Write_at(32, b, 4)) throw Run_time_error(err_Disk_full, "The frame rate could not be written");
    std::memcpy(file_start_.data() + 32, b, 4);
    std::memcpy(avih_.data(), b, 4);
    return true;
}

bool cls_AVI_handler::Write_comment(const std::string& text)
{
    if (!extra_valid_ || frame_in_store_ <= 0)
        throw Run_time_error(err_Invalid_argument,
                             "No frame with extra data has been read from " + file_name_ + "; the comment is not written");
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

std::vector<uint8_t> cls_AVI_handler::Get_Text_buffer(int32_t frame)
{
    if (!Has_Text_Stream() || !file_.Is_open() || frame < 1 || size_t(frame) > text_index_.size()) return {};
    const cls_IDX& e = text_index_[size_t(frame - 1)];
    // The chunk as it lies in the file, from its header on.
    std::vector<uint8_t> bytes(size_t(uint32_t(e.dwChunkLength)));
    const int64_t n = file_.Read_at(Index_position(e), bytes.data(), bytes.size());
    bytes.resize(size_t(std::max<int64_t>(n, 0)));
    return bytes;
}

bool cls_AVI_handler::Put_Text_buffer(std::span<const uint8_t> data)
{
    if (!Has_Text_Stream() || data.empty()) return false;
    if (frame_in_store_ < 1 || size_t(frame_in_store_) > text_index_.size()) return false;
    const cls_IDX& e = text_index_[size_t(frame_in_store_ - 1)];
    if (int64_t(data.size()) + 12 > int64_t(uint32_t(e.dwChunkLength))) {
        platform::MsgBox("Text buffer overflow at rewrite!");
        return false;
    }
    if (read_only_ || !file_.Write_at(Index_position(e) + 12, data.data(), data.size()))
        throw Run_time_error(75, "The text could not be written into " + file_name_);
    return true;
}

bool cls_AVI_handler::Rewrite_Text_Buffer(int32_t frame)
{
    try {
        if (drive_type_ == 5) {
            platform::MsgBox("AVI file is on CD-ROM!");
            return false;
        }
        if (read_only_) {
            platform::MsgBox("AVI file is read only");
            return false;
        }
        if (!Has_Text_Stream()) return false;
        if (frame < 1 || size_t(frame) > text_index_.size()) throw Run_time_error(err_Subscript, "Subscript out of range");
        const cls_IDX& e = text_index_[size_t(frame - 1)];
        // Never more than the frame's own chunk holds.
        if (text_buffer_.size() > size_t(uint32_t(e.dwChunkLength)))
            throw Run_time_error(err_Invalid_argument, "The text buffer is longer than the text chunk of frame " +
                                                           std::to_string(frame));
        if (!file_.Write_at(Index_position(e) + 8, text_buffer_.data(), text_buffer_.size()))
            throw Run_time_error(err_Disk_full, "The text could not be written");
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_Text_Buffer" + std::string(k_Class));
        return false;
    }
}

std::string cls_AVI_handler::Property_String()
{
    auto one_decimal = [](double v) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.1f", std::nearbyint(v * 10.0) / 10.0);
        return std::string(buf);
    };
    const std::string nl = "\r\n";
    const int64_t size = File_size();
    std::string s = "File name : " + file_name_ + nl;
    s += "File size= " + one_decimal(double(size) / 1048576.0) + " mByte" + nl;
    s += "Num frames = " + std::to_string(num_frames_) + nl;
    s += "Num streams = " + std::to_string(num_streams_) + nl;
    s += "Clip length = " + one_decimal(double(duration_ms_) / 1000.0) + " sec" + nl;
    s += "Dimensions w*h = " + std::to_string(width_) + " * " + std::to_string(height_) + nl;
    if (rotated()) s += " Rotated dimensions = " + std::to_string(height_) + " * " + std::to_string(width_) + nl;
    s += "NTSC: " + Bool_To_Text(NTSC()) + nl;
    if (is_DV()) s += "Wide-screen = " + Bool_To_Text(Wide_Screen()) + nl;
    s += "Rotated = " + Bool_To_Text(rotated()) + nl;
    s += "Fourcc = " + codec_ + nl;
    if (ms_per_frame_ > 0) s += "Fps = " + one_decimal(1000.0 / ms_per_frame_) + nl;
    const bool has_xml = Has_XML_header();
    if (has_xml) {
        for (int16_t n = 1; n <= 5; ++n) s += "Comment" + std::to_string(n) + "= " + Header().comment(n) + nl;
        s += "Subject name = " + Header().Subject_name() + nl;
    }
    if (num_frames_ > 0) s += "kByte/frame =   " + std::to_string(int64_t(std::nearbyint(double(size) / num_frames_ / 1024.0))) + nl;
    if (Is_avi()) s += "Has XML chunk = " + Bool_To_Text(has_xml) + nl;
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


// ---- Race metadata ----

namespace {

constexpr const char* k_Race_source = "cls_AVI_handler";

// Lane marks and goal-line ends are read back as 16-bit numbers; a wider value would make the
// recording's race data unreadable, so it is never stored.
void Check_coordinate(int32_t v, const char* member)
{
    if (v < INT16_MIN || v > INT16_MAX)
        throw Run_time_error(err_Overflow,
                             std::string("Overflow: the coordinate ") + std::to_string(v) + " of " + member +
                                 " is outside -32768..32767",
                             k_Race_source);
}

int16_t To_integer(int32_t v, const char* what)
{
    if (v < INT16_MIN || v > INT16_MAX)
        throw Run_time_error(err_Overflow,
                             std::string("Overflow: the header value ") + std::to_string(v) + " of " + what +
                                 " is outside -32768..32767",
                             k_Race_source);
    return int16_t(v);
}

} // namespace

Cls_XML_header& cls_AVI_handler::Loaded_header(const char* member)
{
    if (!header_)
        throw Run_time_error(err_Object_variable, std::string(member) + ": the recording has no header loaded",
                             k_Race_source);
    return *header_;
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
    if (file_name_.empty()) return 0;
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
    if (file_name_.empty()) return 0;
    return Header().Start_local_mill(heat);
}
int32_t cls_AVI_handler::Start_PC_Mill_time(int16_t heat)
{
    if (file_name_.empty()) return 0;
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

// ---- Decoding and drawing ----

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
    const std::string codec = Is_avi() ? codec_ : std::string();
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
        if (!file_.Is_open()) return false;
        Drawing& d = Draw_state();
        const int32_t pw = picture.Width(), ph = picture.Height();
        if (!d.overlay_ready) Make_overlay_pictures(pw, ph);
        if (frame == 0) frame = 1;
        current_frame_ = frame;
        const bool read = Read_Frame(frame, stream);
        const int32_t fw = width_ > 0 ? width_ : 720, fh = height_ > 0 ? height_ : 576;
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
            decode_info_ = std::to_string(frame_size_);
            Ensure_size(d.frame, fw, fh);
            shown = read && Decode_into(d.frame);
            platform::Draw_surface& to = target != nullptr ? *target : picture;
            const int32_t w = target != nullptr ? fw : pw, h = target != nullptr ? fh : ph;
            if (shown) d.frame.DIB_PaintPicture(&to, 0, 0, w, h);
            else {
                decode_info_ = Codec_text(codec_);
                Paint_black(to, 0, 0, w, h);
                return false;
            }
        } else if (overlay_ > 0) {
            if (frame_in_store_ == 1) {
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
        effective_time_ = float(frame_in_store_ - 1) * float(ms_per_frame_);
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
    if (frame_in_store_ <= 0) return false;
    if (!Ensure_size(d.frame, width_ > 0 ? width_ : 720, height_ > 0 ? height_ : 576) || !Decode_into(d.frame)) {
        Paint_black(picture, 0, 0, pw, ph);
        return false;
    }
    d.frame.DIB_PaintPicture(&picture, 0, 0, pw, ph);
    return true;
}

bool cls_AVI_handler::Blit_Frame(platform::Draw_surface* dc, int32_t width, int32_t height)
{
    if (dc == nullptr || frame_in_store_ <= 0) return false;
    Drawing& d = Draw_state();
    if (!Ensure_size(d.frame, width_ > 0 ? width_ : 720, height_ > 0 ? height_ : 576) || !Decode_into(d.frame)) {
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
    if (!Read_Frame(frame, 1) || !Ensure_size(d.frame, width_ > 0 ? width_ : 720, height_ > 0 ? height_ : 576) ||
        !Decode_into(d.frame))
        return false;
    // 1:1 from (x, y); what lies outside the frame stays black.
    picture.BitBlt(0, 0, w, h, d.frame.hDC(), x, y, platform::SRCCOPY);
    return true;
}

bool cls_AVI_handler::Restore_target(int32_t frame)
{
    Drawing& d = Draw_state();
    if (!d.overlay_ready) Make_overlay_pictures(width_, height_);
    if (Read_Frame(frame, 1) && Decode_into(d.overlay_target)) return true;
    Fill_black(d.overlay_target);
    return false;
}

bool cls_AVI_handler::Store_frame(int32_t frame, const std::string& which)
{
    if (!file_.Is_open()) return false;
    Drawing& d = Draw_state();
    if (!d.overlay_ready) Make_overlay_pictures(width_, height_);
    if (frame == 0) frame = 1;
    cDIBSection* into = which == "source" ? &d.overlay_source : which == "target" ? &d.overlay_target : nullptr;
    if (into == nullptr) return false;
    if (Read_Frame(frame, 1) && Decode_into(*into)) return true;
    decode_info_ = Codec_text(codec_);
    Fill_black(*into);
    return false;
}

bool cls_AVI_handler::Reset_Overlay(platform::Draw_surface& picture)
{
    if (overlay_ == 0 || frame_in_store_ <= 0) return false;
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
    return float(int64_t(field) - first) * float(ms_per_field_);
}

int16_t cls_AVI_handler::Drawn_streams() const { return std::clamp<int16_t>(num_streams_, 1, 3); }

const cDIBSection* cls_AVI_handler::Field_DIB(int16_t stream) const
{
    if (!drawing_ || stream < 1 || stream > 3) return nullptr;
    return &drawing_->field[size_t(stream)];
}

const cDIBSection* cls_AVI_handler::Rotated_Field_DIB() const { return drawing_ ? &drawing_->rotated_field : nullptr; }

bool cls_AVI_handler::Draw_field_3(int32_t field, platform::Draw_surface& picture, int16_t stream, bool rotated)
{
    try {
        if (!file_.Is_open()) return false;
        current_field_ = field;
        if (field == 0) return false;
        if (stream < 1 || stream > 3)
            throw Run_time_error(err_Subscript, "Subscript out of range: stream " + std::to_string(stream));
        Drawing& d = Draw_state();
        const int32_t pw = picture.Width(), ph = picture.Height();
        cDIBSection& frame_pic = d.field_frame[size_t(stream)];
        cDIBSection& field_pic = d.field[size_t(stream)];
        const bool sdv = Is_sdv();
        auto paint_field = [&] {
            if (sdv) field_pic.DIB_DrawDib2(picture, 0, 0, 720, 576);
            else field_pic.DIB_PaintPicture(&picture, 0, 0, pw, ph);
        };
        // The same field again: shown from the field picture, nothing read or decoded.
        if (!rotated && field == last_field_ && stream == d.last_stream && d.field_held[size_t(stream)] == field &&
            frame_in_store_ == d.store_frame && current_stream_ == d.store_stream) {
            paint_field();
            return true;
        }
        if (file_name_.empty()) return false;
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
        if (Is_own_format()) Read_Trace_Data();
        bool ok = read;
        // Once per frame: field 2 of the frame just shown is in the frame picture already.
        if (ok && Decoded_Frame_No[size_t(stream)] != frame_in_store_) {
            Decoded_Frame_No[size_t(stream)] = 0;
            ok = Decode_into(frame_pic);
            if (ok) Decoded_Frame_No[size_t(stream)] = frame_in_store_;
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
        last_field_ = field;
        d.last_stream = stream;
        d.store_frame = frame_in_store_;
        d.store_stream = current_stream_;
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
        const int32_t fw = width_ > 0 ? width_ : 720, fh = height_ > 0 ? height_ : 576;
        if (field == last_field_ && stream == d.last_stream && d.line_field_held == field &&
            frame_in_store_ == d.store_frame && current_stream_ == d.store_stream) {
            picture.BitBlt(0, 0, fw, fh, d.line_field.hDC(), 0, 0, platform::SRCCOPY);
            return true;
        }
        if (file_name_.empty()) return false;
        decode_info_ = file_name_;
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
        last_field_ = field;
        d.last_stream = stream;
        d.store_frame = frame_in_store_;
        d.store_stream = current_stream_;
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

// ---- Trace record ----

std::span<uint8_t> cls_AVI_handler::Frame_data()
{
    if (frame_in_store_ <= 0) return {};
    if (Is_avi()) {
        // Only DV frames have a place for the record; other codecs' data would be damaged.
        if (!is_DV() || chunk_length_ <= 0 || chunk_buffer_.size() < size_t(chunk_length_) + 8) return {};
        return std::span<uint8_t>(chunk_buffer_.data() + 8, size_t(chunk_length_));
    }
    return std::span<uint8_t>(frame_buffer_.data(), std::min(frame_buffer_.size(), size_t(frame_size_)));
}

bool cls_AVI_handler::Rewrite_DV_frame()
{
    // Raw DV and multi-stream DV files are never written here; the change stays in memory.
    if (!Is_own_format() && !Is_avi()) return false;
    const bool avi = Is_avi();
    if (frame_in_store_ <= 0 || (avi ? chunk_length_ <= 0 || chunk_buffer_.size() < size_t(chunk_length_) + 8
                                     : frame_position_ <= 0))
        throw Run_time_error(err_Invalid_argument, "No frame has been read to write back", "cls_AVI_handler");
    if (!file_.Is_open() || !file_.Writable() || read_only_)
        throw Run_time_error(75, "The recording is read-only: " + file_name_, "cls_AVI_handler");
    // Exactly the frame (an AVI chunk with its header): the last frame never grows the file.
    const uint8_t* bytes = avi ? chunk_buffer_.data() : frame_buffer_.data();
    const size_t n = avi ? size_t(chunk_length_) + 8 : std::min(frame_buffer_.size(), size_t(frame_size_));
    const int64_t at = avi ? chunk_position_ : frame_position_ - 1;
    if (!file_.Write_at(at, bytes, n))
        throw Run_time_error(err_Disk_full, "The frame could not be written back: " + file_name_, "cls_AVI_handler");
    if (!avi && !memory_image_.empty() && at + int64_t(n) <= int64_t(memory_image_.size()))
        std::memcpy(memory_image_.data() + at, bytes, n);
    return true;
}

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
    if (stored && current_stream_ == 1 && frame_in_store_ <= int32_t(trace_array_.size()))
        trace_array_[size_t(frame_in_store_ - 1)] = record;
    return stored;
}

bool cls_AVI_handler::Update_Trace_Data(int16_t point, int16_t x, int16_t y)
{
    Trace_Record r = m_trace_data_;
    r.x(point, field_to_show_) = x;
    r.y(point, field_to_show_) = y;
    r.Set_tag();
    if (frame_in_store_ <= 0)
        throw Run_time_error(err_Invalid_argument, "No frame has been read to trace", "cls_AVI_handler");
    return Write_trace_record(r);
}

bool cls_AVI_handler::Clear_Trace_Data()
{
    if (frame_in_store_ <= 0)
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
    if (!file_.Is_open()) return false;
    const int32_t frame = frame_in_store_;
    const int16_t stream = current_stream_;
    bool all = true;
    try {
        for (int32_t f = 1; f <= num_frames_; ++f) {
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
    if (!file_.Is_open()) return;
    const int32_t frame = frame_in_store_;
    const int16_t stream = current_stream_;
    trace_array_.assign(size_t(std::max(num_frames_, 0)), Trace_Record{});
    try {
        for (int32_t f = 1; f <= num_frames_; ++f) {
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
    if (frame > 0 && frame == frame_in_store_) {
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

// ---- AVI recordings ----

void cls_AVI_handler::Reset_avi_state()
{
    avi_chunk_addr_.fill(0);
    junk_pos_ = 0;
    riff_header_.fill(0);
    riff_size_ = 0;
    qsxm_size_ = 0;
    imp_mark_ = false;
    video_index_.clear();
    text_index_.clear();
    index_base_ = Index_base::None;
    movie_offset_ = 0;
    first_chunk_offset_ = 0;
    ix00_entries_.clear();
    chunk_buffer_.clear();
    chunk_position_ = 0;
    text_buffer_.clear();
    text_position_ = 0;
    position_percent_ = 0;
    player_time_ = 0;
    headers_read_ = false;
    file_start_.fill(0);
    avih_header_.fill(0);
    avih_.fill(0);
    strh_.clear();
    strf_.clear();
    hash_atype_.clear();
    avi_length_seconds_ = 0;
    ntsc_ = is_deinterlaced_ = false;
    drive_.clear();
    drive_type_ = 0;
    current_field_ = current_frame_ = 0;
    eff_frameno_ = 0;
}

namespace {

bool Is_DV_codec(const std::string& codec)
{
    // The decoder here reads every DV flavour; only other codecs count as compressed.
    return codec == g_DV_Codec || codec == "msdv" || codec == "CDVC" || codec == "dvsd";
}

Bitmap_format Get_bitmap_format(const uint8_t* b)
{
    Bitmap_format f;
    f.biSize = Get_long(b);
    f.biWidth = Get_long(b + 4);
    f.biHeight = Get_long(b + 8);
    f.biPlanes = Get_integer(b + 12);
    f.biBitCount = Get_integer(b + 14);
    f.biCompression = Get_long(b + 16);
    f.biSizeImage = Get_long(b + 20);
    f.biXPelsPerMeter = Get_long(b + 24);
    f.biYPelsPerMeter = Get_long(b + 28);
    f.biClrUsed = Get_long(b + 32);
    f.biClrImportant = Get_long(b + 36);
    return f;
}

bool Is_video_id(const uint8_t* id)
{
    return std::memcmp(id, "00db", 4) == 0 || std::memcmp(id, "00dc", 4) == 0 || std::memcmp(id, "00__", 4) == 0;
}

} // namespace

bool cls_AVI_handler::Open_avi()
{
    Trace_Line("*cls_AVI_handler, case avi");
    if (!avi_info_) avi_info_ = std::make_unique<clsAVIInfo>();
    std::string why;
    avi_info_->ReadError = [&why](const std::string& message) {
        if (why.empty()) why = message;
    };
    const bool parsed = avi_info_->ReadFile(file_name_);
    avi_info_->ReadError = nullptr;
    if (!parsed) {
        platform::MsgBox("Corrupt file, (" + (why.empty() ? std::string("no AVI movie data") : why) + ")\r\n" +
                         file_name_);
        return false;
    }
    const clsAVIInfo& info = *avi_info_;
    if (info.Width() <= 0 || info.Width() > INT16_MAX || info.Height() <= 0 || info.Height() > INT16_MAX ||
        info.NumFrames() < 0) {
        platform::MsgBox("Corrupt file, (invalid AVI picture size or frame count)\r\n" + file_name_);
        return false;
    }
    width_ = int16_t(info.Width());
    height_ = int16_t(info.Height());
    num_frames_ = info.NumFrames();
    fps_ = int16_t(std::clamp<int32_t>(info.FrameRate(), 0, INT16_MAX));
    riff_size_ = uint32_t(info.RIFFsize());
    file_size_ = info.FileSize();
    avi_length_seconds_ = int16_t(std::clamp<int32_t>(info.PlayLength(), INT16_MIN, INT16_MAX));
    if (fps_ > 0) {
        ms_per_frame_ = int16_t(std::nearbyint(1000.0 / fps_));
        ms_per_field_ = int16_t(std::nearbyint(ms_per_frame_ / 2.0));
    }
    std::string codec = info.VideoCodec();
    if (codec == "dv50" || codec == "dvsd") codec = "CDVC";
    else if (codec == "vp61") codec = "VP61";
    else if (codec == "mp42") codec = "MP42";
    codec_ = codec;
    plain_dv_ = false;
    dv_frames_ = false;
    compressed_codec_ = !Is_DV_codec(codec);
    is_deinterlaced_ = compressed_codec_;
    ntsc_ = codec == "CDVC" && width_ == 720 && height_ == 480;
    num_streams_ = 1;

    const uint8_t* own_format = info.bmi_address();
    const Bitmap_format avi_format = own_format ? Get_bitmap_format(own_format) : Bitmap_format{};
    if (!compressed_codec_) frame_size_ = ntsc_ ? 120000 : k_DV_frame_size;
    else if (avi_format.biSizeImage > 0) frame_size_ = avi_format.biSizeImage;
    else frame_size_ = int32_t(width_) * height_ * 3;

    input_format_ = {};
    input_format_.biWidth = width_;
    input_format_.biHeight = height_;
    input_format_.biBitCount = info.BitDepth() == 0 ? int16_t(24) : info.BitDepth();
    input_format_.biCompression = int32_t(Fourcc_of(codec == "CRAM" ? "msvc" : codec));
    input_format_.biSizeImage = frame_size_;
    if (!own_format) {
        output_format_ = {};
        output_format_.biWidth = 720;
        output_format_.biHeight = ntsc_ ? 480 : 576;
        output_format_.biBitCount = 24;
        output_format_.biSizeImage = k_DV_frame_size;
    } else {
        output_format_ = avi_format;
    }
    output_format_.biCompression = int32_t(Fourcc_of(codec));

    if (!Open_raw(file_, file_name_, read_only_)) return false;
    file_number_ = Free_file_number();
    g_File_Kind[size_t(std::clamp<int16_t>(m_index_, 0, 4))] = 1;
    {
        std::string head(1000, '\0');
        head.resize(size_t(std::max<int64_t>(file_.Read_at(0, head.data(), head.size()), 0)));
        imp_mark_ = head.find("IMP") != std::string::npos;
    }
    Parse_Chunks();
    Has_XML_header();
    if (!Get_AVI_indexes(file_name_)) {
        Trace_Line("*OF5");
        return false;
    }
    Read_Headers();
    num_fields_ = Gross_fields();
    return true;
}

void cls_AVI_handler::Parse_Chunks()
{
    Trace_Line("*cls_AVI_handler, ParseChunks");
    avi_chunk_addr_.fill(0);
    junk_pos_ = 0;
    qsxm_size_ = 0;
    const int64_t size = file_.Size();
    if (!file_.Read_exact(0, riff_header_.data(), riff_header_.size())) return;
    riff_size_ = uint32_t(Get_long(riff_header_.data() + 4));
    // Only what the RIFF chunk covers and the file holds is walked.
    const int64_t end = std::min<int64_t>(int64_t(riff_size_) + 8, size);
    int64_t p = 12;
    while (p + 8 <= end) {
        uint8_t h[8];
        if (!file_.Read_exact(p, h, 8)) break;
        const uint32_t n = uint32_t(Get_long(h + 4));
        const int64_t q = p + 8;
        const int64_t next = q + int64_t(n) + (n & 1);
        const bool whole = q + int64_t(n) <= size;
        const int64_t at = p + 1;
        if (std::memcmp(h, "JUNK", 4) == 0 || std::memcmp(h, "JUNQ", 4) == 0) {
            junk_pos_ = q + 1;
        } else if (std::memcmp(h, "BXA", 3) == 0 && h[3] >= '1' && h[3] <= '5') {
            avi_chunk_addr_[size_t(h[3] - '0')] = at;
        } else if (std::memcmp(h, "BXHD", 4) == 0) {
            if (whole && n >= uint32_t(DV_Header_Record::k_Size)) avi_chunk_addr_[k_BXHD_chunk] = at;
        } else if (std::memcmp(h, "QSXM", 4) == 0) {
            if (whole) {
                avi_chunk_addr_[k_QSXM_chunk] = at;
                qsxm_size_ = n;
                read_AVI_XML_string();
            }
        } else if (std::memcmp(h, "idx1", 4) == 0) {
            avi_chunk_addr_[k_idx1_chunk] = at;
        }
        if (next <= p) break;
        p = next;
    }
    Trace_Line("*cls_AVI_handler, ParseChunks, end");
}

bool cls_AVI_handler::read_AVI_XML_string()
{
    const int64_t at = avi_chunk_addr_[k_QSXM_chunk];
    if (at <= 0 || !file_.Is_open()) return false;
    uint8_t h[8];
    if (!file_.Read_exact(at - 1, h, 8)) return false;
    const uint32_t n = uint32_t(Get_long(h + 4));
    // Never past the end of the file.
    const int64_t room = std::max<int64_t>(file_.Size() - (at - 1 + 8), 0);
    std::vector<uint8_t> bytes(size_t(std::min<int64_t>(n, room)));
    if (!file_.Read_exact(at - 1 + 8, bytes.data(), bytes.size())) return false;
    return Header().XML_string(Bytes_To_String(bytes));
}

bool cls_AVI_handler::Has_QSXM_chunk() const { return avi_chunk_addr_[k_QSXM_chunk] > 0; }
bool cls_AVI_handler::Has_BXHD_chunk() const { return avi_chunk_addr_[k_BXHD_chunk] > 0; }

int64_t cls_AVI_handler::AVI_Chunk_addr(int16_t index) const
{
    if (index < 0 || index > 7) throw Run_time_error(err_Subscript, "Subscript out of range");
    return avi_chunk_addr_[size_t(index)];
}

bool cls_AVI_handler::Write_AVI_XML_header(const std::string& text)
{
    const int64_t at = avi_chunk_addr_[k_QSXM_chunk];
    if (at <= 0 || !file_.Is_open()) return false;
    // The text and its 100 zero bytes stay inside the chunk.
    if (int64_t(text.size()) + 100 > int64_t(qsxm_size_)) {
        platform::MsgBox("The recording's header is too long to be stored (" + std::to_string(text.size()) +
                         " bytes, at most " + std::to_string(std::max<int64_t>(int64_t(qsxm_size_) - 100, 0)) +
                         "); the file keeps its header.");
        return false;
    }
    if (read_only_ || !file_.Writable()) throw Run_time_error(75, "The recording is read-only: " + file_name_);
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.resize(bytes.size() + 100, 0);
    if (!file_.Write_at(at - 1 + 8, bytes.data(), bytes.size()))
        throw Run_time_error(err_Disk_full, "The recording's header could not be written");
    return true;
}

// The RIFF chunk must end where the file ends: anything after it (a second RIFF of a large
// recording) would be overwritten by an appended chunk.
static bool Riff_covers_file(uint32_t riff_size, int64_t file_size)
{
    const int64_t end = int64_t(riff_size) + 8;
    return end == file_size || (riff_size % 2 == 1 && end + 1 == file_size);
}

// Whether a chunk may be added at the end of the open AVI: it must be writable and end with
// its RIFF chunk (a file that goes on after it is a large recording whose data would be hit).
bool cls_AVI_handler::Chunk_can_be_appended()
{
    if (!Is_avi() || !file_.Is_open()) throw Run_time_error(52, "No AVI recording is open");
    if (read_only_ || !file_.Writable()) {
        platform::MsgBox("File is Read Only!");
        return false;
    }
    if (!Riff_covers_file(riff_size_, file_.Size())) {
        platform::MsgBox("The AVI file continues after its RIFF chunk (a large recording); no header chunk is "
                         "added to it.\r\n" + file_name_);
        return false;
    }
    return true;
}

// Writes tag, size and data (zero-padded to data_size) after the end of the file and makes the
// RIFF chunk cover it.
bool cls_AVI_handler::Append_chunk(const char* tag, std::span<const uint8_t> data, int64_t data_size)
{
    const int64_t length = file_.Size();
    if (length + 8 + data_size - 8 > int64_t(UINT32_MAX)) {
        platform::MsgBox("The AVI file is too large for a header chunk.\r\n" + file_name_);
        return false;
    }
    std::vector<uint8_t> chunk(size_t(8 + data_size), 0);
    std::memcpy(chunk.data(), tag, 4);
    Put_long(chunk.data() + 4, int32_t(uint32_t(data_size)));
    std::memcpy(chunk.data() + 8, data.data(), std::min(data.size(), size_t(data_size)));
    if (!file_.Write_at(length, chunk.data(), chunk.size()))
        throw Run_time_error(err_Disk_full, std::string("The ") + tag + " chunk could not be written");
    riff_size_ = uint32_t(file_.Size() - 8);
    if (!Rewrite_AVI_Header()) return false;
    Parse_Chunks();
    return true;
}

bool cls_AVI_handler::Append_XML_header()
{
    try {
        if (!Chunk_can_be_appended()) return false;
        auto& h = Header();
        if (golf_header_) h.Golfing(true);
        if (!h.Create_Header()) return false;
        const std::string text = h.XML_string();
        const int64_t data = std::max<int64_t>(k_QSXM_min_size, (int64_t(text.size()) + 100 + 1) / 2 * 2);
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
        return Append_chunk("QSXM", bytes, data) && Has_QSXM_chunk();
    } catch (...) {
        Report_current_exception("Append_XML_header" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Append_DV_header()
{
    try {
        if (!Chunk_can_be_appended()) return false;
        const std::vector<uint8_t> record = DV_Header_Record{}.To_bytes();
        return Append_chunk("BXHD", record, DV_Header_Record::k_Size) && Has_BXHD_chunk();
    } catch (...) {
        Report_current_exception("Append_DV_header" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Rewrite_AVI_Header()
{
    try {
        if (!Is_avi() || !file_.Is_open()) throw Run_time_error(52, "No AVI recording is open");
        std::memcpy(riff_header_.data(), "RIFF", 4);
        Put_long(riff_header_.data() + 4, int32_t(riff_size_));
        if (std::memcmp(riff_header_.data() + 8, "AVI ", 4) != 0)
            throw Run_time_error(err_Bad_file_mode, "Not an AVI file: " + file_name_);
        if (!file_.Write_at(0, riff_header_.data(), riff_header_.size()))
            throw Run_time_error(err_Disk_full, "The RIFF header could not be written");
        std::memcpy(file_start_.data(), riff_header_.data(), riff_header_.size());
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_AVI_Header" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Rewrite_DV_header()
{
    try {
        // The record opens an sdv file only; anywhere else it would overwrite the file's start.
        if (!Is_sdv() || !file_.Is_open()) throw Run_time_error(52, "No sdv recording is open");
        if (read_only_ || !file_.Writable()) throw Run_time_error(75, "The recording is read-only: " + file_name_);
        const std::vector<uint8_t> bytes = dv_header_.To_bytes();
        if (!file_.Write_at(0, bytes.data(), bytes.size()))
            throw Run_time_error(err_Disk_full, "The DV header could not be written");
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_DV_header" + std::string(k_Class));
        return false;
    }
}

int64_t cls_AVI_handler::Index_position(const cls_IDX& e) const
{
    const int64_t o = int64_t(uint32_t(e.dwChunkOffset));
    switch (index_base_) {
    case Index_base::Movie_plus_4: return movie_offset_ + 4 + o;
    case Index_base::Movie: return movie_offset_ + o;
    case Index_base::File: return o;
    case Index_base::None: break;
    }
    return -1;
}

bool cls_AVI_handler::Get_AVI_indexes(const std::string& path)
{
    Trace_Line("*Get_AVI_indexes");
    video_index_.clear();
    text_index_.clear();
    index_base_ = Index_base::None;
    const int64_t size = file_.Size();
    if (size <= 0) {
        platform::MsgBox("GET_AVI_Indexes, empty file!");
        return false;
    }
    const int64_t at = avi_info_ ? int64_t(uint32_t(avi_info_->IndexOffset())) : 0;
    uint8_t h[8];
    if (at <= 0 || !file_.Read_exact(at, h, 8) || std::memcmp(h, "idx1", 4) != 0) {
        platform::MsgBox("File: " + path + g_Edition_text + "  found no AVI index! ");
        return false;
    }
    const uint32_t bytes = uint32_t(Get_long(h + 4));
    const int64_t count = bytes / 16;
    if (count < 1 || count > k_Max_index_entries) {
        platform::MsgBox("File: " + path + "  has " + std::to_string(count) + " AVI index entries (at most " +
                         std::to_string(k_Max_index_entries) + ")");
        return false;
    }
    if (at + 8 + count * 16 > size) {
        platform::MsgBox("File: " + path + "  its AVI index runs past the end of the file");
        return false;
    }
    std::vector<uint8_t> raw(size_t(count * 16));
    if (!file_.Read_exact(at + 8, raw.data(), raw.size())) return false;
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* e = raw.data() + i * 16;
        const bool video = Is_video_id(e);
        const bool text = std::memcmp(e, "01db", 4) == 0;
        if (!video && !text) continue; // audio and anything else
        cls_IDX item;
        item.ChunkId.assign(reinterpret_cast<const char*>(e), 4);
        item.dwFlags = Get_long(e + 4);
        item.dwChunkOffset = Get_long(e + 8);
        item.dwChunkLength = Get_long(e + 12);
        (video ? video_index_ : text_index_).push_back(std::move(item));
    }
    if (video_index_.empty()) {
        platform::MsgBox("File: " + path + "  its AVI index lists no video frames");
        text_index_.clear();
        return false;
    }
    // Where the offsets count from: the first place that holds a chunk id wins.
    movie_offset_ = avi_info_->MovieOffset();
    first_chunk_offset_ = uint32_t(video_index_.front().dwChunkOffset);
    for (const Index_base base : {Index_base::Movie_plus_4, Index_base::Movie, Index_base::File}) {
        index_base_ = base;
        const int64_t p = Index_position(video_index_.front());
        uint8_t id[4];
        if (p >= 0 && file_.Read_exact(p, id, 4) && (Is_video_id(id) || std::memcmp(id, "01db", 4) == 0)) return true;
    }
    index_base_ = Index_base::None;
    Trace_Line("*Get_AVI_indexes, end");
    platform::MsgBox("File: " + path + "  its AVI index points at no frame");
    video_index_.clear();
    text_index_.clear();
    return false;
}

bool cls_AVI_handler::Read_ix00_Index(int64_t start)
{
    ix00_entries_.clear();
    if (!file_.Is_open() || start < 0) return false;
    const int64_t size = file_.Size();
    constexpr int64_t k_Block = 10000;
    std::vector<uint8_t> block(size_t(k_Block + 3));
    for (int b = 0; b < 10; ++b) {
        // Blocks overlap by three bytes so that a tag across their border is found.
        const int64_t from = start + b * k_Block;
        const int64_t n = file_.Read_at(from, block.data(), block.size());
        if (n < 4) return false;
        for (int64_t i = 0; i + 4 <= n && i < k_Block; ++i) {
            if (std::memcmp(block.data() + i, "ix00", 4) != 0) continue;
            // The standard index: tag, size, longs per entry, sub type, type, entries in use,
            // chunk id, base offset and a reserved long, then offset and size per entry.
            uint8_t h[32];
            const int64_t at = from + i;
            if (!file_.Read_exact(at, h, sizeof h)) return false;
            const uint32_t entries = uint32_t(Get_long(h + 12));
            if (Get_integer(h + 8) != 2 || entries > uint32_t(k_Max_index_entries) ||
                at + 32 + int64_t(entries) * 8 > size)
                return false;
            std::vector<uint8_t> raw(size_t(entries) * 8);
            if (!file_.Read_exact(at + 32, raw.data(), raw.size())) return false;
            for (uint32_t k = 0; k < entries; ++k)
                ix00_entries_.push_back({uint32_t(Get_long(&raw[k * 8])), uint32_t(Get_long(&raw[k * 8 + 4]))});
            return true;
        }
    }
    return false;
}

bool cls_AVI_handler::Read_avi_frame(int32_t f)
{
    text_buffer_.clear();
    text_position_ = 0;
    chunk_position_ = 0;
    position_percent_ = 0;
    player_time_ = 0;
    if (file_name_.empty() || video_index_.empty() || index_base_ == Index_base::None) return false;
    f = std::min<int32_t>(f, int32_t(video_index_.size()));
    const cls_IDX& e = video_index_[size_t(f - 1)];
    const uint32_t length = uint32_t(e.dwChunkLength);
    if (length == 0) return false;
    const int64_t at = Index_position(e);
    // The whole chunk, header and data, or nothing.
    if (at < 0 || at + 8 + int64_t(length) > file_.Size()) return false;
    chunk_buffer_.resize(size_t(length) + 8);
    if (!file_.Read_exact(at, chunk_buffer_.data(), chunk_buffer_.size())) return false;
    if (std::memcmp(chunk_buffer_.data(), e.ChunkId.data(), 4) != 0) return false;
    chunk_position_ = at;
    chunk_length_ = int32_t(length);
    frame_position_ = 0;
    input_format_.biSizeImage = frame_size_;
    if (Has_Text_Stream() && size_t(f) <= text_index_.size()) {
        const cls_IDX& t = text_index_[size_t(f - 1)];
        const uint32_t n = uint32_t(t.dwChunkLength);
        const int64_t data = Index_position(t) + 8;
        if (data + int64_t(n) <= file_.Size()) {
            text_buffer_.resize(n);
            if (file_.Read_exact(data, text_buffer_.data(), n)) text_position_ = data + 1;
            else text_buffer_.clear();
        }
    }
    frame_in_store_ = f;
    current_stream_ = 1;
    position_percent_ = num_frames_ > 0 ? int32_t(std::nearbyint(double(f) * 100.0 / num_frames_)) : 0;
    player_time_ = float(f - 1) * float(ms_per_frame_);
    return true;
}

std::span<const uint8_t> cls_AVI_handler::Avi_frame_bytes() const
{
    if (chunk_length_ <= 0 || chunk_buffer_.size() < size_t(chunk_length_) + 8) return {};
    return std::span<const uint8_t>(chunk_buffer_.data() + 8, size_t(chunk_length_));
}

uint8_t* cls_AVI_handler::Frame_address()
{
    if (Is_avi()) return frame_in_store_ > 0 && chunk_buffer_.size() > 8 ? chunk_buffer_.data() + 8 : nullptr;
    return frame_buffer_.data();
}

std::span<const uint8_t> cls_AVI_handler::Get_Frame(int32_t frame)
{
    if (!Read_Frame(frame, 1) || !Is_avi()) return {};
    return Avi_frame_bytes();
}

int32_t cls_AVI_handler::Index_flag(int32_t n) const
{
    if (n < 1 || size_t(n) > video_index_.size()) throw Run_time_error(err_Subscript, "Subscript out of range");
    return video_index_[size_t(n - 1)].dwFlags;
}

int16_t cls_AVI_handler::Text_Length() const
{
    if (!Has_Text_Stream()) return 0;
    return int16_t(std::min<uint32_t>(uint32_t(text_index_.front().dwChunkLength), uint32_t(INT16_MAX)));
}

} // namespace wk
