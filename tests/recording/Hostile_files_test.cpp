// Small hand-made files that claim more than they hold: each is refused or read for what it
// really holds, at once and without swallowing memory.
#include "tests/recording/Recording_maker.h"
#include "tests/recording/Told.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;

class Hostile_files : public ::testing::Test {
protected:
    std::string Path(const std::string& name) { return (home.path() / name).string(); }
    // An own-format recording of `frames` frames whose header claims `claimed`.
    std::string Claiming(const std::string& name, int frames, int32_t claimed)
    {
        const std::string path = test::Make_qs2(home.path() / name, frames);
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path));
        rec.Header().Frames_no(claimed);
        EXPECT_TRUE(rec.Write_XML_header());
        rec.Close_File();
        return path;
    }
    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
};

TEST_F(Hostile_files, AHeaderClaimingABillionFramesGivesTheFramesOnDisk)
{
    const auto start = std::chrono::steady_clock::now();
    const std::string path = Claiming("claims.qs2", 3, 1000000000);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.num_frames(), 3);
    EXPECT_EQ(rec.Num_fields(), 6);
    rec.Trace().Read_Trace_Array();
    EXPECT_EQ(rec.Trace().Trace_Array_count(), 3);
    EXPECT_TRUE(rec.Trace().Clear_all_Traces());
    // The header's own count in seconds is held to what it can show.
    EXPECT_EQ(rec.Seconds(), 32767);
    // Nothing walks the claimed frames: a pass over a billion of them takes far longer than this
    // on any machine, the opening of three on a busy one far less.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST_F(Hostile_files, AHeaderWithoutAnyFrameOnDiskOpensEmpty)
{
    const std::string path = Claiming("empty.qs2", 2, 20000000);
    fs::resize_file(path, cls_AVI_handler::k_Own_data_offset); // the frames are gone
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.num_frames(), 0);
    rec.Trace().Read_Trace_Array();
    EXPECT_EQ(rec.Trace().Trace_Array_count(), 0);
    test::Picture p;
    EXPECT_FALSE(rec.Draw_field_3(1, p.dc));
}

// Whole captured frames past the count are a capture's that was stopped before it counted them.
TEST_F(Hostile_files, AHeaderCountBelowTheWholeFramesOnDiskGivesEveryWholeFrame)
{
    const std::string path = Claiming("fewer.qs2", 4, 2);
    cls_AVI_handler rec;
    const Recording_outcome opened = rec.Open_File(path);
    ASSERT_TRUE(opened);
    EXPECT_EQ(rec.num_frames(), 4);
    EXPECT_TRUE(test::Told(opened, Recording_problem::Kind::frames_recovered, "2 frames past the recorded count were recovered"));
}

TEST_F(Hostile_files, AnAviClaimingAHugePictureIsRefused)
{
    test::Built_avi b = test::Build_DV_AVI({test::Stream_frames(1)[0]});
    // Main header width and height at 32 and 36, the stream format's at 4 and 8 (data offsets).
    const auto put = [&](const char* tag, size_t at, uint32_t v) {
        const std::string_view t(tag, 4);
        auto chunk = std::search(b.bytes.begin(), b.bytes.end(), t.begin(), t.end());
        ASSERT_NE(chunk, b.bytes.end());
        std::memcpy(&*chunk + 8 + at, &v, 4);
    };
    put("avih", 32, 16000);
    put("avih", 36, 16000);
    put("strf", 4, 16000);
    put("strf", 8, 16000);
    test::Write_bytes(Path("huge.avi"), b.bytes);
    cls_AVI_handler rec;
    const Recording_outcome opened = rec.Open_File(Path("huge.avi"));
    EXPECT_FALSE(opened);
    EXPECT_FALSE(rec.File_open());
    EXPECT_TRUE(test::Told(opened, Recording_problem::Kind::corrupt, "invalid AVI picture size"));
}

} // namespace
} // namespace wk
