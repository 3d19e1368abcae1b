#include "platform/Draw_surface.h"
#include "platform/Draw_surface_view.h"

#include "platform/Image_library.h"

#include <QPainter>
#include <QtGlobal>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

namespace wk::platform {

using View = detail::Surface_view;

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "32-bit pixels are read as blue, green, red, alpha bytes");


namespace {

// The bytes a view's pixels occupy.
std::pair<const uint8_t*, const uint8_t*> Extent(const View& v)
{
    const uint8_t* first = v.top;
    const uint8_t* last = v.top + ptrdiff_t(v.height - 1) * v.step;
    if (last < first)
        std::swap(first, last);
    return {first, last + ptrdiff_t(v.width) * v.bpp};
}

bool Overlap(const View& a, const View& b)
{
    const auto [a0, a1] = Extent(a);
    const auto [b0, b1] = Extent(b);
    return a0 < b1 && b0 < a1;
}

// n pixels of blue, green, red to blue, green, red, 255. Four bytes are read per pixel, so the
// row's last pixels go one by one.
void Bgr_to_bgra_plain(const uint8_t* from, uint8_t* to, int32_t first, int32_t n)
{
    int32_t i = first;
    for (; i + 1 < n; ++i) {
        uint32_t v;
        std::memcpy(&v, from + 3 * i, 4);
        v |= 0xFF000000u;
        std::memcpy(to + 4 * i, &v, 4);
    }
    for (; i < n; ++i) {
        to[4 * i] = from[3 * i];
        to[4 * i + 1] = from[3 * i + 1];
        to[4 * i + 2] = from[3 * i + 2];
        to[4 * i + 3] = 255;
    }
}

#if defined(__x86_64__) || defined(__i386__)
// Four pixels a step where the processor can shuffle bytes (every frame shown passes here).
__attribute__((target("ssse3"))) void Bgr_to_bgra_ssse3(const uint8_t* from, uint8_t* to, int32_t n)
{
    const __m128i order = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(int32_t(0xFF000000u));
    int32_t i = 0;
    // 16 bytes are read for 4 pixels (12 bytes): stop while 16 bytes still lie in the row.
    for (; i + 6 <= n; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 3 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 4 * i), _mm_or_si128(_mm_shuffle_epi8(v, order), alpha));
    }
    Bgr_to_bgra_plain(from, to, i, n);
}
#endif

void Bgr_to_bgra(const uint8_t* from, uint8_t* to, int32_t n)
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) {
        Bgr_to_bgra_ssse3(from, to, n);
        return;
    }
#endif
    Bgr_to_bgra_plain(from, to, 0, n);
}

// n pixels from (sx, sy) of s to (dx, dy) of d, as Put would write them one by one.
void Copy_pixels(const View& s, int32_t sx, int32_t sy, const View& d, int32_t dx, int32_t dy, int32_t n)
{
    const uint8_t* from = s.At(sx, sy);
    uint8_t* to = d.At(dx, dy);
    if (s.bpp == 3 && d.bpp == 3 && d.alpha < 0 && s.r == d.r && s.g == d.g && s.b == d.b) {
        std::memcpy(to, from, size_t(n) * 3);
        return;
    }
    if (s.bpp == 3 && d.bpp == 4 && s.r == 2 && s.g == 1 && s.b == 0 && d.r == 2 && d.g == 1 && d.b == 0 &&
        d.alpha == 3) {
        // Blue, green, red to blue, green, red, alpha: the DIB sections onto 32-bit images.
        Bgr_to_bgra(from, to, n);
        return;
    }
    for (int32_t i = 0; i < n; ++i, from += s.bpp, to += d.bpp) {
        to[d.r] = from[s.r];
        to[d.g] = from[s.g];
        to[d.b] = from[s.b];
        if (d.alpha >= 0)
            to[d.alpha] = 255;
    }
}

