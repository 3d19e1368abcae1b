#include "platform/Interface_kit.h"

#include "platform/Phidget_library.h"

#include <cstdlib>
#include <cstring>

namespace wk::platform {
namespace {

// The kit on the vendor's library: its version is the library's own, so a wrong library shows.
class Library_kit final : public Interface_kit {
public:
    explicit Library_kit(std::shared_ptr<const Phidget_library> library) : library_(std::move(library)) {}
    std::string Library_version() const override { return library_->Library_version(); }

private:
    std::shared_ptr<const Phidget_library> library_;
};

std::function<std::shared_ptr<Interface_kit>()>& Factory()
{
    static std::function<std::shared_ptr<Interface_kit>()> f;
    return f;
}

} // namespace

std::shared_ptr<Interface_kit> Create_interface_kit(const std::string& library_path, std::string* load_error)
{
    if (Factory()) return Factory()();
    auto library = Phidget_library::Load(library_path, load_error);
    if (!library) return nullptr;
    return std::make_shared<Library_kit>(std::move(library));
}

void Install_interface_kit_factory(std::function<std::shared_ptr<Interface_kit>()> factory)
{
    Factory() = std::move(factory);
}

Control_box_kind Control_box_choice()
{
    const char* value = std::getenv("WK_CONTROL_BOX");
    if (!value) return Control_box_kind::Automatic;
    if (std::strcmp(value, "phidget") == 0) return Control_box_kind::Phidget;
    if (std::strcmp(value, "kitsim") == 0) return Control_box_kind::Kitsim;
    if (std::strcmp(value, "keyboard") == 0) return Control_box_kind::Keyboard;
    return Control_box_kind::Automatic;
}

} // namespace wk::platform
