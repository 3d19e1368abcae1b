// The start list read from the office's CSV: quoted fields, ";" or "," between them, a header
// line or none. Every line is checked before any is taken.
#include "results/Start_list.h"

#include "platform/Folders.h"
#include "services/Module_utilities.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>

namespace wk {
namespace {

constexpr const char* k_Header = "heat;lane;bib;name;club";
constexpr size_t k_Fields = 5;

std::string Folded(std::string_view text)
{
    std::string s = Trim_blanks(text);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

struct Line {
    int number = 0;
    std::string_view text;
};

std::vector<Line> Split_lines(std::string_view bytes)
{
    std::vector<Line> lines;
    int number = 0;
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        std::string_view text = bytes.substr(0, end);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        lines.push_back({++number, text});
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    }
    return lines;
}

// The fields of one line; a problem text when its quotes do not close.
std::optional<std::string> Split_fields(std::string_view text, char separator, std::vector<std::string>& fields)
{
    fields.assign(1, {});
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"' && (quoted || Trim_blanks(fields.back()).empty())) {
            if (!quoted) fields.back().clear();
            quoted = !quoted;
        } else if (c == separator && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted) return "a quoted field is not closed";
    for (std::string& f : fields) f = Trim_blanks(f);
    // Spreadsheets add empty columns at the end.
    while (fields.size() > k_Fields && fields.back().empty()) fields.pop_back();
    return std::nullopt;
}

std::optional<int16_t> Lane_number(const std::string& text)
{
    if (text.empty() || text.size() > 2 || !std::all_of(text.begin(), text.end(), ::isdigit)) return std::nullopt;
    const int lane = std::stoi(text);
    return lane < 16 ? std::optional<int16_t>(int16_t(lane)) : std::nullopt;
}

std::optional<std::string> Field_problem(const std::vector<std::string>& f)
{
    if (f.size() != k_Fields)
        return std::to_string(f.size()) + " fields where 5 are expected (heat; lane; bib; name; club)";
    for (const std::string& field : f) {
        if (field.size() > Start_list::k_Max_field) return "a field is longer than 200 characters";
        if (std::any_of(field.begin(), field.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }))
            return "a field holds a control character";
    }
    if (f[0].empty()) return "no heat";
    if (!Lane_number(f[1])) return "the lane \"" + f[1] + "\" is not a lane number from 0 to 15";
    if (f[2].empty() && f[3].empty()) return "neither a bib nor a name";
    return std::nullopt;
}

bool Valid_utf8(std::string_view text)
{
    const QString decoded = QString::fromUtf8(text.data(), qsizetype(text.size()));
    return decoded.toUtf8() == QByteArray(text.data(), qsizetype(text.size()));
}

// A header names its columns: its lane field is no number.
bool Is_header(const std::vector<std::string>& fields) { return fields.size() >= 2 && !Lane_number(fields[1]); }

std::string Csv_field(const std::string& text) { return Csv_quoted(text, ';'); }

} // namespace

std::string Start_list_problem::Message() const
{
    return line > 0 ? "Line " + std::to_string(line) + ": " + text : text;
}

const Start_entry* Start_list::Entry(const std::string& heat, int16_t lane) const
{
    const std::string wanted = Folded(heat);
    for (const Start_entry& e : entries_)
        if (e.lane == lane && Folded(e.heat) == wanted) return &e;
    return nullptr;
}

std::string Start_list::Csv_text() const
{
    std::string text = std::string(k_Header) + "\r\n";
    for (const Start_entry& e : entries_)
        text += Csv_field(e.heat) + ";" + std::to_string(e.lane) + ";" + Csv_field(e.bib) + ";" + Csv_field(e.name) +
                ";" + Csv_field(e.club) + "\r\n";
    return text;
}

