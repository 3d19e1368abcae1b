#include "reading/Bow_front.h"
#include "reading/Crossing_fit.h"
#include "reading/Goal_geometry.h"
#include "reading/Hidden_bow.h"
#include "reading/Lane_judgement.h"
#include "reading/Outline_crossing.h"
#include "reading/Travel_direction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

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
        EXPECT_NEAR(tip->edge, c.tip, 1e-6) << c.tip_y;
        EXPECT_NEAR(tip->y, c.tip_y, 0.05) << c.tip_y;
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
    EXPECT_NEAR(Leading_point(rows)->edge, tip, 1e-6);
    // Upside down: the stem leads at the waterline.
    for (Row_front& r : rows) r.y = 2 * 263 - r.y;
    EXPECT_NEAR(Leading_point(rows)->edge, tip, 1e-6);
    // A row alone is all there is.
    EXPECT_NEAR(Leading_point({{257, 1.5}})->edge, 1.5, 1e-9);
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

// A blade joined to the hull that leads above it in some fields near the line is left out of
// them, and the rest give the bow's crossing; a blunt stem leading over its height, a stem
// leading above and below a notch, or a point pitching a row from field to field, loses no
// field; with too few fields near the line there is no telling and none is left out.
TEST(Crossing_fit, FieldsLedAtAnotherHeightThanTheBowAreLeftOut)
{
    struct Case {
        const char* name;
        double slope;         // columns the outline falls back a row from its point
        bool blade;           // 12 rows above the point, 6 columns ahead of it, in every third field
        double pitch;         // rows the point moves up and down from field to field
        int64_t first, last;  // the fields read
        size_t left_out;
        double notch = 0;     // rows either side of the point that lead, the point's own row behind
    };
    const double crossing = 5013.7, speed = 0.2;
    for (const Case c : {Case{"blade above", 2, true, 0, 240, 262, 2}, Case{"blunt stem", 0, false, 0, 240, 262, 0},
                         Case{"pitching", 3, false, 1, 240, 262, 0}, Case{"few fields", 2, true, 0, 249, 251, 0},
                         Case{"notched stem", 2, false, 0, 240, 262, 0, 3.5}}) {
        SCOPED_TRACE(c.name);
        std::vector<Bow_sample> samples;
        for (int64_t f = c.first; f <= c.last; ++f) {
            const double t = 20.0 * double(f), tip = speed * (t - crossing), point = 250 + (f % 2 ? c.pitch : -c.pitch);
            Bow_sample s{t, tip, {}};
            for (double y = double(244 + f % 2); y <= 256; y += 2)
                s.rows.push_back({y, 400 + tip - c.slope * std::abs(std::abs(y - point) - c.notch)});
            if (c.blade && f % 3 == 0) {
                for (double y = double(236 + f % 2); y <= 240; y += 2) s.rows.push_back({y, 400 + tip + 6});
                s.tip += 6;
            }
            samples.push_back(s);
        }
        const std::vector<Bow_sample> kept = At_bow_height(samples, crossing);
        EXPECT_EQ(samples.size() - kept.size(), c.left_out);
        if (c.left_out == 0) continue;
        const auto e = Fit_crossing(kept);
        ASSERT_TRUE(e);
        EXPECT_NEAR(e->t_ms, crossing, 1e-6);
    }
}

// A sharp bow whose point lies between a field's rows: each field sees it short by an amount
// that changes with the parity of its rows, so their own points cross late. The fields moved to
// one instant show every row of the frame, and the crossing within half the 2 ms aimed at:
// wedge, round and needle bows (the row through a needle's point reads well short of it, its
// pixels only partly covered), upright and slanted lines, either direction, and a blade beside
// the bow, past it in every other frame, that the hull's steady rows outvote.
// The bow's travel from steps two fields apart: the parities' rows read the bow apart by a pixel
// or more, and a leap over the line in the fields by it moves the middle step not at all.
TEST(Crossing_fit, TravelIsTheMiddleStepBetweenFieldsOfOneParity)
{
    struct Case {
        const char* name;
        double parity_px, leap_px;
        std::optional<double> speed;
    };
    for (const Case c : {Case{"steady", 0, 0, 0.2}, Case{"parities apart", 1.5, 0, 0.2},
                         Case{"leap over the line", 1.5, 90, 0.2}}) {
        std::vector<Bow_sample> s;
        for (int k = -6; k <= 6; ++k)
            s.push_back(
                {1000 + 20.0 * k, 0.2 * 20 * k + (k % 2 ? c.parity_px : 0) + (k >= 0 ? c.leap_px : -c.leap_px)});
        const auto travel = Travel_speed(s);
        ASSERT_TRUE(travel) << c.name;
        EXPECT_NEAR(*travel, *c.speed, 1e-9) << c.name;
        const auto e = Fit_crossing(s);
        ASSERT_TRUE(e) << c.name;
        EXPECT_EQ(e->speed > 2 * *travel, c.leap_px > 0) << c.name;
    }
    EXPECT_FALSE(Travel_speed({{1000, -1}, {1020, 1}})) << "no two steps";
}

