// The renderer's pictures: the frame read again, field separation, the preloaded pictures of
// every frame and the keyed overlay.
#include "recording/Frame_drawing.h"

#include "services/Module_error.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cstring>

namespace wk {
namespace {

bool Same_size(const cDIBSection& a, const cDIBSection& b)
{
    return a.DIBSectionBitsPtr() && b.DIBSectionBitsPtr() && a.Width() == b.Width() && a.Height() == b.Height();
}

// Runs f; a failure is reported under the member's name and gives false.
template <class F> bool Reported(const char* member, F&& f)
{
    try {
        return f();
    } catch (...) {
        Report_current_exception(std::string(member) + frame_drawing::k_Class);
        return false;
    }
}

} // namespace

// ---- Pictures ----

bool Frame_renderer::Read_ff(cDIBSection& picture)
{
    return Reported("Read_ff", [&] {
        if (!picture.hDC() || !source_.Facts().open) return false;
        return source_.Read(current_frame > 0 ? current_frame : 1, 1) && Decode_into(picture);
    });
}

bool Frame_renderer::Store_OL_source()
{
    return Reported("Store_OL_source", [this] {
        if (!Overlay_Target() || !Overlay_Target()->DIBSectionBitsPtr())
            Make_overlay_pictures(source_.Facts().width, source_.Facts().height);
        const cDIBSection* from = Overlay_Target();
        // The overlay pictures are this object's own; their accessors are read-only for callers.
        auto* into = const_cast<cDIBSection*>(Overlay_Source());
        if (!from || !into || !Same_size(*from, *into)) return false;
        platform::deinterlaceFrame2(from->DIBSectionBitsPtr(), into->DIBSectionBitsPtr(), int16_t(from->Width()),
                                    int16_t(from->Height()), field_to_show == 2 ? 2 : 1);
        return true;
    });
}

bool Frame_renderer::Deinterlace_DIBS(const cDIBSection& source, cDIBSection& target, int16_t mode) const
{
    if ((mode != 1 && mode != 2) || !Same_size(source, target)) return false;
    const size_t line = size_t(source.BytesPerScanLine());
    const int32_t height = source.Height();
    std::vector<uint8_t> copy;
    const uint8_t* from = source.DIBSectionBitsPtr();
    if (deinterlace_copy_first) {
        copy.assign(from, from + size_t(source.SizeImage()));
        from = copy.data();
    }
    uint8_t* to = target.DIBSectionBitsPtr();
    // Rows counted from the top; field 1 is the odd rows. Memory holds the bottom row first.
    const auto memory_row = [height](int32_t y) { return size_t(height - 1 - y); };
    for (int32_t pair = 0; pair < height; pair += 2) {
        const int32_t field_row = std::min(pair + (mode == 1 ? 1 : 0), height - 1);
        for (int32_t y = pair; y < std::min(pair + 2, height); ++y)
            std::memmove(to + memory_row(y) * line, from + memory_row(field_row) * line, line);
    }
    return true;
}

bool Frame_renderer::Read_In_Bitmaps()
{
    Clear_Bitmap_Collection();
    return Reported("Read_In_Bitmaps", [this] {
                for (int32_t f = 1; f <= source_.Facts().num_frames; ++f) {
            auto picture = std::make_unique<cDIBSection>();
            int32_t frame = f;
            if (!picture->Create(source_.Facts().width, source_.Facts().height) ||
                !Draw_frame(frame, *picture->hDC(), false, 1, nullptr, false))
                return false;
            bitmaps_.push_back(std::move(picture));
        }
        bitmaps_whole_ = true;
        return true;
    });
}

void Frame_renderer::Clear_Bitmap_Collection()
{
    bitmaps_whole_ = false;
    bitmaps_.clear();
}

bool Frame_renderer::Paint_preloaded(int32_t& frame, platform::Draw_surface& picture)
{
    if (!bitmaps_whole_) return false;
    const int32_t f = frame == 0 ? 1 : frame;
    if (f < 1 || f > Bitmap_count()) return false;
    frame = f;
    bitmaps_[size_t(f - 1)]->DIB_PaintPicture(&picture);
    return true;
}

const cDIBSection* Frame_renderer::Bitmap(int32_t frame) const
{
    if (frame < 1 || frame > Bitmap_count()) return nullptr;
    return bitmaps_[size_t(frame - 1)].get();
}

bool Frame_renderer::A_blend(platform::Draw_surface& picture)
{
    return Reported("A_blend", [&] {
        const cDIBSection* source = Overlay_Source();
        const cDIBSection* background = Overlay_Background();
        auto* target = const_cast<cDIBSection*>(Overlay_Target());
        if (!source || !target || !background || !Same_size(*source, *target) || !Same_size(*source, *background))
            return false;
        platform::ABlend(source->DIBSectionBitsPtr(), target->DIBSectionBitsPtr(), background->DIBSectionBitsPtr(),
                         int16_t(source->Width()), int16_t(source->Height()), blend_faktor);
        target->DIB_PaintPicture(&picture, 0, 0, picture.Width(), picture.Height());
        return true;
    });
}

void Frame_renderer::Fill_PBox(platform::Draw_surface& picture)
{
    const platform::Brush before = picture.SelectBrush({platform::BS_HOLLOW, 0, 0});
    picture.Rectangle(0, 0, picture.Width(), picture.Height());
    picture.SelectBrush(before);
}

} // namespace wk
