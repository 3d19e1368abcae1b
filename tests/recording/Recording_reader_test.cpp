// The readers of the recording kinds, each alone on a file of its kind, and the recording object
// keeping every kind to its own reader.
#include "recording/Avi_chunks.h"
#include "recording/Avi_frame_index.h"
#include "recording/Avi_reader.h"
#include "recording/Avi_text_stream.h"
#include "recording/Own_format_reader.h"
#include "recording/Raw_dv_reader.h"
#include "recording/Recording_reader.h"
#include "recording/Sdv_reader.h"
#include "recording/cls_AVI_handler.h"
#include "services/Run_time_error.h"
#include "tests/recording/Recording_maker.h"

#include <cstring>
#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::DV_frame;

bool Same_bytes(std::span<const uint8_t> a, const DV_frame& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), b.size()) == 0;
}

// A multi-stream DV file: the record, then frame f of every stream in turn (stream s shows
// Stream_frames(s)).
void Write_sdv(const std::string& path, int frames, int streams, int16_t selection_start = 0)
{
    DV_Header_Record record;
    record.Stream_count = streams;
    record.Frame_count = frames;
    record.Selection_start = selection_start;
    std::vector<uint8_t> bytes = record.To_bytes();
    for (int f = 0; f < frames; ++f)
        for (int s = 1; s <= streams; ++s) {
            const DV_frame& frame = test::Stream_frames(s)[size_t(f)];
            bytes.insert(bytes.end(), frame.begin(), frame.end());
        }
    test::Write_bytes(path, bytes);
}

class Readers : public ::testing::Test {
protected:
    void SetUp() override { clock.now = {2026, 12, 8, 10, 0, 0, 0}; }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
};

TEST_F(Readers, TheSuffixChoosesTheReaderWhateverItsCaseAndOtherNamesAreNeverOpened)
{
    Recording_file file;
    EXPECT_TRUE(dynamic_cast<Own_format_reader*>(Make_recording_reader("qs1", file).get()));
    EXPECT_TRUE(dynamic_cast<Own_format_reader*>(Make_recording_reader("QS2", file).get()));
    EXPECT_TRUE(dynamic_cast<Raw_dv_reader*>(Make_recording_reader("Dv", file).get()));
    EXPECT_TRUE(dynamic_cast<Sdv_reader*>(Make_recording_reader("SDV", file).get()));
    EXPECT_TRUE(dynamic_cast<Avi_reader*>(Make_recording_reader("aVi", file).get()));

    // A good recording under another name is refused whole.
    file.name = test::Make_qs2(home.path() / "heat.qs2", 1);
    for (const char* suffix : {"", "mov", "qs", "dvx"}) {
        SCOPED_TRACE(suffix);
        auto reader = Make_recording_reader(suffix, file);
        EXPECT_FALSE(reader->Is_recording_kind());
        EXPECT_FALSE(reader->Open());
        EXPECT_FALSE(file.file.Is_open());
        EXPECT_FALSE(reader->Read_frame(1, 1));
    }
}

TEST_F(Readers, TheOwnFormatReaderFindsFrameNOfEveryStream)
{
    Recording_file file;
    file.name = test::Make_qs2(home.path() / "two.qs2", 3, 2);
    Own_format_reader reader(file);
    ASSERT_TRUE(reader.Open());
    EXPECT_EQ(reader.Head().Data_offset, cls_AVI_handler::k_Own_data_offset);
    EXPECT_EQ(file.num_streams, 2);
    EXPECT_EQ(file.num_frames, 3);
    for (int f = 1; f <= 3; ++f)
        for (int16_t s = 1; s <= 2; ++s) {
            SCOPED_TRACE(std::to_string(f) + "/" + std::to_string(s));
            // As the writer stored it: the stream's frame with its extra-data record.
            DV_frame expected = test::Stream_frames(s)[size_t(f - 1)];
            test::Write_DV_extra_data(expected, {.stamp_tick = 100000 + 40 * f, .heat_start = 100000});
            ASSERT_TRUE(reader.Read_frame(f, s));
            EXPECT_TRUE(Same_bytes(reader.Frame(), expected));
            EXPECT_EQ(file.frame_position, 100005 + ((f - 1) * 2 + s - 1) * 144000 + 1);
            EXPECT_EQ(file.current_stream, s);
        }
    EXPECT_FALSE(reader.Read_frame(1, 3)); // no third stream
    EXPECT_FALSE(reader.Read_frame(4, 1)); // past the frames on disk
}

