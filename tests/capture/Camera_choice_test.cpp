// Which camera the capture window takes, and a capture refused where the camera's pictures
// cannot be recorded.
#include "capture/Camera_choice.h"
#include "comlite/Server_entry_points.h"
#include "tests/capture/Capture_window_fixture.h"
#include "tests/comlite/Com_test_home.h"
#include "tests/support/Real_input.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <dlfcn.h>

#include <chrono>
#include <cstdlib>

namespace wk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(Camera_choice, TheWishedCameraIsFoundByNameAndDeviceElseTheFirstIsTaken)
{
    const std::vector<Video_device> devices{{1, "Fake DV camera 1", "0xFA4E000000000001", "fake:video:1"},
                                            {2, "USB Camera", "", "/dev/video2"},
                                            {3, "USB Camera", "", "/dev/video4"},
                                            {4, "Sony DCR-TRV900", "0x0800460102030405", "/sys/fw1"}};
    struct Case {
        const char* what;
        Camera_wish wish;
        int16_t number;
        bool missing;
    };
    const Case cases[] = {
        {"nothing chosen", {}, 1, false},
        {"the second of two alike", {"USB Camera", "/dev/video4"}, 3, false},
        {"moved to another port", {"USB Camera", "/dev/video6"}, 2, false},
        {"renamed, same id", {"Sony Handycam", "0x0800460102030405"}, 4, false},
        {"a path alone is no id", {"Old camera", "/dev/video2"}, 1, true},
        {"gone", {"Fake DV camera 7", "0xFA4E000000000007"}, 1, true},
    };
    for (const Case& c : cases) {
        const Camera_pick pick = Pick_camera(devices, c.wish);
        EXPECT_EQ(pick.number, c.number) << c.what;
        EXPECT_EQ(pick.wish_missing, c.missing) << c.what;
    }
    // Without devices there is nothing to tell: the start fails as it always has.
    EXPECT_FALSE(Pick_camera({}, {"USB Camera", "/dev/video2"}).wish_missing);
    EXPECT_EQ((Video_device{5, "", "", "/dev/video9"}.Label()), "Camera 5");
}

// The window on the capture server the program creates, with a fake DV camera and a fake camera
// without DV.
class Choose_camera_window : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("BRIXCAP_FAKE_DEVICES", "video:1,webcam:1", 1);
        ASSERT_NE(library, nullptr) << dlerror();
        auto* call = reinterpret_cast<com::Dll_register_server_fn*>(dlsym(library, "DllRegisterServer"));
        ASSERT_NE(call, nullptr);
        ASSERT_EQ(call(), com::S_OK);
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
    // The entries of Choose camera: their text, checked or not.
    std::vector<std::pair<std::string, bool>> Entries() const
    {
        std::vector<std::pair<std::string, bool>> entries;
        for (QAction* item : window->menu_choose_camera->actions())
            entries.emplace_back(item->text().toStdString(), item->isChecked());
        return entries;
    }
    // Waits for the running camera's pictures (DV or not) to reach it.
    bool Pictures_come()
    {
        const auto end = std::chrono::steady_clock::now() + 10s;
        cls_Capture* camera = window->Camera();
        const auto came = [&] { return camera->DV_events() > 0 || camera->Pictures_unrecordable(); };
        while (!came() && std::chrono::steady_clock::now() < end) com.loop->Wait_and_run(50ms);
        return came();
    }

    test::Com_test_home com;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    Capture_window_setup setup;
    std::unique_ptr<Form_capture_multi_file> window;
    void* library = dlopen(BRIXCAP4_LIBRARY, RTLD_NOW | RTLD_LOCAL);
};

using Entries_t = std::vector<std::pair<std::string, bool>>;