TEST(Outline_crossing, FieldsTogetherPlaceASharpBowBetweenTheirRows)
{
    struct Case {
        const char* name;
        double line_dx;   // the line's lean over 550 rows
        int moving;       // +1: toward larger columns
        double tip_y;     // between rows: 0.3 off the odd rows, 0.7 off the even ones
        double slope_up, slope_down, power; // columns the outline falls back a row from the point, ^power
        bool blade = false;
        double stripe_y = 0; // a row along the hull that barely differs from the water, read 8 short
    };
    for (const Case c : {Case{"wedge", 0, 1, 250.3, 3, 2, 1}, Case{"round", 0, 1, 249.6, 2.5, 2.5, 1.7},
                         Case{"needle", 0, 1, 250.3, 8, 6, 1.5},
                         Case{"slanted", 70, 1, 250.3, 3, 4, 1.3}, Case{"from the right", -60, -1, 251.7, 2, 3, 1},
                         Case{"blade", 0, 1, 250.3, 3, 2, 1, true},
                         Case{"stripe at the point", 0, 1, 250.3, 3, 2, 1, false, 250}}) {
        SCOPED_TRACE(c.name);
        const Goal_geometry line(400, 10, 400 + c.line_dx, 560);
        const double line_x = 400 + c.line_dx * (c.tip_y - 10) / 550, speed = 0.22, crossing = 5013.7;
        // Boats move along -u when the line's normal points left of the travel.
        const int direction = (line.U(1, 0) - line.U(0, 0)) * c.moving > 0 ? 1 : -1;
        std::vector<Bow_sample> samples;
        for (int64_t f = 240; f <= 262; ++f) {
            const double t = 20.0 * double(f), tip_x = line_x + c.moving * speed * (t - crossing);
            Bow_sample s{t, 0, {}};
            // A pixel row shows the outline averaged over its height.
            for (double y = double(f % 2 == 1 ? 241 : 240); y <= 262; y += 2) {
                double edge = 0;
                for (int k = 0; k < 16; ++k) {
                    const double dy = y + (k + 0.5) / 16 - 0.5 - c.tip_y, slope = dy < 0 ? c.slope_up : c.slope_down;
                    edge += (c.moving * tip_x - slope * std::pow(std::abs(dy), c.power)) / 16;
                }
                s.rows.push_back({y, edge - (y == c.stripe_y ? 8 : 0)});
            }
            for (double y = double(f % 2 == 1 ? 263 : 264); c.blade && f % 4 < 2 && y <= 268; y += 2)
                s.rows.push_back({y, c.moving * tip_x + 5});
            const auto point = Leading_point(s.rows);
            s.tip = direction * line.U(c.moving * point->edge, point->y) / std::abs(line.U(1, 0) - line.U(0, 0));
            samples.push_back(s);
        }
        const auto own = Fit_crossing(samples);
        ASSERT_TRUE(own);
        const auto together = Outline_crossing(*own, samples, line, direction, c.moving).estimate;
        ASSERT_TRUE(together);
        EXPECT_NEAR(together->t_ms, crossing, 1.0) << "the fields' own points gave " << own->t_ms;
    }
}

