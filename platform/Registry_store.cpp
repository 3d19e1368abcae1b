#include "platform/Registry_store.h"

#include "platform/Folders.h"
#include "platform/Text_codec.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <unordered_map>
#include <unistd.h>

namespace wk::platform {
namespace {

std::string Lower(std::string s)
{
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return s;
}

constexpr size_t k_Root_digits = 8;

// After the root, each part of a key name behind its own "\": none of them empty.
bool Parts_sound(std::string_view parts)
{
    return parts.size() >= 2 && parts.front() == '\\' && parts.back() != '\\' && parts.find("\\\\") == parts.npos;
}

// "80000002\Software\X": the root by number, then the key's parts. nullopt for a name with an
// empty part, which would stand for another key (or for no key at all, and a tree delete would
// find its key below itself again), and for a line break, which the file cannot hold.
std::optional<std::string> Key_path(uint32_t root, const std::string& key)
{
    char head[16];
    std::snprintf(head, sizeof head, "%08X", root);
    std::string path = head;
    if (key.empty()) return path;
    if (key.find('\n') != std::string::npos) return std::nullopt;
    path += '\\';
    for (char c : key) path += c == '/' ? '\\' : c;
    if (!Parts_sound(std::string_view(path).substr(k_Root_digits))) return std::nullopt;
    return path;
}

bool Is_root(const std::string& path) { return path.size() == k_Root_digits; }

// A "/" in a stored part could never be asked for: callers' "/" parts names as "\" does.
bool Sound_stored_path(const std::string& path)
{
    return path.size() > k_Root_digits && path.find('/') == std::string::npos &&
           std::all_of(path.begin(), path.begin() + k_Root_digits, [](unsigned char c) { return std::isxdigit(c); }) &&
           Parts_sound(std::string_view(path).substr(k_Root_digits));
}

bool Same(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::string Hex(const std::vector<uint8_t>& d)
{
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (uint8_t b : d) { s += digits[b >> 4]; s += digits[b & 15]; }
    return s;
}

bool Unhex(const std::string& s, std::vector<uint8_t>& out)
{
    if (s.size() % 2) return false;
    auto val = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    out.clear();
    for (size_t i = 0; i < s.size(); i += 2) {
        const int a = val(s[i]), b = val(s[i + 1]);
        if (a < 0 || b < 0) return false;
        out.push_back(uint8_t(a * 16 + b));
    }
    return true;
}

} // namespace

std::string Registry_store::Default_path()
{
    if (const char* p = std::getenv("WAKELINE_REGISTRY"); p && *p) return p;
    std::error_code ec;
    auto folder = App_data_folder(ec);
    // The registry lives with the settings, also in their fallback folder. With neither, the
    // folder that failed is named: nothing can be read or kept there, but nothing is taken from
    // a folder another user could have made.
    std::string problem;
    if (ec) folder = Fallback_app_data_folder(problem);
    if (folder.empty()) folder = Xdg_data_home() / "Wakeline";
    return (folder / "registry.txt").string();
}

Registry_store::Registry_store(std::string path) : path_(std::move(path)) {}

Registry_store::Key_entry* Registry_store::Contents::Find(const std::string& path)
{
    auto it = std::find_if(keys.begin(), keys.end(), [&](const Key_entry& k) { return Same(k.path, path); });
    return it == keys.end() ? nullptr : &*it;
}

Registry_store::Key_entry& Registry_store::Contents::Ensure(const std::string& path)
{
    for (size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
        if (!Find(path.substr(0, at)) && at > k_Root_digits) keys.push_back({path.substr(0, at), {}});
    if (!Find(path)) keys.push_back({path, {}});
    return *Find(path);
}

namespace {

// One "V" line's value; nullopt when the line is not one.
std::optional<std::pair<std::string, Reg_value>> Parse_value(const std::string& line)
{
    const size_t a = line.find(' ', 2), b = a == std::string::npos ? a : line.find(' ', a + 1);
    if (b == std::string::npos) return std::nullopt;
    const std::string type = line.substr(2, a - 2);
    if (type.empty() || type.size() > 10 || !std::all_of(type.begin(), type.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    const unsigned long long number = std::stoull(type);
    if (number > UINT32_MAX) return std::nullopt;
    std::vector<uint8_t> name;
    Reg_value value{uint32_t(number), {}};
    if (!Unhex(line.substr(a + 1, b - a - 1), name) || !Unhex(line.substr(b + 1), value.data)) return std::nullopt;
    return std::pair{std::string(name.begin(), name.end()), std::move(value)};
}

} // namespace

// File format, one record a line: "K <key path>" starts a key; "V <type> <hex name> <hex data>"
// adds a value to it. Names are hex so that any character survives. Records of one key met
// twice make one key; whatever is no sound record is kept aside, as it stands.
Registry_store::Contents Registry_store::Load() const
{
    Contents c;
    std::unordered_map<std::string, size_t> index; // lower-case path -> key
    std::optional<size_t> current; // the key the value lines belong to
    std::ifstream in(path_, std::ios::binary);
    std::string line;
    for (int64_t number = 1; std::getline(in, line); ++number) {
        bool sound = false;
        if (line.rfind("K ", 0) == 0) {
            current.reset();
            if (std::string path = line.substr(2); Sound_stored_path(path)) {
                auto [at, added] = index.try_emplace(Lower(path), c.keys.size());
                if (added) c.keys.push_back({std::move(path), {}});
                current = at->second;
                sound = true;
            }
        } else if (line.rfind("V ", 0) == 0 && current) {
            auto& values = c.keys[*current].values;
            auto value = Parse_value(line);
            const bool repeated = value && std::any_of(values.begin(), values.end(), [&](const Value_entry& v) {
                return Same(v.name, value->first);
            });
            if (value && !repeated) {
                values.push_back({std::move(value->first), std::move(value->second)});
                sound = true;
            }
        }
        if (!sound) {
            c.damaged.push_back(line);
            c.damaged_at.push_back(number);
        }
    }
    return c;
}

// The damaged lines go first: before any key, none of them can become part of one.
int32_t Registry_store::Save(const Contents& c) const
{
    const std::string tmp = path_ + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return REG_ACCESS_DENIED;
        for (const auto& line : c.damaged) out << line << "\n";
        for (const auto& k : c.keys) {
            out << "K " << k.path << "\n";
            for (const auto& v : k.values)
                out << "V " << v.value.type << " " << Hex({v.name.begin(), v.name.end()}) << " " << Hex(v.value.data)
                    << "\n";
        }
        out.flush();
        if (!out) { std::remove(tmp.c_str()); return REG_ACCESS_DENIED; }
    }
    if (std::rename(tmp.c_str(), path_.c_str()) != 0) { std::remove(tmp.c_str()); return REG_ACCESS_DENIED; }
    return REG_OK;
}

int32_t Registry_store::Open_key(uint32_t root, const std::string& key) const
{
    const auto p = Key_path(root, key);
    if (!p) return REG_BAD_PATHNAME;
    if (Is_root(*p)) return REG_OK;
    return Load().Find(*p) ? REG_OK : REG_NOT_FOUND;
}

int32_t Registry_store::Create_key(uint32_t root, const std::string& key)
{
    const auto p = Key_path(root, key);
    if (!p) return REG_BAD_PATHNAME;
    if (Is_root(*p)) return REG_OK;
    auto c = Load();
    if (c.Find(*p)) return REG_OK;
    c.Ensure(*p);
    return Save(c);
}

int32_t Registry_store::Delete_key(uint32_t root, const std::string& key)
{
    const auto p = Key_path(root, key);
    if (!p) return REG_BAD_PATHNAME;
    if (Is_root(*p)) return REG_ACCESS_DENIED;
    auto c = Load();
    const std::string prefix = Lower(*p) + "\\";
    auto it = std::find_if(c.keys.begin(), c.keys.end(), [&](const Key_entry& k) { return Same(k.path, *p); });
    if (it == c.keys.end()) return REG_NOT_FOUND;
    if (std::any_of(c.keys.begin(), c.keys.end(), [&](const Key_entry& k) { return Lower(k.path).rfind(prefix, 0) == 0; }))
        return REG_KEY_HAS_SUBKEYS;
    c.keys.erase(it);
    return Save(c);
}

int32_t Registry_store::Delete_tree(uint32_t root, const std::string& key)
{
    const auto p = Key_path(root, key);
    if (!p) return REG_BAD_PATHNAME;
    if (Is_root(*p)) return REG_ACCESS_DENIED;
    auto c = Load();
    const std::string lower = Lower(*p), prefix = lower + "\\";
    const auto gone = std::erase_if(c.keys, [&](const Key_entry& k) {
        const std::string l = Lower(k.path);
        return l == lower || l.rfind(prefix, 0) == 0;
    });
    return gone == 0 ? REG_NOT_FOUND : Save(c);
}

int32_t Registry_store::Get_value(uint32_t root, const std::string& key, const std::string& name, Reg_value& out) const
{
    const auto p = Key_path(root, key);
    if (!p) return REG_BAD_PATHNAME;
    auto c = Load();
    const Key_entry* k = c.Find(*p);
    if (!k) return REG_NOT_FOUND;
    for (const auto& v : k->values)
        if (Same(v.name, name)) { out = v.value; return REG_OK; }
    return REG_NOT_FOUND;
}

int32_t Registry_store::Set_value(uint32_t root, const std::string& key, const std::string& name, const Reg_value& value)
{
    const auto p = Key_path(root, key);
    if (!p) return REG_BAD_PATHNAME;
    // The roots hold no values of their own here.
    if (Is_root(*p)) return REG_NOT_FOUND;
    auto c = Load();
    Key_entry& k = c.Ensure(*p);
    auto it = std::find_if(k.values.begin(), k.values.end(), [&](const Value_entry& v) { return Same(v.name, name); });
    if (it != k.values.end()) it->value = value;
    else k.values.push_back({name, value});
    return Save(c);
}

int32_t Registry_store::Delete_value(uint32_t root, const std::string& key, const std::string& name)
{
    const auto p = Key_path(root, key);
    if (!p) return REG_BAD_PATHNAME;
    auto c = Load();
    Key_entry* k = c.Find(*p);
    if (!k) return REG_NOT_FOUND;
    auto it = std::find_if(k->values.begin(), k->values.end(), [&](const Value_entry& v) { return Same(v.name, name); });
    if (it == k->values.end()) return REG_NOT_FOUND;
    k->values.erase(it);
    return Save(c);
}

std::optional<std::vector<std::string>> Registry_store::Value_names(uint32_t root, const std::string& key) const
{
    const auto p = Key_path(root, key);
    if (!p) return std::nullopt;
    auto c = Load();
    const Key_entry* k = c.Find(*p);
    if (!k) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& v : k->values) names.push_back(v.name);
    return names;
}

std::optional<std::vector<std::string>> Registry_store::Subkey_names(uint32_t root, const std::string& key) const
{
    const auto p = Key_path(root, key);
    if (!p) return std::nullopt;
    auto c = Load();
    if (!Is_root(*p) && !c.Find(*p)) return std::nullopt;
    const std::string prefix = Lower(*p) + "\\";
    std::vector<std::string> names;
    for (const auto& k : c.keys) {
        const std::string l = Lower(k.path);
        if (l.rfind(prefix, 0) == 0 && l.find('\\', prefix.size()) == std::string::npos)
            names.push_back(k.path.substr(prefix.size()));
    }
    return names;
}

std::vector<int64_t> Registry_store::Damaged_lines() const { return Load().damaged_at; }

Reg_value Registry_store::Text_value(const std::string& utf8, uint32_t type)
{
    const std::string a = Utf8_to_ansi(utf8);
    Reg_value v{type, {a.begin(), a.end()}};
    v.data.push_back(0);
    return v;
}

std::string Registry_store::Value_text(const Reg_value& v)
{
    std::string a(v.data.begin(), v.data.end());
    if (!a.empty() && a.back() == '\0') a.pop_back();
    return Ansi_to_utf8(a);
}

} // namespace wk::platform
