// The data channel names of an AVI recording: 40-byte fields of the table in its BXA1 chunk, read
// trimmed, written padded, never outside the table, and never leaving a half-written file.
#include "recording/Header_journal.h"
#include "recording/cls_AVI_handler.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/recording/Recording_maker.h"
#include "tests/support/Failing_disk.h"
#include "tests/support/Test_support.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace wk {
namespace {

namespace fs = std::filesystem;

constexpr int k_Channels = 3;

// 40-byte field text: the name padded with blanks.
std::string Field(const std::string& name) { return name + std::string(40 - name.size(), ' '); }

class Data_channels : public ::testing::Test {
protected:
    void SetUp() override { dialogs.Allow_any_message(); }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }

    // A DV AVI with a BXA1 table of three channels ("Heart rate", never written, "Speed") and a
    // JUNK chunk after it; table_at is the 0-based offset of the table's chunk header.
    std::string Make_avi(const std::string& name)
    {
        test::Built_avi b = test::Build_DV_AVI({test::Stream_frames(1)[0], test::Stream_frames(1)[1]});
        table_at = int64_t(b.bytes.size());
        const std::string table = Field("Heart rate") + std::string(40, '\0') + Field("Speed");
        test::Put_fourcc(b.bytes, "BXA1");
        test::Put_u32(b.bytes, uint32_t(table.size()));
        b.bytes.insert(b.bytes.end(), table.begin(), table.end());
        test::Put_fourcc(b.bytes, "JUNK");
        test::Put_u32(b.bytes, 8);
        b.bytes.insert(b.bytes.end(), 8, uint8_t(0xAB));
        const auto riff_size = uint32_t(b.bytes.size() - 8);
        std::memcpy(b.bytes.data() + 4, &riff_size, 4);
        test::Write_bytes(Path(name), b.bytes);
        return Path(name);
    }
    // The stored bytes of channel n.
    std::string Stored(const std::string& path, int n) const
    {
        return test::Read_file(path).substr(size_t(table_at + 8 + 40 * (n - 1)), 40);
    }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    int64_t table_at = 0;
};

TEST_F(Data_channels, NamesReadFromTheTableWithoutTheirPadding)
{
    cls_AVI_handler rec;
    EXPECT_EQ(rec.Avi().Data_Channel_Name(1), ""); // no file open
    ASSERT_TRUE(rec.Open_File(Make_avi("heat.avi")));
    EXPECT_EQ(rec.Avi().AVI_Chunk_addr(1), table_at + 1);
    EXPECT_EQ(rec.Avi().Data_Channel_Name(1), "Heart rate");
    EXPECT_EQ(rec.Avi().Data_Channel_Name(2), ""); // zero bytes, never written
    EXPECT_EQ(rec.Avi().Data_Channel_Name(3), "Speed");
    // Outside the table: the JUNK chunk behind it is no channel.
    EXPECT_EQ(rec.Avi().Data_Channel_Name(4), "");
    EXPECT_EQ(rec.Avi().Data_Channel_Name(0), "");
    EXPECT_EQ(rec.Avi().Data_Channel_Name(-1), "");
    rec.Close_File();
    EXPECT_EQ(rec.Avi().Data_Channel_Name(1), "");
}

TEST_F(Data_channels, ARecordingWithoutATableHasNoNames)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(test::Make_qs2(home.path() / "heat.qs2", 2)));
    EXPECT_EQ(rec.Avi().Data_Channel_Name(1), "");
    EXPECT_FALSE(rec.Avi().Write_channel_name(1, "Speed"));
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_NE(reports.reports[0].find("Write_channel_name of Class Module cls_AVI_handler"), std::string::npos);

    test::Write_DV_AVI(Path("plain.avi"), {test::Stream_frames(1)[0]});
    ASSERT_TRUE(rec.Open_File(Path("plain.avi")));
    EXPECT_EQ(rec.Avi().Data_Channel_Name(1), "");
    EXPECT_FALSE(rec.Avi().Write_channel_name(1, "Speed"));
}

