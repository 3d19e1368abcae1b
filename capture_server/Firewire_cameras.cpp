#include "capture_server/Firewire_cameras.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>

namespace wk {

namespace fs = std::filesystem;

namespace {

// AV/C, the command set of DV camcorders and decks.
constexpr uint64_t k_Avc_specifier = 0x00a02d;
constexpr uint64_t k_Avc_version = 0x010001;

std::string Attribute(const fs::path& folder, const char* name)
{
    std::ifstream in(folder / name);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    return line;
}

std::optional<uint64_t> Hex_attribute(const fs::path& folder, const char* name)
{
    const std::string text = Attribute(folder, name);
    if (text.empty()) return std::nullopt;
    size_t used = 0;
    try {
        const uint64_t value = std::stoull(text, &used, 16);
        if (used != text.size()) return std::nullopt;
        return value;
    } catch (...) {
        return std::nullopt;
    }
}

bool Is_avc_unit(const fs::path& unit)
{
    return Hex_attribute(unit, "specifier_id") == k_Avc_specifier && Hex_attribute(unit, "version") == k_Avc_version;
}

// The node a unit folder ("fw1.0") belongs to ("fw1").
fs::path Node_of(const fs::path& unit)
{
    const std::string name = unit.filename().string();
    return unit.parent_path() / name.substr(0, name.find('.'));
}

std::string First_of(const fs::path& unit, const fs::path& node, const char* name)
{
    std::string text = Attribute(unit, name);
    return text.empty() ? Attribute(node, name) : text;
}

} // namespace

std::vector<Firewire_camera> Find_firewire_cameras(const fs::path& devices_folder)
{
    std::vector<Firewire_camera> cameras;
    std::error_code ec;
    for (fs::directory_iterator it(devices_folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path unit = it->path();
        if (unit.filename().string().find('.') == std::string::npos || !Is_avc_unit(unit)) continue;
        const fs::path node = Node_of(unit);
        const auto guid = Hex_attribute(node, "guid");
        if (!guid) continue;
        Firewire_camera found{*guid, First_of(unit, node, "vendor_name"), First_of(unit, node, "model_name"), node.string()};
        // One camera however many AV/C units it has; a unit that tells the names wins.
        auto known = std::find_if(cameras.begin(), cameras.end(), [&](const auto& c) { return c.guid == *guid; });
        if (known == cameras.end()) cameras.push_back(std::move(found));
        else if (known->model.empty()) *known = std::move(found);
    }
    std::sort(cameras.begin(), cameras.end(), [](const auto& a, const auto& b) { return a.guid < b.guid; });
    return cameras;
}

std::string Firewire_id_text(uint64_t guid)
{
    char text[24];
    std::snprintf(text, sizeof text, "%x%x", unsigned(guid >> 32), unsigned(guid & 0xFFFFFFFFu));
    return text;
}

} // namespace wk
