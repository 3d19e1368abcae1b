#pragma once
// What the viewer shows in the marathon windows for the shown frame: the marathon window gives
// the start time of its current heat, the finish-entry window shows the frame's time of day, that
// start and the time between. The marathon windows implement it; until one is installed the
// viewer shows nothing there.
#include <string>

namespace wk {

class Marathon_times {
public:
    virtual ~Marathon_times() = default;
    // The start-time text of the current heat ("hh:mm:ss"); "" when there is none.
    virtual std::string Heat_start_text() = 0;
    // Shows the texts and refreshes the entry.
    virtual void Show_frame_times(const std::string& frame_time, const std::string& start,
                                  const std::string& elapsed) = 0;
};

// The installed marathon windows, or nullptr.
inline Marathon_times*& Marathon_times_port()
{
    static Marathon_times* port = nullptr;
    return port;
}

} // namespace wk
