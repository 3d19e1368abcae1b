#include "tests/support/Test_support.h"

#include "services/Module_qsm_Globals.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <cstring>
#include <thread>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace wk::test {

long Peak_memory_kb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

Temp_home::Temp_home()
{
    std::string templ = (fs::temp_directory_path() / "wktest-XXXXXX").string();
    char* made = mkdtemp(templ.data());
    if (!made) throw std::runtime_error("cannot make a temporary folder");
    path_ = made;
    if (const char* old = std::getenv("WAKELINE_HOME")) { old_home_ = old; had_old_ = true; }
    setenv("WAKELINE_HOME", path_.c_str(), 1);
    if (const char* old = std::getenv("TMPDIR")) { old_tmp_ = old; had_tmp_ = true; }
    fs::create_directory(path_ / "tmp");
    setenv("TMPDIR", (path_ / "tmp").c_str(), 1);
    setenv("WAKELINE_TRACER", (path_ / "tracer.sock").c_str(), 1);
    Ini_file_path = (App_data() / "Wakeline.ini").string();
    g_AppUserData = App_data().string();
    g_Data_folder = (path_ / "Wakeline_Data").string();
}

Temp_home::~Temp_home()
{
    if (had_old_) setenv("WAKELINE_HOME", old_home_.c_str(), 1);
    else unsetenv("WAKELINE_HOME");
    unsetenv("WAKELINE_TRACER");
    if (had_tmp_) setenv("TMPDIR", old_tmp_.c_str(), 1);
    else unsetenv("TMPDIR");
    Ini_file_path.clear();
    g_AppUserData.clear();
    g_Data_folder.clear();
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path Temp_home::App_data() const { return path_ / ".local" / "share" / "Wakeline"; }

Manual_clock::Manual_clock() { platform::Install_clock(this); }
Manual_clock::~Manual_clock() { platform::Install_clock(nullptr); }

Scripted_dialogs::Scripted_dialogs() { platform::Install_dialogs(this); }
Scripted_dialogs::~Scripted_dialogs()
{
    platform::Install_dialogs(nullptr);
    for (const auto& s : script_) ADD_FAILURE() << "expected dialog never shown: " << s.prompt_part;
}

void Scripted_dialogs::Expect_message(const std::string& prompt_part, int answer, std::function<void()> while_open)
{
    script_.push_back({'m', prompt_part, answer, std::nullopt, std::move(while_open)});
}
void Scripted_dialogs::Expect_input(const std::string& prompt_part, std::optional<std::string> answer)
{
    script_.push_back({'i', prompt_part, 0, std::move(answer), {}});
}
void Scripted_dialogs::Expect_open_file(std::optional<std::string> answer) { script_.push_back({'o', "", 0, answer, {}}); }
void Scripted_dialogs::Expect_save_file(std::optional<std::string> answer) { script_.push_back({'s', "", 0, answer, {}}); }
void Scripted_dialogs::Expect_folder(std::optional<std::string> answer) { script_.push_back({'f', "", 0, answer, {}}); }

std::optional<Scripted_dialogs::Step> Scripted_dialogs::Next(char kind, const std::string& prompt)
{
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected dialog: " << prompt;
        return std::nullopt;
    }
    Step s = script_.front();
    if (s.kind != kind || prompt.find(s.prompt_part) == std::string::npos) {
        ADD_FAILURE() << "dialog \"" << prompt << "\" shown where \"" << s.prompt_part << "\" was expected";
        return std::nullopt;
    }
    script_.pop_front();
    return s;
}

int Scripted_dialogs::Message_box(const std::string& prompt, int style, const std::string& title)
{
    shown.push_back(title + "|" + prompt);
    styles.push_back(style);
    if (any_message_ && (script_.empty() || script_.front().kind != 'm'))
        return (style & 7) == platform::vbOKCancel ? platform::vbCancel : platform::vbOK;
    if (auto s = Next('m', prompt)) {
        if (s->while_open) s->while_open();
        return s->answer;
    }
    return (style & 7) == platform::vbOKCancel ? platform::vbCancel : platform::vbOK;
}

std::optional<std::string> Scripted_dialogs::Input_box(const std::string& prompt, const std::string& title,
                                                       const std::string&)
{
    shown.push_back(title + "|" + prompt);
    if (auto s = Next('i', prompt)) return s->text;
    return std::nullopt;
}

std::optional<std::string> Scripted_dialogs::Open_file(const std::string& title, const std::string&, const std::string&)
{
    shown.push_back("open|" + title);
    if (auto s = Next('o', "")) return s->text;
    return std::nullopt;
}

std::optional<std::string> Scripted_dialogs::Save_file(const std::string& title, const std::string&, const std::string&)
{
    shown.push_back("save|" + title);
    if (auto s = Next('s', "")) return s->text;
    return std::nullopt;
}

std::optional<std::string> Scripted_dialogs::Browse_folder(const std::string& title, const std::string& folder)
{
    shown.push_back("folder|" + title);
    folders_started.push_back(folder);
    if (auto s = Next('f', "")) return s->text;
    return std::nullopt;
}

Test_tracer::Test_tracer(const std::string& path)
{
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    bound_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    stop_fd_ = eventfd(0, EFD_CLOEXEC);
    if (bound_ && stop_fd_ >= 0) drainer_ = std::thread([this] { Drain(); });
}

Test_tracer::~Test_tracer()
{
    if (drainer_.joinable()) {
        const uint64_t one = 1;
        (void)!write(stop_fd_, &one, sizeof one);
        drainer_.join();
    }
    if (stop_fd_ >= 0) close(stop_fd_);
    if (fd_ >= 0) close(fd_);
}

void Test_tracer::Take_waiting()
{
    char buf[65536];
    for (ssize_t n; (n = recv(fd_, buf, sizeof buf, 0)) > 0;) lines_.emplace_back(buf, size_t(n));
}

void Test_tracer::Drain()
{
    pollfd fds[2] = {{fd_, POLLIN, 0}, {stop_fd_, POLLIN, 0}};
    while (poll(fds, 2, -1) >= 0 || errno == EINTR) {
        if (fds[1].revents) return;
        std::lock_guard lock(mutex_);
        Take_waiting();
    }
}

std::string Test_tracer::Receive()
{
    std::lock_guard lock(mutex_);
    Take_waiting(); // a line sent just before is there at once, as it always was
    if (lines_.empty()) return {};
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    return line;
}

std::vector<std::string> Test_tracer::Receive_all()
{
    std::vector<std::string> lines;
    for (std::string l = Receive(); !l.empty(); l = Receive()) lines.push_back(l);
    return lines;
}

int32_t Error_number(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Run_time_error& e) {
        return e.number();
    }
    return 0;
}

std::string Read_file(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void Write_file(const fs::path& p, const std::string& bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace wk::test
