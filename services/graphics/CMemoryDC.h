#pragma once
// A memory device context with a bitmap of its own (32-bit, like the screen's), or with a
// bitmap attached from outside. Bitmaps are shared images; a bitmap the class made is emptied
// (deleted) when the class lets go of it, unless TerminateKillsBitmap was set False.
#include "platform/Draw_surface.h"

#include <QImage>

#include <cstdint>
#include <memory>

namespace wk {

class CMemoryDC {
public:
    // A 1 x 1 bitmap, TerminateKillsBitmap True.
    CMemoryDC();
    ~CMemoryDC();
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    // Attaches an outside bitmap; a null or empty one raises 0x80040001 "Invalid handle.".
    void hBitmap(const std::shared_ptr<QImage>& bitmap);
    const std::shared_ptr<QImage>& hBitmap() const { return bitmap_; }

    // Setting a size below 1 keeps the bitmap as it is.
    void Height(int32_t height);
    int32_t Height() const { return description_.height; }
    void Width(int32_t width);
    int32_t Width() const { return description_.width; }

    // Copies the picture into a new bitmap of its size.
    void Picture(const QImage& picture);
    // A copy of the bitmap.
    QImage Picture() const;

    // A negative colour is a system colour: its low 31 bits are the index.
    void PixelColor(int32_t x, int32_t y, int32_t colour);
    int32_t PixelColor(int32_t x, int32_t y) const;

    void TerminateKillsBitmap(bool kills) { terminate_kills_bitmap_ = kills; }
    bool TerminateKillsBitmap() const { return terminate_kills_bitmap_; }

    platform::Draw_surface* hDC() { return &dc_; }

    // The bitmap description as read when the bitmap was selected.
    int32_t bmType() const { return description_.type; }
    int32_t WidthBytes() const { return description_.width_bytes; }
    int16_t Planes() const { return description_.planes; }
    int16_t BitsPerPixel() const { return description_.bits_per_pixel; }
    uint8_t* Bits() const { return description_.bits; }

private:
    struct Description {
        int32_t type = 0;
        int32_t width = 0;
        int32_t height = 0;
        int32_t width_bytes = 0;
        int16_t planes = 0;
        int16_t bits_per_pixel = 0;
        uint8_t* bits = nullptr;
    };
    void Rebuild_Bitmap();
    void Attach_Bitmap(const std::shared_ptr<QImage>& bitmap);
    void Select(const std::shared_ptr<QImage>& bitmap, bool created);
    void Let_go(bool kill);

    std::shared_ptr<QImage> bitmap_;
    bool created_ = false;
    int32_t requested_width_ = 1;
    int32_t requested_height_ = 1;
    bool terminate_kills_bitmap_ = true;
    Description description_;
    platform::Draw_surface dc_;
};

} // namespace wk
