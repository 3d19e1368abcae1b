#pragma once
// Another local user, played by a test that runs as root: names in shared folders handed to
// them, and a child process that runs as them. Where the test is not root, it is skipped with a
// message (the planted names cannot be made).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace wk::test {

constexpr uid_t k_Other_uid = 54321;

#define WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED()                                                           \
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a folder or socket that another user owns"

// The name (not where a link points) now belongs to the other user.
inline void Give_to_other_user(const std::filesystem::path& path)
{
    if (::lchown(path.c_str(), k_Other_uid, k_Other_uid) != 0)
        throw std::runtime_error("cannot hand " + path.string() + " to another user");
}

// Where this user's private temporary folder lies under a test home (its TMPDIR is <home>/tmp).
inline std::filesystem::path Private_temp_of(const std::filesystem::path& home)
{
    return home / "tmp" / ("Wakeline-" + std::to_string(::geteuid()));
}

// A private folder (0700) at path, made by the other user before us.
inline void Plant_private_folder(const std::filesystem::path& path)
{
    std::filesystem::create_directories(path);
    ::chmod(path.c_str(), 0700);
    Give_to_other_user(path);
}

// A folder under home that every user may reach (home opened to them too): where the other user
// knocks at one of our sockets, or serves one of theirs.
inline std::filesystem::path Folder_every_user_reaches(const std::filesystem::path& home)
{
    const auto open = home / "open";
    std::filesystem::create_directory(open);
    ::chmod(home.c_str(), 0755);
    ::chmod(open.c_str(), 0777);
    return open;
}

// Runs f in a child process as the other user; the child's exit code, or -1 when it could not
// become that user. f does only plain system calls: the child of a threaded test program.
template <typename F>
int Run_as_other_user(F f)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(k_Other_uid) != 0 || ::setuid(k_Other_uid) != 0) ::_exit(255);
        ::_exit(f());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

// An environment variable set (or unset, with no value) for one test.
class Scoped_variable {
public:
    Scoped_variable(const char* name, std::optional<std::string> value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    }
    ~Scoped_variable()
    {
        if (old_) ::setenv(name_.c_str(), old_->c_str(), 1);
        else ::unsetenv(name_.c_str());
    }
    Scoped_variable(const Scoped_variable&) = delete;
    Scoped_variable& operator=(const Scoped_variable&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

} // namespace wk::test