TEST_F(Readers, TheRawDvReaderSkipsLeadingZerosCountsWholeFramesAndNeverWrites)
{
    const std::vector<DV_frame> frames(test::Stream_frames(1).begin(), test::Stream_frames(1).begin() + 3);
    test::Write_DV_file(Path("three.dv"), frames);
    std::string bytes(16, '\0');
    bytes += test::Read_file(Path("three.dv"));
    bytes += std::string(70000, '\x11'); // half a frame
    test::Write_file(Path("padded.dv"), bytes);

    Recording_file file;
    file.name = Path("padded.dv");
    Raw_dv_reader reader(file);
    ASSERT_TRUE(reader.Open());
    EXPECT_TRUE(file.read_only);
    EXPECT_FALSE(file.file.Writable());
    EXPECT_EQ(file.dv_offset, 16);
    EXPECT_EQ(file.num_frames, 3);
    EXPECT_FALSE(file.ntsc);
    for (int f : {3, 1, 2}) {
        ASSERT_TRUE(reader.Read_frame(f, 1));
        EXPECT_TRUE(Same_bytes(reader.Frame(), frames[size_t(f - 1)])) << f;
        EXPECT_EQ(file.frame_position, 16 + (f - 1) * 144000 + 1);
    }
    EXPECT_FALSE(reader.Read_frame(4, 1)); // the half frame
    EXPECT_FALSE(reader.Rewrite_frame());
}

TEST_F(Readers, TheSdvReaderReadsStreamOneBehindItsRecordAndTakesItsSelection)
{
    Write_sdv(Path("multi.sdv"), 3, 2, 4);
    Recording_file file;
    file.name = Path("multi.sdv");
    Sdv_reader reader(file);
    ASSERT_TRUE(reader.Open());
    EXPECT_EQ(file.num_streams, 2);
    EXPECT_EQ(file.num_frames, 3);
    ASSERT_NE(reader.DV_record(), nullptr);
    EXPECT_EQ(reader.DV_record()->Selection_start, 4);
    EXPECT_EQ(file.frame_selection_start, 0); // taken with the first frame read
    for (int f : {2, 3, 1}) {
        ASSERT_TRUE(reader.Read_frame(f, 1));
        EXPECT_TRUE(Same_bytes(reader.Frame(), test::Stream_frames(1)[size_t(f - 1)])) << f;
        EXPECT_EQ(file.frame_position, 21974 + (f - 1) * 2 * 144000 + 1);
    }
    EXPECT_EQ(file.frame_selection_start, 4);
}

TEST_F(Readers, TheAviReaderLocatesFramesThroughItsIndexAndGivesNoneOnceTheStoreIsCleared)
{
    const std::vector<DV_frame> frames(test::Stream_frames(2).begin(), test::Stream_frames(2).begin() + 4);
    const auto built = test::Write_DV_AVI(Path("heat.avi"), frames, {.audio = true});
    Recording_file file;
    file.name = Path("heat.avi");
    Avi_reader reader(file);
    ASSERT_TRUE(reader.Open());
    EXPECT_EQ(file.num_frames, 4);
    EXPECT_EQ(file.codec, "CDVC");
    EXPECT_EQ(reader.Chunk_addr(Avi_section::k_idx1_chunk), built.index_offset + 1);
    for (int f : {4, 1, 3, 2}) {
        ASSERT_TRUE(reader.Read_frame(f, 1));
        EXPECT_TRUE(Same_bytes(reader.Frame(), frames[size_t(f - 1)])) << f;
        EXPECT_EQ(reader.Chunk_position(), built.frame_chunks[size_t(f - 1)]);
    }
    file.frame_in_store = 0;
    EXPECT_TRUE(reader.Frame().empty());
    EXPECT_TRUE(Same_bytes(reader.Chunk_data(), frames[1]));
    reader.Close();
    EXPECT_EQ(reader.Chunk_addr(Avi_section::k_idx1_chunk), 0);
    EXPECT_EQ(reader.Riff_size(), 0u);
}

// Each kind offers the faces of its own kind and no other: the recording object finds the own
// format's head, the sdv record or the AVI's chunks, indexes and text only where they exist.
TEST_F(Readers, EachKindOffersItsOwnFacesAndNoOther)
{
    Recording_file file;
    struct Faces {
        const char* suffix;
        bool head, record, avi;
    };
    for (const Faces& k : {Faces{"qs2", true, false, false}, Faces{"sdv", false, true, false},
                           Faces{"avi", false, false, true}, Faces{"dv", false, false, false},
                           Faces{"mov", false, false, false}}) {
        SCOPED_TRACE(k.suffix);
        const auto reader = Make_recording_reader(k.suffix, file);
        EXPECT_EQ(reader->Own_head() != nullptr, k.head);
        EXPECT_EQ(reader->DV_record() != nullptr, k.record);
        EXPECT_EQ(reader->Chunks() != nullptr, k.avi);
        EXPECT_EQ(reader->Frame_index() != nullptr, k.avi);
        EXPECT_EQ(reader->Text_stream() != nullptr, k.avi);
    }
}

