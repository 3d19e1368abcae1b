#include "platform/Av_frame_decoder.h"

#include "platform/Av_library.h"

#include "platform/Draw_surface.h"
#include "platform/Riff_video_tags.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace wk::platform {

namespace {

// The libraries' functions, called only once a decoder or a buffer has found them open.
const Av_library& Av() { return *Av_library::Get(); }

// One conversion of libswscale, made again only when what it converts changes.
struct Conversion {
    SwsContext* sws = nullptr;
    int in_w = 0, in_h = 0, in_fmt = -1, out_w = 0, out_h = 0, out_fmt = -1;

    ~Conversion()
    {
        if (sws) Av().sws_freeContext(sws);
    }
    // libswscale's defaults (bicubic): colour sampled more coarsely than the picture is
    // interpolated as libswscale does it (NTSC's 4:1:1 along the row), never repeated sample by
    // sample as a point-sampling conversion would. A PAL frame at its own size takes
    // libswscale's direct 4:2:0 converter either way. Without SWS_ACCURATE_RND: a colour level
    // of rounding at most, and a PAL frame converts in a tenth of the time (frame stepping
    // converts every frame).
    SwsContext* For(int iw, int ih, int ifmt, int ow, int oh, int ofmt)
    {
        if (sws && in_w == iw && in_h == ih && in_fmt == ifmt && out_w == ow && out_h == oh && out_fmt == ofmt)
            return sws;
        Av().sws_freeContext(sws);
        sws = Av().sws_getContext(iw, ih, AVPixelFormat(ifmt), ow, oh, AVPixelFormat(ofmt), SWS_BICUBIC, nullptr, nullptr,
                             nullptr);
        in_w = iw, in_h = ih, in_fmt = ifmt, out_w = ow, out_h = oh, out_fmt = ofmt;
        return sws;
    }
};

AVCodecID Codec_of(const std::string& fourcc)
{
    return fourcc.empty() ? AV_CODEC_ID_DVVIDEO : Riff_video_codec(fourcc);
}

// The libswscale format of a picture's pixels: blue, green, red as the DIB sections keep them,
// with or without a fourth byte. Another order (red first) goes through libswscale's other
// output code, whose rounding differs from the pictures decoded whole: AV_PIX_FMT_NONE.
AVPixelFormat Format_of(const Pixel_rows& rows)
{
    if (rows.b != 0 || rows.g != 1 || rows.r != 2) return AV_PIX_FMT_NONE;
    if (rows.bytes_per_pixel == 4) return AV_PIX_FMT_BGRA;
    if (rows.bytes_per_pixel == 3) return AV_PIX_FMT_BGR24;
    return AV_PIX_FMT_NONE;
}

// One field of a decoded picture seen as a picture of its own, every other row of it: the field's
// rows with the colour rows a conversion of the whole picture gives them. Colour of every row
// (4:1:1, 4:2:2) is taken every other row too; colour of every other row (4:2:0) serves one
// row of each field, so all of it is the field's, as 4:2:2. False for the planar formats not
// served so.
bool Field_view(const AVFrame* f, int field, std::array<const uint8_t*, 4>& data, std::array<int, 4>& lines,
                AVPixelFormat& format)
{
    const AVPixFmtDescriptor* d = Av().av_pix_fmt_desc_get(AVPixelFormat(f->format));
    if (d == nullptr || (d->flags & AV_PIX_FMT_FLAG_PLANAR) == 0 || d->nb_components != 3) return false;
    const int first = field == 1 ? 1 : 0;
    data = {f->data[0] + ptrdiff_t(first) * f->linesize[0], f->data[1], f->data[2], nullptr};
    lines = {2 * f->linesize[0], f->linesize[1], f->linesize[2], 0};
    format = AVPixelFormat(f->format);
    if (d->log2_chroma_h == 0) {
        for (int p = 1; p <= 2; ++p) {
            data[size_t(p)] += ptrdiff_t(first) * f->linesize[p];
            lines[size_t(p)] = 2 * f->linesize[p];
        }
        return true;
    }
    if (format == AV_PIX_FMT_YUV420P) format = AV_PIX_FMT_YUV422P;
    else if (format == AV_PIX_FMT_YUVJ420P) format = AV_PIX_FMT_YUVJ422P;
    else return false;
    return true;
}

} // namespace

