// The result sheet, offscreen: the page head and the table on a recorder, the print choice, the
// printer's faults, the preview, the single frame and the series with the real page head.
#include "tests/results/Results_fixture.h"
#include "tests/viewer/Print_fixture.h"

#include "results/Form_LCS_preview.h"
#include "results/Result_desk.h"
#include "results/Start_list.h"
#include "viewer/Lane_results.h"
#include "services/Module_canoe.h"
#include "services/Module_ini.h"

#include <QTest>

#include <vector>
#include <QRadioButton>
#include <QSlider>

namespace wk {
namespace {

using platform::Print_call;
using test::Lane_result;

constexpr double k_Width = 11904, k_Height = 16834;

class Result_printing : public test::Results_window {
protected:
    // Heat 12: lane 3 first in 1:05.43, lane 5 second, lane 7 disqualified; printed on the recorder.
    std::string Open_heat_12(const std::string& name = "Heat1.qs2")
    {
        const std::string path =
            Open_heat({{3, 65430, 5000, 61}, {5, 66000, 5100, 71}, {7, Time_DSQ, 5200, 0}}, 8, name,
                      [](cls_AVI_handler& rec) { rec.Header().Heat_ID(1, "12"); });
        Print_on_recorder();
        return path;
    }
    void Print_on_recorder()
    {
        Window().Printing_asked(); // the list read, so that no print command makes the choice again
        g_Print_target = printer;
        g_Print_preview = false;
    }
    // Where a drawn call ends downwards on the recorder.
    static double Bottom(const Print_call& c) { return c.kind == "Print" ? c.y + c.size * 20 : c.y + c.height; }
    // The page head: everything drawn before the first line of the page's own content, without
    // the page frame and the footer.
    std::vector<Print_call> Head_calls(const std::string& first_content)
    {
        std::vector<Print_call> head;
        for (const Print_call& c : printer->drawn) {
            if (c.kind == "Print" && c.text.rfind(first_content, 0) == 0) break;
            const bool frame = c.kind == "Box" && c.width > 10000;
            const bool footer = c.kind == "Print" && c.y > k_Height * 0.9;
            if (!frame && !footer) head.push_back(c);
        }
        return head;
    }

