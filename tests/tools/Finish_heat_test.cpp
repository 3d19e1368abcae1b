#include "platform/Draw_surface.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "tests/support/Failing_disk.h"
#include "tests/support/Test_support.h"
#include "tools/Finish_heat.h"
#include "tools/Finish_heat_painter.h"
#include "tools/Finish_heat_plan.h"

#include <QImage>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <sstream>

namespace wk {
namespace {

using namespace finish_heat;

std::string Read_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Finish_heat : public ::testing::Test {
protected:
    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    // Short heats: the tests look at the crossings, not at the approach.
    static Options Small(Kind kind, uint64_t seed, int lanes = 3)
    {
        return {.seed = seed, .kind = kind, .lanes = lanes, .lead_ms = 120, .tail_ms = 120, .whole_passage = false};
    }
};

// A mixed heat whose capture lost a frame.
uint64_t Seed_losing_a_frame()
{
    for (uint64_t seed = 1;; ++seed) {
        const Heat_plan p = Plan_heat({.seed = seed, .kind = Kind::mixed, .lanes = 3, .lead_ms = 120, .tail_ms = 120,
                                       .whole_passage = false});
        for (int64_t n = 2; n <= 2 * p.Frames(); ++n)
            if (p.Click_time(n) - p.Click_time(n - 1) == 60) return seed;
    }
}

// Every field clicked in the viewer gives the time the plan painted that field at, also across
// a frame the capture lost, and each lane's truth lies within half a field of its nearest
// field's click.
TEST_F(Finish_heat, TheTruthIsOnTheClockAFinishClickGives)
{
    struct Case {
        Kind kind;
        uint64_t seed;
    };
    for (const Case c : {Case{Kind::reversed, 11}, Case{Kind::slanted, 11}, Case{Kind::mixed, Seed_losing_a_frame()}}) {
        const Kind kind = c.kind;
        const std::string path = Path("Clock_" + Kind_name(kind) + ".qs2");
        const Options options = Small(kind, c.seed);
        const Truth truth = Make_finish_heat(path, options);
        const Heat_plan plan = Plan_heat(options);
        int steps_of_60 = 0;
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        ASSERT_EQ(rec.num_frames(), truth.frames);
        QImage image(720, 576, QImage::Format_RGB32);
        platform::Draw_surface picture(&image);
        for (int32_t n = 1; n <= 2 * truth.frames; ++n) {
            ASSERT_TRUE(rec.Draw_field(n, picture));
            ASSERT_EQ(rec.Multi_TimeStamp(1), plan.Click_time(n)) << Kind_name(kind) << " field " << n;
            if (n > 1) steps_of_60 += plan.Click_time(n) - plan.Click_time(n - 1) == 60 ? 1 : 0;
        }
        EXPECT_EQ(steps_of_60, kind == Kind::mixed ? 1 : 0) << Kind_name(kind);
        int finishing = 0;
        for (const Lane_truth& l : truth.lanes) {
            if (l.kind != Lane_kind::finish) continue;
            ++finishing;
            const int64_t n = 2 * int64_t(l.frame) - (l.field == 1 ? 1 : 0);
            EXPECT_LE(std::abs(plan.Click_time(n) - l.time_ms), 10.0) << "lane " << l.lane;
            EXPECT_EQ(l.time_ms, std::nearbyint(l.time_ms * 1000) / 1000) << "whole microseconds";
        }
        EXPECT_EQ(finishing, int(std::count_if(plan.boats.begin(), plan.boats.end(),
                                               [](const Boat& b) { return b.kind == Lane_kind::finish; })));
        EXPECT_GE(finishing, 2);
    }
}

// A boat whose crossing is put exactly on a field's click time has its bow on the goal line in
// that field's rows: behind it just before, past it just after, in either direction and on a
// slanted line.
TEST_F(Finish_heat, ABowCrossingAtAFieldsMomentTouchesTheLineInThatField)
{
    struct Case {
        int direction;
        int32_t slant;
        int64_t field;  // odd: field 1 of its frame
    };
    for (const Case c : {Case{1, 0, 9}, Case{-1, 60, 10}, Case{1, -45, 12}}) {
        Heat_plan plan = Plan_heat(Small(Kind::plain, 5, 1));
        plan.goal[0] = 360 - c.slant / 2;
        plan.goal[2] = 360 + c.slant / 2;
        plan.water.waves = plan.water.noise = plan.water.reflection = 0;
        plan.shutter_ms = 4; // a smear of 1.2 pixels, as much ahead as behind
        Boat& b = plan.boats[0];
        b.direction = c.direction;
        b.crossing_ms = plan.Click_time(c.field);
        b.speed = 0.3, b.pulse = 0, b.bob = 0, b.blade = false, b.spray = 0;
        b.height = 16, b.tip_at = 0, b.bow_taper = 4, b.bow_power = 0.5, b.rake = 0.3;
        b.hull = {230, 128, 128}, b.deck = b.hull;
        plan.water.base = {60, 128, 128};
        Finish_heat_painter painter(plan);
        dv::DV_picture picture;
        // The field's rows: field 1 is rows 1, 3, 5 ... from the top, field 2 rows 0, 2, 4 ...
        auto luma_at = [&](int64_t field, double dx) {
            painter.Paint(int32_t((field + 1) / 2), picture);
            const int row = int(std::lround(b.tip_y / 2)) * 2 + (field % 2 == 1 ? 1 : 0);
            const int x = int(std::lround(plan.Goal_x(row) + c.direction * dx));
            return int(picture.y[size_t(row) * 720 + size_t(x)]);
        };
        const std::string what = "direction " + std::to_string(c.direction) + " slant " + std::to_string(c.slant);
        EXPECT_GT(luma_at(c.field, -2), 200) << what << ": the bow reaches the line";
        EXPECT_LT(luma_at(c.field, 2), 80) << what << ": and not past it";
        EXPECT_LT(luma_at(c.field - 1, -2), 80) << what << ": one field before it is 6 pixels short";
        EXPECT_GT(luma_at(c.field + 1, 4), 200) << what << ": one field after, 6 pixels past";
    }
}

TEST_F(Finish_heat, TheRecordingOpensWithTheGoalLineAndLanesItsTruthGives)
{
    const std::string path = Path("Lanes.qs2");
    const Truth truth = Make_finish_heat(path, Small(Kind::mixed, 3, 9));
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    const Cls_XML_header& h = rec.Header();
    int32_t g[4];
    h.Get_Goalline(g[0], g[1], g[2], g[3]);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(g[i], truth.goal[i]);
    EXPECT_EQ(h.Num_Lanes(), 9);
    EXPECT_TRUE(h.Lanes_locked());
    EXPECT_EQ(h.Start_PC_mill(1), truth.heat_start);
    ASSERT_EQ(truth.lanes.size(), 9u);
    for (const Lane_truth& l : truth.lanes) {
        EXPECT_EQ(h.Lane_pos_X(int16_t(l.lane)), l.mark_x) << "lane " << l.lane;
        EXPECT_EQ(h.Lane_pos_Y(int16_t(l.lane)), l.mark_y) << "lane " << l.lane;
    }
    const std::string json = Read_text(Truth_path(path));
    EXPECT_EQ(json, Truth_json(truth));
    EXPECT_NE(json.find("\"lane\":9,"), std::string::npos);
}

// Same options, same frames and truth; another seed, another heat. The header holds the time it
// was written, so frames are compared one by one.
TEST_F(Finish_heat, TheSameSeedGivesTheSameFramesAndTruth)
{
    const std::string a = Path("A.qs2"), b = Path("B.qs2"), c = Path("C.qs2");
    Make_finish_heat(a, Small(Kind::blade, 77, 2));
    Make_finish_heat(b, Small(Kind::blade, 77, 2));
    Make_finish_heat(c, Small(Kind::blade, 78, 2));
    EXPECT_EQ(Read_text(Truth_path(a)), Read_text(Truth_path(b)));
    EXPECT_NE(Read_text(Truth_path(a)), Read_text(Truth_path(c)));
    cls_AVI_handler ra, rb, rc;
    ASSERT_TRUE(ra.Open_File(a));
    ASSERT_TRUE(rb.Open_File(b));
    ASSERT_TRUE(rc.Open_File(c));
    ASSERT_EQ(ra.num_frames(), rb.num_frames());
    for (int32_t k = 1; k <= ra.num_frames(); ++k) {
        ASSERT_TRUE(ra.Read_Frame(k));
        ASSERT_TRUE(rb.Read_Frame(k));
        ASSERT_TRUE(std::ranges::equal(ra.Frame_bytes(), rb.Frame_bytes())) << "frame " << k;
    }
    ASSERT_TRUE(ra.Read_Frame(1));
    ASSERT_TRUE(rc.Read_Frame(1));
    EXPECT_FALSE(std::ranges::equal(ra.Frame_bytes(), rc.Frame_bytes()));
}

// Frames painted side by side are written in order, each as one painter going through the heat
// frame after frame paints it, in both looks.
TEST_F(Finish_heat, FramesPaintedTogetherAreThoseOfOnePainterInOrder)
{
    for (const Style style : {Style::own, Style::held_out}) {
        Options options = Small(Kind::blade, 5, 2);
        options.style = style;
        const std::string path = Path(Style_name(style) + ".qs2");
        Make_finish_heat(path, options);
        const Heat_plan plan = Plan_heat(options);
        const std::unique_ptr<Heat_painter> painter = Make_heat_painter(plan);
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        ASSERT_GT(rec.num_frames(), 4) << "fewer frames than painters at work";
        dv::DV_picture picture;
        for (int32_t k = 1; k <= rec.num_frames(); ++k) {
            painter->Paint(k, picture);
            ASSERT_TRUE(rec.Read_Frame(k));
            ASSERT_EQ(dv::Decode_DV_luma(rec.Frame_bytes()), dv::Decode_DV_luma(dv::Encode_DV_picture(picture)))
                << Style_name(style) << " frame " << k;
        }
    }
}

// An existing recording or truth is never replaced, and a refused heat leaves nothing behind.
TEST_F(Finish_heat, ExistingFilesAreLeftAsTheyAre)
{
    const std::string path = Path("Taken.qs2");
    test::Write_file(path, "mine");
    try {
        Make_finish_heat(path, Small(Kind::plain, 1));
        ADD_FAILURE() << "made over an existing file";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("File already exists!"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Read_text(path), "mine");
    EXPECT_FALSE(std::filesystem::exists(Truth_path(path)));

    const std::string other = Path("Other.qs2");
    test::Write_file(Truth_path(other), "truth");
    EXPECT_THROW(Make_finish_heat(other, Small(Kind::plain, 1)), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_EQ(Read_text(Truth_path(other)), "truth");
    EXPECT_THROW(Plan_heat(Small(Kind::plain, 1, 16)), std::runtime_error);
}

// A disk that fails at the first write, halfway or at the last leaves no half heat behind: the
// heat is refused and neither file stays, or it is whole (the writer kept its frame count where
// the header had no room).
TEST_F(Finish_heat, AFailedWriteNeverLeavesAHalfHeat)
{
    int writes = 0;
    {
        test::Failing_disk disk;
        Make_finish_heat(Path("Whole.qs2"), Small(Kind::plain, 2, 1));
        writes = disk.Writes();
    }
    ASSERT_GT(writes, 3);
    dialogs.Allow_any_message();
    int whole = 0;
    for (int failing : {1, writes / 2, writes}) {
        const std::string path = Path("Failed" + std::to_string(failing) + ".qs2");
        test::Failing_disk disk;
        disk.Fail_write(failing, ENOSPC, true);
        try {
            const Truth truth = Make_finish_heat(path, Small(Kind::plain, 2, 1));
            cls_AVI_handler rec;
            ASSERT_TRUE(rec.Open_File(path)) << "write " << failing;
            EXPECT_EQ(rec.num_frames(), truth.frames) << "write " << failing;
            EXPECT_EQ(Read_text(Truth_path(path)), Truth_json(truth)) << "write " << failing;
            ++whole;
        } catch (const std::runtime_error&) {
            EXPECT_FALSE(std::filesystem::exists(path)) << "write " << failing;
            EXPECT_FALSE(std::filesystem::exists(Truth_path(path))) << "write " << failing;
        }
    }
    EXPECT_LE(whole, 1) << "only a failed last write can leave the heat whole";
}

// Each kind of heat has what it is named for, over several seeds.
TEST_F(Finish_heat, EachKindOfHeatHasItsDifficulty)
{
    auto count = [](const Heat_plan& p, Lane_kind kind) {
        return std::count_if(p.boats.begin(), p.boats.end(), [&](const Boat& b) { return b.kind == kind; });
    };
    for (uint64_t seed = 1; seed <= 4; ++seed) {
        const std::string at = " seed " + std::to_string(seed);
        const Heat_plan reversed = Plan_heat({.seed = seed, .kind = Kind::reversed, .lanes = 6});
        for (const Boat& b : reversed.boats) EXPECT_EQ(b.direction, -1) << at;
        const Heat_plan slanted = Plan_heat({.seed = seed, .kind = Kind::slanted, .lanes = 6});
        EXPECT_NE(slanted.goal[0], slanted.goal[2]) << at;
        EXPECT_GE(count(Plan_heat({.seed = seed, .kind = Kind::empty, .lanes = 6}), Lane_kind::empty), 1) << at;
        const Heat_plan dead = Plan_heat({.seed = seed, .kind = Kind::dead_heat, .lanes = 6});
        int close = 0;
        for (const Boat& a : dead.boats)
            for (const Boat& b : dead.boats)
                close += a.band < b.band && std::abs(a.crossing_ms - b.crossing_ms) < 5 ? 1 : 0;
        EXPECT_GE(close, 1) << at;
        // A finish is recorded until every stern has passed the line.
        const Heat_plan whole = Plan_heat({.seed = seed, .kind = Kind::plain, .lanes = 6});
        const double last = whole.Click_time(2 * whole.Frames());
        for (const Boat& b : whole.boats) EXPECT_GT(b.Distance(last), b.length) << at << " lane " << b.lane;
        // A stopper stays short of the line in every field, its blade alone may reach over.
        const Heat_plan stop = Plan_heat({.seed = seed, .kind = Kind::stopper, .lanes = 6});
        ASSERT_GE(count(stop, Lane_kind::stopper), 1) << at;
        for (const Boat& b : stop.boats)
            for (int64_t n = 1; b.kind == Lane_kind::stopper && n <= 2 * stop.Frames(); ++n)
                ASSERT_LT(b.Distance(stop.Click_time(n)), -4.0) << at << " field " << n;
    }
}

// The nearer neighbour's paddler stands in front of the hidden bow for a few fields only, close
// to its crossing: hidden, not lost.
TEST_F(Finish_heat, AHiddenBowIsCoveredForAFewFieldsNearTheLine)
{
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        const Heat_plan p = Plan_heat({.seed = seed, .kind = Kind::hidden, .lanes = seed % 2 == 0 ? 9 : 4});
        const auto hidden = std::find_if(p.boats.begin(), p.boats.end(), [](const Boat& b) { return b.note.rfind("hidden", 0) == 0; });
        ASSERT_NE(hidden, p.boats.end()) << "seed " << seed;
        const Boat& near = p.boats[size_t(hidden->band + 1)];
        auto x_at = [&](const Boat& b, double t, double behind) {
            return p.Goal_x(b.Tip_y(t)) + b.direction * (b.Distance(t) - behind);
        };
        int covered = 0;
        for (int64_t n = 1; n <= 2 * p.Frames(); ++n) {
            const double t = p.Click_time(n);
            const double gap = std::abs(x_at(*hidden, t, 0) - x_at(near, t, near.body_at * near.length));
            if (gap > near.body_half) continue;
            ++covered;
            EXPECT_LT(std::abs(t - hidden->crossing_ms), 200) << "seed " << seed << " field " << n;
        }
        EXPECT_GE(covered, 1) << "seed " << seed;
        EXPECT_LE(covered, 8) << "seed " << seed;
        EXPECT_GT(near.body_height, p.band_height) << "the paddler reaches over the lane above";
    }
}

} // namespace
} // namespace wk
