// The tolvex section of a recording's XML header, forwarded in memory.
#include "recording/Tolvex_section.h"

#include "recording/header/Cls_XML_header.h"
#include "services/Run_time_error.h"

namespace wk {
namespace {

bool Reads_as_zero(const std::string& text)
{
    try {
        return header_field::Long::From(text) == 0;
    } catch (const Run_time_error&) {
        return false;
    }
}

} // namespace

std::string Tolvex_section::Tolv_event() { return Tolvex_header().Tolv_event(); }
void Tolvex_section::Tolv_event(const std::string& value) { Tolvex_header().Tolv_event(value); }
std::string Tolvex_section::Tolv_Heat_ID() { return Tolvex_header().Tolv_Heat_ID(); }
void Tolvex_section::Tolv_Heat_ID(const std::string& value) { Tolvex_header().Tolv_Heat_ID(value); }
std::string Tolvex_section::Tolv_Heat_Name() { return Tolvex_header().Tolv_Heat_Name(); }
void Tolvex_section::Tolv_Heat_Name(const std::string& value) { Tolvex_header().Tolv_Heat_Name(value); }
std::string Tolvex_section::Tolv_Heat_Length() { return Tolvex_header().Tolv_Heat_Length(); }
void Tolvex_section::Tolv_Heat_Length(const std::string& value) { Tolvex_header().Tolv_Heat_Length(value); }
std::string Tolvex_section::Tolv_start_DateTime() { return Tolvex_header().Tolv_start_DateTime(); }
void Tolvex_section::Tolv_start_DateTime(const std::string& value) { Tolvex_header().Tolv_start_DateTime(value); }

int32_t Tolvex_section::Tolv_start_PC_mill()
{
    return header_field::Long::From(Tolvex_header().Tolv_heat_start_PC_mill());
}
void Tolvex_section::Tolv_start_PC_mill(int32_t value)
{
    Tolvex_header().Tolv_heat_start_PC_mill(header_field::Long::To(value));
}

// A camera that could not be named must not stop a running capture: the error goes to the
// caller like any other header error.
std::string Tolvex_section::Tolv_goal_finish() { return Tolvex_header().Tolv_goal_finish(); }
void Tolvex_section::Tolv_goal_finish(const std::string& value) { Tolvex_header().Tolv_goal_finish(value); }
std::string Tolvex_section::Tolv_goal_split() { return Tolvex_header().Tolv_goal_split(); }
void Tolvex_section::Tolv_goal_split(const std::string& value) { Tolvex_header().Tolv_goal_split(value); }

// The frame's goal offset is the one the capture station measured for that very frame; it
// stands in only while the sibling product left its own offset at 0.
std::string Tolvex_section::Tolv_Goal_compensation()
{
    const std::string text = Tolvex_header().Goal_Compensation();
    const int16_t frame_offset = Frame_goal_offset();
    if (frame_offset > 0 && Reads_as_zero(text)) return std::to_string(frame_offset);
    return text;
}
void Tolvex_section::Tolv_Goal_compensation(const std::string& value) { Tolvex_header().Goal_Compensation(value); }
std::string Tolvex_section::Tolv_Split_compensation() { return Tolvex_header().Split_Compensation(); }
void Tolvex_section::Tolv_Split_compensation(const std::string& value) { Tolvex_header().Split_Compensation(value); }
std::string Tolvex_section::Tolv_Box_delay() { return Tolvex_header().Tolv_Box_delay(); }
void Tolvex_section::Tolv_Box_delay(const std::string& value) { Tolvex_header().Tolv_Box_delay(value); }
void Tolvex_section::Tolv_split_firewire_ID(const std::string& value) { Tolvex_header().Tolv_split_firewire_ID(value); }
void Tolvex_section::Tolv_goal_firewire_ID(const std::string& value) { Tolvex_header().Tolv_goal_firewire_ID(value); }
void Tolvex_section::Phidget_serial(const std::string& value) { Tolvex_header().Tolv_ph_serial(value); }

// ---- Boxes ----

std::string Tolvex_section::Tolv_Dog_name(int16_t box) { return Tolvex_header().Tolv_Dog_name(box); }
void Tolvex_section::Tolv_Dog_name(int16_t box, const std::string& value) { Tolvex_header().Tolv_Dog_name(box, value); }
bool Tolvex_section::Tolv_dead_heat(int16_t box) { return Tolvex_header().Tolv_dead_heat(box); }
void Tolvex_section::Tolv_dead_heat(int16_t box, bool value) { Tolvex_header().Tolv_dead_heat(box, value); }
int32_t Tolvex_section::Tolv_Heat_time(int16_t box, bool split) { return Tolvex_header().Tolv_Heat_time(box, split); }
void Tolvex_section::Tolv_Heat_time(int16_t box, bool split, int32_t time)
{
    Tolvex_header().Tolv_Heat_time(box, split, time);
}
int32_t Tolvex_section::Tolv_Heat_Click_Time(int16_t box) { return Tolvex_header().Tolv_Heat_Click_Time(box); }
void Tolvex_section::Tolv_Heat_Click_Time(int16_t box, int32_t value) { Tolvex_header().Tolv_Heat_Click_Time(box, value); }
int32_t Tolvex_section::Tolv_heat_frame(int16_t box) { return Tolvex_header().Tolv_heat_frame(box); }
void Tolvex_section::Tolv_heat_frame(int16_t box, int32_t value) { Tolvex_header().Tolv_heat_frame(box, value); }
int32_t Tolvex_section::Tolv_split_frame(int16_t box) { return Tolvex_header().Tolv_split_frame(box); }
void Tolvex_section::Tolv_split_frame(int16_t box, int32_t value) { Tolvex_header().Tolv_split_frame(box, value); }

} // namespace wk
