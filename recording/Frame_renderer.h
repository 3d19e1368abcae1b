#pragma once
// Decoding and drawing a recording's frames and fields into pictures: the drawing state, the
// overlays, the preloaded pictures and the decode-ahead, over a frame source.
#include "recording/Frame_source.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wk {
namespace platform {
class Av_frame_bytes;
class Av_frame_decoder;
class Draw_surface;
} // namespace platform

class cDIBSection;

class Frame_renderer {
public:
    explicit Frame_renderer(Frame_source& source);
    ~Frame_renderer();
    Frame_renderer(const Frame_renderer&) = delete;
    Frame_renderer& operator=(const Frame_renderer&) = delete;

    // ---- Display settings ----
    // Overlay modes: 0 off; 1 keeps the picture, 2 the lighter, 3 the darker of picture and
    // frame, 4 copies what differs from frame 1 (the background) by more than the blend factor.
    // flip non-zero mirrors every frame.
    int16_t overlay = 0;
    int16_t blend_faktor = 0;
    int16_t flip = 0;
    platform::Draw_surface* screen_dc = nullptr;
    std::array<int16_t, 3> tolerances{};

    // ---- What was drawn ----
    // The field (1 or 2) of the current frame that the last drawing showed.
    int16_t field_to_show = 1;
    // The field and frame last asked for, and the frame of the field last drawn.
    int32_t current_field = 0, current_frame = 0;
    int32_t eff_frameno = 0;
    // The frame each stream's field pictures were made of (0: none).
    std::array<int32_t, 4> decoded_frame_no{};
    // The frame size of the last plain draw, or the codec (the file name for Draw_field) when
    // the frame could not be decoded.
    const std::string& Decode_Info() const { return decode_info_; }
    // Milliseconds from the start of the recording (or of its trimmed part) to what was drawn.
    float Effective_Time() const { return effective_time_; }
    int32_t Last_Draw_Result() const { return last_draw_result_; }
    int32_t Last_Field() const { return last_field_; }
    // How many frames were decoded for what was drawn (those decoded ahead and used included),
    // and how many of them were decoded ahead.
    int64_t Decoded_count() const;
    int64_t Decoded_ahead_count() const;
    // "width,height width,height" of the plain draw's and the overlay's picture ("0,0": none).
    std::string DIB_sizes() const;

    // ---- Frames ----
    // Every drawing decodes the frame first: when the frame cannot be read or decoded, or lies
    // past the end of the recording, the place it would have taken is painted black (never an
    // older picture) and the result is false.
    // Draws frame `frame` (0 draws frame 1 and leaves 1 in the variable) of a stream: rotated,
    // mirrored, through the overlay or straight. With a target the plain draw goes 1:1 there
    // instead of into the picture.
    bool Draw_frame(int32_t& frame, platform::Draw_surface& picture, bool mirror, int16_t stream,
                    platform::Draw_surface* target, bool rotated);
    // Repaints the overlay, or decodes the frame in store again, without reading.
    bool Refresh_frame(platform::Draw_surface& picture);
    // Decodes the frame in store into dc at (0, 0), width x height.
    bool Blit_Frame(platform::Draw_surface* dc, int32_t width, int32_t height);
    // Reads frame `frame` of stream 1 and shows it 1:1 from (x, y) on.
    bool Draw_Panned_frame(int32_t frame, platform::Draw_surface& picture, int16_t x, int16_t y);
    // Decodes frame `frame` of stream 1 into the overlay target.
    bool Restore_target(int32_t frame);
    // Decodes frame `frame` of stream 1 into the overlay source ("source") or target ("target").
    bool Store_frame(int32_t frame, const std::string& which);
    // Restarts the overlay from the frame in store and shows it.
    bool Reset_Overlay(platform::Draw_surface& picture);
    // The overlay pictures (nullptr until the first overlay or frame draw).
    const cDIBSection* Overlay_Source() const;
    const cDIBSection* Overlay_Target() const;
    const cDIBSection* Overlay_Background() const;

