// A journal beside a recording changes only that recording's header, and only when it was made
// for it: journals planted by another user, made for another file or reaching past the header
// area are moved aside, said once, and leave the recording as it was.
#include "recording/Header_journal.h"
#include "recording/Journal_record.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_qsm_Globals.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Failing_disk.h"
#include "tests/support/Test_support.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace wk {
namespace {

namespace fs = std::filesystem;

constexpr int k_Frames = 3;
constexpr uid_t k_Other_user = 65534;

const std::vector<test::DV_frame>& Frames()
{
    static const std::vector<test::DV_frame> frames = test::Make_DV_frames(k_Frames);
    return frames;
}

std::vector<uint8_t> Bytes(const std::string& s, size_t from, size_t n)
{
    return {s.begin() + ptrdiff_t(from), s.begin() + ptrdiff_t(from + n)};
}

// Raw journal bytes, as a forger would lay them out.
struct Raw_journal {
    std::vector<uint8_t> out;
    Raw_journal& Text(const char* s)
    {
        out.insert(out.end(), s, s + std::strlen(s));
        return *this;
    }
    Raw_journal& U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Raw_journal& U64(uint64_t v)
    {
        for (int i = 0; i < 8; ++i) out.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Raw_journal& Raw(const std::vector<uint8_t>& b)
    {
        out.insert(out.end(), b.begin(), b.end());
        return *this;
    }
    std::vector<uint8_t> Sealed() const
    {
        Raw_journal sealed = *this;
        sealed.U64(Journal_record::Hash(out.data(), out.size()));
        return sealed.out;
    }
};

// While it lives, the process acts as another user where the test runs as root; elsewhere the
// folder's mode already binds the user the test runs as.
class As_other_user {
public:
    As_other_user() : active_(::geteuid() == 0 && ::setegid(k_Other_user) == 0 && ::seteuid(k_Other_user) == 0) {}
    ~As_other_user()
    {
        if (active_) {
            EXPECT_EQ(::seteuid(0), 0);
            EXPECT_EQ(::setegid(0), 0);
        }
    }

private:
    bool active_;
};

class Header_journal_test : public ::testing::Test {
public:
    void SetUp() override
    {
        g_Emergency_stop = false;
        dialogs.Allow_any_message();
    }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }

    std::string Make_recording(const std::string& path, const std::string& event)
    {
        cls_AVI_handler rec;
        rec.File_name(path);
        EXPECT_TRUE(rec.Create_File());
        rec.Initiate_file();
        EXPECT_TRUE(rec.Event_name(event));
        for (const auto& f : Frames()) EXPECT_TRUE(rec.Append_DV_frame(f));
        rec.Close_File();
        return path;
    }

    // A journal in the program's own layout, naming this file (its device, inode and size).
    static Journal_record Journal_for(const std::string& path)
    {
        struct stat st{};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        Journal_record j;
        j.file = {uint64_t(st.st_dev), uint64_t(st.st_ino), 0};
        j.file_size = st.st_size;
        return j;
    }
    static Journal_entry Entry(int64_t offset, std::vector<uint8_t> old_bytes, std::vector<uint8_t> new_bytes)
    {
        Journal_entry e;
        e.offset = offset;
        e.old_bytes = std::move(old_bytes);
        e.new_bytes = std::move(new_bytes);
        return e;
    }
    // A byte the file holds as the journal's old byte: without it every new byte would have
    // arrived and the journal would have nothing to put back.
    static Journal_entry Not_yet_written(const std::string& bytes)
    {
        const size_t at = 99990;
        return Entry(int64_t(at), Bytes(bytes, at, 1), {uint8_t(bytes[at] ^ 0xFF)});
    }
    // The header's head and text as laid down in the file.
    static size_t Header_bytes(const std::string& file)
    {
        int32_t length = 0;
        std::memcpy(&length, file.data() + 12, 4);
        return size_t(20 + length + 100);
    }

