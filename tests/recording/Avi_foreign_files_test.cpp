// The recording object on AVI files that other programs write: files past 1 GB in several RIFF
// parts with OpenDML indexes, DV under any FOURCC or under none, the video stream after an audio
// stream, and captures cut off before their index. Most files are written by libavformat's AVI
// muxer (OpenDML above 1 GB), so that a fault shared by our writer and our reader cannot hide;
// the index kinds it never writes are built by hand with the RIFF writer.
#include "recording/clsAVIInfo.h"
#include "services/Module_qsm_Globals.h"
#include "tests/recording/Recording_maker.h"
#include "tests/recording/Told.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::DV_frame;

void Put_u32_at(std::vector<uint8_t>& bytes, size_t at, uint32_t v) { std::memcpy(bytes.data() + at, &v, 4); }

void Put_u64_at(std::vector<uint8_t>& bytes, size_t at, uint64_t v) { std::memcpy(bytes.data() + at, &v, 8); }

bool Same_bytes(std::span<const uint8_t> a, std::span<const uint8_t> b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), b.size()) == 0;
}

// Overwrites a number in a file in place (the file keeps its length).
void Patch_u32(const fs::path& path, int64_t at, uint32_t v)
{
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(at);
    f.write(reinterpret_cast<const char*>(&v), 4);
    ASSERT_TRUE(f.good());
}

// ---- Files written by libavformat ----

struct Mux_options {
    std::string tag = "dvsd";  // the video stream's FOURCC
    bool audio_first = false;  // a PCM stream 0 before the video, one chunk before every frame
};

// Writes `count` PAL DV frames (frame(k) gives frame k, from 0) with libavformat's AVI muxer.
void Mux_DV_avi(const fs::path& path, int64_t count, const std::function<std::span<const uint8_t>(int64_t)>& frame,
                const Mux_options& o = {})
{
    AVFormatContext* oc = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&oc, nullptr, "avi", path.c_str()), 0);
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> guard(oc, [](AVFormatContext* c) {
        avio_closep(&c->pb);
        avformat_free_context(c);
    });
    AVStream* audio = nullptr;
    if (o.audio_first) {
        audio = avformat_new_stream(oc, nullptr);
        AVCodecParameters* a = audio->codecpar;
        a->codec_type = AVMEDIA_TYPE_AUDIO;
        a->codec_id = AV_CODEC_ID_PCM_S16LE;
        a->sample_rate = 48000;
        av_channel_layout_default(&a->ch_layout, 2);
        a->bits_per_coded_sample = 16;
        a->block_align = 4;
        audio->time_base = {1, 48000};
    }
    AVStream* video = avformat_new_stream(oc, nullptr);
    AVCodecParameters* v = video->codecpar;
    v->codec_type = AVMEDIA_TYPE_VIDEO;
    v->codec_id = AV_CODEC_ID_DVVIDEO;
    v->codec_tag = MKTAG(o.tag[0], o.tag[1], o.tag[2], o.tag[3]);
    v->width = test::k_DV_width;
    v->height = test::k_DV_height;
    video->time_base = {1, 25};
    ASSERT_GE(avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
    ASSERT_GE(avformat_write_header(oc, nullptr), 0);
    std::vector<uint8_t> silence(1920 * 4, 0);
    AVPacket* p = av_packet_alloc();
    auto write = [&](AVStream* s, std::span<const uint8_t> data, int64_t pts, int64_t duration, AVRational base) {
        p->data = const_cast<uint8_t*>(data.data());
        p->size = int(data.size());
        p->stream_index = s->index;
        p->pts = p->dts = pts;
        p->duration = duration;
        p->flags = AV_PKT_FLAG_KEY;
        av_packet_rescale_ts(p, base, s->time_base);
        return av_write_frame(oc, p) >= 0;
    };
    bool written = true;
    for (int64_t k = 0; k < count && written; ++k) {
        if (audio) written = write(audio, silence, k * 1920, 1920, {1, 48000});
        written = written && write(video, frame(k), k, 1, {1, 25});
    }
    p->data = nullptr;
    av_packet_free(&p);
    ASSERT_TRUE(written);
    ASSERT_EQ(av_write_trailer(oc), 0);
}

