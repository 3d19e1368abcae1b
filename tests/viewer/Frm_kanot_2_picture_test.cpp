// What the operator sees after a step, pixel for pixel: the viewer's picture (field, overlay with
// goal line, lane marks and finish colours, camera data) and the field pictures the recording
// object paints, compared with sums of the pictures the drawing gave before it was made faster.
//
// The sums below were printed by this file's own code (WK_PRINT_PICTURE_SUMS=1) running on the
// drawing as it stood before the step path was sped up (commit a73a83f of this repository): the
// picture of every step of each road, its rows' pixels summed with FNV-1a. A faster drawing must
// give the same sums; a change of what is shown must change them on purpose.
#include "tests/viewer/Viewer_fixture.h"
#include "services/Module_utilities.h"
#include "tools/Demo_heat.h"
#include "viewer/Cls_lane.h"
#include "viewer/Lane_results.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace wk {
namespace {

namespace fs = std::filesystem;

// FNV-1a over the visible bytes of every row.
uint64_t Picture_sum(const QImage& image)
{
    const int row_bytes = image.width() * image.depth() / 8;
    uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* p = image.constScanLine(y);
        for (int x = 0; x < row_bytes; ++x) {
            h ^= p[x];
            h *= 1099511628211ull;
        }
    }
    return h;
}

uint64_t Text_sum(uint64_t h, const QString& text)
{
    for (QChar c : text) {
        h ^= c.unicode();
        h *= 1099511628211ull;
    }
    return h;
}

bool Printing() { return std::getenv("WK_PRINT_PICTURE_SUMS") != nullptr; }

// Compares the sums a road gave with the expected ones, or prints them when asked to.
void Expect_sums(const char* road, const std::vector<uint64_t>& got, const std::vector<uint64_t>& expected)
{
    if (Printing()) {
        std::printf("%s:", road);
        for (uint64_t s : got) std::printf(" 0x%016llxull,", (unsigned long long)s);
        std::printf("\n");
        return;
    }
    ASSERT_EQ(got.size(), expected.size()) << road;
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << road << ", step " << i;
}

class Viewer_picture : public test::Viewer_window {
protected:
    demo::Result Make_demo(bool rotated = false)
    {
        const demo::Result r = demo::Make_demo_heat(path, {.lanes = 6});
        if (rotated) {
            cls_AVI_handler rec;
            EXPECT_TRUE(rec.Open_File(path));
            EXPECT_TRUE(rec.rotated(true));
        }
        return r;
    }
    void Step(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(Viewer().Slider_play, key, modifiers);
        QCoreApplication::processEvents(); // the step's Scroll is posted
    }
    // The picture and the labels that go with it.
    uint64_t Shown_sum()
    {
        uint64_t h = Picture_sum(Viewer().Picture_large->Image());
        for (QLabel* l : {Viewer().Lbl_frameno, Viewer().Lbl_elapsed_time, Viewer().Lbl_delta_time,
                          Viewer().Lbl_cam_time, Viewer().Lbl_exp_time})
            h = Text_sum(h, l->text());
        return h;
    }
    std::string path = (home.path() / "DemoHeat1.qs2").string();
};

// Stepping forward field by field, across a crossing, back again, and two frames at a time.
TEST_F(Viewer_picture, StepsThroughADemoHeatShowWhatTheyAlwaysShowed)
{
    const demo::Result heat = Make_demo();
    ASSERT_TRUE(Open(path));
    Viewer().Slider_play->setFocus();
    const demo::Crossing& c = heat.crossings[1];
    Viewer().Slider_play->setValue(2 * (c.frame - 1) + c.field - 3);
    Viewer().Slider_play_Scroll();
    std::vector<uint64_t> sums{Shown_sum()};
    for (int i = 0; i < 6; ++i) {
        Step(Qt::Key_Right);
        sums.push_back(Shown_sum());
    }
    for (int i = 0; i < 3; ++i) {
        Step(Qt::Key_Left);
        sums.push_back(Shown_sum());
    }
    Step(Qt::Key_Right, Qt::ControlModifier);
    sums.push_back(Shown_sum());
    Expect_sums("upright", sums,
                {0xa46cc62140493cfbull, 0xbf86e79ed7a68ef0ull, 0x20f9b75e46fe8fe0ull, 0xc74173bec18f0f36ull,
                 0xd4ae2daf278723c6ull, 0x972cedac6151d282ull, 0xf42db7026b50d22eull, 0x972cedac6151d282ull,
                 0xd4ae2daf278723c6ull, 0xc74173bec18f0f36ull, 0x11c7f77c2b19f62cull});
    EXPECT_TRUE(reports.reports.empty());
}

