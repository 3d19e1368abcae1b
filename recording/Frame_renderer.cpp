// Decoding and drawing frames, overlays and fields into pictures.
#include "recording/Frame_renderer.h"

#include "recording/Frame_drawing.h"

#include "platform/Av_frame_decoder.h"
#include "platform/Draw_surface.h"
#include "platform/Frame_decode_ahead.h"
#include "platform/Image_library.h"
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

using namespace frame_drawing;

Frame_renderer::Frame_renderer(Frame_source& source) : source_(source) {}
Frame_renderer::~Frame_renderer() = default;

Frame_renderer::Drawing& Frame_renderer::Draw_state()
{
    if (!drawing_) drawing_ = std::make_unique<Drawing>();
    return *drawing_;
}

platform::Av_frame_decoder* Frame_renderer::Decoder()
{
    Drawing& d = Draw_state();
    // DV kinds use the DV decoder; AVI recordings the decoder of their codec.
    const std::string codec = source_.Facts().decoder_codec;
    if (!d.decoder || d.decoder_codec != codec) {
        if (d.decoder) d.decoded_before += d.decoder->Decoded_count();
        d.decoder = std::make_unique<platform::Av_frame_decoder>(codec);
        d.decoder_codec = codec;
        // The frames the old decoder kept go with it.
        decoded_frame_no.fill(0);
        d.field_pending.fill(0);
        d.before_frame.fill(0);
    }
    return d.decoder.get();
}

// Decodes the frame in store and keeps its picture for the fields of a stream. The picture it
// replaces is kept as the frame before: a step back takes it again when the bytes read for it
// are those it was made of.
bool Frame_renderer::Keep_for_fields(int16_t stream, int32_t held)
{
    const std::span<const uint8_t> bytes = source_.Bytes();
    platform::Av_frame_decoder* decoder = bytes.empty() ? nullptr : Decoder();
    bool ok = false;
    if (decoder != nullptr) {
        Drawing& d = Draw_state();
        const auto s = size_t(stream);
        const bool back =
            d.before_frame[s] == source_.Frame_in_store() && std::ranges::equal(d.before_bytes[s].Bytes(), bytes);
        // The present picture becomes the one before (a slot that holds no known frame keeps nothing).
        const bool moved = (back || held > 0) && decoder->Swap_kept(stream, stream + 4);
        if (moved) std::swap(d.before_bytes[s], d.kept_bytes[s]);
        d.before_frame[s] = moved ? held : 0;
        if (back) {
            ok = true;
        } else if (Take_ahead(stream, stream, &d.kept_bytes[s])) {
            ok = true; // the worker's bytes, equal to those read, are kept as they are
        } else {
            ok = decoder->Keep(bytes, stream);
            uint8_t* into = ok ? d.kept_bytes[s].Resize(bytes.size()) : nullptr;
            if (into != nullptr) std::memcpy(into, bytes.data(), bytes.size());
            else d.kept_bytes[s] = {};
        }
    }
    last_draw_result_ = ok ? 1 : 0;
    return ok;
}

int64_t Frame_renderer::Decoded_count() const
{
    if (!drawing_) return 0;
    return drawing_->decoded_before + drawing_->ahead_used +
           (drawing_->decoder ? drawing_->decoder->Decoded_count() : 0);
}

int64_t Frame_renderer::Decoded_ahead_count() const { return drawing_ ? drawing_->ahead_used : 0; }

// The whole frame, from the picture decoded ahead when there is one for it (slot 0 holds it).
bool Frame_renderer::Decode_into(cDIBSection& picture)
{
    const std::span<const uint8_t> bytes = source_.Bytes();
    bool ok = false;
    if (!bytes.empty() && picture.DIBSectionBitsPtr() != nullptr) {
        platform::Av_frame_decoder* decoder = Decoder();
        ok = decoder != nullptr &&
             ((Take_ahead(source_.Stream_in_store(), 0) &&
               decoder->Picture(0, picture.DIBSectionBitsPtr(), picture.Width(), picture.Height())) ||
              picture.Decode_frame(*decoder, bytes));
    }
    last_draw_result_ = ok ? 1 : 0;
    return ok;
}

// ---- Decoding ahead ----

bool Frame_renderer::Take_ahead(int16_t stream, int slot, platform::Av_frame_bytes* made_of)
{
    Drawing& d = Draw_state();
    if (!d.ahead || d.ahead_frame.frame == 0 || !d.decoder) return false;
    const platform::Ahead_frame asked{d.decoder_codec, d.opening, source_.Frame_in_store(), stream};
    d.ahead_frame = {};
    if (!d.ahead->Take(asked, source_.Bytes(), *d.decoder, slot, made_of)) return false;
    ++d.ahead_used;
    return true;
}

