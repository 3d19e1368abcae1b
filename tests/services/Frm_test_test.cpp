// The time-entry test window: the repeating buttons end however the press ends.
#include "platform/Forms.h"
#include "platform/Key_state.h"
#include "services/Frm_test.h"
#include "tests/support/Test_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace wk {
namespace {

// A clock that does something once the time has come, while the window waits on it.
class Event_clock final : public test::Manual_clock {
public:
    void Sleep_ms(int32_t ms) override
    {
        Manual_clock::Sleep_ms(ms);
        if (action && platform::Tick_difference(tick, at) >= 0) std::exchange(action, nullptr)();
    }
    int32_t at = 0;
    std::function<void()> action;
};

class Time_entry : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.show();
        form.Lbl_hms_Click(1); // minutes
        form.Let_Time_value(10 * 3600000);
        clock.tick = 0;
        platform::Set_key_down(platform::VK_LBUTTON, true);
    }
    void TearDown() override
    {
        platform::Release_all_keys();
        for (auto* f : platform::Loaded_forms()) f->Unload_form();
    }
    // Presses button `index` and lets `end_press` happen 460 ms later; returns the steps made.
    int32_t Press(int index, const std::function<void()>& end_press)
    {
        clock.at = 460;
        clock.action = end_press;
        const int32_t before = form.Time_value();
        form.Cmd_time_MouseDown(index);
        return (form.Time_value() - before) / form.Step();
    }
    test::Temp_home home;
    Event_clock clock;
    Frm_test& form = platform::Form_instance<Frm_test>();
};

// Steps at 0, 200, 350 and 450 ms (waits of 200, 150, 100, then 50): four before 460 ms.
TEST_F(Time_entry, TheRepeatEndsWhenTheButtonIsReleased)
{
    EXPECT_EQ(Press(0, [this] { form.Cmd_time_MouseUp(0); }), 4);
    EXPECT_FALSE(form.Repeating());
    EXPECT_EQ(clock.tick, 504); // the wait in progress ends, no step follows
    EXPECT_EQ(form.Lbl_hms[1]->text(), "04");
}

TEST_F(Time_entry, TheRepeatEndsWhenTheReleaseIsLostButTheButtonIsUp)
{
    EXPECT_EQ(Press(0, [] { platform::Set_key_down(platform::VK_LBUTTON, false); }), 4);
    EXPECT_FALSE(form.Repeating());
}

TEST_F(Time_entry, TheRepeatEndsWhenTheWindowCloses)
{
    const QPointer<Frm_test> window(&form);
    const int32_t before = form.Time_value();
    int32_t steps = 0;
    clock.at = 460;
    clock.action = [&] {
        steps = (before - form.Time_value()) / form.Step();
        form.close();
    };
    form.Cmd_time_MouseDown(1); // returns, whether or not the window is still there
    EXPECT_EQ(steps, 4);
    EXPECT_EQ(clock.tick, 504); // no step and no wait after the close
    if (window) EXPECT_FALSE(window->Repeating());
    EXPECT_TRUE(!window || window->Is_unloaded());
}

TEST_F(Time_entry, APressWithTheButtonAlreadyUpStepsOnce)
{
    platform::Set_key_down(platform::VK_LBUTTON, false);
    EXPECT_EQ(Press(0, nullptr), 1);
    EXPECT_EQ(clock.tick, 201);
}

TEST_F(Time_entry, StepsGoRoundMidnightBothWays)
{
    form.Let_Time_value(30000); // 00:00:30
    platform::Set_key_down(platform::VK_LBUTTON, false);
    form.Cmd_time_MouseDown(1);
    EXPECT_EQ(form.Time_value(), 86400000 - 30000);
    EXPECT_EQ(form.Lbl_hms[0]->text(), "23");
    form.Cmd_time_MouseDown(0);
    EXPECT_EQ(form.Time_value(), 30000);
}

TEST_F(Time_entry, TheClickedPartChoosesTheStep)
{
    form.Lbl_hms_Click(0);
    EXPECT_EQ(form.Step(), 3600000);
    EXPECT_EQ(form.Lbl_hms[0]->backgroundRole(), QPalette::Highlight);
    EXPECT_EQ(form.Lbl_hms[1]->backgroundRole(), QPalette::Window);
    form.Lbl_hms_Click(2);
    EXPECT_EQ(form.Step(), 1000);
}

TEST_F(Time_entry, TheLoadShowsTheLocalTimeOfDay)
{
    form.Form_Load();
    EXPECT_EQ(form.Time_value(), 10 * 3600000 + 11 * 60000 + 12 * 1000 + 345);
    EXPECT_EQ(form.Lbl_hms[0]->text(), "10");
    EXPECT_EQ(form.Lbl_hms[2]->text(), "12");
}

TEST_F(Time_entry, ASelectedPartOfTheTimeTextChoosesTheStepAndTheUpDownKeepsTheSelection)
{
    form.Let_Time_value(3723450); // 1:02:03,45, shown after a sign place
    form.Lbl_hms_Click(2);
    form.UpDown1_UpClick();
    EXPECT_EQ(form.txt_display_time->text(), " 1:02:04,45");
    form.Txt_start->setText("3");
    form.Txt_length->setText("2");
    form.Command1_Click();
    EXPECT_EQ(form.Step(), 60000);
    form.UpDown1_DownClick();
    EXPECT_EQ(form.txt_display_time->text(), " 1:01:04,45");
    EXPECT_EQ(form.txt_display_time->selectedText(), "01");
    form.Command2_Click();
    EXPECT_EQ(form.Lbl_sel->text(), "Start = 3 length = 2");
    form.txt_display_time->setSelection(9, 2);
    EXPECT_EQ(form.Step(), 10);
    form.txt_display_time->setSelection(3, 3); // not a part: the step stays
    EXPECT_EQ(form.Step(), 10);
}

} // namespace
} // namespace wk
