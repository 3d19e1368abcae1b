// The results window driven through real mouse events: Qt Test's presses and releases go through
// event propagation and the window's filters as a crew's clicks do.
#include "platform/Forms.h"
#include "platform/Key_event_filter.h"
#include "results/Form_LCS_preview.h"
#include "tests/results/Results_fixture.h"
#include "tests/support/Real_input.h"
#include "tests/support/Whole_text.h"
#include "tests/viewer/Print_fixture.h"
#include "viewer/Lane_results.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <vector>

namespace wk {
namespace {

using test::Results_window;

// " 00:01,23" as milliseconds.
int32_t Shown_ms(const std::string& text)
{
    int m = 0, s = 0, h = 0;
    EXPECT_EQ(std::sscanf(text.c_str(), " %d:%d,%d", &m, &s, &h), 3) << text;
    return (m * 60 + s) * 1000 + h * 10;
}

class Results_input : public Results_window {
protected:
    // Presses a plus or minus button with the mouse and lets go of it after hold_ms on the test clock.
    void Press(int button, int32_t hold_ms)
    {
        test::Release_clock held;
        held.pressed_at = held.tick;
        held.hold = hold_ms;
        QPushButton* b = Window().Cmd_time[size_t(button)];
        held.release = [b] { QTest::mouseRelease(b, Qt::LeftButton); };
        QTest::mousePress(b, Qt::LeftButton);
    }
    void Show_both()
    {
        Viewer().show();
        Window().show();
    }
};

TEST_F(Results_input, AClickedSecondsPartAndOnePressOnUpCorrectTheStartByOneSecond)
{
    const std::string path = Open_usual_heat();
    Show_both();
    const std::vector<int32_t> before = {Shown_ms(Row(0)[2]), Shown_ms(Row(1)[2])};
    QTest::mouseClick(Window().Lbl_hms_correction[2], Qt::LeftButton);
    EXPECT_EQ(Window().Correction_step(), 1000);
    EXPECT_EQ(Window().Lbl_hms_correction[2]->palette().color(QPalette::Window), QColor(255, 128, 0));
    Press(0, 100);
    EXPECT_EQ(Parts(Window().Lbl_hms_correction), (std::vector<std::string>{"00", "00", "01", "00"}));
    EXPECT_EQ(Shown_ms(Row(0)[2]), before[0] - 1000);
    EXPECT_EQ(Shown_ms(Row(1)[2]), before[1] - 1000);
    EXPECT_EQ(Row(1)[3], "+0,20"); // the gap between the boats stays
    EXPECT_EQ(Stored_correction(path), 1000);
    EXPECT_FALSE(Window().Repeat_active());

    // The corrected start follows the recorded one by the correction.
    Window().Recorded_start_mill(36000000);
    Window().Display_Original_Start_Time();
    Window().Display_Compensate_Mill();
    EXPECT_EQ(Parts(Window().Lbl_hms_corrected), (std::vector<std::string>{"10", "00", "01", "00"}));

    // Down with hundredths selected, then a right click on a part sets it back to 0.
    QTest::mouseClick(Window().Lbl_hms_correction[3], Qt::LeftButton);
    Press(1, 100);
    EXPECT_EQ(Window().Correction(), 990);
    QTest::mouseClick(Window().Lbl_hms_correction[0], Qt::RightButton);
    EXPECT_EQ(Window().Correction(), 0);
    EXPECT_EQ(Stored_correction(path), 0);
    EXPECT_EQ(Shown_ms(Row(0)[2]), before[0]);
}

TEST_F(Results_input, AClickOnAFrameOrTheOtherTimesDeselectsThePart)
{
    Open_usual_heat();
    Show_both();
    QTest::mouseClick(Window().Lbl_hms_correction[1], Qt::LeftButton);
    ASSERT_EQ(Window().Correction_step(), 60000);
    // The start correction frame's own area, away from its frames and buttons.
    QTest::mouseClick(Window().Frm_time_select, Qt::LeftButton, Qt::NoModifier, QPoint(290, 180));
    EXPECT_EQ(Window().Correction_step(), 0);
    Press(0, 100);
    EXPECT_EQ(Window().Correction(), 0);

    QTest::mouseClick(Window().Lbl_hms_correction[1], Qt::LeftButton);
    QTest::mouseClick(Window().Lbl_hms[1], Qt::LeftButton);
    EXPECT_EQ(Window().Correction_step(), 0);
    QTest::mouseClick(Window().Lbl_hms_correction[0], Qt::LeftButton);
    QTest::mouseClick(Window().Frm_correction, Qt::LeftButton, Qt::NoModifier, QPoint(195, 40));
    EXPECT_EQ(Window().Correction_step(), 0);
}

TEST_F(Results_input, AClickOnAPlaceTakesTheViewerToItsFinish)
{
    Open_usual_heat();
    Show_both();
    QTest::mouseClick(Window().Lbl_result_rank_labels[1], Qt::LeftButton);
    EXPECT_EQ(Viewer().Slider_play->value(), 71);
    QTest::mouseClick(Window().Lbl_result_rank_labels[2], Qt::LeftButton); // DNS
    EXPECT_EQ(Viewer().Slider_play->value(), 71);
}

TEST_F(Results_input, AfterAPrintToThePreviewTheProgramAndItsBoxesCarryTheirOwnTitleAgain)
{
    test::Print_state_reset reset;
    Install_print_preview();
    platform::App().title = g_App_Title = "Wakeline";
    Open_usual_heat();
    Show_both();
    QTest::mouseClick(Window().Opt_printer[Frm_results::k_Preview], Qt::LeftButton);
    ASSERT_TRUE(g_Print_preview);
    ASSERT_TRUE(test::Choose(Window().menu_bar, Window().item_print_results));
    auto* preview = platform::Form_if_loaded<Form_LCS_preview>();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_NE(g_Print_title.find("Heat: 7 Results"), std::string::npos);
    EXPECT_EQ(platform::App().title, "Wakeline");
    ASSERT_TRUE(test::Choose(Window().menu_bar, Window().item_print));
    EXPECT_EQ(platform::App().title, "Wakeline");
}

TEST_F(Results_input, GetMappedDriveShowsTheExportFoldersNetworkNameThenItsSharePath)
{
    // The debug menu shows in the built program when Ctrl is held as the window loads.
    platform::Install_key_event_filter();
    QTest::keyPress(&Viewer(), Qt::Key_Control);
    Window();
    QTest::keyRelease(&Viewer(), Qt::Key_Control);
    ASSERT_TRUE(Window().menu_debug->menuAction()->isVisible());
    Open_usual_heat();
    Show_both();
    // A local folder, as a settings file may hold it with a separator at its end.
    const std::string folder = home.path().string();
    Window().Lbl_export_folder->setText(QString::fromStdString(folder + "/"));
    dialogs.Expect_message("Error: Not Connected");
    dialogs.Expect_message("");
    dialogs.Expect_message(folder);
    ASSERT_TRUE(test::Choose(Window().menu_bar, Window().item_maped_drive));
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[1], "|"); // a local folder has no network name
    EXPECT_EQ(dialogs.shown[2], "|" + folder);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Results_input, ExportResultsAndPreviewAreChosenWithoutEffect)
{
    platform::Install_key_event_filter();
    QTest::keyPress(&Viewer(), Qt::Key_Control);
    Window();
    QTest::keyRelease(&Viewer(), Qt::Key_Control);
    const std::string path = Open_usual_heat();
    Show_both();
    const std::string before = test::Read_file(path);
    const std::vector<std::string> rows = Row(0);
    ASSERT_TRUE(test::Choose(Window().menu_bar, Window().item_export_results));
    ASSERT_TRUE(test::Choose(Window().menu_bar, Window().item_do_preview));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(Row(0), rows);
    EXPECT_EQ(test::Read_file(path), before);
    EXPECT_TRUE(Window().isVisible());
}

TEST_F(Results_input, AnEventNameIsShownWholeOrShortenedWithTheWholeNameAsItsTooltip)
{
    struct Case {
        const char* name;
        bool shortened;
    };
    const std::vector<Case> cases = {
        {"Spring Regatta", false},
        {"International Canoe Sprint Regatta of the Northern Lakes, Junior and Senior Championships 2026", true},
        {"", false},
    };
    Open_usual_heat();
    Viewer().show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.Expect_input("Event name", std::string(c.name));
        ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_set_event_name));
        const QLabel* label = Window().Lbl_event_name_label;
        EXPECT_TRUE(test::Whole_text(label)) << label->text().toStdString();
        if (c.shortened) {
            EXPECT_TRUE(label->text().endsWith(QChar(0x2026))) << label->text().toStdString();
            EXPECT_TRUE(QString(c.name).startsWith(label->text().chopped(1)));
            EXPECT_EQ(label->toolTip().toStdString(), c.name);
        } else {
            EXPECT_EQ(label->text().toStdString(), c.name);
            EXPECT_TRUE(label->toolTip().isEmpty());
        }
    }
    EXPECT_TRUE(dialogs.All_used());
}

} // namespace
} // namespace wk
