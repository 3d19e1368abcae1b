// The race a recording carries: the race time of the shown field, and the race data members
// that rewrite the header at once or change it in memory only.
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_qsm_Globals.h"
#include "services/Run_time_error.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Test_support.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wk {
namespace {

// The frames the tests stamp (encoding is the slow part).
const test::DV_frame& Plain_frame()
{
    static const test::DV_frame frame = test::Make_DV_frames(1).front();
    return frame;
}


class Race : public ::testing::Test {
protected:
    void SetUp() override { g_Emergency_stop = false; }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }

    // A recording whose frames carry the given records (none: a frame without one), with the
    // given tick starts of heats 1.. in its header.
    std::string Make_recording(const std::string& name, const std::vector<std::optional<test::DV_extra_data>>& frames,
                               const std::vector<int32_t>& heat_starts = {})
    {
        cls_AVI_handler rec;
        rec.File_name(Path(name));
        EXPECT_TRUE(rec.Create_File());
        rec.Initiate_file();
        for (size_t h = 0; h < heat_starts.size(); ++h) rec.Start_PC_mill(int16_t(h + 1), heat_starts[h]);
        for (const auto& extra : frames) {
            test::DV_frame f = Plain_frame();
            if (extra) test::Write_DV_extra_data(f, *extra);
            EXPECT_TRUE(rec.Append_DV_frame(f));
        }
        rec.Close_File(); // counts the frames and writes the header with the starts
        return Path(name);
    }
    std::string One_frame_recording(const std::string& name)
    {
        return Make_recording(name, {test::DV_extra_data{.stamp_tick = 5000}});
    }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
};

// ---- Race time of the shown field ----

constexpr int32_t k_Wrap_start = 2147480000;  // 3648 ms before the tick changes sign
constexpr int32_t k_Wrap_stamp = -2147474935; // 8713 ms after: stamp -2147474930

TEST_F(Race, TheRaceTimeFollowsTheStartTheFieldAndTheGoalOffset)
{
    // Raw stamp 112345 gives the frame stamp 112350 (whole 40 ms frame, less 10).
    const std::vector<std::optional<test::DV_extra_data>> frames = {
        test::DV_extra_data{.stamp_tick = 112345, .heat_start = 0, .goal_offset = 0},            // 1
        test::DV_extra_data{.stamp_tick = 112345, .heat_start = 0, .goal_offset = 30},           // 2
        test::DV_extra_data{.stamp_tick = 112345, .heat_start = 100000, .goal_offset = -30},     // 3
        test::DV_extra_data{.stamp_tick = 112345, .heat_start = 0, .goal_offset = 500},          // 4
        test::DV_extra_data{.stamp_tick = 112345, .heat_start = 0, .goal_offset = 499},          // 5
        test::DV_extra_data{.stamp_tick = 112345, .heat_start = 90000, .goal_offset = 0},        // 6
        test::DV_extra_data{.stamp_tick = k_Wrap_stamp, .heat_start = 0, .goal_offset = 0},      // 7
        test::DV_extra_data{.stamp_tick = k_Wrap_stamp, .heat_start = k_Wrap_start},            // 8
        test::DV_extra_data{.stamp_tick = 2147483640, .heat_start = 0, .goal_offset = 0},        // 9
        test::DV_extra_data{.stamp_tick = 112345, .heat_start = 0, .goal_offset = -32768},       // 10
        // A camera that stamped its pictures: two pictures in a frame, and one in both fields.
        test::DV_extra_data{.stamp_tick = 112345, .second_field_tick = 112365},                  // 11
        test::DV_extra_data{.stamp_tick = 112357, .second_field_tick = 112357},                  // 12
        test::DV_extra_data{.stamp_tick = k_Wrap_stamp, .second_field_tick = k_Wrap_stamp + 20}, // 13
        test::DV_extra_data{.stamp_tick = 112345, .second_field_tick = 112345 - 1},              // 14
    };
    // Heat 1 started at 100000, heat 2 not in the header, heat 3 just before the wrap, heat 4 at -10.
    const std::string path = Make_recording("heat.qs2", frames, {100000, 0, k_Wrap_start, -10});
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    struct Row {
        int32_t frame;
        int16_t heat;
        int16_t field;
        int32_t expected;
    };
    const Row rows[] = {
        {1, 1, 1, 12350},           // header start
        {1, 1, 2, 12370},           // field 2 is 20 ms later
        {2, 1, 2, 12340},           // goal offset 30 subtracted
        {3, 2, 2, 12400},           // no header start: the frame's; offset -30 adds 30
        {3, 1, 1, 12380},           // a header start wins over the frame's
        {4, 1, 1, 12350},           // offset 500 ignored
        {5, 1, 1, 11851},           // offset 499 subtracted
        {6, 1, 1, 12350},           // header start wins
        {6, 2, 1, 22350},           // the frame's start for a heat the header did not start
        {7, 3, 1, 12366},           // across the change of sign of the tick
        {7, 3, 2, 12386},
        {8, 2, 1, 12366},           // the same with the frame's start
        {9, 4, 1, 2147483640},      // the largest race time that fits
        {10, 1, 1, 12350 + 32768},  // the most negative offset
        {11, 1, 1, 12345},          // a picture's own time, not the frame grid's
        {11, 1, 2, 12365},          // the second field's own picture
        {12, 1, 1, 12357},
        {12, 1, 2, 12357},          // one picture in both fields: one time
        {13, 3, 2, 12381},          // across the change of sign of the tick
        {14, 1, 2, 12365},          // a second field before the first is not believed: one field on
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(rec.Read_Frame(r.frame)) << r.frame;
        rec.Let_Field_To_Show(r.field);
        EXPECT_EQ(rec.Multi_TimeStamp(r.heat), r.expected)
            << "frame " << r.frame << " heat " << r.heat << " field " << r.field;
    }
    // One more field would not fit 32 bits.
    ASSERT_TRUE(rec.Read_Frame(9));
    rec.Let_Field_To_Show(2);
    EXPECT_EQ(test::Error_number([&] { rec.Multi_TimeStamp(4); }), err_Overflow);
    // The start the frame stored is there for the caller as well.
    ASSERT_TRUE(rec.Read_Frame(3));
    EXPECT_EQ(rec.Old_HeatStart(), 100000);
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_EQ(rec.Old_HeatStart(), 0);
}

