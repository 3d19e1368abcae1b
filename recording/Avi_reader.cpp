#include "recording/Avi_reader.h"

#include "platform/Text_codec.h"
#include "recording/DV_Header_Record.h"
#include "recording/Header_journal.h"
#include "recording/Recording_bytes.h"
#include "recording/clsAVIInfo.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace wk {

using namespace recording_bytes;
using namespace recording_format;

namespace {

bool Is_DV_codec(const std::string& codec)
{
    // The decoder here reads every DV flavour; only other codecs count as compressed.
    return codec == g_DV_Codec || clsAVIInfo::IsDVCodec(codec);
}

// The DV header block that opens every DV frame: section type 0, sequence 0, block 0.
bool Is_DV_header_block(const uint8_t* b) { return b[0] == 0x1F && b[1] == 0x07 && b[2] == 0x00; }

Bitmap_format Get_bitmap_format(const uint8_t* b)
{
    Bitmap_format f;
    f.biSize = Get_long(b);
    f.biWidth = Get_long(b + 4);
    f.biHeight = Get_long(b + 8);
    f.biPlanes = Get_integer(b + 12);
    f.biBitCount = Get_integer(b + 14);
    f.biCompression = Get_long(b + 16);
    f.biSizeImage = Get_long(b + 20);
    f.biXPelsPerMeter = Get_long(b + 24);
    f.biYPelsPerMeter = Get_long(b + 28);
    f.biClrUsed = Get_long(b + 32);
    f.biClrImportant = Get_long(b + 36);
    return f;
}

// The RIFF chunk must end where the file ends: anything after it (a second RIFF of a large
// recording) would be overwritten by an appended chunk.
bool Riff_covers_file(uint32_t riff_size, int64_t file_size)
{
    const int64_t end = int64_t(riff_size) + 8;
    return end == file_size || (riff_size % 2 == 1 && end + 1 == file_size);
}

} // namespace

Avi_reader::Avi_reader(Recording_file& file) : Recording_reader(file) {}
Avi_reader::~Avi_reader() = default;

// ---- Opening ----

bool Avi_reader::Open()
{
    Trace_Line("*cls_AVI_handler, case avi");
    if (!avi_info_) {
        avi_info_ = std::make_unique<clsAVIInfo>();
        avi_info_->Problems.Handle_with([this](const Recording_problem& problem) { file_.problems.Post(problem); });
    }
    std::string why;
    avi_info_->ReadError = [&why](const std::string& message) {
        if (why.empty()) why = message;
    };
    const bool parsed = avi_info_->ReadFile(file_.name);
    avi_info_->ReadError = nullptr;
    if (!parsed) {
        file_.problems.Post(
            {Recording_problem::Kind::corrupt, why.empty() ? std::string("no AVI movie data") : why, file_.name});
        return false;
    }
    const clsAVIInfo& info = *avi_info_;
    // Every field drawn makes pictures of this size: a size no camera gives is a damaged header.
    constexpr int32_t k_Max_side = 4096;
    if (info.Width() <= 0 || info.Width() > k_Max_side || info.Height() <= 0 || info.Height() > k_Max_side ||
        info.NumFrames() < 0) {
        file_.problems.Post({Recording_problem::Kind::corrupt,
                             "invalid AVI picture size " + std::to_string(info.Width()) + " x " +
                                 std::to_string(info.Height()) + " or frame count",
                             file_.name});
        return false;
    }
    if (!Open_file(file_.read_only)) return false;
    g_File_Kind[size_t(std::clamp<int16_t>(file_.index, 0, 4))] = 1;
    {
        std::string head(1000, '\0');
        head.resize(size_t(std::max<int64_t>(file_.file.Read_at(0, head.data(), head.size()), 0)));
        imp_mark_ = head.find("IMP") != std::string::npos;
    }
    Parse_chunks();
    if (!Read_indexes(file_.name)) {
        Trace_Line("*OF5");
        return false;
    }
    // The codec may be told by the first frame's data; the frames are those the index lists.
    Take_values(info);
    file_.num_frames = int32_t(index_.Video().size());
    Read_headers();
    file_.num_fields = file_.Gross_fields();
    return true;
}