Start_list::Read Start_list::Parse(std::string_view bytes)
{
    Read read;
    const auto fail = [&read](int line, std::string text) {
        read.list.entries_.clear();
        read.problem = Start_list_problem{line, std::move(text)};
        return read;
    };
    if (bytes.size() > k_Max_bytes) return fail(0, "the file is larger than 4 MB");
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::map<std::pair<std::string, int16_t>, int> lanes_taken;
    std::map<std::pair<std::string, std::string>, int> bibs_taken;
    char separator = 0;
    std::vector<std::string> f;
    for (const Line& line : Split_lines(bytes)) {
        if (Trim_blanks(line.text).empty()) continue;
        if (!Valid_utf8(line.text)) return fail(line.number, "the text is not UTF-8");
        const bool first = separator == 0;
        if (first) separator = line.text.find(';') != std::string_view::npos ? ';' : ',';
        if (auto problem = Split_fields(line.text, separator, f)) return fail(line.number, *problem);
        if (first && Is_header(f)) continue;
        if (auto problem = Field_problem(f)) return fail(line.number, *problem);
        Start_entry e{f[0], *Lane_number(f[1]), f[2], f[3], f[4], line.number};
        const auto [lane_at, lane_new] = lanes_taken.emplace(std::pair(Folded(e.heat), e.lane), line.number);
        if (!lane_new)
            return fail(line.number, "heat " + e.heat + " lane " + f[1] + " is already on line " +
                                         std::to_string(lane_at->second));
        if (!e.bib.empty()) {
            const auto [bib_at, bib_new] = bibs_taken.emplace(std::pair(Folded(e.heat), e.bib), line.number);
            if (!bib_new)
                return fail(line.number, "bib " + e.bib + " is already in heat " + e.heat + " on line " +
                                             std::to_string(bib_at->second));
        }
        read.list.entries_.push_back(std::move(e));
    }
    if (read.list.entries_.empty()) return fail(0, "the file holds no start list lines");
    return read;
}

std::string Crew_label(const std::string& bib, const std::string& name)
{
    return bib.empty() ? name : name.empty() ? bib : bib + " " + name;
}

std::string Start_entry_label(const Start_entry* e) { return e ? Crew_label(e->bib, e->name) : ""; }

std::string Clean_id(const std::string& text)
{
    std::string id = text;
    for (char& c : id) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || (!std::isalnum(u) && c != '-')) c = '_';
    }
    return id;
}

std::string Start_list_path(const std::string& event)
{
    return (platform::Data_folder() / ("Startlist_" + Clean_id(event) + ".csv")).string();
}

namespace {

// The file's bytes, up to one past the limit; nullopt when it cannot be read.
std::optional<std::string> Read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes(Start_list::k_Max_bytes + 1, '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    if (in.bad()) return std::nullopt;
    bytes.resize(size_t(in.gcount()));
    return bytes;
}

} // namespace

Start_list::Read Load_start_list(const std::string& event)
{
    const std::string path = Start_list_path(event);
    if (!FileExists(path)) return {};
    const std::optional<std::string> bytes = Read_bytes(path);
    if (!bytes) return {{}, Start_list_problem{0, "the start list " + path + " cannot be read"}};
    Start_list::Read read = Start_list::Parse(*bytes);
    if (read.problem) read.problem->text = "the start list " + path + ": " + read.problem->Message();
    if (read.problem) read.problem->line = 0;
    return read;
}

std::string Save_start_list(const std::string& event, const Start_list& list)
{
    std::error_code ec;
    std::filesystem::create_directories(platform::Data_folder(), ec);
    return Replace_file_contents(Start_list_path(event), list.Csv_text());
}

std::optional<Start_list_problem> Import_start_list(const std::string& file, const std::string& event)
{
    const std::optional<std::string> bytes = Read_bytes(file);
    if (!bytes) return Start_list_problem{0, "the file " + file + " cannot be read"};
    Start_list::Read read = Start_list::Parse(*bytes);
    if (read.problem) return read.problem;
    if (const std::string problem = Save_start_list(event, read.list); !problem.empty())
        return Start_list_problem{0, "the start list could not be kept: " + problem};
    return std::nullopt;
}

} // namespace wk
