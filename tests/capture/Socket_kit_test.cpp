// The simulated control box driven over its local socket, by hand and by the kit simulator tool.
#include "capture/Control_box.h"
#include "capture/Interface_kit_choice.h"
#include "capture/Socket_interface_kit.h"
#include "platform/Local_client.h"
#include "tests/support/Other_user.h"
#include "tests/support/Test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalSocket>
#include <QPointer>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <csignal>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace wk {
namespace {

// Runs an event loop of its own, as a modal box does, until done() holds or 5 s have passed.
bool Loop_until(const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer waited;
    waited.start();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || waited.elapsed() > 5000) loop.quit();
    });
    poll.start(2);
    if (!done()) loop.exec();
    return done();
}

// Lets the loop run for a while, as the program's does between commands.
void Spin(int ms)
{
    QElapsedTimer spun;
    spun.start();
    Loop_until([&] { return spun.elapsed() >= ms; });
}

// The next answer line, or "" when none came.
std::string Answer(QLocalSocket& client)
{
    Loop_until([&] { return client.canReadLine(); });
    return client.readLine().trimmed().toStdString();
}

void Send(QLocalSocket& client, const std::string& bytes)
{
    client.write(QByteArray::fromStdString(bytes));
    client.flush();
}

class Socket_kit : public ::testing::Test {
protected:
    Socket_kit()
    {
        kit.On_input_change = [this](int32_t i, bool s, int32_t) { changes.emplace_back(i, s); };
        kit.On_attach = [this] { ++attaches; };
        kit.On_detach = [this] { ++detaches; };
    }
    // Sends one command and waits (running the loop) for its answer.
    static std::string Ask(QLocalSocket& client, const std::string& command)
    {
        Send(client, command + "\n");
        return Answer(client);
    }
    void Connect(QLocalSocket& client, const QString& server = {})
    {
        std::string problem;
        const std::string path = Socket_interface_kit::Socket_path(server.isEmpty() ? name : server, problem);
        ASSERT_FALSE(path.empty()) << problem;
        client.connectToServer(QString::fromStdString(path));
        ASSERT_TRUE(client.waitForConnected(2000));
    }

    const QString name = QString("wk_kitsim_test_%1").arg(getpid());
    Socket_interface_kit kit{name};
    std::vector<std::pair<int32_t, bool>> changes;
    int attaches = 0, detaches = 0;
};

TEST_F(Socket_kit, CommandsAreAnsweredAfterTheirEventsRan)
{
    ASSERT_TRUE(kit.Listening());
    QLocalSocket client;
    Connect(client);
    EXPECT_EQ(Ask(client, "attach 4711"), "ok attach 4711");
    EXPECT_EQ(attaches, 1);
    EXPECT_EQ(kit.Serial_number(), 4711);
    EXPECT_EQ(Ask(client, "in 1 1"), "ok in 1 1");
    EXPECT_TRUE(kit.Input_state(1));
    EXPECT_EQ(Ask(client, "pulse 2 30"), "ok pulse 2 30");
    EXPECT_FALSE(kit.Input_state(2));
    EXPECT_EQ(Ask(client, "in 9 1").rfind("error in 9 1", 0), 0u);
    EXPECT_EQ(Ask(client, "in 0 2").rfind("error", 0), 0u);
    EXPECT_EQ(Ask(client, "jump").rfind("error", 0), 0u);
    EXPECT_EQ(Ask(client, "detach"), "ok detach");
    EXPECT_EQ(detaches, 1);
    const std::vector<std::pair<int32_t, bool>> expected{{1, true}, {2, true}, {2, false}};
    EXPECT_EQ(changes, expected);
}

TEST_F(Socket_kit, TheToolSendsItsArgumentsAndFailsOnARefusedOne)
{
    QProcess tool;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("WK_KITSIM_SOCKET", name);
    tool.setProcessEnvironment(environment);
    tool.start(WAKELINE_KITSIM, {"attach 5", "in 5 1", "in 5 0", "bogus"});
    QElapsedTimer waited;
    waited.start();
    while (tool.state() != QProcess::NotRunning && waited.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        tool.waitForFinished(5);
    }
    ASSERT_EQ(tool.state(), QProcess::NotRunning);
    EXPECT_EQ(tool.exitCode(), 1);
    const QString out = tool.readAllStandardOutput();
    EXPECT_TRUE(out.startsWith("ok attach 5\nok in 5 1\nok in 5 0\nerror bogus")) << out.toStdString();
    const std::vector<std::pair<int32_t, bool>> expected{{5, true}, {5, false}};
    EXPECT_EQ(changes, expected);
}

