#pragma once
// Key and mouse-button state by Windows virtual-key code, kept up to date by an
// application-wide event filter (installed by the program's window layer).
#include <cstdint>
#include <functional>

namespace wk::platform {

enum : int {
    VK_LBUTTON = 1, VK_RBUTTON = 2, VK_MBUTTON = 4, VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16,
    VK_CONTROL = 17, VK_MENU = 18, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34, VK_END = 35,
    VK_HOME = 36, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_DELETE = 46, VK_F1 = 112,
};

bool Key_is_down(int vk);
void Set_key_down(int vk, bool down);
void Release_all_keys();

// Every press is numbered: a loop that started at Key_presses() asks for the keys pressed since,
// so a key that went down before it (or whose release was never seen) cannot stop it.
uint64_t Key_presses();
// The lowest code in [first, last] of a key held now that went down after press number `since`;
// 0 when there is none.
int Key_down_since(uint64_t since, int first = 1, int last = 128);

// A synthetic key press only keeps the screen awake; the window layer may install how.
void Set_screen_keep_awake(std::function<void()> action);
void Keep_screen_awake();

} // namespace wk::platform
