#include "results/Time_codes.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "services/graphics/cDIBSection.h"
#include "tests/support/Test_support.h"
#include "viewer/Cls_lane.h"
#include "viewer/Module_lanes.h"

#include <filesystem>
#include <memory>

namespace wk {
namespace {

using platform::Rgb;

constexpr int32_t k_Key = Rgb(128, 128, 128);
constexpr int32_t k_White = Rgb(255, 255, 255);
constexpr int32_t k_Blue = Rgb(0, 0, 255);
constexpr int32_t k_Red = Rgb(255, 0, 0);
constexpr int32_t k_Black = Rgb(0, 0, 0);
constexpr int32_t k_Grey_fill = Rgb(200, 200, 200);
constexpr int32_t k_Grey_ink = Rgb(120, 120, 120);

// Every global the lanes read or write, back to what a fresh program has.
void Reset_lane_globals()
{
    g_Lanes.clear();
    g_Num_lanes = 0;
    g_Lanes_in_use = 0;
    g_Goal_line = {};
    g_File_Goal_line = {};
    g_Show_Lanes = g_Flip_Lanes = g_Show_Goalline = g_Rotate = g_Lane_Zero = g_Loading_settings = false;
    g_Lane_marks_shown = g_Goalline_shown = g_Goalline_dimmed = false;
    g_Hit_Lane_number = -1;
    g_Active_Lane = 0;
    g_Goal_handle = 0;
    g_Drag_Lane = -1;
    g_Grab_X = g_Grab_Y = 0;
    g_Mouse_down_X = g_Mouse_down_Y = 0;
    g_Run_mode = 10;
    g_Frame_DIB.reset();
    g_Key_colour = k_Key;
}

class Lanes : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(home.App_data());
        Reset_lane_globals();
    }
    void TearDown() override { Reset_lane_globals(); }

    static void Set(const std::string& key, const std::string& value)
    {
        ASSERT_EQ(Write_Ini_Value("Canoe", key, value, Ini_file_path), 1);
    }
    static std::shared_ptr<Cls_lane> Lane(int16_t number, int32_t x, int32_t y, int32_t time = 0)
    {
        auto lane = std::make_shared<Cls_lane>();
        lane->Lane_number(number);
        lane->Lane_pos_X(x);
        lane->Lane_pos_Y(y);
        lane->time(time);
        return lane;
    }

    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
};

TEST_F(Lanes, WithoutLaneSettingsSixteenMarksLieOnTheDiagonalNumberedFromZero)
{
    g_Num_lanes = 9;
    Set("Lane_num", "3"); // only read together with groups
    for (const char* setting : {"", "None"}) {
        if (*setting != 0)
            Set("Lanes", setting);
        Load_Lanes();
        ASSERT_EQ(g_Lanes.size(), 16u) << setting;
        for (int16_t i = 0; i < 16; ++i) {
            EXPECT_EQ(g_Lanes[i]->Lane_number(), i);
            EXPECT_EQ(g_Lanes[i]->X(), 15 * i);
            EXPECT_EQ(g_Lanes[i]->Y(), 20 * i);
        }
        EXPECT_EQ(g_Num_lanes, 9);
    }
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Lanes, GroupsPlaceTheMarksAndEmptyFieldsGiveTwentyAndThirty)
{
    Set("Lanes", "100200");
    Set("Lane_num", "7");
    Load_Lanes();
    ASSERT_EQ(g_Lanes.size(), 16u);
    EXPECT_EQ(g_Lanes[0]->X(), 100);
    EXPECT_EQ(g_Lanes[0]->Y(), 200);
    for (size_t i = 1; i < 16; ++i) {
        EXPECT_EQ(g_Lanes[i]->X(), 20);
        EXPECT_EQ(g_Lanes[i]->Y(), 30);
        EXPECT_EQ(g_Lanes[i]->Lane_number(), int16_t(i));
    }
    EXPECT_EQ(g_Num_lanes, 7);

    // A group cut short after its x; groups past the sixteenth are ignored.
    Set("Lanes", "001002003");
    Load_Lanes();
    EXPECT_EQ(g_Lanes[1]->X(), 3);
    EXPECT_EQ(g_Lanes[1]->Y(), 30);
    Set("Lanes", std::string(16 * 6, '1') + "999999");
    Load_Lanes();
    ASSERT_EQ(g_Lanes.size(), 16u);
    EXPECT_EQ(g_Lanes[15]->X(), 111);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Lanes, ABadGroupOrLaneCountIsReportedAndTheLanesReadSoFarStay)
{
    Set("Lanes", "100200x1204012");
    g_Num_lanes = 4;
    Load_Lanes();
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_NE(reports.reports[0].find("Load_Lanes of Module Module_lanes"), std::string::npos);
    EXPECT_NE(reports.reports[0].find("13, Type mismatch"), std::string::npos);
    ASSERT_EQ(g_Lanes.size(), 1u);
    EXPECT_EQ(g_Lanes[0]->X(), 100);
    EXPECT_EQ(g_Num_lanes, 4);

    Set("Lanes", "100200");
    Set("Lane_num", "five");
    Load_Lanes();
    ASSERT_EQ(reports.reports.size(), 2u);
    EXPECT_EQ(g_Lanes.size(), 16u);
    EXPECT_EQ(g_Num_lanes, 4);
    Set("Lane_num", "40000"); // beyond 16 bits
    Load_Lanes();
    ASSERT_EQ(reports.reports.size(), 3u);
    EXPECT_NE(reports.reports[2].find("6, Overflow"), std::string::npos);
    EXPECT_EQ(g_Num_lanes, 4);
}

