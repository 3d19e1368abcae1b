// Which camera the capture window takes, and a capture refused where the camera's pictures
// cannot be recorded.
#include "capture/Camera_choice.h"
#include "comlite/Server_entry_points.h"
#include "tests/capture/Capture_window_fixture.h"
#include "tests/comlite/Com_test_home.h"
#include "tests/support/Failing_disk.h"
#include "tests/support/Real_input.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <dlfcn.h>

#include <chrono>

namespace wk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Entries = std::vector<std::pair<std::string, bool>>;

const std::vector<Video_device> k_Devices{{1, "Fake DV camera 1", "fa4e00001", "fake:video:1"},
                                          {2, "USB Camera", "", "/dev/video2"},
                                          {3, "USB Camera", "", "/dev/video4"},
                                          {4, "Sony DCR-TRV900", "0x0800460102030405", "/sys/fw1"}};

TEST(Camera_choice, TheWishedCameraIsFoundByNameAndDeviceElseTheFirstIsTaken)
{
    const std::tuple<const char*, Camera_wish, int16_t, bool> cases[] = {
        {"nothing chosen", {}, 1, false},
        {"the second of two alike", {"USB Camera", "/dev/video4"}, 3, false},
        {"moved to another port", {"USB Camera", "/dev/video6"}, 2, false},
        {"renamed, same id", {"Sony Handycam", "0x0800460102030405"}, 4, false},
        {"a path alone is no id", {"Old camera", "/dev/video2"}, 1, true},
        {"gone", {"Fake DV camera 7", "fa4e00007"}, 1, true},
    };
    for (const auto& [what, wish, number, missing] : cases) {
        EXPECT_EQ(Pick_camera(k_Devices, wish).number, number) << what;
        EXPECT_EQ(Pick_camera(k_Devices, wish).wish_missing, missing) << what;
    }
    // Without devices there is nothing to tell: the start fails as it always has.
    EXPECT_FALSE(Pick_camera({}, {"USB Camera", "/dev/video2"}).wish_missing);
    EXPECT_EQ(Menu_labels(k_Devices), (std::vector<std::string>{"Fake DV camera 1", "USB Camera (/dev/video2)",
                                                                "USB Camera (/dev/video4)", "Sony DCR-TRV900"}));
}

// The choice takes two writes; killed at any of them, the settings pick the old camera or the new.
TEST(Camera_choice, AChoiceKilledAtAnyWriteLeavesSettingsThatPickTheOldCameraOrTheNew)
{
    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    dialogs.Allow_any_message(); // a killed write is reported
    fs::create_directories(home.App_data());
    const std::string base = (home.App_data() / "base.ini").string(), path = Ini_file_path;
    test::Write_file(base, "[Canoe]\r\nevent_name=Regatta\r\ncamera=USB Camera\r\ncamera_device=/dev/video2\r\n");
    const auto keep = [&](const std::string& copy) {
        Ini_file_path = copy;
        Camera_wish::Of(k_Devices[2]).Keep();
        Ini_file_path = path;
    };
    EXPECT_GE(test::Kill_at_every_write(base, path, keep, [&](bool all_written) {
        const Camera_pick pick = Pick_camera(k_Devices, Camera_wish::From_settings());
        EXPECT_TRUE(pick.number == 3 || (!all_written && pick.number == 2)) << pick.number;
        EXPECT_FALSE(pick.wish_missing);
        EXPECT_EQ(Read_Ini_Value("Canoe", "event_name", Ini_file_path, ""), "Regatta");
    }), 2);
}

