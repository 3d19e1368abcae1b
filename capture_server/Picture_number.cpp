#include "capture_server/Picture_number.h"

#include <gst/gst.h>

#include <cstring>
#include <memory>

namespace wk {

namespace {

constexpr int k_Dv_width = 720, k_Dv_height = 576;
constexpr uint8_t k_White = 235, k_Black = 16;

struct Numbering {
    int width, height;
    uint32_t next = 0;
};

GstPadProbeReturn On_picture(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto& numbering = *static_cast<Numbering*>(data);
    GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    GstMapInfo map;
    const auto stride = size_t((numbering.width + 3) & ~3); // the default layout of 8-bit planar YUV
    if (gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        if (map.size >= stride * size_t(numbering.height))
            Draw_picture_number(map.data, stride, numbering.width, numbering.height, numbering.next);
        gst_buffer_unmap(buffer, &map);
    }
    ++numbering.next;
    return GST_PAD_PROBE_OK;
}

} // namespace

void Draw_picture_number(uint8_t* luma, size_t stride, int width, int height, uint32_t number)
{
    const auto x_of = [&](int dv_x) { return dv_x * width / k_Dv_width; };
    const auto y_of = [&](int dv_y) { return dv_y * height / k_Dv_height; };
    for (int y = y_of(k_Number_top); y < y_of(k_Number_top + k_Number_rows); ++y)
        for (int b = 0; b < k_Number_bits; ++b) {
            const int x0 = x_of(k_Number_left + b * k_Number_cell), x1 = x_of(k_Number_left + (b + 1) * k_Number_cell);
            std::memset(luma + size_t(y) * stride + size_t(x0), (number >> b) & 1 ? k_White : k_Black, size_t(x1 - x0));
        }
}

void Number_pictures(GstPad* pad, int width, int height)
{
    auto* numbering = new Numbering{width, height};
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &On_picture, numbering,
                      [](gpointer data) { delete static_cast<Numbering*>(data); });
}

} // namespace wk
