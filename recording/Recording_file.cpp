#include "recording/Recording_file.h"

#include "platform/State_reset.h"
#include "recording/Header_journal.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace wk {
namespace {

int16_t g_next_file_number = 0;
const platform::State_reset k_Forget_file_number{[] { g_next_file_number = 0; }};

} // namespace

Recording_file::Recording_file() = default;
Recording_file::~Recording_file() = default;

Cls_XML_header& Recording_file::Header()
{
    if (!header) header = std::make_unique<Cls_XML_header>();
    return *header;
}

bool Recording_file::Open(bool read_only_file, const Header_area_finder& area)
{
    int error = 0;
    if (file.Open(name, read_only_file ? platform::Raw_file::Mode::Read : platform::Raw_file::Mode::Read_write, error)) {
        try {
            Header_journal::Settle(file, name, area(file), problems);
        } catch (const Run_time_error& e) {
            problems.Post({Recording_problem::Kind::open_error, e.what(), name});
            file.Close();
            return false;
        }
        Take_file_number();
        return true;
    }
    if (error == EACCES || error == EPERM)
        problems.Post({Recording_problem::Kind::permission_denied, {}, name});
    else
        problems.Post({Recording_problem::Kind::open_error, std::to_string(error) + " " + std::strerror(error), name});
    return false;
}

void Recording_file::Take_file_number()
{
    g_next_file_number = int16_t(g_next_file_number % 511 + 1);
    file_number = g_next_file_number;
}

void Recording_file::Read_stream_info()
{
    for (int16_t s = 1; s <= std::min<int16_t>(num_streams, 5); ++s) {
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
        streams[size_t(s)] = r;
    }
}

void Recording_file::Open_for_writing(const Header_area_finder& area)
{
    int error = 0;
    if (!file.Open(name, platform::Raw_file::Mode::Read_write, error))
        throw Run_time_error(error == EACCES ? 70 : err_File_not_found, std::strerror(error));
    Header_journal::Settle(file, name, area(file), problems);
}

void Recording_file::Check_writable() const
{
    if (!file.Is_open() || !file.Writable() || read_only)
        throw Run_time_error(75, "The recording is read-only: " + name, "cls_AVI_handler");
}

void Recording_file::Write_back(int64_t offset, const uint8_t* bytes, size_t n)
{
    Check_writable();
    if (!file.Write_at(offset, bytes, n))
        throw Run_time_error(err_Disk_full, "The frame could not be written back: " + name, "cls_AVI_handler");
}

void Recording_file::Take_PAL_DV_values(int16_t streams)
{
    frame_size = k_DV_frame_size;
    width = 720;
    height = 576;
    num_streams = streams;
    frame_buffer.assign(size_t(k_DV_frame_size), 0);
    multi_buffer.assign(size_t(k_DV_frame_size) * size_t(streams), 0);
    ms_per_frame = 40;
    ms_per_field = 20;
    fps = 25;
    input_format = {};
    input_format.biWidth = 720;
    input_format.biHeight = 576;
    input_format.biSizeImage = k_DV_frame_size;
}

void Recording_file::Take_NTSC_timing()
{
    fps = 30;
    ms_per_frame = 1001.0 / 30.0;
    ms_per_field = 1001.0 / 60.0;
}

int64_t Recording_file::Frames_ms(int64_t n) const { return int64_t(std::nearbyint(double(n) * ms_per_frame)); }

void Recording_file::Forget()
{
    file_number = 0;
    frame_in_store = 0;
    width = height = 0;
    num_frames = num_fields = num_calculated_frames = 0;
    codec = "0";
    ms_per_frame = ms_per_field = 0;
    file_size = 0;
    dv_offset = 0;
    frame_selection_start = 0;
    avi_length_seconds = 0;
    ntsc = is_deinterlaced = false;
}

} // namespace wk