    test::Print_state_reset reset;
    std::shared_ptr<platform::Recording_print_target> printer = std::make_shared<platform::Recording_print_target>();
};

// ---- The sheet on the recorder ----

TEST_F(Result_printing, TheSheetOfHeat12HasItsHeadingColumnsAndRows)
{
    Open_heat_12();
    Window().Print_Results(false);
    const auto heading = printer->Text_call("Results for Heat: 12");
    ASSERT_TRUE(heading);
    EXPECT_NEAR(heading->x, 0.05 * k_Width, 0.01);
    EXPECT_EQ(heading->y, Print_top_y);
    EXPECT_EQ(heading->size, 16);
    const auto columns = printer->Text_call("Place Lane");
    ASSERT_TRUE(columns);
    EXPECT_EQ(columns->text, "Place Lane       Time   Diff.");
    EXPECT_EQ(columns->font, "Courier New");
    EXPECT_EQ(columns->size, 15);
    EXPECT_TRUE(columns->bold);
    EXPECT_TRUE(columns->underline);
    // Two empty 12-point lines of two line ends each lie between heading and columns.
    EXPECT_EQ(columns->y, heading->y + 16 * 20 + 4 * 12 * 20);
    const std::vector<std::string> texts = printer->Texts();
    const auto at = std::find(texts.begin(), texts.end(), columns->text);
    ASSERT_EQ(texts.end() - at, 4);
    EXPECT_EQ(at[1], "   1     3   01:05,43  +0,00");
    EXPECT_EQ(at[2], "   2     5   01:06,00  +0,57");
    EXPECT_EQ(at[3], "   3     7   Disqualified");
    const auto last = printer->Text_call("Disqualified");
    EXPECT_FALSE(last->underline);
    EXPECT_TRUE(last->bold);
    EXPECT_EQ(Window().Results_end_y(), int32_t(last->y + 15 * 20 + 300));
    EXPECT_EQ(Window().Result_kind(), "Results");
    EXPECT_EQ(g_Print_title, g_Event_name + " Heat: 12 Results");
    // The job ends once, and the program has its own title back.
    EXPECT_EQ(printer->calls.back(), "EndDoc");
    EXPECT_EQ(platform::App().title, g_App_Title);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Result_printing, TheSheetSaysTheStateAndNamesTheCrewsOfAStartList)
{
    const std::string path = Open_heat_12();
    test::Write_file(home.path() / "start.csv", "12;3;101;Anna Berg;SK\n12;7;107;Eva Lind;NK\n");
    ASSERT_FALSE(Import_start_list((home.path() / "start.csv").string(), g_Event_name));
    Viewer_lane_results()->Fill_Results();
    Window().Print_Results(false);
    const auto state = printer->Text_call("Provisional");
    ASSERT_TRUE(state);
    EXPECT_EQ(state->size, 12);
    const std::vector<std::string> texts = printer->Texts();
    const auto at = std::find(texts.begin(), texts.end(), "Place Lane       Time   Diff.   Crew");
    ASSERT_EQ(texts.end() - at, 4);
    EXPECT_EQ(at[1], "   1     3   01:05,43  +0,00    101 Anna Berg");
    EXPECT_EQ(at[2], "   2     5   01:06,00  +0,57");
    EXPECT_EQ(at[3], "   3     7   Disqualified       107 Eva Lind");

    ASSERT_EQ(Make_heat_official(Window().Shown_result(), path), "");
    Viewer_lane_results()->Fill_Results();
    printer->drawn.clear();
    Window().Print_Results(false);
    EXPECT_TRUE(printer->Text_call("Official, revision 1"));
}

TEST_F(Result_printing, CodedRowsSayWhatTheCodeMeansAndHaveNoDifference)
{
    Open_heat({{2, 1230, 5000, 61}, {4, Time_DNS, 5100, 0}, {6, Time_DNF, 5200, 0}});
    EXPECT_EQ(Window().Result_lines(), (std::vector<std::string>{"   1     2   00:01,23  +0,00",
                                                                 "   2     4   Did not start",
                                                                 "   3     6   Did not finish"}));
}

TEST_F(Result_printing, ThePageFrameStandsAtFiveTwoAndNinetyFivePercent)
{
    Open_heat_12();
    Window().Print_Results(false);
    const auto boxes = printer->Of_kind("Box");
    ASSERT_FALSE(boxes.empty());
    const Print_call& frame = boxes.front();
    EXPECT_NEAR(frame.x, 0.05 * k_Width, 0.01);
    EXPECT_NEAR(frame.y, 0.02 * k_Height, 0.01);
    EXPECT_NEAR(frame.x + frame.width, 0.95 * k_Width, 0.01);
    EXPECT_NEAR(frame.y + frame.height, 0.95 * k_Height, 0.01);
    EXPECT_EQ(frame.colour, QColor(Qt::black));
    // The program's logo at its own size in the top right corner, inside the frame.
    const auto logo = printer->Of_kind("PaintPicture").front();
    EXPECT_EQ(logo.image.size(), QSize(200, 70));
    EXPECT_EQ(logo.width, 200 * 15);
    EXPECT_NEAR(logo.x + logo.width, 0.95 * k_Width - 100, 0.5);
    EXPECT_NEAR(logo.y, 0.03 * k_Height, 0.01);
    // The footer: Arial 8 just above the frame's bottom, empty without a printer.
    const auto prints = printer->Of_kind("Print");
    const auto footer_at = std::find_if(prints.begin(), prints.end(), [](const Print_call& c) { return c.y > k_Height * 0.9; });
    ASSERT_NE(footer_at, prints.end());
    const Print_call& footer = *footer_at;
    EXPECT_EQ(footer.text, "");
    EXPECT_NEAR(footer.x, 0.05 * k_Width + 100, 0.01);
    EXPECT_NEAR(footer.y, 0.95 * k_Height - 200, 0.01);
    EXPECT_EQ(footer.size, 8);
    EXPECT_EQ(footer.font, "Arial");
}

// ---- The file-data box ----

class File_box : public Result_printing {
protected:
    // A heat whose "Filename = " text has exactly `chars` characters.
    void Open_with_file_text(size_t chars)
    {
        const size_t folder = home.path().string().size() + 1;
        ASSERT_LT(folder + 5 + 11, chars);
        const std::string name = std::string(chars - 11 - folder - 4, 'x') + ".qs2";
        Open_heat_12(name);
        ASSERT_EQ(("Filename = " + g_Recording->File_name()).size(), chars);
    }
    std::vector<std::string> Box_texts()
    {
        std::vector<std::string> texts;
        for (const Print_call& c : printer->drawn)
            if (c.kind == "Print" && c.size == 8 && c.y < k_Height * 0.9) texts.push_back(c.text);
        return texts;
    }
};

TEST_F(File_box, A61CharacterFileTextSplitsIntoTwoLines)
{
    Open_with_file_text(61);
    Window().Print_Static_Content();
    const std::string text = "Filename = " + g_Recording->File_name();
    const auto lines = Box_texts();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], text.substr(0, 60));
    EXPECT_EQ(lines[1], text.substr(60));
    EXPECT_EQ(lines[2], "File_written at: " + g_Recording->Capture_time());
    EXPECT_EQ(lines[3].rfind("Camera time: ", 0), 0u);
    // Five lines high, at the right of the page, 14 % down.
    const Print_call box = printer->Of_kind("Box").back();
    EXPECT_NEAR(box.y, 0.14 * k_Height + 1, 0.01);
    EXPECT_NEAR(box.height, 5 * 160 - 21, 0.01);
    EXPECT_NEAR(box.x + box.width, 0.95 * k_Width - 100 - 1, 0.01);
    EXPECT_EQ(File_block_top_y, int32_t(std::nearbyint(0.14 * k_Height)));
    EXPECT_EQ(File_block_bottom_y, File_block_top_y + 800);
}