// A capture window whose start button meets a heat already started: it says so in a box.
class Started_heat_owner final : public Control_box_owner {
public:
    int16_t Active_heat() const override { return 1; }
    bool Capturing() const override { return false; }
    void Handle_Start_Event(int16_t, int32_t) override { platform::MsgBox("Heat already started! (m1)"); }
    void Handle_Capture_Start(int16_t, int32_t) override {}
    void Handle_Capture_End(int16_t, int32_t) override {}
};

TEST_F(Socket_kit, AClientGoneWhileItsCommandsBoxIsOpenIsForgottenAndTheNextOneIsServed)
{
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    Started_heat_owner owner;
    const QString box_name = name + "_box";
    auto made = std::make_unique<Socket_interface_kit>(box_name);
    Socket_interface_kit& box_kit = *made;
    Control_box box(owner, std::move(made));
    box.Loaded();
    QLocalSocket client;
    Connect(client, box_name);
    ASSERT_EQ(Ask(client, "attach 7"), "ok attach 7");
    clock.tick += Control_box::k_Dead_time_ms;

    bool server_end_gone = false;
    dialogs.Expect_message("Heat already started!", platform::vbOK, [&] {
        QPointer<platform::Local_client> server_end = box_kit.findChild<platform::Local_client*>();
        ASSERT_TRUE(server_end);
        client.abort();
        // The box is up until the operator answers; meanwhile the loop notices the client left.
        server_end_gone = Loop_until([&] { return server_end.isNull(); });
    });
    // The second command waits behind the box and has no one to answer any more.
    Send(client, "in 2 1\nin 3 1\n");
    ASSERT_TRUE(Loop_until([&] { return dialogs.All_used(); }));
    EXPECT_TRUE(server_end_gone);
    Spin(50); // whatever the kit does after the box, it does now

    QLocalSocket next;
    Connect(next, box_name);
    EXPECT_EQ(Ask(next, "in 2 0"), "ok in 2 0");
    EXPECT_FALSE(box_kit.Input_state(3));
}

// Every warning the program writes, for the test's life.
class Caught_warnings {
public:
    Caught_warnings()
    {
        lines().clear();
        previous_ = qInstallMessageHandler(&Catch);
    }
    ~Caught_warnings() { qInstallMessageHandler(previous_); }
    static std::vector<std::string>& lines()
    {
        static std::vector<std::string> caught;
        return caught;
    }

private:
    static void Catch(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type == QtWarningMsg) lines().push_back(text.toStdString());
    }
    QtMessageHandler previous_;
};

// The process's descriptor table full, under a lowered limit, but for `spare` descriptors; the
// limit and the descriptors are given back when it goes.
class Full_descriptor_table {
public:
    explicit Full_descriptor_table(int spare)
    {
        getrlimit(RLIMIT_NOFILE, &old_);
        int highest = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
            highest = std::max(highest, std::stoi(entry.path().filename().string()));
        rlimit lowered = old_;
        lowered.rlim_cur = std::min<rlim_t>(old_.rlim_cur, rlim_t(highest) + 64);
        setrlimit(RLIMIT_NOFILE, &lowered);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) taken_.push_back(fd);
        full_ = errno == EMFILE;
        for (; spare > 0 && !taken_.empty(); --spare) {
            ::close(taken_.back());
            taken_.pop_back();
        }
    }
    ~Full_descriptor_table()
    {
        for (int fd : taken_) ::close(fd);
        setrlimit(RLIMIT_NOFILE, &old_);
    }
    bool full() const { return full_; }

private:
    rlimit old_{};
    std::vector<int> taken_;
    bool full_ = false;
};

TEST_F(Socket_kit, RunningOutOfDescriptorsIsToldOnceAndTheWaitingClientIsServedWhenSomeAreFree)
{
    // The type check of the sanitizers needs a pipe the first time it meets a class: the kit's
    // road and its classes are met once while descriptors are free.
    QLocalSocket first;
    Connect(first);
    ASSERT_EQ(Ask(first, "in 4 1"), "ok in 4 1");
    ASSERT_TRUE(kit.Listening());
    QSocketNotifier(first.socketDescriptor(), QSocketNotifier::Read).setEnabled(false);
    Caught_warnings warnings;
    // The client waits in the listen queue; then not one descriptor is left to take it with.
    QLocalSocket waiting;
    Connect(waiting);
    Send(waiting, "attach 3\n");
    auto table = std::make_unique<Full_descriptor_table>(0);
    ASSERT_TRUE(table->full());
    Spin(6 * Socket_interface_kit::k_Retry_ms);
    const bool listening = kit.Listening();
    const int attached = attaches;
    table.reset();
    EXPECT_TRUE(listening);
    EXPECT_EQ(attached, 0);
    const auto told = std::count_if(warnings.lines().begin(), warnings.lines().end(), [](const std::string& l) {
        return l.find("cannot take a client now (Too many open files)") != std::string::npos;
    });
    EXPECT_EQ(told, 1) << (warnings.lines().empty() ? "nothing said" : warnings.lines().front());

    EXPECT_EQ(Answer(waiting), "ok attach 3");
    QLocalSocket fresh;
    Connect(fresh);
    EXPECT_EQ(Ask(fresh, "detach"), "ok detach");
}

