#pragma once
// Raw DV files (.dv): DV frames one after another, possibly behind a few zero bytes. They are
// only ever read.
#include "recording/Recording_reader.h"

namespace wk {

namespace platform {
class Byte_file;
}

class Raw_dv_reader final : public Recording_reader {
public:
    using Recording_reader::Recording_reader;

    bool Open() override;
    bool Read_frame(int32_t frame, int16_t stream) override;
    bool Frame_place(int32_t frame, int16_t stream, int64_t& offset, size_t& length) const override;

    // The first byte of the first 1001 that is not zero; -1 when none is.
    static int64_t First_data_byte(const platform::Byte_file& f);
};

} // namespace wk
