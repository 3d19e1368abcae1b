#include "recording/Avi_index.h"

#include "platform/Byte_file.h"
#include "recording/Recording_bytes.h"
#include "recording/Recording_format.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"

#include <algorithm>
#include <cstring>

namespace wk {

using namespace recording_bytes;

namespace {

uint32_t U32(const uint8_t* p) { return uint32_t(Get_long(p)); }
uint64_t U64(const uint8_t* p) { return uint64_t(U32(p)) | uint64_t(U32(p + 4)) << 32; }
uint16_t U16(const uint8_t* p) { return uint16_t(Get_integer(p)); }

bool Is(const uint8_t* id, const char* tag) { return std::memcmp(id, tag, std::strlen(tag)) == 0; }

// The flag the indexes give a key frame.
constexpr int32_t k_Key_frame = 0x10;

} // namespace

void Avi_index::Clear()
{
    video_.clear();
    text_.clear();
    rebuilt_ = false;
}

Recording_problem Avi_index::No_index(const std::string& path)
{
    return {Recording_problem::Kind::no_index, {}, path};
}

bool Avi_index::Read(const platform::Byte_file& file, const Layout& layout, const std::string& path,
                     Recording_problems& problems)
{
    problems_ = &problems;
    Trace_Line("*Get_AVI_indexes");
    Clear();
    file_ = &file;
    layout_ = layout;
    path_ = path;
    size_ = file.Size();
    if (size_ <= 0) {
        problems.Post({Recording_problem::Kind::empty_file, {}, path});
        return false;
    }
    bool read = true;
    uint8_t super[16] = {};
    // A super index is used once it names a standard index; before that it is room kept for one.
    if (layout.super_index_offset > 0 && file.Read_exact(layout.super_index_offset, super, sizeof super) &&
        Is(super, "indx") && U32(super + 12) > 0)
        read = Read_super_index();
    else if (layout.idx1_offset > 0)
        read = Read_idx1();
    else if (layout.idx1_seen) {
        // An idx1 that the file does not hold whole.
        problems.Post(No_index(path));
        return false;
    }
    const bool indexed = !video_.empty();
    if (!read || !Walk_unindexed(Movies())) {
        Clear();
        return false;
    }
    if (video_.empty()) {
        problems.Post(No_index(path));
        return false;
    }
    if (rebuilt_)
        problems.Post({Recording_problem::Kind::index_rebuilt,
                       std::string(indexed ? "its AVI index does not reach its last frames"
                                           : "has no AVI index (a recording cut off before its end?)") +
                           "; the index was rebuilt from its movie data: " + std::to_string(video_.size()) +
                           (video_.size() == 1 ? " frame." : " frames."),
                       path});
    return true;
}

bool Avi_index::Refuse(const std::string& why) const
{
    problems_->Post({Recording_problem::Kind::index_refused, why, path_});
    return false;
}

bool Avi_index::Is_video_id(const uint8_t* id) const
{
    const char tens = char('0' + layout_.video_stream / 10), units = char('0' + layout_.video_stream % 10);
    return char(id[0]) == tens && char(id[1]) == units && (Is(id + 2, "db") || Is(id + 2, "dc") || Is(id + 2, "__"));
}

// The program's text stream: stream 1 beside a video stream 0.
bool Avi_index::Is_text_id(const uint8_t* id) const { return layout_.video_stream == 0 && Is(id, "01db"); }

// ---- idx1 ----

bool Avi_index::Read_idx1()
{
    const int64_t at = layout_.idx1_offset;
    uint8_t h[8];
    if (!file_->Read_exact(at, h, 8) || !Is(h, "idx1")) {
        problems_->Post(No_index(path_));
        return false;
    }
    const int64_t count = U32(h + 4) / 16;
    if (count < 1 || count > recording_format::k_Max_index_entries)
        return Refuse("has " + std::to_string(count) + " AVI index entries (at most " +
                      std::to_string(recording_format::k_Max_index_entries) + ")");
    if (at + 8 + count * 16 > size_) return Refuse("its AVI index runs past the end of the file");
    std::vector<uint8_t> raw(size_t(count * 16));
    if (!file_->Read_exact(at + 8, raw.data(), raw.size())) return false;
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* e = raw.data() + i * 16;
        const bool video = Is_video_id(e);
        if (!video && !Is_text_id(e)) continue; // audio and anything else
        cls_IDX item;
        item.ChunkId.assign(reinterpret_cast<const char*>(e), 4);
        item.dwFlags = Get_long(e + 4);
        item.dwChunkOffset = Get_long(e + 8);
        item.dwChunkLength = Get_long(e + 12);
        (video ? video_ : text_).push_back(std::move(item));
    }
    if (video_.empty()) return Refuse("its AVI index lists no video frames");
    return Idx1_base_found();
}

