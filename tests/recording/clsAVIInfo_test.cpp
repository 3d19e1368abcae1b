// The AVI parser on DV AVI files made by the fixtures and on hand-made RIFF files.
#include "recording/clsAVIInfo.h"
#include "recording/cls_IDX.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Test_support.h"

#include <cstring>

namespace wk {
namespace {

using test::DV_frame;

std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

class clsAVIInfo_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() { frames_ = new std::vector<DV_frame>(test::Make_DV_frames(5)); }
    static void TearDownTestSuite()
    {
        delete frames_;
        frames_ = nullptr;
    }
    static const std::vector<DV_frame>& frames() { return *frames_; }
    static std::vector<DV_frame>* frames_;

    clsAVIInfo_test()
    {
        avi.ReadError = [this](const std::string& m) { errors.push_back(m); };
        // Shown as the recording object shows them.
        avi.Problems.Handle_with([](const Recording_problem& problem) { platform::MsgBox(problem.Text()); });
    }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        test::Write_bytes(Path(name), bytes);
        return Path(name);
    }

    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    clsAVIInfo avi;
    std::vector<std::string> errors;
};
std::vector<DV_frame>* clsAVIInfo_test::frames_ = nullptr;

// A one-stream 'vids' AVI whose strl can be given extra chunks, with room for broken values.
struct Hand_made {
    test::Avi_main main{};
    test::Avi_stream stream{};
    std::vector<uint8_t> strf = test::Bitmap_info_header(720, 576, 24, "dvsd", 144000);
    std::function<void(test::Riff_builder&)> in_strl;
    std::function<void(test::Riff_builder&)> before_movi;
    int64_t movie_offset = 0;
    int64_t index_offset = 0;

    std::vector<uint8_t> Build(const DV_frame& frame)
    {
        test::Riff_builder r;
        r.Begin_list("hdrl");
        main.total_frames = 1;
        r.Chunk("avih", test::Avi_main_header(main));
        r.Begin_list("strl");
        stream.length = 1;
        r.Chunk("strh", test::Avi_stream_header(stream));
        r.Chunk("strf", strf);
        if (in_strl) in_strl(r);
        r.End_list();
        r.End_list();
        if (before_movi) before_movi(r);
        movie_offset = r.Begin_list("movi") + 8;
        const int64_t chunk = r.Chunk("00dc", frame);
        r.End_list();
        index_offset = r.Chunk("idx1", test::Idx1_entry("00dc", 0x10, uint32_t(chunk - movie_offset), 144000));
        return r.Finish();
    }
};

TEST_F(clsAVIInfo_test, Type2DvAviGivesItsPictureRateCodecAndOffsets)
{
    const auto built = test::Write_DV_AVI(Path("heat.avi"), frames());
    ASSERT_TRUE(avi.ReadFile(Path("heat.avi")));
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(avi.AVI_valid());
    EXPECT_EQ(avi.Width(), 720);
    EXPECT_EQ(avi.Height(), 576);
    EXPECT_EQ(avi.FrameRate(), 25);
    EXPECT_EQ(avi.NumFrames(), 5);
    EXPECT_EQ(avi.NumStreams(), 1);
    EXPECT_EQ(avi.PlayLength(), 0); // 0.2 s
    EXPECT_EQ(avi.VideoCodec(), "dvsd");
    EXPECT_EQ(avi.CodecToName(avi.VideoCodec()), "Pinacle systems DV");
    EXPECT_EQ(avi.BitDepth(), 24);
    EXPECT_TRUE(avi.HasVideo());
    EXPECT_FALSE(avi.HasAudio());
    EXPECT_FALSE(avi.iavs());
    EXPECT_EQ(avi.MovieOffset(), built.movie_offset);
    EXPECT_EQ(avi.IndexOffset(), built.index_offset);
    EXPECT_EQ(avi.RIFFsize(), int32_t(built.bytes.size() - 8));
    EXPECT_EQ(avi.FileSize(), int64_t(built.bytes.size()));
    EXPECT_EQ(avi.filename(), Path("heat.avi"));
    EXPECT_EQ(avi.PadBytes(), 0);
    // The stored bitmap header is the file's strf, byte for byte.
    ASSERT_NE(avi.bmi_address(), nullptr);
    EXPECT_EQ(std::memcmp(avi.bmi_address(), built.bytes.data() + 172, 40), 0);

    // What the index reader does with it: the first entry's offset counts from MovieOffset.
    cls_IDX e;
    e.ChunkId = "00dc";
    std::memcpy(&e.dwChunkOffset, built.bytes.data() + built.index_offset + 8 + 8, 4);
    EXPECT_EQ(avi.MovieOffset() + e.dwChunkOffset, built.frame_chunks[0]);
}

