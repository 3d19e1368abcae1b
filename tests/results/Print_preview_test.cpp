#include "platform/Form_window.h"
#include "platform/Print_target.h"
#include "results/Form_LCS_preview.h"
#include "services/Module_canoe.h"
#include "services/Module_qsm_Globals.h"
#include "tests/support/Test_support.h"

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

} // namespace
} // namespace wk
