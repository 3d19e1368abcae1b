// Weaving pictures into frames and keeping pictures to a rate, without GStreamer: pictures are
// filled with their own number, so each row of a frame tells which picture it came from.
#include "capture_server/Field_weaver.h"
#include "capture_server/Picture_pacer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace wk {
namespace {

constexpr int64_t k_Ms = 1'000'000;

struct Woven {
    int64_t time_ms, second_ms;
    int32_t pictures;
    std::vector<int> bottom, top; // the picture each row of the field came from, every plane
};

// Pictures of 8 x 6 at the given times (ms), numbered from 1, kept to the mode's rate and woven
// as the server does.
std::vector<Woven> Weave(Field_mode mode, const std::vector<double>& times_ms)
{
    const Picture_layout layout = Packed_420_layout(8, 6);
    Picture_pacer pacer((mode == Field_mode::two_pictures ? 20 : 40) * k_Ms);
    Field_weaver weaver(mode, layout);
    std::vector<Woven> frames;
    for (size_t i = 0; i < times_ms.size(); ++i) {
        const std::vector<uint8_t> picture(layout.size, uint8_t(i + 1));
        const int64_t time = std::llround(times_ms[i] * k_Ms);
        if (!pacer.Keep(time)) continue;
        weaver.Add(picture, time, pacer.Last_slot(), [&](const Field_weaver::Frame& f) {
            Woven w{f.time_ns / k_Ms, f.second_time_ns / k_Ms, f.pictures, {}, {}};
            for (const auto& plane : layout.planes)
                for (size_t row = 0; row < plane.rows; ++row)
                    (row % 2 ? w.bottom : w.top).push_back(f.bytes[plane.offset + row * plane.stride]);
            frames.push_back(w);
        });
    }
    return frames;
}

struct Weave_case {
    const char* name;
    Field_mode mode;
    std::vector<double> times_ms;
    // Each frame: its time, the picture in its bottom (first) field and in its top field.
    std::vector<std::array<int64_t, 3>> frames;
};

TEST(Field_weaver_test, PicturesBecomeFieldsInPalOrderWithTheFirstFieldsTime)
{
    const Weave_case cases[] = {
        {"two a frame, earlier at the bottom", Field_mode::two_pictures, {0, 20, 40, 60, 80},
         {{0, 1, 2}, {40, 3, 4}}},
        {"one a frame, in both fields", Field_mode::one_picture, {0, 40, 80}, {{0, 1, 1}, {40, 2, 2}, {80, 3, 3}}},
        // Picture 3 (at 40) never came: picture 2 waits alone and makes a frame of its own.
        {"a missing picture leaves its partner alone", Field_mode::two_pictures, {0, 20, 60, 80, 100},
         {{0, 1, 2}, {60, 3, 4}}},
        {"a picture long after its partner", Field_mode::two_pictures, {0, 20, 40, 90, 110},
         {{0, 1, 2}, {40, 3, 3}, {90, 4, 5}}},
        {"camera jitter keeps the pairs", Field_mode::two_pictures, {0, 24, 38, 61, 80, 98},
         {{0, 1, 2}, {38, 3, 4}, {80, 5, 6}}},
        // 60 a second: picture 5 is left out, and 4 and 6 still make fields of one frame each.
        {"60 to 50 pairs the pictures kept", Field_mode::two_pictures,
         {0, 1000.0 / 60, 2000.0 / 60, 50, 4000.0 / 60, 5000.0 / 60, 100, 7000.0 / 60, 8000.0 / 60, 150},
         {{0, 1, 2}, {33, 3, 4}, {83, 6, 7}, {116, 8, 9}}},
        // 30 a second: picture 5 falls in picture 4's slot and is left out.
        {"30 to 25 in both fields", Field_mode::one_picture, {0, 1000.0 / 30, 2000.0 / 30, 100, 4000.0 / 30, 5000.0 / 30},
         {{0, 1, 1}, {33, 2, 2}, {66, 3, 3}, {100, 4, 4}, {166, 6, 6}}},
    };
    for (const auto& c : cases) {
        const auto frames = Weave(c.mode, c.times_ms);
        ASSERT_EQ(frames.size(), c.frames.size()) << c.name;
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i].time_ms, c.frames[i][0]) << c.name << ", frame " << i;
            for (int b : frames[i].bottom) EXPECT_EQ(b, c.frames[i][1]) << c.name << ", frame " << i;
            for (int t : frames[i].top) EXPECT_EQ(t, c.frames[i][2]) << c.name << ", frame " << i;
            // The second field's time is its own picture's; one picture in both is one picture.
            const int64_t top = c.frames[i][2], bottom = c.frames[i][1];
            EXPECT_EQ(frames[i].second_ms, int64_t(std::llround(c.times_ms[size_t(top - 1)] * k_Ms) / k_Ms))
                << c.name << ", frame " << i;
            EXPECT_EQ(frames[i].pictures, top == bottom ? 1 : 2) << c.name << ", frame " << i;
        }
    }
}

