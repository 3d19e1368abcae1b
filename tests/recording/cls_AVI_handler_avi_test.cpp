// The recording object on AVI files: opening through the idx1 index, reading frames, the header
// and DV-header chunks appended to the file, the AVI's own headers and its text stream.
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Run_time_error.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/recording/Recording_maker.h"
#include "tests/recording/Told.h"
#include "tests/support/Test_support.h"

#include <cstring>
#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::DV_frame;

uint32_t U32_at(const std::string& bytes, size_t at)
{
    uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

void Put_u32_at(std::vector<uint8_t>& bytes, size_t at, uint32_t v) { std::memcpy(bytes.data() + at, &v, 4); }

bool Same_bytes(std::span<const uint8_t> a, const DV_frame& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), b.size()) == 0;
}

const std::vector<DV_frame>& Frames()
{
    static const std::vector<DV_frame> frames = test::Make_DV_frames(5);
    return frames;
}

// A 'vids' AVI with the given chunks in its movi list and the given idx1 entries (none: no idx1).
struct Hand_avi {
    std::string handler = "dvsd";
    int32_t height = 576;
    uint32_t total_frames = 1;
    uint32_t us_per_frame = 40000;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> chunks;
    std::vector<uint8_t> index;
    bool with_index = true;
    int64_t movie_offset = 0;
    std::vector<int64_t> chunk_at;

    std::vector<uint8_t> Build()
    {
        test::Riff_builder r;
        r.Begin_list("hdrl");
        test::Avi_main m;
        m.total_frames = total_frames;
        m.us_per_frame = us_per_frame;
        m.height = uint32_t(height);
        r.Chunk("avih", test::Avi_main_header(m));
        r.Begin_list("strl");
        test::Avi_stream s;
        s.handler = handler;
        s.length = total_frames;
        s.height = int16_t(height);
        r.Chunk("strh", test::Avi_stream_header(s));
        r.Chunk("strf", test::Bitmap_info_header(720, height, 24, handler, height == 576 ? 144000 : 120000));
        r.End_list();
        r.End_list();
        movie_offset = r.Begin_list("movi") + 8;
        for (const auto& [id, data] : chunks) chunk_at.push_back(r.Chunk(id, data));
        r.End_list();
        if (with_index) r.Chunk("idx1", index);
        return r.Finish();
    }
    void Entry(const std::string& id, uint32_t offset, uint32_t length, uint32_t flags = 0x10)
    {
        const auto e = test::Idx1_entry(id, flags, offset, length);
        index.insert(index.end(), e.begin(), e.end());
    }
};

class Avi_recording : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock.now = {2026, 12, 8, 10, 0, 0, 0};
        g_Edition_text = "Wakeline, Full version";
    }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        test::Write_bytes(Path(name), bytes);
        return Path(name);
    }
    // The index entries of a fixture AVI, rewritten by f(entry number from 0, offset).
    static void Patch_offsets(test::Built_avi& b, const std::function<uint32_t(size_t, uint32_t)>& f)
    {
        const size_t n = U32_at(std::string(b.bytes.begin(), b.bytes.end()), size_t(b.index_offset) + 4) / 16;
        for (size_t i = 0; i < n; ++i) {
            const size_t at = size_t(b.index_offset) + 8 + 16 * i + 8;
            uint32_t o;
            std::memcpy(&o, b.bytes.data() + at, 4);
            Put_u32_at(b.bytes, at, f(i, o));
        }
    }
    std::string Error_log() const { return fs::exists(Error_log_path()) ? test::Read_file(Error_log_path()) : ""; }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
};

