#include "recording/header/Cls_XML_header.h"

#include "platform/Clock.h"
#include "platform/Folders.h"
#include "platform/Text_codec.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_system.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "services/Operator_port.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

namespace wk {
namespace {

constexpr const char* k_Source = "Cls_XML_header";
constexpr const char* k_LB = "\r\n";

// Stored headers are read as they are: line-break text nodes, comments and the declaration
// are kept, and CR LF stays CR LF, so that a header read and written again is unchanged.
constexpr unsigned k_Parse_options = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_ws_pcdata |
                                     pugi::parse_comments | pugi::parse_declaration | pugi::parse_pi |
                                     pugi::parse_doctype;

std::function<Header_identity()>& Identity_source()
{
    static std::function<Header_identity()> source;
    return source;
}

Run_time_error Out_of_memory() { return Run_time_error(err_Out_of_memory, "Out of memory building the header", k_Source); }

// ---- Building ----

pugi::xml_node Add(pugi::xml_node parent, const char* name, std::string_view text = {})
{
    pugi::xml_node e = parent.append_child(name);
    if (!e) throw Out_of_memory();
    if (!text.empty()) {
        pugi::xml_node t = e.append_child(pugi::node_pcdata);
        if (!t || !t.set_value(std::string(text).c_str())) throw Out_of_memory();
    }
    return e;
}

void LB(pugi::xml_node parent, int count = 1)
{
    for (int i = 0; i < count; ++i) {
        pugi::xml_node t = parent.append_child(pugi::node_pcdata);
        if (!t || !t.set_value(k_LB)) throw Out_of_memory();
    }
}

pugi::xml_node Add_record(pugi::xml_node parent, const char* name, int32_t id)
{
    pugi::xml_node e = Add(parent, name);
    if (!e.append_attribute("id").set_value(std::to_string(id).c_str())) throw Out_of_memory();
    return e;
}

struct Field_default {
    std::string name;
    const char* text;
};

// Fields each followed by a line break.
void Add_lines(pugi::xml_node parent, std::initializer_list<Field_default> fields)
{
    for (const auto& f : fields) {
        Add(parent, f.name.c_str(), f.text);
        LB(parent);
    }
}

std::string Date_text(const platform::Local_time& t)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d:%02d", t.year % 100, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

// ---- Text of the header ----

struct String_writer final : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

// UTF-8 from the serialiser into the stored one-byte form. A character that Windows-1252 lacks
// becomes a character reference, so it survives the stored text.
std::string To_stored_text(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<uint8_t>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        char32_t cp = len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        bool ok = len != 0 && i + len <= utf8.size();
        for (size_t k = 1; ok && k < len; ++k) {
            const auto cc = static_cast<uint8_t>(utf8[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) { // not UTF-8: as the codec answers it
            out += '?';
            ++i;
            continue;
        }
        const std::string_view one = utf8.substr(i, len);
        const std::string ansi = platform::Utf8_to_ansi(one);
        if (ansi != "?")
            out += ansi;
        else if (cp >= 0x80 && cp <= 0x9F && platform::Ansi_to_utf8(std::string(1, static_cast<char>(cp))) == one)
            out += static_cast<char>(cp); // a byte that Windows-1252 leaves undefined, read in as it stood
        else
            out += "&#" + std::to_string(static_cast<uint32_t>(cp)) + ";";
        i += len;
    }
    return out;
}

// The document's text: each top-level node followed by CR LF; inside the root only the line
// breaks the tree holds.
std::string Serialise(const pugi::xml_document& doc)
{
    String_writer w;
    for (pugi::xml_node child : doc.children()) {
        child.print(w, "", pugi::format_raw, pugi::encoding_utf8);
        w.out += k_LB;
    }
    return To_stored_text(w.out);
}

// ---- Numbers ----

// A whole decimal number with optional sign, fraction and exponent, blanks around it allowed.
// Returns false when the text is not one; big is set when it is one but too large for a double.
bool Parse_decimal(const std::string& text, double& out, bool& big)
{
    big = false;
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return false;
    size_t e = text.find_last_not_of(" \t") + 1;
    bool negative = false;
    if (text[b] == '+' || text[b] == '-') {
        negative = text[b] == '-';
        ++b;
    }
    if (b >= e || !(std::isdigit(static_cast<unsigned char>(text[b])) || text[b] == '.')) return false;
    double d = 0;
    const auto r = std::from_chars(text.data() + b, text.data() + e, d, std::chars_format::general);
    if (r.ptr != text.data() + e) return false;
    if (r.ec == std::errc::result_out_of_range) {
        big = true;
        return false;
    }
    if (r.ec != std::errc() || !std::isfinite(d)) return false;
    out = negative ? -d : d;
    return true;
}

template <class T> T Whole_number(double d, const std::string& text)
{
    const double r = std::nearbyint(d);
    if (!(r >= double(std::numeric_limits<T>::min()) && r <= double(std::numeric_limits<T>::max())))
        throw Run_time_error(err_Overflow, "Overflow: the header value \"" + text + "\" is out of range", k_Source);
    return static_cast<T>(r);
}

template <class T> T Number_of(const std::string& text)
{
    double d = 0;
    bool big = false;
    if (!Parse_decimal(text, d, big)) {
        if (big)
            throw Run_time_error(err_Overflow, "Overflow: the header value \"" + text + "\" is out of range", k_Source);
        throw Run_time_error(err_Type_mismatch, "Type mismatch: the header value \"" + text + "\" is not a number",
                             k_Source);
    }
    return Whole_number<T>(d, text);
}

// The number at the start of the text, blanks anywhere ignored; 0 when there is none.
double Leading_number(const std::string& text, bool& big)
{
    big = false;
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s += c;
    std::string num;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) num += s[i++];
    auto digit = [&](size_t k) { return k < s.size() && std::isdigit(static_cast<unsigned char>(s[k])); };
    size_t digits = 0;
    while (digit(i)) num += s[i++], ++digits;
    if (i < s.size() && s[i] == '.') {
        num += s[i++];
        while (digit(i)) num += s[i++], ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t k = i + 1;
        std::string exp = "e";
        if (k < s.size() && (s[k] == '+' || s[k] == '-')) exp += s[k++];
        if (digit(k)) {
            while (digit(k)) exp += s[k++];
            num += exp;
        }
    }
    const bool negative = num[0] == '-';
    const size_t start = (num[0] == '-' || num[0] == '+') ? 1 : 0;
    double d = 0;
    const auto r = std::from_chars(num.data() + start, num.data() + num.size(), d, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) big = true;
    return negative ? -d : d;
}

} // namespace

// ---- Field conversions ----

namespace header_field {

Integer::type Integer::From(const std::string& text) { return Number_of<int16_t>(text); }
std::string Integer::To(type value) { return std::to_string(value); }
Long::type Long::From(const std::string& text) { return Number_of<int32_t>(text); }
std::string Long::To(type value) { return std::to_string(value); }

Leading_integer::type Leading_integer::From(const std::string& text)
{
    bool big = false;
    const double d = Leading_number(text, big);
    if (big) throw Run_time_error(err_Overflow, "Overflow: the header value \"" + text + "\" is out of range", k_Source);
    return Whole_number<int16_t>(d, text);
}

Tf_flag::type Tf_flag::From(const std::string& text) { return Cls_XML_header::XML_string_to_Bool(text); }
std::string Tf_flag::To(type value) { return Cls_XML_header::Bool_to_XML_string(value); }

// The template writes every flag as "t"; a flag written since then holds "True" or "False".
Bool_flag::type Bool_flag::From(const std::string& text) { return Text_To_Bool(text) || text == "t"; }
std::string Bool_flag::To(type value) { return Bool_To_Text(value); }

} // namespace header_field

using namespace header_field;

// ---- Identity ----

Header_identity Program_header_identity()
{
    Header_identity id;
    id.Comp_name = g_Computer_name;
    id.Prog_id = g_Edition_text;
    id.Prog_version = g_Compiled ? "Compiled" : "IDE";
    id.Prog_major = std::to_string(k_Version_major);
    id.Prog_minor = std::to_string(k_Version_minor);
    id.Prog_revision = std::to_string(k_Version_revision);
    id.OS_version = Get_OS_Version() + Get_OS_Service_Pack();
    return id;
}

void Install_header_identity(std::function<Header_identity()> source) { Identity_source() = std::move(source); }

// ---- Life ----

Cls_XML_header::Cls_XML_header() : doc_(std::make_unique<pugi::xml_document>()) {}

Cls_XML_header::~Cls_XML_header()
{
    try {
        Trace_Line("Cls_XML_header_Terminate");
    } catch (...) {
    }
}

// ---- The document ----

bool Cls_XML_header::Create_Header()
{
    try {
        const Header_identity identity = Identity_source() ? Identity_source()() : Program_header_identity();
        const std::string date = Date_text(platform::Get_clock().Now());

        // Built aside, so that a failure leaves the header as it was.
        auto doc = std::make_unique<pugi::xml_document>();
        pugi::xml_node decl = doc->append_child(pugi::node_declaration);
        if (!decl || !decl.append_attribute("version").set_value("1.0") ||
            !decl.append_attribute("encoding").set_value("iso-8859-1"))
            throw Out_of_memory();
        pugi::xml_node comment = doc->append_child(pugi::node_comment);
        if (!comment || !comment.set_value("XML file containing QSM DV header")) throw Out_of_memory();
        pugi::xml_node root = Add(*doc, "QSM_header");

        LB(root);
        Build_File_Data(root, identity, date);
        if (golfing_) {
            Build_Golf(root);
            LB(root);
        }
        LB(root);
        if (wakeline_) {
            Build_Wakeline(root);
            LB(root);
        }
        if (tolvex_) {
            Build_Tolvex(root);
            LB(root);
        }
        Create_Traces_Record(root);
        LB(root);

        std::string text = Serialise(*doc);
        doc_ = std::move(doc);
        Document_changed();
        serialised_ = std::move(text);
        return true;
    } catch (...) {
        Report_current_exception("Create_Header of Class Module Cls_XML_header");
        return false;
    }
}

std::string Cls_XML_header::XML_string()
{
    DOM_serialize();
    return serialised_;
}

bool Cls_XML_header::XML_string(const std::string& text)
{
    loaded_ = text;
    try {
        const std::string utf8 = platform::Ansi_to_utf8(text);
        auto doc = std::make_unique<pugi::xml_document>();
        const pugi::xml_parse_result result = doc->load_buffer(utf8.data(), utf8.size(), k_Parse_options,
                                                               pugi::encoding_utf8);
        Document_changed();
        if (result) {
            doc_ = std::move(doc);
            return true;
        }
        // An empty document: no accessor may answer with the fields of an earlier header.
        doc_ = std::make_unique<pugi::xml_document>();

        // Where the parser stopped, counted in characters of the stored text.
        const size_t stop = std::min(static_cast<size_t>(std::max<ptrdiff_t>(result.offset, 0)), utf8.size());
        int64_t position = 0, line = 1, column = 1;
        for (size_t i = 0; i < stop; ++i) {
            const auto c = static_cast<uint8_t>(utf8[i]);
            if ((c & 0xC0) == 0x80) continue;
            ++position;
            if (c == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        QSM_error_handler("The recording header cannot be read: " + std::string(result.description()) +
                              " at character " + std::to_string(position + 1) + " (line " + std::to_string(line) +
                              ", position " + std::to_string(column) + ")",
                          err_Invalid_argument, 0, "XML_string of Class Module Cls_XML_header",
                          "Header text of " + std::to_string(text.size()) + " characters");
        return false;
    } catch (...) {
        doc_ = std::make_unique<pugi::xml_document>();
        Document_changed();
        Report_current_exception("XML_string of Class Module Cls_XML_header");
        return false;
    }
}

int32_t Cls_XML_header::XML_len() const
{
    if (serialised_.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw Run_time_error(err_Overflow, "Overflow: the header text is too long", k_Source);
    return static_cast<int32_t>(serialised_.size());
}

void Cls_XML_header::DOM_serialize()
{
    serialised_.clear();
    serialised_ = Serialise(*doc_);
}

std::string Cls_XML_header::Get_DOM_string() const { return Serialise(*doc_); }

void Cls_XML_header::Dump_XML_to_file(const std::string& name)
{
    const std::string path = platform::Join_path(AppUserData(), name.empty() ? "xmldump.xml" : name);
    Delete_File(path, true);
    const std::string text = Get_DOM_string();
    {
        std::ofstream f(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
        if (!f) throw Run_time_error(err_Path_not_found, "The header cannot be dumped to " + path, k_Source);
        f.write(text.data(), static_cast<std::streamsize>(text.size()));
        f.close();
        if (!f) {
            std::error_code ec;
            std::filesystem::remove(path, ec);
            throw Run_time_error(err_Disk_full, "The header could not be written whole to " + path, k_Source);
        }
    }
    Station_operator().Notice("XML header dumped to: " + path);
}

std::string Cls_XML_header::Bool_to_XML_string(bool value) { return value ? "t" : "f"; }
bool Cls_XML_header::XML_string_to_Bool(const std::string& text) { return text == "t"; }

// ---- The template ----

void Cls_XML_header::Build_File_Data(pugi::xml_node root, const Header_identity& identity, const std::string& date)
{
    pugi::xml_node fd = Add(root, "file_data");
    LB(fd);
    Add_lines(fd, {{"update_program", "program name"},
                   {"creation_date", date.c_str()},
                   {"update_date", "not updated"},
                   {"num_streams", "1"},
                   {"frame_header_size", "000"},
                   {"num_frames", "000"},
                   {"timing_bias", "000"},
                   {"b_rotated", "f"},
                   {"comp_name", identity.Comp_name.c_str()},
                   {"prog_id", identity.Prog_id.c_str()},
                   {"prog_version", identity.Prog_version.c_str()},
                   {"prog_major", identity.Prog_major.c_str()},
                   {"prog_minor", identity.Prog_minor.c_str()},
                   {"prog_revision", identity.Prog_revision.c_str()},
                   {"os_version", identity.OS_version.c_str()},
                   {"subject_name", "0000"}});
    for (int n = 1; n <= 5; ++n) Add_lines(fd, {{"file_comment" + std::to_string(n), "0000"}});
    Add_lines(fd, {{"specapp1", ""}, {"specapp2", ""}});
    for (int n = 1; n <= 5; ++n) Add_lines(fd, {{"hdr_spare" + std::to_string(n), "0000"}});
    Build_Stream_Header(fd, 1);
    Build_Stream_Header(fd, 2);
}

pugi::xml_node Cls_XML_header::Build_Stream_Header(pugi::xml_node parent, int16_t id)
{
    pugi::xml_node s = Add_record(parent, "stream_header", id);
    LB(s);
    Add_lines(s, {{"b_stream_active", "f"},
                  {"b_stream_rotated", "f"},
                  {"stream_type", "xxx"},
                  {"offset_fields", "000"},
                  {"sel_start", "000"},
                  {"sel_end", "000"},
                  {"camera_pos", "xxxxx"},
                  {"b_model_active", "f"},
                  {"model_filename", "xxx"},
                  {"model_speed", "999"},
                  {"selrect_top", "000"},
                  {"selrect_bottom", "000"},
                  {"selrect_left", "000"},
                  {"selrect_right", "000"},
                  {"model_file", "000"},
                  {"b_model_flipped", "f"},
                  {"model_x_offset", "000"},
                  {"model_y_offset", "000"},
                  {"model_size_factor", "000"},
                  {"camera_ID", "000"}});
    for (int n = 1; n <= 5; ++n) Add_lines(s, {{"stream_spare" + std::to_string(n), "000"}});
    return s;
}

void Cls_XML_header::Build_Golf(pugi::xml_node root)
{
    pugi::xml_node g = Add(root, "golf");
    LB(g);
    Add_lines(g, {{"player_name", "xxx"}, {"venue_name", "xxx"}, {"player_comment", "xxx"}});
    Create_Grade_Record(g);
    LB(g);
    Add_lines(g, {{"impact_field", "000"},
                  {"top_field", "000"},
                  {"b_has_weightdata", "f"},
                  {"trimmed_start_field", "000"}});
    Add(g, "trimmed_end_field", "000");
    LB(g, 3);
    pugi::xml_node anim = Add(g, "animated_file");
    Add(anim, "anp_file_name", "000");
    Add(anim, "anp_file_lines", "000");
    for (int n = 1; n <= 150; ++n) Add_record(anim, "anp_line", n);
    pugi::xml_node objects = Add(g, "graph_objects");
    for (int16_t n = 1; n <= 25; ++n) Build_Graph_Object(objects, n);
}

pugi::xml_node Cls_XML_header::Create_Grade_Record(pugi::xml_node parent)
{
    pugi::xml_node r = Add(parent, "grade_record");
    Add_lines(r, {{"b_grade_active", "f"}});
    Add(r, "graded_at", " ");
    Add_lines(r, {{"slice_grade", "99"},
                  {"direction_grade", "99"},
                  {"top_grade", "99"},
                  {"toe_grade", "99"},
                  {"club_used", "xx"},
                  {"grade_comment", "xxx"}});
    return r;
}

pugi::xml_node Cls_XML_header::Build_Graph_Object(pugi::xml_node parent, int16_t id)
{
    pugi::xml_node o = Add_record(parent, "graph_object", id);
    LB(o);
    Add_lines(o, {{"obj_type", "000"}, {"layer", "0"}, {"filled", "f"}, {"color", "00000"}, {"linetype", "0"},
                  {"linewidth", "0"}, {"x1", "000"}, {"y1", "000"}, {"x2", "000"}, {"y2", "000"},
                  {"x3", "000"}, {"y3", "000"}, {"x4", "000"}, {"y4", "000"}, {"x5", "000"},
                  {"y5", "000"}, {"x6", "000"}, {"y6", "000"}, {"spare1", "000"}, {"spare2", "000"}});
    return o;
}

void Cls_XML_header::Build_Wakeline(pugi::xml_node root)
{
    pugi::xml_node w = Add(root, "wakeline");
    LB(w);
    Add_lines(w, {{"goal_x_1", "000"}, {"goal_y_1", "000"}, {"goal_x_2", "000"}, {"goal_y_2", "000"}});
    for (int n = 0; n <= 15; ++n)
        Add_lines(w, {{"lane_x_" + std::to_string(n), "000"}, {"lane_y_" + std::to_string(n), "000"}});
    for (int n = 1; n <= 30; ++n) {
        pugi::xml_node c = Add_record(w, "marathonclass", n);
        Add(c, "class_name");
        Add(c, "class_start");
        LB(c);
    }
    Add_lines(w, {{"event_name", "nnn"},
                  {"b_lanes_visible", "t"},
                  {"b_lanes_flipped", "f"},
                  {"b_lanes_locked", "f"},
                  {"b_lanes_reversed", "f"},
                  {"num_lanes", "0"},
                  {"b_show_goalline", "f"},
                  {"num_heats", "5"},
                  {"start_lane", "1"}});
    for (int16_t n = 1; n <= 5; ++n) {
        Build_Heat_Data(w, n);
        LB(w);
    }
}

pugi::xml_node Cls_XML_header::Build_Heat_Data(pugi::xml_node parent, int16_t id)
{
    pugi::xml_node h = Add_record(parent, "heat_record", id);
    LB(h);
    Add_lines(h, {{"heat_ID", ""},
                  {"heat_comment", ""},
                  {"start_local_mill", "000"},
                  {"start_pc_mill", "000"},
                  {"heat_correction_mill", "000"}});
    LB(h);
    for (int16_t lane = 0; lane <= 15; ++lane) {
        Build_Lane_Result(h, lane);
        LB(h);
    }
    Add_lines(h, {{"heat_comment", "nnn"}});
    return h;
}

pugi::xml_node Cls_XML_header::Build_Lane_Result(pugi::xml_node parent, int16_t id)
{
    pugi::xml_node l = Add_record(parent, "lane_record", id);
    LB(l);
    Add(l, "heat_time_mill", "000");
    Add(l, "click_time_mill", "000");
    LB(l, 2);
    Add_lines(l, {{"goal_field", "000"}});
    return l;
}

void Cls_XML_header::Build_Tolvex(pugi::xml_node root)
{
    pugi::xml_node t = Add(root, "tolvex");
    Add_lines(t, {{"tolv_event", "Tolv event name"},
                  {"tolv_heat_ID", "Tolv heat ID"},
                  {"tolv_heat_name", "Tolv heat name"},
                  {"tolv_heat_length", "000"},
                  {"tolv_goal_finish", "Tolv goal finish"},
                  {"tolv_goal_split", "Tolv goal split"},
                  {"tolv_start_datetime", "tolv start date time"},
                  {"tolv_start_local_mill", "tolv_start_local_mill"},
                  {"tolv_start_PC_mill", "tolv_start_PC_mill"},
                  {"tolv_goal_time_offset", "0000"},
                  {"tolv_split_time_offset", "0000"},
                  {"tolv_box_delay", "0000"},
                  {"tolv_split_firewire_ID", "000"},
                  {"tolv_goal_firewire_ID", "000"},
                  {"tolv_ph_serial", "000"}});
    for (int n = 1; n <= 8; ++n) {
        LB(t, 3);
        pugi::xml_node box = Add_record(t, "box", n);
        Add_lines(box, {{"dog_name", "dog name"},
                        {"dog_weight", "dog weight"},
                        {"dog_heat_time", "000000"},
                        {"dog_heat_click_time", "000000"},
                        {"dog_heat_frame", "000000"},
                        {"dog_split_time", "000000"},
                        {"dog_split_click_time", "000000"},
                        {"dog_split_frame", "000000"},
                        {"dog_heat_rank", "00"},
                        {"dog_split_rank", "00"},
                        {"dog_dead_heat", "f"},
                        {"dog_heat_spare1", "00000"},
                        {"dog_heat_spare2", "00000"}});
        LB(t);
    }
}

pugi::xml_node Cls_XML_header::Create_Traces_Record(pugi::xml_node parent)
{
    pugi::xml_node t = Add(parent, "traces");
    Add_lines(t, {{"num_traces", "10"}});
    for (int16_t n = 1; n <= 10; ++n) {
        Create_Trace(t, n);
        LB(t);
    }
    return t;
}

pugi::xml_node Cls_XML_header::Create_Trace(pugi::xml_node parent, int16_t id)
{
    pugi::xml_node t = Add_record(parent, "trace", id);
    LB(t);
    Add_lines(t, {{"trace_active", "f"},
                  {"trace_length", "000"},
                  {"trace_color", "0"},
                  {"trace_bezier", "f"},
                  {"trace_thickness", "1"},
                  {"trace_name", "noname"}});
    return t;
}

// ---- Accessor machinery ----

pugi::xml_node Cls_XML_header::Element(const std::string& path) const
{
    if (const auto known = found_.find(path); known != found_.end()) return known->second;
    pugi::xpath_node found;
    try {
        found = doc_->select_node(path.c_str());
    } catch (const pugi::xpath_exception& e) {
        throw Run_time_error(err_Invalid_argument, "The header query " + path + " is not valid: " + e.what(), k_Source);
    }
    if (!found.node() || found.node().type() != pugi::node_element)
        throw Run_time_error(err_Object_variable, "The header has no element " + path, k_Source);
    found_.emplace(path, found.node());
    return found.node();
}

std::string Cls_XML_header::Text_of(pugi::xml_node element)
{
    std::string text;
    for (pugi::xml_node child : element.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
        else if (child.type() == pugi::node_element)
            text += Text_of(child);
    }
    return text;
}

// The element's whole content becomes the text; empty text leaves it empty (an empty-element tag).
bool Cls_XML_header::Set_text(pugi::xml_node element, const std::string& text)
{
    std::vector<pugi::xml_node> old(element.children().begin(), element.children().end());
    const bool elements_gone =
        std::any_of(old.begin(), old.end(), [](pugi::xml_node n) { return n.type() == pugi::node_element; });
    if (!text.empty()) {
        pugi::xml_node t = element.append_child(pugi::node_pcdata);
        if (!t) throw Out_of_memory();
        if (!t.set_value(text.c_str())) {
            element.remove_child(t);
            throw Out_of_memory();
        }
    }
    for (pugi::xml_node n : old) element.remove_child(n);
    return elements_gone;
}

std::string Cls_XML_header::Path(std::string_view element) { return "//" + std::string(element); }

std::string Cls_XML_header::Record_path(std::string_view record, int32_t id, std::string_view element)
{
    return "//" + std::string(record) + "[@id='" + std::to_string(id) + "']/" + std::string(element);
}

std::string Cls_XML_header::Lane_path(int16_t heat, int16_t lane, std::string_view element)
{
    return "//heat_record[@id='" + std::to_string(heat) + "']//lane_record[@id='" + std::to_string(lane) + "']/" +
           std::string(element);
}

std::string Cls_XML_header::Selrect_path(int16_t stream, const std::string& side)
{
    const char* element = side == "t"   ? "selrect_top"
                          : side == "b" ? "selrect_bottom"
                          : side == "l" ? "selrect_left"
                          : side == "r" ? "selrect_right"
                                        : nullptr;
    if (!element)
        throw Run_time_error(err_Invalid_argument, "No side \"" + side + "\" of the selection rectangle", k_Source);
    return Record_path("stream_header", stream, element);
}

// Headers written before the application element existed get it when it is first set.
void Cls_XML_header::Insert_Specapp()
{
    pugi::xml_node file_data = Element(Path("file_data"));
    const std::string text = SpecApp();
    Add(file_data, "specapp1", text);
    LB(file_data);
    Document_changed();
}

} // namespace wk