TEST_F(clsAVIInfo_test, AudioStreamAndLongerPlayLengthAreReported)
{
    const auto many = test::Make_DV_frames(63);
    test::Write_DV_AVI(Path("a.avi"), many, {.audio = true});
    ASSERT_TRUE(avi.ReadFile(Path("a.avi")));
    EXPECT_EQ(avi.NumStreams(), 2);
    EXPECT_EQ(avi.PlayLength(), 3); // 2.52 s
    EXPECT_TRUE(avi.HasAudio());
    EXPECT_EQ(avi.AudioFormat(), "Microsoft PCM");
    EXPECT_EQ(avi.AudioCodec(), std::string(4, '\0'));
    EXPECT_EQ(avi.Channels(), 2);
    EXPECT_EQ(avi.SamplesPerSec(), 48000);
    EXPECT_EQ(avi.BytePerSec(), 192000);
}

TEST_F(clsAVIInfo_test, Type1IavsFileTakesItsSizeFromTheBufferSizeAndANextFileIsReadAfresh)
{
    test::Write_DV_AVI(Path("pal.avi"), frames(), {.type = 1, .suggested_buffer = 144008});
    ASSERT_TRUE(avi.ReadFile(Path("pal.avi")));
    EXPECT_TRUE(avi.iavs());
    EXPECT_EQ(avi.Width(), 720);
    EXPECT_EQ(avi.Height(), 576);
    EXPECT_EQ(avi.FrameRate(), 25);
    EXPECT_EQ(avi.NumFrames(), 5);
    EXPECT_EQ(avi.VideoCodec(), "dvsd");
    EXPECT_EQ(avi.bmi_address(), nullptr);
    EXPECT_EQ(avi.PlayLength(), 0);

    test::Write_DV_AVI(Path("ntsc.avi"), frames(), {.type = 1, .suggested_buffer = 120000});
    ASSERT_TRUE(avi.ReadFile(Path("ntsc.avi")));
    EXPECT_EQ(avi.Width(), 720);
    EXPECT_EQ(avi.Height(), 480);
    EXPECT_EQ(avi.FrameRate(), 29);

    test::Write_DV_AVI(Path("odd.avi"), frames(), {.type = 1, .suggested_buffer = 150000});
    ASSERT_TRUE(avi.ReadFile(Path("odd.avi")));
    EXPECT_EQ(avi.Width(), 0);
    EXPECT_EQ(avi.FrameRate(), 0);

    // The same object then reads a type-2 file as what it is.
    Hand_made h;
    h.main.width = 360;
    h.main.height = 288;
    ASSERT_TRUE(avi.ReadFile(Write("vids.avi", h.Build(frames()[0]))));
    EXPECT_FALSE(avi.iavs());
    EXPECT_EQ(avi.Width(), 360);
    EXPECT_EQ(avi.Height(), 288);
    EXPECT_NE(avi.bmi_address(), nullptr);
    EXPECT_TRUE(errors.empty());
}

