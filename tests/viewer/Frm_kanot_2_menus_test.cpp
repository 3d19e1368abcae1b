// The viewer's menus and file commands: every entry walked with and without a recording, the
// heat's identity, the properties text, the newest recordings, delete and rename, frame export.
#include "platform/Folders.h"
#include "services/Module_ini.h"
#include "services/Module_utilities.h"
#include "tests/support/Other_user.h"
#include "tests/support/Real_input.h"
#include "tests/viewer/Viewer_fixture.h"
#include "viewer/Cls_lane.h"
#include "viewer/Frm_export.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::Heat_setup;

// The program's headless answers for the time of a scope: every message gets its default button,
// every input box and file choice is cancelled, as a user pressing Enter or Escape would.
class Default_answers {
public:
    explicit Default_answers(platform::Dialogs& back) : back_(back) { platform::Install_dialogs(nullptr); }
    ~Default_answers() { platform::Install_dialogs(&back_); }

private:
    platform::Dialogs& back_;
};

class Viewer_menus : public test::Viewer_window {
protected:
    std::vector<QAction*> All_entries()
    {
        std::vector<QAction*> all;
        std::function<void(QMenu*)> walk = [&](QMenu* m) {
            for (QAction* a : m->actions()) {
                if (a->menu()) walk(a->menu());
                else if (!a->isSeparator()) all.push_back(a);
            }
        };
        for (QAction* top : Viewer().menu_bar->actions())
            if (top->menu()) walk(top->menu());
        return all;
    }
    void Walk_every_entry()
    {
        for (QAction* a : All_entries()) {
            const std::string name = a->objectName().toStdString();
            // The exit answers its own question with Cancel; capture would leave the viewer.
            if (name == "item_video_capture") continue;
            a->trigger();
            if (a->isCheckable() && a->isChecked()) a->trigger(); // and back
            for (auto* f : platform::Loaded_forms())
                if (f->Form_name() != "Frm_kanot_2") f->Unload_form();
            EXPECT_TRUE(reports.reports.empty()) << name << ": " << (reports.reports.empty() ? "" : reports.reports[0]);
            reports.reports.clear();
        }
    }
};

TEST_F(Viewer_menus, EveryEntryRunsWithAndWithoutARecording)
{
    Viewer();
    {
        Default_answers answers(dialogs);
        Walk_every_entry();
    }
    Heat_setup s;
    s.locked = true;
    ASSERT_TRUE(Open(Make_heat("Heat1.qs2", s)));
    {
        Default_answers answers(dialogs);
        Walk_every_entry();
    }
    EXPECT_GT(All_entries().size(), 50u);
}

TEST_F(Viewer_menus, TheStationsEventNameIsKeptUnlessCancelled)
{
    Viewer();
    dialogs.Expect_input("Enter event name!", "Spring Regatta");
    Viewer().Enter_Event_name();
    EXPECT_EQ(g_Event_name, "Spring Regatta");
    EXPECT_EQ(Read_Ini_Value("Canoe", "event_name", Ini_file_path, ""), "Spring Regatta");
    dialogs.Expect_input("Enter event name!", std::nullopt);
    Viewer().Enter_Event_name();
    EXPECT_EQ(g_Event_name, "Spring Regatta");
    dialogs.Expect_input("Enter event name!", "");
    Viewer().Enter_Event_name(); // an empty answer typed on purpose
    EXPECT_EQ(g_Event_name, "");
    EXPECT_EQ(Caption(), "Wakeline, Full version");
}

