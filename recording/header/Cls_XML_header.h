#pragma once
// One recording's XML header: the template with all its defaults, the header text as the
// recording files store it, and one accessor per header field.
//
// The header text (XML_string, Get_DOM_string) is ISO-8859-1 as the declaration says: one byte
// per character (Windows-1252), lines ended by CR LF. Everything else in and out of this class
// is UTF-8.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include <pugixml.hpp>

#include "recording/header/Header_fields.h"

namespace wk {

// The identity texts a new header carries in its file data.
struct Header_identity {
    std::string Comp_name;    // g_Computer_name
    std::string Prog_id;      // g_Edition_text
    std::string Prog_version; // "Compiled" in the built program, "IDE" otherwise
    std::string Prog_major, Prog_minor, Prog_revision;
    std::string OS_version; // Get_OS_Version followed by Get_OS_Service_Pack
};

// The running program's identity texts, as start-up left them.
Header_identity Program_header_identity();
// Replaces where new headers take their identity from (tests fix it); an empty function puts
// the program's own back.
void Install_header_identity(std::function<Header_identity()> source);

// How a field's text turns into a value and back. Each has type, From (text to value, raises
// a conversion error) and To (value to text).
namespace header_field {
struct Text {
    using type = std::string;
    static type From(const std::string& text) { return text; }
    static std::string To(const type& value) { return value; }
};
// 16-bit number; decimal text, halves rounded to even, out of range is an overflow.
struct Integer {
    using type = int16_t;
    static type From(const std::string& text);
    static std::string To(type value);
};
// 32-bit number.
struct Long {
    using type = int32_t;
    static type From(const std::string& text);
    static std::string To(type value);
};
// The number at the start of the text, as a 16-bit number (text without one reads 0).
struct Leading_integer {
    using type = int16_t;
    static type From(const std::string& text);
    static std::string To(type value) { return Integer::To(value); }
};
// The stream flags: "t" and "f".
struct Tf_flag {
    using type = bool;
    static type From(const std::string& text);
    static std::string To(type value);
};
// The other flags: "True" and "False"; the template's "t" reads True as well.
struct Bool_flag {
    using type = bool;
    static type From(const std::string& text);
    static std::string To(type value);
};
} // namespace header_field

class Cls_XML_header {
public:
    Cls_XML_header();
    ~Cls_XML_header();
    Cls_XML_header(const Cls_XML_header&) = delete;
    Cls_XML_header& operator=(const Cls_XML_header&) = delete;

    // ---- The document ----

    // Which optional sections Create_Header writes (wakeline on, golf and tolvex off at first).
    void Golfing(bool on) { golfing_ = on; }
    void Wakeline(bool on) { wakeline_ = on; }
    void Tolvex(bool on) { tolvex_ = on; }

    // Replaces the document by a new template and serialises it. On failure the error is
    // reported, the document and its text stay as they were, and the result is false.
    bool Create_Header();

    // The header text now (serialises the document).
    std::string XML_string();
    // Loads stored header text. Text that does not parse is reported with its position, leaves
    // an empty document behind (no stale fields of an earlier header) and gives false.
    bool XML_string(const std::string& text);
    // Characters of the text as of the last serialisation.
    int32_t XML_len() const;
    void DOM_serialize();
    // The header text now, without keeping it.
    std::string Get_DOM_string() const;
    // Writes the header text into the application-data folder ("xmldump.xml" for an empty
    // name) and says where. A failed write raises and leaves no file.
    void Dump_XML_to_file(const std::string& name);

    static std::string Bool_to_XML_string(bool value);
    static bool XML_string_to_Bool(const std::string& text);

    // ---- The fields of the shared lists (Header_fields.h) ----

#define WK_DECLARE_FIELD(T, name) T name() const; void name(header_field::Arg<T> value);
#define WK_DECLARE_INDEXED_FIELD(T, name, index) T name(int16_t index) const; void name(int16_t index, header_field::Arg<T> value);
    WK_HEADER_FIELDS(WK_DECLARE_FIELD)
    WK_HEADER_INDEXED_FIELDS(WK_DECLARE_INDEXED_FIELD)
#undef WK_DECLARE_FIELD
#undef WK_DECLARE_INDEXED_FIELD

    // ---- File data ----

    std::string Update_Time() const;
    void Update_Time(const std::string& value);
    void Update_Program(const std::string& value);
    int16_t Streams_no() const;
    void Streams_no(int16_t value);
    int32_t Frames_no() const;
    void Frames_no(int32_t value);
    std::string Creation_date() const;
    void Creation_date(const std::string& value);
    std::string Timing_Bias() const; // "0" when it cannot be read
    void Timing_Bias(const std::string& value);
    std::string Comp_name() const;
    std::string prog_id() const;
    std::string Prog_Major() const;
    std::string Prog_Minor() const;
    std::string Prog_Revision() const;
    std::string OS_version() const; // "" when it cannot be read
    // "None" when the header has none or it is empty. The Let adds the element to older headers.
    void Insert_Specapp();

    // ---- Stream headers (stream 1 and 2) ----