TEST_F(Lanes, TheGoalLineIsReadFromItsFixedPlacesOrKept)
{
    const Goal_line_coords kept{1, 2, 3, 4};
    g_Goal_line = kept;
    Load_Goalline(); // no key
    EXPECT_EQ(g_Goal_line, kept);
    Set("Goalline", "None");
    Load_Goalline();
    EXPECT_EQ(g_Goal_line, kept);

    Set("Goalline", "100,200,300,400");
    Load_Lanes_and_Goalline();
    EXPECT_EQ(g_Goal_line, (Goal_line_coords{100, 200, 300, 400}));
    Set("Goalline", "050-060+070 80");
    Load_Goalline();
    EXPECT_EQ(g_Goal_line, (Goal_line_coords{50, 60, 70, 80}));
    EXPECT_TRUE(reports.reports.empty());

    // Shifted fields or a short text: reported, and the line stays whole.
    for (const char* bad : {"10,200,300,400", "100,200,300", "abc,200,300,400"}) {
        Set("Goalline", bad);
        Load_Goalline();
        EXPECT_EQ(g_Goal_line, (Goal_line_coords{50, 60, 70, 80})) << bad;
    }
    ASSERT_EQ(reports.reports.size(), 3u);
    EXPECT_NE(reports.reports[0].find("Load_Goalline of Module Module_lanes"), std::string::npos);
}

TEST_F(Lanes, OnlyTheExactTextTrueSetsADisplayOption)
{
    Load_options();
    EXPECT_TRUE(g_Show_Lanes);
    EXPECT_FALSE(g_Flip_Lanes);
    EXPECT_TRUE(g_Show_Goalline);
    EXPECT_TRUE(g_Rotate);
    EXPECT_FALSE(g_Lane_Zero); // its default "1" is not "True"
    EXPECT_FALSE(g_Loading_settings);

    Set("ShowLanes", "true");
    Set("FlipLanes", "True");
    Set("Lane_Zero", "True");
    Load_options();
    EXPECT_FALSE(g_Show_Lanes);
    EXPECT_TRUE(g_Flip_Lanes);
    EXPECT_TRUE(g_Lane_Zero);
}

TEST_F(Lanes, TheMarkBoxRoundsHalvesToEvenAndTheHitAreaIsStrict)
{
    for (int32_t x : {100, 101}) {
        const auto box = Lane(0, x, x)->Mark_box();
        EXPECT_EQ(box.left, 88) << x;
        EXPECT_EQ(box.top, 88) << x;
        EXPECT_EQ(box.right, 113) << x;
        EXPECT_EQ(box.bottom, 113) << x;
    }
    EXPECT_EQ(Lane(0, 102, 0)->Mark_box().left, 90);

    const auto lane = Lane(3, 100, 200);
    EXPECT_TRUE(lane->Within(112, 200));
    EXPECT_FALSE(lane->Within(112.5f, 200));
    EXPECT_FALSE(lane->Within(87.5f, 200));
    EXPECT_TRUE(lane->Within(87.6f, 212));
    EXPECT_FALSE(lane->Within(100, 212.5f));
}

