// The program's own dialogs on the screen, answered with the crew's keys.
#include "platform/Qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
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

// The box left open by a call that has returned.
QMessageBox* Open_box(const QString& text)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && box->text() == text) return box;
    return nullptr;
}

TEST(Qt_question_later, ReturnsWithTheBoxOpenAndNotModalAndGivesTheAnswerWhenItIsClicked)
{
    struct Case {
        const char* name;
        QMessageBox::StandardButton clicked; // NoButton: Escape
        int answer;
    };
    const std::vector<Case> cases = {
        {"OK", QMessageBox::Ok, vbOK}, {"Cancel", QMessageBox::Cancel, vbCancel}, {"Escape", QMessageBox::NoButton, vbCancel}};
    Qt_dialogs dialogs;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int> answers;
        dialogs.Ask_later("Aborting heat 7 , are you sure?", vbOKCancel | vbDefaultButton2, "Aborting",
                          [&](int answer) { answers.push_back(answer); });
        QMessageBox* box = Open_box("Aborting heat 7 , are you sure?");
        ASSERT_NE(box, nullptr);
        // Nothing waits for it: no modal loop, no answer yet, and every window takes input.
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(box->windowModality(), Qt::NonModal);
        EXPECT_TRUE(answers.empty());
        if (c.clicked != QMessageBox::NoButton) QTest::mouseClick(box->button(c.clicked), Qt::LeftButton);
        else QTest::keyClick(box, Qt::Key_Escape);
        EXPECT_EQ(answers, std::vector<int>{c.answer});
        EXPECT_TRUE(QTest::qWaitFor([&] { return Open_box("Aborting heat 7 , are you sure?") == nullptr; }, 10000));
    }
    // A notice is the same box with OK alone, and nothing to answer.
    dialogs.Show_notice("The disk is full", "");
    QMessageBox* notice = Open_box("The disk is full");
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->buttons().size(), 1);
    QTest::mouseClick(notice->button(QMessageBox::Ok), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Open_box("The disk is full") == nullptr; }, 10000));
}

} // namespace
} // namespace wk::platform
