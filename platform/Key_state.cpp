#include "platform/Key_state.h"

#include "platform/State_reset.h"

#include <array>

namespace wk::platform {
namespace {
std::array<bool, 256> g_keys{};
std::function<void()> g_keep_awake;
const State_reset k_Forget_keys{[] { Release_all_keys(); }};
} // namespace

bool Key_is_down(int vk) { return vk >= 0 && vk < 256 && g_keys[size_t(vk)]; }
void Set_key_down(int vk, bool down)
{
    if (vk >= 0 && vk < 256) g_keys[size_t(vk)] = down;
}
void Release_all_keys() { g_keys.fill(false); }
void Set_screen_keep_awake(std::function<void()> action) { g_keep_awake = std::move(action); }
void Keep_screen_awake()
{
    if (g_keep_awake) g_keep_awake();
}

} // namespace wk::platform
