#include "services/graphics/cDIBSection.h"

#include "platform/Clock.h"
#include "platform/Forms.h"
#include "platform/Image_library.h"
#include "services/Run_time_error.h"
#include "services/Operator_port.h"

#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <random>

namespace wk {
namespace {

constexpr int32_t k_File_header_size = 14;
constexpr int32_t k_Headers_size = k_File_header_size + 44; // file header + bitmap description

void Put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

int16_t Round_to_int16(double value)
{
    return static_cast<int16_t>(std::nearbyint(value));
}

// Every fifth pixel of every fifth memory row, each sample a whole pixel of its row.
template <class Visit>
void For_each_sample(const uint8_t* bits, int32_t width, int32_t height, int32_t stride, Visit&& visit)
{
    for (int32_t row = 0; row < height; row += 5) {
        const uint8_t* line = bits + int64_t(row) * stride;
        for (int32_t x = 0; x < width; x += 5) {
            const uint8_t* pixel = line + x * 3;
            visit(int32_t(pixel[2]), int32_t(pixel[1]), int32_t(pixel[0]));
        }
    }
}

} // namespace

std::array<uint8_t, 44> Bitmap_info::Bytes() const
{
    std::array<uint8_t, 44> b{};
    Put32(&b[0], static_cast<uint32_t>(SizeInfoHeader));
    Put32(&b[4], static_cast<uint32_t>(Width));
    Put32(&b[8], static_cast<uint32_t>(Height));
    Put16(&b[12], static_cast<uint16_t>(Planes));
    Put16(&b[14], static_cast<uint16_t>(BitCount));
    Put32(&b[16], static_cast<uint32_t>(Compression));
    Put32(&b[20], static_cast<uint32_t>(SizeImage));
    Put32(&b[24], static_cast<uint32_t>(XPelsPerMeter));
    Put32(&b[28], static_cast<uint32_t>(YPelsPerMeter));
    Put32(&b[32], static_cast<uint32_t>(ClrUsed));
    Put32(&b[36], static_cast<uint32_t>(ClrImportant));
    Put32(&b[40], Colour_entry);
    return b;
}

cDIBSection::~cDIBSection()
{
    ClearUp();
}

bool cDIBSection::Create(int32_t width, int32_t height)
{
    const bool had_draw_dib = draw_dib_open_;
    // A picture made again at the size it had keeps its memory, cleared: pictures remade for
    // every recording opened then cost no fresh pages.
    std::vector<uint8_t> kept;
    kept.swap(bits_);
    ClearUp();
    // The image size is a 32-bit field of the description and of .bmp files.
    if (width <= 0 || height <= 0 || width > (INT32_MAX - 3) / 3 ||
        int64_t(platform::Image_stride(width)) * height > INT32_MAX - k_Headers_size)
        return false;
    const int32_t stride = platform::Image_stride(width);
    try {
        const size_t bytes = static_cast<size_t>(stride) * static_cast<size_t>(height);
        if (kept.size() == bytes) {
            std::fill(kept.begin(), kept.end(), uint8_t(0));
            bits_.swap(kept);
        } else {
            kept = {};
            bits_.assign(bytes, 0);
        }
        dc_ = std::make_unique<platform::Draw_surface>(bits_.data(), width, height);
    } catch (const std::bad_alloc&) {
        ClearUp();
        return false;
    }
    info_ = Bitmap_info{};
    info_.SizeInfoHeader = 40;
    info_.Width = width;
    info_.Height = height;
    info_.Planes = 1;
    info_.BitCount = 24;
    info_.Compression = 0;
    info_.SizeImage = stride * height;
    paint_width_ = width;
    paint_height_ = height;
    draw_dib_open_ = had_draw_dib;
    return true;
}

void cDIBSection::CreateFromPicture(const QImage& picture)
{
    if (picture.isNull() || !Create(picture.width(), picture.height()))
        return;
    QImage copy = picture.convertToFormat(QImage::Format_RGB32);
    const platform::Draw_surface source(&copy);
    LoadPictureBlt(&source, 0, 0, copy.width(), copy.height(), platform::SRCCOPY);
    paint_width_ = picture.width();
    paint_height_ = picture.height();
}

void cDIBSection::Fill(int32_t colour)
{
    if (bits_.empty()) return;
    const size_t stride = size_t(BytesPerScanLine());
    std::vector<uint8_t> row(stride, 0);
    for (size_t x = 0; x + 3 <= size_t(info_.Width) * 3; x += 3) {
        row[x] = uint8_t(colour >> 16);
        row[x + 1] = uint8_t(colour >> 8);
        row[x + 2] = uint8_t(colour);
    }
    for (size_t at = 0; at + stride <= bits_.size(); at += stride) std::memcpy(bits_.data() + at, row.data(), stride);
}

void cDIBSection::ClearUp()
{
    dc_.reset();
    std::vector<uint8_t>().swap(bits_);
    draw_dib_open_ = false;
}

int16_t cDIBSection::Image_Brightness() const
{
    if (bits_.empty() || Height() == 0)
        return 0;
    int32_t red = 0, green = 0, blue = 0, count = 0;
    For_each_sample(bits_.data(), Width(), Height(), BytesPerScanLine(), [&](int32_t r, int32_t g, int32_t b) {
        red += r;
        green += g;
        blue += b;
        ++count;
    });
    return Round_to_int16(double(red + green + blue) / count);
}

int16_t cDIBSection::Image_Contrast() const
{
    if (bits_.empty() || Height() == 0)
        return 0;
    int32_t sum = 0, count = 0;
    For_each_sample(bits_.data(), Width(), Height(), BytesPerScanLine(), [&](int32_t r, int32_t g, int32_t b) {
        sum += r + g + b;
        ++count;
    });
    const int16_t mean = Round_to_int16(double(sum) / count);
    sum = 0;
    count = 0;
    For_each_sample(bits_.data(), Width(), Height(), BytesPerScanLine(), [&](int32_t r, int32_t g, int32_t b) {
        sum += std::abs(mean - (r + g + b));
        ++count;
    });
    return Round_to_int16(double(sum) / count);
}

void cDIBSection::LoadPictureBlt(const platform::Draw_surface* source, int32_t source_left, int32_t source_top,
                                 int32_t width, int32_t height, uint32_t rop)
{
    if (!dc_)
        return;
    dc_->BitBlt(0, 0, width < 0 ? Width() : width, height < 0 ? Height() : height, source, source_left,
                source_top, rop);
}

bool cDIBSection::SavePicture(const std::string& file_name) const
{
    // Written beside the target and renamed over it once complete, so a failed write never
    // leaves a broken picture file.
    QSaveFile file(QString::fromStdString(file_name));
    if (!file.open(QIODevice::WriteOnly))
        throw Run_time_error(err_Cannot_create_picture, file.errorString().left(256).toStdString(),
                             platform::App().exe_name + ".cDIBSection");
    std::array<uint8_t, k_File_header_size> file_header{};
    file_header[0] = 'B';
    file_header[1] = 'M';
    Put32(&file_header[2], static_cast<uint32_t>(SizeImage()) + k_Headers_size);
    Put32(&file_header[10], k_Headers_size);
    const auto info = info_.Bytes();
    const auto write = [&](const uint8_t* data, int64_t size) {
        return data != nullptr && file.write(reinterpret_cast<const char*>(data), size) == size;
    };
    const bool written = write(file_header.data(), file_header.size()) && write(info.data(), info.size()) &&
                         bits_.size() == static_cast<size_t>(SizeImage()) &&
                         write(DIBSectionBitsPtr(), SizeImage());
    if (!written) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void cDIBSection::Draw_dib(platform::Draw_surface& target, int32_t x, int32_t y, int32_t width, int32_t height,
                           int32_t source_x, int32_t source_y, int32_t source_width, int32_t source_height)
{
    draw_dib_open_ = true;
    if (!dc_)
        return;
    // DrawDib stretches by whole pixels whatever the target's stretch mode.
    const int32_t mode = target.SetStretchBltMode(platform::COLORONCOLOR);
    target.StretchBlt(x, y, width, height, dc_.get(), source_x, source_y, source_width, source_height,
                      platform::SRCCOPY);
    if (mode != 0)
        target.SetStretchBltMode(mode);
}

void cDIBSection::DIB_DrawDib(platform::Draw_surface& box)
{
    Draw_dib(box, 0, 0, box.Width(), box.Height(), 0, 0, box.Width(), box.Height());
}

void cDIBSection::DIB_DrawDib2(platform::Draw_surface& box, int16_t source_top, int16_t source_left,
                               int16_t source_width, int16_t source_height)
{
    Draw_dib(box, 0, 0, box.Width(), box.Height(), source_left, source_top, source_width, source_height);
}

void cDIBSection::DIB_PaintPicture(platform::Draw_surface* dc, int32_t left, int32_t top, int32_t width,
                                   int32_t height, int32_t source_left, int32_t source_top, uint32_t rop)
{
    try {
        draw_dib_open_ = true;
        if (width < 0)
            width = Width();
        if (height < 0)
            height = Height();
        if (dc == nullptr)
            return;
        // DrawDib is always there, so the picture is always stretched and the raster operation
        // is not used (as on a system with DrawDib).
        Draw_dib(*dc, left, top, width, height, source_left, source_top, paint_width_, paint_height_);
    } catch (...) {
        Station_operator().Notice("DIB_paintpicture error");
    }
}

bool cDIBSection::Decode_frame(platform::Frame_decoder& decoder, std::span<const uint8_t> frame)
{
    if (bits_.empty())
        return false;
    return decoder.Decode(frame, bits_.data(), Width(), Height());
}

void cDIBSection::RandomiseBits(bool grey)
{
    if (bits_.empty())
        return;
    const platform::Local_time now = platform::Get_clock().Now();
    std::mt19937 generator(static_cast<uint32_t>(now.hour * 3600 + now.minute * 60 + now.second));
    const auto random_byte = [&] {
        const double unit = generator() / 4294967296.0; // [0, 1)
        return static_cast<uint8_t>(std::nearbyint(unit * 255));
    };
    const int32_t stride = BytesPerScanLine();
    if (grey) {
        for (int32_t row = 0; row < Height(); ++row) {
            for (int32_t x = 0; x < Width(); ++x) {
                uint8_t* pixel = bits_.data() + int64_t(row) * stride + x * 3;
                pixel[0] = pixel[1] = pixel[2] = random_byte();
            }
        }
        return;
    }
    for (int32_t x = 0; x < Width(); ++x) {
        for (int32_t row = 0; row < Height(); ++row) {
            uint8_t* pixel = bits_.data() + int64_t(row) * stride + x * 3;
            pixel[0] = 0;
            pixel[1] = random_byte();
            pixel[2] = random_byte();
        }
    }
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(int32_t new_height, int32_t new_width) const
{
    if (bits_.empty())
        return nullptr;
    auto result = std::make_unique<cDIBSection>();
    if (!result->Create(new_width, new_height))
        return nullptr;
    if (new_width == Width() && new_height == Height()) {
        result->LoadPictureBlt(hDC(), 0, 0, -1, -1, platform::SRCCOPY);
        return result;
    }
    const int32_t width = Width(), height = Height();
    const int32_t stride = BytesPerScanLine();
    const int32_t new_stride = result->BytesPerScanLine();
    const float x_scale = float(width - 1) / float(new_width);
    const float y_scale = float(height - 1) / float(new_height);
    const uint8_t* source = bits_.data();
    uint8_t* target = result->DIBSectionBitsPtr();
    const auto value = [&](int32_t column, int32_t row, int channel) {
        return float(source[int64_t(row) * stride + column * 3 + channel]);
    };
    for (int32_t y = 0; y < new_height; ++y) {
        const float ys = y_scale * float(y);
        const int32_t r = std::min(int32_t(std::floor(ys)), height - 1);
        const float fy = ys - float(r);
        // A picture one row high has no row above: the row is its own neighbour.
        const int32_t r1 = std::min(r + 1, height - 1);
        for (int32_t x = 0; x < new_width; ++x) {
            const float xs = x_scale * float(x);
            const int32_t c = std::min(int32_t(std::floor(xs)), width - 1);
            const float fx = xs - float(c);
            const int32_t c1 = std::min(c + 1, width - 1);
            uint8_t* pixel = target + int64_t(y) * new_stride + x * 3;
            for (int channel = 0; channel < 3; ++channel) {
                const float left = std::nearbyint((1 - fy) * value(c, r, channel) + fy * value(c, r1, channel));
                const float right = std::nearbyint((1 - fy) * value(c1, r, channel) + fy * value(c1, r1, channel));
                const float mixed = std::nearbyint((1 - fx) * left + fx * right);
                pixel[channel] = static_cast<uint8_t>(std::clamp(mixed, 0.0f, 255.0f));
            }
        }
    }
    return result;
}

} // namespace wk
