#include "capture_server/Picture_number.h"

#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstring>
#include <memory>

namespace wk {

namespace {

constexpr int k_Dv_width = 720, k_Dv_height = 576;
constexpr uint8_t k_White = 235, k_Black = 16, k_No_colour = 128;

// GStreamer's own layout of the pictures its elements make.
GstVideoInfo I420_info(int width, int height)
{
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_I420, guint(width), guint(height));
    return info;
}

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
    if (gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        if (map.size >= I420_size(numbering.width, numbering.height))
            Draw_picture_number(map.data, numbering.width, numbering.height, numbering.next);
        gst_buffer_unmap(buffer, &map);
    }
    ++numbering.next;
    return GST_PAD_PROBE_OK;
}

} // namespace

size_t I420_size(int width, int height)
{
    const GstVideoInfo info = I420_info(width, height);
    return GST_VIDEO_INFO_SIZE(&info);
}

void Draw_picture_number(uint8_t* picture, int width, int height, uint32_t number)
{
    const GstVideoInfo info = I420_info(width, height);
    const auto luma_stride = size_t(GST_VIDEO_INFO_PLANE_STRIDE(&info, 0));
    const auto chroma_stride = size_t(GST_VIDEO_INFO_PLANE_STRIDE(&info, 1));
    const auto x_of = [&](int dv_x) { return dv_x * width / k_Dv_width; };
    const auto y_of = [&](int dv_y) { return dv_y * height / k_Dv_height; };
    const int left = x_of(k_Number_left), right = x_of(k_Number_left + k_Number_bits * k_Number_cell);
    for (int y = y_of(k_Number_top); y < y_of(k_Number_top + k_Number_rows); ++y) {
        for (int b = 0; b < k_Number_bits; ++b) {
            const int x0 = x_of(k_Number_left + b * k_Number_cell), x1 = x_of(k_Number_left + (b + 1) * k_Number_cell);
            std::memset(picture + size_t(y) * luma_stride + size_t(x0), (number >> b) & 1 ? k_White : k_Black,
                        size_t(x1 - x0));
        }
        const size_t chroma_row = size_t(y / 2) * chroma_stride + size_t(left / 2);
        for (const size_t plane : {GST_VIDEO_INFO_PLANE_OFFSET(&info, 1), GST_VIDEO_INFO_PLANE_OFFSET(&info, 2)})
            std::memset(picture + plane + chroma_row, k_No_colour, size_t((right - left + 1) / 2));
    }
}

void Number_pictures(GstPad* pad, int width, int height)
{
    auto* numbering = new Numbering{width, height};
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &On_picture, numbering,
                      [](gpointer data) { delete static_cast<Numbering*>(data); });
}

} // namespace wk