TEST_F(Viewer_menus, TheHeatsIdentityGoesIntoTheRecordingUnlessItIsReadOnly)
{
    const std::string path = Make_heat("Heat1.qs2");
    ASSERT_TRUE(Open(path));
    dialogs.Expect_input("Give Heat ID!", "A-12");
    Viewer().item_set_heat_id_Click();
    dialogs.Expect_input("Lane numbers", "17");
    dialogs.Expect_message("The lane count must be a whole number from 0 to 16!");
    Viewer().item_set_lanenums_Click();
    dialogs.Expect_input("Lane numbers", "6");
    Viewer().item_set_lanenums_Click();
    dialogs.Expect_input("Event", std::nullopt);
    Viewer().item_set_event_Click("Event");
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_EQ(rec.Heat_ID(1), "A-12");
        EXPECT_EQ(rec.Lane_count(), 6);
        EXPECT_EQ(rec.Event_name(), "Test Regatta");
    }
    g_Recording->Read_only(true);
    const std::string before = test::Read_file(path);
    dialogs.Expect_message("File is read-only!");
    Viewer().item_set_heat_id_Click();
    dialogs.Expect_message("File is read-only!");
    Viewer().itemLocalheatstart_Click();
    EXPECT_EQ(test::Read_file(path), before);
    EXPECT_TRUE(dialogs.All_used());
}

// A setting the recording cannot store is told when it is chosen, not when the recording closes.
TEST_F(Viewer_menus, ASettingTheRecordingCannotStoreIsToldAtOnce)
{
    const struct {
        const char* name;
        QAction* Frm_kanot_2::*item;
        const char* prompt; // of its input box, if it asks
        const char* input;
    } cases[] = {
        {"lane count", &Frm_kanot_2::item_set_lanenums, "Lane numbers", "6"},
        {"event", &Frm_kanot_2::item_set_event, "Event", "Regatta"},
        {"rotated", &Frm_kanot_2::item_toggle_rotated, nullptr, nullptr},
        {"lanes locked", &Frm_kanot_2::item_Toggle_lanes_locked, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Open(Make_heat(std::string(c.name) + ".qs2")));
        Viewer().show();
        g_Recording->Heat_ID(1, std::string(100000, 'x')); // too long for the header area
        if (c.prompt) dialogs.Expect_input(c.prompt, c.input);
        dialogs.Expect_message("too long to be stored");
        EXPECT_TRUE(test::Choose(Viewer().menu_bar, Viewer().*c.item));
        EXPECT_TRUE(dialogs.All_used());
        g_Recording->Heat_ID(1, "");
        Viewer().item_close_Click();
    }
}

TEST_F(Viewer_menus, ThePropertiesTextListsTheHeadersLineByLine)
{
    Heat_setup s;
    s.lanes = 2;
    s.first_lane = 0;
    const std::string path = Make_heat("Heat1.qs2", s);
    ASSERT_TRUE(Open(path));
    const std::string text = Viewer().Properties_text();
    const std::string stored = "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,";
    EXPECT_EQ(text.substr(0, text.find("Written by: ")),
              "File name = " + path + "\r\nNumber of DV frames = 10\r\nRead only  = False\r\n"
              "Event name: Test Regatta\r\n");
    const std::string rest = text.substr(text.find("\r\nRotated = ") + 2);
    EXPECT_EQ(rest, "Rotated = False\r\nLanes locked = False\r\nLanes flipped = False\r\nLane count = 2\r\n"
                    "Lane positions: 140,160  180,260  \r\nLane zero = True\r\nShow goalline = True\r\n"
                    "Show lanes = True\r\nGoal positions = 300,20  300,560\r\nStartCam = False\r\n"
                    "Heat_ID 1=7 Start Local time = 0 Start mill time = 0 Time correction = 0\r\n" +
                        stored +
                        "\r\nHeat_ID 2= Start Local time = 0 Start mill time = 0 Time correction = 0\r\n" + stored +
                        "\r\nHeat_ID 3= Start Local time = 0 Start mill time = 0 Time correction = 0\r\n" + stored +
                        "\r\n");
    // A count above the marks there are lists only those.
    g_Lanes.resize(1);
    EXPECT_NE(Viewer().Properties_text().find("Lane positions: 140,160  \r\n"), std::string::npos);
}

