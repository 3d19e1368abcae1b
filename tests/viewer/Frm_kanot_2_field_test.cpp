// The field the viewer shows under the crew's hands: whichever way it was reached (Step forward,
// the slider's keys, Play every field), a finish click stores that field
// and its time; marks the turned picture does not show take no clicks.
#include "platform/Key_event_filter.h"
#include "tests/support/Real_input.h"
#include "tests/support/Whole_text.h"
#include "tests/viewer/Viewer_fixture.h"
#include "viewer/Cls_lane.h"
#include "viewer/Lane_results.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <functional>
#include <vector>

namespace wk {
namespace {

using test::Heat_setup;

class Viewer_field : public test::Viewer_window {
protected:
    void SetUp() override
    {
        test::Viewer_window::SetUp();
        platform::Install_key_event_filter();
    }
    // A locked heat of 40 frames: frame k is stamped 100000 + 40 k, the heat started at 100000.
    std::string Open_heat(bool locked = true)
    {
        Heat_setup s;
        s.frames = 40;
        s.locked = locked;
        path = Make_heat("Heat1.qs2", s);
        EXPECT_TRUE(Open(path));
        Viewer().show();
        return path;
    }
    bool Choose(QAction* item) { return test::Choose(Viewer().menu_bar, item); }
    // Lane mark i (1-based): lane number i, centre (100 + 40 i, 60 + 100 i).
    static QPoint Mark(int lane) { return {100 + 40 * lane, 60 + 100 * lane}; }
    void Click_with_S(int lane, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::keyPress(Viewer().Picture_large, Qt::Key_S);
        QTest::mouseClick(Viewer().Picture_large, button, Qt::NoModifier, Mark(lane));
        QTest::keyRelease(Viewer().Picture_large, Qt::Key_S);
    }
    int Shown() { return Viewer().Lbl_frameno->text().toInt(); }
    int32_t Stored(int16_t lane, bool goal_field)
    {
        QCoreApplication::processEvents(); // the header is written once the click is shown
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path));
        return goal_field ? rec.Heat_Goalfield(1, lane) : rec.Heat_time(1, lane);
    }
    // The race time of field n as the fixture stamps it.
    static int32_t Race_time(int n) { return 40 * ((n + 1) / 2) - 10 + (n % 2 == 0 ? 20 : 0); }
    void Go_to(int field)
    {
        Viewer().Slider_play->setValue(field);
        Viewer().Slider_play_Scroll();
    }

    std::string path;
};

struct Move_case {
    const char* name;
    std::function<void(Frm_kanot_2&)> move;
    int expected_field;
};

TEST_F(Viewer_field, AFinishClickStoresTheShownFieldAndItsTimeHoweverTheFieldWasReached)
{
    const std::vector<Move_case> cases = {
        {"Step forward twice", [](Frm_kanot_2& v) {
             ASSERT_TRUE(test::Choose(v.menu_bar, v.item_step_forward));
             ASSERT_TRUE(test::Choose(v.menu_bar, v.item_step_forward));
         }, 72},
        {"the slider's Right key three times", [](Frm_kanot_2& v) {
             for (int i = 0; i < 3; ++i) QTest::keyClick(v.Slider_play, Qt::Key_Right);
         }, 73},
        {"the slider's Left key", [](Frm_kanot_2& v) { QTest::keyClick(v.Slider_play, Qt::Key_Left); }, 69},
        {"the slider's End key", [](Frm_kanot_2& v) { QTest::keyClick(v.Slider_play, Qt::Key_End); }, 80},
    };
    Open_heat();
    int16_t lane = 0; // a lane of its own for each case
    for (const Move_case& c : cases) {
        SCOPED_TRACE(c.name);
        ++lane;
        Go_to(70);
        c.move(Viewer());
        QCoreApplication::processEvents();
        ASSERT_EQ(Viewer().Slider_play->value(), c.expected_field);
        EXPECT_EQ(Shown(), c.expected_field);
        Click_with_S(lane);
        EXPECT_EQ(Stored(lane, true), c.expected_field);
        EXPECT_EQ(Stored(lane, false), Race_time(c.expected_field));
        // The jump to the lane's finish shows the very field the time came from.
        Go_to(5);
        QTest::mouseClick(Viewer().Picture_large, Qt::LeftButton, Qt::NoModifier, Mark(lane));
        EXPECT_EQ(Shown(), c.expected_field);
        EXPECT_EQ(Viewer().Slider_play->value(), c.expected_field);
    }
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Viewer_field, WhileTheCameraRunsTheSliderStaysOnTheShownFieldAndAClickStoresThatField)
{
    const std::vector<Move_case> cases = {
        {"Step forward", [](Frm_kanot_2& v) { ASSERT_TRUE(test::Choose(v.menu_bar, v.item_step_forward)); }, 0},
        {"the slider's Right key", [](Frm_kanot_2& v) {
             for (int i = 0; i < 10; ++i) QTest::keyClick(v.Slider_play, Qt::Key_Right);
         }, 0},
        {"Play every field", [](Frm_kanot_2& v) { ASSERT_TRUE(test::Choose(v.menu_bar, v.item_play_deinterlaced)); }, 0},
    };
    Open_heat();
    Go_to(60);
    g_Capture_running = true;
    for (const Move_case& c : cases) {
        SCOPED_TRACE(c.name);
        c.move(Viewer());
        QCoreApplication::processEvents();
        EXPECT_EQ(Viewer().Slider_play->value(), 60);
        EXPECT_EQ(Shown(), 60);
    }
    Click_with_S(3);
    EXPECT_EQ(Stored(3, true), 60);
    EXPECT_EQ(Stored(3, false), Race_time(60));
    g_Capture_running = false;
    ASSERT_TRUE(Choose(Viewer().item_step_forward));
    EXPECT_EQ(Shown(), 61);
}

