// The road of the finish-line set-up: placed in the preview, saved in the settings, read back at
// the next start, written into the header of the next recording the capture window makes, and
// drawn by the viewer when it opens that recording.
#include "tests/capture/Preview_fixture.h"

#include "platform/Forms.h"
#include "viewer/Module_lanes.h"

#include <QSpinBox>

namespace wk::test {
namespace {

class Preview_to_viewer : public Preview_window {
protected:
    // The header settings the capture window gives each new recording, from the program-wide
    // lane and goal-line state.
    std::string Record_heat_with_current_settings(const std::string& name)
    {
        const fs::path path = home.path() / name;
        Make_qs2(path, 4, 1);
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path.string()));
        rec.Start_Lane_Zero(g_Lane_Zero);
        if (g_Rotate) {
            EXPECT_TRUE(rec.rotated(true));
        }
        rec.Show_goalline(g_Show_Goalline);
        rec.Set_Goal_Line(g_Goal_line.x1, g_Goal_line.y1, g_Goal_line.x2, g_Goal_line.y2);
        rec.Lanes_flipped(g_Flip_Lanes);
        rec.Num_Lanes(g_Num_lanes);
        rec.Lanes_locked(true);
        rec.Lanes_Visible(g_Show_Lanes);
        for (int16_t lane = 1; lane <= g_Num_lanes; ++lane)
            rec.File_Lane_Pos(lane, g_Lanes[size_t(lane - 1)]->X(), g_Lanes[size_t(lane - 1)]->Y());
        EXPECT_TRUE(rec.Write_XML_header());
        rec.Close_File();
        return path.string();
    }

    // A fresh start of the program: nothing in memory but what the settings hold.
    void Start_again()
    {
        g_Lanes.clear();
        g_Goal_line = {};
        g_Num_lanes = 0;
        g_Run_mode = 0;
        Load_Lanes_and_Goalline();
        Load_options();
    }

    int32_t Viewer_pixel(int x, int y) { return Viewer().Picture_large->hDC().GetPixel(x, y); }
};

TEST_F(Preview_to_viewer, TheGoalLineAndMarksPlacedInThePreviewAreTheOnesTheViewerDraws)
{
    Setting("Rotate", "False"); // the recording's frames lie flat, as the preview's picture
    Frm_fullscreen& p = Preview();
    p.Reset_Goal_line();
    ASSERT_EQ(g_Goal_line, (Goal_line_coords{362, 58, 362, 522}));
    Drag(362, 58, 330, 40);
    Drag(362, 522, 340, 540);
    p.Reset_lane_Positions();
    Drag(30, 30, 120, 150);
    Drag(50, 50, 120, 300);
    Drag(70, 70, 120, 450);
    p.UpDown_Lanes->setValue(3);
    dialogs.Expect_message("Lanes or goal line has been moved. Save your changes?", platform::vbYes);
    p.item_close_Click();
    EXPECT_EQ(Stored("Goalline"), "330,040,340,540");
    EXPECT_EQ(Stored("Lanes").substr(0, 18), "120150120300120450");
    EXPECT_EQ(Stored("Lane_num"), "3");

    Start_again();
    EXPECT_EQ(g_Goal_line, (Goal_line_coords{330, 40, 340, 540}));
    EXPECT_EQ(g_Num_lanes, 3);
    EXPECT_EQ(g_Lanes[2]->X(), 120);
    EXPECT_EQ(g_Lanes[2]->Y(), 450);

    ASSERT_TRUE(Open(Record_heat_with_current_settings("Heat1.qs2")));
    EXPECT_EQ(g_File_Goal_line, (Goal_line_coords{330, 40, 340, 540}));
    EXPECT_EQ(g_Lanes_in_use, 3);
    // The line, white, passes its midpoint; each mark is grey inside its ring at its place.
    int white = 0;
    for (int x = 330; x <= 340; ++x) white += Viewer_pixel(x, 290) == platform::Rgb(255, 255, 255);
    EXPECT_GE(white, 1);
    for (int y : {150, 300, 450}) EXPECT_EQ(Viewer_pixel(112, y - 2), platform::Rgb(200, 200, 200)) << y;
    // Where the marks were before they were dragged, the viewer draws nothing of them.
    EXPECT_NE(Viewer_pixel(22, 28), platform::Rgb(200, 200, 200));
}

TEST_F(Preview_to_viewer, CancelledChangesNeverReachTheNextRecording)
{
    Setting("Rotate", "False");
    Setting("Goalline", "300,100,300,500");
    Frm_fullscreen& p = Preview();
    Drag(300, 100, 250, 150);
    dialogs.Expect_message("Save your changes?", platform::vbCancel);
    p.item_close_Click();
    dialogs.Expect_message("Save your changes?", platform::vbNo);
    p.item_close_Click();
    Start_again();
    ASSERT_TRUE(Open(Record_heat_with_current_settings("Heat1.qs2")));
    EXPECT_EQ(g_File_Goal_line, (Goal_line_coords{300, 100, 300, 500}));
}

} // namespace
} // namespace wk::test
