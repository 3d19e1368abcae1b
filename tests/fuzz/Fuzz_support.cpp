#include "tests/fuzz/Fuzz_support.h"

#include "platform/Byte_file.h"
#include "platform/Headless_dialogs.h"
#include "platform/Memory_bytes.h"
#include "services/Module_error.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <vector>

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
    // A folder of its own, made new: a name another user could make first is never used.
    std::string templ = (std::filesystem::temp_directory_path() / "wk_fuzz_XXXXXX").string();
    if (!::mkdtemp(templ.data())) std::abort();
    Folder() = templ;
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

std::string Memory_input(const uint8_t* data, size_t size, const std::string& suffix)
{
    static std::vector<uint8_t> input;
    static std::string memory_path;
    static bool installed = false;
    input.assign(data, data + size);
    memory_path = (Folder() / ("memory-input." + suffix)).string();
    if (!installed) {
        installed = true;
        platform::Install_byte_source_opener(
            [](const std::string& path, platform::Raw_file::Mode mode, int& error) -> std::unique_ptr<platform::Byte_source> {
                if (path == memory_path) {
                    if (mode == platform::Raw_file::Mode::Create_new) {
                        error = EEXIST;
                        return nullptr;
                    }
                    return std::make_unique<platform::Memory_bytes>(input, mode != platform::Raw_file::Mode::Read);
                }
                // What is written beside the input (a header rewrite's journal) stays in memory too.
                if (path.rfind(memory_path, 0) == 0) {
                    if (mode != platform::Raw_file::Mode::Create_new) {
                        error = ENOENT;
                        return nullptr;
                    }
                    return std::make_unique<platform::Memory_bytes>(std::vector<uint8_t>{}, true);
                }
                auto file = std::make_unique<platform::Raw_file>();
                if (!file->Open(path, mode, error)) return nullptr;
                return file;
            });
    }
    return memory_path;
}

} // namespace wk::fuzz
