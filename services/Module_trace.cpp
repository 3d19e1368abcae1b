#include "services/Module_trace.h"

#include "platform/Datagram_socket.h"

#include "platform/Clock.h"
#include "platform/Forms.h"
#include "platform/Private_folder.h"
#include "platform/State_reset.h"
#include "platform/System_info.h"
#include "platform/Text_codec.h"
#include "services/Module_qsm_Globals.h"

#include <cstdio>
#include <cstring>

namespace wk {
namespace {

bool g_search_done = false;
platform::Datagram_socket g_tracer;
const platform::State_reset k_Forget_tracer{[] { Reset_Tracer_Search(); }};

} // namespace

namespace trace_detail {

std::string Number_text(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

bool Should_send()
{
    auto& clock = platform::Get_clock();
    const int32_t a = clock.Tick();
    const int32_t b = clock.Tick();
    if (platform::Tick_difference(b, a) > 50) return false;
    return Find_Tracer_Window();
}

} // namespace trace_detail

std::string Tracer_socket_path()
{
    const std::string named = platform::Environment("WAKELINE_TRACER").value_or("");
    if (!named.empty()) return named;
    std::string problem;
    const auto folder = platform::Runtime_folder(problem);
    // No folder of the user's own: no tracer, rather than lines sent to whoever made the name.
    return folder.empty() ? std::string() : (folder / "wakeline-tracer.sock").string();
}

bool Find_Tracer_Window()
{
    if (!g_search_done) {
        g_search_done = true;
        g_tracer.Connect(Tracer_socket_path());
    }
    return g_tracer.Is_connected();
}

void Reset_Tracer_Search()
{
    g_tracer.Close();
    g_search_done = false;
}

std::string Trace_items_text(const std::vector<std::string>& items)
{
    std::string text;
    for (const auto& i : items) {
        text += i;
        text += '\t';
    }
    return text;
}

std::string Format_Trace_Line(const std::vector<std::string>& items)
{
    const auto now = platform::Get_clock().Now();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d %02d%02d%02d", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    std::string line = platform::App().exe_name;
    line += g_Compiled ? " C" : " I";
    line += ": " + std::to_string(platform::Process_id()) + ": " + std::to_string(platform::Thread_id()) + ": " + stamp + ": ";
    line += Trace_items_text(items);
    return line;
}

void Send_Trace_Line(const std::vector<std::string>& items)
{
    if (!g_tracer.Is_connected()) return;
    const std::string bytes = platform::Utf8_to_ansi(Format_Trace_Line(items));
    // A full or vanished tracer simply loses the line.
    g_tracer.Send(bytes);
}

} // namespace wk
