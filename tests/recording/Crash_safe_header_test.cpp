// Header rewrites of a recording that a full disk, a failing write or a kill cannot turn into a
// file that no longer opens, and frames a killed capture left uncounted.
#include "recording/Header_journal.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_qsm_Globals.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Failing_disk.h"
#include "tests/support/Small_tmpfs.h"
#include "tests/recording/Told.h"
#include "tests/support/Test_support.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wk {
namespace {

namespace fs = std::filesystem;

constexpr int k_Frames = 5;

const std::vector<test::DV_frame>& Frames()
{
    static const std::vector<test::DV_frame> frames = test::Make_DV_frames(8);
    return frames;
}

int32_t Xml_length(const std::string& path)
{
    const std::string bytes = test::Read_file(path);
    int32_t v = 0;
    std::memcpy(&v, bytes.data() + 12, 4);
    return v;
}

// Gives back the blocks of the header area between the text's zeros and the end mark, as a sparse
// copy of the recording has them.
void Punch_header_hole(const std::string& path, int64_t& from, int64_t& to)
{
    from = (20 + Xml_length(path) + 100 + 4095) / 4096 * 4096;
    to = cls_AVI_handler::k_Header_area_end / 4096 * 4096;
    const int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, from, to - from), 0) << std::strerror(errno);
    ::close(fd);
}

class Crash_safe_header : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_Emergency_stop = false;
        dialogs.Allow_any_message();
    }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }

    // A recording of k_Frames frames, made as the capture station makes one.
    std::string Make_recording(const std::string& path)
    {
        cls_AVI_handler rec;
        rec.File_name(path);
        EXPECT_TRUE(rec.Create_File());
        rec.Initiate_file();
        EXPECT_TRUE(rec.Event_name("Old regatta"));
        for (int k = 0; k < k_Frames; ++k) EXPECT_TRUE(rec.Append_DV_frame(Frames()[size_t(k)]));
        rec.Close_File();
        return path;
    }

    // Opens the recording as the viewer would and checks every frame is there.
    std::string Event_after_reopen(const std::string& path, int frames = k_Frames)
    {
        cls_AVI_handler rec;
        const Recording_outcome opened = rec.Open_File(path);
        told = opened.problems;
        if (!opened) {
            ADD_FAILURE() << "the recording no longer opens";
            return {};
        }
        EXPECT_EQ(rec.num_frames(), frames);
        for (int k = 1; k <= frames; ++k) EXPECT_TRUE(rec.Read_Frame(k)) << "frame " << k;
        return rec.Event_name();
    }

    // A header long enough to reach far into the header area.
    static std::string Long_event() { return "New regatta " + std::string(60000, 'x'); }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    // What the last reopen told.
    std::vector<Recording_problem> told;
    test::Captured_reports reports;
};

TEST_F(Crash_safe_header, ANewRecordingHasItsWholeHeaderAreaOnDisk)
{
    const std::string path = Make_recording(Path("heat.qs2"));
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    // Blocks for every byte up to the first frame, and for the frames.
    EXPECT_GE(int64_t(st.st_blocks) * 512, cls_AVI_handler::k_Own_data_offset + int64_t(k_Frames) * 144000 - 4096);
}

TEST_F(Crash_safe_header, ResultsStoredOnAFullDiskLeaveTheOldHeaderAndEveryFrame)
{
    const std::string path = Make_recording(Path("heat.qs2"));
    int64_t from = 0, to = 0;
    Punch_header_hole(path, from, to);
    const std::string before = test::Read_file(path);
    {
        test::Failing_disk disk;
        disk.No_space_in(path, from, to);
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_FALSE(rec.Event_name(Long_event()));
        ASSERT_EQ(reports.reports.size(), 1u);
        EXPECT_NE(reports.reports[0].find("no room on the disk"), std::string::npos) << reports.reports[0];
        rec.Close_File();
    }
    EXPECT_TRUE(test::Read_file(path) == before) << "the file changed";
    EXPECT_FALSE(fs::exists(Header_journal::Journal_name(path)));
    EXPECT_EQ(Event_after_reopen(path), "Old regatta");
}

TEST_F(Crash_safe_header, AWriteThatFailsHalfwayIsUndone)
{
    const std::string path = Make_recording(Path("heat.qs2"));
    const std::string before = test::Read_file(path);
    // Write 1 is the journal, 2 the text, 3 the head: each fails once, cut short or whole.
    test::Fail_each_write(
        {2, 3},
        [&](test::Failing_disk& disk, int failing, bool half) {
            cls_AVI_handler rec;
            ASSERT_TRUE(rec.Open_File(path));
            disk.Fail_write(failing, EIO, half);
            EXPECT_FALSE(rec.Event_name(Long_event()));
        },
        [&] {
            EXPECT_TRUE(test::Read_file(path) == before) << "the file changed";
            EXPECT_FALSE(fs::exists(Header_journal::Journal_name(path)));
        });
}

