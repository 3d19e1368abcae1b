#pragma once
// What a module remembers between calls is forgotten in one place. A module that keeps such state
// registers, next to it, how to forget it; the program's one reset runs every registration, so
// state of a higher layer is reset without a lower layer knowing it.
#include <functional>

namespace wk::platform {

// Made once per module at start-up: `const State_reset k_Forget{[] { g_seen.clear(); }};`
class State_reset {
public:
    explicit State_reset(std::function<void()> forget);
};

// Runs every registered reset. They are independent of each other, as their order is not fixed.
void Run_state_resets();

} // namespace wk::platform
