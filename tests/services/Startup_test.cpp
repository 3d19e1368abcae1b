#include "platform/Form_window.h"
#include "platform/Forms.h"
#include "platform/Interface_kit.h"
#include "platform/Print_target.h"
#include "platform/Registry_store.h"
#include "services/Form_Wakeline_Full_Startup.h"
#include "services/Module_canoe.h"
#include "services/Operator_boxes.h"
#include "services/Module_ini.h"
#include "services/Module_utilities.h"
#include "services/Module_qsm_Globals.h"
#include "tests/support/Phidget_stub.h"
#include "tests/support/Test_support.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <deque>
#include <filesystem>
#include <functional>
#include <vector>

namespace wk {
namespace {

namespace fs = std::filesystem;

struct Test_kit : platform::Interface_kit {
    std::string version;
    std::string Library_version() const override { return version; }
};

class Start_up : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::Install_end_program([](int code) { throw platform::End_requested{code}; });
    }
    void TearDown() override
    {
        platform::Install_end_program(nullptr);
        platform::Install_interface_kit_factory(nullptr);
        Reset_Initialization_for_tests();
        for (auto* f : platform::Loaded_forms()) f->Unload_form();
    }
    void Write_ini(const std::string& text)
    {
        fs::create_directories(home.App_data());
        test::Write_file(home.App_data() / "Wakeline.ini", text);
    }
    void Register_codec(const std::string& fourcc)
    {
        platform::Registry_store().Set_value(platform::HKEY_LOCAL_MACHINE, k_Drivers32_key, "vidc." + fourcc,
                                             platform::Registry_store::Text_value("dv.dll"));
    }
    // Runs f; returns the exit code when the program was ended, -1 when it went on.
    int Ended(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const platform::End_requested& e) {
            return e.code;
        }
        return -1;
    }
    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
};

TEST_F(Start_up, InitialisationRunsOnceAndPutsEveryPathUnderTheHome)
{
    Write_ini("[Settings]\r\ntimingcorrection=-40\r\n");
    clock.tick = 5000;
    Wakeline_Initialization();
    EXPECT_EQ(g_Start_tick, 5000);
    EXPECT_EQ(g_AppUserData, home.App_data().string());
    EXPECT_EQ(Ini_file_path, (home.App_data() / "Wakeline.ini").string());
    EXPECT_EQ(g_Data_folder, (home.path() / "Wakeline_Data").string());
    EXPECT_EQ(g_Marathon_xml, (home.path() / "Wakeline_Data" / "marathon.xml").string());
    EXPECT_EQ(g_Version_text, "3.0.8");
    EXPECT_EQ(g_Edition_text, "Wakeline, Full version");
    EXPECT_EQ(g_Timing_correction, -40);
    EXPECT_TRUE(g_Compiled);
    clock.tick = 9000;
    Wakeline_Initialization();
    EXPECT_EQ(g_Start_tick, 5000);
}

TEST_F(Start_up, ATimingCorrectionThatIsNoWholeNumberCountsAsNoneAndIsNotReported)
{
    test::Captured_reports reports;
    for (const char* stored : {"abc", "2147483648", "12abc"}) {
        Write_ini(std::string("[Settings]\r\ntimingcorrection=") + stored + "\r\n");
        g_Timing_correction = 99;
        Reset_Initialization_for_tests();
        Wakeline_Initialization();
        EXPECT_EQ(g_Timing_correction, 0) << stored;
    }
    EXPECT_TRUE(reports.reports.empty());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Start_up, AMissingIniIsSaidAndTheStartGoesOn)
{
    dialogs.Expect_message("Wakeline.ini not found");
    EXPECT_EQ(Ended([] { Wakeline_Initialization(); }), -1);
    EXPECT_EQ(g_Timing_correction, 0);
    // Read_Ini_Value with an empty path takes the path the initialisation made; it never
    // starts the initialisation itself.
    test::Write_file(home.App_data() / "Wakeline.ini", "[Canoe]\r\nLane_num=7\r\n");
    EXPECT_EQ(Read_Ini_Value("Canoe", "Lane_num", "", "5"), "7");
    Reset_Initialization_for_tests();
    Ini_file_path.clear();
    dialogs.Expect_message("Ini_file_path is empty!");
    EXPECT_EQ(Read_Ini_Value("Canoe", "Lane_num", "", "5"), "");
    EXPECT_TRUE(Ini_file_path.empty());
}

