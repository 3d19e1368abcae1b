#include "viewer/Finish_strip_marks.h"

#include "recording/Finish_strip.h"
#include "services/Module_qsm_Globals.h"
#include "viewer/Cls_lane.h"
#include "viewer/Lane_results.h"
#include "viewer/Png_band_writer.h"
#include "viewer/Proposal_queue.h"

#include <QFont>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

namespace wk {
namespace {

// Room kept on each side of the finishes when only they are shown: a second of fields.
constexpr int32_t k_Finish_margin = 50;
// Rows of the strip written at a time by the export.
constexpr int k_Band_rows = 32;

QFont Scale_font(int pixels = k_Strip_text_pixels)
{
    QFont f("Liberation Sans");
    f.setPixelSize(pixels);
    return f;
}

// Where columns and samples of the strip land in a picture of the strip's part.
struct Strip_scale {
    int32_t first = 0;
    double column = 1, row = 1; // pixels per column and per sample
    double X(int32_t c) const { return (double(c - first) + 0.5) * column; }
    double Y(int32_t r) const { return (double(r) + 0.5) * row; }
};

// The time labels along the scale: each whole on the picture and none over another.
class Scale_labels {
public:
    Scale_labels(QPainter& p, int width, int top) : p_(p), width_(width), top_(top) {}
    // A label centred on x where it fits, else pushed inside the picture; false when it would
    // cover one already drawn.
    bool Draw(double x, double ms)
    {
        const QString text = QString::fromStdString(Strip_time_text(ms));
        const int w = p_.fontMetrics().horizontalAdvance(text) + 4;
        const int left = std::clamp(int(std::lround(x - w / 2.0)), 0, std::max(0, width_ - w));
        for (const auto& [l, r] : taken_)
            if (left < r + 4 && left + w > l - 4) return false;
        taken_.emplace_back(left, left + w);
        p_.drawText(QRect(left, top_, w, p_.fontMetrics().height()), Qt::AlignCenter, text);
        return true;
    }

private:
    QPainter& p_;
    int width_, top_;
    std::vector<std::pair<int, int>> taken_;
};

void Draw_time_scale(QPainter& p, const Strip_marks& marks, double ms_per_field, const Strip_scale& s, int32_t count,
                     int width, int top, int text_pixels)
{
    const int height = Strip_scale_height(text_pixels);
    const int tick = text_pixels;
    p.fillRect(0, top, width, height, Qt::white);
    p.setPen(Qt::black);
    p.setFont(Scale_font(text_pixels));
    p.drawLine(0, top, width, top);
    const double start = marks.Time_at(s.first, ms_per_field);
    const double end = marks.Time_at(s.first + count, ms_per_field);
    // Both ends are labelled first, so that the strip's span reads whole whatever the seconds.
    Scale_labels labels(p, width, top + tick + 2);
    labels.Draw(0, start);
    labels.Draw(width, marks.Time_at(s.first + count - 1, ms_per_field));
    // A tick every tenth of a second, longer and labelled every second.
    for (auto tenth = int64_t(std::ceil(start / 100.0)); double(tenth) * 100.0 <= end; ++tenth) {
        const double x = (double(tenth) * 100.0 - start) / ms_per_field * s.column;
        const bool second = tenth % 10 == 0;
        p.drawLine(QPointF(x, top), QPointF(x, top + (second ? tick : tick / 2)));
        if (second) labels.Draw(x, double(tenth) * 100.0);
    }
}

} // namespace

void Draw_strip_marks(QPainter& p, const Strip_marks& marks, int32_t first, double column_pixels,
                      double sample_pixels, int width)
{
    const Strip_scale s{first, column_pixels, sample_pixels};
    p.setFont(Scale_font());
    for (const auto& l : marks.lanes) {
        const double y = s.Y(l.row);
        p.setPen(QPen(QColor(255, 64, 64), 1, Qt::DotLine));
        p.drawLine(QPointF(0, y), QPointF(width, y));
        p.setPen(QColor(255, 64, 64));
        p.drawText(QRectF(2, y - 16, 40, 16), Qt::AlignLeft | Qt::AlignBottom, QString::number(l.lane));
    }
    for (const auto& m : marks.proposals) {
        const double x = s.X(m.column), y = s.Y(m.row);
        if (x < 0 || x >= width) continue;
        p.setPen(QPen(m.doubtful ? QColor(255, 150, 0) : QColor(255, 0, 255), 1, m.doubtful ? Qt::DashLine : Qt::SolidLine));
        p.drawLine(QPointF(x, y - 10), QPointF(x, y + 10));
    }
    for (const auto& m : marks.places) {
        const double x = s.X(m.column), y = s.Y(m.row);
        if (x < 0 || x >= width) continue;
        p.setPen(QPen(QColor(255, 255, 0), 1));
        p.drawLine(QPointF(x, y - 14), QPointF(x, y + 14));
        const QRectF box(x + 3, y - 22, 20, 16);
        p.fillRect(box, QColor(255, 255, 0));
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignCenter, QString::number(m.place));
    }
}


