#include "platform/Av_frame_decoder.h"

#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace wk::platform {

struct Av_frame_decoder::State {
    const AVCodec* codec = nullptr;
    AVCodecContext* context = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* sws = nullptr;
    int sws_w = 0, sws_h = 0, sws_fmt = -1, out_w = 0, out_h = 0;
    std::vector<uint8_t> padded;

    ~State()
    {
        sws_freeContext(sws);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&context);
    }
};

namespace {

AVCodecID Codec_of(const std::string& fourcc)
{
    if (fourcc.empty()) return AV_CODEC_ID_DVVIDEO;
    if (fourcc.size() != 4) return AV_CODEC_ID_NONE;
    const uint32_t tag = MKTAG(fourcc[0], fourcc[1], fourcc[2], fourcc[3]);
    const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
    AVCodecID id = av_codec_get_id(tables, tag);
    if (id == AV_CODEC_ID_NONE) {
        // Lower and upper case variants of the DV tags.
        std::string lower;
        for (char c : fourcc) lower += char(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (lower == "cdvc" || lower == "dvsd" || lower == "dv25" || lower == "dv50" || lower == "dvhd" ||
            lower == "dvsl" || lower == "vidv")
            id = AV_CODEC_ID_DVVIDEO;
    }
    return id;
}

} // namespace

Av_frame_decoder::Av_frame_decoder(const std::string& fourcc) : state_(std::make_unique<State>())
{
    const AVCodecID id = Codec_of(fourcc);
    if (id == AV_CODEC_ID_NONE) return;
    state_->codec = avcodec_find_decoder(id);
    if (!state_->codec) return;
    state_->context = avcodec_alloc_context3(state_->codec);
    state_->frame = av_frame_alloc();
    state_->packet = av_packet_alloc();
    if (!state_->context || !state_->frame || !state_->packet) return;
    state_->context->thread_count = 1;
    if (avcodec_open2(state_->context, state_->codec, nullptr) < 0) avcodec_free_context(&state_->context);
}

Av_frame_decoder::~Av_frame_decoder() = default;

bool Av_frame_decoder::Is_open() const { return state_->context != nullptr; }

bool Av_frame_decoder::Decode(std::span<const uint8_t> data, uint8_t* bits, int32_t width, int32_t height)
{
    State& s = *state_;
    if (!s.context || !bits || width <= 0 || height <= 0 || data.empty()) return false;
    // The decoder may read a little past the data: give it padded bytes of its own.
    s.padded.resize(data.size() + AV_INPUT_BUFFER_PADDING_SIZE);
    std::memcpy(s.padded.data(), data.data(), data.size());
    std::memset(s.padded.data() + data.size(), 0, AV_INPUT_BUFFER_PADDING_SIZE);
    av_packet_unref(s.packet);
    s.packet->data = s.padded.data();
    s.packet->size = int(data.size());
    if (avcodec_send_packet(s.context, s.packet) < 0) {
        avcodec_flush_buffers(s.context);
        return false;
    }
    const int got = avcodec_receive_frame(s.context, s.frame);
    s.packet->data = nullptr;
    s.packet->size = 0;
    if (got < 0) {
        avcodec_flush_buffers(s.context);
        return false;
    }
    const AVFrame* f = s.frame;
    if (f->width <= 0 || f->height <= 0) return false;
    if (!s.sws || s.sws_w != f->width || s.sws_h != f->height || s.sws_fmt != f->format || s.out_w != width ||
        s.out_h != height) {
        sws_freeContext(s.sws);
        // Without SWS_ACCURATE_RND: a colour level of rounding at most, and the conversion of a
        // PAL frame takes a tenth of the time (frame stepping decodes and converts every frame).
        s.sws = sws_getContext(f->width, f->height, AVPixelFormat(f->format), width, height, AV_PIX_FMT_BGR24,
                               width == f->width && height == f->height ? SWS_POINT : SWS_BICUBIC, nullptr,
                               nullptr, nullptr);
        s.sws_w = f->width;
        s.sws_h = f->height;
        s.sws_fmt = f->format;
        s.out_w = width;
        s.out_h = height;
        if (!s.sws) return false;
    }
    // Bottom-up: start at the last row and step backwards.
    const int stride = Bgr_stride(width);
    uint8_t* dst[4] = {bits + size_t(height - 1) * size_t(stride), nullptr, nullptr, nullptr};
    int dst_stride[4] = {-stride, 0, 0, 0};
    const int rows = sws_scale(s.sws, f->data, f->linesize, 0, f->height, dst, dst_stride);
    av_frame_unref(s.frame);
    if (rows != height) return false;
    ++decoded_;
    return true;
}

} // namespace wk::platform