struct Av_frame_decoder::State {
    const AVCodec* codec = nullptr;
    AVCodecContext* context = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    AVBufferRef* bytes = nullptr; // the packet's data, padded; reused while the decoder holds no reference
    std::array<AVFrame*, 8> kept{};
    Conversion whole, field, columns;

    ~State()
    {
        if (!codec) return; // the libraries were never found: nothing was made with them
        for (AVFrame*& k : kept) Av().av_frame_free(&k);
        Av().av_buffer_unref(&bytes);
        Av().av_packet_free(&packet);
        Av().av_frame_free(&frame);
        Av().avcodec_free_context(&context);
    }
};

Av_frame_decoder::Av_frame_decoder(const std::string& fourcc) : state_(std::make_unique<State>())
{
    const AVCodecID id = Codec_of(fourcc);
    if (id == AV_CODEC_ID_NONE || Av_library::Get() == nullptr) return;
    state_->codec = Av().avcodec_find_decoder(id);
    if (!state_->codec) return;
    state_->context = Av().avcodec_alloc_context3(state_->codec);
    state_->frame = Av().av_frame_alloc();
    state_->packet = Av().av_packet_alloc();
    if (!state_->context || !state_->frame || !state_->packet) return;
    state_->context->thread_count = 1;
    if (Av().avcodec_open2(state_->context, state_->codec, nullptr) < 0) Av().avcodec_free_context(&state_->context);
}

Av_frame_decoder::~Av_frame_decoder() = default;

bool Av_frame_decoder::Is_open() const { return state_->context != nullptr; }

// ---- Bytes with their padding ----

Av_frame_bytes::~Av_frame_bytes()
{
    if (buffer_) Av().av_buffer_unref(&buffer_);
}

Av_frame_bytes::Av_frame_bytes(Av_frame_bytes&& other) noexcept
    : buffer_(std::exchange(other.buffer_, nullptr)), size_(std::exchange(other.size_, 0))
{
}

