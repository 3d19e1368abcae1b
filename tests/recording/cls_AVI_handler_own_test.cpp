// The recording object on its own format and raw DV: create, initiate, append, close, open,
// read frames with their extra data and time stamps, and refuse bad files.
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/recording/Told.h"
#include "tests/support/Test_support.h"

#include <cmath>
#include <cstring>
#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;

int32_t Long_at(const std::string& bytes, size_t at)
{
    int32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

// Frames shared by the tests of this file (encoding is the slow part).
const std::vector<test::DV_frame>& Frames()
{
    static const std::vector<test::DV_frame> frames = [] {
        test::DV_frame_options o;
        o.start_timecode = {12, 0, 0, 11}; // beyond the first ten frames: time codes are compared
        return test::Make_DV_frames(50, o);
    }();
    return frames;
}

// Frame k carries arrival tick 100000 + 40k + 7, heat start 100000 and local time 36000000 + 40k.
test::DV_frame Stamped(int k)
{
    test::DV_frame f = Frames()[size_t(k - 1) % Frames().size()];
    test::DV_extra_data e;
    e.stamp_tick = 100000 + 40 * k + 7;
    e.arrival_tick = e.stamp_tick + 3;
    e.heat_start = 100000;
    e.local_time_ms = 36000000 + 40 * k;
    e.lap_count = int16_t(k);
    test::Write_DV_extra_data(f, e);
    return f;
}

class Own_format : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock.now = {2026, 12, 8, 10, 0, 0, 0};
        g_Emergency_stop = false;
    }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    // A recording of n stamped frames, made as the capture station makes one.
    std::string Make_recording(const std::string& name, int n)
    {
        cls_AVI_handler rec;
        rec.File_name(Path(name));
        EXPECT_TRUE(rec.Create_File());
        rec.Initiate_file();
        for (int k = 1; k <= n; ++k) EXPECT_TRUE(rec.Append_DV_frame(Stamped(k)));
        rec.Close_File();
        return Path(name);
    }
    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
};

TEST_F(Own_format, ANewRecordingHasItsHeadHeaderAreaAndEndMark)
{
    cls_AVI_handler rec;
    rec.File_name(Path("new.qs2"));
    ASSERT_TRUE(rec.Create_File());
    rec.Initiate_file();
    EXPECT_TRUE(rec.File_Initiated());
    const std::string xml = rec.Header().XML_string();
    rec.Close_File();
    const std::string bytes = test::Read_file(Path("new.qs2"));
    ASSERT_EQ(bytes.size(), 100005u);
    EXPECT_EQ(bytes.substr(0, 4), "QSM1");
    EXPECT_EQ(Long_at(bytes, 4), 100005);
    EXPECT_EQ(Long_at(bytes, 8), 0);
    EXPECT_EQ(Long_at(bytes, 12), int32_t(xml.size()));
    EXPECT_EQ(Long_at(bytes, 16), 0);
    EXPECT_EQ(bytes.substr(20, xml.size()), xml);
    EXPECT_EQ(bytes.substr(20 + xml.size(), 100), std::string(100, '\0'));
    EXPECT_EQ(bytes.substr(99999, 6), "hdrend");
    EXPECT_FALSE(rec.File_Initiated());
}

