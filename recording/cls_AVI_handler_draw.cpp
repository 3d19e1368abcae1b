// The recording object's decoding and drawing: frames, overlays and fields into pictures.
#include "recording/cls_AVI_handler.h"

#include "platform/Av_frame_decoder.h"
#include "platform/Draw_surface.h"
#include "platform/Frame_decode_ahead.h"
#include "platform/Image_library.h"
#include "recording/Recording_reader.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "services/graphics/cDIBSection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace wk {

namespace {

// Makes the picture width x height unless it is that size already.
bool Ensure_size(cDIBSection& picture, int32_t width, int32_t height)
{
    if (picture.DIBSectionBitsPtr() != nullptr && picture.Width() == width && picture.Height() == height) return true;
    return picture.Create(width, height);
}

void Fill_black(cDIBSection& picture)
{
    if (uint8_t* bits = picture.DIBSectionBitsPtr()) std::memset(bits, 0, size_t(picture.SizeImage()));
}

} // namespace

// What the drawing keeps between calls. The pictures are made on first use and kept for the
// object's life, so stepping through a recording allocates nothing.
struct cls_AVI_handler::Drawing {
    std::unique_ptr<platform::Av_frame_decoder> decoder;
    std::string decoder_codec;
    int64_t decoded_before = 0;        // decodes of decoders dropped for another codec
    cDIBSection frame;                 // the plain draw, at the recording's frame size
    cDIBSection overlay_source, overlay_target, overlay_background;
    bool overlay_ready = false;
    cDIBSection rotate_source, rotate_target;
    cDIBSection mirror;                // mirroring works here, never in the overlay pictures
    // Streams 1 to 3. Each stream's decoded frame is kept by the decoder (its slot is the
    // stream); the field picture is made of it when it is asked for, since a field shown at the
    // picture's own size is converted straight into the picture. The whole frame is converted
    // only for a field picture of another size than the frame.
    std::array<cDIBSection, 4> field, field_frame;
    std::array<int32_t, 4> field_held{};            // the field number each field picture holds
    std::array<int16_t, 4> field_pending{};         // the field (1 or 2) the field picture is still to be made of
    // The frame shown before each stream's present one: its picture (in the decoder's slot
    // stream + 4) and the bytes it was made of, so that a step back decodes nothing; and the
    // bytes of the present one, which becomes the frame before on the next step.
    std::array<int32_t, 4> before_frame{};
    std::array<std::vector<uint8_t>, 4> before_bytes, kept_bytes;
    cDIBSection rotated_field;
    cDIBSection line_frame, line_field;             // Draw_field
    int32_t line_field_held = 0;
    int16_t last_stream = 0;           // stream of the last field drawn
    int32_t store_frame = 0;           // the frame in store when that field was drawn
    int16_t store_stream = 0;
    // Decoding ahead: the worker is started on the first frame decoded ahead. Which opening of
    // the recording this is, so that nothing decoded for another is ever taken for this one.
    std::unique_ptr<platform::Frame_decode_ahead> ahead;
    platform::Ahead_frame ahead_frame;  // what was last handed to the worker
    int64_t opening = 0;
    int64_t ahead_used = 0;             // frames taken from the worker
    int32_t shown_field = 0;            // the field and the whole frame drawn last, for the step
    int32_t shown_frame = 0;

    void Drop_ahead()
    {
        if (ahead) ahead->Discard();
        ahead_frame = {};
    }

    // The field picture of a stream, made first when it is still to be made.
    cDIBSection& Field(int16_t stream)
    {
        const size_t s = size_t(stream);
        const int16_t which = field_pending[s];
        field_pending[s] = 0;
        if (which == 0) return field[s];
        cDIBSection& f = field[s];
        if (decoder && f.hDC() != nullptr && decoder->Field(stream, which, *f.hDC())) return f;
        // A frame of another size or kind: the whole of it at the field picture's size, then
        // its rows doubled.
        cDIBSection& whole = field_frame[s];
        if (decoder && Ensure_size(whole, f.Width(), f.Height()) &&
            decoder->Picture(stream, whole.DIBSectionBitsPtr(), whole.Width(), whole.Height()))
            platform::deinterlaceFrame2(whole.DIBSectionBitsPtr(), f.DIBSectionBitsPtr(), int16_t(f.Width()),
                                        int16_t(f.Height()), which);
        else
            Fill_black(f);
        return f;
    }

