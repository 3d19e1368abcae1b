#include "tools/Dv_frames.h"

#include "platform/Text_codec.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace wk::dv {
namespace {

// One DV encoder (and decoder) for the whole program.
class Codec {
public:
    explicit Codec(bool encoder, bool ntsc = false)
    {
        codec_ = encoder ? avcodec_find_encoder(AV_CODEC_ID_DVVIDEO) : avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
        if (!codec_) throw std::runtime_error("libavcodec has no DV codec");
        ctx_ = avcodec_alloc_context3(codec_);
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (!ctx_ || !frame_ || !packet_) throw std::runtime_error("out of memory");
        if (encoder) {
            ctx_->width = k_DV_width;
            ctx_->height = ntsc ? k_NTSC_height : k_DV_height;
            ctx_->pix_fmt = ntsc ? AV_PIX_FMT_YUV411P : AV_PIX_FMT_YUV420P;
            ctx_->time_base = ntsc ? AVRational{1001, 30000} : AVRational{1, 25};
            ctx_->framerate = ntsc ? AVRational{30000, 1001} : AVRational{25, 1};
            ctx_->field_order = AV_FIELD_BB;
            // Per-field DCT keeps the two fields of a frame apart.
            ctx_->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
        }
        if (avcodec_open2(ctx_, codec_, nullptr) < 0) throw std::runtime_error("cannot open the DV codec");
        if (encoder) {
            frame_->format = ctx_->pix_fmt;
            frame_->width = ctx_->width;
            frame_->height = ctx_->height;
            if (av_frame_get_buffer(frame_, 0) < 0) throw std::runtime_error("out of memory");
        }
    }
    ~Codec()
    {
        av_packet_free(&packet_);
        av_frame_free(&frame_);
        avcodec_free_context(&ctx_);
    }
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;

    // Paints with `paint` (Y, U, V planes and strides) and encodes one frame.
    DV_frame Encode(const std::function<void(AVFrame*)>& paint)
    {
        if (av_frame_make_writable(frame_) < 0) throw std::runtime_error("frame not writable");
        paint(frame_);
        frame_->pts = pts_++;
        frame_->interlaced_frame = 1;
        frame_->top_field_first = 0;
        if (avcodec_send_frame(ctx_, frame_) < 0) throw std::runtime_error("DV encoder refused the frame");
        if (avcodec_receive_packet(ctx_, packet_) < 0) throw std::runtime_error("DV encoder gave no frame");
        DV_frame out(packet_->data, packet_->data + packet_->size);
        av_packet_unref(packet_);
        if (out.size() != (ctx_->height == k_NTSC_height ? k_NTSC_frame_bytes : k_DV_frame_bytes))
            throw std::runtime_error("DV frame is not 144000 (NTSC 120000) bytes");
        return out;
    }