// Picture size, timing, codec and the formats the decoder is told, as clsAVIInfo found them.
void Avi_reader::Take_values(const clsAVIInfo& info)
{
    file_.width = int16_t(info.Width());
    file_.height = int16_t(info.Height());
    file_.num_frames = info.NumFrames();
    file_.fps = int16_t(std::clamp<int32_t>(info.FrameRate(), 0, INT16_MAX));
    riff_size_ = uint32_t(info.RIFFsize());
    file_.file_size = info.FileSize();
    file_.avi_length_seconds = int16_t(std::clamp<int32_t>(info.PlayLength(), INT16_MIN, INT16_MAX));
    if (file_.fps > 0) {
        file_.ms_per_frame = int16_t(std::nearbyint(1000.0 / file_.fps));
        file_.ms_per_field = int16_t(std::nearbyint(file_.ms_per_frame / 2.0));
    }
    bool dv_data = false, pal = true;
    const std::string codec = Codec_of(info, dv_data, pal);
    file_.codec = codec;
    const bool compressed = !Is_DV_codec(codec);
    file_.is_deinterlaced = compressed;
    if (dv_data) {
        // DV under a name of no DV codec: its picture is the DV system's.
        file_.width = 720;
        file_.height = pal ? 576 : 480;
    }
    // NTSC DV is 720 x 480 under any DV name ("msdv" keeps its own).
    file_.ntsc = !compressed && file_.width == 720 && file_.height == 480;
    file_.num_streams = 1;

    const uint8_t* own_format = info.bmi_address();
    const Bitmap_format avi_format = own_format ? Get_bitmap_format(own_format) : Bitmap_format{};
    if (!compressed) file_.frame_size = file_.ntsc ? k_NTSC_DV_frame_size : k_DV_frame_size;
    else if (avi_format.biSizeImage > 0) file_.frame_size = avi_format.biSizeImage;
    else file_.frame_size = int32_t(file_.width) * file_.height * 3;

    Bitmap_format& in = file_.input_format;
    in = {};
    in.biWidth = file_.width;
    in.biHeight = file_.height;
    in.biBitCount = info.BitDepth() == 0 ? int16_t(24) : info.BitDepth();
    in.biCompression = int32_t(Fourcc_of(codec == "CRAM" ? "msvc" : codec));
    in.biSizeImage = file_.frame_size;
    Bitmap_format& out = file_.output_format;
    if (!own_format) {
        out = {};
        out.biWidth = 720;
        out.biHeight = file_.ntsc ? 480 : 576;
        out.biBitCount = 24;
        out.biSizeImage = k_DV_frame_size;
    } else {
        out = avi_format;
    }
    out.biCompression = int32_t(Fourcc_of(codec));
}

std::string Avi_reader::Codec_of(const clsAVIInfo& info, bool& dv_data, bool& pal) const
{
    const std::string codec = info.VideoCodec();
    dv_data = false;
    // Microsoft's DV codec keeps its name; every other DV name is decoded as "CDVC".
    if (Lower_ascii(codec) == "msdv") return "msdv";
    if (Is_DV_codec(codec)) return "CDVC";
    if (First_frame_is_DV(pal)) {
        dv_data = true;
        return "CDVC";
    }
    if (codec == "vp61") return "VP61";
    if (codec == "mp42") return "MP42";
    return codec;
}

bool Avi_reader::First_frame_is_DV(bool& pal) const
{
    if (index_.Video().empty()) return false;
    const cls_IDX& e = index_.Video().front();
    const uint32_t n = uint32_t(e.dwChunkLength);
    uint8_t b[4];
    if ((n != uint32_t(k_DV_frame_size) && n != uint32_t(k_NTSC_DV_frame_size)) || !file_.file.Read_exact(e.Position + 8, b, sizeof b) || !Is_DV_header_block(b))
        return false;
    // The header's DSF bit: 625 lines and 50 fields.
    pal = (b[3] & 0x80) != 0;
    return true;
}

