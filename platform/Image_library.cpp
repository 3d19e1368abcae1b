#include "platform/Image_library.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace wk::platform {
namespace {

void Check_picture(const void* bits, int32_t width, int32_t height, const char* routine)
{
    if (bits == nullptr)
        throw std::invalid_argument(std::string(routine) + ": no picture");
    if (width <= 0 || height <= 0 || width > (INT32_MAX - 3) / 3)
        throw std::invalid_argument(std::string(routine) + ": bad picture size " + std::to_string(width) + " x " +
                                    std::to_string(height));
}

// Address of a pixel by memory row (0 = bottom row of the image) and column.
inline const uint8_t* Pixel(const uint8_t* bits, int64_t stride, int64_t row, int64_t x)
{
    return bits + row * stride + x * 3;
}
inline uint8_t* Pixel(uint8_t* bits, int64_t stride, int64_t row, int64_t x)
{
    return bits + row * stride + x * 3;
}

// Memory row of image row y (counted from the top) in a bottom-up picture.
inline int32_t Memory_row(int32_t height, int32_t y)
{
    return height - 1 - y;
}

// The image row (from the top) that holds image row y's pixels once the field is doubled.
inline int32_t Field_source_row(int32_t height, int32_t y, int field)
{
    int32_t row = field == 1 ? (y | 1) : (y & ~1);
    if (row >= height) // odd height: the last row has no field-1 partner below it
        row -= 2;
    return std::max(row, 0);
}

} // namespace

void Rotate90(const uint8_t* source, uint8_t* destination, int32_t width, int32_t height, int32_t flip)
{
    Check_picture(source, width, height, "Rotate90");
    Check_picture(destination, height, width, "Rotate90");
    const int64_t source_stride = Image_stride(width);
    const int64_t destination_stride = Image_stride(height);
    // Clockwise: image pixel (x, y) goes to (height - 1 - y, x). In bottom-up memory rows that is
    // destination row (width - 1 - x), column = the source's memory row.
    for (int32_t row = 0; row < height; ++row) {
        const int32_t column = flip != 0 ? height - 1 - row : row;
        for (int32_t x = 0; x < width; ++x)
            std::memcpy(Pixel(destination, destination_stride, width - 1 - x, column),
                        Pixel(source, source_stride, row, x), 3);
    }
}

void FlipImageRGB24(uint8_t* bits, int16_t width, int16_t height)
{
    Check_picture(bits, width, height, "FlipImageRGB24");
    const int64_t stride = Image_stride(width);
    for (int32_t row = 0; row < height; ++row) {
        for (int32_t left = 0, right = width - 1; left < right; ++left, --right) {
            uint8_t* a = Pixel(bits, stride, row, left);
            uint8_t* b = Pixel(bits, stride, row, right);
            std::swap_ranges(a, a + 3, b);
        }
    }
}

void ABlend(const uint8_t* source, uint8_t* target, const uint8_t* background, int16_t width, int16_t height,
            int16_t factor)
{
    Check_picture(source, width, height, "ABlend");
    Check_picture(target, width, height, "ABlend");
    Check_picture(background, width, height, "ABlend");
    const int threshold = std::max<int>(factor, 0);
    const int64_t stride = Image_stride(width);
    for (int32_t row = 0; row < height; ++row) {
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* s = Pixel(source, stride, row, x);
            const uint8_t* g = Pixel(background, stride, row, x);
            const int difference = std::abs(s[0] - g[0]) + std::abs(s[1] - g[1]) + std::abs(s[2] - g[2]);
            if (difference > threshold)
                std::memcpy(Pixel(target, stride, row, x), s, 3);
        }
    }
}

void LBlend(const uint8_t* source, uint8_t* target, int16_t width, int16_t height, int16_t kind)
{
    Check_picture(source, width, height, "LBlend");
    Check_picture(target, width, height, "LBlend");
    if (kind != 1 && kind != 2)
        throw std::invalid_argument("LBlend: kind must be 1 or 2, not " + std::to_string(kind));
    const int64_t stride = Image_stride(width);
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* s = source + row * stride;
        uint8_t* t = target + row * stride;
        for (int32_t i = 0; i < width * 3; ++i)
            t[i] = kind == 1 ? std::max(s[i], t[i]) : std::min(s[i], t[i]);
    }
}

void deinterlaceFrame2(const uint8_t* source, uint8_t* destination, int16_t width, int16_t height,
                       int16_t field)
{
    Check_picture(source, width, height, "deinterlaceFrame2");
    Check_picture(destination, width, height, "deinterlaceFrame2");
    if (field != 1 && field != 2)
        throw std::invalid_argument("deinterlaceFrame2: field must be 1 or 2, not " + std::to_string(field));
    const int64_t stride = Image_stride(width);
    const size_t row_bytes = static_cast<size_t>(width) * 3;
    // Rows of the field map to themselves, so working in place never reads a row already written.
    for (int32_t y = 0; y < height; ++y) {
        const int32_t from = Field_source_row(height, y, field);
        if (source == destination && from == y)
            continue;
        std::memmove(Pixel(destination, stride, Memory_row(height, y), 0),
                     Pixel(source, stride, Memory_row(height, from), 0), row_bytes);
    }
}

void linedouble(uint8_t* bits, int16_t width, int16_t height)
{
    deinterlaceFrame2(bits, bits, width, height, 1);
}

const char* BlendVersion()
{
    static const char text[64] = "Wakeline image library 1.0";
    return text;
}

int64_t GetCycleCount()
{
#if defined(__x86_64__) || defined(__i386__)
    return static_cast<int64_t>(__rdtsc());
#else
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
#endif
}

} // namespace wk::platform
