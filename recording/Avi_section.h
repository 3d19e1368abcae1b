#pragma once
// The recording object's AVI face: the header chunks added to an AVI, its indexes, its own
// headers, its text stream and its data channel names, answered by the AVI reader. A recording of
// another kind answers as an AVI in which nothing was found.
#include "recording/DV_Header_Record.h"
#include "recording/Recording_format.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace wk {

class Avi_chunks;
class Recording_port;

// What the AVI's face answers; for a recording of another kind, what an AVI without it would.
template <class Face, class Answer>
Answer Avi_answer(const Face* face, Answer (Face::*question)() const)
{
    return face ? (face->*question)() : Answer();
}

class Avi_section {
public:
    explicit Avi_section(Recording_port& port) : port_(port) {}

    // Indexes of the chunk position table.
    static constexpr int16_t k_QSXM_chunk = recording_format::k_QSXM_chunk;
    static constexpr int16_t k_BXA1_chunk = recording_format::k_BXA1_chunk;
    static constexpr int16_t k_BXHD_chunk = recording_format::k_BXHD_chunk;
    static constexpr int16_t k_idx1_chunk = recording_format::k_idx1_chunk;
    static constexpr int32_t k_QSXM_min_size = recording_format::k_QSXM_min_size;
    static constexpr int32_t k_Max_index_entries = recording_format::k_Max_index_entries;

    // Notes where the appended chunks lie (and loads the XML header when there is one).
    void Parse_Chunks();
    bool read_AVI_XML_string();
    // Appends a header chunk with a fresh header to the open AVI.
    bool Append_XML_header();
    // Appends a BXHD chunk with an empty DV header record to the open AVI.
    bool Append_DV_header();
    bool Rewrite_AVI_Header();
    // Writes the DV header record at the start of the open sdv file.
    bool Rewrite_DV_header();
    // 1-based file position of the chunk header noted at index 0..7; 0 when not found.
    int64_t AVI_Chunk_addr(int16_t index) const;
    uint32_t RIFF_size() const;
    const DV_Header_Record& DV_header() const;

    // Reads the idx1 index; false (already said) when the file cannot be read through it.
    bool Get_AVI_indexes(const std::string& path);
    // Looks for a standard "ix00" index in the first 100000 bytes from start.
    bool Read_ix00_Index(int64_t start = 0);
    using Ix00_entry = recording_format::Ix00_entry;
    const std::vector<Ix00_entry>& ix00_entries() const;
    // Data channel names: 40-byte fields of the table in the AVI's BXA1 chunk, channel n at
    // chunk position + 8 + 40 x (n - 1). A name reads without its trailing blanks (and zero
    // bytes); empty when no file is open, the recording has no table or the table has no such
    // channel. A name is written cut to 40 characters and padded with blanks, inside the table
    // only; false (reported) when it could not be written.
    std::string Data_Channel_Name(int16_t index);
    bool Write_channel_name(int16_t index, const std::string& name);
    std::string Hash_atype() const;
    // The AVI's own headers, as Read_Headers copied them.
    bool Read_Headers();
    std::span<const uint8_t> get_AVI_strh() const;
    std::span<const uint8_t> get_AVI_strf() const;
    // The avih chunk header (8 bytes) and the main header (56 bytes).
    std::span<const uint8_t> AVI_Chunk_addr() const;
    std::span<const uint8_t> AVIInfo_addr() const;
    // 1-based position of the data of the last pad chunk; 0 when there is none.
    int64_t JUNK_pos() const;
    // Stores the frame duration of fps frames a second into the file's main header.
    bool Force_Framerate(int16_t fps);
    // The text stream of an AVI: one chunk a frame.
    std::vector<uint8_t> Get_Text_buffer(int32_t frame);
    bool Put_Text_buffer(std::span<const uint8_t> data);
    bool Rewrite_Text_Buffer(int32_t frame);
    int32_t Index_flag(int32_t n) const;
    bool Has_Text_Stream() const;
    int16_t Text_Length() const;
    std::span<const uint8_t> text_adress() const;
    // 0-based file offset of the current AVI chunk header.
    int64_t Chunk_Position() const;
    int64_t Text_Position() const;
    // The next header chunk made carries the golf section.
    void Golf_header(bool on) { golf_header_ = on; }

private:
    // The chunks of an open AVI; raises when no AVI is open.
    Avi_chunks& Open_chunks() const;
    bool Append_chunk(Avi_chunks& avi, const char* tag, std::span<const uint8_t> data, int64_t data_size);

    Recording_port& port_;
    bool golf_header_ = false;
};

} // namespace wk