TEST_F(Avi_recording, OpensThroughItsIndexAndReadsEveryFrameByteForByte)
{
    for (const int type : {2, 1}) {
        SCOPED_TRACE(type);
        const auto built = test::Write_DV_AVI(Path("heat.avi"), Frames(), {.type = type, .audio = type == 2});
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(Path("heat.avi")));
        EXPECT_EQ(rec.num_frames(), 5);
        EXPECT_EQ(rec.Num_fields(), 10);
        EXPECT_EQ(rec.Width(), 720);
        EXPECT_EQ(rec.Height(), 576);
        EXPECT_EQ(rec.video_codec(), "CDVC");
        EXPECT_TRUE(rec.is_DV());
        EXPECT_EQ(rec.Clip_length(), 200);
        EXPECT_EQ(rec.Avi().RIFF_size(), built.bytes.size() - 8);
        EXPECT_EQ(rec.Avi().AVI_Chunk_addr(Avi_section::k_idx1_chunk), built.index_offset + 1);
        for (int k = 1; k <= 5; ++k) {
            ASSERT_TRUE(rec.Read_Frame(k)) << k;
            EXPECT_TRUE(Same_bytes(rec.Frame_bytes(), Frames()[size_t(k - 1)])) << k;
            EXPECT_EQ(rec.Avi().Chunk_Position(), built.frame_chunks[size_t(k - 1)]);
            EXPECT_EQ(rec.Frame_Length(), 144000);
            EXPECT_EQ(rec.Frame_in_store(), k);
            EXPECT_EQ(rec.Avi().Index_flag(k), 0x10);
        }
        EXPECT_EQ(rec.Position_Percent(), 100);
        EXPECT_FLOAT_EQ(rec.Golf().Player_Time(), 160.0f);
        // Past the end: the last frame.
        ASSERT_TRUE(rec.Read_Frame(9));
        EXPECT_EQ(rec.Frame_in_store(), 5);
        EXPECT_TRUE(Same_bytes(rec.Get_Frame(1), Frames()[0]));
        EXPECT_EQ(rec.Frame_address(), rec.Frame_bytes().data());
        EXPECT_THROW(rec.Avi().Index_flag(6), Run_time_error);
        rec.Close_File();
        EXPECT_EQ(rec.Avi().AVI_Chunk_addr(Avi_section::k_idx1_chunk), 0);
        EXPECT_EQ(g_File_Kind[0], 0);
    }
}

TEST_F(Avi_recording, EveryIndexBaseIsFoundAndTheFirstThatFitsWins)
{
    // Offsets counted from the byte after the movi list type.
    auto b = test::Build_DV_AVI(Frames());
    Patch_offsets(b, [](size_t, uint32_t o) { return o - 4; });
    Write("after_movi.avi", b.bytes);
    // Offsets counted from the start of the file.
    b = test::Build_DV_AVI(Frames());
    const auto movie = uint32_t(b.movie_offset);
    Patch_offsets(b, [movie](size_t, uint32_t o) { return o + movie; });
    Write("absolute.avi", b.bytes);
    for (const char* name : {"after_movi.avi", "absolute.avi"}) {
        SCOPED_TRACE(name);
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(Path(name)));
        for (int k : {1, 3, 5}) {
            ASSERT_TRUE(rec.Read_Frame(k));
            EXPECT_TRUE(Same_bytes(rec.Frame_bytes(), Frames()[size_t(k - 1)]));
            EXPECT_EQ(rec.Avi().Chunk_Position(), b.frame_chunks[size_t(k - 1)]);
        }
    }

    // An index whose first video entry fits both the movi base and the start of the file: the
    // movi base is tried first and must be kept. The index lists frames 2 to 5; the offset of
    // frame 2, read from the start of the file, falls inside frame 1, where a chunk id is planted.
    b = test::Build_DV_AVI(Frames());
    const size_t first = size_t(b.index_offset) + 8;
    b.bytes.erase(b.bytes.begin() + std::ptrdiff_t(first), b.bytes.begin() + std::ptrdiff_t(first + 16));
    Put_u32_at(b.bytes, size_t(b.index_offset) + 4, 4 * 16);
    Put_u32_at(b.bytes, 4, uint32_t(b.bytes.size() - 8));
    const uint32_t o2 = uint32_t(b.frame_chunks[1] - b.movie_offset);
    ASSERT_GT(o2, b.frame_chunks[0] + 8);
    ASSERT_LT(o2 + 4, b.frame_chunks[0] + 8 + 144000);
    std::memcpy(b.bytes.data() + o2, "00dc", 4);
    Write("both.avi", b.bytes);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("both.avi")));
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_EQ(rec.Avi().Chunk_Position(), b.frame_chunks[1]);
    EXPECT_TRUE(Same_bytes(rec.Frame_bytes(), Frames()[1]));
}

