// The viewer's labels under the crew's mouse and keys: the lane-result box beside a lane mark and
// its way back to the lane's finish, the frame number's caption with Ctrl, a click on the window's
// background, and the heat-time labels marathon mode greys.
#include "platform/Key_event_filter.h"
#include "tests/support/Real_input.h"
#include "tests/viewer/Viewer_fixture.h"
#include "viewer/Cls_lane.h"
#include "viewer/Lane_results.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <cstdlib>
#include <vector>

namespace wk {
namespace {

using test::Heat_setup;

class Viewer_labels : public test::Viewer_window {
protected:
    // A locked heat of 40 frames shown on the screen. Lane 2 is first (1,23 s, finish at field
    // 61), lane 3 second (1,43 s, field 71), lane 4 disqualified, lane 1 did not finish.
    std::string Open_heat()
    {
        Heat_setup s;
        s.frames = 40;
        s.locked = true;
        const std::string path = Make_heat("Heat1.qs2", s);
        Store_results(path, {{2, 1230, 5000, 61}, {3, 1430, 5100, 71}, {4, Time_DSQ, 5200, 0}, {1, Time_DNF, 5300, 0}});
        EXPECT_TRUE(Open(path));
        Viewer().show();
        return path;
    }
    // Lane mark of lane n: centre (100 + 40 n, 60 + 100 n).
    const Cls_lane& Mark(int lane) { return *g_Lanes[size_t(lane - 1)]; }
    void Click_lane(int lane, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(Viewer().Picture_large, button, Qt::NoModifier, QPoint(Mark(lane).X(), Mark(lane).Y()));
    }
    void Step_to(int field)
    {
        Viewer().Slider_play->setValue(field);
        Viewer().Slider_play_Scroll();
    }
    // The result box in picture pixels.
    QRect Box() { return Viewer().Pict_lane_result->geometry().translated(-Viewer().Picture_large->pos()); }
    QString Result() { return Viewer().Lbl_lane_result->text(); }
    bool Box_shown() { return Viewer().Pict_lane_result->isVisible(); }
    QString Frame_number() { return Viewer().Lbl_frameno->text(); }
    // The rows of the picture the lane's mark covers: where the lane's boat passes.
    QRect Lane_row(int lane)
    {
        const Cls_lane::Box m = Mark(lane).Mark_box();
        return {0, m.top, Viewer().Picture_large->width(), m.bottom - m.top};
    }
};

TEST_F(Viewer_labels, APlacedLanesResultShowsBesideItsMarkAndItsLabelGoesBackToTheFinish)
{
    Open_heat();
    Click_lane(3);
    EXPECT_EQ(Frame_number(), "0071");
    ASSERT_TRUE(Box_shown());
    EXPECT_EQ(Result(), "Place: 2 Time : 1,43");
    // Near the mark, off its lane, on the picture, the whole text seen.
    const QRect box = Box();
    EXPECT_FALSE(box.intersects(Lane_row(3)));
    EXPECT_TRUE(Viewer().Picture_large->rect().contains(box));
    EXPECT_GE(Viewer().Lbl_lane_result->width(), Viewer().Lbl_lane_result->sizeHint().width());
    EXPECT_TRUE(Box().contains(Viewer().Lbl_lane_result->geometry().translated(box.topLeft())));

    // The click's lane is forgotten when the button comes up; the box still knows its lane.
    EXPECT_EQ(g_Hit_Lane_number, -1);
    Step_to(5);
    QTest::mouseClick(Viewer().Lbl_lane_result, Qt::LeftButton);
    EXPECT_EQ(Viewer().Slider_play->value(), 71);
    EXPECT_EQ(Frame_number(), "0071");
    EXPECT_EQ(Viewer().focusWidget(), Viewer().Slider_play);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Viewer_labels, AWideHeatShowsSixteenByNineTheCheckMarkSaysWhatIsShownAndTheBoxStaysOnThePicture)
{
    const struct {
        const char* name;
        bool wide, recorded_turned;
        QSize upright, turned; // the picture as shown
    } cases[] = {
        {"4:3", false, false, {720, 576}, {576, 720}},
        {"16:9", true, false, {720, 405}, {405, 720}},
        {"16:9 recorded turned", true, true, {720, 405}, {405, 720}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Heat_setup s;
        s.frames = 40;
        s.locked = true;
        s.wide = c.wide;
        s.rotated = c.recorded_turned;
        const std::string path = Make_heat(std::string("Heat_") + (c.wide ? "w" : "n") + (c.recorded_turned ? "t" : "u") + ".qs2", s);
        Store_results(path, {{2, 1230, 5000, 61}, {3, 1430, 5100, 71}});
        ASSERT_TRUE(Open(path));
        Viewer().show();
        const auto shown = [&] { return Viewer().Picture_large->size(); };
        // Opened as recorded, and the check mark says so.
        EXPECT_EQ(Viewer().item_rotated->isChecked(), c.recorded_turned);
        EXPECT_EQ(shown(), c.recorded_turned ? c.turned : c.upright);
        EXPECT_EQ(QSize(Viewer().Picture_large->Scale_width(), Viewer().Picture_large->Scale_height()),
                  c.recorded_turned ? QSize(576, 720) : QSize(720, 576));
        // A click on the lane's mark where the picture shows it.
        const QPoint at(Mark(3).X() * shown().width() / Viewer().Picture_large->Scale_width(),
                        Mark(3).Y() * shown().height() / Viewer().Picture_large->Scale_height());
        QTest::mouseClick(Viewer().Picture_large, Qt::LeftButton, Qt::NoModifier, at);
        ASSERT_TRUE(Box_shown());
        EXPECT_TRUE(Viewer().Picture_large->rect().contains(Box()));
        // Turned the other way: the box goes with the marks, which no longer lie on the picture.
        ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_rotated));
        EXPECT_EQ(Viewer().item_rotated->isChecked(), !c.recorded_turned);
        EXPECT_EQ(shown(), c.recorded_turned ? c.upright : c.turned);
        EXPECT_TRUE(!Box_shown() || Viewer().Picture_large->rect().contains(Box()));
        ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_rotated));
        EXPECT_EQ(Viewer().item_rotated->isChecked(), c.recorded_turned);
        EXPECT_EQ(shown(), c.recorded_turned ? c.turned : c.upright);
        Viewer().item_close_Click();
    }
}

