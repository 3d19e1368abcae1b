#include "reading/Lane_reader.h"

#include "platform/Av_frame_decoder.h"
#include "reading/Bow_model.h"
#include "reading/Bow_reader.h"
#include "reading/Crossing_fit.h"
#include "reading/Hidden_bow.h"
#include "reading/Lane_window.h"
#include "reading/Outline_crossing.h"
#include "reading/Travel_direction.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace wk {
namespace {

constexpr double k_Reach = 80;          // pixels either side of the line that a lane is read in
constexpr int64_t k_Before = 10, k_After = 8; // fields around where the strip saw the boat first
constexpr int k_Widenings = 4;
constexpr double k_Stay_ms = 200; // after the crossing, in which a bow that crossed is seen past the line

Lane_proposal No_time(const Lane_span& span, double confidence, std::string why)
{
    Lane_proposal p;
    p.lane = span.lane;
    p.confidence = confidence;
    p.why = std::move(why);
    return p;
}

// The crossing refined by the bow's outline; none where what crossed was a blade or spray: fields
// that barely reach either side of the line with a hull seen short of it after or an outline
// that cannot be read there, or what leads past the line lying in other rows than the bow
// before it.
std::optional<Crossing_estimate> Seen_crossing(const Crossing_estimate& e, const std::vector<Bow_sample>& samples,
                                               const Goal_geometry& line, int direction, int step)
{
    const Outlined_crossing outlined = Outline_crossing(e, samples, line, direction, step);
    if (outlined.other_height || ((outlined.short_of_line || !outlined.estimate) && (e.before < 2 || e.after < 2)))
        return std::nullopt;
    return outlined.estimate.value_or(e);
}

// Fields where something leads at another height than the bow are read again without them,
// once all of them showed the bow crossing: left out first, a blade would stand for the bow.
// samples: left as the fields the crossing returned was read from.
Crossing_estimate At_steady_height(const Crossing_estimate& read, const Crossing_estimate& first,
                                   std::vector<Bow_sample>& samples, const Goal_geometry& line, int direction, int step)
{
    std::vector<Bow_sample> steady = At_bow_height(samples, first.t_ms);
    if (steady.size() == samples.size()) return read;
    std::optional<Crossing_estimate> again = Fit_crossing(steady);
    if (!again) return read;
    again->left_out += int(samples.size() - steady.size());
    const std::optional<Crossing_estimate> steadier = Seen_crossing(*again, steady, line, direction, step);
    if (!steadier) return read;
    samples = std::move(steady);
    return *steadier;
}

int32_t Frame_of(int64_t field) { return int32_t((field + 1) / 2); }
int Field_of(int64_t field) { return field % 2 == 1 ? 1 : 2; }

} // namespace

Lane_reader::Lane_reader(Frame_store& frames, Frame_store::Decoding& decoding, const Goal_geometry& line,
                         int32_t look_step)
    : store_(frames), decoding_(decoding), source_(frames.Source()), line_(line), look_step_(std::max(1, look_step))
{
}

Lane_reader::~Lane_reader() = default;

Lane_window Lane_reader::Window(const Goal_geometry& line, const Lane_span& span, int32_t frame_width,
                                int32_t frame_height)
{
    return Lane_window(line, span, k_Reach, frame_width, frame_height);
}

std::pair<int64_t, int64_t> Lane_reader::First_fields(const Strip_stretch& s)
{
    return {std::max<int64_t>(1, s.first_field - k_Before), s.first_field + k_After};
}

const uint8_t* Lane_reader::Frame(int32_t frame)
{
    if (frame < 1 || frame > store_.Frames()) return nullptr;
    auto [it, added] = frames_.try_emplace(frame);
    if (added) it->second = store_.Get(frame, decoding_);
    return it->second ? store_.Brightness(it->second) : nullptr;
}

// The frame of a field that shows the water, moved away from the crossing (side -1 before it,
// +1 after it) to the nearest frame the search looked at: the water is the same there, and
// already decoded.
int32_t Lane_reader::Water_frame(int64_t field, int side) const
{
    const int32_t frame = Frame_of(field), frames = store_.Frames();
    const int32_t below = 1 + (frame - 1) / look_step_ * look_step_;
    if (side < 0 || below == frame) return below;
    return std::min(below + look_step_, frames);
}

