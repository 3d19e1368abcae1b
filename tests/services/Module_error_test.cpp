#include "platform/Folders.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/QSM_error_form.h"
#include "services/Run_time_error.h"
#include "tests/support/Test_support.h"

#include <unistd.h>
#include <QLabel>
#include <QPushButton>

namespace wk {
namespace {

class Error_reporting : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_Computer_name = "RACEPC1";
        g_Run_mode = 10;
        clock.now = {2026, 12, 8, 9, 5, 1, 0};
    }
    void TearDown() override { Install_error_report_view(nullptr); }
    test::Temp_home home;
    test::Manual_clock clock;
};

TEST_F(Error_reporting, TwoReportsAppendTwoBlocksInTheLogFormat)
{
    QSM_error_handler("Overflow", 6, 12, "Printer_End of Module Module_canoe", "page 2");
    QSM_error_handler("Automation error", int32_t(0x80004005), 3, "Run of Class Module cls_Capture");
    const std::string block1 =
        "Saved  at: 2026-12-08 09:05:01\r\n\r\n"
        "Wakeline, Full version version 3.0.8 rm10 Compile date: 2010-04-18 11:11\r\n"
        " Computer: RACEPC1\r\n\r\n"
        "Location of error: Printer_End of Module Module_canoe line: 12\r\n"
        "error description: 6, Overflow\r\n"
        "Extra information: page 2program name: Wakeline, Full version Caption = \r\n\r\n" +
        std::string(44, '*') + "\r\n";
    const std::string log = test::Read_file(home.App_data() / "errlog.txt");
    ASSERT_EQ(log.substr(0, block1.size()), block1);
    const std::string rest = log.substr(block1.size());
    EXPECT_NE(rest.find("error description: -2147467259, Automation error\r\n"), std::string::npos);
    EXPECT_EQ(rest.substr(rest.size() - 46), std::string(44, '*') + "\r\n");
}

TEST_F(Error_reporting, ALogThatCannotBeWrittenFallsBackAndTheReportStillShows)
{
    // The application-data folder is a file: nothing can be created in it.
    std::filesystem::create_directories(home.path() / ".local" / "share");
    test::Write_file(home.path() / ".local" / "share" / "Wakeline", "not a folder");
    test::Captured_reports view;
    QSM_error_handler("Disk full", 61, 1, "Append_DV_frame of Class Module cls_AVI_handler");
    ASSERT_EQ(view.reports.size(), 1u);
    const auto fallback = home.path() / "tmp" / ("Wakeline-" + std::to_string(::geteuid())) / "errlog.txt";
    EXPECT_NE(test::Read_file(fallback).find("error description: 61, Disk full"), std::string::npos);
}

TEST_F(Error_reporting, RunTimeErrorsKeepTheirNumber)
{
    try {
        throw Run_time_error(26001, "Failed to create registry Key: 'x", "Wakeline3_0.cRegistry");
    } catch (...) {
        Report_current_exception("Get_Codec_dll of Module Module_canoe");
    }
    EXPECT_NE(test::Read_file(home.App_data() / "errlog.txt").find("error description: 26001, Failed to create"),
              std::string::npos);
}

TEST_F(Error_reporting, TheWindowShowsTheReportAndKeepsLaterOnesUntilContinue)
{
    Install_error_form();
    QSM_error_handler("First", 1, 1, "A of Module M");
    QSM_error_handler("Second", 2, 2, "B of Module M");
    auto& form = platform::Form_instance<QSM_error_form>();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.windowTitle(), "Wakeline, Full version error");
    EXPECT_EQ(form.Label1->text(), "Wakeline, Full version error report");
    EXPECT_TRUE(form.err_lbl->text().contains("error description: 1, First"));
    EXPECT_EQ(form.Waiting_reports(), 1u);
    form.Cmd_continue->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.err_lbl->text().contains("error description: 2, Second"));
    form.Cmd_continue->click();
    EXPECT_FALSE(form.isVisible());
    QSM_error_handler("Third", 3, 3, "C of Module M");
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.err_lbl->text().contains("Third"));
    form.Unload_form();
}

} // namespace
} // namespace wk
