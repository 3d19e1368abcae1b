#pragma once
// The capture devices present, by category, and the server's way of choosing one of them.
#include "capture_server/Source_selection.h"

#include <string>
#include <string_view>
#include <vector>

namespace wk {

enum class Device_category { video, audio, none };

struct Device_info {
    std::string id_text; // the external device id as hex text; empty when the device has none
    std::string friendly_name;
    std::string description;
    std::string device_path;
    Source_kind kind = Source_kind::none; // the graph the device needs
};

class Device_catalog {
public:
    virtual ~Device_catalog() = default;
    // In the order the server numbers them, from 1.
    virtual std::vector<Device_info> Devices(Device_category category) const = 0;
};

// A machine without capture devices.
class No_devices final : public Device_catalog {
public:
    std::vector<Device_info> Devices(Device_category) const override { return {}; }
};

// "video" and "audio" name their categories; every other type names none.
Device_category Category_of(std::string_view source_type);

// Chooses device number n (n >= 1), or with n = 0 the device whose id text is id. On a match the
// selection gets the device's number, id, type and names. A category that is none or has no
// devices throws Capture_error with k_No_device_enumerator.
bool Find_device(const Device_catalog& catalog, Device_category category, int32_t n, std::string_view id,
                 Source_selection& selection);

} // namespace wk
