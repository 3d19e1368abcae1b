#pragma once
// AVI files: the RIFF structure read once by clsAVIInfo, the frames located through the indexes
// (Avi_index: idx1, OpenDML, or a walk of the movi lists), the chunks the program adds at the end
// (the XML header "QSXM", the DV header "BXHD"), the AVI's own headers and its text stream. Where
// a chunk lies is worked out here and in Avi_index, nowhere else.
#include "recording/Avi_chunks.h"
#include "recording/Avi_frame_index.h"
#include "recording/Avi_index.h"
#include "recording/Avi_text_stream.h"
#include "recording/Recording_format.h"
#include "recording/Recording_reader.h"
#include "recording/cls_IDX.h"

#include <array>
#include <memory>
#include <vector>

namespace wk {

class clsAVIInfo;

class Avi_reader final : public Recording_reader,
                         public Avi_chunks,
                         public Avi_text_stream,
                         public Avi_frame_index {
public:
    explicit Avi_reader(Recording_file& file);
    ~Avi_reader() override;

    bool Open() override;
    // Stream 1 only; the text chunk of the frame comes with it.
    bool Read_frame(int32_t frame, int16_t stream) override;
    bool Frame_place(int32_t frame, int16_t stream, int64_t& offset, size_t& length) const override;
    // The data of the chunk just read; nothing when no frame is in store.
    std::span<uint8_t> Frame() override;
    // The whole chunk, header and data.
    bool Rewrite_frame() override;
    // Into the header chunk, never past its end.
    bool Write_header_text(const std::string& text) override;
    void Close() override;
    // The data of the header chunk (QSXM) and of the channel table (BXA1).
    Header_area Header_area_of(const platform::Byte_file& file) const override;

    bool Has_XML_header() const override { return Has_QSXM_chunk(); }
    bool Has_DV_header() const override { return Has_BXHD_chunk(); }
    // Only DV frames have a place for the record; other codecs' data would be damaged.
    bool Frame_has_trace_room() const override { return Is_DV(); }
    // Frames shown whole are played frame by frame.
    bool Plays_fields() const override { return !file_.is_deinterlaced; }
    bool Can_rotate() const override { return false; }
    int16_t Trimmed_start() const override { return 1; }
    // DV under any name goes to the DV decoder.
    std::string Decoder_codec() const override { return Is_DV() ? std::string() : file_.codec; }

    Avi_chunks* Chunks() override { return this; }
    Avi_text_stream* Text_stream() override { return this; }
    Avi_frame_index* Frame_index() override { return this; }

    // ---- Avi_chunks ----
    void Parse_chunks() override;
    bool Read_XML_chunk() override;
    int64_t Chunk_addr(int16_t index) const override { return avi_chunk_addr_[size_t(index)]; }
    bool Has_QSXM_chunk() const override;
    bool Has_BXHD_chunk() const override;
    bool Chunk_can_be_appended() override;
    bool Append_chunk(const char* tag, std::span<const uint8_t> data, int64_t data_size) override;
    void Rewrite_riff_header() override;
    uint32_t Riff_size() const override { return riff_size_; }
    int64_t Junk_pos() const override { return junk_pos_; }
    std::span<const uint8_t> Chunk_data() const override;
    int64_t Chunk_position() const override { return chunk_position_; }
    int32_t Position_percent() const override { return position_percent_; }
    float Player_time() const override { return player_time_; }
    bool Read_headers() override;
    bool Headers_read() const override { return headers_read_; }
    bool Force_framerate(int16_t fps) override;
    std::span<const uint8_t> Avih_header() const override;
    std::span<const uint8_t> Avih() const override;
    std::span<const uint8_t> Strh() const override { return strh_; }
    std::span<const uint8_t> Strf() const override { return strf_; }
    std::string Hash_atype() const override { return hash_atype_; }

    // ---- Avi_frame_index ----
    bool Read_indexes(const std::string& path) override;
    bool Read_ix00_index(int64_t start) override;
    const std::vector<recording_format::Ix00_entry>& Ix00_entries() const override { return ix00_entries_; }
    int32_t Index_flag(int32_t n) const override;

    // ---- Avi_text_stream ----
    bool Has_text_stream() const override { return !index_.Text().empty(); }
    int16_t Text_length() const override;
    std::span<const uint8_t> Text() const override { return text_buffer_; }
    int64_t Text_position() const override { return text_position_; }
    std::vector<uint8_t> Text_chunk(int32_t frame) override;
    bool Put_text(std::span<const uint8_t> data) override;
    void Write_text(int32_t frame) override;

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
    std::vector<recording_format::Ix00_entry> ix00_entries_;
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
