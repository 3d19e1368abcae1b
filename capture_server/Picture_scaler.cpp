#include "capture_server/Picture_scaler.h"

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace wk {

namespace {

constexpr int k_Width = 720, k_Height = 576;
constexpr uint8_t k_Black_luma = 16, k_No_colour = 128;

struct Format_pair {
    const char* gst;
    AVPixelFormat av;
};
// What webcams and jpegdec give; a format missing here is refused when the camera starts.
constexpr Format_pair k_Formats[] = {
    {"I420", AV_PIX_FMT_YUV420P}, {"YUY2", AV_PIX_FMT_YUYV422}, {"NV12", AV_PIX_FMT_NV12},
    {"UYVY", AV_PIX_FMT_UYVY422}, {"YVYU", AV_PIX_FMT_YVYU422}, {"NV21", AV_PIX_FMT_NV21},
    {"Y42B", AV_PIX_FMT_YUV422P}, {"Y444", AV_PIX_FMT_YUV444P}, {"Y41B", AV_PIX_FMT_YUV411P},
    {"NV16", AV_PIX_FMT_NV16},    {"GRAY8", AV_PIX_FMT_GRAY8},  {"RGB", AV_PIX_FMT_RGB24},
    {"BGR", AV_PIX_FMT_BGR24},    {"RGBx", AV_PIX_FMT_RGB0},    {"BGRx", AV_PIX_FMT_BGR0},
    {"xRGB", AV_PIX_FMT_0RGB},    {"xBGR", AV_PIX_FMT_0BGR},    {"RGBA", AV_PIX_FMT_RGBA},
    {"BGRA", AV_PIX_FMT_BGRA},    {"ARGB", AV_PIX_FMT_ARGB},    {"ABGR", AV_PIX_FMT_ABGR},
    {"RGB16", AV_PIX_FMT_RGB565LE},
};

int Even(double v) { return int(std::lround(v / 2)) * 2; }

} // namespace

std::optional<int> Av_format_of(const char* gst_format)
{
    if (!gst_format) return std::nullopt;
    for (const auto& f : k_Formats)
        if (std::string_view(f.gst) == gst_format) return int(f.av);
    return std::nullopt;
}

std::string Convertible_formats()
{
    std::string list = "{ ";
    for (const auto& f : k_Formats) list += std::string(list.size() > 2 ? ", " : "") + f.gst;
    return list + " }";
}

Picture_scaler::Picture_scaler(bool wide) : wide_(wide), layout_(Packed_420_layout(k_Width, k_Height)) {}

Picture_scaler::~Picture_scaler() { sws_freeContext(context_); }

bool Picture_scaler::Scale(const Source_picture& in, std::span<uint8_t> out)
{
    if (out.size() < layout_.size || in.width <= 0 || in.height <= 0) return false;
    if (!Prepare({in.format, in.width, in.height, in.par_n, in.par_d, in.full_range, in.matrix})) return false;
    uint8_t* planes[4] = {};
    int strides[4] = {};
    for (size_t p = 0; p < 3; ++p) {
        const auto& plane = layout_.planes[p];
        const int shift = p ? 1 : 0;
        planes[p] = out.data() + plane.offset + size_t(area_.y >> shift) * plane.stride + size_t(area_.x >> shift);
        strides[p] = int(plane.stride);
    }
    const bool scaled = sws_scale(context_, in.planes.data(), in.strides.data(), 0, in.height, planes, strides) == area_.height;
    // After the scaler, which may write a little past the end of its rows.
    if (area_.width != k_Width || area_.height != k_Height) Blacken(out);
    return scaled;
}

// A scaler for the shape, made only when the pictures change it.
bool Picture_scaler::Prepare(const Shape& shape)
{
    if (context_ && shape == shape_) return true;
    sws_freeContext(context_);
    context_ = nullptr;
    if (shape.format < 0) return false;
    area_ = Fitted(shape);
    // Bilinear, as GStreamer's videoscale did: sharp enough for a finish line, and cheap.
    context_ = sws_getContext(shape.width, shape.height, AVPixelFormat(shape.format), area_.width, area_.height,
                              AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!context_) return false;
    Set_colours(shape);
    shape_ = shape;
    return true;
}

// DV's colours are BT.601 of 16-235: a camera's other matrix or full range is converted.
void Picture_scaler::Set_colours(const Shape& shape)
{
    static constexpr int k_Matrices[] = {SWS_CS_ITU601, SWS_CS_ITU709, SWS_CS_SMPTE240M, SWS_CS_FCC, SWS_CS_BT2020};
    const int* in_table = sws_getCoefficients(k_Matrices[size_t(shape.matrix)]);
    const int* out_table = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(context_, in_table, shape.full_range ? 1 : 0, out_table, 0, 0, 1 << 16, 1 << 16);
}

// The picture at its own shape, as large as the frame holds, in the middle.
Picture_scaler::Area Picture_scaler::Fitted(const Shape& shape) const
{
    const double frame_shape = wide_ ? 16.0 / 9 : 4.0 / 3;
    const double par = shape.par_n > 0 && shape.par_d > 0 ? double(shape.par_n) / shape.par_d : 1.0;
    const double picture_shape = double(shape.width) * par / shape.height;
    Area area{0, 0, k_Width, k_Height};
    // Within a hundredth the picture fills the frame: a border of a line or two only blurs.
    if (std::abs(picture_shape / frame_shape - 1) < 0.01) return area;
    if (picture_shape > frame_shape) area.height = std::max(2, Even(k_Height * frame_shape / picture_shape));
    else area.width = std::max(2, Even(k_Width * picture_shape / frame_shape));
    area.x = ((k_Width - area.width) / 2) & ~1;
    area.y = ((k_Height - area.height) / 2) & ~1;
    return area;
}

// Black outside the picture's area, every plane.
void Picture_scaler::Blacken(std::span<uint8_t> out) const
{
    for (size_t p = 0; p < 3; ++p) {
        const auto& plane = layout_.planes[p];
        const int shift = p ? 1 : 0;
        const uint8_t black = p ? k_No_colour : k_Black_luma;
        const size_t top = size_t(area_.y >> shift), bottom = top + size_t(area_.height >> shift);
        const size_t left = size_t(area_.x >> shift), right = left + size_t(area_.width >> shift);
        for (size_t row = 0; row < plane.rows; ++row) {
            uint8_t* line = out.data() + plane.offset + row * plane.stride;
            if (row < top || row >= bottom) {
                std::memset(line, black, plane.row_bytes);
                continue;
            }
            std::memset(line, black, left);
            std::memset(line + right, black, plane.row_bytes - right);
        }
    }
}

} // namespace wk
