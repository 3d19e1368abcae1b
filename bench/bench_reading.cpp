// The finish reader on a seeded set of synthetic heats: every kind of difficulty, several seeds,
// 9-lane heats among them, and long mixed heats (20 s before the first crossing, 5 s after the
// last boat) as real heats are recorded. Prints, over all finishing lanes, the share within one field (20 ms)
// of the truth and within 2 ms, the median and 95th percentile of the error, how often the truth
// lay inside the stated uncertainty and the proposals made for empty or stopped lanes, also per
// kind of heat, apart for the heats in the look the reader was made against ("own style") and
// for those in a second look drawn apart from it ("held-out style"). Then the reading of the 9-lane heats against one thread decoding every frame of
// the same heats, in alternating turns, on the wall clock and all threads' processor time, the
// short heats and the long ones apart.
//
//   build-rel/bench/wk_bench_reading [--heats-per-kind=N] [--turns=N] [--accuracy-only]
//                                    [--keep-heats=FOLDER]
//
// Targets: within one field >= 95 %, within 2 ms >= 80 %, p95 <= 4 ms, truth inside the
// uncertainty >= 90 %, no proposal for an empty or stopped lane, a 9-lane heat read in at most a
// quarter of the one-thread decode's wall time. The heats are made at start in a private
// temporary folder.
#include "bench/Alternating_turns.h"
#include "bench/Bare_dv_decoder.h"
#include "bench/Reading_score.h"
#include "reading/Finish_reader.h"
#include "recording/cls_AVI_handler.h"
#include "tools/Finish_heat.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace wk;

struct Heat {
    std::string path, name;
    finish_heat::Truth truth;
    int lanes = 0;
    finish_heat::Style style = finish_heat::Style::own;
};

struct Heat_set {
    fs::path folder;
    std::vector<Heat> heats;

    bool kept = false;

    // keep: a folder of the caller's own where the heats stay to be read again; empty: a private
    // temporary folder that goes at the end.
    Heat_set(int per_kind, const std::string& keep) : kept(!keep.empty())
    {
        std::string pattern = (fs::temp_directory_path() / "wk_bench_reading_XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a private temporary folder");
        ::setenv("WAKELINE_HOME", pattern.c_str(), 1);
        folder = kept ? fs::path(keep) : fs::path(pattern);
        if (kept) fs::create_directories(folder);
        std::vector<std::pair<size_t, finish_heat::Options>> to_make;
        for (finish_heat::Style style : {finish_heat::Style::own, finish_heat::Style::held_out})
            for (finish_heat::Kind kind : finish_heat::k_All_kinds)
                for (int i = 0; i < per_kind; ++i) {
                    Heat h;
                    h.lanes = i % 2 == 0 ? 9 : 5;
                    h.style = style;
                    // Other seeds for the held-out look: other boats and moments as well.
                    const uint64_t seed = (style == finish_heat::Style::own ? 1000 : 5000) + uint64_t(i);
                    const std::string name = finish_heat::Kind_name(kind) + "_" + std::to_string(seed) + "_" +
                                             finish_heat::Style_name(style);
                    h.name = finish_heat::Kind_name(kind) + "/" + std::to_string(seed) + "/" + std::to_string(h.lanes);
                    h.path = (folder / (name + ".qs2")).string();
                    const finish_heat::Options options{.seed = seed, .kind = kind, .lanes = h.lanes, .style = style};
                    Plan(std::move(h), options, to_make);
                }
        // Long recordings: the water read far from the crossings and many more frames on the strip.
        for (finish_heat::Style style : {finish_heat::Style::own, finish_heat::Style::held_out})
            for (int i = 0; i < per_kind; ++i) {
                const uint64_t seed = (style == finish_heat::Style::own ? 2000 : 6000) + uint64_t(i);
                Heat h{.name = "long-mixed/" + std::to_string(seed) + "/9", .lanes = 9, .style = style};
                h.path = (folder / ("long_mixed_" + std::to_string(seed) + "_" + finish_heat::Style_name(style) + ".qs2"))
                             .string();
                Plan(std::move(h),
                     {.seed = seed, .kind = finish_heat::Kind::mixed, .lanes = 9, .lead_ms = 20000, .tail_ms = 5000,
                      .style = style},
                     to_make);
            }
        Make(to_make);
        std::printf("%zu heats in %s, %zu made now\n", heats.size(), folder.c_str(), to_make.size());
    }
    ~Heat_set()
    {
        std::error_code ec;
        if (!kept) fs::remove_all(folder, ec);
        fs::remove_all(getenv("WAKELINE_HOME"), ec);
    }

    void Plan(Heat h, const finish_heat::Options& options, std::vector<std::pair<size_t, finish_heat::Options>>& to_make)
    {
        h.truth = finish_heat::Truth_of(options);
        heats.push_back(std::move(h));
        if (!fs::exists(finish_heat::Truth_path(heats.back().path))) to_make.push_back({heats.size() - 1, options});
    }