TEST_F(Avi_recording, AnIndexOfAtMost150000EntriesOpens)
{
    // Every entry names the one frame in the file: big indexes stay cheap.
    auto make = [&](const std::string& name, uint32_t entries) {
        Hand_avi a;
        a.total_frames = entries;
        a.chunks = {{"00dc", Frames()[2]}};
        a.index.reserve(size_t(entries) * 16);
        for (uint32_t i = 0; i < entries; ++i) a.Entry("00dc", 4, 144000);
        return Write(name, a.Build());
    };
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(make("max.avi", 150000)));
    EXPECT_EQ(rec.num_frames(), 150000);
    ASSERT_TRUE(rec.Read_Frame(150000));
    EXPECT_EQ(rec.Frame_in_store(), 150000);
    EXPECT_TRUE(Same_bytes(rec.Frame_bytes(), Frames()[2]));

    const Recording_outcome over = rec.Open_File(make("over.avi", 150001));
    EXPECT_FALSE(over);
    EXPECT_TRUE(test::Told(over, Recording_problem::Kind::index_refused, "150001 AVI index entries (at most 150000)"));
    EXPECT_FALSE(rec.File_open());
    EXPECT_EQ(rec.num_frames(), 0);
}

TEST_F(Avi_recording, IndexesThatCannotBeTrustedRefuseTheOpen)
{
    auto refused = [&](const std::string& name, const std::vector<uint8_t>& bytes, const std::string& message,
                       Recording_problem::Kind kind = Recording_problem::Kind::index_refused) {
        SCOPED_TRACE(name);
        Write(name, bytes);
        cls_AVI_handler rec;
        const Recording_outcome opened = rec.Open_File(Path(name));
        EXPECT_FALSE(opened);
        EXPECT_TRUE(test::Told(opened, kind, message));
        EXPECT_FALSE(rec.File_open());
    };
    // No index at all: the movie list is walked instead (a capture cut off before its index).
    Hand_avi none;
    none.chunks = {{"00dc", Frames()[0]}};
    none.with_index = false;
    Write("none.avi", none.Build());
    {
        cls_AVI_handler rec;
        const Recording_outcome opened = rec.Open_File(Path("none.avi"));
        ASSERT_TRUE(opened);
        EXPECT_TRUE(test::Told(opened, Recording_problem::Kind::index_rebuilt,
                               "the index was rebuilt from its movie data: 1 frame."));
        EXPECT_EQ(rec.num_frames(), 1);
    }

    // idx1 claims more entries than the file holds.
    auto b = test::Build_DV_AVI(Frames());
    Put_u32_at(b.bytes, size_t(b.index_offset) + 4, 5 * 16 + 1600);
    refused("long.avi", b.bytes, "found no AVI index!", Recording_problem::Kind::no_index);

    // Offsets that fit none of the three bases.
    b = test::Build_DV_AVI(Frames());
    Patch_offsets(b, [](size_t, uint32_t o) { return o + 1000; });
    refused("nowhere.avi", b.bytes, "points at no frame");

    Hand_avi audio_only;
    audio_only.chunks = {{"01wb", std::vector<uint8_t>(400, 0)}};
    audio_only.Entry("01wb", 4, 400);
    refused("audio.avi", audio_only.Build(), "lists no video frames");
}

