// Test programs run with a QApplication (offscreen), so window tests and picture code work.
#include "platform/Dialogs.h"
#include "services/Module_qsm_Globals.h"

#include <QApplication>
#include <QFontDatabase>
#include <gtest/gtest.h>

namespace {

// Qt keeps the font engines it made for the whole process, and an engine draws a glyph it drew
// before a few pixels differently from the first time. A change of the font database drops
// them all: adding and taking away a font is the public way to make one.
void Forget_font_engines()
{
    static const char* const k_Font = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
    const int id = QFontDatabase::addApplicationFont(k_Font);
    if (id >= 0) QFontDatabase::removeApplicationFont(id);
}

// Every test starts from the program's state at start, whatever ran before it (also repeated or
// shuffled). This runs before the test's fixture is made, so what the fixture's members set up
// (a home folder, a clock, scripted dialogs) holds for the whole test.
class Program_state_reset final : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        wk::Reset_program_state();
        Forget_font_engines();
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new Program_state_reset);
    return RUN_ALL_TESTS();
}
