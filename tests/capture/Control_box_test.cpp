// The control box's inputs: dead time, arming, the capture button, detach and the lamp.
#include "capture/Control_box.h"
#include "capture/Simulated_interface_kit.h"

#include "services/Module_qsm_Globals.h"
#include "tests/support/Test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wk {
namespace {

class Recording_owner final : public Control_box_owner {
public:
    int16_t Active_heat() const override { return active; }
    bool Capturing() const override { return capturing; }
    void Handle_Start_Event(int16_t slot, int32_t tick) override
    {
        calls.push_back("start " + std::to_string(slot));
        start_ticks.push_back(tick);
    }
    void Handle_Capture_Start(int16_t slot, int32_t tick) override
    {
        capture_ticks.push_back(tick);
        calls.push_back("capture " + std::to_string(slot));
        capturing = true;
    }
    void Handle_Capture_End(int16_t slot, int32_t tick) override
    {
        capture_ticks.push_back(tick);
        calls.push_back("end " + std::to_string(slot));
        capturing = false;
    }
    void Control_box_changed() override { ++panel_updates; }
    int16_t active = 1;
    bool capturing = false;
    int panel_updates = 0;
    std::vector<std::string> calls;
    std::vector<int32_t> start_ticks;
    // The stamped press and release of each capture, in turn.
    std::vector<int32_t> capture_ticks;
};

class Control_box_inputs : public ::testing::Test {
protected:
    Control_box_inputs()
    {
        auto made = std::make_unique<Simulated_interface_kit>();
        kit = made.get();
        box = std::make_unique<Control_box>(owner, std::move(made));
        p_Phidget_Attached = false;
        box->Loaded();
        clock.tick += Control_box::k_Dead_time_ms;
    }
    ~Control_box_inputs() override { p_Phidget_Attached = false; }
    // Attaches the box and lets its dead time pass.
    void Attach_settled()
    {
        kit->Attach(4242);
        clock.tick += Control_box::k_Dead_time_ms;
    }