TEST_F(Choose_camera_window, TheSecondCameraChosenThroughTheMenuIsUsedNowAndAtTheNextStart)
{
    Open();
    EXPECT_EQ(Entries(), (Entries_t{{"Fake DV camera 1", true}, {"Fake webcam 2", false}}));
    EXPECT_EQ(window->Camera()->Source(), 1);
    ASSERT_TRUE(Pictures_come());

    ASSERT_TRUE(test::Choose(window->menu_bar, window->menu_choose_camera->actions().at(1)));
    cls_Capture* camera = window->Camera();
    EXPECT_EQ(camera->Source(), 2);
    EXPECT_EQ(camera->FriendlyName(), "Fake webcam 2");
    EXPECT_EQ(camera->DevicePath(), "fake:webcam:2");
    EXPECT_TRUE(camera->Running());
    EXPECT_EQ(g_Capture.get(), camera);
    EXPECT_EQ(Entries(), (Entries_t{{"Fake DV camera 1", false}, {"Fake webcam 2", true}}));
    EXPECT_EQ(Read_Ini_Value("Canoe", "camera", Ini_file_path, ""), "Fake webcam 2");
    EXPECT_EQ(Read_Ini_Value("Canoe", "camera_device", Ini_file_path, ""), camera->sourceId());
    ASSERT_TRUE(Pictures_come());

    Close();
    Open();
    EXPECT_EQ(window->Camera()->FriendlyName(), "Fake webcam 2");
    EXPECT_EQ(Entries(), (Entries_t{{"Fake DV camera 1", false}, {"Fake webcam 2", true}}));
    // And back to the first.
    ASSERT_TRUE(test::Choose(window->menu_bar, window->menu_choose_camera->actions().at(0)));
    EXPECT_EQ(window->Camera()->FriendlyName(), "Fake DV camera 1");
    EXPECT_EQ(Read_Ini_Value("Canoe", "camera", Ini_file_path, ""), "Fake DV camera 1");
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Choose_camera_window, AChosenCameraThatIsGoneIsToldOfOnceAndTheFirstIsUsed)
{
    Write_Ini_Value("Canoe", "camera", "Finish camera", Ini_file_path);
    Write_Ini_Value("Canoe", "camera_device", "0x0800460102030405", Ini_file_path);
    dialogs.Expect_message("\"Finish camera\" is not there; the first camera, \"Fake DV camera 1\", is used");
    Open();
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_EQ(window->Camera()->FriendlyName(), "Fake DV camera 1");
    EXPECT_EQ(Entries(), (Entries_t{{"Fake DV camera 1", true}, {"Fake webcam 2", false}}));
    // Restarting the camera while it stays away says nothing more (an unexpected box fails).
    ASSERT_TRUE(test::Choose(window->menu_bar, window->item_restart_camera));
    EXPECT_EQ(window->Camera()->Source(), 1);
    EXPECT_TRUE(window->Camera()->Running());
    // The choice is kept for when the camera is back.
    EXPECT_EQ(Read_Ini_Value("Canoe", "camera", Ini_file_path, ""), "Finish camera");
    EXPECT_TRUE(reports.reports.empty());
}

// A camera whose pictures cannot be recorded, on a server the test feeds by hand.
struct Unrecordable_case {
    const char* name;
    int rgb_pictures, short_samples, dv_frames;
    bool restart_after; // the camera restarted (menu) after those pictures
    bool refused;
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
    EXPECT_FALSE(window->Capturing());
    EXPECT_EQ(int64_t(fs::file_size(path)), test::k_Head + (c.refused ? 0 : 3) * int64_t(k_DV_frame_size));
    EXPECT_TRUE(reports.reports.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, Capture_on_unrecordable,
    ::testing::Values(Unrecordable_case{"OnlyRgb", cls_Capture::k_Pictures_to_judge, 0, 0, false, true},
                      Unrecordable_case{"OnlyShortDvSamples", 0, cls_Capture::k_Pictures_to_judge, 0, false, true},
                      Unrecordable_case{"TooFewPicturesToTell", cls_Capture::k_Pictures_to_judge - 1, 0, 0, false, false},
                      Unrecordable_case{"RgbBesideDv", 3 * cls_Capture::k_Pictures_to_judge, 0, 1, false, false},
                      Unrecordable_case{"RestartedCameraJudgedAnew", cls_Capture::k_Pictures_to_judge, 0, 0, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace wk