// The same, leaving out the source pixels of the key colour (the overlay laid over a picture).
void Copy_pixels_keyed(const View& s, int32_t sx, int32_t sy, const View& d, int32_t dx, int32_t dy, int32_t n,
                       int32_t key)
{
    const uint8_t* from = s.At(sx, sy);
    uint8_t* to = d.At(dx, dy);
    const uint8_t kr = uint8_t(key), kg = uint8_t(key >> 8), kb = uint8_t(key >> 16);
    if (s.bpp == 3 && d.bpp == 4 && s.r == 2 && s.g == 1 && s.b == 0 && d.r == 2 && d.g == 1 && d.b == 0 &&
        (d.alpha == 3 || d.alpha < 0)) {
        // A DIB section onto a 32-bit image, the usual case, with the byte places fixed. Most of an
        // overlay is key colour: four key pixels (12 bytes) at a time are passed over at once.
        const uint8_t key_bytes[12] = {kb, kg, kr, kb, kg, kr, kb, kg, kr, kb, kg, kr};
        uint64_t key_low;
        uint32_t key_high;
        std::memcpy(&key_low, key_bytes, 8);
        std::memcpy(&key_high, key_bytes + 8, 4);
        int32_t i = 0;
        while (i < n) {
            if (i + 4 <= n) {
                uint64_t low;
                uint32_t high;
                std::memcpy(&low, from, 8);
                std::memcpy(&high, from + 8, 4);
                if (low == key_low && high == key_high) {
                    i += 4, from += 12, to += 16;
                    continue;
                }
            }
            if (!(from[0] == kb && from[1] == kg && from[2] == kr)) {
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
                if (d.alpha == 3)
                    to[3] = 255;
            }
            ++i, from += 3, to += 4;
        }
        return;
    }
    for (int32_t i = 0; i < n; ++i, from += s.bpp, to += d.bpp) {
        if (from[s.r] == kr && from[s.g] == kg && from[s.b] == kb)
            continue;
        to[d.r] = from[s.r];
        to[d.g] = from[s.g];
        to[d.b] = from[s.b];
        if (d.alpha >= 0)
            to[d.alpha] = 255;
    }
}

bool Supported(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
        return true;
    default:
        return false;
    }
}

bool Bottom_up_size_ok(const uint8_t* bits, int32_t width, int32_t height)
{
    return bits != nullptr && width > 0 && height > 0 && width <= (INT32_MAX - 3) / 3 &&
           int64_t(Image_stride(width)) * height <= INT32_MAX;
}


// One channel of a raster operation without pattern; index bits as GDI numbers them
// (bit 0: not source and not destination, 1: not source and destination, 2: source and not
// destination, 3: both).
inline uint8_t Raster(int code, uint8_t s, uint8_t d)
{
    uint8_t out = 0;
    if (code & 1)
        out |= ~s & ~d;
    if (code & 2)
        out |= ~s & d;
    if (code & 4)
        out |= s & ~d;
    if (code & 8)
        out |= s & d;
    return out;
}

inline int32_t Raster_colour(int code, int32_t s, int32_t d)
{
    return Raster(code, uint8_t(s), uint8_t(d)) | (Raster(code, uint8_t(s >> 8), uint8_t(d >> 8)) << 8) |
           (Raster(code, uint8_t(s >> 16), uint8_t(d >> 16)) << 16);
}

} // namespace

Draw_surface::Draw_surface(QImage* image)
{
    Attach(image);
}

Draw_surface::Draw_surface(uint8_t* bits, int32_t width, int32_t height)
{
    Attach_bottom_up(bits, width, height);
}

void Draw_surface::Attach(QImage* image)
{
    Detach();
    if (image == nullptr)
        return;
    if (!image->isNull() && !Supported(image->format()))
        *image = image->convertToFormat(QImage::Format_RGB32);
    target_ = Target::image;
    image_ = image;
    Note_drawn_whole();
}

void Draw_surface::Attach_bottom_up(uint8_t* bits, int32_t width, int32_t height)
{
    Detach();
    if (!Bottom_up_size_ok(bits, width, height))
        return;
    target_ = Target::bottom_up;
    bits_ = bits;
    width_ = width;
    height_ = height;
    Note_drawn_whole();
}

void Draw_surface::Detach()
{
    target_ = Target::none;
    image_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
    if (tracking_)
        drawn_.clear();
}

// ---- Where the drawing went ----

void Draw_surface::Track_drawn()
{
    if (tracking_)
        return;
    tracking_ = true;
    Note_drawn_whole();
}

void Draw_surface::Forget_drawn()
{
    if (tracking_)
        drawn_.assign(static_cast<size_t>(Is_valid() ? Height() : 0), Row_span{});
}

void Draw_surface::Note_drawn_whole()
{
    if (tracking_)
        drawn_.assign(static_cast<size_t>(Is_valid() ? Height() : 0), Row_span{0, Width()});
}