void Frame_renderer::Decode_next_ahead(int32_t frame, int16_t stream, int32_t step)
{
    Drawing& d = Draw_state();
    // Only steps of a held key or of playing: a field, a frame, or two with Ctrl.
    const int32_t next = frame + step;
    if (step == 0 || std::abs(step) > 2 || next < 1 || next > source_.Facts().num_frames || !d.decoder) return;
    const platform::Ahead_frame wanted{d.decoder_codec, d.opening, next, stream};
    if (d.ahead && d.ahead_frame == wanted) return; // on its way already
    platform::Av_frame_bytes bytes = d.ahead ? d.ahead->Spare_bytes() : platform::Av_frame_bytes();
    // The worker gets its own copy of the bytes; the file is only ever read here.
    if (!source_.Copy_frame(next, stream, bytes)) {
        d.Drop_ahead();
        return;
    }
    if (!d.ahead) d.ahead = std::make_unique<platform::Frame_decode_ahead>();
    d.ahead->Start(wanted, std::move(bytes));
    d.ahead_frame = wanted;
}

void Frame_renderer::Drop_decode_ahead()
{
    if (drawing_) drawing_->Drop_ahead();
}

void Frame_renderer::Force_Reread_Frame()
{
    decoded_frame_no.fill(0);
    if (drawing_) drawing_->before_frame.fill(0);
    Drop_decode_ahead();
}

void Frame_renderer::Make_overlay_pictures(int32_t width, int32_t height)
{
    Drawing& d = Draw_state();
    // Made once; a size that makes no picture (nothing open, an empty picture box) is tried again.
    d.overlay_ready = d.overlay_source.Create(width, height) && d.overlay_target.Create(width, height) &&
                      d.overlay_background.Create(width, height);
}

const cDIBSection* Frame_renderer::Overlay_Source() const { return drawing_ ? &drawing_->overlay_source : nullptr; }
const cDIBSection* Frame_renderer::Overlay_Target() const { return drawing_ ? &drawing_->overlay_target : nullptr; }
const cDIBSection* Frame_renderer::Overlay_Background() const
{
    return drawing_ ? &drawing_->overlay_background : nullptr;
}

std::string Frame_renderer::DIB_sizes() const
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

// One frame through the overlay: frame 1 starts it again, every other frame is blended into the
// overlay's picture as the mode says.
bool Frame_renderer::Draw_overlay(int32_t frame, int16_t stream, bool read)
{
    Drawing& d = Draw_state();
    if (source_.Frame_in_store() == 1) {
        // The overlay starts again: frame 1 is the picture and, of stream 1, the background.
        bool shown = read && Decode_into(d.overlay_target);
        if (shown && stream == 1) {
            if (d.overlay_background.SizeImage() == d.overlay_target.SizeImage() &&
                d.overlay_background.DIBSectionBitsPtr() != nullptr)
                std::memcpy(d.overlay_background.DIBSectionBitsPtr(), d.overlay_target.DIBSectionBitsPtr(),
                            size_t(d.overlay_target.SizeImage()));
        } else if (shown) {
            if (!(source_.Read(1, 1) && Decode_into(d.overlay_background))) Fill_black(d.overlay_background);
            source_.Read(frame, stream);
        }
        return shown;
    }
    const bool shown = read && Decode_into(d.overlay_source);
    if (shown) {
        const auto w = int16_t(d.overlay_source.Width()), h = int16_t(d.overlay_source.Height());
        if (overlay == 4)
            platform::ABlend(d.overlay_source.DIBSectionBitsPtr(), d.overlay_target.DIBSectionBitsPtr(),
                             d.overlay_background.DIBSectionBitsPtr(), w, h, blend_faktor);
        else if (overlay == 3)
            platform::LBlend(d.overlay_source.DIBSectionBitsPtr(), d.overlay_target.DIBSectionBitsPtr(), w, h, 2);
        else if (overlay == 2)
            platform::LBlend(d.overlay_source.DIBSectionBitsPtr(), d.overlay_target.DIBSectionBitsPtr(), w, h, 1);
    }
    return shown;
}

bool Frame_renderer::Draw_frame(int32_t& frame, platform::Draw_surface& picture, bool mirror, int16_t stream,
                                 platform::Draw_surface* target, bool rotated)
{
    try {
        // The preloaded pictures are plain frames of stream 1.
        const bool plain = stream == 1 && !rotated && !mirror && flip == 0 && overlay == 0 && target == nullptr;
        if (plain && Paint_preloaded(frame, picture)) return true;
        if (!source_.Facts().open) return false;
        Drawing& d = Draw_state();
        const int32_t pw = picture.Width(), ph = picture.Height();
        if (!d.overlay_ready) Make_overlay_pictures(pw, ph);
        if (frame == 0) frame = 1;
        current_frame = frame;
        const bool read = Read_drawn_frame(frame, stream);
        const int32_t fw = Frame_width(), fh = Frame_height();
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
        } else if (flip != 0 || mirror) {
            Ensure_size(d.mirror, fw, fh);
            shown = read && Decode_into(d.mirror);
            if (shown) {
                platform::FlipImageRGB24(d.mirror.DIBSectionBitsPtr(), int16_t(d.mirror.Width()),
                                         int16_t(d.mirror.Height()));
                d.mirror.DIB_PaintPicture(&picture, 0, 0, pw, ph);
            }
        } else if (overlay == 0) {
            decode_info_ = std::to_string(source_.Facts().frame_size);
            Ensure_size(d.frame, fw, fh);
            shown = read && Decode_into(d.frame);
            platform::Draw_surface& to = target != nullptr ? *target : picture;
            const int32_t w = target != nullptr ? fw : pw, h = target != nullptr ? fh : ph;
            if (shown) d.frame.DIB_PaintPicture(&to, 0, 0, w, h);
            else {
                decode_info_ = Codec_text(source_.Facts().codec);
                Paint_black(to, 0, 0, w, h);
                return false;
            }
        } else if (overlay > 0) {
            shown = Draw_overlay(frame, stream, read);
            if (shown) d.overlay_target.DIB_PaintPicture(&picture, 0, 0, pw, ph);
        } else {
            return false; // a negative overlay mode draws nothing
        }
        if (!shown) {
            d.shown_frame = 0;
            Paint_black(picture, 0, 0, pw, ph);
            return false;
        }
        field_to_show = 1;
        effective_time_ = float(double(source_.Frame_in_store() - 1) * source_.Facts().ms_per_frame);
        const int32_t step = d.shown_frame > 0 ? frame - d.shown_frame : 0;
        d.shown_frame = frame;
        Decode_next_ahead(frame, stream, step);
        return true;
    } catch (...) {
        Report_current_exception("Draw_frame" + std::string(k_Class));
        return false;
    }
}

