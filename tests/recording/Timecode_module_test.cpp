// DV camera data: the time code and recording date of fixture frames, and each VAUX pack's
// fields on frames given hand-made packs.
#include "recording/Timecode_module.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Test_support.h"

#include <filesystem>

namespace wk {
namespace {

using test::DV_frame;
using test::DV_pack;

class Timecode_module_test : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        test::DV_frame_options o;
        o.start_timecode = {12, 0, 0, 0};
        o.start_rec = {2024, 6, 15, 10, 30, 0};
        frames_ = new std::vector<DV_frame>(test::Make_DV_frames(31, o));
    }
    static void TearDownTestSuite()
    {
        delete frames_;
        frames_ = nullptr;
    }
    static const std::vector<DV_frame>& frames() { return *frames_; }
    static std::vector<DV_frame>* frames_;

    void TearDown() override
    {
        g_Emergency_stop = false;
        DV_Header_Parse({});
    }
    // A fixture frame with one more VAUX pack in block 0, slot 5 (free in fixture frames).
    static DV_frame With_pack(const DV_pack& p, int block = 0, int slot = 5)
    {
        DV_frame f = frames()[0];
        test::Put_VAUX_pack(f, block, slot, p);
        return f;
    }
    bool Error_reported() const { return std::filesystem::exists(Error_log_path()); }

    test::Temp_home home;
};
std::vector<DV_frame>* Timecode_module_test::frames_ = nullptr;

TEST_F(Timecode_module_test, FixtureFramesGiveTheTimeCodeAndRecordingTimeTheyWereMadeWith)
{
    DV_Header_Parse(frames()[0]);
    EXPECT_TRUE(DV_Camera_Data.TC_Found);
    EXPECT_EQ(Timecode_Frame_Text(), "12:00:00 frame: 0");
    EXPECT_EQ(Timecode_To_Frames(), 1080000);
    EXPECT_EQ(Rec_DateTime_Text(), "2024-06-15 10:30:00");
    EXPECT_EQ(Get_Rec_Hours(), 10);
    EXPECT_EQ(Get_Rec_Minutes(), 30);
    EXPECT_EQ(Field_System(), 50); // the encoder's source pack
    EXPECT_FALSE(Is_Wide());

    DV_Header_Parse(frames()[30]);
    EXPECT_EQ(Timecode_Frame_Text(), "12:00:01 frame: 5");
    EXPECT_EQ(Timecode_To_Frames(), 1080030);
    EXPECT_EQ(Rec_DateTime_Text(), "2024-06-15 10:30:01");

    // The extra-data record that the capture station writes at byte 12000 leaves the packs of
    // the first DIF sequence alone.
    DV_frame stamped = frames()[30];
    test::Write_DV_extra_data(stamped, {.stamp_tick = 1020});
    DV_Header_Parse(stamped);
    EXPECT_EQ(Timecode_To_Frames(), 1080030);
    EXPECT_FALSE(g_Emergency_stop);
    EXPECT_FALSE(Error_reported());
}

TEST_F(Timecode_module_test, WhatIsNotADvFrameGivesNoInformationAndStopsNothing)
{
    DV_Header_Parse(frames()[0]);
    const DV_frame ff(test::k_DV_frame_bytes, 0xFF);
    DV_Header_Parse(ff);
    EXPECT_EQ(Timecode_Frame_Text(), "No information");
    EXPECT_EQ(Timecode_To_Frames(), 0);
    EXPECT_EQ(Field_System(), 0);
    EXPECT_EQ(Rec_DateTime_Text(), "0-00-00 00:00:00");
    EXPECT_EQ(Shutter_Text(), "No information");
    EXPECT_FALSE(g_Emergency_stop);

    // A buffer too short for the header blocks.
    const DV_frame shorty(frames()[0].begin(), frames()[0].begin() + 400);
    DV_Header_Parse(shorty);
    EXPECT_FALSE(DV_Camera_Data.TC_Found);
    EXPECT_EQ(Field_System(), 0);

    // No frame at all clears the record.
    DV_Header_Parse(frames()[0]);
    DV_Header_Parse({});
    EXPECT_EQ(Field_System(), 0);
    EXPECT_EQ(Timecode_Frame_Text(), "No information");
    EXPECT_EQ(Focal_Length_Text(), "No info");
    EXPECT_FALSE(g_Emergency_stop);
    EXPECT_FALSE(Error_reported());
}

