// Writing a synthetic heat through the program's own writer, and its truth beside it.
#include "tools/Finish_heat.h"

#include "platform/Clock.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "tools/Dv_frames.h"
#include "tools/Finish_heat_painter.h"
#include "tools/Finish_heat_plan.h"
#include "tools/Held_out_painter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace wk::finish_heat {
namespace {

constexpr const char* k_Kind_names[] = {"mixed", "plain",     "blade",  "slanted", "reversed",
                                        "dead-heat", "empty", "stopper", "hidden", "dark"};
constexpr int32_t k_Local_start = 10 * 3600000;

void Write_header(cls_AVI_handler& rec, const Heat_plan& p)
{
    Cls_XML_header& h = rec.Header();
    h.Event_name("Synthetic Finish");
    h.Heat_ID(1, "1");
    h.Num_Lanes(int16_t(p.options.lanes));
    h.Start_lane(1);
    h.Lanes_Visible(true);
    h.Show_goalline(true);
    // As the capture station leaves a heat: marks locked, ready for finish clicks.
    h.Lanes_locked(true);
    h.Set_Goalline(p.goal[0], p.goal[1], p.goal[2], p.goal[3]);
    for (const Boat& b : p.boats) {
        const double y = p.band_top + (b.band + 0.5) * p.band_height;
        h.Lane_pos(int16_t(b.lane), int32_t(std::lround(p.Goal_x(y))), int32_t(std::lround(y)));
    }
    h.Start_PC_mill(1, p.heat_start);
    h.Start_local_mill(1, k_Local_start);
}

void Append_frame(cls_AVI_handler& rec, const Heat_plan& p, int32_t k, const dv::DV_picture& picture)
{
    dv::DV_frame f = dv::Encode_DV_picture(picture);
    dv::Put_timecode(f, dv::Timecode_plus({10, 0, 0, 0}, k - 1));
    dv::Put_rec_datetime(f, dv::Rec_datetime_plus({2026, 8, 20, 10, 0, 0}, (k - 1) / 25));
    const int32_t stamp = p.stamps[size_t(k - 1)];
    const int32_t since_start = platform::Tick_difference(stamp, p.heat_start);
    dv::Write_DV_extra_data(f, {.arrival_tick = platform::Tick_add(stamp, 3),
                                  .stamp_tick = stamp,
                                  .heat_start = p.heat_start,
                                  .local_time_ms = k_Local_start + since_start});
    if (!rec.Append_DV_frame(f)) throw std::runtime_error("cannot append frame " + std::to_string(k));
}

// Painting is nearly all of a heat's making, and no frame depends on another: a few painters
// paint a batch of frames side by side, then the batch is encoded and written in order (the DV
// encoder is one a process).
void Write_frames(cls_AVI_handler& rec, const Heat_plan& p)
{
    const int n = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    std::vector<std::unique_ptr<Heat_painter>> painters;
    for (int i = 0; i < n; ++i) painters.push_back(Make_heat_painter(p));
    std::vector<dv::DV_picture> pictures(static_cast<size_t>(n));
    for (int32_t first = 1; first <= p.Frames(); first += n) {
        const int count = std::min(n, p.Frames() - first + 1);
        std::vector<std::future<void>> painted;
        for (int i = 1; i < count; ++i)
            painted.push_back(std::async(std::launch::async, [&, i] { painters[size_t(i)]->Paint(first + i, pictures[size_t(i)]); }));
        painters[0]->Paint(first, pictures[0]);
        for (std::future<void>& f : painted) f.get();
        for (int i = 0; i < count; ++i) Append_frame(rec, p, first + i, pictures[size_t(i)]);
    }
}

// Closing reports a failed header write only through the error handler; the heat is trusted
// once it opens again with every frame and the goal line it was given.
void Check_recording(const std::string& path, const Heat_plan& p)
{
    cls_AVI_handler rec;
    if (!rec.Open_File(path)) throw std::runtime_error("cannot open " + path + " again once written");
    int32_t g[4] = {};
    rec.Header().Get_Goalline(g[0], g[1], g[2], g[3]);
    const bool whole = rec.num_frames() == p.Frames() && std::equal(g, g + 4, p.goal);
    rec.Close_File();
    if (!whole) throw std::runtime_error(path + " does not hold the whole heat once written");
}

void Write_recording(const std::string& path, const Heat_plan& p, bool& created)
{
    cls_AVI_handler rec;
    rec.File_name(path);
    if (!rec.Create_File()) throw std::runtime_error("cannot create " + path + ": " + Problems_text(rec.Take_problems()));
    created = true;
    rec.Initiate_file();
    if (!rec.File_Initiated()) throw std::runtime_error("cannot write the header of " + path);
    Write_header(rec, p);
    if (!rec.Write_XML_header()) throw std::runtime_error("cannot write the header of " + path);
    Write_frames(rec, p);
    rec.Close_File();
    Check_recording(path, p);
}

// The field whose click time lies nearest t.
int64_t Nearest_field(const Heat_plan& p, double t)
{
    int64_t best = 1;
    for (int64_t n = 1; n <= 2 * int64_t(p.Frames()); ++n)
        if (std::abs(p.Click_time(n) - t) < std::abs(p.Click_time(best) - t)) best = n;
    return best;
}

Truth Truth_of(const Heat_plan& p)
{
    Truth t;
    t.seed = p.seed;
    t.kind = p.options.kind;
    t.style = p.options.style;
    t.frames = p.Frames();
    t.heat_start = p.heat_start;
    std::copy(std::begin(p.goal), std::end(p.goal), t.goal);
    for (const Boat& b : p.boats) {
        Lane_truth l;
        l.lane = b.lane;
        l.kind = b.kind;
        l.direction = b.direction;
        l.note = b.note;
        if (l.note.empty() && b.kind == Lane_kind::finish && b.blade && b.blade_ahead > 0) l.note = "blade ahead of the bow";
        const double y = p.band_top + (b.band + 0.5) * p.band_height;
        l.mark_x = int32_t(std::lround(p.Goal_x(y)));
        l.mark_y = int32_t(std::lround(y));
        if (b.kind == Lane_kind::finish) {
            l.time_ms = b.crossing_ms;
            l.bow_y = b.Tip_y(b.crossing_ms);
            const int64_t n = Nearest_field(p, b.crossing_ms);
            l.frame = int32_t((n + 1) / 2);
            l.field = int16_t(n % 2 == 1 ? 1 : 2);
        }
        t.lanes.push_back(l);
    }
    std::sort(t.lanes.begin(), t.lanes.end(), [](const Lane_truth& a, const Lane_truth& b) { return a.lane < b.lane; });
    for (size_t i = 0; i < t.lanes.size(); ++i)
        for (size_t j = i + 1; j < t.lanes.size(); ++j)
            if (t.lanes[i].kind == Lane_kind::finish && t.lanes[j].kind == Lane_kind::finish &&
                std::abs(t.lanes[i].time_ms - t.lanes[j].time_ms) < 5.0)
                t.dead_heats.emplace_back(t.lanes[i].lane, t.lanes[j].lane);
    return t;
}

void Write_text(const std::string& path, const std::string& text, bool& created)
{
    // "x": never over a file that is there already.
    std::FILE* f = std::fopen(path.c_str(), "wx");
    if (!f) throw std::runtime_error("cannot create " + path);
    created = true;
    const bool whole = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !whole) throw std::runtime_error("cannot write " + path);
}

} // namespace