TEST_F(Viewer_labels, CodesShowInWordsAndALaneWithoutAFinishStaysWhereTheViewerIs)
{
    Open_heat();
    Step_to(20);
    Click_lane(4);
    ASSERT_TRUE(Box_shown());
    EXPECT_EQ(Result(), "Disqualified");
    EXPECT_EQ(Frame_number(), "0020");
    QTest::mouseClick(Viewer().Lbl_lane_result, Qt::LeftButton);
    EXPECT_EQ(Frame_number(), "0020"); // no finish field: not the first field either
    Click_lane(1);
    EXPECT_EQ(Result(), "Did not finish");
    Click_lane(2);
    EXPECT_EQ(Result(), "Place: 1 Time : 1,23");
    EXPECT_EQ(Frame_number(), "0061");
}

TEST_F(Viewer_labels, TheBoxStaysOffTheLanesRowTheGoalLineAndTheMarkInsideThePicture)
{
    // The heat's goal line runs down the picture at x = 300; lane 3's mark is moved per case.
    struct Case {
        const char* name;
        QPoint mark;
        bool flipped;
        bool above;
    };
    const std::vector<Case> cases = {
        {"left of the goal line", {220, 360}, false, true},   {"right of the goal line", {420, 360}, false, true},
        {"on the goal line", {300, 360}, false, true},        {"on it, trails flipped", {300, 360}, true, true},
        {"at the picture's top", {300, 14}, false, false},    {"at the picture's left edge", {14, 300}, false, true},
        {"at the right edge", {706, 300}, false, true},       {"in the bottom corner", {706, 562}, false, true},
    };
    Open_heat();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (Viewer().Chk_Flip_Lanemarks->isChecked() != c.flipped)
            QTest::mouseClick(Viewer().Chk_Flip_Lanemarks, Qt::LeftButton);
        g_Lanes[2]->Lane_pos_X(c.mark.x());
        g_Lanes[2]->Lane_pos_Y(c.mark.y());
        Viewer().Draw_Graphics(true, false);
        Click_lane(3);
        ASSERT_TRUE(Box_shown());
        const QRect box = Box();
        EXPECT_TRUE(Viewer().Picture_large->rect().contains(box));
        EXPECT_FALSE(box.intersects(Lane_row(3)));
        EXPECT_TRUE(box.right() < 300 || box.left() > 300) << "the box crosses the goal line";
        EXPECT_EQ(box.bottom() < c.mark.y(), c.above);
        // As near the mark as that allows: never farther than the box's own width beside the line.
        EXPECT_LE(std::abs(box.center().x() - c.mark.x()), std::max(box.width(), std::abs(c.mark.x() - 300) + 20));
    }
}

