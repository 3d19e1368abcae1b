#include "platform/Image_library.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace wk::platform {
namespace {

// A bottom-up picture whose pixels tell where they are: blue = x, green = image row from the top.
struct Picture {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> bits;

    Picture(int32_t w, int32_t h) : width(w), height(h), bits(size_t(Image_stride(w)) * h, 0) {}
    uint8_t* At(int32_t x, int32_t y) { return bits.data() + (height - 1 - y) * Image_stride(width) + x * 3; }
    void Set(int32_t x, int32_t y, uint8_t b, uint8_t g, uint8_t r)
    {
        uint8_t* p = At(x, y);
        p[0] = b, p[1] = g, p[2] = r;
    }
    std::string Pixel(int32_t x, int32_t y)
    {
        const uint8_t* p = At(x, y);
        return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]);
    }
    static Picture Numbered(int32_t w, int32_t h)
    {
        Picture p(w, h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                p.Set(x, y, uint8_t(x), uint8_t(y), uint8_t(100 + x + y));
        return p;
    }
};

TEST(Image_library, RowsArePaddedToFourBytes)
{
    EXPECT_EQ(Image_stride(720), 2160);
    EXPECT_EQ(Image_stride(721), 2164);
    EXPECT_EQ(Image_stride(1), 4);
    EXPECT_EQ(Image_stride(5), 16);
}

TEST(Image_library, Rotate90TurnsClockwiseAndFourTurnsGiveTheOriginal)
{
    Picture source = Picture::Numbered(5, 3);
    Picture turned(3, 5);
    Rotate90(source.bits.data(), turned.bits.data(), 5, 3, 0);
    // The top row becomes the right-hand column, read from the top; the bottom-left corner
    // becomes the top-left corner.
    for (int32_t x = 0; x < 5; ++x)
        EXPECT_EQ(turned.Pixel(2, x), source.Pixel(x, 0)) << x;
    EXPECT_EQ(turned.Pixel(0, 0), source.Pixel(0, 2));
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            ASSERT_EQ(turned.Pixel(2 - y, x), source.Pixel(x, y));

    Picture a(5, 3), b(3, 5);
    Rotate90(turned.bits.data(), a.bits.data(), 3, 5, 0);
    Rotate90(a.bits.data(), b.bits.data(), 5, 3, 0);
    Rotate90(b.bits.data(), a.bits.data(), 3, 5, 0);
    EXPECT_EQ(a.bits, source.bits);
}

TEST(Image_library, Rotate90WithFlipAlsoMirrorsTheTurnedPicture)
{
    Picture source = Picture::Numbered(4, 3);
    Picture turned(3, 4), flipped(3, 4);
    Rotate90(source.bits.data(), turned.bits.data(), 4, 3, 0);
    Rotate90(source.bits.data(), flipped.bits.data(), 4, 3, -1);
    FlipImageRGB24(turned.bits.data(), 3, 4);
    EXPECT_EQ(flipped.bits, turned.bits);
    EXPECT_EQ(flipped.Pixel(0, 0), source.Pixel(0, 0));
}

TEST(Image_library, FlipMirrorsEachRowAndTwiceGivesTheOriginal)
{
    Picture picture = Picture::Numbered(5, 4);
    const Picture original = picture;
    FlipImageRGB24(picture.bits.data(), 5, 4);
    Picture copy = original;
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 5; ++x)
            ASSERT_EQ(picture.Pixel(4 - x, y), copy.Pixel(x, y));
    FlipImageRGB24(picture.bits.data(), 5, 4);
    EXPECT_EQ(picture.bits, original.bits);
}

TEST(Image_library, Field1IsTheOddRowsFromTheTopAndField2TheEvenRows)
{
    for (int32_t height : {8, 7}) {
        Picture frame = Picture::Numbered(3, height);
        Picture field1(3, height), field2(3, height);
        deinterlaceFrame2(frame.bits.data(), field1.bits.data(), 3, int16_t(height), 1);
        deinterlaceFrame2(frame.bits.data(), field2.bits.data(), 3, int16_t(height), 2);
        for (int32_t y = 0; y < height; ++y) {
            const int32_t odd = (y | 1) < height ? (y | 1) : y - 1;
            EXPECT_EQ(field1.Pixel(1, y), frame.Pixel(1, odd)) << "height " << height << " row " << y;
            EXPECT_EQ(field2.Pixel(1, y), frame.Pixel(1, y & ~1)) << "height " << height << " row " << y;
        }
    }
}

