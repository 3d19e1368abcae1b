#include "platform/Single_instance.h"

#include "platform/Folders.h"
#include "platform/Private_folder.h"
#include "platform/State_reset.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace wk::platform {
namespace {
int g_lock_fd = -1;
const State_reset k_Forget_lock{[] { Release_instance_lock(); }};
} // namespace

std::string Instance_lock_path()
{
    if (std::getenv("WAKELINE_HOME")) {
        std::error_code ec;
        const auto folder = App_data_folder(ec);
        if (!ec) return (folder / "Wakeline3_0.lock").string();
    }
    std::string problem;
    const std::filesystem::path folder = Runtime_folder(problem);
    return folder.empty() ? std::string() : (folder / "Wakeline3_0.lock").string();
}

std::string Instance_lock_problem()
{
    if (std::getenv("WAKELINE_HOME")) return {};
    std::string problem;
    Runtime_folder(problem);
    return problem.empty() ? problem : problem + ": a second copy of the program cannot be told from this one";
}

bool Previous_instance()
{
    if (g_lock_fd >= 0) return false;
    const std::string path = Instance_lock_path();
    if (path.empty()) return false; // no folder of ours: Instance_lock_problem says why
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false; // no lock can be had: do not keep the operator from working
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return true;
    }
    g_lock_fd = fd;
    return false;
}

void Release_instance_lock()
{
    if (g_lock_fd < 0) return;
    flock(g_lock_fd, LOCK_UN);
    close(g_lock_fd);
    g_lock_fd = -1;
}

} // namespace wk::platform
