// Selection rectangles: where they start, what a click takes, how drags move and resize them.
#include "services/graphics/Cls_SelRect.h"
#include "tests/support/Test_support.h"

#include <QImage>

namespace wk {
namespace {

class Selection : public ::testing::Test {
protected:
    void SetUp() override
    {
        image.fill(Qt::black);
        sel.Initiate(dc, 0);
    }
    // Presses at (x, y), moves to each point in turn, releases.
    void Drag(float x, float y, std::initializer_list<std::pair<float, float>> path)
    {
        sel.MouseDown(x, y);
        for (auto [px, py] : path) sel.MouseMove(px, py);
        sel.mouseup();
    }
    void Expect_sides(int left, int top, int right, int bottom)
    {
        EXPECT_EQ(sel.Left(), left);
        EXPECT_EQ(sel.Top(), top);
        EXPECT_EQ(sel.Right(), right);
        EXPECT_EQ(sel.Bottom(), bottom);
    }
    QImage image{500, 400, QImage::Format_RGB32};
    platform::Draw_surface dc{&image};
    Cls_SelRect sel;
    test::Captured_reports reports;
};

TEST_F(Selection, InitiateTakesTheMiddleOfThePictureAndDrawsAYellowDashedOutline)
{
    Expect_sides(100, 80, 400, 320);
    EXPECT_EQ(sel.Rect_coords(), "320,100,400,80");
    EXPECT_EQ(sel.Width(), 300);
    EXPECT_EQ(sel.Height(), 240);
    EXPECT_TRUE(sel.Visible());
    int yellow = 0, other = 0;
    for (int x = 100; x < 400; ++x) (dc.GetPixel(x, 80) == 0x00FFFF ? yellow : other)++;
    EXPECT_GT(yellow, 100);
    EXPECT_GT(other, 10); // the gaps of the dashes
    EXPECT_EQ(dc.GetPixel(250, 200), 0);           // hollow inside
    EXPECT_EQ(dc.GetPixel(96, 76), 0);             // no grab boxes while nothing is dragged
}

TEST_F(Selection, AClickOnABorderStartsNoDragAndOneStrictlyInsideDoes)
{
    for (auto [x, y] : {std::pair{100.f, 200.f}, {400.f, 200.f}, {250.f, 80.f}, {250.f, 320.f}, {405.f, 80.f},
                        {400.f, 75.f}}) {
        sel.MouseDown(x, y);
        EXPECT_EQ(sel.Drag_state(), 0) << x << "," << y;
        EXPECT_FALSE(sel.Mouse_Event_Taken()) << x << "," << y;
    }
    sel.MouseDown(398, 82); // inside grab box 1 (top right), which comes first
    EXPECT_EQ(sel.Drag_state(), 1);
    EXPECT_TRUE(sel.Mouse_Event_Taken());
    EXPECT_FALSE(sel.Mouse_Event_Taken()); // asking clears it
    sel.MouseDown(250, 200);
    EXPECT_EQ(sel.Drag_state(), 9);
    sel.Set_visible(false);
    sel.MouseDown(398, 82);
    EXPECT_EQ(sel.Drag_state(), 9); // a hidden rectangle takes no clicks
}

TEST_F(Selection, EachGrabBoxMovesItsOwnCornerKeepingWhereItWasGrabbed)
{
    Drag(402, 78, {{452, 58}}); // box 1, grabbed 2 right and 2 above the corner
    Expect_sides(100, 60, 450, 320);
    Drag(451, 321, {{481, 351}}); // box 2
    Expect_sides(100, 60, 480, 350);
    Drag(99, 349, {{49, 329}}); // box 3
    Expect_sides(50, 60, 480, 330);
    Drag(52, 62, {{12, 22}}); // box 4
    Expect_sides(10, 20, 480, 330);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Selection, ResizingNeverTurnsTheRectangleInsideOut)
{
    Drag(98, 78, {{450, 390}}); // box 4 dragged past the opposite corner
    EXPECT_EQ(sel.Left(), 400 - Cls_SelRect::k_Min_side);
    EXPECT_EQ(sel.Top(), 320 - Cls_SelRect::k_Min_side);
    Drag(402, 322, {{0, 0}}); // box 2 dragged past the opposite corner
    EXPECT_EQ(sel.Right(), sel.Left() + Cls_SelRect::k_Min_side);
    EXPECT_EQ(sel.Bottom(), sel.Top() + Cls_SelRect::k_Min_side);
    EXPECT_GT(sel.Width(), 0);
    EXPECT_GT(sel.Height(), 0);
}

TEST_F(Selection, ASideNeverLeavesThePrintableArea)
{
    sel.Printable_right(450);
    Drag(402, 322, {{470, 330}, {600, 500}}); // past the printable right, then past the picture
    EXPECT_EQ(sel.Right(), 400);               // refused, where it was
    EXPECT_EQ(sel.Bottom(), 328);              // 328 was inside, 498 was not
    Drag(402, 332, {{449, 332}});
    EXPECT_EQ(sel.Right(), 447);
}

TEST_F(Selection, MovingAgainstTheLeftEdgeHoldsTheLeftSideWhileTheRightFollowsTheMouse)
{
    sel.Set_Rect(200, 50, 150, 100); // bottom, left, right, top: 100 wide
    Drag(100, 150, {{60, 160}});
    Expect_sides(10, 110, 110, 210);
    Drag(100, 150, {{80, 150}});
    Expect_sides(0, 110, 90, 210); // narrowed against the edge
    Drag(50, 150, {{-500, 150}});
    Expect_sides(0, 110, Cls_SelRect::k_Min_side, 210); // never narrower, never inside out
}

TEST_F(Selection, WithAProportionEveryResizeSetsTheHeightFromTheWidth)
{
    sel.Set_Proportion(0.75f);
    Drag(401, 321, {{301, 251}});
    Expect_sides(100, 80, 300, 230); // 80 + 0.75 x 200
    Drag(98, 78, {{150, 60}});       // box 4
    EXPECT_EQ(sel.Bottom(), sel.Top() + std::lround(0.75 * sel.Width()));
    // Where the proportion would pass the printable bottom, the width gives way instead.
    sel.Set_Rect(330, 100, 160, 300);
    Drag(161, 331, {{401, 331}});
    Expect_sides(100, 300, 233, 400); // 100 high at 0.75 is 133 wide
    EXPECT_NEAR(sel.Bottom() - sel.Top(), 0.75 * sel.Width(), 1.0);
}

TEST_F(Selection, AMoveArrivingDuringAMoveLeavesTheOuterMovesStateAlone)
{
    bool busy_inside = false;
    int inner_calls = 0;
    sel.Changed = [&] {
        if (inner_calls++ > 0) return;
        sel.MouseMove(10, 10); // would move the rectangle far away
        busy_inside = sel.Busy();
        EXPECT_TRUE(sel.Mouse_Event_Taken()); // the outer move's flag is still there
    };
    Drag(250, 200, {{260, 210}});
    EXPECT_TRUE(busy_inside);
    EXPECT_EQ(inner_calls, 1);
    Expect_sides(110, 90, 410, 330); // only the outer move happened
    EXPECT_FALSE(sel.Busy());
}

TEST_F(Selection, GrabBoxesAreDrawnOnlyWhileDraggingOrWhenForced)
{
    sel.Set_Caption("Finish");
    sel.MouseDown(250, 200);
    sel.Display_all_items();
    EXPECT_EQ(dc.GetPixel(95, 75), 0xFF00FF); // box 4's outline
    sel.mouseup();
    image.fill(Qt::black);
    sel.Display_all_items();
    EXPECT_EQ(dc.GetPixel(95, 75), 0);
    sel.Force_selection_boxes(1);
    sel.Display_all_items();
    EXPECT_EQ(dc.GetPixel(95, 75), 0xFF00FF);
    int caption = 0; // the caption is drawn in the outline's colour, centred across the top
    for (int x = 200; x < 300; ++x)
        for (int y = 82; y < 100; ++y) caption += dc.GetPixel(x, y) == 0x00FFFF;
    EXPECT_GT(caption, 20);
}

TEST(Rectangle_record, EverySideIsStoredAndReadBackWithin16Bits)
{
    Cls_Rect r;
    r.Set_Rect(1, 2, 3, 4); // top, left, right, bottom
    EXPECT_EQ(r.Top(), 1);
    EXPECT_EQ(r.Left(), 2);
    EXPECT_EQ(r.Right(), 3);
    EXPECT_EQ(r.Bottom(), 4);
    r.Top(-7);
    r.Bottom(8);
    EXPECT_EQ(r.Top(), -7);
    EXPECT_EQ(r.Bottom(), 8);
    EXPECT_EQ(r.Left(), 2);
    r.Set_Rect(40000, 0, 0, 0);
    EXPECT_EQ(test::Error_number([&] { r.Top(); }), err_Overflow);
}

} // namespace
} // namespace wk
