#include "recording/Stored_dv_frame.h"

#include "recording/Capture_record.h"
#include "recording/Recording_format.h"

namespace wk {

namespace {

using namespace recording_format;

constexpr size_t k_Block = 80, k_Sequence = 12000, k_Blocks = k_Sequence / k_Block;
constexpr size_t k_Record_at = size_t(capture_record::k_Offset), k_Record_size = capture_record::Size;

// The section type a DIF sequence has at block b: its header, two subcode and three VAUX
// blocks, then nine times an audio block followed by fifteen video blocks.
uint8_t Section_at(size_t b)
{
    if (b == 0) return 0;
    if (b < 3) return 1;
    if (b < 6) return 2;
    return (b - 6) % 16 == 0 ? 3 : 4;
}

bool Block_whole(const uint8_t* id, size_t sequence, size_t b)
{
    if ((id[0] >> 5) != Section_at(b) || size_t(id[1] >> 4) != sequence) return false;
    // A header block as every DV frame has it (its FSC bit aside).
    return b != 0 || (id[0] == 0x1F && (id[1] & 0x07) == 0x07);
}

} // namespace

bool Is_whole_stored_DV_frame(std::span<const uint8_t> frame)
{
    if (frame.size() != size_t(k_DV_frame_size) && frame.size() != size_t(k_NTSC_DV_frame_size)) return false;
    const bool recorded = Capture_record::Whole(frame.subspan(k_Record_at, k_Record_size));
    for (size_t s = 0; s < frame.size() / k_Sequence; ++s)
        for (size_t b = 0; b < k_Blocks; ++b) {
            const size_t at = s * k_Sequence + b * k_Block;
            // The block's ID bytes lie under the record: the record answers for them.
            if (recorded && at + 3 > k_Record_at && at < k_Record_at + k_Record_size) continue;
            if (!Block_whole(frame.data() + at, s, b)) return false;
        }
    return true;
}

} // namespace wk
