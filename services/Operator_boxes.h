#pragma once
// The operator's port as the program's windows put it: the system's message and input boxes.
#include "services/Operator_port.h"

namespace wk {

class Operator_boxes final : public Operator_port {
public:
    bool Exit_confirmed() override;
    std::optional<std::string> Event_name(const std::string& current) override;
    bool Override_confirmed() override;
    void Tell(const std::string& text) override;
};

// The one the windows share: it holds no state.
Operator_boxes& Operator_boxes_of_windows();

} // namespace wk
