// The real control box kit on a stand-in libphidget22.so.0 opened through dlopen: the box is
// played from threads of its own, the kit's events reach the capture window on its thread, and a
// start carries the tick of its input.
#include "capture/Control_box_panel.h"
#include "capture/Interface_kit_choice.h"
#include "capture/Keyboard_interface_kit.h"
#include "capture/Phidget_interface_kit.h"
#include "tests/capture/Capture_window_fixture.h"
#include "services/Module_trace.h"
#include "tests/support/Phidget_stub.h"

#include <QAction>
#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cstdlib>

namespace wk {
namespace {

namespace fs = std::filesystem;
using platform::Phidget_library;
using test::k_Head;

constexpr const char* k_Missing = "/nonexistent/libphidget22.so.0";

// Hands the GUI thread what the box's threads queued.
void Take_events() { QCoreApplication::processEvents(); }

// WK_CONTROL_BOX for one test.
class Control_box_variable {
public:
    explicit Control_box_variable(const char* value)
    {
        if (value) setenv("WK_CONTROL_BOX", value, 1);
        else unsetenv("WK_CONTROL_BOX");
    }
    ~Control_box_variable() { unsetenv("WK_CONTROL_BOX"); }
};

std::unique_ptr<Phidget_interface_kit> Kit_on_stub()
{
    auto library = Phidget_library::Load(test::Phidget_stub::Path());
    if (!library) throw std::runtime_error("the stub library did not load");
    return std::make_unique<Phidget_interface_kit>(std::move(library));
}

TEST(Phidget_library, TheLibraryIsBoundAtRunTimeAndTellsItsOwnVersion)
{
    EXPECT_EQ(Phidget_library::Load(k_Missing), nullptr);
    test::Phidget_stub stub;
    auto library = Phidget_library::Load(test::Phidget_stub::Path());
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(Phidget_library::Load(test::Phidget_stub::Path()), library); // loaded once
    EXPECT_NE(library->Library_version().find(Phidget_library::k_Version_mark), std::string::npos);
    stub.Set_version("Phidget21 - Version 2.1.8");
    EXPECT_EQ(library->Library_version(), "Phidget21 - Version 2.1.8");
}

class Phidget_kit : public ::testing::Test {
protected:
    Phidget_kit()
    {
        kit = Kit_on_stub();
        kit->On_attach = [this] {
            events.push_back("attach " + std::to_string(kit->Serial_number()));
            on_gui_thread = on_gui_thread && QThread::currentThread() == qApp->thread();
        };
        kit->On_detach = [this] { events.push_back("detach"); };
        kit->On_input_change = [this](int32_t index, bool state, int32_t tick) {
            events.push_back("in " + std::to_string(index) + " " + std::to_string(state) + " @" + std::to_string(tick));
            on_gui_thread = on_gui_thread && QThread::currentThread() == qApp->thread();
        };
    }

