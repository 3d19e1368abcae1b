// The viewer's prints, offscreen, on a recorder: the picture series' grid and pictures, the
// footer, the event logo and the refusals. The page head comes from a stand-in sheet here; the
// results window's own is tested with it in tests/results.
#include "tests/viewer/Print_fixture.h"
#include "tests/viewer/Viewer_fixture.h"

#include "platform/Dialogs.h"
#include "services/Module_ini.h"
#include "services/Module_utilities.h"
#include "results/Result_sheet.h"

#include <QAction>
#include <QSlider>

namespace wk {
namespace {

using test::Heat_setup;
using test::Lane_result;

// The page head as a stand-in: it counts its calls and leaves the content's top at 3000.
class Stand_in_sheet final : public Result_sheet {
public:
    int head_calls = 0;
    bool head_ok = true;
    int32_t end_y = 4000;
    bool Print_Static_Content() override
    {
        ++head_calls;
        Print_top_y = 3000;
        return head_ok;
    }
    void Print_Results(bool) override {}
    int32_t Results_end_y() const override { return end_y; }
};

bool Overlap(const platform::Print_call& a, const platform::Print_call& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

class Viewer_print : public test::Viewer_window {
protected:
    void SetUp() override
    {
        Viewer_window::SetUp();
        rows.sheet = &sheet;
    }
    // A heat whose first `timed` lanes have times (lane k finishing at field 2k + 3), with the
    // recorder as the printer.
    void Open_timed_heat(int timed, bool rotated = false, const std::string& name = "Heat1.qs2")
    {
        Heat_setup s;
        s.frames = 40;
        s.lanes = 15;
        s.rotated = rotated;
        const std::string path = Make_heat(name, s);
        std::vector<Lane_result> results;
        for (int16_t lane = 0; lane < timed; ++lane) results.push_back({lane, 1000 + 10 * lane, 100 + lane, 2 * lane + 3});
        Store_results(path, results);
        Install_result_rows(&rows);
        ASSERT_TRUE(Open(path));
        Need_printer(); // as every print command asks first: the page and its margins
        g_Print_target = printer;
        g_Print_preview = false;
    }
    int32_t Print_width() const { return int32_t(std::nearbyint(g_Page_right - g_Page_left)); }

    test::Print_state_reset reset;
    Stand_in_sheet sheet;
    std::shared_ptr<platform::Recording_print_target> printer = std::make_shared<platform::Recording_print_target>();
};

// ---- The series' grid ----

TEST(Series_grid, ThreePicturesGoInOneRowOfThreeColumns)
{
    const Series_grid g = Series_picture_grid(10714, false, 3, 10000);
    EXPECT_EQ(g.columns, 3);
    EXPECT_EQ(g.width, 3401);  // 10714 / 3.15
    EXPECT_EQ(g.height, 2551); // three quarters of it
    EXPECT_EQ(g.pitch, 3571);
    EXPECT_EQ(g.rows, 1);
}

TEST(Series_grid, UprightPicturesGoInFourColumnsAndATwoPointFiveHalfRoundsToEven)
{
    const Series_grid g = Series_picture_grid(10714, true, 8, 10000);
    EXPECT_EQ(g.columns, 4);
    EXPECT_EQ(g.width, 2551);
    EXPECT_EQ(g.height, 3401); // four thirds of the width
    EXPECT_EQ(g.pitch, 2678);  // 2678.5
    EXPECT_EQ(g.rows, 2);
    EXPECT_DOUBLE_EQ(g.row_step, 3401 * 1.05);
}

TEST(Series_grid, NineToSixteenPicturesGoInFiveColumnsThatDoNotOverlap)
{
    // Upright pictures keep the size 80 % of four columns gives them.
    const Series_grid upright = Series_picture_grid(10714, true, 12, 10000);
    EXPECT_EQ(upright.columns, 5);
    EXPECT_EQ(upright.width, 2041);
    EXPECT_EQ(upright.height, 2721);
    EXPECT_EQ(upright.pitch, 2143);
    // Lying pictures at 80 % of three columns (2721) would be wider than their pitch.
    const Series_grid lying = Series_picture_grid(10714, false, 12, 10000);
    EXPECT_EQ(lying.columns, 5);
    EXPECT_EQ(lying.width, 2041);
    EXPECT_EQ(lying.height, 1531);
    EXPECT_EQ(lying.rows, 3);
    for (const Series_grid& g : {upright, lying}) {
        EXPECT_LE(g.width, g.pitch);
        EXPECT_LE(g.height, g.row_step);
    }
    // Sixteen placed lanes still give three rows: fifteen pictures.
    EXPECT_EQ(Series_picture_grid(10714, false, 16, 10000).rows, 3);
}

TEST(Series_grid, PicturesShrinkToTheRoomAboveTheFooterAndNoRoomGivesNone)
{
    const Series_grid g = Series_picture_grid(10714, true, 12, 5000);
    EXPECT_EQ(g.rows, 3);
    EXPECT_LE(2 * g.row_step + g.height, 5000.5);
    EXPECT_GT(2 * g.row_step + g.height, 4990); // no smaller than it must be
    EXPECT_NEAR(double(g.height) / g.width, 4.0 / 3.0, 0.01);
    EXPECT_EQ(Series_picture_grid(10714, false, 3, -10).rows, 0);
    EXPECT_EQ(Series_picture_grid(10714, false, 0, 10000).rows, 0);
}

// ---- The series on the page ----

TEST_F(Viewer_print, ThreeTimedLanesGiveThreeLabelledPicturesInARowBelowTheTable)
{
    Open_timed_heat(3);
    Viewer().Slider_play->setValue(20);
    Viewer().Print_Series();
    EXPECT_EQ(sheet.head_calls, 1); // the page head again, on the same page
    const auto pictures = printer->Of_kind("PaintPicture");
    ASSERT_EQ(pictures.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const auto& p = pictures[size_t(i)];
        EXPECT_NEAR(p.x, g_Page_left + i * 3571, 0.01) << i;
        EXPECT_EQ(p.y, 4000);
        EXPECT_EQ(p.width, 3401);
        EXPECT_EQ(p.height, 2551);
        EXPECT_EQ(p.image.size(), QSize(720, 576));
        // The place number stands white in the picture's lower right corner.
        int white = 0;
        for (int y = 461; y < 576; ++y)
            for (int x = 576; x < 700; ++x) white += p.image.pixel(x, y) == qRgb(255, 255, 255);
        EXPECT_GT(white, 100) << i;
    }
    // Each picture shows its own finish: the labels differ.
    EXPECT_NE(pictures[0].image, pictures[1].image);
    // The series ends on the first field, and waited after each picture without the message loop.
    EXPECT_EQ(Viewer().Slider_play->value(), Viewer().Slider_play->minimum());
    EXPECT_EQ(std::count(clock.sleeps.begin(), clock.sleeps.end(), 10), 30);
    EXPECT_TRUE(printer->calls.back().rfind("PaintPicture", 0) == 0); // the job is not ended here
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Viewer_print, EightUprightPicturesFillTwoRowsOfFour)
{
    Open_timed_heat(8, true);
    Viewer().Print_Series();
    const auto pictures = printer->Of_kind("PaintPicture");
    ASSERT_EQ(pictures.size(), 8u);
    EXPECT_EQ(pictures[4].y, 4000 + 3401 * 1.05);
    EXPECT_NEAR(pictures[7].x, g_Page_left + 3 * 2678, 0.01);
    for (const auto& p : pictures) {
        EXPECT_EQ(p.image.size(), QSize(576, 720));
        EXPECT_EQ(p.width, 2551);
        EXPECT_EQ(p.height, 3401);
    }
}

TEST_F(Viewer_print, TwelvePicturesNeverOverlapAndStayAboveTheFooter)
{
    for (bool rotated : {false, true}) {
        printer->drawn.clear();
        Open_timed_heat(12, rotated, rotated ? "Upright.qs2" : "Lying.qs2");
        Viewer().Print_Series();
        const auto pictures = printer->Of_kind("PaintPicture");
        ASSERT_EQ(pictures.size(), 12u) << rotated;
        for (size_t i = 0; i < pictures.size(); ++i) {
            EXPECT_LE(pictures[i].y + pictures[i].height, g_Page_bottom - 300 + 0.5) << i;
            EXPECT_LE(pictures[i].x + pictures[i].width, g_Page_right) << i;
            for (size_t j = i + 1; j < pictures.size(); ++j)
                EXPECT_FALSE(Overlap(pictures[i], pictures[j])) << i << " and " << j << (rotated ? " upright" : "");
        }
    }
}

TEST_F(Viewer_print, AHeatWithoutTimesPrintsNoPicturesButShowsTheFirstFieldAgain)
{
    Open_timed_heat(0);
    Viewer().Slider_play->setValue(30);
    Viewer().Print_Series();
    EXPECT_TRUE(printer->Of_kind("PaintPicture").empty());
    EXPECT_EQ(Viewer().Slider_play->value(), Viewer().Slider_play->minimum());
}

// ---- The shown frame ----

TEST_F(Viewer_print, AFailedPageHeadPrintsNothingMoreAndEndsNoJob)
{
    Open_timed_heat(2);
    sheet.head_ok = false;
    Viewer().Handle_Print_Single();
    EXPECT_EQ(sheet.head_calls, 1);
    EXPECT_TRUE(printer->drawn.empty());
    EXPECT_EQ(std::count(printer->calls.begin(), printer->calls.end(), "EndDoc"), 0);
    EXPECT_EQ(g_Print_title, g_Event_name + " Heat 7 Single");
}

TEST_F(Viewer_print, WithoutARecordingEveryPrintCommandSaysNoFileOpen)
{
    Install_result_rows(&rows);
    Viewer();
    g_Print_target = printer;
    for (int i = 0; i < 3; ++i) dialogs.Expect_message("No file open!");
    Viewer().Handle_Print_Single();
    Viewer().Handle_Print_results();
    Viewer().Handle_Print_Series();
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_EQ(sheet.head_calls, 0);
    EXPECT_TRUE(printer->calls.empty());
}

// ---- Footer ----

TEST_F(Viewer_print, TheFooterNamesThePrinterAndTheTimeOfThePrint)
{
    test::Test_printers printers;
    platform::Install_printer_port(&printers);
    Open_timed_heat(1);
    Check_Printer();
    Viewer().Make_Print_footer();
    EXPECT_EQ(g_Print_footer, "Printed by Wakeline at: 2026-12-08 10:11:12 /" + g_Build_text +
                                  " /Computer: " + Get_Computer_Name() + " /Printer: Office_laser");
    // A print later in the day says so, not when the viewer started.
    clock.now.hour = 15;
    sheet.head_ok = false;
    Viewer().Handle_Print_Single();
    EXPECT_NE(g_Print_footer.find("2026-12-08 15:11:12"), std::string::npos) << g_Print_footer;
    // The printer gone, the footer is empty.
    printers.count = 0;
    Check_Printer();
    Viewer().Make_Print_footer();
    EXPECT_EQ(g_Print_footer, "");
}

// ---- The event logo ----

class Viewer_logo : public Viewer_print {
protected:
    // A picture file: the left half red, the right half green.
    std::string Make_picture(const std::string& name, int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(qRgb(0, 200, 0));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width / 2; ++x) image.setPixel(x, y, qRgb(220, 0, 0));
        const std::string path = (home.path() / name).string();
        EXPECT_TRUE(image.save(QString::fromStdString(path)));
        return path;
    }
    QRgb Logo_pixel(int x, int y) { return Viewer().Picture_logo->Image().pixel(x, y); }
};

TEST_F(Viewer_logo, ALogoKeepsItsProportionsAndFillsTheBoxInOneDirection)
{
    Viewer();
    const std::string path = Make_picture("logo.png", 200, 100);
    Write_Ini_Value("Canoe", "event_logo", path, Ini_file_path);
    Viewer().Load_logo();
    EXPECT_TRUE(g_Event_logo_loaded);
    EXPECT_EQ(g_Event_logo, path);
    EXPECT_FALSE(Viewer().Picture_logo->isHidden());
    // 200 x 100 into the 230 x 50 box: drawn at 100 x 50 from the top left corner.
    EXPECT_EQ(Viewer().Picture_logo->Scale_height(), 50);
    EXPECT_EQ(qRed(Logo_pixel(10, 25)), 220);
    EXPECT_EQ(qGreen(Logo_pixel(90, 25)), 200);
    EXPECT_EQ(Logo_pixel(110, 25), qRgb(255, 255, 255));
    EXPECT_EQ(qGreen(Logo_pixel(98, 48)), 200);
}

TEST_F(Viewer_logo, AMissingOrBrokenLogoFileIsNoLogo)
{
    Viewer();
    Write_Ini_Value("Canoe", "event_logo", (home.path() / "gone.jpg").string(), Ini_file_path);
    Viewer().Load_logo();
    EXPECT_FALSE(g_Event_logo_loaded);
    EXPECT_TRUE(Viewer().Picture_logo->isHidden());
    const std::string broken = (home.path() / "broken.jpg").string();
    test::Write_file(broken, "not a picture");
    Write_Ini_Value("Canoe", "event_logo", broken, Ini_file_path);
    Viewer().Load_logo();
    EXPECT_FALSE(g_Event_logo_loaded);
    EXPECT_TRUE(Viewer().Picture_logo->isHidden());
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Viewer_logo, TheViewerLoadsTheConfiguredLogoAtStart)
{
    const std::string path = Make_picture("start.bmp", 60, 60);
    Write_Ini_Value("Canoe", "event_logo", path, Ini_file_path);
    Viewer();
    EXPECT_TRUE(g_Event_logo_loaded);
    EXPECT_EQ(qRed(Logo_pixel(5, 5)), 220);
}

TEST_F(Viewer_logo, ChoosingALogoStoresItAndCancellingRemovesIt)
{
    Viewer();
    const std::string path = Make_picture("chosen.jpg", 40, 20);
    dialogs.Expect_open_file(path);
    Viewer().item_select_logo_file->trigger();
    EXPECT_EQ(Read_Ini_Value("Canoe", "event_logo", Ini_file_path, ""), path);
    EXPECT_TRUE(g_Event_logo_loaded);
    EXPECT_FALSE(Viewer().Picture_logo->isHidden());
    dialogs.Expect_open_file(std::nullopt);
    Viewer().item_select_logo_file_Click();
    EXPECT_EQ(Read_Ini_Value("Canoe", "event_logo", Ini_file_path, ""), "N/A"); // stored empty
    EXPECT_FALSE(g_Event_logo_loaded);
    EXPECT_TRUE(Viewer().Picture_logo->isHidden());
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_EQ(dialogs.shown.front(), "open|Select Logo File");
}

} // namespace
} // namespace wk