    bool Stream_Active(int16_t stream) const;
    void Stream_Active(int16_t stream, bool value);
    bool Stream_rotated(int16_t stream) const;
    void Stream_rotated(int16_t stream, bool value);
    int16_t Stream_CameraPos(int16_t stream) const;
    void Stream_CameraPos(int16_t stream, int16_t value);
    std::string Camera_pos(int16_t stream) const;
    void Camera_pos(int16_t stream, const std::string& value);
    // side: "t", "b", "l" or "r".
    int16_t Selection_Rectangle(int16_t stream, const std::string& side) const;
    void Selection_Rectangle(int16_t stream, const std::string& side, int16_t value);
    void Let_Selection_rectangle(int16_t stream, const std::string& side, int16_t value);
    int32_t Selection_start(int16_t stream) const; // 0 when it cannot be read
    void Selection_start(int16_t stream, int32_t value);
    int32_t Selection_end(int16_t stream) const; // 0 when it cannot be read
    void Selection_end(int16_t stream, int32_t value);
    int16_t Offset_fields(int16_t stream) const;
    void Offset_fields(int16_t stream, int16_t value);
    int16_t model_size_factor(int16_t stream) const;
    void model_size_factor(int16_t stream, int16_t value);
    std::string Model_FileName(int16_t stream) const;
    void Model_FileName(int16_t stream, const std::string& value);
    int16_t model_X_offset(int16_t stream) const;
    void model_X_offset(int16_t stream, int16_t value);
    int16_t model_Y_offset(int16_t stream) const;
    void model_Y_offset(int16_t stream, int16_t value);

    // ---- Kind of the header text last loaded ----

    bool is_Wakeline() const;
    bool is_Golf() const;
    bool is_Equestrian() const;

    // ---- Race data ----

    std::string Event_name() const;
    void Event_name(const std::string& value);
    int16_t Num_Lanes() const;
    void Num_Lanes(int16_t value);
    int16_t heats_num() const;
    void heats_num(int16_t value);
    int16_t Start_lane() const;
    void Start_lane(int16_t value);
    bool Lanes_locked() const;
    void Lanes_locked(bool value);