// The time code pack that frame k (from 0) of a file carries.
test::DV_pack Pack_of(int64_t k) { return test::Timecode_pack(test::Timecode_plus({12, 0, 0, 0}, k)); }

// Where the first and the last time code pack of a DV frame lie: DIF sequence 0 and sequence 11
// (subcode block, sync block): a frame that shows both is its own from start to end.
constexpr size_t k_First_pack = 80 + 6;
constexpr size_t k_Last_pack = 11 * test::k_DIF_sequence_bytes + 80 + 80 + 6 + 8 * 5;

bool Carries_pack(std::span<const uint8_t> frame, const test::DV_pack& pack)
{
    return frame.size() == test::k_DV_frame_bytes &&
           std::memcmp(frame.data() + k_First_pack, pack.data(), pack.size()) == 0 &&
           std::memcmp(frame.data() + k_Last_pack, pack.data(), pack.size()) == 0;
}

class Foreign_avi : public ::testing::Test {
protected:
    void SetUp() override { g_Edition_text = "Wakeline, Full version"; }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    static const std::vector<DV_frame>& Frames() { return test::Stream_frames(1); }
    // Frame k of a muxed file: the fixture frames in turn.
    static std::span<const uint8_t> Frame(int64_t k) { return Frames()[size_t(k) % Frames().size()]; }
    // Opens the file and checks that frame k (from 1) is frame k - 1 of the fixture frames, read
    // from a chunk of the given id.
    void Expect_all_frames(cls_AVI_handler& rec, int32_t count, const char* id = "00dc")
    {
        ASSERT_EQ(rec.num_frames(), count);
        EXPECT_EQ(rec.Num_fields(), 2 * count);
        platform::Raw_file f;
        int error = 0;
        ASSERT_TRUE(f.Open(rec.File_name(), platform::Raw_file::Mode::Read, error));
        for (int32_t k = 1; k <= count; ++k) {
            ASSERT_TRUE(rec.Read_Frame(k)) << k;
            EXPECT_TRUE(Same_bytes(rec.Frame_bytes(), Frame(k - 1))) << k;
            char chunk_id[4];
            ASSERT_TRUE(f.Read_exact(rec.Avi().Chunk_Position(), chunk_id, 4));
            EXPECT_EQ(std::string(chunk_id, 4), id) << k << " at " << rec.Avi().Chunk_Position();
        }
    }
    test::Temp_home home;
    test::Scripted_dialogs dialogs;
};

// Deletes the file at the end of the test, passed or not.
struct Removed_at_end {
    fs::path path;
    ~Removed_at_end()
    {
        std::error_code ec;
        fs::remove(path, ec);
    }
};

