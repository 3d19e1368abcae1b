#include "platform/Form_window.h"
#include "platform/Print_target.h"
#include "results/Form_LCS_preview.h"
#include "services/Module_canoe.h"
#include "services/Module_qsm_Globals.h"
#include "tests/support/Test_support.h"

#include <QGuiApplication>
#include <QScreen>

namespace wk {
namespace {

class Print_preview : public ::testing::Test {
protected:
    void SetUp() override { Install_print_preview(); }
    void TearDown() override
    {
        platform::Install_print_preview_port(nullptr);
        g_Print_target.reset();
        g_Print_preview = false;
        for (auto* f : platform::Loaded_forms()) f->Unload_form();
    }
};

TEST_F(Print_preview, PrinterEndPaintsThePageScaledIntoThePreviewAndEmptiesTheCanvas)
{
    auto page = std::make_shared<platform::Page_image_target>(11904, 16834, 96);
    // A black box over the left half of the page.
    page->Box(0, 0, 5952, 16834, Qt::black, true);
    g_Print_target = page;
    g_Print_preview = true;
    Printer_End();
    auto* w = platform::Form_if_loaded<Form_LCS_preview>();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    const QImage& shown = w->Picture();
    ASSERT_EQ(shown.width(), w->ScaleWidth());
    ASSERT_EQ(shown.height(), w->ScaleHeight());
    EXPECT_EQ(QColor(shown.pixel(shown.width() / 4, shown.height() / 2)), QColor(Qt::black));
    EXPECT_EQ(QColor(shown.pixel(shown.width() * 3 / 4, shown.height() / 2)), QColor(Qt::white));
    // The canvas is empty for the next page.
    const QImage after = page->Page_image();
    EXPECT_EQ(QColor(after.pixel(after.width() / 4, after.height() / 2)), QColor(Qt::white));
}

TEST_F(Print_preview, PrintingForRealHidesThePreview)
{
    auto page = std::make_shared<platform::Page_image_target>(11904, 16834, 96);
    g_Print_target = page;
    g_Print_preview = true;
    Printer_End();
    ASSERT_TRUE(platform::Form_if_loaded<Form_LCS_preview>()->isVisible());
    auto printer = std::make_shared<platform::Recording_print_target>();
    g_Print_target = printer;
    g_Print_preview = false;
    Printer_End();
    EXPECT_FALSE(platform::Form_if_loaded<Form_LCS_preview>()->isVisible());
    EXPECT_EQ(printer->calls, (std::vector<std::string>{"EndDoc"}));
}

TEST(Page_image, PrintAdvancesLinesInTwips)
{
    platform::Page_image_target page(11904, 16834, 96);
    page.FontSize = 12;
    page.CurrentX = 100;
    page.CurrentY = 100;
    page.Print("Heat 1");
    EXPECT_EQ(page.CurrentX, 0);
    const double line = page.CurrentY - 100;
    EXPECT_GT(line, 200); // a 12-point line is about 276 twips
    EXPECT_LT(line, 400);
    page.Print("a", false);
    EXPECT_GT(page.CurrentX, 0);
    EXPECT_EQ(page.ScaleWidth(), 11904);
}

TEST_F(Print_preview, APaperTallerThanTheWorkAreaIsShownAtTheWorkAreasHeight)
{
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const int32_t paper_width = g_Paper_width, paper_height = g_Paper_height;
    g_Paper_width = 11904;
    g_Paper_height = (work.bottom() + 1) * platform::Twips_per_pixel_y() * 2;
    auto& w = platform::Form_instance<Form_LCS_preview>();
    EXPECT_EQ(w.pos(), QPoint(0, 0));
    EXPECT_EQ(w.height(), work.bottom() + 1);
    EXPECT_NEAR(double(w.width()) / w.height(), double(g_Paper_width) / g_Paper_height, 0.01);
    // A paper that fits keeps its own size.
    g_Paper_width = 3000;
    g_Paper_height = 4500;
    w.Form_Load();
    EXPECT_EQ(w.size(), QSize(3000 / platform::Twips_per_pixel_x(), 4500 / platform::Twips_per_pixel_y()));
    g_Paper_width = paper_width;
    g_Paper_height = paper_height;
}

TEST(Page_image, TheWindowsFacesPrintInTheirLiberationFacesAndUnderlineUnderlines)
{
    platform::Page_image_target page(11904, 16834, 96);
    page.FontName = "Courier New";
    page.FontSize = 15;
    // A fixed-pitch face: every letter as wide as any other.
    EXPECT_DOUBLE_EQ(page.TextWidth("iiiiiiii"), page.TextWidth("MMMMMMMM"));
    page.FontName = "Arial";
    EXPECT_LT(page.TextWidth("iiiiiiii"), page.TextWidth("MMMMMMMM") / 2);
    // Underlined, a dark line runs below the letters across the whole text.
    page.FontName = "Courier New";
    page.FontUnderline = true;
    page.CurrentX = 1440;
    page.CurrentY = 1440;
    page.Print("Place Lane");
    const QImage image = page.Page_image();
    const int left = 96, right = 96 + int(page.TextWidth("Place Lane") / 15);
    int longest = 0;
    for (int y = 96; y < 96 + 30; ++y) {
        int run = 0;
        for (int x = left; x < right; ++x) run = qGray(image.pixel(x, y)) < 128 ? run + 1 : 0, longest = std::max(longest, run);
    }
    EXPECT_GT(longest, (right - left) * 9 / 10);
}

} // namespace
} // namespace wk
