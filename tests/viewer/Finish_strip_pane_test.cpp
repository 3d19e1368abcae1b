// The finish strip in the viewer, on a demo heat whose boats cross the goal line at known fields:
// what the strip shows there, clicks and keys on it, and its export.
#include "tests/viewer/Print_fixture.h"
#include "tests/viewer/Viewer_fixture.h"
#include "platform/Key_event_filter.h"
#include "tools/Demo_heat.h"
#include "viewer/Finish_strip_pane.h"
#include "viewer/Lane_results.h"
#include "results/Result_sheet.h"
#include "viewer/Strip_export.h"

#include <QAction>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QToolButton>

namespace wk {
namespace {

// The demo's boats are orange and darker than the white line: the line shares its colour with
// the other field's boat where that crosses, but not its brightness.
bool Boat(QRgb c)
{
    const int luma = (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c)) / 1000;
    return qRed(c) - qBlue(c) > 80 && luma < 205;
}

class Finish_strip_view : public test::Viewer_window {
protected:
    void Open_demo()
    {
        heat = demo::Make_demo_heat(path, {.lanes = 4, .line_over_boats = false});
        ASSERT_TRUE(Open(path));
        Viewer().item_finish_strip->trigger();
        pane = Viewer().Pane_finish_strip;
        ASSERT_NE(pane, nullptr);
        ASSERT_NE(pane->Strip(), nullptr);
        pane->grab(); // painted once while it is built
        const_cast<Finish_strip*>(pane->Strip())->Wait_whole();
        pane->Follow();
    }
    static int32_t Column(const demo::Crossing& c) { return 2 * (c.frame - 1) + c.field - 1; }
    int32_t Row(int16_t lane)
    {
        for (const auto& l : pane->Marks().lanes)
            if (l.lane == lane) return l.row;
        ADD_FAILURE() << "no mark for lane " << lane;
        return 0;
    }
    QPoint At(int32_t column, int32_t row) { return {pane->X_of(column), pane->Y_of(row)}; }
    // The export runs on its own thread and reports back through the event loop.
    void Wait_for_export()
    {
        ASSERT_NE(Viewer().Export_strip, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Viewer().Export_strip->Running(); }, 60000));
    }

    std::string path = (home.path() / "DemoHeat1.qs2").string();
    demo::Result heat;
    Finish_strip_pane* pane = nullptr;
};

TEST_F(Finish_strip_view, EachBoatShowsInItsCrossingColumnAtItsLanesPlace)
{
    Open_demo();
    const Finish_strip& strip = *pane->Strip();
    EXPECT_EQ(strip.Columns(), 2 * heat.frames);
    for (const auto& c : heat.crossings) {
        const int32_t row = Row(c.lane);
        EXPECT_EQ(row, strip.Line().Sample_of(c.mark_x, c.mark_y));
        EXPECT_TRUE(Boat(strip.Picture().pixel(Column(c), row))) << "lane " << c.lane;
        EXPECT_TRUE(Boat(pane->grab().toImage().pixel(At(Column(c), row)))) << "lane " << c.lane << " as shown";
        EXPECT_FALSE(Boat(strip.Picture().pixel(Column(c) - 1, row))) << "lane " << c.lane << ", the field before";
        // The other lanes' boats are elsewhere at that moment.
        for (const auto& other : heat.crossings)
            if (other.lane != c.lane && std::abs(Column(other) - Column(c)) > 25)
                EXPECT_FALSE(Boat(strip.Picture().pixel(Column(c), Row(other.lane)))) << c.lane << " " << other.lane;
    }
}

TEST_F(Finish_strip_view, SClicksOnTheStripPlaceEachLaneAtItsPrintedTime)
{
    platform::Install_key_event_filter();
    Open_demo();
    for (const auto& c : heat.crossings) {
        // A plain click goes to the field and shows the lane; nothing is stored.
        QTest::mouseClick(pane, Qt::LeftButton, Qt::NoModifier, At(Column(c), Row(c.lane)));
        EXPECT_EQ(Viewer().Slider_play->value(), Column(c) + 1) << "lane " << c.lane;
        EXPECT_EQ(Viewer().Results().Lane_To_Place(c.lane), 0);
        QTest::keyPress(pane, Qt::Key_S);
        QTest::mouseClick(pane, Qt::LeftButton, Qt::NoModifier, At(Column(c), Row(c.lane)));
        QTest::keyRelease(pane, Qt::Key_S);
        EXPECT_EQ(Viewer().Slider_play->value(), Column(c) + 1) << "lane " << c.lane;
    }
    // Each place is marked on the strip at its finish.
    const Strip_marks marks = pane->Marks();
    ASSERT_EQ(marks.places.size(), heat.crossings.size());
    for (size_t i = 0; i < marks.places.size(); ++i) {
        EXPECT_EQ(marks.places[i].lane, heat.crossings[i].lane);
        EXPECT_EQ(marks.places[i].column, Column(heat.crossings[i]));
    }
    Viewer().item_close_Click();
    ASSERT_TRUE(Open(path));
    for (size_t i = 0; i < heat.crossings.size(); ++i) {
        const auto& c = heat.crossings[i];
        EXPECT_EQ(g_Recording->Heat_time(1, c.lane), c.race_time) << "lane " << c.lane;
        EXPECT_EQ(Viewer().Results().Lane_To_Place(c.lane), int16_t(i + 1));
    }
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Finish_strip_view, ArrowKeysOverTheStripStepAndTheMarkFollowsThroughZoom)
{
    Open_demo();
    const demo::Crossing& c = heat.crossings[2];
    QTest::mouseClick(pane, Qt::LeftButton, Qt::NoModifier, At(Column(c), 10));
    const QRgb mark = qRgb(0, 255, 255);
    const struct {
        const char* name;
        std::function<void()> act;
        int32_t field;
        double column_pixels;
    } steps[] = {
        {"right", [&] { QTest::keyClick(pane, Qt::Key_Right); }, Column(c) + 2, 2},
        {"left twice", [&] { QTest::keyClick(pane, Qt::Key_Left); QTest::keyClick(pane, Qt::Key_Left); }, Column(c), 2},
        {"zoomed in", [&] { QTest::mouseClick(pane->Cmd_zoom_in, Qt::LeftButton); }, Column(c), 4},
        {"zoomed out twice",
         [&] {
             QTest::mouseClick(pane->Cmd_zoom_out, Qt::LeftButton);
             QTest::mouseClick(pane->Cmd_zoom_out, Qt::LeftButton);
         },
         Column(c), 1},
    };
    for (const auto& s : steps) {
        s.act();
        QCoreApplication::processEvents(); // the slider's step is posted
        EXPECT_EQ(Viewer().Slider_play->value(), s.field) << s.name;
        EXPECT_EQ(pane->Column_pixels(), s.column_pixels) << s.name;
        const QImage shown = pane->grab().toImage();
        EXPECT_EQ(shown.pixel(pane->X_of(s.field - 1), 3), mark) << s.name;
    }
}

