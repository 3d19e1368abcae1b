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

#include <algorithm>
#include <fstream>
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

int64_t Resident_bytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
    return -1;
}

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
    const int64_t before = Resident_bytes();
    int64_t peak = before;
    int32_t last_done = 0, total = 0, bands = 0;
    const std::string error = Export_strip_png(strip, Finish_at_start(), path, [&](int32_t done, int32_t all) {
        peak = std::max(peak, Resident_bytes());
        EXPECT_GE(done, last_done);
        last_done = done;
        total = all;
        ++bands;
        return true;
    });
    ASSERT_EQ(error, "");
    ASSERT_GT(before, 0);
    // A second picture of the strip would double it. What the export holds is a band of 40 rows
    // (the time scale's height) and the PNG library's rows; the checking allocator keeps freed
    // memory a while, so some room is left above one band.
    const int64_t band_bytes = int64_t(30000) * Strip_scale_height() * 4;
    EXPECT_LT(peak - before, 3 * band_bytes) << "grew by " << (peak - before) << " of " << strip_bytes;
    EXPECT_LT(peak - before, strip_bytes / 4);
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