TEST_F(Lanes, TheHitTestSearchesEveryMarkAndAMissKeepsTheActiveLane)
{
    g_Lanes = {Lane(0, 50, 50), Lane(1, 100, 100), Lane(2, 105, 100), Lane(7, 300, 300)};
    g_Lanes_in_use = 2;
    Check_within_lanes(310, 290); // not drawn, still hit
    EXPECT_EQ(g_Hit_Lane_number, 7);
    EXPECT_EQ(g_Active_Lane, 4);
    Check_within_lanes(104, 100); // overlapping marks: the first in the collection
    EXPECT_EQ(g_Hit_Lane_number, 1);
    EXPECT_EQ(g_Active_Lane, 2);
    Check_within_lanes(500, 500);
    EXPECT_EQ(g_Hit_Lane_number, -1);
    EXPECT_EQ(g_Active_Lane, 2);
    g_Lanes.clear();
    Check_within_lanes(50, 50);
    EXPECT_EQ(g_Hit_Lane_number, -1);
}

TEST_F(Lanes, AGoalLineEndIsHitFromSixPixelsBeforeItToTwelveAfter)
{
    g_Goal_line = {100, 50, 300, 400};
    Check_Within_Selection_Boxes(110, 50);
    EXPECT_EQ(g_Goal_handle, 1);
    Check_Within_Selection_Boxes(90, 50);
    EXPECT_EQ(g_Goal_handle, 0);
    Check_Within_Selection_Boxes(300, 411);
    EXPECT_EQ(g_Goal_handle, 2);
    Check_Within_Selection_Boxes(300, 412);
    EXPECT_EQ(g_Goal_handle, 0);
}

TEST_F(Lanes, LaneNumbersStayWithinTheSixteenLanes)
{
    Cls_lane lane;
    lane.Lane_number(15);
    EXPECT_EQ(test::Error_number([&] { lane.Lane_number(16); }), err_Subscript);
    EXPECT_EQ(test::Error_number([&] { lane.Lane_number(-1); }), err_Subscript);
    EXPECT_EQ(lane.Lane_number(), 15);
}

TEST_F(Lanes, AMarkIsDraggedInsideThePictureOnly)
{
    g_Lanes = {Lane(0, 20, 20), Lane(4, 60, 80)};
    g_Lane_marks_shown = true;
    Lane_mouse_down(true, 62.4f, 81.5f, false);
    EXPECT_EQ(g_Mouse_down_X, 62);
    EXPECT_EQ(g_Mouse_down_Y, 82); // half to even
    EXPECT_EQ(g_Hit_Lane_number, 4);
    EXPECT_EQ(g_Active_Lane, 2);
    EXPECT_EQ(g_Drag_Lane, 4);

    EXPECT_TRUE(Lane_mouse_move(true, 72, 92, 720, 576));
    EXPECT_EQ(g_Lanes[1]->X(), 70);
    EXPECT_EQ(g_Lanes[1]->Y(), 90);
    // Onto column 0, past the right edge, onto the last row: the mark stays.
    for (const auto& [x, y] : {std::pair{2.f, 92.f}, std::pair{722.f, 92.f}, std::pair{72.f, 578.f}}) {
        EXPECT_TRUE(Lane_mouse_move(true, x, y, 720, 576));
        EXPECT_EQ(g_Lanes[1]->X(), 70) << x << "," << y;
        EXPECT_EQ(g_Lanes[1]->Y(), 90) << x << "," << y;
    }
    EXPECT_TRUE(Lane_mouse_move(true, 3, 577, 720, 576)); // column 1, row 575
    EXPECT_EQ(g_Lanes[1]->X(), 1);
    EXPECT_EQ(g_Lanes[1]->Y(), 575);
    // Hidden marks do not move, though the drag goes on.
    g_Lane_marks_shown = false;
    EXPECT_TRUE(Lane_mouse_move(true, 72, 92, 720, 576));
    EXPECT_EQ(g_Lanes[1]->X(), 1);
    EXPECT_FALSE(Lane_mouse_move(false, 72, 92, 720, 576));

    // In zoom mode the release keeps the hit.
    Lane_mouse_up(true);
    EXPECT_EQ(g_Drag_Lane, -1);
    EXPECT_EQ(g_Active_Lane, 0);
    EXPECT_EQ(g_Hit_Lane_number, 4);
    g_Goal_handle = 2;
    Lane_mouse_up(false);
    EXPECT_EQ(g_Hit_Lane_number, -1);
    EXPECT_EQ(g_Goal_handle, 0);
}

