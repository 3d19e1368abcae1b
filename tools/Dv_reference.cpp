#include "tools/Dv_reference.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <chrono>
#include <cstdint>
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

// The fake cameras' picture (GStreamer's SMPTE test pattern): colour bars, a band of reversed
// bars, then -I, white, +Q, blacks and a patch of fresh noise, all moving sideways at the
// camera's speed, with the picture's number in a band of black and white cells. DV's cost
// depends on what it encodes, so the yardstick encodes the same picture the server does.
struct Bar {
    uint8_t y, u, v;
};
constexpr Bar k_Top[] = {{235, 128, 128}, {210, 16, 146}, {170, 166, 16}, {145, 54, 34},
                         {106, 202, 222}, {81, 90, 240},  {41, 240, 110}};
constexpr Bar k_Black{16, 128, 128};
constexpr Bar k_Bottom[] = {{16, 198, 21}, {235, 128, 128}, {16, 235, 198}, {0, 128, 128}, {16, 128, 128}, {32, 128, 128}};

// What the pattern has at x of a picture w wide, in its upper (0), middle (1) or lower (2) band.
Bar Bar_at(int band, int x, int w)
{
    const int bar = x * 7 / w;
    if (band == 0) return k_Top[bar];
    if (band == 1) return bar % 2 ? k_Black : k_Top[6 - bar];
    if (x < w / 2) return k_Bottom[x * 6 / w];
    return x < w * 3 / 4 ? k_Bottom[3 + (x - w / 2) * 12 / w] : k_Black; // the noise is drawn over it
}

// One row of a band, twice over so that any shift of it is one copy; plane 0 is luma.
std::vector<uint8_t> Band_row(int band, int plane, int width)
{
    std::vector<uint8_t> row(size_t(2 * width));
    for (int x = 0; x < 2 * width; ++x) {
        const Bar b = Bar_at(band, x % width, width);
        row[size_t(x)] = plane == 0 ? b.y : plane == 1 ? b.u : b.v;
    }
    return row;
}

class Test_picture {
public:
    explicit Test_picture(int camera_speed) : speed_(camera_speed)
    {
        for (int band = 0; band < 3; ++band)
            for (int p = 0; p < 3; ++p) rows_[band][p] = Band_row(band, p, p ? k_In_w / 2 : k_In_w);
    }
    void Draw(AVFrame* in, int n)
    {
        for (int p = 0; p < 3; ++p) {
            const int w = p ? k_In_w / 2 : k_In_w, h = p ? k_In_h / 2 : k_In_h;
            const int shift = (n * speed_ / (p ? 2 : 1)) % w;
            for (int y = 0; y < h; ++y) {
                const int band = y < h * 2 / 3 ? 0 : y < h * 3 / 4 ? 1 : 2;
                if (band == 2 && p == 0) Noise(rows_[2][0]);
                std::memcpy(in->data[p] + y * in->linesize[p], rows_[band][p].data() + shift, size_t(w));
            }
        }
        Draw_number(in, n);
    }

private:
    // Fresh grey noise in the last quarter of the lower band's row, both copies.
    void Noise(std::vector<uint8_t>& row)
    {
        for (int x = k_In_w * 3 / 4; x < k_In_w; ++x) {
            random_ ^= random_ << 13, random_ ^= random_ >> 17, random_ ^= random_ << 5;
            row[size_t(x)] = row[size_t(x + k_In_w)] = uint8_t(random_ >> 24);
        }
    }
    // 16 cells, least significant bit first, colourless, where the server's fake cameras put theirs.
    static void Draw_number(AVFrame* in, int n)
    {
        const auto x_of = [](int dv_x) { return dv_x * k_In_w / k_Out_w; };
        const int left = x_of(40), right = x_of(40 + 16 * 40);
        for (int y = 224 * k_In_h / k_Out_h; y < 288 * k_In_h / k_Out_h; ++y) {
            for (int b = 0; b < 16; ++b) {
                const int x0 = x_of(40 + 40 * b), x1 = x_of(80 + 40 * b);
                std::memset(in->data[0] + y * in->linesize[0] + x0, (n >> b) & 1 ? 235 : 16, size_t(x1 - x0));
            }
            for (int p = 1; p < 3; ++p)
                std::memset(in->data[p] + (y / 2) * in->linesize[p] + left / 2, 128, size_t((right - left + 1) / 2));
        }
    }

    std::vector<uint8_t> rows_[3][3]; // band, plane
    int speed_;
    uint32_t random_ = 2463534242u;
};

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

Dv_reference_camera::Dv_reference_camera(int speed) : speed_(speed), thread_([this] { Run(); }) {}

Dv_reference_camera::~Dv_reference_camera() { Stop(); }

void Dv_reference_camera::Stop()
{
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

Dv_reference_encoder::Dv_reference_encoder()
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    context_ = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!context_) return;
    context_->width = k_Out_w;
    context_->height = k_Out_h;
    context_->pix_fmt = AV_PIX_FMT_YUV420P;
    context_->time_base = AVRational{1, 25};
    context_->sample_aspect_ratio = AVRational{16, 15};
    context_->thread_count = 1;
    scale_ = sws_getContext(k_In_w, k_In_h, AV_PIX_FMT_YUV420P, k_Out_w, k_Out_h, AV_PIX_FMT_YUV420P, SWS_BILINEAR,
                            nullptr, nullptr, nullptr);
    scaled_ = Picture(k_Out_w, k_Out_h);
    frame_ = Picture(k_Out_w, k_Out_h);
    packet_ = av_packet_alloc();
    ready_ = scale_ && scaled_ && frame_ && packet_ && avcodec_open2(context_, codec, nullptr) == 0;
}

Dv_reference_encoder::~Dv_reference_encoder()
{
    av_packet_free(&packet_);
    av_frame_free(&scaled_);
    av_frame_free(&frame_);
    sws_freeContext(scale_);
    avcodec_free_context(&context_);
}

bool Dv_reference_encoder::Add(const uint8_t* const planes[3], const int strides[3])
{
    if (!ready_) return false;
    const int n = pictures_++;
    sws_scale(scale_, planes, strides, 0, k_In_h, scaled_->data, scaled_->linesize);
    Weave_field(scaled_, frame_, n % 2 == 0 ? 1 : 0); // the earlier picture in the bottom field
    if (n % 2 == 0) return true;
    frame_->interlaced_frame = 1;
    frame_->top_field_first = 0;
    frame_->pts = n / 2;
    const bool encoded = avcodec_send_frame(context_, frame_) == 0 && avcodec_receive_packet(context_, packet_) == 0;
    av_packet_unref(packet_);
    frames_ += encoded;
    return encoded;
}

void Dv_reference_camera::Run()
{
    const double cpu_start = Thread_cpu_seconds();
    {
        Dv_reference_encoder encoder;
        AVFrame* in = Picture(k_In_w, k_In_h);
        Test_picture picture(speed_);
        auto next = std::chrono::steady_clock::now();
        for (int n = 0; encoder.Ready() && in && !stop_; ++n) {
            next += std::chrono::milliseconds(20);
            std::this_thread::sleep_until(next);
            picture.Draw(in, n);
            encoder.Add(in->data, in->linesize);
            frames_ = encoder.Frames();
        }
        av_frame_free(&in);
    }
    cpu_seconds_ = Thread_cpu_seconds() - cpu_start;
}

} // namespace wk
