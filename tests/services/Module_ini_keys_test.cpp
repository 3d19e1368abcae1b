#include "services/Module_ini_keys.h"

#include "platform/Folders.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "tests/support/Failing_disk.h"
#include "tests/support/Test_support.h"
#include "tests/support/Told_operator.h"

#include <cerrno>
#include <filesystem>

namespace wk {
namespace {

class Settings_table : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(home.App_data()); }
    test::Temp_home home;
    test::Scripted_dialogs dialogs; // no box comes from below the windows
    test::Told_operator told;
};

// What the program's writers left in the file, in this order, before the keys had one table:
// the bytes of a settings file people already have must not change with it.
TEST_F(Settings_table, ASequenceOfWritesLeavesTheBytesTheEarlierWritersLeft)
{
    Write_setting(ini::Capture_type, "multiple");
    Write_setting(ini::Event_name, "Regatta \xC3\x84lmhult");
    Write_setting(ini::Show_lanes, true);
    Write_setting(ini::Flip_lanes, false);
    Write_setting(ini::Show_goalline, true);
    Write_setting(ini::Rotate, false);
    Write_setting(ini::Goalline, "100,200,300,400");
    Write_setting(ini::Lanes, "100200110210");
    Write_setting(ini::Lane_num, 6);
    Write_setting(ini::Lane_zero, true);
    Store_Form_Pos("Frm_kanot_2", 1200, 800, 0, 0);
    Write_setting(ini::Timing_correction, -40);
    Write_setting(ini::Capture_folder, "/data/heats");
    Write_setting(ini::Last_dir, "/data/heats/");
    Write_setting(ini::Event_logo, "");
    Write_setting(ini::Event_logo, "/data/logo.png");
    Write_setting(ini::Export_format, "2");
    Write_setting(ini::Export_folder, "/exports");
    Write_setting(ini::Fo_data_folder, "/fo");
    Write_setting(ini::Last_captured_file, "/data/heats/K1_200m_26-06-14.qs2");
    Write_setting(ini::Event_name, "\xC3\x85re \xC3\xB6st");
    Write_setting(ini::Lane_num, 7);
    Write_setting(ini::Lane_zero, false);
    Store_Form_Pos("Frm_kanot_2", 300, 200, 0, 0);
    Store_Form_Pos("Frm_results", 10, 20, 0, 0);
    Write_setting(ini::Timing_correction, 15);
    Write_setting(ini::Capture_type, "single");

    EXPECT_EQ(test::Read_file(Ini_file_path),
              "[Canoe]\r\ncapture_type=single\r\nevent_name=\xC5re \xF6st\r\nShowLanes=True\r\nFlipLanes=False\r\n"
              "ShowGoalline=True\r\nRotate=False\r\nGoalline=100,200,300,400\r\nLanes=100200110210\r\nLane_num=7\r\n"
              "Lane_Zero=False\r\nsave_folder1=/data/heats\r\nlast_dir=/data/heats/\r\nevent_logo=/data/logo.png\r\n"
              "expformat=2\r\nexport_folder=/exports\r\nfo_data_folder=/fo\r\n"
              "last_captured_file=/data/heats/K1_200m_26-06-14.qs2\r\n[windowpos]\r\nFrm_kanot_2=300,200,0,0\r\n"
              "Frm_results=10,20,0,0\r\n[Settings]\r\ntimingcorrection=15\r\n");
    EXPECT_EQ(Read_setting(ini::Event_name), "\xC3\x85re \xC3\xB6st");
    EXPECT_EQ(Read_setting(ini::Lane_num), 7);
    EXPECT_EQ(Read_setting(ini::Timing_correction), 15);
    EXPECT_TRUE(Read_setting(ini::Show_lanes));
    EXPECT_FALSE(Read_setting(ini::Rotate));
    EXPECT_EQ(Read_setting(ini::Window_position, "frm_results"), "10,20,0,0");
    EXPECT_TRUE(dialogs.shown.empty());
}

