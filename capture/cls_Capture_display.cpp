// Drawing a camera's frames: the preview, a stored field, and the running arm.
#include "capture/cls_Capture.h"

#include "platform/Av_frame_decoder.h"
#include "platform/Draw_surface.h"
#include "platform/Image_library.h"
#include "services/Module_error.h"
#include "services/Module_trace.h"
#include "services/graphics/cDIBSection.h"

#include <cmath>

namespace wk {

namespace {

constexpr int32_t k_Newest = 3;
constexpr int32_t k_Oldest = 4;

} // namespace

void cls_Capture::Calculate_field(int32_t n, int32_t& frame, int16_t& field)
{
    frame = (n + 1) / 2;
    field = int16_t(n % 2 != 0 ? 1 : 2);
}

bool cls_Capture::Decode(std::span<const uint8_t> frame)
{
    if (!decoder_) decoder_ = std::make_unique<platform::Av_frame_decoder>(g_DV_Codec);
    last_decoded_ = nullptr;
    if (!picture_->Decode_frame(*decoder_, frame)) return false;
    last_decoded_ = frame.data();
    decoded_at_store_ = stored_count_;
    return true;
}

std::span<const uint8_t> cls_Capture::Display_source(int32_t mode, bool newest)
{
    if (mode == k_Oldest) {
        Trace_Line("*m_Oldest_Video_object= ", oldest_);
        const int32_t slot = buffer_filled_ ? oldest_ : 1;
        return std::span<const uint8_t>(Ring_frame(slot), k_Frame_bytes);
    }
    if (newest) return frame_;
    return std::span<const uint8_t>(Ring_frame(ring_index_), k_Frame_bytes);
}

void cls_Capture::Display_frame2(QImage& picture, int32_t mode, bool newest, int32_t frame_number, bool rotate,
                                 bool whole_frame, bool line_doubling, int32_t x_position)
{
    try {
        if (!frame_received_ || (!newest && Buff_num() == 0)) return;
        if (display_half_ && (draw_toggle_ = !draw_toggle_)) return;
        if (mode == k_Oldest && (max_frames_ == 0 || highest_object_ == 0)) return;
        if (mode == k_Newest && !newest && ring_index_ == 0) return;
        if (mode == k_Newest || mode == k_Oldest)
            Draw_scaled(picture, Display_source(mode, newest), rotate, whole_frame, line_doubling);
        else
            Draw_field(picture, frame_number, x_position);
    } catch (...) {
        Report_current_exception("Display_frame2 of Class Module cls_Capture");
    }
}

void cls_Capture::Draw_scaled(QImage& picture, std::span<const uint8_t> frame, bool rotate, bool whole, bool doubling)
{
    if (!Decode(frame)) return;
    last_decoded_ = nullptr; // the picture is changed below and the frame buffer changes with every frame
    platform::Draw_surface box(&picture);
    if (!rotate) {
        if (flip_) platform::FlipImageRGB24(picture_->DIBSectionBitsPtr(), 720, 576);
        if (whole) picture_->DIB_DrawDib2(box, 0, 0, 720, 576);
        else picture_->DIB_DrawDib2(box, int16_t(rect_.y1), int16_t(rect_.x1), int16_t(Width()), int16_t(Height()));
        return;
    }
    if (doubling) platform::linedouble(picture_->DIBSectionBitsPtr(), 720, 576);
    platform::Rotate90(picture_->DIBSectionBitsPtr(), turned_picture_->DIBSectionBitsPtr(), 720, 576, flip_ ? 1 : 0);
    int32_t left = whole ? 0 : rect_.x1, top = whole ? 0 : rect_.y1;
    const int32_t width = whole ? 576 : Width(), height = whole ? 720 : Height();
    // A mirrored picture counts its rectangle from the other side.
    if (flip_) left = turned_picture_->Width() - left - width;
    box.SetStretchBltMode(platform::COLORONCOLOR);
    box.StretchBlt(0, 0, box.Width(), box.Height(), turned_picture_->hDC(), left, top, width, height,
                   platform::SRCCOPY);
}

// One field of a stored frame, deinterlaced, turned, drawn unscaled.
void cls_Capture::Draw_field(QImage& picture, int32_t field_number, int32_t x_position)
{
    int32_t frame_number = 0;
    int16_t field = 1;
    Calculate_field(field_number, frame_number, field);
    const uint8_t* frame = get_Buffaddr(frame_number);
    // A ring slot is written again by a later store, so the same address is not always the same frame.
    const bool decoded = frame == last_decoded_ && decoded_at_store_ == stored_count_;
    if (!decoded && !Decode(std::span<const uint8_t>(frame, k_Frame_bytes))) return;
    platform::deinterlaceFrame2(picture_->DIBSectionBitsPtr(), field_picture_->DIBSectionBitsPtr(), 720, 576, field);
    platform::Rotate90(field_picture_->DIBSectionBitsPtr(), turned_picture_->DIBSectionBitsPtr(), 720, 576, 0);
    platform::Draw_surface box(&picture);
    box.BitBlt(x_position, 0, turned_picture_->Width(), turned_picture_->Height(), turned_picture_->hDC(), 0, 0,
               platform::SRCCOPY);
}

int32_t cls_Capture::Draw_Running_Arm_2(QImage& picture)
{
    picture.fill(Qt::black);
    const int32_t colour = post_linear_ ? 255 : 0xFF0000;
    const double angle = (ping_ / 100.0) * 2 * 3.14159 - 1.570795;
    const double cx = picture.width() / 2.0, cy = picture.height() / 2.0;
    platform::Draw_surface box(&picture);
    box.SelectPen({platform::PS_SOLID, 4, colour});
    box.MoveToEx(int32_t(cx), int32_t(cy));
    box.LineTo(int32_t(std::nearbyint(cx + cx * std::cos(angle))), int32_t(std::nearbyint(cy + cy * std::sin(angle))));
    return colour;
}

} // namespace wk
