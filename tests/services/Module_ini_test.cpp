#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "tests/support/Test_support.h"
#include "tests/support/Told_operator.h"

#include <filesystem>
#include <vector>

namespace wk {
namespace {

class Settings_file : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(home.App_data()); }
    test::Temp_home home;
    test::Scripted_dialogs dialogs; // no box comes from below the windows
    test::Told_operator told;
};

TEST_F(Settings_file, MissingOrEmptyValuesGiveTheCallersDefaultOrNA)
{
    EXPECT_EQ(Read_Ini_Value("Canoe", "Lane_num", Ini_file_path, "5"), "5"); // no file yet
    ASSERT_EQ(Write_Ini_Value("Canoe", "event_name", "", Ini_file_path), 1);
    EXPECT_EQ(Read_Ini_Value("Canoe", "event_name", Ini_file_path, "NOEVENT"), "NOEVENT");
    EXPECT_EQ(Read_Ini_Value("multicameras", "video:1", Ini_file_path, ""), "N/A");
    EXPECT_FALSE(Text_To_Bool(Read_Ini_Value("Canoe", "Lane_Zero", Ini_file_path, "1")));
}

TEST_F(Settings_file, ValuesRoundTripAndSectionsIgnoreCase)
{
    ASSERT_EQ(Write_Ini_Value("canoe", "save_folder1", "/data/heats", Ini_file_path), 1);
    ASSERT_EQ(Write_Ini_Value("Canoe", "ShowLanes", Bool_To_Text(true), Ini_file_path), 1);
    EXPECT_EQ(Read_Ini_Value("Canoe", "save_folder1", Ini_file_path, "N/A"), "/data/heats");
    EXPECT_TRUE(Text_To_Bool(Read_Ini_Value("CANOE", "showlanes", Ini_file_path, "False")));
    EXPECT_EQ(test::Read_file(Ini_file_path), "[canoe]\r\nsave_folder1=/data/heats\r\nShowLanes=True\r\n");
}

TEST_F(Settings_file, AValueOf300CharactersReadsBackAsIts254First)
{
    ASSERT_EQ(Write_Ini_Value("Canoe", "Lanes", std::string(300, '7'), Ini_file_path), 1);
    EXPECT_EQ(Read_Ini_Value("Canoe", "Lanes", Ini_file_path, "None"), std::string(254, '7'));
}

TEST_F(Settings_file, AFailedWriteIsReportedAndGivesZero)
{
    const std::string nowhere = (home.path() / "missing" / "Wakeline.ini").string();
    EXPECT_EQ(Write_Ini_Value("Canoe", "Lanes", "x", nowhere), 0);
    ASSERT_EQ(told.told.size(), 1u);
    EXPECT_EQ(told.told[0].rfind("Writing to INI file failed! Path = " + nowhere, 0), 0u);
    EXPECT_EQ(told.titles[0], " QSM Error");
}

TEST_F(Settings_file, ALineBreakInAValueIsRefusedWithAClearMessage)
{
    ASSERT_EQ(Write_Ini_Value("Canoe", "event_name", "Regatta", Ini_file_path), 1);
    EXPECT_EQ(Write_Ini_Value("Canoe", "event_name", "Two\nlines", Ini_file_path), 0);
    EXPECT_TRUE(told.Said("line break"));
    EXPECT_EQ(Write_Ini_Value("Canoe", "a=b", "x", Ini_file_path), 0);
    EXPECT_TRUE(told.Said("cannot be stored"));
    EXPECT_EQ(Read_Ini_Value("Canoe", "event_name", Ini_file_path, ""), "Regatta");
}

TEST_F(Settings_file, WindowPositionsRoundTripAndAreKeptOnScreen)
{
    Store_Form_Pos("Frm_kanot_2", 40000, 1200, 9000, 7000);
    int32_t l = 1, t = 1, w = 11, h = 22;
    Get_Form_Pos("Frm_kanot_2", l, t, w, h);
    EXPECT_EQ(l, 0); // beyond the screen's width
    EXPECT_EQ(t, 1200);
    EXPECT_EQ(w, 9000);
    EXPECT_EQ(h, 7000);

    Write_Ini_Value("windowpos", "Frm_results", "-200,50", Ini_file_path);
    w = 11; h = 22;
    Get_Form_Pos("Frm_results", l, t, w, h);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(t, 50);
    EXPECT_EQ(w, 11); // absent values keep what the caller passed
    EXPECT_EQ(h, 22);

    Store_Form_Pos("Form_x", -151, 0, 1, 1); // not stored
    EXPECT_EQ(Read_Ini_Value("windowpos", "Form_x", Ini_file_path, "none"), "none");

    Write_Ini_Value("windowpos", "Form_bad", "10,abc", Ini_file_path);
    l = 5;
    Get_Form_Pos("Form_bad", l, t, w, h);
    EXPECT_EQ(told.told, std::vector<std::string>{"Get_Form_Pos error 2"});
    EXPECT_EQ(l, 10);
}

TEST_F(Settings_file, PositionsBeyond32767TwipsAreReadWhole)
{
    Write_Ini_Value("windowpos", "Wide", "100,200,40000,35000", Ini_file_path);
    int32_t l = 0, t = 0, w = 0, h = 0;
    Get_Form_Pos("Wide", l, t, w, h);
    EXPECT_EQ(w, 40000);
    EXPECT_EQ(h, 35000);
}

} // namespace
} // namespace wk
