// Frames the capture station wrote past a recording's count (a kill, a full disk): taken back when
// whole, with the capture record in them; and the count stored alone where it stands.
#include "recording/Header_journal.h"
#include "recording/Stored_dv_frame.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_qsm_Globals.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Failing_disk.h"
#include "tests/recording/Told.h"
#include "tests/support/Test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

namespace wk {
namespace {

namespace fs = std::filesystem;

constexpr int k_Counted = 5;
constexpr int64_t k_Frame = cls_AVI_handler::k_DV_frame_size;

// Frames as the capture station stores them: each with its record at byte 12000.
const std::vector<test::DV_frame>& Captured()
{
    static const std::vector<test::DV_frame> frames = [] {
        std::vector<test::DV_frame> made = test::Make_DV_frames(10);
        for (size_t k = 0; k < made.size(); ++k)
            test::Write_DV_extra_data(made[k], {.stamp_tick = int32_t(1000 + 40 * k), .heat_start = 500});
        return made;
    }();
    return frames;
}

void Zero(test::DV_frame& f, size_t from, size_t n) { std::memset(f.data() + from, 0, n); }

TEST(Stored_dv_frame, TakesWholeFramesWithOrWithoutTheCaptureRecordAndNoDamagedOne)
{
    const test::DV_frame camera = test::Make_DV_frames(1)[0];
    const test::DV_frame ntsc = test::Make_DV_frames(1, {.ntsc = true})[0];
    struct Case {
        const char* what;
        test::DV_frame frame;
        std::function<void(test::DV_frame&)> damage;
        bool whole;
    };
    const std::vector<Case> cases = {
        {"a camera's frame", camera, {}, true},
        {"an NTSC camera's frame", ntsc, {}, true},
        {"a captured frame", Captured()[0], {}, true},
        {"the record's end marker broken", Captured()[0], [](auto& f) { f[12000 + 186] = 'X'; }, false},
        {"the record's length 192", Captured()[0], [](auto& f) { f[12000 + 4] = 192; }, true},
        {"the record's length neither 192 nor 0", Captured()[0], [](auto& f) { f[12000 + 4] = 200; }, false},
        {"the record's version marker gone", Captured()[0], [](auto& f) { Zero(f, 12000 + 8, 4); }, false},
        {"the block right after the record zeroed", Captured()[0], [](auto& f) { Zero(f, 12240, 80); }, false},
        {"a video block of sequence 7 zeroed", Captured()[0], [](auto& f) { Zero(f, 7 * 12000 + 50 * 80, 80); }, false},
        {"an audio block given sequence 2's number", Captured()[0], [](auto& f) { f[3 * 12000 + 6 * 80 + 1] ^= 0x10; }, false},
        {"the header block of sequence 3 gone", camera, [](auto& f) { Zero(f, 3 * 12000, 3); }, false},
        {"the second half never written", Captured()[0], [](auto& f) { Zero(f, 72000, 72000); }, false},
        {"a frame of zeros", test::DV_frame(144000, 0), {}, false},
        {"one byte short", test::DV_frame(Captured()[0].begin(), Captured()[0].end() - 1), {}, false},
    };
    for (const Case& c : cases) {
        test::DV_frame f = c.frame;
        if (c.damage) c.damage(f);
        EXPECT_EQ(Is_whole_stored_DV_frame(f), c.whole) << c.what;
    }
}

class Captured_frames : public ::testing::Test {
protected:
    void SetUp() override { g_Emergency_stop = false; }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }

    // A recording that counts k_Counted captured frames, as a capture station closed it.
    std::string Make_recording(const std::string& path)
    {
        test::Scripted_dialogs quiet;
        quiet.Allow_any_message();
        cls_AVI_handler rec;
        rec.File_name(path);
        EXPECT_TRUE(rec.Create_File());
        rec.Initiate_file();
        for (int k = 0; k < k_Counted; ++k) EXPECT_TRUE(rec.Append_DV_frame(Captured()[size_t(k)]));
        rec.Close_File();
        return path;
    }
    static void Append_raw(const std::string& path, std::span<const uint8_t> bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    static int32_t Header_count(const std::string& path)
    {
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path));
        return rec.Header().Frames_no();
    }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Captured_reports reports;
};

