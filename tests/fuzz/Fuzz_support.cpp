#include "tests/fuzz/Fuzz_support.h"

#include "platform/Headless_dialogs.h"
#include "services/Module_error.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace wk::fuzz {
namespace {

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
    static platform::Headless_dialogs dialogs(false);
    platform::Install_dialogs(&dialogs);
    static Silent_reports reports;
    Install_error_report_view(&reports);
}

std::string Read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string Utf8_tree(const pugi::xml_document& doc)
{
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
}

std::string Private_path(const std::string& name) { return (Folder() / name).string(); }

std::string Write_input(const uint8_t* data, size_t size, const std::string& suffix)
{
    const std::string path = Private_path("input." + suffix);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path;
}

} // namespace wk::fuzz