TEST_F(Finish_strip_view, AnotherGoalLineBuildsTheStripAgainAndExportWritesItWithItsScale)
{
    Open_demo();
    g_File_Goal_line = {300, 10, 340, 560};
    pane->Follow();
    ASSERT_NE(pane->Strip(), nullptr);
    EXPECT_EQ(pane->Strip()->Line().Line_setup().x2, 340);
    const_cast<Finish_strip*>(pane->Strip())->Wait_whole();
    const std::string png = (home.path() / "strip.png").string();
    // A folder that is not there: said, and nothing written.
    dialogs.Expect_save_file((home.path() / "none" / "strip.png").string());
    dialogs.Expect_message("Cannot write");
    Viewer().item_export_finish_strip->trigger();
    Wait_for_export();
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_FALSE(std::filesystem::exists(home.path() / "none"));
    dialogs.Expect_save_file(png);
    Viewer().item_export_finish_strip->trigger();
    Wait_for_export();
    const QImage written(QString::fromStdString(png));
    EXPECT_EQ(written.width(), pane->Strip()->Columns());
    EXPECT_EQ(written.height(), pane->Strip()->Line().Samples() + Strip_scale_height());
    EXPECT_EQ(written.pixel(10, written.height() - 30), qRgb(255, 255, 255)); // the scale under the strip
}

TEST(Finish_strip_marks, TheFinishesAreShownWithASecondOnEitherSide)
{
    const auto places = [](std::vector<int32_t> columns) {
        Strip_marks m;
        for (int32_t c : columns) m.places.push_back({.column = c});
        return m;
    };
    const struct {
        std::vector<int32_t> columns;
        int32_t total;
        bool found;
        int32_t first, last;
    } cases[] = {
        {{150, 100, 120}, 1000, true, 50, 200},
        {{20}, 1000, true, 0, 70},     // held to the start
        {{990}, 1000, true, 940, 999}, // and to the end
        {{}, 1000, false, 0, 0},
    };
    for (const auto& c : cases) {
        int32_t first = 0, last = 0;
        EXPECT_EQ(Finish_columns(places(c.columns), c.total, first, last), c.found);
        if (!c.found) continue;
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(last, c.last);
    }
}

// The page head as a stand-in: the table ends at 4000 twips.
class Stand_in_sheet final : public Result_sheet {
public:
    bool Print_Static_Content() override { return true; }
    void Print_Results(bool) override {}
    int32_t Results_end_y() const override { return 4000; }
};

TEST_F(Finish_strip_view, TheResultSheetCarriesTheStripAroundTheFinishesWhenAsked)
{
    test::Print_state_reset reset;
    Stand_in_sheet sheet;
    rows.sheet = &sheet;
    Install_result_rows(&rows);
    auto printer = std::make_shared<platform::Recording_print_target>();
    heat = demo::Make_demo_heat(path, {.lanes = 4, .line_over_boats = false});
    std::vector<test::Lane_result> results;
    for (const auto& c : heat.crossings) results.push_back({c.lane, c.race_time, 1, Column(c) + 1});
    Store_results(path, results);
    ASSERT_TRUE(Open(path));
    Need_printer();
    g_Print_target = printer;
    for (const bool asked : {false, true}) {
        Viewer().item_strip_on_sheet->setChecked(asked);
        Viewer().Print_finish_strip();
        const auto pictures = printer->Of_kind("PaintPicture");
        ASSERT_EQ(pictures.size(), asked ? 1u : 0u);
        if (!asked) continue;
        const auto& p = pictures[0];
        EXPECT_EQ(p.y, 4000);
        EXPECT_NEAR(p.width, g_Page_right - g_Page_left, 0.5);
        // Four place boxes, left to right in place order.
        std::vector<int> boxes;
        for (int x = 0; x < p.image.width(); ++x)
            for (int row = 0; row < p.image.height() - Strip_scale_height(Strip_text_pixels_for(150)); ++row)
                if (p.image.pixel(x, row) == qRgb(255, 255, 0) && (boxes.empty() || x > boxes.back() + 30)) {
                    boxes.push_back(x);
                    break;
                }
        EXPECT_EQ(boxes.size(), 4u);
    }
    EXPECT_TRUE(reports.reports.empty());
}

} // namespace
} // namespace wk
