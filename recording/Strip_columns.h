#pragma once
// The two columns of the finish strip a decoded frame gives: the pixels of its two fields at each
// sample of the goal line. Shared by the viewer's strip and by the finish reader, which builds
// only the columns of the frames it chose to decode.
#include "recording/Finish_strip_line.h"

#include <QImage>

#include <cstdint>
#include <vector>

namespace wk {

class Strip_columns {
public:
    // line: sampled in frames of frame_width x frame_height.
    Strip_columns(const Finish_strip_line& line, int32_t frame_width, int32_t frame_height);

    int32_t Samples() const { return int32_t(offsets_[0].size()); }
    // Frame's (1-based) columns 2 (frame - 1) and 2 (frame - 1) + 1 of a strip whose rows start
    // at bits, row_bytes apart, from its decoded bottom-up picture (three bytes a pixel).
    void Write(const uint8_t* picture, int32_t frame, uchar* bits, qsizetype row_bytes) const;
    // Both columns of the frame in one colour.
    void Paint(QRgb colour, int32_t frame, uchar* bits, qsizetype row_bytes) const;

private:
    // Byte offsets into the decoded picture of each sample, for field 1 and field 2.
    std::vector<uint32_t> offsets_[2];
};

} // namespace wk
