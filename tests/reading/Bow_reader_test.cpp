#include "reading/Bow_reader.h"
#include "reading/Strip_crossings.h"
#include "recording/Finish_strip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace wk {
namespace {

constexpr int k_W = 720, k_H = 576;

// A frame's brightness as the frame store gives it (a byte a pixel, top row first), grey water
// with noise and whatever shape is painted on it, each pixel in the share of its 4 x 4 samples
// inside.
struct Picture {
    std::vector<uint8_t> bits = std::vector<uint8_t>(size_t(k_W) * k_H);
    explicit Picture(unsigned seed)
    {
        std::mt19937 random(seed);
        std::normal_distribution<double> noise(0, 2);
        for (int y = 0; y < k_H; ++y)
            for (int x = 0; x < k_W; ++x) Set(x, y, 80 + noise(random));
    }
    void Set(int x, int y, double grey)
    {
        bits[size_t(y) * k_W + size_t(x)] = uint8_t(std::clamp(grey, 0.0, 255.0));
    }
    double Get(int x, int y) const { return bits[size_t(y) * k_W + size_t(x)]; }
    void Paint(int x0, int x1, int y0, int y1, double grey, double alpha, const std::function<bool(double, double)>& in)
    {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                int n = 0;
                for (double sy : {-0.375, -0.125, 0.125, 0.375})
                    for (double sx : {-0.375, -0.125, 0.125, 0.375}) n += in(x + sx, y + sy);
                const double a = alpha * n / 16.0;
                Set(x, y, Get(x, y) * (1 - a) + grey * a);
            }
    }
};

struct Bow_case {
    const char* name;
    double line_x1, line_x2; // the goal line from (x1, 10) to (x2, 560)
    double tip_x, tip_y;
    int moving;              // +1 right, -1 left
    double round;            // the outline x = tip - round (y - tip_y)^2; 0: a blunt bow
    double grey;             // the hull's; the water is 80
    int blade;               // 1: a blade on a shaft above the hull, 2: one lying on the hull's edge, both past the
                             // bow, 3: the hull's faint shadow cast ahead of it on the water below
};

