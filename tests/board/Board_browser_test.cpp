#include "tests/board/Board_client.h"
#include "tests/board/Devtools_pipe.h"
#include "tests/board/Heat_files.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace wk::test {
namespace {

TEST(BoardBrowser, ThePageShowsAResultChangedInTheResultsFolder)
{
    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed: the board page is not tried in a browser";
    QTemporaryDir top;
    const QString folder = top.filePath("results");
    ASSERT_TRUE(QDir().mkpath(folder));
    // A start list's name is text, never markup.
    Write_heat(folder, "H1", Heat_json({.name = "Anna <b>Berg</b>"}));
    Board_process board({folder});

    Devtools_pipe browser(chromium, top.filePath("browser"));
    ASSERT_TRUE(browser.started());
    const QString target = browser.Call("Target.createTarget", {{"url", "about:blank"}}).value("targetId").toString();
    const QString session =
        browser.Call("Target.attachToTarget", {{"targetId", target}, {"flatten", true}}).value("sessionId").toString();
    ASSERT_FALSE(session.isEmpty()) << browser.Log().toStdString();
    browser.Call("Page.enable", {}, session);
    browser.Call("Page.navigate", {{"url", board.url()}}, session);
    ASSERT_TRUE(browser.Wait_event("Page.loadEventFired", session)) << browser.Log().toStdString();

    const QString card = "document.getElementById('heat-H1')";
    const QString before = browser.Value_when(session, "document.body.dataset.live === 'open' && " + card, card + ".innerText").toString();
    EXPECT_TRUE(before.contains("2:03,46")) << before.toStdString();
    EXPECT_TRUE(before.contains("Provisional")) << before.toStdString();
    EXPECT_TRUE(before.contains("Anna <b>Berg</b>")) << before.toStdString();

    Write_heat(folder, "H1", Heat_json({.state = "official", .revision = 2, .name = "Anna <b>Berg</b>", .time = "2:01,00"}));
    const QString after =
        browser.Value_when(session, card + ".querySelector('.state').textContent === 'Official, revision 2'", card + ".innerText")
            .toString();
    EXPECT_TRUE(after.contains("2:01,00")) << after.toStdString();
    EXPECT_FALSE(after.contains("2:03,46")) << after.toStdString();
    EXPECT_EQ(browser.Value_when(session, "true", card + ".querySelectorAll('b').length").toInt(-1), 0);
    EXPECT_EQ(board.Stop(), 0);
}

} // namespace
} // namespace wk::test
