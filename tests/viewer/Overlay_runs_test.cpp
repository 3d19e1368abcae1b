// The overlay's drawn runs laid over a picture: the same pixels a keyed blit gives, and nothing
// laid where the runs no longer describe the overlay.
#include "viewer/Overlay_runs.h"

#include "platform/Draw_surface.h"
#include "services/graphics/cDIBSection.h"

#include <gtest/gtest.h>

#include <QImage>

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

} // namespace
} // namespace wk