void Draw_surface::Note_drawn(int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    if (!tracking_)
        return;
    const int32_t w = Width(), h = Height();
    // The owner may have put a picture of another size into the image meanwhile.
    if (drawn_.size() != static_cast<size_t>(h)) {
        Note_drawn_whole();
        return;
    }
    const auto l = static_cast<int32_t>(std::clamp<int64_t>(left, 0, w));
    const auto r = static_cast<int32_t>(std::clamp<int64_t>(right, 0, w));
    const auto t = static_cast<int32_t>(std::clamp<int64_t>(top, 0, h));
    const auto b = static_cast<int32_t>(std::clamp<int64_t>(bottom, 0, h));
    if (l >= r)
        return;
    for (int32_t y = t; y < b; ++y) {
        Row_span& s = drawn_[static_cast<size_t>(y)];
        if (s.left >= s.right)
            s = {l, r};
        else
            s = {std::min(s.left, l), std::max(s.right, r)};
    }
}

bool Draw_surface::Is_valid() const
{
    switch (target_) {
    case Target::image: return !image_->isNull();
    case Target::bottom_up: return true;
    default: return false;
    }
}

int32_t Draw_surface::Width() const
{
    return target_ == Target::image ? image_->width() : width_;
}

int32_t Draw_surface::Height() const
{
    return target_ == Target::image ? image_->height() : height_;
}

View Draw_surface::Read_view() const
{
    View v;
    if (target_ == Target::bottom_up) {
        const ptrdiff_t stride = Image_stride(width_);
        v.top = bits_ + (height_ - 1) * stride;
        v.step = -stride;
        v.width = width_;
        v.height = height_;
        return v;
    }
    if (target_ != Target::image || image_->isNull())
        return v;
    // The owner may have put another picture into the image since it was attached.
    if (!Supported(image_->format()))
        *image_ = image_->convertToFormat(QImage::Format_RGB32);
    v.top = const_cast<uint8_t*>(image_->constBits());
    v.step = image_->bytesPerLine();
    v.width = image_->width();
    v.height = image_->height();
    switch (image_->format()) {
    case QImage::Format_RGB888:
        v.r = 0, v.g = 1, v.b = 2;
        break;
    case QImage::Format_BGR888:
        break;
    default:
        v.bpp = 4;
        v.alpha = 3;
        break;
    }
    return v;
}

View Draw_surface::Write_view()
{
    View v = Read_view();
    if (target_ == Target::image && v.top != nullptr)
        v.top = image_->bits(); // detaches an image shared with a copy
    return v;
}

bool Draw_surface::Fail(int32_t code) const
{
    last_error_ = code;
    return false;
}

int32_t Draw_surface::GetPixel(int32_t x, int32_t y) const
{
    const View v = Read_view();
    if (!v.Inside(x, y))
        return CLR_INVALID;
    return v.Get(x, y);
}

int32_t Draw_surface::SetPixel(int32_t x, int32_t y, int32_t colour)
{
    if (!Is_valid()) {
        Fail(ERROR_INVALID_HANDLE);
        return -1;
    }
    const View v = Write_view();
    if (!v.Inside(x, y))
        return -1;
    v.Put(x, y, colour);
    Note_drawn(x, y, int64_t(x) + 1, int64_t(y) + 1);
    return colour & 0xFFFFFF;
}

Pen Draw_surface::SelectPen(const Pen& pen)
{
    return std::exchange(pen_, pen);
}

Brush Draw_surface::SelectBrush(const Brush& brush)
{
    return std::exchange(brush_, brush);
}

int32_t Draw_surface::SetStretchBltMode(int32_t mode)
{
    if (mode < BLACKONWHITE || mode > HALFTONE) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return std::exchange(stretch_mode_, mode);
}

bool Draw_surface::MoveToEx(int32_t x, int32_t y, Point* previous)
{
    if (previous != nullptr)
        *previous = position_;
    position_ = {x, y};
    return Is_valid() || Fail(ERROR_INVALID_HANDLE);
}


bool Draw_surface::BitBlt(int32_t x, int32_t y, int32_t width, int32_t height, const Draw_surface* source,
                          int32_t source_x, int32_t source_y, uint32_t rop)
{
    return Blit(x, y, width, height, source, source_x, source_y, width, height, rop, false, nullptr);
}

bool Draw_surface::StretchBlt(int32_t x, int32_t y, int32_t width, int32_t height, const Draw_surface* source,
                              int32_t source_x, int32_t source_y, int32_t source_width, int32_t source_height,
                              uint32_t rop)
{
    return Blit(x, y, width, height, source, source_x, source_y, source_width, source_height, rop,
                stretch_mode_ == HALFTONE, nullptr);
}

