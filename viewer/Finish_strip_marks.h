#pragma once
// What is drawn over the finish strip: each lane mark's row (its place along the goal line) and
// each placed lane's finish (its field's column, its place), and the strip as a picture with a
// time scale under it for exports and prints.
#include <QImage>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QPainter;

namespace wk {

class Finish_strip;
class Finish_strip_line;

struct Strip_marks {
    struct Lane {
        int16_t lane = 0;
        int32_t row = 0;
    };
    struct Place {
        int16_t place = 0, lane = 0;
        int32_t column = 0, row = 0;
        int32_t time = 0; // race time, ms
    };
    // A finish the reader proposed and no one has confirmed or rejected yet.
    struct Proposal {
        int16_t lane = 0;
        int32_t column = 0, row = 0;
        bool doubtful = false;
    };
    std::vector<Lane> lanes;
    std::vector<Place> places; // in place order
    std::vector<Proposal> proposals;

    // The lane whose mark lies nearest to row; -1 without marks.
    int16_t Lane_at(int32_t row) const;
    // The race time at a column, counted from the first placed finish; without one, the time from
    // the recording's first field. ms_per_field is the strip's.
    double Time_at(int32_t column, double ms_per_field) const;
};

// The marks of the viewer's lane marks and placed lanes, along line.
Strip_marks Strip_marks_of(const Finish_strip_line& line);

// Draws the marks over a part of the strip whose column first begins at x 0, each column
// column_pixels wide and each sample sample_pixels high, width pixels in all.
void Draw_strip_marks(QPainter& p, const Strip_marks& marks, int32_t first, double column_pixels,
                      double sample_pixels, int width);

// What is ready of a strip to be drawn: its columns so far, and how long a column lasts.
struct Strip_view {
    QImage ready;
    double ms_per_field = 20;
};
Strip_view View_of(const Finish_strip& strip);

// The time labels' pixel size: the screen's, and one that prints at least 2.5 mm high at dpi.
constexpr int k_Strip_text_pixels = 12;
int Strip_text_pixels_for(double dpi);
// The height of the time scale under the strip for labels of that size.
int Strip_scale_height(int text_pixels = k_Strip_text_pixels);

// Columns first to last (inclusive, held to what is ready) of the strip with the lane and place
// marks and a time scale under it: one pixel a column and a sample, or scaled to size; a null
// picture when none is ready.
QImage Strip_picture(const Strip_view& strip, const Strip_marks& marks, int32_t first, int32_t last, QSize size = {},
                     int text_pixels = k_Strip_text_pixels);
// The columns around the finishes: from a little before the first placed one to a little after
// the last; false without a placed lane.
bool Finish_columns(const Strip_marks& marks, int32_t columns, int32_t& first, int32_t& last);
// Told the rows written and the rows in all after each band; false stops the export.
using Strip_export_progress = std::function<bool(int32_t done, int32_t total)>;
// Writes the whole strip as a PNG, a band of rows at a time (only one band is held besides the
// strip): into a new file beside path, renamed over it only when whole. Empty on success, else
// why not.
std::string Export_strip_png(const Strip_view& strip, const Strip_marks& marks, const std::string& path,
                             const Strip_export_progress& progress = {});

// "m:ss.t" for a time in ms ("-" before negative times).
std::string Strip_time_text(double ms);

} // namespace wk
