// The finish strip as a picture: its export written band by band from a long strip, its time
// labels whole at both ends and big enough on the printed sheet.
#include "tests/support/File_size_limit.h"
#include "tests/support/Test_support.h"
#include "viewer/Finish_strip_marks.h"

#include <QFont>
#include <QFontMetrics>
#include <QImageReader>
#include <QPainter>

#include <gtest/gtest.h>
#include <malloc.h>
#if defined(__SANITIZE_ADDRESS__)
// The checker's allocator calls (g++ 12 ships no header for them).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                              void (*free_hook)(const volatile void*));
size_t __sanitizer_get_allocated_size(const volatile void* p);
}
#endif

#include <algorithm>
#include <atomic>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace wk {
namespace {

namespace fs = std::filesystem;

// A strip of a long heat: every column a shade of its own, so a wrong column shows.
Strip_view Long_strip(int columns, int rows)
{
    QImage picture(columns, rows, QImage::Format_RGB32);
    for (int y = 0; y < rows; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < columns; ++x) line[x] = qRgb(x % 251, y % 241, (x / 251) % 256);
    }
    return {picture, 20};
}

// The first finish at column 0, 45 s into the race.
Strip_marks Finish_at_start()
{
    Strip_marks m;
    m.lanes = {{1, 100}, {2, 300}};
    m.places = {{.place = 1, .lane = 1, .column = 0, .row = 100, .time = 45000}};
    return m;
}

// What an export holds besides its band: the compressor's window and tables, and the PNG
// library's rows (the row in hand, the one before and the filters' tries).
constexpr int64_t k_Compressor_bytes = 512 << 10;
constexpr int k_Png_rows = 4;

// The heap's growth and its peak from Start. Under the address checker every allocation and
// release is seen through its hooks, so a copy held for a moment within a band counts too; without
// it, the C library's count of bytes in use is read each time Sample is called.
class Heap_growth {
public:
    Heap_growth()
    {
#if defined(__SANITIZE_ADDRESS__)
        static const bool hooked = __sanitizer_install_malloc_and_free_hooks(On_malloc, On_free) != 0;
        exact_ = hooked;
#endif
        live_ = 0;
        peak_ = 0;
        base_ = In_use();
        counting_ = true;
    }
    ~Heap_growth() { counting_ = false; }
    bool Exact() const { return exact_; }
    void Sample()
    {
        if (!exact_) Raise_peak(In_use() - base_);
    }
    int64_t Peak() const { return peak_; }

private:
    static int64_t In_use()
    {
        const struct mallinfo2 m = mallinfo2();
        return int64_t(m.uordblks + m.hblkhd);
    }
    static void Raise_peak(int64_t now)
    {
        for (int64_t peak = peak_; now > peak && !peak_.compare_exchange_weak(peak, now);) {
        }
    }
#if defined(__SANITIZE_ADDRESS__)
    static void On_malloc(const volatile void*, size_t size)
    {
        if (counting_) Raise_peak(live_ += int64_t(size));
    }
    static void On_free(const volatile void* p)
    {
        if (counting_ && p) live_ -= int64_t(__sanitizer_get_allocated_size(p));
    }
#endif
    static inline std::atomic<bool> counting_{false};
    static inline std::atomic<int64_t> live_{0}, peak_{0};
    int64_t base_ = 0;
    bool exact_ = false;
};

bool Ink(QRgb c) { return qGray(c) < 128; }

// The runs of columns with ink in rows [top, bottom); gaps of up to 3 columns (inside a label)
// are closed.
std::vector<std::pair<int, int>> Ink_runs(const QImage& image, int top, int bottom)
{
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < image.width(); ++x) {
        bool ink = false;
        for (int y = top; y < bottom && !ink; ++y) ink = Ink(image.pixel(x, y));
        if (!ink) continue;
        if (!runs.empty() && x - runs.back().second <= 4) runs.back().second = x + 1;
        else runs.emplace_back(x, x + 1);
    }
    return runs;
}

int Ink_height(const QImage& image, int left, int right, int top, int bottom)
{
    int first = -1, last = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (Ink(image.pixel(x, y))) {
                if (first < 0) first = y;
                last = y;
                break;
            }
    return first < 0 ? 0 : last - first + 1;
}

// The ink width of a label drawn alone in the scale's font.
int Label_width(const std::string& text, int pixels)
{
    QImage alone(400, 3 * pixels, QImage::Format_RGB32);
    alone.fill(Qt::white);
    QPainter p(&alone);
    QFont f("Liberation Sans");
    f.setPixelSize(pixels);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(10, 0, 380, 3 * pixels), Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(text));
    p.end();
    const auto runs = Ink_runs(alone, 0, alone.height());
    return runs.empty() ? 0 : runs.back().second - runs.front().first;
}

