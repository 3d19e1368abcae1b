#pragma once
// Which kit the capture window drives (WK_CONTROL_BOX, see platform/Interface_kit.h): the real
// box on the vendor's library, the simulated box on its socket, or the keyboard.
#include "capture/Interface_kit.h"
#include "platform/Phidget_library.h"

#include <memory>
#include <string>

class QObject;

namespace wk {

// The kit for the window watched (the keyboard kit takes its keys). Where the real box is asked
// for and its library at library_path cannot be loaded, the operator is told once and the
// keyboard stands in.
std::unique_ptr<Interface_kit> Choose_interface_kit(QObject* watched,
                                                    const std::string& library_path = platform::Phidget_library::k_Default_path);

} // namespace wk