// The window on the capture server the program creates: a fake DV camera and one without DV.
class Choose_camera_window : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("BRIXCAP_FAKE_DEVICES", "video:1,webcam:1", 1);
        ASSERT_NE(library, nullptr) << dlerror();
        ASSERT_EQ(reinterpret_cast<com::Dll_register_server_fn*>(dlsym(library, "DllRegisterServer"))(), com::S_OK);
        fs::create_directories(com.home.App_data());
        setup.Make_kit = [] { return std::make_unique<Simulated_interface_kit>(); };
    }
    void TearDown() override
    {
        Close();
        unsetenv("BRIXCAP_FAKE_DEVICES");
        if (library) dlclose(library);
    }
    void Open()
    {
        window = std::make_unique<Form_capture_multi_file>(setup);
        window->show();
    }
    void Close()
    {
        window.reset();
        g_Capture.reset();
    }
    Entries Shown() const
    {
        Entries entries;
        for (QAction* item : window->menu_choose_camera->actions())
            entries.emplace_back(item->text().toStdString(), item->isChecked());
        return entries;
    }
    // The running camera's pictures (DV or not) reach it.
    bool Pictures_come()
    {
        const auto end = std::chrono::steady_clock::now() + 60s; // only catches a hang
        cls_Capture* camera = window->Camera();
        const auto came = [&] { return camera->DV_events() > 0 || camera->Pictures_unrecordable(); };
        while (!came() && std::chrono::steady_clock::now() < end) com.loop->Wait_and_run(50ms);
        return came();
    }
    std::string Setting(const char* key) const { return Read_Ini_Value("Canoe", key, Ini_file_path, ""); }

    test::Com_test_home com;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    Capture_window_setup setup;
    std::unique_ptr<Form_capture_multi_file> window;
    void* library = dlopen(BRIXCAP4_LIBRARY, RTLD_NOW | RTLD_LOCAL);
};

TEST_F(Choose_camera_window, TheSecondCameraChosenThroughTheMenuIsUsedNowAndAtTheNextStart)
{
    Open();
    EXPECT_EQ(Shown(), (Entries{{"Fake DV camera 1", true}, {"Fake webcam 2", false}}));
    ASSERT_TRUE(Pictures_come());
    ASSERT_TRUE(test::Choose(window->menu_bar, window->menu_choose_camera->actions().at(1)));
    cls_Capture* camera = window->Camera();
    EXPECT_EQ(std::tuple(camera->Source(), camera->FriendlyName(), camera->DevicePath(), camera->Running()),
              std::tuple(int16_t(2), std::string("Fake webcam 2"), std::string("fake:webcam:2"), true));
    EXPECT_EQ(g_Capture.get(), camera);
    EXPECT_EQ(Shown(), (Entries{{"Fake DV camera 1", false}, {"Fake webcam 2", true}}));
    EXPECT_EQ(Setting("camera"), "Fake webcam 2");
    EXPECT_EQ(Setting("camera_device"), camera->sourceId());
    ASSERT_TRUE(Pictures_come());
    Close();
    Open();
    EXPECT_EQ(window->Camera()->FriendlyName(), "Fake webcam 2");
    EXPECT_EQ(Shown(), (Entries{{"Fake DV camera 1", false}, {"Fake webcam 2", true}}));
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Choose_camera_window, AChosenCameraThatIsGoneIsToldOfOnceAndTheFirstIsUsed)
{
    Write_Ini_Value("Canoe", "camera", "Finish camera", Ini_file_path);
    Write_Ini_Value("Canoe", "camera_device", "0x0800460102030405", Ini_file_path);
    dialogs.Expect_message("\"Finish camera\" is not there; the first camera, \"Fake DV camera 1\", is used");
    Open();
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_EQ(Shown(), (Entries{{"Fake DV camera 1", true}, {"Fake webcam 2", false}}));
    // Restarting while it stays away says nothing more (an unexpected box fails); the choice stays.
    ASSERT_TRUE(test::Choose(window->menu_bar, window->item_restart_camera));
    EXPECT_EQ(window->Camera()->FriendlyName(), "Fake DV camera 1");
    EXPECT_TRUE(window->Camera()->Running());
    EXPECT_EQ(Setting("camera"), "Finish camera");
}

using Choose_camera_road = test::Capture_window_road;

