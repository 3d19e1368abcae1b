#pragma once
// What code below the windows asks of the operator. The window that calls it passes its port in
// and decides how the question is put; the code below never raises a box itself. Tests pass a
// fake that answers.
#include <optional>
#include <string>

namespace wk {

class Operator_port {
public:
    virtual ~Operator_port() = default;
    // Whether the operator goes on with leaving the program.
    virtual bool Exit_confirmed() = 0;
    // The station's event name, offered with the current one; nullopt when cancelled.
    virtual std::optional<std::string> Event_name(const std::string& current) = 0;
    // Whether a lane's stored result may be replaced.
    virtual bool Override_confirmed() = 0;
    // A message that needs no answer but an OK.
    virtual void Tell(const std::string& text) = 0;
};

} // namespace wk