// Where the offsets count from: the first place that holds a chunk id wins.
bool Avi_index::Idx1_base_found()
{
    const int64_t movie = layout_.movie_offset;
    for (const int64_t base : {movie + 4, movie, int64_t(0)}) {
        const int64_t p = base + uint32_t(video_.front().dwChunkOffset);
        uint8_t id[4];
        if (!file_->Read_exact(p, id, 4) || (!Is_video_id(id) && !Is_text_id(id))) continue;
        for (auto* list : {&video_, &text_})
            for (cls_IDX& e : *list) e.Position = base + uint32_t(e.dwChunkOffset);
        return true;
    }
    Trace_Line("*Get_AVI_indexes, end");
    return Refuse("its AVI index points at no frame");
}

// ---- OpenDML ----

bool Avi_index::Read_super_index()
{
    const int64_t at = layout_.super_index_offset;
    uint8_t h[32];
    if (!file_->Read_exact(at, h, sizeof h)) return Refuse("its OpenDML index cannot be used (no super index)");
    const uint32_t n = U32(h + 4), entries = U32(h + 12);
    // Index of indexes, four longs an entry: offset (two), size and duration of a standard index.
    if (U16(h + 8) != 4 || h[11] != 0 || n < 24 || int64_t(n) > size_ - at - 8 || entries > (n - 24) / 16 ||
        !Is_video_id(h + 16))
        return Refuse("its OpenDML index cannot be used (a super index of another kind)");
    std::vector<uint8_t> raw(size_t(entries) * 16);
    if (!file_->Read_exact(at + 32, raw.data(), raw.size()))
        return Refuse("its OpenDML index cannot be used (no super index)");
    for (uint32_t k = 0; k < entries; ++k)
        if (!Read_standard_index(int64_t(std::min<uint64_t>(U64(&raw[k * 16]), uint64_t(size_))))) return false;
    return true;
}

bool Avi_index::Read_standard_index(int64_t at)
{
    uint8_t h[32];
    if (at > size_ - int64_t(sizeof h) || !file_->Read_exact(at, h, sizeof h) || !Is(h, "ix"))
        return Refuse("its OpenDML index cannot be used (a standard index is missing)");
    const uint32_t n = U32(h + 4), entries = U32(h + 12);
    const uint64_t base = U64(h + 20);
    // Index of chunks, two longs an entry: the offset of the data from base and its size, whose
    // top bit marks a frame that is not a key frame. Field indexes are not read.
    if (U16(h + 8) != 2 || h[10] != 0 || h[11] != 1 || n < 24 || int64_t(n) > size_ - at - 8 ||
        entries > (n - 24) / 8 || !Is_video_id(h + 16) || base > uint64_t(size_))
        return Refuse("its OpenDML index cannot be used (a standard index of another kind)");
    if (int64_t(video_.size()) + entries > k_Max_frames)
        return Refuse("has more than " + std::to_string(k_Max_frames) + " frames");
    std::vector<uint8_t> raw(size_t(entries) * 8);
    if (!file_->Read_exact(at + 32, raw.data(), raw.size()))
        return Refuse("its OpenDML index cannot be used (a standard index is missing)");
    const size_t first = video_.size();
    for (uint32_t k = 0; k < entries; ++k) {
        const uint32_t offset = U32(&raw[k * 8]), size = U32(&raw[k * 8 + 4]);
        cls_IDX e;
        e.ChunkId.assign(reinterpret_cast<const char*>(h + 16), 4);
        e.dwFlags = (size & 0x80000000u) ? 0 : k_Key_frame;
        e.dwChunkOffset = int32_t(offset);
        e.dwChunkLength = int32_t(size & 0x7FFFFFFFu);
        e.Position = int64_t(base) + offset - 8;
        if (e.Position < 0 || int64_t(e.dwChunkLength) > size_ - e.Position - 8)
            return Refuse("its OpenDML index cannot be used (a frame lies past the end of the file)");
        video_.push_back(std::move(e));
    }
    uint8_t id[4];
    if (video_.size() > first &&
        (!file_->Read_exact(video_[first].Position, id, 4) || std::memcmp(id, h + 16, 4) != 0))
        return Refuse("its OpenDML index cannot be used (it points at no frame)");
    return true;
}

