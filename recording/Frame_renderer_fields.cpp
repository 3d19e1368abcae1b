// Drawing the fields of a recording's frames, one stream or three side by side.
#include "recording/Frame_drawing.h"

#include "services/Module_error.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace wk {

using namespace frame_drawing;

// Field n's time: field 1 of a frame has the frame's time, field 2 is one field later.
float Frame_renderer::Field_time(int32_t field) const
{
    const int32_t first = source_.Facts().trimmed_start == 0 ? 1 : source_.Facts().trimmed_start;
    return float(double(int64_t(field) - first) * source_.Facts().ms_per_field);
}

int16_t Frame_renderer::Drawn_streams() const { return std::clamp<int16_t>(source_.Facts().num_streams, 1, 3); }

const cDIBSection* Frame_renderer::Field_DIB(int16_t stream) const
{
    if (!drawing_ || stream < 1 || stream > 3) return nullptr;
    return &drawing_->Field(stream);
}

const cDIBSection* Frame_renderer::Rotated_Field_DIB() const { return drawing_ ? &drawing_->rotated_field : nullptr; }

// What the next drawing of the same field may show again without reading.
void Frame_renderer::Note_field_drawn(int32_t field, int16_t stream)
{
    Drawing& d = Draw_state();
    last_field_ = field;
    d.last_stream = stream;
    d.store_frame = source_.Frame_in_store();
    d.store_stream = source_.Stream_in_store();
}

// The frame the next step in the same direction needs after field `field` of frame frame_no
// (field 2 of this frame needs none), handed to the worker.
void Frame_renderer::Start_ahead_for_field(int32_t field, int32_t frame_no, int16_t stream)
{
    Drawing& d = Draw_state();
    const int32_t delta = d.shown_field > 0 ? field - d.shown_field : 0;
    d.shown_field = field;
    if (delta == 0 || std::abs(delta) > 4) return;
    const auto frame_of = [](int64_t n) { return int32_t((n + 1) / 2); };
    int32_t next = frame_of(int64_t(field) + delta);
    if (next == frame_no) next = frame_of(int64_t(field) + 2 * int64_t(delta));
    // The frame before is kept already.
    if (next != d.before_frame[size_t(stream)]) Decode_next_ahead(frame_no, stream, next - frame_no);
}

bool Frame_renderer::Draw_field_3(int32_t field, platform::Draw_surface& picture, int16_t stream, bool rotated)
{
    try {
        if (!source_.Facts().open) return false;
        current_field = field;
        if (field == 0) return false;
        if (stream < 1 || stream > 3)
            throw Run_time_error(err_Subscript, "Subscript out of range: stream " + std::to_string(stream));
        Drawing& d = Draw_state();
        const int32_t pw = picture.Width(), ph = picture.Height();
        cDIBSection& field_pic = d.field[size_t(stream)];
        const bool full_size = source_.Facts().fields_at_full_size;
        auto paint_field = [&] {
            if (full_size) d.Field(stream).DIB_DrawDib2(picture, 0, 0, 720, 576);
            else if (!d.Paint_pending_field(stream, picture)) d.Field(stream).DIB_PaintPicture(&picture, 0, 0, pw, ph);
        };
        // The same field again: shown from the field picture, nothing read or decoded.
        if (!rotated && field == last_field_ && stream == d.last_stream && d.field_held[size_t(stream)] == field &&
            source_.Frame_in_store() == d.store_frame && source_.Stream_in_store() == d.store_stream) {
            paint_field();
            return true;
        }
        if (source_.Facts().name.empty()) return false;
        const auto frame_no = int32_t((int64_t(field) + 1) / 2);
        const int16_t which = Field_Parity(field);
        eff_frameno = frame_no;
        field_to_show = which;
        // The frame in store already (field 2 after field 1): its bytes are those just read.
        const bool read =
            (source_.Frame_in_store() == frame_no && source_.Stream_in_store() == stream && !source_.Bytes().empty()) ||
            Read_drawn_frame(frame_no, stream);
        const int32_t sh = source_.Facts().ntsc ? 480 : 576;
        if (field_pic.Height() != sh || field_pic.DIBSectionBitsPtr() == nullptr) {
            field_pic.Create(720, sh);
            decoded_frame_no[size_t(stream)] = 0;
            d.field_held[size_t(stream)] = 0;
            d.field_pending[size_t(stream)] = 0;
        }
        if (source_.Facts().traces_read_with_fields) source_.Take_capture_record();
        bool ok = read;
        // Once per frame: field 2 of the frame just shown comes from the picture kept for field 1.
        if (ok && decoded_frame_no[size_t(stream)] != source_.Frame_in_store()) {
            const int32_t held = std::exchange(decoded_frame_no[size_t(stream)], 0);
            ok = Keep_for_fields(stream, held);
            if (ok) decoded_frame_no[size_t(stream)] = source_.Frame_in_store();
        }
        const int32_t part = rotated ? pw / Drawn_streams() : pw;
        const int32_t left = rotated ? (stream - 1) * part : 0;
        if (!ok) {
            if (!read) eff_frameno = 0; // no frame of the recording is shown
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
        // Started before this field is made, so the worker decodes while it is converted.
        Start_ahead_for_field(field, frame_no, stream);
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

bool Frame_renderer::Draw_field(int32_t field, platform::Draw_surface& picture, bool swap, int16_t stream)
{
    try {
        picture.SetStretchBltMode(platform::HALFTONE);
        if (field == 0) return false;
        Drawing& d = Draw_state();
        const int32_t fw = Frame_width(), fh = Frame_height();
        if (field == last_field_ && stream == d.last_stream && d.line_field_held == field &&
            source_.Frame_in_store() == d.store_frame && source_.Stream_in_store() == d.store_stream) {
            picture.BitBlt(0, 0, fw, fh, d.line_field.hDC(), 0, 0, platform::SRCCOPY);
            return true;
        }
        if (source_.Facts().name.empty()) return false;
        decode_info_ = source_.Facts().name;
        const auto frame_no = int32_t((int64_t(field) + 1) / 2);
        const int16_t which = Field_Parity(field);
        eff_frameno = frame_no;
        field_to_show = which;
        Ensure_size(d.line_frame, fw, fh);
        Ensure_size(d.line_field, fw, fh);
        const bool read = Read_drawn_frame(frame_no, stream);
        if (!read || !Decode_into(d.line_frame)) {
            if (!read) eff_frameno = 0;
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

void Frame_renderer::Refresh_field(platform::Draw_surface& picture, bool rotated)
{
    Drawing& d = Draw_state();
    cDIBSection& shown = rotated ? d.rotated_field : d.Field(1);
    shown.DIB_PaintPicture(&picture, 0, 0, picture.Width(), picture.Height());
}

} // namespace wk
