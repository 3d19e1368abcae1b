#pragma once
// Keeps the desktop's screen saver and blanking off while anything holds it (a recording open
// in the viewer, the capture window shown): one inhibit with the desktop's screen-saver service
// for all holders, released when the last lets go and at exit. Where no service is installed or
// none answers, holding changes nothing.
#include <cstdint>
#include <optional>
#include <string>

namespace wk::platform {

class Screen_saver_service {
public:
    virtual ~Screen_saver_service() = default;
    // A cookie for UnInhibit, or nothing when the service refused or is not there.
    virtual std::optional<uint32_t> Inhibit(const std::string& application, const std::string& reason) = 0;
    virtual void UnInhibit(uint32_t cookie) = 0;
};

// The program installs the session bus's service at start-up; tests a fake; nullptr: none.
void Install_screen_saver_service(Screen_saver_service* service);
// The freedesktop ScreenSaver interface on the session bus (org.freedesktop.ScreenSaver).
Screen_saver_service& Session_screen_saver();

// `owner` holds (or lets go of) the screen awake. Holding twice is holding once.
void Hold_screen_awake(const void* owner, bool hold);
// Every holder lets go (program exit).
void Release_screen_awake();
bool Screen_awake_held();

} // namespace wk::platform
