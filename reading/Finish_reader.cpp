#include "reading/Finish_reader.h"

#include "reading/Crossing_search.h"
#include "reading/Frame_store.h"
#include "reading/Lane_judgement.h"
#include "reading/Lane_reader.h"
#include "reading/Lane_window.h"
#include "reading/Parallel_work.h"
#include "recording/Finish_strip.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <memory>
#include <set>
#include <thread>

namespace wk {
namespace {

constexpr int32_t k_Unreadable = 5; // the error number of a recording that cannot be read
constexpr int64_t k_Clock_before = 60, k_Clock_after = 40; // fields around a crossing given times
// Pictures the store keeps: the looks near the crossings of a 9-lane heat and the frames its
// lanes are read in, none decoded twice, without holding a long recording's looks. As many as
// the picture memory keeps between readings anyway.
constexpr size_t k_Kept = 96;

[[noreturn]] void Refuse(const std::string& path, const std::string& why)
{
    throw Run_time_error(k_Unreadable, "Cannot read the finish of " + path + ": " + why, "Read_finish");
}

struct Heat {
    std::vector<Lane_mark> marks;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

Heat Heat_of(cls_AVI_handler& r, const std::string& path)
{
    Heat h;
    Cls_XML_header& header = r.Header();
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    header.Get_Goalline(x1, y1, x2, y2);
    h = {{}, double(x1), double(y1), double(x2), double(y2)};
    const int16_t lanes = header.Num_Lanes();
    if (lanes < 1 || lanes > 15) Refuse(path, "it has " + std::to_string(lanes) + " lanes");
    const int16_t first = header.Start_lane();
    for (int16_t i = 1; i <= lanes; ++i)
        h.marks.push_back({first + i - 1, double(header.Lane_pos_X(i)), double(header.Lane_pos_Y(i))});
    if (header.Start_PC_mill(1) == 0 && (r.Read_Frame(1), r.Old_HeatStart() == 0))
        Refuse(path, "the heat has no start");
    return h;
}

// The click time of each field near each crossing, taken on the recording's own thread from the
// frames' own records: no picture is decoded for it.
void Take_field_times(cls_AVI_handler& r, std::vector<Lane_job>& jobs)
{
    std::set<int32_t> frames;
    for (const Lane_job& job : jobs) {
        if (!job.stretch) continue;
        const int64_t from = std::max<int64_t>(1, job.stretch->first_field - k_Clock_before);
        const int64_t to = std::min<int64_t>(2 * int64_t(r.num_frames()),
                                             job.stretch->first_field + job.stretch->fields + k_Clock_after);
        for (int64_t f = from; f <= to; ++f) frames.insert(int32_t((f + 1) / 2));
    }
    std::map<int64_t, double> known;
    for (const int32_t frame : frames) {
        try {
            if (!r.Read_Frame(frame)) continue;
            for (int16_t field : {1, 2}) {
                r.Let_Field_To_Show(field);
                known[2 * int64_t(frame) - 2 + field] = r.Multi_TimeStamp(1);
            }
        } catch (const Run_time_error&) {
            // A field without a time of its own is not read.
        }
    }
    for (Lane_job& job : jobs) {
        if (!job.stretch) continue;
        const auto from = known.lower_bound(job.stretch->first_field - k_Clock_before);
        const auto to = known.upper_bound(job.stretch->first_field + job.stretch->fields + k_Clock_after);
        job.field_ms.insert(from, to);
    }
}

using Decodings = std::vector<std::unique_ptr<Frame_store::Decoding>>;

// The columns the strip samples along the goal line: only its colour is read.
Frame_store::Columns Line_columns(const Heat& heat, int32_t width)
{
    return {std::max(0, int32_t(std::floor(std::min(heat.x1, heat.x2))) - 2),
            std::min(width - 1, int32_t(std::ceil(std::max(heat.x1, heat.x2))) + 2)};
}

// The columns anything reads the brightness of: the goal line's and every lane's window.
Frame_store::Columns Lit_columns(const Heat& heat, const Goal_geometry& line, const std::vector<Lane_span>& spans,
                                 int32_t width, int32_t height)
{
    Frame_store::Columns c = Line_columns(heat, width);
    for (const Lane_span& span : spans) {
        const Lane_window w = Lane_reader::Window(line, span, width, height);
        if (w.Empty()) continue;
        c.first = std::min(c.first, w.X0());
        c.last = std::max(c.last, w.X0() + w.Box_width() - 1);
    }
    return {std::max(0, c.first), std::min(width - 1, c.last)};
}

// The frames each lane is read in first, decoded on the workers while the calling thread takes
// the fields' times from the recording: the lanes then find them decoded and only measure. The
// lanes whose boats cross first come first, and no more than the store keeps.
void Decode_while(Frame_store& store, Decodings& decodings, const std::vector<Lane_job>& jobs, size_t keep,
                  const std::function<void()>& meanwhile)
{
    std::vector<const Strip_stretch*> stretches;
    for (const Lane_job& job : jobs)
        if (job.stretch) stretches.push_back(&*job.stretch);
    std::sort(stretches.begin(), stretches.end(), [](auto a, auto b) { return a->first_field < b->first_field; });
    std::vector<int32_t> frames;
    std::set<int32_t> seen;
    for (const Strip_stretch* s : stretches) {
        const auto [first, last] = Lane_reader::First_fields(*s);
        for (int32_t f = int32_t((first + 1) / 2); f <= std::min<int64_t>((last + 1) / 2, store.Frames()); ++f)
            if (seen.insert(f).second && frames.size() < keep) frames.push_back(f);
    }
    if (decodings.size() < 2 || frames.empty()) return meanwhile();
    std::exception_ptr failure;
    std::thread workers([&] {
        try {
            Run_parallel(frames.size(), decodings.size() - 1,
                         [&](size_t i, size_t worker) { store.Get(frames[i], *decodings[worker + 1]); });
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        meanwhile();
    } catch (...) {
        workers.join();
        throw;
    }
    workers.join();
    if (failure) std::rethrow_exception(failure);
}

std::vector<Lane_proposal> Read_lanes(Frame_store& store, Decodings& decodings, const Goal_geometry& line,
                                      const std::vector<Lane_job>& jobs, int32_t look_step)
{
    std::vector<std::unique_ptr<Lane_reader>> readers(decodings.size());
    std::vector<Lane_proposal> out(jobs.size());
    // The lanes whose boats cross first first: lanes read side by side then want the same frames
    // at about the same time, while the store still keeps them.
    std::vector<size_t> order(jobs.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto when = [&](size_t i) { return jobs[i].stretch ? jobs[i].stretch->first_field : INT64_MAX; };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return when(a) < when(b); });
    Run_parallel(jobs.size(), decodings.size(), [&](size_t k, size_t worker) {
        std::unique_ptr<Lane_reader>& reader = readers[worker];
        if (!reader) reader = std::make_unique<Lane_reader>(store, *decodings[worker], line, look_step);
        out[order[k]] = reader->Read(jobs[order[k]]);
    });
    return out;
}

} // namespace

Finish_reading Read_finish(const std::string& path, const Finish_reader_options& options)
{
    cls_AVI_handler r;
    r.Let_Open_read_only(true);
    if (const Recording_outcome opened = r.Open_File(path); !opened)
        Refuse(path, opened.problems.empty() ? "it does not open" : opened.problems.front().Text());
    if (!r.is_Wakeline()) Refuse(path, "it is not a Wakeline recording");
    if (r.num_frames() < 2) Refuse(path, "it holds no frames to read");
    const Heat heat = Heat_of(r, path);
    const Goal_geometry line(heat.x1, heat.y1, heat.x2, heat.y2);
    if (!line.Valid()) Refuse(path, "it has no goal line");

    const Finish_strip_source source = Strip_source_of(r, 1);
    const Finish_strip_line strip_line({heat.x1, heat.y1, heat.x2, heat.y2, source.frame_width, source.frame_height,
                                        source.frame_width, source.frame_height, false});
    const int workers = options.workers > 0 ? options.workers : std::max(2, int(std::thread::hardware_concurrency()) - 1);
    Decodings decodings;
    for (int w = 0; w < workers; ++w) decodings.push_back(std::make_unique<Frame_store::Decoding>(source));
    const std::vector<Lane_span> spans = line.Spans(heat.marks);
    // The lanes' readers tell a hull by its colour too.
    const Frame_store::Columns lit = Lit_columns(heat, line, spans, source.frame_width, source.frame_height);
    Frame_store store(source, k_Kept, lit, lit);
    Crossing_search search(store, decodings, strip_line);
    std::vector<std::pair<int32_t, int32_t>> lane_samples;
    for (const Lane_span& span : spans) {
        const int32_t a = strip_line.Sample_of(line.X(0, span.v0), line.Y(0, span.v0));
        const int32_t b = strip_line.Sample_of(line.X(0, span.v1), line.Y(0, span.v1));
        lane_samples.push_back({std::min(a, b), std::max(a, b)});
    }
    const std::vector<std::optional<Strip_stretch>> stretches = search.Find(lane_samples);
    if (search.Strip().Unreadable() * 2 > search.Strip().Put_count())
        Refuse(path, "most of its frames cannot be decoded");
    if (options.progress) options.progress(0.5);
    std::vector<Lane_job> jobs;
    for (size_t i = 0; i < spans.size(); ++i) jobs.push_back({spans[i], stretches[i], {}});
    Decode_while(store, decodings, jobs, k_Kept - k_Kept / 4, [&] { Take_field_times(r, jobs); });
    r.Close_File();
    Finish_reading reading;
    reading.lanes = Read_lanes(store, decodings, line, jobs, search.Step());
    reading.dead_heats = Dead_heats(reading.lanes);
    if (options.progress) options.progress(1.0);
    return reading;
}

} // namespace wk
