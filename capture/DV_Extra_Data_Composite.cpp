#include "capture/DV_Extra_Data_Composite.h"

#include "services/Run_time_error.h"

#include <algorithm>
#include <stdexcept>

namespace wk {

namespace {

// Field writes are fixed by the layout; a bad offset is a programming error, not data.
void Check_field(size_t offset, size_t width)
{
    if (offset + width > DV_extra::Size) throw std::out_of_range("DV extra-data field outside the record");
}

} // namespace

DV_Extra_Data_Composite::DV_Extra_Data_Composite() : bytes_(Capture_record{}.To_bytes()) {}

DV_Extra_Data_Composite::DV_Extra_Data_Composite(const Capture_record& record) : bytes_(record.To_bytes()) {}

int32_t DV_Extra_Data_Composite::Long_at(size_t offset) const
{
    Check_field(offset, 4);
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v |= uint32_t(bytes_[offset + i]) << (8 * i);
    return int32_t(v);
}

int16_t DV_Extra_Data_Composite::Integer_at(size_t offset) const
{
    Check_field(offset, 2);
    return int16_t(uint16_t(bytes_[offset] | (bytes_[offset + 1] << 8)));
}

void DV_Extra_Data_Composite::Let_long(size_t offset, int32_t value)
{
    Check_field(offset, 4);
    for (size_t i = 0; i < 4; ++i) bytes_[offset + i] = uint8_t(uint32_t(value) >> (8 * i));
}

void DV_Extra_Data_Composite::Let_integer(size_t offset, int16_t value)
{
    Check_field(offset, 2);
    bytes_[offset] = uint8_t(uint16_t(value));
    bytes_[offset + 1] = uint8_t(uint16_t(value) >> 8);
}

bool DV_Extra_Data_Composite::End_marker_valid() const
{
    return Capture_record::Ends_record(bytes_);
}

void DV_Extra_Data_Composite::Check_fits(size_t frame_size, int64_t offset)
{
    if (offset < 0 || uint64_t(offset) + DV_extra::Size > frame_size)
        throw Run_time_error(err_Subscript, "Subscript out of range", "DV_Extra_Data_Composite");
}

void DV_Extra_Data_Composite::Write_into(std::span<uint8_t> frame, int64_t offset) const
{
    Check_fits(frame.size(), offset);
    std::copy(bytes_.begin(), bytes_.end(), frame.begin() + offset);
}

DV_Extra_Data_Composite DV_Extra_Data_Composite::Read_from(std::span<const uint8_t> frame, int64_t offset)
{
    Check_fits(frame.size(), offset);
    DV_Extra_Data_Composite record;
    std::copy_n(frame.begin() + offset, DV_extra::Size, record.bytes_.begin());
    return record;
}

} // namespace wk