TEST_F(Own_format, AppendedFramesAreCountedAtCloseAndReadBackWithTheirTimes)
{
    const std::string path = Make_recording("heat.qs2", 50);
    EXPECT_EQ(fs::file_size(path), 100005u + 50u * 144000u);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.num_frames(), 50);
    EXPECT_EQ(rec.num_Calculated_frames(), 50);
    EXPECT_EQ(rec.Num_fields(), 100);
    EXPECT_EQ(rec.Clip_length(), 2000);
    for (int k : {1, 2, 25, 50}) {
        ASSERT_TRUE(rec.Read_Frame(k));
        ASSERT_TRUE(rec.Extra().Has_Frame_Time_Stamp());
        const int32_t tick = 100000 + 40 * k + 7;
        EXPECT_EQ(rec.Extra().Raw_Frame_Time(), tick);
        // Rounded to a whole frame of 40 ms (halves to even), less 10 ms.
        EXPECT_EQ(rec.Extra().Frame_Time_Stamp(), int32_t(std::nearbyint(tick / 40.0)) * 40 - 10);
        EXPECT_EQ(rec.Frame_time(), 36000000 + 40 * k);
        EXPECT_EQ(rec.Lap_Count(), k);
        EXPECT_EQ(rec.Extra().Extra_index(), 12000);
        EXPECT_EQ(std::memcmp(rec.Frame_bytes().data(), Stamped(k).data(), 144000), 0);
    }
    // Past the end: the last frame.
    ASSERT_TRUE(rec.Read_Frame(90));
    EXPECT_EQ(rec.Frame_in_store(), 50);
}

TEST_F(Own_format, TheFrameTimeStampRoundsHalvesToTheEvenFrame)
{
    cls_AVI_handler rec;
    rec.File_name(Path("r.qs2"));
    ASSERT_TRUE(rec.Create_File());
    rec.Initiate_file();
    for (int32_t tick : {1020, 1060}) {
        test::DV_frame f = Frames()[0];
        test::Write_DV_extra_data(f, {.stamp_tick = tick});
        ASSERT_TRUE(rec.Append_DV_frame(f));
    }
    rec.Close_File();
    ASSERT_TRUE(rec.Open_File(Path("r.qs2")));
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_EQ(rec.Extra().Frame_Time_Stamp(), 1030);
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_EQ(rec.Extra().Frame_Time_Stamp(), 1030);
}

TEST_F(Own_format, TheTimeStampIsGivenOnlyWhileTheFileIsOpen)
{
    cls_AVI_handler rec;
    EXPECT_EQ(rec.xTime_stamp(), 0);
    ASSERT_TRUE(rec.Open_File(Make_recording("heat.qs2", 3)));
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_EQ(rec.xTime_stamp(), 100070); // 100087 to the frame, less 10
    ASSERT_TRUE(rec.Read_Frame(3));
    EXPECT_EQ(rec.xTime_stamp(), 100110);
    rec.Close_File();
    EXPECT_EQ(rec.xTime_stamp(), 0);
}

TEST_F(Own_format, AFrameWithoutExtraDataHasNoTimeOfItsOwn)
{
    cls_AVI_handler rec;
    rec.File_name(Path("mixed.qs2"));
    ASSERT_TRUE(rec.Create_File());
    rec.Initiate_file();
    ASSERT_TRUE(rec.Append_DV_frame(Stamped(1)));
    ASSERT_TRUE(rec.Append_DV_frame(Frames()[1])); // no record
    test::DV_frame torn = Stamped(3);
    std::memset(torn.data() + 12000 + 186, 0, 4); // "SSEM" missing: not a whole record
    ASSERT_TRUE(rec.Append_DV_frame(torn));
    rec.Close_File();
    ASSERT_TRUE(rec.Open_File(Path("mixed.qs2")));
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_TRUE(rec.Extra().Has_extra_data());
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_FALSE(rec.Extra().Has_extra_data());
    EXPECT_FALSE(rec.Extra().Has_Frame_Time_Stamp());
    EXPECT_EQ(rec.Frame_time(), 0);
    EXPECT_EQ(rec.Lap_Count(), 0);
    ASSERT_TRUE(rec.Read_Frame(3));
    EXPECT_FALSE(rec.Extra().Has_extra_data());
    EXPECT_EQ(rec.Extra().Frame_Time_Stamp(), 0);
}

