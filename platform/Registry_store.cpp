#include "platform/Registry_store.h"

#include "platform/Folders.h"
#include "platform/Text_codec.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace wk::platform {
namespace {

std::string Lower(std::string s)
{
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return s;
}

// "HKLM\Software\X" with the root by number, single backslashes, no trailing one.
std::string Key_path(uint32_t root, const std::string& key)
{
    std::string k;
    for (char c : key) {
        if (c == '/') c = '\\';
        if (c == '\\' && (k.empty() || k.back() == '\\')) continue;
        k += c;
    }
    while (!k.empty() && k.back() == '\\') k.pop_back();
    char head[16];
    std::snprintf(head, sizeof head, "%08X", root);
    return k.empty() ? std::string(head) : std::string(head) + "\\" + k;
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
    // The registry lives with the settings, also in their fallback folder.
    if (ec) folder = Fallback_app_data_folder();
    return (folder / "registry.txt").string();
}

Registry_store::Registry_store(std::string path) : path_(std::move(path)) {}

// File format, one record a line: "K <key path>" starts a key; "V <type> <hex name> <hex data>"
// adds a value to it. Names are hex so that any character survives.
std::vector<Registry_store::Key_entry> Registry_store::Load() const
{
    std::vector<Key_entry> keys;
    std::ifstream in(path_, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > 2 && line[0] == 'K' && line[1] == ' ') {
            keys.push_back({line.substr(2), {}});
        } else if (line.size() > 2 && line[0] == 'V' && line[1] == ' ' && !keys.empty()) {
            const size_t a = line.find(' ', 2), b = line.find(' ', a == std::string::npos ? a : a + 1);
            if (a == std::string::npos || b == std::string::npos) continue;
            Value_entry v;
            std::vector<uint8_t> name;
            v.value.type = uint32_t(std::strtoul(line.substr(2, a - 2).c_str(), nullptr, 10));
            if (!Unhex(line.substr(a + 1, b - a - 1), name) || !Unhex(line.substr(b + 1), v.value.data)) continue;
            v.name.assign(name.begin(), name.end());
            keys.back().values.push_back(std::move(v));
        }
    }
    return keys;
}

int32_t Registry_store::Save(const std::vector<Key_entry>& keys) const
{
    const std::string tmp = path_ + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return REG_ACCESS_DENIED;
        for (const auto& k : keys) {
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

bool Registry_store::Key_exists(uint32_t root, const std::string& key) const
{
    const std::string p = Key_path(root, key);
    if (p.find('\\') == std::string::npos) return true; // a root always exists
    const auto keys = Load();
    return std::any_of(keys.begin(), keys.end(), [&](const Key_entry& k) { return Same(k.path, p); });
}

int32_t Registry_store::Create_key(uint32_t root, const std::string& key)
{
    auto keys = Load();
    const std::string p = Key_path(root, key);
    // Every parent is a key too.
    bool changed = false;
    for (size_t at = p.find('\\'); ; at = p.find('\\', at + 1)) {
        const std::string part = at == std::string::npos ? p : p.substr(0, at);
        if (part.find('\\') != std::string::npos &&
            std::none_of(keys.begin(), keys.end(), [&](const Key_entry& k) { return Same(k.path, part); })) {
            keys.push_back({part, {}});
            changed = true;
        }
        if (at == std::string::npos) break;
    }
    return changed ? Save(keys) : REG_OK;
}

int32_t Registry_store::Delete_key(uint32_t root, const std::string& key)
{
    auto keys = Load();
    const std::string p = Key_path(root, key);
    const std::string prefix = Lower(p) + "\\";
    auto it = std::find_if(keys.begin(), keys.end(), [&](const Key_entry& k) { return Same(k.path, p); });
    if (it == keys.end()) return REG_NOT_FOUND;
    if (std::any_of(keys.begin(), keys.end(), [&](const Key_entry& k) { return Lower(k.path).rfind(prefix, 0) == 0; }))
        return REG_KEY_HAS_SUBKEYS;
    keys.erase(it);
    return Save(keys);
}

int32_t Registry_store::Get_value(uint32_t root, const std::string& key, const std::string& name, Reg_value& out) const
{
    const auto keys = Load();
    const std::string p = Key_path(root, key);
    for (const auto& k : keys) {
        if (!Same(k.path, p)) continue;
        for (const auto& v : k.values)
            if (Same(v.name, name)) { out = v.value; return REG_OK; }
        return REG_NOT_FOUND;
    }
    return REG_NOT_FOUND;
}

int32_t Registry_store::Set_value(uint32_t root, const std::string& key, const std::string& name, const Reg_value& value)
{
    if (int32_t r = Create_key(root, key); r != REG_OK) return r;
    auto keys = Load();
    const std::string p = Key_path(root, key);
    for (auto& k : keys) {
        if (!Same(k.path, p)) continue;
        for (auto& v : k.values)
            if (Same(v.name, name)) { v.value = value; return Save(keys); }
        k.values.push_back({name, value});
        return Save(keys);
    }
    return REG_NOT_FOUND;
}

int32_t Registry_store::Delete_value(uint32_t root, const std::string& key, const std::string& name)
{
    auto keys = Load();
    const std::string p = Key_path(root, key);
    for (auto& k : keys) {
        if (!Same(k.path, p)) continue;
        auto it = std::find_if(k.values.begin(), k.values.end(), [&](const Value_entry& v) { return Same(v.name, name); });
        if (it == k.values.end()) return REG_NOT_FOUND;
        k.values.erase(it);
        return Save(keys);
    }
    return REG_NOT_FOUND;
}

std::optional<std::vector<std::string>> Registry_store::Value_names(uint32_t root, const std::string& key) const
{
    const std::string p = Key_path(root, key);
    for (const auto& k : Load()) {
        if (!Same(k.path, p)) continue;
        std::vector<std::string> names;
        for (const auto& v : k.values) names.push_back(v.name);
        return names;
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> Registry_store::Subkey_names(uint32_t root, const std::string& key) const
{
    const std::string p = Key_path(root, key);
    const auto keys = Load();
    const bool is_root = p.find('\\') == std::string::npos;
    if (!is_root && std::none_of(keys.begin(), keys.end(), [&](const Key_entry& k) { return Same(k.path, p); }))
        return std::nullopt;
    const std::string prefix = Lower(p) + "\\";
    std::vector<std::string> names;
    for (const auto& k : keys) {
        const std::string l = Lower(k.path);
        if (l.rfind(prefix, 0) == 0 && l.find('\\', prefix.size()) == std::string::npos)
            names.push_back(k.path.substr(prefix.size()));
    }
    return names;
}

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