    // Opens the recording as the viewer would; every frame must be there.
    std::string Event_after_open(const std::string& path)
    {
        cls_AVI_handler rec;
        const Recording_outcome opened = rec.Open_File(path);
        for (const Recording_problem& p : opened.problems) told.push_back(p.Text());
        if (!opened) {
            ADD_FAILURE() << "the recording no longer opens";
            return {};
        }
        EXPECT_EQ(rec.num_frames(), k_Frames);
        return rec.Event_name();
    }
    int Journal_messages() const
    {
        int n = 0;
        for (const std::string& m : told) n += m.find("header journal") != std::string::npos;
        return n;
    }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    // The messages of every open's problems, in order.
    std::vector<std::string> told;
    test::Captured_reports reports;
};

// ---- Journals that are never used ----

struct Planted {
    const char* what;
    // The journal's bytes for the recording at path (its bytes now given); may plant a file itself.
    std::function<std::vector<uint8_t>(Header_journal_test&, const std::string& path, const std::string& bytes)> make;
    bool by_other_user;
    const char* said;
};

TEST_F(Header_journal_test, PlantedJournalsAreMovedAsideSaidOnceAndChangeNothing)
{
    const auto forged_lane_times = [](Header_journal_test& t, const std::string& path, const std::string& bytes) {
        // The owner's header with a lane time of the forger's: a journal sound in every other way.
        const std::string forged_path = t.Path("forged.qs2");
        fs::copy_file(path, forged_path, fs::copy_options::overwrite_existing);
        {
            cls_AVI_handler rec;
            EXPECT_TRUE(rec.Open_File(forged_path));
            rec.Race().Heat_time(1, 2, 61234);
            EXPECT_TRUE(rec.Write_XML_header());
        }
        const std::string forged = test::Read_file(forged_path);
        const size_t n = std::max(Header_bytes(forged), Header_bytes(bytes));
        Journal_record j = Journal_for(path);
        j.entries.push_back(Entry(0, Bytes(forged, 0, n), Bytes(bytes, 0, n)));
        j.entries.push_back(Not_yet_written(bytes));
        return j.Encode();
    };
    const std::vector<Planted> cases = {
        {"forged lane times by a user who cannot write the recording", forged_lane_times, true,
         "made by another user"},
        {"a frame zeroed",
         [](Header_journal_test&, const std::string& path, const std::string& bytes) {
             const int64_t frame2 = cls_AVI_handler::k_Own_data_offset + 144000;
             Journal_record j = Journal_for(path);
             j.entries.push_back(Entry(frame2, std::vector<uint8_t>(144000, 0), Bytes(bytes, size_t(frame2), 144000)));
             return j.Encode();
         },
         false, "outside the recording's header"},
        {"the header of another race's recording",
         [](Header_journal_test& t, const std::string& path, const std::string& bytes) {
             const std::string other = test::Read_file(t.Make_recording(t.Path("other.qs2"), "Other race"));
             const size_t n = std::max(Header_bytes(other), Header_bytes(bytes));
             Journal_record j = Journal_for(t.Path("other.qs2"));
             j.entries.push_back(Entry(0, Bytes(other, 0, n), Bytes(bytes, 0, n)));
             return j.Encode();
         },
         false, "made for another file"},
        {"frames of another race put after the last frame",
         [](Header_journal_test& t, const std::string& path, const std::string& bytes) {
             const std::string other = test::Read_file(t.Make_recording(t.Path("other.qs2"), "Other race"));
             const size_t frames = other.size() - size_t(cls_AVI_handler::k_Own_data_offset);
             Journal_record j = Journal_for(path);
             j.entries.push_back(Entry(int64_t(bytes.size()), Bytes(other, size_t(cls_AVI_handler::k_Own_data_offset), frames),
                                       std::vector<uint8_t>(frames, 0)));
             return j.Encode();
         },
         false, "outside the recording's header"},
        {"growth to 1 TiB",
         [](Header_journal_test&, const std::string& path, const std::string&) {
             Journal_record j = Journal_for(path);
             j.entries.push_back(Entry(int64_t(1) << 40, std::vector<uint8_t>(16, 'x'), std::vector<uint8_t>(16, 0)));
             return j.Encode();
         },
         false, "outside the recording's header"},
        {"a zero head in the older layout, which would leave the file unopenable",
         [](Header_journal_test&, const std::string&, const std::string&) {
             return Raw_journal{}.Text("WKJ1").U32(1).U64(0).U32(20).U64(12345).U32(20).Raw(std::vector<uint8_t>(20, 0)).Sealed();
         },
         false, "does not match the recording's header"},
        {"4.2 GB asked for by a 40-byte journal",
         [](Header_journal_test&, const std::string&, const std::string&) {
             const auto j = Raw_journal{}.Text("WKJ1").U32(1).U64(0).U32(0xFFFFFFFFu).U64(0).U32(0).Sealed();
             EXPECT_EQ(j.size(), 40u);
             return j;
         },
         false, "outside the recording's header"},
        {"a range whose end overflows a signed size",
         [](Header_journal_test&, const std::string& path, const std::string&) {
             const Journal_record id = Journal_for(path);
             return Raw_journal{}.Text("WKJ2").U32(1).U64(id.file.device).U64(id.file.inode).U64(uint64_t(id.file_size))
                 .U64(uint64_t(INT64_MAX) - 3).U32(8).Raw(std::vector<uint8_t>(16, 1)).Sealed();
         },
         false, "not a whole journal"},
        {"a negative offset in the older layout",
         [](Header_journal_test&, const std::string&, const std::string&) {
             return Raw_journal{}.Text("WKJ1").U32(1).U64(~uint64_t(0)).U32(4).U64(0).U32(4).U32(0).Sealed();
         },
         false, "not a whole journal"},
        {"a symbolic link to another file of the owner",
         [](Header_journal_test& t, const std::string& path, const std::string&) {
             fs::create_symlink(t.Path("elsewhere"), Header_journal::Journal_name(path));
             return std::vector<uint8_t>{};
         },
         false, "symbolic link"},
        {"a pipe that would hold the open",
         [](Header_journal_test&, const std::string& path, const std::string&) {
             EXPECT_EQ(::mkfifo(Header_journal::Journal_name(path).c_str(), 0644), 0);
             return std::vector<uint8_t>{};
         },
         false, "not a plain file"},
    };
    for (const Planted& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.by_other_user && ::geteuid() != 0) {
            std::printf("skipped \"%s\": another user's file can be made only as root\n", c.what);
            continue;
        }
        for (const auto& entry : fs::directory_iterator(home.path()))
            if (entry.is_regular_file() || entry.is_symlink() || entry.is_fifo()) fs::remove(entry.path());
        const std::string path = Make_recording(Path("heat.qs2"), "Old regatta");
        const std::string before = test::Read_file(path);
        const std::string journal = Header_journal::Journal_name(path);
        const std::vector<uint8_t> bytes = c.make(*this, path, before);
        if (!bytes.empty()) test::Write_file(journal, std::string(bytes.begin(), bytes.end()));
        if (c.by_other_user) ASSERT_EQ(::chown(journal.c_str(), k_Other_user, k_Other_user), 0);
        told.clear();

        EXPECT_EQ(Event_after_open(path), "Old regatta");
        EXPECT_TRUE(test::Read_file(path) == before) << "the recording changed";
        EXPECT_FALSE(fs::exists(fs::symlink_status(journal)));
        EXPECT_TRUE(fs::exists(fs::symlink_status(Header_journal::Rejected_name(path))));
        EXPECT_EQ(Journal_messages(), 1);
        if (!told.empty())
            EXPECT_NE(told.back().find(c.said), std::string::npos) << told.back();
        // Once only: the next open finds nothing to say.
        Event_after_open(path);
        EXPECT_EQ(Journal_messages(), 1);
    }
}

