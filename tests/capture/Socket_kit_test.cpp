// The simulated control box driven over its local socket, by hand and by the kit simulator tool.
#include "capture/Socket_interface_kit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>

#include <gtest/gtest.h>

#include <unistd.h>

namespace wk {
namespace {

class Socket_kit : public ::testing::Test {
protected:
    Socket_kit()
    {
        kit.On_input_change = [this](int32_t i, bool s, int32_t) { changes.emplace_back(i, s); };
        kit.On_attach = [this] { ++attaches; };
        kit.On_detach = [this] { ++detaches; };
    }
    // Sends one command and waits (running the loop) for its answer.
    std::string Ask(QLocalSocket& client, const std::string& command)
    {
        client.write((command + "\n").c_str());
        client.flush();
        QElapsedTimer waited;
        waited.start();
        while (!client.canReadLine() && waited.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            client.waitForReadyRead(5);
        }
        return client.readLine().trimmed().toStdString();
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
    client.connectToServer(name);
    ASSERT_TRUE(client.waitForConnected(2000));
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

} // namespace
} // namespace wk
