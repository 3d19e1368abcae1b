#pragma once
// AVI files: the RIFF structure read once by clsAVIInfo, the frames located through the indexes
// (Avi_index: idx1, OpenDML, or a walk of the movi lists), the chunks the program adds at the end
// (the XML header "QSXM", the DV header "BXHD"), the AVI's own headers and its text stream. Where
// a chunk lies is worked out here and in Avi_index, nowhere else.
#include "recording/Avi_index.h"
#include "recording/Recording_reader.h"
#include "recording/cls_AVI_handler.h"
#include "recording/cls_IDX.h"

#include <array>
#include <memory>
#include <vector>

namespace wk {

class clsAVIInfo;

class Avi_reader final : public Recording_reader {
public:
    explicit Avi_reader(Recording_file& file);
    ~Avi_reader() override;

    bool Open() override;
    // Stream 1 only; the text chunk of the frame comes with it.
    bool Read_frame(int32_t frame, int16_t stream) override;
    // The data of the chunk just read; nothing when no frame is in store.
    std::span<uint8_t> Frame() override;
    // The whole chunk, header and data.
    bool Rewrite_frame() override;
    // Into the header chunk, never past its end.
    bool Write_header_text(const std::string& text) override;
    void Close() override;

    bool Has_XML_header() const override { return Has_QSXM_chunk(); }
    bool Header_in_chunk() const override { return true; }
    bool Has_DV_header() const override { return Has_BXHD_chunk(); }
    // Only DV frames have a place for the record; other codecs' data would be damaged.
    bool Frame_has_trace_room() const override { return Is_DV(); }
    // Frames shown whole are played frame by frame.
    bool Plays_fields() const override { return !file_.is_deinterlaced; }
    bool Can_rotate() const override { return false; }
    int16_t Trimmed_start() const override { return 1; }
    // DV under any name goes to the DV decoder.
    std::string Decoder_codec() const override { return Is_DV() ? std::string() : file_.codec; }

    // ---- Chunks ----
    // Notes where the chunks after the movie data lie (and loads the XML header when there is one).
    void Parse_chunks();
    bool Read_XML_chunk();
    // 1-based file position of the chunk header noted at index 0..7; 0 when not found.
    int64_t Chunk_addr(int16_t index) const { return avi_chunk_addr_[size_t(index)]; }
    bool Has_QSXM_chunk() const;
    bool Has_BXHD_chunk() const;
    // Whether a chunk may be added at the end (already said when not).
    bool Chunk_can_be_appended();
    // Writes tag, size and data (zero-padded to data_size) after the end of the file; the RIFF
    // size is then that of the longer file, still to be written.
    bool Append_chunk(const char* tag, std::span<const uint8_t> data, int64_t data_size);
    // Writes the RIFF header with the RIFF size; raises when it cannot.
    void Rewrite_riff_header();
    uint32_t Riff_size() const { return riff_size_; }
    int64_t Junk_pos() const { return junk_pos_; }

    // ---- Indexes ----
    // Reads the indexes (rebuilding what they do not reach); false (already said) when the file
    // cannot be read through them.
    bool Read_indexes(const std::string& path);
    static void Say_no_index(const std::string& path);
    bool Read_ix00_index(int64_t start);
    const std::vector<cls_AVI_handler::Ix00_entry>& Ix00_entries() const { return ix00_entries_; }
    int32_t Index_flag(int32_t n) const;
    // The data of the chunk just read, whether a frame is in store or not.
    std::span<const uint8_t> Chunk_data() const;
    int64_t Chunk_position() const { return chunk_position_; }
    int32_t Position_percent() const { return position_percent_; }
    float Player_time() const { return player_time_; }

    // ---- Text stream ----
    bool Has_text_stream() const { return !index_.Text().empty(); }
    int16_t Text_length() const;
    std::span<const uint8_t> Text() const { return text_buffer_; }
    int64_t Text_position() const { return text_position_; }
    // The text chunk of frame n as it lies in the file, from its header on.
    std::vector<uint8_t> Text_chunk(int32_t frame);
    // Writes data behind the first 4 bytes of the text of the frame in store.
    bool Put_text(std::span<const uint8_t> data);
    // Writes the text buffer back into frame n's text chunk; raises when it cannot.
    void Write_text(int32_t frame);

    // ---- The AVI's own headers ----
    bool Read_headers();
    bool Headers_read() const { return headers_read_; }
    // The frame rate's checks past the headers being read; raises when it cannot be written.
    bool Force_framerate(int16_t fps);
    std::span<const uint8_t> Avih_header() const;
    std::span<const uint8_t> Avih() const;
    std::span<const uint8_t> Strh() const { return strh_; }
    std::span<const uint8_t> Strf() const { return strf_; }
    std::string Hash_atype() const { return hash_atype_; }

private:
    void Take_values(const clsAVIInfo& info);
    // The codec text the program knows the video by; "msdv" stays "msdv", DV in any other
    // spelling, or DV data under another name, is "CDVC". pal tells the DV system the data says.
    std::string Codec_of(const clsAVIInfo& info, bool& dv_data, bool& pal) const;
    // Whether the first frame's chunk starts with the DV header block.
    bool First_frame_is_DV(bool& pal) const;
    void Read_text_of(int32_t frame);
    // The stream list (from its LIST header) of the video stream; 0 when not found.
    int64_t Video_stream_list(int64_t first_list) const;

    std::unique_ptr<clsAVIInfo> avi_info_;
    std::array<int64_t, 8> avi_chunk_addr_{};
    int64_t junk_pos_ = 0;
    std::array<uint8_t, 12> riff_header_{};
    uint32_t riff_size_ = 0;
    uint32_t qsxm_size_ = 0;      // data bytes of the header chunk
    bool imp_mark_ = false;
    Avi_index index_;
    std::vector<cls_AVI_handler::Ix00_entry> ix00_entries_;
    std::vector<uint8_t> chunk_buffer_;   // one chunk with its 8-byte header
    int64_t chunk_position_ = 0;          // 0-based file offset of its header
    std::vector<uint8_t> text_buffer_;
    int64_t text_position_ = 0;
    int32_t position_percent_ = 0;
    float player_time_ = 0;
    // The headers as Read_headers found them.
    bool headers_read_ = false;
    std::array<uint8_t, 36> file_start_{}; // RIFF header up to the main header's microseconds per frame
    std::array<uint8_t, 8> avih_header_{};
    std::array<uint8_t, 56> avih_{};
    std::vector<uint8_t> strh_, strf_;
    std::string hash_atype_;
};

} // namespace wk