// A boat that stops short while its blade reaches over the line in some fields: whatever the
// fields' own fit made of it, the hull is not seen past the line, so there is no crossing.
TEST(Outline_crossing, HullShortOfTheLineWithABladeOverItHasNoCrossing)
{
    const Goal_geometry line(400, 10, 400, 560);
    std::vector<Bow_sample> samples;
    for (int64_t f = 240; f <= 262; ++f) {
        Bow_sample s{20.0 * double(f), -6, {}};
        for (double y = double(f % 2 == 1 ? 245 : 244); y <= 256; y += 2)
            s.rows.push_back({y, 400 - 6 - 2 * std::abs(y - 250)});
        for (double y = double(f % 2 == 1 ? 259 : 260); f % 4 == 0 && y <= 262; y += 2) s.rows.push_back({y, 400 + 4});
        samples.push_back(s);
    }
    Crossing_estimate blade_taken_for_the_bow;
    blade_taken_for_the_bow.t_ms = 5010, blade_taken_for_the_bow.speed = 0.2;
    // The line's normal points left: moving right is along -u, toward larger columns.
    const Outlined_crossing stopped = Outline_crossing(blade_taken_for_the_bow, samples, line, -1, 1);
    EXPECT_FALSE(stopped.estimate);
    EXPECT_TRUE(stopped.short_of_line);
    // The same hull going on over the line is a crossing.
    for (Bow_sample& s : samples)
        for (Row_front& r : s.rows) r.edge += 0.2 * (s.t_ms - 5010) + 6;
    const Outlined_crossing going_on = Outline_crossing(blade_taken_for_the_bow, samples, line, -1, 1);
    EXPECT_TRUE(going_on.estimate);
    EXPECT_FALSE(going_on.short_of_line);
}

