// The recording object's trace record: the points drawn into each frame, the trace list and the
// trace settings of the header.
#include "recording/cls_AVI_handler.h"

#include "recording/Recording_reader.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace wk {

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
    r.x(point, Field_To_Show()) = x;
    r.y(point, Field_To_Show()) = y;
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
    try {
        // The frames that exist (the open bounds the count by the file).
        trace_array_.assign(size_t(std::max(rec_.num_frames, 0)), Trace_Record{});
        for (int32_t f = 1; f <= rec_.num_frames; ++f) {
            if (!Read_Frame(f, 1)) continue;
            Read_Trace_Data();
            // Frames never traced hold DV bytes there, not a record.
            if (trace_read_.Tagged()) trace_array_[size_t(f - 1)] = trace_read_;
        }
    } catch (const std::bad_alloc&) {
        trace_array_.clear();
        Reread_current_frame(frame, stream);
        throw Run_time_error(err_Out_of_memory, "Out of memory for the trace list of " + rec_.name);
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

int16_t cls_AVI_handler::Trace_X(int16_t point) const { return m_trace_data_.x(point, Field_To_Show()); }
int16_t cls_AVI_handler::Trace_Y(int16_t point) const { return m_trace_data_.y(point, Field_To_Show()); }

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
