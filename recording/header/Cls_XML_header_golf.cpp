// The golf section of the header: player and swing fields, the grade record, the animation file
// and the graph objects drawn over the picture.
#include "recording/header/Cls_XML_header.h"

#include "services/Module_error.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace wk {
namespace {

using namespace header_field;

constexpr const char* k_Source = "Cls_XML_header";

bool Same_letters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A finite decimal number with optional sign and blanks around it.
bool Read_number(std::string_view text, double& out)
{
    const size_t b = text.find_first_not_of(" \t");
    if (b == std::string_view::npos) return false;
    text = text.substr(b, text.find_last_not_of(" \t") + 1 - b);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(out);
}

// The graph objects' flag. The template writes "f"; we write "True"/"False"; older headers may
// hold a number. "t" reads True as every header flag does.
struct Graph_flag {
    using type = bool;
    static type From(const std::string& text)
    {
        if (text == "f" || Same_letters(text, "false")) return false;
        if (text == "t" || Same_letters(text, "true")) return true;
        double d = 0;
        if (Read_number(text, d)) return d != 0;
        throw Run_time_error(err_Type_mismatch, "Type mismatch: the header flag \"" + text + "\" is not a Boolean",
                             k_Source);
    }
    static std::string To(type value) { return Bool_flag::To(value); }
};

constexpr const char* k_Impact = "//golf/impact_field";
constexpr const char* k_Top = "//golf/top_field";
constexpr const char* k_Trimmed_start = "//golf/trimmed_start_field";
constexpr const char* k_Trimmed_end = "//golf/trimmed_end_field";

} // namespace

// ---- Golf fields ----

std::string Cls_XML_header::Player_name() const { return Get<Text>(Path("player_name")); }
void Cls_XML_header::Player_name(const std::string& value) { Let<Text>(Path("player_name"), value); }
std::string Cls_XML_header::Player_Comment() const { return Get<Text>(Path("player_comment")); }
void Cls_XML_header::Player_Comment(const std::string& value) { Let<Text>(Path("player_comment"), value); }
std::string Cls_XML_header::Venue() const { return Get<Text>(Path("venue_name")); }
void Cls_XML_header::Venue(const std::string& value) { Let<Text>(Path("venue_name"), value); }
int32_t Cls_XML_header::Impact_field() const { return Get<Long>(k_Impact); }
void Cls_XML_header::Impact_field(int32_t value) { Let<Long>(k_Impact, value); }
int32_t Cls_XML_header::Top_field() const { return Get<Long>(k_Top); }
void Cls_XML_header::Top_field(int32_t value) { Let<Long>(k_Top, value); }
bool Cls_XML_header::Has_weight_data() const { return Get<Bool_flag>(Path("b_has_weightdata")); }
void Cls_XML_header::Has_weight_data(bool value) { Let<Bool_flag>(Path("b_has_weightdata"), value); }
int32_t Cls_XML_header::trimmed_Start_Field() const { return Get<Long>(k_Trimmed_start); }
void Cls_XML_header::trimmed_Start_Field(int32_t value) { Let<Long>(k_Trimmed_start, value); }
int32_t Cls_XML_header::trimmed_End_Field() const { return Get<Long>(k_Trimmed_end); }
void Cls_XML_header::trimmed_End_Field(int32_t value) { Let<Long>(k_Trimmed_end, value); }

// ---- Grade record ----

