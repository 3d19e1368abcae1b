#pragma once
// libavcodec's DV decoder alone, on one thread as the recording object runs it: the reference the
// benchmarks measure against.
extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>
#include <vector>

namespace wk::bench {

class Bare_dv_decoder {
public:
    Bare_dv_decoder()
    {
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
        ctx_ = avcodec_alloc_context3(codec);
        ctx_->thread_count = 1;
        avcodec_open2(ctx_, codec, nullptr);
        packet_ = av_packet_alloc();
        picture_ = av_frame_alloc();
    }
    ~Bare_dv_decoder()
    {
        packet_->data = nullptr;
        av_packet_free(&packet_);
        av_frame_free(&picture_);
        avcodec_free_context(&ctx_);
    }
    Bare_dv_decoder(const Bare_dv_decoder&) = delete;
    Bare_dv_decoder& operator=(const Bare_dv_decoder&) = delete;

    // A frame's bytes with the padding the decoder may read past them.
    static std::vector<uint8_t> Padded(const uint8_t* data, size_t size)
    {
        std::vector<uint8_t> v(data, data + size);
        v.resize(size + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        return v;
    }
    // Decodes one padded frame; false when the decoder refuses it.
    bool Decode(std::vector<uint8_t>& padded)
    {
        return Decode(padded, [](const AVFrame&) {});
    }
    // The same, handing the decoded picture to use before it is let go.
    template <class Use> bool Decode(std::vector<uint8_t>& padded, Use&& use)
    {
        packet_->data = padded.data();
        packet_->size = int(padded.size() - AV_INPUT_BUFFER_PADDING_SIZE);
        const bool ok = avcodec_send_packet(ctx_, packet_) >= 0 && avcodec_receive_frame(ctx_, picture_) >= 0;
        if (ok) use(static_cast<const AVFrame&>(*picture_));
        av_frame_unref(picture_);
        return ok;
    }

private:
    AVCodecContext* ctx_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* picture_ = nullptr;
};

} // namespace wk::bench