TEST(Strip_export, ALongStripIsWrittenBandByBandAndReadsBackWhole)
{
    test::Temp_home home;
    const Strip_view strip = Long_strip(30000, 576); // a ten-minute heat: 66 MB
    const int64_t strip_bytes = strip.ready.sizeInBytes();
    const std::string path = (home.path() / "strip.png").string();
    // Fonts, the PNG library and the compressor are loaded once per program: not the export's.
    ASSERT_EQ(Export_strip_png(Long_strip(300, 576), Finish_at_start(), path), "");
    int32_t last_done = 0, total = 0, bands = 0;
    Heap_growth heap;
    const std::string error = Export_strip_png(strip, Finish_at_start(), path, [&](int32_t done, int32_t all) {
        heap.Sample();
        EXPECT_GE(done, last_done);
        last_done = done;
        total = all;
        ++bands;
        return true;
    });
    const int64_t peak = heap.Peak();
    ASSERT_EQ(error, "");
    // A second picture of the strip would double it. What the export holds is one band (the time
    // scale's height) and the PNG library's and the compressor's buffers.
    const int64_t band_bytes = int64_t(30000) * Strip_scale_height() * 4;
    std::cout << "heap grew by " << peak << " at most (" << (heap.Exact() ? "every allocation" : "sampled")
              << "), a band is " << band_bytes << ", the strip " << strip_bytes << "\n";
    EXPECT_LT(peak, band_bytes + k_Png_rows * 30000 * 4 + k_Compressor_bytes)
        << "grew by " << peak << " of " << strip_bytes;
    EXPECT_GT(bands, 10);
    EXPECT_EQ(last_done, total);

    const QImage written(QString::fromStdString(path));
    ASSERT_EQ(written.size(), QSize(30000, 576 + Strip_scale_height()));
    for (const QPoint at : {QPoint(0, 0), QPoint(29999, 575), QPoint(12345, 31), QPoint(12345, 32), QPoint(777, 450)})
        EXPECT_EQ(written.pixel(at), strip.ready.pixel(at)) << at.x() << "," << at.y();
    EXPECT_EQ(written.pixel(15000, 576 + Strip_scale_height() - 2), qRgb(255, 255, 255)); // the scale
}

TEST(Strip_export, AWriteThatFailsPartWayLeavesTheOldFileAsItWas)
{
    test::Temp_home home;
    const fs::path path = home.path() / "strip.png";
    test::Write_file(path, "the export before");
    std::string error;
    {
        test::File_size_limit limit(8 * 1024);
        error = Export_strip_png(Long_strip(4000, 576), Finish_at_start(), path.string());
    }
    EXPECT_NE(error.find("Cannot write"), std::string::npos) << error;
    EXPECT_TRUE(test::Read_file(path) == "the export before");
    // Nothing half-written left beside it.
    int beside = 0;
    for (const auto& entry : fs::directory_iterator(home.path()))
        if (entry.path().filename().string().rfind("strip.png", 0) == 0) ++beside;
    EXPECT_EQ(beside, 1);
}

TEST(Strip_export, TheTimeLabelsAreWholeAtBothEndsAndPrintAtLeastTwoAndAHalfMillimetres)
{
    const struct {
        const char* name;
        QSize size;
        int text_pixels;
        double least_mm; // the digits' height on paper at 150 dots an inch, when printed
    } cases[] = {
        {"the exported strip", {}, k_Strip_text_pixels, 0},
        {"the sheet's strip", {1500, 400}, Strip_text_pixels_for(150), 2.5},
    };
    const Strip_view strip = Long_strip(300, 400); // 6 s from 0:45.0 on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage picture = Strip_picture(strip, Finish_at_start(), 0, 299, c.size, c.text_pixels);
        ASSERT_FALSE(picture.isNull());
        const int labels_top = picture.height() - Strip_scale_height(c.text_pixels) + c.text_pixels + 2;
        const auto runs = Ink_runs(picture, labels_top, picture.height());
        ASSERT_GE(runs.size(), 2u);
        EXPECT_EQ(runs.front().second - runs.front().first, Label_width("0:45.0", c.text_pixels));
        EXPECT_EQ(runs.back().second - runs.back().first, Label_width("0:51.0", c.text_pixels));
        EXPECT_LE(runs.back().second, picture.width());
        if (c.least_mm > 0)
            EXPECT_GE(Ink_height(picture, runs.front().first, runs.front().second, labels_top, picture.height()),
                      c.least_mm / 25.4 * 150);
    }
}

} // namespace
} // namespace wk
