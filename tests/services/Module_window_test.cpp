#include "platform/Forms.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_window.h"
#include "tests/support/Test_support.h"

#include <QFontMetrics>
#include <QWidget>

namespace wk {
namespace {

TEST(Window_helpers, FullScreenTogglesTheFrameAndComesBack)
{
    QWidget w;
    w.setGeometry(30, 40, 300, 200);
    const QRect before = w.geometry();
    EXPECT_FALSE(SetFormFullScreen(&w));
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_GT(w.width(), 300);
    EXPECT_FALSE(SetFormFullScreen(&w));
    EXPECT_FALSE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.geometry(), before);
    EXPECT_FALSE(SetFormFullScreen(nullptr));
}

TEST(Window_helpers, EdgesAreInTwipsAndTheCloseItemGoes)
{
    QWidget w;
    w.setGeometry(10, 20, 100, 50);
    EXPECT_EQ(Right_Edge(&w), float(110 * platform::Twips_per_pixel_x()));
    EXPECT_EQ(Bottom_Edge(&w), float(70 * platform::Twips_per_pixel_y()));
    Remove_Close_Item(&w);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
    Show_Taskbar(false);
    EXPECT_TRUE(g_Taskbar_hidden);
    Show_Taskbar(true);
    EXPECT_FALSE(g_Taskbar_hidden);
}

TEST(Fonts, CreateFontHeightFollowsTheScreenAndFitTextFontFits)
{
    const Gdi_font f = Create_Font(12, 90, 1, "Arial", 700);
    EXPECT_EQ(f.font.pixelSize(), (12 * platform::Screen_logical_dpi_y() * 2 + 72) / 144);
    EXPECT_TRUE(f.font.italic());
    EXPECT_EQ(f.angle_degrees, 90);
    QFont font;
    const int size = Fit_Text_Font(font, 400, "Heat 12 Final A");
    ASSERT_GE(size, 10);
    EXPECT_LE(size, 110);
    EXPECT_EQ(size % 2, 0);
    EXPECT_LT(QFontMetrics(font).horizontalAdvance("Heat 12 Final A"), 400);
    font.setPointSize(size + 2);
    if (size < 110) EXPECT_GE(QFontMetrics(font).horizontalAdvance("Heat 12 Final A"), 400);
    EXPECT_EQ(Fit_Text_Font(font, 5, "far too long a text for five pixels"), 0);
}

} // namespace
} // namespace wk
