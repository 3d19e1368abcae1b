#include "services/Module_system.h"

#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/Forms.h"
#include "platform/Mount_table.h"
#include "platform/State_reset.h"
#include "platform/System_info.h"
#include "services/Module_error.h"
#include "services/Module_utilities.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>

#include <filesystem>
#include <set>
#include <cmath>
#include <cstdio>

namespace wk {
namespace {

// The application-data folders already said to be unusable, each with its reason: each is said once.
std::set<std::string> g_Unusable_said;
const platform::State_reset k_Forget_unusable{[] { g_Unusable_said.clear(); }};

} // namespace

std::string AppUserData()
{
    std::error_code ec;
    const auto folder = platform::App_data_folder(ec);
    if (!ec) return folder.string();
    std::string problem;
    const auto fallback = platform::Fallback_app_data_folder(problem);
    if (g_Unusable_said.insert(folder.string() + "|" + ec.message() + "|" + problem).second) {
        const std::string first = "The application-data folder could not be used (" + ec.message() + "). ";
        platform::MsgBox(fallback.empty() ? first + problem + ": settings and logs are not kept."
                                          : first + "Settings and logs go to " + fallback.string(),
                         platform::vbExclamation);
    }
    // With no folder of our own the one that failed is named, so nothing is written anywhere else.
    return fallback.empty() ? (platform::Xdg_data_home() / "Wakeline").string() : fallback.string();
}

std::string Get_OS_Version()
{
    const auto r = platform::Os_release_info();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%02d", r ? r->major : 0, r ? r->minor : 0);
    return buf;
}

std::string Get_OS_Service_Pack()
{
    const auto r = platform::Os_release_info();
    if (!r) return "";
    std::string text = r->sysname + " " + r->release;
    if (text.size() > 128) text.resize(128);
    return text;
}

std::string Trim_At_Nul(const std::string& text)
{
    std::string t = text.substr(0, text.find('\0'));
    t.erase(0, t.find_first_not_of(' '));
    const size_t last = t.find_last_not_of(' ');
    t.erase(last == std::string::npos ? 0 : last + 1);
    return t;
}

std::string Get_UNC_Name(const std::string& path)
{
    const auto mount = platform::Mount_of(path);
    if (!mount || !mount->Is_network()) {
        platform::MsgBox("Error: Not Connected", platform::vbInformation);
        return "";
    }
    return mount->source;
}

std::string Get_Share_Path(const std::string& path)
{
    const auto mount = platform::Mount_of(path);
    return (mount && mount->Is_network() ? mount->source : std::string()) + path;
}

std::string Get_IP_Address()
{
    int error = 0;
    const auto host = platform::Host_name(error);
    if (!host) {
        platform::MsgBox("Windows Sockets error " + std::to_string(error) +
                         " has occurred. Unable to successfully get Host Name.");
        return "";
    }
    const auto address = platform::First_ipv4_address(*host);
    if (!address) {
        platform::MsgBox("Windows Sockets are not responding. Unable to successfully get Host Name.");
        return "";
    }
    return *address;
}

namespace {

// The errno that stands for a Windows system error code, as the C runtime maps them; -1 for a
// code without one. The codes handed in are Windows numbers (the registry store answers in
// them); the text shown is the one this system has for the errno.
int Errno_of_system_code(int32_t code)
{
    static const std::pair<int32_t, int> counterparts[] = {
        {0, 0},          {1, EINVAL},   {2, ENOENT},    {3, ENOENT},   {4, EMFILE},     {5, EACCES},
        {6, EBADF},      {7, ENOMEM},   {8, ENOMEM},    {9, ENOMEM},   {10, E2BIG},     {11, ENOEXEC},
        {12, EINVAL},    {13, EINVAL},  {15, ENOENT},   {16, EACCES},  {17, EXDEV},     {18, ENOENT},
        {53, ENOENT},    {65, EACCES},  {67, ENOENT},   {80, EEXIST},  {82, EACCES},    {83, EACCES},
        {87, EINVAL},    {89, EAGAIN},  {108, EACCES},  {109, EPIPE},  {112, ENOSPC},   {114, EBADF},
        {128, ECHILD},   {129, ECHILD}, {130, EBADF},   {131, EINVAL}, {132, EACCES},   {145, ENOTEMPTY},
        {158, EACCES},   {161, ENOENT}, {164, EAGAIN},  {167, EACCES}, {183, EEXIST},   {206, ENOENT},
        {215, EAGAIN},   {1816, ENOMEM},
        {1020, ENOTEMPTY}, // the registry store's "key has subkeys"
    };
    for (const auto& [windows, posix] : counterparts)
        if (windows == code) return posix;
    // Two blocks the runtime maps whole: the write-protect to sharing-buffer errors and the
    // executable-format errors.
    if (code >= 19 && code <= 36) return EACCES;
    if (code >= 188 && code <= 202) return ENOEXEC;
    return -1;
}

} // namespace

std::string Get_error_text(int32_t code)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<uint32_t>(code));
    const std::string numbers = "Dec: " + std::to_string(code) + "\t" + "Hex: " + hex;
    const int error = Errno_of_system_code(code);
    // The description alone, the same in every locale; null for a number the system has no text for.
    const char* text = error < 0 ? nullptr : strerrordesc_np(error);
    if (text) return std::string(text) + "\r\n" + numbers;
    return "(No such error)\r\n\r\n" + numbers;
}

