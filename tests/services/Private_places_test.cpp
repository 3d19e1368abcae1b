// The settings, the error log and the trace lines when the user's private temporary folder was
// made first by another user: nothing is read from it or written to it, and the operator is told.
#include "services/Module_error.h"
#include "services/Module_system.h"
#include "services/Module_trace.h"
#include "tests/support/Other_user.h"
#include "tests/support/Test_support.h"
#include "tests/support/Told_operator.h"

#include <sys/stat.h>

namespace wk {
namespace {

namespace fs = std::filesystem;

class Planted_temp_folder : public ::testing::Test {
protected:
    Planted_temp_folder()
    {
        if (::geteuid() != 0) return;
        planted = test::Private_temp_of(home.path());
        test::Plant_private_folder(planted);
        // The application-data folder cannot be had: the fallback would be wanted.
        fs::create_directories(home.path() / ".local" / "share");
        test::Write_file(home.path() / ".local/share/Wakeline", "blocked");
    }
    ~Planted_temp_folder() override { Reset_Tracer_Search(); }
    bool Planted_is_empty() const { return fs::is_empty(planted); }

    test::Temp_home home;
    test::Scripted_dialogs dialogs; // no box comes from below the windows
    test::Told_operator told;
    test::Scoped_variable no_session{"XDG_RUNTIME_DIR", std::nullopt};
    fs::path planted;
};

TEST_F(Planted_temp_folder, SettingsAreNotKeptThereAndTheOperatorIsToldWhy)
{
    WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED();
    const std::string folder = AppUserData();
    EXPECT_TRUE(told.Said(planted.string() + " belongs to another user (uid 54321); remove it or set TMPDIR: "
                                             "settings and logs are not kept."));
    EXPECT_EQ(folder, (home.path() / ".local/share/Wakeline").string());
    EXPECT_TRUE(Planted_is_empty());
}

TEST_F(Planted_temp_folder, AnErrorLogThatCannotBeWrittenDoesNotGoThere)
{
    WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED();
    test::Captured_reports view;
    QSM_error_handler("Disk full", 61, 1, "Append_DV_frame of Class Module cls_AVI_handler");
    EXPECT_EQ(view.reports.size(), 1u); // the report is still shown
    EXPECT_TRUE(Planted_is_empty());
}

TEST_F(Planted_temp_folder, TraceLinesAreNotSentToASocketWaitingThere)
{
    WK_SKIP_UNLESS_OTHER_USER_CAN_BE_PLAYED();
    test::Scoped_variable unnamed("WAKELINE_TRACER", std::nullopt);
    test::Test_tracer theirs((planted / "wakeline-tracer.sock").string());
    ASSERT_TRUE(theirs.bound());
    test::Give_to_other_user(planted / "wakeline-tracer.sock");
    EXPECT_EQ(Tracer_socket_path(), "");
    Trace_Line("the operator's line");
    EXPECT_EQ(theirs.Receive(), "");
}

} // namespace
} // namespace wk
