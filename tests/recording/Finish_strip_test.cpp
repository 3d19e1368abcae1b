// The finish strip: where the goal line is sampled, and the strip of recordings whose fields
// show a bar that moves field by field.
#include "recording/Finish_strip.h"
#include "recording/cls_AVI_handler.h"
#include "tests/recording/Recording_maker.h"

namespace wk {
namespace {

using Line = Finish_strip_line::Setup;

TEST(Finish_strip_line, SamplesFollowTheLineInTheFramesOwnPixels)
{
    const Line ntsc{.x1 = 0, .y1 = 0, .x2 = 0, .y2 = 575, .frame_height = 480};
    const Line turned{.x1 = 455, .y1 = 0, .x2 = 455, .y2 = 719, .picture_width = 576, .picture_height = 720,
                       .rotated = true};
    const struct {
        const char* name;
        Line line;
        int32_t samples, sample;
        Strip_point expected;
    } cases[] = {
        {"upright, first end", {.x1 = 10, .y1 = 20, .x2 = 10, .y2 = 120}, 101, 0, {10, 20}},
        {"upright, middle", {.x1 = 10, .y1 = 20, .x2 = 10, .y2 = 120}, 101, 50, {10, 70}},
        {"slanted", {.x1 = 0, .y1 = 0, .x2 = 300, .y2 = 400}, 501, 250, {150, 200}},
        {"slanted, second end", {.x1 = 0, .y1 = 0, .x2 = 300, .y2 = 400}, 501, 500, {300, 400}},
        {"NTSC rows scaled", ntsc, 576, 288, {0, 240}},
        {"NTSC last row", ntsc, 576, 575, {0, 479}},
        {"turned picture, top", turned, 720, 0, {0, 120}},
        {"turned picture, bottom", turned, 720, 719, {719, 120}},
    };
    for (const auto& c : cases) {
        const Finish_strip_line line(c.line);
        EXPECT_EQ(line.Samples(), c.samples) << c.name;
        EXPECT_EQ(line.Frame_point(c.sample), c.expected) << c.name;
    }
    // Points beside the line go to their foot on it, held to its ends.
    const Finish_strip_line vertical({.x1 = 540, .y1 = 1, .x2 = 540, .y2 = 575});
    EXPECT_EQ(vertical.Sample_of(500, 100), 99);
    EXPECT_EQ(vertical.Sample_of(540, 900), 574);
    EXPECT_EQ(vertical.Sample_of(540, -5), 0);
}

class Finish_strip_build : public ::testing::Test {
protected:
    std::string Recording(bool ntsc)
    {
        const std::string name = "heat" + std::to_string(++made);
        if (!ntsc) return test::Make_qs2(home.path() / (name + ".qs2"), 8);
        const std::string path = (home.path() / (name + ".dv")).string();
        test::Write_DV_file(path, test::Make_DV_frames(8, {.ntsc = true}));
        return path;
    }
    test::Temp_home home;
    int made = 0;
};

// Every sample of every field on the bar's rows is bright exactly where that field's bar is.
TEST_F(Finish_strip_build, EachColumnShowsItsOwnFieldAlongTheLine)
{
    const struct {
        const char* name;
        bool ntsc;
        Line line;
    } cases[] = {
        {"PAL, across the bar", false, {.x1 = 0, .y1 = 120, .x2 = 719, .y2 = 120}},
        {"PAL, slanted through the bar", false, {.x1 = 0, .y1 = 100, .x2 = 719, .y2 = 150}},
        {"PAL, on a turned picture", false,
         {.x1 = 455, .y1 = 0, .x2 = 455, .y2 = 719, .picture_width = 576, .picture_height = 720, .rotated = true}},
        {"NTSC, slanted through the bar", true, {.x1 = 0, .y1 = 125, .x2 = 719, .y2 = 180}},
    };
    for (const auto& c : cases) {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(Recording(c.ntsc))) << c.name;
        Finish_strip strip(Strip_source_of(rec, 1), c.line, 3);
        strip.Wait_whole();
        ASSERT_EQ(strip.Columns(), 16) << c.name;
        EXPECT_EQ(strip.Unreadable_frames(), 0) << c.name;
        // Both fields of each frame give a column: 50 a second, NTSC 60 (59.94) a second.
        EXPECT_DOUBLE_EQ(1000.0 / strip.Ms_per_field(), c.ntsc ? 60000.0 / 1001.0 : 50.0) << c.name;
        // Nothing but the strip: samples x fields x 4 bytes.
        EXPECT_EQ(strip.Picture().sizeInBytes(), qsizetype(strip.Line().Samples()) * 16 * 4) << c.name;
        const int height = c.ntsc ? 480 : 576;
        for (int field = 1; field <= 16; ++field) {
            int bright = 0;
            for (int32_t i = 0; i < strip.Line().Samples(); ++i) {
                const Strip_point p = strip.Line().Frame_point(i);
                const int left = test::Bar_left(field);
                // Rows and columns clear of the bar's compressed edges.
                if (p.y < test::k_Bar_top + 2 || p.y > test::k_Bar_top + test::k_Bar_rows - 3 || p.y >= height - 1 ||
                    std::abs(p.x - left) < 3 || std::abs(p.x - (left + test::k_Bar_width)) < 3)
                    continue;
                const bool in_bar = p.x > left && p.x < left + test::k_Bar_width;
                const int luma = qGreen(strip.Picture().pixel(field - 1, i));
                if (in_bar) ++bright;
                EXPECT_EQ(luma > 170, in_bar) << c.name << ", field " << field << ", sample " << i << ": " << luma;
            }
            EXPECT_GT(bright, 0) << c.name << ", field " << field;
        }
    }
}

TEST_F(Finish_strip_build, FramesThatCannotBeReadAreMarkedAndTheRestIsBuilt)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Recording(false)));
    Finish_strip_source source = Strip_source_of(rec, 1);
    ASSERT_EQ(source.places.size(), 8u);
    source.places[2].length = 0;                       // frame 3: not placed
    source.places[4].offset = rec.File_size() + 1000;  // frame 5: past the end
    Finish_strip strip(std::move(source), {.x1 = 0, .y1 = 120, .x2 = 719, .y2 = 120}, 2);
    strip.Wait_whole();
    EXPECT_EQ(strip.Unreadable_frames(), 2);
    for (int column = 0; column < 16; ++column) {
        const bool lost = column / 2 == 2 || column / 2 == 4;
        const QRgb bar = strip.Picture().pixel(column, test::Bar_left(column + 1) + 8);
        EXPECT_EQ(bar == Finish_strip::k_Unreadable, lost) << column;
        if (!lost) EXPECT_GT(qGreen(bar), 170) << column;
    }
}

} // namespace
} // namespace wk
