#pragma once
// Where things lie in the recording files: the own format's head and header area, the chunks
// the program adds to an AVI and the limits the AVI readers hold an index to. The readers, the
// multi-stream writer and the recording object take their offsets, sizes and tags from here;
// the capture station's record inside a DV frame has its own codec (Capture_record).
#include <cstddef>
#include <cstdint>

namespace wk::recording_format {

// ---- DV frames ----
inline constexpr int32_t k_DV_frame_size = 144000;      // PAL: 12 DIF sequences of 12000 bytes
inline constexpr int32_t k_NTSC_DV_frame_size = 120000; // NTSC: 10 of them

// ---- Own format (qs1, qs2) ----
// The 20-byte head: magic, data offset, reserved, XML length, reserved; the XML text follows it.
inline constexpr char k_Own_magic[] = "QSM1";
inline constexpr int32_t k_Own_head_size = 20;
// The text is followed by this many zero bytes.
inline constexpr int32_t k_XML_padding = 100;
inline constexpr int64_t k_Header_area_end = 99999; // "hdrend" lies here
inline constexpr char k_Header_end_mark[] = "hdrend";
inline constexpr int32_t k_Own_data_offset = 100005;
inline constexpr int32_t k_Max_XML_length = 99879; // text and its 100 zero bytes end before "hdrend"

// ---- Chunks the program adds to an AVI ----
inline constexpr char k_XML_chunk_tag[] = "QSXM";
inline constexpr char k_DV_header_chunk_tag[] = "BXHD";
// Indexes of the table of where those chunks (and the idx1 index) lie; BXA1..BXA5 take 1..5.
inline constexpr int16_t k_QSXM_chunk = 0;
inline constexpr int16_t k_BXA1_chunk = 1;
inline constexpr int16_t k_BXHD_chunk = 6;
inline constexpr int16_t k_idx1_chunk = 7;
// Data bytes of a new header chunk: room for a header as large as the own format holds.
inline constexpr int32_t k_QSXM_min_size = 100000;

// ---- AVI indexes ----
inline constexpr int32_t k_Max_index_entries = 150000;

// One entry of a standard OpenDML index ("ix00").
struct Ix00_entry {
    uint32_t Offset = 0;
    uint32_t Size = 0;
};

} // namespace wk::recording_format
