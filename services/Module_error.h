#pragma once
// Unexpected errors end up here: one report text, appended to errlog.txt in the
// application-data folder and shown in the error-report window.
#include <cstdint>
#include <exception>
#include <string>

namespace wk {

// The report text the error window shows.
std::string Error_report_text(const std::string& description, int32_t number, int32_t line,
                              const std::string& location, const std::string& extra);

// Reports one error. Never raises; the report is logged even when no window can show it.
void QSM_error_handler(const std::string& description, int32_t number, int32_t line, const std::string& location,
                       const std::string& extra = {});

// Reports a caught exception (a Run_time_error with its number, anything else as number 0).
void Report_exception(const std::exception& e, const std::string& location, const std::string& extra = {});
// Reports the exception in flight; for use inside catch (...).
void Report_current_exception(const std::string& location, const std::string& extra = {});

// Appends one report block to the error log. Returns false when neither the log nor its
// fallback in the temporary folder could be written (the block then goes to standard error).
bool Save_Error_Log(const std::string& report_text);
// The error log's path: <application-data folder>/errlog.txt.
std::string Error_log_path();
// The block as written to the log, in UTF-8.
std::string Error_log_block(const std::string& report_text);
// "<edition> version 3.0.8 rm<run mode> Compile date: ..."
std::string Error_version_line();

// The window that shows reports; installed by the program.
class Error_report_view {
public:
    virtual ~Error_report_view() = default;
    virtual void Show_report(const std::string& report_text) = 0;
};
void Install_error_report_view(Error_report_view* view);

} // namespace wk
