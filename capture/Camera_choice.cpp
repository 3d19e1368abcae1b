#include "capture/Camera_choice.h"

#include "capture_server/IVideoCap.h"
#include "services/Module_ini_keys.h"

#include <algorithm>
#include <functional>

namespace wk {

namespace {

constexpr int16_t k_Max_probed = 10;

// A setting that was never written reads as "N/A".
std::string Stored(const Ini_key<std::string>& key)
{
    std::string value = Read_setting(key);
    return value == "N/A" ? std::string() : value;
}

} // namespace

std::string Server_property(IVideoCap& server, const std::string& name)
{
    com::Bstr value;
    return com::Succeeded(server.GetProperty(com::Bstr(name).Get(), value.Put())) ? value.Str() : std::string();
}

std::string Video_device::Label() const { return name.empty() ? "Camera " + std::to_string(number) : name; }

Camera_wish Camera_wish::From_settings() { return {Stored(ini::Camera_name), Stored(ini::Camera_device)}; }

bool Camera_wish::Keep() const
{
    // The device first: in between, the old name still finds the old camera.
    return Write_setting(ini::Camera_device, device) != 0 && Write_setting(ini::Camera_name, name) != 0;
}

std::vector<Video_device> List_video_devices(IVideoCap& server)
{
    std::vector<Video_device> devices;
    for (int16_t n = 1; n <= k_Max_probed; ++n) {
        int32_t found = 0;
        if (com::Failed(server.SetSource(com::Bstr("video:" + std::to_string(n)).Get(), &found)) || !found) break;
        devices.push_back({n, Server_property(server, "sourceFriendlyName"), Server_property(server, "sourceId"),
                           Server_property(server, "sourceDevicePath")});
    }
    return devices;
}

std::vector<std::string> Menu_labels(const std::vector<Video_device>& devices)
{
    std::vector<std::string> labels;
    for (const Video_device& d : devices) {
        const auto alike = std::count_if(devices.begin(), devices.end(),
                                         [&](const Video_device& other) { return other.Label() == d.Label(); });
        labels.push_back(alike > 1 && !d.Device_key().empty() ? d.Label() + " (" + d.Device_key() + ")" : d.Label());
    }
    return labels;
}

Camera_pick Pick_camera(const std::vector<Video_device>& devices, const Camera_wish& wish)
{
    if (wish.Empty() || devices.empty()) return {};
    const auto find = [&](const std::function<bool(const Video_device&)>& match) {
        return std::find_if(devices.begin(), devices.end(), match);
    };
    auto it = find([&](const Video_device& d) { return d.name == wish.name && d.Device_key() == wish.device; });
    if (it == devices.end() && !wish.name.empty())
        it = find([&](const Video_device& d) { return d.name == wish.name; });
    if (it == devices.end() && !wish.device.empty())
        it = find([&](const Video_device& d) { return !d.id.empty() && d.id == wish.device; });
    if (it == devices.end()) return {1, true};
    return {it->number, false};
}

} // namespace wk