TEST_F(Crash_safe_header, AJournalWithoutRoomRefusesTheWriteBeforeTheRecordingChanges)
{
    const std::string path = Make_recording(Path("heat.qs2"));
    const std::string before = test::Read_file(path);
    {
        test::Failing_disk disk;
        disk.No_space_in(Header_journal::Journal_name(path), 0, INT64_MAX);
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_FALSE(rec.Event_name("New regatta"));
    }
    EXPECT_TRUE(test::Read_file(path) == before) << "the file changed";
    EXPECT_FALSE(fs::exists(Header_journal::Journal_name(path)));
}

// Every write of the rewrite in turn is the last one that happens, whole or torn in half.
TEST_F(Crash_safe_header, ARewriteKilledAtAnyWriteLeavesARecordingThatOpens)
{
    const std::string base = Make_recording(Path("base.qs2"));
    const std::string path = Path("killed.qs2");
    const int writes = test::Kill_at_every_write(
        base, path,
        [&](const std::string& copy) {
            cls_AVI_handler rec;
            ASSERT_TRUE(rec.Open_File(copy));
            rec.Event_name(Long_event());
        },
        [&](bool all_written) {
            const std::string event = Event_after_reopen(path);
            EXPECT_TRUE(event == "Old regatta" || event == Long_event()) << event.substr(0, 40);
            if (all_written) {
                EXPECT_EQ(event, Long_event());
            }
            EXPECT_FALSE(fs::exists(Header_journal::Journal_name(path)));
        });
    EXPECT_GE(writes, 3);
}

// The header chunk added to an AVI is rewritten the same way.
TEST_F(Crash_safe_header, AnAviHeaderChunkRewriteKilledAtAnyWriteLeavesAnAviThatOpens)
{
    const std::string base = Path("base.avi");
    test::Write_DV_AVI(base, {Frames().begin(), Frames().begin() + 3});
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(base));
        ASSERT_TRUE(rec.Avi().Append_XML_header());
        ASSERT_TRUE(rec.Event_name("Old regatta"));
    }
    for (int k = 0; k <= 3; ++k)
        for (bool torn : {false, true}) {
            SCOPED_TRACE("killed after write " + std::to_string(k) + (torn ? ", the next torn" : ""));
            const std::string path = Path("killed.avi");
            fs::remove(path);
            fs::copy_file(base, path);
            {
                test::Failing_disk disk;
                disk.Kill_after(k, torn);
                cls_AVI_handler rec;
                ASSERT_TRUE(rec.Open_File(path));
                rec.Event_name(Long_event().substr(0, 20000));
            }
            const std::string event = Event_after_reopen(path, 3);
            EXPECT_TRUE(event == "Old regatta" || event == Long_event().substr(0, 20000)) << event.substr(0, 40);
            if (k == 3) {
                EXPECT_EQ(event, Long_event().substr(0, 20000));
            }
        }
}

TEST_F(Crash_safe_header, AReadOnlyRecordingLeftByAKillShowsItsOldHeaderUntilItMayBeWritten)
{
    const std::string path = Make_recording(Path("heat.qs2"));
    {
        test::Failing_disk disk;
        disk.Kill_after(1, true); // the journal is whole, the text torn
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        rec.Event_name(Long_event());
    }
    ASSERT_TRUE(fs::exists(Header_journal::Journal_name(path)));
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(Event_after_reopen(path), "Old regatta");
    EXPECT_TRUE(fs::exists(Header_journal::Journal_name(path)));
    ::chmod(path.c_str(), 0644);
    EXPECT_EQ(Event_after_reopen(path), "Old regatta");
    EXPECT_FALSE(fs::exists(Header_journal::Journal_name(path)));
}

TEST_F(Crash_safe_header, AReadOnlyRecordingIsReadOnlyForEveryUser)
{
    const std::string path = Make_recording(Path("heat.qs2"));
    ::chmod(path.c_str(), 0444);
    const std::string before = test::Read_file(path);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_TRUE(rec.Read_only());
    EXPECT_FALSE(rec.Event_name("New regatta"));
    rec.Close_File();
    EXPECT_TRUE(test::Read_file(path) == before) << "the file changed";
}