// 9000 PAL DV frames (6 minutes) make 1.3 GB: libavformat writes a RIFF 'AVI ' part of 1 GB with
// an idx1 of its frames only, a RIFF 'AVIX' part, the standard indexes, the super index and the
// extended frame count. Only the time code packs are compared, so that the run stays short.
TEST_F(Foreign_avi, EveryFrameOfA13GbOpenDmlAviReadsWithItsOwnTimeCodeIncludingTheLast)
{
    const auto started = std::chrono::steady_clock::now();
    constexpr int32_t k_Frames = 9000;
    const Removed_at_end file{home.path() / "large.avi"};
    DV_frame frame = Frames()[0];
    Mux_DV_avi(file.path, k_Frames, [&](int64_t k) {
        test::Put_timecode(frame, test::Timecode_plus({12, 0, 0, 0}, k));
        return std::span<const uint8_t>(frame);
    });
    ASSERT_GT(fs::file_size(file.path), uint64_t(1290) * 1000 * 1000);

    // The file is what the test means it to be: the main header counts the first part only.
    clsAVIInfo info;
    ASSERT_TRUE(info.ReadFile(file.path.string()));
    EXPECT_EQ(info.OdmlFrames(), k_Frames);
    EXPECT_EQ(info.NumFrames(), k_Frames);
    EXPECT_GT(info.SuperIndexOffset(), 0);
    {
        std::ifstream in(file.path, std::ios::binary);
        uint8_t head[52];
        in.read(reinterpret_cast<char*>(head), sizeof head);
        uint32_t main_frames;
        std::memcpy(&main_frames, head + 32 + 16, 4);
        EXPECT_LT(main_frames, uint32_t(k_Frames));
        char second[12];
        in.seekg(int64_t(uint32_t(info.RIFFsize())) + 8);
        in.read(second, sizeof second);
        EXPECT_EQ(std::string(second, 4), "RIFF");
        EXPECT_EQ(std::string(second + 8, 4), "AVIX");
    }

    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(file.path.string()));
    ASSERT_EQ(rec.num_frames(), k_Frames);
    EXPECT_EQ(rec.Num_fields(), 2 * k_Frames);
    EXPECT_TRUE(rec.is_DV());
    int32_t wrong = 0, first_wrong = 0;
    for (int32_t k = 1; k <= k_Frames; ++k) {
        if (rec.Read_Frame(k) && rec.Frame_in_store() == k && Carries_pack(rec.Frame_bytes(), Pack_of(k - 1)))
            continue;
        if (wrong++ == 0) first_wrong = k;
    }
    EXPECT_EQ(wrong, 0) << "first wrong frame " << first_wrong;
    // Past the end: the last frame, never another.
    ASSERT_TRUE(rec.Read_Frame(k_Frames + 5));
    EXPECT_TRUE(Carries_pack(rec.Frame_bytes(), Pack_of(k_Frames - 1)));
    EXPECT_GT(rec.Avi().Chunk_Position(), int64_t(1) << 30);
    // Nothing may be added behind the first RIFF part.
    EXPECT_FALSE(rec.Avi().Append_XML_header());
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::riff_continues, "continues after its RIFF chunk"));
    rec.Close_File();

    // A super index that names no standard index is refused, never half-read.
    Patch_u32(file.path, info.SuperIndexOffset() + 32, 12);
    const Recording_outcome refused = rec.Open_File(file.path.string());
    EXPECT_FALSE(refused);
    EXPECT_TRUE(test::Told(refused, Recording_problem::Kind::index_refused, "its OpenDML index cannot be used"));
    EXPECT_FALSE(rec.File_open());

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    RecordProperty("seconds", std::to_string(seconds));
    std::cout << "[          ] 9000 frames written and read in " << seconds << " s\n";
}

TEST_F(Foreign_avi, AnUpperCaseDvsdAviHasDvFramesAndTwoFieldsAFrame)
{
    Mux_DV_avi(Path("upper.avi"), 100, Frame, {.tag = "DVSD"});
    clsAVIInfo info;
    ASSERT_TRUE(info.ReadFile(Path("upper.avi")));
    ASSERT_EQ(info.VideoCodec(), "DVSD");

    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("upper.avi")));
    EXPECT_TRUE(rec.is_DV());
    EXPECT_FALSE(rec.Is_Deinterlaced());
    EXPECT_EQ(rec.video_codec(), "CDVC");
    EXPECT_EQ(rec.Frame_Size(), 144000);
    EXPECT_EQ(rec.num_frames(), 100);
    EXPECT_EQ(rec.Num_fields(), 200);
    EXPECT_EQ(rec.mill_per_frame(), 20); // played field by field
    ASSERT_TRUE(rec.Read_Frame(100));
    EXPECT_EQ(rec.Frame_Length(), 144000);
    // The last frame's two fields, each shown by the DV decoder.
    test::Picture p;
    for (const int field : {1, 2}) {
        ASSERT_TRUE(rec.Draw_field(198 + field, p.dc)) << field;
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(field)), 2 * (99 % 8) + field);
    }
    Expect_all_frames(rec, 100);
}

