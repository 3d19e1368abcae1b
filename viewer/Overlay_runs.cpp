#include "viewer/Overlay_runs.h"

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
    const uint8_t kb = uint8_t(key >> 16), kg = uint8_t(key >> 8), kr = uint8_t(key);
    std::vector<uint8_t> key_row(size_t(w) * 3);
    for (size_t i = 0; i < key_row.size(); i += 3) key_row[i] = kb, key_row[i + 1] = kg, key_row[i + 2] = kr;
    for (int32_t y = 0; y < h; ++y) {
        // Bottom-up: image row y is memory row h - 1 - y.
        const uint8_t* row = bits + size_t(h - 1 - y) * size_t(stride);
        if (std::memcmp(row, key_row.data(), key_row.size()) == 0) continue;
        for (int32_t x = 0; x < w;) {
            const uint8_t* p = row + size_t(x) * 3;
            if (p[0] == kb && p[1] == kg && p[2] == kr) {
                ++x;
                continue;
            }
            Run run{y, x, 0, pixels_.size()};
            for (; x < w; ++x, p += 3) {
                if (p[0] == kb && p[1] == kg && p[2] == kr) break;
                pixels_.push_back(0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
                ++run.count;
            }
            runs_.push_back(run);
        }
    }
    bits_ = overlay.hDib();
    width_ = w;
    height_ = h;
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
