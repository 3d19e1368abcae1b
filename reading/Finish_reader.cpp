#include "reading/Finish_reader.h"

#include "reading/Lane_judgement.h"
#include "reading/Lane_reader.h"
#include "recording/Finish_strip.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace wk {
namespace {

constexpr int32_t k_Unreadable = 5; // the error number of a recording that cannot be read
constexpr int64_t k_Clock_before = 60, k_Clock_after = 40; // fields around a crossing given times

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

// The click time of each field near each crossing, taken on the recording's own thread.
void Take_field_times(cls_AVI_handler& r, std::vector<Lane_job>& jobs)
{
    std::map<int64_t, std::optional<double>> known;
    for (Lane_job& job : jobs) {
        if (!job.stretch) continue;
        const int64_t from = std::max<int64_t>(1, job.stretch->first_field - k_Clock_before);
        const int64_t to = std::min<int64_t>(2 * int64_t(r.num_frames()),
                                             job.stretch->first_field + job.stretch->fields + k_Clock_after);
        for (int64_t f = from; f <= to; ++f) {
            auto it = known.find(f);
            if (it == known.end()) {
                std::optional<double> ms;
                try {
                    if (r.Read_Frame(int32_t((f + 1) / 2))) {
                        r.Let_Field_To_Show(f % 2 == 1 ? 1 : 2);
                        ms = r.Multi_TimeStamp(1);
                    }
                } catch (const Run_time_error&) {
                    // A field without a time of its own is not read.
                }
                it = known.emplace(f, ms).first;
            }
            if (it->second) job.field_ms[f] = *it->second;
        }
    }
}

std::vector<Lane_proposal> Read_lanes(const Finish_strip_source& source, const Goal_geometry& line,
                                      const std::vector<Lane_job>& jobs, int workers)
{
    std::vector<Lane_proposal> out(jobs.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        Lane_reader reader(source, line);
        for (size_t i = next++; i < jobs.size(); i = next++) out[i] = reader.Read(jobs[i]);
    };
    std::vector<std::thread> threads;
    for (int k = 1; k < std::min<int>(workers, int(jobs.size())); ++k) threads.emplace_back(work);
    work();
    for (auto& t : threads) t.join();
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

    Finish_strip_source source = Strip_source_of(r, 1);
    Finish_strip_line::Setup setup{heat.x1, heat.y1, heat.x2, heat.y2, source.frame_width, source.frame_height,
                                   source.frame_width, source.frame_height, false};
    const int workers = options.workers > 0 ? options.workers : std::max(2, int(std::thread::hardware_concurrency()) - 1);
    std::vector<Lane_job> jobs;
    {
        Finish_strip strip(source, setup, workers);
        strip.Wait_whole();
        if (strip.Unreadable_frames() * 2 > strip.Frames()) Refuse(path, "most of its frames cannot be decoded");
        if (options.progress) options.progress(0.6);
        const Strip_crossings crossings(strip.Picture());
        for (const Lane_span& span : line.Spans(heat.marks)) {
            const int32_t a = strip.Line().Sample_of(line.X(0, span.v0), line.Y(0, span.v0));
            const int32_t b = strip.Line().Sample_of(line.X(0, span.v1), line.Y(0, span.v1));
            jobs.push_back({span, crossings.Stretch(std::min(a, b), std::max(a, b)), {}});
        }
    }
    Take_field_times(r, jobs);
    r.Close_File();
    Finish_reading reading;
    reading.lanes = Read_lanes(source, line, jobs, workers);
    reading.dead_heats = Dead_heats(reading.lanes);
    if (options.progress) options.progress(1.0);
    return reading;
}

} // namespace wk
