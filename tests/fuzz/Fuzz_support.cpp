#include "tests/fuzz/Fuzz_support.h"

#include "platform/Dialogs.h"
#include "services/Module_error.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace wk::fuzz {
namespace {

class Silent_dialogs final : public platform::Dialogs {
public:
    int Message_box(const std::string&, int style, const std::string&) override
    {
        switch (style & 7) {
        case platform::vbOKCancel: return (style & platform::vbDefaultButton2) ? platform::vbCancel : platform::vbOK;
        case platform::vbYesNo:
        case platform::vbYesNoCancel: return (style & platform::vbDefaultButton2) ? platform::vbNo : platform::vbYes;
        default: return platform::vbOK;
        }
    }
    std::optional<std::string> Input_box(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> Open_file(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> Save_file(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> Browse_folder(const std::string&, const std::string&) override { return std::nullopt; }
};

class Silent_reports final : public Error_report_view {
public:
    void Show_report(const std::string&) override {}
};

std::filesystem::path& Folder()
{
    static std::filesystem::path folder;
    return folder;
}

} // namespace

void Quiet_program()
{
    static bool done = false;
    if (done) return;
    done = true;
    Folder() = std::filesystem::temp_directory_path() / ("wk_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(Folder());
    ::setenv("WAKELINE_HOME", Folder().c_str(), 1);
    ::setenv("WAKELINE_TRACER", (Folder() / "no-tracer").c_str(), 1);
    static Silent_dialogs dialogs;
    platform::Install_dialogs(&dialogs);
    static Silent_reports reports;
    Install_error_report_view(&reports);
}

std::string Write_input(const uint8_t* data, size_t size, const std::string& suffix)
{
    const std::string path = (Folder() / ("input." + suffix)).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path;
}

} // namespace wk::fuzz
