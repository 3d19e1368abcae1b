// The finish reader on a seeded set of synthetic heats: every kind of difficulty, several seeds,
// 9-lane heats among them. Prints, over all finishing lanes, the share within one field (20 ms)
// of the truth and within 2 ms, the median and 95th percentile of the error, how often the truth
// lay inside the stated uncertainty and the proposals made for empty or stopped lanes, also per
// kind of heat. Then the reading of the 9-lane heats against one thread decoding every frame of
// the same heats, in alternating turns, on the wall clock and all threads' processor time.
//
//   build-rel/bench/wk_bench_reading [--heats-per-kind=N] [--turns=N]
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
};

struct Heat_set {
    fs::path folder;
    std::vector<Heat> heats;

    explicit Heat_set(int per_kind)
    {
        std::string pattern = (fs::temp_directory_path() / "wk_bench_reading_XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a private temporary folder");
        folder = pattern;
        ::setenv("WAKELINE_HOME", folder.c_str(), 1);
        for (finish_heat::Kind kind : finish_heat::k_All_kinds)
            for (int i = 0; i < per_kind; ++i) {
                Heat h;
                h.lanes = i % 2 == 0 ? 9 : 5;
                const uint64_t seed = 1000 + uint64_t(i);
                h.name = finish_heat::Kind_name(kind) + "/" + std::to_string(seed) + "/" + std::to_string(h.lanes);
                h.path = (folder / (finish_heat::Kind_name(kind) + "_" + std::to_string(seed) + ".qs2")).string();
                h.truth = finish_heat::Make_finish_heat(h.path, {.seed = seed, .kind = kind, .lanes = h.lanes});
                heats.push_back(std::move(h));
            }
        std::printf("%zu heats made in %s\n", heats.size(), folder.c_str());
    }
    ~Heat_set()
    {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::vector<const Heat*> Nine_lanes() const
    {
        std::vector<const Heat*> nine;
        for (const Heat& h : heats)
            if (h.lanes == 9) nine.push_back(&h);
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

template <class Each> bool Over_nine_lanes(Each each)
{
    for (const Heat* h : g_Heats->Nine_lanes())
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

void Score_all()
{
    bench::Reading_score score;
    for (const Heat& h : g_Heats->heats) {
        try {
            score.Add(h.truth, h.name, Read_finish(h.path));
        } catch (const std::exception& e) {
            score.Add_refused(h.truth, h.name, e.what());
        }
    }
    score.Print();
}

void Speed_turns(int turns)
{
    const auto nine = g_Heats->Nine_lanes();
    const bench::Clocked_turns t = bench::Alternate(
        turns, [] { return Over_nine_lanes(Decode_every_frame); }, [] { return Over_nine_lanes(Read); });
    const std::string note = std::to_string(nine.size()) + " nine-lane heats a turn";
    std::printf("\n");
    bench::Print_clock("reading / one-thread decode of every frame (target at most 0.25)", "wall", t.wall, note);
    bench::Print_clock("reading / one-thread decode of every frame", "all-thread CPU", t.all_threads, note);
}

} // namespace

int main(int argc, char** argv)
{
    const int turns = bench::Take_turns_argument(argc, argv);
    const int per_kind = bench::Take_number_argument(argc, argv, "--heats-per-kind=", 3, 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        Heat_set heats(per_kind);
        g_Heats = &heats;
        benchmark::RunSpecifiedBenchmarks();
        Score_all();
        Speed_turns(turns);
        g_Heats = nullptr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "wk_bench_reading: %s\n", e.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