// In a folder that may not be written the journal cannot be moved aside: it is said once, not
// at every open, and never used.
TEST_F(Header_journal_test, AJournalThatCannotBeMovedAsideIsSaidOnce)
{
    ::chmod(home.path().c_str(), 0711);
    const fs::path folder = home.path() / "locked";
    fs::create_directory(folder);
    const std::string path = Make_recording((folder / "heat.qs2").string(), "Old regatta");
    const std::string before = test::Read_file(path);
    Journal_record j = Journal_for(path);
    j.entries.push_back(Entry(200000, std::vector<uint8_t>(8, 0), Bytes(before, 200000, 8))); // inside a frame
    const auto bytes = j.Encode();
    const std::string journal = Header_journal::Journal_name(path);
    test::Write_file(journal, std::string(bytes.begin(), bytes.end()));
    if (::geteuid() == 0)
        for (const std::string& p : {folder.string(), path, journal}) ASSERT_EQ(::chown(p.c_str(), k_Other_user, k_Other_user), 0);
    fs::permissions(folder, fs::perms(0555));
    told.clear();
    {
        As_other_user user;
        for (int open = 0; open < 3; ++open) EXPECT_EQ(Event_after_open(path), "Old regatta");
    }
    fs::permissions(folder, fs::perms(0755));
    EXPECT_EQ(Journal_messages(), 1);
    if (!told.empty()) EXPECT_NE(told[0].find("could not be moved aside"), std::string::npos) << told[0];
    EXPECT_TRUE(fs::exists(journal));
    EXPECT_TRUE(test::Read_file(path) == before) << "the recording changed";
}

