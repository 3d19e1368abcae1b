#include "capture_server/Source_file.h"

#include "capture_server/Capture_error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wk {

namespace {

const char* Kind_of(mode_t mode)
{
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    return "something else";
}

// A folder cannot be opened as a file on the system the texts come from either.
[[noreturn]] void Refuse(mode_t mode)
{
    throw Capture_error(std::string("Could not load file! It is ") + Kind_of(mode) + ", not a regular file.",
                        com::E_ACCESSDENIED);
}

[[noreturn]] void Refuse_for(int error)
{
    const com::HRESULT hr = error == ENOENT    ? com::E_FILE_NOT_FOUND
                            : error == ENOTDIR ? com::E_PATH_NOT_FOUND
                            : error == EACCES  ? com::E_ACCESSDENIED
                                               : com::E_FAIL;
    throw Capture_error("Could not load file!", hr);
}

} // namespace

void Refuse_irregular_file(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) Refuse(st.st_mode);
}

void Check_readable(const std::string& path)
{
    // Looked at before it is opened: opening a device may already do something to it.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) Refuse_for(errno);
    if (!S_ISREG(st.st_mode)) Refuse(st.st_mode);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) Refuse_for(errno);
    // The name may have been given to something else in between.
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!regular) Refuse(st.st_mode);
}

} // namespace wk