Av_frame_bytes& Av_frame_bytes::operator=(Av_frame_bytes&& other) noexcept
{
    if (this != &other) {
        if (buffer_) Av().av_buffer_unref(&buffer_);
        buffer_ = std::exchange(other.buffer_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

uint8_t* Av_frame_bytes::Resize(size_t n)
{
    if (Av_library::Get() == nullptr) return nullptr;
    const size_t padded = n + AV_INPUT_BUFFER_PADDING_SIZE;
    // A buffer the decoder still holds a reference to is never written again.
    if (!buffer_ || size_t(buffer_->size) < padded || !Av().av_buffer_is_writable(buffer_)) {
        Av().av_buffer_unref(&buffer_);
        size_ = 0;
        if (padded > size_t(INT32_MAX)) return nullptr;
        buffer_ = Av().av_buffer_alloc(padded);
        if (!buffer_) return nullptr;
    }
    size_ = n;
    std::memset(buffer_->data + n, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    return buffer_->data;
}

std::span<const uint8_t> Av_frame_bytes::Bytes() const
{
    return buffer_ ? std::span<const uint8_t>(buffer_->data, size_) : std::span<const uint8_t>();
}

// ---- Decoding ----

// The frame's bytes with the padding the decoder may read past them, in a buffer the packet
// shares with the decoder: no second copy is made when the packet is sent.
bool Av_frame_decoder::Send(std::span<const uint8_t> data)
{
    State& s = *state_;
    if (!s.context || data.empty()) return false;
    const size_t n = data.size() + AV_INPUT_BUFFER_PADDING_SIZE;
    if (!s.bytes || size_t(s.bytes->size) != n || !Av().av_buffer_is_writable(s.bytes)) {
        Av().av_buffer_unref(&s.bytes);
        s.bytes = Av().av_buffer_alloc(n);
        if (!s.bytes) return false;
    }
    std::memcpy(s.bytes->data, data.data(), data.size());
    std::memset(s.bytes->data + data.size(), 0, AV_INPUT_BUFFER_PADDING_SIZE);
    return Send_buffer(s.bytes, data.size());
}

// bytes holds size bytes and the zeroed padding behind them.
bool Av_frame_decoder::Send_buffer(AVBufferRef* bytes, size_t size)
{
    State& s = *state_;
    if (!s.context || !bytes || size == 0) return false;
    Av().av_packet_unref(s.packet);
    s.packet->buf = Av().av_buffer_ref(bytes);
    if (!s.packet->buf) return false;
    s.packet->data = bytes->data;
    s.packet->size = int(size);
    const bool sent = Av().avcodec_send_packet(s.context, s.packet) >= 0;
    Av().av_packet_unref(s.packet);
    if (sent && Av().avcodec_receive_frame(s.context, s.frame) >= 0 && s.frame->width > 0 && s.frame->height > 0)
        return true;
    Av().av_frame_unref(s.frame);
    Av().avcodec_flush_buffers(s.context);
    return false;
}

bool Av_frame_decoder::Decode(std::span<const uint8_t> data, uint8_t* bits, int32_t width, int32_t height)
{
    if (!bits || width <= 0 || height <= 0 || !Send(data)) return false;
    const bool ok = Convert(state_->frame, bits, width, height);
    Av().av_frame_unref(state_->frame);
    if (ok) ++decoded_;
    return ok;
}

// A picture to bottom-up BGR, scaled when the sizes differ.
bool Av_frame_decoder::Convert(const AVFrame* f, uint8_t* bits, int32_t width, int32_t height)
{
    SwsContext* sws = state_->whole.For(f->width, f->height, f->format, width, height, AV_PIX_FMT_BGR24);
    if (!sws) return false;
    // Bottom-up: start at the last row and step backwards.
    const int stride = Bgr_stride(width);
    uint8_t* dst[4] = {bits + size_t(height - 1) * size_t(stride), nullptr, nullptr, nullptr};
    int dst_stride[4] = {-stride, 0, 0, 0};
    return Av().sws_scale(sws, f->data, f->linesize, 0, f->height, dst, dst_stride) == height;
}

bool Av_frame_decoder::Decode_columns(std::span<const uint8_t> data, uint8_t* bits, int32_t width, int32_t height,
                                      int32_t first, int32_t last, uint8_t* brightness, int32_t lit_first,
                                      int32_t lit_last, bool& brightness_taken)
{
    brightness_taken = false;
    if (!bits || width <= 0 || height <= 0 || !Send(data)) return false;
    const AVFrame* f = state_->frame;
    const bool own_size = f->width == width && f->height == height;
    if (brightness && own_size) brightness_taken = Copy_brightness(f, brightness, lit_first, lit_last);
    if (brightness && !brightness_taken) first = std::min(first, lit_first), last = std::max(last, lit_last);
    const bool ok = own_size ? Convert_columns(f, bits, first, last) : Convert(f, bits, width, height);
    Av().av_frame_unref(state_->frame);
    if (ok) ++decoded_;
    return ok;
}

namespace {

// Studio-range brightness (16..235) on 0..255, rounded to nearest: multiplied and shifted, which
// the compiler does for many pixels at once, where a table is looked up one pixel at a time.
constexpr uint8_t Stretched(uint8_t v)
{
    return uint8_t(std::min(((std::max<int32_t>(v, 16) - 16) * 2385 + 986) >> 11, 255));
}

constexpr bool Stretched_rounds_to_nearest()
{
    // (v - 16) 255 / 219 never lies halfway between two whole numbers.
    for (int32_t v = 0; v < 256; ++v)
        if (Stretched(uint8_t(v)) != (v < 16 ? 0 : std::min(((v - 16) * 510 + 219) / 438, 255))) return false;
    return true;
}
static_assert(Stretched_rounds_to_nearest());

} // namespace

// The first plane of an 8-bit YUV picture, stretched from studio range to 0..255 as the
// conversion to BGR stretches it.
bool Av_frame_decoder::Copy_brightness(const AVFrame* f, uint8_t* brightness, int32_t first, int32_t last)
{
    const AVPixFmtDescriptor* d = Av().av_pix_fmt_desc_get(AVPixelFormat(f->format));
    if (d == nullptr || (d->flags & (AV_PIX_FMT_FLAG_PLANAR | AV_PIX_FMT_FLAG_RGB)) != AV_PIX_FMT_FLAG_PLANAR ||
        d->nb_components < 3 || d->comp[0].depth != 8 || d->comp[0].plane != 0)
        return false;
    const bool full = f->color_range == AVCOL_RANGE_JPEG || f->format == AV_PIX_FMT_YUVJ420P ||
                      f->format == AV_PIX_FMT_YUVJ422P || f->format == AV_PIX_FMT_YUVJ444P;
    first = std::clamp(first, 0, f->width - 1), last = std::clamp(last, 0, f->width - 1);
    for (int32_t y = 0; y < f->height; ++y) {
        const uint8_t* from = f->data[0] + size_t(y) * size_t(f->linesize[0]);
        uint8_t* into = brightness + size_t(y) * size_t(f->width);
        if (full) std::memcpy(into + first, from + first, size_t(last - first + 1));
        else
            for (int32_t x = first; x <= last; ++x) into[x] = Stretched(from[x]);
    }
    return true;
}

// Columns of a picture converted at its own size: the planes' rows entered part way along.
// Whole blocks of 16 with 32 columns more either side: the converters work in runs of pixels,
// and colour sampled more coarsely than the picture is interpolated from its neighbours, which
// then are the same as for the whole picture.
bool Av_frame_decoder::Convert_columns(const AVFrame* f, uint8_t* bits, int32_t first, int32_t last)
{
    constexpr int32_t k_Block = 16, k_Beside = 32;
    const AVPixFmtDescriptor* d = Av().av_pix_fmt_desc_get(AVPixelFormat(f->format));
    first = std::clamp(first, 0, f->width - 1), last = std::clamp(last, 0, f->width - 1);
    const int32_t x0 = std::max(0, (first - k_Beside) / k_Block * k_Block);
    const int32_t x1 = std::min(f->width, (last + k_Beside + k_Block) / k_Block * k_Block);
    if (d == nullptr || (d->flags & AV_PIX_FMT_FLAG_PLANAR) == 0 || d->nb_components != 3 || f->width % k_Block != 0 ||
        x1 - x0 >= f->width || first > last)
        return Convert(f, bits, f->width, f->height);
    SwsContext* sws = state_->columns.For(x1 - x0, f->height, f->format, x1 - x0, f->height, AV_PIX_FMT_BGR24);
    if (!sws) return false;
    const uint8_t* data[4] = {f->data[0] + x0, f->data[1] + (x0 >> d->log2_chroma_w),
                              f->data[2] + (x0 >> d->log2_chroma_w), nullptr};
    const int stride = Bgr_stride(f->width);
    uint8_t* dst[4] = {bits + size_t(f->height - 1) * size_t(stride) + size_t(3 * x0), nullptr, nullptr, nullptr};
    int dst_stride[4] = {-stride, 0, 0, 0};
    return Av().sws_scale(sws, data, f->linesize, 0, f->height, dst, dst_stride) == f->height;
}

bool Av_frame_decoder::Keep(std::span<const uint8_t> data, int slot)
{
    if (slot < 0 || slot >= int(state_->kept.size()) || !Is_open()) return false;
    Av().av_frame_free(&state_->kept[size_t(slot)]);
    return Send(data) && Keep_sent(slot);
}

bool Av_frame_decoder::Keep(const Av_frame_bytes& data, int slot)
{
    if (slot < 0 || slot >= int(state_->kept.size()) || !Is_open()) return false;
    Av().av_frame_free(&state_->kept[size_t(slot)]);
    return Send_buffer(data.buffer_, data.size_) && Keep_sent(slot);
}

// The picture just decoded into slot.
bool Av_frame_decoder::Keep_sent(int slot)
{
    State& s = *state_;
    AVFrame*& kept = s.kept[size_t(slot)];
    kept = Av().av_frame_alloc();
    if (!kept) {
        Av().av_frame_unref(s.frame);
        return false;
    }
    Av().av_frame_move_ref(kept, s.frame);
    ++decoded_;
    return true;
}

bool Av_frame_decoder::Take_kept(Av_frame_decoder& from, int from_slot, int slot)
{
    const auto n = int(state_->kept.size());
    if (slot < 0 || slot >= n || from_slot < 0 || from_slot >= n || &from == this) return false;
    AVFrame*& source = from.state_->kept[size_t(from_slot)];
    if (source == nullptr) return false;
    AVFrame*& kept = state_->kept[size_t(slot)];
    Av().av_frame_free(&kept);
    kept = std::exchange(source, nullptr);
    return true;
}

bool Av_frame_decoder::Swap_kept(int slot, int other)
{
    const auto n = int(state_->kept.size());
    if (slot < 0 || slot >= n || other < 0 || other >= n) return false;
    std::swap(state_->kept[size_t(slot)], state_->kept[size_t(other)]);
    return true;
}

const AVFrame* Av_frame_decoder::Kept(int slot) const
{
    return slot >= 0 && slot < int(state_->kept.size()) ? state_->kept[size_t(slot)] : nullptr;
}

bool Av_frame_decoder::Picture(int slot, uint8_t* bits, int32_t width, int32_t height)
{
    const AVFrame* f = Kept(slot);
    return f != nullptr && bits != nullptr && width > 0 && height > 0 && Convert(f, bits, width, height);
}

bool Av_frame_decoder::Field(int slot, int16_t field, Draw_surface& into)
{
    const AVFrame* f = Kept(slot);
    const Pixel_rows rows = into.Write_rows();
    const AVPixelFormat out = Format_of(rows);
    if (f == nullptr || (field != 1 && field != 2) || rows.top == nullptr || out == AV_PIX_FMT_NONE ||
        rows.width != f->width || rows.height != f->height || f->height % 2 != 0)
        return false;
    std::array<const uint8_t*, 4> data{};
    std::array<int, 4> lines{};
    AVPixelFormat format = AV_PIX_FMT_NONE;
    if (!Field_view(f, field, data, lines, format)) return false;
    const int half = f->height / 2;
    SwsContext* sws = state_->field.For(f->width, half, format, f->width, half, out);
    if (!sws) return false;
    // The field's rows into rows 0, 2, 4 ..., a band at a time, each row copied into the row
    // below it while the band is still in the cache: one pass over the picture, not two.
    uint8_t* dst[4] = {rows.top, nullptr, nullptr, nullptr};
    const int dst_stride[4] = {int(2 * rows.step), 0, 0, 0};
    const size_t row_bytes = size_t(rows.width) * size_t(rows.bytes_per_pixel);
    constexpr int k_Band = 16;
    for (int y = 0; y < half; y += k_Band) {
        const int n = std::min(k_Band, half - y);
        const uint8_t* band[4] = {data[0] + ptrdiff_t(y) * lines[0], data[1] + ptrdiff_t(y) * lines[1],
                                  data[2] + ptrdiff_t(y) * lines[2], nullptr};
        if (Av().sws_scale(sws, band, lines.data(), y, n, dst, dst_stride) != n) return false;
        for (int k = y; k < y + n; ++k)
            std::memcpy(rows.top + ptrdiff_t(2 * k + 1) * rows.step, rows.top + ptrdiff_t(2 * k) * rows.step,
                        row_bytes);
    }
    return true;
}

} // namespace wk::platform