// An AVI with one video stream whose handler and bitmap compression are the given FOURCC.
std::vector<uint8_t> One_stream_avi(const std::string& fourcc, const std::vector<std::vector<uint8_t>>& chunks,
                                    int16_t height = 576)
{
    test::Riff_builder r;
    r.Begin_list("hdrl");
    test::Avi_main m;
    m.total_frames = uint32_t(chunks.size());
    m.height = uint32_t(height);
    r.Chunk("avih", test::Avi_main_header(m));
    r.Begin_list("strl");
    test::Avi_stream s;
    s.handler = fourcc;
    s.length = m.total_frames;
    s.height = height;
    r.Chunk("strh", test::Avi_stream_header(s));
    r.Chunk("strf", test::Bitmap_info_header(720, height, 24, fourcc, uint32_t(chunks.front().size())));
    r.End_list();
    r.End_list();
    const int64_t movie = r.Begin_list("movi") + 8;
    std::vector<uint8_t> index;
    for (const auto& c : chunks) {
        const auto e = test::Idx1_entry("00dc", 0x10, uint32_t(r.Chunk("00dc", c) - movie), uint32_t(c.size()));
        index.insert(index.end(), e.begin(), e.end());
    }
    r.End_list();
    r.Chunk("idx1", index);
    return r.Finish();
}

TEST_F(Foreign_avi, DvIsKnownByItsCodecInAnyCaseAndByItsDataUnderAnyName)
{
    const std::vector<std::vector<uint8_t>> frames(Frames().begin(), Frames().begin() + 3);
    for (const char* fourcc : {"dvsd", "DVSD", "dvsl", "dv25", "DV25", "dv50", "CDVC", "cdvc", "pdvc", "IPDV", "dsvd",
                               "msdv", "XXXX"}) {
        SCOPED_TRACE(fourcc);
        test::Write_bytes(Path("dv.avi"), One_stream_avi(fourcc, frames));
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(Path("dv.avi")));
        EXPECT_TRUE(rec.is_DV());
        // Microsoft's DV keeps its own name.
        EXPECT_EQ(rec.video_codec(), std::string(fourcc) == "msdv" ? "msdv" : "CDVC");
        EXPECT_EQ(rec.Frame_Size(), 144000);
        EXPECT_EQ(rec.Num_fields(), 6);
        EXPECT_FALSE(rec.NTSC());
        test::Picture p;
        ASSERT_TRUE(rec.Draw_field(4, p.dc));
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(2)), 4);
    }

    // NTSC DV data under a name of no codec: the header block's system says 525 lines.
    std::vector<uint8_t> ntsc(120000, 0);
    const uint8_t header[4] = {0x1F, 0x07, 0x00, 0x3F};
    std::memcpy(ntsc.data(), header, 4);
    test::Write_bytes(Path("ntsc.avi"), One_stream_avi("ABCD", {ntsc, ntsc}));
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("ntsc.avi")));
    EXPECT_TRUE(rec.is_DV());
    EXPECT_TRUE(rec.NTSC());
    EXPECT_EQ(rec.Width(), 720);
    EXPECT_EQ(rec.Height(), 480);
    EXPECT_EQ(rec.Frame_Size(), 120000);
    EXPECT_EQ(rec.Num_fields(), 4);

    // Frames of DV size that do not start with the header block are not DV.
    std::vector<uint8_t> other(144000, 0x55);
    test::Write_bytes(Path("other.avi"), One_stream_avi("ABCD", {other, other}));
    ASSERT_TRUE(rec.Open_File(Path("other.avi")));
    EXPECT_FALSE(rec.is_DV());
    EXPECT_TRUE(rec.Is_Deinterlaced());
    EXPECT_EQ(rec.Num_fields(), 2);
    EXPECT_EQ(rec.video_codec(), "ABCD");
}

TEST_F(Foreign_avi, AnAviWithItsAudioFirstOpensWithAllItsFrames)
{
    Mux_DV_avi(Path("audio_first.avi"), 12, Frame, {.audio_first = true});
    clsAVIInfo info;
    ASSERT_TRUE(info.ReadFile(Path("audio_first.avi")));
    EXPECT_EQ(info.VideoStream(), 1);
    EXPECT_TRUE(info.HasAudio());

    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("audio_first.avi")));
    EXPECT_TRUE(rec.is_DV());
    EXPECT_FALSE(rec.Avi().Has_Text_Stream());
    // The AVI's own headers are the video stream's.
    EXPECT_EQ(rec.Avi().Hash_atype(), "vids");
    ASSERT_EQ(rec.Avi().get_AVI_strf().size(), 40u);
    EXPECT_EQ(std::memcmp(rec.Avi().get_AVI_strf().data() + 16, "dvsd", 4), 0);
    Expect_all_frames(rec, 12, "01dc");
}