TEST_F(File_box, A60CharacterFileTextStaysOnOneLine)
{
    Open_with_file_text(60);
    Window().Print_Static_Content();
    const auto lines = Box_texts();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Filename = " + g_Recording->File_name());
}

TEST_F(File_box, ALongFileNameNeverReachesTheHeadingOrTheTable)
{
    Open_with_file_text(150);
    Window().Print_Results(false);
    const auto lines = Box_texts();
    ASSERT_EQ(lines.size(), 5u); // three lines of the file text
    const auto heading = printer->Text_call("Results for Heat");
    ASSERT_TRUE(heading);
    for (const Print_call& c : Head_calls("Results for Heat"))
        EXPECT_LE(Bottom(c), heading->y) << c.kind << " " << c.text;
    // The box grows with its text and holds it all.
    const Print_call box = printer->Of_kind("Box").back();
    for (const Print_call& c : printer->drawn)
        if (c.kind == "Print" && c.size == 8 && c.y < k_Height * 0.9) {
            EXPECT_LE(Bottom(c), box.y + box.height) << c.text;
            EXPECT_LE(c.x + 8 * 10 * double(c.text.size()), box.x + box.width) << c.text;
        }
}

// ---- The event block ----

TEST_F(Result_printing, TheEventNameIsBlueBoldAndAsLargeAsFitsBesideTheLogo)
{
    Open_heat_12();
    Window().Print_Static_Content();
    const auto name = printer->Text_call("Test Regatta");
    ASSERT_TRUE(name);
    const double logo_x = printer->Of_kind("PaintPicture").front().x;
    const double room = logo_x - (g_Page_left + 300);
    // "Test Regatta" and "xxx" are 15 letters of half the size: 48 points is the largest that fits.
    EXPECT_EQ(name->size, 48);
    EXPECT_TRUE(name->bold);
    EXPECT_EQ(name->colour, QColor(0, 0, 255));
    EXPECT_NEAR(name->x, g_Page_left + 100, 0.01);
    EXPECT_NEAR(name->y, 0.03 * k_Height, 0.01);
    EXPECT_LT(15 * 10 * name->size, room);
    // The heading below the head comes out black.
    printer->drawn.clear();
    Window().Print_Results(false);
    EXPECT_EQ(printer->Text_call("Results for Heat")->colour, QColor(Qt::black));
}

