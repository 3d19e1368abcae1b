#include "board/Board_server.h"
#include "board/Heat_store.h"
#include "tests/board/Board_client.h"
#include "tests/board/Heat_files.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebSocket>
#include <gtest/gtest.h>

namespace wk::test {
namespace {

class Board_folder : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = top.filePath("results");
        ASSERT_TRUE(QDir().mkpath(folder));
        Write_heat(folder, "H1", Heat_json({}));
        Write_heat(top.path(), "secret", Heat_json({.id = "secret", .name = "Secret crew"}));
    }
    QTemporaryDir top;
    QString folder;
};

TEST_F(Board_folder, TheProgramAnswersReadsAndRefusesWritesTraversalsAndLargeRequests)
{
    Board_process board({folder});
    ASSERT_NE(board.port(), 0);
    const QByteArray large(40'000, 'a');
    struct Case {
        QByteArray request;
        int status;
        QByteArray body;
    } cases[] = {
        {"GET /api/heats HTTP/1.1\r\nHost: x\r\n\r\n", 200, R"("id":"H1")"},
        {"GET /api/heats/H1 HTTP/1.1\r\nHost: x\r\n\r\n", 200, Heat_json({})},
        {"GET /api/heats/H1?x=1 HTTP/1.1\r\nHost: x\r\n\r\n", 200, Heat_json({})},
        {"POST /api/heats HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc", 405, ""},
        {"PUT /api/heats/H1 HTTP/1.1\r\nHost: x\r\nContent-Length: 2\r\n\r\n{}", 405, ""},
        {"DELETE /api/heats/H1 HTTP/1.1\r\nHost: x\r\n\r\n", 405, ""},
        {"GET /../secret.json HTTP/1.1\r\nHost: x\r\n\r\n", 400, ""},
        {"GET /api/heats/../../secret HTTP/1.1\r\nHost: x\r\n\r\n", 400, ""},
        {"GET /api/heats/..%2fsecret HTTP/1.1\r\nHost: x\r\n\r\n", 400, ""},
        {"GET /api/heats/%2e%2e%2f%2e%2e%2fsecret HTTP/1.1\r\nHost: x\r\n\r\n", 400, ""},
        {"GET /%2E%2E/%2E%2E/etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n", 400, ""},
        {"GET /api/heats/H1 HTTP/1.1\r\nHost: x\r\nX-Pad: " + large + "\r\n\r\n", 413, ""},
        {"POST /api/heats HTTP/1.1\r\nHost: x\r\nContent-Length: 40000\r\n\r\n" + large, 413, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request.left(60).toStdString());
        const Http_answer answer = Exchange(board.port(), c.request);
        EXPECT_EQ(answer.status, c.status);
        EXPECT_TRUE(answer.body.contains(c.body));
        EXPECT_FALSE(answer.body.contains("Secret crew"));
    }
    // An answer to HEAD has no body: the next answer on the connection starts right after its head.
    QTcpSocket keep_alive;
    keep_alive.connectToHost(QHostAddress::LocalHost, board.port());
    keep_alive.write("HEAD /api/heats HTTP/1.1\r\nHost: x\r\n\r\n");
    QByteArray got;
    ASSERT_TRUE(Wait_for([&] { return (got += keep_alive.readAll()).contains("\r\n\r\n"); }));
    keep_alive.write("GET /api/heats/H1 HTTP/1.1\r\nHost: x\r\n\r\n");
    const QByteArray second_head = "\r\n\r\nHTTP/1.1 ";
    ASSERT_TRUE(Wait_for([&] {
        got += keep_alive.readAll();
        return got.contains(second_head) && Parse_answer(got.mid(got.indexOf(second_head) + 4));
    })) << got.toStdString();
    EXPECT_TRUE(got.startsWith("HTTP/1.1 405"));
    EXPECT_EQ(Parse_answer(got.mid(got.indexOf(second_head) + 4))->body, Heat_json({}));
    EXPECT_EQ(board.Stop(), 0) << "a clean end, nothing leaked";
}

// A live client, with every message it has been sent.
struct Live_client {
    explicit Live_client(const QString& url)
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& m) { got << m; });
        QObject::connect(&socket, &QWebSocket::connected, [this] { opened = true; });
        socket.open(QUrl(url));
    }
    QWebSocket socket;
    QStringList got;
    bool opened = false;
};

TEST_F(Board_folder, PushesEachChangedHeatToEveryLiveClientAndNeverADamagedOne)
{
    Board_process board({folder});
    const QString live = QString(board.url()).replace("http:", "ws:") + "live";
    Live_client first(live), second(live), elsewhere(QString(live).replace("live", "other"));
    ASSERT_TRUE(Wait_for([&] {
        return first.socket.state() == QAbstractSocket::ConnectedState &&
               second.socket.state() == QAbstractSocket::ConnectedState;
    }));

    Write_heat(folder, "H1", Heat_json({}).left(100));
    const QByteArray h2 = Heat_json({.id = "H2", .updated = "2026-12-09T21:00:00Z"});
    Write_heat(folder, "H2", h2);
    ASSERT_TRUE(Wait_for([&] { return !first.got.isEmpty() && !second.got.isEmpty(); }));
    EXPECT_EQ(first.got.first().toUtf8(), h2) << "the half-written heat is not pushed";
    EXPECT_EQ(second.got.first().toUtf8(), h2);
    EXPECT_EQ(Get(board.port(), "/api/heats/H1").body, Heat_json({})) << "the last good version stays";

    const QByteArray official = Heat_json({.state = "official", .revision = 2, .time = "2:01,00"});
    Write_heat(folder, "H1", official);
    ASSERT_TRUE(Wait_for([&] { return first.got.size() == 2 && second.got.size() == 2; }));
    EXPECT_EQ(first.got.last().toUtf8(), official);
    EXPECT_EQ(second.got.last().toUtf8(), official);

    ASSERT_TRUE(Wait_for([&] { return elsewhere.socket.state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_FALSE(elsewhere.opened) << "only the live channel takes push clients";
    EXPECT_TRUE(elsewhere.got.isEmpty());
}

TEST_F(Board_folder, ClosesIdleConnectionsAndTurnsAwayThosePastTheBound)
{
    Heat_store store({folder.toStdString()});
    store.Rescan();
    // One board that never idles a connection out, so only the bound can turn one away, and one
    // that does at once.
    Board_server bounded(store, Board_limits{.max_connections = 2, .idle_ms = 600'000});
    Board_server idling(store, Board_limits{.max_connections = 1, .idle_ms = 200});
    QString why;
    ASSERT_TRUE(bounded.Listen(QHostAddress::LocalHost, 0, &why)) << why.toStdString();
    ASSERT_TRUE(idling.Listen(QHostAddress::LocalHost, 0, &why)) << why.toStdString();

    QTcpSocket a, b, idle;
    for (QTcpSocket* s : {&a, &b})
        s->connectToHost(QHostAddress::LocalHost, bounded.Port());
    EXPECT_EQ(Get(bounded.Port(), "/api/heats/H1").status, 503) << "a third connection is turned away";
    a.abort();
    ASSERT_TRUE(Wait_for([&] { return Get(bounded.Port(), "/api/heats/H1").status == 200; }))
        << "a closed connection frees its place";

    idle.connectToHost(QHostAddress::LocalHost, idling.Port());
    ASSERT_TRUE(Wait_for([&] { return idle.state() == QAbstractSocket::UnconnectedState; }))
        << "the board closes a connection that asks nothing";
    EXPECT_EQ(Get(idling.Port(), "/api/heats/H1").status, 200);
}

} // namespace
} // namespace wk::test
