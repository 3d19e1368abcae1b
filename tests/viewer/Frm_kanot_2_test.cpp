// The viewer window, offscreen: start-up, opening and closing recordings, the overlay over the
// shown field and the layout.
#include "tests/viewer/Viewer_fixture.h"
#include "platform/Folders.h"
#include "platform/Forms.h"
#include "platform/Picture_box.h"
#include "platform/Registry_store.h"
#include "platform/Single_instance.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_canoe.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/graphics/cDIBSection.h"
#include "tests/recording/Recording_maker.h"
#include "viewer/Cls_lane.h"
#include "viewer/Frm_kanot_2.h"
#include "viewer/Lane_results.h"
#include "results/Result_rows.h"

#include <QAction>
#include <QGroupBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QSlider>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::Heat_setup;
using test::Viewer_window;

TEST_F(Viewer_window, OpeningARecordingTakesItsLanesGoalLineLengthAndName)
{
    Heat_setup s;
    s.lanes = 3;
    s.first_lane = 0;
    const std::string path = Make_heat("Heat7.qs2", s);
    Install_result_rows(&rows);
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(g_Run_mode, 10);
    EXPECT_EQ(g_Lanes_in_use, 3);
    ASSERT_EQ(g_Lanes.size(), 3u);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(g_Lanes[size_t(i - 1)]->Lane_number(), i - 1); // first lane 0
        EXPECT_EQ(g_Lanes[size_t(i - 1)]->X(), 100 + 40 * i);
        EXPECT_EQ(g_Lanes[size_t(i - 1)]->Y(), 60 + 100 * i);
    }
    EXPECT_EQ(g_File_Goal_line, (Goal_line_coords{300, 20, 300, 560}));
    EXPECT_TRUE(g_Goalline_shown);
    EXPECT_TRUE(g_Lane_marks_shown);
    EXPECT_EQ(Viewer().Slider_play->minimum(), 1);
    EXPECT_EQ(Viewer().Slider_play->maximum(), 20);
    EXPECT_EQ(Viewer().Slider_play->value(), 1);
    EXPECT_EQ(Viewer().Lbl_frameno->text().toStdString(), "0001");
    EXPECT_EQ(Caption(), "Wakeline, Full version file = " + path);
    EXPECT_EQ(Viewer().Label_heatID->text().toStdString(), "7");
    EXPECT_EQ(rows.event_name, "Test Regatta");
    EXPECT_EQ(rows.heat, "7");
    // 10 frames: 100005 + 1440000 bytes.
    EXPECT_EQ(Viewer().Lbl_filesize->text().toStdString(), "1.5 Mb");
    EXPECT_EQ(Read_Ini_Value("Canoe", "last_dir", Ini_file_path, ""), home.path().string() + "/");
    EXPECT_TRUE(reports.reports.empty());
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Viewer_window, TheFileSizeLabelRoundsToOneDecimal)
{
    const std::string path = Make_heat("Heat1.qs2");
    fs::resize_file(path, 1572864); // whole frames and a tail that is not one
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(Viewer().Lbl_filesize->text().toStdString(), "1.5 Mb");
    fs::resize_file(home.path() / "Heat1.qs2", 100005 + 144000 * 14);
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(Viewer().Lbl_filesize->text().toStdString(), "2 Mb");
}

TEST_F(Viewer_window, AGoalLineStartingOnThePictureEdgeIsNotTaken)
{
    Heat_setup s;
    s.goal = {300, 0, 300, 560};
    ASSERT_TRUE(Open(Make_heat("Heat1.qs2", s)));
    EXPECT_EQ(g_File_Goal_line, Goal_line_coords{});
}

TEST_F(Viewer_window, MissingInvalidAndEmptyFilesAreSaidAndLeaveEverythingClosed)
{
    const std::string good = Make_heat("Heat1.qs2");
    ASSERT_TRUE(Open(good));

    dialogs.Expect_message("File does not exist!");
    EXPECT_FALSE(Open((home.path() / "none.qs2").string()));
    EXPECT_EQ(Caption(), "Wakeline, Full version");
    EXPECT_TRUE(Viewer().Recording_path().empty());

    test::Write_file(home.path() / "empty.qs2", "");
    dialogs.Expect_message("Corrupt file, (Invalid file length)");
    EXPECT_FALSE(Open((home.path() / "empty.qs2").string()));

    test::Write_file(home.path() / "junk.qs2", std::string(4000, 'x'));
    dialogs.Allow_any_message();
    EXPECT_FALSE(Open((home.path() / "junk.qs2").string()));
    EXPECT_FALSE(dialogs.shown.empty());

    // A recording of frames that is not one of this program's.
    test::Write_DV_file(home.path() / "camera.dv", test::Stream_frames(1));
    EXPECT_FALSE(Open((home.path() / "camera.dv").string()));
    EXPECT_NE(dialogs.shown.back().find("Not a valid wakeLine file!"), std::string::npos);

    EXPECT_EQ(Caption(), "Wakeline, Full version");
    EXPECT_TRUE(Viewer().Recording_path().empty());
    EXPECT_EQ(Viewer().Lbl_filesize->text().toStdString(), "");
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Viewer_window, ARecordingWithoutFramesIsClosedAgain)
{
    Heat_setup s;
    s.frames = 0;
    const std::string path = Make_heat("Heat1.qs2", s);
    dialogs.Expect_message("No video frames in this file!");
    EXPECT_FALSE(Open(path));
    EXPECT_EQ(Caption(), "Wakeline, Full version");
}

