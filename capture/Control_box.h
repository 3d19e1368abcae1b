#pragma once
// What the control box's inputs mean to the capture window: input 0 is the start signal, armed
// by input 1; input 2 is a start button; input 5 is the capture button, held while frames are
// stored; output 0 is the box's lamp and follows input 0. Inputs are ignored for a dead time
// after the window's load and after every attach, while the box's contacts settle.
#include "capture/Interface_kit.h"

#include <cstdint>
#include <memory>
#include <string>

namespace wk {

// The capture window's side of the box.
class Control_box_owner {
public:
    virtual ~Control_box_owner() = default;
    virtual int16_t Active_heat() const = 0;
    virtual bool Capturing() const = 0;
    // The start signal of slot, seen at tick.
    virtual void Handle_Start_Event(int16_t slot, int32_t tick) = 0;
    // The capture input went down or up at tick (stamped where it was seen).
    virtual void Handle_Capture_Start(int16_t slot, int32_t tick) = 0;
    virtual void Handle_Capture_End(int16_t slot, int32_t tick) = 0;
    // The test panel should show the box's state again.
    virtual void Control_box_changed() {}
};

class Control_box {
public:
    static constexpr int32_t k_Dead_time_ms = 5000;
    // The dead time in force: WK_BOX_DEAD_TIME_MS may shorten it (tests that drive a whole
    // program through a simulated box), never lengthen it.
    static int32_t Dead_time_ms();
    enum : int32_t { Input_start = 0, Input_arm = 1, Input_start_button = 2, Input_button_2 = 3, Input_capture = 5 };

    // Takes the kit, connects its events and opens it; the kit lives as long as the box.
    Control_box(Control_box_owner& owner, std::unique_ptr<Interface_kit> kit);
    ~Control_box();
    Control_box(const Control_box&) = delete;
    Control_box& operator=(const Control_box&) = delete;

    // The window's load has ended: the first dead time starts now.
    void Loaded();
    // Test mode: the inputs only show on the panel and start nothing.
    void Test_mode(bool on) { test_mode_ = on; }
    bool Test_mode() const { return test_mode_; }
    // The lamp picture is held down with the mouse (it lights the lamp).
    void LED_down(bool down);
    bool LED_down() const { return led_down_; }
    bool LED_lit() const;

    const Interface_kit& Kit() const { return *kit_; }
    Interface_kit& Kit() { return *kit_; }
    const std::string& Box_serial() const { return box_serial_; }
    bool Button_2_lit() const { return button_2_lit_; }
    int32_t Starts_given() const { return starts_given_; }

    // The kit's events (public so that a kit without events of its own can be driven).
    // tick: when the kit's driver saw the change.
    void Input_changed(int32_t index, bool state, int32_t tick);
    void Attached();
    void Detached();

private:
    bool In_dead_time(int32_t tick) const;
    void Armed_start(int32_t tick);
    void Set_Phidget_State(int32_t index, bool state);
    void Update_Control_Box_Led();

    Control_box_owner& owner_;
    std::unique_ptr<Interface_kit> kit_;
    int32_t load_tick_ = 0, attach_tick_ = 0;
    const int32_t dead_time_ms_ = Dead_time_ms();
    bool loaded_ = false, attached_once_ = false;
    std::string box_serial_;
    bool led_down_ = false;
    bool test_mode_ = false;
    bool button_2_lit_ = false;
    // Input 0 as it stood when input 1 last turned on, and whether that arming has been used.
    bool arm_reference_state_ = false;
    bool armed_ = false;
    int32_t starts_given_ = 0;
};

} // namespace wk