TEST_F(Crash_safe_header, ARecordingHeldInMemoryWritesToItsFileFirst)
{
    const std::string path = Make_recording(Path("heat.qs2"));
    cls_AVI_handler rec;
    rec.Let_Read_to_Memory(true);
    ASSERT_TRUE(rec.Open_File(path));
    ASSERT_TRUE(rec.In_memory());
    {
        test::Failing_disk disk; // the file is already open: only a new journal goes through it
        disk.No_space_in(Header_journal::Journal_name(path), 0, INT64_MAX);
        EXPECT_FALSE(rec.Event_name("Refused regatta"));
    }
    EXPECT_TRUE(rec.Event_name("New regatta"));
    ASSERT_TRUE(rec.Read_Frame(k_Frames));
    rec.Close_File();
    EXPECT_EQ(Event_after_reopen(path), "New regatta");
}

// ---- Frames a killed capture appended but never counted ----

class Uncounted_frames : public Crash_safe_header {
protected:
    // The recording's header counts k_Frames; behind them lie `whole` more frames, then a frame
    // that was never written (zeros, as a power cut leaves one) and half a frame.
    std::string Make_killed_capture(int whole)
    {
        const std::string path = Make_recording(Path("killed.qs2"));
        std::ofstream out(path, std::ios::binary | std::ios::app);
        for (int k = 0; k < whole; ++k) out.write(reinterpret_cast<const char*>(Frames()[size_t(k)].data()), 144000);
        const std::string zeros(144000, '\0');
        out.write(zeros.data(), 144000);
        out.write(reinterpret_cast<const char*>(Frames()[0].data()), 72000);
        return path;
    }
};

TEST_F(Uncounted_frames, AreShownSaidOnceAndCounted)
{
    const std::string path = Make_killed_capture(3);
    EXPECT_EQ(Event_after_reopen(path, k_Frames + 3), "Old regatta");
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(test::Told(told, Recording_problem::Kind::frames_recovered, "3 frames past the recorded count were recovered"));
    // The header now counts them: no word the second time.
    EXPECT_EQ(Event_after_reopen(path, k_Frames + 3), "Old regatta");
    EXPECT_TRUE(told.empty());
}

TEST_F(Uncounted_frames, InAReadOnlyRecordingAreShownWithoutChangingIt)
{
    const std::string path = Make_killed_capture(2);
    ::chmod(path.c_str(), 0444);
    const std::string before = test::Read_file(path);
    for (int open = 0; open < 2; ++open) {
        Event_after_reopen(path, k_Frames + 2);
        ASSERT_EQ(told.size(), 1u);
        EXPECT_TRUE(test::Told(told, Recording_problem::Kind::frames_recovered, "2 frames past the recorded count were recovered"));
    }
    EXPECT_TRUE(test::Read_file(path) == before) << "the file changed";
}

TEST_F(Uncounted_frames, ThatAreNotWholeStayHidden)
{
    const std::string path = Make_killed_capture(0);
    test::Scripted_dialogs strict; // no message
    Event_after_reopen(path, k_Frames);
}

// ---- A real full file system ----

TEST_F(Crash_safe_header, ASparseCopyOnAFullFileSystemKeepsItsHeaderWhenAResultIsStored)
{
    const std::string base = Make_recording(Path("heat.qs2"));
    test::Small_tmpfs tmpfs(home.path() / "small", "1m");
    if (!tmpfs.mounted()) GTEST_SKIP() << "a tmpfs cannot be mounted here (" << tmpfs.why() << ")";
    const std::string path = (home.path() / "small" / "heat.qs2").string();
    ASSERT_EQ(std::system(("cp --sparse=always '" + base + "' '" + path + "'").c_str()), 0);
    // Fill what is left of the file system.
    {
        std::ofstream fill(home.path() / "small" / "fill", std::ios::binary);
        const std::string block(4096, 'f');
        while (fill.write(block.data(), block.size())) {
        }
    }
    const std::string before = test::Read_file(path);
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_FALSE(rec.Event_name(Long_event()));
        ASSERT_FALSE(reports.reports.empty());
        EXPECT_NE(reports.reports.back().find("no room on the disk"), std::string::npos) << reports.reports.back();
    }
    EXPECT_TRUE(test::Read_file(path) == before) << "the file changed";
    EXPECT_EQ(Event_after_reopen(path), "Old regatta");
    // Room made, the same store goes through.
    fs::remove(home.path() / "small" / "fill");
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_TRUE(rec.Event_name(Long_event()));
    }
    EXPECT_EQ(Event_after_reopen(path), Long_event());
}

} // namespace
} // namespace wk
