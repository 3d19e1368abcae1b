// The recording object's smaller members: field separation, the preloaded pictures, the keyed
// overlay and the header forwarders.
#include "recording/cls_AVI_handler.h"

#include "platform/Av_frame_decoder.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Draw_surface.h"
#include "platform/Image_library.h"
#include "platform/Sample_DV_frame.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "services/graphics/cDIBSection.h"

#include <cmath>
#include <cstring>

namespace wk {

// What the timing runs and the smaller members keep, made on first use.
struct cls_AVI_handler::Timing {
    bool deinterlace_copy_first = false;
    std::vector<std::unique_ptr<cDIBSection>> bitmaps;
    bool bitmaps_whole = false; // every frame has its picture: frames are drawn from them
};

void cls_AVI_handler::Timing_deleter::operator()(Timing* t) const { delete t; }

cls_AVI_handler::Timing& cls_AVI_handler::Timing_state()
{
    if (!timing_) timing_.reset(new Timing);
    return *timing_;
}

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
        Report_current_exception(std::string(member) + " of Class Module cls_AVI_handler");
        return false;
    }
}

} // namespace

// ---- Pictures ----

bool cls_AVI_handler::Read_ff(cDIBSection& picture)
{
    return Reported("Read_ff", [&] {
        if (!picture.hDC() || !rec_.file.Is_open()) return false;
        return Read_Frame(current_frame_ > 0 ? current_frame_ : 1) && Decode_into(picture);
    });
}

bool cls_AVI_handler::Store_OL_source()
{
    return Reported("Store_OL_source", [this] {
        if (!Overlay_Target() || !Overlay_Target()->DIBSectionBitsPtr()) Make_overlay_pictures(rec_.width, rec_.height);
        const cDIBSection* from = Overlay_Target();
        // The overlay pictures are this object's own; their accessors are read-only for callers.
        auto* into = const_cast<cDIBSection*>(Overlay_Source());
        if (!from || !into || !Same_size(*from, *into)) return false;
        platform::deinterlaceFrame2(from->DIBSectionBitsPtr(), into->DIBSectionBitsPtr(), int16_t(from->Width()),
                                    int16_t(from->Height()), field_to_show_ == 2 ? 2 : 1);
        return true;
    });
}

bool cls_AVI_handler::Deinterlace_DIBS(const cDIBSection& source, cDIBSection& target, int16_t mode)
{
    if ((mode != 1 && mode != 2) || !Same_size(source, target)) return false;
    const size_t line = size_t(source.BytesPerScanLine());
    const int32_t height = source.Height();
    std::vector<uint8_t> copy;
    const uint8_t* from = source.DIBSectionBitsPtr();
    if (Timing_state().deinterlace_copy_first) {
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

void cls_AVI_handler::Let_Deinterlace_copy_first(bool on) { Timing_state().deinterlace_copy_first = on; }

bool cls_AVI_handler::Read_In_Bitmaps()
{
    Clear_Bitmap_Collection();
    return Reported("Read_In_Bitmaps", [this] {
        Timing& t = Timing_state();
        for (int32_t f = 1; f <= rec_.num_frames; ++f) {
            auto picture = std::make_unique<cDIBSection>();
            int32_t frame = f;
            if (!picture->Create(rec_.width, rec_.height) || !Draw_frame(frame, *picture->hDC())) return false;
            t.bitmaps.push_back(std::move(picture));
        }
        t.bitmaps_whole = true;
        return true;
    });
}

void cls_AVI_handler::Clear_Bitmap_Collection()
{
    if (!timing_) return;
    timing_->bitmaps_whole = false;
    timing_->bitmaps.clear();
}

bool cls_AVI_handler::Paint_preloaded(int32_t& frame, platform::Draw_surface& picture)
{
    if (!timing_ || !timing_->bitmaps_whole) return false;
    const int32_t f = frame == 0 ? 1 : frame;
    if (f < 1 || f > Bitmap_count()) return false;
    frame = f;
    timing_->bitmaps[size_t(f - 1)]->DIB_PaintPicture(&picture);
    return true;
}

int32_t cls_AVI_handler::Bitmap_count() const { return timing_ ? int32_t(timing_->bitmaps.size()) : 0; }

const cDIBSection* cls_AVI_handler::Bitmap(int32_t frame) const
{
    if (frame < 1 || frame > Bitmap_count()) return nullptr;
    return timing_->bitmaps[size_t(frame - 1)].get();
}

bool cls_AVI_handler::A_blend(platform::Draw_surface& picture)
{
    return Reported("A_blend", [&] {
        const cDIBSection* source = Overlay_Source();
        const cDIBSection* background = Overlay_Background();
        auto* target = const_cast<cDIBSection*>(Overlay_Target());
        if (!source || !target || !background || !Same_size(*source, *target) || !Same_size(*source, *background))
            return false;
        platform::ABlend(source->DIBSectionBitsPtr(), target->DIBSectionBitsPtr(), background->DIBSectionBitsPtr(),
                         int16_t(source->Width()), int16_t(source->Height()), blend_faktor_);
        target->DIB_PaintPicture(&picture, 0, 0, picture.Width(), picture.Height());
        return true;
    });
}

void cls_AVI_handler::Fill_PBox(platform::Draw_surface& picture)
{
    const platform::Brush before = picture.SelectBrush({platform::BS_HOLLOW, 0, 0});
    picture.Rectangle(0, 0, picture.Width(), picture.Height());
    picture.SelectBrush(before);
}

// ---- Header forwarders ----

void cls_AVI_handler::Dump_XML_Header(const std::string& name) { Header().Dump_XML_to_file(name); }

void cls_AVI_handler::Save_Graph_object(int16_t id, int16_t obj_type, int16_t layer, int32_t color, int16_t linetype,
                                        int16_t linewidth, bool filled, int16_t x1, int16_t y1, int16_t x2,
                                        int16_t y2, int16_t x3, int16_t y3, int16_t x4, int16_t y4)
{
    Header().Graph_object(id, obj_type, layer, color, linetype, linewidth, filled, x1, y1, x2, y2, x3, y3, x4, y4);
}

void cls_AVI_handler::Load_Graph_object(int16_t id, int16_t& obj_type, int16_t& layer, int32_t& color,
                                        int16_t& linetype, int16_t& linewidth, bool& filled, int16_t& x1,
                                        int16_t& y1, int16_t& x2, int16_t& y2, int16_t& x3, int16_t& y3,
                                        int16_t& x4, int16_t& y4)
{
    Header().get_Graph_object(id, obj_type, layer, color, linetype, linewidth, filled, x1, y1, x2, y2, x3, y3, x4,
                              y4);
}

int16_t cls_AVI_handler::anp_file_lines() { return Header().anp_numlines(); }
void cls_AVI_handler::anp_file_lines(int16_t value) { Header().anp_numlines(value); }

} // namespace wk