void Avi_reader::Close()
{
    avi_chunk_addr_.fill(0);
    junk_pos_ = 0;
    riff_header_.fill(0);
    riff_size_ = 0;
    qsxm_size_ = 0;
    imp_mark_ = false;
    index_.Clear();
    ix00_entries_.clear();
    chunk_buffer_.clear();
    chunk_position_ = 0;
    text_buffer_.clear();
    text_position_ = 0;
    position_percent_ = 0;
    player_time_ = 0;
    headers_read_ = false;
    file_start_.fill(0);
    avih_header_.fill(0);
    avih_.fill(0);
    strh_.clear();
    strf_.clear();
    hash_atype_.clear();
}

// ---- Chunks ----

namespace {

// Calls visit(header, 0-based chunk offset, data size) for each chunk after the RIFF header that
// the RIFF chunk covers and the file holds; false when the file has no RIFF header.
bool Walk_chunks(const platform::Byte_file& f, std::array<uint8_t, 12>& riff_header,
                 const std::function<void(const uint8_t* h, int64_t p, uint32_t n)>& visit)
{
    const int64_t size = f.Size();
    if (!f.Read_exact(0, riff_header.data(), riff_header.size())) return false;
    const int64_t end = std::min<int64_t>(int64_t(uint32_t(Get_long(riff_header.data() + 4))) + 8, size);
    int64_t p = 12;
    while (p + 8 <= end) {
        uint8_t h[8];
        if (!f.Read_exact(p, h, 8)) break;
        const uint32_t n = uint32_t(Get_long(h + 4));
        const int64_t next = p + 8 + int64_t(n) + (n & 1);
        visit(h, p, n);
        if (next <= p) break;
        p = next;
    }
    return true;
}

} // namespace

Header_area Avi_reader::Header_area_of(const platform::Byte_file& file) const
{
    Header_area area;
    std::array<uint8_t, 12> riff{};
    Walk_chunks(file, riff, [&](const uint8_t* h, int64_t p, uint32_t n) {
        if (std::memcmp(h, k_XML_chunk_tag, 4) == 0 || std::memcmp(h, "BXA1", 4) == 0)
            area.push_back(Byte_range{p + 8, p + 8 + int64_t(n)});
    });
    return area;
}

void Avi_reader::Parse_chunks()
{
    Trace_Line("*cls_AVI_handler, ParseChunks");
    avi_chunk_addr_.fill(0);
    junk_pos_ = 0;
    qsxm_size_ = 0;
    const int64_t size = file_.file.Size();
    const bool riff = Walk_chunks(file_.file, riff_header_, [&](const uint8_t* h, int64_t p, uint32_t n) {
        const int64_t q = p + 8;
        const bool whole = q + int64_t(n) <= size;
        const int64_t at = p + 1;
        if (std::memcmp(h, "JUNK", 4) == 0 || std::memcmp(h, "JUNQ", 4) == 0) {
            junk_pos_ = q + 1;
        } else if (std::memcmp(h, "BXA", 3) == 0 && h[3] >= '1' && h[3] <= '5') {
            avi_chunk_addr_[size_t(h[3] - '0')] = at;
        } else if (std::memcmp(h, k_DV_header_chunk_tag, 4) == 0) {
            if (whole && n >= uint32_t(DV_Header_Record::k_Size)) avi_chunk_addr_[k_BXHD_chunk] = at;
        } else if (std::memcmp(h, k_XML_chunk_tag, 4) == 0) {
            if (whole) {
                avi_chunk_addr_[k_QSXM_chunk] = at;
                qsxm_size_ = n;
                Read_XML_chunk();
            }
        } else if (std::memcmp(h, "idx1", 4) == 0) {
            avi_chunk_addr_[k_idx1_chunk] = at;
        }
    });
    if (riff) riff_size_ = uint32_t(Get_long(riff_header_.data() + 4));
    Trace_Line("*cls_AVI_handler, ParseChunks, end");
}

bool Avi_reader::Read_XML_chunk()
{
    const int64_t at = avi_chunk_addr_[k_QSXM_chunk];
    if (at <= 0 || !file_.file.Is_open()) return false;
    uint8_t h[8];
    if (!file_.file.Read_exact(at - 1, h, 8)) return false;
    const uint32_t n = uint32_t(Get_long(h + 4));
    // Never past the end of the file.
    const int64_t room = std::max<int64_t>(file_.file.Size() - (at - 1 + 8), 0);
    std::vector<uint8_t> bytes(size_t(std::min<int64_t>(n, room)));
    if (!file_.file.Read_exact(at - 1 + 8, bytes.data(), bytes.size())) return false;
    return file_.Header().XML_string(Bytes_To_String(bytes));
}

