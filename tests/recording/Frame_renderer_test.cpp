// The frame renderer on a source without a file: what it asks of the source, what it draws from
// it, and what it shows when the source cannot give a frame.
#include "platform/Av_frame_decoder.h"
#include "recording/Frame_renderer.h"
#include "tests/recording/Recording_maker.h"

#include <set>

namespace wk {
namespace {

// Frames held in memory; every read and copy is noted.
class Fake_source : public Frame_source {
public:
    explicit Fake_source(std::vector<test::DV_frame> frames) : frames_(std::move(frames))
    {
        facts_.open = true;
        facts_.name = "in memory";
        facts_.width = 720;
        facts_.height = 576;
        facts_.frame_size = 144000;
        facts_.num_frames = int32_t(frames_.size());
    }
    const Picture_facts& Facts() const override { return facts_; }
    bool Read(int32_t frame, int16_t stream) override
    {
        reads.push_back(frame);
        in_store_ = std::min(frame, facts_.num_frames);
        stream_ = stream;
        if (in_store_ < 1 || unreadable.count(in_store_)) in_store_ = 0;
        return in_store_ > 0;
    }
    void Forget() override { in_store_ = 0; }
    int32_t Frame_in_store() const override { return in_store_; }
    int16_t Stream_in_store() const override { return stream_; }
    std::span<const uint8_t> Bytes() const override
    {
        return in_store_ > 0 ? std::span<const uint8_t>(frames_[size_t(in_store_ - 1)]) : std::span<const uint8_t>();
    }
    bool Copy_frame(int32_t frame, int16_t, platform::Av_frame_bytes& into) override
    {
        copies.push_back(frame);
        const test::DV_frame& f = frames_[size_t(frame - 1)];
        uint8_t* to = into.Resize(f.size());
        if (to) std::copy(f.begin(), f.end(), to);
        return to != nullptr;
    }
    void Take_capture_record() override { ++records_taken; }

    Picture_facts facts_;
    std::vector<int32_t> reads, copies;
    std::set<int32_t> unreadable;
    int records_taken = 0;

private:
    std::vector<test::DV_frame> frames_;
    int32_t in_store_ = 0;
    int16_t stream_ = 1;
};

class Renderer : public ::testing::Test {
protected:
    Fake_source source{std::vector<test::DV_frame>(test::Stream_frames(1).begin(), test::Stream_frames(1).begin() + 4)};
    Frame_renderer renderer{source};
    test::Picture p;
    test::Captured_reports reports;
};

TEST_F(Renderer, FieldsComeFromTheSourceReadOnceAFrameAndTheNextFrameIsCopiedAhead)
{
    for (int32_t field = 1; field <= 6; ++field) {
        ASSERT_TRUE(renderer.Draw_field_3(field, p.dc, 1, false)) << field;
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), field);
        EXPECT_EQ(renderer.field_to_show, field % 2 == 1 ? 1 : 2);
    }
    // Field 2 of a frame reads nothing; stepping on copies the next frame for the worker.
    EXPECT_EQ(source.reads, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(source.copies, (std::vector<int32_t>{2, 3, 4}));
    EXPECT_EQ(renderer.Decoded_ahead_count(), 2) << "frames 2 and 3 were decoded ahead";
    EXPECT_EQ(source.records_taken, 0) << "this source's traces are not read with the fields";
    source.facts_.traces_read_with_fields = true;
    ASSERT_TRUE(renderer.Draw_field_3(7, p.dc, 1, false));
    EXPECT_EQ(source.records_taken, 1);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Renderer, AFrameTheSourceCannotGiveOrPastTheEndIsBlackAndNothingOlder)
{
    source.unreadable = {2};
    struct Case {
        int32_t frame;
        bool shown;
    };
    for (const Case c : {Case{1, true}, Case{2, false}, Case{3, true}, Case{9, false}}) {
        p.image.fill(Qt::white);
        int32_t frame = c.frame;
        EXPECT_EQ(renderer.Draw_frame(frame, p.dc, false, 1, nullptr, false), c.shown) << c.frame;
        const int64_t expected = c.shown ? 2 * c.frame - 1 : 0; // black reads as code 0
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), expected) << c.frame;
    }
    // Past the end nothing is read, and the frame shown before is no longer in store.
    EXPECT_EQ(source.reads, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(source.Frame_in_store(), 0);
}

TEST_F(Renderer, PreloadedPicturesServePlainFramesWithoutTheSource)
{
    ASSERT_TRUE(renderer.Read_In_Bitmaps());
    ASSERT_EQ(renderer.Bitmap_count(), 4);
    source.reads.clear();
    int32_t frame = 0;
    ASSERT_TRUE(renderer.Draw_frame(frame, p.dc, false, 1, nullptr, false));
    EXPECT_EQ(frame, 1);
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 1);
    EXPECT_TRUE(source.reads.empty());
    // Mirrored frames still come from the source; closing drops the pictures.
    frame = 2;
    ASSERT_TRUE(renderer.Draw_frame(frame, p.dc, true, 1, nullptr, false));
    EXPECT_EQ(source.reads, (std::vector<int32_t>{2}));
    renderer.Clear_Bitmap_Collection();
    EXPECT_EQ(renderer.Bitmap(1), nullptr);
}

} // namespace
} // namespace wk
