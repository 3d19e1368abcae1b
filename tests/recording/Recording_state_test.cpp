// What the recording modules remember between calls is forgotten by the program's one reset.
#include "recording/Timecode_module.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_qsm_Globals.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Test_support.h"

namespace wk {
namespace {

class Recording_state : public ::testing::Test {
protected:
    // The file number a new recording takes.
    int16_t Number_of_new(const std::string& name)
    {
        cls_AVI_handler rec;
        rec.File_name((home.path() / name).string());
        EXPECT_TRUE(rec.Create_File());
        return rec.file_num();
    }
    test::Temp_home home;
    test::Manual_clock clock;
};

TEST_F(Recording_state, FileNumbersCountFromOneAgainAfterTheReset)
{
    const int16_t first = Number_of_new("a.qs2");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(Number_of_new("b.qs2"), 2);
    Reset_program_state();
    EXPECT_EQ(Number_of_new("c.qs2"), 1);
}

TEST_F(Recording_state, TheLastFramesCameraDataIsForgotten)
{
    DV_Header_Parse(test::Make_DV_frames(1, {.start_timecode = {12, 0, 0, 0}})[0]);
    ASSERT_TRUE(DV_Camera_Data.TC_Found);
    Reset_program_state();
    EXPECT_FALSE(DV_Camera_Data.TC_Found);
    EXPECT_EQ(DV_Camera_Data.TC_Hours, 0);
}

} // namespace
} // namespace wk
