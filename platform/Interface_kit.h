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

// Creates the kit; throws std::runtime_error when no kit library can be had.
std::shared_ptr<Interface_kit> Create_interface_kit();
// Tests and the capture station install their own kit maker; an empty function restores the default.
void Install_interface_kit_factory(std::function<std::shared_ptr<Interface_kit>()> factory);

} // namespace wk::platform