TEST_F(Race, NoRaceTimeWithoutAStartOrWithoutTheFramesOwnStamp)
{
    const std::vector<std::optional<test::DV_extra_data>> frames = {
        test::DV_extra_data{.stamp_tick = 112345, .heat_start = 100000}, // 1
        std::nullopt,                                                    // 2: no record
        test::DV_extra_data{.stamp_tick = 112345, .heat_start = 0},      // 3
    };
    const std::string path = Make_recording("heat.qs2", frames, {100000, 0});
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    // Nothing read yet: no stamp, so no time (never the raw tick or zero).
    EXPECT_EQ(test::Error_number([&] { rec.Multi_TimeStamp(1); }), err_Invalid_argument);
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_EQ(rec.Multi_TimeStamp(1), 12350);
    // The next frame has no record: the earlier frame's time must not stand in for it.
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_EQ(test::Error_number([&] { rec.Multi_TimeStamp(1); }), err_Invalid_argument);
    // Heat 2 has no start in the header, and the frame stored none either.
    ASSERT_TRUE(rec.Read_Frame(3));
    EXPECT_EQ(test::Error_number([&] { rec.Multi_TimeStamp(2); }), err_Invalid_argument);
    EXPECT_EQ(rec.Multi_TimeStamp(1), 12350);
    // A heat the header does not hold.
    EXPECT_NE(test::Error_number([&] { rec.Multi_TimeStamp(6); }), 0);
    // Another recording opened in the same object: the old frame's time is gone.
    ASSERT_TRUE(rec.Open_File(Make_recording("other.qs2", {std::nullopt}, {100000})));
    EXPECT_EQ(test::Error_number([&] { rec.Multi_TimeStamp(1); }), err_Invalid_argument);
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_EQ(test::Error_number([&] { rec.Multi_TimeStamp(1); }), err_Invalid_argument);
}

// ---- Memory only and rewrite ----

