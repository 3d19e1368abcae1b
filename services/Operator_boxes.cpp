#include "services/Operator_boxes.h"

#include "platform/Dialogs.h"

namespace wk {

bool Operator_boxes::Exit_confirmed()
{
    return platform::MsgBox("Exiting Wakeline, are you sure?", platform::vbOKCancel | platform::vbDefaultButton2,
                            "Wakeline Exit") == platform::vbOK;
}

std::optional<std::string> Operator_boxes::Event_name(const std::string& current)
{
    return platform::Get_dialogs().Input_box("Enter event name!", "Wakeline event name", current);
}

bool Operator_boxes::Override_confirmed()
{
    return platform::MsgBox("Override existing result?", platform::vbOKCancel) == platform::vbOK;
}

void Operator_boxes::Tell(const std::string& text) { platform::MsgBox(text, platform::vbOKOnly); }

Operator_boxes& Operator_boxes_of_windows()
{
    static Operator_boxes boxes;
    return boxes;
}

} // namespace wk
