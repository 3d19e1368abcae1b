#include "services/graphics/cDIBSection.h"

#include "platform/Image_library.h"
#include "services/Run_time_error.h"
#include "tests/support/Test_support.h"

#include <QImage>

#include <array>
#include <cstring>
#include <filesystem>

namespace wk {
namespace {

// Writes a pixel by image coordinates (0, 0 top-left) straight into the bottom-up bits.
void Put(cDIBSection& dib, int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b)
{
    uint8_t* p = dib.DIBSectionBitsPtr() + int64_t(dib.Height() - 1 - y) * dib.BytesPerScanLine() + x * 3;
    p[0] = b, p[1] = g, p[2] = r;
}

void Fill(cDIBSection& dib, uint8_t value)
{
    for (int32_t y = 0; y < dib.Height(); ++y)
        for (int32_t x = 0; x < dib.Width(); ++x)
            Put(dib, x, y, value, value, value);
}

TEST(cDIBSection, CreateLaysOutPaddedRowsAndRefusesSizesOfZeroOrLess)
{
    cDIBSection dib;
    EXPECT_EQ(dib.hDC(), nullptr);
    ASSERT_TRUE(dib.Create(721, 3));
    EXPECT_EQ(dib.BytesPerScanLine(), 2164);
    EXPECT_EQ(dib.SizeImage(), 2164 * 3);
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(dib.Planes(), 1);
    EXPECT_EQ(dib.Compression(), 0);
    EXPECT_EQ(dib.SizeInfoHeader(), 40);
    EXPECT_NE(dib.hDC(), nullptr);
    EXPECT_NE(dib.hDib(), nullptr);
    EXPECT_EQ(dib.hDC()->Width(), 721);

    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {5, -576}, {40000, 40000}}) {
        EXPECT_FALSE(dib.Create(w, h)) << w << " x " << h;
        EXPECT_EQ(dib.hDC(), nullptr);
        EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    }
    // ClearUp forgets the picture but not its size.
    ASSERT_TRUE(dib.Create(576, 720));
    dib.ClearUp();
    EXPECT_EQ(dib.Width(), 576);
    EXPECT_EQ(dib.Height(), 720);
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.Image_Brightness(), 0);
}

TEST(cDIBSection, APalPictureSavesAsABmpThatQtReadsBack)
{
    test::Temp_home home;
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(720, 576));
    for (int32_t y = 0; y < 576; ++y)
        for (int32_t x = 0; x < 720; ++x)
            Put(dib, x, y, uint8_t(x + y), uint8_t(y), uint8_t(x));
    const auto file = home.path() / "frame.bmp";
    ASSERT_TRUE(dib.SavePicture(file.string()));

    const std::string bytes = test::Read_file(file);
    ASSERT_EQ(bytes.size(), 1244218u);
    const std::array<uint8_t, 58> head = {
        'B', 'M', 0x3A, 0xFC, 0x12, 0x00, 0, 0, 0, 0, 58, 0, 0, 0,     // file size 1244218, data at 58
        40, 0, 0, 0, 0xD0, 0x02, 0, 0, 0x40, 0x02, 0, 0, 1, 0, 24, 0, // 720 x 576, 1 plane, 24 bits
        0, 0, 0, 0, 0x00, 0xFC, 0x12, 0x00,                           // uncompressed, 1244160 bytes
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,               // resolution and colour counts
        0, 0, 0, 0};                                                  // the one colour entry
    EXPECT_EQ(std::memcmp(bytes.data(), head.data(), head.size()), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 58, dib.DIBSectionBitsPtr(), size_t(dib.SizeImage())), 0);

    QImage read;
    ASSERT_TRUE(read.load(QString::fromStdString(file.string()), "BMP"));
    ASSERT_EQ(read.size(), QSize(720, 576));
    for (int32_t y = 0; y < 576; ++y)
        for (int32_t x = 0; x < 720; ++x)
            ASSERT_EQ(read.pixel(x, y) & 0xFFFFFF, qRgb(uint8_t(x + y), uint8_t(y), uint8_t(x)) & 0xFFFFFF)
                << x << "," << y;
}

TEST(cDIBSection, SavingFailuresRaiseError17OrLeaveTheOldFile)
{
    test::Temp_home home;
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(4, 4));
    try {
        dib.SavePicture((home.path() / "missing" / "x.bmp").string());
        FAIL() << "no error raised";
    } catch (const Run_time_error& e) {
        EXPECT_EQ(e.number(), 17);
        EXPECT_EQ(e.source(), "Wakeline3_0.cDIBSection");
        EXPECT_FALSE(e.description().empty());
    }
    // Without a picture nothing can be written: the file keeps what it held.
    const auto file = home.path() / "old.bmp";
    test::Write_file(file, "old picture");
    dib.ClearUp();
    EXPECT_FALSE(dib.SavePicture(file.string()));
    EXPECT_EQ(test::Read_file(file), "old picture");
}

