#include "capture_server/Picture_pacer.h"

namespace wk {

bool Picture_pacer::Keep(int64_t time_ns)
{
    if (!first_) {
        first_ = time_ns;
        last_slot_ = 0;
        return true;
    }
    const int64_t since = time_ns - *first_;
    // A picture stamped before the first (a clock stepped back) starts the slots again.
    if (since < 0) {
        first_ = time_ns;
        last_slot_ = 0;
        return true;
    }
    const int64_t slot = (since + period_ / 2) / period_;
    if (slot <= last_slot_) return false;
    last_slot_ = slot;
    return true;
}

} // namespace wk
