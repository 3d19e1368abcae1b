#pragma once
// The least a Qt program does to show a frame's fields one after the other: libavcodec's decode,
// each field converted by libswscale into a half-height picture, painted stretched over a plain
// window. The reference for the viewer's own stepping.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include "bench/Bare_dv_decoder.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include <cstdint>
#include <vector>

namespace wk::bench {

class Plain_field_window : public QWidget {
public:
    explicit Plain_field_window(QSize size)
    {
        resize(size);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    ~Plain_field_window() override { sws_freeContext(sws_); }

    // Decodes the frame and shows field 1, then field 2 (or the other way round), each painted
    // before the next is made. False when the frame does not decode or convert.
    bool Step(Bare_dv_decoder& decoder, std::vector<uint8_t>& padded, bool field_1_first = true)
    {
        bool converted = true;
        const bool decoded = decoder.Decode(padded, [&](const AVFrame& f) {
            for (int k = 0; k < 2 && converted; ++k) {
                converted = Convert_field(f, (k == 0) == field_1_first ? 1 : 2);
                repaint();
            }
        });
        return decoded && converted;
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawImage(rect(), field_);
    }

private:
    // Field 1 is rows 1, 3, 5 ... of the frame; 4:2:0 colour rows serve one row of each field.
    bool Convert_field(const AVFrame& f, int field)
    {
        const int half = f.height / 2;
        if (field_.width() != f.width || field_.height() != half) field_ = QImage(f.width, half, QImage::Format_RGB32);
        const bool per_row = f.format != AV_PIX_FMT_YUV420P;
        const AVPixelFormat format = per_row ? AVPixelFormat(f.format) : AV_PIX_FMT_YUV422P;
        sws_ = sws_getCachedContext(sws_, f.width, half, format, f.width, half, AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr,
                                    nullptr, nullptr);
        if (sws_ == nullptr) return false;
        const int first = field == 1 ? 1 : 0, chroma_first = per_row ? first : 0, chroma_step = per_row ? 2 : 1;
        const uint8_t* src[4] = {f.data[0] + first * f.linesize[0], f.data[1] + chroma_first * f.linesize[1],
                                 f.data[2] + chroma_first * f.linesize[2], nullptr};
        const int lines[4] = {2 * f.linesize[0], chroma_step * f.linesize[1], chroma_step * f.linesize[2], 0};
        uint8_t* dst[4] = {field_.bits(), nullptr, nullptr, nullptr};
        const int dst_lines[4] = {int(field_.bytesPerLine()), 0, 0, 0};
        return sws_scale(sws_, src, lines, 0, half, dst, dst_lines) == half;
    }

    QImage field_;
    SwsContext* sws_ = nullptr;
};

} // namespace wk::bench