TEST_F(Viewer_labels, TheBoxGoesAwayForTheResultMenuAClickOffTheLanesAndTheClose)
{
    Open_heat();
    Click_lane(3);
    ASSERT_TRUE(Box_shown());
    Click_lane(2, Qt::RightButton);
    EXPECT_TRUE(Viewer().menu_Result->isVisible());
    EXPECT_FALSE(Box_shown());
    Viewer().menu_Result->hide();

    Click_lane(3);
    ASSERT_TRUE(Box_shown());
    QTest::mouseClick(Viewer().Picture_large, Qt::LeftButton, Qt::NoModifier, QPoint(600, 40));
    EXPECT_FALSE(Box_shown());
    EXPECT_EQ(Viewer().Lane_result_lane(), -1);

    Click_lane(3);
    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_close));
    EXPECT_FALSE(Box_shown());
}

TEST_F(Viewer_labels, APressOnTheBoxBesideItsTextActsOnThePictureUnderneath)
{
    Open_heat();
    Click_lane(3);
    const QRect box = Box();
    // The box's border: the press reaches the picture at the same point, where no lane is.
    QTest::mouseClick(Viewer().Pict_lane_result, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    EXPECT_EQ(g_Mouse_down_X, box.left() + 1);
    EXPECT_EQ(g_Mouse_down_Y, box.top() + 1);
    EXPECT_FALSE(Box_shown());
}

TEST_F(Viewer_labels, TheBoxFollowsTheResultsWhenTheyChangeElsewhere)
{
    const std::string path = Open_heat();
    Click_lane(3);
    ASSERT_EQ(Result(), "Place: 2 Time : 1,43");
    // A start corrected by +0,20 s in the recording: the times shown are 0,20 s shorter.
    g_Recording->Heat_Start_Correction(1, 200);
    Viewer().Complete_Result_Array();
    EXPECT_EQ(Result(), "Place: 2 Time : 1,23");
    // All results cleared (the results window's command): nothing left to show.
    Clear_All_Results();
    EXPECT_FALSE(Box_shown());
}

TEST_F(Viewer_labels, TheFieldCaptionWithCtrlRunsTheMisbehaveEntryAndWithoutItNothing)
{
    platform::Install_key_event_filter();
    Open_heat();
    QSignalSpy misbehave(Viewer().item_misbehave, &QAction::triggered);
    QTest::mouseClick(Viewer().Label3, Qt::LeftButton);
    EXPECT_EQ(misbehave.count(), 0);
    QTest::keyPress(&Viewer(), Qt::Key_Control);
    QTest::mouseClick(Viewer().Label3, Qt::LeftButton, Qt::ControlModifier);
    QTest::keyRelease(&Viewer(), Qt::Key_Control);
    EXPECT_EQ(misbehave.count(), 1);
    // It divides zero by five under its error handler: nothing is shown, nothing reported.
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(reports.reports.empty());
    QTest::mouseClick(Viewer().Label3, Qt::LeftButton);
    EXPECT_EQ(misbehave.count(), 1);
}

TEST_F(Viewer_labels, AClickOnTheWindowItselfGivesTheSliderTheFocusAndOneOnALabelDoesNot)
{
    Open_heat();
    QWidget* background = Viewer().Picture_large->parentWidget();
    const QPoint gap(Viewer().Picture_large->geometry().right() + 4, 4);
    ASSERT_EQ(background->childAt(gap), nullptr);
    Viewer().Cmd_play->setFocus();
    ASSERT_EQ(Viewer().focusWidget(), Viewer().Cmd_play);
    QTest::mouseClick(Viewer().Label5, Qt::LeftButton);
    EXPECT_EQ(Viewer().focusWidget(), Viewer().Cmd_play);
    QTest::mouseClick(background, Qt::LeftButton, Qt::NoModifier, gap);
    EXPECT_EQ(Viewer().focusWidget(), Viewer().Slider_play);
}

TEST_F(Viewer_labels, MarathonModeGreysAllSixHeatTimeLabelsAndGivesThemBack)
{
    Open_heat();
    const std::vector<QLabel*> labels{Viewer().Lbl_elapsed_time, Viewer().Lbl_delta_time, Viewer().Label5,
                                      Viewer().Label6,           Viewer().lbl_starttime,  Viewer().Label_start_time};
    for (const char* name : {"Label5", "Label6", "lbl_starttime"})
        EXPECT_NE(Viewer().findChild<QLabel*>(name), nullptr) << name;
    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_Marathon));
    for (QLabel* l : labels) EXPECT_FALSE(l->isEnabled()) << l->objectName().toStdString();
    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_Marathon));
    for (QLabel* l : labels) EXPECT_TRUE(l->isEnabled()) << l->objectName().toStdString();
}

} // namespace
} // namespace wk
