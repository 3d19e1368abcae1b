#include "capture/Control_box.h"

#include "platform/Clock.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Run_time_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"

#include <charconv>
#include <cstdlib>
#include <string>
#include <string_view>

namespace wk {

namespace {
constexpr const char* k_Form = " of Form Form_capture_multi_file";

// The box the settings choose; 0 (unset, or no serial) takes the first box the library finds.
int32_t Chosen_box_serial()
{
    // No settings file yet (a box made before the program's initialisation): nothing chooses.
    if (Ini_file_path.empty()) return 0;
    try {
        const int32_t serial = Read_setting(ini::Box_serial);
        if (serial >= 0) return serial;
        Trace_Line("box_serial " + std::to_string(serial) + " is no serial: any box is taken");
    } catch (const Run_time_error& e) {
        Trace_Line(std::string("box_serial is no whole number: any box is taken (") + e.what() + ")");
    }
    return 0;
}
} // namespace

int32_t Control_box::Dead_time_ms()
{
    const char* text = std::getenv("WK_BOX_DEAD_TIME_MS");
    if (!text) return k_Dead_time_ms;
    const std::string_view view(text);
    int32_t ms = 0;
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), ms);
    if (error != std::errc() || end != view.data() + view.size() || ms < 0 || ms > k_Dead_time_ms) {
        Trace_Line("WK_BOX_DEAD_TIME_MS=" + std::string(view) + " is no time from 0 to 5000 ms: the dead time stays 5000 ms");
        return k_Dead_time_ms;
    }
    return ms;
}

Control_box::Control_box(Control_box_owner& owner, std::unique_ptr<Interface_kit> kit)
    : owner_(owner), kit_(std::move(kit))
{
    kit_->On_input_change = [this](int32_t index, bool state, int32_t tick) { Input_changed(index, state, tick); };
    kit_->On_attach = [this] { Attached(); };
    kit_->On_detach = [this] { Detached(); };
    kit_->On_problem = [this] {
        if (test_mode_) owner_.Control_box_changed();
    };
    Trace_Line("Before Set obj_Phidget = New PhidgetInterfaceKit");
    kit_->Open(Chosen_box_serial());
    Trace_Line("After obj_Phidget.Open");
}

Control_box::~Control_box()
{
    // The kit may outlive nothing of ours, but its events must not reach a box that is gone.
    kit_->On_input_change = nullptr;
    kit_->On_attach = nullptr;
    kit_->On_detach = nullptr;
    kit_->On_problem = nullptr;
}

void Control_box::Loaded()
{
    load_tick_ = Get_Tick();
    loaded_ = true;
}

bool Control_box::In_dead_time(int32_t tick) const
{
    // Measured at the change itself: a change that waited for the GUI thread is as old as it is.
    // Before the load has ended nothing is acted on either.
    if (!loaded_ || platform::Tick_difference(tick, load_tick_) < dead_time_ms_) return true;
    return attached_once_ && platform::Tick_difference(tick, attach_tick_) < dead_time_ms_;
}

void Control_box::Input_changed(int32_t index, bool state, int32_t tick)
{
    try {
        Trace_Line("*obj_phidget_OnInputChange, index = " + std::to_string(index) +
                   " NewState = " + Bool_To_Text(state) + " p_Phidget_Attached = " + Bool_To_Text(p_Phidget_Attached));
        // A capture ends when its button is let go, even in the dead time or in test mode:
        // otherwise frames would be stored until memory runs out.
        if (index == Input_capture && !state && owner_.Capturing()) {
            owner_.Handle_Capture_End(owner_.Active_heat(), tick);
            return;
        }
        if (In_dead_time(tick)) return;
        // Input 3 lights its drawing in test mode and out of it.
        if (index == Input_button_2 && state) button_2_lit_ = true;
        if (test_mode_) {
            owner_.Control_box_changed();
            return;
        }
        if (kit_->Attached()) p_Phidget_Attached = true;
        switch (index) {
        case Input_start: Armed_start(tick); break;
        case Input_arm:
            if (state) {
                arm_reference_state_ = kit_->Input_state(Input_start);
                armed_ = true;
            }
            break;
        case Input_start_button:
            if (state) owner_.Handle_Start_Event(owner_.Active_heat(), tick);
            break;
        case Input_capture:
            if (state) owner_.Handle_Capture_Start(owner_.Active_heat(), tick);
            break;
        default: break;
        }
    } catch (...) {
        Report_current_exception("obj_phidget_OnInputChange" + std::string(k_Form));
    }
}

void Control_box::Armed_start(int32_t tick)
{
    const bool a = kit_->Input_state(Input_start);
    const bool b = kit_->Input_state(Input_arm);
    // One start per arming: a bouncing contact flips input 0 several times.
    if (armed_ && a != arm_reference_state_ && b) {
        armed_ = false;
        ++starts_given_;
        owner_.Handle_Start_Event(owner_.Active_heat(), tick);
    }
    Set_Phidget_State(0, kit_->Input_state(Input_start));
}

void Control_box::Set_Phidget_State(int32_t index, bool state)
{
    if (!p_Phidget_Attached) return;
    try {
        kit_->Set_output_state(index, state);
    } catch (...) {
        // The lamp is a convenience; a box that refuses it still times.
    }
}

void Control_box::Update_Control_Box_Led()
{
    if (p_Phidget_Attached && !g_Exiting) Set_Phidget_State(0, kit_->Input_state(Input_start));
}

bool Control_box::LED_lit() const { return led_down_ || kit_->Input_state(Input_start); }

void Control_box::LED_down(bool down)
{
    led_down_ = down;
    Set_Phidget_State(0, LED_lit());
    owner_.Control_box_changed();
}

void Control_box::Attached()
{
    try {
        Trace_Line("*obj_phidget_OnAttach start");
        attach_tick_ = Get_Tick();
        attached_once_ = true;
        p_Phidget_Attached = true;
        box_serial_ = std::to_string(kit_->Serial_number());
        if (test_mode_) {
            owner_.Control_box_changed();
            return;
        }
        Update_Control_Box_Led();
        Trace_Line("obj_phidget_OnAttach end");
    } catch (...) {
        Report_current_exception("obj_phidget_OnAttach" + std::string(k_Form));
    }
}

void Control_box::Detached()
{
    try {
        Trace_Line("obj_phidget_OnDetach start");
        p_Phidget_Attached = false;
        // A box pulled out while its capture button is held would never send the release.
        if (owner_.Capturing()) owner_.Handle_Capture_End(owner_.Active_heat(), Get_Tick());
        if (test_mode_) owner_.Control_box_changed();
        Trace_Line("obj_phidget_OnDetach end");
    } catch (...) {
        Report_current_exception("obj_phidget_OnDetach" + std::string(k_Form));
    }
}

} // namespace wk