TEST_F(Own_format, RewritingTheExtraDataChangesExactlyItsRecord)
{
    const std::string path = Make_recording("heat.qs2", 5);
    const std::string before = test::Read_file(path);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    ASSERT_TRUE(rec.Read_Frame(3));
    ASSERT_TRUE(rec.Extra().Has_extra_data());
    // Change the comment field (record offset 82) through a copy written back.
    auto& extra = const_cast<uint8_t&>(rec.Extra_data()[82]);
    extra = 'X';
    ASSERT_TRUE(rec.Extra().Rewrite_DV_Extra_data());
    rec.Close_File();
    const std::string after = test::Read_file(path);
    ASSERT_EQ(after.size(), before.size());
    const size_t record = 100005 + 2 * 144000 + 12000;
    for (size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) {
            EXPECT_GE(i, record);
            EXPECT_LT(i, record + 190);
        }
    EXPECT_EQ(after[record + 82], 'X');
}

TEST_F(Own_format, RewritingTheHeaderOfAClosedFileKeepsItsFrames)
{
    const std::string path = Make_recording("heat.qs2", 4);
    const std::string before = test::Read_file(path);
    cls_AVI_handler rec;
    rec.File_name(path);
    ASSERT_TRUE(rec.Open_File(path));
    rec.Close_File();
    rec.File_name(path);
    rec.Header().Subject_name("Final A");
    ASSERT_TRUE(rec.Write_XML_header());
    const std::string after = test::Read_file(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(100005), before.substr(100005));
    EXPECT_EQ(after.substr(99999, 6), "hdrend");
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Header().Subject_name(), "Final A");
    EXPECT_EQ(rec.num_frames(), 4);
}

TEST_F(Own_format, AHeaderTooLongForTheAreaIsRefusedAndTheOldOneKept)
{
    const std::string path = Make_recording("heat.qs2", 1);
    const std::string before = test::Read_file(path);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    rec.Header().Subject_name(std::string(100000, 'a'));
    EXPECT_FALSE(rec.Write_XML_header());
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::header_too_long, "too long"));
    rec.Close_File();
    EXPECT_EQ(test::Read_file(path), before);
}

// An own-format file laid out by another writer: its frames start right after a header area
// of the text, its 100 zero bytes and `slack` more, far below 100005.
std::string Compact_copy(const std::string& bytes, size_t slack)
{
    const auto length = size_t(Long_at(bytes, 12));
    const auto data_offset = int32_t(20 + length + 100 + slack);
    std::string out = bytes.substr(0, 20);
    std::memcpy(out.data() + 4, &data_offset, 4);
    out += bytes.substr(20, length);
    out.resize(size_t(data_offset), '\0');
    return out + bytes.substr(100005);
}

TEST_F(Own_format, ACompactFilesFramesAreNeverOverwrittenByAGrownHeader)
{
    const std::string path = Path("compact.qs2");
    test::Write_file(path, Compact_copy(test::Read_file(Make_recording("heat.qs2", 3)), 400));
    const std::string before = test::Read_file(path);
    const auto data_offset = size_t(Long_at(before, 4));
    ASSERT_LT(data_offset, 100005u);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.num_frames(), 3);
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_EQ(std::memcmp(rec.Frame_bytes().data(), Stamped(2).data(), 144000), 0);

    // Grown past the file's own header area: refused, the file as it was.
    rec.Header().Subject_name(std::string(1000, 'a'));
    EXPECT_FALSE(rec.Write_XML_header());
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::header_too_long, "too long"));
    EXPECT_EQ(test::Read_file(path), before);
    // The same for the file closed, opened for the write alone.
    rec.Close_File();
    rec.File_name(path);
    EXPECT_FALSE(rec.Write_XML_header());
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::header_too_long,
                           "at most " + std::to_string(data_offset - 120)));
    EXPECT_EQ(test::Read_file(path), before);

    // A header that fits is written; the frames stay as they were.
    ASSERT_TRUE(rec.Open_File(path));
    rec.Header().Subject_name("Final A");
    ASSERT_TRUE(rec.Write_XML_header());
    rec.Close_File();
    const std::string after = test::Read_file(path);
    EXPECT_EQ(after.substr(data_offset), before.substr(data_offset));
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Header().Subject_name(), "Final A");
    ASSERT_TRUE(rec.Read_Frame(3));
    EXPECT_EQ(std::memcmp(rec.Frame_bytes().data(), Stamped(3).data(), 144000), 0);
}

