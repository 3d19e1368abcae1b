// The viewer driven through real mouse events and its menus through the menu bar: the rotated
// view, the recording's rotation entries and the time-behind label.
#include "services/Module_utilities.h"
#include "tests/support/Real_input.h"
#include "tests/viewer/Viewer_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QTest>

namespace wk {
namespace {

using test::Choose;
using test::Heat_setup;

class Viewer_input : public test::Viewer_window {
protected:
    QImage Picture() { return Viewer().Picture_large->Image().convertToFormat(QImage::Format_RGB32); }
    bool Choose(QAction* item) { return test::Choose(Viewer().menu_bar, item); }
    std::string Heat(const Heat_setup& s = {})
    {
        const std::string path = Make_heat("Heat1.qs2", s);
        EXPECT_TRUE(Open(path));
        Viewer().show();
        return path;
    }
};

TEST_F(Viewer_input, ShowRotatedTurnsThePictureAndBackRestoresTheOverlay)
{
    Heat();
    Viewer().Slider_play->setValue(5);
    Viewer().Slider_play_Scroll();
    const QImage with_marks = Picture();
    // The plain field: goal line and lane marks switched off with the mouse.
    QTest::mouseClick(Viewer().Chk_Show_Goalline, Qt::LeftButton);
    QTest::mouseClick(Viewer().Chk_Show_lanemarks, Qt::LeftButton);
    const QImage plain = Picture();
    ASSERT_NE(plain, with_marks);

    ASSERT_TRUE(Choose(Viewer().item_rotated));
    ASSERT_TRUE(Viewer().item_rotated->isChecked());
    const QImage turned = Picture();
    ASSERT_EQ(turned.size(), QSize(576, 720));
    EXPECT_EQ(turned, plain.transformed(QTransform().rotate(90)));

    ASSERT_TRUE(Choose(Viewer().item_rotated));
    EXPECT_EQ(Picture(), plain);
    QTest::mouseClick(Viewer().Chk_Show_Goalline, Qt::LeftButton);
    QTest::mouseClick(Viewer().Chk_Show_lanemarks, Qt::LeftButton);
    EXPECT_EQ(Picture(), with_marks);

    // Round and back with the overlay on: the lane marks and their numbers come back as they were.
    ASSERT_TRUE(Choose(Viewer().item_rotated));
    ASSERT_TRUE(Choose(Viewer().item_rotated));
    EXPECT_EQ(Picture(), with_marks);
}

TEST_F(Viewer_input, TheRecordingsRotationReadsBackAtOnceAndASecondToggleUndoesTheFirst)
{
    const std::string path = Heat();
    ASSERT_FALSE(g_Recording->rotated());
    ASSERT_TRUE(Choose(Viewer().item_toggle_rotated));
    EXPECT_TRUE(g_Recording->rotated());
    EXPECT_NE(Viewer().Properties_text().find("Rotated = True"), std::string::npos);
    EXPECT_EQ(Series_picture_grid(10000, g_Recording->rotated(), 8, 5000).columns,
              Series_picture_grid(10000, true, 8, 5000).columns);
    ASSERT_TRUE(Choose(Viewer().item_toggle_rotated));
    EXPECT_FALSE(g_Recording->rotated());
    EXPECT_NE(Viewer().Properties_text().find("Rotated = False"), std::string::npos);

    ASSERT_TRUE(Choose(Viewer().item_rot_true));
    EXPECT_TRUE(g_Recording->rotated());
    ASSERT_TRUE(Choose(Viewer().item_rot_true)); // twice stays rotated
    EXPECT_TRUE(g_Recording->rotated());
    {
        cls_AVI_handler again; // and the file says so too
        ASSERT_TRUE(again.Open_File(path));
        EXPECT_TRUE(again.rotated());
    }
    ASSERT_TRUE(Choose(Viewer().item_rot_false));
    EXPECT_FALSE(g_Recording->rotated());
}

TEST_F(Viewer_input, AClickOnTheTimeBehindLabelMakesTheShownFieldTheReference)
{
    Heat();
    Viewer().Slider_play->setValue(3);
    Viewer().Slider_play_Scroll();
    const std::string at_three = Viewer().Lbl_delta_time->text().toStdString();
    QTest::mouseClick(Viewer().Lbl_delta_time, Qt::LeftButton);
    EXPECT_NE(Viewer().Lbl_delta_time->text().toStdString(), at_three);
    EXPECT_EQ(Viewer().Lbl_delta_time->text(), QString::fromStdString(Display_Mill_Time(0, false)));
    // Four fields on are 80 ms behind the reference; an earlier field is before it.
    Viewer().Slider_play->setValue(7);
    Viewer().Slider_play_Scroll();
    EXPECT_EQ(Viewer().Lbl_delta_time->text(), QString::fromStdString(Display_Mill_Time(80, false)));
    Viewer().Slider_play->setValue(1);
    Viewer().Slider_play_Scroll();
    EXPECT_EQ(Viewer().Lbl_delta_time->text(), "---");
}

} // namespace
} // namespace wk