bool Avi_reader::Has_QSXM_chunk() const { return avi_chunk_addr_[k_QSXM_chunk] > 0; }
bool Avi_reader::Has_BXHD_chunk() const { return avi_chunk_addr_[k_BXHD_chunk] > 0; }

bool Avi_reader::Write_header_text(const std::string& text)
{
    const int64_t at = avi_chunk_addr_[k_QSXM_chunk];
    if (at <= 0 || !file_.file.Is_open()) return false;
    // The text and its 100 zero bytes stay inside the chunk.
    if (int64_t(text.size()) + k_XML_padding > int64_t(qsxm_size_)) {
        file_.problems.Post({Recording_problem::Kind::header_too_long,
                             std::to_string(text.size()) + " bytes, at most " +
                                 std::to_string(std::max<int64_t>(int64_t(qsxm_size_) - k_XML_padding, 0)),
                             file_.name});
        return false;
    }
    if (file_.read_only || !file_.file.Writable())
        throw Run_time_error(75, "The recording is read-only: " + file_.name);
    Byte_patch patch{at - 1 + 8, std::vector<uint8_t>(text.begin(), text.end())};
    patch.bytes.resize(patch.bytes.size() + k_XML_padding, 0);
    Header_journal::Write(file_.file, file_.name, {patch}, Header_area_of(file_.file), file_.problems);
    return true;
}

// A file that goes on after its RIFF chunk is a large recording whose data would be hit.
bool Avi_reader::Chunk_can_be_appended()
{
    if (file_.read_only || !file_.file.Writable()) {
        file_.problems.Post({Recording_problem::Kind::read_only, {}, file_.name});
        return false;
    }
    if (!Riff_covers_file(riff_size_, file_.file.Size())) {
        file_.problems.Post({Recording_problem::Kind::riff_continues, {}, file_.name});
        return false;
    }
    return true;
}

bool Avi_reader::Append_chunk(const char* tag, std::span<const uint8_t> data, int64_t data_size)
{
    const int64_t length = file_.file.Size();
    if (length + 8 + data_size - 8 > int64_t(UINT32_MAX)) {
        file_.problems.Post({Recording_problem::Kind::too_large_for_chunk, {}, file_.name});
        return false;
    }
    std::vector<uint8_t> chunk(size_t(8 + data_size), 0);
    std::memcpy(chunk.data(), tag, 4);
    Put_long(chunk.data() + 4, int32_t(uint32_t(data_size)));
    std::memcpy(chunk.data() + 8, data.data(), std::min(data.size(), size_t(data_size)));
    if (!file_.file.Write_at(length, chunk.data(), chunk.size()))
        throw Run_time_error(err_Disk_full, std::string("The ") + tag + " chunk could not be written");
    riff_size_ = uint32_t(file_.file.Size() - 8);
    return true;
}

void Avi_reader::Rewrite_riff_header()
{
    std::memcpy(riff_header_.data(), "RIFF", 4);
    Put_long(riff_header_.data() + 4, int32_t(riff_size_));
    if (std::memcmp(riff_header_.data() + 8, "AVI ", 4) != 0)
        throw Run_time_error(err_Bad_file_mode, "Not an AVI file: " + file_.name);
    if (!file_.file.Write_at(0, riff_header_.data(), riff_header_.size()))
        throw Run_time_error(err_Disk_full, "The RIFF header could not be written");
    std::memcpy(file_start_.data(), riff_header_.data(), riff_header_.size());
}

// ---- Indexes ----

