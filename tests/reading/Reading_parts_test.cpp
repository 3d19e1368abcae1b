#include "reading/Bow_front.h"
#include "reading/Crossing_fit.h"
#include "reading/Goal_geometry.h"
#include "reading/Lane_judgement.h"

#include <gtest/gtest.h>

#include <cmath>

namespace wk {
namespace {

// A bow whose outline is a parabola in the rows: the point lies at its vertex, between rows.
TEST(Bow_front, PointBetweenSampledRowsIsTheOutlinesVertex)
{
    struct Case {
        double tip_y, tip, curve;
    };
    for (const Case c : {Case{258.5, 3.2, 0.4}, Case{259.0, -1.0, 1.5}, Case{260.2, 0.0, 0.8}}) {
        std::vector<Row_front> rows;
        for (double y = 251; y <= 269; y += 2) rows.push_back({y, c.tip - c.curve * (y - c.tip_y) * (y - c.tip_y)});
        const auto tip = Leading_point(rows);
        ASSERT_TRUE(tip);
        EXPECT_NEAR(*tip, c.tip, 1e-9) << c.tip_y;
    }
    EXPECT_FALSE(Leading_point({}));
}

// A raked stem leads at the hull's top edge, which a field's rows may miss by up to a row: the
// point lies along the outline beyond the lead row, half a row on the mean.
TEST(Bow_front, RakedStemLeadsAlongItsOutlineBeyondTheLastRow)
{
    const double tip = 4.0, rake = 1.2, top = 256.5;
    std::vector<Row_front> rows;
    for (double y = 257; y <= 269; y += 2) rows.push_back({y, tip - rake * (y - top)});
    EXPECT_NEAR(*Leading_point(rows), tip, 1e-9);
    // Upside down: the stem leads at the waterline.
    for (Row_front& r : rows) r.y = 2 * 263 - r.y;
    EXPECT_NEAR(*Leading_point(rows), tip, 1e-9);
    // A row alone is all there is.
    EXPECT_NEAR(*Leading_point({{257, 1.5}}), 1.5, 1e-9);
}

// The fit takes the fields nearest the line, leaves out one a blade pushed ahead, and says how
// well the instant is known.
TEST(Crossing_fit, StraightRunWithAFieldPushedAheadGivesItsCrossing)
{
    std::vector<Bow_sample> s;
    for (int k = -5; k <= 5; ++k) {
        const double t = 1000 + 20.0 * k + 7;
        s.push_back({t, 0.25 * (t - 1000) + 0.9});
    }
    s[6].tip += 6; // a blade in one field just past the line
    const auto e = Fit_crossing(s);
    ASSERT_TRUE(e);
    EXPECT_NEAR(e->t_ms, 1000 - 0.9 / 0.25, 1e-6);
    EXPECT_EQ(e->left_out, 1);
    EXPECT_NEAR(e->speed, 0.25, 1e-9);
    EXPECT_GE(e->before, 2);
    EXPECT_GE(e->after, 2);

    // A bow that stays behind the line, or one seen only past it, has no crossing.
    for (auto& b : s) b.tip = -10 - b.t_ms / 1000;
    EXPECT_FALSE(Fit_crossing(s));
    EXPECT_FALSE(Fit_crossing({{0, 1}, {20, 2}, {40, 3}}));
}

// Lanes share the line halfway between their marks, whichever way the line runs and whatever
// order the marks come in.
TEST(Goal_geometry, LanesShareTheLineHalfwayBetweenMarks)
{
    const Goal_geometry slanted(300, 10, 400, 560);
    const std::vector<Lane_mark> marks = {{2, 336.4, 210}, {1, 318.2, 110}, {3, 354.5, 310}};
    const auto spans = slanted.Spans(marks);
    ASSERT_EQ(spans.size(), 3u);
    const double step = std::hypot(18.2, 100);
    EXPECT_EQ(spans[1].lane, 1);
    EXPECT_NEAR(spans[1].v1, spans[0].v0, 1e-9);
    EXPECT_NEAR(spans[0].v1, spans[2].v0, 1e-9);
    EXPECT_NEAR(spans[0].v1 - spans[0].v0, step, 0.2);
    EXPECT_NEAR(spans[1].v1 - spans[1].v0, step, 0.2);
    // Points on the line are at u 0; a point right of a line running down is behind it.
    EXPECT_NEAR(slanted.U(350, 285), 0, 1e-9);
    EXPECT_LT(slanted.U(360, 285), 0);
    EXPECT_FALSE(Goal_geometry(5, 5, 5, 5).Valid());
}

TEST(Lane_judgement, DeadHeatsAreLanesWhoseIntervalsOverlap)
{
    std::vector<Lane_proposal> lanes(4);
    for (int i = 0; i < 4; ++i) lanes[size_t(i)].lane = i + 1, lanes[size_t(i)].uncertainty_ms = 2;
    lanes[0].time_ms = 1000;
    lanes[1].time_ms = 1003.9; // intervals overlap
    lanes[2].time_ms = 1008;   // 4.1 from lane 2: apart
    const auto heats = Dead_heats(lanes);
    ASSERT_EQ(heats.size(), 1u);
    EXPECT_EQ(heats[0], std::make_pair(1, 2));
}

} // namespace
} // namespace wk