TEST_F(Start_up, AnUnusableOrWrongKitLibraryEndsTheProgram)
{
    Write_ini("[Canoe]\r\n");
    unsetenv("WK_CONTROL_BOX");
    platform::Install_interface_kit_factory([]() -> std::shared_ptr<platform::Interface_kit> {
        throw std::runtime_error("libphidget22 has no Phidget_open");
    });
    dialogs.Expect_message("Phidget software error!");
    EXPECT_EQ(Ended([] { Wakeline_Initialization(); }), 1);

    // The version is the library's own: an older library is refused.
    auto kit = std::make_shared<Test_kit>();
    kit->version = "Phidget21 - Version 2.1.8 - Built Mar 1 2012";
    platform::Install_interface_kit_factory([kit] { return kit; });
    dialogs.Expect_message("Wrong Phidget versions found!\r\nPhidget21 - Version 2.1.8");
    dialogs.Expect_message("Phidget software error!");
    EXPECT_EQ(Ended([] { Wakeline_Initialization(); }), 1);

    // The release and the debug build of the library speak the same.
    for (const char* version : {"Phidget22 - Version 1.19 - Built Jan 1 2024 00:00:00",
                                "Phidget22 Debug - Version 1.19 - Built Jan 1 2024 00:00:00"}) {
        Reset_Initialization_for_tests();
        kit->version = version;
        EXPECT_EQ(Ended([] { Wakeline_Initialization(); }), -1) << version;
        EXPECT_EQ(g_Interface_kit, kit);
    }
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Start_up, WithoutTheKitLibraryOrWithTheKeyboardChosenTheProgramStarts)
{
    Write_ini("[Canoe]\r\n");
    unsetenv("WK_CONTROL_BOX");
    // Not installed: the keyboard stands in; the capture window says so where it matters.
    platform::Install_interface_kit_factory([] { return std::shared_ptr<platform::Interface_kit>(); });
    EXPECT_EQ(Ended([] { Wakeline_Initialization(); }), -1);
    EXPECT_EQ(g_Interface_kit, nullptr);

    // A box not driven through the library does not need it right.
    Reset_Initialization_for_tests();
    auto kit = std::make_shared<Test_kit>();
    kit->version = "Phidget21 - Version 2.1.8";
    platform::Install_interface_kit_factory([kit] { return kit; });
    for (const char* choice : {"keyboard", "kitsim"}) {
        setenv("WK_CONTROL_BOX", choice, 1);
        EXPECT_EQ(Ended([] { Wakeline_Initialization(); }), -1) << choice;
        Reset_Initialization_for_tests();
    }
    unsetenv("WK_CONTROL_BOX");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Start_up, TheKitReadsTheVersionOfTheLibraryItLoads)
{
    test::Phidget_stub stub;
    EXPECT_EQ(platform::Create_interface_kit("/nonexistent/libphidget22.so.0"), nullptr);
    const auto kit = platform::Create_interface_kit(test::Phidget_stub::Path());
    ASSERT_NE(kit, nullptr);
    EXPECT_EQ(kit->Library_version().rfind("Phidget22 - Version 1.19", 0), 0u);
    stub.Set_version("Phidget22 - Version 2.0");
    EXPECT_EQ(kit->Library_version(), "Phidget22 - Version 2.0");
}

TEST_F(Start_up, TheCodecCheckPrefersCdvcAndEndsWithoutAnyCodec)
{
    dialogs.Expect_message("No DV codec installed!\r\nPlease follow the installation instructions!\r\n"
                           "The DV codec is included in the installation files!");
    EXPECT_EQ(Ended([] { Eval_Codecs(); }), 1);
    Register_codec("dvsd");
    Eval_Codecs();
    EXPECT_EQ(g_DV_Codec, "dvsd");
    Register_codec("CDVC");
    Eval_Codecs();
    EXPECT_EQ(g_DV_Codec, "CDVC");
    EXPECT_EQ(Get_Codec_dll("dvsd"), "dv.dll");
    EXPECT_EQ(Get_Codec_dll("mjpg"), "");
}

// A loaded window that counts its unloads.
struct Counting_form : platform::Form {
    explicit Counting_form(std::string n) : name(std::move(n)) { platform::Register_form(this); }
    ~Counting_form() override { platform::Unregister_form(this); }
    std::string Form_name() const override { return name; }
    void Unload_form() override { ++unloads; platform::Unregister_form(this); }
    std::string name;
    int unloads = 0;
};