TEST_F(Avi_recording, MicrosoftDvKeepsItsCodecNameAndIsDecodedAsDv)
{
    for (const auto& [handler, codec] : {std::pair<std::string, std::string>{"msdv", "msdv"},
                                         {"dvsd", "CDVC"},
                                         {"dv50", "CDVC"}}) {
        SCOPED_TRACE(handler);
        Hand_avi a;
        a.handler = handler;
        a.total_frames = 2;
        a.chunks = {{"00dc", Frames()[0]}, {"00dc", Frames()[1]}};
        a.Entry("00dc", 4, 144000);
        a.Entry("00dc", 4 + 8 + 144000, 144000);
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(Write(handler + ".avi", a.Build())));
        EXPECT_EQ(rec.video_codec(), codec);
        EXPECT_TRUE(rec.is_DV());
        EXPECT_FALSE(rec.NTSC());
        EXPECT_EQ(rec.Frame_Size(), 144000);
        EXPECT_EQ(rec.Num_fields(), 4); // played field by field, as DV is
        uint32_t fourcc = 0;
        std::memcpy(&fourcc, codec.data(), 4);
        EXPECT_EQ(uint32_t(rec.Source_Format().biCompression), fourcc);
        test::Picture picture;
        int32_t frame = 2;
        ASSERT_TRUE(rec.Draw_frame(frame, picture.dc));
        EXPECT_EQ(test::Code_in_row(picture, test::Code_row(1)), 3);
    }
}

TEST_F(Avi_recording, NtscMicrosoftDvReadsWholeNtscFrames)
{
    const auto frames = test::Make_DV_frames(2, {.ntsc = true});
    Hand_avi a;
    a.handler = "msdv";
    a.height = 480;
    a.total_frames = 2;
    a.us_per_frame = 33367;
    a.chunks = {{"00dc", frames[0]}, {"00dc", frames[1]}};
    a.Entry("00dc", 4, 120000);
    a.Entry("00dc", 4 + 8 + 120000, 120000);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Write("ntsc.avi", a.Build())));
    EXPECT_EQ(rec.video_codec(), "msdv");
    EXPECT_TRUE(rec.NTSC());
    EXPECT_EQ(rec.Height(), 480);
    EXPECT_EQ(rec.Frame_Size(), 120000);
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_TRUE(Same_bytes(rec.Frame_bytes(), frames[1]));
}

TEST_F(Avi_recording, AFrameThatCannotBeReadLeavesNoEarlierFrameBehind)
{
    Hand_avi a;
    a.total_frames = 4;
    a.chunks = {{"00dc", Frames()[0]}, {"00dc", Frames()[1]}};
    a.Entry("00dc", 4, 144000);
    a.Entry("00dc", 4 + 144008, 0);          // empty entry
    a.Entry("00dc", 4 + 144008, 144000 + 1000); // runs past the end of the file
    a.Entry("00db", 4, 144000);              // its id is not the chunk's
    const std::string path = Write("gaps.avi", a.Build());
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    for (int k : {2, 3, 4}) {
        ASSERT_TRUE(rec.Read_Frame(1));
        EXPECT_FALSE(rec.Read_Frame(k)) << k;
        EXPECT_EQ(rec.Frame_in_store(), 0);
        EXPECT_EQ(rec.Frame_Length(), 0);
        EXPECT_TRUE(rec.Frame_bytes().empty());
        EXPECT_TRUE(rec.Get_Frame(k).empty());
    }
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_NE(rec.Timecode_string().find("Timecode: 12:00:00"), std::string::npos);
    EXPECT_FALSE(rec.Read_Frame(2));
    EXPECT_NE(rec.Timecode_string().find("Timecode: No information"), std::string::npos);
}