TEST_F(Race, MemoryOnlySettersLeaveTheFileAsItWas)
{
    const std::string path = One_frame_recording("heat.qs2");
    const std::string before = test::Read_file(path);
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        rec.Header().Wakeline_Marathon_Class_Name(3, "Juniors");
        rec.Header().Wakeline_Marathon_Class_Start(3, "10:15");
        rec.Num_Lanes(6);
        rec.Start_Lane_Zero(true);
        rec.File_Lane_Pos(2, 120, 340);
        rec.Lanes_flipped(true);
        rec.Header().Lanes_reversed(true);
        rec.Lanes_Visible(false);
        rec.Show_goalline(true);
        rec.Set_Goal_Line(10, 20, 30, 40);
        rec.Heat_ID(1, "A-final");
        rec.Header().Heat_comment(1, "wind");
        rec.Heat_result(1, 2, 61234);
        rec.Race().Heat_time(1, 3, 62345);
        rec.Heat_Clicktime(1, 2, 777);
        rec.Heat_Goalfield(1, 2, 1501);
        rec.Start_local_mill(2, 36000000);
        rec.Start_PC_mill(2, 424242);
        rec.Race().Start_PC_Mill_time(3, 434343);
        // In memory they read back at once.
        EXPECT_EQ(rec.Header().Wakeline_Marathon_Class_Name(3), "Juniors");
        EXPECT_EQ(rec.Header().Wakeline_Marathon_Class_Start(3), "10:15");
        EXPECT_EQ(rec.Lane_count(), 6);
        EXPECT_EQ(rec.Start_lane(), 0);
        EXPECT_EQ(rec.LaneX(2), 120);
        EXPECT_EQ(rec.LaneY(2), 340);
        EXPECT_TRUE(rec.Lanes_flipped());
        EXPECT_TRUE(rec.Header().Lanes_reversed());
        EXPECT_FALSE(rec.Lanes_Visible());
        EXPECT_TRUE(rec.Show_goalline());
        int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        rec.Get_Goalline(x1, y1, x2, y2);
        EXPECT_EQ((std::vector<int16_t>{x1, y1, x2, y2}), (std::vector<int16_t>{10, 20, 30, 40}));
        EXPECT_EQ(rec.Heat_ID(1), "A-final");
        EXPECT_EQ(rec.Heat_comment(1), "wind");
        EXPECT_EQ(rec.Heat_time(1, 2), 61234);
        EXPECT_EQ(rec.Heat_result(1, 3), 62345);
        EXPECT_EQ(rec.Heat_Clicktime(1, 2), 777);
        EXPECT_EQ(rec.Heat_Goalfield(1, 2), 1501);
        EXPECT_EQ(rec.Start_local_Mill_Time(2), 36000000);
        EXPECT_EQ(rec.Start_PC_Mill_time(2), 424242);
        EXPECT_EQ(rec.Start_PC_Mill_time(3), 434343);
        rec.Clear_Heats();
        rec.Close_File();
    }
    EXPECT_EQ(test::Read_file(path), before);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Header().Wakeline_Marathon_Class_Name(3), "");
    EXPECT_EQ(rec.Lane_count(), 0);
    EXPECT_EQ(rec.Start_lane(), 1);
    EXPECT_FALSE(rec.Lanes_flipped());
    EXPECT_EQ(rec.Heat_result(1, 2), 0);
    EXPECT_EQ(rec.Heat_comment(1), "");
    EXPECT_EQ(rec.Start_PC_Mill_time(2), 0);
}