std::string Format_number(double value)
{
    char buf[64];
    if (value < 10) std::snprintf(buf, sizeof buf, "%.2f", value);
    else if (value < 100) std::snprintf(buf, sizeof buf, "%.1f", value);
    else std::snprintf(buf, sizeof buf, "%.0f", std::nearbyint(value));
    return buf;
}

std::string Format_bytes(double v)
{
    if (v <= 999) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.0f", std::nearbyint(v));
        return std::string(buf) + " bytes";
    }
    static const char* units[] = {"KB", "MB", "GB", "TB", "PB", "EB", "ZB"};
    double divisor = 1024;
    for (const char* unit : units) {
        if (v <= 999 * divisor) return Format_number(v / divisor) + " " + unit;
        divisor *= 1024;
    }
    return Format_number(v / divisor) + " YB";
}

std::vector<std::string> fso_Youngest_files(const std::string& folder)
{
    std::vector<std::string> result;
    try {
        std::error_code ec;
        if (folder.empty() || !std::filesystem::is_directory(folder, ec)) return result;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
            if (!entry.is_regular_file(ec)) continue;
            std::string text;
            const std::string name = entry.path().filename().string();
            std::error_code size_ec;
            const auto changed = platform::File_changed_time(entry.path().string());
            const auto size = entry.file_size(size_ec);
            if (Get_Extension(name) == "qs2" && changed && !size_ec && size > 1048576) {
                const std::time_t when_changed = std::time_t(*changed);
                std::tm tm{};
                localtime_r(&when_changed, &tm);
                char when[32];
                std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &tm);
                text = std::string(when) + name;
            }
            result.push_back(text);
        }
        // Sorted as texts from the greatest down: the newest recordings first, the other files last.
        Bubble_sort(result);
        std::reverse(result.begin(), result.end());
    } catch (...) {
        Report_current_exception("fso_Youngest_files of Module Module_system");
    }
    return result;
}

bool Associate_File_Extension(const std::string& extension, const std::string& class_name,
                              const std::string& description, const std::string& icon_path,
                              const std::string& program_path, Operator_port& port)
{
    switch (platform::Write_file_association(extension, class_name, description, icon_path, program_path)) {
    case platform::Association_result::ok: return true;
    case platform::Association_result::folder_failed: port.Tell("Error: Creating Key!"); return false;
    case platform::Association_result::write_failed: port.Tell("Error Setting String Value!"); return false;
    }
    return false;
}

bool Associate_Qs2_Files(Operator_port& port)
{
    const bool ok = Associate_File_Extension(".qs2", "qs2_ext", "Wakeline data file",
                                             platform::Program_icon(),
                                             platform::Program_file().string(), port);
    if (ok) port.Tell("Associated the file extension .qs2 with this application!");
    return ok;
}

} // namespace wk
