#pragma once
// The control box's digital-input kit as the capture window sees it. The real kit, the simulated
// kit and the keyboard kit all look like this; their events come on the GUI thread.
#include <cstdint>
#include <functional>
#include <string>

namespace wk {

class Interface_kit {
public:
    virtual ~Interface_kit() = default;
    // Starts looking for a box (serial 0: any box).
    virtual void Open(int32_t serial) = 0;
    virtual bool Attached() const = 0;
    virtual int32_t Serial_number() const = 0;
    // Inputs and outputs that do not exist read as off and ignore writes.
    virtual bool Input_state(int32_t index) const = 0;
    virtual void Set_output_state(int32_t index, bool state) = 0;
    // Why no box is attached, when the kit can tell (for the operator); empty otherwise.
    virtual std::string Problem() const { return {}; }

    // The kit's events; unset ones are not called. An input change carries the tick of the moment
    // the kit's driver saw it, so the time it waits for the GUI thread never enters a start.
    std::function<void(int32_t index, bool state, int32_t tick)> On_input_change;
    std::function<void()> On_attach;
    std::function<void()> On_detach;
    // Problem() has changed.
    std::function<void()> On_problem;
};

} // namespace wk
