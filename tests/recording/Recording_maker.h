#pragma once
// Own-format recordings for the drawing and trace tests, made as the capture station makes them,
// and the pictures the drawing paints into.
#include "platform/Draw_surface.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Test_support.h"

#include <QImage>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace wk::test {

// Frames of stream s (1..3): stream 1 shows fields 1, 2, 3 ..., stream 2 fields 1001, 1002 ...,
// stream 3 fields 2001 ... Shared by the tests of a program (encoding is the slow part).
inline const std::vector<DV_frame>& Stream_frames(int stream)
{
    static const std::vector<DV_frame> frames[3] = {
        Make_DV_frames(8, {.first_field = 1}),
        Make_DV_frames(8, {.first_field = 1001}),
        Make_DV_frames(8, {.first_field = 2001}),
    };
    return frames[stream - 1];
}

// The first field number a stream's frames show.
inline int64_t Stream_first_field(int stream) { return 1 + 1000 * int64_t(stream - 1); }

// Writes an own-format recording of `count` frames per stream (frame k of every stream carries
// extra data with time stamp 100000 + 40 k). `change` may alter each frame before it is written.
template <class Change>
std::string Make_qs2(const std::filesystem::path& path, int count, int streams, Change&& change)
{
    {
        cls_AVI_handler rec;
        rec.File_name(path.string());
        EXPECT_TRUE(rec.Create_File());
        rec.Initiate_file();
        rec.Stream().Let_Num_write_streams(int16_t(streams));
        EXPECT_TRUE(rec.Write_XML_header());
        for (int k = 1; k <= count; ++k)
            for (int s = 1; s <= streams; ++s) {
                DV_frame f = Stream_frames(s)[size_t(k - 1) % Stream_frames(s).size()];
                Write_DV_extra_data(f, {.stamp_tick = 100000 + 40 * k, .heat_start = 100000});
                change(f, k, s);
                EXPECT_TRUE(rec.Append_DV_frame(f));
            }
        rec.Close_File();
    }
    if (streams > 1) {
        // The header counts frames per stream.
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path.string()));
        rec.Header().Frames_no(count);
        EXPECT_TRUE(rec.Write_XML_header());
        rec.Close_File();
    }
    return path.string();
}

inline std::string Make_qs2(const std::filesystem::path& path, int count, int streams = 1)
{
    return Make_qs2(path, count, streams, [](DV_frame&, int, int) {});
}

// A picture box's image with its drawing surface.
struct Picture {
    explicit Picture(int width = 720, int height = 576) : image(width, height, QImage::Format_RGB32), dc(&image)
    {
        image.fill(Qt::darkGray);
    }
    // Brightness (green) of the pixel, 0..255.
    int Luma(int x, int y) const { return qGreen(image.pixel(x, y)); }
    QImage image;
    platform::Draw_surface dc;
};

// The field code shown along picture row y from x offset `left`, the picture scaled by
// x_scale from the 720-pixel frame (-1 when unreadable).
inline int64_t Code_in_row(const Picture& p, int y, int left = 0, double x_scale = 1.0)
{
    return Field_code_from_row([&](int x) { return p.Luma(left + int(x * x_scale), y); });
}

// The field code of a rotated field painted into a part of the picture: the code band runs
// down the column that the band's middle row turns into.
inline int64_t Code_in_rotated(const Picture& p, int left, int part_width)
{
    // Clockwise: frame pixel (x, y) of a 720 x 576 frame goes to (575 - y, x) of 576 x 720.
    const int column = 575 - (k_Code_top + k_Code_rows / 2);
    const int px = left + column * part_width / 576;
    const double y_scale = double(p.image.height()) / 720.0;
    return Field_code_from_row([&](int x) { return p.Luma(px, int(x * y_scale)); });
}

// The row of the code band that belongs to field 1 or 2 of the frame.
inline int Code_row(int field_in_frame)
{
    int y = k_Code_top + k_Code_rows / 2;
    return Row_in_field(y, field_in_frame) ? y : y + 1;
}

} // namespace wk::test
