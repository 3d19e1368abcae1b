#include "recording/Cls_DVmulti_writer.h"

#include "recording/Recording_bytes.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "tests/recording/Recording_maker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::DV_frame;
using namespace recording_bytes;

constexpr int64_t k_Record = DV_Header_Record::k_Size;
constexpr int64_t k_Frame = 144000;

// A camera whose store holds the given frames; it notes what the writer asked of it.
class Fake_camera final : public Active_capture {
public:
    explicit Fake_camera(std::vector<DV_frame> held) : frames(std::move(held)) {}
    void Stop_Capture() override { ++stops; }
    int32_t Buff_num() override { return int32_t(frames.size()); }
    uint8_t* get_Buffaddr(int32_t index) override
    {
        highest_asked = std::max(highest_asked, index);
        if (index < 1 || index > Buff_num() || index == missing_index) return nullptr;
        return frames[size_t(index - 1)].data();
    }
    void Let_Goal_offset(int16_t) override {}

    std::vector<DV_frame> frames;
    int stops = 0;
    int32_t highest_asked = 0;
    int32_t missing_index = 0;
};

// `count` frames of stream s, each with the capture station's record (the stamp tells them apart).
std::vector<DV_frame> Stored_frames(int stream, int count, bool with_record = true, int first = 1)
{
    std::vector<DV_frame> frames;
    for (int k = first; k < first + count; ++k) {
        DV_frame f = test::Stream_frames(stream)[size_t(k - 1) % test::Stream_frames(stream).size()];
        if (with_record) test::Write_DV_extra_data(f, {.stamp_tick = 1000 * stream + k, .camera = int16_t(stream)});
        frames.push_back(std::move(f));
    }
    return frames;
}

std::string Bytes_at(const std::string& file, int64_t offset, int64_t n)
{
    const std::string all = test::Read_file(file);
    if (offset + n > int64_t(all.size())) return {};
    return all.substr(size_t(offset), size_t(n));
}

std::string As_text(const DV_frame& f) { return std::string(f.begin(), f.end()); }

DV_Header_Record Record_of(const std::string& file)
{
    const std::string bytes = Bytes_at(file, 0, k_Record);
    DV_Header_Record r;
    EXPECT_TRUE(r.From_bytes({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}));
    return r;
}

class Multi_writer : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    std::shared_ptr<Fake_camera> Camera(int stream, int count, bool with_record = true, int first = 1)
    {
        return std::make_shared<Fake_camera>(Stored_frames(stream, count, with_record, first));
    }
    void SetUp() override
    {
        g_DV_Extra_Offset = 12000;
        g_Emergency_stop = false;
        writer.filename(Path("heat.sdv"));
        // Shown as its owner would show them.
        writer.Problems.Handle_with([](const Recording_problem& problem) { platform::MsgBox(problem.Text()); });
    }
    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    Cls_DVmulti_writer writer;
};

TEST_F(Multi_writer, TwoCamerasOfThreeFramesLieInterleavedBehindTheRecordAndOpenWithEveryFrame)
{
    auto one = Camera(1, 3), two = Camera(2, 3);
    ASSERT_TRUE(writer.Write_DV_streams2({one, two}, false));
    const std::string file = Path("heat.sdv");
    EXPECT_EQ(fs::file_size(file), uint64_t(21974 + 6 * 144000));
    EXPECT_EQ(writer.File_size(), 21974 + 6 * 144000);
    EXPECT_EQ(writer.file_num(), 0) << "the file is closed after the call";
    for (int f = 1; f <= 3; ++f)
        for (int s = 1; s <= 2; ++s) {
            const auto& camera = s == 1 ? one : two;
            EXPECT_EQ(Bytes_at(file, 21974 + ((f - 1) * 2 + (s - 1)) * 144000, k_Frame),
                      As_text(camera->frames[size_t(f - 1)]))
                << "frame " << f << " stream " << s;
        }
    const DV_Header_Record r = Record_of(file);
    EXPECT_EQ(Bytes_at(file, 0, 4), "BXDV");
    EXPECT_EQ(r.Record_size, 21974);
    EXPECT_EQ(r.Stream_count, 2);
    EXPECT_EQ(r.Frame_count, 3);

    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(file));
    EXPECT_EQ(rec.Num_Video_streams(), 2);
    EXPECT_EQ(rec.num_frames(), 3);
    for (int f = 1; f <= 3; ++f)
        for (int16_t s = 1; s <= 2; ++s) {
            ASSERT_TRUE(rec.Read_Frame(f, s));
            EXPECT_EQ(rec.Current_Stream(), s);
            const auto bytes = rec.Frame_bytes();
            const auto& expected = (s == 1 ? one : two)->frames[size_t(f - 1)];
            ASSERT_EQ(bytes.size(), expected.size());
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), expected.begin())) << "frame " << f << " stream " << s;
        }
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Multi_writer, EveryStreamGetsTheFramesTheShortestCameraHolds)
{
    auto one = Camera(1, 5), two = Camera(2, 3);
    ASSERT_TRUE(writer.Write_DV_streams2({one, two}, false));
    EXPECT_EQ(Record_of(Path("heat.sdv")).Frame_count, 3);
    EXPECT_EQ(fs::file_size(Path("heat.sdv")), uint64_t(21974 + 6 * 144000));
    EXPECT_EQ(one->highest_asked, 3);
    EXPECT_EQ(two->highest_asked, 3);
}