TEST_F(Own_format, ExtraDataRewrittenIntoARecordingHeldInMemoryIsReadBackFromThere)
{
    const std::string path = Make_recording("heat.qs2", 3);
    cls_AVI_handler rec;
    rec.Let_Read_to_Memory(true);
    ASSERT_TRUE(rec.Open_File(path));
    ASSERT_TRUE(rec.In_memory());
    ASSERT_TRUE(rec.Read_Frame(2));
    ASSERT_TRUE(rec.Extra().Write_comment("kept in memory"));
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_EQ(rec.Extra().Read_Comment(), "");
    ASSERT_TRUE(rec.Read_Frame(2)); // from the memory copy
    EXPECT_EQ(rec.Extra().Read_Comment(), "kept in memory");
    rec.Close_File();
    rec.Let_Read_to_Memory(false);
    ASSERT_TRUE(rec.Open_File(path));
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_EQ(rec.Extra().Read_Comment(), "kept in memory");
}

TEST_F(Own_format, ClosingForgetsTheSuffixWithTheOtherValuesOfTheFile)
{
    const std::string path = Make_recording("heat.qs2", 1);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Current_File_Suffix(), "qs2");
    rec.Close_File();
    EXPECT_EQ(rec.Current_File_Suffix(), "");
    EXPECT_EQ(rec.num_frames(), 0);
    EXPECT_EQ(rec.Clip_length(), 0);
    // A new file takes its own name's suffix again, even from an open recording.
    ASSERT_TRUE(rec.Open_File(path));
    rec.File_name(Path("next.QS2"));
    ASSERT_TRUE(rec.Create_File());
    EXPECT_EQ(rec.Current_File_Suffix(), "QS2");
    rec.Initiate_file();
    EXPECT_TRUE(rec.File_Initiated());
}

TEST_F(Own_format, AppendingGoesAfterTheLastWholeFrameWhateverThePosition)
{
    const std::string path = Make_recording("heat.qs2", 3);
    // A crash left half a frame at the end.
    {
        std::string bytes = test::Read_file(path);
        bytes += std::string(5000, '\x55');
        test::Write_file(path, bytes);
    }
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_for_append(path));
    ASSERT_TRUE(rec.Write_DV_frame(Stamped(9))); // moves the writer's position: appending must not care
    ASSERT_TRUE(rec.Append_DV_frame(Stamped(4)));
    rec.Close_File();
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.num_frames(), 4);
    ASSERT_TRUE(rec.Read_Frame(4));
    EXPECT_EQ(rec.Lap_Count(), 4);
}

TEST_F(Own_format, ACreateOntoAnExistingNameFailsAndNothingIsAppendedToTheOldFile)
{
    const std::string path = Make_recording("heat.qs2", 2);
    const std::string before = test::Read_file(path);
    cls_AVI_handler rec;
    rec.File_name(path);
    EXPECT_FALSE(rec.Create_File());
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::file_exists, "File already exists!"));
    EXPECT_FALSE(g_Emergency_stop);
    rec.Initiate_file();
    EXPECT_FALSE(rec.Append_DV_frame(Stamped(3))); // reported, not written
    EXPECT_EQ(test::Read_file(path), before);
}