TEST_F(Lanes, LockedLanesARightButtonOrAMissStartNoDrag)
{
    g_Lanes = {Lane(0, 20, 20)};
    g_Lane_marks_shown = true;
    Lane_mouse_down(true, 20, 20, true);
    EXPECT_EQ(g_Hit_Lane_number, 0);
    EXPECT_EQ(g_Drag_Lane, -1);
    EXPECT_FALSE(Lane_mouse_move(true, 40, 40, 720, 576));
    Lane_mouse_down(false, 20, 20, false);
    EXPECT_EQ(g_Drag_Lane, -1);
    Lane_mouse_down(true, 200, 200, false);
    EXPECT_EQ(g_Drag_Lane, -1);
    EXPECT_EQ(g_Lanes[0]->X(), 20);

    // A drag whose mark has gone (the lanes were reloaded) moves nothing and does not crash.
    Lane_mouse_down(true, 20, 20, false);
    g_Lanes.clear();
    EXPECT_TRUE(Lane_mouse_move(true, 40, 40, 720, 576));
}

TEST_F(Lanes, TheTimeChoosesTheMarksColours)
{
    const auto expect = [](int32_t time, int32_t fill, int32_t ink, bool opaque) {
        const auto c = Cls_lane::Colours_for(time);
        EXPECT_EQ(c.fill, fill) << time;
        EXPECT_EQ(c.outline, ink) << time;
        EXPECT_EQ(c.text, ink) << time;
        EXPECT_EQ(c.opaque_text, opaque) << time;
    };
    expect(0, k_Grey_fill, k_Grey_ink, false);
    expect(No_Time, k_Grey_fill, k_Grey_ink, false);
    expect(1, k_White, k_Blue, true);
    expect(100000000, k_White, k_Blue, true);
    expect(Time_DSQ, k_White, k_Red, true);
    expect(No_Time - 1, k_White, k_Red, true);
    expect(-1, k_White, k_Black, true);
}

// The overlay of the viewer's frame size, cleared to the key colour.
class Overlay : public Lanes {
protected:
    void SetUp() override
    {
        Lanes::SetUp();
        g_Frame_DIB = std::make_shared<cDIBSection>();
        ASSERT_TRUE(g_Frame_DIB->Create(720, 576));
        Clear_Graphics();
    }
    static int32_t Pixel(int32_t x, int32_t y) { return g_Frame_DIB->hDC()->GetPixel(x, y); }
    // How many pixels of the colour lie in [l, r) x [t, b).
    static int Count(int32_t colour, int32_t l, int32_t t, int32_t r, int32_t b)
    {
        int n = 0;
        for (int32_t y = t; y < b; ++y)
            for (int32_t x = l; x < r; ++x) n += Pixel(x, y) == colour;
        return n;
    }
    static int Not_key_in(int32_t l, int32_t t, int32_t r, int32_t b)
    {
        return (r - l) * (b - t) - Count(k_Key, l, t, r, b);
    }
    static int Not_key() { return Not_key_in(0, 0, 720, 576); }
};

TEST_F(Overlay, MarksAreRingedAndFilledByTheirResultWithTheirTrailAndNothingElse)
{
    g_Lanes = {Lane(0, 100, 100, 0), Lane(1, 100, 200, 61234), Lane(2, 100, 300, Time_DNF),
               Lane(3, 100, 400, -500)};
    g_Lanes_in_use = 4;
    g_Lane_marks_shown = true;
    Draw_lanes(false);
    const struct {
        int32_t y, fill, ink;
    } marks[] = {{100, k_Grey_fill, k_Grey_ink}, {200, k_White, k_Blue}, {300, k_White, k_Red},
                 {400, k_White, k_Black}};
    for (const auto& m : marks) {
        EXPECT_EQ(Pixel(92, m.y - 2), m.fill) << m.y;           // inside the circle, left of the label
        EXPECT_EQ(Pixel(88, m.y), m.ink) << m.y;                // the ring, 2 pixels wide
        EXPECT_EQ(Pixel(89, m.y), m.ink) << m.y;
        EXPECT_EQ(Pixel(100, m.y - 12), m.ink) << m.y;          // top of the ring
        EXPECT_GT(Count(m.ink, 93, m.y - 6, 108, m.y + 7), 10) << "label of " << m.y;
        EXPECT_EQ(Pixel(87, m.y), k_Key) << m.y;                // just outside the box
        // The trail: dotted red on the box's bottom rows, from 300 pixels right up to the centre.
        EXPECT_GT(Count(k_Red, 101, m.y + 12, 401, m.y + 15), 3 * 140) << m.y;
        EXPECT_EQ(Count(k_Red, 401, m.y + 12, 720, m.y + 15), 0) << m.y;
    }
    // A label after a coloured one keeps its own colour.
    EXPECT_EQ(Count(k_Blue, 88, 388, 113, 413), 0);
    // Nothing outside the marks and their trails; outside the boxes the trails are only red.
    int drawn = 0;
    for (const auto& m : marks) {
        const int below = Not_key_in(88, m.y + 13, 401, m.y + 15);
        const int right = Not_key_in(113, m.y + 12, 401, m.y + 13);
        EXPECT_EQ(below + right,
                  Count(k_Red, 88, m.y + 13, 401, m.y + 15) + Count(k_Red, 113, m.y + 12, 401, m.y + 13));
        drawn += Not_key_in(88, m.y - 12, 113, m.y + 13) + below + right;
    }
    EXPECT_EQ(Not_key_in(0, 0, 720, 576), drawn);
}

