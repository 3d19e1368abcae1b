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
    rec_.Read_stream_info();
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
    return "\r\nDV frame timestamp = " + std::to_string(capture_.Timestamp_long());
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
    s += "Selection start/end = " + std::to_string(stream_.Selection_start()) + "/" + std::to_string(stream_.Selection_end()) + nl;
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

bool cls_AVI_handler::Show_goalline() { return Header().Show_goalline(); }
void cls_AVI_handler::Show_goalline(bool on) { Header().Show_goalline(on); }
bool cls_AVI_handler::Lanes_flipped() { return Header().Lanes_flipped(); }
void cls_AVI_handler::Lanes_flipped(bool on) { Header().Lanes_flipped(on); }
bool cls_AVI_handler::Lanes_Visible() { return Header().Lanes_Visible(); }
void cls_AVI_handler::Lanes_Visible(bool on) { Header().Lanes_Visible(on); }
std::string cls_AVI_handler::Heat_comment(int16_t heat) { return Header().Heat_comment(heat); }

} // namespace wk
