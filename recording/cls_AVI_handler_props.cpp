// The recording object's properties: kind and timing, streams and their selection, and the
// property text.
#include "recording/cls_AVI_handler.h"

#include "platform/Folders.h"
#include "platform/Mount_table.h"
#include "platform/Private_folder.h"
#include "recording/Recording_bytes.h"
#include "recording/Recording_reader.h"
#include "recording/Timecode_module.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace wk {

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
    const double seconds = std::nearbyint(double(Header().Frames_no()) / 25.0);
    return int16_t(std::clamp<double>(seconds, INT16_MIN, INT16_MAX));
}

bool cls_AVI_handler::NTSC() const { return rec_.ntsc; }

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
    if (reader_->Plays_fields()) return int16_t(std::nearbyint(rec_.ms_per_frame / 2.0));
    return int16_t(std::nearbyint(rec_.ms_per_frame));
}

int16_t cls_AVI_handler::Trimmed_Start() const { return reader_->Trimmed_start(); }

int32_t cls_AVI_handler::Current_net() const
{
    if (rec_.is_deinterlaced) return Current_Frame();
    // The field less the frame-selection start, plus 1; without a selection the start is 0, the
    // same start every other count of this recording uses.
    return Current_Field() - rec_.frame_selection_start + 1;
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

bool cls_AVI_handler::rotated(bool on) { return Stream_rotated(1, on); }

bool cls_AVI_handler::Stream_rotated(int16_t id) { return Header().Stream_rotated(id); }

// The stream record is what the getter reads: it follows the header at once, not at the next open.
bool cls_AVI_handler::Stream_rotated(int16_t id, bool on)
{
    Header().Stream_rotated(id, on);
    if (id >= 1 && size_t(id) < rec_.streams.size()) rec_.streams[size_t(id)].rotated = on;
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
    Header().Selection_start(1, Current_Field());
    Calculate_Number_of_Fields();
    return Write_XML_header();
}

bool cls_AVI_handler::Set_End_frame()
{
    Header().Selection_end(1, Current_Field());
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
    auto decimals = [](double v, int n) {
        const double scale = n == 1 ? 10.0 : 100.0;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*f", n, std::nearbyint(v * scale) / scale);
        return std::string(buf);
    };
    auto one_decimal = [&](double v) { return decimals(v, 1); };
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
    // A frame of whole milliseconds keeps one decimal; NTSC's 1001/30 ms shows as 29.97.
    const bool whole_ms = rec_.ms_per_frame == std::floor(rec_.ms_per_frame);
    if (rec_.ms_per_frame > 0) s += "Fps = " + decimals(1000.0 / rec_.ms_per_frame, whole_ms ? 1 : 2) + nl;
    const bool has_xml = Has_XML_header();
    if (has_xml) {
        for (int16_t n = 1; n <= 5; ++n) s += "Comment" + std::to_string(n) + "= " + Header().comment(n) + nl;
        s += "Subject name = " + Header().Subject_name() + nl;
    }
    if (frames > 0) s += "kByte/frame =   " + std::to_string(int64_t(std::nearbyint(double(size) / frames / 1024.0))) + nl;
    if (reader_->Chunks()) s += "Has XML chunk = " + Bool_To_Text(has_xml) + nl;
    s += "Selection start/end = " + std::to_string(Selection_start()) + "/" + std::to_string(Selection_end()) + nl;
    if (has_xml) s += "Special application =  " + Header().SpecApp() + nl;
    return s;
}

bool cls_AVI_handler::xWrite_DV_frame()
{
    const auto bytes = Frame_bytes();
    if (bytes.empty()) return false;
    // Into the user's private temporary folder: a fixed name in the shared one could be a link
    // another user left there to one of this user's files.
    std::string problem;
    const auto folder = platform::Private_temp_folder(problem);
    if (folder.empty()) return false;
    std::ofstream out(folder / "dv_frame.dv", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

} // namespace wk
