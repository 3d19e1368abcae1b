// The waits the tests share wake at the change they wait for, and a wait for a change that never
// comes ends at its bound with false.
#include "tests/support/Folder_watch.h"
#include "tests/support/Signal.h"
#include "tests/support/Test_support.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

namespace wk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Another thread changes the folder as a writer would; the wait sees each kind of change.
TEST(Folder_watch, AWaitWakesAtEachKindOfChangeInTheFolder)
{
    const struct {
        const char* change;
        std::function<void(const fs::path& folder)> make;
        std::function<bool(const fs::path& folder)> done;
    } cases[] = {
        {"a file made", [](const fs::path& f) { std::ofstream(f / "mark"); },
         [](const fs::path& f) { return fs::exists(f / "mark"); }},
        {"a file written in several writes",
         [](const fs::path& f) {
             std::ofstream out(f / "grown", std::ios::app);
             for (int i = 0; i < 5; ++i) out << std::string(1000, 'x') << std::flush;
         },
         [](const fs::path& f) { return fs::exists(f / "grown") && fs::file_size(f / "grown") == 5000; }},
        {"a file moved in",
         [](const fs::path& f) {
             std::ofstream(f.parent_path() / "outside") << "x";
             fs::rename(f.parent_path() / "outside", f / "moved");
         },
         [](const fs::path& f) { return fs::exists(f / "moved"); }},
        {"a file removed", [](const fs::path& f) { fs::remove(f / "old"); },
         [](const fs::path& f) { return !fs::exists(f / "old"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        test::Temp_home home;
        const fs::path folder = home.path() / "watched";
        fs::create_directories(folder);
        std::ofstream(folder / "old") << "x";
        std::thread writer([&] { c.make(folder); });
        EXPECT_TRUE(test::Wait_for_change_in(folder, [&] { return c.done(folder); }));
        writer.join();
    }
}

TEST(Folder_watch, AChangeThatNeverComesOrAFolderThatIsNotThereEndsTheWaitWithFalse)
{
    test::Temp_home home;
    EXPECT_FALSE(test::Wait_for_change_in(home.path(), [] { return false; }, 20ms));
    EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(test::Wait_for_change_in(home.path() / "missing", [] { return true; })),
                            "cannot watch");
}

TEST(Signal, AWaitWakesAtTheNoticeOfAnotherThreadAndEndsAtItsBoundWithoutOne)
{
    test::Signal signal;
    std::atomic<int> count{0};
    const auto notify = signal.Notifier();
    std::thread counter([&] {
        for (int i = 0; i < 100; ++i) {
            ++count;
            notify();
        }
    });
    EXPECT_TRUE(signal.Wait_until([&] { return count == 100; }));
    counter.join();
    EXPECT_FALSE(signal.Wait_until([&] { return count > 100; }, 20ms));
}

} // namespace
} // namespace wk