bool Draw_surface::TransparentBlt(int32_t x, int32_t y, int32_t width, int32_t height, const Draw_surface* source,
                                  int32_t source_x, int32_t source_y, int32_t source_width, int32_t source_height,
                                  int32_t transparent)
{
    // Never smoothed: a blended edge would no longer match the transparent colour.
    return Blit(x, y, width, height, source, source_x, source_y, source_width, source_height, SRCCOPY, false,
                &transparent);
}

bool Draw_surface::Blit(int32_t x, int32_t y, int32_t width, int32_t height, const Draw_surface* source,
                        int32_t source_x, int32_t source_y, int32_t source_width, int32_t source_height,
                        uint32_t rop, bool smooth, const int32_t* transparent)
{
    if (!Is_valid())
        return Fail(ERROR_INVALID_HANDLE);
    const int index = static_cast<int>((rop >> 16) & 0xFF);
    if ((index >> 4) != (index & 0xF))
        return Fail(ERROR_INVALID_PARAMETER); // needs a brush pattern
    const int code = index & 0xF;
    const bool uses_source = (code & 3) != (code >> 2);
    if (width < 0 || height < 0 || source_width < 0 || source_height < 0)
        return Fail(ERROR_INVALID_PARAMETER);
    const View d = Write_view();

    if (!uses_source) {
        const int32_t x0 = std::max(x, 0), y0 = std::max(y, 0);
        const int32_t x1 = static_cast<int32_t>(std::min<int64_t>(int64_t(x) + width, d.width));
        const int32_t y1 = static_cast<int32_t>(std::min<int64_t>(int64_t(y) + height, d.height));
        Note_drawn(x0, y0, x1, y1);
        for (int32_t py = y0; py < y1; ++py)
            for (int32_t px = x0; px < x1; ++px)
                d.Put(px, py, Raster_colour(code, 0, d.Get(px, py)));
        return true;
    }
    if (source == nullptr || !source->Is_valid())
        return Fail(ERROR_INVALID_HANDLE);
    if (width == 0 || height == 0 || source_width == 0 || source_height == 0)
        return true;

    // Only the part of the source rectangle inside the source picture is read; it lands where it
    // would have landed had the whole rectangle been there.
    const View s = source->Read_view();
    const int64_t cx0 = std::max<int64_t>(source_x, 0);
    const int64_t cy0 = std::max<int64_t>(source_y, 0);
    const int64_t cx1 = std::min<int64_t>(int64_t(source_x) + source_width, s.width);
    const int64_t cy1 = std::min<int64_t>(int64_t(source_y) + source_height, s.height);
    if (cx0 >= cx1 || cy0 >= cy1)
        return true;
    const int64_t X0 = x + (cx0 - source_x) * width / source_width;
    const int64_t X1 = x + (cx1 - source_x) * width / source_width;
    const int64_t Y0 = y + (cy0 - source_y) * height / source_height;
    const int64_t Y1 = y + (cy1 - source_y) * height / source_height;
    const int32_t vx0 = static_cast<int32_t>(std::max<int64_t>(X0, 0));
    const int32_t vy0 = static_cast<int32_t>(std::max<int64_t>(Y0, 0));
    const int32_t vx1 = static_cast<int32_t>(std::min<int64_t>(X1, d.width));
    const int32_t vy1 = static_cast<int32_t>(std::min<int64_t>(Y1, d.height));
    if (vx0 >= vx1 || vy0 >= vy1)
        return true;
    Note_drawn(vx0, vy0, vx1, vy1);

    // A plain copy at 1:1 between two pictures (every frame and field shown) goes row by row.
    if (code == 0xC && transparent == nullptr && X1 - X0 == cx1 - cx0 && Y1 - Y0 == cy1 - cy0 && !Overlap(s, d)) {
        const int32_t n = vx1 - vx0;
        for (int32_t py = vy0; py < vy1; ++py)
            Copy_pixels(s, static_cast<int32_t>(cx0 + (vx0 - X0)), static_cast<int32_t>(cy0 + (py - Y0)), d, vx0, py,
                        n);
        return true;
    }

    // The overlay onto the picture: the same, pixel by pixel past the key colour.
    if (code == 0xC && transparent != nullptr && X1 - X0 == cx1 - cx0 && Y1 - Y0 == cy1 - cy0 && !Overlap(s, d)) {
        const int32_t n = vx1 - vx0;
        for (int32_t py = vy0; py < vy1; ++py)
            Copy_pixels_keyed(s, static_cast<int32_t>(cx0 + (vx0 - X0)), static_cast<int32_t>(cy0 + (py - Y0)), d,
                              vx0, py, n, *transparent & 0xFFFFFF);
        return true;
    }

    // The source part is copied out first, so a surface may blit onto itself.
    QImage part(static_cast<int>(cx1 - cx0), static_cast<int>(cy1 - cy0), QImage::Format_RGB32);
    if (part.isNull())
        return Fail(ERROR_INVALID_PARAMETER);
    for (int32_t row = 0; row < part.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(part.scanLine(row));
        for (int32_t col = 0; col < part.width(); ++col) {
            const int32_t c = s.Get(static_cast<int32_t>(cx0) + col, static_cast<int32_t>(cy0) + row);
            line[col] = qRgb(c & 255, (c >> 8) & 255, (c >> 16) & 255);
        }
    }
    QImage shown = part;
    int32_t offset_x = static_cast<int32_t>(vx0 - X0), offset_y = static_cast<int32_t>(vy0 - Y0);
    if (X1 - X0 != part.width() || Y1 - Y0 != part.height()) {
        // Scaled by Qt, only over the visible part of the destination.
        shown = QImage(vx1 - vx0, vy1 - vy0, QImage::Format_RGB32);
        if (shown.isNull())
            return Fail(ERROR_INVALID_PARAMETER);
        QPainter painter(&shown);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        painter.drawImage(QRectF(double(X0 - vx0), double(Y0 - vy0), double(X1 - X0), double(Y1 - Y0)), part);
        painter.end();
        offset_x = offset_y = 0;
    }
    const int32_t key = transparent != nullptr ? (*transparent & 0xFFFFFF) : -1;
    for (int32_t py = vy0; py < vy1; ++py) {
        const auto* line = reinterpret_cast<const QRgb*>(shown.constScanLine(py - vy0 + offset_y));
        for (int32_t px = vx0; px < vx1; ++px) {
            const QRgb c = line[px - vx0 + offset_x];
            const int32_t colour = Rgb(qRed(c), qGreen(c), qBlue(c));
            if (colour == key)
                continue;
            d.Put(px, py, code == 0xC ? colour : Raster_colour(code, colour, d.Get(px, py)));
        }
    }
    return true;
}

