#include "capture_server/Device_catalog.h"

#include "capture_server/Capture_error.h"

namespace wk {

Device_category Category_of(std::string_view source_type)
{
    if (source_type == "video") return Device_category::video;
    if (source_type == "audio") return Device_category::audio;
    return Device_category::none;
}

bool Find_device(const Device_catalog& catalog, Device_category category, int32_t n, std::string_view id,
                 Source_selection& selection)
{
    const auto devices = category == Device_category::none ? std::vector<Device_info>() : catalog.Devices(category);
    if (devices.empty()) throw Capture_error(k_No_device_enumerator);
    for (size_t i = 0; i < devices.size(); ++i) {
        const auto& d = devices[i];
        const auto number = int32_t(i + 1);
        const bool match = n > 0 ? number == n : !d.id_text.empty() && d.id_text == id;
        if (!match) continue;
        selection.device_number = number;
        selection.source_id = d.id_text;
        selection.source_type = category == Device_category::video ? "video" : "audio";
        selection.friendly_name = d.friendly_name;
        selection.description = d.description;
        selection.device_path = d.device_path;
        selection.kind = d.kind;
        return true;
    }
    return false;
}

} // namespace wk