// ---- Walking the movi lists ----

// The movi list of each RIFF part: the first ("AVI ") as the parser found it, then the "AVIX"
// parts that follow it. A size never written, or one past the file, runs to the end of the file.
std::vector<Avi_index::Movie> Avi_index::Movies() const
{
    std::vector<Movie> movies;
    int64_t p = 0;
    while (p + 12 <= size_ && movies.size() < k_Max_parts) {
        uint8_t h[12];
        if (!file_->Read_exact(p, h, sizeof h) || !Is(h, "RIFF") || !Is(h + 8, movies.empty() ? "AVI " : "AVIX"))
            break;
        const uint32_t n = U32(h + 4);
        const int64_t end = n < 4 || int64_t(n) > size_ - p - 8 ? size_ : p + 8 + n;
        movies.push_back(movies.empty() ? Movie{layout_.movie_offset + 4, layout_.movie_end} : Movie_in(p + 12, end));
        p = end + (n & 1);
    }
    return movies;
}

Avi_index::Movie Avi_index::Movie_in(int64_t begin, int64_t end) const
{
    int64_t q = begin;
    while (q + 12 <= end) {
        uint8_t h[12];
        if (!file_->Read_exact(q, h, sizeof h)) break;
        const uint32_t n = U32(h + 4);
        const bool cut = int64_t(n) > end - q - 8;
        if (Is(h, "LIST") && Is(h + 8, "movi")) return {q + 12, n < 4 || cut ? end : q + 8 + n};
        if (cut) break;
        q += 8 + int64_t(n) + (n & 1);
    }
    return {};
}

// The parts after the one that holds the last indexed frame are walked; so is every part when
// there is no index.
bool Avi_index::Walk_unindexed(const std::vector<Movie>& movies)
{
    const int64_t last = video_.empty() ? -1 : video_.back().Position;
    for (const Movie& m : movies) {
        if (m.begin == 0 || m.begin <= last) continue;
        const size_t before = video_.size();
        if (!Walk(m)) return false;
        if (video_.size() > before) rebuilt_ = true;
    }
    return true;
}

// Whole chunks only: a chunk cut off by the end of the file or of the list ends the walk.
bool Avi_index::Walk(const Movie& m)
{
    int64_t q = m.begin;
    while (q + 8 <= m.end) {
        uint8_t h[8];
        if (!file_->Read_exact(q, h, sizeof h)) break;
        const uint32_t n = U32(h + 4);
        if (Is(h, "LIST")) {
            // A "rec " group: its chunks are walked in turn.
            if (n < 4) break;
            q += 12;
            continue;
        }
        if (int64_t(n) > m.end - q - 8) break;
        if (!Add(h, q, n)) return false;
        q += 8 + int64_t(n) + (n & 1);
    }
    return true;
}

bool Avi_index::Add(const uint8_t* header, int64_t at, uint32_t length)
{
    const bool video = Is_video_id(header);
    if (!video && !Is_text_id(header)) return true;
    if (video && int64_t(video_.size()) >= k_Max_frames)
        return Refuse("has more than " + std::to_string(k_Max_frames) + " frames");
    cls_IDX e;
    e.ChunkId.assign(reinterpret_cast<const char*>(header), 4);
    e.dwFlags = k_Key_frame;
    e.dwChunkOffset = int32_t(uint32_t(at - layout_.movie_offset));
    e.dwChunkLength = int32_t(length);
    e.Position = at;
    (video ? video_ : text_).push_back(std::move(e));
    return true;
}

} // namespace wk