    // A field still to be made, onto a picture of the frame's own size: converted straight into
    // the picture. False when the field picture must serve.
    bool Paint_pending_field(int16_t stream, platform::Draw_surface& picture)
    {
        const int16_t which = field_pending[size_t(stream)];
        return which != 0 && decoder && decoder->Field(stream, which, picture);
    }
};

void cls_AVI_handler::Drawing_deleter::operator()(Drawing* d) const { delete d; }

cls_AVI_handler::Drawing& cls_AVI_handler::Draw_state()
{
    if (!drawing_) drawing_.reset(new Drawing);
    return *drawing_;
}

platform::Av_frame_decoder* cls_AVI_handler::Decoder()
{
    Drawing& d = Draw_state();
    // DV kinds use the DV decoder; AVI recordings the decoder of their codec.
    const std::string codec = reader_->Decoder_codec();
    if (!d.decoder || d.decoder_codec != codec) {
        if (d.decoder) d.decoded_before += d.decoder->Decoded_count();
        d.decoder = std::make_unique<platform::Av_frame_decoder>(codec);
        d.decoder_codec = codec;
        // The frames the old decoder kept go with it.
        Decoded_Frame_No.fill(0);
        d.field_pending.fill(0);
        d.before_frame.fill(0);
    }
    return d.decoder.get();
}

// Decodes the frame in store and keeps its picture for the fields of a stream. The picture it
// replaces is kept as the frame before: a step back takes it again when the bytes read for it
// are those it was made of.
bool cls_AVI_handler::Keep_for_fields(int16_t stream, int32_t held)
{
    const std::span<const uint8_t> bytes = Frame_bytes();
    platform::Av_frame_decoder* decoder = bytes.empty() ? nullptr : Decoder();
    bool ok = false;
    if (decoder != nullptr) {
        Drawing& d = Draw_state();
        const auto s = size_t(stream);
        const bool back = d.before_frame[s] == rec_.frame_in_store && std::ranges::equal(d.before_bytes[s], bytes);
        // The present picture becomes the one before (a slot that holds no known frame keeps nothing).
        const bool moved = (back || held > 0) && decoder->Swap_kept(stream, stream + 4);
        if (moved) std::swap(d.before_bytes[s], d.kept_bytes[s]);
        d.before_frame[s] = moved ? held : 0;
        ok = back || Take_ahead(stream, stream) || decoder->Keep(bytes, stream);
        if (ok && !back) d.kept_bytes[s].assign(bytes.begin(), bytes.end());
    }
    last_draw_result_ = ok ? 1 : 0;
    return ok;
}

int64_t cls_AVI_handler::Decoded_count() const
{
    if (!drawing_) return 0;
    return drawing_->decoded_before + drawing_->ahead_used +
           (drawing_->decoder ? drawing_->decoder->Decoded_count() : 0);
}

int64_t cls_AVI_handler::Decoded_ahead_count() const { return drawing_ ? drawing_->ahead_used : 0; }

// The whole frame, from the picture decoded ahead when there is one for it (slot 0 holds it).
bool cls_AVI_handler::Decode_into(cDIBSection& picture)
{
    const std::span<const uint8_t> bytes = Frame_bytes();
    bool ok = false;
    if (!bytes.empty() && picture.DIBSectionBitsPtr() != nullptr) {
        platform::Av_frame_decoder* decoder = Decoder();
        ok = decoder != nullptr &&
             ((Take_ahead(rec_.current_stream, 0) &&
               decoder->Picture(0, picture.DIBSectionBitsPtr(), picture.Width(), picture.Height())) ||
              picture.Decode_frame(*decoder, bytes));
    }
    last_draw_result_ = ok ? 1 : 0;
    return ok;
}

// ---- Decoding ahead ----

bool cls_AVI_handler::Take_ahead(int16_t stream, int slot)
{
    Drawing& d = Draw_state();
    if (!d.ahead || d.ahead_frame.frame == 0 || !d.decoder) return false;
    const platform::Ahead_frame asked{d.decoder_codec, d.opening, rec_.frame_in_store, stream};
    d.ahead_frame = {};
    if (!d.ahead->Take(asked, Frame_bytes(), *d.decoder, slot)) return false;
    ++d.ahead_used;
    return true;
}

