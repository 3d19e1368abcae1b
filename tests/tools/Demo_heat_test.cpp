#include "platform/Av_frame_decoder.h"
#include "platform/Draw_surface.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "tests/support/Test_support.h"
#include "tools/Demo_heat.h"

#include <QImage>
#include <cstdlib>

namespace wk {
namespace {

// Luma-like brightness of picture pixel (x, y from the top) in a bottom-up BGR buffer.
int Brightness(const std::vector<uint8_t>& bgr, int x, int y)
{
    const size_t row = size_t(575 - y) * size_t(platform::Bgr_stride(720));
    const uint8_t* p = &bgr[row + size_t(x) * 3];
    return (p[0] + p[1] + p[2]) / 3;
}

class Demo_heat : public ::testing::Test {
protected:
    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    std::string path = (home.path() / "DemoHeat1.qs2").string();
};

TEST_F(Demo_heat, TheRecordingCarriesTheHeatAndEveryFrameItsTime)
{
    const auto r = demo::Make_demo_heat(path, {.lanes = 4});
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.num_frames(), r.frames);
    EXPECT_EQ(rec.num_Calculated_frames(), r.frames);
    EXPECT_EQ(rec.Header().Event_name(), "Demo Regatta");
    EXPECT_EQ(rec.Header().Heat_ID(1), "1");
    EXPECT_EQ(rec.Header().Num_Lanes(), 4);
    EXPECT_EQ(rec.Header().Start_PC_mill(1), r.heat_start);
    int32_t x1, y1, x2, y2;
    rec.Header().Get_Goalline(x1, y1, x2, y2);
    EXPECT_EQ(x1, r.goal_x);
    EXPECT_EQ(x2, r.goal_x);
    ASSERT_EQ(r.crossings.size(), 4u);
    for (const auto& c : r.crossings) {
        ASSERT_TRUE(rec.Read_Frame(c.frame));
        ASSERT_TRUE(rec.Extra().Has_Frame_Time_Stamp());
        EXPECT_EQ(rec.Extra_data().size(), 192u);
        EXPECT_EQ(rec.Extra().Frame_Time_Stamp() - r.heat_start + (c.field == 2 ? 20 : 0), c.race_time);
        EXPECT_GT(rec.Header().Lane_pos_Y(c.lane), 0);
        // The printed mark is where the viewer draws the lane's mark: a click there hits the lane.
        EXPECT_EQ(c.mark_x, rec.Header().Lane_pos_X(c.lane));
        EXPECT_EQ(c.mark_y, rec.Header().Lane_pos_Y(c.lane));
    }
    // Distinct times, in lane order, and both fields of a frame are used.
    for (size_t i = 1; i < r.crossings.size(); ++i) EXPECT_GT(r.crossings[i].race_time, r.crossings[i - 1].race_time);
    EXPECT_EQ(r.crossings[0].field, 1);
    EXPECT_EQ(r.crossings[1].field, 2);
}

TEST_F(Demo_heat, EachBowTouchesTheLineInThePrintedFieldAndNotBefore)
{
    const auto r = demo::Make_demo_heat(path, {.lanes = 4});
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    platform::Av_frame_decoder decoder;
    std::vector<uint8_t> now(size_t(platform::Bgr_stride(720)) * 576), before(now.size());
    for (const auto& c : r.crossings) {
        const int lane_y = rec.Header().Lane_pos_Y(c.lane);
        // Rows of the crossing field near the lane's middle; field 1 is rows 1, 3, 5 ... from the top.
        const int y = (lane_y / 2) * 2 + (c.field == 1 ? 1 : 0);
        // The field just before: the other field of this frame or field 2 of the frame before.
        const int32_t before_frame = c.field == 2 ? c.frame : c.frame - 1;
        const int y_before = (lane_y / 2) * 2 + (c.field == 2 ? 1 : 0);
        ASSERT_TRUE(rec.Read_Frame(c.frame));
        ASSERT_TRUE(decoder.Decode(rec.Frame_bytes(), now.data(), 720, 576));
        ASSERT_TRUE(rec.Read_Frame(before_frame));
        ASSERT_TRUE(decoder.Decode(rec.Frame_bytes(), before.data(), 720, 576));
        const int x = r.goal_x - 3;
        EXPECT_GT(Brightness(now, x, y), 140) << "lane " << c.lane;            // the boat
        EXPECT_LT(Brightness(before, x, y_before), 120) << "lane " << c.lane;  // still water
        if (const char* png = std::getenv("WK_DEMO_FIELD_PNG"); png && c.lane == 1) {
            QImage img(now.data(), 720, 576, platform::Bgr_stride(720), QImage::Format_BGR888);
            img.mirrored(false, true).save(png);
        }
    }
}

TEST_F(Demo_heat, ClickingThePrintedFieldGivesThePrintedRaceTime)
{
    const auto r = demo::Make_demo_heat(path, {.lanes = 6});
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    QImage image(720, 576, QImage::Format_RGB32);
    platform::Draw_surface picture(&image);
    for (const auto& c : r.crossings) {
        const int32_t field = 2 * (c.frame - 1) + c.field;
        ASSERT_TRUE(rec.Draw_field(field, picture)) << "lane " << c.lane;
        EXPECT_EQ(rec.Field_To_Show(), c.field);
        EXPECT_EQ(rec.Frame_in_store(), c.frame);
        EXPECT_EQ(rec.Multi_TimeStamp(1), c.race_time) << "lane " << c.lane;
    }
}

TEST_F(Demo_heat, BadOptionsAreRefused)
{
    EXPECT_THROW(demo::Make_demo_heat(path, {.lanes = 17}), std::runtime_error);
    EXPECT_THROW(demo::Make_demo_heat(path, {.lanes = 6, .seconds = 1}), std::runtime_error);
    test::Write_file(path, "x");
    try {
        demo::Make_demo_heat(path, {.lanes = 2});
        ADD_FAILURE() << "made over an existing file";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("File already exists!"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace wk
