#pragma once
// The mount that holds a path, from the kernel's mount table: the stand-in for mapped network
// drives and their share names.
#include <optional>
#include <string>

namespace wk::platform {

struct Mount_entry {
    std::string mount_point;
    std::string fs_type;
    std::string source;
    bool Is_network() const;
};

// The mount whose mount point is the longest prefix of path; nullopt when none is found.
std::optional<Mount_entry> Mount_of(const std::string& path, const std::string& mountinfo = "/proc/self/mountinfo");

// What kind of drive holds the path, as the folder labels show it: "Removable" (media mounted
// under /media or /run/media), "Local", or a network drive's share (the mount's source).
// nullopt when no mount holds it.
std::optional<std::string> Drive_kind(const std::string& path, const std::string& mountinfo = "/proc/self/mountinfo");

} // namespace wk::platform
