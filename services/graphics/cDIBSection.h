#pragma once
// The program's off-screen picture: a 24-bit bottom-up bitmap with its own device context, so
// the same pixels can be written through a pointer, drawn into with the drawing surface and
// painted onto pictures.
//
// Pixels are blue, green, red; a row takes BytesPerScanLine() = (3 x Width + 3) & ~3 bytes; the
// first row in memory is the bottom row of the image. DIBSectionBitsPtr() and hDC() stay valid
// until the next Create or ClearUp. Coordinates given to the paint members are image
// coordinates, (0, 0) the top-left pixel.
#include "platform/Draw_surface.h"
#include "platform/Frame_decoder.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace wk {

// The bitmap description as Windows lays out BITMAPINFO with one colour entry: the 40-byte
// BITMAPINFOHEADER and a colour entry that is always zero.
struct Bitmap_info {
    int32_t SizeInfoHeader = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    int16_t Planes = 0;
    int16_t BitCount = 0;
    int32_t Compression = 0;
    int32_t SizeImage = 0;
    int32_t XPelsPerMeter = 0;
    int32_t YPelsPerMeter = 0;
    int32_t ClrUsed = 0;
    int32_t ClrImportant = 0;
    uint32_t Colour_entry = 0;

    // The 44 bytes as stored in .bmp files, little-endian.
    std::array<uint8_t, 44> Bytes() const;
};
static_assert(sizeof(Bitmap_info) == 44);

class cDIBSection {
public:
    cDIBSection() = default;
    ~cDIBSection();
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;

    // Whether painting goes through DrawDib (stretching to the destination). DrawDib is always
    // available here; it opens on the first paint.
    bool UseDrawDib() const { return draw_dib_open_; }
    void UseDrawDib(bool use) { draw_dib_open_ = use; }

    // Frees what the instance holds and makes a new picture, all black. False for a width or
    // height of 0 or less, or a picture too big for the 32-bit image size; the instance is
    // then empty.
    bool Create(int32_t width, int32_t height);
    // Makes the instance the size of picture and copies it in. A null picture leaves it empty.
    void CreateFromPicture(const QImage& picture);
    // Frees the picture and its device context. Width, Height and SizeImage keep the last size.
    void ClearUp();

    int32_t BytesPerScanLine() const { return (info_.Width * 3 + 3) & ~3; }
    int32_t Width() const { return info_.Width; }
    int32_t Height() const { return info_.Height; }
    int32_t SizeImage() const { return info_.SizeImage; }
    const Bitmap_info* Addr_InfoHeader() const { return &info_; }
    int16_t BitCount() const { return info_.BitCount; }
    int16_t ClrImportant() const { return static_cast<int16_t>(info_.ClrImportant); }
    int16_t ClrUsed() const { return static_cast<int16_t>(info_.ClrUsed); }
    int32_t Compression() const { return info_.Compression; }
    int16_t Planes() const { return info_.Planes; }
    int16_t SizeInfoHeader() const { return 40; }
    int32_t XPelsPerMeter() const { return info_.XPelsPerMeter; }
    int32_t YPelsPerMeter() const { return info_.YPelsPerMeter; }

    // The device context over the picture; nullptr while there is none.
    platform::Draw_surface* hDC() const { return dc_.get(); }
    // Identifies the picture; nullptr while there is none.
    const void* hDib() const { return bits_.empty() ? nullptr : bits_.data(); }
    // The pixel bits (SizeImage bytes); nullptr while there is none.
    uint8_t* DIBSectionBitsPtr() { return bits_.empty() ? nullptr : bits_.data(); }
    const uint8_t* DIBSectionBitsPtr() const { return bits_.empty() ? nullptr : bits_.data(); }

    // Mean brightness (red + green + blue, 0 to 765) and the mean absolute deviation from it,
    // over every fifth pixel of every fifth row. 0 without a picture.
    int16_t Image_Brightness() const;
    int16_t Image_Contrast() const;

    // Copies from source into the picture at (0, 0); a negative width or height means the
    // picture's own.
    void LoadPictureBlt(const platform::Draw_surface* source, int32_t source_left, int32_t source_top,
                        int32_t width = -1, int32_t height = -1, uint32_t rop = platform::SRCCOPY);

    // Writes the picture as a .bmp file. A file that cannot be created raises error 17; a failed
    // write returns false and leaves no file behind (an existing file keeps its old contents).
    bool SavePicture(const std::string& file_name) const;

    // Draws the top-left part of the picture, the box's size, into the box at 1:1.
    void DIB_DrawDib(platform::Draw_surface& box);
    // Draws the source rectangle stretched over the whole box. Note the order: top before left.
    void DIB_DrawDib2(platform::Draw_surface& box, int16_t source_top, int16_t source_left, int16_t source_width,
                      int16_t source_height);
    // Paints onto dc at the destination rectangle, stretching the picture from (source_left,
    // source_top) at its paint size. A negative width or height means Width or Height. Only the
    // part of the source inside the picture is read. Errors show "DIB_paintpicture error".
    void DIB_PaintPicture(platform::Draw_surface* dc, int32_t left = 0, int32_t top = 0, int32_t width = -1,
                          int32_t height = -1, int32_t source_left = 0, int32_t source_top = 0,
                          uint32_t rop = platform::SRCCOPY);

    // DrawDib's decoding: one compressed frame into the picture at its own size. False when
    // there is no picture or the decoder refuses the frame (the picture keeps what it held).
    bool Decode_frame(platform::Frame_decoder& decoder, std::span<const uint8_t> frame);

    // Every pixel in colour (0x00BBGGRR): what a rectangle over the whole picture with pen and
    // brush of that colour gives, written row by row.
    void Fill(int32_t colour);

    // Random pixels: grey ones, or green and red ones without blue. Seeded from the seconds
    // since midnight.
    void RandomiseBits(bool grey);

    // A new picture of the given size holding this one scaled bilinearly; nullptr when there is
    // no picture or the new one cannot be made.
    std::unique_ptr<cDIBSection> Resample(int32_t new_height, int32_t new_width) const;

private:
    void Draw_dib(platform::Draw_surface& target, int32_t x, int32_t y, int32_t width, int32_t height,
                  int32_t source_x, int32_t source_y, int32_t source_width, int32_t source_height);

    Bitmap_info info_;
    std::vector<uint8_t> bits_;
    std::unique_ptr<platform::Draw_surface> dc_;
    bool draw_dib_open_ = false;
    int32_t paint_width_ = 0;
    int32_t paint_height_ = 0;
};

} // namespace wk
