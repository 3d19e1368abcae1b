// The windows on the desktop of the machine at hand. This program runs once per screen size
// (1280 x 1024 and 1920 x 1080, the offscreen platform's screen set from a file), and every check
// compares frames, title bars included, with the screen's available geometry.
#include "results/Form_LCS_preview.h"
#include "results/Form_Wakeline_marathon.h"
#include "results/Frm_Wakeline_Marathon_settime.h"
#include "results/Frm_results.h"
#include "tests/results/Marathon_fixture.h"
#include "tests/support/Real_input.h"
#include "tests/support/Whole_text.h"
#include "tests/viewer/Print_fixture.h"
#include "viewer/Finish_strip_pane.h"
#include "viewer/Frm_export.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QWindow>

#include <cstdlib>
#include <vector>

namespace wk {
namespace {

class Screen_fit : public test::Marathon_window {
protected:
    void SetUp() override
    {
        test::Marathon_window::SetUp();
        // The platform's default screen is smaller than any desktop the station is used on.
        if (Area().width() < 1280) GTEST_SKIP() << "needs a desktop of 1280 x 1024 or more (ctest sets one)";
        // Stored places as another machine's desktop left them: the export window in the corner
        // where the viewer's menus are, the finish entry beyond this screen's bottom-right.
        test::Write_file(home.App_data() / "Wakeline.ini",
                         "[Canoe]\r\n[windowpos]\r\nFrm_export=0,0,0,0\r\n"
                         "Frm_Wakeline_Marathon_settime=" +
                             std::to_string((Area().right() - 40) * platform::Twips_per_pixel_x()) + "," +
                             std::to_string((Area().bottom() - 40) * platform::Twips_per_pixel_y()) + ",0,0\r\n");
    }
    static QRect Area() { return QGuiApplication::primaryScreen()->availableGeometry(); }
    Frm_results& Results() { return platform::Form_instance<Frm_results>(); }