TEST_F(Result_printing, AnEventNameTooLongForTheRoomIsPrintedSmaller)
{
    const std::string long_name(120, 'W');
    Open_heat_12();
    ASSERT_TRUE(g_Recording->Event_name(long_name));
    Window().Print_Static_Content();
    const auto name = printer->Text_call(long_name);
    ASSERT_TRUE(name);
    const double room = printer->Of_kind("PaintPicture").front().x - (g_Page_left + 300);
    EXPECT_LT(name->size, 10);
    EXPECT_NEAR(name->size * 10 * 120, room, 0.5);
}

TEST_F(Result_printing, AnEventLogoTakesTheNamesPlaceAndAWideOneIsScaledDown)
{
    Open_heat_12();
    for (int width : {300, 1000}) {
        QImage picture(width, 100, QImage::Format_RGB32);
        picture.fill(Qt::red);
        g_Event_logo = (home.path() / ("event" + std::to_string(width) + ".png")).string();
        ASSERT_TRUE(picture.save(QString::fromStdString(g_Event_logo)));
        g_Event_logo_loaded = true;
        printer->drawn.clear();
        Window().Print_Static_Content();
        EXPECT_FALSE(printer->Text_call("Test Regatta")) << width;
        const auto pictures = printer->Of_kind("PaintPicture");
        ASSERT_EQ(pictures.size(), 2u);
        const Print_call& logo = pictures[1];
        const double room = pictures[0].x - (g_Page_left + 300);
        EXPECT_EQ(logo.image.size(), QSize(width, 100));
        EXPECT_NEAR(logo.x, g_Page_left + 100, 0.01);
        const double s = width * 15 > room ? room / (width * 15) : 1.0;
        EXPECT_NEAR(logo.width, width * 15 * s, 0.01);
        EXPECT_NEAR(logo.height, 100 * 15 * s, 0.01);
        EXPECT_GE(Logo_bottom_y, logo.y + logo.height + 100 - 0.5);
    }
}

// ---- Printer faults ----

TEST_F(Result_printing, APrinterFaultInThePageHeadSaysPrinterErrorAndPrintsNothingMore)
{
    Open_heat_12();
    printer->fail_next = true;
    dialogs.Expect_message("Printer error");
    Window().Print_Results(false);
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_TRUE(printer->drawn.empty());
    EXPECT_EQ(std::count(printer->calls.begin(), printer->calls.end(), "EndDoc"), 0);
    EXPECT_EQ(platform::App().title, g_App_Title);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Result_printing, NothingToPrintOnIsAPrinterErrorToo)
{
    Open_heat_12();
    g_Print_target.reset();
    dialogs.Expect_message("Printer error");
    EXPECT_FALSE(Window().Print_Static_Content());
    EXPECT_TRUE(dialogs.All_used());
}

// ---- The print choice ----

