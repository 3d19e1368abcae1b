#include "platform/Clock.h"
#include "tests/support/Test_support.h"

namespace wk::platform {
namespace {

TEST(Clock, DifferencesAreTakenAcrossTheWrapOfTheTick)
{
    EXPECT_EQ(Tick_difference(INT32_MIN + 10, INT32_MAX - 9), 20);
    EXPECT_EQ(Tick_difference(5, 10), -5);
    EXPECT_EQ(Tick_add(INT32_MAX, 1), INT32_MIN);
}

TEST(Clock, AnInstalledClockReplacesTheSystemClockUntilRemoved)
{
    {
        test::Manual_clock clock;
        clock.tick = 42;
        EXPECT_EQ(Get_clock().Tick(), 42);
        Get_clock().Sleep_ms(8);
        EXPECT_EQ(Get_clock().Tick(), 50);
    }
    const int32_t a = Get_clock().Tick();
    Get_clock().Sleep_ms(2);
    EXPECT_GE(Tick_difference(Get_clock().Tick(), a), 2);
}

} // namespace
} // namespace wk::platform
