#include "services/Module_system.h"

#include "platform/Dialogs.h"
#include "platform/Folders.h"

#include <filesystem>
#include <cstdio>
#include <sys/utsname.h>
#include <unistd.h>

namespace wk {

std::string AppUserData()
{
    std::error_code ec;
    const auto folder = platform::App_data_folder(ec);
    if (!ec) return folder.string();
    static bool said = false;
    const auto fallback = platform::Temp_folder() / ("Wakeline-" + std::to_string(getuid()));
    std::error_code ec2;
    std::filesystem::create_directories(fallback, ec2);
    if (!said) {
        said = true;
        platform::MsgBox("The application-data folder could not be used (" + ec.message() + "). Settings and logs go to " +
                             fallback.string(),
                         platform::vbExclamation);
    }
    return fallback.string();
}

std::string Get_OS_Version()
{
    utsname u{};
    int major = 0, minor = 0;
    if (uname(&u) == 0) std::sscanf(u.release, "%d.%d", &major, &minor);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%02d", major, minor);
    return buf;
}

std::string Get_OS_Service_Pack()
{
    utsname u{};
    if (uname(&u) != 0) return "";
    std::string text = std::string(u.sysname) + " " + u.release;
    if (text.size() > 128) text.resize(128);
    return text;
}

} // namespace wk
