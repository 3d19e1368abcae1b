#include "results/Class_Wakeline_result_XML.h"

#include "platform/Clock.h"
#include "results/Xml_file_text.h"
#include "services/Module_error.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "services/Operator_port.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace wk {
namespace {

constexpr const char* k_Line_break = "\r\n";
constexpr const char* k_Serialize_location = "Serialize of Class Module Class_Wakeline_result_XML";

void Append_line_break(pugi::xml_node parent) { parent.append_child(pugi::node_pcdata).set_value(k_Line_break); }

pugi::xml_node Append_text_element(pugi::xml_node parent, const char* name, const std::string& text)
{
    pugi::xml_node e = parent.append_child(name);
    e.text().set(text.c_str());
    return e;
}

std::string Now_text()
{
    const platform::Local_time t = platform::Get_clock().Now();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

template <class Int> Int Frame_number(const std::string& text)
{
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || p != end || ec == std::errc::invalid_argument)
        throw Run_time_error(err_Type_mismatch, "Type mismatch: video_frame \"" + text + "\"");
    if (ec == std::errc::result_out_of_range || value < std::numeric_limits<Int>::min() ||
        value > std::numeric_limits<Int>::max())
        throw Run_time_error(err_Overflow, "Overflow: video_frame \"" + text + "\"");
    return Int(value);
}

// The first child of that name among the nodes, in document order; null when none has one.
pugi::xml_node First_child(const pugi::xpath_node_set& nodes, const char* name)
{
    for (const pugi::xpath_node& n : nodes)
        if (pugi::xml_node c = n.node().child(name)) return c;
    return {};
}

} // namespace

Class_Wakeline_result_XML::Class_Wakeline_result_XML() = default;

void Class_Wakeline_result_XML::Initialize_DOM()
{
    doc_.reset();
    pugi::xml_node declaration = doc_.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "utf-8";
    pugi::xml_node race = doc_.append_child("race");
    pugi::xml_node info = race.append_child("raceinfo");
    Append_line_break(info);
    Append_text_element(info, "initiated_at", Now_text());
    Append_line_break(info);
    Append_text_element(info, "lastfile", "false");
    Append_text_element(info, "event", " ");
    Append_line_break(info);
    Append_text_element(info, "racetype", " ");
    Append_text_element(info, "capturehost", " ");
    Append_text_element(info, "backofficehost", " ");
    Append_line_break(info);
    race.append_child("heats");
    race.append_child("results");
}

bool Class_Wakeline_result_XML::Load_Existing_XML(const std::string& path)
{
    std::string problem;
    return Load_xml_file(doc_, path, problem);
}

bool Class_Wakeline_result_XML::Serialize()
{
    std::string problem;
    if (file_name_.empty()) problem = "No file name to save the results to";
    else if (Is_write_protected(file_name_)) problem = "The results file is write-protected: " + file_name_;
    else if (const std::string text = Xml_file_text(doc_, "", problem); problem.empty())
        problem = Replace_file_contents(file_name_, text);
    if (problem.empty()) return true;
    QSM_error_handler("The results could not be saved: " + problem, 75, 0, k_Serialize_location);
    return false;
}

void Class_Wakeline_result_XML::Set_first(const char* element, const std::string& text)
{
    pugi::xml_node e = doc_.select_node((std::string("//") + element).c_str()).node();
    if (!e) throw Run_time_error(err_Object_variable, std::string("The results file has no ") + element);
    Set_text(e, text);
}

void Class_Wakeline_result_XML::Capture_Host(const std::string& text) { Set_first("capturehost", text); }
void Class_Wakeline_result_XML::Backoffice_Host(const std::string& text) { Set_first("backofficehost", text); }
void Class_Wakeline_result_XML::EventName(const std::string& text) { Set_first("event", text); }
void Class_Wakeline_result_XML::RaceType(const std::string& text) { Set_first("racetype", text); }
void Class_Wakeline_result_XML::lastFile(const std::string& text) { Set_first("lastfile", text); }

void Class_Wakeline_result_XML::Create_Heat_node(const std::string& id, const std::string& name,
                                                 const std::string& start_time)
{
    pugi::xpath_variable_set vars;
    vars.set("id", id.c_str());
    if (doc_.select_node(pugi::xpath_query("//heat[@id=$id]", &vars))) return;
    pugi::xml_node heats = doc_.select_node("//heats").node();
    if (!heats) throw Run_time_error(err_Object_variable, "The results file has no heats");
    pugi::xml_node heat = heats.append_child("heat");
    heat.append_attribute("id") = id.c_str();
    heat.append_attribute("name") = name.c_str();
    heat.append_attribute("start_time") = start_time.c_str();
    Append_line_break(heats);
}

pugi::xml_node Class_Wakeline_result_XML::Result(const std::string& id) const
{
    pugi::xpath_variable_set vars;
    vars.set("id", id.c_str());
    return doc_.select_node(pugi::xpath_query("//result[@id=$id]", &vars)).node();
}

