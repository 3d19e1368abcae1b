#pragma once
// The race a recording shows, kept in its XML header: event, lanes, goal line and heats, and the
// race time of the frame shown.
#include <cstdint>
#include <string>

namespace wk {

class Cls_XML_header;
class Recording_port;

class Race_section {
public:
    explicit Race_section(Recording_port& port) : port_(port) {}

    // The race the recording shows, kept in its XML header. Setters that return bool rewrite
    // the header into the file at once and say whether it was written (failures are reported
    // there); the other setters change the header in memory only. A missing header element or
    // an index outside the header's range raises a Run_time_error.
    std::string Event_name();
    bool Event_name(const std::string& value);

    int16_t Lane_count();
    bool Lane_count(int16_t value);
    void Num_Lanes(int16_t value);
    int16_t Start_lane();
    bool Start_Lane_Zero();
    // True stores first lane 0, False first lane 1.
    void Start_Lane_Zero(bool value);
    // Lane marks of lane 0..15. Needs a loaded header; coordinates must fit 16 bits.
    void File_Lane_Pos(int16_t lane, int32_t x, int32_t y);
    int16_t LaneX(int16_t lane);
    int16_t LaneY(int16_t lane);
    bool Lanes_locked();
    bool Lanes_locked(bool value);
    // The goal line's end points. Get and Set need a loaded header; the outputs change only
    // when all four were read. Coordinates must fit 16 bits.
    void Get_Goalline(int16_t& x1, int16_t& y1, int16_t& x2, int16_t& y2);
    void Set_Goal_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    bool Fix_Goal_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

    // Heats 1..num_heats, lanes 0..15.
    std::string Heat_ID(int16_t heat); // a single blank reads as ""
    void Heat_ID(int16_t heat, const std::string& value);
    bool Update_Heat_ID(int16_t heat, const std::string& value);
    int32_t Heat_result(int16_t heat, int16_t lane);
    void Heat_result(int16_t heat, int16_t lane, int32_t value);
    int32_t Heat_time(int16_t heat, int16_t lane); // 0 while no recording is named
    void Heat_time(int16_t heat, int16_t lane, int32_t value);
    int32_t Heat_Clicktime(int16_t heat, int16_t lane);
    void Heat_Clicktime(int16_t heat, int16_t lane, int32_t value);
    int32_t Heat_Goalfield(int16_t heat, int16_t lane);
    void Heat_Goalfield(int16_t heat, int16_t lane, int32_t value);
    std::string Heat_Result_made(int16_t heat, int16_t lane);
    void Heat_Result_made(int16_t heat, int16_t lane, const std::string& value);
    int32_t Heat_Start_Correction(int16_t heat);
    bool Heat_Start_Correction(int16_t heat, int32_t value);
    // Heat starts: local time of day and the tick (0 = not started).
    void Start_local_mill(int16_t heat, int32_t value);
    void Start_PC_mill(int16_t heat, int32_t value);
    int32_t Start_local_Mill_Time(int16_t heat); // 0 while no recording is named
    int32_t Start_PC_Mill_time(int16_t heat);    // 0 while no recording is named
    void Start_PC_Mill_time(int16_t heat, int32_t value);
    // Starts the heat now (local time and tick) / clears its start; both rewrite.
    bool Set_Multi_Start(int16_t heat);
    bool Clear_Multi_Start(int16_t heat);
    // Zeroes the local start of every heat, in memory only; ticks, corrections and lane
    // records stay.
    void Clear_Heats();
    // Race time in ms of the shown field of the current frame. Raises when the heat has no
    // start (header nor frame) or the frame has no time stamp of its own.
    int32_t Multi_TimeStamp(int16_t heat);
    // The heat start the capture station stored in the current frame; 0 when it has none.
    int32_t Old_HeatStart() const;

private:
    Cls_XML_header& Header();
    // The loaded header, for the members that must not make one; raises when there is none.
    Cls_XML_header& Loaded_header(const char* member);

    Recording_port& port_;
};

} // namespace wk