    // ---- Fields ----
    // Field n lies in frame (n + 1) / 2: odd n is its field 1 (filmed first), even n its field 2.
    // Draws one field of a stream (1 to 3) at full frame height. Rotated, the streams share the
    // picture side by side, stream 1 on the left. Each frame is decoded once for its two fields.
    bool Draw_field_3(int32_t field, platform::Draw_surface& picture, int16_t stream, bool rotated);
    // The same without rotation and stream picture cache: the field stretched smoothly over the
    // picture; swap shows the frame's other field (recordings filmed top field first).
    bool Draw_field(int32_t field, platform::Draw_surface& picture, bool swap, int16_t stream);
    // Repaints the last field (stream 1, or the rotated picture) without reading.
    void Refresh_field(platform::Draw_surface& picture, bool rotated);
    // The field picture of a stream (1 to 3) and the rotated field picture; nullptr before the
    // first field drawing.
    const cDIBSection* Field_DIB(int16_t stream) const;
    const cDIBSection* Rotated_Field_DIB() const;

    // ---- Decoding ahead ----
    // Forgets the frame decoded ahead (playing or stepping stopped).
    void Drop_decode_ahead();
    // Forgets every decoded frame, so that the next drawing decodes again.
    void Force_Reread_Frame();
    // Forgets what was drawn of the recording (closed); nothing decoded for it is used again.
    void Reset();

    // ---- Pictures ----
    // Reads the frame last drawn again and decodes it into picture at the picture's size. False
    // when the picture has no device context or the frame cannot be read or decoded.
    bool Read_ff(cDIBSection& picture);
    // Copies field field_to_show of the overlay's picture into the overlay source, line-doubled.
    bool Store_OL_source();
    // Field `mode` (1 or 2) of source, line-doubled, into target of the same size. With the copy
    // first, source is copied whole before, so that source and target may be one picture.
    bool Deinterlace_DIBS(const cDIBSection& source, cDIBSection& target, int16_t mode) const;
    bool deinterlace_copy_first = false;
    // One picture per frame of stream 1, each drawn by Draw_frame. Once every frame has its
    // picture, Draw_frame paints plain frames of stream 1 from them instead of the file (rotated,
    // mirrored, overlaid and other streams' frames still come from the file). False (with what
    // was made kept, and frames still drawn from the file) when a frame could not be drawn or a
    // picture not made.
    bool Read_In_Bitmaps();
    void Clear_Bitmap_Collection();
    int32_t Bitmap_count() const { return int32_t(bitmaps_.size()); }
    // Frame f's picture (from 1); nullptr outside the collection.
    const cDIBSection* Bitmap(int32_t frame) const;
    // The keyed overlay (ABlend with the blend factor) of the overlay pictures, painted into picture.
    bool A_blend(platform::Draw_surface& picture);
    // An outline round the whole picture with the picture's own pen.
    static void Fill_PBox(platform::Draw_surface& picture);

private:
    struct Drawing;
    Drawing& Draw_state();
    platform::Av_frame_decoder* Decoder();
    bool Decode_into(cDIBSection& picture);
    bool Keep_for_fields(int16_t stream, int32_t held);
    // The frame in store from what was decoded ahead for it, kept in slot of the decoder.
    // With made_of, the bytes it was made of are kept there.
    bool Take_ahead(int16_t stream, int slot, platform::Av_frame_bytes* made_of = nullptr);
    // After frame `frame` of stream is shown, moved on by `step` frames from the one shown
    // before: decodes the frame that step leads to next on the worker.
    void Decode_next_ahead(int32_t frame, int16_t stream, int32_t step);
    // Paints frame f (0 is 1) from the preloaded pictures; false when they do not hold it.
    bool Paint_preloaded(int32_t& frame, platform::Draw_surface& picture);
    // Frame `frame` of stream through the overlay, into the overlay's picture; whether it was.
    bool Draw_overlay(int32_t frame, int16_t stream, bool read);
    void Make_overlay_pictures(int32_t width, int32_t height);
    float Field_time(int32_t field) const;
    // The frame size, 720 x 576 where the file does not tell it.
    int32_t Frame_width() const { return source_.Facts().width > 0 ? source_.Facts().width : 720; }
    int32_t Frame_height() const { return source_.Facts().height > 0 ? source_.Facts().height : 576; }
    bool Read_drawn_frame(int32_t frame, int16_t stream);
    int16_t Drawn_streams() const;
    void Note_field_drawn(int32_t field, int16_t stream);
    void Start_ahead_for_field(int32_t field, int32_t frame_no, int16_t stream);

    Frame_source& source_;
    std::unique_ptr<Drawing> drawing_;
    std::string decode_info_;
    float effective_time_ = 0;
    int32_t last_field_ = 0;
    int32_t last_draw_result_ = 0;
    std::vector<std::unique_ptr<cDIBSection>> bitmaps_;
    bool bitmaps_whole_ = false; // every frame has its picture: frames are drawn from them
};

} // namespace wk
