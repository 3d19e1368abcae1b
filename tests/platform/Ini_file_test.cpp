#include "platform/Ini_file.h"
#include "tests/support/Failing_disk.h"
#include "tests/support/Test_support.h"

#include <cerrno>
#include <filesystem>

namespace wk {
namespace {

using platform::Get_profile_string;
using platform::Write_profile_string;

class Ini_file_test : public ::testing::Test {
protected:
    test::Temp_home home;
    std::string path = (home.path() / "t.ini").string();
    int err = 0;
};

TEST_F(Ini_file_test, SectionsAndKeysIgnoreCaseAndTheFirstMatchWins)
{
    test::Write_file(path, "[Canoe]\r\nEvent_Name = first \r\nevent_name=second\r\n[CANOE]\r\nevent_name=third\r\n");
    EXPECT_EQ(Get_profile_string("canoe", "EVENT_NAME", "d", path), "first");
    EXPECT_EQ(Get_profile_string("Settings", "event_name", "d", path), "d");
    EXPECT_EQ(Get_profile_string("Canoe", "missing", "", path), "");
}

TEST_F(Ini_file_test, EnclosingQuotesAreDroppedAndReadsStopAt254Characters)
{
    const std::string longv(300, 'x');
    test::Write_file(path, "[s]\r\nq=\"quoted value\"\r\nhalf=\"open\r\nlong=" + longv + "\r\n");
    EXPECT_EQ(Get_profile_string("s", "q", "", path), "quoted value");
    EXPECT_EQ(Get_profile_string("s", "half", "", path), "\"open");
    EXPECT_EQ(Get_profile_string("s", "long", "", path), std::string(254, 'x'));
}

TEST_F(Ini_file_test, WritesReplaceInPlaceAppendToTheirSectionAndCreateWhatIsMissing)
{
    ASSERT_EQ(Write_profile_string("Canoe", "Lanes", "9", path, err), 1);  // new file
    test::Write_file(path, test::Read_file(path) + "\r\n[windowpos]\r\nFrm=1,2\r\n");
    ASSERT_EQ(Write_profile_string("canoe", "LANES", "5", path, err), 1);  // replaced in place
    ASSERT_EQ(Write_profile_string("Canoe", "Lane_num", "6", path, err), 1); // end of its section
    ASSERT_EQ(Write_profile_string("Settings", "timingcorrection", "-20", path, err), 1);
    EXPECT_EQ(test::Read_file(path),
              "[Canoe]\r\nLANES=5\r\nLane_num=6\r\n\r\n[windowpos]\r\nFrm=1,2\r\n[Settings]\r\ntimingcorrection=-20\r\n");
}

TEST_F(Ini_file_test, TextIsWindows1252OnDisk)
{
    ASSERT_EQ(Write_profile_string("Canoe", "event_name", "Östra Göinge", path, err), 1);
    EXPECT_NE(test::Read_file(path).find("event_name=\xD6stra G\xF6inge\r\n"), std::string::npos);
    EXPECT_EQ(Get_profile_string("Canoe", "event_name", "", path), "Östra Göinge");
}

TEST_F(Ini_file_test, ValuesAndKeysThatWouldCorruptTheFileAreRefused)
{
    ASSERT_EQ(Write_profile_string("s", "k", "v", path, err), 1);
    const std::string before = test::Read_file(path);
    EXPECT_EQ(Write_profile_string("s", "k", "two\r\nlines", path, err), 0);
    EXPECT_EQ(err, EINVAL);
    EXPECT_EQ(Write_profile_string("s", "a=b", "v", path, err), 0);
    EXPECT_EQ(Write_profile_string("s", "[x]", "v", path, err), 0);
    // Keys that would not read back: a comment, blanks around it, nothing but blanks.
    for (const char* key : {";ey1", " k", "k ", "  ", "; x"}) {
        EXPECT_EQ(Write_profile_string("s", key, "v", path, err), 0) << key;
        EXPECT_EQ(err, EINVAL);
    }
    EXPECT_EQ(Write_profile_string(" ", "k", "v", path, err), 0);
    EXPECT_EQ(test::Read_file(path), before);
}

TEST_F(Ini_file_test, AFileThatCannotBeReadIsNeverReplaced)
{
    // A folder where the file should be: there, but not readable as a file.
    std::filesystem::create_directories(path);
    EXPECT_EQ(Write_profile_string("s", "k", "v", path, err), 0);
    EXPECT_NE(err, 0);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(Get_profile_string("s", "k", "none", path), "none");
}

TEST_F(Ini_file_test, AMissingFolderFailsTheWrite)
{
    const std::string nowhere = (home.path() / "no" / "such" / "t.ini").string();
    EXPECT_EQ(Write_profile_string("s", "k", "v", nowhere, err), 0);
    EXPECT_NE(err, 0);
    EXPECT_FALSE(std::filesystem::exists(nowhere));
}

// A full disk, a write cut short or a kill at any write: the settings keep their old text and no
// file is left beside them.
TEST_F(Ini_file_test, AWriteThatFailsOrIsKilledLeavesTheOldSettingsWhole)
{
    ASSERT_EQ(Write_profile_string("capture", "goal_x", "540", path, err), 1);
    const std::string before = test::Read_file(path);
    for (bool half : {false, true}) {
        test::Failing_disk disk;
        disk.Fail_write(1, ENOSPC, half);
        EXPECT_EQ(Write_profile_string("capture", "goal_x", "600", path, err), 0);
        EXPECT_EQ(err, ENOSPC);
        EXPECT_EQ(test::Read_file(path), before);
    }
    for (bool torn : {false, true}) {
        test::Failing_disk disk;
        disk.Kill_after(0, torn);
        EXPECT_EQ(Write_profile_string("capture", "goal_x", "600", path, err), 0);
        EXPECT_EQ(test::Read_file(path), before);
    }
    EXPECT_EQ(Get_profile_string("capture", "goal_x", "", path), "540");
    for (const auto& entry : std::filesystem::directory_iterator(home.path()))
        EXPECT_NE(entry.path().filename().string().rfind("t.ini.", 0), 0u) << "left behind: " << entry.path();
}

} // namespace
} // namespace wk