    void Make(std::vector<std::pair<size_t, finish_heat::Options>>& to_make)
    {
        // Each heat in a process of its own, four at a time: the painting takes the time, and the
        // DV encoder is one a process.
        size_t running = 0, failed = 0;
        auto reap = [&] {
            int status = 0;
            if (::wait(&status) > 0) --running, failed += WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
        };
        for (auto& [index, options] : to_make) {
            const Heat* heat = &heats[index];
            if (running == 4) reap();
            std::error_code ec;
            fs::remove(heat->path, ec);
            const pid_t child = ::fork();
            if (child < 0) throw std::runtime_error("cannot start making a heat");
            if (child == 0) {
                try {
                    finish_heat::Make_finish_heat(heat->path, options);
                    ::_exit(0);
                } catch (const std::exception& e) {
                    std::fprintf(stderr, "wk_bench_reading: %s\n", e.what());
                    ::_exit(1);
                }
            }
            ++running;
        }
        while (running > 0) reap();
        if (failed > 0) throw std::runtime_error(std::to_string(failed) + " heats could not be made");
    }
    // long_ones: only the long heats, or only the short ones; none: both.
    std::vector<const Heat*> Nine_lanes(std::optional<bool> long_ones = {}) const
    {
        std::vector<const Heat*> nine;
        for (const Heat& h : heats)
            if (h.lanes == 9 && h.style == finish_heat::Style::own &&
                (!long_ones || *long_ones == (h.name.rfind("long-", 0) == 0)))
                nine.push_back(&h);
        return nine;
    }
};

Heat_set* g_Heats = nullptr;

// The reference: every frame of the heat read and decoded, on one thread.
bool Decode_every_frame(const Heat& h)
{
    cls_AVI_handler rec;
    if (!rec.Open_File(h.path)) return false;
    bench::Bare_dv_decoder decoder;
    for (int32_t k = 1; k <= rec.num_frames(); ++k) {
        if (!rec.Read_Frame(k)) return false;
        const auto bytes = rec.Frame_bytes();
        std::vector<uint8_t> padded = bench::Bare_dv_decoder::Padded(bytes.data(), bytes.size());
        if (!decoder.Decode(padded)) return false;
    }
    return true;
}

bool Read(const Heat& h)
{
    try {
        const Finish_reading r = Read_finish(h.path);
        benchmark::DoNotOptimize(r.lanes.data());
        return !r.lanes.empty();
    } catch (const std::exception&) {
        return false;
    }
}

template <class Each> bool Over_nine_lanes(Each each, std::optional<bool> long_ones = {})
{
    for (const Heat* h : g_Heats->Nine_lanes(long_ones))
        if (!each(*h)) return false;
    return true;
}

void Decode_nine_lane_heats_one_thread(benchmark::State& state)
{
    for (auto _ : state)
        if (!Over_nine_lanes(Decode_every_frame)) state.SkipWithError("decode failed");
}
BENCHMARK(Decode_nine_lane_heats_one_thread)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(1);

void Read_nine_lane_heats(benchmark::State& state)
{
    for (auto _ : state)
        if (!Over_nine_lanes(Read)) state.SkipWithError("reading failed");
}
BENCHMARK(Read_nine_lane_heats)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(1);

// The look the reader was made against and the held-out one, apart: only the second says how
// it reads boats and water it has not seen.
void Score_all()
{
    for (finish_heat::Style style : {finish_heat::Style::own, finish_heat::Style::held_out}) {
        bench::Reading_score score;
        for (const Heat& h : g_Heats->heats) {
            if (h.style != style) continue;
            try {
                score.Add(h.truth, h.name, Read_finish(h.path));
            } catch (const std::exception& e) {
                score.Add_refused(h.truth, h.name, e.what());
            }
        }
        std::printf("\n=== %s style ===", finish_heat::Style_name(style).c_str());
        score.Print();
    }
}

// Short heats and long ones apart: the short ones are where reading costs most against decoding
// every frame.
void Speed_turns(int turns)
{
    std::printf("\n");
    for (const bool long_ones : {false, true}) {
        const auto nine = g_Heats->Nine_lanes(long_ones);
        if (nine.empty()) continue;
        const bench::Clocked_turns t = bench::Alternate(
            turns, [&] { return Over_nine_lanes(Decode_every_frame, long_ones); },
            [&] { return Over_nine_lanes(Read, long_ones); });
        const std::string note =
            std::to_string(nine.size()) + (long_ones ? " long" : " short") + " nine-lane heats a turn";
        bench::Print_clock("reading / one-thread decode of every frame (target at most 0.25)", "wall", t.wall, note);
        bench::Print_clock("reading / one-thread decode of every frame", "all-thread CPU", t.all_threads, note);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int turns = bench::Take_turns_argument(argc, argv);
    const int per_kind = bench::Take_number_argument(argc, argv, "--heats-per-kind=", 3, 1);
    const bool accuracy_only = bench::Take_flag_argument(argc, argv, "--accuracy-only");
    std::string keep;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).rfind("--keep-heats=", 0) == 0) {
            keep = argv[i] + 13;
            for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
            --argc;
            break;
        }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        Heat_set heats(per_kind, keep);
        g_Heats = &heats;
        if (!accuracy_only) benchmark::RunSpecifiedBenchmarks();
        Score_all();
        if (!accuracy_only) Speed_turns(turns);
        g_Heats = nullptr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "wk_bench_reading: %s\n", e.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