TEST_F(Avi_recording, AnAppendedHeaderChunkCarriesTheWholeHeaderAndLeavesTheRestAlone)
{
    const auto built = test::Write_DV_AVI(Path("heat.avi"), Frames());
    const std::string before = test::Read_file(Path("heat.avi"));
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(Path("heat.avi")));
        EXPECT_FALSE(rec.Has_XML_header());
        ASSERT_TRUE(rec.Avi().Append_XML_header());
        EXPECT_TRUE(rec.Has_XML_header());
        // The default header is longer than the 20000 bytes a fixed chunk would give it.
        EXPECT_GT(rec.Header().XML_string().size(), 20000u);
    }
    const std::string after = test::Read_file(Path("heat.avi"));
    ASSERT_EQ(after.size(), before.size() + 8 + Avi_section::k_QSXM_min_size);
    EXPECT_EQ(U32_at(after, 4), after.size() - 8);
    EXPECT_EQ(after.substr(8, before.size() - 8), before.substr(8));
    EXPECT_EQ(after.substr(before.size(), 4), "QSXM");
    EXPECT_EQ(U32_at(after, before.size() + 4), uint32_t(Avi_section::k_QSXM_min_size));

    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("heat.avi")));
    EXPECT_TRUE(rec.Has_XML_header());
    EXPECT_EQ(rec.Avi().AVI_Chunk_addr(Avi_section::k_QSXM_chunk), int64_t(U32_at(before, 4)) + 9);
    EXPECT_EQ(rec.Header().Frames_no(), 0);
    EXPECT_EQ(rec.Header().Streams_no(), 1);
    ASSERT_TRUE(rec.Read_Frame(4));
    EXPECT_TRUE(Same_bytes(rec.Frame_bytes(), Frames()[3]));
    EXPECT_EQ(rec.Avi().Chunk_Position(), built.frame_chunks[3]);

    // Lane results and the like are rewritten in place.
    rec.Header().Subject_name("Final A");
    ASSERT_TRUE(rec.Write_XML_header());
    ASSERT_TRUE(rec.Open_File(Path("heat.avi")));
    EXPECT_EQ(rec.Header().Subject_name(), "Final A");
    EXPECT_EQ(test::Read_file(Path("heat.avi")).size(), after.size());

    // A header that would pass the chunk's end is refused and the stored one kept.
    const std::string stored = test::Read_file(Path("heat.avi"));
    rec.Header().Subject_name(std::string(Avi_section::k_QSXM_min_size, 'a'));
    EXPECT_FALSE(rec.Write_XML_header());
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::header_too_long, "too long"));
    rec.Close_File();
    EXPECT_EQ(test::Read_file(Path("heat.avi")), stored);
}

TEST_F(Avi_recording, NoChunkIsAppendedBehindAFileThatGoesOnAfterItsRiffChunk)
{
    auto b = test::Build_DV_AVI(Frames());
    // A second RIFF as large recordings have.
    for (char c : std::string("RIFF\x08\0\0\0AVIXLIST", 16)) b.bytes.push_back(uint8_t(c));
    const std::string path = Write("large.avi", b.bytes);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_FALSE(rec.Avi().Append_XML_header());
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::riff_continues, "continues after its RIFF chunk"));
    EXPECT_FALSE(rec.Avi().Append_DV_header());
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::riff_continues, "continues after its RIFF chunk"));
    rec.Close_File();
    EXPECT_EQ(test::Read_file(path), std::string(b.bytes.begin(), b.bytes.end()));
}

TEST_F(Avi_recording, AnAppendedDvHeaderChunkIsFoundAndAnAviIsNeverWrittenAsSdv)
{
    const std::string path = Write("heat.avi", test::Build_DV_AVI(Frames()).bytes);
    const int64_t size = int64_t(fs::file_size(path));
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_FALSE(rec.Has_DV_Header());
    ASSERT_TRUE(rec.Avi().Append_DV_header());
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_TRUE(rec.Has_DV_Header());
    EXPECT_EQ(rec.Avi().AVI_Chunk_addr(Avi_section::k_BXHD_chunk), size + 1);
    const std::string bytes = test::Read_file(path);
    EXPECT_EQ(bytes.substr(size_t(size), 4), "BXHD");
    EXPECT_EQ(U32_at(bytes, size_t(size) + 4), 21974u);
    EXPECT_EQ(bytes.substr(size_t(size) + 8, 4), "BXDV");
    EXPECT_EQ(U32_at(bytes, size_t(size) + 12), 21974u);
    EXPECT_EQ(U32_at(bytes, 4), bytes.size() - 8);
    // The record belongs at the start of sdv files only.
    EXPECT_FALSE(rec.Avi().Rewrite_DV_header());
    rec.Close_File();
    EXPECT_EQ(test::Read_file(path), bytes);
    EXPECT_NE(Error_log().find("Rewrite_DV_header of Class Module cls_AVI_handler"), std::string::npos);
}