void cls_AVI_handler::Decode_next_ahead(int32_t frame, int16_t stream, int32_t step)
{
    Drawing& d = Draw_state();
    // Only steps of a held key or of playing: a field, a frame, or two with Ctrl.
    const int32_t next = frame + step;
    if (step == 0 || std::abs(step) > 2 || next < 1 || next > rec_.num_frames || !d.decoder) return;
    const platform::Ahead_frame wanted{d.decoder_codec, d.opening, next, stream};
    if (d.ahead && d.ahead_frame == wanted) return; // on its way already
    int64_t offset = 0;
    size_t length = 0;
    platform::Av_frame_bytes bytes;
    uint8_t* into = reader_->Frame_place(next, stream, offset, length) && length > 0 ? bytes.Resize(length) : nullptr;
    // The worker gets its own copy of the bytes; the file is only ever read here.
    if (into == nullptr || !rec_.file.Read_exact(offset, into, length)) {
        d.Drop_ahead();
        return;
    }
    if (!d.ahead) d.ahead = std::make_unique<platform::Frame_decode_ahead>();
    d.ahead->Start(wanted, std::move(bytes));
    d.ahead_frame = wanted;
}

bool cls_AVI_handler::Frame_place(int32_t frame, int16_t stream, int64_t& offset, size_t& length,
                                  std::string& codec) const
{
    codec = reader_->Decoder_codec();
    return rec_.file.Is_open() && frame >= 1 && frame <= rec_.num_frames &&
           reader_->Frame_place(frame, stream, offset, length) && length > 0;
}

void cls_AVI_handler::Drop_decode_ahead()
{
    if (drawing_) drawing_->Drop_ahead();
}

void cls_AVI_handler::Force_Reread_Frame()
{
    Decoded_Frame_No.fill(0);
    if (drawing_) drawing_->before_frame.fill(0);
    Drop_decode_ahead();
}

void cls_AVI_handler::Paint_black(platform::Draw_surface& picture, int32_t left, int32_t top, int32_t width,
                                  int32_t height)
{
    picture.BitBlt(left, top, width, height, nullptr, 0, 0, platform::BLACKNESS);
}

void cls_AVI_handler::Make_overlay_pictures(int32_t width, int32_t height)
{
    Drawing& d = Draw_state();
    // Made once; a size that makes no picture (nothing open, an empty picture box) is tried again.
    d.overlay_ready = d.overlay_source.Create(width, height) && d.overlay_target.Create(width, height) &&
                      d.overlay_background.Create(width, height);
}

const cDIBSection* cls_AVI_handler::Overlay_Source() const { return drawing_ ? &drawing_->overlay_source : nullptr; }
const cDIBSection* cls_AVI_handler::Overlay_Target() const { return drawing_ ? &drawing_->overlay_target : nullptr; }
const cDIBSection* cls_AVI_handler::Overlay_Background() const
{
    return drawing_ ? &drawing_->overlay_background : nullptr;
}

std::string cls_AVI_handler::DIB_sizes() const
{
    const auto size = [](const cDIBSection* p) {
        const bool made = p && p->DIBSectionBitsPtr();
        return std::to_string(made ? p->Width() : 0) + "," + std::to_string(made ? p->Height() : 0);
    };
    return size(drawing_ ? &drawing_->frame : nullptr) + " " + size(Overlay_Target());
}

namespace {

// The codec text of a failed decode.
std::string Codec_text(const std::string& codec)
{
    if (!codec.empty() && codec != "0") return codec;
    return g_DV_Codec.empty() ? std::string("dvsd") : g_DV_Codec;
}

} // namespace