    // A heat open in the shown viewer, the results window beside it.
    void Open_heat_beside_results()
    {
        Install_result_rows(&Results());
        ASSERT_TRUE(Open(Make_heat("Heat1.qs2")));
        Viewer().show();
        QCoreApplication::processEvents();
        ASSERT_TRUE(Results().isVisible());
    }
    // The frame lies wholly in the available area, and its frame is a real one (with a title bar
    // where the platform draws one).
    static void Expect_inside(const QWidget& w)
    {
        EXPECT_TRUE(Area().contains(w.frameGeometry()))
            << w.objectName().toStdString() << " frame " << Text(w.frameGeometry()) << " area " << Text(Area());
    }
    static std::string Text(const QRect& r)
    {
        return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
               std::to_string(r.height());
    }
    // A tool window beside the viewer: shown, wholly on the desktop, clear of the viewer's menus.
    void Expect_opened_clear_of_viewer(const QWidget* w)
    {
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(w->isVisible());
        Expect_inside(*w);
        Expect_clear_of_viewer_menus(*w);
    }
    void Expect_clear_of_viewer_menus(const QWidget& w)
    {
        const QRect menus(Viewer().menu_bar->mapToGlobal(QPoint(0, 0)), Viewer().menu_bar->size());
        EXPECT_FALSE(w.frameGeometry().intersects(menus))
            << w.objectName().toStdString() << " frame " << Text(w.frameGeometry()) << " menus " << Text(menus);
    }
};

TEST_F(Screen_fit, TheScreenIsTheOneThisRunWasGiven)
{
    // The screen's file is named after its size: "...screen_1280x1024.json".
    const std::string platform = std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
    const size_t from = platform.find("screen_"), to = platform.rfind(".json");
    if (from == std::string::npos || to == std::string::npos) GTEST_SKIP() << "run without a set screen size";
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(std::to_string(screen.width()) + "x" + std::to_string(screen.height()),
              platform.substr(from + 7, to - from - 7));
}

TEST_F(Screen_fit, TheViewerAndTheResultsBesideItLieOnTheDesktopTheViewerNarrowingWhereBothDoNotFit)
{
    Open_heat_beside_results();
    const Frm_kanot_2& viewer = Viewer();
    Expect_inside(viewer);
    Expect_inside(Results());
    // Side by side, neither over the other, the results window just right of the viewer.
    EXPECT_EQ(Results().frameGeometry().left(), viewer.frameGeometry().right() + 1);
    EXPECT_EQ(Results().frameGeometry().top(), viewer.frameGeometry().top());
    // The picture is never cut: clicks on it are pixels of the frame.
    const QRect picture(viewer.Picture_large->mapTo(&viewer, QPoint(0, 0)), viewer.Picture_large->size());
    EXPECT_TRUE(viewer.rect().contains(picture));
    // The frames column narrows only as much as the screen asks.
    const int natural = viewer.frm_DV_AUX->x() + Frm_kanot_2::k_Frame_width + 250 / platform::Twips_per_pixel_x();
    const int room = Area().width() - (viewer.frameGeometry().width() - viewer.width()) - Results().Beside_width();
    EXPECT_EQ(viewer.width(), std::min(natural, room));
    EXPECT_LE(viewer.frm_DV_AUX->x() + viewer.frm_DV_AUX->width(), viewer.width());
    EXPECT_EQ(viewer.Slider_play->width(), viewer.Frm_play->width() - 20);
}

TEST_F(Screen_fit, FullScreenOnAndOffGivesBothWindowsBackWithTheirFramesAndPlaces)
{
    Open_heat_beside_results();
    const QRect viewer_before = Viewer().frameGeometry(), results_before = Results().frameGeometry();
    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_fullscreen));
    QCoreApplication::processEvents();
    EXPECT_TRUE(Viewer().windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(Viewer().frameGeometry(), QGuiApplication::primaryScreen()->geometry());

    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_fullscreen));
    QCoreApplication::processEvents();
    EXPECT_FALSE(Viewer().windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(Viewer().isMaximized());
    EXPECT_NE(Viewer().frameGeometry(), Viewer().geometry()); // the frame is back
    EXPECT_EQ(Viewer().frameGeometry(), viewer_before);
    EXPECT_TRUE(Results().isVisible());
    EXPECT_EQ(Results().frameGeometry(), results_before);
    Expect_inside(Viewer());
    Expect_inside(Results());
}

TEST_F(Screen_fit, TheExportAndFinishEntryWindowsOpenOnTheDesktopClearOfTheViewersMenus)
{
    Write_marathon_file({{1, "1", "Men", "09:59:00"}});
    Open_heat_beside_results();
    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_export_form));
    auto* exporter = platform::Form_if_loaded<Frm_export>();
    ASSERT_NO_FATAL_FAILURE(Expect_opened_clear_of_viewer(exporter));

    dialogs.Expect_message("Created a new Marathon result file");
    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_Marathon));
    auto* entry = platform::Form_if_loaded<Frm_Wakeline_Marathon_settime>();
    ASSERT_NO_FATAL_FAILURE(Expect_opened_clear_of_viewer(entry));
    // Without the results window beside it the viewer takes its full width again.
    EXPECT_FALSE(Results().isVisible());
    Expect_inside(Viewer());
}

TEST_F(Screen_fit, MarathonOnAndOffBringsTheResultsWindowBackWholeBesideTheViewer)
{
    Write_marathon_file({{1, "1", "Men", "09:59:00"}});
    Open_heat_beside_results();
    const QRect before = Results().frameGeometry();
    dialogs.Expect_message("Created a new Marathon result file");
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_Marathon)); // on
        ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_Marathon)); // off
        QCoreApplication::processEvents();
        ASSERT_TRUE(Results().isVisible());
        Expect_inside(Results());
        EXPECT_EQ(Results().frameGeometry(), before);
        EXPECT_EQ(Results().frameGeometry().left(), Viewer().frameGeometry().right() + 1);
    }
}

