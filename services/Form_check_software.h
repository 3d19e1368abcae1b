#pragma once
// The software check: refuses a second copy of the program and a missing interface-kit library,
// then closes itself. Nothing opens it in the program as built.
#include "platform/Form_window.h"

#include <string>

namespace wk {

class Form_check_software final : public platform::Form_window {
public:
    Form_check_software();
    void Form_Load();

protected:
    void Form_Unload() override;
};

// True when the named software is there: "Phidget" when an interface kit can be made; any
// other name is unknown and gives false.
bool Test_for_software(const std::string& name);

} // namespace wk