void Class_Wakeline_result_XML::Create_Result_Node(const std::string& id)
{
    if (Result(id)) return;
    pugi::xml_node results = doc_.select_node("//results").node();
    if (!results) throw Run_time_error(err_Object_variable, "The results file has no results");
    results.append_child("result").append_attribute("id") = id.c_str();
}

void Class_Wakeline_result_XML::Create_Competitor_Node(const std::string& result_id, const std::string& nbr,
                                                       const std::string& elapsed_time,
                                                       const std::string& delta_time, const std::string& place,
                                                       const std::string& video_file,
                                                       const std::string& video_frame)
{
    pugi::xml_node result = Result(result_id);
    if (!result) throw Run_time_error(err_Object_variable, "No result \"" + result_id + "\" in the results file");
    Append_line_break(result);
    pugi::xml_node c = result.append_child("competitor");
    c.append_attribute("nbr") = nbr.c_str();
    Append_text_element(c, "elapsed_time", elapsed_time);
    const std::pair<const char*, const std::string*> optional[] = {
        {"delta_time", &delta_time}, {"place", &place}, {"video_file", &video_file}, {"video_frame", &video_frame}};
    for (const auto& [name, value] : optional)
        if (!value->empty()) Append_text_element(c, name, *value);
}

void Class_Wakeline_result_XML::Competitor_made(const std::string& result_id, const std::string& nbr,
                                                const std::string& made)
{
    const pugi::xpath_node_set found = Competitors(result_id, nbr);
    if (found.empty()) throw Run_time_error(err_Object_variable, "No competitor \"" + nbr + "\" in the results file");
    pugi::xml_node c = found[found.size() - 1].node();
    c.remove_attribute("made");
    c.append_attribute("made") = made.c_str();
}

void Class_Wakeline_result_XML::Name_last_competitor(const std::string& result_id, const std::string& bib,
                                                     const std::string& name, const std::string& club)
{
    pugi::xml_node c = Result(result_id).last_child();
    if (std::string_view(c.name()) != "competitor") return;
    const std::pair<const char*, const std::string*> parts[] = {{"bib", &bib}, {"name", &name}, {"club", &club}};
    for (const auto& [element, value] : parts)
        if (!value->empty()) Append_text_element(c, element, *value);
}

int16_t Class_Wakeline_result_XML::Count_Competitor_Nodes() const
{
    const size_t n = doc_.select_nodes("//competitor").size();
    return int16_t(std::min<size_t>(n, size_t(std::numeric_limits<int16_t>::max())));
}

pugi::xpath_node_set Class_Wakeline_result_XML::Competitors(const std::string& result_id,
                                                           const std::string& nbr) const
{
    pugi::xpath_variable_set vars;
    vars.set("id", result_id.c_str());
    vars.set("nbr", nbr.c_str());
    return doc_.select_nodes(pugi::xpath_query("//result[@id=$id]/competitor[@nbr=$nbr]", &vars));
}

template <class Int>
void Class_Wakeline_result_XML::Read_competitor(const std::string& result_id, const std::string& nbr,
                                                std::string& video_file, Int& video_frame) const
{
    const pugi::xpath_node_set found = Competitors(result_id, nbr);
    if (found.empty()) {
        video_file.clear();
        video_frame = 0;
        return;
    }
    const pugi::xml_node file = First_child(found, "video_file");
    const pugi::xml_node frame = First_child(found, "video_frame");
    if (!file || !frame)
        throw Run_time_error(err_Object_variable, "Competitor " + nbr + " has no video file or frame");
    video_frame = Frame_number<Int>(frame.text().get());
    video_file = file.text().get();
}

void Class_Wakeline_result_XML::Read_Competitor_node(const std::string& result_id, const std::string& nbr,
                                                     std::string& video_file, int16_t& video_frame) const
{
    Read_competitor(result_id, nbr, video_file, video_frame);
}

void Class_Wakeline_result_XML::Read_Competitor_node(const std::string& result_id, const std::string& nbr,
                                                     std::string& video_file, int32_t& video_frame) const
{
    Read_competitor(result_id, nbr, video_file, video_frame);
}

bool Class_Wakeline_result_XML::Override_Competitor_Node(const std::string& result_id, const std::string& nbr,
                                                         const std::string& elapsed_time, const std::string&,
                                                         const std::string&, const std::string& video_file,
                                                         const std::string& video_frame)
{
    // Every node is found before any is changed: a failure leaves the document as it was.
    const pugi::xpath_node_set found = Competitors(result_id, nbr);
    const pugi::xml_node elapsed = First_child(found, "elapsed_time");
    const pugi::xml_node file = First_child(found, "video_file");
    const pugi::xml_node frame = First_child(found, "video_frame");
    if (!elapsed || !file || !frame) {
        Station_operator().Notice("Override failed!");
        return false;
    }
    Set_text(elapsed, elapsed_time);
    Set_text(file, video_file);
    Set_text(frame, video_frame);
    return Serialize();
}

void Class_Wakeline_result_XML::Set_Comment(const std::string& text)
{
    doc_.append_child(pugi::node_comment).set_value(text.c_str());
}

} // namespace wk