TEST_F(Own_format, RenameRefusesAnExistingNameAndOtherwiseReopens)
{
    const std::string a = Make_recording("a.qs2", 1);
    const std::string b = Make_recording("b.qs2", 1);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(a));
    EXPECT_FALSE(rec.rename_file(b));
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::new_file_exists, "New file already exists!"));
    EXPECT_FALSE(g_Emergency_stop);
    EXPECT_TRUE(fs::exists(a));
    ASSERT_TRUE(rec.rename_file(Path("c.qs2")));
    EXPECT_TRUE(rec.File_open());
    EXPECT_EQ(rec.File_name(), Path("c.qs2"));
    EXPECT_FALSE(fs::exists(a));
}

TEST_F(Own_format, SuffixesAreComparedWithoutRegardToCase)
{
    const std::string path = Make_recording("x.qs2", 3);
    fs::rename(path, Path("X.QS2"));
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("X.QS2")));
    EXPECT_EQ(rec.num_frames(), 3);
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_EQ(rec.Lap_Count(), 2);
    rec.Header().Subject_name("upper case");
    ASSERT_TRUE(rec.Write_XML_header());
    rec.Close_File();
    ASSERT_TRUE(rec.Open_File(Path("X.QS2")));
    EXPECT_EQ(rec.Header().Subject_name(), "upper case");
}

TEST_F(Own_format, ATruncatedLastFrameIsReportedNotShownStale)
{
    const std::string path = Make_recording("heat.qs2", 3);
    fs::resize_file(path, 100005 + 2 * 144000 + 1000);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    // The header says 3; only 2 are whole on disk, and those are the frames there are.
    EXPECT_EQ(rec.num_frames(), 2);
    EXPECT_EQ(rec.num_Calculated_frames(), 2);
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_EQ(rec.Frame_in_store(), 2);
    // Asking for the third gives the last whole frame, never the cut one.
    ASSERT_TRUE(rec.Read_Frame(3));
    EXPECT_EQ(rec.Frame_in_store(), 2);
    EXPECT_EQ(rec.Frame_bytes().size(), 144000u);
}

TEST_F(Own_format, BadFilesAreRefusedAndLeftClosed)
{
    const std::string good = test::Read_file(Make_recording("good.qs2", 1));
    auto refused = [&](const std::string& name, const std::string& bytes, const std::string& message,
                       Recording_problem::Kind kind = Recording_problem::Kind::corrupt) {
        test::Write_file(Path(name), bytes);
        cls_AVI_handler rec;
        const Recording_outcome opened = rec.Open_File(Path(name));
        EXPECT_FALSE(opened) << name;
        EXPECT_TRUE(test::Told(opened, kind, message)) << name;
        EXPECT_FALSE(rec.File_open()) << name;
        EXPECT_EQ(rec.file_num(), 0);
    };
    refused("short.qs2", std::string(99, 'x'), "Corrupt file, (Invalid file length)",
            Recording_problem::Kind::invalid_length);
    std::string bad = good;
    bad[0] = 'X';
    refused("magic.qs2", bad, "not a Wakeline recording");
    bad = good;
    const int32_t huge = 150000;
    std::memcpy(bad.data() + 12, &huge, 4);
    refused("xmllen.qs2", bad, "invalid header length");
    bad = good;
    const int32_t beyond = int32_t(good.size()) + 1;
    std::memcpy(bad.data() + 4, &beyond, 4);
    refused("offset.qs2", bad, "invalid data offset");
    refused("clip.mov", good, "cls_AVI_handler can't open this file type! " + Path("clip.mov"),
            Recording_problem::Kind::not_recording_kind);
    // A 100-byte file passes the length test and fails on its head.
    refused("hundred.qs2", std::string(100, 'x'), "not a Wakeline recording");
    cls_AVI_handler rec;
    EXPECT_FALSE(rec.Open_File(Path("missing.qs2")));
}

