#pragma once
// The finish strip of the frames the reader chose to decode, laid out as the viewer's strip
// (column k is field k + 1, one row per sample of the line): the columns of frames not decoded
// stay Finish_strip::k_Not_ready, those that could not be decoded Finish_strip::k_Unreadable.
// Threads may put different frames at the same time.
#include "recording/Strip_columns.h"

#include <QImage>

#include <atomic>
#include <cstdint>
#include <vector>

namespace wk {

class Reading_strip {
public:
    // line: sampled in frames of frame_width x frame_height. Without the memory for the strip it
    // has no columns.
    Reading_strip(const Finish_strip_line& line, int32_t frames, int32_t frame_width, int32_t frame_height);

    const QImage& Picture() const { return picture_; }
    int32_t Frames() const { return int32_t(put_.size()); }
    // Whether frame (1-based) was put, readable or not.
    bool Has(int32_t frame) const { return frame >= 1 && frame <= Frames() && put_[size_t(frame - 1)] != 0; }
    // Frame's columns from its decoded picture; picture nullptr: the frame cannot be read.
    void Put(int32_t frame, const uint8_t* picture);
    int32_t Put_count() const { return put_count_.load(); }
    int32_t Unreadable() const { return unreadable_.load(); }

private:
    Strip_columns columns_;
    QImage picture_;
    uchar* bits_ = nullptr;
    qsizetype row_bytes_ = 0;
    std::vector<uint8_t> put_; // per frame; each written by the one thread that puts the frame
    std::atomic<int32_t> put_count_{0}, unreadable_{0};
};

} // namespace wk
