#include "platform/Byte_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace wk::platform {
namespace {

Byte_source_opener& Installed_opener()
{
    static Byte_source_opener opener;
    return opener;
}

} // namespace

void Install_byte_source_opener(Byte_source_opener opener) { Installed_opener() = std::move(opener); }

std::unique_ptr<Byte_source> Open_byte_source(const std::string& path, Raw_file::Mode mode, int& error)
{
    if (const Byte_source_opener& opener = Installed_opener()) return opener(path, mode, error);
    auto file = std::make_unique<Raw_file>();
    if (!file->Open(path, mode, error)) return nullptr;
    return file;
}

bool Byte_file::Open(const std::string& path, Raw_file::Mode mode, int& error)
{
    source_ = Open_byte_source(path, mode, error);
    if (!source_ && error == 0) error = ENOENT;
    return source_ != nullptr;
}

int64_t Byte_file::Read_at(int64_t offset, void* buffer, size_t n) const
{
    return source_ ? source_->Read_at(offset, buffer, n) : -1;
}

} // namespace wk::platform

namespace wk::platform {

bool Sync_folder_of(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool Remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

int Replace_whole_file(const std::string& path, const void* bytes, size_t n)
{
    const std::string temp = path + ".writing-" + std::to_string(::getpid());
    Remove_file(temp);
    int error = 0;
    Byte_file out;
    bool written = out.Open(temp, Raw_file::Mode::Create_new, error);
    written = written && out.Allocate(0, int64_t(n)) && out.Write_at(0, bytes, n) && out.Sync();
    if (!written && out.Is_open()) error = out.Last_error();
    out.Close();
    if (written && ::rename(temp.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        Remove_file(temp);
        return error ? error : EIO;
    }
    Sync_folder_of(path);
    return 0;
}

bool File_exists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

int Rename_no_replace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    std::error_code ec;
    if (std::filesystem::exists(to, ec)) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

} // namespace wk::platform
