// A stored frame and the list of arrival stamps.
#include "capture/CVideobuff.h"
#include "capture/Cls_timestamps.h"
#include "tests/capture/cls_Capture_test_support.h"
#include "tests/support/Test_support.h"

#include <limits>

namespace wk {
namespace {

TEST(CVideobuff_test, AFrameFilledFromDVIsValidUntilItIsFilledWithPlainBytes)
{
    CVideobuff b;
    EXPECT_FALSE(b.Buffer_valid()); // a new frame is all zero
    const auto frame = test::Numbered_frame(17);
    b.FillData(frame);
    EXPECT_TRUE(b.Buffer_valid());
    EXPECT_EQ(test::Frame_number(b.GetVideoAdress()), 17);
    std::vector<uint8_t> copy(k_DV_frame_size);
    b.GetData(copy);
    EXPECT_EQ(copy, frame);
    b.FillBuffer();
    EXPECT_FALSE(b.Buffer_valid());
    EXPECT_EQ(b.GetVideoAdress()[143999], 23);
}

TEST(CVideobuff_test, OnlyTheDVHeaderBlockCountsAsValidAndShortBuffersAreRefused)
{
    CVideobuff b;
    auto frame = test::Numbered_frame(1);
    frame[1] = 0x3F; // 0x1F without the header block's second byte
    b.FillData(frame);
    EXPECT_FALSE(b.Buffer_valid());
    const std::vector<uint8_t> short_frame(k_DV_frame_size - 1, 0x1F);
    EXPECT_EQ(test::Error_number([&] { b.FillData(short_frame); }), err_Subscript);
    EXPECT_EQ(b.GetVideoAdress()[1], 0x3F); // left as it was
    std::vector<uint8_t> small(100);
    EXPECT_EQ(test::Error_number([&] { b.GetData(small); }), err_Subscript);
}

TEST(Cls_timestamps_test, TheListKeepsTheLastHundredStamps)
{
    test::Manual_clock clock;
    Cls_timestamps stamps;
    for (int i = 1; i <= 150; ++i) {
        clock.tick = i;
        stamps.Add_stamp();
    }
    ASSERT_EQ(stamps.Count(), 100u);
    EXPECT_EQ(stamps.Item(1).Time_stamp, 51);
    EXPECT_EQ(stamps.Item(100).Time_stamp, 150);
    stamps.Clear();
    EXPECT_EQ(stamps.Count(), 0u);
}

TEST(Cls_timestamps_test, StampsFortyMillisecondsApartGiveTwentyFiveFramesASecondAcrossTheWrap)
{
    for (const int32_t start : {1000, std::numeric_limits<int32_t>::max() - 500, -20}) {
        Cls_timestamps stamps;
        for (int i = 0; i < 26; ++i) stamps.Add_stamp(platform::Tick_add(start, 40 * i));
        const auto rate = stamps.captPerformance();
        ASSERT_TRUE(rate.has_value()) << start;
        EXPECT_FLOAT_EQ(*rate, 25.0f) << start;
    }
}

TEST(Cls_timestamps_test, FewerThanTwoStampsOrNoTimeBetweenThemGiveNoRate)
{
    Cls_timestamps stamps;
    EXPECT_FALSE(stamps.captPerformance().has_value());
    stamps.Add_stamp(5000);
    EXPECT_FALSE(stamps.captPerformance().has_value());
    stamps.Add_stamp(5000);
    EXPECT_FALSE(stamps.captPerformance().has_value());
    stamps.Add_stamp(5500);
    EXPECT_FLOAT_EQ(*stamps.captPerformance(), 4.0f);
}

} // namespace
} // namespace wk