bool cls_AVI_handler::Draw_frame(int32_t& frame, platform::Draw_surface& picture, bool mirror, int16_t stream,
                                 platform::Draw_surface* target, bool rotated)
{
    try {
        // The preloaded pictures are plain frames of stream 1.
        const bool plain = stream == 1 && !rotated && !mirror && flip_ == 0 && overlay_ == 0 && target == nullptr;
        if (plain && Paint_preloaded(frame, picture)) return true;
        if (!rec_.file.Is_open()) return false;
        Drawing& d = Draw_state();
        const int32_t pw = picture.Width(), ph = picture.Height();
        if (!d.overlay_ready) Make_overlay_pictures(pw, ph);
        if (frame == 0) frame = 1;
        current_frame_ = frame;
        const bool read = Read_drawn_frame(frame, stream);
        const int32_t fw = rec_.width > 0 ? rec_.width : 720, fh = rec_.height > 0 ? rec_.height : 576;
        bool shown = false;
        if (rotated) {
            Ensure_size(d.rotate_source, 720, 576);
            Ensure_size(d.rotate_target, 576, 720);
            shown = read && Decode_into(d.rotate_source);
            if (shown) {
                platform::Rotate90(d.rotate_source.DIBSectionBitsPtr(), d.rotate_target.DIBSectionBitsPtr(),
                                   d.rotate_source.Width(), d.rotate_source.Height(), 0);
                d.rotate_target.DIB_PaintPicture(&picture, 0, 0, pw, ph);
            }
        } else if (flip_ != 0 || mirror) {
            Ensure_size(d.mirror, fw, fh);
            shown = read && Decode_into(d.mirror);
            if (shown) {
                platform::FlipImageRGB24(d.mirror.DIBSectionBitsPtr(), int16_t(d.mirror.Width()),
                                         int16_t(d.mirror.Height()));
                d.mirror.DIB_PaintPicture(&picture, 0, 0, pw, ph);
            }
        } else if (overlay_ == 0) {
            decode_info_ = std::to_string(rec_.frame_size);
            Ensure_size(d.frame, fw, fh);
            shown = read && Decode_into(d.frame);
            platform::Draw_surface& to = target != nullptr ? *target : picture;
            const int32_t w = target != nullptr ? fw : pw, h = target != nullptr ? fh : ph;
            if (shown) d.frame.DIB_PaintPicture(&to, 0, 0, w, h);
            else {
                decode_info_ = Codec_text(rec_.codec);
                Paint_black(to, 0, 0, w, h);
                return false;
            }
        } else if (overlay_ > 0) {
            if (rec_.frame_in_store == 1) {
                // The overlay starts again: frame 1 is the picture and, of stream 1, the background.
                shown = read && Decode_into(d.overlay_target);
                if (shown && stream == 1) {
                    if (d.overlay_background.SizeImage() == d.overlay_target.SizeImage() &&
                        d.overlay_background.DIBSectionBitsPtr() != nullptr)
                        std::memcpy(d.overlay_background.DIBSectionBitsPtr(), d.overlay_target.DIBSectionBitsPtr(),
                                    size_t(d.overlay_target.SizeImage()));
                } else if (shown) {
                    if (!(Read_Frame(1, 1) && Decode_into(d.overlay_background))) Fill_black(d.overlay_background);
                    Read_Frame(frame, stream);
                }
            } else {
                shown = read && Decode_into(d.overlay_source);
                if (shown) {
                    const auto w = int16_t(d.overlay_source.Width()), h = int16_t(d.overlay_source.Height());
                    if (overlay_ == 4)
                        platform::ABlend(d.overlay_source.DIBSectionBitsPtr(), d.overlay_target.DIBSectionBitsPtr(),
                                         d.overlay_background.DIBSectionBitsPtr(), w, h, blend_faktor_);
                    else if (overlay_ == 3)
                        platform::LBlend(d.overlay_source.DIBSectionBitsPtr(), d.overlay_target.DIBSectionBitsPtr(),
                                         w, h, 2);
                    else if (overlay_ == 2)
                        platform::LBlend(d.overlay_source.DIBSectionBitsPtr(), d.overlay_target.DIBSectionBitsPtr(),
                                         w, h, 1);
                }
            }
            if (shown) d.overlay_target.DIB_PaintPicture(&picture, 0, 0, pw, ph);
        } else {
            return false; // a negative overlay mode draws nothing
        }
        if (!shown) {
            d.shown_frame = 0;
            Paint_black(picture, 0, 0, pw, ph);
            return false;
        }
        field_to_show_ = 1;
        effective_time_ = float(double(rec_.frame_in_store - 1) * rec_.ms_per_frame);
        const int32_t step = d.shown_frame > 0 ? frame - d.shown_frame : 0;
        d.shown_frame = frame;
        Decode_next_ahead(frame, stream, step);
        return true;
    } catch (...) {
        Report_current_exception("Draw_frame" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Refresh_frame(platform::Draw_surface& picture)
{
    Drawing& d = Draw_state();
    const int32_t pw = picture.Width(), ph = picture.Height();
    if (overlay_ >= 1) {
        if (d.overlay_target.DIBSectionBitsPtr() == nullptr) return false;
        d.overlay_target.DIB_PaintPicture(&picture, 0, 0, pw, ph);
        return true;
    }
    if (rec_.frame_in_store <= 0) return false;
    if (!Ensure_size(d.frame, rec_.width > 0 ? rec_.width : 720, rec_.height > 0 ? rec_.height : 576) || !Decode_into(d.frame)) {
        Paint_black(picture, 0, 0, pw, ph);
        return false;
    }
    d.frame.DIB_PaintPicture(&picture, 0, 0, pw, ph);
    return true;
}

bool cls_AVI_handler::Blit_Frame(platform::Draw_surface* dc, int32_t width, int32_t height)
{
    if (dc == nullptr || rec_.frame_in_store <= 0) return false;
    Drawing& d = Draw_state();
    if (!Ensure_size(d.frame, rec_.width > 0 ? rec_.width : 720, rec_.height > 0 ? rec_.height : 576) || !Decode_into(d.frame)) {
        Paint_black(*dc, 0, 0, width, height);
        return false;
    }
    d.frame.DIB_PaintPicture(dc, 0, 0, width, height);
    return true;
}

bool cls_AVI_handler::Draw_Panned_frame(int32_t frame, platform::Draw_surface& picture, int16_t x, int16_t y)
{
    Drawing& d = Draw_state();
    const auto w = int16_t(picture.Width()), h = int16_t(picture.Height());
    Paint_black(picture, 0, 0, w, h);
    if (!Read_Frame(frame, 1) || !Ensure_size(d.frame, rec_.width > 0 ? rec_.width : 720, rec_.height > 0 ? rec_.height : 576) ||
        !Decode_into(d.frame))
        return false;
    // 1:1 from (x, y); what lies outside the frame stays black.
    picture.BitBlt(0, 0, w, h, d.frame.hDC(), x, y, platform::SRCCOPY);
    return true;
}

bool cls_AVI_handler::Restore_target(int32_t frame)
{
    Drawing& d = Draw_state();
    if (!d.overlay_ready) Make_overlay_pictures(rec_.width, rec_.height);
    if (Read_Frame(frame, 1) && Decode_into(d.overlay_target)) return true;
    Fill_black(d.overlay_target);
    return false;
}

bool cls_AVI_handler::Store_frame(int32_t frame, const std::string& which)
{
    if (!rec_.file.Is_open()) return false;
    Drawing& d = Draw_state();
    if (!d.overlay_ready) Make_overlay_pictures(rec_.width, rec_.height);
    if (frame == 0) frame = 1;
    cDIBSection* into = which == "source" ? &d.overlay_source : which == "target" ? &d.overlay_target : nullptr;
    if (into == nullptr) return false;
    if (Read_Frame(frame, 1) && Decode_into(*into)) return true;
    decode_info_ = Codec_text(rec_.codec);
    Fill_black(*into);
    return false;
}

bool cls_AVI_handler::Reset_Overlay(platform::Draw_surface& picture)
{
    if (overlay_ == 0 || rec_.frame_in_store <= 0) return false;
    Drawing& d = Draw_state();
    cDIBSection& into = overlay_ == 4 ? d.overlay_background : d.overlay_target;
    const bool ok = Decode_into(into);
    if (!ok) Fill_black(into);
    d.overlay_target.DIB_PaintPicture(&picture, 0, 0, picture.Width(), picture.Height());
    return ok;
}

// A frame past the end of the recording is none (Read_Frame alone would give the last frame),
// and nothing of the frame read before stays in store.
bool cls_AVI_handler::Read_drawn_frame(int32_t frame, int16_t stream)
{
    if (frame <= rec_.num_frames) return Read_Frame(frame, stream);
    Forget_frame();
    rec_.frame_in_store = 0;
    return false;
}

// Field n's time: field 1 of a frame has the frame's time, field 2 is one field later.
float cls_AVI_handler::Field_time(int32_t field) const
{
    const int32_t first = Trimmed_Start() == 0 ? 1 : Trimmed_Start();
    return float(double(int64_t(field) - first) * rec_.ms_per_field);
}

int16_t cls_AVI_handler::Drawn_streams() const { return std::clamp<int16_t>(rec_.num_streams, 1, 3); }

const cDIBSection* cls_AVI_handler::Field_DIB(int16_t stream) const
{
    if (!drawing_ || stream < 1 || stream > 3) return nullptr;
    return &drawing_->Field(stream);
}

const cDIBSection* cls_AVI_handler::Rotated_Field_DIB() const { return drawing_ ? &drawing_->rotated_field : nullptr; }

// What the next drawing of the same field may show again without reading.
void cls_AVI_handler::Note_field_drawn(int32_t field, int16_t stream)
{
    Drawing& d = Draw_state();
    last_field_ = field;
    d.last_stream = stream;
    d.store_frame = rec_.frame_in_store;
    d.store_stream = rec_.current_stream;
}

bool cls_AVI_handler::Draw_field_3(int32_t field, platform::Draw_surface& picture, int16_t stream, bool rotated)
{
    try {
        if (!rec_.file.Is_open()) return false;
        current_field_ = field;
        if (field == 0) return false;
        if (stream < 1 || stream > 3)
            throw Run_time_error(err_Subscript, "Subscript out of range: stream " + std::to_string(stream));
        Drawing& d = Draw_state();
        const int32_t pw = picture.Width(), ph = picture.Height();
        cDIBSection& field_pic = d.field[size_t(stream)];
        const bool full_size = reader_->Fields_at_full_size();
        auto paint_field = [&] {
            if (full_size) d.Field(stream).DIB_DrawDib2(picture, 0, 0, 720, 576);
            else if (!d.Paint_pending_field(stream, picture)) d.Field(stream).DIB_PaintPicture(&picture, 0, 0, pw, ph);
        };
        // The same field again: shown from the field picture, nothing read or decoded.
        if (!rotated && field == last_field_ && stream == d.last_stream && d.field_held[size_t(stream)] == field &&
            rec_.frame_in_store == d.store_frame && rec_.current_stream == d.store_stream) {
            paint_field();
            return true;
        }
        if (rec_.name.empty()) return false;
        const auto frame_no = int32_t((int64_t(field) + 1) / 2);
        const int16_t which = Field_Parity(field);
        eff_frameno_ = frame_no;
        field_to_show_ = which;
        // The frame in store already (field 2 after field 1): its bytes are those just read.
        const bool read = (rec_.frame_in_store == frame_no && rec_.current_stream == stream && rec_.chunk_length > 0) ||
                          Read_drawn_frame(frame_no, stream);
        const int32_t sh = NTSC() ? 480 : 576;
        if (field_pic.Height() != sh || field_pic.DIBSectionBitsPtr() == nullptr) {
            field_pic.Create(720, sh);
            Decoded_Frame_No[size_t(stream)] = 0;
            d.field_held[size_t(stream)] = 0;
            d.field_pending[size_t(stream)] = 0;
        }
        if (reader_->Traces_read_with_fields()) Read_Trace_Data();
        bool ok = read;
        // Once per frame: field 2 of the frame just shown comes from the picture kept for field 1.
        if (ok && Decoded_Frame_No[size_t(stream)] != rec_.frame_in_store) {
            const int32_t held = std::exchange(Decoded_Frame_No[size_t(stream)], 0);
            ok = Keep_for_fields(stream, held);
            if (ok) Decoded_Frame_No[size_t(stream)] = rec_.frame_in_store;
        }
        const int32_t part = rotated ? pw / Drawn_streams() : pw;
        const int32_t left = rotated ? (stream - 1) * part : 0;
        if (!ok) {
            if (!read) eff_frameno_ = 0; // no frame of the recording is shown
            d.shown_field = 0;
            d.field_held[size_t(stream)] = 0;
            d.field_pending[size_t(stream)] = 0;
            Fill_black(field_pic);
            last_field_ = 0;
            Paint_black(picture, left, 0, part, ph);
            return false;
        }
        d.field_pending[size_t(stream)] = which;
        d.field_held[size_t(stream)] = field;
        // The frame the next step in the same direction needs (field 2 of this one needs none),
        // started before this field is made, so the worker decodes while it is converted.
        const int32_t delta = d.shown_field > 0 ? field - d.shown_field : 0;
        d.shown_field = field;
        if (delta != 0 && std::abs(delta) <= 4) {
            const auto frame_of = [](int64_t n) { return int32_t((n + 1) / 2); };
            int32_t next = frame_of(int64_t(field) + delta);
            if (next == frame_no) next = frame_of(int64_t(field) + 2 * int64_t(delta));
            // The frame before is kept already.
            if (next != d.before_frame[size_t(stream)]) Decode_next_ahead(frame_no, stream, next - frame_no);
        }
        if (!rotated) {
            paint_field();
        } else {
            d.Field(stream);
            Ensure_size(d.rotated_field, field_pic.Height(), field_pic.Width());
            platform::Rotate90(field_pic.DIBSectionBitsPtr(), d.rotated_field.DIBSectionBitsPtr(), field_pic.Width(),
                               field_pic.Height(), 0);
            d.rotated_field.DIB_PaintPicture(&picture, left, 0, part, ph);
        }
        effective_time_ = Field_time(field);
        Note_field_drawn(field, stream);
        return true;
    } catch (...) {
        Report_current_exception("Draw_field_3" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Draw_field(int32_t field, platform::Draw_surface& picture, bool swap, int16_t stream)
{
    try {
        picture.SetStretchBltMode(platform::HALFTONE);
        if (field == 0) return false;
        Drawing& d = Draw_state();
        const int32_t fw = rec_.width > 0 ? rec_.width : 720, fh = rec_.height > 0 ? rec_.height : 576;
        if (field == last_field_ && stream == d.last_stream && d.line_field_held == field &&
            rec_.frame_in_store == d.store_frame && rec_.current_stream == d.store_stream) {
            picture.BitBlt(0, 0, fw, fh, d.line_field.hDC(), 0, 0, platform::SRCCOPY);
            return true;
        }
        if (rec_.name.empty()) return false;
        decode_info_ = rec_.name;
        const auto frame_no = int32_t((int64_t(field) + 1) / 2);
        const int16_t which = Field_Parity(field);
        eff_frameno_ = frame_no;
        field_to_show_ = which;
        Ensure_size(d.line_frame, fw, fh);
        Ensure_size(d.line_field, fw, fh);
        const bool read = Read_drawn_frame(frame_no, stream);
        if (!read || !Decode_into(d.line_frame)) {
            if (!read) eff_frameno_ = 0;
            d.line_field_held = 0;
            last_field_ = 0;
            Paint_black(picture, 0, 0, picture.Width(), picture.Height());
            return false;
        }
        platform::deinterlaceFrame2(d.line_frame.DIBSectionBitsPtr(), d.line_field.DIBSectionBitsPtr(), int16_t(fw),
                                    int16_t(fh), swap ? int16_t(3 - which) : which);
        d.line_field_held = field;
        picture.StretchBlt(0, 0, picture.Width(), picture.Height(), d.line_field.hDC(), 0, 0, fw, fh,
                           platform::SRCCOPY);
        effective_time_ = Field_time(field);
        Note_field_drawn(field, stream);
        return true;
    } catch (...) {
        // Quietly, as the older drawing always did.
        return false;
    }
}

void cls_AVI_handler::Refresh_field(platform::Draw_surface& picture, bool rotated)
{
    Drawing& d = Draw_state();
    cDIBSection& shown = rotated ? d.rotated_field : d.Field(1);
    shown.DIB_PaintPicture(&picture, 0, 0, picture.Width(), picture.Height());
}

void cls_AVI_handler::Reset_drawing()
{
    if (drawing_) {
        drawing_->overlay_ready = false;
        drawing_->field_held.fill(0);
        drawing_->field_pending.fill(0);
        drawing_->line_field_held = 0;
        drawing_->last_stream = 0;
        drawing_->store_frame = 0;
        drawing_->store_stream = 0;
        drawing_->shown_field = drawing_->shown_frame = 0;
        drawing_->before_frame.fill(0);
        ++drawing_->opening;
        drawing_->Drop_ahead();
    }
    last_field_ = 0;
    m_trace_data_ = Trace_Record{};
    trace_read_ = Trace_Record{};
    trace_array_.clear();
}

} // namespace wk