std::string Cls_XML_header::Graded_at() const { return Get<Text>(Path("graded_at")); }
void Cls_XML_header::Graded_at(const std::string& value) { Let<Text>(Path("graded_at"), value); }
bool Cls_XML_header::Graded_active() const { return Get<Bool_flag>(Path("b_grade_active")); }
void Cls_XML_header::Graded_active(bool value) { Let<Bool_flag>(Path("b_grade_active"), value); }
std::string Cls_XML_header::Grade_slice() const { return Get<Text>(Path("slice_grade"), ""); }
void Cls_XML_header::Grade_slice(const std::string& value) { Let<Text>(Path("slice_grade"), value); }
std::string Cls_XML_header::Grade_direction() const { return Get<Text>(Path("direction_grade"), ""); }
void Cls_XML_header::Grade_direction(const std::string& value) { Let<Text>(Path("direction_grade"), value); }
std::string Cls_XML_header::Grade_top() const { return Get<Text>(Path("top_grade")); }
void Cls_XML_header::Grade_top(const std::string& value) { Let<Text>(Path("top_grade"), value); }
std::string Cls_XML_header::Grade_toe() const { return Get<Text>(Path("toe_grade")); }
void Cls_XML_header::Grade_toe(const std::string& value) { Let<Text>(Path("toe_grade"), value); }
std::string Cls_XML_header::Grade_club() const { return Get<Text>(Path("club_used")); }
void Cls_XML_header::Grade_club(const std::string& value) { Let<Text>(Path("club_used"), value); }
std::string Cls_XML_header::Grade_comment() const { return Get<Text>(Path("grade_comment")); }
void Cls_XML_header::Grade_comment(const std::string& value) { Let<Text>(Path("grade_comment"), value); }

// ---- Animation file ----

std::string Cls_XML_header::anp_filename() const { return Get<Text>(Path("anp_file_name")); }
void Cls_XML_header::anp_filename(const std::string& value) { Let<Text>(Path("anp_file_name"), value); }
int16_t Cls_XML_header::anp_numlines() const { return Get<Integer>(Path("anp_file_lines")); }
void Cls_XML_header::anp_numlines(int16_t value) { Let<Integer>(Path("anp_file_lines"), value); }

// Each line is the text of its own element, not of a child.
std::string Cls_XML_header::anp_line(int16_t n) const
{
    return Get<Text>("//anp_line[@id='" + std::to_string(n) + "']");
}
void Cls_XML_header::anp_line(int16_t n, const std::string& value)
{
    Let<Text>("//anp_line[@id='" + std::to_string(n) + "']", value);
}

// ---- Graph objects ----

void Cls_XML_header::Graph_object(int16_t id, int16_t obj_type, int16_t layer, int32_t color, int16_t linetype,
                                  int16_t linewidth, bool filled, int16_t x1, int16_t y1, int16_t x2, int16_t y2,
                                  int16_t x3, int16_t y3, int16_t x4, int16_t y4)
{
    auto put = [&](const char* element, int16_t v) { Let<Integer>(Record_path("graph_object", id, element), v); };
    put("obj_type", obj_type);
    put("layer", layer);
    Let<Graph_flag>(Record_path("graph_object", id, "filled"), filled);
    Let<Long>(Record_path("graph_object", id, "color"), color);
    put("linetype", linetype);
    put("linewidth", linewidth);
    put("x1", x1);
    put("y1", y1);
    put("x2", x2);
    put("y2", y2);
    put("x3", x3);
    put("y3", y3);
    put("x4", x4);
    put("y4", y4);
}

void Cls_XML_header::get_Graph_object(int16_t id, int16_t& obj_type, int16_t& layer, int32_t& color,
                                      int16_t& linetype, int16_t& linewidth, bool& filled, int16_t& x1, int16_t& y1,
                                      int16_t& x2, int16_t& y2, int16_t& x3, int16_t& y3, int16_t& x4,
                                      int16_t& y4) const
{
    auto get = [&](const char* element, int16_t& out) { out = Get<Integer>(Record_path("graph_object", id, element)); };
    get("obj_type", obj_type);
    get("layer", layer);
    filled = Get<Graph_flag>(Record_path("graph_object", id, "filled"));
    color = Get<Long>(Record_path("graph_object", id, "color"));
    get("linetype", linetype);
    get("linewidth", linewidth);
    get("x1", x1);
    get("y1", y1);
    get("x2", x2);
    get("y2", y2);
    get("x3", x3);
    get("y3", y3);
    get("x4", x4);
    get("y4", y4);
}

} // namespace wk