TEST(Field_weaver_test, APictureLeftWaitingWhenThePicturesEndMakesAFrameAlone)
{
    const Picture_layout layout = Packed_420_layout(8, 6);
    Field_weaver weaver(Field_mode::two_pictures, layout);
    std::vector<Field_weaver::Frame> frames;
    const auto keep = [&](const Field_weaver::Frame& f) { frames.push_back(f); };
    weaver.Add(std::vector<uint8_t>(layout.size, 1), 0, 0, keep);
    weaver.Add(std::vector<uint8_t>(layout.size, 2), 20 * k_Ms, 1, keep);
    weaver.Add(std::vector<uint8_t>(layout.size, 3), 40 * k_Ms, 2, keep);
    weaver.Flush(keep);
    weaver.Flush(keep); // nothing is left the second time
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].time_ns, 40 * k_Ms);
    EXPECT_EQ(frames[1].second_time_ns, 40 * k_Ms);
    EXPECT_EQ(frames[1].pictures, 1);
    EXPECT_EQ(frames[1].bytes[0], 3);
}

TEST(Field_weaver_test, APictureShorterThanTheLayoutIsLeftOut)
{
    Field_weaver weaver(Field_mode::one_picture, Packed_420_layout(8, 6));
    int frames = 0;
    weaver.Add(std::vector<uint8_t>(10), 0, 0, [&](const auto&) { ++frames; });
    EXPECT_EQ(frames, 0);
}

struct Pacer_case {
    const char* name;
    double camera_rate; // pictures a second
    double period_ms;   // of the pacer
    int kept_in_a_second;
};

TEST(Picture_pacer_test, KeepsOnePictureASlotAtTheCamerasOwnTimes)
{
    const Pacer_case cases[] = {
        {"50 at 50", 50, 20, 50}, {"60 to 50", 60, 20, 50}, {"25 at 25", 25, 40, 25},
        {"30 to 25", 30, 40, 25}, {"24 at 25 keeps all", 24, 40, 24}, {"100 to 50", 100, 20, 50},
    };
    for (const auto& c : cases) {
        Picture_pacer pacer(int64_t(c.period_ms * k_Ms));
        int kept = 0;
        double last_kept = -1e9;
        // Ten seconds, a little jitter on every picture's time.
        for (int n = 0; n < int(c.camera_rate * 10); ++n) {
            const double t = n * 1000.0 / c.camera_rate + (n % 3 - 1) * 0.7;
            if (!pacer.Keep(int64_t(t * k_Ms))) continue;
            ++kept;
            EXPECT_GT(t - last_kept, c.period_ms / 2) << c.name << " at " << t;
            last_kept = t;
        }
        EXPECT_NEAR(kept, c.kept_in_a_second * 10, 1) << c.name;
    }
}

TEST(Picture_pacer_test, AClockThatStepsBackStartsTheSlotsAgain)
{
    Picture_pacer pacer(20 * k_Ms);
    EXPECT_TRUE(pacer.Keep(1000 * k_Ms));
    EXPECT_FALSE(pacer.Keep(1005 * k_Ms));
    EXPECT_TRUE(pacer.Keep(10 * k_Ms));
    EXPECT_TRUE(pacer.Keep(30 * k_Ms));
}

} // namespace
} // namespace wk