bool Avi_reader::Read_indexes(const std::string& path)
{
    if (!avi_info_) {
        file_.problems.Post(Avi_index::No_index(path));
        return false;
    }
    Avi_index::Layout layout;
    layout.video_stream = avi_info_->VideoStream();
    layout.movie_offset = avi_info_->MovieOffset();
    layout.movie_end = avi_info_->MovieEnd();
    layout.idx1_offset = int64_t(uint32_t(avi_info_->IndexOffset()));
    layout.idx1_seen = avi_chunk_addr_[k_idx1_chunk] > 0;
    layout.super_index_offset = avi_info_->SuperIndexOffset();
    return index_.Read(file_.file, layout, path, file_.problems);
}

bool Avi_reader::Read_ix00_index(int64_t start)
{
    ix00_entries_.clear();
    platform::Byte_file& f = file_.file;
    if (!f.Is_open() || start < 0) return false;
    const int64_t size = f.Size();
    constexpr int64_t k_Block = 10000;
    std::vector<uint8_t> block(size_t(k_Block + 3));
    for (int b = 0; b < 10; ++b) {
        // Blocks overlap by three bytes so that a tag across their border is found.
        const int64_t from = start + b * k_Block;
        const int64_t n = f.Read_at(from, block.data(), block.size());
        if (n < 4) return false;
        for (int64_t i = 0; i + 4 <= n && i < k_Block; ++i) {
            if (std::memcmp(block.data() + i, "ix00", 4) != 0) continue;
            // The standard index: tag, size, longs per entry, sub type, type, entries in use,
            // chunk id, base offset and a reserved long, then offset and size per entry.
            uint8_t h[32];
            const int64_t at = from + i;
            if (!f.Read_exact(at, h, sizeof h)) return false;
            const uint32_t entries = uint32_t(Get_long(h + 12));
            if (Get_integer(h + 8) != 2 || entries > uint32_t(k_Max_index_entries) ||
                at + 32 + int64_t(entries) * 8 > size)
                return false;
            std::vector<uint8_t> raw(size_t(entries) * 8);
            if (!f.Read_exact(at + 32, raw.data(), raw.size())) return false;
            for (uint32_t k = 0; k < entries; ++k)
                ix00_entries_.push_back({uint32_t(Get_long(&raw[k * 8])), uint32_t(Get_long(&raw[k * 8 + 4]))});
            return true;
        }
    }
    return false;
}

int32_t Avi_reader::Index_flag(int32_t n) const
{
    if (n < 1 || size_t(n) > index_.Video().size()) throw Run_time_error(err_Subscript, "Subscript out of range");
    return index_.Video()[size_t(n - 1)].dwFlags;
}

// ---- Frames ----

bool Avi_reader::Frame_place(int32_t f, int16_t, int64_t& offset, size_t& length) const
{
    if (f < 1 || size_t(f) > index_.Video().size()) return false;
    const cls_IDX& e = index_.Video()[size_t(f - 1)];
    const auto n = uint32_t(e.dwChunkLength);
    if (n == 0 || e.Position < 0) return false;
    offset = e.Position + 8;
    length = n;
    return true;
}

bool Avi_reader::Read_frame(int32_t f, int16_t)
{
    text_buffer_.clear();
    text_position_ = 0;
    chunk_position_ = 0;
    position_percent_ = 0;
    player_time_ = 0;
    if (file_.name.empty() || f < 1 || index_.Video().empty()) return false;
    f = std::min<int32_t>(f, int32_t(index_.Video().size()));
    const cls_IDX& e = index_.Video()[size_t(f - 1)];
    const uint32_t length = uint32_t(e.dwChunkLength);
    if (length == 0) return false;
    const int64_t at = e.Position;
    // The whole chunk, header and data, or nothing.
    if (at < 0 || at + 8 + int64_t(length) > file_.file.Size()) return false;
    chunk_buffer_.resize(size_t(length) + 8);
    if (!file_.file.Read_exact(at, chunk_buffer_.data(), chunk_buffer_.size())) return false;
    if (std::memcmp(chunk_buffer_.data(), e.ChunkId.data(), 4) != 0) return false;
    chunk_position_ = at;
    file_.chunk_length = int32_t(length);
    file_.frame_position = 0;
    file_.input_format.biSizeImage = file_.frame_size;
    Read_text_of(f);
    file_.frame_in_store = f;
    file_.current_stream = 1;
    position_percent_ = file_.num_frames > 0 ? int32_t(std::nearbyint(double(f) * 100.0 / file_.num_frames)) : 0;
    player_time_ = float(f - 1) * float(file_.ms_per_frame);
    return true;
}