TEST_F(Avi_recording, TheChunkWalkPadsOddSizesStopsAtTheRiffEndAndNeverReadsPastTheFile)
{
    std::string xml;
    {
        Cls_XML_header h;
        ASSERT_TRUE(h.Create_Header());
        h.Subject_name("walked");
        xml = h.XML_string();
    }
    auto base = test::Build_DV_AVI(Frames());
    auto with = [&](const std::vector<std::pair<std::string, std::vector<uint8_t>>>& chunks, int64_t cut = 0) {
        std::vector<uint8_t> bytes = base.bytes;
        for (const auto& [id, data] : chunks) {
            bytes.insert(bytes.end(), id.begin(), id.end());
            const uint32_t n = uint32_t(data.size());
            for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(n >> (8 * i)));
            bytes.insert(bytes.end(), data.begin(), data.end());
            if (n % 2) bytes.push_back(0);
        }
        Put_u32_at(bytes, 4, uint32_t(bytes.size() - 8 - cut));
        return bytes;
    };
    std::vector<uint8_t> header(xml.begin(), xml.end());
    header.resize(header.size() + 100, 0);
    const std::vector<uint8_t> odd(13, 'x');

    // After an odd-sized chunk and its pad byte.
    Write("odd.avi", with({{"JUNK", odd}, {"BXA2", odd}, {"QSXM", header}}));
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("odd.avi")));
    EXPECT_TRUE(rec.Has_XML_header());
    EXPECT_EQ(rec.Header().Subject_name(), "walked");
    EXPECT_EQ(rec.Avi().JUNK_pos(), int64_t(base.bytes.size()) + 9);
    EXPECT_EQ(rec.Avi().AVI_Chunk_addr(2), int64_t(base.bytes.size()) + 8 + 14 + 1);

    // A header that does not parse: the recording opens with an empty header.
    std::vector<uint8_t> broken(header.begin(), header.begin() + 500);
    Write("broken.avi", with({{"QSXM", broken}}));
    ASSERT_TRUE(rec.Open_File(Path("broken.avi")));
    EXPECT_TRUE(rec.Has_XML_header());
    EXPECT_THROW(rec.Header().Subject_name(std::string("x")), Run_time_error);
    EXPECT_NE(Error_log().find("The recording header cannot be read"), std::string::npos);
    ASSERT_TRUE(rec.Read_Frame(1));

    // Beyond the RIFF size: not noted.
    Write("short_riff.avi", with({{"QSXM", header}}, int64_t(header.size()) + 8));
    ASSERT_TRUE(rec.Open_File(Path("short_riff.avi")));
    EXPECT_FALSE(rec.Has_XML_header());
    EXPECT_EQ(rec.Stream().Selection_start(), 0);

    // A header chunk whose size runs past the end of the file.
    auto cut = with({{"QSXM", header}});
    Put_u32_at(cut, base.bytes.size() + 4, 1000000);
    Put_u32_at(cut, 4, uint32_t(base.bytes.size() + 8 + 1000000 - 8));
    Write("cut.avi", cut);
    ASSERT_TRUE(rec.Open_File(Path("cut.avi")));
    EXPECT_FALSE(rec.Has_XML_header());
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_TRUE(Same_bytes(rec.Frame_bytes(), Frames()[1]));
}

