// Folders and sockets another local user could have made first: each place that keeps a runtime
// file or a fallback uses only a folder of this user's and says why it refuses one.
#include "platform/Datagram_socket.h"
#include "platform/Folders.h"
#include "platform/Local_listener.h"
#include "platform/Private_folder.h"
#include "platform/Registry_store.h"
#include "platform/Single_instance.h"
#include "tests/support/Other_user.h"
#include "tests/support/Test_support.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cerrno>
#include <cstring>
#include <functional>

namespace wk::platform {
namespace {

namespace fs = std::filesystem;
using test::Scoped_variable;

mode_t Mode_of(const fs::path& p)
{
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A local socket bound at path (closed with the object).
class Bound_socket {
public:
    Bound_socket(const fs::path& path, int type)
    {
        fd_ = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("bind");
    }
    ~Bound_socket() { ::close(fd_); }

private:
    int fd_ = -1;
};

int Connect_to(const fs::path& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

class Private_places : public ::testing::Test {
protected:
    Private_places() { fs::create_directories(home.path() / "tmp"); }
    fs::path Temp() const { return home.path() / "tmp"; }
    fs::path Own_temp() const { return test::Private_temp_of(home.path()); }
    // The user's private temporary folder, made first by another user.
    void Plant_own_temp() { test::Plant_private_folder(Own_temp()); }

    test::Temp_home home;
};

TEST_F(Private_places, AFolderIsTrustedOnlyWhenItIsARealFolderOfThisUserClosedToOthers)
{
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> make;
        bool other_user;
        const char* problem; // "" when the folder is trusted
        mode_t mode_after;
    };
    const Case cases[] = {
        {"missing", [](const fs::path&) {}, false, "", 0700},
        {"ours, 0700", [](const fs::path& p) { ::mkdir(p.c_str(), 0700); }, false, "", 0700},
        {"another user's", [](const fs::path& p) { test::Plant_private_folder(p); }, true, "belongs to another user (uid 54321)", 0700},
        {"ours, open to all", [](const fs::path& p) {
             ::mkdir(p.c_str(), 0700);
             ::chmod(p.c_str(), 0777);
         }, false, "is open to other users (mode 0777)", 0777},
        {"ours, group may enter", [](const fs::path& p) {
             ::mkdir(p.c_str(), 0700);
             ::chmod(p.c_str(), 0710);
         }, false, "(mode 0710)", 0710},
        {"a link to a private folder", [](const fs::path& p) {
             fs::create_directory(p.string() + ".real");
             ::chmod((p.string() + ".real").c_str(), 0700);
             fs::create_directory_symlink(p.string() + ".real", p);
         }, false, "is a link", 0777},
        {"a file", [](const fs::path& p) { test::Write_file(p, "x"); }, false, "is not a folder", 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.other_user && ::geteuid() != 0) continue;
        const fs::path p = home.path() / ("f" + std::to_string(++n));
        c.make(p);
        std::string problem = "stale";
        EXPECT_EQ(Make_private_folder(p, problem), std::string(c.problem).empty());
        if (*c.problem) {
            EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
        } else {
            EXPECT_EQ(problem, "");
        }
        // An existing folder is never changed.
        if (c.mode_after) {
            EXPECT_EQ(Mode_of(p), c.mode_after);
        }
    }
    std::string problem;
    EXPECT_FALSE(Make_private_folder(home.path() / "no" / "such", problem));
    EXPECT_NE(problem.find("cannot be made (No such file or directory)"), std::string::npos) << problem;
}

TEST_F(Private_places, TheRuntimeFolderIsTheSessionsOnlyWhenItIsOurs)
{
    WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED();
    const fs::path session = home.path() / "run";
    ::mkdir(session.c_str(), 0700);
    struct Case {
        const char* what;
        std::optional<std::string> xdg;
        bool plant_temp;
        fs::path expected; // empty: refused
    };
    const fs::path relative_name = "run";
    const Case cases[] = {
        {"ours", session.string(), false, session},
        {"unset", std::nullopt, false, Own_temp()},
        {"relative", relative_name.string(), false, Own_temp()},
        {"another user's", session.string() + "-other", false, Own_temp()},
        {"another user's, and the temporary one too", session.string() + "-other", true, {}},
    };
    test::Plant_private_folder(session.string() + "-other");
    Scoped_variable tmp("TMPDIR", Temp().string());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.plant_temp) {
            fs::remove_all(Own_temp());
            Plant_own_temp();
        }
        Scoped_variable xdg("XDG_RUNTIME_DIR", c.xdg);
        std::string problem;
        EXPECT_EQ(Runtime_folder(problem), c.expected);
        EXPECT_EQ(problem.empty(), !c.expected.empty()) << problem;
    }
}

TEST_F(Private_places, AFallbackFolderAnotherUserMadeHoldsNeitherSettingsNorTheRegistry)
{
    WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED();
    // The application-data folder cannot be made: a file stands where its parent would be.
    test::Write_file(home.path() / ".local", "");
    Plant_own_temp();
    test::Write_file(Own_temp() / "registry.txt", "K HKEY_CLASSES_ROOT\\CLSID\\{planted}\n");
    std::string problem;
    EXPECT_EQ(Fallback_app_data_folder(problem), fs::path());
    EXPECT_NE(problem.find(Own_temp().string() + " belongs to another user"), std::string::npos) << problem;
    const std::string store = Registry_store::Default_path();
    EXPECT_EQ(store.rfind(Temp().string(), 0), std::string::npos) << store;
    EXPECT_NE(Registry_store().Open_key(HKEY_CLASSES_ROOT, "CLSID\\{planted}"), REG_OK);
}

TEST_F(Private_places, TheInstanceLockIsNotTakenInAFolderOfAnotherUserAndTheProgramRunsOn)
{
    WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED();
    Scoped_variable unmoved("WAKELINE_HOME", std::nullopt);
    Scoped_variable xdg("XDG_RUNTIME_DIR", std::nullopt);
    Scoped_variable tmp("TMPDIR", Temp().string());
    EXPECT_EQ(Instance_lock_path(), (Own_temp() / "Wakeline3_0.lock").string());
    EXPECT_EQ(Instance_lock_problem(), "");
    fs::remove_all(Own_temp());
    Plant_own_temp();
    EXPECT_EQ(Instance_lock_path(), "");
    EXPECT_NE(Instance_lock_problem().find("belongs to another user"), std::string::npos) << Instance_lock_problem();
    EXPECT_FALSE(Previous_instance());
    EXPECT_FALSE(fs::exists(Own_temp() / "Wakeline3_0.lock"));
}

TEST_F(Private_places, TraceLinesGoOnlyToASocketOfThisUser)
{
    WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED();
    const fs::path path = home.path() / "tracer.sock";
    Bound_socket tracer(path, SOCK_DGRAM);
    Datagram_socket sender;
    EXPECT_TRUE(sender.Connect(path.string()));
    test::Give_to_other_user(path);
    EXPECT_FALSE(sender.Connect(path.string()));
    EXPECT_FALSE(sender.Is_connected());
}

TEST_F(Private_places, AListenerShutsOutAClientOfAnotherUserAndServesItsOwn)
{
    WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED();
    // A socket every user may reach, so that the other user can knock.
    const fs::path path = test::Folder_every_user_reaches(home.path()) / "box.sock";
    Local_listener listener;
    int error = 0;
    ASSERT_EQ(listener.Listen(path.string(), error), Local_listener::Result::listening) << std::strerror(error);
    ::chmod(path.c_str(), 0777);
    const int knocked = test::Run_as_other_user([&] {
        const int fd = Connect_to(path);
        return fd >= 0 ? 0 : 1;
    });
    ASSERT_EQ(knocked, 0) << "the other user could not reach the socket";
    EXPECT_EQ(listener.Accept(error), -1);
    EXPECT_EQ(error, EAGAIN);
    EXPECT_EQ(listener.Refused_peers(), 1);
    const int own = Connect_to(path);
    ASSERT_GE(own, 0);
    const int taken = listener.Accept(error);
    EXPECT_GE(taken, 0);
    EXPECT_TRUE(Local_listener::Peer_is_this_user(taken));
    ::close(taken);
    ::close(own);
}

} // namespace
} // namespace wk::platform
