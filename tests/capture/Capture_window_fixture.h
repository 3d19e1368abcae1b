#pragma once
// The capture window headless: a camera on a server the test feeds by hand, and the simulated
// control box.
#include "capture/Form_capture_multi_file.h"
#include "capture/Simulated_interface_kit.h"
#include "capture/cls_Capture.h"

#include "recording/cls_AVI_handler.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "tests/capture/cls_Capture_test_support.h"
#include "tests/support/Test_support.h"

#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <filesystem>

namespace wk::test {

namespace fs = std::filesystem;

inline constexpr int64_t k_Head = cls_AVI_handler::k_Own_data_offset;

class Capture_window_road : public ::testing::Test {
protected:
    // make_kit: the box's kit when not the simulated one.
    explicit Capture_window_road(int32_t max_capture_frames = 7500,
                                 std::function<std::unique_ptr<Interface_kit>()> make_kit = {})
    {
        fs::create_directories(home.App_data());
        folder = home.path() / "captures";
        fs::create_directories(folder);
        Write_Ini_Value("Canoe", "save_folder1", folder.string(), Ini_file_path);
        Write_Ini_Value("Canoe", "event_name", "Regatta", Ini_file_path);
        setup.Count_cameras = [] { return int16_t(1); };
        setup.Make_camera = [this] { return std::make_shared<cls_Capture>(com::Com_ptr<IVideoCap>(&server)); };
        setup.Make_kit = make_kit ? std::move(make_kit) : [this]() -> std::unique_ptr<Interface_kit> {
            auto made = std::make_unique<Simulated_interface_kit>();
            kit = made.get();
            return made;
        };
        setup.Max_capture_frames = max_capture_frames;
        window = std::make_unique<Form_capture_multi_file>(setup);
    }
    // The window closed and loaded anew, as at the next start of the program.
    void Reopen()
    {
        window.reset();
        g_Capture.reset();
        window = std::make_unique<Form_capture_multi_file>(setup);
    }
    // The server's notice that the running source stopped by itself, to every sink that hears it.
    void Source_stops(const std::string& reason)
    {
        for (auto& [cookie, sink] : server.sinks) {
            void* state = nullptr;
            if (com::Failed(sink->QueryInterface(IVideoCapStateEvent::iid, &state))) continue;
            auto* listener = static_cast<IVideoCapStateEvent*>(state);
            listener->OnSourceStopped(&server, com::Bstr(reason).Get());
            listener->Release();
        }
    }
    ~Capture_window_road() override
    {
        window.reset();
        g_Capture.reset();
        g_Emergency_stop = false;
        p_Phidget_Attached = false;
    }
    // n camera frames, 40 ms apart.
    void Frames(int n)
    {
        for (int k = 0; k < n; ++k) {
            clock.tick = platform::Tick_add(clock.tick, 40);
            server.Deliver(test::Numbered_frame(next_frame++));
        }
    }
    void Settle_box()
    {
        kit->Attach(77);
        clock.tick += Control_box::k_Dead_time_ms;
    }
    // Creates slot's recording under the heat ID; its path.
    std::string Create(int16_t slot, const std::string& heat_id)
    {
        window->Slots[size_t(slot)].Text_Heat_ID->setText(QString::fromStdString(heat_id));
        window->Command_newFile_Click(slot);
        return window->Slots[size_t(slot)].Label_filename->text().toStdString();
    }
    int32_t Header_start_tick(const std::string& path)
    {
        cls_AVI_handler reader;
        EXPECT_TRUE(reader.Open_File(path));
        return reader.Start_PC_Mill_time(1);
    }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    test::Quiet_server server;
    Capture_window_setup setup;
    fs::path folder;
    Simulated_interface_kit* kit = nullptr;
    std::unique_ptr<Form_capture_multi_file> window;
    int32_t next_frame = 1;
};

} // namespace wk::test
