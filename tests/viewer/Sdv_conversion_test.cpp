// Converting multi-stream recordings of the older format into the own format, alone and through
// the viewer's command.
#include "platform/Raw_file.h"
#include "tests/support/File_size_limit.h"
#include "tests/viewer/Viewer_fixture.h"
#include "viewer/Sdv_conversion.h"

#include <QApplication>

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;

// An sdv file: the DV header record with a race on it, `frames` DV frames and `tail` bytes of a
// frame cut short.
void Write_sdv(const fs::path& path, int frames, size_t tail, int32_t lane_count = 3)
{
    DV_Header_Record r;
    r.Stream_count = 1;
    r.Frame_count = frames;
    r.Goal_line = {310, 12, 320, 570};
    r.Lanes_flipped = -1;
    r.Lane_count = lane_count;
    r.Heat_start_local = 36000000;
    std::memcpy(r.Event_name.data(), "Old Regatta", 11);
    std::memcpy(r.Capture_time.data(), "09-05-01 10:00:00", 17);
    for (int i = 0; i < 10; ++i) r.Lanes[size_t(i)] = {100 + i, 50 + 40 * i};
    std::string bytes;
    const auto head = r.To_bytes();
    bytes.append(head.begin(), head.end());
    for (int k = 0; k < frames; ++k) {
        const auto& f = test::Stream_frames(1)[size_t(k)];
        bytes.append(f.begin(), f.end());
    }
    const auto& f = test::Stream_frames(1)[size_t(frames)];
    bytes.append(f.begin(), f.begin() + std::ptrdiff_t(tail));
    fs::create_directories(path.parent_path());
    test::Write_file(path, bytes);
}

class Sdv_conversion : public test::Viewer_window {
protected:
    // The race Write_sdv puts on the record, read back from the converted recording.
    static void Expect_race(const std::string& path, int16_t lanes)
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_EQ(rec.Heat_ID(1), "h99");
        EXPECT_EQ(rec.Event_name(), "Old Regatta");
        EXPECT_EQ(rec.Capture_time(), "09-05-01 10:00:00");
        EXPECT_EQ(rec.Start_local_Mill_Time(1), 36000000);
        EXPECT_EQ(rec.Lane_count(), lanes);
        EXPECT_TRUE(rec.Lanes_flipped());
        EXPECT_TRUE(rec.Lanes_locked());
        EXPECT_TRUE(rec.Show_goalline());
        for (int16_t lane = 1; lane <= lanes; ++lane) {
            EXPECT_EQ(rec.LaneX(lane), 100 + lane - 1) << lane;
            EXPECT_EQ(rec.LaneY(lane), 50 + 40 * (lane - 1)) << lane;
        }
    }
    static std::array<int16_t, 4> Goal_line_of(const std::string& path)
    {
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path));
        int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        rec.Get_Goalline(x1, y1, x2, y2);
        return {x1, y1, x2, y2};
    }
    // Nothing but the destination's earlier bytes (or nothing) is left beside it.
    static void Expect_nothing_left(const fs::path& folder, const fs::path& dest, const std::string& before)
    {
        EXPECT_EQ(fs::exists(dest) ? test::Read_file(dest) : std::string(), before);
        for (const auto& e : fs::directory_iterator(folder))
            EXPECT_TRUE(e.path() == dest || e.path().extension() == ".sdv") << e.path();
    }
};

TEST_F(Sdv_conversion, WholeFramesAndTheRecordsRaceGoIntoTheNewRecording)
{
    const fs::path source = home.path() / "old" / "heat.sdv";
    Write_sdv(source, 3, 50000);
    const std::string dest = Converted_file_name(source.string());
    EXPECT_EQ(dest, (home.path() / "old" / "heat.qs2").string());
    const Sdv_conversion_result r = Convert_sdv_recording(source.string(), dest);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.frames, 3);
    EXPECT_EQ(r.problem, "");

    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(dest));
    EXPECT_EQ(rec.num_frames(), 3);
    EXPECT_EQ(rec.num_Calculated_frames(), 3);
    EXPECT_EQ(rec.Heat_ID(1), "h99");
    EXPECT_EQ(rec.Event_name(), "Old Regatta");
    EXPECT_EQ(rec.Capture_time(), "09-05-01 10:00:00");
    EXPECT_EQ(rec.Start_local_Mill_Time(1), 36000000);
    int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    rec.Get_Goalline(x1, y1, x2, y2);
    EXPECT_EQ((std::array<int16_t, 4>{x1, y1, x2, y2}), (std::array<int16_t, 4>{310, 12, 320, 570}));
    EXPECT_EQ(rec.Lane_count(), 3);
    EXPECT_TRUE(rec.Lanes_flipped());
    EXPECT_TRUE(rec.Lanes_locked());
    for (int16_t lane = 1; lane <= 3; ++lane) {
        EXPECT_EQ(rec.LaneX(lane), 100 + lane - 1);
        EXPECT_EQ(rec.LaneY(lane), 50 + 40 * (lane - 1));
    }
    // The frames are the source's, byte for byte.
    for (int32_t k = 1; k <= 3; ++k) {
        ASSERT_TRUE(rec.Read_Frame(k));
        const auto& f = test::Stream_frames(1)[size_t(k - 1)];
        EXPECT_TRUE(std::equal(f.begin(), f.end(), rec.Frame_bytes().begin())) << k;
    }
}