void Avi_reader::Read_text_of(int32_t f)
{
    if (!Has_text_stream() || size_t(f) > index_.Text().size()) return;
    const cls_IDX& t = index_.Text()[size_t(f - 1)];
    const uint32_t n = uint32_t(t.dwChunkLength);
    const int64_t data = t.Position + 8;
    if (data + int64_t(n) > file_.file.Size()) return;
    text_buffer_.resize(n);
    if (file_.file.Read_exact(data, text_buffer_.data(), n)) text_position_ = data + 1;
    else text_buffer_.clear();
}

std::span<const uint8_t> Avi_reader::Chunk_data() const
{
    const int32_t n = file_.chunk_length;
    if (n <= 0 || chunk_buffer_.size() < size_t(n) + 8) return {};
    return std::span<const uint8_t>(chunk_buffer_.data() + 8, size_t(n));
}

std::span<uint8_t> Avi_reader::Frame()
{
    const int32_t n = file_.chunk_length;
    if (file_.frame_in_store <= 0 || n <= 0 || chunk_buffer_.size() < size_t(n) + 8) return {};
    return std::span<uint8_t>(chunk_buffer_.data() + 8, size_t(n));
}

bool Avi_reader::Rewrite_frame()
{
    const int32_t n = file_.chunk_length;
    if (file_.frame_in_store <= 0 || n <= 0 || chunk_buffer_.size() < size_t(n) + 8)
        throw Run_time_error(err_Invalid_argument, "No frame has been read to write back", "cls_AVI_handler");
    // Exactly the chunk with its header: the last frame never grows the file.
    file_.Write_back(chunk_position_, chunk_buffer_.data(), size_t(n) + 8);
    return true;
}

// ---- Text stream ----

int16_t Avi_reader::Text_length() const
{
    if (!Has_text_stream()) return 0;
    return int16_t(std::min<uint32_t>(uint32_t(index_.Text().front().dwChunkLength), uint32_t(INT16_MAX)));
}

std::vector<uint8_t> Avi_reader::Text_chunk(int32_t frame)
{
    if (!Has_text_stream() || !file_.file.Is_open() || frame < 1 || size_t(frame) > index_.Text().size()) return {};
    const cls_IDX& e = index_.Text()[size_t(frame - 1)];
    // The index says how long the chunk is; the file says how much there really is.
    const int64_t available = std::max<int64_t>(file_.file.Size() - e.Position, 0);
    std::vector<uint8_t> bytes(size_t(std::min<int64_t>(int64_t(uint32_t(e.dwChunkLength)), available)));
    const int64_t n = file_.file.Read_at(e.Position, bytes.data(), bytes.size());
    bytes.resize(size_t(std::max<int64_t>(n, 0)));
    return bytes;
}

bool Avi_reader::Put_text(std::span<const uint8_t> data)
{
    if (!Has_text_stream() || data.empty()) return false;
    if (file_.frame_in_store < 1 || size_t(file_.frame_in_store) > index_.Text().size()) return false;
    const cls_IDX& e = index_.Text()[size_t(file_.frame_in_store - 1)];
    if (int64_t(data.size()) + 12 > int64_t(uint32_t(e.dwChunkLength))) {
        file_.problems.Post({Recording_problem::Kind::text_overflow, {}, file_.name});
        return false;
    }
    if (file_.read_only || !file_.file.Write_at(e.Position + 12, data.data(), data.size()))
        throw Run_time_error(75, "The text could not be written into " + file_.name);
    return true;
}

void Avi_reader::Write_text(int32_t frame)
{
    if (frame < 1 || size_t(frame) > index_.Text().size())
        throw Run_time_error(err_Subscript, "Subscript out of range");
    const cls_IDX& e = index_.Text()[size_t(frame - 1)];
    // Never more than the frame's own chunk holds.
    if (text_buffer_.size() > size_t(uint32_t(e.dwChunkLength)))
        throw Run_time_error(err_Invalid_argument,
                             "The text buffer is longer than the text chunk of frame " + std::to_string(frame));
    if (!file_.file.Write_at(e.Position + 8, text_buffer_.data(), text_buffer_.size()))
        throw Run_time_error(err_Disk_full, "The text could not be written");
}

