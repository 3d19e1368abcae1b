// The start list and the official result through a crew's hands: File > Import start list in the
// viewer, Results > Make official in the results window, each answered through the dialogs.
#include "results/Result_record.h"
#include "results/Start_list.h"
#include "tests/results/Results_fixture.h"
#include "tests/support/Real_input.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace wk {
namespace {

class Results_official : public test::Results_window {
protected:
    std::string Start_list_file(const std::string& name, const std::string& lines)
    {
        const std::string path = (home.path() / name).string();
        test::Write_file(path, "heat;lane;bib;name;club\n" + lines);
        return path;
    }
    void Import(const std::string& file, const std::string& answer_part)
    {
        dialogs.Expect_open_file(file);
        dialogs.Expect_message(answer_part);
        ASSERT_TRUE(test::Choose(Viewer().menu_bar, Viewer().item_import_start_list));
        EXPECT_TRUE(dialogs.All_used());
    }
    void Make_official(int answer)
    {
        dialogs.Expect_message("official?", answer);
        ASSERT_TRUE(test::Choose(Window().menu_bar, Window().item_make_official));
        EXPECT_TRUE(dialogs.All_used());
    }
    std::string State() { return Text(Window().Lbl_result_state); }
    std::string Name(int row) { return Text(Window().Lbl_result_name_labels[size_t(row)]); }
};

TEST_F(Results_official, AnImportedStartListNamesTheCrewsAndABadFileImportsNothing)
{
    Open_usual_heat();
    Viewer().show();
    Window().show();
    const std::string heat = Window().Shown_result().heat;
    const int plain_width = Window().width();
    const QRect plain_time = Window().Lbl_result_time_labels[0]->geometry();
    EXPECT_FALSE(Window().Lbl_result_name_labels[0]->isVisible());

    Import(Start_list_file("good.csv", heat + ";2;101;Anna Berg;Kanot SK\n" + heat + ";5;102;Eva Lind;NK\n"),
           "was imported");
    EXPECT_EQ(Name(0), "101 Anna Berg");
    EXPECT_EQ(Name(1), "102 Eva Lind");
    EXPECT_EQ(Name(2), ""); // lane 7 has no entry
    EXPECT_TRUE(Window().Lbl_result_name_labels[0]->isVisible());
    // The window keeps its width beside the viewer: the columns close up and the names fit in it.
    EXPECT_EQ(Window().width(), plain_width);
    EXPECT_LE(Window().Lbl_result_name_labels[0]->geometry().right(), plain_width);
    EXPECT_LE(Window().Lbl_result_time_labels[0]->fontMetrics().horizontalAdvance(" 00:01,23"),
              Window().Lbl_result_time_labels[0]->width());
    EXPECT_NE(Window().Lbl_result_time_labels[0]->geometry(), plain_time);
    for (const auto& mark : g_Lanes)
        if (mark && mark->Lane_number() == 5) EXPECT_EQ(mark->Entry_label(), "102 Eva Lind");
    // The sheet and the CSV export carry the names beside the lanes.
    const std::vector<std::string> sheet = Window().Result_lines();
    ASSERT_EQ(sheet.size(), 3u);
    EXPECT_NE(sheet[0].find("101 Anna Berg"), std::string::npos) << sheet[0];
    EXPECT_NE(sheet[2].find("Did not start"), std::string::npos) << sheet[2];
    EXPECT_NE(Window().Results_csv_text().find(";101;Anna Berg;Kanot SK\r\n"), std::string::npos);

    // A bad third line: the message names it, and the list kept is still the good one.
    const std::string kept = test::Read_file(Start_list_path(g_Event_name));
    Import(Start_list_file("bad.csv", heat + ";2;201;Other;X\n" + heat + ";x;202;Other;X\n"), "Line 3: the lane");
    EXPECT_EQ(test::Read_file(Start_list_path(g_Event_name)), kept);
    EXPECT_EQ(Name(0), "101 Anna Berg");
}

TEST_F(Results_official, MakeOfficialAsksOnceAndACorrectionAfterItIsRevisionTwo)
{
    const std::string path = Open_usual_heat();
    Viewer().show();
    Window().show();
    EXPECT_EQ(State(), "Provisional");

    Make_official(platform::vbCancel);
    EXPECT_EQ(State(), "Provisional");
    Make_official(platform::vbOK);
    EXPECT_EQ(State(), "Official, revision 1");
    // Asked again, it only says so.
    dialogs.Expect_message("already official");
    ASSERT_TRUE(test::Choose(Window().menu_bar, Window().item_make_official));
    EXPECT_TRUE(dialogs.All_used());

    // One second off the start: every time changes, and the change is revision 2.
    const std::string before = Row(0)[2];
    QTest::mouseClick(Window().Lbl_hms_correction[2], Qt::LeftButton);
    test::Release_clock held;
    held.pressed_at = held.tick;
    held.hold = 100;
    QPushButton* plus = Window().Cmd_time[0];
    held.release = [plus] { QTest::mouseRelease(plus, Qt::LeftButton); };
    QTest::mousePress(plus, Qt::LeftButton);
    EXPECT_EQ(State(), "Official, revision 2");
    std::string problem;
    const std::optional<Result_record> record = Load_record(path, problem);
    ASSERT_TRUE(record) << problem;
    ASSERT_EQ(record->revisions.size(), 2u);
    const std::vector<Result_change>& changes = record->revisions[1].changes;
    ASSERT_EQ(changes.size(), 2u); // the two timed lanes; the DNS keeps its code
    EXPECT_EQ(changes[0].lane, 2);
    EXPECT_EQ(" " + changes[0].old_text, before);
    EXPECT_EQ(" " + changes[0].new_text, Row(0)[2]);
}

} // namespace
} // namespace wk