TEST_F(Overlay, FlippedTrailsRunLeftAndHiddenOrMissingMarksAreNotDrawn)
{
    g_Lanes = {Lane(10, 400, 100)};
    g_Lane_marks_shown = true;
    g_Lanes_in_use = 40; // more than there are: only the one that exists is drawn
    Draw_lanes(true);
    EXPECT_GT(Count(k_Red, 100, 112, 400, 115), 3 * 140);
    EXPECT_EQ(Count(k_Red, 0, 112, 100, 115) + Count(k_Red, 413, 112, 720, 115), 0);
    EXPECT_EQ(Pixel(392, 98), k_Grey_fill);
    EXPECT_GT(Count(k_Grey_ink, 393, 94, 408, 107), 10); // the two-digit label

    Clear_Graphics();
    EXPECT_EQ(Not_key(), 0);
    g_Lane_marks_shown = false;
    Draw_lanes(false);
    g_Lane_marks_shown = true;
    g_Lanes_in_use = 0;
    Draw_lanes(false);
    EXPECT_EQ(Not_key(), 0);
    g_Frame_DIB.reset();
    g_Lanes_in_use = 1;
    Draw_lanes(false); // no overlay: nothing to draw on
    Clear_Graphics();
}

TEST_F(Overlay, TheViewerDrawsTheRecordingsGoalLineWithoutSelectionBoxes)
{
    g_File_Goal_line = {200, 50, 200, 500};
    g_Goal_line = {400, 50, 400, 500};
    Draw_Goal_line(); // not shown
    EXPECT_EQ(Not_key(), 0);

    g_Goalline_shown = true;
    Draw_Goal_line();
    EXPECT_EQ(Count(k_White, 198, 300, 203, 301), 2); // two pixels across
    EXPECT_EQ(Count(k_Key, 390, 0, 410, 576), 20 * 576);
    EXPECT_EQ(Count(k_Blue, 0, 0, 720, 576), 0);

    Clear_Graphics();
    g_Goalline_dimmed = true;
    Draw_Goal_line();
    EXPECT_EQ(Count(Rgb(25, 25, 25), 198, 300, 203, 301), 2);
    EXPECT_EQ(Count(k_White, 0, 0, 720, 576), 0);
}

TEST_F(Overlay, ThePreviewDrawsTheSettingsGoalLineWithBoxesAtItsEnds)
{
    g_Run_mode = 1;
    g_Goalline_shown = true;
    g_File_Goal_line = {200, 50, 200, 500};
    g_Goal_line = {400, 50, 400, 500};
    Draw_Goal_line();
    EXPECT_EQ(Count(k_White, 398, 300, 403, 301), 2);
    EXPECT_EQ(Count(k_Key, 190, 0, 210, 576), 20 * 576);
    for (const auto& [x, y] : {std::pair{400, 50}, std::pair{400, 500}}) {
        // A hollow 13-pixel square centred on the end.
        EXPECT_EQ(Count(k_Blue, x - 6, y - 6, x + 7, y - 5), 13);
        EXPECT_EQ(Count(k_Blue, x - 6, y + 6, x + 7, y + 7), 13);
        EXPECT_EQ(Count(k_Blue, x - 6, y - 6, x - 5, y + 7), 13);
        EXPECT_EQ(Count(k_Blue, x + 6, y - 6, x + 7, y + 7), 13);
        EXPECT_EQ(Count(k_Blue, x - 7, y - 7, x + 8, y + 8), 48);
    }
}

TEST_F(Overlay, AGoalLineBeyondSixteenBitsIsLeftOut)
{
    g_Goalline_shown = true;
    g_File_Goal_line = {200, 50, 200, 70000};
    Draw_Goal_line();
    EXPECT_EQ(Not_key(), 0);
    EXPECT_TRUE(reports.reports.empty());
}

} // namespace
} // namespace wk