struct Stubborn_form : Counting_form {
    using Counting_form::Counting_form;
    void Unload_form() override { ++unloads; } // refuses to go
};

TEST_F(Start_up, ACancelledExitLeavesEverythingRunning)
{
    Counting_form viewer("Frm_kanot_2");
    dialogs.Expect_message("Exiting Wakeline, are you sure?", platform::vbCancel);
    Wakeline_exit(Operator_boxes_of_windows());
    EXPECT_FALSE(g_Exiting);
    EXPECT_EQ(viewer.unloads, 0);
    ASSERT_EQ(dialogs.styles.size(), 1u);
    EXPECT_EQ(dialogs.styles[0], platform::vbOKCancel | platform::vbDefaultButton2);
    EXPECT_EQ(dialogs.shown[0].substr(0, 13), "Wakeline Exit");
}

// The calling window's port is asked, and nothing else: no box comes from below it.
TEST_F(Start_up, TheExitAsksTheCallersPortAlone)
{
    struct Port final : Operator_port {
        std::deque<bool> answers{false, true};
        int asked = 0;
        bool Exit_confirmed() override
        {
            ++asked;
            const bool answer = answers.front();
            answers.pop_front();
            return answer;
        }
        std::optional<std::string> Event_name(const std::string&) override { return std::nullopt; }
        bool Override_confirmed() override { return false; }
        void Tell(const std::string&) override {}
    } port;
    Counting_form viewer("Frm_kanot_2");
    Wakeline_exit(port);
    EXPECT_FALSE(g_Exiting);
    EXPECT_EQ(viewer.unloads, 0);
    Wakeline_exit(port);
    EXPECT_TRUE(g_Exiting);
    EXPECT_EQ(viewer.unloads, 1);
    EXPECT_EQ(port.asked, 2);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Start_up, AConfirmedExitStopsTheCaptureAndUnloadsEveryWindow)
{
    struct Capture : Active_capture {
        int stops = 0;
        void Stop_Capture() override { ++stops; }
        int32_t Buff_num() override { return 0; }
        uint8_t* get_Buffaddr(int32_t) override { return nullptr; }
        void Let_Goal_offset(int16_t) override {}
    };
    auto capture = std::make_shared<Capture>();
    g_Capture = capture;
    g_Capture_running = true;
    Counting_form a("Frm_kanot_2"), b("Form_capture_multi_file");
    dialogs.Expect_message("Exiting Wakeline, are you sure?", platform::vbOK);
    const int32_t before = clock.tick;
    Wakeline_exit(Operator_boxes_of_windows());
    EXPECT_TRUE(g_Exiting);
    EXPECT_EQ(capture->stops, 1);
    EXPECT_FALSE(g_Capture_running);
    EXPECT_EQ(platform::Tick_difference(clock.tick, before), 1500); // 50 waits of 30 ms
    EXPECT_EQ(a.unloads, 1);
    EXPECT_EQ(b.unloads, 1);
    EXPECT_TRUE(platform::Loaded_forms().empty());
    g_Capture.reset();
}

TEST_F(Start_up, TheUnloadLoopEndsWhenAPassUnloadsNothing)
{
    Stubborn_form stuck("Frm_stuck");
    Counting_form other("Frm_other");
    dialogs.Expect_message("Exiting Wakeline, are you sure?", platform::vbOK);
    Wakeline_exit(Operator_boxes_of_windows());
    EXPECT_EQ(other.unloads, 1);
    EXPECT_EQ(stuck.unloads, 2);
    platform::Unregister_form(&stuck);
}

TEST_F(Start_up, WithoutPrintersThePageIsA4InTwips)
{
    Check_Printer();
    EXPECT_EQ(g_Printer_count, 0);
    EXPECT_EQ(g_Paper_width, 11904);
    EXPECT_EQ(g_Paper_height, 16834);
    struct One_printer : platform::Printer_port {
        platform::Printer_facts Facts() override { return {1, 12240, 15840}; }
        std::shared_ptr<platform::Print_target> Open_printer() override { return nullptr; }
    } port;
    platform::Install_printer_port(&port);
    Check_Printer();
    platform::Install_printer_port(nullptr);
    EXPECT_EQ(g_Printer_count, 1);
    EXPECT_EQ(g_Paper_width, 12240);
    EXPECT_EQ(g_Paper_height, 15840);
}

