#include "capture/Interface_kit_choice.h"

#include "capture/Keyboard_interface_kit.h"
#include "capture/Phidget_interface_kit.h"
#include "capture/Socket_interface_kit.h"
#include "platform/Dialogs.h"
#include "platform/Interface_kit.h"
#include "platform/State_reset.h"
#include "services/Module_trace.h"

namespace wk {

namespace {

// The box asked for by name and missing is said once; the window may be opened again.
bool g_Missing_box_said = false;
const platform::State_reset k_Forget_missing_box{[] { g_Missing_box_said = false; }};

// The real kit, or null (traced) when its library cannot be had.
std::unique_ptr<Interface_kit> Library_kit(const std::string& library_path)
{
    try {
        std::string load_error;
        if (auto library = platform::Phidget_library::Load(library_path, &load_error))
            return std::make_unique<Phidget_interface_kit>(std::move(library));
        Trace_Line("Control box library " + library_path +
                   (load_error.empty() ? " not found" : " does not load: " + load_error));
    } catch (const std::exception& e) {
        Trace_Line("Control box library " + library_path + " cannot be used: " + e.what());
    }
    return nullptr;
}

} // namespace

std::unique_ptr<Interface_kit> Choose_interface_kit(QObject* watched, const std::string& library_path)
{
    const platform::Control_box_kind kind = platform::Control_box_choice();
    if (kind == platform::Control_box_kind::Kitsim) {
        auto kit = std::make_unique<Socket_interface_kit>();
        // Without its socket the simulated box cannot be driven: the operator is told at the load.
        if (!kit->Listening() && !kit->Socket_problem().empty())
            platform::MsgBox(kit->Socket_problem() + ". The simulated control box cannot be driven.", platform::vbExclamation);
        return kit;
    }
    if (kind != platform::Control_box_kind::Keyboard) {
        if (auto kit = Library_kit(library_path)) return kit;
        if (kind == platform::Control_box_kind::Phidget && !g_Missing_box_said) {
            g_Missing_box_said = true;
            platform::MsgBox("Control box library libphidget22 not found; using the keyboard (F5-F8)");
        }
    }
    return std::make_unique<Keyboard_interface_kit>(watched);
}

} // namespace wk
