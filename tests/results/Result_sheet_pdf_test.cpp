// The result sheet of the demo heat as a PDF file, read back with poppler's tools; and the PDF
// choice's refusals.
#include "tests/results/Results_fixture.h"
#include "tests/viewer/Print_fixture.h"

#include "services/Module_utilities.h"

#include <QRadioButton>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;

bool Have_tool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }

// Words separated by single blanks: the PDF keeps where words stand, not the blanks between them.
std::string Words(const std::string& text)
{
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\t' || c == '\f';
        if (!blank) out += c;
        else if (!out.empty() && out.back() != ' ') out += ' ';
    }
    return out;
}

// What a command writes to its standard output.
std::string Output_of(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

class Pdf_sheet : public test::Results_window {
protected:
    void SetUp() override
    {
        Results_window::SetUp();
        platform::Install_printer_port(&printers);
    }
    // The window's choice is a PDF file; the next job is saved under `answer`.
    void Choose_pdf(std::optional<std::string> answer)
    {
        Window().Opt_printer[2]->click();
        dialogs.Expect_save_file(std::move(answer));
    }

    test::Print_state_reset reset;
    test::Test_printers printers;
};

TEST_F(Pdf_sheet, TheDemoHeatsSheetIsAOnePagePdfWithItsHeadingAndRows)
{
    if (!Have_tool("pdftotext") || !Have_tool("pdfinfo"))
        GTEST_SKIP() << "pdftotext and pdfinfo (Debian package poppler-utils) are needed to read the PDF back";
    const demo::Result heat = Open_clicked_demo_heat("DemoHeat1.qs2", 4);
    // Without a suffix the file still becomes a .pdf.
    Choose_pdf((home.path() / "sheet").string());
    Viewer().Handle_Print_results();
    EXPECT_TRUE(dialogs.All_used());
    const fs::path pdf = home.path() / "sheet.pdf";
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_EQ(test::Read_file(pdf).substr(0, 5), "%PDF-");
    const std::string info = Words(Output_of("pdfinfo '" + pdf.string() + "'"));
    EXPECT_NE(info.find(" Pages: 1 "), std::string::npos) << info;
    EXPECT_NE(info.find("pts (A4)"), std::string::npos) << info; // the paper of no printer
    const std::string text = Words(Output_of("pdftotext -layout '" + pdf.string() + "' -"));
    EXPECT_NE(text.find("Results for Heat: 1"), std::string::npos) << text;
    EXPECT_NE(text.find("Place Lane Time Diff."), std::string::npos) << text;
    EXPECT_NE(text.find("Demo Regatta"), std::string::npos) << text;
    EXPECT_NE(text.find("Filename = "), std::string::npos) << text;
    ASSERT_EQ(heat.crossings.size(), 4u);
    for (int row = 0; row < 4; ++row) {
        const std::string line = Window().Result_lines()[size_t(row)];
        EXPECT_NE(text.find(Words(line)), std::string::npos) << line << " in\n" << text;
    }
    // The job is over: the next print asks for its own file.
    EXPECT_FALSE(g_Print_target->Printing());
    EXPECT_EQ(platform::App().title, g_App_Title);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Pdf_sheet, CancellingTheFileNamePrintsNothing)
{
    Open_usual_heat();
    Choose_pdf(std::nullopt);
    Viewer().Handle_Print_results();
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_EQ(g_Print_target, nullptr);
    EXPECT_FALSE(fs::exists(home.path() / "sheet.pdf"));
    EXPECT_EQ(platform::App().title, g_App_Title);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Pdf_sheet, AFileThatCannotBeMadeIsAPrinterError)
{
    Open_usual_heat();
    Choose_pdf((home.path() / "no such folder" / "sheet.pdf").string());
    dialogs.Expect_message("Printer error");
    Viewer().Handle_Print_results();
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_TRUE(reports.reports.empty());
}

} // namespace
} // namespace wk