TEST_F(Data_channels, ANameIsWrittenCutOrPaddedToItsFieldAndNothingElseChanges)
{
    const std::string path = Make_avi("heat.avi");
    const std::string before = test::Read_file(path);
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_TRUE(rec.Avi().Write_channel_name(2, "Stroke rate"));
        EXPECT_EQ(rec.Avi().Data_Channel_Name(2), "Stroke rate");
        const std::string long_name = "Boat speed over ground, from the GPS receiver in the bow";
        EXPECT_TRUE(rec.Avi().Write_channel_name(3, long_name));
        EXPECT_EQ(rec.Avi().Data_Channel_Name(3), long_name.substr(0, 40));
        // One byte a character in the file.
        EXPECT_TRUE(rec.Avi().Write_channel_name(1, "Geschwindigkeit \xC3\xBC"));
        EXPECT_EQ(rec.Avi().Data_Channel_Name(1), "Geschwindigkeit \xC3\xBC");
        // Past the table nothing is written.
        EXPECT_FALSE(rec.Avi().Write_channel_name(4, "Wind"));
        EXPECT_FALSE(rec.Avi().Write_channel_name(0, "Wind"));
        EXPECT_EQ(reports.reports.size(), 2u);
    }
    const std::string after = test::Read_file(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(Stored(path, 1), Field("Geschwindigkeit \xFC"));
    EXPECT_EQ(Stored(path, 2), Field("Stroke rate"));
    EXPECT_EQ(Stored(path, 3), "Boat speed over ground, from the GPS rec");
    // Every byte outside the three fields is as it was.
    const size_t table = size_t(table_at + 8);
    EXPECT_TRUE(after.substr(0, table) == before.substr(0, table));
    EXPECT_TRUE(after.substr(table + 120) == before.substr(table + 120));
    EXPECT_FALSE(fs::exists(Header_journal::Journal_name(path)));

    cls_AVI_handler again;
    ASSERT_TRUE(again.Open_File(path));
    EXPECT_EQ(again.Avi().Data_Channel_Name(2), "Stroke rate");
    EXPECT_EQ(again.num_frames(), 2);
}

TEST_F(Data_channels, AReadOnlyRecordingKeepsItsNames)
{
    const std::string path = Make_avi("heat.avi");
    ::chmod(path.c_str(), 0444);
    const std::string before = test::Read_file(path);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_FALSE(rec.Avi().Write_channel_name(1, "Speed"));
    EXPECT_EQ(rec.Avi().Data_Channel_Name(1), "Heart rate");
    rec.Close_File();
    EXPECT_TRUE(test::Read_file(path) == before);
}

TEST_F(Data_channels, AFailingWriteLeavesTheOldName)
{
    const std::string path = Make_avi("heat.avi");
    const std::string before = test::Read_file(path);
    const auto unchanged = [&] {
        EXPECT_TRUE(test::Read_file(path) == before) << "the file changed";
        EXPECT_FALSE(fs::exists(Header_journal::Journal_name(path)));
    };
    // Write 1 is the journal, 2 the name: each fails once, cut short or whole.
    test::Fail_each_write(
        {1, 2},
        [&](test::Failing_disk& disk, int failing, bool half) {
            cls_AVI_handler rec;
            ASSERT_TRUE(rec.Open_File(path));
            disk.Fail_write(failing, EIO, half);
            EXPECT_FALSE(rec.Avi().Write_channel_name(1, "Stroke rate"));
            EXPECT_EQ(rec.Avi().Data_Channel_Name(1), "Heart rate");
        },
        unchanged);
    {
        test::Failing_disk disk;
        disk.No_space_in(Header_journal::Journal_name(path), 0, INT64_MAX);
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_FALSE(rec.Avi().Write_channel_name(1, "Stroke rate"));
    }
    unchanged();
}

// Every write in turn is the last one that happens, whole or torn in half.
TEST_F(Data_channels, AWriteKilledAtAnyPointLeavesTheOldOrTheNewName)
{
    const std::string path = Path("killed.avi");
    const int writes = test::Kill_at_every_write(
        Make_avi("base.avi"), path,
        [](const std::string& copy) {
            cls_AVI_handler rec;
            ASSERT_TRUE(rec.Open_File(copy));
            rec.Avi().Write_channel_name(1, "Stroke rate");
        },
        [&](bool all_written) {
            cls_AVI_handler rec;
            ASSERT_TRUE(rec.Open_File(path));
            const std::string name = rec.Avi().Data_Channel_Name(1);
            EXPECT_TRUE(name == "Heart rate" || name == "Stroke rate") << name;
            if (all_written) {
                EXPECT_EQ(name, "Stroke rate");
            }
            EXPECT_EQ(rec.Avi().Data_Channel_Name(3), "Speed");
            EXPECT_FALSE(fs::exists(Header_journal::Journal_name(path)));
        });
    EXPECT_GE(writes, 2);
}

} // namespace
} // namespace wk
