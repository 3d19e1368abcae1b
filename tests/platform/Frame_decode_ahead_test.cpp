// Decoding ahead on the worker: a picture is handed over only for the frame and the bytes it was
// made of, anything else ahead is dropped, and the worker ends cleanly whatever it was doing.
#include "platform/Frame_decode_ahead.h"
#include "tests/fixtures/DV_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace wk::platform {
namespace {

const std::vector<test::DV_frame>& Frames()
{
    static const std::vector<test::DV_frame> frames = test::Make_DV_frames(3, {.first_field = 1});
    return frames;
}

Av_frame_bytes Bytes_of(std::span<const uint8_t> frame)
{
    Av_frame_bytes b;
    uint8_t* p = b.Resize(frame.size());
    EXPECT_NE(p, nullptr);
    if (p) std::memcpy(p, frame.data(), frame.size());
    return b;
}

// The picture the decoder keeps in slot, as bottom-up BGR rows.
std::vector<uint8_t> Picture_of(Av_frame_decoder& decoder, int slot)
{
    std::vector<uint8_t> bits(size_t(Bgr_stride(720)) * 576, 0x55);
    if (!decoder.Picture(slot, bits.data(), 720, 576)) return {};
    return bits;
}

std::vector<uint8_t> Decoded_here(std::span<const uint8_t> frame)
{
    Av_frame_decoder decoder;
    EXPECT_TRUE(decoder.Keep(frame, 0));
    return Picture_of(decoder, 0);
}

Ahead_frame Frame_no(int32_t n) { return {"", 1, n, 1}; }

TEST(Frame_decode_ahead, HandsOverExactlyThePictureADecodeHereGivesForTheSameFrameAndBytes)
{
    Frame_decode_ahead ahead;
    Av_frame_decoder mine;
    for (int k = 0; k < 3; ++k) {
        ahead.Start(Frame_no(k + 1), Bytes_of(Frames()[size_t(k)]));
        ASSERT_TRUE(ahead.Take(Frame_no(k + 1), Frames()[size_t(k)], mine, 2)) << k;
        const std::vector<uint8_t> shown = Picture_of(mine, 2);
        ASSERT_FALSE(shown.empty());
        EXPECT_TRUE(shown == Decoded_here(Frames()[size_t(k)])) << "frame " << k + 1;
    }
    EXPECT_EQ(ahead.Decoded_count(), 3);
    // Taken once: the same frame again is not there any more.
    EXPECT_FALSE(ahead.Take(Frame_no(3), Frames()[2], mine, 2));
}

TEST(Frame_decode_ahead, APictureForOtherBytesAnotherFrameOrAnotherOpeningIsNeverHandedOver)
{
    Frame_decode_ahead ahead;
    Av_frame_decoder mine;
    ASSERT_TRUE(mine.Keep(Frames()[0], 1));
    const std::vector<uint8_t> before = Picture_of(mine, 1);

    // The same frame number, but the file now holds other bytes there.
    ahead.Start(Frame_no(2), Bytes_of(Frames()[1]));
    EXPECT_FALSE(ahead.Take(Frame_no(2), Frames()[2], mine, 1));
    EXPECT_TRUE(Picture_of(mine, 1) == before) << "the slot keeps what it had";

    // Another frame asked for: what was ahead is dropped, also for a later question.
    ahead.Start(Frame_no(2), Bytes_of(Frames()[1]));
    EXPECT_FALSE(ahead.Take(Frame_no(3), Frames()[2], mine, 1));
    EXPECT_FALSE(ahead.Take(Frame_no(2), Frames()[1], mine, 1));

    // Same frame and bytes, but of another opening, stream or codec.
    for (const Ahead_frame other : {Ahead_frame{"", 2, 2, 1}, Ahead_frame{"", 1, 2, 2}, Ahead_frame{"dvsd", 1, 2, 1}}) {
        ahead.Start(Frame_no(2), Bytes_of(Frames()[1]));
        EXPECT_FALSE(ahead.Take(other, Frames()[1], mine, 1));
    }
    // Started again and then dropped.
    ahead.Start(Frame_no(2), Bytes_of(Frames()[1]));
    ahead.Discard();
    EXPECT_FALSE(ahead.Take(Frame_no(2), Frames()[1], mine, 1));
    EXPECT_TRUE(Picture_of(mine, 1) == before);

    // A newer start replaces the older one.
    ahead.Start(Frame_no(2), Bytes_of(Frames()[1]));
    ahead.Start(Frame_no(3), Bytes_of(Frames()[2]));
    EXPECT_TRUE(ahead.Take(Frame_no(3), Frames()[2], mine, 1));
    EXPECT_TRUE(Picture_of(mine, 1) == Decoded_here(Frames()[2]));
}

// Stepping reads every frame into a buffer an earlier frame used: the bytes of a picture handed
// over go to the caller as they are, and those of a picture not used come back as the spare.
TEST(Frame_decode_ahead, TheBytesOfAPictureGoWithItAndUnusedBytesComeBackForTheNextRead)
{
    Frame_decode_ahead ahead;
    Av_frame_decoder mine;
    Av_frame_bytes first = Bytes_of(Frames()[0]);
    const uint8_t* first_buffer = first.Bytes().data();
    ahead.Start(Frame_no(1), std::move(first));
    Av_frame_bytes made_of;
    ASSERT_TRUE(ahead.Take(Frame_no(1), Frames()[0], mine, 0, &made_of));
    EXPECT_EQ(made_of.Bytes().data(), first_buffer) << "handed over, not copied";
    EXPECT_TRUE(std::ranges::equal(made_of.Bytes(), std::span<const uint8_t>(Frames()[0])));
    EXPECT_EQ(ahead.Spare_bytes().Size(), 0u) << "the caller has them";

    // Not used (the file now holds other bytes there): the buffer is the spare, read into again.
    Av_frame_bytes second = Bytes_of(Frames()[1]);
    const uint8_t* second_buffer = second.Bytes().data();
    ahead.Start(Frame_no(2), std::move(second));
    Av_frame_bytes none;
    EXPECT_FALSE(ahead.Take(Frame_no(2), Frames()[2], mine, 0, &none));
    EXPECT_EQ(none.Size(), 0u);
    Av_frame_bytes spare = ahead.Spare_bytes();
    ASSERT_EQ(spare.Bytes().data(), second_buffer);
    uint8_t* again = spare.Resize(Frames()[2].size());
    EXPECT_EQ(again, second_buffer) << "the spare is written over, not made anew";
    std::memcpy(again, Frames()[2].data(), Frames()[2].size());
    ahead.Start(Frame_no(3), std::move(spare));
    EXPECT_TRUE(ahead.Take(Frame_no(3), Frames()[2], mine, 0));
    EXPECT_TRUE(Picture_of(mine, 0) == Decoded_here(Frames()[2]));
}

TEST(Frame_decode_ahead, BytesThatCannotBeDecodedGiveNothingAndTheWorkerGoesOn)
{
    Frame_decode_ahead ahead;
    Av_frame_decoder mine;
    const std::vector<uint8_t> junk(1000, 0xEE);
    ahead.Start(Frame_no(1), Bytes_of(junk));
    EXPECT_FALSE(ahead.Take(Frame_no(1), junk, mine, 0));
    EXPECT_TRUE(Picture_of(mine, 0).empty()) << "nothing kept";
    ahead.Start(Frame_no(2), Bytes_of(Frames()[1]));
    EXPECT_TRUE(ahead.Take(Frame_no(2), Frames()[1], mine, 0));
}

TEST(Frame_decode_ahead, EndsCleanlyWithDecodesWaitingRunningOrDone)
{
    for (int pending = 0; pending < 3; ++pending) {
        Frame_decode_ahead ahead;
        for (int k = 0; k <= pending; ++k) ahead.Start(Frame_no(k + 1), Bytes_of(Frames()[size_t(k)]));
        if (pending == 2) {
            Av_frame_decoder mine;
            EXPECT_TRUE(ahead.Take(Frame_no(3), Frames()[2], mine, 0));
        }
    }
    // Never started at all.
    { Frame_decode_ahead idle; }
}

TEST(Frame_decode_ahead, PaddedBytesAreZeroedBehindTheFrameAndDecodeAsAPlainCopyDoes)
{
    Av_frame_bytes b;
    uint8_t* p = b.Resize(16);
    ASSERT_NE(p, nullptr);
    std::memset(p, 0xFF, 16);
    // Smaller again: the bytes past the new end are padding, zeroed.
    p = b.Resize(8);
    ASSERT_NE(p, nullptr);
    for (int i = 8; i < 16; ++i) EXPECT_EQ(p[i], 0) << i;
    EXPECT_EQ(b.Bytes().size(), 8u);

    Av_frame_decoder decoder;
    const Av_frame_bytes frame = Bytes_of(Frames()[0]);
    ASSERT_TRUE(decoder.Keep(frame, 3));
    EXPECT_TRUE(Picture_of(decoder, 3) == Decoded_here(Frames()[0]));
    // Moved between decoders, the picture goes with it.
    Av_frame_decoder other;
    EXPECT_TRUE(other.Take_kept(decoder, 3, 1));
    EXPECT_TRUE(Picture_of(decoder, 3).empty());
    EXPECT_TRUE(Picture_of(other, 1) == Decoded_here(Frames()[0]));
    EXPECT_FALSE(other.Take_kept(decoder, 3, 1)) << "nothing left to move";
}

} // namespace
} // namespace wk::platform
