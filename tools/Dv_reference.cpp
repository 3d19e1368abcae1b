#include "tools/Dv_reference.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <chrono>
#include <cstring>
#include <ctime>
#include <vector>

namespace wk {

namespace {

constexpr int k_In_w = 640, k_In_h = 480, k_Out_w = 720, k_Out_h = 576;

double Thread_cpu_seconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// A moving picture, so that no two are alike.
void Draw(AVFrame* in, int n)
{
    for (int y = 0; y < k_In_h; ++y) std::memset(in->data[0] + y * in->linesize[0], (y + n) & 0xff, k_In_w);
    for (int p = 1; p < 3; ++p)
        for (int y = 0; y < k_In_h / 2; ++y) std::memset(in->data[p] + y * in->linesize[p], 128 + p, k_In_w / 2);
}

// The rows of one field (0 top, 1 bottom) of every plane of from into to.
void Weave_field(const AVFrame* from, AVFrame* to, int parity)
{
    for (int p = 0; p < 3; ++p) {
        const int rows = p ? k_Out_h / 2 : k_Out_h, bytes = p ? k_Out_w / 2 : k_Out_w;
        for (int y = parity; y < rows; y += 2)
            std::memcpy(to->data[p] + y * to->linesize[p], from->data[p] + y * from->linesize[p], size_t(bytes));
    }
}

AVFrame* Picture(int w, int h)
{
    AVFrame* f = av_frame_alloc();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = w;
    f->height = h;
    av_frame_get_buffer(f, 0);
    return f;
}

} // namespace

Dv_reference_camera::Dv_reference_camera() : thread_([this] { Run(); }) {}

Dv_reference_camera::~Dv_reference_camera() { Stop(); }

void Dv_reference_camera::Stop()
{
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void Dv_reference_camera::Run()
{
    const double cpu_start = Thread_cpu_seconds();
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    AVCodecContext* c = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!c) return;
    c->width = k_Out_w;
    c->height = k_Out_h;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, 25};
    c->sample_aspect_ratio = AVRational{16, 15};
    c->thread_count = 1;
    SwsContext* scale = sws_getContext(k_In_w, k_In_h, AV_PIX_FMT_YUV420P, k_Out_w, k_Out_h, AV_PIX_FMT_YUV420P,
                                       SWS_BILINEAR, nullptr, nullptr, nullptr);
    AVFrame *in = Picture(k_In_w, k_In_h), *scaled = Picture(k_Out_w, k_Out_h), *frame = Picture(k_Out_w, k_Out_h);
    AVPacket* packet = av_packet_alloc();
    if (avcodec_open2(c, codec, nullptr) == 0 && scale) {
        auto next = std::chrono::steady_clock::now();
        for (int n = 0; !stop_; ++n) {
            next += std::chrono::milliseconds(20);
            std::this_thread::sleep_until(next);
            Draw(in, n);
            sws_scale(scale, in->data, in->linesize, 0, k_In_h, scaled->data, scaled->linesize);
            Weave_field(scaled, frame, n % 2 == 0 ? 1 : 0); // the earlier picture in the bottom field
            if (n % 2 == 0) continue;
            frame->interlaced_frame = 1;
            frame->top_field_first = 0;
            frame->pts = n / 2;
            if (avcodec_send_frame(c, frame) == 0 && avcodec_receive_packet(c, packet) == 0) ++frames_;
            av_packet_unref(packet);
        }
    }
    av_packet_free(&packet);
    av_frame_free(&in);
    av_frame_free(&scaled);
    av_frame_free(&frame);
    sws_freeContext(scale);
    avcodec_free_context(&c);
    cpu_seconds_ = Thread_cpu_seconds() - cpu_start;
}

} // namespace wk
