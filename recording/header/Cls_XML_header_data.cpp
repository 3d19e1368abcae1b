// The file data, stream headers, kind, race data and trace settings of the header.
#include "recording/header/Cls_XML_header.h"

#include "services/Run_time_error.h"

namespace wk {

using namespace header_field;

// ---- File data ----

std::string Cls_XML_header::Update_Time() const { return Get<Text>(Path("update_date")); }
void Cls_XML_header::Update_Time(const std::string& value) { Let<Text>(Path("update_date"), value); }
void Cls_XML_header::Update_Program(const std::string& value) { Let<Text>(Path("update_program"), value); }
int16_t Cls_XML_header::Streams_no() const { return Get<Integer>(Path("num_streams")); }
void Cls_XML_header::Streams_no(int16_t value) { Let<Integer>(Path("num_streams"), value); }
int32_t Cls_XML_header::Frames_no() const { return Get<Long>(Path("num_frames")); }
void Cls_XML_header::Frames_no(int32_t value) { Let<Long>(Path("num_frames"), value); }
std::string Cls_XML_header::Creation_date() const { return Get<Text>(Path("creation_date")); }
void Cls_XML_header::Creation_date(const std::string& value) { Let<Text>(Path("creation_date"), value); }
std::string Cls_XML_header::Timing_Bias() const { return Get<Text>(Path("timing_bias"), "0"); }
void Cls_XML_header::Timing_Bias(const std::string& value) { Let<Text>(Path("timing_bias"), value); }
std::string Cls_XML_header::Comp_name() const { return Get<Text>(Path("comp_name")); }
std::string Cls_XML_header::prog_id() const { return Get<Text>(Path("prog_id")); }
std::string Cls_XML_header::Prog_Major() const { return Get<Text>(Path("prog_major")); }
std::string Cls_XML_header::Prog_Minor() const { return Get<Text>(Path("prog_minor")); }
std::string Cls_XML_header::Prog_Revision() const { return Get<Text>(Path("prog_revision")); }
std::string Cls_XML_header::OS_version() const { return Get<Text>(Path("os_version"), ""); }
std::string Cls_XML_header::Subject_name() const { return Get<Text>(Path("subject_name"), ""); }
void Cls_XML_header::Subject_name(const std::string& value) { Let<Text>(Path("subject_name"), value); }

std::string Cls_XML_header::comment(int16_t n) const
{
    return Get<Text>(Path("file_comment" + std::to_string(n)), "");
}
void Cls_XML_header::comment(int16_t n, const std::string& value)
{
    Let<Text>(Path("file_comment" + std::to_string(n)), value);
}

std::string Cls_XML_header::SpecApp() const
{
    const std::string text = Get<Text>(Path("specapp1"), "");
    return text.empty() ? "None" : text;
}

void Cls_XML_header::SpecApp(const std::string& value)
{
    // Headers written before the element existed get it first.
    if (!doc_->select_node("//specapp1").node()) Insert_Specapp();
    Let<Text>(Path("specapp1"), value);
}

// ---- Stream headers ----

bool Cls_XML_header::Stream_Active(int16_t stream) const
{
    return Get<Tf_flag>(Record_path("stream_header", stream, "b_stream_active"));
}
void Cls_XML_header::Stream_Active(int16_t stream, bool value)
{
    Let<Tf_flag>(Record_path("stream_header", stream, "b_stream_active"), value);
}
bool Cls_XML_header::Stream_rotated(int16_t stream) const
{
    return Get<Tf_flag>(Record_path("stream_header", stream, "b_stream_rotated"));
}
void Cls_XML_header::Stream_rotated(int16_t stream, bool value)
{
    Let<Tf_flag>(Record_path("stream_header", stream, "b_stream_rotated"), value);
}
int16_t Cls_XML_header::Stream_CameraPos(int16_t stream) const
{
    return Get<Leading_integer>(Record_path("stream_header", stream, "camera_pos"));
}
void Cls_XML_header::Stream_CameraPos(int16_t stream, int16_t value)
{
    Let<Leading_integer>(Record_path("stream_header", stream, "camera_pos"), value);
}
std::string Cls_XML_header::Camera_pos(int16_t stream) const
{
    return Get<Text>(Record_path("stream_header", stream, "camera_pos"));
}
void Cls_XML_header::Camera_pos(int16_t stream, const std::string& value)
{
    Let<Text>(Record_path("stream_header", stream, "camera_pos"), value);
}
int16_t Cls_XML_header::Selection_Rectangle(int16_t stream, const std::string& side) const
{
    return Get<Integer>(Selrect_path(stream, side));
}
void Cls_XML_header::Selection_Rectangle(int16_t stream, const std::string& side, int16_t value)
{
    Let<Integer>(Selrect_path(stream, side), value);
}
void Cls_XML_header::Let_Selection_rectangle(int16_t stream, const std::string& side, int16_t value)
{
    Selection_Rectangle(stream, side, value);
}
int32_t Cls_XML_header::Selection_start(int16_t stream) const
{
    return Get<Long>(Record_path("stream_header", stream, "sel_start"), 0);
}
void Cls_XML_header::Selection_start(int16_t stream, int32_t value)
{
    Let<Long>(Record_path("stream_header", stream, "sel_start"), value);
}
int32_t Cls_XML_header::Selection_end(int16_t stream) const
{
    return Get<Long>(Record_path("stream_header", stream, "sel_end"), 0);
}
void Cls_XML_header::Selection_end(int16_t stream, int32_t value)
{
    Let<Long>(Record_path("stream_header", stream, "sel_end"), value);
}
int16_t Cls_XML_header::Offset_fields(int16_t stream) const
{
    return Get<Integer>(Record_path("stream_header", stream, "offset_fields"));
}
void Cls_XML_header::Offset_fields(int16_t stream, int16_t value)
{
    Let<Integer>(Record_path("stream_header", stream, "offset_fields"), value);
}
int16_t Cls_XML_header::model_size_factor(int16_t stream) const
{
    return Get<Integer>(Record_path("stream_header", stream, "model_size_factor"));
}
void Cls_XML_header::model_size_factor(int16_t stream, int16_t value)
{
    Let<Integer>(Record_path("stream_header", stream, "model_size_factor"), value);
}
std::string Cls_XML_header::Model_FileName(int16_t stream) const
{
    return Get<Text>(Record_path("stream_header", stream, "model_filename"));
}
void Cls_XML_header::Model_FileName(int16_t stream, const std::string& value)
{
    Let<Text>(Record_path("stream_header", stream, "model_filename"), value);
}
int16_t Cls_XML_header::model_X_offset(int16_t stream) const
{
    return Get<Integer>(Record_path("stream_header", stream, "model_x_offset"));
}
void Cls_XML_header::model_X_offset(int16_t stream, int16_t value)
{
    Let<Integer>(Record_path("stream_header", stream, "model_x_offset"), value);
}
int16_t Cls_XML_header::model_Y_offset(int16_t stream) const
{
    return Get<Integer>(Record_path("stream_header", stream, "model_y_offset"));
}
void Cls_XML_header::model_Y_offset(int16_t stream, int16_t value)
{
    Let<Integer>(Record_path("stream_header", stream, "model_y_offset"), value);
}
std::string Cls_XML_header::Camera_ID(int16_t stream) const
{
    if (stream < 1 || stream > 3) return "";
    return Get<Text>(Record_path("stream_header", stream, "camera_ID"));
}
void Cls_XML_header::Camera_ID(int16_t stream, const std::string& value)
{
    Let<Text>(Record_path("stream_header", stream, "camera_ID"), value);
}

// ---- Kind of header ----

bool Cls_XML_header::is_Wakeline() const
{
    return loaded_.find("Wakeline") != std::string::npos || loaded_.find("wakeline") != std::string::npos;
}
bool Cls_XML_header::is_Golf() const { return loaded_.find("<golf>") != std::string::npos; }
bool Cls_XML_header::is_Equestrian() const { return is_Wakeline(); }

// ---- Race data ----

std::string Cls_XML_header::Event_name() const { return Get<Text>("//wakeline/event_name"); }
void Cls_XML_header::Event_name(const std::string& value) { Let<Text>(Path("event_name"), value); }
int16_t Cls_XML_header::Num_Lanes() const { return Get<Integer>(Path("num_lanes")); }
void Cls_XML_header::Num_Lanes(int16_t value) { Let<Integer>(Path("num_lanes"), value); }
int16_t Cls_XML_header::heats_num() const { return Get<Integer>(Path("num_heats")); }
void Cls_XML_header::heats_num(int16_t value) { Let<Integer>(Path("num_heats"), value); }
int16_t Cls_XML_header::Start_lane() const { return Get<Integer>(Path("start_lane")); }
void Cls_XML_header::Start_lane(int16_t value) { Let<Integer>(Path("start_lane"), value); }
bool Cls_XML_header::Lanes_Visible() const { return Get<Bool_flag>(Path("b_lanes_visible"), true); }
void Cls_XML_header::Lanes_Visible(bool value) { Let<Bool_flag>(Path("b_lanes_visible"), value); }
bool Cls_XML_header::Lanes_flipped() const { return Get<Bool_flag>(Path("b_lanes_flipped")); }
void Cls_XML_header::Lanes_flipped(bool value) { Let<Bool_flag>(Path("b_lanes_flipped"), value); }
bool Cls_XML_header::Lanes_locked() const { return Get<Bool_flag>(Path("b_lanes_locked")); }
void Cls_XML_header::Lanes_locked(bool value) { Let<Bool_flag>(Path("b_lanes_locked"), value); }
bool Cls_XML_header::Lanes_reversed() const { return Get<Bool_flag>(Path("b_lanes_reversed")); }
void Cls_XML_header::Lanes_reversed(bool value) { Let<Bool_flag>(Path("b_lanes_reversed"), value); }
bool Cls_XML_header::Show_goalline() const { return Get<Bool_flag>(Path("b_show_goalline")); }
void Cls_XML_header::Show_goalline(bool value) { Let<Bool_flag>(Path("b_show_goalline"), value); }

void Cls_XML_header::Get_Goalline(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) const
{
    x1 = Get<Long>(Path("goal_x_1"));
    y1 = Get<Long>(Path("goal_y_1"));
    x2 = Get<Long>(Path("goal_x_2"));
    y2 = Get<Long>(Path("goal_y_2"));
}

void Cls_XML_header::Set_Goalline(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    Let<Long>(Path("goal_x_1"), x1);
    Let<Long>(Path("goal_y_1"), y1);
    Let<Long>(Path("goal_x_2"), x2);
    Let<Long>(Path("goal_y_2"), y2);
}

void Cls_XML_header::Lane_pos(int16_t lane, int32_t x, int32_t y)
{
    Let<Long>(Path("lane_x_" + std::to_string(lane)), x);
    Let<Long>(Path("lane_y_" + std::to_string(lane)), y);
}
int32_t Cls_XML_header::Lane_pos_X(int16_t lane) const { return Get<Long>(Path("lane_x_" + std::to_string(lane))); }
int32_t Cls_XML_header::Lane_pos_Y(int16_t lane) const { return Get<Long>(Path("lane_y_" + std::to_string(lane))); }

std::string Cls_XML_header::Wakeline_Marathon_Class_Name(int16_t id) const
{
    return Get<Text>(Record_path("marathonclass", id, "class_name"));
}
void Cls_XML_header::Wakeline_Marathon_Class_Name(int16_t id, const std::string& value)
{
    Let<Text>(Record_path("marathonclass", id, "class_name"), value);
}
std::string Cls_XML_header::Wakeline_Marathon_Class_Start(int16_t id) const
{
    return Get<Text>(Record_path("marathonclass", id, "class_start"));
}
void Cls_XML_header::Wakeline_Marathon_Class_Start(int16_t id, const std::string& value)
{
    Let<Text>(Record_path("marathonclass", id, "class_start"), value);
}

std::string Cls_XML_header::Heat_ID(int16_t heat) const { return Get<Text>(Record_path("heat_record", heat, "heat_ID")); }
void Cls_XML_header::Heat_ID(int16_t heat, const std::string& value)
{
    Let<Text>(Record_path("heat_record", heat, "heat_ID"), value);
}
std::string Cls_XML_header::Heat_comment(int16_t heat) const
{
    return Get<Text>(Record_path("heat_record", heat, "heat_comment"));
}
void Cls_XML_header::Heat_comment(int16_t heat, const std::string& value)
{
    Let<Text>(Record_path("heat_record", heat, "heat_comment"), value);
}
int32_t Cls_XML_header::Start_local_mill(int16_t heat) const
{
    return Get<Long>(Record_path("heat_record", heat, "start_local_mill"));
}
void Cls_XML_header::Start_local_mill(int16_t heat, int32_t value)
{
    Let<Long>(Record_path("heat_record", heat, "start_local_mill"), value);
}
int32_t Cls_XML_header::Start_PC_mill(int16_t heat) const
{
    return Get<Long>(Record_path("heat_record", heat, "start_pc_mill"));
}
void Cls_XML_header::Start_PC_mill(int16_t heat, int32_t value)
{
    Let<Long>(Record_path("heat_record", heat, "start_pc_mill"), value);
}
int32_t Cls_XML_header::Heat_Correction_mill(int16_t heat) const
{
    return Get<Long>(Record_path("heat_record", heat, "heat_correction_mill"));
}
void Cls_XML_header::Heat_Correction_mill(int16_t heat, int32_t value)
{
    Let<Long>(Record_path("heat_record", heat, "heat_correction_mill"), value);
}

int32_t Cls_XML_header::Heat_result(int16_t heat, int16_t lane) const
{
    return Get<Long>(Lane_path(heat, lane, "heat_time_mill"));
}
void Cls_XML_header::Heat_result(int16_t heat, int16_t lane, int32_t value)
{
    Let<Long>(Lane_path(heat, lane, "heat_time_mill"), value);
}
int32_t Cls_XML_header::Heat_Click_time(int16_t heat, int16_t lane) const
{
    return Get<Long>(Lane_path(heat, lane, "click_time_mill"));
}
void Cls_XML_header::Heat_Click_time(int16_t heat, int16_t lane, int32_t value)
{
    Let<Long>(Lane_path(heat, lane, "click_time_mill"), value);
}
int32_t Cls_XML_header::Heat_Goal_Field(int16_t heat, int16_t lane) const
{
    return Get<Long>(Lane_path(heat, lane, "goal_field"));
}
void Cls_XML_header::Heat_Goal_Field(int16_t heat, int16_t lane, int32_t value)
{
    Let<Long>(Lane_path(heat, lane, "goal_field"), value);
}
std::string Cls_XML_header::Heat_Result_made(int16_t heat, int16_t lane) const
{
    return Get<Text>(Lane_path(heat, lane, "result_made"), "");
}
void Cls_XML_header::Heat_Result_made(int16_t heat, int16_t lane, const std::string& value)
{
    const std::string path = Lane_path(heat, lane, "result_made");
    bool marked = true;
    try {
        Element(path);
    } catch (const Run_time_error&) {
        marked = false;
    }
    if (marked) {
        Let<Text>(path, value);
        return;
    }
    if (value.empty() || value == "clicked") return;
    // The lane record itself must be there (raises when not); the mark goes at its end.
    const std::string goal = Lane_path(heat, lane, "goal_field");
    pugi::xml_node made = Element(goal).parent().append_child("result_made");
    made.append_child(pugi::node_pcdata).set_value(value.c_str());
    Document_changed();
}

// ---- Trace settings ----

std::string Cls_XML_header::Trace_Name(int16_t id) const { return Get<Text>(Record_path("trace", id, "trace_name"), ""); }
void Cls_XML_header::Trace_Name(int16_t id, const std::string& value)
{
    Let<Text>(Record_path("trace", id, "trace_name"), value);
}
std::string Cls_XML_header::Trace_Color(int16_t id) const
{
    return Get<Text>(Record_path("trace", id, "trace_color"), "");
}
void Cls_XML_header::Trace_Color(int16_t id, const std::string& value)
{
    Let_or_skip<Text>(Record_path("trace", id, "trace_color"), value);
}
bool Cls_XML_header::Trace_Bezier(int16_t id) const
{
    return Get<Bool_flag>(Record_path("trace", id, "trace_bezier"), false);
}
void Cls_XML_header::Trace_Bezier(int16_t id, bool value)
{
    Let<Bool_flag>(Record_path("trace", id, "trace_bezier"), value);
}
int16_t Cls_XML_header::Trace_Thickness(int16_t id) const
{
    return Get<Integer>(Record_path("trace", id, "trace_thickness"), 0);
}
void Cls_XML_header::Trace_Thickness(int16_t id, int16_t value)
{
    Let_or_skip<Integer>(Record_path("trace", id, "trace_thickness"), value);
}

} // namespace wk
