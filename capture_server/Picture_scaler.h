#pragma once
// Brings a camera's pictures to PAL DV's 720 x 576 4:2:0 with libswscale, on the thread that
// calls it, straight into the buffer the caller gives. The scaler is made once per picture
// format and kept while the pictures keep it. A picture whose shape differs from the frame's
// (4:3 or 16:9) is fitted inside it, the rest left black.
#include "capture_server/Field_weaver.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct SwsContext;

namespace wk {

// How a camera's YUV is made from its colours; DV's is BT.601.
enum class Colour_matrix { bt601, bt709, smpte240m, fcc, bt2020 };

// A camera's picture as it lies in memory; format is libavutil's AVPixelFormat.
struct Source_picture {
    int format = -1;
    int width = 0, height = 0;
    int par_n = 1, par_d = 1; // the camera's pixel aspect ratio
    bool full_range = false;  // YUV of 0-255 (as JPEG), not 16-235
    Colour_matrix matrix = Colour_matrix::bt601;
    std::array<const uint8_t*, 4> planes{};
    std::array<int, 4> strides{};
};

// libavutil's format for GStreamer's format name ("I420", "YUY2", ...); none when it has none
// here (the pictures could not be converted).
std::optional<int> Av_format_of(const char* gst_format);
// The GStreamer format names that Av_format_of knows, as a caps list ("{ I420, YV12, ... }").
std::string Convertible_formats();

class Picture_scaler {
public:
    // wide: the frame is 16:9, else 4:3.
    explicit Picture_scaler(bool wide);
    ~Picture_scaler();
    Picture_scaler(const Picture_scaler&) = delete;
    Picture_scaler& operator=(const Picture_scaler&) = delete;

    // The layout of the frames made: 720 x 576 I420, planes packed.
    const Picture_layout& Layout() const { return layout_; }
    // Writes the picture into out (Layout().size bytes); false when it cannot be converted.
    bool Scale(const Source_picture& in, std::span<uint8_t> out);

private:
    struct Shape {
        int format = -1, width = 0, height = 0, par_n = 0, par_d = 0;
        bool full_range = false;
        Colour_matrix matrix = Colour_matrix::bt601;
        bool operator==(const Shape&) const = default;
    };
    struct Area {
        int x = 0, y = 0, width = 0, height = 0;
    };
    bool Prepare(const Shape& shape);
    void Set_colours(const Shape& shape);
    Area Fitted(const Shape& shape) const;
    void Blacken(std::span<uint8_t> out) const;

    bool wide_;
    Picture_layout layout_;
    SwsContext* context_ = nullptr;
    Shape shape_;
    Area area_;
};

} // namespace wk
