#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "tests/support/Test_support.h"

#include <unistd.h>

namespace wk {
namespace {

class Trace_log : public ::testing::Test {
protected:
    void TearDown() override { Reset_Tracer_Search(); }
    test::Temp_home home;
    test::Manual_clock clock;
};

TEST_F(Trace_log, ALineHasTheProgramMarkProcessThreadTimeAndTabbedItems)
{
    test::Test_tracer tracer(Tracer_socket_path());
    ASSERT_TRUE(tracer.bound());
    clock.now = {2026, 3, 4, 5, 6, 7, 0};
    g_Compiled = true;
    Trace_Line("a", 1, std::vector<std::string>{"x", "y"}, true);
    const std::string line = tracer.Receive();
    const std::string prefix = "Wakeline3_0 C: " + std::to_string(getpid()) + ": ";
    ASSERT_EQ(line.substr(0, prefix.size()), prefix);
    EXPECT_NE(line.find(": 20260304 050607: a\t1\tx\ty\tTrue\t"), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 15), ": a\t1\tx\ty\tTrue\t");
}

TEST_F(Trace_log, AnEmptyListEndsWithTheSeparatorAndTextIsSentAsWindows1252)
{
    test::Test_tracer tracer(Tracer_socket_path());
    g_Compiled = false;
    Trace_Line();
    const std::string empty = tracer.Receive();
    EXPECT_EQ(empty.substr(0, 15), "Wakeline3_0 I: ");
    EXPECT_EQ(empty.substr(empty.size() - 2), ": ");
    Trace_Line("Östra");
    const std::string l = tracer.Receive();
    EXPECT_EQ(l.substr(l.size() - 6), "\xD6stra\t");
    g_Compiled = true;
}

TEST_F(Trace_log, WithoutATracerNothingIsSentAndTheSearchRunsOnce)
{
    Trace_Line("lost");
    EXPECT_FALSE(Find_Tracer_Window());
    test::Test_tracer late(Tracer_socket_path()); // starts after the first search
    Trace_Line("still lost");
    EXPECT_EQ(late.Receive(), "");
}

TEST_F(Trace_log, ASlowClockDropsTheLine)
{
    test::Test_tracer tracer(Tracer_socket_path());
    struct Jumping_clock : test::Manual_clock {
        int32_t Tick() override { return tick += 60; }
    } jumping;
    Trace_Line("dropped");
    EXPECT_EQ(tracer.Receive(), "");
}

} // namespace
} // namespace wk