TEST_F(Viewer_menus, TheNewestRecordingsAreListedNewestFirst)
{
    const fs::path folder = home.path() / "captures";
    fs::create_directories(folder);
    const auto now = fs::file_time_type::clock::now();
    for (int i = 1; i <= 5; ++i) {
        const fs::path p = folder / ("Heat" + std::to_string(i) + ".qs2");
        test::Write_file(p, std::string(1048577, 'x'));
        fs::last_write_time(p, now - std::chrono::hours(10 - i));
    }
    test::Write_file(folder / "small.qs2", "x");
    test::Write_file(folder / "notes.txt", std::string(2 << 20, 'x'));
    Write_Ini_Value("Canoe", "last_dir", folder.string(), Ini_file_path);
    Viewer().Update_Recent_Files();
    std::vector<std::string> shown;
    for (QAction* a : Viewer().item_Open_Newest)
        if (a->isVisible()) shown.push_back(a->text().toStdString());
    EXPECT_EQ(shown, (std::vector<std::string>{"Heat5.qs2", "Heat4.qs2", "Heat3.qs2", "Heat2.qs2"}));

    Write_Ini_Value("Canoe", "last_dir", (home.path() / "empty").string(), Ini_file_path);
    Viewer().Update_Recent_Files();
    EXPECT_EQ(Viewer().item_Open_Newest[0]->text().toStdString(), "[no files]");
    EXPECT_FALSE(Viewer().item_Open_Newest[0]->isEnabled());
    EXPECT_FALSE(Viewer().item_Open_Newest[1]->isVisible());
    Viewer().item_Open_Newest_Click(0); // nothing to open
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Viewer_menus, DeleteAsksAndRenameMovesTheClosedFile)
{
    const std::string path = Make_heat("Heat1.qs2");
    ASSERT_TRUE(Open(path));
    dialogs.Expect_message("Delete the recording", platform::vbNo);
    Viewer().item_Delete_File_Click();
    EXPECT_TRUE(fs::exists(path));
    EXPECT_TRUE(g_Recording->File_open());

    const std::string renamed = (home.path() / "Heat1_final.qs2").string();
    dialogs.Expect_input("New filename?", std::nullopt);
    Viewer().item_rename_file_Click();
    EXPECT_TRUE(fs::exists(path));
    EXPECT_FALSE(g_Recording->File_open());
    EXPECT_EQ(Caption(), "Wakeline, Full version");
    ASSERT_TRUE(Open(path));
    dialogs.Expect_input("New filename?", renamed);
    Viewer().item_rename_file_Click();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::exists(renamed));

    ASSERT_TRUE(Open(renamed));
    dialogs.Expect_message("Delete the recording", platform::vbYes);
    Viewer().item_Delete_File_Click();
    EXPECT_FALSE(fs::exists(renamed));
    EXPECT_FALSE(g_Recording->File_open());
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(Viewer_menus, TheSettingsFileRenameChangesOnlyItsSuffix)
{
    Viewer();
    const std::string ini = Ini_file_path;
    ASSERT_NE(ini.find("Wakeline.ini"), std::string::npos);
    Viewer().item_rename_ini_Click();
    EXPECT_FALSE(fs::exists(ini));
    EXPECT_TRUE(fs::exists(ini.substr(0, ini.size() - 3) + "inx"));
}

TEST_F(Viewer_menus, ShowFrameDrawsTheFrameThatHoldsTheField)
{
    ASSERT_TRUE(Open(Make_heat("Heat1.qs2")));
    for (int field : {9, 10, 11}) {
        Viewer().Slider_play->setValue(field);
        Viewer().item_show_frame_Click();
        const int frame = (field + 1) / 2;
        const QImage& img = Viewer().Picture_large->Image();
        const int y = test::Code_row(1);
        const int64_t code = test::Field_code_from_row([&](int x) { return qGreen(img.pixel(x, y)); });
        EXPECT_EQ(code, 2 * frame - 1) << field;
    }
}