TEST_F(Own_format, TimeCodeGapsLeaveOneTraceLine)
{
    test::Test_tracer tracer(Tracer_socket_path());
    ASSERT_TRUE(tracer.bound());
    Reset_Tracer_Search();
    cls_AVI_handler rec;
    rec.File_name(Path("tc.qs2"));
    ASSERT_TRUE(rec.Create_File());
    rec.Initiate_file();
    tracer.Receive_all();
    auto append_tc = [&](int frame_no) {
        test::DV_frame f = Frames()[0];
        test::Put_timecode(f, {0, 0, 0, frame_no});
        ASSERT_TRUE(rec.Append_DV_frame(f));
    };
    auto gaps = [&] {
        std::vector<std::string> found;
        for (const auto& l : tracer.Receive_all())
            if (l.find("Expected DV frame") != std::string::npos) found.push_back(l.substr(l.find("Expected")));
        return found;
    };
    for (int n = 0; n <= 10; n += 2) append_tc(n); // gaps, but within the first ten frames
    EXPECT_TRUE(gaps().empty());
    append_tc(11);
    append_tc(12);
    append_tc(14);
    EXPECT_EQ(gaps(), (std::vector<std::string>{"Expected DV frame 13Received frame 14\t"}));
    rec.Close_File();
    Reset_Tracer_Search();
}

TEST_F(Own_format, RawDvOpensReadOnlyWithItsOffset)
{
    std::vector<test::DV_frame> ten(Frames().begin(), Frames().begin() + 10);
    test::Write_DV_file(Path("ten.dv"), ten);
    {
        // The same frames behind 16 zero bytes.
        std::string bytes(16, '\0');
        bytes += test::Read_file(Path("ten.dv"));
        test::Write_file(Path("padded.DV"), bytes);
    }
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("ten.dv")));
    EXPECT_EQ(rec.num_frames(), 10);
    EXPECT_EQ(rec.Num_fields(), 20);
    EXPECT_TRUE(rec.Read_only());
    EXPECT_EQ(rec.Width(), 720);
    EXPECT_EQ(rec.Height(), 576);
    ASSERT_TRUE(rec.Open_File(Path("padded.DV")));
    EXPECT_EQ(rec.DV_offset(), 16);
    EXPECT_EQ(rec.num_frames(), 10);
    ASSERT_TRUE(rec.Read_Frame(7));
    EXPECT_EQ(std::memcmp(rec.Frame_bytes().data(), Frames()[6].data(), 144000), 0);
    EXPECT_FALSE(rec.Extra().Has_Frame_Time_Stamp()); // raw DV carries no extra data
}

TEST_F(Own_format, RawDvOfTwoAndAHalfFramesHasTwo)
{
    std::vector<test::DV_frame> three(Frames().begin(), Frames().begin() + 3);
    test::Write_DV_file(Path("cut.dv"), three);
    fs::resize_file(Path("cut.dv"), 144000 * 5 / 2);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("cut.dv")));
    EXPECT_EQ(rec.num_frames(), 2);
}

TEST_F(Own_format, RawDvShorterThanOneFrameIsRefused)
{
    test::Write_DV_file(Path("short.dv"), {Frames()[0]});
    fs::resize_file(Path("short.dv"), 143999);
    cls_AVI_handler rec;
    EXPECT_TRUE(test::Told(rec.Open_File(Path("short.dv")), Recording_problem::Kind::corrupt, "shorter than one DV frame"));
    EXPECT_FALSE(rec.File_open());
    EXPECT_EQ(rec.num_frames(), 0);
    // NTSC frames are shorter: one whole one opens.
    test::Write_DV_file(Path("one.dv"), test::Make_DV_frames(1, {.ntsc = true}));
    ASSERT_TRUE(rec.Open_File(Path("one.dv")));
    EXPECT_EQ(rec.num_frames(), 1);
    EXPECT_TRUE(rec.NTSC());
}

