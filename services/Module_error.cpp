#include "services/Module_error.h"

#include "platform/Clock.h"
#include "platform/Folders.h"
#include "platform/Private_folder.h"
#include "platform/Text_codec.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Run_time_error.h"

#include <cstdio>
#include <fstream>

namespace wk {
namespace {

Error_report_view* g_view = nullptr;

std::string Now_text()
{
    const auto t = platform::Get_clock().Now();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

// In this user's private temporary folder, never under a fixed name another user could have made;
// empty (nothing is written) when that folder is not ours.
std::string Fallback_log_path()
{
    std::string problem;
    const auto folder = platform::Private_temp_folder(problem);
    return folder.empty() ? std::string() : (folder / "errlog.txt").string();
}

bool Append_to(const std::string& path, const std::string& bytes)
{
    if (path.empty()) return false;
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out) return false;
    out << bytes;
    out.flush();
    return static_cast<bool>(out);
}

} // namespace

std::string Error_report_text(const std::string& description, int32_t number, int32_t line,
                              const std::string& location, const std::string& extra)
{
    std::string t = "Location of error: " + location + " line: " + std::to_string(line) + "\r\n";
    t += "error description: " + std::to_string(number) + ", " + description + "\r\n";
    t += "Extra information: " + extra;
    t += "program name: " + g_Edition_text + " Caption = " + "\r\n";
    return t;
}

std::string Error_version_line()
{
    return g_Edition_text + " version " + std::to_string(k_Version_major) + "." + std::to_string(k_Version_minor) +
           "." + std::to_string(k_Version_revision) + " rm" + std::to_string(g_Run_mode) + " " + "Compile date: " +
           k_Compile_date;
}

std::string Error_log_block(const std::string& report_text)
{
    std::string b = "Saved  at: " + Now_text() + "\r\n\r\n";
    b += Error_version_line() + "\r\n";
    b += " Computer: " + g_Computer_name + "\r\n\r\n";
    b += report_text + "\r\n";
    b += std::string(44, '*') + "\r\n";
    return b;
}

std::string Error_log_path()
{
    std::error_code ec;
    auto folder = platform::App_data_folder(ec);
    if (ec) return Fallback_log_path();
    return (folder / "errlog.txt").string();
}

bool Save_Error_Log(const std::string& report_text)
{
    try {
        const std::string bytes = platform::Utf8_to_ansi(Error_log_block(report_text));
        if (Append_to(Error_log_path(), bytes)) return true;
        // The log must not be lost: the temporary folder, then standard error.
        if (Append_to(Fallback_log_path(), bytes)) return true;
        std::fwrite(report_text.data(), 1, report_text.size(), stderr);
        std::fputc('\n', stderr);
    } catch (...) {
    }
    return false;
}

void QSM_error_handler(const std::string& description, int32_t number, int32_t line, const std::string& location,
                       const std::string& extra)
{
    try {
        Trace_Line("*QSM_error_handler1");
        const std::string text = Error_report_text(description, number, line, location, extra);
        Trace_Line("*QSM_error_handler2");
        Save_Error_Log(text);
        if (g_view)
            g_view->Show_report(text);
        else
            std::fprintf(stderr, "%s\n", text.c_str());
        Trace_Line("*QSM_error_handler5");
    } catch (...) {
        // The handler is the last stop: it never raises.
    }
}

void Report_exception(const std::exception& e, const std::string& location, const std::string& extra)
{
    if (const auto* r = dynamic_cast<const Run_time_error*>(&e))
        QSM_error_handler(r->description(), r->number(), 0, location, extra);
    else
        QSM_error_handler(e.what(), 0, 0, location, extra);
}

void Report_current_exception(const std::string& location, const std::string& extra)
{
    try {
        throw;
    } catch (const std::exception& e) {
        Report_exception(e, location, extra);
    } catch (...) {
        QSM_error_handler("Unknown error", 0, 0, location, extra);
    }
}

void Install_error_report_view(Error_report_view* view) { g_view = view; }

} // namespace wk
