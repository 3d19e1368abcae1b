#include "platform/Interface_kit.h"

namespace wk::platform {
namespace {

// The kit library this program ships with: it speaks the 2.1.6 interface the program checks for.
class Builtin_kit final : public Interface_kit {
public:
    std::string Library_version() const override
    {
        return "Phidget COM Library 2.1.6 (Wakeline kit stand-in) - Phidget21 - Version 2.1.6";
    }
};

std::function<std::shared_ptr<Interface_kit>()>& Factory()
{
    static std::function<std::shared_ptr<Interface_kit>()> f;
    return f;
}

} // namespace

std::shared_ptr<Interface_kit> Create_interface_kit()
{
    if (Factory()) return Factory()();
    return std::make_shared<Builtin_kit>();
}

void Install_interface_kit_factory(std::function<std::shared_ptr<Interface_kit>()> factory)
{
    Factory() = std::move(factory);
}

} // namespace wk::platform