int16_t Strip_marks::Lane_at(int32_t row) const
{
    int16_t lane = -1;
    int64_t best = INT64_MAX;
    for (const auto& l : lanes) {
        const int64_t d = std::abs(int64_t(l.row) - row);
        if (d < best) {
            best = d;
            lane = l.lane;
        }
    }
    return lane;
}

double Strip_marks::Time_at(int32_t column, double ms_per_field) const
{
    if (places.empty()) return double(column) * ms_per_field;
    const Place& anchor = places.front();
    return double(anchor.time) + double(column - anchor.column) * ms_per_field;
}

Strip_marks Strip_marks_of(const Finish_strip_line& line)
{
    Strip_marks m;
    const auto count = std::min<size_t>(size_t(std::max<int16_t>(g_Lanes_in_use, 0)), g_Lanes.size());
    for (size_t i = 0; i < count; ++i)
        if (const Cls_lane* lane = g_Lanes[i].get())
            m.lanes.push_back({lane->Lane_number(), line.Sample_of(lane->X(), lane->Y())});
    if (const Proposal_queue* proposals = Viewer_proposals())
        for (const Proposal_entry& e : proposals->Entries()) {
            if (e.state != Proposal_entry::State::open) continue;
            const auto mark = std::ranges::find(m.lanes, int16_t(e.proposal.lane), &Strip_marks::Lane::lane);
            if (mark == m.lanes.end()) continue;
            m.proposals.push_back({mark->lane, Proposal_queue::Viewer_field(e.proposal) - 1, mark->row,
                                   e.proposal.confidence < Proposal_queue::k_Sure});
        }
    const Lane_results* results = Viewer_lane_results();
    if (!results) return m;
    const Heat_lane_records& ranked = results->Ranked();
    for (size_t i = 0; i < ranked.size(); ++i) {
        const Lane_Result_Record& r = ranked[i];
        if (!Is_real_time(r.Time) || r.Goal_field <= 0) continue;
        const auto mark = std::ranges::find(m.lanes, r.Lane, &Strip_marks::Lane::lane);
        m.places.push_back({int16_t(i + 1), r.Lane, r.Goal_field - 1, mark == m.lanes.end() ? 0 : mark->row,
                            int32_t(int64_t(r.Time) - results->Correction())});
    }
    return m;
}

Strip_view View_of(const Finish_strip& strip) { return {strip.Ready_picture(), strip.Ms_per_field()}; }

int Strip_text_pixels_for(double dpi)
{
    // Digits stand about seven tenths of the font's size: 3.6 mm of size gives 2.5 mm of digit.
    return std::max(k_Strip_text_pixels, int(std::ceil(3.6 / 25.4 * dpi)));
}

int Strip_scale_height(int text_pixels) { return 16 + 2 * text_pixels; }