    // Reads the four end points in order; each output is set as soon as it is read.
    void Get_Goalline(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) const;
    void Set_Goalline(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // Lane marks of lane index 0..15.
    void Lane_pos(int16_t lane, int32_t x, int32_t y);
    int32_t Lane_pos_X(int16_t lane) const;
    int32_t Lane_pos_Y(int16_t lane) const;

    // Heats 1..5.
    std::string Heat_ID(int16_t heat) const;
    void Heat_ID(int16_t heat, const std::string& value);
    int32_t Start_local_mill(int16_t heat) const;
    void Start_local_mill(int16_t heat, int32_t value);
    int32_t Start_PC_mill(int16_t heat) const;
    void Start_PC_mill(int16_t heat, int32_t value);
    int32_t Heat_Correction_mill(int16_t heat) const;
    void Heat_Correction_mill(int16_t heat, int32_t value);

    // Lane records of a heat: heat 1..5, lane index 0..15.
    int32_t Heat_result(int16_t heat, int16_t lane) const;
    void Heat_result(int16_t heat, int16_t lane, int32_t value);
    int32_t Heat_Click_time(int16_t heat, int16_t lane) const;
    void Heat_Click_time(int16_t heat, int16_t lane, int32_t value);
    int32_t Heat_Goal_Field(int16_t heat, int16_t lane) const;
    void Heat_Goal_Field(int16_t heat, int16_t lane, int32_t value);
    // How the lane's time was made ("clicked", "confirmed", "overridden"); "" where the lane
    // record has no mark, as in every file older builds wrote. A click adds no mark, so a
    // header without proposals stays as older builds write it; readers of old builds skip it.
    std::string Heat_Result_made(int16_t heat, int16_t lane) const;
    void Heat_Result_made(int16_t heat, int16_t lane, const std::string& value);

    // ---- Trace settings (traces 1..10; the points themselves live in the frames) ----

    std::string Trace_Name(int16_t id) const; // "" when it cannot be read
    void Trace_Name(int16_t id, const std::string& value);
    // The colour as stored; the caller decides how to read it.
    std::string Trace_Color(int16_t id) const;              // "" when it cannot be read
    void Trace_Color(int16_t id, const std::string& value); // a missing trace changes nothing
    bool Trace_Bezier(int16_t id) const;                    // False when it cannot be read
    void Trace_Bezier(int16_t id, bool value);
    int16_t Trace_Thickness(int16_t id) const;              // 0 when it cannot be read
    void Trace_Thickness(int16_t id, int16_t value);        // a missing trace changes nothing

    // ---- Golf section (headers made with Golfing set) ----
    // Field numbers are 32-bit: a long recording has more fields than 16 bits count.

    std::string Player_name() const;
    void Player_name(const std::string& value);
    std::string Player_Comment() const;
    void Player_Comment(const std::string& value);
    int32_t Impact_field() const;
    void Impact_field(int32_t value);
    int32_t Top_field() const;
    void Top_field(int32_t value);
    bool Has_weight_data() const;
    void Has_weight_data(bool value);
    int32_t trimmed_Start_Field() const;
    void trimmed_Start_Field(int32_t value);
    int32_t trimmed_End_Field() const;
    void trimmed_End_Field(int32_t value);

    // The animation file's line count (its lines are in the field lists).
    int16_t anp_numlines() const;
    void anp_numlines(int16_t value);

    // Graph objects 1..25: shapes drawn over the picture. filled is written "True"/"False"; it
    // reads "f" as False and otherwise as a Boolean text or a number (0 False), anything else
    // is a conversion error.
    void Graph_object(int16_t id, int16_t obj_type, int16_t layer, int32_t color, int16_t linetype,
                      int16_t linewidth, bool filled, int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t x3,
                      int16_t y3, int16_t x4, int16_t y4);
    // Reads in the stored order (obj_type, layer, filled, color, linetype, linewidth, x1 .. y4);
    // each output is set as soon as it is read, so an error part-way leaves the earlier ones set.
    void get_Graph_object(int16_t id, int16_t& obj_type, int16_t& layer, int32_t& color, int16_t& linetype,
                          int16_t& linewidth, bool& filled, int16_t& x1, int16_t& y1, int16_t& x2, int16_t& y2,
                          int16_t& x3, int16_t& y3, int16_t& x4, int16_t& y4) const;

    // ---- Sibling timing section (written by the sibling timing product only) ----
    // Values are kept as the sibling product wrote them; a missing element raises unless a
    // default is named.

    void Tolv_heat_start_local_mill(const std::string& value);
    std::string Tolv_heat_start_PC_mill() const;
    void Tolv_heat_start_PC_mill(const std::string& value);
    // The time offsets: "0" when missing or not a number.
    std::string Goal_Compensation() const;
    void Goal_Compensation(const std::string& value);
    std::string Split_Compensation() const;
    void Split_Compensation(const std::string& value);
    void Tolv_split_firewire_ID(const std::string& value);
    void Tolv_goal_firewire_ID(const std::string& value);
    void Tolv_ph_serial(const std::string& value);

    // Boxes 1..8, one dog each.
    // The split time when split is true, else the heat time.
    int32_t Tolv_Heat_time(int16_t box, bool split) const;
    void Tolv_Heat_time(int16_t box, bool split, int32_t time);

private:
    // The first element the path selects, anywhere in the document; raises when there is none.
    pugi::xml_node Element(const std::string& path) const;
    static std::string Text_of(pugi::xml_node element);
    // Returns whether elements inside the old content went with it.
    static bool Set_text(pugi::xml_node element, const std::string& text);
    // A new document, or elements added to or taken out of it: the elements found so far go.
    void Document_changed() { found_.clear(); }

    // Every accessor goes through these: strict, or with a fallback that any error gives.
    template <class F> typename F::type Get(const std::string& path) const
    {
        return F::From(Text_of(Element(path)));
    }
    template <class F> typename F::type Get(const std::string& path, typename F::type fallback) const noexcept
    {
        try {
            return Get<F>(path);
        } catch (...) {
            return fallback;
        }
    }
    template <class F> void Let(const std::string& path, const typename F::type& value)
    {
        const std::string text = F::To(value);
        if (Set_text(Element(path), text)) Document_changed();
    }
    template <class F> void Let_or_skip(const std::string& path, const typename F::type& value) noexcept
    {
        try {
            Let<F>(path, value);
        } catch (...) {
        }
    }

    // "//element", "//record[@id='id']/element" and the lane record of a heat.
    static std::string Path(std::string_view element);
    static std::string Record_path(std::string_view record, int32_t id, std::string_view element);
    static std::string Lane_path(int16_t heat, int16_t lane, std::string_view element);
    static std::string Selrect_path(int16_t stream, const std::string& side);

    // The records of the template; each appends its record to parent and returns it.
    static pugi::xml_node Build_Stream_Header(pugi::xml_node parent, int16_t id);
    static pugi::xml_node Create_Traces_Record(pugi::xml_node parent);
    static pugi::xml_node Create_Trace(pugi::xml_node parent, int16_t id);
    static pugi::xml_node Create_Grade_Record(pugi::xml_node parent);
    static pugi::xml_node Build_Graph_Object(pugi::xml_node parent, int16_t id);
    static pugi::xml_node Build_Heat_Data(pugi::xml_node parent, int16_t id);
    static pugi::xml_node Build_Lane_Result(pugi::xml_node parent, int16_t id);
    static void Build_File_Data(pugi::xml_node root, const Header_identity& identity, const std::string& date);
    static void Build_Golf(pugi::xml_node root);
    static void Build_Wakeline(pugi::xml_node root);
    static void Build_Tolvex(pugi::xml_node root);

    std::unique_ptr<pugi::xml_document> doc_;
    // The element each query found, by its path: the viewer asks for the same few values on
    // every field shown, and an XPath search of the whole header costs far more than the value.
    mutable std::unordered_map<std::string, pugi::xml_node> found_;
    std::string serialised_;
    std::string loaded_;
    bool golfing_ = false;
    bool wakeline_ = true;
    bool tolvex_ = false;
};

} // namespace wk
