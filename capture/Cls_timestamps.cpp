#include "capture/Cls_timestamps.h"

#include "platform/Clock.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"

namespace wk {

Cls_timestamps::Cls_timestamps() { Trace_Line("*Cls_timestamps Initialize"); }

void Cls_timestamps::Clear() { Clear_Collection(stamps_); }

void Cls_timestamps::Add_stamp() { Add_stamp(Get_Tick()); }

void Cls_timestamps::Add_stamp(int32_t tick)
{
    if (stamps_.size() >= k_Max_stamps) stamps_.pop_front();
    stamps_.push_back({tick});
}

std::optional<float> Cls_timestamps::captPerformance() const
{
    if (stamps_.size() < 2) return std::nullopt;
    const int32_t span = platform::Tick_difference(stamps_.back().Time_stamp, stamps_.front().Time_stamp);
    if (span <= 0) return std::nullopt;
    return float(double(stamps_.size() - 1) * 1000.0 / span);
}

} // namespace wk
