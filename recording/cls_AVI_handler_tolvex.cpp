// The recording object's sibling timing metadata: the tolvex section that the sibling timing
// product writes into the XML header, forwarded in memory.
#include "recording/cls_AVI_handler.h"

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

std::string cls_AVI_handler::Tolv_event() { return Header().Tolv_event(); }
void cls_AVI_handler::Tolv_event(const std::string& value) { Header().Tolv_event(value); }
std::string cls_AVI_handler::Tolv_Heat_ID() { return Header().Tolv_Heat_ID(); }
void cls_AVI_handler::Tolv_Heat_ID(const std::string& value) { Header().Tolv_Heat_ID(value); }
std::string cls_AVI_handler::Tolv_Heat_Name() { return Header().Tolv_Heat_Name(); }
void cls_AVI_handler::Tolv_Heat_Name(const std::string& value) { Header().Tolv_Heat_Name(value); }
std::string cls_AVI_handler::Tolv_Heat_Length() { return Header().Tolv_Heat_Length(); }
void cls_AVI_handler::Tolv_Heat_Length(const std::string& value) { Header().Tolv_Heat_Length(value); }
std::string cls_AVI_handler::Tolv_start_DateTime() { return Header().Tolv_start_DateTime(); }
void cls_AVI_handler::Tolv_start_DateTime(const std::string& value) { Header().Tolv_start_DateTime(value); }

int32_t cls_AVI_handler::Tolv_start_PC_mill()
{
    return header_field::Long::From(Header().Tolv_heat_start_PC_mill());
}
void cls_AVI_handler::Tolv_start_PC_mill(int32_t value)
{
    Header().Tolv_heat_start_PC_mill(header_field::Long::To(value));
}

// A camera that could not be named must not stop a running capture: the error goes to the
// caller like any other header error.
std::string cls_AVI_handler::Tolv_goal_finish() { return Header().Tolv_goal_finish(); }
void cls_AVI_handler::Tolv_goal_finish(const std::string& value) { Header().Tolv_goal_finish(value); }
std::string cls_AVI_handler::Tolv_goal_split() { return Header().Tolv_goal_split(); }
void cls_AVI_handler::Tolv_goal_split(const std::string& value) { Header().Tolv_goal_split(value); }

// The frame's goal offset is the one the capture station measured for that very frame; it
// stands in only while the sibling product left its own offset at 0.
std::string cls_AVI_handler::Tolv_Goal_compensation()
{
    const std::string text = Header().Goal_Compensation();
    const int16_t frame_offset = Extra_integer(recording_format::k_Extra_goal_offset);
    if (frame_offset > 0 && Reads_as_zero(text)) return std::to_string(frame_offset);
    return text;
}
void cls_AVI_handler::Tolv_Goal_compensation(const std::string& value) { Header().Goal_Compensation(value); }
std::string cls_AVI_handler::Tolv_Split_compensation() { return Header().Split_Compensation(); }
void cls_AVI_handler::Tolv_Split_compensation(const std::string& value) { Header().Split_Compensation(value); }
std::string cls_AVI_handler::Tolv_Box_delay() { return Header().Tolv_Box_delay(); }
void cls_AVI_handler::Tolv_Box_delay(const std::string& value) { Header().Tolv_Box_delay(value); }
void cls_AVI_handler::Tolv_split_firewire_ID(const std::string& value) { Header().Tolv_split_firewire_ID(value); }
void cls_AVI_handler::Tolv_goal_firewire_ID(const std::string& value) { Header().Tolv_goal_firewire_ID(value); }
void cls_AVI_handler::Phidget_serial(const std::string& value) { Header().Tolv_ph_serial(value); }

// ---- Boxes ----

std::string cls_AVI_handler::Tolv_Dog_name(int16_t box) { return Header().Tolv_Dog_name(box); }
void cls_AVI_handler::Tolv_Dog_name(int16_t box, const std::string& value) { Header().Tolv_Dog_name(box, value); }
bool cls_AVI_handler::Tolv_dead_heat(int16_t box) { return Header().Tolv_dead_heat(box); }
void cls_AVI_handler::Tolv_dead_heat(int16_t box, bool value) { Header().Tolv_dead_heat(box, value); }
int32_t cls_AVI_handler::Tolv_Heat_time(int16_t box, bool split) { return Header().Tolv_Heat_time(box, split); }
void cls_AVI_handler::Tolv_Heat_time(int16_t box, bool split, int32_t time)
{
    Header().Tolv_Heat_time(box, split, time);
}
int32_t cls_AVI_handler::Tolv_Heat_Click_Time(int16_t box) { return Header().Tolv_Heat_Click_Time(box); }
void cls_AVI_handler::Tolv_Heat_Click_Time(int16_t box, int32_t value) { Header().Tolv_Heat_Click_Time(box, value); }
int32_t cls_AVI_handler::Tolv_heat_frame(int16_t box) { return Header().Tolv_heat_frame(box); }
void cls_AVI_handler::Tolv_heat_frame(int16_t box, int32_t value) { Header().Tolv_heat_frame(box, value); }
int32_t cls_AVI_handler::Tolv_split_frame(int16_t box) { return Header().Tolv_split_frame(box); }
void cls_AVI_handler::Tolv_split_frame(int16_t box, int32_t value) { Header().Tolv_split_frame(box, value); }

int16_t cls_AVI_handler::Tolv_Camera() const { return Extra_integer(recording_format::k_Extra_camera); }

} // namespace wk