TEST_F(Race, RewritingMembersAreInTheFileAtOnce)
{
    const std::string path = One_frame_recording("heat.qs2");
    clock.tick = -123456; // a start in the negative half of the tick is a start as well
    clock.now = {2026, 12, 8, 10, 11, 12, 345};
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_TRUE(rec.Event_name("Regatta Ä"));
        EXPECT_TRUE(rec.Lane_count(8));
        EXPECT_TRUE(rec.Lanes_locked(true));
        EXPECT_TRUE(rec.Race().Fix_Goal_Line(-32768, 0, 32767, 575));
        EXPECT_TRUE(rec.Race().Update_Heat_ID(2, "Semi 1"));
        EXPECT_TRUE(rec.Heat_Start_Correction(2, -40));
        EXPECT_TRUE(rec.Race().Set_Multi_Start(2));
        EXPECT_TRUE(rec.Race().Set_Multi_Start(3));
        EXPECT_TRUE(rec.Clear_Multi_Start(3));
        // Read by another object while this one still holds the file open.
        cls_AVI_handler other;
        ASSERT_TRUE(other.Open_File(path));
        EXPECT_EQ(other.Event_name(), "Regatta Ä");
        EXPECT_EQ(other.Lane_count(), 8);
        EXPECT_TRUE(other.Lanes_locked());
        int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        other.Get_Goalline(x1, y1, x2, y2);
        EXPECT_EQ((std::vector<int16_t>{x1, y1, x2, y2}), (std::vector<int16_t>{-32768, 0, 32767, 575}));
        EXPECT_EQ(other.Heat_ID(2), "Semi 1");
        EXPECT_EQ(other.Heat_Start_Correction(2), -40);
        EXPECT_EQ(other.Start_PC_Mill_time(2), -123456);
        EXPECT_EQ(other.Start_local_Mill_Time(2), 36672345);
        EXPECT_EQ(other.Start_PC_Mill_time(3), 0);
        EXPECT_EQ(other.Start_local_Mill_Time(3), 0);
        // A memory-only change reaches the file with the next rewrite.
        rec.Heat_result(2, 4, 55555);
        EXPECT_TRUE(rec.Lanes_locked(false));
    }
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Heat_result(2, 4), 55555);
    EXPECT_FALSE(rec.Lanes_locked());
    EXPECT_EQ(rec.num_frames(), 1);
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_EQ(rec.Extra().Raw_Frame_Time(), 5000);
}

TEST_F(Race, ClearHeatsZeroesOnlyTheLocalStarts)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Header().Create_Header());
    for (int16_t h = 1; h <= 5; ++h) {
        rec.Start_local_mill(h, 1000 * h);
        rec.Start_PC_mill(h, 2000 * h);
        rec.Header().Heat_Correction_mill(h, -h);
        rec.Heat_result(h, 15, 3000 * h);
    }
    rec.Clear_Heats();
    for (int16_t h = 1; h <= 5; ++h) {
        EXPECT_EQ(rec.Header().Start_local_mill(h), 0);
        EXPECT_EQ(rec.Header().Start_PC_mill(h), 2000 * h);
        EXPECT_EQ(rec.Heat_Start_Correction(h), -h);
        EXPECT_EQ(rec.Heat_result(h, 15), 3000 * h);
    }
    // A header that counts a sixth heat it does not hold: nothing is cleared.
    for (int16_t h = 1; h <= 5; ++h) rec.Start_local_mill(h, 7);
    rec.Header().heats_num(6);
    EXPECT_NE(test::Error_number([&] { rec.Clear_Heats(); }), 0);
    for (int16_t h = 1; h <= 5; ++h) EXPECT_EQ(rec.Header().Start_local_mill(h), 7);
}

// ---- Conversions and reads without a recording ----

TEST_F(Race, ConversionsOfTheFirstLaneTheHeatIdAndTheTimesOfAnUnnamedRecording)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Header().Create_Header());
    EXPECT_FALSE(rec.Start_Lane_Zero()); // the template's first lane is 1
    rec.Start_Lane_Zero(true);
    EXPECT_EQ(rec.Start_lane(), 0);
    EXPECT_TRUE(rec.Start_Lane_Zero());
    rec.Header().Start_lane(5);
    EXPECT_FALSE(rec.Start_Lane_Zero());
    rec.Start_Lane_Zero(false);
    EXPECT_EQ(rec.Start_lane(), 1);

    for (const std::string id : {" ", "  ", "", "A 1"}) {
        rec.Heat_ID(4, id);
        EXPECT_EQ(rec.Heat_ID(4), id == " " ? "" : id) << '"' << id << '"';
    }

    // No recording named: these three read 0 whatever the header holds.
    rec.Heat_result(1, 0, 4321);
    rec.Start_local_mill(1, 1111);
    rec.Start_PC_mill(1, 2222);
    EXPECT_EQ(rec.Heat_time(1, 0), 0);
    EXPECT_EQ(rec.Start_local_Mill_Time(1), 0);
    EXPECT_EQ(rec.Start_PC_Mill_time(1), 0);
    EXPECT_EQ(rec.Heat_result(1, 0), 4321);
    // Nor does a rewrite reach any file.
    EXPECT_FALSE(rec.Lane_count(4));
    EXPECT_EQ(rec.Lane_count(), 4);
    rec.File_name(Path("named.qs2"));
    EXPECT_EQ(rec.Heat_time(1, 0), 4321);
    EXPECT_EQ(rec.Start_local_Mill_Time(1), 1111);
    EXPECT_EQ(rec.Start_PC_Mill_time(1), 2222);

    // Outside the header's heats and lanes.
    EXPECT_NE(test::Error_number([&] { rec.Heat_result(6, 0); }), 0);
    EXPECT_NE(test::Error_number([&] { rec.Heat_Clicktime(1, 16); }), 0);
    EXPECT_NE(test::Error_number([&] { rec.Header().Wakeline_Marathon_Class_Name(31); }), 0);
}

