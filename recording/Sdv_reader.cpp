#include "recording/Sdv_reader.h"

#include "platform/Dialogs.h"
#include "recording/Recording_bytes.h"
#include "services/Module_qsm_Globals.h"

#include <algorithm>

namespace wk {

using namespace recording_bytes;

namespace {

constexpr int32_t k_Frame = cls_AVI_handler::k_DV_frame_size;

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
    for (size_t i = 0; i < Goal_line.size(); ++i) Put_long(&b[192 + 4 * i], Goal_line[i]);
    Put_integer(&b[208], Lanes_flipped);
    Put_long(&b[210], Lane_count);
    Put_long(&b[214], Heat_start_local);
    std::memcpy(&b[218], Event_name.data(), Event_name.size());
    std::memcpy(&b[282], Capture_time.data(), Capture_time.size());
    for (size_t i = 0; i < Lanes.size(); ++i) {
        Put_long(&b[314 + 8 * i], Lanes[i].X);
        Put_long(&b[318 + 8 * i], Lanes[i].Y);
    }
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
    if (b.size() >= 394) {
        for (size_t i = 0; i < Goal_line.size(); ++i) Goal_line[i] = Get_long(&b[192 + 4 * i]);
        Lanes_flipped = Get_integer(&b[208]);
        Lane_count = Get_long(&b[210]);
        Heat_start_local = Get_long(&b[214]);
        std::memcpy(Event_name.data(), &b[218], Event_name.size());
        std::memcpy(Capture_time.data(), &b[282], Capture_time.size());
        for (size_t i = 0; i < Lanes.size(); ++i) Lanes[i] = {Get_long(&b[314 + 8 * i]), Get_long(&b[318 + 8 * i])};
    }
    return Record_size == k_Size;
}

// ---- Reading ----

bool Sdv_reader::Open()
{
    if (!file_.Open(file_.read_only)) return false;
    g_File_Kind[size_t(std::clamp<int16_t>(file_.index, 0, 4))] = 2;
    std::vector<uint8_t> bytes(static_cast<size_t>(DV_Header_Record::k_Size));
    file_.file_size = file_.file.Size();
    if (!file_.file.Read_exact(0, bytes.data(), bytes.size()) || !dv_header_.From_bytes(bytes) ||
        dv_header_.Stream_count < 1 || dv_header_.Stream_count > 5 || dv_header_.Frame_count < 0 ||
        int64_t(dv_header_.Record_size) + int64_t(dv_header_.Frame_count) * dv_header_.Stream_count * k_Frame >
            file_.file_size) {
        platform::MsgBox("Corrupt file, (Invalid DV header record)\r\n" + file_.name);
        return false;
    }
    file_.Take_PAL_DV_values(int16_t(dv_header_.Stream_count));
    file_.codec = "CDVC";
    file_.num_frames = dv_header_.Frame_count;
    file_.num_fields = file_.Gross_fields();
    file_.num_calculated_frames = int32_t((file_.file_size - dv_header_.Record_size) / k_Frame);
    file_.input_format.biCompression = int32_t(Fourcc_of("CDVC"));
    file_.output_format = file_.input_format;
    file_.output_format.biBitCount = 24;
    return true;
}

// Frame f of every stream lies together, stream 1 first.
bool Sdv_reader::Read_frame(int32_t f, int16_t stream)
{
    const int16_t s = std::clamp<int16_t>(stream, 1, std::max<int16_t>(file_.num_streams, 1));
    const int64_t offset = int64_t(dv_header_.Record_size) +
                           (int64_t(file_.num_streams) * (int64_t(f) - 1) + (s - 1)) * k_Frame;
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
