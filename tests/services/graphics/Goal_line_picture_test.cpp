// A frame with lane marks and the goal line, drawn the way the viewer draws them, saved as PNG
// for a person to look at. WK_GOAL_LINE_PNG names the file; without it the picture goes to the
// test's temporary folder.
#include "services/graphics/Ostra_WuLines.h"
#include "services/graphics/cDIBSection.h"
#include "services/graphics/modAPIDraw.h"

#include "tests/support/Test_support.h"

#include <QImage>

#include <cstdlib>

namespace wk {
namespace {

TEST(Goal_line_picture, LanesAndAnAntiAliasedGoalLineOnAPalFrame)
{
    test::Temp_home home;
    cDIBSection frame;
    ASSERT_TRUE(frame.Create(720, 576));
    platform::Draw_surface* dc = frame.hDC();
    const int32_t water = platform::Rgb(20, 60, 90);
    const int32_t yellow = platform::Rgb(255, 220, 0);
    // Without a pen the filled box is one pixel smaller, hence 721 x 577 for the whole frame.
    Draw_Rectangle(dc, {0, 0}, {721, 577}, water, 0, platform::BS_SOLID, platform::PS_NULL, 1, 0);
    // Eight lanes across the picture, each outlined with a hollow brush, a round mark at each end.
    for (int32_t lane = 0; lane < 8; ++lane) {
        const int32_t top = 40 + lane * 62;
        Draw_Rectangle(dc, {60, top}, {660, top + 56}, 0, 0, platform::BS_HOLLOW, platform::PS_SOLID, 1, yellow);
        Draw_Ellipse(dc, {40, top + 20}, {56, top + 36}, yellow, 0, platform::BS_SOLID, platform::PS_SOLID, 1, 0);
    }
    // The goal line, slightly slanted, grey 255, thickness 2, as the viewer draws it.
    Draw_Wu_Line(dc, {400, 0}, {340, 575}, Colour_Triple{255, 255, 255}, 2, false);

    EXPECT_EQ(dc->GetPixel(60, 40), yellow);       // lane outline, top-left corner
    EXPECT_EQ(dc->GetPixel(659, 95), yellow);      // its bottom-right corner, inside the box
    EXPECT_EQ(dc->GetPixel(660, 96), water);       // the exclusive edges
    EXPECT_EQ(dc->GetPixel(200, 60), water);       // hollow: the lane inside keeps the water
    EXPECT_EQ(dc->GetPixel(48, 68), yellow);       // lane mark
    // Along the goal line every row has a solid white pixel, and some rows have blended edges.
    int blended_rows = 0;
    for (int32_t y = 0; y < 576; ++y) {
        bool white = false, blended = false;
        for (int32_t x = 330; x < 410; ++x) {
            const int32_t c = dc->GetPixel(x, y);
            white = white || c == platform::Rgb(255, 255, 255);
            const int red = c & 255;
            blended = blended || (red > 20 && red < 255 && c != yellow && c != 0);
        }
        ASSERT_TRUE(white) << "row " << y;
        blended_rows += blended ? 1 : 0;
    }
    EXPECT_GT(blended_rows, 400);

    const char* wanted = std::getenv("WK_GOAL_LINE_PNG");
    const std::string file = wanted != nullptr ? wanted : (home.path() / "goal_line.png").string();
    const QImage picture = dc->Image_copy();
    ASSERT_TRUE(picture.save(QString::fromStdString(file), "PNG"));
    QImage read;
    ASSERT_TRUE(read.load(QString::fromStdString(file), "PNG"));
    EXPECT_EQ(read.convertToFormat(QImage::Format_RGB32), picture);
}

} // namespace
} // namespace wk
