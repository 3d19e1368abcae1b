#include "platform/Clock.h"

#include <cstdio>
#include <ctime>
#include <sys/time.h>
#include <time.h>

namespace wk::platform {
namespace {

class System_clock final : public Clock {
public:
    int32_t Tick() override
    {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
        return static_cast<int32_t>(static_cast<uint32_t>(ms));
    }
    Local_time Now() override
    {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        std::tm tm{};
        localtime_r(&ts.tv_sec, &tm);
        return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                static_cast<int>(ts.tv_nsec / 1000000)};
    }
    void Sleep_ms(int32_t ms) override
    {
        if (ms <= 0) return;
        timespec req{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
        while (nanosleep(&req, &req) != 0) {
        }
    }
};

System_clock g_system_clock;
Clock* g_clock = &g_system_clock;

} // namespace

Clock& Get_clock() { return *g_clock; }

void Install_clock(Clock* clock) { g_clock = clock ? clock : &g_system_clock; }

std::string Date_time_text(const Local_time& t)
{
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

} // namespace wk::platform
