#pragma once
// What the viewer shows in the marathon windows for the shown frame: the marathon window gives
// the start time of its current heat, the finish-entry window shows the frame's time of day, that
// start and the time between. The marathon windows implement it; until one is installed the
// viewer shows nothing there.
#include <cstdint>
#include <functional>
#include <string>

namespace wk {

class Marathon_times {
public:
    virtual ~Marathon_times() = default;
    // The start-time text of the current heat ("hh:mm:ss"); "" when no heat is selected or the
    // heat has no start that is a time of day.
    virtual std::string Heat_start_text() = 0;
    // Shows the texts and refreshes the entry.
    virtual void Show_frame_times(const std::string& frame_time, const std::string& start,
                                  const std::string& elapsed) = 0;
    // Marathon mode on or off: shows the marathon window and the finish-entry window, or hides them.
    virtual void Show_marathon_windows(bool show) {}
    // The width the marathon windows would have beside the viewer, frame included (0: none).
    virtual int Beside_width() const { return 0; }
};

// The installed marathon windows, or nullptr (tests install their own).
inline Marathon_times*& Marathon_times_port()
{
    static Marathon_times* port = nullptr;
    return port;
}

// Without an installed port, the program's marathon windows come from the maker: made when it is
// asked to make them, else only when they are there (nullptr when not).
void Install_marathon_times_maker(std::function<Marathon_times*(bool make)> maker);
// The installed port, else the maker's answer; nullptr without either.
Marathon_times* Marathon_windows(bool make);

// Time of day to time of day, in ms. A marathon runs for hours but never half a day, so a
// difference of more than 12 hours either way is taken across midnight: a heat started at
// 23:50:00 is 20 minutes old at 00:10:00, and one due at 00:00:05 is 10 s off at 23:59:55.
inline int64_t Time_of_day_difference_ms(int64_t start_ms, int64_t now_ms)
{
    constexpr int64_t day = 86400000, half = day / 2;
    int64_t d = (now_ms - start_ms) % day;
    if (d > half) d -= day;
    if (d < -half) d += day;
    return d;
}

} // namespace wk
