#include "tests/capture/Preview_fixture.h"

#include "platform/Form_window.h"
#include "platform/Forms.h"
#include "services/graphics/cDIBSection.h"
#include "tests/support/Whole_text.h"
#include "viewer/Frm_kanot_2.h"
#include "viewer/Module_lanes.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include <cstring>

namespace wk::test {
namespace {

using platform::vbCancel;
using platform::vbNo;
using platform::vbOK;
using platform::vbYes;

int Grey(int32_t rgb) { return ((rgb & 0xFF) + ((rgb >> 8) & 0xFF) + ((rgb >> 16) & 0xFF)) / 3; }

bool Loaded(const std::string& name)
{
    for (platform::Form* f : platform::Loaded_forms())
        if (f->Form_name() == name) return true;
    return false;
}

class Preview_settings : public Preview_window {};
class Preview_mouse : public Preview_window {};
class Preview_closing : public Preview_window {
protected:
    // A stored goal line whose first end is then moved by 20 pixels each way.
    Frm_fullscreen& Move_the_stored_goal_line()
    {
        Setting("Goalline", "300,100,300,600");
        Frm_fullscreen& p = Preview();
        Drag(300, 100, 320, 120);
        return p;
    }
};
class Preview_picture : public Preview_window {
protected:
    static constexpr int32_t k_Mark_fill = platform::Rgb(200, 200, 200);
    // White pixels of row y near the goal line at x = 400.
    int White_across(int y)
    {
        int n = 0;
        for (int x = 396; x < 405; ++x) n += Preview_pixel(x, y) == platform::Rgb(255, 255, 255);
        return n;
    }
};

// ---- Loading ----

TEST_F(Preview_settings, WithEveryKeyMissingTheMarksAndGoalLineShowOnAnUprightPictureFromLaneOne)
{
    Frm_fullscreen& p = Preview();
    EXPECT_EQ(p.windowTitle().toStdString(), "Wakeline live preview");
    EXPECT_EQ(p.Picture_preview->Scale_width(), 580);
    EXPECT_EQ(p.Picture_preview->Scale_height(), 724);
    EXPECT_EQ(g_Frame_DIB->Width(), 580);
    EXPECT_EQ(g_Frame_DIB->Height(), 724);
    EXPECT_TRUE(p.Chk_Show_lanemarks->isChecked());
    EXPECT_FALSE(p.Chk_Flip_Lanemarks->isChecked());
    EXPECT_TRUE(p.Chk_Show_Goalline->isChecked());
    EXPECT_TRUE(p.Chk_rotate->isChecked());
    EXPECT_TRUE(p.Option_first_lane[1]->isChecked());
    EXPECT_TRUE(p.Option_first_lane[1]->font().bold());
    EXPECT_FALSE(p.Option_first_lane[0]->font().bold());
    ASSERT_EQ(g_Lanes.size(), 16u);
    EXPECT_EQ(g_Lanes[0]->Lane_number(), 1);
    EXPECT_EQ(g_Lanes[14]->Lane_number(), 15);
    EXPECT_EQ(g_Num_lanes, 2);
    EXPECT_EQ(p.UpDown_Lanes->value(), 2);
    EXPECT_EQ(p.Lbl_num_lanes->text().toStdString(), "2");
    EXPECT_EQ(Stored("Lane_num"), "2");
    EXPECT_EQ(Stored("Lane_Zero"), "False");
    // Nothing changed the display switches, so they are not written.
    EXPECT_EQ(Stored("ShowLanes"), "missing");
    EXPECT_EQ(Stored("Rotate"), "missing");
    EXPECT_FALSE(p.Moved());
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Preview_settings, AStoredLaneCountOutsideTwoToFifteenGivesTwoAndIsWrittenBack)
{
    Setting("Lanes", "100200");
    for (const char* stored : {"16", "1"}) {
        Setting("Lane_num", stored);
        Frm_fullscreen& p = Preview();
        EXPECT_EQ(p.UpDown_Lanes->value(), 2) << stored;
        EXPECT_EQ(g_Num_lanes, 2) << stored;
        EXPECT_EQ(Stored("Lane_num"), "2") << stored;
        p.Unload_form();
    }
    Setting("Lane_num", "7");
    Frm_fullscreen& p = Preview();
    EXPECT_EQ(p.UpDown_Lanes->value(), 7);
    EXPECT_EQ(p.Lbl_num_lanes->text().toStdString(), "7");
    EXPECT_EQ(Stored("Lane_num"), "7");
    // Stepping the control changes the count and writes it at once.
    p.UpDown_Lanes->setValue(9);
    EXPECT_EQ(g_Num_lanes, 9);
    EXPECT_EQ(Stored("Lane_num"), "9");
    EXPECT_EQ(p.Lbl_num_lanes->text().toStdString(), "9");
}

TEST_F(Preview_settings, AStoredRotateOfFalseLaysThePictureFlatAndRewritesTheDisplayKeys)
{
    Setting("Rotate", "False");
    Setting("ShowLanes", "False");
    Setting("FlipLanes", "True");
    Frm_fullscreen& p = Preview();
    EXPECT_EQ(p.Picture_preview->Scale_width(), 724);
    EXPECT_EQ(p.Picture_preview->Scale_height(), 580);
    EXPECT_EQ(g_Frame_DIB->Width(), 724);
    EXPECT_FALSE(p.Chk_rotate->isChecked());
    EXPECT_FALSE(p.Chk_Show_lanemarks->isChecked());
    EXPECT_TRUE(p.Chk_Flip_Lanemarks->isChecked());
    EXPECT_EQ(Stored("ShowLanes"), "False");
    EXPECT_EQ(Stored("FlipLanes"), "True");
    EXPECT_EQ(Stored("ShowGoalline"), "True");
    EXPECT_EQ(Stored("Rotate"), "False");
    // The frames stand 20 pixels right of the picture, one below the other.
    EXPECT_EQ(p.Frm_options->x(), 724 + 20);
    EXPECT_EQ(p.Frm_DV_data->x(), p.Frm_options->x());
    EXPECT_EQ(p.Frm_DV_data->y(), p.Frm_options->y() + p.Frm_options->height() + 20);
    EXPECT_EQ(p.Command_close->y(), p.Frm_DV_data->y() + p.Frm_DV_data->height() + 20);
    EXPECT_GT(p.width(), p.Frm_options->x() + p.Frm_options->width());
    // The whole picture fits the window, right below the menu bar.
    p.layout()->activate();
    const QPoint top = p.Picture_preview->mapTo(&p, QPoint(0, 0));
    EXPECT_LE(top.y(), p.menu_bar->sizeHint().height());
    EXPECT_LE(top.y() + 580, p.height());
    // Turning it upright again from the check box.
    p.Chk_rotate->setChecked(true);
    EXPECT_EQ(p.Picture_preview->Scale_width(), 580);
    EXPECT_EQ(Stored("Rotate"), "True");
}

TEST_F(Preview_settings, TheGoalLineAndMarksAreSavedInTheFixedFieldsTheLoadersRead)
{
    Frm_fullscreen& p = Preview();
    g_Goal_line = {362, 72, 362, 652};
    p.Save_GoalLine();
    EXPECT_EQ(Stored("Goalline"), "362,072,362,652");
    g_Lanes.resize(3);
    for (int i = 0; i < 3; ++i) {
        g_Lanes[size_t(i)]->Lane_pos_X(30 + 20 * i);
        g_Lanes[size_t(i)]->Lane_pos_Y(30 + 20 * i);
    }
    p.Save_lanes();
    EXPECT_EQ(Stored("Lanes"), "030030050050070070");
    Load_Lanes_and_Goalline();
    EXPECT_EQ(g_Goal_line, (Goal_line_coords{362, 72, 362, 652}));
    EXPECT_EQ(g_Lanes[2]->X(), 70);
    EXPECT_EQ(g_Lanes[3]->X(), 20); // past the stored marks the loader's empty-field place
}

TEST_F(Preview_settings, ValuesOutsideThreeDigitsAreHeldAtTheEndsAndNeverShiftTheNextField)
{
    Frm_fullscreen& p = Preview();
    g_Goal_line = {-5, 1000, 12, 99999};
    p.Save_GoalLine();
    EXPECT_EQ(Stored("Goalline"), "000,999,012,999");
    g_Lanes.resize(2);
    g_Lanes[0]->Lane_pos_X(1234);
    g_Lanes[0]->Lane_pos_Y(-1);
    g_Lanes[1]->Lane_pos_X(40);
    g_Lanes[1]->Lane_pos_Y(50);
    p.Save_lanes();
    EXPECT_EQ(Stored("Lanes"), "999000040050");
    Load_Lanes();
    EXPECT_EQ(g_Lanes[1]->X(), 40);
    EXPECT_EQ(g_Lanes[1]->Y(), 50);
    // No marks: the stored ones stay.
    g_Lanes.clear();
    p.Save_lanes();
    EXPECT_EQ(Stored("Lanes"), "999000040050");
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Preview_settings, TheFirstLaneChoiceNumbersTheMarksAndIsWrittenAtOnce)
{
    Frm_fullscreen& p = Preview();
    p.Option_first_lane[0]->click();
    EXPECT_EQ(Stored("Lane_Zero"), "True");
    EXPECT_TRUE(g_Lane_Zero);
    EXPECT_TRUE(p.Option_first_lane[0]->font().bold());
    for (size_t i = 0; i < g_Lanes.size(); ++i) EXPECT_EQ(g_Lanes[i]->Lane_number(), int(i));
    p.Option_first_lane[1]->click();
    EXPECT_EQ(Stored("Lane_Zero"), "False");
    EXPECT_FALSE(g_Lane_Zero);
    for (size_t i = 0; i < 15; ++i) EXPECT_EQ(g_Lanes[i]->Lane_number(), int(i) + 1);
    // There is no lane 16: the sixteenth mark, never shown here, keeps the number it had.
    EXPECT_EQ(g_Lanes[15]->Lane_number(), 15);
    EXPECT_TRUE(reports.reports.empty());
    // A stored "True" selects Lane 0 at the next load.
    p.Option_first_lane[0]->click();
    p.Unload_form();
    EXPECT_TRUE(Preview().Option_first_lane[0]->isChecked());
    EXPECT_EQ(g_Lanes[0]->Lane_number(), 0);
}

TEST_F(Preview_settings, SaveOptionsWritesTheSwitchesGoalLineAndMarksButNotTheCountOrFirstLane)
{
    Frm_fullscreen& p = Preview();
    p.Chk_Flip_Lanemarks->setChecked(true);
    p.Chk_Show_Goalline->setChecked(false);
    Setting("Lane_num", "12");
    Setting("Lane_Zero", "whatever");
    g_Goal_line = {100, 50, 110, 600};
    p.Cmd_save_options->click();
    EXPECT_EQ(Stored("FlipLanes"), "True");
    EXPECT_EQ(Stored("ShowGoalline"), "False");
    EXPECT_EQ(Stored("ShowLanes"), "True");
    EXPECT_EQ(Stored("Goalline"), "100,050,110,600");
    EXPECT_EQ(Stored("Lanes").size(), 16u * 6u);
    EXPECT_EQ(Stored("Lanes").substr(0, 12), "000000015020");
    EXPECT_EQ(Stored("Lane_num"), "12");
    EXPECT_EQ(Stored("Lane_Zero"), "whatever");
}

TEST_F(Preview_settings, WhileTheSwitchesAreBeingLoadedTheirHandlersDoNothing)
{
    Frm_fullscreen& p = Preview();
    g_Loading_settings = true;
    p.Chk_rotate->setChecked(false);
    p.Chk_Show_lanemarks->setChecked(false);
    p.Save_Options();
    g_Loading_settings = false;
    EXPECT_TRUE(g_Rotate);
    EXPECT_EQ(p.Picture_preview->Scale_width(), 580);
    EXPECT_TRUE(g_Show_Lanes);
    EXPECT_EQ(Stored("Rotate"), "missing");
}

TEST_F(Preview_settings, ResettingAsksFirstAndPutsMarksOnTheDiagonalAndTheLineDownTheMiddle)
{
    Frm_fullscreen& p = Preview();
    const int32_t x_before = g_Lanes[3]->X();
    dialogs.Expect_message("This will reset all lane positions, are you sure?", vbCancel);
    p.item_reset_positions_Click();
    EXPECT_EQ(g_Lanes[3]->X(), x_before);
    EXPECT_FALSE(p.Moved());
    dialogs.Expect_message("This will reset all lane positions, are you sure?", vbOK);
    p.item_reset_positions_Click();
    EXPECT_EQ(g_Lanes[0]->X(), 30);
    EXPECT_EQ(g_Lanes[2]->Y(), 70);
    EXPECT_EQ(g_Lanes[15]->X(), 330);
    dialogs.Expect_message("This will reset Goal line position, are you sure?", vbOK);
    p.item_reset_goal_line_Click();
    EXPECT_EQ(g_Goal_line, (Goal_line_coords{290, 72, 290, 652}));
    EXPECT_NE(dialogs.shown[0].find("Wakeline Exit"), std::string::npos);
    EXPECT_TRUE(p.Moved());
    p.Cmd_save_options_Click();
    EXPECT_FALSE(p.Moved());
}

TEST_F(Preview_settings, TheEventNameIsAskedWithoutOpeningTheViewer)
{
    Frm_fullscreen& p = Preview();
    dialogs.Expect_input("Enter event name!", "Spring Regatta");
    p.item_event_name->trigger();
    EXPECT_EQ(g_Event_name, "Spring Regatta");
    EXPECT_EQ(Stored("event_name"), "Spring Regatta");
    dialogs.Expect_input("Enter event name!", std::nullopt);
    p.item_event_name->trigger();
    EXPECT_EQ(g_Event_name, "Spring Regatta");
    EXPECT_FALSE(Loaded("Frm_kanot_2"));
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Preview_settings, DisplayDVMetadataFollowsItsCheckMark)
{
    Frm_fullscreen& p = Preview();
    p.item_display_metadata->trigger();
    EXPECT_TRUE(g_Show_DV_metadata);
    p.item_display_metadata->trigger();
    EXPECT_FALSE(g_Show_DV_metadata);
    p.Show_DV_data("12:00:01.05", "1/250");
    EXPECT_EQ(p.Lbk_camera_time->text().toStdString(), "12:00:01.05");
    EXPECT_EQ(p.Lbl_Shutter->text().toStdString(), "1/250");
    // The whole date and time is seen, inside its frame.
    for (const char* text : {"2026-12-09 12:00:01", "1999-10-31 23:59:59"}) {
        p.Show_DV_data(text, "1/10000");
        EXPECT_TRUE(test::Whole_text(p.Lbk_camera_time)) << text;
        EXPECT_TRUE(p.Frm_DV_data->rect().contains(p.Lbk_camera_time->geometry())) << text;
        EXPECT_TRUE(test::Whole_text(p.Lbl_Shutter));
    }
}

// ---- Picking and dragging ----

TEST_F(Preview_mouse, AMarkFollowsTheLeftButtonButNotOntoOrPastTheBorder)
{
    Frm_fullscreen& p = Preview();
    g_Lanes[2]->Lane_pos_X(100);
    g_Lanes[2]->Lane_pos_Y(200);
    Drag(105, 203, 145, 253);
    EXPECT_EQ(g_Lanes[2]->X(), 140);
    EXPECT_EQ(g_Lanes[2]->Y(), 250);
    EXPECT_TRUE(p.Moved());
    EXPECT_EQ(g_Drag_Lane, -1);
    EXPECT_EQ(g_Hit_Lane_number, -1);
    // Dragged to X = 0, then to X = the picture's width: it stays at its last place inside.
    p.Picture_preview_MouseDown(1, 0, 140, 250);
    p.Picture_preview_MouseMove(1, 0, 20, 250);
    p.Picture_preview_MouseMove(1, 0, 0, 250);
    EXPECT_EQ(g_Lanes[2]->X(), 20);
    p.Picture_preview_MouseMove(1, 0, 580, 250);
    EXPECT_EQ(g_Lanes[2]->X(), 20);
    p.Picture_preview_MouseMove(1, 0, 579, 250);
    EXPECT_EQ(g_Lanes[2]->X(), 579);
    p.Picture_preview_MouseUp(1, 0, 579, 250);
    // Moving without a button moves nothing.
    p.Picture_preview_MouseMove(0, 0, 300, 300);
    EXPECT_EQ(g_Lanes[2]->X(), 579);
    dialogs.Expect_message("Save your changes?", vbNo);
}

TEST_F(Preview_mouse, WhileMarksAreHiddenADragMovesNothingButClosingStillAsks)
{
    Frm_fullscreen& p = Preview();
    g_Lane_marks_shown = false;
    g_Lanes[2]->Lane_pos_X(100);
    g_Lanes[2]->Lane_pos_Y(200);
    Drag(100, 200, 150, 250);
    EXPECT_EQ(g_Lanes[2]->X(), 100);
    EXPECT_TRUE(p.Moved());
    dialogs.Expect_message("Lanes or goal line has been moved. Save your changes?", vbNo);
    p.item_close_Click();
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Preview_mouse, AGoalLineEndFollowsAnyButtonFromItsPlaceAtThePress)
{
    Frm_fullscreen& p = Preview();
    g_Goal_line = {300, 100, 300, 600};
    Drag(305, 104, 325, 84, 2); // the right button, 5 and 4 pixels off the end
    EXPECT_EQ(g_Goal_line, (Goal_line_coords{320, 80, 300, 600}));
    Drag(300, 600, 200, 650);
    EXPECT_EQ(g_Goal_line, (Goal_line_coords{320, 80, 200, 650}));
    EXPECT_TRUE(p.Moved());
    // Onto the border: the end stays where it last was.
    p.Picture_preview_MouseDown(1, 0, 200, 650);
    p.Picture_preview_MouseMove(1, 0, 210, 700);
    p.Picture_preview_MouseMove(1, 0, 210, 724);
    p.Picture_preview_MouseUp(1, 0, 210, 724);
    EXPECT_EQ(g_Goal_line, (Goal_line_coords{320, 80, 210, 700}));
    // A press away from both ends moves nothing.
    Drag(400, 400, 450, 450);
    EXPECT_EQ(g_Goal_line, (Goal_line_coords{320, 80, 210, 700}));
    dialogs.Expect_message("Save your changes?", vbNo);
}

TEST_F(Preview_mouse, TheGoalLineIsNotPickedWhileHiddenNorDraggedOutsidePreviewMode)
{
    Frm_fullscreen& p = Preview();
    g_Goal_line = {300, 100, 300, 600};
    p.Chk_Show_Goalline->setChecked(false);
    Drag(300, 100, 350, 150);
    EXPECT_EQ(g_Goal_line.x1, 300);
    p.Chk_Show_Goalline->setChecked(true);
    g_Run_mode = 10;
    p.Picture_preview_MouseDown(1, 0, 300, 100);
    p.Picture_preview_MouseMove(1, 0, 350, 150);
    EXPECT_EQ(g_Goal_line.x1, 300);
    EXPECT_TRUE(p.Moved()); // the move was still taken as an edit
    p.Picture_preview_MouseUp(1, 0, 350, 150);
    g_Run_mode = 1;
    dialogs.Expect_message("Save your changes?", vbNo);
}

TEST_F(Preview_mouse, LockedLanesKeepTheirMarksAndALeftPressOnAMarkPicksNoGoalEnd)
{
    Heat_setup s;
    s.locked = true;
    const std::string path = Make_heat("Heat1.qs2", s);
    Preview();
    g_Recording = std::make_shared<cls_AVI_handler>();
    ASSERT_TRUE(g_Recording->Open_File(path));
    g_Lanes[2]->Lane_pos_X(100);
    g_Lanes[2]->Lane_pos_Y(200);
    g_Goal_line = {100, 200, 300, 600}; // an end under the mark
    Drag(100, 200, 150, 250);
    EXPECT_EQ(g_Lanes[2]->X(), 100);
    EXPECT_EQ(g_Goal_line.x1, 100);
    // Unlocked, the same press drags the mark (the mark wins over the goal-line end).
    g_Recording->Close_File();
    Drag(100, 200, 150, 250);
    EXPECT_EQ(g_Lanes[2]->X(), 150);
    EXPECT_EQ(g_Goal_line.x1, 100);
    dialogs.Expect_message("Save your changes?", vbNo);
}

// ---- Closing ----

TEST_F(Preview_closing, CancelKeepsTheWindowOpenAndSavesNothing)
{
    Frm_fullscreen& p = Move_the_stored_goal_line();
    dialogs.Expect_message("Lanes or goal line has been moved. Save your changes?", vbCancel);
    p.item_close_Click();
    EXPECT_TRUE(Loaded("Frm_fullscreen"));
    EXPECT_EQ(g_Run_mode, 1);
    EXPECT_EQ(Stored("Goalline"), "300,100,300,600");
    EXPECT_TRUE(p.Moved());
    // The window manager's close button asks the same.
    dialogs.Expect_message("Save your changes?", vbCancel);
    EXPECT_FALSE(p.close());
    EXPECT_TRUE(Loaded("Frm_fullscreen"));
    dialogs.Expect_message("Save your changes?", vbNo);
    EXPECT_TRUE(p.close());
    EXPECT_FALSE(Loaded("Frm_fullscreen"));
    EXPECT_EQ(Stored("Goalline"), "300,100,300,600");
    EXPECT_NE(dialogs.shown[0].find("Wakeline Settings"), std::string::npos);
    EXPECT_EQ(dialogs.styles[0] & 7, platform::vbYesNoCancel);
}

TEST_F(Preview_closing, YesSavesClosesAndUnchecksTheCaptureWindowsPreviewEntry)
{
    platform::Form_window capture("Form_capture_multi_file");
    auto* item_preview = new QAction(&capture);
    item_preview->setObjectName("item_preview");
    item_preview->setCheckable(true);
    item_preview->setChecked(true);
    Frm_fullscreen& p = Move_the_stored_goal_line();
    dialogs.Expect_message("Save your changes?", vbYes);
    p.item_close_Click();
    EXPECT_FALSE(Loaded("Frm_fullscreen"));
    EXPECT_EQ(g_Run_mode, 0);
    EXPECT_EQ(Stored("Goalline"), "320,120,300,600");
    EXPECT_FALSE(item_preview->isChecked());
}

TEST_F(Preview_closing, UncheckingFullPreviewUnloadsAndLeavesTheRunMode)
{
    Frm_fullscreen& p = Preview();
    p.item_full_preview->setChecked(true);
    p.item_full_preview->trigger();
    EXPECT_FALSE(Loaded("Frm_fullscreen"));
    EXPECT_EQ(g_Run_mode, 1);
}

TEST_F(Preview_closing, ComingBackToTheWindowForgetsTheMovesSoClosingDoesNotAsk)
{
    Frm_fullscreen& p = Preview();
    p.Reset_Goal_line();
    EXPECT_TRUE(p.Moved());
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&p, &activate);
    EXPECT_FALSE(p.Moved());
    p.Command_close->click();
    EXPECT_FALSE(Loaded("Frm_fullscreen"));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Preview_closing, ClosingWithTheProgramStillOffersToSave)
{
    Frm_fullscreen& p = Preview();
    p.Reset_lane_Positions();
    dialogs.Expect_message("Save your changes?", vbYes);
    p.Unload_form();
    EXPECT_EQ(Stored("Lanes").substr(0, 12), "030030050050");
    EXPECT_EQ(dialogs.styles[0] & 7, platform::vbYesNo); // nothing can stop it now
}

// ---- The picture ----

TEST_F(Preview_picture, TheCameraPictureStandsUprightUnderTheGoalLineAndMarks)
{
    Setting("Lanes", "100100200300");
    Setting("Lane_num", "2");
    Setting("Goalline", "400,050,400,700");
    Frm_fullscreen& p = Preview();
    p.Show_picture(Camera_picture());
    // The picture turned a quarter clockwise: the code cell of bit 0 (white in field 1's rows,
    // x 40..79) lies across the top, bit 2 (black) below it.
    EXPECT_GT(Grey(Preview_pixel(576 - 1 - 225, 60)), 150);
    EXPECT_LT(Grey(Preview_pixel(576 - 1 - 225, 140)), 60);
    // The goal line is white, the mark without a result grey, with its selection box in blue.
    EXPECT_EQ(White_across(600), 2);
    EXPECT_EQ(Preview_pixel(92, 98), k_Mark_fill);
    EXPECT_EQ(Preview_pixel(192, 298), k_Mark_fill);
    EXPECT_EQ(Preview_pixel(394, 50), platform::Rgb(0, 0, 255));
    // Only as many marks as the count says.
    g_Lanes[2]->Lane_pos_X(300);
    g_Lanes[2]->Lane_pos_Y(500);
    p.Show_picture(Camera_picture());
    EXPECT_NE(Preview_pixel(292, 498), k_Mark_fill);
    p.UpDown_Lanes->setValue(3);
    EXPECT_EQ(Preview_pixel(292, 498), k_Mark_fill);
    // Switched off, they are gone from the picture.
    p.Chk_Show_lanemarks->setChecked(false);
    EXPECT_NE(Preview_pixel(92, 98), k_Mark_fill);
    p.Chk_Show_Goalline->setChecked(false);
    p.Show_picture(Camera_picture());
    EXPECT_EQ(White_across(600), 0);
}

TEST_F(Preview_picture, ADraggedMarkLeavesNoTrailOnTheLivePicture)
{
    Setting("Lanes", "100100");
    Frm_fullscreen& p = Preview();
    QImage black(720, 576, QImage::Format_RGB32);
    black.fill(Qt::black);
    p.Show_picture(black);
    EXPECT_EQ(Preview_pixel(92, 98), k_Mark_fill);
    Drag(100, 100, 200, 150);
    EXPECT_EQ(Preview_pixel(192, 148), k_Mark_fill);
    EXPECT_EQ(Preview_pixel(92, 98), platform::Rgb(0, 0, 0));
    dialogs.Expect_message("Save your changes?", vbNo);
}

} // namespace
} // namespace wk::test
