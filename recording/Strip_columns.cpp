#include "recording/Strip_columns.h"

#include "platform/Av_frame_decoder.h"

#include <algorithm>

namespace wk {

Strip_columns::Strip_columns(const Finish_strip_line& line, int32_t frame_width, int32_t frame_height)
{
    const int32_t samples = line.Samples();
    const auto stride = uint32_t(platform::Bgr_stride(frame_width));
    for (auto& o : offsets_) o.resize(size_t(samples));
    for (int32_t i = 0; i < samples; ++i) {
        const Strip_point p = line.Frame_point(i);
        // A field shows each of its rows twice: field 1 rows 1, 3, 5 ..., field 2 rows 0, 2, 4 ...
        const int32_t rows[2] = {std::min(p.y | 1, frame_height - 1), p.y & ~1};
        for (int k = 0; k < 2; ++k)
            offsets_[k][size_t(i)] = uint32_t(frame_height - 1 - rows[k]) * stride + uint32_t(3 * p.x);
    }
}

void Strip_columns::Write(const uint8_t* picture, int32_t frame, uchar* bits, qsizetype row_bytes) const
{
    for (int k = 0; k < 2; ++k) {
        const size_t column = size_t(2 * (frame - 1) + k);
        const std::vector<uint32_t>& offsets = offsets_[k];
        for (size_t i = 0; i < offsets.size(); ++i) {
            const uint8_t* bgr = picture + offsets[i];
            auto* row = reinterpret_cast<QRgb*>(bits + qsizetype(i) * row_bytes);
            row[column] = qRgb(bgr[2], bgr[1], bgr[0]);
        }
    }
}

void Strip_columns::Paint(QRgb colour, int32_t frame, uchar* bits, qsizetype row_bytes) const
{
    for (size_t i = 0; i < offsets_[0].size(); ++i) {
        auto* row = reinterpret_cast<QRgb*>(bits + qsizetype(i) * row_bytes);
        row[2 * (frame - 1)] = row[2 * (frame - 1) + 1] = colour;
    }
}

} // namespace wk
