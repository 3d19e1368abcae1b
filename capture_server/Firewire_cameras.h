#pragma once
// DV camcorders on the FireWire bus, as the kernel's firewire stack lists them in sysfs: nodes
// with an AV/C unit. A camera's id is made from its 64-bit GUID.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace wk {

struct Firewire_camera {
    uint64_t guid = 0;
    std::string vendor;
    std::string model;
    std::string sysfs_path; // the node's folder
};

inline constexpr char k_Firewire_devices[] = "/sys/bus/firewire/devices";

// The cameras under devices_folder (normally k_Firewire_devices), by GUID; none when the
// folder is missing or unreadable.
std::vector<Firewire_camera> Find_firewire_cameras(const std::filesystem::path& devices_folder);

// The id text of a device: its first two 32-bit words, the high word first, each in hex
// without leading zeros ("%x%x").
std::string Firewire_id_text(uint64_t guid);

} // namespace wk