TEST_F(clsAVIInfo_test, TheWalkGoesOnAfterMoviWhateverFollowsIt)
{
    // JUNK and another LIST between movi and the index.
    const auto junk = test::Write_DV_AVI(Path("junk.avi"), frames(), {.junk_after_movi = 13, .list_after_movi = true});
    ASSERT_TRUE(avi.ReadFile(Path("junk.avi")));
    EXPECT_EQ(avi.MovieOffset(), junk.movie_offset);
    EXPECT_EQ(avi.IndexOffset(), junk.index_offset);
    EXPECT_EQ(avi.PadBytes(), 14);

    // No index at all.
    const auto none = test::Write_DV_AVI(Path("none.avi"), frames(), {.index = false});
    ASSERT_TRUE(avi.ReadFile(Path("none.avi")));
    EXPECT_EQ(avi.MovieOffset(), none.movie_offset);
    EXPECT_EQ(avi.IndexOffset(), 0);

    // Chunks appended after the index (the recording's own header chunks) are walked over.
    auto bytes = test::Build_DV_AVI(frames()).bytes;
    const auto index_at = test::Build_DV_AVI(frames()).index_offset;
    test::Riff_builder tail("AVI ");
    tail.Chunk("QSXM", std::string(301, 'x'));
    tail.Chunk("JUNK", std::string(8, '\0'));
    const auto extra = tail.Finish();
    bytes.insert(bytes.end(), extra.begin() + 12, extra.end());
    ASSERT_TRUE(avi.ReadFile(Write("tail.avi", bytes)));
    EXPECT_EQ(avi.IndexOffset(), index_at);
    EXPECT_EQ(avi.PadBytes(), 8);
    EXPECT_TRUE(errors.empty());
}

TEST_F(clsAVIInfo_test, OddChunkSizesAreRoundedUpAndTheInfoListIsRead)
{
    Hand_made h;
    h.in_strl = [](test::Riff_builder& r) { r.Chunk("strn", std::string_view("thirteen byte")); };
    h.before_movi = [](test::Riff_builder& r) {
        r.Begin_list("INFO");
        r.Chunk("ISFT", std::string_view("Wakeline 3.0\0", 13));
        r.Chunk("INAM", std::string_view("Heat 7\0", 7));
        r.End_list();
        r.Chunk("JUNK", std::string(5, '\0'));
    };
    const auto bytes = h.Build(frames()[0]);
    ASSERT_TRUE(avi.ReadFile(Write("odd.avi", bytes)));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(avi.MovieOffset(), h.movie_offset);
    EXPECT_EQ(avi.IndexOffset(), h.index_offset);
    EXPECT_EQ(avi.PadBytes(), 6);

    std::vector<int32_t> list{99};
    ASSERT_EQ(avi.GetInfoList(list), 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], clsAVIInfo::FourCCToLong("ISFT"));
    EXPECT_EQ(list[1], clsAVIInfo::FourCCToLong("INAM"));
    EXPECT_EQ(avi.QueryInfo(list[0]), "Wakeline 3.0");
    EXPECT_EQ(avi.QueryInfo(list[1]), "Heat 7");
    EXPECT_EQ(avi.QueryInfo(clsAVIInfo::FourCCToLong("ICMT")), "");
    EXPECT_EQ(clsAVIInfo::GetInfoName(list[0]), "Software");
    EXPECT_EQ(clsAVIInfo::GetInfoName(list[1]), "Name/Title");

    // The next file has no INFO list: the old one is gone, the caller's array untouched.
    test::Write_DV_AVI(Path("plain.avi"), frames());
    ASSERT_TRUE(avi.ReadFile(Path("plain.avi")));
    std::vector<int32_t> keep{7};
    EXPECT_EQ(avi.GetInfoList(keep), 0);
    EXPECT_EQ(keep, std::vector<int32_t>{7});
}

TEST_F(clsAVIInfo_test, VideoStreamWithoutHandlerReportsTheBitmapCompression)
{
    Hand_made h;
    h.stream.handler = std::string(4, '\0');
    ASSERT_TRUE(avi.ReadFile(Write("nul.avi", h.Build(frames()[0]))));
    EXPECT_EQ(avi.VideoCodec(), "dvsd");
}

