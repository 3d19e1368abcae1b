#include "platform/Draw_surface.h"
#include "platform/Image_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

#include <string>
#include <vector>

namespace wk::platform {
namespace {

constexpr int32_t k_Red = Rgb(255, 0, 0);
constexpr int32_t k_Blue = Rgb(0, 0, 255);
constexpr int32_t k_Grey = Rgb(50, 50, 50);

// The painted pixels of a row as text, '#' for colour, '.' for anything else.
std::string Row(const Draw_surface& s, int32_t y, int32_t colour)
{
    std::string text;
    for (int32_t x = 0; x < s.Width(); ++x)
        text += s.GetPixel(x, y) == colour ? '#' : '.';
    return text;
}

struct Bottom_up {
    int32_t width, height;
    std::vector<uint8_t> bits;
    Draw_surface surface;
    Bottom_up(int32_t w, int32_t h) : width(w), height(h), bits(size_t(Image_stride(w)) * h, 0)
    {
        surface.Attach_bottom_up(bits.data(), w, h);
    }
};

TEST(Draw_surface, BottomUpBuffersAreDrawnInImageCoordinates)
{
    Bottom_up b(3, 4);
    EXPECT_EQ(b.surface.SetPixel(1, 0, Rgb(10, 20, 30)), Rgb(10, 20, 30));
    // Image row 0 is the last row in memory; the pixel is stored blue, green, red.
    const uint8_t* p = b.bits.data() + 3 * Image_stride(3) + 3;
    EXPECT_EQ(p[0], 30);
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 10);
    EXPECT_EQ(b.surface.GetPixel(3, 0), CLR_INVALID);
    EXPECT_EQ(b.surface.GetPixel(0, -1), CLR_INVALID);
    EXPECT_EQ(b.surface.SetPixel(0, 4, k_Red), -1);
    // Copies into a top-down image keep the top at the top.
    EXPECT_EQ(b.surface.Image_copy().pixel(1, 0), qRgb(10, 20, 30));
}

TEST(Draw_surface, ImagesOfEveryFormatAreDrawnWithTheirOwnByteOrder)
{
    for (auto format : {QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_BGR888, QImage::Format_Indexed8}) {
        QImage image(4, 2, format);
        image.fill(0);
        Draw_surface s(&image);
        s.SetPixel(2, 1, Rgb(10, 20, 30));
        EXPECT_EQ(image.pixel(2, 1) & 0xFFFFFF, qRgb(10, 20, 30) & 0xFFFFFF) << format;
        EXPECT_EQ(s.GetPixel(2, 1), Rgb(10, 20, 30)) << format;
    }
}

TEST(Draw_surface, NothingAttachedFailsWithInvalidHandle)
{
    Draw_surface s;
    EXPECT_FALSE(s.LineTo(3, 3));
    EXPECT_EQ(s.Last_error(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(s.Rectangle(0, 0, 2, 2));
    EXPECT_EQ(s.GetPixel(0, 0), CLR_INVALID);
}

TEST(Draw_surface, LinesLeaveOutTheirEndPointAndFollowThePenStyle)
{
    Bottom_up b(12, 5);
    Draw_surface& s = b.surface;
    s.SelectPen({PS_SOLID, 1, k_Red});
    s.MoveToEx(0, 0);
    EXPECT_TRUE(s.LineTo(5, 0));
    EXPECT_EQ(Row(s, 0, k_Red), "#####.......");
    EXPECT_EQ(s.Current_position().x, 5);
    s.SelectPen({PS_DOT, 1, k_Red});
    s.MoveToEx(0, 2);
    s.LineTo(12, 2);
    EXPECT_EQ(Row(s, 2, k_Red), "###...###...");
    s.SelectPen({PS_NULL, 1, k_Red});
    s.MoveToEx(0, 4);
    s.LineTo(12, 4);
    EXPECT_EQ(Row(s, 4, k_Red), "............");
    // A wide pen is round and includes the end.
    s.SelectPen({PS_SOLID, 3, k_Blue});
    s.MoveToEx(5, 3);
    s.LineTo(8, 3);
    EXPECT_EQ(Row(s, 3, k_Blue), "....######..");
    EXPECT_EQ(Row(s, 4, k_Blue), "....######..");
}

TEST(Draw_surface, RectanglesHaveExclusiveRightAndBottomEdges)
{
    QImage image(8, 7, QImage::Format_RGB32);
    image.fill(Qt::black);
    Draw_surface s(&image);
    s.SelectPen({PS_SOLID, 1, k_Red});
    s.SelectBrush({BS_SOLID, k_Blue, 0});
    EXPECT_TRUE(s.Rectangle(6, 5, 1, 1)); // corners in any order
    EXPECT_EQ(Row(s, 0, 0), "########");
    EXPECT_EQ(Row(s, 1, k_Red), ".#####..");
    EXPECT_EQ(Row(s, 2, k_Red), ".#...#..");
    EXPECT_EQ(Row(s, 2, k_Blue), "..###...");
    EXPECT_EQ(Row(s, 4, k_Red), ".#####..");
    EXPECT_EQ(Row(s, 5, 0), "########");

    // Without a pen the filled box is one pixel smaller.
    image.fill(Qt::black);
    s.SelectPen({PS_NULL, 1, k_Red});
    s.Rectangle(1, 1, 6, 5);
    EXPECT_EQ(Row(s, 1, k_Blue), ".####...");
    EXPECT_EQ(Row(s, 4, k_Blue), "........");

    // An inside-frame pen stays inside the box; a solid one is centred on its edge.
    image.fill(Qt::black);
    s.SelectBrush({BS_NULL, 0, 0});
    s.SelectPen({PS_INSIDEFRAME, 3, k_Red});
    s.Rectangle(1, 0, 8, 7);
    EXPECT_EQ(Row(s, 3, k_Red), ".###.###");
    image.fill(Qt::black);
    s.SelectPen({PS_SOLID, 3, k_Red});
    s.Rectangle(1, 1, 7, 6);
    EXPECT_EQ(Row(s, 3, k_Red), "###..###");
}

TEST(Draw_surface, HatchedBrushesFillTheirGapsWithWhite)
{
    Bottom_up b(10, 10);
    b.surface.SelectPen({PS_NULL, 1, 0});
    b.surface.SelectBrush({BS_HATCHED, k_Red, HS_VERTICAL});
    b.surface.Rectangle(0, 0, 11, 11);
    EXPECT_EQ(Row(b.surface, 3, k_Red), "#.......#.");
    EXPECT_EQ(Row(b.surface, 3, 0xFFFFFF), ".#######.#");
}

TEST(Draw_surface, BlitsApplyTheirRasterOperation)
{
    QImage source_image(2, 1, QImage::Format_RGB32), target_image(2, 1, QImage::Format_RGB32);
    Draw_surface source(&source_image), target(&target_image);
    source.SetPixel(0, 0, Rgb(0xF0, 0x0F, 0xFF));
    source.SetPixel(1, 0, Rgb(1, 2, 3));
    const auto reset = [&] {
        target.SetPixel(0, 0, Rgb(0xFF, 0xFF, 0x00));
        target.SetPixel(1, 0, Rgb(9, 9, 9));
    };
    reset();
    EXPECT_TRUE(target.BitBlt(0, 0, 1, 1, &source, 0, 0, SRCINVERT));
    EXPECT_EQ(target.GetPixel(0, 0), Rgb(0x0F, 0xF0, 0xFF));
    EXPECT_EQ(target.GetPixel(1, 0), Rgb(9, 9, 9));
    reset();
    target.BitBlt(0, 0, 2, 1, &source, 0, 0, SRCAND);
    EXPECT_EQ(target.GetPixel(0, 0), Rgb(0xF0, 0x0F, 0x00));
    reset();
    EXPECT_TRUE(target.BitBlt(0, 0, 2, 1, nullptr, 0, 0, DSTINVERT));
    EXPECT_EQ(target.GetPixel(0, 0), Rgb(0x00, 0x00, 0xFF));
    EXPECT_FALSE(target.BitBlt(0, 0, 2, 1, nullptr, 0, 0, SRCCOPY));
    EXPECT_EQ(target.Last_error(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(target.BitBlt(0, 0, 2, 1, &source, 0, 0, 0x00F00021)); // PATCOPY needs a pattern
    EXPECT_EQ(target.Last_error(), ERROR_INVALID_PARAMETER);
}

TEST(Draw_surface, StretchingKeepsWholePixelsAndNeverReadsOutsideTheSource)
{
    Bottom_up source(2, 2);
    source.surface.SetPixel(0, 0, k_Red);
    source.surface.SetPixel(1, 1, k_Blue);
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(qRgb(50, 50, 50));
    Draw_surface target(&image);
    target.SetStretchBltMode(COLORONCOLOR);
    EXPECT_TRUE(target.StretchBlt(0, 0, 4, 4, &source.surface, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(Row(target, 0, k_Red), "##....");
    EXPECT_EQ(Row(target, 1, k_Red), "##....");
    EXPECT_EQ(Row(target, 3, k_Blue), "..##..");
    EXPECT_EQ(Row(target, 3, k_Grey), "....##");

    // Half of the source rectangle lies past the picture: only the inside half is painted, at
    // the place and scale it would have had.
    image.fill(qRgb(50, 50, 50));
    EXPECT_TRUE(target.StretchBlt(0, 0, 4, 4, &source.surface, 1, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(Row(target, 0, k_Grey), "..####");
    EXPECT_EQ(Row(target, 2, k_Blue), "##....");
}

TEST(Draw_surface, TransparentBlitsLeaveOutTheKeyColour)
{
    QImage overlay(3, 1, QImage::Format_RGB32), picture(3, 1, QImage::Format_RGB32);
    overlay.fill(qRgb(255, 0, 255));
    picture.fill(qRgb(50, 50, 50));
    Draw_surface source(&overlay), target(&picture);
    source.SetPixel(1, 0, k_Red);
    EXPECT_TRUE(target.TransparentBlt(0, 0, 3, 1, &source, 0, 0, 3, 1, Rgb(255, 0, 255)));
    EXPECT_EQ(Row(target, 0, k_Red), ".#.");
    EXPECT_EQ(Row(target, 0, k_Grey), "#.#");
}

TEST(Draw_surface, AnOverlayKeyedOntoAPictureCopiesExactlyItsOtherPixels)
{
    // Rows of 1 to 13 pixels (key pixels are passed over four at a time), every pattern of
    // drawn pixels at one place in a row, in every 32-bit format.
    const int32_t key = Rgb(128, 128, 128);
    for (int32_t w = 1; w <= 13; ++w)
        for (int32_t drawn = -1; drawn < w; ++drawn)
            for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
                Bottom_up overlay(w, 2);
                for (int32_t y = 0; y < 2; ++y)
                    for (int32_t x = 0; x < w; ++x)
                        overlay.surface.SetPixel(x, y, x == drawn || (y == 1 && x == w - 1) ? Rgb(x, 200, 7) : key);
                QImage picture(w, 2, format);
                picture.fill(qRgb(1, 2, 3));
                Draw_surface target(&picture);
                ASSERT_TRUE(target.TransparentBlt(0, 0, w, 2, &overlay.surface, 0, 0, w, 2, key));
                for (int32_t y = 0; y < 2; ++y)
                    for (int32_t x = 0; x < w; ++x) {
                        const bool shown = x == drawn || (y == 1 && x == w - 1);
                        EXPECT_EQ(target.GetPixel(x, y), shown ? Rgb(x, 200, 7) : Rgb(1, 2, 3)) << w << " " << x;
                        EXPECT_EQ(qAlpha(picture.pixel(x, y)), 255);
                    }
            }
}

TEST(Draw_surface, PlainCopiesAtOneToOneGiveEveryPixelIntoEveryFormat)
{
    // Rows of 1 to 9 pixels (the copy works on groups of four), clipped on every side.
    for (int32_t w = 1; w <= 9; ++w) {
        Bottom_up source(w, 3);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < w; ++x) source.surface.SetPixel(x, y, Rgb(10 * x + 1, 20 * y + 2, 7 * x + 5 * y));
        for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888,
                                      QImage::Format_BGR888}) {
            QImage image(w + 2, 4, format);
            image.fill(Qt::black);
            Draw_surface target(&image);
            ASSERT_TRUE(target.BitBlt(-1, 2, w + 1, 3, &source.surface, 0, 0, SRCCOPY));
            for (int32_t y = 0; y < 4; ++y)
                for (int32_t x = 0; x < w + 2; ++x) {
                    const bool copied = y >= 2 && x < w - 1;
                    EXPECT_EQ(target.GetPixel(x, y), copied ? source.surface.GetPixel(x + 1, y - 2) : 0)
                        << w << " " << format << " " << x << "," << y;
                }
            if (format == QImage::Format_ARGB32) {
                EXPECT_EQ(qAlpha(image.pixel(0, 2)), 255);
            }
        }
        // Bottom-up to bottom-up, and back from a 32-bit image.
        Bottom_up copy(w, 3);
        ASSERT_TRUE(copy.surface.BitBlt(0, 0, w, 3, &source.surface, 0, 0, SRCCOPY));
        EXPECT_EQ(copy.bits, source.bits);
        QImage image(w, 3, QImage::Format_RGB32);
        Draw_surface middle(&image);
        ASSERT_TRUE(middle.BitBlt(0, 0, w, 3, &source.surface, 0, 0, SRCCOPY));
        Bottom_up back(w, 3);
        ASSERT_TRUE(back.surface.BitBlt(0, 0, w, 3, &middle, 0, 0, SRCCOPY));
        EXPECT_EQ(back.bits, source.bits);
    }
    // Onto itself, overlapping: as if the source had been copied out first.
    Bottom_up b(4, 1);
    for (int32_t x = 0; x < 4; ++x) b.surface.SetPixel(x, 0, Rgb(x + 1, 0, 0));
    ASSERT_TRUE(b.surface.BitBlt(1, 0, 3, 1, &b.surface, 0, 0, SRCCOPY));
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(b.surface.GetPixel(x, 0), Rgb(x == 0 ? 1 : x, 0, 0));
}

TEST(Draw_surface, WholeRowsAreWrittenWhereThePictureKeepsThem)
{
    Draw_surface nothing;
    EXPECT_EQ(nothing.Write_rows().top, nullptr);

    // Bottom-up: row 0 of the image is the last row in memory, and the rows step backwards.
    Bottom_up b(5, 3);
    const Pixel_rows rows = b.surface.Write_rows();
    ASSERT_EQ(rows.top, b.bits.data() + 2 * Image_stride(5));
    EXPECT_EQ(rows.step, -Image_stride(5));
    EXPECT_EQ(rows.bytes_per_pixel, 3);
    rows.top[rows.step + 3 * 4 + rows.r] = 200; // pixel (4, 1)
    rows.top[rows.step + 3 * 4 + rows.b] = 7;
    EXPECT_EQ(b.surface.GetPixel(4, 1), Rgb(200, 0, 7));

    for (auto format : {QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_BGR888}) {
        QImage image(4, 2, format);
        image.fill(Qt::black);
        const QImage shared = image; // a copy sharing the pixels keeps its own
        Draw_surface s(&image);
        const Pixel_rows r = s.Write_rows();
        ASSERT_EQ(r.top, image.bits()) << format;
        EXPECT_EQ(r.step, image.bytesPerLine());
        EXPECT_EQ(r.bytes_per_pixel, format == QImage::Format_RGB32 ? 4 : 3);
        uint8_t* p = r.top + r.step + 2 * r.bytes_per_pixel; // pixel (2, 1)
        p[r.r] = 10, p[r.g] = 20, p[r.b] = 30;
        EXPECT_EQ(image.pixel(2, 1) & 0xFFFFFF, qRgb(10, 20, 30) & 0xFFFFFF) << format;
        EXPECT_EQ(shared.pixel(2, 1) & 0xFFFFFF, 0u) << format;
    }
}

// The smallest box holding every pixel of colour, as left, top, right, bottom (exclusive);
// right is 0 when there is none.
std::array<int32_t, 4> Ink_box(const Draw_surface& s, int32_t colour)
{
    std::array<int32_t, 4> box{s.Width(), s.Height(), 0, 0};
    for (int32_t y = 0; y < s.Height(); ++y)
        for (int32_t x = 0; x < s.Width(); ++x)
            if (s.GetPixel(x, y) == colour)
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1), std::max(box[3], y + 1)};
    return box;
}

// Every pixel outside the box still has its old colour.
void Expect_untouched_outside(const Draw_surface& s, int32_t l, int32_t t, int32_t r, int32_t b, int32_t old)
{
    for (int32_t y = 0; y < s.Height(); ++y)
        for (int32_t x = 0; x < s.Width(); ++x)
            if (x < l || x >= r || y < t || y >= b)
                ASSERT_EQ(s.GetPixel(x, y), old) << x << "," << y;
}

TEST(Draw_surface, TextIsCentredInItsBoxInTheTextColourOnEveryBuffer)
{
    const Font font{"Arial", 18, 8, 600};
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(qRgb(50, 50, 50));
    Draw_surface on_image(&image);
    Bottom_up b(60, 40);
    b.surface.Rectangle(-1, -1, 61, 41); // white brush, black pen: the edge is off the picture
    for (Draw_surface* s : {&on_image, &b.surface}) {
        const int32_t old = s->GetPixel(0, 0);
        ASSERT_TRUE(s->DrawText("8", 10, 5, 35, 30, font, k_Blue));
        const auto ink = Ink_box(*s, k_Blue);
        ASSERT_GT(ink[2], 0) << "no text drawn";
        EXPECT_GE(ink[0], 10);
        EXPECT_LE(ink[2], 35);
        // Centred: the margins left and right, above and below, differ by little (bearings).
        EXPECT_LE(std::abs((ink[0] - 10) - (35 - ink[2])), 2);
        EXPECT_LE(std::abs((ink[1] - 5) - (30 - ink[3])), 4);
        // A digit 18 pixels high in its cell stands at least 10 pixels tall.
        EXPECT_GE(ink[3] - ink[1], 10);
        // Transparent background: only letters changed, and nothing outside the box.
        Expect_untouched_outside(*s, 10, 5, 35, 30, old);
        int32_t other = 0;
        for (int32_t y = 5; y < 30; ++y)
            for (int32_t x = 10; x < 35; ++x)
                other += s->GetPixel(x, y) != k_Blue && s->GetPixel(x, y) != old;
        EXPECT_EQ(other, 0) << "letters are not smoothed into the background";
    }
}

TEST(Draw_surface, AnOpaqueTextBackgroundFillsTheTextsCellOnlyAndTextIsClippedToItsBox)
{
    QImage image(80, 40, QImage::Format_RGB32);
    image.fill(qRgb(50, 50, 50));
    Draw_surface s(&image);
    const Font font{"Arial", 14, 6, 600};
    ASSERT_TRUE(s.DrawText("15", 20, 5, 60, 35, font, k_Red, Rgb(255, 255, 255)));
    const auto paper = Ink_box(s, Rgb(255, 255, 255));
    const auto ink = Ink_box(s, k_Red);
    ASSERT_GT(paper[2], 0);
    // The cell is as high as the font (14) and lies centred inside the box with the letters on it.
    EXPECT_EQ(paper[3] - paper[1], 14);
    EXPECT_EQ(paper[1], 5 + (30 - 14) / 2);
    EXPECT_GT(paper[0], 20);
    EXPECT_LT(paper[2], 60);
    EXPECT_TRUE(ink[0] >= paper[0] && ink[2] <= paper[2] && ink[1] >= paper[1] && ink[3] <= paper[3]);
    Expect_untouched_outside(s, paper[0], paper[1], paper[2], paper[3], Rgb(50, 50, 50));

    // Text far wider than its box, and a box half off the picture: only the box's visible part
    // is written.
    image.fill(qRgb(50, 50, 50));
    ASSERT_TRUE(s.DrawText("WWWWWWWWWW", 30, -10, 50, 20, {"Arial", 30, 0, 400}, k_Red, k_Blue));
    EXPECT_EQ(Ink_box(s, k_Blue)[0], 30);
    EXPECT_EQ(Ink_box(s, k_Blue)[2], 50);
    Expect_untouched_outside(s, 30, 0, 50, 20, Rgb(50, 50, 50));
    EXPECT_TRUE(s.DrawText("x", -2000000000, -2000000000, 2000000000, 2000000000, font, k_Red));
    Draw_surface nothing;
    EXPECT_FALSE(nothing.DrawText("x", 0, 0, 10, 10, font, k_Red));
    EXPECT_EQ(nothing.Last_error(), ERROR_INVALID_HANDLE);
}

TEST(Draw_surface, TheFontsWidthAndHeightScaleTheLetters)
{
    const auto extent = [](const Font& font) {
        QImage image(200, 80, QImage::Format_RGB32);
        image.fill(Qt::black);
        Draw_surface s(&image);
        s.DrawText("0000", 0, 0, 200, 80, font, k_Red);
        const auto ink = Ink_box(s, k_Red);
        return std::pair{ink[2] - ink[0], ink[3] - ink[1]};
    };
    const auto narrow = extent({"Arial", 18, 5, 400});
    const auto wide = extent({"Arial", 18, 10, 400});
    const auto tall = extent({"Arial", 36, 0, 400});
    EXPECT_GT(wide.first, narrow.first * 3 / 2);
    EXPECT_LE(std::abs(wide.second - narrow.second), 1); // the width leaves the height alone
    // As with Arial on Windows, an average width of 10 makes a digit about 12.6 pixels wide.
    EXPECT_NEAR(wide.first, 4 * 12.6, 5);
    EXPECT_GT(tall.second, wide.second * 3 / 2);
}

} // namespace
} // namespace wk::platform