TEST_F(Multi_writer, HeatsGoIntoTheRecordAndTheCallersRaceFieldsStay)
{
    writer.Heat_ID(0, "A1");
    writer.Heat_Start(0, 123456);
    writer.Heat_ID(3, "Final D");
    writer.Heat_Start(3, -5);
    writer.Heat_ID(1, std::string(33, 'x')); // longer than the field: left empty
    writer.DV_header().Heats[2].Start_correction = 250;
    writer.DV_header().Goal_line = {10, 20, 30, 40};
    String_To_Bytes("Regatta", writer.DV_header().Event_name);
    EXPECT_EQ(writer.Heat_Start_Correction(2), 250);
    clock.tick = 777000;
    writer.Set_Heat_start();
    EXPECT_EQ(writer.Heat_start_tick(), 777000);
    for (int16_t bad : {-1, 4})
        EXPECT_EQ(test::Error_number([&] { writer.Heat_Start(bad, 1); }), 9) << bad;
    EXPECT_EQ(test::Error_number([&] { writer.Heat_Start_Correction(4); }), 9);

    ASSERT_TRUE(writer.Write_DV_streams2({Camera(1, 1)}, false));
    const std::string file = Path("heat.sdv");
    EXPECT_EQ(Bytes_at(file, 22, 4), "HEID");
    EXPECT_EQ(Bytes_at(file, 26, 32), std::string("A1") + std::string(30, '\0'));
    EXPECT_EQ(Bytes_at(file, 26 + 40, 32), std::string(32, '\0'));
    const DV_Header_Record r = Record_of(file);
    EXPECT_EQ(r.Heats[0].Heat_start, 123456);
    EXPECT_EQ(r.Heats[3].Heat_start, -5);
    EXPECT_EQ(Bytes_To_String(r.Heats[3].Heat_ID), "Final D");
    EXPECT_EQ(r.Heats[2].Start_correction, 250);
    EXPECT_EQ(r.Goal_line, (std::array<int32_t, 4>{10, 20, 30, 40}));
    EXPECT_EQ(Bytes_To_String(r.Event_name), "Regatta");
    EXPECT_EQ(r.Stream_count, 1);
}

TEST_F(Multi_writer, TheFirstHitAndTheLastFirstBoatMarkBecomeFieldIndexes)
{
    auto one = Camera(1, 4), two = Camera(2, 4);
    test::Write_DV_extra_data(one->frames[1], {.hit_flag = 1});     // frame 2: the first hit
    test::Write_DV_extra_data(two->frames[3], {.hit_flag = 2});     // a later hit changes nothing
    test::Write_DV_extra_data(two->frames[0], {.first_boat = -1});
    test::Write_DV_extra_data(one->frames[2], {.first_boat = -1});  // the later mark wins
    ASSERT_TRUE(writer.Write_DV_streams2({one, two}, false));
    const DV_Header_Record r = Record_of(Path("heat.sdv"));
    EXPECT_EQ(r.First_hit, 4);
    EXPECT_EQ(r.First_boat, 6);
    EXPECT_EQ(r.Frame_count, 4);

    // Without marks both stay 0, also after an earlier file had them.
    ASSERT_TRUE(writer.Write_DV_streams2({Camera(1, 2), Camera(2, 2)}, false));
    const DV_Header_Record again = Record_of(Path("heat.sdv"));
    EXPECT_EQ(again.First_hit, 0);
    EXPECT_EQ(again.First_boat, 0);
    EXPECT_EQ(again.Frame_count, 2);
}

