#include "reading/Reading_strip.h"

#include "recording/Finish_strip.h"

#include <algorithm>

namespace wk {

Reading_strip::Reading_strip(const Finish_strip_line& line, int32_t frames, int32_t frame_width, int32_t frame_height)
    : columns_(line, frame_width, frame_height)
{
    picture_ = QImage(std::max(1, 2 * frames), columns_.Samples(), QImage::Format_RGB32);
    if (picture_.isNull()) return;
    picture_.fill(Finish_strip::k_Not_ready);
    // Taken once here: threads write through it and nothing may detach the picture after.
    bits_ = picture_.bits();
    row_bytes_ = picture_.bytesPerLine();
    put_.assign(size_t(std::max(frames, 0)), 0);
}

void Reading_strip::Put(int32_t frame, const uint8_t* picture)
{
    if (frame < 1 || frame > Frames() || put_[size_t(frame - 1)] != 0) return;
    if (picture) {
        columns_.Write(picture, frame, bits_, row_bytes_);
    } else {
        columns_.Paint(Finish_strip::k_Unreadable, frame, bits_, row_bytes_);
        ++unreadable_;
    }
    put_[size_t(frame - 1)] = 1;
    ++put_count_;
}

} // namespace wk
