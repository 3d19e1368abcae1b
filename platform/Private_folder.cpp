#include "platform/Private_folder.h"

#include "platform/Folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fs = std::filesystem;

namespace wk::platform {

std::string Private_folder_problem(const fs::path& path)
{
    struct stat st {};
    const std::string name = "The folder " + path.string();
    if (::lstat(path.c_str(), &st) != 0) return name + " cannot be used (" + std::strerror(errno) + ")";
    if (S_ISLNK(st.st_mode)) return name + " is a link, not a folder of this user's";
    if (!S_ISDIR(st.st_mode)) return name + " is not a folder";
    if (st.st_uid != ::geteuid())
        return name + " belongs to another user (uid " + std::to_string(st.st_uid) + "); remove it or set TMPDIR";
    if ((st.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", unsigned(st.st_mode & 07777));
        return name + " is open to other users (mode " + mode + "); it must be 0700";
    }
    return {};
}

bool Make_private_folder(const fs::path& path, std::string& problem)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        problem = "The folder " + path.string() + " cannot be made (" + std::strerror(errno) + ")";
        return false;
    }
    problem = Private_folder_problem(path);
    return problem.empty();
}

fs::path Private_temp_folder(std::string& problem)
{
    const fs::path folder = Temp_folder() / ("Wakeline-" + std::to_string(::geteuid()));
    return Make_private_folder(folder, problem) ? folder : fs::path();
}

fs::path Runtime_folder(std::string& problem)
{
    // The session's runtime folder is made private by the login; one that is not is passed over.
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        if (Private_folder_problem(runtime).empty()) return runtime;
    }
    return Private_temp_folder(problem);
}

} // namespace wk::platform
