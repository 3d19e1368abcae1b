// The race section: event, lanes, goal line and heats, kept in the XML header.
#include "recording/Race_section.h"

#include "recording/Recording_port.h"

#include "recording/Recording_file.h"
#include "recording/Recording_format.h"

#include "platform/Clock.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <string>

namespace wk {

namespace {

constexpr const char* k_Race_source = "cls_AVI_handler";

int16_t Fit_16_bits(int32_t v, const char* kind, const char* name)
{
    if (v < INT16_MIN || v > INT16_MAX)
        throw Run_time_error(err_Overflow,
                             std::string("Overflow: the ") + kind + " " + std::to_string(v) + " of " + name +
                                 " is outside -32768..32767",
                             k_Race_source);
    return int16_t(v);
}

// Lane marks and goal-line ends are read back as 16-bit numbers; a wider value would make the
// recording's race data unreadable, so it is never stored.
void Check_coordinate(int32_t v, const char* member) { Fit_16_bits(v, "coordinate", member); }

int16_t To_integer(int32_t v, const char* what) { return Fit_16_bits(v, "header value", what); }

} // namespace

Cls_XML_header& Race_section::Header() { return port_.File().Header(); }

Cls_XML_header& Race_section::Loaded_header(const char* member)
{
    if (!port_.File().header)
        throw Run_time_error(err_Object_variable, std::string(member) + ": the recording has no header loaded",
                             k_Race_source);
    return Header();
}

std::string Race_section::Event_name() { return Header().Event_name(); }
bool Race_section::Event_name(const std::string& value)
{
    Header().Event_name(value);
    return port_.Store_header();
}


int16_t Race_section::Lane_count() { return Header().Num_Lanes(); }
bool Race_section::Lane_count(int16_t value)
{
    Header().Num_Lanes(value);
    return port_.Store_header();
}
void Race_section::Num_Lanes(int16_t value) { Header().Num_Lanes(value); }
int16_t Race_section::Start_lane() { return Header().Start_lane(); }
bool Race_section::Start_Lane_Zero() { return Header().Start_lane() == 0; }
void Race_section::Start_Lane_Zero(bool value) { Header().Start_lane(value ? int16_t(0) : int16_t(1)); }

void Race_section::File_Lane_Pos(int16_t lane, int32_t x, int32_t y)
{
    Cls_XML_header& h = Loaded_header("File_Lane_Pos");
    Check_coordinate(x, "File_Lane_Pos");
    Check_coordinate(y, "File_Lane_Pos");
    h.Lane_pos(lane, x, y);
}
int16_t Race_section::LaneX(int16_t lane) { return To_integer(Header().Lane_pos_X(lane), "lane_x"); }
int16_t Race_section::LaneY(int16_t lane) { return To_integer(Header().Lane_pos_Y(lane), "lane_y"); }

bool Race_section::Lanes_locked() { return Header().Lanes_locked(); }
bool Race_section::Lanes_locked(bool value)
{
    Header().Lanes_locked(value);
    return port_.Store_header();
}

void Race_section::Get_Goalline(int16_t& x1, int16_t& y1, int16_t& x2, int16_t& y2)
{
    int32_t a = 0, b = 0, c = 0, d = 0;
    Loaded_header("Get_Goalline").Get_Goalline(a, b, c, d);
    const int16_t nx1 = To_integer(a, "goal_x_1"), ny1 = To_integer(b, "goal_y_1");
    const int16_t nx2 = To_integer(c, "goal_x_2"), ny2 = To_integer(d, "goal_y_2");
    x1 = nx1;
    y1 = ny1;
    x2 = nx2;
    y2 = ny2;
}

void Race_section::Set_Goal_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    Cls_XML_header& h = Loaded_header("Set_Goal_Line");
    for (int32_t v : {x1, y1, x2, y2}) Check_coordinate(v, "Set_Goal_Line");
    h.Set_Goalline(x1, y1, x2, y2);
}

bool Race_section::Fix_Goal_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    for (int32_t v : {x1, y1, x2, y2}) Check_coordinate(v, "Fix_Goal_Line");
    Header().Set_Goalline(x1, y1, x2, y2);
    return port_.Store_header();
}

std::string Race_section::Heat_ID(int16_t heat)
{
    std::string id = Header().Heat_ID(heat);
    // The capture station stores a blank for a heat without a name.
    return id == " " ? std::string() : id;
}
void Race_section::Heat_ID(int16_t heat, const std::string& value) { Header().Heat_ID(heat, value); }
bool Race_section::Update_Heat_ID(int16_t heat, const std::string& value)
{
    Header().Heat_ID(heat, value);
    return port_.Store_header();
}

