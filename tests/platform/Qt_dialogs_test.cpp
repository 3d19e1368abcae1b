// The program's own dialogs on the screen, answered with the crew's keys.
#include "platform/Qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace wk::platform {
namespace {

// Runs `answer` on the input box once it is up.
void When_input_box_shows(std::function<void(QInputDialog&, QLineEdit&)> answer)
{
    QTimer::singleShot(0, [answer] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        auto* line = box->findChild<QLineEdit*>();
        ASSERT_NE(line, nullptr);
        answer(*box, *line);
    });
}

TEST(Qt_input_box, ShowsAWholePathAndGivesBackWhatWasTypedOrNothingOnEscape)
{
    struct Case {
        const char* name;
        std::string start;
        const char* typed;
        Qt::Key key;
        std::optional<std::string> answer;
    };
    const std::string path = "/home/crew/Regatta 2026/Capture station 2/Heat 14 final A.qs2";
    const std::vector<Case> cases = {
        {"a path kept with Enter", path, "", Qt::Key_Return, path},
        {"a name typed over it", path, "Heat 15", Qt::Key_Enter, std::string("Heat 15")},
        {"Escape", "Heat 1", "x", Qt::Key_Escape, std::nullopt},
    };
    Qt_dialogs dialogs;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int seen_width = 0, needed = 0;
        When_input_box_shows([&](QInputDialog&, QLineEdit& line) {
            seen_width = line.width();
            needed = line.fontMetrics().horizontalAdvance(QString::fromStdString(path)) + 12;
            if (*c.typed) {
                line.selectAll();
                QTest::keyClicks(&line, c.typed);
            }
            QTest::keyClick(&line, c.key);
        });
        EXPECT_EQ(dialogs.Input_box("New name?", "Rename", c.start), c.answer);
        EXPECT_GE(seen_width, needed) << "the box is too narrow for a path";
    }
}

} // namespace
} // namespace wk::platform