// A capture cut off: the same file cut before its index, in the middle of a frame, and with the
// sizes a writer leaves until it finishes.
TEST_F(Foreign_avi, AnAviCutOffBeforeItsIndexOpensWithAllItsWholeFrames)
{
    Mux_DV_avi(Path("whole.avi"), 10, Frame, {.audio_first = true});
    clsAVIInfo info;
    ASSERT_TRUE(info.ReadFile(Path("whole.avi")));
    ASSERT_GT(info.IndexOffset(), 0);
    std::vector<int64_t> chunks;
    {
        cls_AVI_handler whole;
        ASSERT_TRUE(whole.Open_File(Path("whole.avi")));
        for (int k = 1; k <= 10; ++k) {
            ASSERT_TRUE(whole.Read_Frame(k));
            chunks.push_back(whole.Avi().Chunk_Position());
        }
    }
    const std::string bytes = test::Read_file(Path("whole.avi"));
    auto cut = [&](const std::string& name, int64_t length) {
        test::Write_file(Path(name), bytes.substr(0, size_t(length)));
        return Path(name);
    };

    cls_AVI_handler rec;
    {
        const Recording_outcome opened = rec.Open_File(cut("before_index.avi", info.IndexOffset()));
        ASSERT_TRUE(opened);
        EXPECT_TRUE(test::Told(opened, Recording_problem::Kind::index_rebuilt, "the index was rebuilt from its movie data: 10 frames"));
    }
    Expect_all_frames(rec, 10, "01dc");

    // Frame 8 only in part: seven whole frames.
    {
        const Recording_outcome opened = rec.Open_File(cut("in_frame.avi", chunks[7] + 8 + 70000));
        ASSERT_TRUE(opened);
        EXPECT_TRUE(test::Told(opened, Recording_problem::Kind::index_rebuilt, "the index was rebuilt from its movie data: 7 frames"));
    }
    Expect_all_frames(rec, 7, "01dc");

    // The RIFF and movi sizes as writers leave them until they finish (libavformat: all ones).
    for (const uint32_t unwritten : {0xFFFFFFFFu, 0u}) {
        SCOPED_TRACE(unwritten);
        const std::string path = cut("unfinished.avi", chunks[7] + 8 + 70000);
        Patch_u32(path, 4, unwritten);
        Patch_u32(path, info.MovieOffset() - 4, unwritten);
        {
            const Recording_outcome opened = rec.Open_File(path);
            ASSERT_TRUE(opened);
            EXPECT_TRUE(test::Told(opened, Recording_problem::Kind::index_rebuilt, "the index was rebuilt from its movie data: 7 frames"));
        }
        Expect_all_frames(rec, 7, "01dc");
    }

    // Nothing but the headers: no frame to show.
    const Recording_outcome headers = rec.Open_File(cut("headers.avi", info.MovieOffset() + 4));
    EXPECT_FALSE(headers);
    EXPECT_TRUE(test::Told(headers, Recording_problem::Kind::no_index,
                           Path("headers.avi") + " Wakeline, Full version  found no AVI index! "));
    EXPECT_FALSE(rec.File_open());
}

// ---- OpenDML files built by hand ----

// A DV AVI of two or more RIFF parts with the OpenDML indexes: a super index in the video
// stream's list naming one standard index "ix00" per part (at the end of the part's movi list),
// the extended frame count, and an idx1 of the first part.
struct Odml_avi {
    std::vector<size_t> per_part = {3, 2}; // frames in each part
    size_t indexed_parts = 2;              // parts the super index names (0: room for it only)
    bool idx1 = true;

    std::vector<uint8_t> bytes;
    int64_t indx_at = 0;                   // the super index chunk header
    std::vector<int64_t> ix_at;            // the standard index chunk headers
    std::vector<int64_t> frame_at;         // the frame chunk headers

