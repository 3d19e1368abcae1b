#include "platform/System_info.h"

#include "platform/Folders.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace wk::platform {
namespace {

namespace fs = std::filesystem;

bool Write_replacing(const fs::path& p, const std::string& text)
{
    const fs::path tmp = p.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) return false;
    }
    std::error_code e;
    fs::rename(tmp, p, e);
    return !e;
}

std::string Xml_escape(const std::string& s)
{
    std::string o;
    for (char c : s) o += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : std::string(1, c);
    return o;
}

// The desktop's settings folder, moved with the home folder as the data folder is.
fs::path Xdg_config_home()
{
    const char* home = std::getenv("WAKELINE_HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if ((!home || !*home) && config && fs::path(config).is_absolute()) return config;
    return Home_folder() / ".config";
}

// The desktop's own tool makes the entry the default for the type; where it is missing, the
// entry is still offered for the type.
void Make_default_application(const std::string& entry, const std::string& mime)
{
    const QString tool = QStandardPaths::findExecutable("xdg-mime");
    if (tool.isEmpty()) return;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(Xdg_data_home().string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(Xdg_config_home().string()));
    p.setProcessEnvironment(env);
    p.start(tool, {"default", QString::fromStdString(entry), QString::fromStdString(mime)});
    p.waitForFinished(10000);
}

} // namespace

std::optional<Os_release> Os_release_info()
{
    utsname u{};
    if (uname(&u) != 0) return std::nullopt;
    Os_release r{u.sysname, u.release};
    std::sscanf(u.release, "%d.%d", &r.major, &r.minor);
    return r;
}

std::optional<std::string> Host_name(int& error)
{
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) {
        error = errno;
        return std::nullopt;
    }
    error = 0;
    return std::string(host);
}

std::optional<std::string> First_ipv4_address(const std::string& host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
    char text[INET_ADDRSTRLEN] = {};
    const auto* a = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
    freeaddrinfo(found);
    return std::string(text);
}

Association_result Write_file_association(const std::string& suffix, const std::string& class_name,
                                          const std::string& description, const std::string& icon_path,
                                          const std::string& program_path)
{
    const fs::path data = Xdg_data_home();
    const fs::path mime_dir = data / "mime" / "packages";
    const fs::path app_dir = data / "applications";
    std::error_code ec;
    fs::create_directories(mime_dir, ec);
    if (!ec) fs::create_directories(app_dir, ec);
    if (ec) return Association_result::folder_failed;
    const std::string ext = suffix.empty() || suffix[0] != '.' ? suffix : suffix.substr(1);
    const std::string mime = "application/x-" + class_name;
    const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                            "  <mime-type type=\"" + mime + "\">\n"
                            "    <comment>" + Xml_escape(description) + "</comment>\n"
                            "    <glob pattern=\"*." + Xml_escape(ext) + "\"/>\n"
                            "  </mime-type>\n"
                            "</mime-info>\n";
    const std::string desktop = "[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=Wakeline\n"
                                "Comment=" + description + "\n"
                                "Exec=\"" + program_path + "\" %f\n"
                                "Icon=" + icon_path + "\n"
                                "MimeType=" + mime + ";\n"
                                "Terminal=false\n";
    const std::string entry = "wakeline-" + class_name + ".desktop";
    if (!Write_replacing(mime_dir / (class_name + ".xml"), xml) || !Write_replacing(app_dir / entry, desktop))
        return Association_result::write_failed;
    Make_default_application(entry, mime);
    return Association_result::ok;
}

std::string Program_icon()
{
    const fs::path beside = Program_folder() / "wakeline.svg";
    const fs::path installed = Program_folder().parent_path() / "share/icons/hicolor/scalable/apps/wakeline.svg";
    std::error_code ec;
    for (const fs::path& p : {beside, installed})
        if (fs::is_regular_file(p, ec)) return p.string();
    return {};
}

std::optional<std::string> Environment(const std::string& name)
{
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

long Process_id() { return long(::getpid()); }
long Thread_id() { return long(::syscall(SYS_gettid)); }
unsigned long User_id() { return ::getuid(); }

int64_t Available_memory()
{
    std::ifstream in("/proc/meminfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        int64_t kib = 0;
        if (words >> key >> kib && key == "MemAvailable:") return kib * 1024;
    }
    return 0;
}

std::optional<int64_t> File_changed_time(const std::string& path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return int64_t(st.st_mtime);
}

bool May_write(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }
bool May_run(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

std::string Find_program(const std::string& name)
{
    return QStandardPaths::findExecutable(QString::fromStdString(name)).toStdString();
}

bool Start_program(const std::string& path) { return QProcess::startDetached(QString::fromStdString(path), {}); }

bool Show_folder(const std::string& folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

} // namespace wk::platform
