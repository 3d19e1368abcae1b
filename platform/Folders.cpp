#include "platform/Folders.h"

#include "platform/Private_folder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace wk::platform {
namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

} // namespace

fs::path Home_folder()
{
    if (auto h = Env("WAKELINE_HOME"); !h.empty()) return h;
    if (auto h = Env("HOME"); !h.empty()) return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

fs::path Xdg_data_home()
{
    if (Env("WAKELINE_HOME").empty()) {
        if (auto x = Env("XDG_DATA_HOME"); !x.empty() && fs::path(x).is_absolute()) return x;
    }
    return Home_folder() / ".local" / "share";
}

fs::path App_data_folder(std::error_code& ec)
{
    ec.clear();
    fs::path p = Xdg_data_home() / "Wakeline";
    fs::create_directories(p, ec);
    if (ec) return {};
    if (!fs::is_directory(p, ec)) {
        if (!ec) ec = std::make_error_code(std::errc::not_a_directory);
        return {};
    }
    return p;
}

fs::path Data_folder() { return Home_folder() / "Wakeline_Data"; }

fs::path Temp_folder()
{
    std::error_code ec;
    fs::path t = fs::temp_directory_path(ec);
    return ec ? fs::path("/tmp") : t;
}

fs::path Program_file()
{
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : p;
}

fs::path Program_folder() { return Program_file().parent_path(); }

std::string Join_path(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    const char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    return folder + "/" + name;
}

std::filesystem::path Fallback_app_data_folder(std::string& problem) { return Private_temp_folder(problem); }

} // namespace wk::platform
