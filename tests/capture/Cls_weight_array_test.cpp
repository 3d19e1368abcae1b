#include "capture/Cls_weight_array.h"

#include "tests/support/Test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace wk {
namespace {

using W = Cls_weight_array;

class Weight_array : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(picture.Create(200, 100)); }
    int32_t Pixel(int x, int y) const { return picture.hDC()->GetPixel(x, y); }
    bool Untouched() const
    {
        const uint8_t* bits = picture.DIBSectionBitsPtr();
        return std::all_of(bits, bits + picture.SizeImage(), [](uint8_t b) { return b == 0; });
    }
    // One record of the given percentage, drawn as the last one.
    bool Draw_one(int16_t percentage)
    {
        array.Set_Array_Size(1);
        EXPECT_TRUE(array.Add_record(percentage, 0, 0, false));
        return array.Draw_weight_Bar(picture, W::k_Last_record);
    }
    cDIBSection picture;
    W array;
};

// The picture is 200 x 100: the bar runs from x 40 to 160 (120 pixels) between rows 90 and 95.
TEST_F(Weight_array, TwentyFivePercentSplitsTheBarAtThreeQuartersRedThenBlue)
{
    ASSERT_TRUE(Draw_one(25));
    const int split = 40 + 90;
    for (int y : {90, 92, 94}) {
        EXPECT_EQ(Pixel(40, y), W::k_Red) << y;
        EXPECT_EQ(Pixel(split - 1, y), W::k_Red) << y;
        EXPECT_EQ(Pixel(split, y), W::k_Blue) << y;
        EXPECT_EQ(Pixel(159, y), W::k_Blue) << y;
        EXPECT_EQ(Pixel(39, y), 0) << y;
        EXPECT_EQ(Pixel(160, y), 0) << y;
    }
    EXPECT_EQ(Pixel(100, 89), 0);
    EXPECT_EQ(Pixel(100, 95), 0);
    EXPECT_EQ(array.Drawing_area().line1, 80);
    EXPECT_EQ(array.Drawing_area().line2, 95);
}

TEST_F(Weight_array, PercentagesOutsideOneToAHundredDrawNoBarAndTheEndsDrawOneColour)
{
    for (int16_t p : {0, 101, -5}) {
        EXPECT_TRUE(Draw_one(p)) << p;
        EXPECT_TRUE(Untouched()) << p;
    }
    // The red part is the (100 - p) hundredths: at 100 it is gone.
    ASSERT_TRUE(Draw_one(100));
    EXPECT_EQ(Pixel(40, 92), W::k_Blue);
    EXPECT_EQ(Pixel(159, 92), W::k_Blue);
    ASSERT_TRUE(picture.Create(200, 100));
    ASSERT_TRUE(Draw_one(1));
    EXPECT_EQ(Pixel(40, 92), W::k_Red);
    EXPECT_EQ(Pixel(158, 92), W::k_Red);
    EXPECT_EQ(Pixel(159, 92), W::k_Blue);
}

TEST_F(Weight_array, ALinearArrayPlacesTheBarByTheFrontalWidth)
{
    array.Array_Linear(true);
    array.Frontal_Width(100);
    ASSERT_TRUE(Draw_one(50));
    EXPECT_EQ(array.Drawing_area().left, 20);
    EXPECT_EQ(array.Drawing_area().right, 80);
    EXPECT_EQ(Pixel(20, 92), W::k_Red);
    EXPECT_EQ(Pixel(49, 92), W::k_Red);
    EXPECT_EQ(Pixel(50, 92), W::k_Blue);
    EXPECT_EQ(Pixel(80, 92), 0);
}

TEST_F(Weight_array, IndexesOutsideTheSeriesDrawNothingAndReadNothing)
{
    array.Set_Array_Size(3);
    for (int i = 1; i <= 3; ++i) ASSERT_TRUE(array.Add_record(50, 0, 0, false));
    for (int32_t bad : {0, 4, -1, 998}) {
        EXPECT_FALSE(array.Draw_weight_Bar(picture, bad)) << bad;
        EXPECT_EQ(test::Error_number([&] { array.Record(bad); }), 9) << bad;
    }
    EXPECT_TRUE(Untouched());
    EXPECT_FALSE(array.Draw_Segments_To(picture, 4));
    cDIBSection none;
    EXPECT_FALSE(array.Draw_weight_Bar(none, 1));
}

TEST_F(Weight_array, AFullSeriesRefusesARecordWithoutShiftAndKeepsTheNewestWithShift)
{
    array.Set_Array_Size(3);
    for (int16_t p = 1; p <= 3; ++p) ASSERT_TRUE(array.Add_record(p, int16_t(10 * p), 100 * p, false));
    EXPECT_FALSE(array.Add_record(4, 40, 400, false));
    EXPECT_EQ(array.Record(3), (W::Weight_record{3, 30, 300}));
    EXPECT_EQ(array.Filled(), 3);

    ASSERT_TRUE(array.Add_record(4, 40, 400, true));
    EXPECT_EQ(array.Record(1), (W::Weight_record{2, 20, 200}));
    EXPECT_EQ(array.Record(2), (W::Weight_record{3, 30, 300}));
    EXPECT_EQ(array.Record(3), (W::Weight_record{4, 40, 400}));

    array.Shift_Weight_Array(); // the last keeps its values
    EXPECT_EQ(array.Record(2), (W::Weight_record{4, 40, 400}));
    EXPECT_EQ(array.Record(3), (W::Weight_record{4, 40, 400}));

    array.Set_Array_Size(2); // a new size starts empty
    EXPECT_EQ(array.Record(1), W::Weight_record{});
    EXPECT_TRUE(array.Add_record(7, 0, 0, false));
    EXPECT_EQ(array.Record(1).Percentage, 7);
    W empty;
    EXPECT_FALSE(empty.Add_record(1, 1, 1, true));
}

// Records of 50, 51, 52 lie at (100, 87), (103, 91), (106, 95): 3 across and 4 down a unit.
TEST_F(Weight_array, SegmentsAreDrawnWhiteForwardAndErasedBlackBackward)
{
    array.Set_Array_Size(3);
    for (int16_t p : {50, 51, 52}) ASSERT_TRUE(array.Add_record(p, 0, 0, false));
    ASSERT_TRUE(array.Draw_Segments_To(picture, 3));
    EXPECT_EQ(Pixel(100, 87), W::k_White);
    EXPECT_EQ(Pixel(103, 91), W::k_White);
    EXPECT_EQ(array.Last_drawn(), 3);

    ASSERT_TRUE(array.Draw_Segments_To(picture, 2)); // erases 2 -> 3 only
    EXPECT_EQ(Pixel(100, 87), W::k_White);
    EXPECT_EQ(Pixel(103, 91), 0);
    ASSERT_TRUE(array.Draw_Segments_To(picture, 1));
    EXPECT_EQ(Pixel(100, 87), 0);
    EXPECT_TRUE(Untouched());

    ASSERT_TRUE(array.Draw_Newest_Segment(picture));
    EXPECT_EQ(Pixel(103, 91), W::k_White);
    EXPECT_EQ(Pixel(100, 87), 0);
    picture.hDC()->SetPixel(100, 87, W::k_White);
    ASSERT_TRUE(array.Draw_Oldest_Segment(picture));
    EXPECT_EQ(Pixel(100, 87), 0);
}

} // namespace
} // namespace wk
