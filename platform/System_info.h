#pragma once
// What the operating system tells about itself and this host, and the desktop's file-type
// association: the calls to the system that the services use.
#include <optional>
#include <string>

namespace wk::platform {

struct Os_release {
    std::string sysname, release; // "Linux", "6.1.0-18-amd64"
    int major = 0, minor = 0;     // the release's first two numbers
};
std::optional<Os_release> Os_release_info();

// The host's name; nullopt with error set when the system gives none.
std::optional<std::string> Host_name(int& error);
// The first IPv4 address of a host name, dotted; nullopt when the name does not resolve.
std::optional<std::string> First_ipv4_address(const std::string& host);

// Registers a file suffix for this user with the desktop: a MIME type and a desktop entry in
// the user's data folder. Written beside and renamed, so a failure leaves the old files.
enum class Association_result { ok, folder_failed, write_failed };
Association_result Write_file_association(const std::string& suffix, const std::string& class_name,
                                          const std::string& description, const std::string& icon_path,
                                          const std::string& program_path);
// The program's icon: beside the program, or where the installation puts it; empty when neither
// is there.
std::string Program_icon();

} // namespace wk::platform