TEST_F(Socket_kit, AnOverlongLineOrANulByteIsRefusedWithAnAnswerAndTheNextLineIsServed)
{
    QLocalSocket client;
    Connect(client);
    // 4096 bytes is the longest line taken; blanks around a command count too.
    EXPECT_EQ(Ask(client, "attach 1" + std::string(4096 - 8, ' ')), "ok attach 1");
    const std::string refused = Ask(client, "detach" + std::string(4096 - 6 + 1, ' '));
    EXPECT_EQ(refused.rfind("error ", 0), 0u) << refused;
    EXPECT_LT(refused.size(), 200u); // the line is not sent back
    EXPECT_EQ(detaches, 0);

    // A line that never ends is refused as soon as it passes the limit, and only once; its rest,
    // however long, is dropped up to its end.
    Send(client, std::string(5000, 'y'));
    EXPECT_EQ(Answer(client).rfind("error ", 0), 0u);
    Send(client, std::string(100000, 'z'));
    Send(client, "zz\nin 2 1\n");
    EXPECT_EQ(Answer(client), "ok in 2 1");

    const std::string with_nul("in 2 0\0 junk", 12);
    const std::string nul_answer = Ask(client, with_nul);
    EXPECT_EQ(nul_answer.rfind("error ", 0), 0u);
    EXPECT_EQ(nul_answer.find('\0'), std::string::npos);
    EXPECT_TRUE(kit.Input_state(2));
    EXPECT_EQ(kit.Run_command(with_nul).rfind("error ", 0), 0u);
    EXPECT_TRUE(kit.Input_state(2));
    EXPECT_EQ(Ask(client, "in 2 0"), "ok in 2 0");
}

// What a client sent before it left is run; a pulse it started still ends, its answer dropped.
TEST_F(Socket_kit, WhatALeavingClientSentIsRunAndItsServerEndGoes)
{
    struct Case {
        std::string sent;
        std::vector<std::pair<int32_t, bool>> changes;
    };
    const std::vector<Case> cases{
        {"in 3 1\n", {{3, true}}},
        {"pulse 4 30\n", {{4, true}, {4, false}}},
        {"in 5 1\nin 5 0\npulse 6 20\n", {{5, true}, {5, false}, {6, true}, {6, false}}},
    };
    ASSERT_EQ(kit.Run_command("attach 9"), "ok attach 9");
    for (const Case& c : cases) {
        changes.clear();
        QLocalSocket client;
        Connect(client);
        Send(client, c.sent);
        client.abort();
        EXPECT_TRUE(Loop_until([&] { return changes.size() == c.changes.size(); })) << c.sent;
        Spin(50);
        EXPECT_EQ(changes, c.changes) << c.sent;
        EXPECT_EQ(kit.findChild<platform::Local_client*>(), nullptr) << c.sent;
    }
    QLocalSocket next;
    Connect(next);
    EXPECT_EQ(Ask(next, "in 3 0"), "ok in 3 0");
}

} // namespace
} // namespace wk