// ---- Lane marks and goal line ----

TEST_F(Race, LaneMarksAndGoalLineNeedALoadedHeader)
{
    cls_AVI_handler rec;
    int16_t x1 = 1, y1 = 2, x2 = 3, y2 = 4;
    EXPECT_EQ(test::Error_number([&] { rec.File_Lane_Pos(1, 10, 20); }), err_Object_variable);
    EXPECT_EQ(test::Error_number([&] { rec.Set_Goal_Line(1, 2, 3, 4); }), err_Object_variable);
    EXPECT_EQ(test::Error_number([&] { rec.Get_Goalline(x1, y1, x2, y2); }), err_Object_variable);
    EXPECT_EQ((std::vector<int16_t>{x1, y1, x2, y2}), (std::vector<int16_t>{1, 2, 3, 4}));
    // None of them made a header to hold the values.
    EXPECT_EQ(test::Error_number([&] { rec.Get_Goalline(x1, y1, x2, y2); }), err_Object_variable);
}

TEST_F(Race, CoordinatesBeyondSixteenBitsAreRefusedAndNothingIsStored)
{
    const std::string path = One_frame_recording("heat.qs2");
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    rec.File_Lane_Pos(3, 100, 200);
    rec.Set_Goal_Line(1, 2, 3, 4);
    EXPECT_EQ(test::Error_number([&] { rec.File_Lane_Pos(3, 40000, 5); }), err_Overflow);
    EXPECT_EQ(test::Error_number([&] { rec.File_Lane_Pos(3, 5, -32769); }), err_Overflow);
    EXPECT_EQ(rec.LaneX(3), 100);
    EXPECT_EQ(rec.LaneY(3), 200);
    EXPECT_EQ(test::Error_number([&] { rec.Set_Goal_Line(9, 9, 9, 32768); }), err_Overflow);
    int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    rec.Get_Goalline(x1, y1, x2, y2);
    EXPECT_EQ((std::vector<int16_t>{x1, y1, x2, y2}), (std::vector<int16_t>{1, 2, 3, 4}));
    const std::string before = test::Read_file(path);
    EXPECT_EQ(test::Error_number([&] { rec.Race().Fix_Goal_Line(-40000, 0, 0, 0); }), err_Overflow);
    EXPECT_EQ(test::Read_file(path), before);
    // The edges themselves fit.
    rec.File_Lane_Pos(15, -32768, 32767);
    EXPECT_EQ(rec.LaneX(15), -32768);
    EXPECT_EQ(rec.LaneY(15), 32767);

    // A wide value already in a header (written by other means) fails on reading, and the
    // goal line's outputs stay as they were.
    rec.Header().Lane_pos(4, 40000, 0);
    EXPECT_EQ(test::Error_number([&] { rec.LaneX(4); }), err_Overflow);
    EXPECT_EQ(rec.LaneY(4), 0);
    rec.Header().Set_Goalline(5, 6, 70000, 8);
    EXPECT_EQ(test::Error_number([&] { rec.Get_Goalline(x1, y1, x2, y2); }), err_Overflow);
    EXPECT_EQ((std::vector<int16_t>{x1, y1, x2, y2}), (std::vector<int16_t>{1, 2, 3, 4}));
}

} // namespace
} // namespace wk
