#include "viewer/Finish_strip_marks.h"

#include "recording/Finish_strip.h"
#include "services/Module_qsm_Globals.h"
#include "viewer/Cls_lane.h"
#include "viewer/Lane_results.h"
#include "viewer/Proposal_queue.h"

#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace wk {
namespace {

constexpr int k_Scale_height = 40;
// Room kept on each side of the finishes when only they are shown: a second of fields.
constexpr int32_t k_Finish_margin = 50;

QFont Scale_font()
{
    QFont f("Liberation Sans");
    f.setPixelSize(12);
    return f;
}

// Where columns and samples of the strip land in a picture of the strip's part.
struct Strip_scale {
    int32_t first = 0;
    double column = 1, row = 1; // pixels per column and per sample
    double X(int32_t c) const { return (double(c - first) + 0.5) * column; }
    double Y(int32_t r) const { return (double(r) + 0.5) * row; }
};

void Draw_time_scale(QPainter& p, const Strip_marks& marks, double ms_per_field, const Strip_scale& s, int32_t count,
                     int width, int top)
{
    p.fillRect(0, top, width, k_Scale_height, Qt::white);
    p.setPen(Qt::black);
    p.setFont(Scale_font());
    p.drawLine(0, top, width, top);
    // A tick every tenth of a second, longer and labelled every second.
    const double start = marks.Time_at(s.first, ms_per_field);
    const double end = marks.Time_at(s.first + count, ms_per_field);
    for (auto tenth = int64_t(std::ceil(start / 100.0)); double(tenth) * 100.0 <= end; ++tenth) {
        const double x = (double(tenth) * 100.0 - start) / ms_per_field * s.column;
        const bool second = tenth % 10 == 0;
        p.drawLine(QPointF(x, top), QPointF(x, top + (second ? 12 : 5)));
        if (second)
            p.drawText(QRectF(x - 40, top + 14, 80, 20), Qt::AlignHCenter | Qt::AlignTop,
                       QString::fromStdString(Strip_time_text(double(tenth) * 100.0)));
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
                            int32_t(int64_t(r.Time) - g_Heat_correction)});
    }
    return m;
}

QImage Strip_picture(const Finish_strip& strip, const Strip_marks& marks, int32_t first, int32_t last, QSize size)
{
    first = std::max(first, 0);
    last = std::min(last, strip.Ready_columns() - 1);
    if (last < first) return {};
    const int32_t count = last - first + 1;
    const int rows = strip.Picture().height();
    if (size.isEmpty()) size = QSize(count, rows + k_Scale_height);
    const int strip_height = std::max(1, size.height() - k_Scale_height);
    QImage out(size, QImage::Format_RGB32);
    if (out.isNull()) return {};
    const Strip_scale scale{first, double(size.width()) / count, double(strip_height) / rows};
    QPainter p(&out);
    p.drawImage(QRectF(0, 0, size.width(), strip_height), strip.Ready_picture(), QRectF(first, 0, count, rows));
    Draw_strip_marks(p, marks, first, scale.column, scale.row, size.width());
    Draw_time_scale(p, marks, strip.Ms_per_field(), scale, count, size.width(), strip_height);
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

std::string Export_strip_png(const Finish_strip& strip, const Strip_marks& marks, const std::string& path)
{
    if (!strip.Whole()) return "The finish strip is not whole yet.";
    const QImage picture = Strip_picture(strip, marks, 0, strip.Columns() - 1);
    if (picture.isNull()) return "There is no finish strip to export.";
    // The old file stays until the new one is whole.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit())
        return "Cannot write " + path + ": " + file.errorString().toStdString();
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
