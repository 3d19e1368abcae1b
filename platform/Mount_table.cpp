#include "platform/Mount_table.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace wk::platform {
namespace {

// Mount points write blanks and the like as \040 octal escapes.
std::string Unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && std::isdigit((unsigned char)s[i + 1]) &&
            std::isdigit((unsigned char)s[i + 2]) && std::isdigit((unsigned char)s[i + 3])) {
            out += char((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool Under(const std::string& path, const std::string& mount)
{
    if (mount == "/") return !path.empty() && path[0] == '/';
    return path.rfind(mount, 0) == 0 && (path.size() == mount.size() || path[mount.size()] == '/');
}

} // namespace

bool Mount_entry::Is_network() const
{
    static const char* kinds[] = {"cifs", "smb3", "smbfs", "nfs", "nfs4", "fuse.sshfs", "9p", "afs", "ncpfs"};
    for (const char* k : kinds)
        if (fs_type == k) return true;
    return false;
}

std::optional<Mount_entry> Mount_of(const std::string& path, const std::string& mountinfo)
{
    std::error_code ec;
    std::string p = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec) return std::nullopt;
    if (p.size() > 1 && p.back() == '/') p.pop_back();
    std::ifstream in(mountinfo);
    std::string line;
    std::optional<Mount_entry> best;
    while (std::getline(in, line)) {
        std::istringstream ss(line);
        std::vector<std::string> f;
        std::string w;
        while (ss >> w) f.push_back(w);
        // id parent dev root mount-point options [optional...] - type source super-options
        size_t dash = 0;
        for (size_t i = 6; i < f.size(); ++i)
            if (f[i] == "-") { dash = i; break; }
        if (dash == 0 || dash + 2 >= f.size()) continue;
        Mount_entry e{Unescape(f[4]), f[dash + 1], Unescape(f[dash + 2])};
        if (Under(p, e.mount_point) && (!best || e.mount_point.size() >= best->mount_point.size())) best = e;
    }
    return best;
}

std::optional<std::string> Drive_kind(const std::string& path, const std::string& mountinfo)
{
    const auto mount = Mount_of(path, mountinfo);
    if (!mount) return std::nullopt;
    if (mount->Is_network()) return mount->source;
    if (mount->mount_point.rfind("/media", 0) == 0 || mount->mount_point.rfind("/run/media", 0) == 0)
        return std::string("Removable");
    return std::string("Local");
}

} // namespace wk::platform
