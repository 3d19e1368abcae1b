#pragma once
// The arrival ticks of the last 100 frames, oldest first, and the frame rate they show.
#include <cstdint>
#include <deque>
#include <optional>

namespace wk {

struct Cls_TimeStamp {
    int32_t Time_stamp = 0; // ms of the program tick
};

class Cls_timestamps {
public:
    static constexpr size_t k_Max_stamps = 100;

    Cls_timestamps();
    void Clear();
    // A stamp of the program tick now; the oldest goes when the list is full.
    void Add_stamp();
    void Add_stamp(int32_t tick);
    size_t Count() const { return stamps_.size(); }
    // 1-based, oldest first.
    const Cls_TimeStamp& Item(size_t n) const { return stamps_.at(n - 1); }
    // Frames per second between the oldest and the newest stamp; none with fewer than two
    // stamps or when they span no time (the tick's wrap is allowed for).
    std::optional<float> captPerformance() const;

private:
    std::deque<Cls_TimeStamp> stamps_;
};

} // namespace wk
