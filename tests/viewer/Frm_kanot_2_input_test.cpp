// The viewer driven through real mouse events and its menus through the menu bar: the rotated
// view, the recording's rotation entries and the time-behind label.
#include "platform/Dialogs.h"
#include "platform/Screen_saver.h"
#include "services/Module_utilities.h"
#include "tests/support/Fake_screen_saver.h"
#include "tests/support/Real_input.h"
#include "tests/viewer/Viewer_fixture.h"
#include "viewer/Cls_lane.h"

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

TEST_F(Viewer_input, ClearAllLanesAsksFirstAndNoKeepsTheResults)
{
    Heat_setup locked;
    locked.locked = true;
    const std::string path = Make_heat("Heat1.qs2", locked);
    Store_results(path, {{2, 1230, 5000, 6}, {3, 1430, 5100, 8}});
    ASSERT_TRUE(Open(path));
    Viewer().show();
    auto stored = [&](int16_t lane) {
        QCoreApplication::processEvents(); // the header writes queued behind the paints
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path));
        return rec.Heat_time(1, lane);
    };
    // The result menu opens with a right click on a lane mark.
    auto clear_all = [&] {
        const Cls_lane& mark = *g_Lanes[2];
        QTest::mouseClick(Viewer().Picture_large, Qt::RightButton, Qt::NoModifier, QPoint(mark.X(), mark.Y()));
        return test::Click_entry(Viewer().menu_Result, Viewer().item_clear_ranks);
    };
    dialogs.Expect_message("Clear all results of this heat?", platform::vbNo);
    ASSERT_TRUE(clear_all());
    EXPECT_EQ(stored(2), 1230);
    EXPECT_EQ(stored(3), 1430);
    ASSERT_EQ(dialogs.styles.size(), 1u);
    EXPECT_EQ(dialogs.styles[0] & 0xF00, platform::vbDefaultButton2); // No is the default
    EXPECT_EQ(dialogs.styles[0] & 0xF, platform::vbYesNo);

    dialogs.Expect_message("Clear all results of this heat?", platform::vbYes);
    ASSERT_TRUE(clear_all());
    EXPECT_NE(stored(2), 1230);
    EXPECT_NE(stored(3), 1430);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Viewer_input, FixedLocalHeatStartShowsTheNewStartAndAsksBeforeItOverwrites)
{
    const std::string path = Heat();
    const int32_t before = g_Recording->Start_local_Mill_Time(1);
    ASSERT_NE(before, 38793000);
    dialogs.Expect_message("10:46:33.000", platform::vbNo);
    ASSERT_TRUE(Choose(Viewer().itemLocalheatstart));
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_EQ(rec.Start_local_Mill_Time(1), before);
    }
    EXPECT_EQ(dialogs.styles.back() & 0xF00, platform::vbDefaultButton2);
    dialogs.Expect_message("10:46:33.000", platform::vbYes);
    ASSERT_TRUE(Choose(Viewer().itemLocalheatstart));
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Start_local_Mill_Time(1), 38793000);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Viewer_input, TheScreenStaysAwakeWhileARecordingIsOpenAndNotAfterItIsClosed)
{
    test::Fake_screen_saver saver;
    platform::Install_screen_saver_service(&saver);
    const std::string path = Heat();
    EXPECT_EQ(saver.inhibits, 1);
    EXPECT_TRUE(platform::Screen_awake_held());
    ASSERT_TRUE(Choose(Viewer().item_close));
    EXPECT_EQ(saver.released, std::vector<uint32_t>{41});
    EXPECT_FALSE(platform::Screen_awake_held());
    // Open again and leave the program: released at exit.
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(saver.inhibits, 2);
    platform::Release_screen_awake();
    EXPECT_EQ(saver.released, (std::vector<uint32_t>{41, 42}));
    platform::Install_screen_saver_service(nullptr);
}

TEST_F(Viewer_input, SaveLanesInTheDebugMenuLeavesTheRecordingAsItWas)
{
    const std::string path = Heat();
    // A lane mark dragged to a new place with the mouse (the lanes are not locked).
    const Cls_lane& mark = *g_Lanes[1];
    const QPoint from(mark.X(), mark.Y());
    QTest::mousePress(Viewer().Picture_large, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(Viewer().Picture_large, from + QPoint(60, 30));
    QTest::mouseRelease(Viewer().Picture_large, Qt::LeftButton, Qt::NoModifier, from + QPoint(60, 30));
    ASSERT_EQ(g_Lanes[1]->X(), from.x() + 60);
    const std::string before = test::Read_file(path);
    // The built program hides the debug menu; a development build shows it.
    ASSERT_FALSE(Viewer().menu_debug->menuAction()->isVisible());
    Viewer().menu_debug->menuAction()->setVisible(true);
    ASSERT_TRUE(Choose(Viewer().item_save_lanes));
    EXPECT_EQ(test::Read_file(path), before);
    EXPECT_TRUE(dialogs.shown.empty());
}

} // namespace
} // namespace wk