// ---- The AVI's own headers ----

std::span<const uint8_t> Avi_reader::Avih_header() const
{
    return headers_read_ ? std::span<const uint8_t>(avih_header_) : std::span<const uint8_t>();
}

std::span<const uint8_t> Avi_reader::Avih() const
{
    return headers_read_ ? std::span<const uint8_t>(avih_) : std::span<const uint8_t>();
}

bool Avi_reader::Read_headers()
{
    headers_read_ = false;
    strh_.clear();
    strf_.clear();
    hash_atype_.clear();
    platform::Byte_file& f = file_.file;
    if (!f.Is_open()) return false;
    Trace_Line("*Read_Headers");
    const int64_t size = f.Size();
    const bool ok = [&] {
        uint8_t head[32];
        if (!f.Read_exact(0, file_start_.data(), file_start_.size()) || !f.Read_exact(0, head, sizeof head))
            return false;
        if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "AVI ", 4) != 0 ||
            std::memcmp(head + 12, "LIST", 4) != 0 || std::memcmp(head + 20, "hdrl", 4) != 0 ||
            std::memcmp(head + 24, "avih", 4) != 0)
            return false;
        const uint32_t avih_size = uint32_t(Get_long(head + 28));
        if (avih_size < 56 || !f.Read_exact(32, avih_.data(), avih_.size())) return false;
        std::memcpy(avih_header_.data(), head + 24, 8);
        headers_read_ = true;
        // The stream lists follow the main header; the video stream's is read.
        int64_t p = Video_stream_list(32 + (int64_t(avih_size) + 1) / 2 * 2);
        if (p == 0) return false;
        p += 12;
        uint8_t chunk[8];
        auto read_chunk = [&](const char* id, std::vector<uint8_t>& into) {
            if (!f.Read_exact(p, chunk, 8) || std::memcmp(chunk, id, 4) != 0) return false;
            const uint32_t n = uint32_t(Get_long(chunk + 4));
            if (n > 65536 || p + 8 + int64_t(n) > size) return false;
            into.assign(n, 0);
            if (!f.Read_exact(p + 8, into.data(), n)) {
                into.clear();
                return false;
            }
            p += 8 + (int64_t(n) + 1) / 2 * 2;
            return true;
        };
        if (!read_chunk("strh", strh_)) return false;
        if (strh_.size() >= 4) hash_atype_ = platform::Ansi_to_utf8(std::string(strh_.begin(), strh_.begin() + 4));
        return read_chunk("strf", strf_);
    }();
    Trace_Line("*Read_Headers, end");
    return ok;
}

int64_t Avi_reader::Video_stream_list(int64_t p) const
{
    const int16_t stream = avi_info_ ? avi_info_->VideoStream() : int16_t(0);
    for (int16_t k = 0;; ++k) {
        uint8_t list[12];
        if (!file_.file.Read_exact(p, list, sizeof list) || std::memcmp(list, "LIST", 4) != 0 ||
            std::memcmp(list + 8, "strl", 4) != 0)
            return 0;
        if (k == stream) return p;
        p += 8 + (int64_t(uint32_t(Get_long(list + 4))) + 1) / 2 * 2;
    }
}

bool Avi_reader::Force_framerate(int16_t fps)
{
    if (fps <= 0) throw Run_time_error(err_Invalid_argument, "Invalid frame rate " + std::to_string(fps));
    if (file_.read_only || !file_.file.Writable())
        throw Run_time_error(75, "The recording is read-only: " + file_.name);
    const int32_t us = int32_t(std::nearbyint(1000000.0 / fps));
    uint8_t b[4];
    Put_long(b, us);
    // Only the field that changes: the rest of the record may have been rewritten since.
    if (!file_.file.Write_at(32, b, 4)) throw Run_time_error(err_Disk_full, "The frame rate could not be written");
    std::memcpy(file_start_.data() + 32, b, 4);
    std::memcpy(avih_.data(), b, 4);
    return true;
}

} // namespace wk
