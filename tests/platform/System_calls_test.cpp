#include "platform/Byte_file.h"
#include "platform/Local_listener.h"
#include "platform/System_info.h"
#include "tests/support/Test_support.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace wk {
namespace {

namespace fs = std::filesystem;

class System_calls : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    test::Temp_home home;
};

TEST_F(System_calls, ARenameNeverReplacesAFileThatHasTheName)
{
    test::Write_file(Path("a"), "first");
    test::Write_file(Path("b"), "second");
    EXPECT_EQ(platform::Rename_no_replace(Path("a"), Path("b")), EEXIST);
    EXPECT_EQ(test::Read_file(Path("a")), "first");
    EXPECT_EQ(test::Read_file(Path("b")), "second");

    EXPECT_EQ(platform::Rename_no_replace(Path("a"), Path("c")), 0);
    EXPECT_FALSE(fs::exists(Path("a")));
    EXPECT_EQ(test::Read_file(Path("c")), "first");
    EXPECT_EQ(platform::Rename_no_replace(Path("a"), Path("d")), ENOENT);
    EXPECT_FALSE(fs::exists(Path("d")));
}

TEST_F(System_calls, AnUnsetVariableIsToldFromAnEmptyOne)
{
    ::unsetenv("WK_SYSTEM_CALLS_TEST");
    EXPECT_EQ(platform::Environment("WK_SYSTEM_CALLS_TEST"), std::nullopt);
    ::setenv("WK_SYSTEM_CALLS_TEST", "", 1);
    EXPECT_EQ(platform::Environment("WK_SYSTEM_CALLS_TEST"), std::string());
    ::setenv("WK_SYSTEM_CALLS_TEST", "G\xC3\xB6teborg", 1);
    EXPECT_EQ(platform::Environment("WK_SYSTEM_CALLS_TEST"), std::string("G\xC3\xB6teborg"));
    ::unsetenv("WK_SYSTEM_CALLS_TEST");
    EXPECT_EQ(platform::Environment(""), std::nullopt);
}

TEST_F(System_calls, AFilesChangeTimeAndWhatThisProcessMayDoWithIt)
{
    test::Write_file(Path("tool"), "#!/bin/sh\n");
    const auto when = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(Path("tool"), when);
    const auto expected = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(when).time_since_epoch());
    EXPECT_EQ(platform::File_changed_time(Path("tool")), expected.count());
    EXPECT_EQ(platform::File_changed_time(Path("missing")), std::nullopt);

    fs::permissions(Path("tool"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(platform::May_run(Path("tool")));
    fs::permissions(Path("tool"), fs::perms::owner_exec, fs::perm_options::add);
    EXPECT_TRUE(platform::May_run(Path("tool")));
    EXPECT_TRUE(platform::May_write(Path("tool")));
    EXPECT_FALSE(platform::May_write(Path("missing")));
    if (::geteuid() != 0) { // root may write whatever the bits say
        fs::permissions(Path("tool"), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(platform::May_write(Path("tool")));
    }
}

TEST_F(System_calls, AvailableMemoryIsSomeOfTheMachinesMemory)
{
    const int64_t available = platform::Available_memory();
    const int64_t total = int64_t(::sysconf(_SC_PHYS_PAGES)) * ::sysconf(_SC_PAGESIZE);
    EXPECT_GT(available, 0);
    EXPECT_LE(available, total);
}

int Connect_to(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

TEST_F(System_calls, AListenerTakesOverALeftNameTakesClientsAndRemovesItsName)
{
    const std::string path = Path("kit.sock");
    {
        // Left by a program that ended badly: its socket is closed, its name stays behind.
        const int left = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ASSERT_EQ(::bind(left, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(left);
    }
    ASSERT_TRUE(fs::is_socket(path));
    platform::Local_listener listener;
    int error = -1;
    ASSERT_EQ(listener.Listen(path, error), platform::Local_listener::Result::listening);
    EXPECT_EQ(error, 0);

    EXPECT_EQ(listener.Accept(error), -1);
    EXPECT_EQ(error, EAGAIN); // nobody waits: no waiting either
    const int client = Connect_to(path);
    ASSERT_GE(client, 0);
    const int taken = listener.Accept(error);
    ASSERT_GE(taken, 0);
    EXPECT_EQ(::write(client, "x", 1), 1);
    char byte = 0;
    EXPECT_EQ(::read(taken, &byte, 1), 1);
    EXPECT_EQ(byte, 'x');
    ::close(taken);
    ::close(client);

    listener.Close();
    EXPECT_FALSE(listener.Listening());
    EXPECT_FALSE(fs::exists(path));
    EXPECT_LT(Connect_to(path), 0);
}

TEST_F(System_calls, AListenerRefusesANameTooLongAndAFolderItCannotUse)
{
    platform::Local_listener listener;
    int error = 0;
    EXPECT_EQ(listener.Listen(Path(std::string(120, 'n')), error), platform::Local_listener::Result::name_too_long);
    EXPECT_EQ(error, ENAMETOOLONG);
    EXPECT_EQ(listener.Listen(Path("missing/kit.sock"), error), platform::Local_listener::Result::cannot_listen);
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(listener.Listening());
}

} // namespace
} // namespace wk
