#pragma once
// What code below the windows asks of the operator. The window that calls it passes its port in
// and decides how the question is put; the code below never raises a box itself. Code that no
// window calls (settings, registry, drawing, the MIDI player) tells the station's operator, a
// port the program installs at start-up. Tests pass or install a fake that answers.
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
    // A message that returns at once, without waiting for it to be read: nothing waits on it.
    // An empty title is the program's.
    virtual void Notice(const std::string& text, const std::string& title) = 0;
    void Notice(const std::string& text) { Notice(text, {}); }
};

// The port of code that no window calls. Until the program installs one it tells nobody: each
// notice goes to standard error and the trace, and every question gets its cautious answer.
Operator_port& Station_operator();
// nullptr puts back that default.
void Install_station_operator(Operator_port* port);

} // namespace wk