// The hull's leading point, read from one field, lies where it was painted, to a third of a pixel:
// between sampled rows, on a slanted line, moving either way, lighter or darker than the water,
// with a blade joined to the hull reaching past the bow at another height (on a thin shaft, or
// dark and lying along the light hull's upper edge), and a faint reflection or a shadow cast
// ahead under it.
TEST(Bow_reader, LeadingPointOfPaintedHullsIsFoundWithinAThirdOfAPixel)
{
    for (const Bow_case& c : {Bow_case{"round", 400, 400, 403.3, 251, 1, 0.08, 200, 0},
                             Bow_case{"between rows", 400, 400, 398.6, 250.2, 1, 0.08, 200, 0},
                             Bow_case{"blunt", 400, 400, 401.7, 250.5, 1, 0, 200, 0},
                             Bow_case{"from the right", 400, 400, 396.4, 251.4, -1, 0.08, 200, 0},
                             Bow_case{"dark", 400, 400, 402.2, 251, 1, 0.08, 20, 0},
                             Bow_case{"slanted", 380, 420, 402.5, 250.6, 1, 0.08, 200, 0},
                             Bow_case{"blade", 400, 400, 399.1, 251, 1, 0.08, 200, 1},
                             Bow_case{"blade on the edge", 400, 400, 399.1, 251, 1, 0.08, 200, 2},
                             Bow_case{"blade on the edge, from the right", 400, 400, 401.6, 250.5, -1, 0.08, 200, 2},
                             Bow_case{"dark, shadow ahead", 400, 400, 401.3, 250.6, 1, 0.08, 20, 3}}) {
        SCOPED_TRACE(c.name);
        const Goal_geometry line(c.line_x1, 10, c.line_x2, 560);
        const double mark_v = line.V(line.X(0, 0) + (c.line_x2 - c.line_x1) * 240 / 550, 250);
        const Lane_window window(line, {1, mark_v - 45, mark_v + 45, mark_v}, 80, k_W, k_H);
        const Picture water(1), more_water(2), still_water(3);
        const Bow_reader reader(window, {water.bits.data(), more_water.bits.data(), still_water.bits.data()}, k_W);

        Picture p(4);
        const int m = c.moving;
        auto hull = [&](double x, double y) {
            const double back = m * (c.tip_x - x), dy = y - c.tip_y;
            return back >= c.round * dy * dy && back <= 150 && dy >= -6 && dy <= 6;
        };
        if (c.blade != 3) // the shadow lies where the reflection would
            p.Paint(int(c.tip_x) - 160, int(c.tip_x) + 160, int(c.tip_y) + 7, int(c.tip_y) + 14, c.grey, 0.3,
                    [&](double x, double y) { return hull(x, 2 * (c.tip_y + 6.5) - y); });
        p.Paint(int(c.tip_x) - 160, int(c.tip_x) + 160, int(c.tip_y) - 7, int(c.tip_y) + 7, c.grey, 1, hull);
        if (c.blade == 2)
            p.Paint(int(c.tip_x) - 30, int(c.tip_x) + 30, int(c.tip_y) - 12, int(c.tip_y) - 4, 20, 1,
                    [&](double x, double y) {
                        const double ahead = m * (x - c.tip_x);
                        return ahead >= -14 && ahead <= 9 && y >= c.tip_y - 11 && y <= c.tip_y - 5;
                    });
        if (c.blade == 3)
            p.Paint(int(c.tip_x) - 160, int(c.tip_x) + 160, int(c.tip_y) + 7, int(c.tip_y) + 16, c.grey, 0.3,
                    [&](double x, double y) { return hull(x - m * 5, y - 9); });
        if (c.blade == 1) {
            // A shaft up and forward from the hull, and the blade at its end past the bow.
            p.Paint(int(c.tip_x) - 40, int(c.tip_x) + 20, int(c.tip_y) - 30, int(c.tip_y) - 5, c.grey, 1,
                    [&](double x, double y) {
                        const double along = (x - (c.tip_x - 30)) / 36, off = y - (c.tip_y - 6 - 18 * along);
                        const bool shaft = along >= 0 && along <= 1 && std::abs(off) <= 1;
                        const bool blade = x >= c.tip_x + 2 && x <= c.tip_x + 12 && y >= c.tip_y - 28 && y <= c.tip_y - 22;
                        return shaft || blade;
                    });
        }
        // The line's normal points left: a boat moving right travels along -u. The truth is
        // how far past the line the point lies along its own row.
        const int direction = -m;
        const double truth = m * (c.tip_x - (c.line_x1 + (c.line_x2 - c.line_x1) * (c.tip_y - 10) / 550));
        for (int field : {1, 2}) {
            const Bow_field b = reader.Measure(p.bits.data(), field, direction);
            ASSERT_TRUE(b.hull) << field;
            ASSERT_TRUE(b.tip_found) << field;
            EXPECT_NEAR(b.tip, truth, 0.34) << "field " << field;
            EXPECT_EQ(b.blade_ahead, c.blade != 0) << field;
            EXPECT_FALSE(b.second_hull);
        }
        // Without direction only the hull's middle is asked for; it lies behind the bow.
        const Bow_field middle = reader.Measure(p.bits.data(), 1, 0);
        EXPECT_TRUE(middle.hull);
        EXPECT_LT(direction * middle.centroid_u, truth);
    }
}

// A paddler standing in front of the bow, as light as the hull and joined to it, hides its
// point: the hull is read to where he begins, not to his far side, and the field says the bow is
// covered. One sitting on the hull behind its point, standing above it only, is the crew.
TEST(Bow_reader, PaddlerInFrontOfTheBowIsNotTakenForIt)
{
    struct Cover_case {
        const char* name;
        double x0, x1, y0, y1; // the paddler
        double tip;            // past the line, as read
        bool covered;
    };
    const Goal_geometry line(400, 10, 400, 560);
    const Lane_window window(line, {1, line.V(400, 205), line.V(400, 295), line.V(400, 250)}, 80, k_W, k_H);
    const Picture water(1), more_water(2), still_water(3);
    const Bow_reader reader(window, {water.bits.data(), more_water.bits.data(), still_water.bits.data()}, k_W);
    const double tip_x = 404.3, tip_y = 251;
    for (const Cover_case& c : {Cover_case{"in front", 398, 404.9, 228, 274, -2, true},
                               Cover_case{"crew on the hull", 360, 367, 225, 250, 4.3, false}}) {
        SCOPED_TRACE(c.name);
        Picture p(4);
        p.Paint(int(tip_x) - 160, int(tip_x) + 2, int(tip_y) - 7, int(tip_y) + 7, 200, 1, [&](double x, double y) {
            const double back = tip_x - x, dy = y - tip_y;
            return back >= 0.08 * dy * dy && back <= 150 && std::abs(dy) <= 6;
        });
        p.Paint(int(c.x0) - 1, int(c.x1) + 1, int(c.y0), int(c.y1), 200, 1,
                [&](double x, double y) { return x >= c.x0 && x <= c.x1 && y >= c.y0 && y <= c.y1; });
        for (int field : {1, 2}) {
            const Bow_field b = reader.Measure(p.bits.data(), field, -1);
            ASSERT_TRUE(b.tip_found) << field;
            EXPECT_NEAR(b.tip, c.tip, 1.0) << field;
            EXPECT_EQ(b.covered, c.covered) << field;
        }
    }
}

