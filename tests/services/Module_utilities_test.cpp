#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "tests/support/Test_support.h"

#include <array>
#include <filesystem>
#include <vector>

namespace wk {
namespace {

TEST(Time_texts, DisplayMillTimeTable)
{
    EXPECT_EQ(Display_Mill_Time(65230, false), " 01:05,23");
    EXPECT_EQ(Display_Mill_Time(65230, true), "1:05,23");
    EXPECT_EQ(Display_Mill_Time(5230, true), "5,23");
    EXPECT_EQ(Display_Mill_Time(3723450, false), " 1:02:03,45");
    EXPECT_EQ(Display_Mill_Time(0, true), "0,00");
    EXPECT_EQ(Display_Mill_Time(-1500, true), "-1,50");
    EXPECT_EQ(Display_Mill_Time(-1500, false), "-00:01,50");
    EXPECT_EQ(Display_Mill_Time(86400000 + 1010, true), "1,01"); // whole days dropped
    // The most negative Long: 2147483648 ms is 24 days and 20:31:23,648.
    EXPECT_EQ(Display_Mill_Time(INT32_MIN, false), "-20:31:23,64");
}

TEST(Time_texts, TimePartsAfterDroppingWholeDays)
{
    const int32_t t = 86400000 + 3 * 3600000 + 4 * 60000 + 5 * 1000 + 678;
    EXPECT_EQ(Get_Time_Part("h", t), 3);
    EXPECT_EQ(Get_Time_Part("m", t), 4);
    EXPECT_EQ(Get_Time_Part("s", t), 5);
    EXPECT_EQ(Get_Time_Part("t", t), 67);
    EXPECT_EQ(Get_Time_Part("x", t), 0);
    EXPECT_EQ(Time_To_Seconds("10:11:12"), 36672);
    EXPECT_EQ(Time_To_Seconds("2026-12-08 00:01:02"), 62);
    EXPECT_EQ(Time_To_Seconds("not a date"), 0);
    // Dates that do not exist are no dates; 29 February only in leap years.
    EXPECT_EQ(Time_To_Seconds("2026-02-30 00:01:02"), 0);
    EXPECT_EQ(Time_To_Seconds("2026-04-31 00:01:02"), 0);
    EXPECT_EQ(Time_To_Seconds("2026-02-29 00:01:02"), 0);
    EXPECT_EQ(Time_To_Seconds("2024-02-29 00:01:02"), 62);
    EXPECT_EQ(Time_To_Seconds("2000-02-29 00:00:01"), 1);
    EXPECT_EQ(Time_To_Seconds("1900-02-29 00:00:01"), 0);
}

TEST(Numbers, RoundingIsHalfToEvenAndSafe)
{
    EXPECT_EQ(Round_To_Multiple(10, 4), 8); // 2.5 rounds to 2
    EXPECT_EQ(Round_To_Multiple(14, 4), 16); // 3.5 rounds to 4
    EXPECT_EQ(Round_To_Multiple(123, 0), 123); // no division by zero
    EXPECT_EQ(Half_Up(1), 1);
    EXPECT_EQ(Half_Up(2), 1);
    EXPECT_EQ(Half_Up(3), 2);
    EXPECT_EQ(Field_Parity(3), 1);
    EXPECT_EQ(Field_Parity(4), 2);
    EXPECT_EQ(Field_Parity(-3), 2);
    EXPECT_EQ(Min_Long(3, 3), 3);
    EXPECT_EQ(Min_Var(2.5, 7), 2);
}

TEST(Waiting, WaitMsEndsOnTimeAcrossTheWrapOfTheTick)
{
    test::Manual_clock clock;
    clock.tick = INT32_MAX - 15;
    Wait_ms(40, false);
    EXPECT_EQ(platform::Tick_difference(clock.tick, INT32_MAX - 15), 40);
    clock.tick = INT32_MAX - 1;
    Wait_ms(7, true);
    EXPECT_LT(clock.tick, 0);
    EXPECT_LE(platform::Tick_difference(clock.tick, INT32_MAX - 1), 9);
}

TEST(Markers, StringToBytesAndCompareMarkerStayInsideTheArray)
{
    std::array<uint8_t, 4> m{9, 9, 9, 9};
    String_To_Bytes("SSCD", m);
    EXPECT_EQ(m, (std::array<uint8_t, 4>{'S', 'S', 'C', 'D'}));
    EXPECT_TRUE(Compare_Marker(m, "SSCD"));
    EXPECT_FALSE(Compare_Marker(m, "SSEM"));
    EXPECT_FALSE(Compare_Marker(std::span<const uint8_t>(m.data(), 2), "SSCD")); // short buffer
    String_To_Bytes("SSCDX", m);
    EXPECT_EQ(m, (std::array<uint8_t, 4>{0, 0, 0, 0}));
    const std::array<uint8_t, 6> text{'a', 'b', 0, 'c', 'd', 0};
    EXPECT_EQ(Bytes_To_String(text), "ab");
    EXPECT_EQ(Long_To_FourCC_Text(0x64737664), "dvsd");
    EXPECT_EQ(Long_To_FourCC_String(0x43564443), "CDVC");
}

TEST(Markers, CheckDvHeaderSetsTheEmergencyStopOnlyForNonDv)
{
    g_Emergency_stop = false;
    const std::vector<uint8_t> dv{0x1F, 0x07, 0, 0, 0, 0, 0, 0, 0, 0};
    Check_DV_Header(dv);
    EXPECT_FALSE(g_Emergency_stop);
    const std::vector<uint8_t> one{0x1F};
    Check_DV_Header(one);
    EXPECT_TRUE(g_Emergency_stop);
    g_Emergency_stop = false;
    Check_DV_Header({});
    EXPECT_TRUE(g_Emergency_stop);
    g_Emergency_stop = false;
}

TEST(File_names, CleanFileNameTouchesOnlyTheNamePart)
{
    EXPECT_EQ(Clean_File_Name("D:a-b,c"), "D:a_b_c");
    EXPECT_EQ(Clean_File_Name("/data/2026-12-08/Event Heat1 10:11,5.qs2"), "/data/2026-12-08/Event Heat1 10_11_5.qs2");
    EXPECT_EQ(Get_Heat_From_Filename("EventHeat12_2010.qs2"), "12");
    EXPECT_EQ(Get_Heat_From_Filename("EventHeat12.qs2"), "");
    EXPECT_EQ(Get_Heat_From_Filename("RegattaHeatA3 26-12-08.qs2"), "A3");
    EXPECT_EQ(Get_Heat_From_Filename("final heat7_x.qs2"), "7");
    EXPECT_EQ(Get_Heat_From_Filename("final.qs2"), "");
}

TEST(File_names, SplitPathExtensionAndFindLast)
{
    EXPECT_EQ(Split_Path("/a/b/c.qs2", 16), "/a/b/");
    EXPECT_EQ(Split_Path("C:\\x\\c.qs2", 0), "c.qs2");
    EXPECT_EQ(Split_Path("/a/b/c.qs2", 16, -1), "/a/b");
    EXPECT_EQ(Split_Path("/a/b/c.qs2", 3), "/a/b/c.qs2");
    EXPECT_EQ(Split_Path("nopath", 0), "");
    EXPECT_EQ(Split_Path("", 16), "");
    EXPECT_EQ(Get_Extension("a.b.qs2"), "qs2");
    EXPECT_EQ(Get_Extension("abc"), "");
    EXPECT_EQ(Find_Last("abcabc", "bc"), 5);
    EXPECT_EQ(Find_Last("abcabc", "bc", 4), 2);
    EXPECT_EQ(Find_Last("abcabc", "BC", -1, 1), 5);
    EXPECT_EQ(Find_Last("abcabc", "BC", -1, 0), 0);
    EXPECT_EQ(Find_Last("abc", "", 2), 2);
    EXPECT_EQ(Find_Last("abc", "", 9), 0);
    EXPECT_EQ(Find_Last_From(3, "abcabc", "ab"), 4);
    EXPECT_EQ(Find_Last_From(5, "abcabc", "ab"), 0);
    EXPECT_EQ(Replace_Swedish_Chars("Åsa Öberg är på väg"), "Asa Oberg ar pa vag");
}

TEST(Files, ExistenceSizeAndDeleteTellTheTruth)
{
    test::Temp_home home;
    const auto f = home.path() / "x.bin";
    test::Write_file(f, std::string(1234, 'x'));
    EXPECT_TRUE(FileExists(f.string()));
    EXPECT_FALSE(FileExists(home.path().string()));
    EXPECT_TRUE(Folder_Exists(home.path().string()));
    EXPECT_EQ(Get_File_Size(f.string()), 1234);
    EXPECT_EQ(Get_File_Size(""), 0);
    EXPECT_TRUE(Delete_File(f.string()));
    EXPECT_FALSE(FileExists(f.string()));
    EXPECT_TRUE(Delete_File(f.string())); // nothing there: it is gone
    // A file in a folder that may not be written stays, and that is said.
    const auto ro = home.path() / "ro";
    std::filesystem::create_directory(ro);
    test::Write_file(ro / "keep.bin", "k");
    std::filesystem::permissions(ro, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (geteuid() != 0) EXPECT_FALSE(Delete_File((ro / "keep.bin").string(), true));
    std::filesystem::permissions(ro, std::filesystem::perms::owner_all);
}

} // namespace
} // namespace wk