    test::Manual_clock clock;
    Recording_owner owner;
    Simulated_interface_kit* kit = nullptr;
    std::unique_ptr<Control_box> box;
};

TEST_F(Control_box_inputs, KitIsOpenedOnceAndAttachSetsTheSerial)
{
    EXPECT_EQ(kit->Open_calls(), 1);
    kit->Attach(4242);
    EXPECT_TRUE(p_Phidget_Attached);
    EXPECT_EQ(box->Box_serial(), "4242");
    kit->Detach();
    EXPECT_FALSE(p_Phidget_Attached);
}

TEST_F(Control_box_inputs, DeadTimeEndsExactlyFiveSecondsAfterAttach)
{
    kit->Attach(1);
    clock.tick += 4999;
    kit->Set_input(Control_box::Input_start_button, true);
    EXPECT_TRUE(owner.calls.empty());
    kit->Set_input(Control_box::Input_start_button, false);
    clock.tick += 1;
    kit->Set_input(Control_box::Input_start_button, true);
    EXPECT_EQ(owner.calls, std::vector<std::string>{"start 1"});
}

TEST_F(Control_box_inputs, AChangeHandledLateIsJudgedAndStartedAtItsOwnTick)
{
    kit->Attach(1);
    const int32_t attach = clock.tick;
    // The GUI thread takes both changes long after the dead time; the first came inside it.
    clock.tick += 9000;
    box->Input_changed(Control_box::Input_start_button, true, platform::Tick_add(attach, 4999));
    EXPECT_TRUE(owner.calls.empty());
    box->Input_changed(Control_box::Input_start_button, false, platform::Tick_add(attach, 5000));
    box->Input_changed(Control_box::Input_start_button, true, platform::Tick_add(attach, 5000));
    EXPECT_EQ(owner.start_ticks, std::vector<int32_t>{platform::Tick_add(attach, 5000)});
}

TEST_F(Control_box_inputs, InsideTheDeadTimeInputThreeLightsNothing)
{
    kit->Attach(1);
    clock.tick += 100;
    kit->Set_input(Control_box::Input_button_2, true);
    EXPECT_FALSE(box->Button_2_lit());
    kit->Set_input(Control_box::Input_button_2, false);
    clock.tick += Control_box::k_Dead_time_ms;
    kit->Set_input(Control_box::Input_button_2, true);
    EXPECT_TRUE(box->Button_2_lit());
    EXPECT_TRUE(owner.calls.empty());
}

TEST_F(Control_box_inputs, DeadTimeAfterLoadAndAcrossTheTickWrap)
{
    Recording_owner other;
    clock.tick = INT32_MAX - 1000; // the load lies just before the wrap
    auto made = std::make_unique<Simulated_interface_kit>();
    auto* k = made.get();
    Control_box b(other, std::move(made));
    k->Attach(7);
    b.Loaded();
    clock.tick = platform::Tick_add(clock.tick, 4999);
    k->Set_input(Control_box::Input_start_button, true);
    EXPECT_TRUE(other.calls.empty());
    k->Set_input(Control_box::Input_start_button, false);
    clock.tick = platform::Tick_add(clock.tick, 1);
    k->Set_input(Control_box::Input_start_button, true);
    EXPECT_EQ(other.calls.size(), 1u);
}

// WK_BOX_DEAD_TIME_MS shortens the dead time of boxes made after it is set; anything that is no
// time from 0 to 5000 ms leaves the five seconds.
TEST_F(Control_box_inputs, TheEnvironmentMayShortenTheDeadTimeButNeverLengthenIt)
{
    struct Case {
        const char* value;
        int32_t dead_ms;
    };
    for (const Case c : {Case{"250", 250}, Case{"0", 0}, Case{"5000", 5000}, Case{"5001", 5000}, Case{"60000", 5000},
                         Case{"-1", 5000}, Case{"12ms", 5000}, Case{"", 5000}, Case{"2147483648", 5000}}) {
        SCOPED_TRACE(std::string("WK_BOX_DEAD_TIME_MS=") + c.value);
        setenv("WK_BOX_DEAD_TIME_MS", c.value, 1);
        Recording_owner other;
        auto made = std::make_unique<Simulated_interface_kit>();
        auto* k = made.get();
        Control_box b(other, std::move(made));
        unsetenv("WK_BOX_DEAD_TIME_MS");
        b.Loaded();
        k->Attach(7);
        if (c.dead_ms > 0) {
            clock.tick += c.dead_ms - 1;
            k->Set_input(Control_box::Input_start_button, true);
            EXPECT_TRUE(other.calls.empty());
            k->Set_input(Control_box::Input_start_button, false);
            clock.tick += 1;
        }
        k->Set_input(Control_box::Input_start_button, true);
        EXPECT_EQ(other.calls.size(), 1u);
    }
}

TEST_F(Control_box_inputs, ArmedStartFiresOncePerArmingAndLampFollowsInputZero)
{
    Attach_settled();
    // Not armed: input 0 starts nothing, yet the lamp follows it.
    kit->Set_input(Control_box::Input_start, true);
    EXPECT_TRUE(owner.calls.empty());
    EXPECT_TRUE(kit->Output_state(0));
    kit->Set_input(Control_box::Input_start, false);
    EXPECT_FALSE(kit->Output_state(0));
    // Armed with input 0 off: the first change starts, the bounces after it do not.
    kit->Set_input(Control_box::Input_arm, true);
    for (int bounce = 0; bounce < 3; ++bounce) {
        kit->Set_input(Control_box::Input_start, true);
        kit->Set_input(Control_box::Input_start, false);
    }
    EXPECT_EQ(owner.calls, std::vector<std::string>{"start 1"});
    EXPECT_EQ(box->Starts_given(), 1);
    // Arming again allows one more start.
    kit->Set_input(Control_box::Input_arm, false);
    kit->Set_input(Control_box::Input_arm, true);
    kit->Set_input(Control_box::Input_start, true);
    EXPECT_EQ(owner.calls.size(), 2u);
}

TEST_F(Control_box_inputs, ArmingWithInputZeroOnStartsWhenItTurnsOff)
{
    Attach_settled();
    kit->Set_input(Control_box::Input_start, true);
    kit->Set_input(Control_box::Input_arm, true);
    kit->Set_input(Control_box::Input_start, false);
    EXPECT_EQ(owner.calls, std::vector<std::string>{"start 1"});
    EXPECT_FALSE(kit->Output_state(0));
}

TEST_F(Control_box_inputs, CaptureButtonHoldsAndReleaseOrDetachEndsIt)
{
    Attach_settled();
    kit->Set_input(Control_box::Input_capture, true);
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"capture 1", "end 1"}));
    owner.calls.clear();
    kit->Set_input(Control_box::Input_capture, true);
    kit->Detach();
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"capture 1", "end 1"}));
    EXPECT_FALSE(owner.capturing);
    // Changes that waited for the GUI thread keep the times their driver stamped.
    owner.capture_ticks.clear();
    Attach_settled();
    clock.tick += 400;
    const int32_t pressed = clock.tick - 300, released = clock.tick - 120;
    box->Input_changed(Control_box::Input_capture, true, pressed);
    box->Input_changed(Control_box::Input_capture, false, released);
    EXPECT_EQ(owner.capture_ticks, (std::vector<int32_t>{pressed, released}));
}

TEST_F(Control_box_inputs, ReleaseInDeadTimeStillEndsACapture)
{
    Attach_settled();
    kit->Set_input(Control_box::Input_capture, true);
    // The box re-attaches while the button is held: its release falls in the new dead time.
    kit->Detach();
    owner.capturing = true;
    kit->Attach(4242);
    kit->Set_input(Control_box::Input_capture, false);
    EXPECT_FALSE(owner.capturing);
}

TEST_F(Control_box_inputs, TestModeOnlyMirrorsInputs)
{
    Attach_settled();
    box->Test_mode(true);
    kit->Set_input(Control_box::Input_capture, true);
    kit->Set_input(Control_box::Input_start_button, true);
    EXPECT_TRUE(owner.calls.empty());
    EXPECT_EQ(owner.panel_updates, 2);
    // Input 3 lights its drawing even outside test mode.
    box->Test_mode(false);
    kit->Set_input(Control_box::Input_button_2, true);
    EXPECT_TRUE(box->Button_2_lit());
}

TEST_F(Control_box_inputs, LampHeldByMouseOnlyWhileAttached)
{
    box->LED_down(true);
    EXPECT_FALSE(kit->Output_state(0)); // no box: nothing is driven
    Attach_settled();
    box->LED_down(true);
    EXPECT_TRUE(kit->Output_state(0));
    box->LED_down(false);
    EXPECT_FALSE(kit->Output_state(0));
}

} // namespace
} // namespace wk
