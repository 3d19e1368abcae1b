#include "results/Marathon_file.h"

#include "platform/Text_codec.h"
#include "services/Module_utilities.h"
#include "viewer/Marathon_times.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace wk {
namespace {

constexpr const char* k_LB = "\r\n";
constexpr const char* k_Root = "Wakeline_marathon_file";
constexpr const char* k_Heat_elements[] = {"heat_num", "heat_name", "heat_time", "heat_running", "heat_start"};

// Line breaks between the elements are part of the file and stay as they are, CR LF included.
constexpr unsigned k_Parse_options =
    (pugi::parse_default | pugi::parse_declaration | pugi::parse_comments | pugi::parse_ws_pcdata) & ~pugi::parse_eol;

void Line_break(pugi::xml_node parent) { parent.append_child(pugi::node_pcdata).set_value(k_LB); }

struct String_writer final : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

// The encoding the file's declaration names, in lower case; "" without one.
std::string Declared_encoding(const std::string& bytes)
{
    const size_t end = bytes.find("?>");
    if (bytes.rfind("<?xml", 0) != 0 || end == std::string::npos) return "";
    const size_t at = bytes.find("encoding", 0);
    if (at == std::string::npos || at > end) return "";
    const size_t open = bytes.find_first_of("\"'", at);
    if (open == std::string::npos || open > end) return "";
    const size_t close = bytes.find(bytes[open], open + 1);
    if (close == std::string::npos || close > end) return "";
    return Lower_ascii(bytes.substr(open + 1, close - open - 1));
}

// The file as UTF-8. One-byte files are read as Windows-1252, which agrees with ISO-8859-1 on
// every character but the C1 controls, which no one types.
std::string As_utf8(const std::string& bytes)
{
    const std::string encoding = Declared_encoding(bytes);
    if (encoding == "iso-8859-1" || encoding == "latin1" || encoding == "windows-1252")
        return platform::Ansi_to_utf8(bytes);
    return bytes;
}

bool Read_file(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    bytes = all.str();
    return !in.bad();
}

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
    std::string bytes;
    if (!Read_file(path, bytes)) {
        doc_.reset();
        if (problem) *problem = "cannot read " + path;
        return false;
    }
    return Load_text(bytes, problem);
}

bool Marathon_file::Load_text(const std::string& bytes, std::string* problem)
{
    const std::string utf8 = As_utf8(bytes);
    const pugi::xml_parse_result r = doc_.load_buffer(utf8.data(), utf8.size(), k_Parse_options, pugi::encoding_utf8);
    std::string why;
    if (!r) why = std::string(r.description()) + " at offset " + std::to_string(r.offset);
    else if (std::string(doc_.document_element().name()) != k_Root) why = std::string("the root is not ") + k_Root;
    if (why.empty()) {
        Declare_latin1();
        return true;
    }
    doc_.reset();
    if (problem) *problem = why;
    return false;
}

// The file is always written in ISO-8859-1, whatever the one read said it was.
void Marathon_file::Declare_latin1()
{
    pugi::xml_node declaration = doc_.first_child();
    if (declaration.type() != pugi::node_declaration) {
        declaration = doc_.prepend_child(pugi::node_declaration);
        declaration.append_attribute("version") = "1.0";
    }
    pugi::xml_attribute encoding = declaration.attribute("encoding");
    if (!encoding) encoding = declaration.append_attribute("encoding");
    encoding.set_value("iso-8859-1");
}

std::string Marathon_file::Xml_text() const
{
    String_writer w;
    for (pugi::xml_node child : doc_.children()) {
        child.print(w, "", pugi::format_raw, pugi::encoding_utf8);
        w.out += k_LB;
    }
    return platform::Utf8_to_latin1_xml(w.out);
}

bool Marathon_file::Save(const std::string& path, std::string& problem) const
{
    problem.clear();
    const std::string text = Xml_text();
    if (text.size() < 10) return false;
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
    return e && e.text().set(value.c_str());
}

std::string Marathon_file::Event_name() const { return doc_.select_node("//event_name").node().text().get(); }

bool Marathon_file::Event_name(const std::string& value)
{
    pugi::xml_node e = doc_.select_node("//event_name").node();
    return e && e.text().set(value.c_str());
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