// The defaults the readers passed one by one before: a file without the keys reads as these.
TEST_F(Settings_table, MissingKeysReadAsTheirDefaults)
{
    test::Write_file(Ini_file_path, "[Canoe]\r\nevent_name=\r\n");
    const std::string home_folder = platform::Home_folder().string();
    EXPECT_EQ(Read_setting(ini::Timing_correction), 0);
    EXPECT_EQ(Read_setting(ini::Capture_type), "single");
    EXPECT_EQ(Read_setting(ini::Event_name), "NOEVENT"); // empty counts as missing
    EXPECT_EQ(Read_setting(ini::Lanes), "None");
    EXPECT_EQ(Read_setting(ini::Lane_num), 5);
    EXPECT_EQ(Read_setting(ini::Goalline), "None");
    EXPECT_TRUE(Read_setting(ini::Show_lanes));
    EXPECT_FALSE(Read_setting(ini::Flip_lanes));
    EXPECT_TRUE(Read_setting(ini::Show_goalline));
    EXPECT_TRUE(Read_setting(ini::Rotate));
    EXPECT_FALSE(Read_setting(ini::Lane_zero));
    EXPECT_EQ(Read_setting(ini::Export_folder), home_folder);
    EXPECT_EQ(Read_setting(ini::Fo_data_folder), home_folder);
    EXPECT_EQ(Read_setting(ini::Export_format), "1");
    EXPECT_EQ(Read_setting(ini::Last_dir), "N/A");
    EXPECT_EQ(Read_setting(ini::Event_logo), "N/A");
    EXPECT_EQ(Read_setting(ini::Capture_folder), "N/A");
    EXPECT_EQ(Read_setting(ini::Window_position, "Frm_kanot_2"), "0,0");
    EXPECT_EQ(Read_setting(ini::Camera_setting, "video:1"), "N/A");
}

TEST_F(Settings_table, FlagsAreTrueOnlyForTheExactTextTrue)
{
    test::Write_file(Ini_file_path, "[Canoe]\r\nShowLanes=true\r\nRotate=1\r\nFlipLanes=True\r\nLane_Zero=\"True\"\r\n");
    EXPECT_FALSE(Read_setting(ini::Show_lanes));
    EXPECT_FALSE(Read_setting(ini::Rotate));
    EXPECT_TRUE(Read_setting(ini::Flip_lanes));
    EXPECT_TRUE(Read_setting(ini::Lane_zero)); // the quotes are the file's, not the value's
}

TEST_F(Settings_table, ANumberThatIsNoneOrTooBigIsAnErrorNamingItsKey)
{
    test::Write_file(Ini_file_path, "[Canoe]\r\nLane_num= +12 \r\n[Settings]\r\ntimingcorrection=-2147483648\r\n");
    EXPECT_EQ(Read_setting(ini::Lane_num), 12);
    EXPECT_EQ(Read_setting(ini::Timing_correction), INT32_MIN);

    const auto error_of = [](auto read) -> std::pair<int32_t, std::string> {
        try {
            read();
        } catch (const Run_time_error& e) {
            return {e.number(), e.description()};
        }
        return {0, ""};
    };
    test::Write_file(Ini_file_path, "[Canoe]\r\nLane_num=5x\r\n[Settings]\r\ntimingcorrection=2147483648\r\n");
    EXPECT_EQ(error_of([] { Read_setting(ini::Lane_num); }),
              std::make_pair(int32_t(err_Type_mismatch), std::string("Type mismatch: Lane_num holds \"5x\"")));
    EXPECT_EQ(error_of([] { Read_setting(ini::Timing_correction); }),
              std::make_pair(int32_t(err_Overflow), std::string("Overflow: timingcorrection holds \"2147483648\"")));
    test::Write_file(Ini_file_path, "[Canoe]\r\nLane_num=32768\r\n");
    EXPECT_EQ(error_of([] { Read_setting(ini::Lane_num); }).first, err_Overflow);
    test::Write_file(Ini_file_path, "[Canoe]\r\nLane_num=+-3\r\n");
    EXPECT_EQ(error_of([] { Read_setting(ini::Lane_num); }).first, err_Type_mismatch);
}

TEST_F(Settings_table, AFailedWriteKeepsTheWholeOldFileAndIsReported)
{
    Write_setting(ini::Event_name, "Regatta");
    Write_setting(ini::Lane_num, 6);
    const std::string before = test::Read_file(Ini_file_path);
    for (bool half : {false, true}) {
        test::Failing_disk disk;
        disk.Fail_write(1, ENOSPC, half);
        EXPECT_EQ(Write_setting(ini::Lane_num, 9), 0);
        EXPECT_TRUE(told.Said("Writing to INI file failed! Path = " + Ini_file_path));
        EXPECT_EQ(test::Read_file(Ini_file_path), before);
    }
    {
        test::Failing_disk disk;
        disk.Kill_after(0, true);
        EXPECT_EQ(Write_setting(ini::Window_position, "Frm_results", "1,2,0,0"), 0);
        EXPECT_EQ(test::Read_file(Ini_file_path), before);
    }
    EXPECT_EQ(Read_setting(ini::Lane_num), 6);
    EXPECT_EQ(Read_setting(ini::Event_name), "Regatta");
    EXPECT_EQ(told.told.size(), 3u);
    EXPECT_TRUE(dialogs.shown.empty());
}

} // namespace
} // namespace wk