QImage Strip_picture(const Strip_view& strip, const Strip_marks& marks, int32_t first, int32_t last, QSize size,
                     int text_pixels)
{
    first = std::max(first, 0);
    last = std::min(last, int32_t(strip.ready.width()) - 1);
    if (last < first || strip.ready.isNull()) return {};
    const int32_t count = last - first + 1;
    const int rows = strip.ready.height();
    const int scale_height = Strip_scale_height(text_pixels);
    if (size.isEmpty()) size = QSize(count, rows + scale_height);
    const int strip_height = std::max(1, size.height() - scale_height);
    QImage out(size, QImage::Format_RGB32);
    if (out.isNull()) return {};
    const Strip_scale scale{first, double(size.width()) / count, double(strip_height) / rows};
    QPainter p(&out);
    p.drawImage(QRectF(0, 0, size.width(), strip_height), strip.ready, QRectF(first, 0, count, rows));
    Draw_strip_marks(p, marks, first, scale.column, scale.row, size.width());
    Draw_time_scale(p, marks, strip.ms_per_field, scale, count, size.width(), strip_height, text_pixels);
    return out;
}

bool Finish_columns(const Strip_marks& marks, int32_t columns, int32_t& first, int32_t& last)
{
    if (marks.places.empty()) return false;
    const auto [lo, hi] = std::ranges::minmax(marks.places, {}, &Strip_marks::Place::column);
    first = std::max(0, lo.column - k_Finish_margin);
    last = std::min(columns - 1, hi.column + k_Finish_margin);
    return first <= last;
}

namespace {

// The marks drawn on rows [top, top + rows): a lane's line and label and a place's box reach a
// little above their row. Only those are drawn for a band: each mark spans the whole strip's width.
Strip_marks Marks_on(const Strip_marks& marks, int top, int rows)
{
    constexpr int reach = 24;
    const auto near = [&](int32_t row) { return row >= top - reach && row < top + rows + reach; };
    Strip_marks on;
    std::ranges::copy_if(marks.lanes, std::back_inserter(on.lanes), near, &Strip_marks::Lane::row);
    std::ranges::copy_if(marks.places, std::back_inserter(on.places), near, &Strip_marks::Place::row);
    return on;
}

// The strip's rows from `top` into band, with the marks that fall on them.
void Fill_band(QImage& band, const Strip_view& strip, const Strip_marks& all_marks, int top, int rows)
{
    const auto bytes = size_t(strip.ready.width()) * sizeof(QRgb);
    for (int y = 0; y < rows; ++y) std::memcpy(band.scanLine(y), strip.ready.constScanLine(top + y), bytes);
    const Strip_marks marks = Marks_on(all_marks, top, rows);
    if (marks.lanes.empty() && marks.places.empty()) return;
    QPainter p(&band);
    p.setClipRect(0, 0, strip.ready.width(), rows);
    p.translate(0, -top);
    Draw_strip_marks(p, marks, 0, 1, 1, strip.ready.width());
}

} // namespace

std::string Export_strip_png(const Strip_view& strip, const Strip_marks& marks, const std::string& path,
                             const Strip_export_progress& progress)
{
    if (strip.ready.isNull()) return "There is no finish strip to export.";
    const int width = strip.ready.width(), rows = strip.ready.height();
    const int scale_height = Strip_scale_height();
    const int32_t total = rows + scale_height;
    QImage band(width, std::max(k_Band_rows, scale_height), QImage::Format_RGB32);
    if (band.isNull()) return "There is no memory to export the finish strip.";
    Png_band_writer png(path, width, total);
    for (int top = 0; top < rows && png.Error().empty(); top += k_Band_rows) {
        const int count = std::min(k_Band_rows, rows - top);
        Fill_band(band, strip, marks, top, count);
        png.Write(band, count);
        if (progress && !progress(top + count, total)) return "The export of the finish strip was stopped.";
    }
    {
        QPainter p(&band);
        Draw_time_scale(p, marks, strip.ms_per_field, Strip_scale{}, width, width, 0, k_Strip_text_pixels);
    }
    png.Write(band, scale_height);
    if (!png.Commit()) return png.Error();
    if (progress) progress(total, total);
    return {};
}

std::string Strip_time_text(double ms)
{
    const bool negative = ms < 0;
    const auto tenths = int64_t(std::llround(std::fabs(ms) / 100.0));
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld:%02lld.%lld", negative ? "-" : "", static_cast<long long>(tenths / 600),
                  static_cast<long long>(tenths / 10 % 60), static_cast<long long>(tenths % 10));
    return text;
}

} // namespace wk