TEST(cDIBSection, BrightnessAndContrastSampleWholePixels)
{
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(11, 10));
    Fill(dib, 255);
    EXPECT_EQ(dib.Image_Brightness(), 765);
    EXPECT_EQ(dib.Image_Contrast(), 0);
    Fill(dib, 0);
    EXPECT_EQ(dib.Image_Brightness(), 0);

    // Only every fifth pixel is sampled, and always as a whole: white samples among black
    // neighbours, with the row padding set, still read as white.
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 11; x += 5)
            Put(dib, x, y, 255, 255, 255);
    for (int32_t row = 0; row < 10; ++row)
        dib.DIBSectionBitsPtr()[row * dib.BytesPerScanLine() + 33] = 0xFF;
    EXPECT_EQ(dib.Image_Brightness(), 765);
    EXPECT_EQ(dib.Image_Contrast(), 0);

    // Half the samples white, half black: 382.5 rounds to the even 382, both ways.
    Fill(dib, 0);
    for (int32_t y = 5; y < 10; ++y) // memory rows 0 to 4
        for (int32_t x = 0; x < 11; ++x)
            Put(dib, x, y, 255, 255, 255);
    EXPECT_EQ(dib.Image_Brightness(), 382);
    EXPECT_EQ(dib.Image_Contrast(), 382);
}

TEST(cDIBSection, RandomBitsFollowTheClockAndTheGreyChoice)
{
    test::Manual_clock clock;
    cDIBSection a, b;
    ASSERT_TRUE(a.Create(7, 5));
    ASSERT_TRUE(b.Create(7, 5));
    a.RandomiseBits(true);
    b.RandomiseBits(true);
    EXPECT_EQ(std::memcmp(a.DIBSectionBitsPtr(), b.DIBSectionBitsPtr(), size_t(a.SizeImage())), 0);
    bool varied = false;
    for (int32_t row = 0; row < 5; ++row) {
        const uint8_t* line = a.DIBSectionBitsPtr() + row * a.BytesPerScanLine();
        for (int32_t x = 0; x < 7; ++x) {
            EXPECT_EQ(line[x * 3], line[x * 3 + 1]);
            EXPECT_EQ(line[x * 3], line[x * 3 + 2]);
            varied = varied || line[x * 3] != line[0];
        }
        EXPECT_EQ(line[21] | line[22] | line[23], 0) << "padding written";
    }
    EXPECT_TRUE(varied);

    clock.now.second += 1;
    b.RandomiseBits(false);
    for (int32_t row = 0; row < 5; ++row)
        for (int32_t x = 0; x < 7; ++x)
            EXPECT_EQ(b.DIBSectionBitsPtr()[row * b.BytesPerScanLine() + x * 3], 0);
    EXPECT_NE(std::memcmp(a.DIBSectionBitsPtr(), b.DIBSectionBitsPtr(), size_t(a.SizeImage())), 0);
}

TEST(cDIBSection, ResampleInterpolatesAndStaysInsideThinPictures)
{
    cDIBSection source;
    ASSERT_TRUE(source.Create(3, 2));
    // Blue channel by memory row: row 0 = 0, 100, 200; row 1 = 50, 150, 250.
    for (int32_t x = 0; x < 3; ++x) {
        Put(source, x, 1, 0, 0, uint8_t(100 * x));
        Put(source, x, 0, 0, 0, uint8_t(50 + 100 * x));
    }
    auto same = source.Resample(2, 3);
    ASSERT_TRUE(same);
    EXPECT_EQ(std::memcmp(same->DIBSectionBitsPtr(), source.DIBSectionBitsPtr(), size_t(source.SizeImage())), 0);

    auto half = source.Resample(2, 2);
    ASSERT_TRUE(half);
    const uint8_t* bits = half->DIBSectionBitsPtr();
    const int32_t stride = half->BytesPerScanLine();
    EXPECT_EQ(bits[0], 0);
    EXPECT_EQ(bits[3], 100);
    EXPECT_EQ(bits[stride], 25); // half way between memory rows 0 and 1
    EXPECT_EQ(bits[stride + 3], 125);

    for (auto [w, h] : {std::pair{1, 4}, {4, 1}, {1, 1}}) {
        cDIBSection thin;
        ASSERT_TRUE(thin.Create(w, h));
        Fill(thin, 77);
        auto big = thin.Resample(9, 9);
        ASSERT_TRUE(big);
        EXPECT_EQ(big->Image_Brightness(), 3 * 77) << w << " x " << h;
    }
    cDIBSection empty;
    EXPECT_EQ(empty.Resample(4, 4), nullptr);
    EXPECT_EQ(source.Resample(0, 4), nullptr);
}

