#include "capture_server/Picture_pacer.h"

namespace wk {

bool Picture_pacer::Keep(int64_t time_ns)
{
    // The first picture, or one stamped before it (a clock stepped back), starts the slots.
    if (!first_ || time_ns < *first_) {
        first_ = time_ns;
        last_slot_ = 0;
        return true;
    }
    const int64_t slot = (time_ns - *first_ + period_ / 2) / period_;
    if (slot <= last_slot_) return false;
    last_slot_ = slot;
    return true;
}

} // namespace wk