TEST_F(Result_printing, WithoutAPrinterTheFirstClickTakesExceptOnTheMissingPrinter)
{
    // The first click asks for printing: the printer list is read then.
    struct Case {
        const char* name;
        int clicked;
        int chosen;
    };
    const std::vector<Case> cases = {{"Printer", Frm_results::k_Printer, Frm_results::k_Preview},
                                     {"PDF file", Frm_results::k_Pdf_file, Frm_results::k_Pdf_file},
                                     {"Preview", Frm_results::k_Preview, Frm_results::k_Preview}};
    Open_usual_heat();
    Viewer().show();
    Window().show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_Printer_count = -1; // as when the program starts
        Window().Picture_preview.reset();
        Window().Opt_printer[Frm_results::k_Preview]->setChecked(true);
        QTest::mouseClick(Window().Opt_printer[size_t(c.clicked)], Qt::LeftButton, Qt::NoModifier, QPoint(8, 11));
        EXPECT_EQ(Window().Opt_printer[1]->text().toStdString(), "No printer");
        EXPECT_FALSE(Window().Opt_printer[1]->isEnabled());
        EXPECT_TRUE(Window().Opt_printer[size_t(c.chosen)]->isChecked());
        EXPECT_EQ(g_Print_preview, c.chosen == Frm_results::k_Preview);
        // The preview's page, or nothing until a PDF job names its file.
        EXPECT_EQ(g_Print_target, c.chosen == Frm_results::k_Preview ? Window().Picture_preview : nullptr);
        EXPECT_EQ(Window().Picture_preview->ScaleWidth(), g_Paper_width);
        EXPECT_EQ(Window().Picture_preview->ScaleHeight(), g_Paper_height);
    }
}

TEST_F(Result_printing, APrinterIsNamedAndChosenAndThePreviewChosenBack)
{
    test::Test_printers printers;
    platform::Install_printer_port(&printers);
    Open_usual_heat();
    Viewer().show();
    Window().show();
    // Opening a heat asks the print system nothing; the first choice of a printer reads the list.
    EXPECT_EQ(printers.facts_asked, 0);
    EXPECT_EQ(Window().Opt_printer[1]->text().toStdString(), "Printer");
    EXPECT_TRUE(Window().Opt_printer[1]->isEnabled());
    QTest::mouseClick(Window().Opt_printer[1], Qt::LeftButton, Qt::NoModifier, QPoint(8, 11));
    EXPECT_EQ(printers.facts_asked, 1);
    EXPECT_EQ(Window().Opt_printer[1]->text().toStdString(), "Office_laser");
    EXPECT_TRUE(Window().Opt_printer[1]->isChecked());
    EXPECT_FALSE(g_Print_preview);
    EXPECT_EQ(g_Print_target, printers.printer);
    Window().Opt_printer[0]->click();
    EXPECT_TRUE(g_Print_preview);
    EXPECT_EQ(g_Print_target, Window().Picture_preview);
    // The PDF choice opens a file per job; until then there is nothing to print on.
    Window().Opt_printer[2]->click();
    EXPECT_FALSE(g_Print_preview);
    EXPECT_EQ(g_Print_target, nullptr);
    EXPECT_EQ(printers.facts_asked, 1) << "the list is read once";
}

// The first print of a heat reads the printer list and page: the page's margins come from it.
TEST_F(Result_printing, TheFirstPrintReadsThePrinterAndTheMarginsOfItsPage)
{
    test::Test_printers printers;
    platform::Install_printer_port(&printers);
    Open_usual_heat();
    EXPECT_EQ(printers.facts_asked, 0);
    g_Page_left = g_Page_right = 0;
    Window().item_print_results->trigger();
    EXPECT_EQ(printers.facts_asked, 1);
    EXPECT_EQ(g_Printer_count, 1);
    EXPECT_FLOAT_EQ(g_Page_left, 0.05f * 11904);
    EXPECT_FLOAT_EQ(g_Page_right, 0.95f * 11904);
    EXPECT_FLOAT_EQ(g_Page_bottom, 0.95f * 16834);
    EXPECT_EQ(g_Print_target, Window().Picture_preview) << "the preview, as the window's choice says";
    ASSERT_NE(Window().Picture_preview, nullptr);
    EXPECT_EQ(Window().Picture_preview->ScaleWidth(), 11904);
}

TEST_F(Result_printing, APrintedSheetShowsInThePreviewWindow)
{
    Install_print_preview();
    Open_heat_12();
    Window().Opt_printer[0]->click();
    Window().Print_Results(false);
    auto* preview = platform::Form_if_loaded<Form_LCS_preview>();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    const QImage& shown = preview->Picture();
    int dark = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) dark += qGray(shown.pixel(x, y)) < 128;
    EXPECT_GT(dark, 500);
    // The page is emptied for the next one.
    const QImage page = Window().Picture_preview->Page_image();
    EXPECT_EQ(page.pixel(page.width() / 2, page.height() / 2), qRgb(255, 255, 255));
}