TEST_F(Viewer_field, TheCameraNoteIsWholeAndGoesWhenTheCrewComesBackFromStoppingTheCamera)
{
    Open_heat();
    Go_to(60);
    QLabel* note = Viewer().Lbl_camera_running;
    g_Capture_running = true;
    QTest::keyClick(Viewer().Slider_play, Qt::Key_Right);
    QCoreApplication::processEvents();
    ASSERT_TRUE(note->isVisible());
    EXPECT_TRUE(test::Whole_text(note)) << "the note's last words are cut off";
    EXPECT_TRUE(Viewer().Frm_play->rect().contains(note->geometry()));
    EXPECT_FALSE(note->geometry().intersects(Viewer().Cmd_play->geometry()));
    // Stopped in the capture window; the viewer is the active window again.
    g_Capture_running = false;
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QApplication::setActiveWindow(&Viewer());
    QCoreApplication::processEvents();
    EXPECT_FALSE(note->isVisible());
}

TEST_F(Viewer_field, PlayEveryFieldShowsEachFieldInTurnAtHalfAFramesTimeAndAKeyStopsIt)
{
    struct Case {
        const char* name;
        int key_at; // the field at which a key goes down; 0 for none
        int last_field;
    };
    // A key seen after a field's wait: the next field is drawn, then playing stops.
    const std::vector<Case> cases = {{"to the end", 0, 80}, {"a key at field 9", 9, 10}};
    Open_heat();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int> seen;
        clock.sleeps.clear();
        clock.on_sleep = [&] {
            seen.push_back(Shown());
            if (Shown() == c.key_at) platform::Set_key_down('A', true);
        };
        ASSERT_TRUE(Choose(Viewer().item_play_deinterlaced));
        clock.on_sleep = nullptr;
        platform::Set_key_down('A', false);
        std::vector<int> every;
        for (int f = 1; f <= (c.key_at ? c.key_at : c.last_field); ++f) every.push_back(f);
        EXPECT_EQ(seen, every);
        // 40 ms frames: a field every 20 ms, the first one at once.
        EXPECT_EQ(clock.sleeps, std::vector<int32_t>(every.size(), 20));
        EXPECT_EQ(Shown(), c.last_field);
        EXPECT_EQ(Viewer().Slider_play->value(), c.last_field);
        EXPECT_TRUE(Viewer().item_play_deinterlaced->isEnabled());
    }
}

TEST_F(Viewer_field, MarksTheTurnedPictureDoesNotShowTakeNoClicks)
{
    struct Case {
        const char* name;
        Qt::MouseButton button;
    };
    const std::vector<Case> cases = {{"S with the left button", Qt::LeftButton},
                                     {"S with the right button", Qt::RightButton}};
    Open_heat();
    Store_results(path, {{2, 1230, 5000, 61}});
    Viewer().Complete_Result_Array();
    ASSERT_TRUE(Choose(Viewer().item_rotated));
    ASSERT_FALSE(Viewer().Marks_in_picture());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Go_to(30);
        Click_with_S(3, c.button);
        Click_with_S(2, c.button);
        EXPECT_EQ(Stored(3, false), 0);
        EXPECT_EQ(Stored(2, false), 1230);
        EXPECT_EQ(Shown(), 30); // no jump to lane 2's finish either
        EXPECT_FALSE(Viewer().menu_Result->isVisible());
        EXPECT_FALSE(Viewer().Pict_lane_result->isVisible());
    }
    // Shown again the marks take their clicks.
    ASSERT_TRUE(Choose(Viewer().item_rotated));
    Click_with_S(3);
    EXPECT_EQ(Stored(3, false), Race_time(30));
}

} // namespace
} // namespace wk
