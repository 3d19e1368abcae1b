#include "capture_server/Dv_encoder.h"

#include "capture_server/Capture_error.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <atomic>

namespace wk {

namespace {

std::atomic<bool> g_hidden{false};

constexpr int k_Width = 720, k_Height = 576;

const AVCodec* Find_encoder() { return g_hidden ? nullptr : avcodec_find_encoder(AV_CODEC_ID_DVVIDEO); }

} // namespace

std::optional<std::string> Dv_encoder::Missing()
{
    if (Find_encoder()) return std::nullopt;
    return "The DV encoder (libavcodec's dvvideo) is missing: this camera's pictures cannot be recorded";
}

void Dv_encoder::Hide_for_tests(bool hidden) { g_hidden = hidden; }

Dv_encoder::Dv_encoder(bool wide, bool interlaced) : interlaced_(interlaced)
{
    const AVCodec* codec = Find_encoder();
    if (!codec) throw Capture_error(*Missing());
    context_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!context_ || !frame_ || !packet_) throw Capture_error("Could not start the DV encoder: out of memory");
    context_->width = k_Width;
    context_->height = k_Height;
    context_->pix_fmt = AV_PIX_FMT_YUV420P;
    context_->time_base = AVRational{1, 25};
    context_->sample_aspect_ratio = wide ? AVRational{64, 45} : AVRational{16, 15};
    context_->field_order = interlaced ? AV_FIELD_BB : AV_FIELD_PROGRESSIVE;
    context_->thread_count = 1; // each camera encodes on its own streaming thread
    if (avcodec_open2(context_, codec, nullptr) < 0) throw Capture_error("Could not open the DV encoder (dvvideo)");
    frame_->format = AV_PIX_FMT_YUV420P;
    frame_->width = k_Width;
    frame_->height = k_Height;
    frame_->sample_aspect_ratio = context_->sample_aspect_ratio;
}

Dv_encoder::~Dv_encoder()
{
    av_packet_free(&packet_);
    av_frame_free(&frame_);
    avcodec_free_context(&context_);
}

std::span<const uint8_t> Dv_encoder::Encode(std::span<const uint8_t> picture, const Picture_layout& layout)
{
    if (picture.size() < layout.size || layout.planes[0].rows != size_t(k_Height)) return {};
    // The picture's own planes, lent for this call (the encoder gives its frame back before it
    // returns): nothing is copied on the way in.
    auto* bytes = const_cast<uint8_t*>(picture.data());
    av_buffer_unref(&frame_->buf[0]);
    frame_->buf[0] = av_buffer_create(bytes, layout.size, [](void*, uint8_t*) {}, nullptr, AV_BUFFER_FLAG_READONLY);
    if (!frame_->buf[0]) return {};
    for (size_t p = 0; p < 3; ++p) {
        frame_->data[p] = bytes + layout.planes[p].offset;
        frame_->linesize[p] = int(layout.planes[p].stride);
    }
    frame_->interlaced_frame = interlaced_ ? 1 : 0;
    frame_->top_field_first = 0;
    frame_->pts = count_++;
    av_packet_unref(packet_);
    const bool encoded = avcodec_send_frame(context_, frame_) == 0 && avcodec_receive_packet(context_, packet_) == 0;
    av_buffer_unref(&frame_->buf[0]);
    if (!encoded) return {};
    return std::span<const uint8_t>(packet_->data, size_t(packet_->size));
}

} // namespace wk
