#pragma once
// The program's one millisecond tick and the local time, behind a clock that tests replace.
#include <cstdint>
#include <string>

namespace wk::platform {

struct Local_time {
    int year = 1970, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Signed 32-bit millisecond count that wraps like the Windows tick.
    virtual int32_t Tick() = 0;
    virtual Local_time Now() = 0;
    virtual void Sleep_ms(int32_t ms) = 0;
};

// "yyyy-mm-dd hh:mm:ss", whatever the locale.
std::string Date_time_text(const Local_time& t);

Clock& Get_clock();
// Replaces the clock for the whole process; nullptr puts the system clock back.
void Install_clock(Clock* clock);

// later - earlier, correct across the wrap of the tick.
inline int32_t Tick_difference(int32_t later, int32_t earlier)
{
    return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}
// a + b in 32 bits with the wrap of the tick.
inline int32_t Tick_add(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

} // namespace wk::platform
