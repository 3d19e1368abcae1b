// One connected local socket served on the loop: bounded reading, the callbacks, the client leaving.
#include "platform/Local_client.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

namespace wk::platform {
namespace {

// Runs the loop until done() holds (the deadline only catches a hang).
bool Run_until(const std::function<bool()>& done)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// Our end served by a Local_client, the peer's end raw.
struct Pair {
    Pair()
    {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
        ours = new Local_client(fds[0], 1000, 1000);
        peer = fds[1];
    }
    ~Pair()
    {
        delete ours;
        if (peer >= 0) ::close(peer);
    }
    Local_client* ours = nullptr;
    int peer = -1;
};

TEST(Local_client, WhatComesInIsHeldToItsBoundAndArrivesWholeAsItIsTaken)
{
    Pair pair;
    std::string sent;
    for (int i = 0; sent.size() < 5000; ++i) sent += std::to_string(i) + ",";
    ASSERT_EQ(::write(pair.peer, sent.data(), sent.size()), ssize_t(sent.size()));
    int calls = 0;
    qsizetype most = 0;
    pair.ours->On_readable = [&] {
        ++calls;
        most = std::max(most, pair.ours->Available());
    };
    ASSERT_TRUE(Run_until([&] { return pair.ours->Available() == 1000; }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(pair.ours->Available(), 1000); // the rest waits in the socket

    std::string got;
    Run_until([&] {
        got += pair.ours->Read(300).toStdString();
        return got.size() >= sent.size();
    });
    EXPECT_EQ(got, sent);
    EXPECT_LE(most, 1000);
    EXPECT_GT(calls, 4);
}

TEST(Local_client, TheReaderIsNotCalledAgainWhileItRunsTheLoopAndFindsWhatCameMeanwhile)
{
    Pair pair;
    int depth = 0, deepest = 0;
    std::string got;
    pair.ours->On_readable = [&] {
        deepest = std::max(deepest, ++depth);
        if (got.empty()) {
            got = pair.ours->Read(1).toStdString();
            (void)!::write(pair.peer, "b", 1);
            QElapsedTimer spun;
            spun.start();
            while (spun.elapsed() < 30) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        got += pair.ours->Read(10).toStdString();
        --depth;
    };
    ASSERT_EQ(::write(pair.peer, "a", 1), 1);
    ASSERT_TRUE(Run_until([&] { return got == "ab"; })) << got;
    EXPECT_EQ(deepest, 1);
}

TEST(Local_client, APeerThatLeavesIsToldOnceItsLastBytesStayAndNothingMoreIsSent)
{
    Pair pair;
    int gone = 0;
    pair.ours->On_gone = [&] { ++gone; };
    ASSERT_EQ(::write(pair.peer, "last\n", 5), 5);
    ::close(pair.peer);
    pair.peer = -1;
    ASSERT_TRUE(Run_until([&] { return !pair.ours->Connected(); }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(gone, 1);
    EXPECT_EQ(pair.ours->Read(100), "last\n");
    EXPECT_FALSE(pair.ours->Send("late\n"));
    EXPECT_EQ(pair.ours->Unsent(), 0);
}

} // namespace
} // namespace wk::platform