    std::vector<uint8_t> Decode_luma(std::span<const uint8_t> bytes)
    {
        // The decoder reads a little past the data; give it the padding it expects.
        std::vector<uint8_t> padded(bytes.begin(), bytes.end());
        padded.resize(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        packet_->data = padded.data();
        packet_->size = static_cast<int>(bytes.size());
        const int sent = avcodec_send_packet(ctx_, packet_);
        packet_->data = nullptr;
        packet_->size = 0;
        if (sent < 0) throw std::runtime_error("DV decoder refused the frame");
        if (avcodec_receive_frame(ctx_, frame_) < 0) throw std::runtime_error("DV decoder gave no picture");
        const int height = frame_->height;
        if (frame_->width != k_DV_width || (height != k_DV_height && height != k_NTSC_height))
            throw std::runtime_error("decoded picture is not 720 x 576 or 720 x 480");
        std::vector<uint8_t> luma(size_t(k_DV_width) * height);
        for (int y = 0; y < height; ++y)
            std::memcpy(luma.data() + size_t(y) * k_DV_width, frame_->data[0] + size_t(y) * frame_->linesize[0],
                        k_DV_width);
        av_frame_unref(frame_);
        return luma;
    }

private:
    const AVCodec* codec_ = nullptr;
    AVCodecContext* ctx_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    int64_t pts_ = 0;
};

Codec& Encoder(bool ntsc = false)
{
    static Codec pal(true), ntsc_encoder(true, true);
    return ntsc ? ntsc_encoder : pal;
}

Codec& Decoder()
{
    static Codec c(false);
    return c;
}

uint8_t Bcd(int tens, int units) { return static_cast<uint8_t>((tens << 4) | units); }

// The DIF sequences of a whole frame: 12 for PAL, 10 for NTSC.
int Sequences(std::span<const uint8_t> frame)
{
    if (frame.size() >= k_DV_frame_bytes) return 12;
    if (frame.size() >= k_NTSC_frame_bytes) return 10;
    throw std::invalid_argument("not a whole DV frame");
}

} // namespace

DV_timecode Timecode_plus(const DV_timecode& tc, int64_t frames, int frames_per_second)
{
    const int64_t fps = frames_per_second;
    const int64_t day = 24LL * 3600 * fps;
    int64_t t = ((int64_t(tc.hours) * 60 + tc.minutes) * 60 + tc.seconds) * fps + tc.frames + frames;
    t = (t % day + day) % day;
    DV_timecode r;
    r.drop_frame = tc.drop_frame;
    r.frames = int(t % fps);
    t /= fps;
    r.seconds = int(t % 60);
    t /= 60;
    r.minutes = int(t % 60);
    r.hours = int(t / 60);
    return r;
}

DV_rec_datetime Rec_datetime_plus(const DV_rec_datetime& dt, int64_t seconds)
{
    using namespace std::chrono;
    const sys_days d{year{dt.year} / month{unsigned(dt.month)} / day{unsigned(dt.day)}};
    const auto t = sys_seconds{d} + hours{dt.hours} + minutes{dt.minutes} + std::chrono::seconds{dt.seconds + seconds};
    const auto nd = floor<days>(t);
    const year_month_day ymd{nd};
    const hh_mm_ss hms{t - nd};
    DV_rec_datetime r;
    r.year = int(ymd.year());
    r.month = int(unsigned(ymd.month()));
    r.day = int(unsigned(ymd.day()));
    r.hours = int(hms.hours().count());
    r.minutes = int(hms.minutes().count());
    r.seconds = int(hms.seconds().count());
    return r;
}

DV_pack Timecode_pack(const DV_timecode& tc)
{
    return {0x13, uint8_t((tc.drop_frame ? 0x40 : 0) | Bcd(tc.frames / 10, tc.frames % 10)), Bcd(tc.seconds / 10, tc.seconds % 10),
            Bcd(tc.minutes / 10, tc.minutes % 10), Bcd(tc.hours / 10, tc.hours % 10)};
}

DV_pack Rec_date_pack(const DV_rec_datetime& dt)
{
    const int yy = dt.year % 100;
    // Time zone and day of week left as "no information".
    return {0x62, 0xFF, uint8_t(0xC0 | Bcd(dt.day / 10, dt.day % 10)), uint8_t(0xE0 | Bcd(dt.month / 10, dt.month % 10)),
            Bcd(yy / 10, yy % 10)};
}

DV_pack Rec_time_pack(const DV_rec_datetime& dt)
{
    return {0x63, 0xFF, uint8_t(0x80 | Bcd(dt.seconds / 10, dt.seconds % 10)),
            uint8_t(0x80 | Bcd(dt.minutes / 10, dt.minutes % 10)), uint8_t(0xC0 | Bcd(dt.hours / 10, dt.hours % 10))};
}

void Put_VAUX_pack(std::span<uint8_t> frame, int block, int slot, const DV_pack& pack, int sequence)
{
    const int sequences = Sequences(frame);
    if (block < 0 || block > 2 || slot < 0 || slot > 14) throw std::invalid_argument("no such VAUX pack");
    for (int s = 0; s < sequences; ++s) {
        if (sequence >= 0 && s != sequence) continue;
        const size_t at = size_t(s) * k_DIF_sequence_bytes + 240 + 80 * size_t(block) + 3 + 5 * size_t(slot);
        std::copy(pack.begin(), pack.end(), frame.begin() + std::ptrdiff_t(at));
    }
}

void Put_subcode_pack(std::span<uint8_t> frame, int block, int sync, const DV_pack& pack, int sequence)
{
    const int sequences = Sequences(frame);
    if (block < 0 || block > 1 || sync < 0 || sync > 5) throw std::invalid_argument("no such subcode pack");
    for (int s = 0; s < sequences; ++s) {
        if (sequence >= 0 && s != sequence) continue;
        const size_t at = size_t(s) * k_DIF_sequence_bytes + 80 + 80 * size_t(block) + 6 + 8 * size_t(sync);
        std::copy(pack.begin(), pack.end(), frame.begin() + std::ptrdiff_t(at));
    }
}

void Put_timecode(std::span<uint8_t> frame, const DV_timecode& tc)
{
    const DV_pack p = Timecode_pack(tc);
    for (int b = 0; b < 2; ++b)
        for (int k = 0; k < 6; ++k) Put_subcode_pack(frame, b, k, p);
}

void Put_rec_datetime(std::span<uint8_t> frame, const DV_rec_datetime& dt)
{
    const DV_pack date = Rec_date_pack(dt), time = Rec_time_pack(dt);
    for (int b = 0; b < 3; ++b) {
        // Slots 0, 1, 9 and 10 hold the encoder's source packs.
        Put_VAUX_pack(frame, b, 2, date);
        Put_VAUX_pack(frame, b, 3, time);
        Put_VAUX_pack(frame, b, 11, date);
        Put_VAUX_pack(frame, b, 12, time);
    }
    // The second half of the sequences also carries them in the subcode, as camcorders do.
    const int sequences = Sequences(frame);
    for (int s = sequences / 2; s < sequences; ++s)
        for (int b = 0; b < 2; ++b) {
            Put_subcode_pack(frame, b, 1, date, s);
            Put_subcode_pack(frame, b, 2, time, s);
            Put_subcode_pack(frame, b, 4, date, s);
            Put_subcode_pack(frame, b, 5, time, s);
        }
}

DV_frame Encode_DV_picture(const DV_picture& picture)
{
    const size_t luma = size_t(k_DV_width) * k_DV_height, chroma = luma / 4;
    if (picture.y.size() != luma || picture.u.size() != chroma || picture.v.size() != chroma)
        throw std::invalid_argument("a DV picture has 720 x 576 luma and 360 x 288 chroma samples");
    return Encoder().Encode([&](AVFrame* f) {
        for (int y = 0; y < k_DV_height; ++y)
            std::memcpy(f->data[0] + size_t(y) * f->linesize[0], picture.y.data() + size_t(y) * k_DV_width, k_DV_width);
        for (int y = 0; y < k_DV_height / 2; ++y) {
            std::memcpy(f->data[1] + size_t(y) * f->linesize[1], picture.u.data() + size_t(y) * (k_DV_width / 2),
                        k_DV_width / 2);
            std::memcpy(f->data[2] + size_t(y) * f->linesize[2], picture.v.data() + size_t(y) * (k_DV_width / 2),
                        k_DV_width / 2);
        }
    });
}

DV_frame Encode_DV_picture(const NTSC_DV_picture& picture)
{
    const size_t luma = size_t(k_DV_width) * k_NTSC_height, chroma = luma / 4;
    if (picture.y.size() != luma || picture.u.size() != chroma || picture.v.size() != chroma)
        throw std::invalid_argument("an NTSC DV picture has 720 x 480 luma and 180 x 480 chroma samples");
    return Encoder(true).Encode([&](AVFrame* f) {
        for (int y = 0; y < k_NTSC_height; ++y) {
            std::memcpy(f->data[0] + size_t(y) * f->linesize[0], picture.y.data() + size_t(y) * k_DV_width, k_DV_width);
            std::memcpy(f->data[1] + size_t(y) * f->linesize[1], picture.u.data() + size_t(y) * (k_DV_width / 4),
                        k_DV_width / 4);
            std::memcpy(f->data[2] + size_t(y) * f->linesize[2], picture.v.data() + size_t(y) * (k_DV_width / 4),
                        k_DV_width / 4);
        }
    });
}

void Write_DV_extra_data(std::span<uint8_t> frame, const DV_extra_data& r, size_t offset)
{
    if (offset + k_DV_extra_bytes > frame.size()) throw std::invalid_argument("record does not fit the frame");
    Capture_record record;
    record.length = 0;
    record.arrival_tick = r.arrival_tick;
    record.frame_tick = r.stamp_tick;
    record.heat_start = r.heat_start;
    record.local_time_ms = r.local_time_ms;
    record.comment = platform::Utf8_to_ansi(r.comment);
    record.hit = r.hit_flag;
    record.capturing = r.linear_mark;
    record.lap_count = r.lap_count;
    record.first_boat = r.first_boat;
    record.tolv_camera = r.camera;
    record.goal_offset = r.goal_offset;
    record.split_offset = r.split_offset;
    record.picture_times = r.second_field_tick.has_value();
    record.second_field_tick = r.second_field_tick.value_or(0);
    const Capture_record::Bytes bytes = record.To_bytes();
    std::memcpy(frame.data() + offset, bytes.data(), bytes.size());
}

std::vector<uint8_t> Decode_DV_luma(std::span<const uint8_t> frame) { return Decoder().Decode_luma(frame); }


DV_frame Encode_DV_painted(bool ntsc, const std::function<void(AVFrame*)>& paint) { return Encoder(ntsc).Encode(paint); }

} // namespace wk::dv
