#pragma once
// The frame decoder of the recordings: DV (and the other video codecs libavcodec knows by their
// FOURCC) decoded with libavcodec and converted to bottom-up BGR with libswscale.
#include "platform/Frame_decoder.h"

#include <memory>
#include <string>

struct AVBufferRef;
struct AVFrame;

namespace wk::platform {

class Draw_surface;

// A frame's bytes followed by the zeroed padding the decoder may read past them: filled once
// (by a file read straight into it) and handed to the decoder without a copy.
class Av_frame_bytes {
public:
    Av_frame_bytes() = default;
    ~Av_frame_bytes();
    Av_frame_bytes(Av_frame_bytes&& other) noexcept;
    Av_frame_bytes& operator=(Av_frame_bytes&& other) noexcept;
    Av_frame_bytes(const Av_frame_bytes&) = delete;
    Av_frame_bytes& operator=(const Av_frame_bytes&) = delete;

    // Room for n bytes, the padding behind them zeroed; nullptr when there is no memory. What
    // was there before is not kept.
    uint8_t* Resize(size_t n);
    std::span<const uint8_t> Bytes() const;
    size_t Size() const { return size_; }

private:
    friend class Av_frame_decoder;
    AVBufferRef* buffer_ = nullptr;
    size_t size_ = 0;
};

class Av_frame_decoder final : public Frame_decoder {
public:
    // fourcc as stored in AVI files ("dvsd", "CDVC", "MJPG" ...); DV when empty.
    explicit Av_frame_decoder(const std::string& fourcc = "");
    ~Av_frame_decoder() override;
    Av_frame_decoder(const Av_frame_decoder&) = delete;
    Av_frame_decoder& operator=(const Av_frame_decoder&) = delete;

    // False when libavcodec has no decoder for the codec.
    bool Is_open() const;
    bool Decode(std::span<const uint8_t> frame, uint8_t* bits, int32_t width, int32_t height) override;
    // The same for a picture of the frame's own size of which only columns first..last are
    // wanted: those (and a few beside them) are converted, the rest of bits is left as it was;
    // the columns hold what Decode gives them. With brightness, also the decoded brightness plane
    // of columns lit_first..lit_last into it (width bytes a row, top row first, on 0..255 as the
    // BGR is): brightness as it was coded, not worked back from the colour, whose samples
    // neighbouring rows of both fields share.
    // brightness_taken says whether it was written: not for pictures without a brightness plane
    // of their own, whose colour is then converted in those columns as well, to work it back from.
    bool Decode_columns(std::span<const uint8_t> frame, uint8_t* bits, int32_t width, int32_t height, int32_t first,
                        int32_t last, uint8_t* brightness, int32_t lit_first, int32_t lit_last,
                        bool& brightness_taken);
    // How many frames were decoded since the decoder was made (for tests and benchmarks).
    int64_t Decoded_count() const { return decoded_; }

    // ---- Decoded pictures kept for their fields ----
    // Decodes a frame and keeps its picture in slot (0 to 7) until the next frame kept there;
    // false when it cannot be decoded (the slot then keeps nothing).
    bool Keep(std::span<const uint8_t> frame, int slot);
    // The same for bytes that carry their padding: the decoder reads them where they are.
    bool Keep(const Av_frame_bytes& frame, int slot);
    // Moves the picture kept in from's slot into this decoder's slot (the other keeps nothing
    // then); false when from keeps nothing there. Neither decoder may be decoding meanwhile.
    bool Take_kept(Av_frame_decoder& from, int from_slot, int slot);
    // The pictures kept in two slots change places (either may keep nothing); false for a slot
    // that is none.
    bool Swap_kept(int slot, int other);
    // The picture kept in slot as Decode gives it, scaled to width x height; false when the slot
    // keeps nothing.
    bool Picture(int slot, uint8_t* bits, int32_t width, int32_t height);
    // Field 1 (rows 1, 3, 5 ... from the top) or 2 (rows 0, 2, 4 ...) of the picture kept in slot
    // into a picture of the frame's own size, each of its rows twice, converted straight from
    // the decoded picture: what line doubling the decoded frame gives (PAL byte for byte; NTSC's
    // interpolated colour within libswscale's rounding at the picture's edge). False when the
    // slot keeps nothing, the sizes differ, the height is odd, or the pixels are not blue, green,
    // red (and a fourth byte).
    bool Field(int slot, int16_t field, Draw_surface& into);

private:
    bool Send(std::span<const uint8_t> data);
    bool Send_buffer(AVBufferRef* bytes, size_t size);
    bool Keep_sent(int slot);
    bool Convert(const AVFrame* picture, uint8_t* bits, int32_t width, int32_t height);
    bool Convert_columns(const AVFrame* picture, uint8_t* bits, int32_t first, int32_t last);
    static bool Copy_brightness(const AVFrame* picture, uint8_t* brightness, int32_t first, int32_t last);
    const AVFrame* Kept(int slot) const;

    struct State;
    std::unique_ptr<State> state_;
    int64_t decoded_ = 0;
};

// The stride of a 24-bit row: (3 x width + 3) & ~3.
inline int32_t Bgr_stride(int32_t width) { return (3 * width + 3) & ~3; }

} // namespace wk::platform
