#include "capture/CVideobuff.h"

#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <algorithm>

namespace wk {

namespace {

void Check_frame_size(size_t size)
{
    if (size < size_t(k_DV_frame_size)) throw Run_time_error(err_Subscript, "Subscript out of range", "CVideobuff");
}

} // namespace

void CVideobuff::FillData(std::span<const uint8_t> source)
{
    Check_frame_size(source.size());
    std::copy_n(source.begin(), k_DV_frame_size, data_.begin());
}

void CVideobuff::FillBuffer() { std::fill(data_.begin(), data_.end(), uint8_t(23)); }

bool CVideobuff::Buffer_valid() const { return Starts_with_DV_header(data_); }

void CVideobuff::GetData(std::span<uint8_t> destination) const
{
    Check_frame_size(destination.size());
    std::copy(data_.begin(), data_.end(), destination.begin());
}

} // namespace wk
