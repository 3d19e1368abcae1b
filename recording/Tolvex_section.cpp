// The tolvex section of a recording's XML header, forwarded in memory.
#include "recording/Tolvex_section.h"

#include "recording/Recording_file.h"
#include "recording/Recording_port.h"

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

Cls_XML_header& Tolvex_section::Header() { return port_.File().Header(); }

int32_t Tolvex_section::Tolv_start_PC_mill()
{
    return header_field::Long::From(Header().Tolv_heat_start_PC_mill());
}
void Tolvex_section::Tolv_start_PC_mill(int32_t value)
{
    Header().Tolv_heat_start_PC_mill(header_field::Long::To(value));
}

// The frame's goal offset is the one the capture station measured for that very frame; it
// stands in only while the sibling product left its own offset at 0.
std::string Tolvex_section::Tolv_Goal_compensation()
{
    const std::string text = Header().Goal_Compensation();
    const int16_t frame_offset = port_.Frame_record().goal_offset;
    if (frame_offset > 0 && Reads_as_zero(text)) return std::to_string(frame_offset);
    return text;
}
void Tolvex_section::Tolv_Goal_compensation(const std::string& value) { Header().Goal_Compensation(value); }
std::string Tolvex_section::Tolv_Split_compensation() { return Header().Split_Compensation(); }
void Tolvex_section::Tolv_Split_compensation(const std::string& value) { Header().Split_Compensation(value); }
void Tolvex_section::Tolv_split_firewire_ID(const std::string& value)
{
    Header().Tolv_split_firewire_ID(value);
}
void Tolvex_section::Tolv_goal_firewire_ID(const std::string& value) { Header().Tolv_goal_firewire_ID(value); }
void Tolvex_section::Phidget_serial(const std::string& value) { Header().Tolv_ph_serial(value); }

// ---- Boxes ----

int32_t Tolvex_section::Tolv_Heat_time(int16_t box, bool split) { return Header().Tolv_Heat_time(box, split); }
void Tolvex_section::Tolv_Heat_time(int16_t box, bool split, int32_t time)
{
    Header().Tolv_Heat_time(box, split, time);
}

} // namespace wk