TEST_F(Own_format, MultiStreamDvOpensFromItsHeaderRecord)
{
    DV_Header_Record r;
    r.Stream_count = 2;
    r.Frame_count = 3;
    r.Selection_start = 4;
    std::string bytes;
    const auto head = r.To_bytes();
    bytes.assign(head.begin(), head.end());
    ASSERT_EQ(bytes.size(), 21974u);
    EXPECT_EQ(bytes.substr(0, 4), "BXDV");
    EXPECT_EQ(Long_at(bytes, 4), 21974);
    EXPECT_EQ(Long_at(bytes, 8), 2);
    EXPECT_EQ(Long_at(bytes, 12), 3);
    EXPECT_EQ(bytes.substr(22, 4), "HEID");
    for (int k = 1; k <= 6; ++k) {
        const auto f = Stamped(k);
        bytes.append(f.begin(), f.end());
    }
    test::Write_file(Path("multi.sdv"), bytes);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("multi.sdv")));
    EXPECT_EQ(rec.num_frames(), 3);
    EXPECT_EQ(rec.Num_Video_streams(), 2);
    // Frame 2 of stream 1 is the third frame stored.
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_EQ(rec.Lap_Count(), 3);
    EXPECT_EQ(rec.Frame_Position(), 21974 + 2 * 144000 + 1);
    rec.Close_File();
}

// A writer that stopped before it rewrote its record, or a copy that broke off: the record counts
// more frames than the file holds. Like an own-format file, it opens with the frame sets it holds
// whole, every stream of them; the file itself is left as it is.
TEST_F(Own_format, ACutShortMultiStreamDvOpensWithTheWholeFrameSetsItHolds)
{
    auto sdv = [](int32_t counted, int stored, size_t tail) {
        DV_Header_Record r;
        r.Stream_count = 2;
        r.Frame_count = counted;
        const auto head = r.To_bytes();
        std::string bytes(head.begin(), head.end());
        for (int k = 1; k <= stored; ++k) {
            const auto f = Stamped(k);
            bytes.append(f.begin(), f.end());
        }
        const auto f = Stamped(stored + 1);
        bytes.append(f.begin(), f.begin() + std::ptrdiff_t(tail));
        return bytes;
    };
    // Five frames stored and half of a sixth: two whole sets, the third lacks its second stream.
    const std::string cut = sdv(4, 5, 72000);
    test::Write_file(Path("cut.sdv"), cut);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("cut.sdv")));
    EXPECT_EQ(rec.num_frames(), 2);
    EXPECT_EQ(rec.Num_fields(), 4);
    EXPECT_EQ(rec.num_Calculated_frames(), 5);
    ASSERT_TRUE(rec.Read_Frame(2, 2));
    EXPECT_EQ(rec.Lap_Count(), 4);
    // Past the whole sets the last whole one is read, never the stream-less third.
    ASSERT_TRUE(rec.Read_Frame(3, 1));
    EXPECT_EQ(rec.Frame_Position(), 21974 + 2 * 144000 + 1);
    rec.Close_File();
    EXPECT_EQ(test::Read_file(Path("cut.sdv")), cut);

    // A record counting fewer frames than stored keeps its count; a file cut right after its
    // record opens with none.
    test::Write_file(Path("fewer.sdv"), sdv(1, 4, 0));
    ASSERT_TRUE(rec.Open_File(Path("fewer.sdv")));
    EXPECT_EQ(rec.num_frames(), 1);
    test::Write_file(Path("bare.sdv"), sdv(3, 0, 10000));
    ASSERT_TRUE(rec.Open_File(Path("bare.sdv")));
    EXPECT_EQ(rec.num_frames(), 0);
    EXPECT_FALSE(rec.Read_Frame(1, 1));

    // A count below zero is no count: refused.
    test::Write_file(Path("negative.sdv"), sdv(-1, 2, 0));
    const Recording_outcome negative = rec.Open_File(Path("negative.sdv"));
    EXPECT_FALSE(negative);
    EXPECT_TRUE(test::Told(negative, Recording_problem::Kind::corrupt, "Invalid DV header record"));
}

} // namespace
} // namespace wk
