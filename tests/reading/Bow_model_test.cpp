#include "reading/Bow_model.h"
#include "reading/Bow_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace wk {
namespace {

constexpr int k_W = 720, k_H = 576;
constexpr double k_Field_ms = 20;

// A boat's bow at instant t: the point at (x, y), the edges falling back from it as a power of
// the height, the body 7 rows either side.
struct Bow {
    double crossing_ms, speed; // pixels a ms, along +x or -x
    int moving;                // +1 right, -1 left
    double y0, pitch;          // rows, and rows a ms
    double up, down, power;
    double grey;
    bool In(const Goal_geometry& line, double t, double x, double y) const
    {
        const double tip_y = y0 + pitch * (t - crossing_ms);
        // The goal line's column at the point's height, as the reader's geometry gives it.
        const double line_x = -line.U(0, tip_y) / (line.U(1, tip_y) - line.U(0, tip_y));
        const double tip_x = line_x + moving * speed * (t - crossing_ms);
        const double dy = y - tip_y, back = moving * (tip_x - x);
        return std::abs(dy) <= 7 && back <= 150 && back >= (dy < 0 ? up : down) * std::pow(std::abs(dy), power);
    }
};

std::vector<uint8_t> Water(unsigned seed)
{
    std::vector<uint8_t> p(size_t(k_W) * k_H);
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(80, 2);
    for (uint8_t& b : p) b = uint8_t(std::clamp(noise(random), 0.0, 255.0));
    return p;
}

// Frame f holds field 2f - 1 in its odd rows and field 2f in its even rows, each row painted at
// its own field's instant, each pixel in the share of its 8 x 8 samples inside the hull.
std::vector<uint8_t> Frame(int f, const Bow& bow, const Goal_geometry& line)
{
    std::vector<uint8_t> p = Water(unsigned(100 + f));
    const int y_lo = int(bow.y0) - 12, y_hi = int(bow.y0) + 12;
    for (int y = y_lo; y <= y_hi; ++y) {
        const double t = k_Field_ms * double(2 * f - (y % 2 == 1 ? 1 : 0));
        for (int x = 300; x < 500; ++x) {
            int n = 0;
            for (int sy = 0; sy < 8; ++sy)
                for (int sx = 0; sx < 8; ++sx) n += bow.In(line, t, x - 0.4375 + sx / 8.0, y - 0.4375 + sy / 8.0);
            uint8_t& b = p[size_t(y) * k_W + size_t(x)];
            b = uint8_t(std::lround(b + (bow.grey - b) * n / 64.0));
        }
    }
    return p;
}

struct Model_case {
    const char* name;
    double line_x1, line_x2; // the goal line from (x1, 10) to (x2, 560)
    Bow bow;
};

// The crossing read from the pixels of the fields around it lies within the time the bow takes
// to travel 0.15 pixels of the truth (well under a millisecond), whatever the stem's shape,
// where the point lies between a field's rows, and while it pitches: the fields' own points read
// a needle's point short by several milliseconds.
TEST(Bow_model, CrossingOfPaintedBowsIsReadToASeventhOfAPixel)
{
    for (const Model_case& c :
         {Model_case{"wedge", 400, 400, {1003.0, 0.25, 1, 250.5, 0, 2.5, 3.5, 1.0, 200}},
          Model_case{"needle between rows", 400, 400, {1011.0, 0.22, 1, 250.3, 0, 5, 7, 0.5, 200}},
          Model_case{"round stem", 400, 400, {996.5, 0.3, 1, 251.2, 0, 0.4, 0.4, 2.0, 200}},
          Model_case{"dark, from the right, slanted", 380, 420, {1007.0, 0.25, -1, 249.8, 0, 3, 2, 0.8, 20}},
          Model_case{"pitching needle", 400, 400, {1004.0, 0.2, 1, 250.6, 0.02, 6, 4, 0.6, 200}}}) {
        SCOPED_TRACE(c.name);
        const Bow& bow = c.bow;
        const Goal_geometry line(c.line_x1, 10, c.line_x2, 560);
        const double mark_v = line.V(400, 250);
        const Lane_window window(line, {1, mark_v - 30, mark_v + 30, mark_v}, 80, k_W, k_H);
        const std::vector<uint8_t> w1 = Water(1), w2 = Water(2), w3 = Water(3);
        const std::vector<const uint8_t*> backgrounds{w1.data(), w2.data(), w3.data()};
        const Bow_reader reader(window, backgrounds, k_W);
        // The line's normal points left: a boat moving right travels along -u.
        const int direction = -bow.moving, step = bow.moving;

        std::vector<std::vector<uint8_t>> frames;
        std::vector<Bow_view> views;
        std::vector<Bow_sample> samples;
        for (int f = 23; f <= 27; ++f) frames.push_back(Frame(f, bow, line));
        for (int f = 23; f <= 27; ++f)
            for (int field : {1, 2}) {
                const uint8_t* p = frames[size_t(f - 23)].data();
                const double t = k_Field_ms * (2 * f - (field == 1 ? 1 : 0));
                views.push_back({p, field, t});
                const Bow_field b = reader.Measure(p, field, direction);
                if (b.tip_found) samples.push_back({t, b.tip, b.rows});
            }
        const auto points = Fit_crossing(samples);
        ASSERT_TRUE(points);
        const Bow_model model(window, reader, k_W, k_H, step, reader.Threshold());
        const auto read = model.Crossing(views, *points, samples);
        ASSERT_TRUE(read);
        EXPECT_NEAR(read->t_ms, bow.crossing_ms, 0.15 / bow.speed) << "the fields' points: " << points->t_ms;
        EXPECT_NEAR(read->speed, bow.speed, 0.02);
        EXPECT_GT(read->standard_error_ms, 0);
        EXPECT_GE(read->before, 2);
        EXPECT_GE(read->after, 2);
    }
}

} // namespace
} // namespace wk