// Frames long before the boat reached the line and long after it left: the water with no boat of
// this lane near the line. A boat that is near the line from the start or to the end leaves the
// recording's first and last frames as well, the median then outvoting the one that shows it.
std::vector<const uint8_t*> Lane_reader::Water_frames(const Strip_stretch& s)
{
    const int64_t fields = 2 * int64_t(source_.places.size());
    std::vector<std::pair<int64_t, int>> wanted;
    for (int64_t k = 1; k <= 3; ++k) wanted.push_back({s.first_field - s.fields - 10 * k, -1});
    for (int64_t k = 1; k <= 2; ++k) wanted.push_back({s.first_field + 2 * s.fields + 10 * k, 1});
    std::vector<const uint8_t*> frames;
    std::vector<int32_t> taken;
    auto take = [&](int64_t f, int side) {
        if (f < 1 || f > fields) return;
        const int32_t frame = Water_frame(f, side);
        if (std::find(taken.begin(), taken.end(), frame) != taken.end()) return;
        taken.push_back(frame);
        if (const uint8_t* p = Frame(frame)) frames.push_back(p);
    };
    int sides = 0; // bit 1: a frame before the stretch, bit 2: one after it
    for (auto [f, side] : wanted) {
        const size_t had = frames.size();
        take(f, side);
        if (frames.size() > had) sides |= side < 0 ? 1 : 2;
    }
    // Frames from one side only may all show a boat that lay at the line before the stretch (it
    // eased off there) or after it: the recording's ends are taken too, to outvote it.
    if (frames.size() < 3 || sides != 3)
        for (auto [f, side] : {std::pair{int64_t(1), -1}, {fields, 1}, {int64_t(11), -1}, {fields - 10, 1}})
            take(f, side);
    return frames;
}

std::optional<Bow_field> Lane_reader::Measure(const Bow_reader& bow, int64_t f, int direction, bool covers)
{
    const uint8_t* p = Frame(Frame_of(f));
    if (!p) return std::nullopt;
    auto [it, added] = looks_.try_emplace(f);
    if (added) it->second = bow.Look_at(p, Field_of(f));
    return bow.Measure(*it->second, direction, covers);
}

// The way the hull moves through the window: its middle over the fields, and where that cannot
// tell, its bow.
int Lane_reader::Direction(const Bow_reader& bow, int64_t first, int64_t last)
{
    std::map<int64_t, double> middles;
    for (int64_t f = first; f <= last; ++f)
        if (const auto b = Measure(bow, f, 0); b && b->hull) middles[f] = b->centroid_u;
    return Travel_direction(middles, [&](int direction) {
        std::map<int64_t, double> tips;
        for (const auto& [f, u] : middles)
            if (const auto b = Measure(bow, f, direction); b && b->tip_found) tips[f] = b->tip;
        return tips;
    });
}

std::vector<Bow_sample> Lane_reader::Samples(const Bow_reader& bow, const Lane_job& job, int64_t first, int64_t last,
                                             Seen& seen)
{
    Lane_notes& notes = seen.notes;
    std::vector<Bow_sample> out;
    for (int64_t f = first; f <= last; ++f) {
        const auto time = job.field_ms.find(f);
        if (time == job.field_ms.end()) continue;
        const std::optional<Bow_field> measured = Measure(bow, f, seen.direction, !seen.keep_covered);
        if (!measured) continue;
        const Bow_field& b = *measured;
        notes.beyond += b.beyond;
        // Where something stands in front of the bow's front, the bow lies somewhere ahead of where
        // the hull is seen to end: the field says where it is at the least, the fields around it
        // where it is.
        if (b.covered && !b.beyond && !seen.keep_covered) {
            seen.covered.insert(time->second);
            if (b.tip_found && b.tip >= 0) notes.past[time->second] = true;
            continue;
        }
        notes.past[time->second] = b.beyond || (b.tip_found && b.tip >= 0);
        if (!b.tip_found) continue;
        out.push_back({time->second, b.tip, b.rows});
        if (b.blade_ahead) notes.led_by_more.insert(time->second);
        notes.farthest_tip = std::max(notes.farthest_tip, b.tip);
        // Only the fields near the line say what the crossing itself looked like.
        if (std::abs(b.tip) > 20) continue;
        ++notes.fields;
        notes.blade_ahead += b.blade_ahead;
        if (b.blade_ahead) notes.ahead_px = std::max(notes.ahead_px, b.ahead);
        notes.second_hull += b.second_hull;
        notes.low_contrast += b.low_contrast;
    }
    return out;
}

