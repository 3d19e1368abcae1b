#pragma once
// The overlay's drawn pixels (goal line, lane marks, lap label), found once when the overlay is
// composed and then laid over every field shown: the overlay is mostly key colour, so copying
// its few drawn runs is far cheaper than testing every pixel of it against the key each step.
// They are looked for only where the overlay's surface says its drawing went.
#include "services/graphics/cDIBSection.h"

#include <QImage>

#include <cstdint>
#include <vector>

namespace wk {

class Overlay_runs {
public:
    // Finds the runs of pixels of overlay that are not the key colour (0x00BBGGRR) and keeps
    // them as a 32-bit picture holds them. Only the rows' spans its surface drew into are read
    // when it tracks them (the rest is key colour); every pixel otherwise.
    void Note(const cDIBSection& overlay, int32_t key);
    void Forget();
    // Copies the runs into picture at the places they have in the overlay. False when they
    // cannot serve (another overlay picture than the one noted, or a picture of another size
    // or pixel format): the caller then lays the overlay over with a keyed blit.
    bool Lay_over(QImage& picture, const cDIBSection& overlay) const;
    // How many runs the overlay holds (for tests).
    size_t Count() const { return runs_.size(); }

private:
    void Note_row(const uint8_t* row, int32_t y, int32_t from, int32_t to, int32_t key);

    struct Run {
        int32_t y = 0, x = 0, count = 0;
        size_t at = 0; // where its pixels start in pixels_
    };
    std::vector<Run> runs_;
    std::vector<uint32_t> pixels_;
    const void* bits_ = nullptr;
    int32_t width_ = 0, height_ = 0;
};

} // namespace wk
