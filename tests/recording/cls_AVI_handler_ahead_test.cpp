// Stepping and playing with the next frame decoded ahead: every picture shown is the one a decode
// of that very frame gives, whatever the direction did, whichever recording is open, and the
// worker goes cleanly with the recording.
#include "services/graphics/cDIBSection.h"
#include "tests/recording/Recording_maker.h"

#include <fstream>
#include <memory>

namespace wk {
namespace {

using test::Picture;

class Decoding_ahead : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    // What a recording object that has decoded nothing before draws for the field.
    QImage Field_on_demand(const std::string& path, int32_t field, int16_t stream = 1)
    {
        cls_AVI_handler fresh;
        EXPECT_TRUE(fresh.Open_File(path));
        Picture p;
        EXPECT_TRUE(fresh.Draw_field_3(field, p.dc, stream));
        EXPECT_EQ(fresh.Decoded_ahead_count(), 0);
        return p.image;
    }
    QImage Frame_on_demand(const std::string& path, int32_t frame)
    {
        cls_AVI_handler fresh;
        EXPECT_TRUE(fresh.Open_File(path));
        Picture p;
        EXPECT_TRUE(fresh.Draw_frame(frame, p.dc));
        return p.image;
    }
    // Draws the field and checks it against one decoded on demand.
    void Step_to(cls_AVI_handler& rec, const std::string& path, int32_t field, int64_t code)
    {
        Picture p;
        ASSERT_TRUE(rec.Draw_field_3(field, p.dc)) << field;
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), code) << field;
        EXPECT_TRUE(p.image == Field_on_demand(path, field)) << "field " << field << " differs from its own decode";
    }
    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
};

TEST_F(Decoding_ahead, HeldSteppingShowsEveryFieldAsADecodeOnDemandDoesWithTheNextFrameDecodedAhead)
{
    const std::string path = test::Make_qs2(Path("heat.qs2"), 8);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    for (int32_t field = 1; field <= 16; ++field) Step_to(rec, path, field, field);
    // Frames 2 to 8 came from the worker, each decoded once.
    EXPECT_EQ(rec.Decoded_ahead_count(), 7);
    EXPECT_EQ(rec.Decoded_count(), 8);
    // And back again, two frames a step as with Ctrl held.
    for (int32_t field = 16; field >= 4; field -= 4) Step_to(rec, path, field, field);
    EXPECT_GE(rec.Decoded_ahead_count(), 7 + 2);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Decoding_ahead, AFrameDecodedForTheOldDirectionIsNeverShownAfterItTurns)
{
    const std::string path = test::Make_qs2(Path("heat.qs2"), 8);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    for (int32_t field = 1; field <= 6; ++field) Step_to(rec, path, field, field);
    const int64_t used = rec.Decoded_ahead_count();
    // Frame 4 is on its way; the user turns back to frame 2.
    Step_to(rec, path, 4, 4);
    EXPECT_EQ(rec.Decoded_ahead_count(), used) << "frame 4 decoded ahead is not frame 2";
    Step_to(rec, path, 3, 3);
    // Going on backwards, frame 1 comes from the worker.
    Step_to(rec, path, 2, 2);
    EXPECT_EQ(rec.Decoded_ahead_count(), used + 1);
    Step_to(rec, path, 1, 1);
    // Turning forward again after frame 0 was never asked for.
    for (int32_t field = 2; field <= 8; ++field) Step_to(rec, path, field, field);
    EXPECT_TRUE(reports.reports.empty());
}

// Frame n of the recording gets stream 2's picture of frame n in the file. It keeps its extra-data
// record, so it stays a frame of this recording.
void Overwrite_with_stream_2(const std::string& path, int32_t n)
{
    cls_AVI_handler other;
    ASSERT_TRUE(other.Open_File(path));
    ASSERT_TRUE(other.Read_Frame(n, 1));
    ASSERT_TRUE(other.Extra().Has_extra_data());
    test::DV_frame f = test::Stream_frames(2)[size_t(n) - 1];
    const std::span<const uint8_t> now = other.Frame_bytes();
    const auto at = size_t(other.Extra().Extra_index());
    std::copy(now.begin() + ptrdiff_t(at), now.begin() + ptrdiff_t(at + 190), f.begin() + ptrdiff_t(at));
    const int64_t offset = other.Frame_Position() - 1;
    other.Close_File();
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(offset);
    file.write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
    ASSERT_TRUE(file.good());
}

