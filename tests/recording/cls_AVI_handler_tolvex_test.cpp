// The recording object's sibling timing metadata: the goal offset taken from the frame while the
// header says 0, the box times, the camera of the frame, and a failed write that stops nothing.
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_qsm_Globals.h"
#include "services/Run_time_error.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Test_support.h"

#include <optional>

namespace wk {
namespace {

const test::DV_frame& Plain_frame()
{
    static const test::DV_frame frame = test::Make_DV_frames(1).front();
    return frame;
}

// A capture that counts how often it is stopped.
struct Fake_capture : Active_capture {
    int stops = 0;
    void Stop_Capture() override { ++stops; }
    int32_t Buff_num() override { return 0; }
    uint8_t* get_Buffaddr(int32_t) override { return nullptr; }
    void Let_Goal_offset(int16_t) override {}
};

class Sibling_timing : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock.now = {2026, 12, 8, 10, 0, 0, 0};
        g_Edition_text = "Wakeline, Full version";
        g_Emergency_stop = false;
    }
    void TearDown() override
    {
        g_Capture.reset();
        g_Capture_running = false;
    }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }

    // A recording whose frames carry the given records (none: a frame without one).
    std::string Make_recording(const std::string& name, bool tolvex,
                               const std::vector<std::optional<test::DV_extra_data>>& frames)
    {
        cls_AVI_handler rec;
        rec.Header().Tolvex(tolvex);
        rec.File_name(Path(name));
        EXPECT_TRUE(rec.Create_File());
        rec.Initiate_file();
        for (const auto& extra : frames) {
            test::DV_frame f = Plain_frame();
            if (extra) test::Write_DV_extra_data(f, *extra);
            EXPECT_TRUE(rec.Append_DV_frame(f));
        }
        rec.Close_File();
        return Path(name);
    }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    test::Captured_reports errors;
};

TEST_F(Sibling_timing, TheFramesGoalOffsetStandsInOnlyWhileTheHeaderOffsetIsZero)
{
    const std::string path = Make_recording("dogs.qs2", true,
                                            {test::DV_extra_data{.camera = 2, .goal_offset = 35},
                                             test::DV_extra_data{.camera = 1, .goal_offset = 0},
                                             test::DV_extra_data{.goal_offset = -5}, std::nullopt});
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    auto at_frame = [&](int32_t f) {
        EXPECT_TRUE(rec.Read_Frame(f));
        return rec.Tolvex().Tolv_Goal_compensation();
    };
    rec.Tolvex().Tolv_Goal_compensation("0");
    EXPECT_EQ(at_frame(1), "35");
    EXPECT_EQ(at_frame(2), "0");
    EXPECT_EQ(at_frame(3), "0");
    EXPECT_EQ(at_frame(4), "0") << "a frame without a record has no offset";
    rec.Tolvex().Tolv_Goal_compensation("12");
    EXPECT_EQ(at_frame(1), "12");
    rec.Tolvex().Tolv_Goal_compensation("-40");
    EXPECT_EQ(at_frame(1), "-40");
    rec.Tolvex().Tolv_Goal_compensation("0000"); // the template's zero
    EXPECT_EQ(at_frame(1), "35");
    EXPECT_EQ(at_frame(3), "0000");
    rec.Tolvex().Tolv_Goal_compensation("late"); // not a number: read as 0
    EXPECT_EQ(at_frame(1), "35");

    for (const auto& [frame, camera] : {std::pair{1, 2}, {2, 1}, {4, 0}}) {
        ASSERT_TRUE(rec.Read_Frame(frame));
        EXPECT_EQ(rec.Extra().Tolv_Camera(), camera) << frame;
    }
}

TEST_F(Sibling_timing, AHeaderWithoutTheSectionTakesTheFrameOffsetAndGivesTheDefaults)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Make_recording("race.qs2", false, {test::DV_extra_data{.goal_offset = 35}})));
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_EQ(rec.Tolvex().Tolv_Goal_compensation(), "35");
    EXPECT_EQ(rec.Tolvex().Tolv_Split_compensation() + rec.Header().Tolv_Box_delay() + rec.Header().Tolv_Heat_Length(), "00");
    EXPECT_FALSE(rec.Header().Tolv_dead_heat(1));
    EXPECT_THROW(rec.Header().Tolv_event(), Run_time_error);
    EXPECT_THROW(rec.Header().Tolv_Dog_name(1), Run_time_error);
    EXPECT_THROW(rec.Tolvex().Tolv_start_PC_mill(), Run_time_error);
}

