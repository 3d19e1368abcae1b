#include "recording/Sdv_reader.h"

#include "recording/Recording_bytes.h"
#include "recording/Recording_format.h"
#include "services/Module_qsm_Globals.h"

#include <algorithm>

namespace wk {

using namespace recording_bytes;

namespace {

constexpr int32_t k_Frame = recording_format::k_DV_frame_size;

} // namespace

// ---- Reading ----

bool Sdv_reader::Open()
{
    if (!Open_file(file_.read_only)) return false;
    g_File_Kind[size_t(std::clamp<int16_t>(file_.index, 0, 4))] = 2;
    std::vector<uint8_t> bytes(static_cast<size_t>(DV_Header_Record::k_Size));
    file_.file_size = file_.file.Size();
    if (!file_.file.Read_exact(0, bytes.data(), bytes.size()) || !dv_header_.From_bytes(bytes) ||
        dv_header_.Stream_count < 1 || dv_header_.Stream_count > 5 || dv_header_.Frame_count < 0) {
        file_.problems.Post({Recording_problem::Kind::corrupt, "Invalid DV header record", file_.name});
        return false;
    }
    file_.Take_PAL_DV_values(int16_t(dv_header_.Stream_count));
    file_.codec = "CDVC";
    // A file cut short (its writer stopped before the record was rewritten, a copy broke off)
    // keeps the frame sets it holds whole: every stream's frame f, as the own format does.
    const int64_t whole_sets = std::max<int64_t>(
        (file_.file_size - dv_header_.Record_size) / (int64_t(dv_header_.Stream_count) * k_Frame), 0);
    file_.num_frames = int32_t(std::clamp<int64_t>(dv_header_.Frame_count, 0, whole_sets));
    file_.num_fields = file_.Gross_fields();
    file_.num_calculated_frames = int32_t((file_.file_size - dv_header_.Record_size) / k_Frame);
    file_.input_format.biCompression = int32_t(Fourcc_of("CDVC"));
    file_.output_format = file_.input_format;
    file_.output_format.biBitCount = 24;
    return true;
}

// Frame f of every stream lies together, stream 1 first.
bool Sdv_reader::Frame_place(int32_t f, int16_t stream, int64_t& offset, size_t& length) const
{
    const int16_t s = std::clamp<int16_t>(stream, 1, std::max<int16_t>(file_.num_streams, 1));
    offset = int64_t(dv_header_.Record_size) + (int64_t(file_.num_streams) * (int64_t(f) - 1) + (s - 1)) * k_Frame;
    length = std::min(file_.frame_buffer.size(), size_t(file_.frame_size));
    return true;
}

bool Sdv_reader::Read_frame(int32_t f, int16_t stream)
{
    const int16_t s = std::clamp<int16_t>(stream, 1, std::max<int16_t>(file_.num_streams, 1));
    int64_t offset = 0;
    size_t length = 0;
    Frame_place(f, s, offset, length);
    file_.frame_position = offset + 1;
    if (!file_.file.Read_exact(offset, file_.frame_buffer.data(), size_t(k_Frame))) return false;
    Bitmap_format& in = file_.input_format;
    in.biWidth = 720;
    in.biHeight = 576;
    in.biPlanes = 1;
    if (in.biBitCount == 0) in.biBitCount = 24;
    in.biSizeImage = k_Frame;
    file_.chunk_length = k_Frame;
    file_.frame_in_store = f;
    file_.current_stream = s;
    file_.frame_selection_start = dv_header_.Selection_start;
    return true;
}

} // namespace wk
