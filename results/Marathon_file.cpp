#include "results/Marathon_file.h"

#include "results/Xml_file_text.h"
#include "services/Module_utilities.h"
#include "results/Marathon_times.h"

#include <cctype>
#include <cstdio>

namespace wk {
namespace {

constexpr const char* k_LB = "\r\n";
constexpr const char* k_Root = "Wakeline_marathon_file";
constexpr const char* k_Heat_elements[] = {"heat_num", "heat_name", "heat_time", "heat_running", "heat_start"};

void Line_break(pugi::xml_node parent) { parent.append_child(pugi::node_pcdata).set_value(k_LB); }

bool Is_digits(const std::string& s, size_t from, size_t to)
{
    if (to <= from || to - from > 2) return false;
    for (size_t i = from; i < to; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

void Marathon_file::Create(const std::string& created)
{
    doc_.reset();
    pugi::xml_node declaration = doc_.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "iso-8859-1";
    pugi::xml_node root = doc_.append_child(k_Root);
    root.append_child(pugi::node_comment)
        .set_value(("XML file containing Wakeline marathon file, created at: " + created).c_str());
    Line_break(root);
    for (const char* name : {"event_name", "event_date", "event_day"}) {
        root.append_child(name);
        Line_break(root);
    }
    for (int id = 1; id <= k_Heats; ++id) {
        pugi::xml_node heat = root.append_child("heat");
        heat.append_attribute("id") = id;
        for (const char* name : k_Heat_elements) {
            pugi::xml_node e = heat.append_child(name);
            if (std::string(name) == "heat_running") e.text().set("t");
            Line_break(heat);
        }
    }
}

bool Marathon_file::Load(const std::string& path, std::string* problem)
{
    std::string why;
    if (Load_xml_file(doc_, path, why)) return Root_is_marathon(problem);
    if (problem) *problem = why;
    return false;
}

bool Marathon_file::Load_text(const std::string& bytes, std::string* problem)
{
    std::string why;
    if (Load_xml_text(doc_, bytes, why)) return Root_is_marathon(problem);
    if (problem) *problem = why;
    return false;
}

bool Marathon_file::Root_is_marathon(std::string* problem)
{
    if (std::string(doc_.document_element().name()) == k_Root) return true;
    doc_.reset();
    if (problem) *problem = std::string("the root is not ") + k_Root;
    return false;
}

std::string Marathon_file::Xml_text(std::string* problem) const
{
    std::string why;
    std::string text = Xml_file_text(doc_, k_LB, why);
    if (problem) *problem = why;
    return text;
}

bool Marathon_file::Save(const std::string& path, std::string& problem) const
{
    const std::string text = Xml_text(&problem);
    if (!problem.empty() || text.size() < 10) return false;
    problem = Replace_file_contents(path, text);
    return problem.empty();
}

pugi::xml_node Marathon_file::Heat_node(int id, const char* element) const
{
    const std::string query = "//heat[@id='" + std::to_string(id) + "']/" + element;
    return doc_.select_node(query.c_str()).node();
}

std::optional<std::string> Marathon_file::Heat_field(int id, const char* element) const
{
    const pugi::xml_node e = Heat_node(id, element);
    if (!e) return std::nullopt;
    return std::string(e.text().get());
}

bool Marathon_file::Heat_field(int id, const char* element, const std::string& value)
{
    pugi::xml_node e = Heat_node(id, element);
    if (e) Set_text(e, value);
    return bool(e);
}

std::string Marathon_file::Event_name() const { return doc_.select_node("//event_name").node().text().get(); }

bool Marathon_file::Event_name(const std::string& value)
{
    pugi::xml_node e = doc_.select_node("//event_name").node();
    if (e) Set_text(e, value);
    return bool(e);
}

// ---- The clock's rule ----

std::optional<int32_t> Seconds_of_day(const std::string& text)
{
    const std::string t = Trim(text);
    const size_t c1 = t.find(':');
    const size_t c2 = c1 == std::string::npos ? std::string::npos : t.find(':', c1 + 1);
    if (c2 == std::string::npos || !Is_digits(t, 0, c1) || !Is_digits(t, c1 + 1, c2) ||
        !Is_digits(t, c2 + 1, t.size()))
        return std::nullopt;
    const int h = std::stoi(t.substr(0, c1));
    const int m = std::stoi(t.substr(c1 + 1, c2 - c1 - 1));
    const int s = std::stoi(t.substr(c2 + 1));
    if (h > 23 || m > 59 || s > 59) return std::nullopt;
    return h * 3600 + m * 60 + s;
}

Heat_elapsed Elapsed_of(const std::string& start, bool running, int32_t now_seconds)
{
    if (!running || Trim(start).empty()) return {};
    const std::optional<int32_t> from = Seconds_of_day(start);
    if (!from) return {"--:--:--", Elapsed_look::none};
    int32_t s = int32_t(Time_of_day_difference_ms(int64_t(*from) * 1000, int64_t(now_seconds) * 1000) / 1000);
    const bool before = s < 0;
    if (before) s = -s;
    return {(before ? "-" : "") + Time_of_day_text(s / 3600, (s / 60) % 60, s % 60),
            before ? Elapsed_look::not_started : Elapsed_look::running};
}

std::string Time_of_day_text(int hour, int minute, int second)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
    return text;
}

} // namespace wk