namespace wk {
namespace {

namespace fs = std::filesystem;

// The raw end of a client that sends and never reads, with the least receive room the system
// allows, so that the kit's answers soon wait on the kit's side.
class Deaf_client {
public:
    explicit Deaf_client(const std::string& path)
    {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        int least = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &least, sizeof least);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~Deaf_client() { ::close(fd_); }
    bool connected() const { return connected_; }
    // Sends all of bytes, letting the program's loop take them as it goes.
    void Send_all(const std::string& bytes)
    {
        for (size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n > 0) sent += size_t(n);
            else QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    // Everything that waits to be read now, the loop run until no more comes.
    std::string Read_waiting()
    {
        std::string got;
        char buffer[65536];
        for (int quiet = 0; quiet < 20;) {
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n > 0) {
                got.append(buffer, size_t(n));
                quiet = 0;
            } else {
                ++quiet;
                Spin(5);
            }
        }
        return got;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

TEST_F(Socket_kit, AClientThatNeverReadsLosesItsAnswersPastTheLimitAndIsStillServedWhole)
{
    Deaf_client client(kit.Path());
    ASSERT_TRUE(client.connected());
    // Each refused line is answered with itself: 400 answers of 4 kB, far more than fits.
    const std::string line = "x" + std::string(4000, 'y') + "\n";
    std::string commands;
    for (int i = 0; i < 400; ++i) commands += line;
    client.Send_all(commands);
    QPointer<platform::Local_client> server_end = kit.findChild<platform::Local_client*>();
    ASSERT_TRUE(server_end);
    ASSERT_TRUE(Loop_until([&] { return server_end->Available() == 0; }));
    Spin(20);
    EXPECT_GT(server_end->Unsent(), 0); // the client's room is full: answers wait here
    EXPECT_LE(server_end->Unsent(), Socket_interface_kit::k_Max_unsent);

    const std::string got = client.Read_waiting();
    size_t lines = 0;
    for (size_t at = 0, end; (end = got.find('\n', at)) != std::string::npos; at = end + 1, ++lines)
        ASSERT_EQ(got.compare(at, 7, "error x"), 0) << "a torn answer at byte " << at;
    EXPECT_EQ(got.back(), '\n');
    EXPECT_LT(lines, 400u);
    EXPECT_GT(lines, 0u);
    client.Send_all("in 2 1\n");
    EXPECT_EQ(client.Read_waiting(), "ok in 2 1\n");
}

// The runtime folder made first by another user.
class Planted_runtime_folder : public ::testing::Test {
protected:
    void Plant() { test::Plant_private_folder(test::Private_temp_of(home.path())); }
    test::Temp_home home;
    test::Scoped_variable no_session{"XDG_RUNTIME_DIR", std::nullopt};
};

TEST_F(Planted_runtime_folder, TheBoxSocketIsNotMadeThereAndTheCaptureWindowSaysWhy)
{
    WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED();
    Plant();
    test::Scoped_variable kitsim("WK_CONTROL_BOX", "kitsim");
    test::Scoped_variable unnamed("WK_KITSIM_SOCKET", std::nullopt);
    test::Scripted_dialogs dialogs;
    dialogs.Expect_message("belongs to another user (uid 54321); remove it or set TMPDIR. The simulated control box "
                           "cannot be driven.");
    QObject window;
    auto kit = Choose_interface_kit(&window);
    auto* socket_kit = dynamic_cast<Socket_interface_kit*>(kit.get());
    ASSERT_NE(socket_kit, nullptr);
    EXPECT_FALSE(socket_kit->Listening());
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Planted_runtime_folder, ANameAnotherUsersProgramHoldsIsNotTakenAndTheWindowSaysSo)
{
    WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED();
    const fs::path theirs = home.path() / "shared.sock";
    platform::Local_listener held;
    int error = 0;
    ASSERT_EQ(held.Listen(theirs.string(), error), platform::Local_listener::Result::listening);
    test::Give_to_other_user(theirs);
    test::Scoped_variable kitsim("WK_CONTROL_BOX", "kitsim");
    test::Scoped_variable named("WK_KITSIM_SOCKET", theirs.string());
    test::Scripted_dialogs dialogs;
    dialogs.Expect_message("The control box socket " + theirs.string() + " cannot be made (Address already in use)");
    QObject window;
    auto kit = Choose_interface_kit(&window);
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_TRUE(fs::is_socket(theirs)); // theirs, left as it was
}

TEST_F(Planted_runtime_folder, TheToolDrivesNoServerOfAnotherUser)
{
    WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED();
    const std::string path = (test::Folder_every_user_reaches(home.path()) / "kitsim.sock").string();
    // The other user's program answers "ok" to whatever it is sent.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t impostor = ::fork();
    if (impostor == 0) {
        if (::setgid(test::k_Other_uid) != 0 || ::setuid(test::k_Other_uid) != 0) ::_exit(1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0) ::_exit(1);
        (void)!::write(ready[1], "r", 1);
        const int client = ::accept(fd, nullptr, nullptr);
        char buffer[256];
        while (::read(client, buffer, sizeof buffer) > 0) (void)!::write(client, "ok attach 5\n", 12);
        ::_exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the other user's server did not start";
    ::close(ready[0]);
    QProcess tool;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("WK_KITSIM_SOCKET", QString::fromStdString(path));
    tool.setProcessEnvironment(environment);
    tool.start(WAKELINE_KITSIM, {"attach 5"});
    ASSERT_TRUE(tool.waitForFinished(20000));
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_EQ(tool.readAllStandardOutput(), "");
    EXPECT_TRUE(tool.readAllStandardError().contains("is served by another user's program"));
    ::kill(impostor, SIGKILL);
    ::waitpid(impostor, nullptr, 0);
}

} // namespace
} // namespace wk