// A long hull whose bow lies further past the line than the window reaches is seen with no bow,
// and said to lie beyond, so that the lane is read in earlier fields; one whose bow is in the
// window is not.
TEST(Bow_reader, BowPastTheWindowIsSaidToLieBeyondIt)
{
    const Goal_geometry line(400, 10, 400, 560);
    const Lane_window window(line, {1, 200, 290, 245}, 80, k_W, k_H);
    const Picture water(1), more_water(2), still_water(3);
    const Bow_reader reader(window, {water.bits.data(), more_water.bits.data(), still_water.bits.data()}, k_W);
    for (const double past : {100.0, 150.0, 20.0, -20.0}) {
        Picture p(4);
        const double tip_x = 400 + past;
        p.Paint(int(tip_x) - 300, std::min(k_W - 1, int(tip_x) + 2), 244, 256, 200, 1,
                [&](double x, double y) { return tip_x - x >= 0.08 * (y - 250) * (y - 250) && tip_x - x <= 300; });
        // The line's normal points left: a boat moving right travels along -u.
        const Bow_field b = reader.Measure(p.bits.data(), 1, -1);
        EXPECT_TRUE(b.hull) << past;
        EXPECT_EQ(b.beyond, past > 80) << past;
        EXPECT_EQ(b.tip_found, past < 80) << past;
    }
}

// A bow whose deck line rises a row in 20 pixels from its point: the row above the point is only
// partly covered for long behind it, also where each row is first looked at. Its share of each
// pixel is judged against the hull's full level further back, so the row reads the area the hull
// covers in it, lighter or darker than the water, not half of it more.
TEST(Bow_reader, ShallowDeckRowReadsTheAreaItCovers)
{
    const Goal_geometry line(400, 10, 400, 560);
    const Lane_window window(line, {1, line.V(400, 205), line.V(400, 295), line.V(400, 250)}, 80, k_W, k_H);
    const Picture water(1), more_water(2), still_water(3);
    const Bow_reader reader(window, {water.bits.data(), more_water.bits.data(), still_water.bits.data()}, k_W);
    const double tip_x = 402.3, tip_y = 251.0, run = 20;
    auto hull = [&](double x, double y) {
        const double back = tip_x - x;
        return back <= 150 && y >= std::max(tip_y - back / run, tip_y - 7) && y <= std::min(tip_y + back / 2, tip_y + 7);
    };
    for (double grey : {200.0, 20.0}) {
        Picture p(4);
        p.Paint(int(tip_x) - 160, int(tip_x) + 4, int(tip_y) - 8, int(tip_y) + 8, grey, 1, hull);
        const Bow_field b = reader.Measure(p.bits.data(), 2, -1);
        const auto row = std::find_if(b.rows.begin(), b.rows.end(), [&](const Row_front& r) { return r.y == tip_y - 1; });
        ASSERT_NE(row, b.rows.end()) << grey;
        EXPECT_NEAR(row->edge, tip_x - run, 1.0) << grey; // the deck line's mean reach over the row
    }
}

// A strip of water alone, camera noise on it.
QImage Water_strip(int fields, int samples, unsigned seed)
{
    QImage strip(fields, samples, QImage::Format_RGB32);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-4, 4);
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x) {
            const int g = 70 + noise(random);
            strip.setPixel(x, y, qRgb(g, g + 20, g + 10));
        }
    return strip;
}

// A frame as the frame store gives it with colour: bottom-up BGR, then the brightness. Teal water
// and a green hull barely brighter than it, each painted whole.
struct Tinted_picture {
    static constexpr int32_t k_Stride = (3 * k_W + 3) & ~3;
    std::vector<uint8_t> bytes = std::vector<uint8_t>(size_t(k_Stride) * k_H + size_t(k_W) * k_H);
    Tinted_picture(unsigned seed, double tip_x)
    {
        const Picture grey(seed);
        for (int y = 0; y < k_H; ++y)
            for (int x = 0; x < k_W; ++x) {
                const bool hull = x <= tip_x && x >= tip_x - 150 && std::abs(y - 250) <= 6;
                uint8_t* bgr = bytes.data() + size_t(k_H - 1 - y) * k_Stride + 3 * size_t(x);
                bgr[0] = hull ? 40 : 90, bgr[1] = hull ? 110 : 90, bgr[2] = hull ? 50 : 60;
                Brightness()[size_t(y) * k_W + size_t(x)] = uint8_t(grey.Get(x, y) + (hull ? 10 : 0));
            }
    }
    uint8_t* Brightness() { return bytes.data() + size_t(k_Stride) * k_H; }
};

