#include "services/Module_system.h"

#include "platform/Dialogs.h"
#include "platform/Folders.h"

#include <filesystem>
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

} // namespace wk
