// A header journal beside a real recording (own format, or an AVI with its header chunk), settled
// as the recording opens: whatever the journal holds, no byte outside the recording's header area
// changes and the file never grows. The first input byte says how the stage is set; the rest is
// the journal.
//   bit 0     the journal (second layout) names this file: its device, inode and size are set
//   bit 1     its closing hash is made right
//   bits 2-3  what the header area holds first: the recording's own bytes, the journal's old
//             bytes, its new bytes, or the new bytes' first half and the old bytes' second (torn)
//   bit 4     an AVI instead of an own-format recording
//   bit 5     the recording may not be written: nothing of it may change
#include "recording/Header_journal.h"
#include "recording/Journal_record.h"
#include "recording/cls_AVI_handler.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/fuzz/Fuzz_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

using namespace wk;

namespace {

struct Stage {
    std::string path;
    std::string base;      // the recording as its writer left it
    Byte_range area;       // its header area, found here without the program's own reading of it
};

void Fail(const char* what)
{
    std::fprintf(stderr, "journal settle: %s\n", what);
    std::abort();
}

Stage Own_format_stage(const std::vector<test::DV_frame>& frames)
{
    Stage s;
    s.path = fuzz::Private_path("work.qs2");
    std::filesystem::remove(s.path);
    cls_AVI_handler rec;
    rec.File_name(s.path);
    rec.Create_File();
    rec.Initiate_file();
    rec.Event_name("Fuzz regatta");
    for (const auto& f : frames) rec.Append_DV_frame(f);
    rec.Close_File();
    s.base = fuzz::Read_file(s.path);
    s.area = {0, cls_AVI_handler::k_Own_data_offset};
    return s;
}

Stage Avi_stage(const std::vector<test::DV_frame>& frames)
{
    Stage s;
    s.path = fuzz::Private_path("work.avi");
    std::filesystem::remove(s.path);
    test::Write_DV_AVI(s.path, frames);
    {
        cls_AVI_handler rec;
        rec.Open_File(s.path);
        rec.Avi().Append_XML_header();
        rec.Event_name("Fuzz regatta");
    }
    s.base = fuzz::Read_file(s.path);
    // The header chunk is the last chunk of the file.
    const size_t tag = s.base.rfind("QSXM");
    if (tag == std::string::npos) Fail("the AVI stage has no header chunk");
    uint32_t size = 0;
    std::memcpy(&size, s.base.data() + tag + 4, 4);
    s.area = {int64_t(tag) + 8, int64_t(tag) + 8 + int64_t(size)};
    return s;
}

const Stage& Stage_of(bool avi)
{
    static const auto frames = test::Make_DV_frames(2);
    static const Stage own = Own_format_stage(frames);
    static const Stage avi_stage = Avi_stage(frames);
    return avi ? avi_stage : own;
}

void Put_u64(std::vector<uint8_t>& b, size_t at, uint64_t v)
{
    for (int i = 0; i < 8; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// The stage's header area with the journal's old, new or torn bytes where they fit in it.
std::string Prepared(const Stage& s, const std::vector<uint8_t>& journal, int state)
{
    std::string bytes = s.base;
    const auto decoded = Journal_record::Decode(journal);
    if (state == 0 || !decoded) return bytes;
    for (const Journal_entry& e : decoded->entries) {
        const int64_t n = int64_t(e.new_bytes.size());
        if (e.offset < s.area.begin || e.offset > s.area.end || n > s.area.end - e.offset || e.old_bytes.size() != e.new_bytes.size())
            continue;
        for (int64_t i = 0; i < n; ++i) {
            const bool take_new = state == 2 || (state == 3 && i < n / 2);
            bytes[size_t(e.offset + i)] = char(take_new ? e.new_bytes[size_t(i)] : e.old_bytes[size_t(i)]);
        }
    }
    return bytes;
}

void Write_whole(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) Fail("cannot write the stage");
    // The same file each time: its identity does not change between inputs.
    if (::pwrite(fd, bytes.data(), bytes.size(), 0) != ssize_t(bytes.size()) || ::ftruncate(fd, off_t(bytes.size())) != 0)
        Fail("cannot write the stage");
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    fuzz::Quiet_program();
    const uint8_t mode = data[0];
    const Stage& stage = Stage_of(mode & 0x10);
    const bool read_only = mode & 0x20;
    std::vector<uint8_t> journal(data + 1, data + size);

    struct stat st{};
    ::chmod(stage.path.c_str(), 0644);
    if (::stat(stage.path.c_str(), &st) != 0) Fail("the stage is gone");
    if ((mode & 1) && journal.size() >= 40 && std::memcmp(journal.data(), "WKJ2", 4) == 0) {
        Put_u64(journal, 8, uint64_t(st.st_dev));
        Put_u64(journal, 16, uint64_t(st.st_ino));
        Put_u64(journal, 24, uint64_t(stage.base.size()));
    }
    if ((mode & 2) && journal.size() >= 16)
        Put_u64(journal, journal.size() - 8, Journal_record::Hash(journal.data(), journal.size() - 8));

    const std::string before = Prepared(stage, journal, (mode >> 2) & 3);
    Write_whole(stage.path, before);
    const std::string name = Header_journal::Journal_name(stage.path);
    std::filesystem::remove(Header_journal::Rejected_name(stage.path));
    Write_whole(name, std::string(journal.begin(), journal.end()));
    if (read_only) ::chmod(stage.path.c_str(), 0444);

    {
        cls_AVI_handler rec;
        if (rec.Open_File(stage.path)) {
            try {
                rec.Event_name(); // read through what the settle left, laid over or written
            } catch (const std::exception&) {
                // A header without the element: the bytes checked below are what matter.
            }
            rec.Close_File();
        }
    }

    const std::string after = fuzz::Read_file(stage.path);
    if (after.size() != before.size()) Fail("the recording changed its size");
    const size_t from = size_t(stage.area.begin), to = size_t(stage.area.end);
    if (read_only && after != before) Fail("a recording that may not be written changed");
    if (after.compare(0, from, before, 0, from) != 0 || after.compare(to, std::string::npos, before, to, std::string::npos) != 0)
        Fail("a byte outside the header area changed");

    std::filesystem::remove(name);
    std::filesystem::remove(Header_journal::Rejected_name(stage.path));
    return 0;
}
