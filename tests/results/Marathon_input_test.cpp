// The marathon window as a crew meets it the first time: no file yet, heats typed into the rows
// with the keyboard, the file made from the menu bar; and its close heard by the capture window.
#include "platform/Form_window.h"
#include "services/Marathon_listener.h"
#include "tests/results/Marathon_fixture.h"
#include "tests/support/Real_input.h"

#include <QLineEdit>
#include <QTest>

namespace wk {
namespace {

using test::Marathon_window;

TEST_F(Marathon_window, HeatsTypedBeforeTheFileIsMadeAreKeptAndTheStartStaysAsTyped)
{
    std::filesystem::create_directories(g_Data_folder);
    dialogs.Expect_message("Form > Create marathon file");
    Marathon().show();
    EXPECT_NE(dialogs.shown.back().find("No Marathon XML file found!"), std::string::npos);
    QTest::keyClicks(Marathon().Text_heat[0], "12");
    QTest::keyClicks(Marathon().Text_heat_name[0], "Men K1");
    QTest::keyClicks(Marathon().Text_start[0], "9:59:00");
    QTest::keyClicks(Marathon().Text_heat[1], "13");
    ASSERT_TRUE(test::Choose(Marathon().menu_bar, Marathon().item_create_marathon_file));
    ASSERT_TRUE(Marathon().Marathon_File_Present());
    EXPECT_EQ(Heat_value(1, "heat_num"), "12");
    EXPECT_EQ(Heat_value(1, "heat_name"), "Men K1");
    EXPECT_EQ(Heat_value(1, "heat_start"), "9:59:00");
    EXPECT_EQ(Heat_value(2, "heat_num"), "13");
    EXPECT_EQ(Text(Marathon().Text_heat[0]), "12");
    EXPECT_EQ(Text(Marathon().Text_start[0]), "9:59:00");
    // The finish entry reads the start as it stands.
    Marathon().Select_Heat(1, true);
    EXPECT_EQ(Marathon().Rows().Selected_start(), "9:59:00");
    dialogs.Expect_message("Created a new Marathon result file");
    EXPECT_EQ(Entry().Heat_start_text(), "9:59:00");
    EXPECT_TRUE(dialogs.All_used());
}

// A window that hears of the marathon window's close, as the capture window does.
class Listening_window final : public platform::Form_window, public Marathon_listener {
public:
    Listening_window() : Form_window("Form_capture_multi_file") {}
    void Marathon_Unloaded() override { ++heard; }
    int heard = 0;
};

TEST_F(Marathon_window, ClosingTheMarathonWindowTellsTheCaptureWindow)
{
    std::filesystem::create_directories(g_Data_folder);
    Write_marathon_file({});
    Listening_window capture;
    Marathon();
    EXPECT_EQ(capture.heard, 0);
    Marathon().Unload_form();
    EXPECT_EQ(capture.heard, 1);
}

} // namespace
} // namespace wk