TEST_F(Avi_recording, TheAviHeadersAreKeptAndTheFrameRateRewrittenOnlyWhenRead)
{
    const std::string path = Write("heat.avi", test::Build_DV_AVI(Frames()).bytes);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Avi().Hash_atype(), "vids");
    ASSERT_EQ(rec.Avi().get_AVI_strh().size(), 56u);
    EXPECT_EQ(std::memcmp(rec.Avi().get_AVI_strh().data() + 4, "dvsd", 4), 0);
    ASSERT_EQ(rec.Avi().get_AVI_strf().size(), 40u);
    EXPECT_EQ(std::memcmp(rec.Avi().get_AVI_strf().data() + 16, "dvsd", 4), 0);
    ASSERT_EQ(rec.Avi().AVI_Chunk_addr().size(), 8u);
    EXPECT_EQ(std::memcmp(rec.Avi().AVI_Chunk_addr().data(), "avih", 4), 0);
    ASSERT_EQ(rec.Avi().AVIInfo_addr().size(), 56u);
    uint32_t us;
    std::memcpy(&us, rec.Avi().AVIInfo_addr().data(), 4);
    EXPECT_EQ(us, 40000u);

    const std::string before = test::Read_file(path);
    ASSERT_TRUE(rec.Avi().Force_Framerate(30));
    rec.Close_File();
    const std::string after = test::Read_file(path);
    EXPECT_EQ(U32_at(after, 32), 33333u);
    EXPECT_EQ(after.substr(0, 32), before.substr(0, 32));
    EXPECT_EQ(after.substr(36), before.substr(36));
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.frame_rate(), 30);
    EXPECT_EQ(rec.mill_per_frame(), 16); // 33 ms a frame, played by fields
    rec.Close_File();

    // Without headers read from this file nothing is written.
    EXPECT_THROW(rec.Avi().Force_Framerate(25), Run_time_error);
    EXPECT_EQ(test::Read_file(path), after);
}

TEST_F(Avi_recording, TheTextStreamIsReadWithItsFrameAndWrittenOnlyWhereItFits)
{
    Hand_avi a;
    a.total_frames = 2;
    auto text = [](char c) {
        std::vector<uint8_t> t(100, uint8_t(c));
        return t;
    };
    a.chunks = {{"00dc", Frames()[0]}, {"01db", text('a')}, {"00dc", Frames()[1]}, {"01db", text('b')}};
    // The chunks lie at movi + 4, then each 8 + data further on.
    uint32_t o = 4;
    for (const auto& [id, data] : a.chunks) {
        a.Entry(id, o, uint32_t(data.size()));
        o += 8 + uint32_t(data.size());
    }
    const std::string path = Write("text.avi", a.Build());
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.num_frames(), 2);
    ASSERT_TRUE(rec.Avi().Has_Text_Stream());
    EXPECT_EQ(rec.Avi().Text_Length(), 100);
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_TRUE(Same_bytes(rec.Frame_bytes(), Frames()[1]));
    ASSERT_EQ(rec.Avi().text_adress().size(), 100u);
    EXPECT_EQ(rec.Avi().text_adress()[0], 'b');
    EXPECT_EQ(rec.Avi().Text_Position(), a.chunk_at[3] + 9);
    // Handed back from the chunk header on.
    const auto chunk = rec.Avi().Get_Text_buffer(1);
    ASSERT_EQ(chunk.size(), 100u);
    EXPECT_EQ(std::memcmp(chunk.data(), "01db", 4), 0);
    EXPECT_EQ(chunk[8], 'a');

    const std::string before = test::Read_file(path);
    EXPECT_FALSE(rec.Avi().Put_Text_buffer(std::vector<uint8_t>(89, 'x')));
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::text_overflow, "Text buffer overflow at rewrite!"));
    EXPECT_EQ(test::Read_file(path), before);
    ASSERT_TRUE(rec.Avi().Put_Text_buffer(std::vector<uint8_t>(88, 'y')));
    const std::string after = test::Read_file(path);
    const size_t data = size_t(a.chunk_at[3]) + 8;
    EXPECT_EQ(after.substr(data, 4), "bbbb");
    EXPECT_EQ(after.substr(data + 4, 88), std::string(88, 'y'));
    EXPECT_EQ(after.substr(data + 92), before.substr(data + 92));
}

