#pragma once
// The forms runtime's bookkeeping without any window code: which windows are loaded (for
// Is_Form_Loaded and the exit's unload loop), DoEvents, App and Screen facts, twips.
#include <cstdint>
#include <string>
#include <vector>

namespace wk::platform {

// Anything the program counts as a loaded window. Windows register on load and
// unregister when they are unloaded.
class Form {
public:
    virtual ~Form() = default;
    virtual std::string Form_name() const = 0;
    // Runs the window's unload; afterwards it is no longer loaded.
    virtual void Unload_form() = 0;
};

void Register_form(Form* form);
void Unregister_form(Form* form);
// The loaded windows in load order.
std::vector<Form*> Loaded_forms();

// Lets pending window messages run (no-op without an application object).
void Do_events();

// App object.
struct App_info {
    int major = WK_VERSION_MAJOR;
    int minor = WK_VERSION_MINOR;
    int revision = WK_VERSION_REVISION;
    std::string exe_name = "Wakeline3_0";
    std::string title = "Wakeline3_0";
    // What followed the program's name on its command line, the arguments joined by blanks.
    std::string command_line;
};
App_info& App();

// Screen facts; without a screen a 1024 x 768 screen at 96 dots an inch.
int32_t Screen_width_twips();
int32_t Screen_height_twips();
int Twips_per_pixel_x();
int Twips_per_pixel_y();
int Screen_logical_dpi_y();

} // namespace wk::platform

#include <functional>
namespace wk::platform {
// The system's End: the process ends at once. Tests install their own handler (which must not
// return normally to the caller's next step: it throws).
[[noreturn]] void End_program(int code = 0);
// What a test's end handler throws; code that catches everything lets it pass.
struct End_requested {
    int code = 0;
};
void Install_end_program(std::function<void(int)> handler);
} // namespace wk::platform

namespace wk::platform {
// Windows of later parts of the program are opened by name, so that a window never includes
// another part's header. The program registers an opener for each.
void Register_window_opener(const std::string& name, std::function<void()> open);
// False when no opener is registered under that name.
bool Open_window(const std::string& name);
// Ends the event loop once the last window has gone.
void Quit_event_loop();
} // namespace wk::platform
