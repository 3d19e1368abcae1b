#pragma once
namespace wk::platform {
// Installs the application-wide filter that keeps the key state (Key_state.h) up to date.
void Install_key_event_filter();
// Translates a Qt key code to the Windows virtual-key code; 0 when there is none.
int Virtual_key_of(int qt_key);
} // namespace wk::platform