TEST_F(Avi_recording, ATextChunkClaimingGigabytesGivesOnlyWhatTheFileHolds)
{
    Hand_avi a;
    a.total_frames = 1;
    a.chunks = {{"00dc", Frames()[0]}, {"01db", std::vector<uint8_t>(100, uint8_t('t'))}};
    a.Entry("00dc", 4, uint32_t(Frames()[0].size()));
    // A damaged index: the text chunk says it is nearly 4 GiB long.
    a.Entry("01db", 4 + 8 + uint32_t(Frames()[0].size()), 0xFFFFFFF0u);
    const std::string path = Write("text_huge.avi", a.Build());
    const auto file_size = std::filesystem::file_size(path);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    ASSERT_TRUE(rec.Avi().Has_Text_Stream());
    const long peak_before = test::Peak_memory_kb();
    const auto chunk = rec.Avi().Get_Text_buffer(1);
    EXPECT_LT(test::Peak_memory_kb() - peak_before, 64 * 1024) << "the claimed length was allocated";
    EXPECT_LE(chunk.size(), file_size);
    ASSERT_GE(chunk.size(), 108u);
    EXPECT_EQ(std::memcmp(chunk.data(), "01db", 4), 0);
    EXPECT_EQ(chunk[8], 't');
    EXPECT_TRUE(rec.Avi().Get_Text_buffer(2).empty());
}

TEST_F(Avi_recording, ACompressedAviIsShownFrameByFrame)
{
    Hand_avi a;
    a.handler = "MJPG";
    a.total_frames = 3;
    for (int i = 0; i < 3; ++i) {
        a.chunks.push_back({"00dc", std::vector<uint8_t>(1000, uint8_t(i))});
        a.Entry("00dc", 4 + uint32_t(i) * 1008, 1000);
    }
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Write("clip.avi", a.Build())));
    EXPECT_FALSE(rec.is_DV());
    EXPECT_TRUE(rec.Is_Deinterlaced());
    EXPECT_EQ(rec.Num_fields(), 3);
    EXPECT_EQ(rec.mill_per_frame(), 40);
    ASSERT_TRUE(rec.Read_Frame(3));
    EXPECT_EQ(rec.Frame_bytes().size(), 1000u);
    EXPECT_EQ(rec.Frame_bytes()[999], 2);
    rec.Let_Current_Field(5);
    rec.Let_Current_Frame(3);
    EXPECT_EQ(rec.xCurrent(), 3);
    EXPECT_EQ(rec.Current_net(), 3);
}

TEST_F(Avi_recording, AStandardIndexIsFoundWithinItsSearchRange)
{
    std::vector<uint8_t> bytes(25000, 0);
    const size_t at = 19998; // across the border of the first two blocks
    std::memcpy(bytes.data() + at, "ix00", 4);
    Put_u32_at(bytes, at + 4, 24 + 3 * 8);
    bytes[at + 8] = 2; // longs per entry
    Put_u32_at(bytes, at + 12, 3);
    for (uint32_t k = 0; k < 3; ++k) {
        Put_u32_at(bytes, at + 32 + 8 * k, 1000 * (k + 1));
        Put_u32_at(bytes, at + 36 + 8 * k, 500 + k);
    }
    auto b = test::Build_DV_AVI(Frames());
    b.bytes.insert(b.bytes.end(), bytes.begin(), bytes.end()); // after the RIFF: only searched, never walked
    const std::string path = Write("ix.avi", b.bytes);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    const int64_t start = int64_t(b.bytes.size() - bytes.size());
    ASSERT_TRUE(rec.Avi().Read_ix00_Index(start));
    ASSERT_EQ(rec.Avi().ix00_entries().size(), 3u);
    EXPECT_EQ(rec.Avi().ix00_entries()[2].Offset, 3000u);
    EXPECT_EQ(rec.Avi().ix00_entries()[2].Size, 502u);
    EXPECT_FALSE(rec.Avi().Read_ix00_Index(start + int64_t(at) + 1));
    EXPECT_TRUE(rec.Avi().ix00_entries().empty());
}

} // namespace
} // namespace wk
