#pragma once
// A small file system of its own at a folder, mounted where that is allowed (as root), so a test
// can fill a real disk; unmounted again at the end.
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace wk::test {

class Small_tmpfs {
public:
    // size: the mount's size option, such as "1m".
    Small_tmpfs(const std::filesystem::path& at, const std::string& size) : at_(at)
    {
        std::filesystem::create_directories(at);
        mounted_ = ::mount("tmpfs", at.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
        if (!mounted_) why_ = std::strerror(errno);
    }
    ~Small_tmpfs()
    {
        if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    Small_tmpfs(const Small_tmpfs&) = delete;
    Small_tmpfs& operator=(const Small_tmpfs&) = delete;
    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

private:
    std::filesystem::path at_;
    bool mounted_ = false;
    std::string why_;
};

} // namespace wk::test
