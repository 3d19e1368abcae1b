#pragma once
// What the recording object does with the chunks of an open AVI: the chunks the program adds
// after the movie data (the XML header "QSXM", the DV header "BXHD"), the RIFF header that must
// cover them, the AVI's own headers and the chunk of the frame just read. The AVI reader offers
// it; the other kinds have no chunks.
#include <cstdint>
#include <span>
#include <string>

namespace wk {

class Avi_chunks {
public:
    // ---- Chunks after the movie data ----
    // Notes where the chunks after the movie data lie (and loads the XML header when there is one).
    virtual void Parse_chunks() = 0;
    virtual bool Read_XML_chunk() = 0;
    // 1-based file position of the chunk header noted at index 0..7; 0 when not found.
    virtual int64_t Chunk_addr(int16_t index) const = 0;
    virtual bool Has_QSXM_chunk() const = 0;
    virtual bool Has_BXHD_chunk() const = 0;
    // Whether a chunk may be added at the end (the problem posted when not).
    virtual bool Chunk_can_be_appended() = 0;
    // Writes tag, size and data (zero-padded to data_size) after the end of the file; the RIFF
    // size is then that of the longer file, still to be written.
    virtual bool Append_chunk(const char* tag, std::span<const uint8_t> data, int64_t data_size) = 0;
    // Writes the RIFF header with the RIFF size; raises when it cannot.
    virtual void Rewrite_riff_header() = 0;
    virtual uint32_t Riff_size() const = 0;
    virtual int64_t Junk_pos() const = 0;

    // ---- The chunk just read ----
    // Its data, whether a frame is in store or not.
    virtual std::span<const uint8_t> Chunk_data() const = 0;
    virtual int64_t Chunk_position() const = 0;
    virtual int32_t Position_percent() const = 0;
    virtual float Player_time() const = 0;

    // ---- The AVI's own headers ----
    virtual bool Read_headers() = 0;
    virtual bool Headers_read() const = 0;
    // The frame rate's checks past the headers being read; raises when it cannot be written.
    virtual bool Force_framerate(int16_t fps) = 0;
    virtual std::span<const uint8_t> Avih_header() const = 0;
    virtual std::span<const uint8_t> Avih() const = 0;
    virtual std::span<const uint8_t> Strh() const = 0;
    virtual std::span<const uint8_t> Strf() const = 0;
    virtual std::string Hash_atype() const = 0;

protected:
    ~Avi_chunks() = default;
};

} // namespace wk
