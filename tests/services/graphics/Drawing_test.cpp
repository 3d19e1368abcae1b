#include "services/graphics/CMemoryDC.h"
#include "services/graphics/DrawElement.h"
#include "services/graphics/Ostra_WuLines.h"
#include "services/graphics/cDIBSection.h"
#include "services/graphics/modAPIDraw.h"

#include "services/Run_time_error.h"
#include "tests/support/Test_support.h"
#include "tests/support/Told_operator.h"

#include <set>
#include <string>

namespace wk {
namespace {

using platform::Rgb;
constexpr int32_t k_Red = Rgb(255, 0, 0);
constexpr int32_t k_Green = Rgb(0, 255, 0);
constexpr int32_t k_Marker = Rgb(1, 2, 3);

// A picture filled with the marker colour, drawn on through its device context.
struct Canvas {
    cDIBSection dib;
    platform::Draw_surface* dc;
    Canvas(int32_t w, int32_t h)
    {
        EXPECT_TRUE(dib.Create(w, h));
        dc = dib.hDC();
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                dc->SetPixel(x, y, k_Marker);
    }
    int32_t At(int32_t x, int32_t y) const { return dc->GetPixel(x, y); }
    // Every pixel that is no longer the marker colour.
    std::set<std::pair<int32_t, int32_t>> Touched() const
    {
        std::set<std::pair<int32_t, int32_t>> touched;
        for (int32_t y = 0; y < dib.Height(); ++y)
            for (int32_t x = 0; x < dib.Width(); ++x)
                if (At(x, y) != k_Marker)
                    touched.insert({x, y});
        return touched;
    }
};

TEST(modAPIDraw, RectanglesAndEllipsesKeepInsideTheirExclusiveBox)
{
    Canvas c(30, 30);
    EXPECT_EQ(Draw_Rectangle(c.dc, {2, 3}, {6, 8}, k_Green, 0, platform::BS_SOLID, platform::PS_SOLID, 1, k_Red), 1);
    EXPECT_EQ(c.At(2, 3), k_Red);
    EXPECT_EQ(c.At(5, 7), k_Red);
    EXPECT_EQ(c.At(3, 4), k_Green);
    EXPECT_EQ(c.At(4, 6), k_Green);
    EXPECT_EQ(c.At(6, 5), k_Marker);
    EXPECT_EQ(c.At(4, 8), k_Marker);
    EXPECT_EQ(c.Touched().size(), 4u * 5u);
    // In the bottom-up bits the rectangle's top row lies at memory row height - 1 - 3.
    const uint8_t* p = c.dib.DIBSectionBitsPtr() + (30 - 1 - 3) * c.dib.BytesPerScanLine() + 2 * 3;
    EXPECT_EQ(p[2], 255);

    Canvas e(30, 30);
    EXPECT_EQ(Draw_Ellipse(e.dc, {10, 10}, {20, 20}, k_Green, 0, platform::BS_SOLID, platform::PS_SOLID, 1, k_Red), 1);
    for (const auto& [x, y] : e.Touched()) {
        EXPECT_TRUE(x >= 10 && x <= 19 && y >= 10 && y <= 19) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{10, 14}, {19, 15}, {14, 10}, {15, 19}})
        EXPECT_EQ(e.At(x, y), k_Red) << x << "," << y;
    EXPECT_EQ(e.At(14, 14), k_Green);
    EXPECT_EQ(e.At(10, 10), k_Marker);
    EXPECT_EQ(e.At(19, 19), k_Marker);
}

TEST(modAPIDraw, HollowAndUnmadeBrushesLeaveTheInsideAlone)
{
    // Style 1 is hollow; a pattern brush (3), an unknown style and a hatch out of range cannot be
    // made here and draw as hollow too, even right after a solid brush was in use.
    for (auto [style, hatch] : {std::pair<int32_t, int32_t>{platform::BS_HOLLOW, 0}, {platform::BS_PATTERN, 0}, {42, 0},
                                {platform::BS_HATCHED, 9}}) {
        for (int round = 0; round < 2; ++round) {
            Canvas c(12, 12);
            c.dc->SelectBrush({platform::BS_SOLID, k_Green, 0});
            Draw_Rectangle(c.dc, {1, 1}, {9, 9}, k_Green, hatch, style, platform::PS_SOLID, 1, k_Red);
            Draw_Ellipse(c.dc, {1, 1}, {9, 9}, k_Green, hatch, style, platform::PS_SOLID, 1, k_Red);
            EXPECT_EQ(c.At(4, 4), k_Marker) << "style " << style;
            EXPECT_EQ(c.At(1, 1), k_Red);
            // The device context gets back the pen and brush it had.
            EXPECT_EQ(c.dc->Current_brush().colour, k_Green);
            EXPECT_EQ(c.dc->Current_brush().style, platform::BS_SOLID);
            EXPECT_EQ(c.dc->Current_pen().colour, 0);
        }
    }
}

TEST(modAPIDraw, LinesLeaveOutTheirEndAndAFailedLineShowsTheErrorNumber)
{
    Canvas c(8, 3);
    EXPECT_EQ(Draw_Line(c.dc, {0, 1}, {5, 1}, platform::PS_SOLID, 1, k_Red), 1);
    EXPECT_EQ(c.Touched().size(), 5u);
    EXPECT_EQ(c.At(5, 1), k_Marker);

    test::Scripted_dialogs dialogs; // no box comes from below the windows
    test::Told_operator told;
    EXPECT_EQ(Line_Between(nullptr, {0, 0}, {3, 3}), 0);
    EXPECT_EQ(told.told, std::vector<std::string>{"6"}); // the invalid handle's number
}

TEST(Ostra_WuLines, AFlatLineOfThicknessTwoFillsTheRowAboveAndTheMiddle)
{
    Canvas c(12, 20);
    const Colour_Triple white{255, 255, 255};
    Draw_Wu_Line(c.dc, {0, 10}, {10, 10}, white, 2, false);
    for (int32_t x = 0; x <= 10; ++x) {
        EXPECT_EQ(c.At(x, 9), Rgb(255, 255, 255)) << x;
        EXPECT_EQ(c.At(x, 10), Rgb(255, 255, 255)) << x;
        EXPECT_EQ(c.At(x, 11), k_Marker) << x;
    }
    EXPECT_EQ(c.Touched().size(), 22u);
}

TEST(Ostra_WuLines, EdgePixelsAreBlendedByTheFractionalPosition)
{
    Canvas c(12, 8);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 12; ++x)
            c.dc->SetPixel(x, y, 0);
    Draw_Wu_Line(c.dc, {0, 0}, {10, 4}, Colour_Triple{255, 255, 255}, 2, false);
    // Step 3: t = 1.2, so row 0 takes 80 % of the colour, row 2 20 %, row 1 is solid.
    EXPECT_EQ(c.At(3, 0), Rgb(204, 204, 204));
    EXPECT_EQ(c.At(3, 1), Rgb(255, 255, 255));
    EXPECT_EQ(c.At(3, 2), Rgb(51, 51, 51));
    EXPECT_EQ(c.At(3, 3), 0);