TEST(cDIBSection, PaintingPlacesAndStretchesThePicture)
{
    test::Scripted_dialogs dialogs; // no message is expected
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(4, 2));
    Fill(dib, 0);
    Put(dib, 0, 0, 255, 0, 0);
    Put(dib, 3, 1, 0, 0, 255);
    QImage image(8, 4, QImage::Format_RGB32);
    platform::Draw_surface box(&image);
    const QRgb grey = qRgb(50, 50, 50);

    image.fill(grey);
    dib.DIB_PaintPicture(&box, 2, 1);
    EXPECT_TRUE(dib.UseDrawDib());
    EXPECT_EQ(image.pixel(2, 1), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(5, 2), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(1, 1), grey);
    EXPECT_EQ(image.pixel(6, 1), grey);

    image.fill(grey);
    dib.DIB_PaintPicture(&box, 0, 0, 8, 4);
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(7, 3), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(2, 2), qRgb(0, 0, 0));

    // The source starts at column 3: the part past the picture is neither read nor painted.
    image.fill(grey);
    dib.DIB_PaintPicture(&box, 0, 0, 8, 4, 3, 0);
    EXPECT_EQ(image.pixel(1, 3), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(2, 0), grey);
    dib.DIB_PaintPicture(nullptr, 0, 0);

    // DrawDib2 takes the top before the left; DrawDib copies the box's size at 1:1.
    QImage small(2, 2, QImage::Format_RGB32);
    platform::Draw_surface small_box(&small);
    dib.DIB_DrawDib2(small_box, 1, 3, 1, 1);
    EXPECT_EQ(small.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(small.pixel(1, 1), qRgb(0, 0, 255));
    dib.DIB_DrawDib(small_box);
    EXPECT_EQ(small.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(small.pixel(1, 1), qRgb(0, 0, 0));
}

TEST(cDIBSection, PicturesComeInTheRightWayUp)
{
    QImage picture(3, 2, QImage::Format_ARGB32);
    picture.fill(qRgb(0, 0, 0));
    picture.setPixel(0, 0, qRgb(10, 20, 30)); // top-left
    cDIBSection dib;
    dib.CreateFromPicture(picture);
    ASSERT_EQ(dib.Width(), 3);
    const uint8_t* top_row = dib.DIBSectionBitsPtr() + dib.BytesPerScanLine(); // memory row 1
    EXPECT_EQ(top_row[0], 30);
    EXPECT_EQ(top_row[1], 20);
    EXPECT_EQ(top_row[2], 10);
    EXPECT_EQ(dib.DIBSectionBitsPtr()[0], 0);
}

struct Fake_decoder final : platform::Frame_decoder {
    bool accept = true;
    int32_t width = 0, height = 0;
    bool Decode(std::span<const uint8_t> frame, uint8_t* bits, int32_t w, int32_t h) override
    {
        width = w, height = h;
        if (!accept)
            return false;
        std::memset(bits, frame[0], size_t(platform::Image_stride(w)) * h);
        return true;
    }
};

TEST(cDIBSection, FramesAreDecodedIntoThePictureAtItsSize)
{
    cDIBSection dib;
    Fake_decoder decoder;
    const std::array<uint8_t, 2> frame = {0x5A, 0};
    EXPECT_FALSE(dib.Decode_frame(decoder, frame));
    ASSERT_TRUE(dib.Create(720, 576));
    EXPECT_TRUE(dib.Decode_frame(decoder, frame));
    EXPECT_EQ(decoder.width, 720);
    EXPECT_EQ(decoder.height, 576);
    EXPECT_EQ(dib.DIBSectionBitsPtr()[dib.SizeImage() - 1], 0x5A);
    decoder.accept = false;
    const std::array<uint8_t, 2> other = {0x11, 0};
    EXPECT_FALSE(dib.Decode_frame(decoder, other));
    EXPECT_EQ(dib.DIBSectionBitsPtr()[0], 0x5A);
}

} // namespace
} // namespace wk