TEST_F(clsAVIInfo_test, EmptyMissingAndForeignFilesFailAsExpected)
{
    test::Write_file(Path("empty.avi"), "");
    EXPECT_FALSE(avi.ReadFile(Path("empty.avi")));
    EXPECT_EQ(errors, std::vector<std::string>{"File not found or contains no data!"});

    errors.clear();
    dialogs.Expect_message("File not found530ReadFile of Class Module clsAVIInfo");
    EXPECT_FALSE(avi.ReadFile(Path("missing.avi")));
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(dialogs.styles.size(), 1u);
    EXPECT_EQ(dialogs.styles[0], platform::vbOKOnly);

    // A folder cannot be read as a file.
    dialogs.Expect_message("Access error!");
    EXPECT_FALSE(avi.ReadFile(home.path().string()));
    EXPECT_TRUE(errors.empty());

    // A DV file is not an AVI.
    test::Write_DV_file(Path("heat.dv"), {frames()[0]});
    EXPECT_FALSE(avi.ReadFile(Path("heat.dv")));
    EXPECT_FALSE(avi.AVI_valid());
    EXPECT_EQ(errors, std::vector<std::string>{"Incorrect AVI header"});

    // Shorter than the headers.
    errors.clear();
    test::Write_file(Path("short.avi"), "RIFF\x10\0\0\0AVI LIST");
    EXPECT_FALSE(avi.ReadFile(Path("short.avi")));
    EXPECT_EQ(errors, std::vector<std::string>{"Incorrect AVI header"});
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(clsAVIInfo_test, ZeroFrameDurationIsReportedAndNothingIsKept)
{
    Hand_made h;
    h.main.us_per_frame = 0;
    dialogs.Expect_message("Division by zero110ReadFile of Class Module clsAVIInfo");
    EXPECT_FALSE(avi.ReadFile(Write("zero.avi", h.Build(frames()[0]))));
    EXPECT_EQ(avi.MovieOffset(), 0);
    EXPECT_FALSE(avi.AVI_valid());
    EXPECT_FALSE(avi.HasVideo());

    // A duration beyond 32 bits of seconds is an overflow, not a wrapped number.
    Hand_made l;
    l.main.us_per_frame = 0x7FFFFFFF;
    auto bytes = l.Build(frames()[0]);
    const uint32_t frames_field = 32 + 16;
    for (int i = 0; i < 4; ++i) bytes[frames_field + i] = i == 3 ? 0x7F : 0xFF;
    dialogs.Expect_message("Overflow60ReadFile of Class Module clsAVIInfo");
    EXPECT_FALSE(avi.ReadFile(Write("long.avi", bytes)));
    EXPECT_EQ(avi.PlayLength(), 0);
}

TEST_F(clsAVIInfo_test, ChunkSizesThatLeaveTheFileStopTheWalkWithAReadError)
{
    // A truncated recording: the movi list claims more than the file holds.
    auto bytes = test::Build_DV_AVI(frames()).bytes;
    const auto movie = test::Build_DV_AVI(frames()).movie_offset;
    bytes.resize(bytes.size() - 1000);
    ASSERT_TRUE(avi.ReadFile(Write("cut.avi", bytes)));
    EXPECT_EQ(avi.MovieOffset(), movie);
    EXPECT_EQ(avi.IndexOffset(), 0);
    EXPECT_EQ(errors, std::vector<std::string>{"Incorrect chunk size"});

    // A size of 2 GB or more in the stream list: the walk stops before the movi list.
    errors.clear();
    Hand_made h;
    h.in_strl = [](test::Riff_builder& r) { r.Chunk_declared("strd", 0x80000010u, Bytes("abcd")); };
    EXPECT_FALSE(avi.ReadFile(Write("neg.avi", h.Build(frames()[0]))));
    EXPECT_EQ(errors, std::vector<std::string>{"Incorrect chunk size"});

    // An INFO text larger than the file is neither allocated nor read.
    errors.clear();
    Hand_made i;
    i.before_movi = [](test::Riff_builder& r) {
        r.Begin_list("INFO");
        r.Chunk_declared("ICMT", 0x7FFFFFF0u, Bytes("huge"));
        r.End_list();
    };
    EXPECT_FALSE(avi.ReadFile(Write("info.avi", i.Build(frames()[0]))));
    EXPECT_EQ(errors, std::vector<std::string>{"Incorrect chunk size"});
    std::vector<int32_t> list;
    EXPECT_EQ(avi.GetInfoList(list), 0);
    EXPECT_TRUE(dialogs.All_used());
}

TEST_F(clsAVIInfo_test, PaletteCountsAndLongInfoTextsAreBoundedByTheChunk)
{
    // An 8-bit stream whose colour count claims two billion entries in a 48-byte strf.
    Hand_made h;
    h.strf = test::Bitmap_info_header(720, 576, 8, "MRLE", 0, 0x7FFFFFF0u);
    h.strf.resize(48, 0x11);
    h.before_movi = [](test::Riff_builder& r) {
        r.Begin_list("INFO");
        r.Chunk("ICMT", std::string(100000, 'c'));
        r.End_list();
    };
    ASSERT_TRUE(avi.ReadFile(Write("pal.avi", h.Build(frames()[0]))));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(avi.BitDepth(), 8);
    EXPECT_EQ(avi.VideoCodec(), "dvsd");
    EXPECT_EQ(avi.MovieOffset(), h.movie_offset);
    EXPECT_EQ(avi.QueryInfo(clsAVIInfo::FourCCToLong("ICMT")), std::string(clsAVIInfo::k_Max_info_text, 'c'));
}

TEST(clsAVIInfo_texts, FormatTimeWritesDaysHoursMinutesAndSeconds)
{
    EXPECT_EQ(clsAVIInfo::FormatTime(0), "00:00");
    EXPECT_EQ(clsAVIInfo::FormatTime(65), "01:05");
    EXPECT_EQ(clsAVIInfo::FormatTime(3599), "59:59");
    EXPECT_EQ(clsAVIInfo::FormatTime(3600), "1:00:00");
    EXPECT_EQ(clsAVIInfo::FormatTime(3700), "1:01:40");
    EXPECT_EQ(clsAVIInfo::FormatTime(36000 + 65), "10:01:05");
    EXPECT_EQ(clsAVIInfo::FormatTime(2 * 86400 + 3600 + 65), "2:01:01:05");
}

TEST(clsAVIInfo_texts, CodecNamesComeFromTheTableAndInheritWithinAFamily)
{
    clsAVIInfo avi;
    EXPECT_EQ(avi.NumCodecs(), 236);
    EXPECT_EQ(avi.CodecToName("dvsd"), "Pinacle systems DV");
    EXPECT_EQ(avi.CodecToName("DSVD"), "Pinacle systems DV");
    EXPECT_EQ(avi.CodecToName("CDVC"), "Canopus DV");
    EXPECT_EQ(avi.CodecToName("IPDV"), "Giga AVI DV");
    EXPECT_EQ(avi.CodecToName("PDVC"), "I-O Data Device Inc. DVC");
    EXPECT_EQ(avi.CodecToName(std::string(4, '\0')), "Uncompressed");
    EXPECT_EQ(avi.CodecToName("DIB "), "Uncompressed");
    EXPECT_EQ(avi.CodecToName("raw "), "Uncompressed");
    EXPECT_EQ(avi.CodecToName("CRAM"), "Microsoft Video 1");
    EXPECT_EQ(avi.CodecToName("msvc"), "Microsoft Video 1");
    EXPECT_EQ(avi.CodecToName("cvid"), "Cinepak codec by Radius");
    EXPECT_EQ(avi.CodecToName("MJPG"), "Motion JPEG");
    EXPECT_EQ(avi.CodecToName("MP42"), "Microsoft MPEG-4 V2");
    EXPECT_EQ(avi.CodecToName("RLE "), "Microsoft RLE");
    EXPECT_EQ(avi.CodecToName("YUY2"), "Microsoft RAW YUV 4:2:2");
    EXPECT_EQ(avi.CodecToName("xvid"), "XviD open source MPEG-4");
    EXPECT_EQ(avi.CodecToName("H264"), avi.CodecToName("H260"));
    EXPECT_EQ(avi.CodecToName("ABCD"), "Unknown");
    EXPECT_EQ(avi.CodecToName("dvs"), "");
    EXPECT_EQ(avi.CodecToName("dvsd "), "");
}

TEST(clsAVIInfo_texts, WaveFormatNamesCoverTheRegisteredTags)
{
    EXPECT_EQ(clsAVIInfo::WaveFormatName(0), "Unknown Microsoft format");
    EXPECT_EQ(clsAVIInfo::WaveFormatName(1), "Microsoft PCM");
    EXPECT_EQ(clsAVIInfo::WaveFormatName(2), "Microsoft ADPCM");
    EXPECT_EQ(clsAVIInfo::WaveFormatName(3), "Microsoft IEEE float");
    EXPECT_EQ(clsAVIInfo::WaveFormatName(6), "CCITT A-Law");
    EXPECT_EQ(clsAVIInfo::WaveFormatName(7), "CCITT u-Law");
    EXPECT_EQ(clsAVIInfo::WaveFormatName(17), "Intel ADPCM");
    EXPECT_EQ(clsAVIInfo::WaveFormatName(49), "Microsoft GSM 6.10");
    EXPECT_EQ(clsAVIInfo::WaveFormatName(80), "Microsoft MPEG");
    EXPECT_EQ(clsAVIInfo::WaveFormatName(85), "MPEG Layer-3");
    EXPECT_EQ(clsAVIInfo::WaveFormatName(8192), "Fast Multimedia AG DVM (AC3)");
    EXPECT_EQ(clsAVIInfo::WaveFormatName(65534), "Microsoft extensible");
    EXPECT_EQ(clsAVIInfo::WaveFormatName(65535), "Development stage codec");

    const std::vector<std::pair<int, int>> ranges = {
        {0, 9}, {16, 25}, {32, 40}, {48, 61}, {64, 66}, {80, 80}, {82, 83}, {85, 85}, {89, 89}, {96, 101},
        {103, 103}, {105, 105}, {112, 121}, {128, 134}, {136, 137}, {145, 148}, {151, 153}, {160, 160},
        {256, 257}, {273, 274}, {291, 291}, {293, 293}, {304, 309}, {320, 320}, {336, 337}, {341, 341},
        {352, 353}, {368, 371}, {512, 512}, {514, 515}, {528, 528}, {544, 544}, {560, 560}, {576, 577},
        {592, 593}, {608, 608}, {624, 624}, {768, 768}, {1024, 1026}, {1104, 1104}, {1664, 1665},
        {4096, 4100}, {4352, 4352}, {5120, 5120}, {5376, 5376}, {8192, 8192}, {65534, 65535}};
    int known = 0;
    for (int tag = 0; tag <= 65535; ++tag) {
        bool listed = false;
        for (const auto& [lo, hi] : ranges) listed = listed || (tag >= lo && tag <= hi);
        const bool named = clsAVIInfo::WaveFormatName(uint16_t(tag)) != "Unknown audio format";
        EXPECT_EQ(named, listed) << "tag " << tag;
        known += named;
    }
    EXPECT_EQ(known, 138);
}

TEST(clsAVIInfo_texts, FourCCsConvertBothWaysAndInfoNamesFallBack)
{
    EXPECT_EQ(clsAVIInfo::FourCCToLong("dvsd"), 0x64737664);
    EXPECT_EQ(clsAVIInfo::LongToFourCC(0x20495641), "AVI ");
    EXPECT_EQ(clsAVIInfo::LongToFourCC(clsAVIInfo::FourCCToLong("00dc")), "00dc");
    EXPECT_EQ(clsAVIInfo::FourCCToLong("dvs"), 0);
    EXPECT_EQ(clsAVIInfo::FourCCToLong("dvsd1"), 0);
    // Characters beyond ASCII travel as their Windows-1252 bytes.
    EXPECT_EQ(clsAVIInfo::FourCCToLong("Å000"), int32_t(0x303030C5));
    EXPECT_EQ(clsAVIInfo::LongToFourCC(int32_t(0x303030C5)), "Å000");

    EXPECT_EQ(clsAVIInfo::GetInfoName(clsAVIInfo::FourCCToLong("ICRD")), "Creation date");
    EXPECT_EQ(clsAVIInfo::GetInfoName(clsAVIInfo::FourCCToLong("DISP")), "Sound Scheme title");
    EXPECT_EQ(clsAVIInfo::GetInfoName(clsAVIInfo::FourCCToLong("IXYZ")), "XYZ");
    EXPECT_EQ(clsAVIInfo::GetInfoName(clsAVIInfo::FourCCToLong("iabc")), "abc");
    EXPECT_EQ(clsAVIInfo::GetInfoName(clsAVIInfo::FourCCToLong("abcd")), std::to_string(0x64636261));
}

} // namespace
} // namespace wk