    // Thickness 1: only the two blended pixels, half and half at step 1 of (0,0)-(4,2); the
    // marker's red 1 and white's 255 average to 128.
    Canvas thin(6, 6);
    Draw_Wu_Line(thin.dc, {0, 0}, {4, 2}, Colour_Triple{255, 255, 255}, 1, false);
    EXPECT_EQ(thin.At(1, 0) & 0xFF, 128);
    EXPECT_EQ(thin.At(1, 1) & 0xFF, 128);
    EXPECT_EQ(thin.At(1, 2), k_Marker);
}

TEST(Ostra_WuLines, SteepDashedLinesDrawTenStepsAndSkipEleven)
{
    Canvas c(10, 50);
    Draw_Wu_Line(c.dc, {5, 0}, {5, 49}, Colour_Triple{0, 0, 255}, 2, true);
    std::string drawn;
    for (int32_t y = 0; y < 50; ++y)
        drawn += c.At(5, y) == k_Red ? '#' : '.';
    EXPECT_EQ(drawn, std::string(9, '#') + std::string(11, '.') + std::string(10, '#') + std::string(11, '.') +
                         std::string(9, '#'));
    // The dash flag does nothing to flat lines, and equal end points draw nothing.
    Canvas flat(50, 5);
    Draw_Wu_Line(flat.dc, {0, 2}, {49, 2}, Colour_Triple{0, 0, 255}, 2, true);
    EXPECT_EQ(flat.Touched().size(), 100u);
    Draw_Wu_Line(flat.dc, {3, 4}, {3, 4}, Colour_Triple{0, 255, 0}, 2, false);
    EXPECT_EQ(flat.At(3, 4), k_Marker);
}

TEST(Ostra_WuLines, CoordinatesBeyondSixteenBitsOfDifferenceAreDrawnClipped)
{
    Canvas c(20, 10);
    Draw_Wu_Line(c.dc, {-32000, 5}, {32000, 5}, Colour_Triple{0, 255, 0}, 2, false);
    for (int32_t x = 0; x < 20; ++x) {
        EXPECT_EQ(c.At(x, 4), k_Green);
        EXPECT_EQ(c.At(x, 5), k_Green);
        EXPECT_EQ(c.At(x, 6), k_Marker);
    }
}

