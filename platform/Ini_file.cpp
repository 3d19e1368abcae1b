#include "platform/Ini_file.h"

#include "platform/Byte_file.h"
#include "platform/Text_codec.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace wk::platform {
namespace {

std::string_view Trim(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

bool Same_text(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : char(c); };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

// Splits into lines without their CR LF or LF.
std::vector<std::string> Read_lines(const std::string& path, bool& exists)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    if (!in) return lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    // A file that opened but could not be read (a folder, a failing disk) counts as unreadable.
    if (in.bad()) exists = false;
    return lines;
}

bool Is_section_line(std::string_view t, std::string_view& name)
{
    if (t.size() < 2 || t.front() != '[') return false;
    const auto close = t.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

bool Is_key_line(std::string_view t, std::string_view& key, std::string_view& value)
{
    if (t.empty() || t.front() == ';') return false;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    return true;
}

} // namespace

std::string Get_profile_string(std::string_view section, std::string_view key, std::string_view default_value,
                               const std::string& path, size_t buffer_size)
{
    const std::string a_section = Utf8_to_ansi(section);
    const std::string a_key = Utf8_to_ansi(key);
    std::string result(Utf8_to_ansi(default_value));
    bool exists = false;
    const auto lines = Read_lines(path, exists);
    bool in_section = false;
    for (const auto& line : lines) {
        const std::string_view t = Trim(line);
        std::string_view name, k, v;
        if (Is_section_line(t, name)) {
            if (in_section) break; // first matching section wins
            in_section = Same_text(name, a_section);
            continue;
        }
        if (in_section && Is_key_line(t, k, v) && Same_text(k, a_key)) {
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            result.assign(v);
            break;
        }
    }
    if (buffer_size == 0) return {};
    if (result.size() > buffer_size - 1) result.resize(buffer_size - 1);
    return Ansi_to_utf8(result);
}

int Write_profile_string(std::string_view section, std::string_view key, std::string_view value,
                         const std::string& path, int& error)
{
    error = 0;
    auto bad = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    // A key is read back trimmed, and a line starting with ";" is a comment: such keys would
    // not read back, so they are not written.
    const std::string_view trimmed_key = Trim(key);
    if (bad(value) || bad(section) || bad(key) || key.find_first_of("=[]") != std::string_view::npos ||
        section.find(']') != std::string_view::npos || trimmed_key.empty() || trimmed_key != key ||
        trimmed_key.front() == ';' || Trim(section).empty()) {
        error = EINVAL;
        return 0;
    }
    const std::string a_section = Utf8_to_ansi(section);
    const std::string a_key = Utf8_to_ansi(key);
    const std::string a_value = Utf8_to_ansi(value);
    bool exists = false;
    auto lines = Read_lines(path, exists);
    // A file that is there but cannot be read is never replaced by one holding only this key.
    std::error_code ec;
    if (!exists && std::filesystem::exists(path, ec)) {
        error = EACCES;
        return 0;
    }

    // Find the first matching section and, inside it, the first matching key.
    long section_at = -1, key_at = -1, last_in_section = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view t = Trim(lines[i]);
        std::string_view name, k, v;
        if (Is_section_line(t, name)) {
            if (section_at >= 0) break;
            if (Same_text(name, a_section)) { section_at = long(i); last_in_section = long(i); }
            continue;
        }
        if (section_at < 0) continue;
        if (!t.empty()) last_in_section = long(i);
        if (key_at < 0 && Is_key_line(t, k, v) && Same_text(k, a_key)) key_at = long(i);
    }
    const std::string new_line = a_key + "=" + a_value;
    if (key_at >= 0) {
        lines[size_t(key_at)] = new_line;
    } else if (section_at >= 0) {
        lines.insert(lines.begin() + last_in_section + 1, new_line);
    } else {
        lines.push_back("[" + a_section + "]");
        lines.push_back(new_line);
    }

    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    error = Replace_whole_file(path, text.data(), text.size());
    return error ? 0 : 1;
}

} // namespace wk::platform