// A held capture ends with what it took before the camera changes.
TEST_F(Choose_camera_road, ChoosingAnotherCameraDuringAHeldCaptureAppendsWhatItTook)
{
    const std::string path = Create(0, "H");
    window->show();
    Settle_box();
    kit->Set_input(Control_box::Input_capture, true);
    Frames(5);
    ASSERT_TRUE(test::Choose(window->menu_bar, window->menu_choose_camera->actions().value(1)));
    EXPECT_FALSE(window->Capturing());
    EXPECT_EQ(std::tuple(server.last_source, window->Camera()->Running()), std::tuple(std::string("video:2"), true));
    kit->Set_input(Control_box::Input_capture, false);
    Frames(3);
    EXPECT_EQ(int64_t(fs::file_size(path)), test::k_Head + 5 * int64_t(k_DV_frame_size));
    EXPECT_TRUE(reports.reports.empty());
}

// Capture pressed on a camera (on a server the test feeds) after pictures of each kind.
struct Unrecordable_case {
    const char* name;
    int rgb_pictures, short_samples, dv_frames;
    bool restart_after, refused;
};
class Capture_on_unrecordable : public test::Capture_window_road,
                                public ::testing::WithParamInterface<Unrecordable_case> {};

TEST_P(Capture_on_unrecordable, CapturePressedSaysSoAndLeavesTheRecordingWhereNothingCanBeRecorded)
{
    const Unrecordable_case& c = GetParam();
    const std::string path = Create(0, "U");
    window->show();
    server.Deliver_rgb(c.rgb_pictures);
    for (int k = 0; k < c.short_samples; ++k) server.Deliver(std::vector<uint8_t>(1000, 0x1F));
    Frames(c.dv_frames);
    if (c.restart_after) {
        ASSERT_TRUE(test::Choose(window->menu_bar, window->item_restart_camera));
    }
    if (c.refused) dialogs.Expect_message("This camera gives pictures that cannot be recorded");
    QTest::mousePress(window->Command_Capture, Qt::LeftButton);
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_EQ(window->Capturing(), !c.refused);
    server.Deliver_rgb(3);
    Frames(c.refused ? 0 : 3);
    QTest::mouseRelease(window->Command_Capture, Qt::LeftButton);
    EXPECT_EQ(int64_t(fs::file_size(path)), test::k_Head + (c.refused ? 0 : 3) * int64_t(k_DV_frame_size));
    EXPECT_TRUE(reports.reports.empty());
}

constexpr int k_Judge = cls_Capture::k_Pictures_to_judge;
INSTANTIATE_TEST_SUITE_P(Cameras, Capture_on_unrecordable,
                         ::testing::Values(Unrecordable_case{"OnlyRgb", k_Judge, 0, 0, false, true},
                                           Unrecordable_case{"OnlyShortDvSamples", 0, k_Judge, 0, false, true},
                                           Unrecordable_case{"TooFewToTell", k_Judge - 1, 0, 0, false, false},
                                           Unrecordable_case{"RgbBesideDv", 3 * k_Judge, 0, 1, false, false},
                                           Unrecordable_case{"RestartedJudgedAnew", k_Judge, 0, 0, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A camera whose pictures the server cannot encode is refused when it starts: the window says so
// then, and again when Capture is pressed, naming what is missing; nothing is recorded.
class Camera_refused : public test::Capture_window_road {};

TEST_F(Camera_refused, TheWindowSaysWhatIsMissingAtTheStartAndAtCapture)
{
    const std::string path = Create(0, "M");
    window->show();
    server.run_result = com::E_FAIL;
    server.last_error = "The DV encoder (libavcodec's dvvideo) is missing: this camera's pictures cannot be recorded";
    dialogs.Expect_message("The camera did not start: The DV encoder (libavcodec's dvvideo) is missing");
    ASSERT_TRUE(test::Choose(window->menu_bar, window->item_restart_camera));
    EXPECT_TRUE(dialogs.All_used());
    dialogs.Expect_message("No camera is running: nothing can be captured. The DV encoder (libavcodec's dvvideo)");
    QTest::mousePress(window->Command_Capture, Qt::LeftButton);
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_FALSE(window->Capturing());
    Frames(3);
    QTest::mouseRelease(window->Command_Capture, Qt::LeftButton);
    EXPECT_EQ(int64_t(fs::file_size(path)), test::k_Head);
}

} // namespace
} // namespace wk
