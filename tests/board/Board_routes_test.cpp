#include "board/Board_routes.h"

#include "board/Heat_store.h"
#include "tests/board/Heat_files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace wk::test {
namespace {

TEST(BoardRoutes, AnswersReadsRefusesWritesAndPathsThatLeaveTheBoard)
{
    QTemporaryDir top;
    const QString folder = top.filePath("results");
    ASSERT_TRUE(QDir().mkpath(folder));
    Write_heat(folder, "H1", Heat_json({}));
    // What a path that left the results folder would find.
    Write_heat(top.path(), "secret", Heat_json({.id = "secret", .name = "Secret crew"}));
    Heat_store store({folder.toStdString()});
    store.Rescan();
    struct Case {
        const char* method;
        const char* path;
        int status;
        const char* body_part;
    } cases[] = {
        {"GET", "/api/heats", 200, "\"heats\":[{"},
        {"GET", "/api/heats/H1", 200, "\"time\":\"2:03,46\""},
        {"GET", "/api/heats/H9", 404, ""},
        {"GET", "/api/heats/", 404, ""},
        {"GET", "/", 200, "<!DOCTYPE html>"},
        {"GET", "/board.js", 200, "WebSocket"},
        {"GET", "/board.css", 200, "body"},
        {"GET", "/live", 426, ""},
        {"GET", "/nothing", 404, ""},
        {"POST", "/api/heats", 405, ""},
        {"PUT", "/api/heats/H1", 405, ""},
        {"DELETE", "/api/heats/H1", 405, ""},
        {"OTHER", "/", 405, ""},
        {"GET", "/../secret.json", 400, ""},
        {"GET", "/api/heats/../../secret", 400, ""},
        {"GET", "/api/heats/..%2fsecret", 400, ""},
        {"GET", "/api/heats/%2e%2e/secret", 400, ""},
        {"GET", "/%2e%2e/%2e%2e/etc/passwd", 400, ""},
        {"GET", "/api%2fheats", 400, ""},
        {"GET", "/api/heats/H1%00", 400, ""},
        {"GET", "/api\\heats", 400, ""},
        {"GET", "//etc/passwd", 400, ""},
        {"GET", "/.hidden", 400, ""},
        {"GET", "etc/passwd", 400, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        const Board_answer answer = Answer({c.method, c.path}, store);
        EXPECT_EQ(answer.status, c.status);
        EXPECT_TRUE(answer.body.contains(c.body_part)) << answer.body.left(200).toStdString();
        EXPECT_FALSE(answer.body.contains("Secret crew"));
    }
}

} // namespace
} // namespace wk::test