TEST_F(Timecode_module_test, TimeCodeDigitsOutOfRangeGiveNoInformation)
{
    DV_frame f = frames()[0];
    test::Put_timecode(f, {0, 0, 0, 0});
    test::Put_subcode_pack(f, 0, 0, DV_pack{0x13, 0xFF, 0xFF, 0xFF, 0xFF}, 0);
    DV_Header_Parse(f);
    EXPECT_EQ(DV_Camera_Data.TC_Hours, 45);
    EXPECT_EQ(Timecode_Frame_Text(), "No information");
    EXPECT_EQ(Timecode_To_Frames(), 0);

    // The first time-code pack counts, wherever it is; frames without one have none.
    test::Put_subcode_pack(f, 0, 0, DV_pack{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0);
    test::Put_subcode_pack(f, 0, 1, DV_pack{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0);
    test::Put_subcode_pack(f, 0, 2, test::Timecode_pack({23, 59, 59, 24}), 0);
    DV_Header_Parse(f);
    EXPECT_EQ(Timecode_Frame_Text(), "23:59:59 frame: 24");
    EXPECT_EQ(Timecode_To_Frames(), 2159999);
}

TEST_F(Timecode_module_test, RecordingDateYearsAndFieldSystems)
{
    DV_Header_Parse(With_pack({0x62, 0xFF, 0xC0 | 0x31, 0xE0 | 0x12, 0x39}, 2, 14));
    EXPECT_EQ(Rec_DateTime_Text(), "2039-12-31 10:30:00"); // the last pack of the frame wins
    DV_Header_Parse(With_pack({0x62, 0xFF, 0xC0 | 0x01, 0xE0 | 0x02, 0x40}, 2, 14));
    EXPECT_EQ(DV_Camera_Data.Rec_Year, 1940);
    EXPECT_EQ(DV_Camera_Data.Rec_Month, 2);
    EXPECT_EQ(DV_Camera_Data.Rec_Day, 1);

    DV_Header_Parse(With_pack({0x60, 0xFF, 0xFF, 0x00, 0xFF}, 2, 14));
    EXPECT_EQ(Field_System(), 60);
    DV_Header_Parse(With_pack({0x60, 0xFF, 0xFF, 0x20, 0xFF}, 2, 14));
    EXPECT_EQ(Field_System(), 50);
    DV_Header_Parse(With_pack({0x61, 0xFF, 0x07, 0xFC, 0xFF}, 2, 14)); // 16:9 full
    EXPECT_TRUE(Is_Wide());
    DV_Header_Parse(With_pack({0x61, 0xFF, 0x00, 0xFC, 0xFF}, 2, 14));
    EXPECT_FALSE(Is_Wide());
}

TEST_F(Timecode_module_test, EverySixteenByNineDisplayModeReadsWideAndTheOthersDoNot)
{
    // The encoder's own source control pack of a 4:3 picture, then the display modes in it.
    DV_frame f = frames()[0];
    DV_Header_Parse(f);
    ASSERT_FALSE(Is_Wide());
    std::vector<size_t> packs; // every one the parse reads: the last one counts
    for (size_t block = 0; block < 3; ++block)
        for (size_t pack = 0; pack < 15; ++pack)
            if (f[240 + 80 * block + 3 + 5 * pack] == 0x61) packs.push_back(240 + 80 * block + 3 + 5 * pack);
    ASSERT_FALSE(packs.empty()) << "the encoder writes a source control pack";
    EXPECT_EQ(f[packs[0] + 2] & 0x07, 0);
    struct Mode {
        uint8_t bits;
        bool wide;
    };
    // 2: 16:9 full format (what libavcodec writes for a 16:9 picture, 0xCA), 1: 16:9 letterbox,
    // 7: 16:9 full format as consumer camcorders write it; 0: 4:3.
    for (const Mode m : {Mode{2, true}, Mode{1, true}, Mode{7, true}, Mode{0, false}}) {
        for (const size_t at : packs) f[at + 2] = uint8_t((f[at + 2] & ~0x07) | m.bits);
        DV_Header_Parse(f);
        EXPECT_EQ(Is_Wide(), m.wide) << int(m.bits);
        EXPECT_EQ(DV_Camera_Data.Display_Mode, m.bits);
        EXPECT_EQ(DV_Header_Summary().substr(DV_Header_Summary().rfind("\r\n") + 2),
                  m.wide ? "Wide 16:9 = True" : "Wide 16:9 = False");
    }
}

TEST_F(Timecode_module_test, NtscTimeCodesCountThirtyFramesASecondAndSkipTheDroppedNumbers)
{
    // PAL counts 25 a second, NTSC 30.
    DV_Header_Parse(frames()[30]); // 12:00:01 frame 5
    EXPECT_EQ(DV_Camera_Data.Frames_Per_Second, 25);
    EXPECT_EQ(Timecode_To_Frames(), (12 * 3600 + 1) * 25 + 5);
    const std::vector<DV_frame> ntsc = test::Make_DV_frames(2, {.start_timecode = {0, 0, 1, 29}, .ntsc = true});
    ASSERT_EQ(ntsc[0].size(), test::k_NTSC_frame_bytes);
    DV_Header_Parse(ntsc[0]);
    EXPECT_EQ(DV_Camera_Data.Frames_Per_Second, 30);
    EXPECT_EQ(Field_System(), 60);
    EXPECT_EQ(Timecode_Frame_Text(), "00:00:01 frame: 29");
    EXPECT_EQ(Timecode_To_Frames(), 59);
    DV_Header_Parse(ntsc[1]);
    EXPECT_EQ(Timecode_Frame_Text(), "00:00:02 frame: 0");
    EXPECT_EQ(Timecode_To_Frames(), 60);

    // Drop-frame: numbers 0 and 1 are skipped at each minute but every tenth.
    struct Case {
        test::DV_timecode tc;
        int32_t frames;
    };
    for (const Case c : {Case{{0, 0, 59, 29, true}, 1799}, Case{{0, 1, 0, 2, true}, 1800},
                         Case{{0, 10, 0, 0, true}, 17982}, Case{{1, 0, 0, 0, true}, 107892},
                         Case{{0, 10, 0, 0, false}, 18000}}) {
        DV_frame f = ntsc[0];
        test::Put_timecode(f, c.tc);
        DV_Header_Parse(f);
        EXPECT_EQ(DV_Camera_Data.TC_Drop_Frame, c.tc.drop_frame);
        EXPECT_EQ(Timecode_To_Frames(), c.frames) << c.tc.hours << ":" << c.tc.minutes << ":" << c.tc.seconds;
    }
    // A PAL frame never drops a number, whatever its pack's flag says.
    DV_frame pal = frames()[0];
    test::Put_timecode(pal, {0, 10, 0, 0, true});
    DV_Header_Parse(pal);
    EXPECT_EQ(Timecode_To_Frames(), 15000);
}

TEST_F(Timecode_module_test, CameraPacksGiveExposureWhiteBalanceFocusAndLens)
{
    // Iris 20 (f/5.7), gain priority with AGC 3, white balance "One Push" / sunlight, manual focus.
    DV_frame f = With_pack({0x70, 20, 0x13, (2 << 5) | 4, 0x80});
    test::Put_VAUX_pack(f, 0, 6, {0x71, 0xFF, 0xFF, 42, 0x30});
    DV_Header_Parse(f);
    EXPECT_EQ(Iris_Text(), "5.7");
    EXPECT_EQ(AE_Mode_Text(), "Gain priority");
    EXPECT_EQ(AGC_Text(), "3");
    EXPECT_EQ(White_Balance_Text(), "Wb mode = One Push ,Wb = Sunlight");
    EXPECT_EQ(Focus_Mode_Text(), "manual");
    EXPECT_EQ(Focal_Length_Text(), "42");
    EXPECT_EQ(Zoom_Text(), "3");

    DV_Header_Parse(With_pack({0x70, 16, 0xF0, (7 << 5) | 9, 0x00}));
    EXPECT_EQ(Iris_Text(), "4");
    EXPECT_EQ(AE_Mode_Text(), "No information");
    EXPECT_EQ(White_Balance_Text(), "Wb mode = No Information ,Wb = No information");
    EXPECT_EQ(Focus_Mode_Text(), "auto");
    DV_Header_Parse(With_pack({0x70, 16, 0x40, (5 << 5) | 1, 0x00}));
    EXPECT_EQ(AE_Mode_Text(), "Manual");
    EXPECT_EQ(White_Balance_Text(), "Wb mode = Invalid ,Wb = Incandescent lamp");

    DV_Header_Parse(With_pack({0x71, 0xFF, 0xFF, 255, 255}));
    EXPECT_EQ(Focal_Length_Text(), "No info");
    EXPECT_EQ(Zoom_Text(), "No info");
}

TEST_F(Timecode_module_test, ShutterSpeedComesFromTheShutterPackAndZeroMeansNoInformation)
{
    DV_Header_Parse(With_pack({0x7F, 0xFF, 0xFF, 60, 0x80}, 1, 7)); // raw 60, top bit not part of it
    EXPECT_EQ(DV_Camera_Data.Shutter_Raw, 60);
    EXPECT_EQ(Shutter_Text(), "1/250");
    DV_Header_Parse(With_pack({0x7F, 0xFF, 0xFF, 0x00, 0x01})); // raw 256: 58.59 rounds to 59
    EXPECT_EQ(Shutter_Text(), "1/59");
    DV_Header_Parse(With_pack({0x7F, 0xFF, 0xFF, 40, 0}));         // 375
    EXPECT_EQ(Shutter_Text(), "1/375");
    DV_Header_Parse(With_pack({0x7F, 0xFF, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(DV_Camera_Data.Shutter_Speed, 0.0f);
    EXPECT_EQ(Shutter_Text(), "No information");
    EXPECT_EQ(Timecode_To_Frames(), 1080000); // the rest of the frame is still read
    DV_Header_Parse(With_pack({0x7F, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Shutter_Text(), "No information");
    EXPECT_FALSE(Error_reported());
}

TEST_F(Timecode_module_test, SummaryListsEveryFieldOnItsOwnLine)
{
    DV_frame f = With_pack({0x70, 16, 0x00, (0 << 5) | 5, 0x00});
    test::Put_VAUX_pack(f, 0, 6, {0x7F, 0xFF, 0xFF, 30, 0});
    test::Put_VAUX_pack(f, 2, 14, {0x61, 0xFF, 0x01, 0xFC, 0xFF});
    DV_Header_Parse(f);
    EXPECT_EQ(DV_Header_Summary(), "Rec. date 2024-06-15 10:30:00\r\n"
                                   "Timecode: 12:00:00 frame: 0\r\n"
                                   "Shutterspeed 1/500\r\n"
                                   "Wb mode = auto ,Wb = Cloudiness\r\n"
                                   "Iris = 4\r\n"
                                   "AE mode = Fully automatic\r\n"
                                   "AGC = 0\r\n"
                                   "Focal length = No info\r\n"
                                   "Zoom = No info\r\n"
                                   "Focus mode = auto\r\n"
                                   "Wide 16:9 = True");
}

} // namespace
} // namespace wk