// How far the hull went on past its front behind a cover, in the fields near the line where the
// most did: a cover in front of the bow is there in some of them only, as it or the boat moves on.
double Lane_reader::Cover_near_line(const Lane_job& job, const std::vector<Bow_sample>& samples, Cover_look look,
                                    int step)
{
    std::vector<double> covered;
    for (const auto& [field, field_ms] : job.field_ms) {
        const double ms = field_ms; // a lambda may not take a structured binding in every compiler
        const auto s = std::find_if(samples.begin(), samples.end(), [&](auto& b) { return b.t_ms == ms; });
        if (s == samples.end() || std::abs(s->tip) > 20) continue;
        look.picture = Frame(Frame_of(field));
        if (const double px = Hull_past_cover(look, s->rows, step); px > 0) covered.push_back(px);
    }
    // One field alone may show a splash or a blade ahead.
    if (covered.size() < 2) return 0;
    return *std::max_element(covered.begin(), covered.end());
}

// The fields near the instant t, as the bow model reads them: not those where something stood
// in front of the bow, whose pixels there are its, not the bow's.
std::vector<Bow_view> Lane_reader::Views(const Lane_job& job, double t, const std::set<double>& covered)
{
    std::vector<Bow_view> views;
    for (const auto& [field, ms] : job.field_ms)
        if (std::abs(ms - t) <= Bow_model::k_Reach_ms && !covered.count(ms))
            views.push_back({Frame(Frame_of(field)), Field_of(field), ms});
    return views;
}

// The crossing from the fields around where the strip saw the boat, widened back or on while
// they show it only before or only past the line.
std::optional<Crossing_estimate> Lane_reader::Fields_crossing(const Bow_reader& bow, const Lane_job& job, Seen& seen)
{
    const Strip_stretch& s = *job.stretch;
    seen.samples = Samples(bow, job, seen.first, seen.last, seen);
    std::optional<Crossing_estimate> e = Fit_crossing(seen.samples);
    for (int k = 0; !e && k < k_Widenings && (!seen.samples.empty() || seen.notes.beyond > 0); ++k) {
        // The bow has not reached the line yet in these fields, or has passed it in all: so far
        // past, where the strip first saw a faint hull late, that it lies beyond the window.
        const bool behind = seen.notes.beyond == 0 && std::all_of(seen.samples.begin(), seen.samples.end(),
                                                                  [](auto& b) { return b.tip < 0; });
        const int64_t from = behind ? seen.last + 1 : std::max<int64_t>(1, seen.first - 10);
        const int64_t to = behind ? seen.last + 10 : seen.first - 1;
        if (behind && from > s.first_field + s.fields) break;
        (behind ? seen.last : seen.first) = behind ? to : from;
        const auto more = Samples(bow, job, from, to, seen);
        seen.samples.insert(seen.samples.end(), more.begin(), more.end());
        e = Fit_crossing(seen.samples);
    }
    if (!e) e = Fit_hull_led(seen.samples, seen.notes);
    return e;
}

// Whether the bow went on past the line after crossing it at e: all the fields just after it
// are read for that.
bool Lane_reader::Goes_on(const Bow_reader& bow, const Lane_job& job, const Crossing_estimate& e, Seen& seen)
{
    int64_t after = seen.last;
    for (auto it = job.field_ms.upper_bound(seen.last); it != job.field_ms.end() && it->second <= e.t_ms + k_Stay_ms;
         ++it)
        after = it->first;
    const auto more = Samples(bow, job, seen.last + 1, after, seen);
    seen.samples.insert(seen.samples.end(), more.begin(), more.end());
    return Stays_past(seen.notes.past, e.t_ms, k_Stay_ms);
}

