#pragma once
// The goal line as the finish strip samples it. The line is set on the shown picture: the
// recording's frame scaled to the picture box, turned a quarter clockwise when shown rotated.
// The strip takes one sample per picture pixel of the line's length, from its first end to its
// second, each at the frame pixel the picture shows there.
#include <cstdint>

namespace wk {

struct Strip_point {
    int32_t x = 0, y = 0; // frame pixel, y from the top
    bool operator==(const Strip_point&) const = default;
};

class Finish_strip_line {
public:
    struct Setup {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;       // the goal line on the picture
        int32_t picture_width = 720, picture_height = 576;
        int32_t frame_width = 720, frame_height = 576;
        bool rotated = false;
        bool operator==(const Setup&) const = default;
    };

    explicit Finish_strip_line(const Setup& setup);

    const Setup& Line_setup() const { return setup_; }
    // How many samples the line gives: its length in picture pixels, and one; at least 2.
    int32_t Samples() const { return samples_; }
    // The frame pixel that sample i (0 at the first end) reads.
    Strip_point Frame_point(int32_t i) const;
    // The sample nearest to where a picture point lies along the line (its foot on the line,
    // held to the line's ends).
    int32_t Sample_of(double x, double y) const;

private:
    Setup setup_;
    int32_t samples_ = 2;
};

} // namespace wk
