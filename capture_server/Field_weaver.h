#pragma once
// Makes DV frames of a camera's pictures, all of one planar layout (720 x 576 by the time they
// come here). In PAL DV the bottom field (rows 1, 3, 5 ... of every plane, 0 the top) is taken
// first: with two pictures a frame the earlier picture gives the bottom field and the next the
// top field, so each field is its own moment. With one picture a frame it fills both fields.
// A frame's time is its first field's. Pictures come with their slots of 20 ms (Picture_pacer):
// when the next picture is not in the slot after the waiting one's, a picture is missing and the
// waiting picture makes a frame alone, so no field carries a wrong time.
#include "capture_server/Camera_mode.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace wk {

struct Picture_plane {
    size_t offset = 0, stride = 0, rows = 0, row_bytes = 0;
};
struct Picture_layout {
    std::array<Picture_plane, 3> planes;
    size_t size = 0; // bytes of a whole picture
};
// Planes packed one after another, rows without padding: 4:2:0 of the size.
Picture_layout Packed_420_layout(int width, int height);

class Field_weaver {
public:
    struct Frame {
        std::span<const uint8_t> bytes; // the woven picture, in the layout; valid until the next Add
        int64_t time_ns = 0;            // its first field's
        int64_t second_time_ns = 0;     // its second field's: the first's when one picture fills both
        int32_t pictures = 1;           // 2: a picture in each field
    };

    Field_weaver(Field_mode mode, const Picture_layout& layout);
    // Takes the next picture, its time and its slot: write(into) puts the whole picture, in the
    // layout, into the bytes it is given (the frame itself where it can, so that nothing is
    // copied twice) and says whether it could. Calls frame_done with each frame it completes
    // (none, one, or two when a picture was missing). False when the picture was not taken.
    template <class W, class F>
    bool Add_written(W&& write, int64_t time_ns, int64_t slot, F&& frame_done)
    {
        if (mode_ == Field_mode::one_picture) {
            if (!write(std::span<uint8_t>(frame_))) return false;
            frame_done(Frame{frame_, time_ns, time_ns, 1});
            return true;
        }
        if (waiting_ && slot != first_slot_ + 1) Flush(frame_done);
        if (!waiting_) {
            // Whole into the frame: its partner's rows replace the other field's.
            if (!write(std::span<uint8_t>(frame_))) return false;
            first_time_ = time_ns;
            first_slot_ = slot;
            waiting_ = true;
            return true;
        }
        if (!write(std::span<uint8_t>(partner_))) return false;
        Copy_rows(partner_, 0);
        waiting_ = false;
        frame_done(Frame{frame_, first_time_, time_ns, 2});
        return true;
    }
    // The same for a picture already in the layout; one shorter than the layout is not taken.
    template <class F>
    bool Add(std::span<const uint8_t> picture, int64_t time_ns, int64_t slot, F&& frame_done)
    {
        if (picture.size() < layout_.size) return false;
        const auto copy = [&](std::span<uint8_t> into) {
            std::memcpy(into.data(), picture.data(), layout_.size);
            return true;
        };
        return Add_written(copy, time_ns, slot, frame_done);
    }

    // Whether a picture waits for its partner.
    bool Waiting() const { return waiting_; }

    // The picture waiting for its partner, alone in both fields (its partner never came, or the
    // pictures have ended).
    template <class F>
    void Flush(F&& frame_done)
    {
        if (!waiting_) return;
        waiting_ = false;
        frame_done(Frame{frame_, first_time_, first_time_, 1});
    }

private:
    // Rows of one parity (0: top field, 1: bottom field) of every plane, from picture into the frame.
    void Copy_rows(std::span<const uint8_t> picture, size_t parity);

    Field_mode mode_;
    Picture_layout layout_;
    std::vector<uint8_t> frame_;
    std::vector<uint8_t> partner_; // the second picture of a frame, whole, before its rows are taken
    int64_t first_time_ = 0, first_slot_ = 0; // of the picture waiting for its partner
    bool waiting_ = false;
};

} // namespace wk