Lane_proposal Lane_reader::Read(const Lane_job& job)
{
    frames_.clear(); // the last lane's pictures are let go
    if (!job.stretch) return No_time(job.span, 0.9, "no boat reaches the line in this lane");
    const Lane_window window(line_, job.span, k_Reach, source_.frame_width, source_.frame_height);
    if (window.Empty()) return No_time(job.span, 0, "the lane lies outside the picture");
    const std::vector<const uint8_t*> water = Water_frames(*job.stretch);
    if (water.empty()) return No_time(job.span, 0.1, "no field shows the water without the boat");
    const Bow_reader bow(window, water, source_.frame_width);
    Lane_proposal p = Read_with(bow, window, job);
    if (p.time_ms) return p;
    // Where brightness alone does not set the hull apart from the water, its colour may: the lane
    // is read again with it. Lanes brightness reads stay as it reads them, its edges being finer
    // than the colour's. Pictures carry their colour ahead of their brightness.
    const Colour_layout colour{platform::Bgr_stride(source_.frame_width), source_.frame_height};
    Lane_proposal tinted = Read_with(bow.With_colour(colour, water), window, job);
    return tinted.time_ms ? tinted : p;
}

Lane_proposal Lane_reader::Read_with(const Bow_reader& bow, const Lane_window& window, const Lane_job& job)
{
    looks_.clear(); // looks are their bow reader's own: another reads the fields anew
    Seen seen;
    std::tie(seen.first, seen.last) = First_fields(*job.stretch);
    seen.direction = Direction(bow, seen.first, seen.last);
    if (seen.direction == 0) return No_time(job.span, 0.2, "no hull is seen moving in this lane");
    const Seen fresh = seen;
    Lane_proposal p = Read_crossing(bow, window, job, seen);
    // Where the bow lay hidden in too many of the fields at the line to be read from the others,
    // what stood in front of it is read with the hull, the uncertainty saying it may hide the bow.
    if (!p.time_ms && !seen.covered.empty()) {
        seen = fresh;
        seen.keep_covered = true;
        p = Read_crossing(bow, window, job, seen);
    }
    return p;
}

Lane_proposal Lane_reader::Read_crossing(const Bow_reader& bow, const Lane_window& window, const Lane_job& job,
                                         Seen& seen)
{
    std::optional<Crossing_estimate> e = Fields_crossing(bow, job, seen);
    if (!e && !seen.samples.empty() && seen.notes.farthest_tip < 0)
        return No_time(job.span, 0.7, "the boat stops before the line");
    if (!e) return No_time(job.span, 0.1, "the bow could not be read at the line");
    if (!Goes_on(bow, job, *e, seen))
        return No_time(job.span, 0.5, "what reached over the line went back: a blade, not the bow");
    const std::optional<Crossing_estimate> travelled = Travelling_crossing(*e, seen.samples, seen.notes, k_Stay_ms);
    if (!travelled) return No_time(job.span, 0.3, "the bow is not seen travelling over the line");
    e = travelled;
    const int step = seen.direction * (line_.U(1, 0) - line_.U(0, 0)) >= 0 ? 1 : -1;
    const std::optional<Crossing_estimate> crossing = Seen_crossing(*e, seen.samples, line_, seen.direction, step);
    if (!crossing) return No_time(job.span, 0.5, "the bow is not seen on both sides of the line");
    Crossing_estimate read = At_steady_height(*crossing, *e, seen.samples, line_, seen.direction, step);
    const Bow_model model(window, bow, source_.frame_width, source_.frame_height, step, bow.Threshold());
    const auto pixels = model.Crossing(Views(job, read.t_ms, seen.covered), read, seen.samples);
    if (const auto m = Taken_from_pixels(pixels, read)) read = *m;
    const Cover_look look{nullptr, bow.Water_plane(), source_.frame_width, window.X0(),
                          window.X0() + window.Box_width() - 1, window.Y0(), bow.Threshold()};
    seen.notes.cover_px = Cover_near_line(job, seen.samples, look, step);
    return Judge_crossing(job, read, seen.notes);
}

} // namespace wk
