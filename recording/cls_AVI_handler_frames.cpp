// The recording object: locating and reading frames and their bytes, and reading a file ahead.
#include "recording/cls_AVI_handler.h"

#include "platform/Clock.h"
#include "platform/Memory_bytes.h"
#include "recording/Whole_file_read.h"
#include "platform/Text_codec.h"
#include "recording/Raw_dv_reader.h"
#include "recording/Recording_bytes.h"
#include "recording/Recording_reader.h"
#include "recording/Timecode_module.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace wk {

using namespace recording_bytes;

// ---- Frame location and reading ----

bool cls_AVI_handler::Read_Frame(int32_t frame, int16_t stream)
{
    Forget_frame();
    rec_.frame_in_store = 0;
    if (!rec_.file.Is_open()) return false;
    const int32_t f = std::min(frame, rec_.num_frames);
    if (f < 1) return false;
    if (!reader_->Read_frame(f, stream)) return false;
    capture_.Take_frame_time();
    trace_.Get_Current_Trace_data(rec_.frame_in_store);
    return true;
}

void cls_AVI_handler::Forget_frame()
{
    capture_.Forget_record();
    rec_.chunk_length = 0;
    trace_.Forget_trace();
}


std::span<const uint8_t> cls_AVI_handler::Frame_bytes() const
{
    if (rec_.frame_in_store <= 0) return {};
    return reader_->Frame();
}

uint8_t* cls_AVI_handler::Frame_address() { return reader_->Frame().data(); }

// ---- The frame's bytes ----

void cls_AVI_handler::Parse_DV_header() { DV_Header_Parse(Frame_bytes()); }

const uint8_t* cls_AVI_handler::Extra_Data_Addr() const
{
    const std::vector<uint8_t>& buffer = rec_.frame_buffer;
    return buffer.size() >= size_t(g_DV_Extra_Offset) + k_Extra_size ? buffer.data() + g_DV_Extra_Offset : nullptr;
}

// ---- Reading ahead ----

int64_t cls_AVI_handler::find_DV_offset(const std::string& path)
{
    platform::Byte_file f;
    int error = 0;
    if (!f.Open(path, platform::Raw_file::Mode::Read, error)) return -1;
    return Raw_dv_reader::First_data_byte(f);
}

void cls_AVI_handler::Preread_File()
{
    if (!rec_.file.Is_open()) return;
    const int32_t t0 = Get_Tick();
    const int64_t size = rec_.file.Size();
    std::vector<uint8_t> block(1 << 20);
    for (int64_t done = 0; done < size;) {
        const int64_t got = rec_.file.Read_at(done, block.data(), block.size());
        if (got <= 0) break;
        done += got;
        if (Progress) Progress(int16_t(std::nearbyint(double(done) * 100.0 / double(size))));
    }
    Trace_Line("*File " + rec_.name + "Pre_read in : " + std::to_string(platform::Tick_difference(Get_Tick(), t0)) +
               " milliseconds");
}

// The readers then read from the copy; every write still goes to the file first.
bool cls_AVI_handler::Read_File_to_Memory()
{
    if (!rec_.file.Is_open()) return false;
    whole_file_read::Wait_cursor cursor;
    if (Reading_started) Reading_started();
    const bool read = whole_file_read::Read_whole_file(rec_.file);
    cursor.Restore();
    if (Reading_ended) Reading_ended();
    return read;
}

bool cls_AVI_handler::In_memory() const
{
    return dynamic_cast<const platform::Memory_bytes*>(rec_.file.Source()) != nullptr;
}

int64_t cls_AVI_handler::File_size() const
{
    if (rec_.file.Is_open()) return rec_.file.Size();
    return Get_File_Size(rec_.name);
}

// ---- The frame written back ----

std::span<uint8_t> cls_AVI_handler::Frame_record_room()
{
    if (rec_.frame_in_store <= 0 || !reader_->Frame_has_trace_room()) return {};
    return reader_->Frame();
}

bool cls_AVI_handler::Frames_carry_records() const { return reader_->Keeps_extra_data(); }

// Raw DV and multi-stream DV files are never written here: their change stays in memory.
bool cls_AVI_handler::Rewrite_DV_frame() { return reader_->Rewrite_frame(); }

} // namespace wk