TEST(Image_library, AFullPalFieldIsReadFromTheRightMemoryRows)
{
    const int32_t stride = Image_stride(720);
    std::vector<uint8_t> frame(size_t(stride) * 576), field(frame.size());
    for (int32_t row = 0; row < 576; ++row)
        std::memset(frame.data() + row * stride, row % 251, size_t(stride));
    deinterlaceFrame2(frame.data(), field.data(), 720, 576, 1);
    // Memory row 0 is image row 575, a row of field 1: it stays and fills memory row 1 as well.
    EXPECT_EQ(field[0], frame[0]);
    EXPECT_EQ(field[size_t(stride)], frame[0]);
    EXPECT_EQ(field[size_t(575) * stride], frame[size_t(574) * stride]); // the top row: image row 1
    deinterlaceFrame2(frame.data(), field.data(), 720, 576, 2);
    EXPECT_EQ(field[0], frame[size_t(stride)]);
    EXPECT_EQ(field[size_t(575) * stride], frame[size_t(575) * stride]);
}

TEST(Image_library, LineDoublingInPlaceKeepsField1)
{
    Picture frame = Picture::Numbered(4, 6);
    Picture expected(4, 6);
    deinterlaceFrame2(frame.bits.data(), expected.bits.data(), 4, 6, 1);
    linedouble(frame.bits.data(), 4, 6);
    EXPECT_EQ(frame.bits, expected.bits);
}

TEST(Image_library, ABlendCopiesOnlyWhatDiffersFromTheBackground)
{
    Picture source(2, 1), target(2, 1), background(2, 1);
    source.Set(0, 0, 100, 100, 100);
    background.Set(0, 0, 90, 100, 100); // differs by 10
    source.Set(1, 0, 100, 100, 100);
    background.Set(1, 0, 95, 100, 100); // differs by 5
    target.Set(0, 0, 1, 2, 3);
    target.Set(1, 0, 1, 2, 3);
    ABlend(source.bits.data(), target.bits.data(), background.bits.data(), 2, 1, 5);
    EXPECT_EQ(target.Pixel(0, 0), "100,100,100");
    EXPECT_EQ(target.Pixel(1, 0), "1,2,3");
}

TEST(Image_library, LBlendKeepsTheLighterOrTheDarkerChannel)
{
    Picture source(1, 1), target(1, 1);
    source.Set(0, 0, 10, 200, 30);
    target.Set(0, 0, 50, 60, 70);
    Picture lighter = target, darker = target;
    LBlend(source.bits.data(), lighter.bits.data(), 1, 1, 1);
    LBlend(source.bits.data(), darker.bits.data(), 1, 1, 2);
    EXPECT_EQ(lighter.Pixel(0, 0), "50,200,70");
    EXPECT_EQ(darker.Pixel(0, 0), "10,60,30");
}

TEST(Image_library, BadSizesAndOptionsAreRefusedWithoutWriting)
{
    Picture a = Picture::Numbered(2, 2), b(2, 2);
    const auto before = b.bits;
    EXPECT_THROW(deinterlaceFrame2(a.bits.data(), b.bits.data(), 2, 2, 3), std::invalid_argument);
    EXPECT_THROW(LBlend(a.bits.data(), b.bits.data(), 2, 2, 0), std::invalid_argument);
    EXPECT_THROW(FlipImageRGB24(b.bits.data(), 0, 2), std::invalid_argument);
    EXPECT_THROW(Rotate90(a.bits.data(), nullptr, 2, 2, 0), std::invalid_argument);
    EXPECT_EQ(b.bits, before);
}

TEST(Image_library, VersionTextAndCycleCounter)
{
    const char* version = BlendVersion();
    const std::string text(version, 64);
    EXPECT_EQ(text.substr(0, 22), "Wakeline image library");
    EXPECT_EQ(text.back(), '\0');
    const int64_t first = GetCycleCount();
    volatile int64_t sum = 0;
    for (int i = 0; i < 100000; ++i)
        sum = sum + i;
    EXPECT_GT(GetCycleCount(), first);
}

} // namespace
} // namespace wk::platform