TEST_F(Viewer_window, OpeningWhileOpenClosesFirstAndKeepsNothingOfTheOldLength)
{
    const std::string long_heat = Make_heat("Heat1.qs2");
    Heat_setup s;
    s.frames = 3;
    s.lanes = 2;
    const std::string short_heat = Make_heat("Heat2.qs2", s);
    ASSERT_TRUE(Open(long_heat));
    Viewer().item_zoom->setChecked(true);
    ASSERT_TRUE(Open(short_heat));
    EXPECT_EQ(Viewer().Slider_play->maximum(), 6);
    EXPECT_EQ(g_Lanes.size(), 2u);
    EXPECT_EQ(Caption(), "Wakeline, Full version file = " + short_heat);
    EXPECT_FALSE(Viewer().item_zoom->isChecked());
    EXPECT_FALSE(Viewer().Zoom_on());

    // Closing brings the lanes of the settings back.
    Viewer().item_close_Click();
    EXPECT_FALSE(g_Recording->File_open());
    EXPECT_EQ(g_Lanes.size(), 16u);
    EXPECT_EQ(Caption(), "Wakeline, Full version");
}

TEST_F(Viewer_window, CancellingTheFileDialogLeavesTheViewerClosed)
{
    Install_result_rows(&rows);
    rows.rows[0].rank = "1";
    dialogs.Expect_open_file(std::nullopt);
    EXPECT_FALSE(Open(""));
    EXPECT_EQ(rows.rows[0], Plain_result_rows::Row{});
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Viewer_window, TheCommandLineOpensAPathWithOrWithoutQuotes)
{
    const std::string path = Make_heat("Heat1.qs2");
    platform::App().command_line = path;
    Viewer();
    ASSERT_TRUE(g_Recording && g_Recording->File_open());
    EXPECT_EQ(Viewer().Recording_path(), path);

    Viewer().Unload_form();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    platform::App().command_line = "\"" + path + "\"";
    EXPECT_EQ(Viewer().Recording_path(), path);

    Viewer().Unload_form();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    platform::App().command_line = (home.path() / "gone.qs2").string();
    EXPECT_TRUE(Viewer().Recording_path().empty());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Viewer_window, ASecondRunningCopyIsRefused)
{
    const int fd = open(platform::Instance_lock_path().c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0); // as another copy would hold it
    dialogs.Expect_message("An instance of this program already running...");
    EXPECT_THROW(Viewer(), platform::End_requested);
    close(fd);
    // The lock of a copy that has gone is free again.
    EXPECT_FALSE(platform::Previous_instance());
}

TEST_F(Viewer_window, AMissingIniIsCreatedOrEndsTheProgram)
{
    fs::remove(home.App_data() / "Wakeline.ini");
    dialogs.Expect_message("Wakeline.ini not found");
    dialogs.Expect_message("INI file not found! Create?", platform::vbNo);
    EXPECT_THROW(Viewer(), platform::End_requested);
    EXPECT_FALSE(fs::exists(home.App_data() / "Wakeline.ini"));

    Reset_Initialization_for_tests();
    dialogs.Expect_message("Wakeline.ini not found");
    dialogs.Expect_message("INI file not found! Create?", platform::vbYes);
    Viewer();
    EXPECT_TRUE(fs::exists(home.App_data() / "Wakeline.ini"));
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Viewer_window, TheOverlayShowsTheFieldThroughItsKeyColour)
{
    Heat_setup s;
    s.lap = 3;
    const std::string path = Make_heat("Heat1.qs2", s);
    ASSERT_TRUE(Open(path));
    // The field as the recording draws it, without overlay.
    cls_AVI_handler plain;
    ASSERT_TRUE(plain.Open_File(path));
    test::Picture field;
    ASSERT_TRUE(plain.Draw_field_3(1, field.dc));
    for (auto [x, y] : {std::pair{10, 10}, {200, 300}, {700, 20}, {450, 100}})
        EXPECT_EQ(Pixel(x, y), field.dc.GetPixel(x, y)) << x << "," << y;

    // The goal line in white over the picture.
    EXPECT_EQ(Pixel(300, 300), platform::Rgb(255, 255, 255));
    // The lap label, green, near three quarters across and low down.
    int green = 0;
    for (int y = 530; y < 576; ++y)
        for (int x = 540; x < 720; ++x)
            green += Pixel(x, y) == platform::Rgb(0, 255, 0);
    EXPECT_GT(green, 30);
    int green_elsewhere = 0;
    for (int y = 0; y < 500; y += 2)
        for (int x = 0; x < 720; x += 2)
            green_elsewhere += Pixel(x, y) == platform::Rgb(0, 255, 0);
    EXPECT_EQ(green_elsewhere, 0);

    // Dimmed, the goal line is almost black.
    g_Goalline_dimmed = true;
    Viewer().New_graphics();
    EXPECT_EQ(Pixel(300, 300), platform::Rgb(25, 25, 25));
    // Marks are drawn: lane 1 at (140, 160) has no result and a grey face.
    EXPECT_EQ(Pixel(140 - 8, 160), platform::Rgb(200, 200, 200));
}

