// The trace section: the points drawn into each frame, the trace list and the trace settings
// of the header.
#include "recording/Trace_section.h"

#include "recording/Recording_file.h"
#include "recording/Recording_port.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace wk {

void Trace_section::Reset_traces()
{
    m_trace_data_ = Trace_Record{};
    trace_read_ = Trace_Record{};
    trace_array_.clear();
}

bool Trace_section::Write_trace_record(const Trace_Record& record)
{
    const std::span<uint8_t> data = port_.Frame_record_room();
    if (data.size() < Trace_Record::k_Offset + Trace_Record::k_Size) return false;
    uint8_t* at = data.data() + Trace_Record::k_Offset;
    std::array<uint8_t, Trace_Record::k_Size> before{};
    std::memcpy(before.data(), at, before.size());
    const auto bytes = record.To_bytes();
    std::memcpy(at, bytes.data(), bytes.size());
    bool stored = false;
    try {
        stored = port_.Write_frame_back();
    } catch (...) {
        // Not written: the frame in memory stays as the file has it.
        std::memcpy(at, before.data(), before.size());
        throw;
    }
    m_trace_data_ = record;
    if (stored && port_.File().current_stream == 1 && port_.File().frame_in_store <= int32_t(trace_array_.size()))
        trace_array_[size_t(port_.File().frame_in_store - 1)] = record;
    return stored;
}

bool Trace_section::Update_Trace_Data(int16_t point, int16_t x, int16_t y)
{
    Trace_Record r = m_trace_data_;
    r.x(point, port_.Field_shown()) = x;
    r.y(point, port_.Field_shown()) = y;
    r.Set_tag();
    if (port_.File().frame_in_store <= 0)
        throw Run_time_error(err_Invalid_argument, "No frame has been read to trace", "cls_AVI_handler");
    return Write_trace_record(r);
}

bool Trace_section::Clear_Trace_Data()
{
    if (port_.File().frame_in_store <= 0)
        throw Run_time_error(err_Invalid_argument, "No frame has been read to clear", "cls_AVI_handler");
    if (!m_trace_data_.Tagged()) return true;
    Trace_Record r = m_trace_data_;
    r.Clear_points();
    return Write_trace_record(r);
}

void Trace_section::Reread_current_frame(int32_t frame, int16_t stream)
{
    if (frame > 0) port_.Load_frame(frame, stream);
}

bool Trace_section::Clear_all_Traces()
{
    if (!port_.File().file.Is_open()) return false;
    const int32_t frame = port_.File().frame_in_store;
    const int16_t stream = port_.File().current_stream;
    bool all = true;
    try {
        for (int32_t f = 1; f <= port_.File().num_frames; ++f) {
            if (!port_.Load_frame(f, 1)) {
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

void Trace_section::Read_Trace_Data()
{
    const std::span<const uint8_t> data = port_.Frame_bytes_read();
    if (data.size() < Trace_Record::k_Offset + Trace_Record::k_Size) {
        trace_read_ = Trace_Record{};
        return;
    }
    trace_read_ = Trace_Record::From_bytes(data.subspan(Trace_Record::k_Offset, Trace_Record::k_Size));
}

void Trace_section::Read_Trace_Array()
{
    if (!port_.File().file.Is_open()) return;
    const int32_t frame = port_.File().frame_in_store;
    const int16_t stream = port_.File().current_stream;
    try {
        // The frames that exist (the open bounds the count by the file).
        trace_array_.assign(size_t(std::max(port_.File().num_frames, 0)), Trace_Record{});
        for (int32_t f = 1; f <= port_.File().num_frames; ++f) {
            if (!port_.Load_frame(f, 1)) continue;
            Read_Trace_Data();
            // Frames never traced hold DV bytes there, not a record.
            if (trace_read_.Tagged()) trace_array_[size_t(f - 1)] = trace_read_;
        }
    } catch (const std::bad_alloc&) {
        trace_array_.clear();
        Reread_current_frame(frame, stream);
        throw Run_time_error(err_Out_of_memory, "Out of memory for the trace list of " + port_.File().name);
    } catch (...) {
        Reread_current_frame(frame, stream);
        throw;
    }
    Reread_current_frame(frame, stream);
}

Trace_Record Trace_section::Trace_Array(int32_t frame) const
{
    if (frame < 1 || frame > int32_t(trace_array_.size())) return Trace_Record{};
    return trace_array_[size_t(frame - 1)];
}

void Trace_section::Trace_Array_Coords(int16_t point, int32_t n, int16_t& x, int16_t& y) const
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

int16_t Trace_section::Trace_X(int16_t point) const { return m_trace_data_.x(point, port_.Field_shown()); }
int16_t Trace_section::Trace_Y(int16_t point) const { return m_trace_data_.y(point, port_.Field_shown()); }

void Trace_section::Get_Current_Trace_data(int32_t frame)
{
    Trace_Record r;
    const std::span<const uint8_t> data = port_.Frame_bytes_read();
    if (frame > 0 && frame == port_.File().frame_in_store) {
        if (data.size() >= Trace_Record::k_Offset + Trace_Record::k_Size)
            r = Trace_Record::From_bytes(data.subspan(Trace_Record::k_Offset, Trace_Record::k_Size));
    } else {
        r = Trace_Array(frame);
    }
    m_trace_data_ = r.Tagged() ? r : Trace_Record{};
}

int32_t Trace_section::Trace_Color(int16_t id)
{
    try {
        return header_field::Long::From(port_.File().Header().Trace_Color(id));
    } catch (...) {
        return 0;
    }
}
void Trace_section::Trace_Color(int16_t id, int32_t value)
{
    port_.File().Header().Trace_Color(id, std::to_string(value));
    port_.Store_header();
}
std::string Trace_section::Trace_Name(int16_t id) { return port_.File().Header().Trace_Name(id); }
void Trace_section::Trace_Name(int16_t id, const std::string& value)
{
    port_.File().Header().Trace_Name(id, value);
    port_.Store_header();
}
bool Trace_section::Trace_Bezier(int16_t id) { return port_.File().Header().Trace_Bezier(id); }
void Trace_section::Trace_Bezier(int16_t id, bool value)
{
    port_.File().Header().Trace_Bezier(id, value);
    port_.Store_header();
}
int16_t Trace_section::Trace_Thickness(int16_t id) { return port_.File().Header().Trace_Thickness(id); }
void Trace_section::Trace_Thickness(int16_t id, int16_t value)
{
    port_.File().Header().Trace_Thickness(id, value);
    port_.Store_header();
}

} // namespace wk
