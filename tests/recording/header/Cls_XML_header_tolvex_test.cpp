// The sibling timing section: its template texts, the boxes and their split or heat time, the
// tolerant offsets, and a header without the section, where a failed write stops nothing.
#include "tests/recording/header/Header_test_support.h"

#include "services/Module_qsm_Globals.h"
#include "services/Run_time_error.h"

namespace wk::test {
namespace {

class Tolvex : public Header_test {
protected:
    Tolvex()
    {
        h.Tolvex(true);
        EXPECT_TRUE(h.Create_Header());
    }
    Cls_XML_header h;
};

TEST_F(Tolvex, ASectionFromTheTemplateReadsItsTexts)
{
    EXPECT_EQ(h.Tolv_event(), "Tolv event name");
    EXPECT_EQ(h.Tolv_Heat_ID(), "Tolv heat ID");
    EXPECT_EQ(h.Tolv_Heat_Name(), "Tolv heat name");
    EXPECT_EQ(h.Tolv_Heat_Length(), "000");
    EXPECT_EQ(h.Tolv_goal_finish(), "Tolv goal finish");
    EXPECT_EQ(h.Tolv_goal_split(), "Tolv goal split");
    EXPECT_EQ(h.Tolv_start_DateTime(), "tolv start date time");
    EXPECT_EQ(h.Tolv_heat_start_PC_mill(), "tolv_start_PC_mill");
    EXPECT_EQ(h.Goal_Compensation(), "0000");
    EXPECT_EQ(h.Split_Compensation(), "0000");
    EXPECT_EQ(h.Tolv_Box_delay(), "0000");
    for (int16_t box = 1; box <= 8; ++box) {
        EXPECT_EQ(h.Tolv_Dog_name(box), "dog name");
        EXPECT_EQ(h.Tolv_Heat_time(box, true), 0);
        EXPECT_EQ(h.Tolv_Heat_time(box, false), 0);
        EXPECT_EQ(h.Tolv_heat_frame(box), 0);
        EXPECT_EQ(h.Tolv_split_frame(box), 0);
        EXPECT_FALSE(h.Tolv_dead_heat(box));
    }
    EXPECT_THROW(h.Tolv_Dog_name(9), Run_time_error);
    EXPECT_THROW(h.Tolv_Dog_name(0), Run_time_error);
    EXPECT_THROW(h.Tolv_heat_frame(9, 1), Run_time_error);
}

TEST_F(Tolvex, TheSplitFlagChoosesTheSplitTimeElseTheHeatTime)
{
    h.Tolv_Heat_time(3, true, 31250);
    h.Tolv_Heat_time(3, false, 62500);
    EXPECT_EQ(h.Tolv_Heat_time(3, true), 31250);
    EXPECT_EQ(h.Tolv_Heat_time(3, false), 62500);
    const std::string box = Section(h.XML_string(), "<box id=\"3\">", "box");
    EXPECT_NE(box.find("<dog_heat_time>62500</dog_heat_time>"), std::string::npos) << box;
    EXPECT_NE(box.find("<dog_split_time>31250</dog_split_time>"), std::string::npos) << box;
    EXPECT_EQ(h.Tolv_Heat_time(2, true), 0);
    EXPECT_EQ(h.Tolv_Heat_time(4, false), 0);
}

TEST_F(Tolvex, TimeOffsetsThatAreNotNumbersReadZeroAndNumbersReadAsWritten)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"abc", "0"}, {"", "0"}, {"12ms", "0"}, {"-40", "-40"}, {"12.5", "12.5"}, {" 7 ", " 7 "},
        {"99999999999", "99999999999"}, // too large for us, still a number
    };
    for (const auto& [text, read] : cases) {
        SCOPED_TRACE(text);
        h.Goal_Compensation(text);
        h.Split_Compensation(text);
        EXPECT_EQ(h.Goal_Compensation(), read);
        EXPECT_EQ(h.Split_Compensation(), read);
    }
}

TEST_F(Tolvex, WithoutTheSectionTheTolerantMembersGiveTheirDefaultsAndWritesFailToTheCaller)
{
    Cls_XML_header plain;
    ASSERT_TRUE(plain.Create_Header());
    const std::string before = plain.XML_string();
    ASSERT_EQ(before.find("<tolvex>"), std::string::npos);

    EXPECT_EQ(plain.Goal_Compensation(), "0");
    EXPECT_EQ(plain.Split_Compensation(), "0");
    EXPECT_EQ(plain.Tolv_Box_delay(), "0");
    EXPECT_EQ(plain.Tolv_Heat_Length(), "");
    EXPECT_EQ(plain.Tolv_Heat_Click_Time(1), 0);
    EXPECT_FALSE(plain.Tolv_dead_heat(1));
    EXPECT_NO_THROW(plain.Tolv_Box_delay("50")); // writes nothing

    EXPECT_THROW((void)plain.Tolv_event(), Run_time_error);
    EXPECT_THROW((void)plain.Tolv_goal_finish(), Run_time_error);
    EXPECT_THROW((void)plain.Tolv_Heat_time(1, true), Run_time_error);
    g_Emergency_stop = false;
    EXPECT_EQ(Error_number([&] { plain.Tolv_goal_finish("cam A"); }), err_Object_variable);
    EXPECT_EQ(Error_number([&] { plain.Tolv_goal_split("cam B"); }), err_Object_variable);
    EXPECT_THROW(plain.Tolv_split_firewire_ID("1"), Run_time_error);
    EXPECT_THROW(plain.Tolv_goal_firewire_ID("1"), Run_time_error);
    EXPECT_THROW(plain.Tolv_ph_serial("1"), Run_time_error);
    EXPECT_THROW(plain.Tolv_heat_start_local_mill("1"), Run_time_error);
    EXPECT_FALSE(g_Emergency_stop);
    EXPECT_EQ(plain.XML_string(), before);
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Tolvex, ElementNamesAreCaseSensitive)
{
    // The race section's start_pc_mill is another element than the section's tolv_start_PC_mill.
    h.Tolv_heat_start_PC_mill("777");
    EXPECT_EQ(h.Start_PC_mill(1), 0);
    std::string text = h.XML_string();
    const std::string name = "tolv_start_PC_mill";
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1))
        text.replace(at, name.size(), "tolv_start_pc_mill");
    ASSERT_TRUE(h.XML_string(text));
    EXPECT_THROW((void)h.Tolv_heat_start_PC_mill(), Run_time_error);
}

} // namespace
} // namespace wk::test
