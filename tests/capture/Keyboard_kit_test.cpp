// The keyboard stands in for the control box.
#include "capture/Keyboard_interface_kit.h"

#include "tests/support/Test_support.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

namespace wk {
namespace {

void Key(QWidget* to, QEvent::Type type, int key, bool repeat = false)
{
    QKeyEvent event(type, key, Qt::NoModifier, QString(), repeat);
    QApplication::sendEvent(to, &event);
}

TEST(Keyboard_kit, AttachesOnOpenAndTurnsKeysOfItsWindowIntoInputs)
{
    test::Manual_clock clock;
    QWidget window;
    auto* edit = new QLineEdit(&window);
    QWidget elsewhere;
    Keyboard_interface_kit kit(&window);
    int attaches = 0;
    std::vector<std::pair<int32_t, bool>> changes;
    std::vector<int32_t> ticks;
    kit.On_attach = [&] { ++attaches; };
    kit.On_input_change = [&](int32_t i, bool s, int32_t tick) {
        changes.emplace_back(i, s);
        ticks.push_back(tick);
    };
    kit.Open(0);
    EXPECT_TRUE(kit.Attached());
    EXPECT_EQ(attaches, 1);
    // F8 is held: input 5 on while it is down, auto-repeats change nothing. Each change carries
    // the tick of its key.
    clock.tick = 2000;
    Key(edit, QEvent::KeyPress, Qt::Key_F8);
    clock.tick = 2300;
    Key(edit, QEvent::KeyPress, Qt::Key_F8, true);
    EXPECT_TRUE(kit.Input_state(5));
    clock.tick = 2600;
    Key(edit, QEvent::KeyRelease, Qt::Key_F8);
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_EQ(ticks[0], 2000);
    EXPECT_EQ(ticks[1], 2600);
    // F5 and F6 toggle on each press.
    Key(&window, QEvent::KeyPress, Qt::Key_F5);
    Key(&window, QEvent::KeyRelease, Qt::Key_F5);
    Key(&window, QEvent::KeyPress, Qt::Key_F6);
    Key(&window, QEvent::KeyPress, Qt::Key_F6);
    // Keys of another window and other keys are not the box's.
    Key(&elsewhere, QEvent::KeyPress, Qt::Key_F6);
    Key(edit, QEvent::KeyPress, Qt::Key_A);
    const std::vector<std::pair<int32_t, bool>> expected{{5, true}, {5, false}, {1, true}, {0, true}, {0, false}};
    EXPECT_EQ(changes, expected);
}

} // namespace
} // namespace wk