TEST_F(Sdv_conversion, ABadFrameStopsThisConversionOnlyAndKeepsWhatCameBefore)
{
    const fs::path source = home.path() / "bad.sdv";
    Write_sdv(source, 4, 0, 40);
    // Frame 3 is not DV.
    platform::Raw_file f;
    int error = 0;
    ASSERT_TRUE(f.Open(source.string(), platform::Raw_file::Mode::Read_write, error));
    const uint8_t junk[2] = {0, 0};
    ASSERT_TRUE(f.Write_at(DV_Header_Record::k_Size + 2 * 144000, junk, 2));
    f.Close();
    g_Emergency_stop = false;
    const Sdv_conversion_result r = Convert_sdv_recording(source.string(), Converted_file_name(source.string()));
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.frames, 2);
    EXPECT_NE(r.problem.find("Frame 3"), std::string::npos);
    EXPECT_FALSE(g_Emergency_stop);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Converted_file_name(source.string())));
    EXPECT_EQ(rec.num_frames(), 2);
    EXPECT_EQ(rec.Lane_count(), 10); // the lane table holds ten
    // The source was closed again: it can be removed at once.
    EXPECT_TRUE(fs::remove(source));
}

TEST_F(Sdv_conversion, AnSdvWithoutFramesStillGivesARecordingWithItsWholeRace)
{
    const fs::path source = home.path() / "empty.sdv";
    Write_sdv(source, 0, 0, 4);
    const std::string dest = Converted_file_name(source.string());
    const Sdv_conversion_result r = Convert_sdv_recording(source.string(), dest);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.frames, 0);
    EXPECT_EQ(r.problem, "");
    Expect_race(dest, 4);
    EXPECT_EQ(Goal_line_of(dest), (std::array<int16_t, 4>{310, 12, 320, 570}));
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(dest));
    EXPECT_EQ(rec.num_frames(), 0);
}

// The header keeps coordinates in 16 bits: wider ones are held to that range before anything is
// written, so the race goes in whole with the frames, and the operator is told.
TEST_F(Sdv_conversion, AGoalLineOrLaneMarkOutside16BitsIsHeldToThemAndTheRaceStillGoesIn)
{
    const fs::path source = home.path() / "wide.sdv";
    Write_sdv(source, 2, 0, 3);
    DV_Header_Record r;
    {
        const std::string bytes = test::Read_file(source).substr(0, size_t(DV_Header_Record::k_Size));
        ASSERT_TRUE(r.From_bytes({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}));
    }
    r.Goal_line = {70000, -40000, 320, 570};
    r.Lanes[1] = {-2147483647 - 1, 2147483647};
    const auto head = r.To_bytes();
    platform::Raw_file f;
    int error = 0;
    ASSERT_TRUE(f.Open(source.string(), platform::Raw_file::Mode::Read_write, error));
    ASSERT_TRUE(f.Write_at(0, head.data(), head.size()));
    f.Close();

    const std::string dest = Converted_file_name(source.string());
    const Sdv_conversion_result result = Convert_sdv_recording(source.string(), dest);
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.frames, 2);
    EXPECT_NE(result.problem.find("held to that range"), std::string::npos) << result.problem;
    EXPECT_EQ(Goal_line_of(dest), (std::array<int16_t, 4>{32767, -32768, 320, 570}));
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(dest));
    EXPECT_EQ(rec.num_frames(), 2);
    EXPECT_EQ(rec.Heat_ID(1), "h99");
    EXPECT_EQ(rec.Event_name(), "Old Regatta");
    EXPECT_EQ(rec.Capture_time(), "09-05-01 10:00:00");
    EXPECT_EQ(rec.Start_local_Mill_Time(1), 36000000);
    EXPECT_EQ(rec.Lane_count(), 3);
    EXPECT_EQ(rec.LaneX(1), 100);
    EXPECT_EQ(rec.LaneX(2), -32768);
    EXPECT_EQ(rec.LaneY(2), 32767);
    EXPECT_EQ(rec.LaneY(3), 130);
    EXPECT_TRUE(reports.reports.empty());
}