// What a capture killed in an append left behind the counted frames, and what opens.
TEST_F(Captured_frames, PastTheCountOpenWithEveryWholeOneAndTheCountIsStored)
{
    struct Case {
        const char* what;
        int whole;
        std::function<void(const std::string&)> tail;
        int recovered;
        bool full_disk = false;
    };
    const test::DV_frame zeros(144000, 0);
    const std::vector<Case> cases = {
        {"whole frames only", 4, {}, 4},
        {"a frame cut in half after them", 3, [](const std::string& p) { Append_raw(p, std::span(Captured()[9]).first(72000)); }, 3},
        {"a frame never written, then whole ones", 2,
         [&](const std::string& p) {
             Append_raw(p, zeros);
             Append_raw(p, Captured()[9]);
         },
         2},
        {"a frame whose record is torn", 1,
         [](const std::string& p) {
             test::DV_frame torn = Captured()[9];
             std::memset(torn.data() + 12000 + 100, 0xFF, 92);
             Append_raw(p, torn);
         },
         1},
        {"whole frames on a disk with no room for a journal", 3, {}, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Make_recording(Path(std::string("killed_") + std::to_string(c.whole) + (c.full_disk ? "_full" : "") + ".qs2"));
        for (int k = 0; k < c.whole; ++k) Append_raw(path, Captured()[size_t(k_Counted + k)]);
        if (c.tail) c.tail(path);
        {
            test::Scripted_dialogs strict;
            std::optional<test::Failing_disk> disk;
            if (c.full_disk) disk.emplace().No_space_in(Header_journal::Journal_name(path), 0, INT64_MAX);
            cls_AVI_handler rec;
            const Recording_outcome opened = rec.Open_File(path);
            ASSERT_TRUE(opened);
            EXPECT_TRUE(test::Told(opened, Recording_problem::Kind::frames_recovered,
                                   std::to_string(c.recovered) + " frames past the recorded count were recovered"));
            EXPECT_EQ(rec.num_frames(), k_Counted + c.recovered);
            for (int f = 1; f <= rec.num_frames(); ++f) EXPECT_TRUE(rec.Read_Frame(f)) << "frame " << f;
            EXPECT_TRUE(strict.All_used());
        }
        test::Scripted_dialogs strict; // stored: no word the second time
        EXPECT_EQ(Header_count(path), k_Counted + c.recovered);
    }
}

// The count alone, as a full disk lets it be stored: one small write, the text's length kept.
TEST_F(Captured_frames, TheCountAloneIsOneSmallWriteThatKeepsTheTextsLength)
{
    struct Case {
        int appended;
        bool stored;
    };
    // From 5: the same width, one digit more, two more (the line break gives way), three more.
    for (const Case c : {Case{2, true}, Case{5, true}, Case{95, true}, Case{995, false}}) {
        SCOPED_TRACE("appended " + std::to_string(c.appended));
        const std::string path = Make_recording(Path("count_" + std::to_string(c.appended) + ".qs2"));
        const std::string before = test::Read_file(path);
        {
            test::Failing_disk disk; // a journal would find no room
            disk.No_space_in(Header_journal::Journal_name(path), 0, INT64_MAX);
            cls_AVI_handler rec;
            ASSERT_TRUE(rec.Open_for_append(path));
            rec.Count_appended_frames(c.appended);
            EXPECT_EQ(rec.Store_appended_count(), c.stored);
            if (!c.stored) rec.Count_appended_frames(-c.appended); // nothing left for the close to write
            EXPECT_EQ(rec.DV_frames_appended(), c.stored ? 0 : c.appended);
        }
        EXPECT_FALSE(fs::exists(Header_journal::Journal_name(path)));
        const std::string after = test::Read_file(path);
        ASSERT_EQ(after.size(), before.size());
        size_t first = after.size(), last = 0;
        for (size_t i = 0; i < after.size(); ++i)
            if (after[i] != before[i]) first = std::min(first, i), last = i;
        if (!c.stored) {
            EXPECT_EQ(first, after.size()) << "the file changed";
            continue;
        }
        EXPECT_LE(last - first + 1, 20u) << "changed from " << first << " to " << last;
        EXPECT_GT(first, 20u); // the head, and its text length, stay
        EXPECT_EQ(Header_count(path), k_Counted + c.appended);
    }
}

// The frames are on the disk, but the header's rewrite finds no room for its journal.
TEST_F(Captured_frames, AClosingWriterWithNoRoomForTheJournalStillStoresItsCount)
{
    const std::string path = Make_recording(Path("close.qs2"));
    {
        test::Scripted_dialogs quiet;
        quiet.Allow_any_message();
        test::Failing_disk disk;
        disk.No_space_in(Header_journal::Journal_name(path), 0, INT64_MAX);
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_for_append(path));
        for (int k = 0; k < 3; ++k) ASSERT_TRUE(rec.Append_DV_frame(Captured()[size_t(k_Counted + k)]));
        rec.Close_File();
        EXPECT_FALSE(reports.reports.empty()); // the failed rewrite is said
    }
    test::Scripted_dialogs strict; // nothing to recover
    EXPECT_EQ(Header_count(path), k_Counted + 3);
}

} // namespace
} // namespace wk