TEST_F(Multi_writer, AppendingAddsFramesAtTheEndAndCountsThemInTheRecord)
{
    auto first_one = Camera(1, 2), first_two = Camera(2, 2);
    writer.Heat_ID(0, "Heat 7");
    ASSERT_TRUE(writer.Write_DV_streams2({first_one, first_two}, false));
    const std::string file = Path("heat.sdv");
    const std::string before = test::Read_file(file);

    Cls_DVmulti_writer later; // a new writer takes the file's own record
    later.filename(file);
    auto more_one = Camera(1, 3, true, 3), more_two = Camera(2, 3, true, 3);
    ASSERT_TRUE(later.Write_DV_streams2({more_one, more_two}, true));
    EXPECT_EQ(fs::file_size(file), uint64_t(21974 + 10 * 144000));
    const std::string after = test::Read_file(file);
    EXPECT_EQ(after.substr(size_t(k_Record)).substr(0, size_t(4 * k_Frame)),
              before.substr(size_t(k_Record))) << "the earlier frames are untouched";
    for (int f = 3; f <= 5; ++f)
        EXPECT_EQ(Bytes_at(file, 21974 + ((f - 1) * 2 + 1) * 144000, k_Frame), As_text(more_two->frames[size_t(f - 3)]));
    const DV_Header_Record r = Record_of(file);
    EXPECT_EQ(r.Frame_count, 5);
    EXPECT_EQ(Bytes_To_String(r.Heats[0].Heat_ID), "Heat 7");

    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(file));
    EXPECT_EQ(rec.num_frames(), 5);
    ASSERT_TRUE(rec.Read_Frame(5, 1));
    EXPECT_TRUE(std::equal(rec.Frame_bytes().begin(), rec.Frame_bytes().end(), more_one->frames[2].begin()));
}

TEST_F(Multi_writer, AppendingGoesAfterTheLastWholeSetOfFramesOnDisk)
{
    ASSERT_TRUE(writer.Write_DV_streams2({Camera(1, 2), Camera(2, 2)}, false));
    const std::string file = Path("heat.sdv");
    {
        std::ofstream torn(file, std::ios::binary | std::ios::app);
        torn << std::string(144000 + 500, '\x55'); // one frame and a bit of a set that never finished
    }
    auto more_one = Camera(1, 1, true, 3), more_two = Camera(2, 1, true, 3);
    ASSERT_TRUE(writer.Write_DV_streams2({more_one, more_two}, true));
    EXPECT_EQ(Record_of(file).Frame_count, 3);
    EXPECT_EQ(Bytes_at(file, 21974 + 4 * 144000, k_Frame), As_text(more_one->frames[0]));
    EXPECT_EQ(Bytes_at(file, 21974 + 5 * 144000, k_Frame), As_text(more_two->frames[0]));
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(file));
    EXPECT_EQ(rec.num_frames(), 3);
}

TEST_F(Multi_writer, AppendingToARecordingOfOtherStreamsIsRefusedAndLeavesItAsItWas)
{
    ASSERT_TRUE(writer.Write_DV_streams2({Camera(1, 2), Camera(2, 2)}, false));
    const std::string before = test::Read_file(Path("heat.sdv"));
    EXPECT_FALSE(writer.Write_DV_streams2({Camera(1, 1)}, true));
    EXPECT_EQ(test::Read_file(Path("heat.sdv")), before);
    EXPECT_EQ(writer.file_num(), 0);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_NE(reports.reports[0].find("Write_DV_streams2"), std::string::npos);

    // Appending to a file that is not there starts one.
    writer.filename(Path("new.sdv"));
    ASSERT_TRUE(writer.Write_DV_streams2({Camera(1, 2)}, true));
    EXPECT_EQ(Record_of(Path("new.sdv")).Frame_count, 2);
}

