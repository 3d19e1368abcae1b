// The memory tracker, the splash window and the calibration window.
#include "platform/Forms.h"
#include "services/Cls_memory_status.h"
#include "services/Form_calibrate.h"
#include "services/Module_qsm_Globals.h"
#include "services/frmcanoeSplash.h"
#include "tests/support/Test_support.h"

#include <QLabel>
#include <QLocale>
#include <QTimer>

namespace wk {
namespace {

constexpr int64_t k_GiB = int64_t(1) << 30;

TEST(Memory_status, KeepsTheFirstTheSmallestAndTheLatestMeasurement)
{
    Cls_memory_status status;
    EXPECT_EQ(status.initial_phys(), 0);
    EXPECT_EQ(status.min_phys(), 0);
    EXPECT_EQ(status.last_phys(), 0);
    for (int64_t bytes : {500, 300, 400}) status.Note(bytes);
    EXPECT_EQ(status.initial_phys(), 500);
    EXPECT_EQ(status.min_phys(), 300);
    EXPECT_EQ(status.last_phys(), 400);
}

TEST(Memory_status, FiguresBeyondTwoGibibytesStayWholeAndPositive)
{
    Cls_memory_status status;
    status.Note(5 * k_GiB);
    status.Note(3 * k_GiB);
    EXPECT_EQ(status.min_phys(), 3 * k_GiB);
    EXPECT_EQ(Memory_usage_text(status), "Avail Phys. memory: (initial/last/min)\n5120/3072/3072");
    // This machine's own figure is read from the kernel.
    Cls_memory_status here;
    here.get_phys();
    EXPECT_GT(here.last_phys(), 0);
}

TEST(Memory_status, MebibytesAreRoundedToOneDecimalHalvesToEvenInTheLocalesForm)
{
    EXPECT_EQ(Mebibytes_text(0), "0");
    EXPECT_EQ(Mebibytes_text(3 * k_GiB), "3072");
    EXPECT_EQ(Mebibytes_text(1572864), "1.5");
    EXPECT_EQ(Mebibytes_text(262144), "0.2");  // 0.25 goes down to the even digit
    EXPECT_EQ(Mebibytes_text(786432), "0.8");  // 0.75 goes up to it
    EXPECT_EQ(Mebibytes_text(1048576 + 52429), "1.1"); // just past 1.05
    EXPECT_EQ(Mebibytes_text(40 * k_GiB + 1048576 / 2), "40960.5");
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    EXPECT_EQ(Mebibytes_text(1572864), "1,5");
    QLocale::setDefault(QLocale::c());
}

class Diagnostic_window : public ::testing::Test {
protected:
    void TearDown() override
    {
        g_Memory_status.reset();
        for (auto* f : platform::Loaded_forms()) f->Unload_form();
    }
    static std::string Text(const QLabel* l) { return l->text().toStdString(); }
    test::Temp_home home;
    test::Manual_clock clock;
};

TEST_F(Diagnostic_window, TheSplashShowsZerosBeforeAnyMeasurement)
{
    g_Memory_status.reset();
    frmcanoeSplash& splash = platform::Form_instance<frmcanoeSplash>();
    EXPECT_EQ(Text(splash.lbl_memory_usage), "Avail Phys. memory: (initial/last/min)\n0/0/0");
    EXPECT_TRUE(g_Memory_status); // made on first use
    EXPECT_EQ(Text(splash.lblVersion), "Version 3.0.8");
    EXPECT_EQ(Text(splash.lblProductName), "Wakeline3_0");
    EXPECT_EQ(Text(splash.Lbl_compdate), "g_compiled at: 2010-04-18 11:11");
    EXPECT_EQ(Text(splash.Lbl_BrixGraphics), "BrixGraphics version : Wakeline image library 1.0");
}

TEST_F(Diagnostic_window, TheSplashShowsTheTrackersFiguresAndAnyKeyClosesIt)
{
    g_Memory_status = std::make_shared<Cls_memory_status>();
    g_Memory_status->Note(3 * k_GiB);
    g_Memory_status->Note(2 * k_GiB + 1048576 / 2);
    frmcanoeSplash& splash = platform::Form_instance<frmcanoeSplash>();
    EXPECT_EQ(Text(splash.lbl_memory_usage), "Avail Phys. memory: (initial/last/min)\n3072/2048.5/2048.5");
    splash.Form_KeyPress('x');
    EXPECT_TRUE(splash.Is_unloaded());
    EXPECT_FALSE(platform::Form_if_loaded<frmcanoeSplash>());
}

class Calibration : public Diagnostic_window {
protected:
    void SetUp() override
    {
        form.Cycle_counter = [this] { return cycles; };
        clock.tick = 50000;
    }
    // A processor counting two thousand million cycles a second.
    void Run_ms(int32_t ms)
    {
        clock.tick += ms;
        cycles += int64_t(2000000) * ms;
    }
    Form_calibrate& form = platform::Form_instance<Form_calibrate>();
    int64_t cycles = 123456789;
};

TEST_F(Calibration, TwoThousandMillionCyclesASecondShowAbout200000)
{
    form.Cmd_start_Click();
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 1000);
    Run_ms(1000);
    form.Timer1_Timer();
    EXPECT_EQ(Text(form.Lbl_cycles_per_second), "200000");
    Run_ms(1400);
    form.Timer1_Timer();
    EXPECT_EQ(Text(form.Lbl_cycles_per_second), "200000"); // the exact 2.4 s, not a rounded 2
    form.Cmd_end_Click();
    EXPECT_FALSE(form.Timer1->isActive());
}

TEST_F(Calibration, ATickBeforeAnyTimeHasPassedLeavesTheRateAsItWas)
{
    form.Cmd_start_Click();
    form.Timer1_Timer();
    EXPECT_EQ(Text(form.Lbl_cycles_per_second), "Label1");
    Run_ms(400); // a tick that comes early still gives a rate
    form.Timer1_Timer();
    EXPECT_EQ(Text(form.Lbl_cycles_per_second), "200000");
}

TEST_F(Calibration, GetShowsTheCounterReadAsCurrency)
{
    form.Cmd_get_Click();
    EXPECT_EQ(Text(form.Lbl_CycleCount), "12345.6789");
    EXPECT_EQ(Currency_text(2000000000), "200000");
    EXPECT_EQ(Currency_text(-5000), "-0.5");
    EXPECT_EQ(Currency_text(INT64_MIN), "-922337203685477.5808");
    form.Unload_form();
    EXPECT_FALSE(form.Timer1->isActive());
}

} // namespace
} // namespace wk