TEST_F(Screen_fit, TheFinishEntryKeepsOffTheMarathonWindowsFirstRowsAndItsPlaceFromStartToStart)
{
    Write_marathon_file({{1, "1", "Men", "09:59:00"}});
    Open_heat_beside_results();
    dialogs.Expect_message("Created a new Marathon result file");
    struct Case {
        const char* name;
        QPoint stored; // where the settings left the finish entry (pixels)
    };
    // On the marathon window's menu (it opens where the viewer's menus end), then wherever it was.
    const std::vector<Case> cases = {{"over the marathon menu", {0, 0}}, {"over its first rows", {40, 60}},
                                     {"beyond the screen", {Area().right() - 40, Area().bottom() - 40}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::Write_file(home.App_data() / "Wakeline.ini",
                         "[Canoe]\r\n[windowpos]\r\nForm_Wakeline_marathon=0,0,0,0\r\n"
                         "Frm_Wakeline_Marathon_settime=" +
                             std::to_string(c.stored.x() * platform::Twips_per_pixel_x()) + "," +
                             std::to_string(c.stored.y() * platform::Twips_per_pixel_y()) + ",0,0\r\n");
        QRect first;
        for (int start = 1; start <= 3; ++start) {
            SCOPED_TRACE(start);
            if (&c != &cases.front() || start > 1) dialogs.Expect_message("Loaded existing Marathon results file");
            ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_Marathon));
            auto* entry = platform::Form_if_loaded<Frm_Wakeline_Marathon_settime>();
            auto* marathon = platform::Form_if_loaded<Form_Wakeline_marathon>();
            ASSERT_TRUE(entry && marathon && entry->isVisible() && marathon->isVisible());
            Expect_inside(*entry);
            Expect_inside(*marathon);
            Expect_clear_of_viewer_menus(*marathon);
            const QWidget* third_row = marathon->Text_heat[2];
            const QRect top(marathon->frameGeometry().topLeft(),
                            QPoint(marathon->frameGeometry().right(),
                                   third_row->mapToGlobal(QPoint(0, third_row->height())).y()));
            EXPECT_FALSE(entry->frameGeometry().intersects(top))
                << Text(entry->frameGeometry()) << " over " << Text(top);
            // The program ends and starts again: each window comes back where it was.
            if (start == 1) first = entry->frameGeometry();
            else EXPECT_EQ(entry->frameGeometry(), first);
            ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_Marathon));
            entry->Unload_form();
            marathon->Unload_form();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
}

TEST_F(Screen_fit, TheMarathonWindowsAndTheFinishStripLieBesideOrUnderThePictureNeverOverIt)
{
    Write_marathon_file({{1, "1", "Men", "09:59:00"}});
    Open_heat_beside_results();
    ASSERT_FALSE(Viewer().Picture_area().isEmpty());
    // The wider screen has room beside the whole viewer, so its controls stay free too.
    const bool room_beside_viewer = Area().width() >= 1920;
    const auto expect_clear = [&](const QWidget* w) {
        ASSERT_TRUE(w && w->isVisible());
        const QRect picture = Viewer().Picture_area();
        Expect_inside(*w);
        EXPECT_FALSE(w->frameGeometry().intersects(picture))
            << w->objectName().toStdString() << " " << Text(w->frameGeometry()) << " over the picture " << Text(picture);
        // The viewer's column may have narrowed to make room: where it is now.
        const QRect controls = Viewer().Controls_area();
        EXPECT_FALSE(controls.isEmpty());
        EXPECT_FALSE(w->frameGeometry().intersects(controls))
            << w->objectName().toStdString() << " " << Text(w->frameGeometry()) << " over the controls " << Text(controls);
        if (room_beside_viewer)
            EXPECT_FALSE(w->frameGeometry().intersects(Viewer().frameGeometry()))
                << w->objectName().toStdString() << " " << Text(w->frameGeometry()) << " over the viewer";
    };
    dialogs.Expect_message("Created a new Marathon result file");
    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_Marathon));
    auto* marathon = platform::Form_if_loaded<Form_Wakeline_marathon>();
    auto* entry = platform::Form_if_loaded<Frm_Wakeline_Marathon_settime>();
    expect_clear(marathon);
    expect_clear(entry);
    EXPECT_FALSE(entry->frameGeometry().intersects(marathon->frameGeometry()));
    // Cut to fit on the narrow screen, the marathon window still shows its heats' starts, Start
    // and Stop whole.
    const QWidget* start = marathon->Text_start[0];
    for (const QRect& control : {QRect(start->mapTo(marathon, QPoint(0, 0)), start->size()),
                                 marathon->Cmd_start->geometry(), marathon->Cmd_stop->geometry()})
        EXPECT_TRUE(marathon->rect().contains(control)) << Text(control) << " outside " << Text(marathon->rect());
    // A click on the picture raises the viewer: both stay above it.
    EXPECT_TRUE(marathon->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(entry->windowFlags() & Qt::WindowStaysOnTopHint);
    // Turned, the picture reaches down where the finish entry was: both go around it again.
    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_rotated));
    expect_clear(marathon);
    expect_clear(entry);
    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_rotated));
    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_Marathon));

    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_finish_strip));
    expect_clear(Viewer().Pane_finish_strip);
    Expect_clear_of_viewer_menus(*Viewer().Pane_finish_strip);
}