// ---- Journals that are used ----

TEST_F(Header_journal_test, JournalsMadeForTheRecordingPutItsOldHeaderBack)
{
    const std::string base = Make_recording(Path("base.qs2"), "Old regatta");
    const std::string old_bytes = test::Read_file(base);
    const std::string path = Path("heat.qs2");
    // Leaves the journal of a rewrite killed after `writes` writes (the journal, the text, the
    // head), the next one torn or not made.
    const auto killed_rewrite = [&](int writes, bool torn) {
        fs::remove(path);
        fs::remove(Header_journal::Rejected_name(path));
        fs::copy_file(base, path);
        test::Failing_disk disk;
        disk.Kill_after(writes, torn);
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        rec.Event_name("New regatta " + std::string(30000, 'x'));
    };
    struct Used {
        const char* what;
        std::function<void()> leave;
    };
    const std::vector<Used> cases = {
        {"a rewrite killed with its text torn", [&] { killed_rewrite(1, true); }},
        {"a rewrite killed before its head, journalled in the older layout",
         [&] {
             killed_rewrite(2, false);
             const std::string name = Header_journal::Journal_name(path);
             const std::string raw = test::Read_file(name);
             const auto j = Journal_record::Decode({raw.begin(), raw.end()});
             ASSERT_TRUE(j.has_value());
             Raw_journal old;
             old.Text("WKJ1").U32(uint32_t(j->entries.size()));
             for (const Journal_entry& e : j->entries)
                 old.U64(uint64_t(e.offset)).U32(e.new_length).U64(e.new_hash).U32(uint32_t(e.old_bytes.size())).Raw(e.old_bytes);
             const auto sealed = old.Sealed();
             test::Write_file(name, std::string(sealed.begin(), sealed.end()));
         }},
        {"a journal made by hand, its new bytes half written",
         [&] {
             fs::remove(path);
             fs::remove(Header_journal::Rejected_name(path));
             fs::copy_file(base, path);
             Journal_record j = Journal_for(path);
             const std::string now = test::Read_file(path);
             j.entries.push_back(Entry(20, Bytes(now, 20, 40), std::vector<uint8_t>(40, 'n')));
             // Cut off halfway: the first half of the new bytes is on the disk.
             std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
             file.seekp(20);
             file.write(std::string(20, 'n').data(), 20);
             const auto bytes = j.Encode();
             test::Write_file(Header_journal::Journal_name(path), std::string(bytes.begin(), bytes.end()));
         }},
    };
    for (const Used& c : cases) {
        SCOPED_TRACE(c.what);
        c.leave();
        ASSERT_TRUE(fs::exists(Header_journal::Journal_name(path)));
        told.clear();
        EXPECT_EQ(Event_after_open(path), "Old regatta");
        EXPECT_TRUE(test::Read_file(path) == old_bytes) << "the old header did not come back whole";
        EXPECT_FALSE(fs::exists(Header_journal::Journal_name(path)));
        EXPECT_FALSE(fs::exists(Header_journal::Rejected_name(path)));
        EXPECT_EQ(Journal_messages(), 0);
    }
}