TEST(Ostra_WuLines, ColourHelpers)
{
    const Colour_Triple t = Colour_To_Triple(Rgb(1, 2, 3));
    EXPECT_EQ(t.Red, 1);
    EXPECT_EQ(t.Green, 2);
    EXPECT_EQ(t.Blue, 3);
    EXPECT_EQ(Triple_To_Colour(t), Rgb(1, 2, 3));
    const Colour_Triple invalid = Colour_To_Triple(platform::CLR_INVALID);
    EXPECT_EQ(Triple_To_Colour(invalid), Rgb(255, 0, 0));
    EXPECT_EQ(Blend_Byte(0, 255, 0.5f), 128); // 127.5 to the even 128
    EXPECT_EQ(Blend_Byte(2, 3, 0.5f), 2);     // 2.5 to the even 2
    EXPECT_EQ(Blend_Byte(10, 20, 0.0f), 10);
    Colour_Triple out;
    Blend_Triple(out, Colour_Triple{0, 100, 200}, Colour_Triple{100, 0, 0}, 0.25f);
    EXPECT_EQ(out.Blue, 25);
    EXPECT_EQ(out.Green, 75);
    EXPECT_EQ(out.Red, 150);
    try {
        Blend_Byte(0, 255, 2.0f);
        FAIL() << "no overflow";
    } catch (const Run_time_error& e) {
        EXPECT_EQ(e.number(), err_Overflow);
    }
}

TEST(DrawElement, AnglesBetweenTwoRays)
{
    const auto angle = [](Point_16 first, Point_16 second, int16_t kind = DrawElement::k_Angle_element) {
        DrawElement element(kind, {0, 0}, first, second);
        element.Compute_Angle();
        return element.Angle();
    };
    EXPECT_EQ(angle({1, 0}, {0, 1}), 90);
    EXPECT_EQ(angle({0, 1}, {1, 0}), 90);
    EXPECT_EQ(angle({-1, -1}, {1, 0}), 135);
    EXPECT_EQ(angle({-10, 1}, {-10, -1}), 11); // across the 180-degree line: 348.6 less 360
    EXPECT_EQ(angle({0, 5}, {0, -5}), 180);
    EXPECT_EQ(angle({1, 0}, {0, 1}, 3), 0); // other kinds keep their angle
}

TEST(CMemoryDC, OwnBitmapsAreRebuiltAndDeletedOutsideOnesAreOnlyBorrowed)
{
    std::shared_ptr<QImage> own;
    {
        CMemoryDC dc;
        EXPECT_EQ(dc.Width(), 1);
        EXPECT_EQ(dc.BitsPerPixel(), 32);
        EXPECT_EQ(dc.Planes(), 1);
        dc.Width(10);
        dc.Height(5);
        EXPECT_EQ(dc.Width(), 10);
        EXPECT_EQ(dc.Height(), 5);
        EXPECT_EQ(dc.WidthBytes(), 40);
        own = dc.hBitmap();
        dc.Width(0);
        EXPECT_EQ(dc.hBitmap(), own);
        EXPECT_EQ(dc.Width(), 10);

        dc.PixelColor(2, 3, Rgb(9, 8, 7));
        EXPECT_EQ(dc.PixelColor(2, 3), Rgb(9, 8, 7));
        dc.PixelColor(0, 0, static_cast<int32_t>(0x8000000F)); // the button face colour
        EXPECT_EQ(dc.PixelColor(0, 0), platform::GetSysColor(15));
        const QImage copy = dc.Picture();
        EXPECT_EQ(copy.pixel(2, 3), qRgb(9, 8, 7));

        CMemoryDC other;
        other.Picture(copy);
        EXPECT_EQ(other.Width(), 10);
        EXPECT_EQ(other.PixelColor(2, 3), Rgb(9, 8, 7));
    }
    EXPECT_TRUE(own->isNull()); // deleted with the class

    auto outside = std::make_shared<QImage>(4, 4, QImage::Format_RGB32);
    auto kept = std::shared_ptr<QImage>();
    {
        CMemoryDC dc;
        dc.TerminateKillsBitmap(false);
        kept = dc.hBitmap();
        CMemoryDC borrower;
        borrower.hBitmap(outside);
        EXPECT_EQ(borrower.Width(), 4);
        try {
            borrower.hBitmap(std::make_shared<QImage>());
            FAIL() << "no error";
        } catch (const Run_time_error& e) {
            EXPECT_EQ(e.number(), static_cast<int32_t>(0x80040001));
            EXPECT_EQ(e.description(), "Invalid handle.");
            EXPECT_EQ(e.source(), "CMemoryDC.hBitmap");
        }
    }
    EXPECT_FALSE(outside->isNull());
    EXPECT_FALSE(kept->isNull());
}

} // namespace
} // namespace wk