// The faces reach the same reader's state: what the AVI's chunks, index and text stream say
// comes from the file the reader opened.
TEST_F(Readers, TheAviFacesAnswerForTheFileTheReaderOpened)
{
    const std::vector<DV_frame> frames(test::Stream_frames(1).begin(), test::Stream_frames(1).begin() + 3);
    const auto built = test::Write_DV_AVI(Path("faces.avi"), frames, {});
    Recording_file file;
    file.name = Path("faces.avi");
    const auto reader = Make_recording_reader("avi", file);
    ASSERT_TRUE(reader->Open());
    Avi_chunks& chunks = *reader->Chunks();
    Avi_frame_index& index = *reader->Frame_index();
    EXPECT_EQ(chunks.Chunk_addr(recording_format::k_idx1_chunk), built.index_offset + 1);
    EXPECT_EQ(chunks.Riff_size() + 8, fs::file_size(Path("faces.avi")));
    ASSERT_TRUE(reader->Read_frame(2, 1));
    EXPECT_EQ(chunks.Chunk_position(), built.frame_chunks[1]);
    EXPECT_TRUE(Same_bytes(chunks.Chunk_data(), frames[1]));
    EXPECT_THROW(index.Index_flag(4), Run_time_error);
    EXPECT_FALSE(reader->Text_stream()->Has_text_stream());
    EXPECT_TRUE(reader->Text_stream()->Text_chunk(1).empty());
}

// An NTSC raw DV file says so through the recording file, and closing forgets it.
TEST_F(Readers, RawNtscDvIsNotedInTheFileAndForgottenOnClose)
{
    test::Write_DV_file(Path("ntsc.dv"), test::Make_DV_frames(2, {.ntsc = true}));
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("ntsc.dv")));
    EXPECT_TRUE(rec.NTSC());
    EXPECT_EQ(rec.frame_rate(), 30);
    EXPECT_EQ(rec.Frame_Size(), 120000);
    rec.Close_File();
    EXPECT_FALSE(rec.NTSC());
    test::Write_DV_file(Path("pal.dv"), test::Make_DV_frames(1, {}));
    ASSERT_TRUE(rec.Open_File(Path("pal.dv")));
    EXPECT_FALSE(rec.NTSC());
    EXPECT_EQ(rec.frame_rate(), 25);
}

// The own format's head and layout are written into own-format files only.
TEST_F(Readers, NoOtherKindIsWrittenAsTheOwnFormat)
{
    Write_sdv(Path("one.sdv"), 1, 1);
    const std::string before = test::Read_file(Path("one.sdv"));
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(Path("one.sdv")));
        rec.Write_QSM_header();
        EXPECT_FALSE(rec.Get_QSM_header());
        EXPECT_EQ(rec.QSM_header().Data_offset, 0);
    }
    EXPECT_EQ(test::Read_file(Path("one.sdv")), before);

    cls_AVI_handler rec;
    rec.File_name(Path("new.avi"));
    ASSERT_TRUE(rec.Create_File());
    rec.Initiate_file();
    EXPECT_FALSE(rec.File_Initiated());
    EXPECT_FALSE(rec.Append_DV_frame(test::Stream_frames(1)[0]));
    rec.Close_File();
    EXPECT_EQ(fs::file_size(Path("new.avi")), 0u);
}

// Without an owner that shows them, a reader's problems are kept as values: nothing is shown, the
// kind and detail tell what went wrong, and the text is the operator's message for it.
TEST_F(Readers, ARefusedFileLeavesItsProblemAsAValueAndShowsNothing)
{
    using K = Recording_problem::Kind;
    struct Case {
        const char* name;
        std::string bytes;
        K kind;
        const char* detail;
        const char* text; // before the path
    };
    const std::string zeros(1000, '\0');
    const Case cases[] = {
        {"zeros.dv", zeros, K::corrupt, "no DV data found", "Corrupt file, (no DV data found)\r\n"},
        {"text.dv", "no dv at all", K::corrupt, "no DV header", "Corrupt file, (no DV header)\r\n"},
        {"short.dv", "\x1f\x07" + zeros, K::corrupt, "shorter than one DV frame",
         "Corrupt file, (shorter than one DV frame)\r\n"},
        {"zeros.sdv", zeros, K::corrupt, "Invalid DV header record", "Corrupt file, (Invalid DV header record)\r\n"},
        {"other.qs2", "QSMX" + zeros, K::corrupt, "not a Wakeline recording",
         "Corrupt file, (not a Wakeline recording)\r\n"},
        {"missing.qs2", {}, K::open_error, "2 No such file or directory", "File: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path(c.name);
        if (!c.bytes.empty()) test::Write_file(path, c.bytes);
        Recording_file file;
        file.name = path;
        const auto reader = Make_recording_reader(fs::path(path).extension().string().substr(1), file);
        EXPECT_FALSE(reader->Open());
        const std::vector<Recording_problem> problems = file.problems.Take();
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_EQ(problems[0].kind, c.kind);
        EXPECT_EQ(problems[0].detail, c.detail);
        EXPECT_EQ(problems[0].path, path);
        const std::string text = problems[0].Text();
        EXPECT_EQ(text, c.kind == K::corrupt ? c.text + path : c.text + path + " Open error! \r\n" + c.detail);
        EXPECT_TRUE(file.problems.Take().empty());
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

} // namespace
} // namespace wk
