#pragma once
// The error-report window: top-most, shows one report at a time; a report that arrives while
// one is shown waits until Continue.
#include "platform/Form_window.h"

#include <deque>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace wk {

class QSM_error_form final : public platform::Form_window {
public:
    QSM_error_form();

    QLabel* Label1;
    QLabel* err_lbl;
    QProgressBar* ProgressBar1;
    QPushButton* Cmd_continue;
    QPushButton* Cmd_exit;
    QPushButton* Cmd_print_error;
    QPushButton* Cmd_save_log;

    void Form_Load();
    void QSM_Error_Initialize();
    void Cmd_continue_Click();
    void Cmd_exit_Click();
    void Cmd_print_error_Click();
    void Cmd_save_log_Click();

    // Shows the report now, or after the ones already waiting.
    void Add_report(const std::string& text);
    size_t Waiting_reports() const { return waiting_.size(); }

private:
    void Show_text(const std::string& text);
    std::deque<std::string> waiting_;
    std::string current_;
};

// Makes QSM_error_handler show its reports in the window.
void Install_error_form();
// Places a window in the top-most band, keeping its position and size.
void MakeTopMost(QWidget* window);

} // namespace wk