TEST_F(Result_printing, ThePrinterTestPrintsThePageHeadAlone)
{
    Open_heat_12();
    Window().item_printer_test->trigger();
    EXPECT_FALSE(printer->Text_call("Results for Heat"));
    EXPECT_TRUE(printer->Text_call("Test Regatta"));
    EXPECT_EQ(printer->calls.back(), "EndDoc");
}

// ---- The single frame and the series on the real page head ----

TEST_F(Result_printing, ASingleFrameGoesBelowThePageHead)
{
    Open_heat_12();
    Viewer().Slider_play->setValue(61);
    Viewer().Slider_play_Scroll();
    Window().item_print->trigger();
    const auto heat = printer->Text_call("Heat = ");
    ASSERT_TRUE(heat);
    EXPECT_EQ(heat->text, "Heat = 12");
    EXPECT_NEAR(heat->x, g_Page_left + 100, 0.01);
    EXPECT_EQ(heat->y, Print_top_y);
    EXPECT_EQ(heat->size, 16);
    EXPECT_EQ(heat->font, "Arial");
    EXPECT_FALSE(heat->bold);
    const auto field = printer->Text_call("Video field no: ");
    ASSERT_TRUE(field);
    EXPECT_EQ(field->text, "Video field no: 61\r\n");
    EXPECT_EQ(field->y, heat->y + 320);
    const Print_call picture = printer->Of_kind("PaintPicture").back();
    EXPECT_EQ(picture.image.size(), QSize(720, 576));
    EXPECT_NEAR(picture.x, g_Page_left + 100, 0.01);
    EXPECT_EQ(picture.y, field->y + 2 * 320); // the field line and one empty line
    EXPECT_EQ(picture.width, 720 * 15);
    EXPECT_EQ(picture.height, 576 * 15);
    EXPECT_EQ(printer->calls.back(), "EndDoc");
    EXPECT_EQ(g_Print_title, g_Event_name + " Heat 12 Single");
    for (const Print_call& c : Head_calls("Heat = ")) EXPECT_LE(Bottom(c), heat->y) << c.kind << " " << c.text;
}

TEST_F(Result_printing, TheSeriesFollowsTheTableOnTheSamePage)
{
    std::vector<Lane_result> results;
    for (int16_t lane = 0; lane < 5; ++lane) results.push_back({lane, 2000 + 100 * lane, 100 + lane, 5 + 2 * lane});
    Open_heat(results);
    Print_on_recorder();
    Window().item_print_series->trigger();
    EXPECT_EQ(Window().Result_kind(), "Series");
    const auto pictures = printer->Of_kind("PaintPicture");
    // The program logo twice (the page head again for the series), then five frames.
    ASSERT_EQ(pictures.size(), 7u);
    EXPECT_EQ(pictures[0].x, pictures[1].x);
    const double table_bottom = Bottom(*printer->Text_call("   5     4"));
    for (size_t i = 2; i < pictures.size(); ++i) {
        EXPECT_GE(pictures[i].y, table_bottom) << i;
        EXPECT_LE(pictures[i].y + pictures[i].height, g_Page_bottom - 300 + 0.5) << i;
    }
    EXPECT_EQ(pictures[2].y, Window().Results_end_y());
    EXPECT_EQ(pictures[5].y, Window().Results_end_y() + 2551 * 1.05);
    EXPECT_EQ(std::count(printer->calls.begin(), printer->calls.end(), "EndDoc"), 1);
    EXPECT_EQ(printer->calls.back(), "EndDoc");
    EXPECT_EQ(Viewer().Slider_play->value(), Viewer().Slider_play->minimum());
    EXPECT_TRUE(reports.reports.empty());
}

} // namespace
} // namespace wk
