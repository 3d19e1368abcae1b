#pragma once
// What the operating system tells about itself and this host, and the desktop's file-type
// association: the calls to the system that the services use.
#include <cstdint>
#include <optional>
#include <string>

namespace wk::platform {

struct Os_release {
    std::string sysname, release; // "Linux", "6.1.0-18-amd64"
    int major = 0, minor = 0;     // the release's first two numbers
};
std::optional<Os_release> Os_release_info();

// A variable of the program's environment; nullopt when it is not set.
std::optional<std::string> Environment(const std::string& name);
// This process, the calling thread and the user, as the system numbers them.
long Process_id();
long Thread_id();
unsigned long User_id();
// The physical memory available to programs now, in bytes; 0 when the system does not tell.
int64_t Available_memory();
// When the file was last changed (seconds since 1970); nullopt when it cannot be looked at.
std::optional<int64_t> File_changed_time(const std::string& path);
// Whether this process may write to, or run, the file (what the system lets it, not the bits).
bool May_write(const std::string& path);
bool May_run(const std::string& path);
// The program of that name on the search path; empty when there is none.
std::string Find_program(const std::string& name);
// Starts a program on its own, without arguments; false when it could not be started.
bool Start_program(const std::string& path);
// Shows a folder in the desktop's file manager; false when none could.
bool Show_folder(const std::string& folder);

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