Pixel_rows Draw_surface::Write_rows()
{
    if (!Is_valid())
        return {};
    const View v = Write_view();
    Note_drawn_whole();
    return Pixel_rows{v.top, v.step, v.width, v.height, v.bpp, v.r, v.g, v.b};
}

QImage Draw_surface::Image_copy() const
{
    const View v = Read_view();
    if (v.top == nullptr)
        return {};
    QImage copy(v.width, v.height, QImage::Format_RGB32);
    for (int32_t y = 0; y < v.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int32_t x = 0; x < v.width; ++x) {
            const int32_t c = v.Get(x, y);
            line[x] = qRgb(c & 255, (c >> 8) & 255, (c >> 16) & 255);
        }
    }
    return copy;
}

int32_t GetSysColor(int32_t index)
{
    // The classic Windows scheme, indexed by COLOR_SCROLLBAR (0) .. COLOR_MENUBAR (30).
    static constexpr std::array<int32_t, 31> colours = {
        Rgb(212, 208, 200), Rgb(58, 110, 165),  Rgb(10, 36, 106),    Rgb(128, 128, 128), Rgb(212, 208, 200),
        Rgb(255, 255, 255), Rgb(0, 0, 0),       Rgb(0, 0, 0),        Rgb(0, 0, 0),       Rgb(255, 255, 255),
        Rgb(212, 208, 200), Rgb(212, 208, 200), Rgb(128, 128, 128), Rgb(10, 36, 106),   Rgb(255, 255, 255),
        Rgb(212, 208, 200), Rgb(128, 128, 128), Rgb(128, 128, 128), Rgb(0, 0, 0),       Rgb(212, 208, 200),
        Rgb(255, 255, 255), Rgb(64, 64, 64),    Rgb(212, 208, 200), Rgb(0, 0, 0),       Rgb(255, 255, 225),
        Rgb(180, 180, 180), Rgb(0, 0, 128),     Rgb(166, 202, 240), Rgb(192, 192, 192), Rgb(10, 36, 106),
        Rgb(212, 208, 200)};
    if (index < 0 || index >= static_cast<int32_t>(colours.size()))
        return 0;
    return colours[static_cast<size_t>(index)];
}

} // namespace wk::platform