std::unique_ptr<Heat_painter> Make_heat_painter(const Heat_plan& plan)
{
    if (plan.options.style == Style::held_out) return std::make_unique<Held_out_painter>(plan);
    return std::make_unique<Finish_heat_painter>(plan);
}

std::string Kind_name(Kind kind) { return k_Kind_names[size_t(kind)]; }

std::string Style_name(Style style) { return style == Style::held_out ? "held-out" : "own"; }

std::optional<Kind> Kind_from_name(const std::string& name)
{
    for (Kind k : k_All_kinds)
        if (Kind_name(k) == name) return k;
    return std::nullopt;
}

std::string Lane_kind_name(Lane_kind kind)
{
    switch (kind) {
    case Lane_kind::finish: return "finish";
    case Lane_kind::empty: return "empty";
    case Lane_kind::stopper: return "stopper";
    }
    return "?";
}

std::string Truth_path(const std::string& recording_path)
{
    std::filesystem::path p(recording_path);
    return p.replace_extension(".truth.json").string();
}

std::string Truth_json(const Truth& t)
{
    char buf[256];
    std::string s = "{\"seed\":" + std::to_string(t.seed) + ",\"kind\":\"" + Kind_name(t.kind) + "\",\"style\":\"" + Style_name(t.style) +
                    "\",\"frames\":" + std::to_string(t.frames) + ",\"heat_start\":" + std::to_string(t.heat_start) +
                    ",\"ms_per_field\":20,\"goal\":[" + std::to_string(t.goal[0]) + "," + std::to_string(t.goal[1]) +
                    "," + std::to_string(t.goal[2]) + "," + std::to_string(t.goal[3]) + "],\n\"lanes\":[";
    for (size_t i = 0; i < t.lanes.size(); ++i) {
        const Lane_truth& l = t.lanes[i];
        s += i ? ",\n " : "\n ";
        std::snprintf(buf, sizeof buf, "{\"lane\":%d,\"kind\":\"%s\",\"direction\":%d,\"mark\":[%d,%d]", l.lane,
                      Lane_kind_name(l.kind).c_str(), l.direction, int(l.mark_x), int(l.mark_y));
        s += buf;
        if (!l.note.empty()) s += ",\"note\":\"" + l.note + "\"";
        if (l.kind == Lane_kind::finish)
            std::snprintf(buf, sizeof buf, ",\"time_ms\":%.3f,\"frame\":%d,\"field\":%d,\"bow_y\":%.3f}", l.time_ms,
                          int(l.frame), int(l.field), l.bow_y);
        else
            std::snprintf(buf, sizeof buf, ",\"time_ms\":null}");
        s += buf;
    }
    s += "],\n\"dead_heats\":[";
    for (size_t i = 0; i < t.dead_heats.size(); ++i)
        s += (i ? ",[" : "[") + std::to_string(t.dead_heats[i].first) + "," + std::to_string(t.dead_heats[i].second) + "]";
    return s + "]}\n";
}

Truth Truth_of(const Options& options) { return Truth_of(Plan_heat(options)); }

Truth Make_finish_heat(const std::string& path, const Options& options)
{
    const Heat_plan plan = Plan_heat(options);
    const std::string truth_path = Truth_path(path);
    if (std::filesystem::exists(truth_path)) throw std::runtime_error(truth_path + " exists already");
    const Truth truth = Truth_of(plan);
    const std::string part = truth_path + ".part";
    bool created = false, part_created = false;
    try {
        Write_recording(path, plan, created);
        Write_text(part, Truth_json(truth), part_created);
        std::filesystem::rename(part, truth_path);
    } catch (...) {
        std::error_code ignored;
        if (created) std::filesystem::remove(path, ignored);
        if (part_created) std::filesystem::remove(part, ignored);
        throw;
    }
    return truth;
}

} // namespace wk::finish_heat
