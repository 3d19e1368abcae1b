#pragma once
// What every test program shares: a temporary home, a manual clock, scripted dialogs.
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "services/Module_error.h"
#include "services/Run_time_error.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wk::test {

// A fresh temporary folder set as WAKELINE_HOME for the test's life; the program-wide paths are
// reset so nothing leaks between tests. TMPDIR points into it too.
class Temp_home {
public:
    Temp_home();
    ~Temp_home();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path App_data() const;

private:
    std::filesystem::path path_;
    std::string old_home_, old_tmp_;
    bool had_old_ = false, had_tmp_ = false;
};

// A clock the test moves by hand; sleeping advances it.
class Manual_clock : public platform::Clock {
public:
    Manual_clock();
    ~Manual_clock() override;
    int32_t Tick() override { return tick; }
    platform::Local_time Now() override { return now; }
    void Sleep_ms(int32_t ms) override { tick = platform::Tick_add(tick, ms); }
    int32_t tick = 1000;
    platform::Local_time now{2026, 12, 8, 10, 11, 12, 345};
};

// Dialogs answered from a script. Every dialog must be expected, in order; an unexpected one
// fails the test and is answered with its default button or a cancel.
class Scripted_dialogs final : public platform::Dialogs {
public:
    Scripted_dialogs();
    ~Scripted_dialogs() override;
    // Expects a message box whose prompt contains the given text, answered with answer; while_open
    // runs while the box is up, as the operator's world goes on around a modal box.
    void Expect_message(const std::string& prompt_part, int answer = platform::vbOK,
                        std::function<void()> while_open = {});
    void Expect_input(const std::string& prompt_part, std::optional<std::string> answer);
    void Expect_open_file(std::optional<std::string> answer);
    void Expect_save_file(std::optional<std::string> answer);
    void Expect_folder(std::optional<std::string> answer);
    // For tests that feed damaged input: any message may come and is answered with its default.
    void Allow_any_message() { any_message_ = true; }
    // Everything that was shown, in order ("title|prompt" for messages).
    std::vector<std::string> shown;
    std::vector<int> styles;
    std::vector<std::string> folders_started; // where each folder choice began
    bool All_used() const { return script_.empty(); }

    int Message_box(const std::string& prompt, int style, const std::string& title) override;
    std::optional<std::string> Input_box(const std::string& prompt, const std::string& title,
                                         const std::string& default_text) override;
    std::optional<std::string> Open_file(const std::string& title, const std::string& folder,
                                         const std::string& filter) override;
    std::optional<std::string> Save_file(const std::string& title, const std::string& folder,
                                         const std::string& filter) override;
    std::optional<std::string> Browse_folder(const std::string& title, const std::string& folder) override;

private:
    struct Step {
        char kind; // 'm' message, 'i' input, 'o' open, 's' save, 'f' folder
        std::string prompt_part;
        int answer = platform::vbOK;
        std::optional<std::string> text;
        std::function<void()> while_open;
    };
    std::optional<Step> Next(char kind, const std::string& prompt);
    std::deque<Step> script_;
    bool any_message_ = false;
};

// Catches the error reports for the test's life (instead of the error window).
class Captured_reports final : public Error_report_view {
public:
    Captured_reports() { Install_error_report_view(this); }
    ~Captured_reports() override { Install_error_report_view(nullptr); }
    void Show_report(const std::string& text) override { reports.push_back(text); }
    std::vector<std::string> reports;
};

// The number of the run-time error f raises; 0 when it raises none.
int32_t Error_number(const std::function<void()>& f);

// A tracer listening on a socket, as the tracer program does. The program never waits for a
// tracer: a line sent while the socket's few-datagram queue is full is dropped. So the tracer
// takes lines off the socket on a thread of its own as they come, and keeps them for the test
// however long the test is busy elsewhere.
class Test_tracer {
public:
    explicit Test_tracer(const std::string& path);
    ~Test_tracer();
    Test_tracer(const Test_tracer&) = delete;
    Test_tracer& operator=(const Test_tracer&) = delete;
    bool bound() const { return bound_; }
    // The next line received, or "" when none is.
    std::string Receive();
    // Every line received.
    std::vector<std::string> Receive_all();

private:
    void Take_waiting(); // with mutex_ held
    void Drain();

    int fd_ = -1;
    int stop_fd_ = -1;
    bool bound_ = false;
    std::mutex mutex_;
    std::deque<std::string> lines_;
    std::thread drainer_;
};

// Reads a whole file as bytes.
std::string Read_file(const std::filesystem::path& p);

// The process's peak resident memory so far, in KiB: a test that must not swallow memory
// compares it before and after.
long Peak_memory_kb();
void Write_file(const std::filesystem::path& p, const std::string& bytes);

} // namespace wk::test
