#include "services/Form_check_software.h"

#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Interface_kit.h"
#include "platform/Single_instance.h"
#include "services/Module_canoe.h"
#include "services/Operator_boxes.h"
#include "services/Module_error.h"
#include "services/Module_trace.h"

namespace wk {

bool Test_for_software(const std::string& name)
{
    if (name != "Phidget") return false;
    try {
        return platform::Create_interface_kit() != nullptr;
    } catch (...) {
        return false;
    }
}

Form_check_software::Form_check_software() : Form_window("Form_check_software") { setWindowTitle("Checking"); }

void Form_check_software::Form_Load()
{
    if (platform::Previous_instance()) {
        platform::MsgBox("A previous instance of this program is already running!");
        Wakeline_exit(Operator_boxes_of_windows());
        return;
    }
    Trace_Line("Form_check_software Load");
    if (!Test_for_software("Phidget")) {
        platform::MsgBox("Phidget drivers not installed correctly!");
        platform::End_program(1);
    }
    Trace_Line("Form_check_software checks OK");
    Unload_form();
}

void Form_check_software::Form_Unload() { Trace_Line("Form_check_software Form_QueryUnload"); }

} // namespace wk
