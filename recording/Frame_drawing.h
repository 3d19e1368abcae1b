#pragma once
// The frame renderer's drawing state and the picture helpers its source files share.
#include "platform/Av_frame_decoder.h"
#include "platform/Draw_surface.h"
#include "platform/Frame_decode_ahead.h"
#include "platform/Image_library.h"
#include "recording/Frame_renderer.h"
#include "services/graphics/cDIBSection.h"

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace wk {
namespace frame_drawing {
// Makes the picture width x height unless it is that size already.
inline bool Ensure_size(cDIBSection& picture, int32_t width, int32_t height)
{
    if (picture.DIBSectionBitsPtr() != nullptr && picture.Width() == width && picture.Height() == height) return true;
    return picture.Create(width, height);
}

inline void Fill_black(cDIBSection& picture)
{
    if (uint8_t* bits = picture.DIBSectionBitsPtr()) std::memset(bits, 0, size_t(picture.SizeImage()));
}

inline void Paint_black(platform::Draw_surface& picture, int32_t left, int32_t top, int32_t width, int32_t height)
{
    picture.BitBlt(left, top, width, height, nullptr, 0, 0, platform::BLACKNESS);
}

inline constexpr const char* k_Class = " of Class Module cls_AVI_handler";

} // namespace frame_drawing

// What the drawing keeps between calls. The pictures are made on first use and kept for the
// object's life, so stepping through a recording allocates nothing.
struct Frame_renderer::Drawing {
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
    std::array<platform::Av_frame_bytes, 4> before_bytes, kept_bytes;
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
        if (decoder && frame_drawing::Ensure_size(whole, f.Width(), f.Height()) &&
            decoder->Picture(stream, whole.DIBSectionBitsPtr(), whole.Width(), whole.Height()))
            platform::deinterlaceFrame2(whole.DIBSectionBitsPtr(), f.DIBSectionBitsPtr(), int16_t(f.Width()),
                                        int16_t(f.Height()), which);
        else
            frame_drawing::Fill_black(f);
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

} // namespace wk