// The same journal planted for the forger's lane times is used when the owner made it: the user
// who made it is what decides.
TEST_F(Header_journal_test, AJournalOfTheOwnersIsUsedWhereTheSameFromAnotherUserIsNot)
{
    if (::geteuid() != 0) GTEST_SKIP() << "another user's file can be made only as root";
    for (bool by_owner : {false, true}) {
        SCOPED_TRACE(by_owner ? "made by the owner" : "made by another user");
        const std::string path = Make_recording(Path(by_owner ? "own.qs2" : "planted.qs2"), "Old regatta");
        const std::string before = test::Read_file(path);
        std::string with_time = before;
        {
            cls_AVI_handler rec;
            ASSERT_TRUE(rec.Open_File(path));
            rec.Race().Heat_time(1, 2, 61234);
            ASSERT_TRUE(rec.Write_XML_header());
        }
        with_time = test::Read_file(path);
        test::Write_file(path, before);
        const size_t n = std::max(Header_bytes(with_time), Header_bytes(before));
        Journal_record j = Journal_for(path);
        j.entries.push_back(Entry(0, Bytes(with_time, 0, n), Bytes(before, 0, n)));
        j.entries.push_back(Not_yet_written(before));
        const auto bytes = j.Encode();
        const std::string journal = Header_journal::Journal_name(path);
        test::Write_file(journal, std::string(bytes.begin(), bytes.end()));
        if (!by_owner) ASSERT_EQ(::chown(journal.c_str(), k_Other_user, k_Other_user), 0);
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_EQ(rec.Heat_time(1, 2), by_owner ? 61234 : 0);
    }
}

// ---- Journals that cannot be made ----

TEST_F(Header_journal_test, AJournalThatCannotBeMadeSaysWhy)
{
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> prepare;
        bool as_other_user;
        const char* said;
    };
    const std::vector<Case> cases = {
        {"a folder in the journal's place",
         [](const std::string& path) { fs::create_directory(Header_journal::Journal_name(path)); }, false,
         "a folder named"},
        {"a folder that may not be written",
         [](const std::string& path) {
             const fs::path folder = fs::path(path).parent_path();
             ASSERT_EQ(::chown(folder.c_str(), k_Other_user, k_Other_user), ::geteuid() == 0 ? 0 : -1);
             ASSERT_EQ(::chown(path.c_str(), k_Other_user, k_Other_user), ::geteuid() == 0 ? 0 : -1);
             fs::permissions(folder, fs::perms(0555));
         },
         true, "its folder may not be written"},
    };
    ::chmod(home.path().c_str(), 0711);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = home.path() / c.what;
        fs::create_directory(folder);
        const std::string path = Make_recording((folder / "heat.qs2").string(), "Old regatta");
        c.prepare(path);
        const std::string before = test::Read_file(path);
        reports.reports.clear();
        {
            std::optional<As_other_user> user;
            if (c.as_other_user) user.emplace();
            cls_AVI_handler rec;
            ASSERT_TRUE(rec.Open_File(path));
            EXPECT_FALSE(rec.Event_name("New regatta"));
        }
        ASSERT_EQ(reports.reports.size(), 1u);
        EXPECT_NE(reports.reports[0].find(c.said), std::string::npos) << reports.reports[0];
        EXPECT_EQ(reports.reports[0].find("no room"), std::string::npos) << reports.reports[0];
        EXPECT_TRUE(test::Read_file(path) == before) << "the recording changed";
        fs::permissions(folder, fs::perms(0755));
    }
}

} // namespace
} // namespace wk
