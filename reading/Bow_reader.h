#pragma once
// Reads one lane's bow in single fields: the water as it looks without this lane's boat, the
// hull as the largest region that differs from it, and the hull's leading point measured
// perpendicular to the goal line.
#include "reading/Bow_front.h"
#include "reading/Lane_window.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace wk {

struct Bow_field {
    bool hull = false;         // a region large enough to be a hull differs from the water
    double centroid_u = 0;     // the middle of the hull's body, in u
    bool tip_found = false;    // its leading point could be measured
    double tip = 0;            // signed distance of the leading point past the line, along the travel
    bool blade_ahead = false;  // something joined to the hull reaches further, away from the bow's height
    double ahead = 0;          // how much further, pixels
    bool second_hull = false;  // another region as large lies in the lane
    bool low_contrast = false; // the hull barely differs from the water
    bool covered = false;      // something stands in front of the bow: some of its rows end where that begins
    bool beyond = false;       // the bow's rows run on past the window's far side: it is further past the line
    std::vector<Row_front> rows; // where each row of the bow ends, a column signed along the travel
};

// Where a picture's colour lies before its brightness: bottom-up BGR of rows rows, stride bytes a
// row, ending where the brightness begins. No rows: the pictures carry brightness alone.
struct Colour_layout {
    int32_t stride = 0, rows = 0;
    size_t Bytes() const { return size_t(stride) * size_t(rows); }
};

class Bow_reader {
public:
    // backgrounds: the brightness of decoded frames (frame_width bytes a row, top row first) in
    // which no boat of this lane is near the line; their median is the water. Measure's pictures
    // are brightness laid out alike.
    Bow_reader(const Lane_window& window, const std::vector<const uint8_t*>& backgrounds, int32_t frame_width);
    // This reader telling a hull by its colour too, the pictures' colour laid out as colour says;
    // the water's brightness, its threshold and the cells' places stay as this reader took them.
    Bow_reader With_colour(Colour_layout colour, const std::vector<const uint8_t*>& backgrounds) const;
    // direction: +1 when boats travel along +u, -1 along -u, 0 for the hull and its middle alone.
    // covers: rows of the hull end where something stands in front of the bow; without, what
    // joins the hull there is read as the hull.
    Bow_field Measure(const uint8_t* picture, int field, int direction, bool covers = true) const;
    // What Measure sees in a field whichever way the boat travels: the field against the water
    // and the regions that can be the hull. A field measured both ways is looked at once so. The
    // look belongs to this reader and is measured by it alone, while it lives.
    struct Look;
    std::shared_ptr<const Look> Look_at(const uint8_t* picture, int field) const;
    Bow_field Measure(const Look& look, int direction, bool covers = true) const;
    int Threshold() const { return threshold_; }
    // The water's brightness at a pixel of the window's box (frame coordinates), and the whole of
    // it: Box_width() bytes a row from the box's top left.
    uint8_t Water(int32_t x, int32_t y) const
    {
        return water_[size_t(y - window_.Y0()) * size_t(window_.Box_width()) + size_t(x - window_.X0())];
    }
    const uint8_t* Water_plane() const { return water_.data(); }

private:
    struct Grid;
    struct Body_row {
        double front = -1e9, back = -1e9; // along the travel
        double length = 0;                // pixels
        double v = 0;                     // along the line, at the front
        double sum = 0;                   // of its cells' brightness against the water
        int cells = 0;
        double Level() const { return cells ? sum / cells : 0; }
        int32_t front_col = -1, back_col = -1; // the run's end columns
        bool covered = false; // its front was cut back where something taller stands in front of it
    };
    // The hull's body at its front: the rows it fills, where it leads, at what height (along the
    // line) and how much brighter than the water.
    struct Body_front {
        std::vector<Body_row> rows;
        double longest = 0, lead = -1e9, vmin = 1e9, vmax = -1e9, bow = 0;
        bool whole = false; // every row of the core counts
        bool Fills(size_t row) const;
        void Leave_out_shadow(); // rows of it cast ahead no longer fill
    };
    Grid Difference(const uint8_t* picture, int field) const;
    std::vector<std::vector<size_t>> Lane_regions(const Grid& g) const;
    std::vector<Body_row> Body_rows(const Grid& g, const std::vector<size_t>& core, int direction, bool covers) const;
    Body_front Front_of(const Grid& g, const std::vector<size_t>& core, int direction, bool covers) const;
    void Cut_cover(const Grid& g, const std::vector<uint8_t>& in_core, int32_t r, Body_row& b, int direction) const;
    Body_front Whole_front(const Grid& g, const std::vector<size_t>& core, int direction) const;
    // body: the cells of the hull's body (its largest region, thin parts left out).
    // stopped: where given, the row ends where something stands in front of the bow, and it is
    // set then.
    std::optional<double> Row_edge(const Grid& g, const std::vector<uint8_t>& body, int32_t r, int direction,
                                   double lead, double hull, bool* stopped) const;
    uint8_t Brightness(const uint8_t* picture, int32_t x, int32_t y) const
    {
        return picture[size_t(y) * size_t(frame_width_) + size_t(x)];
    }
    // The pixel's colour apart from its brightness: its blue and red differences.
    std::pair<int, int> Tint(const uint8_t* picture, int32_t x, int32_t y) const;
    void Take_water_tint(const std::vector<const uint8_t*>& backgrounds);

    // Where each cell of a field lies and whether it is in the lane: alike in every picture, so
    // worked out once, not for each field measured.
    struct Cells {
        std::vector<double> u, v;
        std::vector<uint8_t> inside;
    };

    const Lane_window& window_;
    int32_t frame_width_;
    std::array<Cells, 2> cells_; // of fields 1 and 2
    std::vector<uint8_t> water_; // brightness, Box_width() x Box_height(), top row first
    int threshold_ = 36;
    Colour_layout colour_;
    std::vector<std::pair<int16_t, int16_t>> water_tint_; // as water_, empty without colour
    int tint_threshold_ = 0;
};

} // namespace wk
