#pragma once
// The operator's port as the program's windows put it: the system's message and input boxes.
#include "services/Operator_port.h"
#include "services/Startup_problem.h"

#include <vector>

namespace wk {

class Operator_boxes final : public Operator_port {
public:
    bool Exit_confirmed() override;
    std::optional<std::string> Event_name(const std::string& current) override;
    bool Override_confirmed() override;
    void Tell(const std::string& text) override;
    void Notice(const std::string& text, const std::string& title) override;
};

// The one the windows share: it holds no state.
Operator_boxes& Operator_boxes_of_windows();

// What start-up met, each in its box, before any window of the program is up; ends the
// program when one of them says it cannot go on.
void Show_startup_problems(const std::vector<Startup_problem>& problems);

} // namespace wk
