// Lane results: what is stored in the recording, how the heat is sorted into places and what the
// rows show. Every change must reach the file, and the tables must never show what it lacks.
#include "viewer/Lane_results.h"

#include "recording/cls_AVI_handler.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "tests/recording/Recording_maker.h"
#include "tests/recording/Told.h"
#include "tests/support/Test_support.h"
#include "viewer/Cls_lane.h"
#include "results/Result_rows.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <filesystem>
#include <limits>
#include <tuple>

namespace wk {
namespace {

struct Fake_viewer final : Result_viewer {
    int32_t field = 7;
    int delta_clicks = 0, scrolls = 0, focus = 0, graphics = 0;
    int32_t Shown_field() override { return field; }
    void New_graphics() override { ++graphics; }
    void Slider_play_Scroll() override { ++scrolls; }
    void Lbl_delta_time_Click() override { ++delta_clicks; }
    void SliderPlay_Focus() override { ++focus; }
};

// The operator as the result code meets them: override answers in order, every message kept.
struct Fake_port final : Operator_port {
    std::deque<bool> overrides;
    std::vector<std::string> told;
    int asked = 0;
    bool Exit_confirmed() override { return false; }
    std::optional<std::string> Event_name(const std::string&) override { return std::nullopt; }
    bool Override_confirmed() override
    {
        ++asked;
        if (overrides.empty()) {
            ADD_FAILURE() << "asked to override without an answer";
            return false;
        }
        const bool answer = overrides.front();
        overrides.pop_front();
        return answer;
    }
    void Tell(const std::string& text) override { told.push_back(text); }
};

// The file says "no result" with 0, or with the no-time code once the tables were stored.
bool No_result(int32_t stored) { return stored == 0 || stored == No_Time; }

class Lane_results_test : public ::testing::Test {
protected:
    Lane_results_test()
    {
        Install_result_rows(&rows);
        Install_lane_results(&results);
    }
    ~Lane_results_test() override
    {
        g_Recording.reset();
        g_Lanes.clear();
        Install_result_rows(nullptr);
        Install_lane_results(nullptr);
    }