    std::vector<uint8_t> Build(const std::function<std::span<const uint8_t>(int64_t)>& frame)
    {
        size_t total = 0;
        for (size_t n : per_part) total += n;
        for (size_t part = 0; part < per_part.size(); ++part) {
            test::Riff_builder r(part == 0 ? "AVI " : "AVIX");
            if (part == 0) Headers(r, uint32_t(per_part[0]), uint32_t(total));
            Movie(r, part, frame);
            const std::vector<uint8_t> b = r.Finish();
            bytes.insert(bytes.end(), b.begin(), b.end());
        }
        Fill_super_index();
        return bytes;
    }

private:
    void Headers(test::Riff_builder& r, uint32_t first_part_frames, uint32_t total)
    {
        r.Begin_list("hdrl");
        test::Avi_main m;
        m.total_frames = first_part_frames;
        r.Chunk("avih", test::Avi_main_header(m));
        r.Begin_list("strl");
        test::Avi_stream s;
        s.length = total;
        r.Chunk("strh", test::Avi_stream_header(s));
        r.Chunk("strf", test::Bitmap_info_header(720, 576, 24, "dvsd", 144000));
        std::vector<uint8_t> indx;
        test::Put_u16(indx, 4);   // longs per entry
        indx.push_back(0);        // sub type
        indx.push_back(0);        // index of indexes
        test::Put_u32(indx, 0);   // entries in use, filled in later
        test::Put_fourcc(indx, "00dc");
        indx.resize(24 + 16 * 4, 0);
        indx_at = r.Chunk(indexed_parts > 0 ? "indx" : "JUNK", indx);
        r.End_list();
        if (indexed_parts > 0) {
            r.Begin_list("odml");
            std::vector<uint8_t> dmlh;
            test::Put_u32(dmlh, total);
            dmlh.resize(248, 0);
            r.Chunk("dmlh", dmlh);
            r.End_list();
        }
        r.End_list();
    }

    void Movie(test::Riff_builder& r, size_t part, const std::function<std::span<const uint8_t>(int64_t)>& frame)
    {
        const int64_t at = int64_t(bytes.size()); // where this part starts in the file
        const int64_t movie = r.Begin_list("movi") + 8;
        std::vector<int64_t> chunks;
        for (size_t k = 0; k < per_part[part]; ++k) {
            chunks.push_back(r.Chunk("00dc", frame(int64_t(frame_at.size()))));
            frame_at.push_back(at + chunks.back());
        }
        std::vector<uint8_t> ix;
        test::Put_u16(ix, 2);   // longs per entry
        ix.push_back(0);        // frames, not fields
        ix.push_back(1);        // index of chunks
        test::Put_u32(ix, uint32_t(chunks.size()));
        test::Put_fourcc(ix, "00dc");
        const uint64_t base = uint64_t(at + movie);
        test::Put_u32(ix, uint32_t(base));
        test::Put_u32(ix, uint32_t(base >> 32));
        test::Put_u32(ix, 0);
        for (const int64_t c : chunks) {
            test::Put_u32(ix, uint32_t(at + c + 8 - int64_t(base)));
            test::Put_u32(ix, 144000);
        }
        ix_at.push_back(at + r.Chunk("ix00", ix));
        r.End_list();
        if (part == 0 && idx1) {
            std::vector<uint8_t> index;
            for (const int64_t c : chunks) {
                const auto e = test::Idx1_entry("00dc", 0x10, uint32_t(c - movie), 144000);
                index.insert(index.end(), e.begin(), e.end());
            }
            r.Chunk("idx1", index);
        }
    }

    void Fill_super_index()
    {
        const size_t data = size_t(indx_at) + 8;
        Put_u32_at(bytes, data + 4, uint32_t(indexed_parts));
        for (size_t p = 0; p < indexed_parts; ++p) {
            Put_u64_at(bytes, data + 24 + 16 * p, uint64_t(ix_at[p]));
            Put_u32_at(bytes, data + 24 + 16 * p + 8, 8 + 24 + 8 * uint32_t(per_part[p]));
            Put_u32_at(bytes, data + 24 + 16 * p + 12, uint32_t(per_part[p]));
        }
    }
};

