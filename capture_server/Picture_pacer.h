#pragma once
// Brings a camera's pictures down to a steady rate: the time from the first picture is cut into
// slots of the rate, and a picture is kept when it is the first in its slot (the slot nearest
// its time). A 60 camera keeps 50 a second, a 30 camera 25, each kept picture with its own
// time; a camera no faster than the rate keeps every picture.
#include <cstdint>
#include <optional>

namespace wk {

class Picture_pacer {
public:
    explicit Picture_pacer(int64_t period_ns) : period_(period_ns) {}
    // Whether the picture taken at time_ns is kept.
    bool Keep(int64_t time_ns);
    // The slot of the picture kept last, counted from its run's first picture; slots that follow
    // each other hold pictures a period apart, whatever the camera's own rate.
    int64_t Last_slot() const { return last_slot_; }

private:
    int64_t period_;
    std::optional<int64_t> first_;
    int64_t last_slot_ = 0;
};

} // namespace wk
