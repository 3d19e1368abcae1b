#include "capture/DV_Extra_Data_Composite.h"

#include "services/Run_time_error.h"

#include <algorithm>

namespace wk {

DV_Extra_Data_Composite::DV_Extra_Data_Composite() : DV_Extra_Data_Composite(Capture_record{}) {}

DV_Extra_Data_Composite::DV_Extra_Data_Composite(const Capture_record& record) : bytes_(record.To_bytes()) {}

void DV_Extra_Data_Composite::Write_into(std::span<uint8_t> frame, int64_t offset) const
{
    if (offset < 0 || uint64_t(offset) + DV_extra::Size > frame.size())
        throw Run_time_error(err_Subscript, "Subscript out of range", "DV_Extra_Data_Composite");
    std::copy(bytes_.begin(), bytes_.end(), frame.begin() + offset);
}

} // namespace wk