// A hull that differs from the water in colour far more than in brightness is found by it, its
// point read from the brightness, to a pixel and a half (the water's noise ahead is a fair share of
// so faint a step); brightness alone does not find it.
TEST(Bow_reader, HullSetApartByColourAlone)
{
    const Goal_geometry line(400, 10, 400, 560);
    const Lane_window window(line, {1, line.V(400, 205), line.V(400, 295), line.V(400, 250)}, 80, k_W, k_H);
    Tinted_picture water(1, -1), more_water(2, -1), still_water(3, -1), boat(4, 402);
    for (const auto& [colour, found] : {std::pair{Colour_layout{Tinted_picture::k_Stride, k_H}, true},
                                        std::pair{Colour_layout{}, false}}) {
        const std::vector<const uint8_t*> backgrounds{water.Brightness(), more_water.Brightness(),
                                                      still_water.Brightness()};
        const Bow_reader reader = Bow_reader(window, backgrounds, k_W).With_colour(colour, backgrounds);
        const Bow_field b = reader.Measure(boat.Brightness(), 1, -1);
        EXPECT_EQ(b.hull, found);
        if (found) {
            EXPECT_NEAR(b.tip, 2.5, 1.5);
        }
    }
}


// On the strip a hull lies on the line for many fields; a blade's touch is short and a lane with
// nothing but water has no stretch; fields that could not be decoded count as nothing. A hull
// fainter than the level still stands out as a band as wide as a hull, also when a blade's touch
// clears the level for a few fields; a narrower faint band is a wave.
TEST(Strip_crossings, HullsAreLongStretchesOnTheLine)
{
    QImage strip = Water_strip(300, 200, 5);
    auto paint = [&](int x0, int x1, int y0, int y1, QRgb c) {
        for (int x = x0; x <= x1; ++x)
            for (int y = y0; y <= y1; ++y) strip.setPixel(x, y, c);
    };
    paint(100, 129, 15, 24, qRgb(220, 220, 210)); // a hull in samples 0..39 from field 101
    paint(60, 61, 50, 56, qRgb(230, 230, 230));   // a blade's touch in samples 40..79
    paint(150, 175, 52, 60, qRgb(30, 30, 40));    // a dark hull there from field 151
    paint(158, 160, 0, 119, Finish_strip::k_Unreadable);
    paint(200, 299, 80, 119, Finish_strip::k_Not_ready);
    paint(40, 69, 130, 138, qRgb(59, 79, 69));  // a faint hull in samples 120..159 from field 41
    paint(120, 124, 140, 146, qRgb(230, 230, 230)); // and a blade's clear touch there later
    paint(40, 69, 170, 174, qRgb(59, 79, 69));  // a faint wave in samples 160..199
    const Strip_crossings crossings(strip);
    const auto light = crossings.Stretch(0, 39);
    ASSERT_TRUE(light);
    EXPECT_EQ(light->first_field, 101);
    EXPECT_EQ(light->fields, 30);
    const auto dark = crossings.Stretch(40, 79);
    ASSERT_TRUE(dark);
    EXPECT_EQ(dark->first_field, 151);
    EXPECT_GE(dark->fields, 20);
    EXPECT_FALSE(crossings.Stretch(80, 119));
    const auto faint = crossings.Stretch(120, 159);
    ASSERT_TRUE(faint);
    EXPECT_EQ(faint->first_field, 41);
    EXPECT_EQ(faint->fields, 30);
    EXPECT_FALSE(crossings.Stretch(160, 199));
    EXPECT_FALSE(crossings.Stretch(90, 80));
}

// A boat that eases off over the line lies on it in most fields, its colour then the middle of
// them all: the water is what the strip's first and last fields show, and the stretch starts
// where the bow reached the line, as it does for a boat that passes.
TEST(Strip_crossings, BoatLyingOnTheLineInMostFieldsIsSeenFromWhereItReachedIt)
{
    struct Case {
        const char* name;
        int first, last; // fields (0-based) the hull lies on the line
    };
    for (const Case c : {Case{"eases off", 60, 259}, Case{"passes", 100, 129}}) {
        QImage strip = Water_strip(300, 40, 7);
        for (int x = c.first; x <= c.last; ++x)
            for (int y = 10; y < 30; ++y) strip.setPixel(x, y, qRgb(30, 30, 40));
        const auto s = Strip_crossings(strip).Stretch(0, 39);
        ASSERT_TRUE(s) << c.name;
        EXPECT_EQ(s->first_field, c.first + 1) << c.name;
        EXPECT_EQ(s->fields, c.last - c.first + 1) << c.name;
    }
}

} // namespace
} // namespace wk
