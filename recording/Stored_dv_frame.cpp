#include "recording/Stored_dv_frame.h"

#include "recording/Recording_bytes.h"
#include "recording/Recording_format.h"

#include <cstring>

namespace wk {

namespace {

using namespace recording_format;

constexpr size_t k_Block = 80, k_Sequence = 12000, k_Blocks = k_Sequence / k_Block;
constexpr size_t k_Record_at = 12000;

// The section type a DIF sequence has at block b: its header, two subcode and three VAUX
// blocks, then nine times an audio block followed by fifteen video blocks.
uint8_t Section_at(size_t b)
{
    if (b == 0) return 0;
    if (b < 3) return 1;
    if (b < 6) return 2;
    return (b - 6) % 16 == 0 ? 3 : 4;
}

bool Marker_at(const uint8_t* p, const char* marker) { return std::memcmp(p, marker, 4) == 0; }

// Its four markers, and its length where the maker wrote one (the demo maker leaves it 0).
bool Record_whole(const uint8_t* r)
{
    const int32_t length = recording_bytes::Get_long(r + 4);
    return Marker_at(r, "SSCD") && (length == int32_t(k_Extra_size) || length == 0) && Marker_at(r + 8, "CD01") &&
           Marker_at(r + 74, "SSFC") && Marker_at(r + 186, "SSEM");
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
    const bool recorded = Record_whole(frame.data() + k_Record_at);
    for (size_t s = 0; s < frame.size() / k_Sequence; ++s)
        for (size_t b = 0; b < k_Blocks; ++b) {
            const size_t at = s * k_Sequence + b * k_Block;
            // The block's ID bytes lie under the record: the record answers for them.
            if (recorded && at + 3 > k_Record_at && at < k_Record_at + k_Extra_size) continue;
            if (!Block_whole(frame.data() + at, s, b)) return false;
        }
    return true;
}

} // namespace wk