TEST_F(Screen_fit, TheFrameExportIsAToolWindowOfTheViewer)
{
    Open_heat_beside_results();
    ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_export_form));
    auto* exporter = platform::Form_if_loaded<Frm_export>();
    ASSERT_NE(exporter, nullptr);
    EXPECT_TRUE(exporter->isWindow());
    EXPECT_EQ(exporter->windowType(), Qt::Tool);
    EXPECT_EQ(exporter->parentWidget(), &Viewer());
    ASSERT_TRUE(exporter->windowHandle());
    EXPECT_EQ(exporter->windowHandle()->transientParent(), Viewer().windowHandle());
    Expect_inside(*exporter);
}

TEST_F(Screen_fit, TheCameraNoteIsWholeInTheViewerAsNarrowedBesideTheResults)
{
    Open_heat_beside_results();
    g_Capture_running = true;
    QTest::keyClick(Viewer().Slider_play, Qt::Key_Right);
    QCoreApplication::processEvents();
    g_Capture_running = false;
    const QLabel* note = Viewer().Lbl_camera_running;
    ASSERT_TRUE(note->isVisible());
    EXPECT_TRUE(test::Whole_text(note)) << "width " << note->width();
    EXPECT_TRUE(Viewer().Frm_play->rect().contains(note->geometry()));
    EXPECT_LE(Viewer().Frm_play->x() + Viewer().Frm_play->width(), Viewer().width());
}

TEST_F(Screen_fit, ThePrintPreviewOpensWholeOnTheDesktopBelowTheViewersMenus)
{
    test::Print_state_reset reset;
    Install_print_preview();
    const int32_t paper_width = g_Paper_width, paper_height = g_Paper_height;
    g_Paper_width = 11904;
    g_Paper_height = 16834; // A4: taller than either screen
    Open_heat_beside_results();
    QTest::mouseClick(Results().Opt_printer[Frm_results::k_Preview], Qt::LeftButton);
    ASSERT_TRUE(test::Choose(Results().menu_bar, Results().item_print_results));
    auto* preview = platform::Form_if_loaded<Form_LCS_preview>();
    ASSERT_NO_FATAL_FAILURE(Expect_opened_clear_of_viewer(preview));
    // The page keeps its proportions, scaled to the room left.
    EXPECT_NEAR(double(preview->width()) / preview->height(), 11904.0 / 16834.0, 0.01);
    EXPECT_GE(preview->frameGeometry().bottom(), Area().bottom() - 1);
    g_Paper_width = paper_width;
    g_Paper_height = paper_height;
}

} // namespace
} // namespace wk