// Turning back after stepping forward: the frame before is taken again without a decode, unless
// the file holds other bytes for it by then.
TEST_F(Decoding_ahead, AStepBackFindsTheFrameBeforeKeptUnlessItChangedOnDisk)
{
    for (const bool rewritten : {false, true}) {
        const std::string path = test::Make_qs2(Path(rewritten ? "rewritten.qs2" : "heat.qs2"), 8);
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        for (int32_t field = 1; field <= 6; ++field) Step_to(rec, path, field, field);
        // Frame 2 gets stream 2's picture.
        if (rewritten) ASSERT_NO_FATAL_FAILURE(Overwrite_with_stream_2(path, 2));
        const int64_t decoded = rec.Decoded_count();
        Picture p;
        ASSERT_TRUE(rec.Draw_field_3(4, p.dc));
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), rewritten ? 1004 : 4);
        EXPECT_TRUE(p.image == Field_on_demand(path, 4)) << rewritten;
        EXPECT_EQ(rec.Decoded_count(), decoded + (rewritten ? 1 : 0)) << rewritten;
        // On backwards, frame 1 from the worker; forwards again, frame 2 is the frame before.
        for (int32_t field : {3, 2, 1}) Step_to(rec, path, field, rewritten && field > 2 ? 1000 + field : field);
        const int64_t ahead = rec.Decoded_ahead_count();
        Step_to(rec, path, 3, rewritten ? 1003 : 3);
        EXPECT_EQ(rec.Decoded_ahead_count(), ahead) << rewritten;
        EXPECT_TRUE(reports.reports.empty());
    }
}

TEST_F(Decoding_ahead, AFrameDecodedForTheRecordingClosedIsNeverShownInTheOneOpenedNext)
{
    // The same frame numbers, other pictures: stream 2's frames show fields 1001 on.
    const std::string first = test::Make_qs2(Path("first.qs2"), 8);
    const std::string second =
        test::Make_qs2(Path("second.qs2"), 8, 1, [](test::DV_frame& f, int k, int) { f = test::Stream_frames(2)[size_t(k - 1)]; });
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(first));
    for (int32_t field = 1; field <= 4; ++field) Step_to(rec, first, field, field);
    // Frame 3 of the first recording is ahead when it closes.
    rec.Close_File();
    ASSERT_TRUE(rec.Open_File(second));
    const int64_t used = rec.Decoded_ahead_count();
    Picture p;
    ASSERT_TRUE(rec.Draw_field_3(5, p.dc));
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 1005);
    EXPECT_TRUE(p.image == Field_on_demand(second, 5));
    EXPECT_EQ(rec.Decoded_ahead_count(), used);
    // Stepping on in the new one decodes ahead again, of the new recording.
    for (int32_t field = 6; field <= 10; ++field) {
        ASSERT_TRUE(rec.Draw_field_3(field, p.dc));
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 1000 + field);
        EXPECT_TRUE(p.image == Field_on_demand(second, field)) << field;
    }
    EXPECT_GT(rec.Decoded_ahead_count(), used);
}

TEST_F(Decoding_ahead, AFrameRewrittenOnDiskAfterItWasReadAheadIsDecodedAgain)
{
    const std::string path = test::Make_qs2(Path("heat.qs2"), 8);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    for (int32_t field = 1; field <= 4; ++field) Step_to(rec, path, field, field);
    // Frame 3 was read ahead; another frame's picture is written over it meanwhile.
    ASSERT_NO_FATAL_FAILURE(Overwrite_with_stream_2(path, 3));
    const int64_t used = rec.Decoded_ahead_count();
    Picture p;
    ASSERT_TRUE(rec.Draw_field_3(5, p.dc));
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 1005) << "what the file holds now";
    EXPECT_EQ(rec.Decoded_ahead_count(), used);
}

TEST_F(Decoding_ahead, PlayingShowsEveryFrameAsADecodeOnDemandDoes)
{
    const std::string path = test::Make_qs2(Path("heat.qs2"), 8);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    for (int32_t frame = 1; frame <= 8; ++frame) {
        Picture p;
        int32_t f = frame;
        ASSERT_TRUE(rec.Draw_frame(f, p.dc));
        EXPECT_TRUE(p.image == Frame_on_demand(path, frame)) << "frame " << frame;
    }
    EXPECT_EQ(rec.Decoded_ahead_count(), 6);
    // Mirrored and overlaid drawing take the frame decoded ahead as well and stay the same.
    rec.flip(-1);
    for (int32_t frame = 1; frame <= 3; ++frame) {
        Picture p, q;
        int32_t f = frame;
        ASSERT_TRUE(rec.Draw_frame(f, p.dc));
        cls_AVI_handler fresh;
        ASSERT_TRUE(fresh.Open_File(path));
        fresh.flip(-1);
        ASSERT_TRUE(fresh.Draw_frame(f, q.dc));
        EXPECT_TRUE(p.image == q.image) << "mirrored frame " << frame;
    }
}

TEST_F(Decoding_ahead, TheWorkerGoesWithTheRecordingWhateverItWasDoing)
{
    const std::string path = test::Make_qs2(Path("heat.qs2"), 8);
    for (int way = 0; way < 3; ++way) {
        auto rec = std::make_unique<cls_AVI_handler>();
        ASSERT_TRUE(rec->Open_File(path));
        Picture p;
        // Field 2 starts frame 2 on the worker.
        ASSERT_TRUE(rec->Draw_field_3(1, p.dc));
        ASSERT_TRUE(rec->Draw_field_3(2, p.dc));
        if (way == 1) rec->Close_File();
        if (way == 2) {
            rec->Drop_decode_ahead();
            ASSERT_TRUE(rec->Draw_field_3(3, p.dc));
            EXPECT_EQ(rec->Decoded_ahead_count(), 0) << "dropped when stepping stopped";
            EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 3);
        }
        rec.reset();
    }
    EXPECT_TRUE(reports.reports.empty());
}

} // namespace
} // namespace wk
