// Sound cut into samples of one duration.
#include "capture_server/Audio_chunker.h"

#include <gtest/gtest.h>

#include <numeric>

namespace wk {
namespace {

TEST(Audio_chunker_test, ASampleHoldsTheDurationInWholeBlocksWithTheDurationHeldToASaneRange)
{
    EXPECT_EQ(Audio_sample_bytes(40, 96000, 2), 3840u); // 48 kHz stereo, 8 bits
    EXPECT_EQ(Audio_sample_bytes(40, 44100, 1), 1764u);
    EXPECT_EQ(Audio_sample_bytes(13, 22050, 2), 286u);  // 286.65 bytes: whole blocks only
    EXPECT_EQ(Audio_sample_bytes(40, 3000, 3), 120u);
    EXPECT_EQ(Audio_sample_bytes(41, 3000, 3), 123u);
    EXPECT_EQ(Audio_sample_bytes(0, 96000, 2), 960u);    // 0 ms would be no sample at all: 10 ms
    EXPECT_EQ(Audio_sample_bytes(-5, 96000, 2), 960u);
    EXPECT_EQ(Audio_sample_bytes(60000, 96000, 2), 96000u); // a minute: one second
    EXPECT_EQ(Audio_sample_bytes(10, 50, 4), 4u);       // never less than one block
    EXPECT_EQ(Audio_sample_bytes(40, 96000, 0), 3840u);
}

struct Emitted {
    double time;
    std::vector<uint8_t> bytes;
};

TEST(Audio_chunker_test, BuffersOfAnyLengthBecomeWholeSamplesTimedByTheirFirstByte)
{
    Audio_chunker chunker(40);
    std::vector<Emitted> out;
    const auto emit = [&](double t, std::span<const uint8_t> b) { out.push_back({t, {b.begin(), b.end()}}); };
    std::vector<uint8_t> stream(20000);
    std::iota(stream.begin(), stream.end(), uint8_t(0));
    // 96000 bytes a second; buffers of 1000, 3000, 5000, 11000 bytes, each timed by its start.
    size_t at = 0;
    for (size_t n : {1000, 3000, 5000, 11000}) {
        chunker.Feed(double(at) / 96000, std::span(stream).subspan(at, n), 96000, 2, emit);
        at += n;
    }
    ASSERT_EQ(out.size(), 5u); // 20000 / 3840, the rest waits
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_NEAR(out[i].time, 0.04 * double(i), 1e-9) << i;
        const auto begin = stream.begin() + ptrdiff_t(i * 3840);
        EXPECT_EQ(out[i].bytes, std::vector<uint8_t>(begin, begin + 3840)) << i;
    }
    chunker.Feed(double(at) / 96000, std::span(stream).first(3840 - 800), 96000, 2, emit);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_NEAR(out[5].time, 0.2, 1e-9);
}

TEST(Audio_chunker_test, AChangeOfFormatDropsThePartSampleOfTheOldOne)
{
    Audio_chunker chunker(10);
    std::vector<Emitted> out;
    const auto emit = [&](double t, std::span<const uint8_t> b) { out.push_back({t, {b.begin(), b.end()}}); };
    chunker.Feed(0, std::vector<uint8_t>(500, 1), 96000, 2, emit); // 960 make a sample
    chunker.Feed(5, std::vector<uint8_t>(441, 2), 44100, 1, emit); // 441 make a sample
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, std::vector<uint8_t>(441, 2));
    EXPECT_EQ(out[0].time, 5);
    chunker.Feed(6, std::vector<uint8_t>(100, 3), 0, 1, emit); // no format: nothing
    EXPECT_EQ(out.size(), 1u);
}

} // namespace
} // namespace wk
