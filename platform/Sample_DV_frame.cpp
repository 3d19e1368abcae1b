#include "platform/Sample_DV_frame.h"

#include "platform/Av_library.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <array>
#include <cstring>
#include <vector>

namespace wk::platform {
namespace {

// The libraries' functions, once Av_library::Get() has found them open.
const Av_library& Av() { return *Av_library::Get(); }

struct Yuv {
    uint8_t y, u, v;
};
// Three-quarter colour bars: white, yellow, cyan, green, magenta, red, blue, black.
constexpr std::array<Yuv, 8> k_Bars{{{180, 128, 128}, {162, 44, 142}, {131, 156, 44}, {112, 72, 58},
                                     {84, 184, 198}, {65, 100, 212}, {35, 212, 114}, {16, 128, 128}}};

void Paint_bars(AVFrame* f)
{
    for (int y = 0; y < f->height; ++y)
        for (int x = 0; x < f->width; ++x) {
            const Yuv& c = k_Bars[size_t(x * 8 / f->width)];
            f->data[0][y * f->linesize[0] + x] = c.y;
            if (y % 2 == 0 && x % 2 == 0) {
                f->data[1][(y / 2) * f->linesize[1] + x / 2] = c.u;
                f->data[2][(y / 2) * f->linesize[2] + x / 2] = c.v;
            }
        }
}

std::vector<uint8_t> Encode_bars()
{
    if (Av_library::Get() == nullptr) return {};
    const AVCodec* codec = Av().avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    AVCodecContext* ctx = codec ? Av().avcodec_alloc_context3(codec) : nullptr;
    AVFrame* frame = Av().av_frame_alloc();
    AVPacket* packet = Av().av_packet_alloc();
    std::vector<uint8_t> out;
    if (ctx && frame && packet) {
        ctx->width = 720;
        ctx->height = 576;
        ctx->pix_fmt = AV_PIX_FMT_YUV420P;
        ctx->time_base = AVRational{1, 25};
        frame->format = ctx->pix_fmt;
        frame->width = ctx->width;
        frame->height = ctx->height;
        if (Av().avcodec_open2(ctx, codec, nullptr) >= 0 && Av().av_frame_get_buffer(frame, 0) >= 0) {
            Paint_bars(frame);
            if (Av().avcodec_send_frame(ctx, frame) >= 0 && Av().avcodec_receive_packet(ctx, packet) >= 0 &&
                packet->size == 144000)
                out.assign(packet->data, packet->data + packet->size);
        }
    }
    Av().av_packet_free(&packet);
    Av().av_frame_free(&frame);
    Av().avcodec_free_context(&ctx);
    return out;
}

} // namespace

std::span<const uint8_t> Sample_DV_frame()
{
    static const std::vector<uint8_t> frame = Encode_bars();
    return frame;
}

} // namespace wk::platform