// A boat that stopped short is part of the water its lane is read against: all that moves is a
// blade, reaching over the line below the hull in one stroke and above it in the next. What led
// before the line and what leads after it lie in rows apart, so nothing crossed; the same blade
// staying at its height would be read as a crossing.
TEST(Outline_crossing, WhatLeadsPastTheLineInOtherRowsThanBeforeItHasNoCrossing)
{
    const Goal_geometry line(400, 10, 400, 560);
    Crossing_estimate blade_taken_for_the_bow;
    blade_taken_for_the_bow.t_ms = 5010, blade_taken_for_the_bow.speed = 0.3;
    for (const double jump : {28.0, 0.0}) {
        std::vector<Bow_sample> samples;
        for (int64_t f = 245; f <= 256; ++f) {
            const double t = 20.0 * double(f), y0 = t < 5010 ? 108 : 108 - jump;
            Bow_sample s{t, 0.3 * (t - 5010), {}};
            for (double y = y0 - 3 + double(f % 2); y <= y0 + 3; y += 2)
                s.rows.push_back({y, 400 + 0.3 * (t - 5010) - std::abs(y - y0)});
            samples.push_back(s);
        }
        const Outlined_crossing o = Outline_crossing(blade_taken_for_the_bow, samples, line, -1, 1);
        EXPECT_EQ(o.other_height, jump > 0) << jump;
        EXPECT_EQ(bool(o.estimate), jump == 0) << jump;
    }
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

// A hull moving along -u at 2.5 pixels a field: its middle alone tells the way while it moves
// steadily, whatever the parity of the fields' rows puts on it; where the largest region jumps (a
// neighbour's paddler covering the bow) or a faint hull's middle wanders, the bow measured each
// way decides, as it moves on only along the right one.
TEST(Travel_direction, HullsWayIsItsMiddlesStepsOrElseItsBows)
{
    struct Case {
        const char* name;
        double parity_offset; // added to odd fields' middles
        double jump;          // added from the tenth field on
        double wander;        // a middle's error grows by this a step of its parity, every 4th step falls back
    };
    const auto bow = [](int direction) {
        std::map<int64_t, double> tips; // the stern, taken for the bow the wrong way, falls back
        for (int64_t f = 0; f < 20; ++f) tips[f] = direction * -2.5 * double(f) + (direction < 0 ? -30 : 10);
        return tips;
    };
    for (const Case c : {Case{"steady", 0, 0, 0}, Case{"parities apart", 6, 0, 0}, Case{"jump", 0, 60, 0},
                         Case{"wandering", 0, 0, 10}}) {
        std::map<int64_t, double> middles;
        for (int64_t f = 0; f < 20; ++f)
            middles[f] = 40 - 2.5 * double(f) + (f % 2 ? c.parity_offset : 0) + (f >= 10 ? c.jump : 0) +
                         c.wander * double((f / 2) % 4);
        EXPECT_EQ(Travel_direction(middles, bow), -1) << c.name;
    }
    EXPECT_EQ(Travel_direction({{4, 10.0}}, bow), 0);
}

// After a crossing at 1000 ms the bow is seen past the line in most fields of the next 200 ms: a
// boat that goes on, also when an oar hides its bow in a few of them; not a blade that reached
// over the line for a few fields of a stroke and went back or out of sight.
TEST(Lane_judgement, ABowThatCrossedStaysPastTheLine)
{
    struct Case {
        const char* name;
        const char* after; // the fields from 1010 ms on, 20 ms apart: + past the line, - not
        bool stays;
    };
    for (const Case c : {Case{"goes on", "++++++++++", true}, Case{"hidden for three", "++---+++++", true},
                         Case{"blade going back", "+++-------", false}, Case{"blade gone", "++-------+", false},
                         Case{"back after the span", "++++++++++------", true},
                         Case{"recording ends", "", true}}) {
        std::map<double, bool> past{{960, false}, {980, false}, {1000, false}};
        for (size_t k = 0; c.after[k]; ++k) past[1010 + 20.0 * double(k)] = c.after[k] == '+';
        EXPECT_EQ(Stays_past(past, 1000, 200), c.stays) << c.name;
    }
}

// Two fields by the line in which an oar cut the hull and its back was read for the bow, far
// short, something joined to it leading: the fit over all fields finds no crossing, the one
// without those fields finds it, and says fields were left out.
TEST(Lane_judgement, FieldsInWhichMoreLedTheHullAreLeftOutWhenTheyHideTheCrossing)
{
    std::vector<Bow_sample> s;
    Lane_notes notes;
    for (int k = -6; k <= 6; ++k) {
        const double t = 1000 + 20.0 * k + 7;
        s.push_back({t, 0.125 * (t - 1000) + 0.4});
        if (k == 0 || k == 2) s.back().tip = k == 0 ? -33 : -22, notes.led_by_more.insert(t);
    }
    EXPECT_FALSE(Fit_crossing(s));
    const auto e = Fit_hull_led(s, notes);
    ASSERT_TRUE(e);
    EXPECT_NEAR(e->t_ms, 1000 - 0.4 / 0.125, 1e-6);
    EXPECT_GE(e->left_out, 2);
}

// Fields by the line in which a blade led the hull read the bow far short, and the fit through
// them leaps over the line: the crossing is read again from the bow's own fields. A hull that
// comes into sight past the line leaps with nothing leading it: no crossing is seen.
TEST(Lane_judgement, CrossingThatLeapsOverTheLineIsReadFromTheBowsOwnFields)
{
    struct Case {
        const char* name;
        int led;          // fields just before the line a blade led, read 25 pixels short
        double sight_px;  // how far past the line the hull comes into sight
        std::optional<double> t_ms;
    };
    for (const Case c : {Case{"travels", 0, 0, 996.8}, Case{"blade led by the line", 2, 0, 996.8},
                         Case{"comes into sight past the line", 0, 30, std::nullopt}}) {
        std::vector<Bow_sample> s;
        Lane_notes notes;
        for (int k = -6; k <= 6; ++k) {
            const double t = 1000 + 20.0 * k + 7;
            s.push_back({t, 0.125 * (t - 1000) + 0.4 + (k >= 0 ? c.sight_px : 0)});
            if (k < 0 && k >= -c.led) s.back().tip -= 25, notes.led_by_more.insert(t);
            notes.past[t] = s.back().tip >= 0;
        }
        const auto first = Fit_crossing(s);
        ASSERT_TRUE(first) << c.name;
        const auto e = Travelling_crossing(*first, s, notes, 200);
        ASSERT_EQ(e.has_value(), c.t_ms.has_value()) << c.name;
        if (!e) continue;
        EXPECT_NEAR(e->t_ms, *c.t_ms, 1e-6) << c.name;
        EXPECT_EQ(e->left_out, c.led) << c.name;
        EXPECT_EQ(s.size(), size_t(13 - c.led)) << c.name;
    }
}

// The pixels' crossing is taken only where it is a number, of a boat that moves, near the
// points' one; its error then spans the two.
TEST(Lane_judgement, PixelsCrossingIsTakenWhenItLiesNearTheFieldsOwn)
{
    Crossing_estimate points;
    points.t_ms = 1000, points.speed = 0.5;
    struct Case {
        const char* name;
        double t_ms, speed, error_ms;
        bool taken;
    };
    const double nan = std::nan("");
    for (const Case c : {Case{"near", 1004, 0.5, 1, true}, Case{"too far", 1007, 0.5, 1, false},
                         Case{"no time", nan, 0.5, 1, false}, Case{"no error", 1001, 0.5, nan, false},
                         Case{"standing still", 1001, 0, 1, false}}) {
        Crossing_estimate model;
        model.t_ms = c.t_ms, model.speed = c.speed, model.standard_error_ms = c.error_ms;
        const auto e = Taken_from_pixels(model, points);
        ASSERT_EQ(e.has_value(), c.taken) << c.name;
        if (!e) continue;
        EXPECT_NEAR(e->standard_error_ms, std::hypot(1.0, 2.0), 1e-9) << c.name;
    }
    EXPECT_FALSE(Taken_from_pixels(std::nullopt, points));
}

// A bright hull over grey water, its front at column 40 (60 when the travel runs toward smaller
// columns), rows 10 to 20. What lies past the front in its rows says whether something covers the
// bow: the hull seen again past a gap in most rows does, a blade in one row or a short splash
// does not.
TEST(Hidden_bow, HullSeenAgainPastAGapInMostOfTheFrontsRows)
{
    struct Case {
        const char* name;
        int step;
        int from, to;    // columns past the gap that show the hull again
        int rows_shown;  // of the front's 6 rows
        bool covered;
    };
    constexpr int32_t w = 100, h = 30;
    for (const Case c : {Case{"bare bow", 1, 0, -1, 6, false}, Case{"paddler in front", 1, 50, 64, 6, true},
                         Case{"paddler, travel to the left", -1, 36, 49, 5, true},
                         Case{"blade in one row", 1, 50, 64, 1, false},
                         Case{"splash of two pixels", 1, 50, 51, 6, false},
                         Case{"shown in half the rows", 1, 50, 64, 3, false}}) {
        std::vector<uint8_t> water(size_t(w * h), 90), picture = water;
        std::vector<Row_front> rows;
        for (int k = 0; k < 6; ++k) {
            const int32_t y = 10 + 2 * k;
            for (int32_t x = 0; x < w; ++x) {
                const bool hull = c.step > 0 ? x <= 40 : x >= 60;
                const bool again = k < c.rows_shown && x >= c.from && x <= c.to;
                if (hull || again) picture[size_t(y * w + x)] = 200;
            }
            rows.push_back({double(y), c.step * (c.step > 0 ? 40.0 : 60.0)});
        }
        const Cover_look look{picture.data(), water.data(), w, 0, w - 1, 0, 30};
        const double past = Hull_past_cover(look, rows, c.step);
        EXPECT_EQ(past > 0, c.covered) << c.name << " " << past;
        if (c.covered) EXPECT_GE(past, std::abs((c.step > 0 ? c.to - 40 : 60 - c.from))) << c.name;
    }
}

// The front seen was the cover's edge: the bow may lie anywhere up to where the hull was seen
// again, and the interval says so.
TEST(Lane_judgement, ACoveredBowWidensTheInterval)
{
    Lane_job job;
    job.field_ms = {{1, 980}, {2, 1000}, {3, 1020}};
    Crossing_estimate e;
    e.t_ms = 1000, e.standard_error_ms = 0.5, e.speed = 0.1, e.before = e.after = 3;
    Lane_notes notes;
    const double bare = Judge_crossing(job, e, notes).uncertainty_ms;
    notes.cover_px = 20;
    const Lane_proposal covered = Judge_crossing(job, e, notes);
    EXPECT_LT(bare, 10);
    EXPECT_GE(covered.uncertainty_ms, 200);
    EXPECT_LT(covered.confidence, 1);
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