TEST_F(Multi_writer, AFrameWithoutItsRecordIsSaidOnceWrittenAnywayAndStopsNoCapture)
{
    auto one = Camera(1, 3), two = Camera(2, 3, false);
    dialogs.Expect_message("SSCD fail");
    ASSERT_TRUE(writer.Write_DV_streams2({one, two}, false));
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_EQ(dialogs.shown.size(), 1u) << "said once for the file, not once a frame";
    for (int f = 1; f <= 3; ++f)
        EXPECT_EQ(Bytes_at(Path("heat.sdv"), 21974 + ((f - 1) * 2 + 1) * 144000, k_Frame), As_text(two->frames[size_t(f - 1)]));
    EXPECT_EQ(one->stops + two->stops, 0);
    EXPECT_FALSE(g_Emergency_stop);
    EXPECT_EQ(Record_of(Path("heat.sdv")).Frame_count, 3);

    // A frame with no record carries no marks: bytes there that look like flags are not taken.
    auto marked = Camera(1, 2, false);
    marked->frames[0][12000 + 162] = 1;
    marked->frames[0][12000 + 168] = 0xFF;
    dialogs.Expect_message("SSCD fail");
    ASSERT_TRUE(writer.Write_DV_streams2({marked}, false));
    EXPECT_EQ(Record_of(Path("heat.sdv")).First_hit, 0);
    EXPECT_EQ(Record_of(Path("heat.sdv")).First_boat, 0);
}

TEST_F(Multi_writer, ProgressIsToldAtEachTenthOnce)
{
    std::vector<int16_t> told;
    writer.Progress = [&](int16_t p) { told.push_back(p); };
    ASSERT_TRUE(writer.Write_DV_streams2({Camera(1, 8), Camera(2, 8)}, false));
    // 8 frames: 12, 25, 38, 50, 62, 75, 88, 100 (halves go to even).
    EXPECT_EQ(told, (std::vector<int16_t>{50, 100}));

    told.clear();
    auto ten_one = std::make_shared<Fake_camera>(std::vector<DV_frame>(10, Stored_frames(1, 1)[0]));
    ASSERT_TRUE(writer.Write_DV_streams2({ten_one}, false));
    EXPECT_EQ(told, (std::vector<int16_t>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

TEST_F(Multi_writer, AFailureEndsTheCallClosesTheFileAndIsReported)
{
    auto one = Camera(1, 3), two = Camera(2, 3);
    two->missing_index = 2;
    EXPECT_FALSE(writer.Write_DV_streams2({one, two}, false));
    EXPECT_EQ(writer.file_num(), 0);
    ASSERT_EQ(reports.reports.size(), 1u);
    // The record still counts no frames, so the torn file opens empty rather than half-read.
    EXPECT_EQ(Record_of(Path("heat.sdv")).Frame_count, 0);

    std::shared_ptr<Active_capture> none;
    EXPECT_FALSE(writer.Write_DV_streams2({one, none}, false));
    EXPECT_FALSE(writer.Write_DV_streams2({one, one, one, one, one, one}, false));
    EXPECT_EQ(reports.reports.size(), 3u);
    EXPECT_TRUE(fs::exists(Path("heat.sdv"))) << "a refused collection leaves the old file";
}

TEST_F(Multi_writer, AnEmptyCollectionOnlyRemovesTheOldFile)
{
    ASSERT_TRUE(writer.Write_DV_streams2({Camera(1, 1)}, false));
    ASSERT_TRUE(fs::exists(Path("heat.sdv")));
    EXPECT_TRUE(writer.Write_DV_streams2({}, true));
    EXPECT_TRUE(fs::exists(Path("heat.sdv")));
    EXPECT_TRUE(writer.Write_DV_streams2({}, false));
    EXPECT_FALSE(fs::exists(Path("heat.sdv")));
    EXPECT_TRUE(reports.reports.empty());
}

} // namespace
} // namespace wk