    test::Manual_clock clock;
    test::Phidget_stub stub;
    std::unique_ptr<Phidget_interface_kit> kit;
    std::vector<std::string> events;
    bool on_gui_thread = true;
};

TEST_F(Phidget_kit, EventsComeOnTheGuiThreadWithTheTickOfTheirCallback)
{
    kit->Open(0);
    stub.Set_input(3, true); // held while the box is plugged in
    clock.tick = 7000;
    stub.Attach(4711);
    // Queued by the box's thread, nothing has happened here yet.
    EXPECT_FALSE(kit->Attached());
    EXPECT_TRUE(events.empty());
    Take_events();
    ASSERT_TRUE(kit->Attached());
    EXPECT_EQ(kit->Serial_number(), 4711);
    EXPECT_TRUE(kit->Input_state(3)); // read from the library at the attach
    clock.tick = 8000;
    stub.Set_input(0, true);
    clock.tick = 8200; // the GUI thread comes late
    Take_events();
    EXPECT_TRUE(kit->Input_state(0));
    const std::vector<std::string> expected{"attach 4711", "in 0 1 @8000"};
    EXPECT_EQ(events, expected);
    EXPECT_TRUE(on_gui_thread);
    // Output 0 is the box's lamp; other outputs are not opened.
    kit->Set_output_state(0, true);
    EXPECT_EQ(stub.Output(0), 1);
    kit->Set_output_state(1, true);
    EXPECT_EQ(stub.Output(1), -1);
    stub.Detach();
    Take_events();
    EXPECT_FALSE(kit->Attached());
    EXPECT_EQ(kit->Serial_number(), 0);
    EXPECT_FALSE(kit->Input_state(0));
    EXPECT_EQ(events.back(), "detach");
    // A detached box takes no writes, and its inputs raise nothing.
    kit->Set_output_state(0, false);
    EXPECT_EQ(stub.Output(0), 1);
    stub.Set_input(0, false);
    Take_events();
    EXPECT_EQ(events.size(), 3u);
}

TEST_F(Phidget_kit, ASerialChoosesTheBoxAndTheChannelsAreGivenBack)
{
    EXPECT_EQ(stub.Live_channels(), 9); // inputs 0-7 and output 0
    kit->Open(1234);
    stub.Attach(999);
    Take_events();
    EXPECT_FALSE(kit->Attached());
    stub.Detach();
    stub.Attach(1234);
    Take_events();
    EXPECT_TRUE(kit->Attached());
    EXPECT_EQ(kit->Serial_number(), 1234);
    // Changes queued before the kit goes are dropped with it, and its channels are deleted.
    stub.Set_input(5, true);
    kit.reset();
    Take_events();
    EXPECT_EQ(stub.Live_channels(), 0);
    EXPECT_EQ(events, std::vector<std::string>{"attach 1234"});
}

TEST(Phidget_library, ALibraryThatIsThereButDoesNotLoadSaysWhyAndAMissingOneSaysNothing)
{
    test::Temp_home home;
    const fs::path broken = home.path() / "libphidget22.so.0";
    test::Write_file(broken, "not a shared library");
    struct Load_case {
        std::string path;
        const char* said; // "" when nothing is worth saying
    };
    const Load_case loads[] = {
        {k_Missing, ""},
        {broken.string(), "libphidget22.so.0: file too short"},
    };
    for (const Load_case& c : loads) {
        std::string why = "stale";
        EXPECT_EQ(Phidget_library::Load(c.path, &why), nullptr) << c.path;
        if (*c.said) {
            EXPECT_NE(why.find(c.said), std::string::npos) << why;
        } else {
            EXPECT_EQ(why, "");
        }
    }
}

// What the box does on the library, step by step, and what the kit makes of it.
TEST_F(Phidget_kit, TheBoxIsAttachedOnlyWhenAllNineChannelsAttachWithOneSerialAndOtherwiseSaysWhy)
{
    test::Temp_home home;
    struct Case {
        const char* what;
        int32_t open_serial;
        std::function<void(test::Phidget_stub&)> play;
        int32_t attached_serial; // 0: not attached
        const char* problem;
        bool traced; // the library's words, or the serials that differ
    };
    const Case cases[] = {
        {"a whole box", 0, [](test::Phidget_stub& s) { s.Attach(4711); }, 4711, "", false},
        {"two boxes share the channels", 0, [](test::Phidget_stub& s) {
             s.Attach_some(111, 4, false);
             s.Attach_some(222, 8, true);
         }, 0, "The box's channels report different serials (111, 111, 111, 111, 222, 222, 222, 222, 222): more than "
               "one box is plugged in; choose one with box_serial", true},
        {"the second box goes and the first is whole", 0, [](test::Phidget_stub& s) {
             s.Attach_some(111, 4, false);
             s.Attach_some(222, 8, true);
             s.Detach();
             s.Attach(111);
         }, 111, "", true},
        {"a kit with six inputs", 0, [](test::Phidget_stub& s) { s.Attach_some(55, 6, true); }, 0,
         "Only 7 of the box's 9 channels are attached (missing: input 6, input 7)", false},
        {"the box's output never comes", 0, [](test::Phidget_stub& s) { s.Attach_some(55, 8, false); }, 0,
         "(missing: output 0)", false},
        {"the library says why", 0, [](test::Phidget_stub& s) { s.Error(3, "Device is in use by another program"); },
         0, "The control box library says: Device is in use by another program", true},
        {"an attach forgets the library's complaint", 0, [](test::Phidget_stub& s) {
             s.Error(3, "Device is in use by another program");
             s.Attach(9);
         }, 9, "", true},
        {"a chosen serial passes other boxes by", 222, [](test::Phidget_stub& s) {
             s.Attach(111);
             s.Attach(222);
         }, 222, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kit = Kit_on_stub();
        fs::remove(Tracer_socket_path());
        test::Test_tracer tracer(Tracer_socket_path());
        ASSERT_TRUE(tracer.bound());
        kit->Open(c.open_serial);
        c.play(stub);
        Take_events();
        EXPECT_EQ(kit->Attached(), c.attached_serial != 0);
        EXPECT_EQ(kit->Serial_number(), c.attached_serial);
        const std::string problem = kit->Problem();
        if (*c.problem) {
            EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
        } else {
            EXPECT_EQ(problem, "");
        }
        // What the library said, and channels that disagree, are in the trace.
        const auto lines = tracer.Receive_all();
        const bool traced = std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.find("Control box library error 3: Device is in use") != std::string::npos ||
                   l.find("report different serials") != std::string::npos;
        });
        EXPECT_EQ(traced, c.traced);
        stub.Detach();
        Take_events();
        Reset_Tracer_Search();
    }
}

TEST(Interface_kit_choice, TheVariableChoosesTheKitAndAMissingLibraryGivesTheKeyboardOnce)
{
    test::Scripted_dialogs dialogs;
    test::Phidget_stub stub;
    QObject window;
    {
        Control_box_variable unset(nullptr);
        EXPECT_NE(dynamic_cast<Phidget_interface_kit*>(Choose_interface_kit(&window, stub.Path()).get()), nullptr);
        // Unset and no library: the keyboard, without a word.
        EXPECT_NE(dynamic_cast<Keyboard_interface_kit*>(Choose_interface_kit(&window, k_Missing).get()), nullptr);
    }
    {
        Control_box_variable keyboard("keyboard");
        EXPECT_NE(dynamic_cast<Keyboard_interface_kit*>(Choose_interface_kit(&window, stub.Path()).get()), nullptr);
    }
    Control_box_variable phidget("phidget");
    EXPECT_NE(dynamic_cast<Phidget_interface_kit*>(Choose_interface_kit(&window, stub.Path()).get()), nullptr);
    EXPECT_TRUE(dialogs.shown.empty());
    dialogs.Expect_message("Control box library libphidget22 not found; using the keyboard (F5-F8)");
    EXPECT_NE(dynamic_cast<Keyboard_interface_kit*>(Choose_interface_kit(&window, k_Missing).get()), nullptr);
    EXPECT_TRUE(dialogs.All_used());
    // Said once: the window opened again goes straight to the keyboard.
    EXPECT_NE(dynamic_cast<Keyboard_interface_kit*>(Choose_interface_kit(&window, k_Missing).get()), nullptr);
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

// The capture window on the real kit.
class Capture_window_on_box : public test::Capture_window_road {
protected:
    Capture_window_on_box() : Capture_window_road(7500, [] { return Kit_on_stub(); }) {}
    // The box attaches and its contacts settle.
    void Attach_settled()
    {
        stub.Attach(77);
        Take_events();
        clock.tick += Control_box::k_Dead_time_ms;
    }
    void Input(int index, bool on)
    {
        stub.Set_input(index, on);
        Take_events();
    }

    test::Phidget_stub stub;
};

TEST_F(Capture_window_on_box, InputsInsideTheDeadTimeAfterAnAttachDoNothing)
{
    Create(0, "1");
    clock.tick += Control_box::k_Dead_time_ms; // the load's dead time
    stub.Attach(77);
    Take_events();
    EXPECT_TRUE(p_Phidget_Attached);
    EXPECT_EQ(window->Box().Box_serial(), "77");
    clock.tick += 4999;
    Input(Control_box::Input_start_button, true);
    EXPECT_FALSE(window->Recorder().Slot(0).started);
    Input(Control_box::Input_start_button, false);
    clock.tick += 1;
    Input(Control_box::Input_start_button, true);
    EXPECT_TRUE(window->Recorder().Slot(0).started);
    EXPECT_EQ(window->Recorder().Slot(0).start_tick, clock.tick);
}

TEST_F(Capture_window_on_box, AnArmedStartTakesTheTickOfItsInputAndTheLampFollowsIt)
{
    const std::string path = Create(0, "2");
    Attach_settled();
    Input(Control_box::Input_arm, true);
    const int32_t signal = clock.tick;
    stub.Set_input(Control_box::Input_start, true);
    // The GUI thread is 200 ms late to the change; the race starts when the signal came.
    clock.tick += 200;
    Take_events();
    ASSERT_TRUE(window->Recorder().Slot(0).started);
    EXPECT_EQ(window->Recorder().Slot(0).start_tick, signal);
    EXPECT_EQ(Header_start_tick(path), signal);
    EXPECT_EQ(stub.Output(0), 1);
    // The contact bouncing after the start starts nothing more; the lamp still follows it.
    Input(Control_box::Input_start, false);
    EXPECT_EQ(stub.Output(0), 0);
    Input(Control_box::Input_start, true);
    EXPECT_EQ(stub.Output(0), 1);
    EXPECT_EQ(window->Box().Starts_given(), 1);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Capture_window_on_box, ADetachDuringAHeldCaptureEndsItAndAppends)
{
    const std::string path = Create(0, "3");
    Attach_settled();
    Input(Control_box::Input_capture, true);
    ASSERT_TRUE(window->Capturing());
    Frames(4);
    stub.Detach();
    Take_events();
    EXPECT_FALSE(window->Capturing());
    EXPECT_FALSE(p_Phidget_Attached);
    EXPECT_EQ(int64_t(fs::file_size(path)), k_Head + 4 * int64_t(k_DV_frame_size));
    cls_AVI_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    EXPECT_EQ(reader.num_frames(), 4);
}

TEST_F(Capture_window_on_box, TheTestPanelShowsTheInputsAsTheBoxSetsThem)
{
    window->show();
    window->item_test_control_box->trigger();
    Control_box_panel& panel = *window->Frame_Control_box;
    ASSERT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.Label_attached->text(), "Box not attached");
    Attach_settled();
    Input(Control_box::Input_arm, true);
    EXPECT_FALSE(panel.Shape_on[0]->isHidden());
    EXPECT_TRUE(panel.Shape_off[0]->isHidden());
    Input(Control_box::Input_start, true);
    EXPECT_TRUE(panel.Label_remote->styleSheet().contains("FF0000"));
    Input(Control_box::Input_capture, true);
    EXPECT_FALSE(panel.Shape_on[1]->isHidden());
    EXPECT_FALSE(window->Capturing()); // under test the box starts nothing
    Input(Control_box::Input_start_button, true);
    EXPECT_TRUE(panel.Shape_Button[0]->styleSheet().contains("FF0000"));
    EXPECT_EQ(panel.Label_attached->text(), "Box attached");
    EXPECT_EQ(panel.Label_serial->text(), "Serial: 77");
    Input(Control_box::Input_arm, false);
    EXPECT_TRUE(panel.Shape_on[0]->isHidden());
    EXPECT_FALSE(panel.Shape_off[0]->isHidden());
    EXPECT_FALSE(window->Recorder().Slot(0).started);
    stub.Detach();
    Take_events();
    EXPECT_EQ(panel.Label_attached->text(), "Box not attached");
    EXPECT_EQ(panel.Label_serial->text(), "");
}

TEST_F(Capture_window_on_box, TheTestPanelSaysWhyNoBoxIsAttached)
{
    window->show();
    stub.Attach_some(77, 6, true);
    Take_events();
    window->item_test_control_box->trigger();
    Control_box_panel& panel = *window->Frame_Control_box;
    EXPECT_EQ(panel.Label_attached->text(), "Box not attached");
    EXPECT_EQ(panel.Label_box_problem->text(),
              "Only 7 of the box's 9 channels are attached (missing: input 6, input 7)");
    stub.Detach();
    stub.Error(3, "Device is in use by another program");
    Take_events(); // the panel, shown, follows what the library says
    EXPECT_EQ(panel.Label_box_problem->text(), "The control box library says: Device is in use by another program");
    Attach_settled();
    EXPECT_EQ(panel.Label_attached->text(), "Box attached");
    EXPECT_EQ(panel.Label_box_problem->text(), "");
}

TEST_F(Capture_window_on_box, TheBoxSerialSettingChoosesTheBox)
{
    struct Case {
        const char* setting;
        int32_t attached;
    };
    // Two boxes come; the window takes the one its setting names, any box when it names none.
    const Case cases[] = {{"222", 222}, {"0", 111}, {"no number", 111}, {"-5", 111}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        Write_Ini_Value("Settings", "box_serial", c.setting, Ini_file_path);
        Reopen();
        stub.Attach(111);
        stub.Attach(222);
        Take_events();
        EXPECT_EQ(window->Box().Box_serial(), std::to_string(c.attached));
        stub.Detach();
        Take_events();
    }
}

} // namespace
} // namespace wk