bool Frame_renderer::Refresh_frame(platform::Draw_surface& picture)
{
    Drawing& d = Draw_state();
    const int32_t pw = picture.Width(), ph = picture.Height();
    if (overlay >= 1) {
        if (d.overlay_target.DIBSectionBitsPtr() == nullptr) return false;
        d.overlay_target.DIB_PaintPicture(&picture, 0, 0, pw, ph);
        return true;
    }
    if (source_.Frame_in_store() <= 0) return false;
    if (!Ensure_size(d.frame, Frame_width(), Frame_height()) || !Decode_into(d.frame)) {
        Paint_black(picture, 0, 0, pw, ph);
        return false;
    }
    d.frame.DIB_PaintPicture(&picture, 0, 0, pw, ph);
    return true;
}

bool Frame_renderer::Blit_Frame(platform::Draw_surface* dc, int32_t width, int32_t height)
{
    if (dc == nullptr || source_.Frame_in_store() <= 0) return false;
    Drawing& d = Draw_state();
    if (!Ensure_size(d.frame, Frame_width(), Frame_height()) || !Decode_into(d.frame)) {
        Paint_black(*dc, 0, 0, width, height);
        return false;
    }
    d.frame.DIB_PaintPicture(dc, 0, 0, width, height);
    return true;
}

bool Frame_renderer::Draw_Panned_frame(int32_t frame, platform::Draw_surface& picture, int16_t x, int16_t y)
{
    Drawing& d = Draw_state();
    const auto w = int16_t(picture.Width()), h = int16_t(picture.Height());
    Paint_black(picture, 0, 0, w, h);
    if (!source_.Read(frame, 1) || !Ensure_size(d.frame, Frame_width(), Frame_height()) ||
        !Decode_into(d.frame))
        return false;
    // 1:1 from (x, y); what lies outside the frame stays black.
    picture.BitBlt(0, 0, w, h, d.frame.hDC(), x, y, platform::SRCCOPY);
    return true;
}

bool Frame_renderer::Restore_target(int32_t frame)
{
    Drawing& d = Draw_state();
    if (!d.overlay_ready) Make_overlay_pictures(source_.Facts().width, source_.Facts().height);
    if (source_.Read(frame, 1) && Decode_into(d.overlay_target)) return true;
    Fill_black(d.overlay_target);
    return false;
}

bool Frame_renderer::Store_frame(int32_t frame, const std::string& which)
{
    if (!source_.Facts().open) return false;
    Drawing& d = Draw_state();
    if (!d.overlay_ready) Make_overlay_pictures(source_.Facts().width, source_.Facts().height);
    if (frame == 0) frame = 1;
    cDIBSection* into = which == "source" ? &d.overlay_source : which == "target" ? &d.overlay_target : nullptr;
    if (into == nullptr) return false;
    if (source_.Read(frame, 1) && Decode_into(*into)) return true;
    decode_info_ = Codec_text(source_.Facts().codec);
    Fill_black(*into);
    return false;
}

bool Frame_renderer::Reset_Overlay(platform::Draw_surface& picture)
{
    if (overlay == 0 || source_.Frame_in_store() <= 0) return false;
    Drawing& d = Draw_state();
    cDIBSection& into = overlay == 4 ? d.overlay_background : d.overlay_target;
    const bool ok = Decode_into(into);
    if (!ok) Fill_black(into);
    d.overlay_target.DIB_PaintPicture(&picture, 0, 0, picture.Width(), picture.Height());
    return ok;
}

// A frame past the end of the recording is none (Read_Frame alone would give the last frame),
// and nothing of the frame read before stays in store.
bool Frame_renderer::Read_drawn_frame(int32_t frame, int16_t stream)
{
    if (frame <= source_.Facts().num_frames) return source_.Read(frame, stream);
    source_.Forget();
    return false;
}

void Frame_renderer::Reset()
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
}

} // namespace wk
