#include "platform/Forms.h"
#include "platform/Interface_kit.h"
#include "platform/Key_state.h"
#include "platform/Single_instance.h"
#include "services/Module_canoe.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_system.h"
#include "services/Module_trace.h"
#include "services/Cls_memory_status.h"
#include "tests/support/Test_support.h"
#include "tests/support/Told_operator.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;

// Whether another holder could take the program's instance lock now.
bool Lock_free(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return free;
}

class Program_state : public ::testing::Test {
protected:
    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
};

TEST_F(Program_state, EveryProgramWideValueReturnsToItsStartValue)
{
    auto status = std::make_shared<Cls_memory_status>();
    std::weak_ptr<Cls_memory_status> held = status;
    g_Memory_status = std::move(status);
    g_Compiled = false;
    g_Exiting = g_Emergency_stop = g_Capture_running = true;
    g_Edition_text = "other";
    g_DV_Extra_Offset = 4;
    g_Key_colour = 0;
    g_Hit_Lane_number = g_Drag_Lane = 3;
    g_Run_mode = 10;
    g_Page_bottom = 5;
    g_Goal_line = {1, 2, 3, 4};
    Cls_Capture_Counter = 2;
    g_Event_name = "Final";
    g_File_Kind[4] = 9;

    Reset_program_state();

    EXPECT_TRUE(held.expired()); // let go, not kept alive
    EXPECT_EQ(g_Memory_status, nullptr);
    EXPECT_TRUE(g_Compiled);
    EXPECT_FALSE(g_Exiting || g_Emergency_stop || g_Capture_running);
    EXPECT_EQ(g_Edition_text, "Wakeline, Full version");
    EXPECT_EQ(g_DV_Extra_Offset, 12000);
    EXPECT_EQ(g_Key_colour, 0x808080);
    EXPECT_EQ(g_Hit_Lane_number, -1);
    EXPECT_EQ(g_Drag_Lane, -1);
    EXPECT_EQ(g_Run_mode, 0);
    EXPECT_EQ(g_Page_bottom, 0.0f);
    EXPECT_EQ(g_Goal_line, Goal_line_coords{});
    EXPECT_EQ(Cls_Capture_Counter, 0);
    EXPECT_EQ(g_Event_name, "");
    EXPECT_EQ(g_File_Kind[4], 0);
    // Every path goes too: the next start-up builds them again.
    EXPECT_EQ(Ini_file_path, "");
    EXPECT_EQ(g_Data_folder, "");
}

TEST_F(Program_state, WhatAModuleSaidOnceIsSaidAgainAfterTheReset)
{
    fs::create_directories(home.path() / ".local" / "share");
    test::Write_file(home.path() / ".local/share/Wakeline", "blocked");
    test::Told_operator told;
    const std::string fallback = AppUserData();
    AppUserData(); // said already
    ASSERT_EQ(told.told.size(), 1u);
    EXPECT_TRUE(told.Said("could not be used"));

    Reset_program_state();
    EXPECT_EQ(AppUserData(), fallback);
    ASSERT_EQ(told.told.size(), 2u);
    EXPECT_NE(told.told[1].find("could not be used"), std::string::npos);
}

TEST_F(Program_state, TheStartUpRunsAgainAndTheTracerIsLookedForAgain)
{
    platform::Install_interface_kit_factory([] { return std::shared_ptr<platform::Interface_kit>(); });
    unsetenv("WK_CONTROL_BOX");
    fs::create_directories(home.App_data());
    test::Write_file(home.App_data() / "Wakeline.ini", "[Canoe]\r\n");
    clock.tick = 5000;
    EXPECT_TRUE(Wakeline_Initialization().empty());
    clock.tick = 9000;
    EXPECT_TRUE(Wakeline_Initialization().empty()); // has run: nothing changes
    EXPECT_EQ(g_Start_tick, 5000);
    EXPECT_FALSE(Find_Tracer_Window()); // no tracer yet, and the search is not repeated
    test::Test_tracer tracer(Tracer_socket_path());
    ASSERT_TRUE(tracer.bound());
    EXPECT_FALSE(Find_Tracer_Window());

    Reset_program_state();
    EXPECT_TRUE(Wakeline_Initialization().empty());
    EXPECT_EQ(g_Start_tick, 9000);
    EXPECT_TRUE(Find_Tracer_Window());
    platform::Install_interface_kit_factory(nullptr);
    Reset_Tracer_Search();
}

TEST_F(Program_state, KeysLockAndTitleAreLetGoButInstalledServicesStay)
{
    platform::Set_key_down(platform::VK_CONTROL, true);
    fs::create_directories(home.App_data());
    ASSERT_FALSE(platform::Previous_instance());
    const std::string lock = platform::Instance_lock_path();
    EXPECT_FALSE(Lock_free(lock));
    platform::App().title = "Heat 3 sheet";
    const std::string started_with = platform::App().command_line;
    platform::App().command_line = "heat3.qs2";

    Reset_program_state();

    EXPECT_FALSE(platform::Key_is_down(platform::VK_CONTROL));
    EXPECT_TRUE(Lock_free(lock));
    EXPECT_EQ(platform::App().title, "Wakeline3_0");
    EXPECT_EQ(platform::App().command_line, "heat3.qs2"); // what the program was started with
    platform::App().command_line = started_with;
    // The test's clock and dialogs are still the ones in use.
    clock.tick = 777;
    EXPECT_EQ(platform::Get_clock().Tick(), 777);
    dialogs.Expect_message("still scripted");
    platform::MsgBox("still scripted");
    EXPECT_TRUE(dialogs.All_used());
}

} // namespace
} // namespace wk
