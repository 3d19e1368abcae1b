#include "services/graphics/CMemoryDC.h"

#include "services/Module_error.h"
#include "services/Run_time_error.h"

namespace wk {
namespace {

constexpr int32_t k_Object_error = static_cast<int32_t>(0x80040000u);

} // namespace

CMemoryDC::CMemoryDC()
{
    try {
        Rebuild_Bitmap();
    } catch (...) {
        Report_current_exception("Class_Initialize of Class Module CMemoryDC");
    }
}

CMemoryDC::~CMemoryDC()
{
    try {
        Let_go(terminate_kills_bitmap_);
    } catch (...) {
        Report_current_exception("Class_Terminate of Class Module CMemoryDC");
    }
}

void CMemoryDC::Let_go(bool kill)
{
    dc_.Detach();
    if (bitmap_ && created_ && kill)
        *bitmap_ = QImage(); // deleted: whoever still holds it sees an empty bitmap
    bitmap_.reset();
    created_ = false;
}

void CMemoryDC::Select(const std::shared_ptr<QImage>& bitmap, bool created)
{
    bitmap_ = bitmap;
    created_ = created;
    dc_.Attach(bitmap_.get()); // converts an outside bitmap to a format it can draw on
    description_ = Description{};
    description_.width = bitmap_->width();
    description_.height = bitmap_->height();
    description_.width_bytes = static_cast<int32_t>(bitmap_->bytesPerLine());
    description_.planes = 1;
    description_.bits_per_pixel = static_cast<int16_t>(bitmap_->depth());
    description_.bits = bitmap_->bits();
}

void CMemoryDC::Rebuild_Bitmap()
{
    if (requested_width_ < 1 || requested_height_ < 1)
        return;
    auto bitmap = std::make_shared<QImage>(requested_width_, requested_height_, QImage::Format_RGB32);
    if (bitmap->isNull())
        throw Run_time_error(err_Out_of_memory, "Out of memory", "CMemoryDC");
    bitmap->fill(Qt::black);
    Let_go(true);
    Select(bitmap, true);
}

void CMemoryDC::Attach_Bitmap(const std::shared_ptr<QImage>& bitmap)
{
    Let_go(true);
    Select(bitmap, false);
    requested_width_ = description_.width;
    requested_height_ = description_.height;
}

void CMemoryDC::hBitmap(const std::shared_ptr<QImage>& bitmap)
{
    if (!bitmap || bitmap->isNull())
        throw Run_time_error(k_Object_error + 1, "Invalid handle.", "CMemoryDC.hBitmap");
    Attach_Bitmap(bitmap);
}

void CMemoryDC::Height(int32_t height)
{
    requested_height_ = height;
    Rebuild_Bitmap();
}

void CMemoryDC::Width(int32_t width)
{
    requested_width_ = width;
    Rebuild_Bitmap();
}

void CMemoryDC::Picture(const QImage& picture)
{
    CMemoryDC source;
    source.hBitmap(std::make_shared<QImage>(picture));
    requested_height_ = source.Height();
    requested_width_ = source.Width();
    Rebuild_Bitmap();
    dc_.BitBlt(0, 0, Width(), Height(), source.hDC(), 0, 0, platform::SRCCOPY);
}

QImage CMemoryDC::Picture() const
{
    return dc_.Image_copy();
}

void CMemoryDC::PixelColor(int32_t x, int32_t y, int32_t colour)
{
    if (colour < 0)
        colour = platform::GetSysColor(colour & 0x7FFFFFFF);
    dc_.SetPixel(x, y, colour);
}

int32_t CMemoryDC::PixelColor(int32_t x, int32_t y) const
{
    return dc_.GetPixel(x, y);
}

} // namespace wk
