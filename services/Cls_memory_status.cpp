#include "services/Cls_memory_status.h"

#include "platform/System_info.h"

namespace wk {

int64_t Available_physical_memory() { return platform::Available_memory(); }

void Cls_memory_status::get_phys() { Note(Available_physical_memory()); }

void Cls_memory_status::Note(int64_t available)
{
    last_ = available;
    if (initial_ == 0) initial_ = available;
    if (min_ == 0 || available < min_) min_ = available;
}

} // namespace wk
