// The sibling timing section of the header (tolvex): event and heat identity, goal and split
// cameras, time offsets and the eight start boxes. This program never writes the section; it
// keeps what the sibling product wrote.
#include "recording/header/Cls_XML_header.h"

#include "services/Run_time_error.h"

namespace wk {
namespace {

using namespace header_field;

// A time offset the sibling product could not have meant as a number counts as no offset.
// A number too large for us is still a number: it is kept as written.
std::string Numeric_or_zero(const std::string& text)
{
    try {
        (void)Long::From(text);
    } catch (const Run_time_error& e) {
        if (e.number() != err_Overflow) return "0";
    }
    return text;
}

} // namespace

// ---- Section fields ----

std::string Cls_XML_header::Tolv_event() const { return Get<Text>(Path("tolv_event")); }
void Cls_XML_header::Tolv_event(const std::string& value) { Let<Text>(Path("tolv_event"), value); }
std::string Cls_XML_header::Tolv_Heat_ID() const { return Get<Text>(Path("tolv_heat_ID")); }
void Cls_XML_header::Tolv_Heat_ID(const std::string& value) { Let<Text>(Path("tolv_heat_ID"), value); }
std::string Cls_XML_header::Tolv_Heat_Name() const { return Get<Text>(Path("tolv_heat_name")); }
void Cls_XML_header::Tolv_Heat_Name(const std::string& value) { Let<Text>(Path("tolv_heat_name"), value); }
std::string Cls_XML_header::Tolv_Heat_Length() const { return Get<Text>(Path("tolv_heat_length"), ""); }
void Cls_XML_header::Tolv_Heat_Length(const std::string& value) { Let<Text>(Path("tolv_heat_length"), value); }
std::string Cls_XML_header::Tolv_goal_finish() const { return Get<Text>(Path("tolv_goal_finish")); }
void Cls_XML_header::Tolv_goal_finish(const std::string& value) { Let<Text>(Path("tolv_goal_finish"), value); }
std::string Cls_XML_header::Tolv_goal_split() const { return Get<Text>(Path("tolv_goal_split")); }
void Cls_XML_header::Tolv_goal_split(const std::string& value) { Let<Text>(Path("tolv_goal_split"), value); }
std::string Cls_XML_header::Tolv_start_DateTime() const { return Get<Text>(Path("tolv_start_datetime")); }
void Cls_XML_header::Tolv_start_DateTime(const std::string& value) { Let<Text>(Path("tolv_start_datetime"), value); }
void Cls_XML_header::Tolv_heat_start_local_mill(const std::string& value)
{
    Let<Text>(Path("tolv_start_local_mill"), value);
}
std::string Cls_XML_header::Tolv_heat_start_PC_mill() const { return Get<Text>(Path("tolv_start_PC_mill")); }
void Cls_XML_header::Tolv_heat_start_PC_mill(const std::string& value)
{
    Let<Text>(Path("tolv_start_PC_mill"), value);
}

std::string Cls_XML_header::Goal_Compensation() const
{
    return Numeric_or_zero(Get<Text>(Path("tolv_goal_time_offset"), "0"));
}
void Cls_XML_header::Goal_Compensation(const std::string& value) { Let<Text>(Path("tolv_goal_time_offset"), value); }
std::string Cls_XML_header::Split_Compensation() const
{
    return Numeric_or_zero(Get<Text>(Path("tolv_split_time_offset"), "0"));
}
void Cls_XML_header::Split_Compensation(const std::string& value)
{
    Let<Text>(Path("tolv_split_time_offset"), value);
}
std::string Cls_XML_header::Tolv_Box_delay() const { return Get<Text>(Path("tolv_box_delay"), "0"); }
void Cls_XML_header::Tolv_Box_delay(const std::string& value) { Let_or_skip<Text>(Path("tolv_box_delay"), value); }
void Cls_XML_header::Tolv_split_firewire_ID(const std::string& value)
{
    Let<Text>(Path("tolv_split_firewire_ID"), value);
}
void Cls_XML_header::Tolv_goal_firewire_ID(const std::string& value)
{
    Let<Text>(Path("tolv_goal_firewire_ID"), value);
}
void Cls_XML_header::Tolv_ph_serial(const std::string& value) { Let<Text>(Path("tolv_ph_serial"), value); }

// ---- Boxes ----

std::string Cls_XML_header::Tolv_Dog_name(int16_t box) const { return Get<Text>(Record_path("box", box, "dog_name")); }
void Cls_XML_header::Tolv_Dog_name(int16_t box, const std::string& value)
{
    Let<Text>(Record_path("box", box, "dog_name"), value);
}
int32_t Cls_XML_header::Tolv_Heat_time(int16_t box, bool split) const
{
    return Get<Long>(Record_path("box", box, split ? "dog_split_time" : "dog_heat_time"));
}
void Cls_XML_header::Tolv_Heat_time(int16_t box, bool split, int32_t time)
{
    Let<Long>(Record_path("box", box, split ? "dog_split_time" : "dog_heat_time"), time);
}
int32_t Cls_XML_header::Tolv_Heat_Click_Time(int16_t box) const
{
    return Get<Long>(Record_path("box", box, "dog_heat_click_time"), 0);
}
void Cls_XML_header::Tolv_Heat_Click_Time(int16_t box, int32_t value)
{
    Let<Long>(Record_path("box", box, "dog_heat_click_time"), value);
}
int32_t Cls_XML_header::Tolv_heat_frame(int16_t box) const { return Get<Long>(Record_path("box", box, "dog_heat_frame")); }
void Cls_XML_header::Tolv_heat_frame(int16_t box, int32_t value) { Let<Long>(Record_path("box", box, "dog_heat_frame"), value); }
int32_t Cls_XML_header::Tolv_split_frame(int16_t box) const { return Get<Long>(Record_path("box", box, "dog_split_frame")); }
void Cls_XML_header::Tolv_split_frame(int16_t box, int32_t value)
{
    Let<Long>(Record_path("box", box, "dog_split_frame"), value);
}
bool Cls_XML_header::Tolv_dead_heat(int16_t box) const { return Get<Bool_flag>(Record_path("box", box, "dog_dead_heat"), false); }
void Cls_XML_header::Tolv_dead_heat(int16_t box, bool value) { Let<Bool_flag>(Record_path("box", box, "dog_dead_heat"), value); }

} // namespace wk