TEST_F(Start_up, PrinterEndSendsThePageAndRestoresTheTitle)
{
    auto target = std::make_shared<platform::Recording_print_target>();
    g_Print_target = target;
    g_Print_preview = false;
    g_App_Title = "Wakeline3_0";
    platform::App().title = "Printing...";
    Printer_End();
    EXPECT_EQ(target->calls, (std::vector<std::string>{"EndDoc"}));
    EXPECT_EQ(platform::App().title, "Wakeline3_0");
    g_Print_target.reset();
}

TEST_F(Start_up, TheStartupWindowPreselectsFromTheIniAndOpensTheChosenWindow)
{
    Write_ini("[Canoe]\r\n");
    Register_codec("dvsd");
    std::vector<std::string> opened;
    platform::Register_window_opener("Frm_kanot_2", [&] { opened.push_back("viewer"); });
    platform::Register_window_opener("Form_capture_multi_file", [&] { opened.push_back("capture"); });
    {
        auto& w = platform::Form_instance<Form_Wakeline_Full_Startup>();
        EXPECT_EQ(w.windowTitle(), "Wakeline Startup");
        EXPECT_TRUE(w.Option_capture_type[0]->isChecked()); // no capture_type: single file
        EXPECT_EQ(w.Option_capture_type[0]->text(), "Single file (original Wakeline)");
        w.Option_capture_type[2]->click();
        EXPECT_EQ(Read_Ini_Value("Canoe", "capture_type", Ini_file_path, ""), "multiple");
        w.Command_go_Click();
        EXPECT_FALSE(Is_Form_Loaded("Form_Wakeline_Full_Startup"));
    }
    {
        auto& w = platform::Form_instance<Form_Wakeline_Full_Startup>();
        EXPECT_TRUE(w.Option_capture_type[1]->isChecked()); // "multiple"
        w.Command_go_Click();
    }
    {
        auto& w = platform::Form_instance<Form_Wakeline_Full_Startup>();
        w.Option_capture_type[0]->click();
        w.Command_go_Click();
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"viewer", "capture", "viewer"}));
    platform::Register_window_opener("Frm_kanot_2", nullptr);
    platform::Register_window_opener("Form_capture_multi_file", nullptr);
}

TEST_F(Start_up, EnterAndSpacePressGoInTheStartupWindowWithoutChangingTheChoice)
{
    struct Case {
        const char* name;
        Qt::Key key;
        std::function<QWidget*(Form_Wakeline_Full_Startup&)> at; // where the key goes
        const char* opened;
    };
    const std::vector<Case> cases = {
        {"Enter as the window opens", Qt::Key_Return, [](auto& w) { return QApplication::focusWidget() ? QApplication::focusWidget() : &w; }, "viewer"},
        {"Space as the window opens", Qt::Key_Space, [](auto& w) { return QApplication::focusWidget() ? QApplication::focusWidget() : &w; }, "viewer"},
        {"keypad Enter on an option", Qt::Key_Enter, [](auto& w) { return w.Option_capture_type[2]; }, "viewer"},
        {"Enter on the capture option", Qt::Key_Return, [](auto& w) { return w.Option_capture_type[1]; }, "capture"},
    };
    Write_ini("[Canoe]\r\n");
    Register_codec("dvsd");
    std::vector<std::string> opened;
    platform::Register_window_opener("Frm_kanot_2", [&] { opened.push_back("viewer"); });
    platform::Register_window_opener("Form_capture_multi_file", [&] { opened.push_back("capture"); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write_ini("[Canoe]\r\n"); // single file chosen
        auto& w = platform::Form_instance<Form_Wakeline_Full_Startup>();
        w.show();
        QApplication::setActiveWindow(&w);
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), w.Command_go);
        // A click on the option's round mark.
        if (std::string(c.opened) == "capture")
            QTest::mouseClick(w.Option_capture_type[1], Qt::LeftButton, Qt::NoModifier, QPoint(8, 10));
        opened.clear();
        QTest::keyClick(c.at(w), c.key);
        EXPECT_EQ(opened, std::vector<std::string>{c.opened});
        EXPECT_FALSE(Is_Form_Loaded("Form_Wakeline_Full_Startup"));
        EXPECT_EQ(Read_Ini_Value("Canoe", "capture_type", Ini_file_path, ""),
                  std::string(c.opened) == "capture" ? "multiple" : "N/A");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    platform::Register_window_opener("Frm_kanot_2", nullptr);
    platform::Register_window_opener("Form_capture_multi_file", nullptr);
}

} // namespace
} // namespace wk
