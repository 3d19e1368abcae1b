#include "results/Xml_file_text.h"

#include "platform/Text_codec.h"
#include "services/Module_utilities.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

namespace wk {
namespace {

using platform::Byte_charset;

// Line breaks between the elements are part of the file and stay as they are, CR LF included.
constexpr unsigned k_Parse_options =
    (pugi::parse_default | pugi::parse_declaration | pugi::parse_comments | pugi::parse_ws_pcdata) & ~pugi::parse_eol;
constexpr std::string_view k_Utf8_bom = "\xEF\xBB\xBF";

// The encoding the document's declaration names; "" without one.
std::string Declared_encoding(const pugi::xml_document& doc)
{
    const pugi::xml_node first = doc.first_child();
    return first.type() == pugi::node_declaration ? first.attribute("encoding").value() : "";
}

// The same from a file's bytes, before they can be read as text: the declaration they open with
// (a line break or blanks before it allowed, as the parser allows them).
std::string Declared_encoding(std::string_view bytes)
{
    const size_t start = bytes.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || bytes.substr(start, 5) != "<?xml") return "";
    const size_t end = bytes.find("?>", start);
    if (end == std::string_view::npos) return "";
    std::string head(bytes.substr(start, end + 2 - start));
    head += "<r/>";
    pugi::xml_document doc;
    // Read as the whole file is read: a reference in the name is the character it stands for.
    doc.load_buffer(head.data(), head.size(), k_Parse_options, pugi::encoding_latin1);
    return Declared_encoding(doc);
}

// The one-byte set an encoding name stands for; nullopt for UTF-8, also when none is named.
std::optional<Byte_charset> Charset_named(const std::string& name)
{
    const std::string n = Lower_ascii(name);
    if (n.empty() || n == "utf-8" || n == "utf8") return std::nullopt;
    if (n == "iso-8859-1" || n == "latin1" || n == "windows-1252") return Byte_charset::windows_1252;
    if (n == "iso-8859-15" || n == "latin-9" || n == "latin9") return Byte_charset::iso_8859_15;
    return Byte_charset::ascii;
}

// Escaped as the XML library escapes it, so that UTF-8 files keep the bytes they always had.
std::string Escaped(std::string_view s, bool attribute)
{
    std::string out;
    out.reserve(s.size());
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '&') out += "&amp;";
        else if (ch == '<') out += "&lt;";
        else if (ch == '>' && !attribute) out += "&gt;";
        else if (ch == '"' && attribute) out += "&quot;";
        else if (c < 32 && (attribute || (ch != '\t' && ch != '\r' && ch != '\n'))) {
            char reference[8];
            std::snprintf(reference, sizeof reference, "&#%02u;", unsigned(c));
            out += reference;
        } else {
            out += ch;
        }
    }
    return out;
}

// Writes a tree without recursion, so that no nesting depth read from a file can exhaust the stack.
class Writer {
public:
    Writer(std::optional<Byte_charset> set, std::string encoding) : set_(set), encoding_(std::move(encoding)) {}

    void Tree(pugi::xml_node top)
    {
        for (pugi::xml_node n = top;;) {
            if (Open(n)) {
                n = n.first_child();
                continue;
            }
            while (n != top && !n.next_sibling()) {
                n = n.parent();
                Close(n);
            }
            if (n == top) return;
            n = n.next_sibling();
        }
    }

    std::string out, problem;

private:
    // Writes the node, or the start of an element with children (true: they follow).
    bool Open(pugi::xml_node n)
    {
        switch (n.type()) {
        case pugi::node_element:
            out += '<';
            Markup(n.name(), "name");
            Attributes(n);
            out += n.first_child() ? ">" : "/>";
            return bool(n.first_child());
        case pugi::node_pcdata:
            Value(n.value(), false);
            return false;
        case pugi::node_cdata:
            out += "<![CDATA[";
            Markup(n.value(), "CDATA section");
            out += "]]>";
            return false;
        case pugi::node_comment:
            out += "<!--";
            Markup(n.value(), "comment");
            out += "-->";
            return false;
        case pugi::node_declaration:
            out += "<?";
            Markup(n.name(), "name");
            Attributes(n);
            out += "?>";
            return false;
        default: // never read nor made: the parse keeps no other kind
            problem = "the document holds a node of a kind these files do not have";
            return false;
        }
    }

    void Close(pugi::xml_node element)
    {
        out += "</";
        Markup(element.name(), "name");
        out += '>';
    }

    void Attributes(pugi::xml_node n)
    {
        for (pugi::xml_attribute a : n.attributes()) {
            out += ' ';
            Markup(a.name(), "name");
            out += "=\"";
            Value(a.value(), true);
            out += '"';
        }
    }

    void Markup(std::string_view s, const char* what)
    {
        if (!set_) {
            out += s;
            return;
        }
        if (const auto bytes = platform::Utf8_to_byte_charset_xml(s, *set_, true)) out += *bytes;
        else if (problem.empty())
            problem = std::string("the ") + what + " \"" + std::string(s) + "\" has a character that " +
                      (encoding_.empty() ? "UTF-8" : encoding_) + " cannot hold there";
    }

    void Value(std::string_view s, bool attribute)
    {
        const std::string escaped = Escaped(s, attribute);
        if (!set_) {
            out += escaped;
            return;
        }
        if (const auto bytes = platform::Utf8_to_byte_charset_xml(escaped, *set_, false)) out += *bytes;
        else if (problem.empty())
            problem = "the text \"" + std::string(s) + "\" holds what is not a Unicode character";
    }

    std::optional<Byte_charset> set_;
    std::string encoding_;
};

} // namespace

bool Load_xml_text(pugi::xml_document& doc, std::string_view bytes, std::string& problem)
{
    problem.clear();
    if (bytes.substr(0, k_Utf8_bom.size()) == k_Utf8_bom) bytes.remove_prefix(k_Utf8_bom.size());
    const std::string encoding = Declared_encoding(bytes);
    const std::optional<Byte_charset> set = Charset_named(encoding);
    const std::optional<std::string> text = set ? platform::Byte_charset_to_utf8(bytes, *set) : std::string(bytes);
    pugi::xml_parse_result parsed;
    if (!text) problem = "it is in the encoding \"" + encoding + "\", which this program does not read";
    else if (!(parsed = doc.load_buffer(text->data(), text->size(), k_Parse_options, pugi::encoding_utf8)))
        problem = std::string(parsed.description()) + " at offset " + std::to_string(parsed.offset);
    else if (Declared_encoding(doc) != encoding)
        problem = "its XML declaration is not at its start";
    else
        Xml_file_text(doc, "", problem); // what is read must be writable as it was read
    if (problem.empty()) return true;
    doc.reset();
    return false;
}

bool Load_xml_file(pugi::xml_document& doc, const std::string& path, std::string& problem)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    if (in) all << in.rdbuf();
    if (in && !in.bad()) return Load_xml_text(doc, all.str(), problem);
    doc.reset();
    problem = "cannot read " + path;
    return false;
}

void Set_text(pugi::xml_node element, const std::string& text)
{
    while (pugi::xml_node child = element.first_child()) element.remove_child(child);
    element.append_child(pugi::node_pcdata).set_value(text.c_str());
}

std::string Xml_file_text(const pugi::xml_document& doc, std::string_view separator, std::string& problem)
{
    const std::string encoding = Declared_encoding(doc);
    Writer w(Charset_named(encoding), encoding);
    for (pugi::xml_node n : doc.children()) {
        w.Tree(n);
        w.out += separator;
    }
    problem = w.problem;
    return problem.empty() ? w.out : "";
}

} // namespace wk
