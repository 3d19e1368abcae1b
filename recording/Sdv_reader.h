#pragma once
// Multi-stream DV files (.sdv): the DV header record, then one DV frame of every stream in turn.
// The record keeps the frame count and the selection.
#include "recording/DV_Header_Record.h"
#include "recording/Recording_reader.h"

namespace wk {

class Sdv_reader final : public Recording_reader {
public:
    using Recording_reader::Recording_reader;

    bool Open() override;
    bool Read_frame(int32_t frame, int16_t stream) override;
    bool Frame_place(int32_t frame, int16_t stream, int64_t& offset, size_t& length) const override;

    bool Is_DV() const override { return true; }
    bool Has_DV_header() const override { return true; }
    DV_Header_Record* DV_record() override { return &dv_header_; }
    bool Keeps_extra_data() const override { return true; }
    bool Plays_fields() const override { return true; }
    bool Fields_at_full_size() const override { return true; }
    // The DV header record at the start.
    Header_area Header_area_of(const platform::Byte_file&) const override
    {
        return {Byte_range{0, DV_Header_Record::k_Size}};
    }

private:
    DV_Header_Record dv_header_;
};

} // namespace wk