TEST_F(Viewer_menus, FrameExportWritesOnePictureAFieldBetweenInAndOut)
{
    ASSERT_TRUE(Open(Make_heat("Race_Heat3_final.qs2")));
    // Without the overlay, the pictures hold the fields alone.
    g_Goalline_shown = g_Lane_marks_shown = false;
    Viewer().Draw_Graphics(true, false);
    Frm_export& exporter = platform::Form_instance<Frm_export>();
    Viewer().Slider_play->setValue(12);
    exporter.Lbl_inpoint_Click();
    Viewer().Slider_play->setValue(14);
    exporter.Lbl_outpoint_Click();
    EXPECT_EQ(exporter.Lbl_inpoint->text().toStdString(), "12");
    exporter.Cmd_export_Click();
    for (int field : {12, 13, 14}) {
        const fs::path p = Frm_export::Picture_path("3", field);
        ASSERT_TRUE(fs::exists(p)) << p;
        QImage img(QString::fromStdString(p.string()));
        ASSERT_FALSE(img.isNull());
        const int64_t code =
            test::Field_code_from_row([&](int x) { return qGreen(img.pixel(x, test::k_Code_top + 10)); });
        EXPECT_EQ(code, field);
    }
    exporter.Lbl_outpoint->clear();
    exporter.Cmd_export_Click(); // a beep only
    EXPECT_TRUE(reports.reports.empty());
}

} // namespace
} // namespace wk

namespace wk {
namespace {

namespace fs = std::filesystem;

// The export folder, or a name in it, made first by another user (or a link of theirs).
TEST_F(Viewer_menus, FrameExportWritesOnlyIntoTheUsersOwnFolderAndNeverThroughALink)
{
    WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED();
    const fs::path own = test::Private_temp_of(home.path());
    const fs::path export_folder = own / "kanottest";
    const fs::path precious = home.path() / "results.csv";
    struct Case {
        const char* what;
        std::function<void()> plant;
        const char* message; // "" when the export goes ahead
    };
    // A folder of ours, as the program makes it.
    const auto make_own = [](const fs::path& p, mode_t mode = 0700) {
        fs::create_directories(p);
        ::chmod(p.c_str(), mode);
    };
    const Case cases[] = {
        {"the private folder is another user's", [&] { test::Plant_private_folder(own); },
         "belongs to another user (uid 54321)"},
        {"the private folder is open to all", [&] { make_own(own, 0777); }, "is open to other users (mode 0777)"},
        {"the export folder is another user's", [&] {
             make_own(own);
             test::Plant_private_folder(export_folder);
         }, "kanottest belongs to another user"},
        {"the export folder is a link", [&] {
             make_own(own);
             fs::create_directory_symlink(home.path(), export_folder);
         }, "kanottest is a link"},
        {"a picture's name is a link to the operator's file", [&] {
             make_own(own);
             make_own(export_folder);
             fs::create_symlink(precious, export_folder / "Heat3_0013.jpg");
         }, ""},
    };
    ASSERT_TRUE(Open(Make_heat("Race_Heat3_final.qs2")));
    Frm_export& exporter = platform::Form_instance<Frm_export>();
    exporter.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(own);
        test::Write_file(precious, "the operator's results");
        c.plant();
        exporter.Lbl_inpoint->setText("12");
        exporter.Lbl_outpoint->setText("14");
        if (*c.message) dialogs.Expect_message(std::string("The pictures cannot be exported: ") + "The folder ");
        QTest::mouseClick(exporter.Cmd_export, Qt::LeftButton);
        EXPECT_TRUE(dialogs.All_used());
        if (*c.message) {
            ASSERT_FALSE(dialogs.shown.empty());
            EXPECT_NE(dialogs.shown.back().find(c.message), std::string::npos) << dialogs.shown.back();
        } else {
            for (int field : {12, 13, 14}) {
                const fs::path p = export_folder / ("Heat3_00" + std::to_string(field) + ".jpg");
                EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(p))) << p;
            }
        }
        EXPECT_EQ(test::Read_file(precious), "the operator's results");
        EXPECT_TRUE(reports.reports.empty());
    }
}

} // namespace
} // namespace wk
