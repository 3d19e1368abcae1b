#include "platform/State_reset.h"

#include <vector>

namespace wk::platform {
namespace {

// Filled while the modules start and fixed from then on.
std::vector<std::function<void()>>& Registered()
{
    static std::vector<std::function<void()>> resets;
    return resets;
}

} // namespace

State_reset::State_reset(std::function<void()> forget) { Registered().push_back(std::move(forget)); }

void Run_state_resets()
{
    for (const auto& forget : Registered()) forget();
}

} // namespace wk::platform