TEST_F(Foreign_avi, AnOpenDmlIndexReadsEveryPartAndAPartItDoesNotReachIsWalked)
{
    Odml_avi full;
    test::Write_bytes(Path("full.avi"), full.Build(Frame));
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("full.avi")));
    Expect_all_frames(rec, 5);
    ASSERT_TRUE(rec.Read_Frame(4));
    EXPECT_EQ(rec.Avi().Chunk_Position(), full.frame_at[3]);

    // The super index names the first part only (a capture cut off in its second part).
    Odml_avi first_only;
    first_only.indexed_parts = 1;
    test::Write_bytes(Path("first_only.avi"), first_only.Build(Frame));
    {
        const Recording_outcome opened = rec.Open_File(Path("first_only.avi"));
        ASSERT_TRUE(opened);
        EXPECT_TRUE(test::Told(opened, Recording_problem::Kind::index_rebuilt, "its AVI index does not reach its last frames; the index was rebuilt"));
    }
    Expect_all_frames(rec, 5);

    // No OpenDML index at all, an idx1 of the first part: three parts.
    Odml_avi idx1_only;
    idx1_only.indexed_parts = 0;
    idx1_only.per_part = {2, 2, 3};
    test::Write_bytes(Path("idx1_only.avi"), idx1_only.Build(Frame));
    {
        const Recording_outcome opened = rec.Open_File(Path("idx1_only.avi"));
        ASSERT_TRUE(opened);
        EXPECT_TRUE(test::Told(opened, Recording_problem::Kind::index_rebuilt, "the index was rebuilt from its movie data: 7 frames"));
    }
    Expect_all_frames(rec, 7);
}

TEST_F(Foreign_avi, AnOpenDmlIndexThatCannotBeUsedRefusesTheOpen)
{
    auto refused = [&](const std::string& name, const std::function<void(Odml_avi&, std::vector<uint8_t>&)>& damage,
                       const std::string& why) {
        SCOPED_TRACE(name);
        Odml_avi a;
        std::vector<uint8_t> bytes = a.Build(Frame);
        damage(a, bytes);
        test::Write_bytes(Path(name), bytes);
        cls_AVI_handler rec;
        const Recording_outcome opened = rec.Open_File(Path(name));
        EXPECT_FALSE(opened);
        EXPECT_TRUE(test::Told(opened, Recording_problem::Kind::index_refused, "its OpenDML index cannot be used (" + why));
        EXPECT_FALSE(rec.File_open());
        EXPECT_EQ(rec.num_frames(), 0);
    };
    // Where the super index gives the second standard index.
    auto second = [](const Odml_avi& a) { return size_t(a.indx_at) + 8 + 24 + 16; };
    refused("at_frame.avi", [&](Odml_avi& a, auto& b) { Put_u64_at(b, second(a), uint64_t(a.frame_at[3])); },
            "a standard index is missing");
    refused("past_end.avi", [&](Odml_avi& a, auto& b) { Put_u64_at(b, second(a), b.size() + 100); },
            "a standard index is missing");
    // A field index: two offsets a frame, not read.
    refused("fields.avi", [](Odml_avi& a, auto& b) { b[size_t(a.ix_at[1]) + 8 + 2] = 1; },
            "a standard index of another kind");
    refused("super_kind.avi", [](Odml_avi& a, auto& b) { b[size_t(a.indx_at) + 8] = 2; },
            "a super index of another kind");
    // The last frame of the second part (its size 44 bytes into the index) said to run past the end.
    refused("long_frame.avi", [](Odml_avi& a, auto& b) { Put_u32_at(b, size_t(a.ix_at[1]) + 44, 1000000); },
            "a frame lies past the end of the file");
    // A base two bytes off: the offsets point beside the frames.
    refused("base.avi", [](Odml_avi& a, auto& b) {
        uint64_t base;
        std::memcpy(&base, b.data() + a.ix_at[0] + 20, 8);
        Put_u64_at(b, size_t(a.ix_at[0]) + 20, base + 2);
    }, "it points at no frame");
}

} // namespace
} // namespace wk
