#include "viewer/Overlay_runs.h"

#include "platform/Draw_surface.h"

#include <algorithm>
#include <cstring>

namespace wk {

void Overlay_runs::Forget()
{
    runs_.clear();
    pixels_.clear();
    bits_ = nullptr;
    width_ = height_ = 0;
}

void Overlay_runs::Note(const cDIBSection& overlay, int32_t key)
{
    Forget();
    const uint8_t* bits = overlay.DIBSectionBitsPtr();
    if (bits == nullptr) return;
    const int32_t w = overlay.Width(), h = overlay.Height(), stride = overlay.BytesPerScanLine();
    const auto* drawn = overlay.hDC() != nullptr ? overlay.hDC()->Drawn_rows() : nullptr;
    if (drawn != nullptr && drawn->size() != size_t(h)) drawn = nullptr;
    for (int32_t y = 0; y < h; ++y) {
        const int32_t from = drawn ? std::max((*drawn)[size_t(y)].left, 0) : 0;
        const int32_t to = drawn ? std::min((*drawn)[size_t(y)].right, w) : w;
        // Bottom-up: image row y is memory row h - 1 - y.
        if (from < to) Note_row(bits + size_t(h - 1 - y) * size_t(stride), y, from, to, key);
    }
    bits_ = overlay.hDib();
    width_ = w;
    height_ = h;
}

// The runs of row y between columns from and to.
void Overlay_runs::Note_row(const uint8_t* row, int32_t y, int32_t from, int32_t to, int32_t key)
{
    const uint8_t kb = uint8_t(key >> 16), kg = uint8_t(key >> 8), kr = uint8_t(key);
    for (int32_t x = from; x < to;) {
        const uint8_t* p = row + size_t(x) * 3;
        if (p[0] == kb && p[1] == kg && p[2] == kr) {
            ++x;
            continue;
        }
        Run run{y, x, 0, pixels_.size()};
        for (; x < to; ++x, p += 3) {
            if (p[0] == kb && p[1] == kg && p[2] == kr) break;
            pixels_.push_back(0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
            ++run.count;
        }
        runs_.push_back(run);
    }
}

bool Overlay_runs::Lay_over(QImage& picture, const cDIBSection& overlay) const
{
    if (bits_ == nullptr || bits_ != overlay.hDib() || overlay.Width() != width_ || overlay.Height() != height_ ||
        picture.width() != width_ || picture.height() != height_ || picture.format() != QImage::Format_RGB32)
        return false;
    if (runs_.empty()) return true;
    uchar* first = picture.bits(); // detaches a shared image once, not per row
    const qsizetype step = picture.bytesPerLine();
    for (const Run& r : runs_)
        std::memcpy(first + r.y * step + qsizetype(r.x) * 4, pixels_.data() + r.at, size_t(r.count) * 4);
    return true;
}

} // namespace wk