TEST_F(Viewer_window, WithoutALapCountNoLabelIsDrawn)
{
    ASSERT_TRUE(Open(Make_heat("Heat1.qs2")));
    int green = 0;
    for (int y = 520; y < 576; ++y)
        for (int x = 520; x < 720; ++x)
            green += Pixel(x, y) == platform::Rgb(0, 255, 0);
    EXPECT_EQ(green, 0);
}

TEST_F(Viewer_window, ARotatedRecordingTurnsPictureAndOverlay)
{
    Heat_setup s;
    s.rotated = true;
    ASSERT_TRUE(Open(Make_heat("Heat1.qs2", s)));
    EXPECT_TRUE(Viewer().Rotated());
    EXPECT_EQ(Viewer().Picture_large->Scale_width(), 576);
    EXPECT_EQ(Viewer().Picture_large->Scale_height(), 720);
    EXPECT_EQ(g_Frame_DIB->Width(), 576);
    EXPECT_EQ(g_Frame_DIB->Height(), 720);
    EXPECT_GE(Viewer().height(), 720);

    // Upright again: the landscape layout keeps the window's height.
    const int tall = Viewer().height();
    ASSERT_TRUE(Open(Make_heat("Heat2.qs2")));
    EXPECT_EQ(Viewer().Picture_large->Scale_width(), 720);
    EXPECT_EQ(g_Frame_DIB->Height(), 576);
    EXPECT_EQ(Viewer().height(), tall);
    // Every control frame sits right of the picture.
    for (QWidget* f : {static_cast<QWidget*>(Viewer().frm_DV_AUX), static_cast<QWidget*>(Viewer().Frm_play)})
        EXPECT_GE(f->x(), 730);
}

TEST_F(Viewer_window, DraggingAMarkMovesItAndRedrawsIt)
{
    ASSERT_TRUE(Open(Make_heat("Heat1.qs2")));
    Frm_kanot_2& v = Viewer();
    // Lane mark 1 at (140, 160); the lanes are not locked.
    v.Picture_large_MouseDown(1, 0, 141, 161);
    EXPECT_EQ(g_Drag_Lane, 1);
    v.Picture_large_MouseMove(1, 0, 241, 211);
    v.Picture_large_MouseUp(1, 0, 241, 211);
    EXPECT_EQ(g_Lanes[0]->X(), 240);
    EXPECT_EQ(g_Lanes[0]->Y(), 210);
    EXPECT_EQ(g_Drag_Lane, -1);
    EXPECT_EQ(Pixel(240 - 8, 210), platform::Rgb(200, 200, 200));
}

TEST_F(Viewer_window, TheCloseButtonAsksBeforeTheProgramEnds)
{
    Viewer();
    dialogs.Expect_message("Exiting Wakeline, are you sure?", platform::vbCancel);
    QCloseEvent close;
    QCoreApplication::sendEvent(&Viewer(), &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_TRUE(Is_Form_Loaded("frm_kanot_2"));
    EXPECT_FALSE(g_Exiting);
}

TEST_F(Viewer_window, TheIntroGrowsAboutTheWindowCentre)
{
    Frm_kanot_2& v = Viewer();
    v.Run_Intro();
    EXPECT_FALSE(v.Picture_intro->isVisibleTo(&v));
    QWidget* client = v.Picture_large->parentWidget();
    const QRect r = v.Picture_intro->geometry();
    EXPECT_EQ(r.width(), 651);  // 30/35 of 760
    EXPECT_EQ(r.height(), 240); // 30/35 of 280
    EXPECT_NEAR(r.center().x(), client->width() / 2, 1);
    EXPECT_NEAR(r.center().y(), client->height() / 2, 1);
}

} // namespace
} // namespace wk