// Finish clicks colour the marks; the camera data is printed over the picture when asked for.
TEST_F(Viewer_picture, MarksWithResultsAndTheCameraDataLookAsTheyAlwaysDid)
{
    const demo::Result heat = Make_demo();
    ASSERT_TRUE(Open(path));
    std::vector<uint64_t> sums;
    platform::Set_key_down('S', true);
    for (size_t i = 0; i < 3; ++i) {
        const demo::Crossing& c = heat.crossings[i];
        Viewer().Slider_play->setValue(2 * (c.frame - 1) + c.field);
        Viewer().Slider_play_Scroll();
        const Cls_lane& mark = *g_Lanes[size_t(c.lane - 1)];
        Viewer().Picture_large_MouseDown(1, 0, float(mark.X()), float(mark.Y()));
        Viewer().Picture_large_MouseUp(1, 0, 0, 0);
        sums.push_back(Shown_sum());
    }
    platform::Set_key_down('S', false);
    Viewer().item_display_metadata->setChecked(true);
    Viewer().Slider_play->setFocus();
    Step(Qt::Key_Right);
    sums.push_back(Shown_sum());
    Step(Qt::Key_Right);
    sums.push_back(Shown_sum());
    // Every test draws text as a fresh process does (the test programs' reset drops Qt's font
    // engines, which draw a glyph they drew before a few pixels differently).
    Expect_sums("results", sums,
                {0x89ce8803901aa8a3ull, 0x2dab8b7518d39ed3ull, 0x2970f8818e0ee3c4ull, 0x6ba134640fa6b548ull,
                 0x15bf9741fea54ed3ull});
    EXPECT_TRUE(reports.reports.empty());
}

// A heat shown turned by 90 degrees.
TEST_F(Viewer_picture, TurnedPicturesLookAsTheyAlwaysDid)
{
    Make_demo(true);
    ASSERT_TRUE(Open(path));
    ASSERT_TRUE(Viewer().Rotated());
    Viewer().Slider_play->setFocus();
    std::vector<uint64_t> sums{Shown_sum()};
    for (int i = 0; i < 3; ++i) {
        Step(Qt::Key_Right);
        sums.push_back(Shown_sum());
    }
    Expect_sums("turned", sums,
                {0x94dc597f38f7b880ull, 0x460be7af7254bde9ull, 0x4c8b3bc0d8ea9b60ull, 0x51a56254d9b35a9full});
    EXPECT_TRUE(reports.reports.empty());
}

// What is kept between steps follows the header and the overlay: a new heat start and a goal line
// taken away show on the next step.
TEST_F(Viewer_picture, AChangedStartAndOverlayShowOnTheNextStep)
{
    const demo::Result heat = Make_demo();
    ASSERT_TRUE(Open(path));
    Viewer().Slider_play->setFocus();
    Step(Qt::Key_Right);
    const QString elapsed = Viewer().Lbl_elapsed_time->text();
    const QRgb goal = Viewer().Picture_large->Image().pixel(heat.goal_x, 5);
    EXPECT_EQ(goal, qRgb(255, 255, 255));

    g_Recording->Start_PC_mill(1, heat.heat_start - 1000); // a second earlier
    Step(Qt::Key_Left);
    Step(Qt::Key_Right);
    EXPECT_NE(Viewer().Lbl_elapsed_time->text(), elapsed);
    EXPECT_EQ(Viewer().Lbl_elapsed_time->text().toStdString(),
              Display_Mill_Time(g_Recording->Multi_TimeStamp(1), false));

    QTest::mouseClick(Viewer().Chk_Show_Goalline, Qt::LeftButton);
    ASSERT_FALSE(g_Goalline_shown);
    Step(Qt::Key_Right);
    Step(Qt::Key_Left);
    EXPECT_NE(Viewer().Picture_large->Image().pixel(heat.goal_x, 5), goal);
    EXPECT_TRUE(reports.reports.empty());
}

// The recording object's own pictures: fields into 32-bit and 24-bit pictures and into its field
// picture, whole frames, both fields of a frame in turn and backwards.
TEST_F(Viewer_picture, TheRecordingPaintsFieldsAndFramesAsItAlwaysDid)
{
    Make_demo();
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    QImage rgb32(720, 576, QImage::Format_RGB32), bgr888(720, 576, QImage::Format_BGR888);
    rgb32.fill(Qt::darkGray);
    bgr888.fill(Qt::darkGray);
    platform::Draw_surface on_rgb32(&rgb32), on_bgr888(&bgr888);
    std::vector<uint64_t> sums;
    for (int32_t field : {41, 42, 43, 44, 42, 41, 39}) {
        ASSERT_TRUE(rec.Draw_field_3(field, on_rgb32));
        sums.push_back(Picture_sum(rgb32));
        ASSERT_TRUE(rec.Draw_field_3(field, on_bgr888));
        sums.push_back(Picture_sum(bgr888));
        sums.push_back(Picture_sum(rec.Field_DIB(1)->hDC()->Image_copy()));
    }
    for (int32_t frame : {20, 21, 19}) {
        int32_t f = frame;
        ASSERT_TRUE(rec.Draw_frame(f, on_rgb32));
        sums.push_back(Picture_sum(rgb32));
    }
    Expect_sums("recording", sums,
                {0x249dca33dbff24cbull, 0x7c09ce9ad6f34153ull, 0x249dca33dbff24cbull, 0x48348e98d87a3327ull,
                 0x46523b9303743dbbull, 0x48348e98d87a3327ull, 0xf93189dcc72a4c27ull, 0x718828751581eab7ull,
                 0xf93189dcc72a4c27ull, 0x9111488162f8b0bfull, 0xad274d0f690fa70bull, 0x9111488162f8b0bfull,
                 0x48348e98d87a3327ull, 0x46523b9303743dbbull, 0x48348e98d87a3327ull, 0x249dca33dbff24cbull,
                 0x7c09ce9ad6f34153ull, 0x249dca33dbff24cbull, 0xb6f773460d09b37bull, 0x5b2d0d35499e2027ull,
                 0xb6f773460d09b37bull, 0x318a2c3e7a668e77ull, 0x8d2d29b9347d713cull, 0x32e6213edca0226aull});
}

} // namespace
} // namespace wk