TEST_F(Sibling_timing, AFailedGoalCameraWriteReachesTheCallerAndTheCaptureGoesOn)
{
    const std::string path = Make_recording("race.qs2", false, {test::DV_extra_data{}});
    const std::string before = test::Read_file(path);
    auto capture = std::make_shared<Fake_capture>();
    g_Capture = capture;
    g_Capture_running = true;
    const int32_t tick = clock.tick;

    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(test::Error_number([&] { rec.Header().Tolv_goal_finish("cam A"); }), err_Object_variable);
    EXPECT_EQ(test::Error_number([&] { rec.Header().Tolv_goal_split("cam B"); }), err_Object_variable);
    EXPECT_THROW(rec.Tolvex().Tolv_goal_firewire_ID("1"), Run_time_error);
    EXPECT_THROW(rec.Tolvex().Phidget_serial("1"), Run_time_error);

    EXPECT_EQ(capture->stops, 0);
    EXPECT_TRUE(g_Capture_running);
    EXPECT_FALSE(g_Emergency_stop);
    EXPECT_EQ(clock.tick, tick) << "nobody waited for a capture to stop";
    EXPECT_TRUE(errors.reports.empty()) << "the caller decides whether to report";
    rec.Close_File();
    EXPECT_EQ(test::Read_file(path), before);
}

TEST_F(Sibling_timing, TheSplitFlagChoosesTheSplitTimeAndEveryBoxValueSurvivesTheFile)
{
    const std::string path = Make_recording("dogs.qs2", true, {test::DV_extra_data{}});
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_THROW(rec.Tolvex().Tolv_start_PC_mill(), Run_time_error) << "the template holds the element's own name";
        rec.Header().Tolv_Heat_ID("H3");
        rec.Header().Tolv_Heat_Name("Final");
        rec.Header().Tolv_Heat_Length("515");
        rec.Header().Tolv_start_DateTime("26-12-08 20:00:00");
        rec.Tolvex().Tolv_start_PC_mill(123456789);
        rec.Tolvex().Tolv_Split_compensation("-12");
        rec.Header().Tolv_Box_delay("80");
        rec.Tolvex().Tolv_split_firewire_ID("0x10");
        rec.Tolvex().Tolv_goal_firewire_ID("0x11");
        rec.Tolvex().Phidget_serial("30114");
        rec.Tolvex().Tolv_Heat_time(3, true, 14000);
        rec.Tolvex().Tolv_Heat_time(3, false, 29500);
        rec.Header().Tolv_Heat_Click_Time(3, 29480);
        rec.Header().Tolv_split_frame(3, 350);
        rec.Header().Tolv_heat_frame(3, 40738); // beyond 16 bits: a long recording
        rec.Header().Tolv_Dog_name(3, "Bolt");
        rec.Header().Tolv_dead_heat(3, true);
        ASSERT_TRUE(rec.Write_XML_header());
    }
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Tolvex().Tolv_Heat_time(3, true), 14000);
    EXPECT_EQ(rec.Tolvex().Tolv_Heat_time(3, false), 29500);
    EXPECT_EQ(rec.Tolvex().Tolv_Heat_time(4, true), 0);
    EXPECT_EQ(rec.Header().Tolv_Heat_Click_Time(3), 29480);
    EXPECT_EQ(rec.Header().Tolv_split_frame(3), 350);
    EXPECT_EQ(rec.Header().Tolv_heat_frame(3), 40738);
    EXPECT_EQ(rec.Header().Tolv_Dog_name(3), "Bolt");
    EXPECT_EQ(rec.Header().Tolv_Dog_name(4), "dog name");
    EXPECT_TRUE(rec.Header().Tolv_dead_heat(3));
    EXPECT_FALSE(rec.Header().Tolv_dead_heat(4));
    EXPECT_EQ(rec.Header().Tolv_Heat_ID(), "H3");
    EXPECT_EQ(rec.Header().Tolv_Heat_Name(), "Final");
    EXPECT_EQ(rec.Header().Tolv_Heat_Length(), "515");
    EXPECT_EQ(rec.Header().Tolv_start_DateTime(), "26-12-08 20:00:00");
    EXPECT_EQ(rec.Tolvex().Tolv_start_PC_mill(), 123456789);
    EXPECT_EQ(rec.Tolvex().Tolv_Split_compensation(), "-12");
    EXPECT_EQ(rec.Header().Tolv_Box_delay(), "80");
    const std::string text = rec.Get_DOM_string();
    EXPECT_NE(text.find("<tolv_split_firewire_ID>0x10</tolv_split_firewire_ID>"), std::string::npos);
    EXPECT_NE(text.find("<tolv_goal_firewire_ID>0x11</tolv_goal_firewire_ID>"), std::string::npos);
    EXPECT_NE(text.find("<tolv_ph_serial>30114</tolv_ph_serial>"), std::string::npos);
    EXPECT_NE(text.find("<dog_split_time>14000</dog_split_time>"), std::string::npos);
    EXPECT_THROW(rec.Header().Tolv_Dog_name(9), Run_time_error);
}

} // namespace
} // namespace wk