int32_t Race_section::Heat_result(int16_t heat, int16_t lane) { return Header().Heat_result(heat, lane); }
void Race_section::Heat_result(int16_t heat, int16_t lane, int32_t value)
{
    Header().Heat_result(heat, lane, value);
}
int32_t Race_section::Heat_time(int16_t heat, int16_t lane)
{
    if (port_.File().name.empty()) return 0;
    return Header().Heat_result(heat, lane);
}
void Race_section::Heat_time(int16_t heat, int16_t lane, int32_t value)
{
    Header().Heat_result(heat, lane, value);
}
int32_t Race_section::Heat_Clicktime(int16_t heat, int16_t lane)
{
    return Header().Heat_Click_time(heat, lane);
}
void Race_section::Heat_Clicktime(int16_t heat, int16_t lane, int32_t value)
{
    Header().Heat_Click_time(heat, lane, value);
}
int32_t Race_section::Heat_Goalfield(int16_t heat, int16_t lane)
{
    return Header().Heat_Goal_Field(heat, lane);
}
void Race_section::Heat_Goalfield(int16_t heat, int16_t lane, int32_t value)
{
    Header().Heat_Goal_Field(heat, lane, value);
}
std::string Race_section::Heat_Result_made(int16_t heat, int16_t lane)
{
    return Header().Heat_Result_made(heat, lane);
}
void Race_section::Heat_Result_made(int16_t heat, int16_t lane, const std::string& value)
{
    Header().Heat_Result_made(heat, lane, value);
}
int32_t Race_section::Heat_Start_Correction(int16_t heat) { return Header().Heat_Correction_mill(heat); }
bool Race_section::Heat_Start_Correction(int16_t heat, int32_t value)
{
    Header().Heat_Correction_mill(heat, value);
    return port_.Store_header();
}

void Race_section::Start_local_mill(int16_t heat, int32_t value) { Header().Start_local_mill(heat, value); }
void Race_section::Start_PC_mill(int16_t heat, int32_t value) { Header().Start_PC_mill(heat, value); }
void Race_section::Start_PC_Mill_time(int16_t heat, int32_t value) { Header().Start_PC_mill(heat, value); }
int32_t Race_section::Start_local_Mill_Time(int16_t heat)
{
    if (port_.File().name.empty()) return 0;
    return Header().Start_local_mill(heat);
}
int32_t Race_section::Start_PC_Mill_time(int16_t heat)
{
    if (port_.File().name.empty()) return 0;
    return Header().Start_PC_mill(heat);
}

bool Race_section::Set_Multi_Start(int16_t heat)
{
    Cls_XML_header& h = Header();
    const int32_t local = Get_Local_Mill_Time();
    const int32_t tick = Get_Tick();
    h.Start_local_mill(heat, local);
    h.Start_PC_mill(heat, tick);
    return port_.Store_header();
}

bool Race_section::Clear_Multi_Start(int16_t heat)
{
    Cls_XML_header& h = Header();
    h.Start_local_mill(heat, 0);
    h.Start_PC_mill(heat, 0);
    return port_.Store_header();
}

void Race_section::Clear_Heats()
{
    Cls_XML_header& h = Header();
    const int16_t heats = h.heats_num();
    // Every heat must be there before any is cleared.
    for (int16_t i = 1; i <= heats; ++i) h.Start_local_mill(i);
    for (int16_t i = 1; i <= heats; ++i) h.Start_local_mill(i, 0);
}

int32_t Race_section::Old_HeatStart() const { return port_.Frame_record().heat_start; }

int32_t Race_section::Multi_TimeStamp(int16_t heat)
{
    int32_t start = Header().Start_PC_mill(heat);
    if (start == 0) start = Old_HeatStart();
    if (start == 0)
        throw Run_time_error(err_Invalid_argument,
                             "Heat " + std::to_string(heat) +
                                 " has no start: neither the recording's header nor the frame holds one",
                             k_Race_source);
    // A frame without its own stamp has no race time; an older frame's must not stand in.
    int32_t stamp = 0;
    if (!port_.Frame_stamp(stamp))
        throw Run_time_error(err_Invalid_argument, "The frame shown has no time stamp of its own", k_Race_source);
    // The tick wraps; a heat may run across the change of sign.
    int64_t t = platform::Tick_difference(stamp, start);
    if (port_.Field_shown() == 2) t += port_.Second_field_ms();
    const int16_t goal_offset = port_.Frame_record().goal_offset;
    if (goal_offset < 500) t -= goal_offset;
    if (t < INT32_MIN || t > INT32_MAX)
        throw Run_time_error(err_Overflow, "Overflow: the race time is out of range", k_Race_source);
    return int32_t(t);
}

} // namespace wk