// A disk that fills at any step of the conversion: the new recording never takes the
// destination's name, the recording already there keeps its bytes, no passing file is left.
TEST_F(Sdv_conversion, AConversionThatBreaksOffAnywhereLeavesNoHalfRecording)
{
    const fs::path folder = home.path() / "races";
    const fs::path source = folder / "heat.sdv";
    Write_sdv(source, 3, 0);
    const fs::path dest = Converted_file_name(source.string());
    const int64_t whole = cls_AVI_handler::k_Own_data_offset + 3 * 144000;
    for (const bool replacing : {false, true}) {
        if (replacing) ASSERT_TRUE(Convert_sdv_recording(source.string(), dest.string()).written);
        const std::string before = replacing ? test::Read_file(dest) : std::string();
        for (const int64_t limit : {int64_t(10), int64_t(5000), int64_t(100000), int64_t(100005 + 70000),
                                    int64_t(100005 + 144000), int64_t(100005 + 2 * 144000 + 1), whole - 1}) {
            Sdv_conversion_result r;
            {
                test::File_size_limit full(rlim_t(limit + 0));
                r = Convert_sdv_recording(source.string(), dest.string());
            }
            EXPECT_FALSE(r.written) << limit;
            EXPECT_EQ(r.frames, 0) << limit;
            EXPECT_NE(r.problem.find("Nothing was converted into " + dest.string()), std::string::npos) << r.problem;
            Expect_nothing_left(folder, dest, before);
        }
        if (replacing) Expect_race(dest.string(), 3);
    }
    // With room for exactly the recording it goes through.
    {
        test::File_size_limit full{rlim_t(whole)};
        EXPECT_TRUE(Convert_sdv_recording(source.string(), dest.string()).written);
    }
    Expect_race(dest.string(), 3);
    Expect_nothing_left(folder, dest, test::Read_file(dest));
}

TEST_F(Sdv_conversion, TheCommandKeepsDotFoldersAndAsksBeforeReplacing)
{
    const fs::path source = home.path() / "races.2009" / "heat.one.sdv";
    Write_sdv(source, 3, 100);
    const fs::path dest = home.path() / "races.2009" / "heat.one.qs2";
    Viewer();
    dialogs.Expect_open_file(source.string());
    dialogs.Expect_message("3 frames converted!");
    Viewer().item_convert_Click();
    ASSERT_TRUE(fs::exists(dest));
    const auto first = fs::last_write_time(dest);

    dialogs.Expect_open_file(source.string());
    dialogs.Expect_message("already exists. Replace it?", platform::vbNo);
    Viewer().item_convert_Click();
    EXPECT_EQ(fs::last_write_time(dest), first);

    dialogs.Expect_open_file(source.string());
    dialogs.Expect_message("already exists. Replace it?", platform::vbYes);
    dialogs.Expect_message("3 frames converted!");
    Viewer().item_convert_Click();
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_TRUE(reports.reports.empty());

    // Replacing on a disk that fills: said, and the recording there keeps its bytes.
    const std::string kept = test::Read_file(dest);
    dialogs.Expect_open_file(source.string());
    dialogs.Expect_message("already exists. Replace it?", platform::vbYes);
    dialogs.Expect_message("Nothing was converted into " + dest.string());
    {
        test::File_size_limit full(200000);
        Viewer().item_convert->trigger();
    }
    EXPECT_TRUE(dialogs.All_used());
    EXPECT_EQ(test::Read_file(dest), kept);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    reports.reports.clear();

    // A file that is no sdv: said, nothing written, the cursor back.
    test::Write_file(home.path() / "junk.sdv", std::string(30000, 'j'));
    dialogs.Expect_open_file((home.path() / "junk.sdv").string());
    dialogs.Expect_message("has no valid DV header record");
    Viewer().item_convert_Click();
    EXPECT_FALSE(fs::exists(home.path() / "junk.qs2"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace wk
