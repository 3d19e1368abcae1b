#pragma once
// The trace record of a recording: the points drawn into each frame's record, the edit copy of
// the current frame's, the list of every frame's, and the trace settings of the header. It asks
// the frame in store and the header of the recording through the recording's port.
#include "recording/Trace_Record.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace wk {

class Recording_port;

class Trace_section {
public:
    explicit Trace_section(Recording_port& port) : port_(port) {}

    // The edit copy of the current frame's trace record: the record of the frame just read, or
    // an empty one when that frame carries none.
    const Trace_Record& m_Trace_Data() const { return m_trace_data_; }
    // The record read from the current frame by Read_Trace_Data.
    const Trace_Record& Trace_read_buffer() const { return trace_read_; }
    // Sets point (1..10) of the shown field (Field_To_Show) in the edit copy and writes the
    // record into the current frame and the file. False when this kind of recording cannot keep
    // traces (raw DV and sdv: the frame in memory changes only; frames that are not DV or not
    // long enough for the record: nothing changes). Bad points or fields and file errors raise.
    bool Update_Trace_Data(int16_t point, int16_t x, int16_t y);
    // Sets every point of the edit copy to 0 and writes it like Update_Trace_Data. A frame
    // without a record has nothing to clear; nothing is written then.
    bool Clear_Trace_Data();
    // Clears the record of every frame of stream 1, then reads the current frame again. False
    // when a traced frame could not be cleared in the file.
    bool Clear_all_Traces();
    // Copies the current frame's record into the read buffer.
    void Read_Trace_Data();
    // Reads the record of every frame of stream 1 into the trace list (frames without one get an
    // empty record), then reads the current frame again.
    void Read_Trace_Array();
    // The trace list's entry for frame f (an empty record when the list does not hold it).
    Trace_Record Trace_Array(int32_t frame) const;
    int32_t Trace_Array_count() const { return int32_t(trace_array_.size()); }
    // Point `point` of field number n of the recording (frame (n + 1) / 2, its field 1 or 2)
    // from the trace list; a frame outside the list raises the subscript error.
    void Trace_Array_Coords(int16_t point, int32_t n, int16_t& x, int16_t& y) const;
    // X and Y of the edit copy at point, for the shown field.
    int16_t Trace_X(int16_t point) const;
    int16_t Trace_Y(int16_t point) const;
    // Loads the edit copy for frame f: the frame in store's own record, else the trace list's
    // record; empty when neither carries one.
    void Get_Current_Trace_data(int32_t frame);

    // The trace settings in the header (traces 1..10). The setters rewrite the header.
    int32_t Trace_Color(int16_t id); // 0 when it cannot be read
    void Trace_Color(int16_t id, int32_t value);
    std::string Trace_Name(int16_t id);
    void Trace_Name(int16_t id, const std::string& value);
    bool Trace_Bezier(int16_t id);
    void Trace_Bezier(int16_t id, bool value);
    int16_t Trace_Thickness(int16_t id);
    void Trace_Thickness(int16_t id, int16_t value);

    // The frame just read has gone: so has its edit copy.
    void Forget_trace() { m_trace_data_ = Trace_Record{}; }
    // The recording has closed: nothing of its traces is kept.
    void Reset_traces();

private:
    bool Write_trace_record(const Trace_Record& record);
    void Reread_current_frame(int32_t frame, int16_t stream);

    Recording_port& port_;
    Trace_Record m_trace_data_;
    Trace_Record trace_read_;
    std::vector<Trace_Record> trace_array_; // frame f at index f - 1
};

} // namespace wk
