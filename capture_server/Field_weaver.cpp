#include "capture_server/Field_weaver.h"

#include <cstring>

namespace wk {

Picture_layout Packed_420_layout(int width, int height)
{
    const auto w = size_t(width), h = size_t(height);
    const size_t cw = (w + 1) / 2, ch = (h + 1) / 2;
    Picture_layout layout;
    layout.planes[0] = {0, w, h, w};
    layout.planes[1] = {w * h, cw, ch, cw};
    layout.planes[2] = {w * h + cw * ch, cw, ch, cw};
    layout.size = w * h + 2 * cw * ch;
    return layout;
}

Field_weaver::Field_weaver(Field_mode mode, const Picture_layout& layout)
    : mode_(mode), layout_(layout), frame_(layout.size),
      partner_(mode == Field_mode::two_pictures ? layout.size : 0)
{
}

// In 4:2:0 a chroma row goes with two luma rows of its own field, so chroma rows alternate by
// field as luma rows do.
void Field_weaver::Copy_rows(std::span<const uint8_t> picture, size_t parity)
{
    for (const auto& plane : layout_.planes)
        for (size_t row = parity; row < plane.rows; row += 2) {
            const size_t at = plane.offset + row * plane.stride;
            std::memcpy(frame_.data() + at, picture.data() + at, plane.row_bytes);
        }
}

} // namespace wk
