#include "platform/Key_state.h"

#include "platform/State_reset.h"

#include <algorithm>
#include <array>

namespace wk::platform {
namespace {
std::array<bool, 256> g_keys{};
// The number of the press that put each key down.
std::array<uint64_t, 256> g_pressed_at{};
uint64_t g_presses = 0;
std::function<void()> g_keep_awake;
const State_reset k_Forget_keys{[] { Release_all_keys(); }};
} // namespace

bool Key_is_down(int vk) { return vk >= 0 && vk < 256 && g_keys[size_t(vk)]; }
void Set_key_down(int vk, bool down)
{
    if (vk < 0 || vk >= 256) return;
    // A repeated press of a held key is not a new press.
    if (down && !g_keys[size_t(vk)]) g_pressed_at[size_t(vk)] = ++g_presses;
    g_keys[size_t(vk)] = down;
}
void Release_all_keys() { g_keys.fill(false); }
uint64_t Key_presses() { return g_presses; }
int Key_down_since(uint64_t since, int first, int last)
{
    for (int vk = std::max(first, 0); vk <= last && vk < 256; ++vk)
        if (g_keys[size_t(vk)] && g_pressed_at[size_t(vk)] > since) return vk;
    return 0;
}
void Set_screen_keep_awake(std::function<void()> action) { g_keep_awake = std::move(action); }
void Keep_screen_awake()
{
    if (g_keep_awake) g_keep_awake();
}

} // namespace wk::platform
