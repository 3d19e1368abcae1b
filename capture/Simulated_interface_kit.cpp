#include "capture/Simulated_interface_kit.h"

#include "services/Module_utilities.h"

namespace wk {

void Simulated_interface_kit::Open(int32_t) { ++open_calls_; }

bool Simulated_interface_kit::Input_state(int32_t index) const { return Valid(index) && inputs_[size_t(index)]; }

bool Simulated_interface_kit::Output_state(int32_t index) const { return Valid(index) && outputs_[size_t(index)]; }

void Simulated_interface_kit::Set_output_state(int32_t index, bool state)
{
    // A detached box has no outputs to drive.
    if (!attached_ || !Valid(index)) return;
    outputs_[size_t(index)] = state;
}

void Simulated_interface_kit::Attach(int32_t serial)
{
    serial_ = serial;
    if (attached_) return;
    attached_ = true;
    if (On_attach) On_attach();
}

void Simulated_interface_kit::Detach()
{
    if (!attached_) return;
    attached_ = false;
    // The lamp goes dark with the box.
    outputs_.fill(false);
    if (On_detach) On_detach();
}

void Simulated_interface_kit::Set_input(int32_t index, bool state)
{
    if (!Valid(index) || inputs_[size_t(index)] == state) return;
    inputs_[size_t(index)] = state;
    // The driver of this kit runs on the GUI thread: the change is seen now.
    if (attached_ && On_input_change) On_input_change(index, state, Get_Tick());
}

} // namespace wk
