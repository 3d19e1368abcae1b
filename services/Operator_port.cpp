#include "services/Operator_port.h"

#include "services/Module_trace.h"

#include <cstdio>

namespace wk {
namespace {

// No one to ask: nothing is confirmed and nothing is lost, since every notice is kept in the trace.
class Nobody final : public Operator_port {
public:
    bool Exit_confirmed() override { return false; }
    std::optional<std::string> Event_name(const std::string&) override { return std::nullopt; }
    bool Override_confirmed() override { return false; }
    void Tell(const std::string& text) override { Notice(text, {}); }
    void Notice(const std::string& text, const std::string& title) override
    {
        std::fprintf(stderr, "[notice] %s%s%s\n", title.c_str(), title.empty() ? "" : ": ", text.c_str());
        Trace_Line("Notice: " + text);
    }
};

Nobody g_nobody;
Operator_port* g_station_operator = &g_nobody;

} // namespace

Operator_port& Station_operator() { return *g_station_operator; }
void Install_station_operator(Operator_port* port) { g_station_operator = port ? port : &g_nobody; }

} // namespace wk
