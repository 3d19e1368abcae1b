#include "recording/Raw_dv_reader.h"

#include "recording/Recording_bytes.h"
#include "recording/Recording_format.h"
#include "services/Module_qsm_Globals.h"

#include <algorithm>
#include <array>

namespace wk {

int64_t Raw_dv_reader::First_data_byte(const platform::Byte_file& f)
{
    std::array<uint8_t, 1001> head{};
    const int64_t n = f.Read_at(0, head.data(), head.size());
    for (int64_t i = 0; i < n; ++i)
        if (head[size_t(i)] != 0) return i;
    return -1;
}

bool Raw_dv_reader::Open()
{
    file_.read_only = true;
    if (!Open_file(true)) return false;
    file_.dv_offset = First_data_byte(file_.file);
    if (file_.dv_offset < 0) {
        file_.problems.Post({Recording_problem::Kind::corrupt, "no DV data found", file_.name});
        return false;
    }
    std::array<uint8_t, 8> head{};
    if (!file_.file.Read_exact(file_.dv_offset, head.data(), head.size()) || head[0] != 0x1F || head[1] != 0x07) {
        file_.problems.Post({Recording_problem::Kind::corrupt, "no DV header", file_.name});
        return false;
    }
    // The header block's DSF bit: 1 for 625 lines at 50 fields, 0 for 525 lines at 60.
    const bool ntsc = (head[3] & 0x80) == 0;
    file_.ntsc = ntsc;
    file_.frame_size = ntsc ? recording_format::k_NTSC_DV_frame_size : recording_format::k_DV_frame_size;
    file_.width = 720;
    file_.height = ntsc ? 480 : 576;
    file_.ms_per_frame = 40;
    file_.ms_per_field = 20;
    file_.fps = 25;
    if (ntsc) file_.Take_NTSC_timing();
    file_.frame_buffer.assign(size_t(file_.frame_size), 0);
    file_.multi_buffer.assign(size_t(file_.frame_size), 0);
    file_.codec = g_DV_Codec;
    file_.file_size = file_.file.Size();
    file_.num_frames = int32_t((file_.file_size - file_.dv_offset) / file_.frame_size);
    if (file_.num_frames < 1) {
        file_.problems.Post({Recording_problem::Kind::corrupt, "shorter than one DV frame", file_.name});
        return false;
    }
    file_.num_fields = file_.Gross_fields();
    file_.num_calculated_frames = file_.num_frames;
    file_.output_format = {};
    file_.output_format.biWidth = file_.width;
    file_.output_format.biHeight = file_.height;
    file_.output_format.biBitCount = 24;
    file_.output_format.biSizeImage = file_.frame_size;
    file_.output_format.biCompression = int32_t(recording_bytes::Fourcc_of(g_DV_Codec));
    return true;
}

bool Raw_dv_reader::Frame_place(int32_t f, int16_t, int64_t& offset, size_t& length) const
{
    if (file_.frame_size <= 0) return false;
    offset = file_.dv_offset + (int64_t(f) - 1) * file_.frame_size;
    length = std::min(file_.frame_buffer.size(), size_t(file_.frame_size));
    return true;
}

bool Raw_dv_reader::Read_frame(int32_t f, int16_t s) { return Read_placed_frame(f, s, 1); }

} // namespace wk
