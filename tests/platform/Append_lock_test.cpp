// The append lock as another process and a second open in this one see it.
#include "platform/Append_lock.h"
#include "tests/support/Test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

namespace wk::platform {
namespace {

// What a child process finds: 0 held and refused to it, 1 not held and taken, 2 anything else.
int Seen_by_another_process(const std::string& path)
{
    const pid_t child = fork();
    if (child == 0) {
        int error = 0;
        Append_lock lock;
        const bool held = Append_lock::Held(path);
        const bool taken = lock.Take(path, error);
        _exit(held && !taken && error == EAGAIN ? 0 : !held && taken ? 1 : 2);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST(Append_lock, IsSeenByAnotherProcessAndASecondOpenUntilReleasedAndGoesWithItsHolder)
{
    test::Temp_home home;
    const std::string path = (home.path() / "heat.qs2").string();
    std::ofstream(path) << "recording";
    EXPECT_FALSE(Append_lock::Held(path));
    EXPECT_EQ(Seen_by_another_process(path), 1);
    {
        Append_lock lock;
        int error = 0;
        ASSERT_TRUE(lock.Take(path, error)) << error;
        EXPECT_TRUE(Append_lock::Held(path));
        EXPECT_EQ(Seen_by_another_process(path), 0);
        Append_lock second;
        EXPECT_FALSE(second.Take(path, error));
        EXPECT_EQ(error, EAGAIN);
        EXPECT_FALSE(second.Taken());
    }
    EXPECT_FALSE(Append_lock::Held(path));
    // A file that is not there is held by no one and cannot be locked.
    int error = 0;
    Append_lock none;
    EXPECT_FALSE(Append_lock::Held(path + ".gone"));
    EXPECT_FALSE(none.Take(path + ".gone", error));
    EXPECT_EQ(error, ENOENT);
}

} // namespace
} // namespace wk::platform
