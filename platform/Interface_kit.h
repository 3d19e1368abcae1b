#pragma once
// The control box's interface kit, as far as start-up needs it: an object that can be created
// and tells its library's version. The capture station drives its inputs.
#include <functional>
#include <memory>
#include <string>

namespace wk::platform {

class Interface_kit {
public:
    virtual ~Interface_kit() = default;
    virtual std::string Library_version() const = 0;
};

// Creates the kit over the vendor's library (tests name another path); null when that library
// is not installed or does not load (load_error then says why, unless the file is missing).
// Throws std::runtime_error when it loads but cannot be used.
std::shared_ptr<Interface_kit> Create_interface_kit(const std::string& library_path = "libphidget22.so.0",
                                                    std::string* load_error = nullptr);
// Tests install their own kit maker; an empty function restores the default.
void Install_interface_kit_factory(std::function<std::shared_ptr<Interface_kit>()> factory);

// Which control box the program drives, from WK_CONTROL_BOX: "phidget" the real box, "kitsim"
// the simulated box on its socket, "keyboard" the keys F5-F8. Unset (or anything else): the real
// box when its library loads, else the keyboard.
enum class Control_box_kind { Automatic, Phidget, Kitsim, Keyboard };
Control_box_kind Control_box_choice();

} // namespace wk::platform