    // A fresh 8-frame recording as g_Recording, showing `frame` (frame k: race time 40 k - 10).
    void Open(int frame = 3)
    {
        path = test::Make_qs2(home.path() / "heat.qs2", 8);
        Reopen();
        if (frame > 0) {
            ASSERT_TRUE(g_Recording->Read_Frame(frame));
        }
    }
    void Reopen()
    {
        g_Recording = std::make_shared<cls_AVI_handler>();
        ASSERT_TRUE(g_Recording->Open_File(path));
    }
    // Lane values written into the file as an earlier session left them; the tables rebuilt.
    void Put(int16_t lane, int32_t time, int32_t click = 0, int32_t field = 0)
    {
        g_Recording->Heat_result(1, lane, time);
        g_Recording->Heat_Clicktime(1, lane, click);
        g_Recording->Heat_Goalfield(1, lane, field);
    }
    void Commit()
    {
        ASSERT_TRUE(g_Recording->Write_XML_header());
        results.Complete_Result_Array();
    }
    // What a second reader finds in the file.
    int32_t In_file(int16_t lane, int32_t (cls_AVI_handler::*get)(int16_t, int16_t) = &cls_AVI_handler::Heat_time)
    {
        cls_AVI_handler other;
        EXPECT_TRUE(other.Open_File(path));
        return (other.*get)(1, lane);
    }
    int Filled_rows() const
    {
        return int(std::count_if(rows.rows.begin(), rows.rows.end(), [](const auto& r) { return !r.rank.empty(); }));
    }

    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    test::Manual_clock clock;
    Fake_viewer viewer;
    Fake_port port;
    Plain_result_rows rows;
    Lane_results results{viewer, port};
    std::string path;
};

TEST_F(Lane_results_test, PlacesRunRealTimesThenCodesAndDeadHeatsGoToTheEarlierClick)
{
    // Lane, time, click. Lanes 4 and 2 tie; lane 2 clicked later although its tick is smaller
    // (the tick changed sign in between). Lanes 6 and 7 tie with equal clicks: they keep their order.
    const Lane_Result_Record heat[] = {{0, Time_DNF, 1, 0},       {1, No_Time, 0, 0}, {2, 5000, -2147483000, 0},
                                       {3, Time_DSQ, 1, 0},       {4, 5000, 2147483000, 0}, {5, -40, 9, 0},
                                       {6, 7000, 5, 0},           {7, 7000, 5, 0},    {8, Time_DNS, 1, 0}};
    for (const auto& r : heat) results.By_lane()[size_t(r.Lane)] = r;
    results.Copy_Active_Heat();
    results.Lane_Active_Heat_Array_Sort();
    const int16_t order[] = {5, 4, 2, 6, 7, 3, 8, 0};
    for (size_t i = 0; i < std::size(order); ++i) EXPECT_EQ(results.Ranked()[i].Lane, order[i]) << i;
    EXPECT_EQ(results.Ranked()[8].Time, No_Time);
    EXPECT_EQ(results.Lane_To_Place(5), 1);
    EXPECT_EQ(results.Lane_To_Place(7), 5);
    EXPECT_EQ(results.Lane_To_Place(3), 0); // a code has no place
}

TEST_F(Lane_results_test, FindLaneIndexSearchesAsManyPlacesAsThereAreLanes)
{
    // Lanes 15, 14, ... in places 1, 2, ...: by time, lane 15 first.
    for (int16_t k = 0; k < 16; ++k) results.By_lane()[size_t(k)] = {k, 1000 * (16 - k), 0, 0};
    results.Copy_Active_Heat();
    results.Lane_Active_Heat_Array_Sort();
    g_Lanes.resize(3); // only the count matters here
    EXPECT_EQ(results.Find_Lane_Index(14), 2);
    EXPECT_EQ(results.Find_Lane_Index(12), 0); // place 4: beyond the lane count
}

TEST_F(Lane_results_test, ALanesResultInWordsFollowsItsPlaceTheCorrectionAndItsCode)
{
    const Lane_Result_Record heat[] = {{0, Time_DNF, 1, 0}, {2, 61230, 3, 0}, {3, Time_DSQ, 1, 0},
                                       {4, 5000, 2, 0},     {8, Time_DNS, 1, 0}};
    for (const auto& r : heat) results.By_lane()[size_t(r.Lane)] = r;
    results.Copy_Active_Heat();
    results.Lane_Active_Heat_Array_Sort();
    EXPECT_EQ(results.Lane_result_text(4), "Place: 1 Time : 5,00");
    EXPECT_EQ(results.Lane_result_text(2), "Place: 2 Time : 1:01,23");
    results.Correction(2000); // a start 2 s later: the times are 2 s shorter
    EXPECT_EQ(results.Lane_result_text(4), "Place: 1 Time : 3,00");
    EXPECT_EQ(results.Lane_result_text(3), "Disqualified");
    EXPECT_EQ(results.Lane_result_text(8), "Did not start");
    EXPECT_EQ(results.Lane_result_text(0), "Did not finish");
    EXPECT_EQ(results.Lane_result_text(1), ""); // no result
    EXPECT_EQ(results.Lane_result_text(16), ""); // no such lane
}

TEST_F(Lane_results_test, TwoTimesAndADnsFillThreeRowsAndTheLaneMarks)
{
    Open();
    for (int16_t n : {2, 7, 9}) {
        g_Lanes.push_back(std::make_shared<Cls_lane>());
        g_Lanes.back()->Lane_number(n);
        g_Lanes.back()->time(123);
    }
    g_Recording->Heat_ID(1, "Final A");
    Put(5, 11500);
    Put(2, 10000);
    Put(7, Time_DNS);
    Commit();
    const Plain_result_rows::Row expected[] = {
        {"1", "2", " 00:10,00", "+0,00"}, {"2", "5", " 00:11,50", "+1,50"}, {"3", "7", "DNS", ""}, {}};
    for (size_t r = 0; r < std::size(expected); ++r) EXPECT_EQ(rows.rows[r], expected[r]) << r;
    EXPECT_EQ(results.Timed_result_count(), 2);
    EXPECT_EQ(results.Lane_To_Place(2), 1);
    EXPECT_EQ(results.Lane_To_Place(5), 2);
    EXPECT_EQ(results.Lane_To_Place(7), 0);
    EXPECT_EQ(results.Lane_To_Place(0), 0);
    EXPECT_EQ(g_Lanes[0]->time(), 10000);
    EXPECT_EQ(g_Lanes[1]->time(), Time_DNS);
    EXPECT_EQ(g_Lanes[2]->time(), 0);
    EXPECT_EQ(rows.heat, "Final A");
    EXPECT_EQ(rows.capture_time, g_Recording->Capture_time());
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Lane_results_test, DifferencesAndTheStartCorrectionShowAsTimes)
{
    Open();
    ASSERT_TRUE(g_Recording->Heat_Start_Correction(1, 1000));
    Put(0, 75430);
    Put(1, 10000);
    Put(2, 11500);
    Commit();
    EXPECT_EQ(rows.shown_correction, 1000);
    EXPECT_EQ(rows.rows[0].time, " 00:09,00");
    EXPECT_EQ(rows.rows[0].delta, "+0,00");
    EXPECT_EQ(rows.rows[1].delta, "+1,50");
    EXPECT_EQ(rows.rows[2].delta, "+1:05,43");
    EXPECT_EQ(rows.rows[2].time, " 01:14,43");
}

// The time rule is read from the settings with the records, once per change of the result: a
// setting changed since shows from the next reading on, never in half of a heat's texts.
TEST_F(Lane_results_test, TheTimeRuleIsReadWithTheRecordsAndKeptUntilTheNextReading)
{
    Open();
    Put(0, 10001);
    std::filesystem::create_directories(home.App_data());
    ASSERT_EQ(Write_Ini_Value("Canoe", k_Time_precision_key, "1/1000", Ini_file_path), 1);
    ASSERT_EQ(Write_Ini_Value("Canoe", k_Time_rounding_key, "up", Ini_file_path), 1);
    Commit();
    EXPECT_EQ(rows.rows[0].time, " 00:10,001");
    EXPECT_EQ(results.Lane_result_text(0), "Place: 1 Time : 10,001");
    ASSERT_EQ(Write_Ini_Value("Canoe", k_Time_precision_key, "1/100", Ini_file_path), 1);
    results.Fill_Results();
    EXPECT_EQ(rows.rows[0].time, " 00:10,001");
    EXPECT_EQ(results.Lane_result_text(0), "Place: 1 Time : 10,001");
    results.Complete_Result_Array();
    EXPECT_EQ(rows.rows[0].time, " 00:10,01"); // up to the next hundredth
    EXPECT_EQ(results.Lane_result_text(0), "Place: 1 Time : 10,01");
}

TEST_F(Lane_results_test, ThirteenToSixteenResultsFillEveryRowTheyNeed)
{
    Open();
    for (int16_t n = 13; n <= 16; ++n) {
        for (int16_t k = 0; k < 16; ++k) Put(k, k < n ? 20000 - 100 * k : 0);
        Commit();
        EXPECT_EQ(Filled_rows(), n);
        EXPECT_EQ(rows.rows[size_t(n - 1)].rank, std::to_string(n));
        EXPECT_EQ(rows.rows[size_t(n - 1)].lane, "0");
        EXPECT_EQ(results.Timed_result_count(), n);
    }
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Lane_results_test, StoredResultsSurviveClosingAndAStoredZeroIsNoTime)
{
    Open();
    results.By_lane()[4] = {4, 12340, 77, 9};
    results.By_lane()[6] = {6, 0, 0, 0};
    results.By_lane()[8] = {8, Time_DNF, 5, 0};
    Store_Heat_Results(results.By_lane());
    g_Recording->Close_File();
    Reopen();
    results.Complete_Result_Array();
    const Lane_Result_Record& lane4 = results.By_lane()[4];
    EXPECT_EQ(std::tuple(lane4.Lane, lane4.Time, lane4.Click_time, lane4.Goal_field), std::tuple(4, 12340, 77, 9));
    EXPECT_EQ(results.By_lane()[6].Time, No_Time);
    EXPECT_EQ(results.By_lane()[8].Time, Time_DNF);
    EXPECT_EQ(In_file(6), 0);
    // A goal field beyond 16 bits stops at the end instead of wrapping.
    Put(1, 500, 0, 40000);
    Put(2, 600, 0, -40000);
    Commit();
    EXPECT_EQ(results.By_lane()[1].Goal_field, 32767);
    EXPECT_EQ(results.By_lane()[2].Goal_field, -32768);
    EXPECT_EQ(results.Go_to_Goal_field(1), 32767);
    EXPECT_EQ(results.Go_to_Goal_field(3), 9);
    for (double outside : {0.0, -1.0, 17.0, std::nan("")}) EXPECT_EQ(results.Go_to_Goal_field(outside), 0) << outside;
}

TEST_F(Lane_results_test, AttachTimeStoresTheShownFieldsRaceTimeInTheFile)
{
    Open(3);
    const int32_t t = g_Recording->Multi_TimeStamp(1);
    ASSERT_EQ(t, 110);
    clock.tick = 4000;
    results.Attach_Time(3, 0, false);
    clock.tick = 5000;
    results.Attach_Time(1, 0, false); // same field, later click: second place
    results.Attach_Time(6, 0, true);
    EXPECT_EQ(results.By_lane()[3].Time, t);
    EXPECT_EQ(results.By_lane()[3].Click_time, 4000);
    EXPECT_EQ(results.By_lane()[3].Goal_field, 7);
    EXPECT_EQ(results.By_lane()[6].Time, t + 10);
    EXPECT_EQ(results.Lane_To_Place(3), 1);
    EXPECT_EQ(results.Lane_To_Place(1), 2);
    EXPECT_EQ(results.Lane_To_Place(6), 3);
    EXPECT_EQ(In_file(3), t);
    EXPECT_EQ(In_file(6), t + 10);
    EXPECT_EQ(In_file(1, &cls_AVI_handler::Heat_Clicktime), 5000);
    EXPECT_EQ(In_file(1, &cls_AVI_handler::Heat_Goalfield), 7);
    // Only the heat's first time sets the reference of the time-behind label.
    EXPECT_EQ(viewer.delta_clicks, 1);
    EXPECT_EQ(viewer.focus, 3);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Lane_results_test, OverridingAsksAndACodeReplacesTheTimeWithoutAField)
{
    Open(3);
    // Lane 8's result is in the file but not yet in the tables: the file decides.
    Put(8, 4321);
    ASSERT_TRUE(g_Recording->Write_XML_header());
    port.overrides = {false};
    results.Attach_Time(8, 0, false);
    results.Attach_Time(2, 0, false);
    EXPECT_EQ(port.asked, 1) << "an empty lane is stored without a question";
    EXPECT_EQ(In_file(8), 4321);
    ASSERT_TRUE(g_Recording->Read_Frame(5));
    port.overrides = {false};
    results.Attach_Time(2, 0, false);
    EXPECT_EQ(results.By_lane()[2].Time, 110);
    EXPECT_EQ(In_file(2), 110);
    port.overrides = {true};
    results.Attach_Time(2, Time_DNF, false);
    EXPECT_EQ(port.asked, 3);
    EXPECT_EQ(results.By_lane()[2].Time, Time_DNF);
    EXPECT_EQ(results.By_lane()[2].Goal_field, 0);
    EXPECT_EQ(In_file(2), Time_DNF);
    EXPECT_EQ(In_file(2, &cls_AVI_handler::Heat_Goalfield), 0);
    EXPECT_EQ(rows.rows[1].time, "DNF");
}

TEST_F(Lane_results_test, ACodeNeedsNoTimeStampButATimeDoes)
{
    Open(0); // no frame read: no race time
    results.Attach_Time(5, Time_DNS, false);
    EXPECT_EQ(In_file(5), Time_DNS);
    results.Attach_Time(6, 0, false);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_NE(reports.reports[0].find("p_Active_Result = 1Lane = 6"), std::string::npos);
    EXPECT_TRUE(No_result(In_file(6)));
    EXPECT_EQ(results.By_lane()[6].Time, No_Time);
}

TEST_F(Lane_results_test, ReadOnlyRecordingsAndBadLanesChangeNothing)
{
    Open(3);
    const std::string before = test::Read_file(path);
    for (int16_t lane : {16, -1}) results.Attach_Time(lane, 0, false);
    ASSERT_EQ(reports.reports.size(), 2u);
    EXPECT_NE(reports.reports[0].find("Attach_Time of Form frm_kanot_2"), std::string::npos);
    EXPECT_NE(reports.reports[0].find("p_Active_Result = 1Lane = 16"), std::string::npos);
    EXPECT_NE(reports.reports[1].find("p_Active_Result = 1Lane = -1"), std::string::npos);
    g_Recording->Read_only(true);
    results.Attach_Time(2, 0, false);
    EXPECT_EQ(port.told, std::vector<std::string>{"File is read-only!"});
    EXPECT_EQ(results.By_lane()[2].Time, No_Time);
    EXPECT_EQ(test::Read_file(path), before);
}

TEST_F(Lane_results_test, AFileWithoutWritePermissionIsRefused)
{
    Open(0);
    g_Recording.reset();
    ::chmod(path.c_str(), 0444);
    Reopen();
    ASSERT_TRUE(g_Recording->Read_only()); // for every user, root included
    ASSERT_TRUE(g_Recording->Read_Frame(3));
    const std::string before = test::Read_file(path);
    results.Attach_Time(2, Time_DSQ, false);
    EXPECT_EQ(port.told, std::vector<std::string>{"File is read-only!"});
    EXPECT_EQ(test::Read_file(path), before);
}

TEST_F(Lane_results_test, AHeaderThatCannotBeWrittenLeavesTablesAsTheFile)
{
    Open(3);
    results.Attach_Time(4, 0, false);
    g_Recording->Heat_ID(1, std::string(100000, 'x')); // too long for the header area
    results.Attach_Time(2, 0, false);
    EXPECT_TRUE(test::Told(g_Recording->Take_problems(), Recording_problem::Kind::header_too_long, "too long"));
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(results.By_lane()[2].Time, No_Time);
    EXPECT_TRUE(No_result(g_Recording->Heat_time(1, 2)));
    EXPECT_TRUE(No_result(In_file(2)));
    EXPECT_NE(test::Error_number([] { Clear_All_Results(); }), 0);
    EXPECT_TRUE(test::Told(g_Recording->Take_problems(), Recording_problem::Kind::header_too_long, "too long"));
    EXPECT_EQ(results.Lane_To_Place(4), 1);
    EXPECT_EQ(In_file(4), 110);
}

TEST_F(Lane_results_test, ClearAllResultsEmptiesFileAndTables)
{
    Open(3);
    results.Attach_Time(2, 0, false);
    results.Attach_Time(9, Time_DSQ, false);
    Clear_All_Results();
    for (int16_t k = 0; k < 16; ++k) {
        EXPECT_EQ(In_file(k), 0) << k;
        EXPECT_EQ(results.By_lane()[size_t(k)].Time, No_Time) << k;
    }
    EXPECT_EQ(Filled_rows(), 0);
    EXPECT_EQ(results.Lane_To_Place(2), 0);
    // Without a recording only the viewer's records change, and nothing is asked.
    g_Recording.reset();
    results.By_lane()[3].Time = 5;
    Clear_All_Results();
    EXPECT_EQ(results.By_lane()[3].Time, No_Time);
    EXPECT_EQ(results.Ranked()[0].Time, No_Time);
    rows.rows[0].rank = "kept";
    results.Fill_Results();
    EXPECT_EQ(rows.rows[0].rank, "kept");
}

TEST_F(Lane_results_test, LargeTimesAndCorrectionsNeitherWrapNorStopTheFill)
{
    Open(3);
    ASSERT_TRUE(g_Recording->Heat_Start_Correction(1, std::numeric_limits<int32_t>::min()));
    Put(0, 110);
    Put(1, -2147483000);
    Put(2, 100000000);
    Commit();
    EXPECT_TRUE(reports.reports.empty());
    EXPECT_EQ(Filled_rows(), 3);
    // 110 ms after a start 2^31 ms early: day 24 at 20:31:23,758.
    EXPECT_EQ(rows.rows[1].time, " 20:31:23,75");
    // 2247483000 ms behind: day 26 and 18:03,00.
    EXPECT_EQ(rows.rows[2].delta, "+18:03,00");
    // A race time that would not fit (or would read as a code) is refused, with or without plus.
    g_Recording->Start_PC_mill(1, int32_t(100110 - 2147483640LL));
    ASSERT_EQ(g_Recording->Multi_TimeStamp(1), 2147483640);
    results.Attach_Time(5, 0, true);
    results.Attach_Time(5, 0, false);
    EXPECT_EQ(reports.reports.size(), 2u);
    EXPECT_EQ(In_file(5), 0);
    EXPECT_EQ(results.By_lane()[5].Time, No_Time);
}

TEST(Standby_result_rows, WhatTheyShowIsForgottenByTheProgramsReset)
{
    Install_result_rows(nullptr);
    Install_result_rows_maker(nullptr);
    auto* standby = dynamic_cast<Plain_result_rows*>(&Results_rows());
    ASSERT_NE(standby, nullptr);
    Heat_lane_records lanes{};
    for (auto& r : lanes) r.Time = No_Time;
    lanes[2] = {2, 62030, 1, 5};
    standby->Results_changed(Rank_heat(lanes, 0, "Heat 7", ""));
    ASSERT_EQ(standby->rows[0].time, " 01:02,03");
    Reset_program_state();
    EXPECT_EQ(&Results_rows(), standby);
    EXPECT_EQ(standby->heat, "");
    EXPECT_EQ(standby->rows[0].time, "");
}

} // namespace
} // namespace wk
