// The overlay's drawn runs laid over a picture: the same pixels a keyed blit gives, and nothing
// laid where the runs no longer describe the overlay.
#include "viewer/Overlay_runs.h"

#include "platform/Draw_surface.h"
#include "services/graphics/cDIBSection.h"

#include <gtest/gtest.h>

#include <QImage>

#include <functional>

namespace wk {
namespace {

constexpr int32_t k_Key = platform::Rgb(128, 128, 128);

// An overlay of key colour with drawn pixels at both edges, a run across a row and a lone pixel
// one grey level off the key.
void Draw_overlay(cDIBSection& overlay)
{
    ASSERT_TRUE(overlay.Create(40, 30));
    overlay.Fill(k_Key);
    platform::Draw_surface& dc = *overlay.hDC();
    dc.SetPixel(0, 0, platform::Rgb(255, 0, 0));
    dc.SetPixel(39, 29, platform::Rgb(0, 0, 255));
    for (int x = 5; x < 35; ++x) dc.SetPixel(x, 12, platform::Rgb(x, 200, 7));
    dc.SetPixel(20, 20, platform::Rgb(128, 128, 129));
}

QImage Background()
{
    QImage picture(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) picture.setPixel(x, y, qRgb(x * 6, y * 8, 50));
    return picture;
}

TEST(Overlay_runs, LaysOverThePixelsAKeyedBlitLaysOver)
{
    cDIBSection overlay;
    Draw_overlay(overlay);
    Overlay_runs runs;
    runs.Note(overlay, k_Key);
    EXPECT_EQ(runs.Count(), 4u);

    QImage by_runs = Background(), by_blit = Background();
    ASSERT_TRUE(runs.Lay_over(by_runs, overlay));
    platform::Draw_surface blit(&by_blit);
    ASSERT_TRUE(blit.TransparentBlt(0, 0, 40, 30, overlay.hDC(), 0, 0, 40, 30, k_Key));
    EXPECT_EQ(by_runs, by_blit);
    EXPECT_EQ(by_runs.pixel(20, 20), qRgb(128, 128, 129));
    EXPECT_EQ(by_runs.pixel(21, 20), Background().pixel(21, 20));
}

TEST(Overlay_runs, RefusesWhereTheyNoLongerDescribeTheOverlay)
{
    cDIBSection overlay, other;
    Draw_overlay(overlay);
    Draw_overlay(other);
    Overlay_runs runs;
    QImage picture = Background();
    EXPECT_FALSE(runs.Lay_over(picture, overlay)); // nothing noted yet
    runs.Note(overlay, k_Key);
    EXPECT_FALSE(runs.Lay_over(picture, other));
    QImage wider(41, 30, QImage::Format_RGB32), rgb888(40, 30, QImage::Format_RGB888);
    EXPECT_FALSE(runs.Lay_over(wider, overlay));
    EXPECT_FALSE(runs.Lay_over(rgb888, overlay));
    EXPECT_EQ(picture, Background());
    runs.Forget();
    EXPECT_FALSE(runs.Lay_over(picture, overlay));
}

// Filling gives what a rectangle over the whole picture in that colour gives.
TEST(Overlay_runs, AFilledOverlayIsWhatARectangleOverItLeaves)
{
    cDIBSection filled, drawn;
    ASSERT_TRUE(filled.Create(37, 5)); // rows with padding
    ASSERT_TRUE(drawn.Create(37, 5));
    filled.Fill(platform::Rgb(1, 2, 3));
    platform::Draw_surface& dc = *drawn.hDC();
    dc.SelectPen({platform::PS_SOLID, 1, platform::Rgb(1, 2, 3)});
    dc.SelectBrush({platform::BS_SOLID, platform::Rgb(1, 2, 3), 0});
    ASSERT_TRUE(dc.Rectangle(0, 0, 37, 5));
    EXPECT_EQ(filled.hDC()->Image_copy(), drawn.hDC()->Image_copy());
    Overlay_runs runs;
    runs.Note(filled, platform::Rgb(1, 2, 3));
    EXPECT_EQ(runs.Count(), 0u);
}

// Runs found only where a tracking surface says it drew are those a scan of every pixel finds,
// whatever drew them; a span too narrow by one pixel would lose a run.
TEST(Overlay_runs, TheDrawnSpansHoldEveryPixelDrawn)
{
    using platform::Draw_surface;
    const platform::Pen wide{platform::PS_SOLID, 5, platform::Rgb(250, 250, 250)};
    const platform::Pen dashed{platform::PS_DASH, 1, platform::Rgb(0, 0, 255)};
    const platform::Brush hatched{platform::BS_HATCHED, platform::Rgb(0, 255, 0), platform::HS_DIAGCROSS};
    QImage label(9, 7, QImage::Format_RGB32);
    label.fill(Qt::black);
    label.setPixel(4, 3, qRgb(0, 255, 0));
    label.setPixel(8, 6, qRgb(255, 0, 0));
    Draw_surface label_dc(&label);
    const struct {
        const char* what;
        std::function<void(Draw_surface&)> draw;
    } cases[] = {
        {"pixels at the corners", [](Draw_surface& dc) { dc.SetPixel(0, 0, 1), dc.SetPixel(39, 29, 2); }},
        {"a steep wide line off the picture", [&](Draw_surface& dc) {
             dc.SelectPen(wide);
             dc.MoveToEx(3, -4);
             dc.LineTo(37, 33);
         }},
        {"a dashed hatched rectangle", [&](Draw_surface& dc) {
             dc.SelectPen(dashed);
             dc.SelectBrush(hatched);
             dc.Rectangle(30, 2, 6, 25);
         }},
        {"a wide ellipse", [&](Draw_surface& dc) {
             dc.SelectPen(wide);
             dc.Ellipse(2, 3, 20, 28);
         }},
        {"text past the box", [](Draw_surface& dc) {
             dc.DrawText("12", 25, 18, 30, 20, platform::Font{"Arial", 14, 0, 700}, platform::Rgb(255, 255, 0),
                         std::nullopt, platform::DT_NOCLIP);
         }},
        {"a keyed label", [&](Draw_surface& dc) { dc.TransparentBlt(33, 25, 9, 7, &label_dc, 0, 0, 9, 7, 0); }},
        {"a stretched blit", [&](Draw_surface& dc) { dc.StretchBlt(1, 1, 18, 14, &label_dc, 0, 0, 9, 7, platform::SRCCOPY); }},
        {"a whiteness box", [](Draw_surface& dc) { dc.BitBlt(10, 27, 5, 9, nullptr, 0, 0, platform::WHITENESS); }},
    };
    for (const auto& c : cases) {
        cDIBSection tracked, plain;
        ASSERT_TRUE(tracked.Create(40, 30));
        ASSERT_TRUE(plain.Create(40, 30));
        tracked.hDC()->Track_drawn();
        for (cDIBSection* o : {&tracked, &plain}) {
            o->Fill(k_Key);
            c.draw(*o->hDC());
        }
        tracked.hDC()->Forget_drawn(); // as a clear would leave it ...
        tracked.Fill(k_Key);
        c.draw(*tracked.hDC()); // ... then drawn again
        ASSERT_EQ(tracked.hDC()->Image_copy(), plain.hDC()->Image_copy()) << c.what;
        Overlay_runs by_spans, by_scan;
        by_spans.Note(tracked, k_Key);
        by_scan.Note(plain, k_Key);
        EXPECT_GT(by_scan.Count(), 0u) << c.what;
        EXPECT_EQ(by_spans.Count(), by_scan.Count()) << c.what;
        QImage a = Background(), b = Background();
        ASSERT_TRUE(by_spans.Lay_over(a, tracked));
        ASSERT_TRUE(by_scan.Lay_over(b, plain));
        EXPECT_EQ(a, b) << c.what;
    }
}

// Before anything says the overlay is background, every row counts as drawn.
TEST(Overlay_runs, ATrackedOverlayNotClearedIsScannedWhole)
{
    cDIBSection overlay;
    ASSERT_TRUE(overlay.Create(40, 30));
    overlay.hDC()->Track_drawn();
    overlay.Fill(platform::Rgb(9, 9, 9)); // around the surface
    Overlay_runs runs;
    runs.Note(overlay, k_Key);
    EXPECT_EQ(runs.Count(), 30u);
}

} // namespace
} // namespace wk
