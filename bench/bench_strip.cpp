// Building the finish strip of a three-minute heat (4,500 frames) against one thread decoding
// every frame of the same recording, read the same way. The strip must be whole in less than a
// third of that one thread's wall time. Both sides run in alternating turns; each turn's wall-time
// ratio and all-thread processor-time ratio are printed as medians.
//
//   build-rel/bench/wk_bench_strip [--turns=N]
//
// Stepping must stay as quick while the strip is built: the viewer's own drawing of successive
// fields is timed alone and while a strip of the same heat is being built, in alternating turns.
//
// The heat is made at start in a temporary folder.
#include "bench/Alternating_turns.h"
#include "platform/Av_frame_decoder.h"
#include "platform/Byte_file.h"
#include "platform/Draw_surface.h"
#include "recording/Finish_strip.h"
#include "recording/cls_AVI_handler.h"
#include "tools/Demo_heat.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace wk;

struct Heat {
    Heat()
    {
        folder = fs::temp_directory_path() / ("wk_bench_strip_" + std::to_string(::getpid()));
        fs::create_directories(folder);
        ::setenv("WAKELINE_HOME", folder.c_str(), 1);
        path = (folder / "Heat180.qs2").string();
        demo::Make_demo_heat(path, {.lanes = 6, .seconds = 180, .line_over_boats = false});
        if (!recording.Open_File(path)) throw std::runtime_error("cannot open " + path);
        source = Strip_source_of(recording, 1);
    }
    ~Heat()
    {
        recording.Close_File();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    fs::path folder;
    std::string path;
    cls_AVI_handler recording;
    Finish_strip_source source;
    Finish_strip_line::Setup line{.x1 = 540, .y1 = 1, .x2 = 540, .y2 = 575};
};

Heat& The_heat()
{
    static Heat h;
    return h;
}

// The reference: every frame read and decoded to the picture the viewer shows, on one thread.
bool Decode_every_frame()
{
    const Heat& h = The_heat();
    int error = 0;
    const auto file = platform::Open_byte_source(h.path, platform::Raw_file::Mode::Read, error);
    platform::Av_frame_decoder decoder;
    platform::Av_frame_bytes bytes;
    std::vector<uint8_t> picture(size_t(platform::Bgr_stride(720)) * 576);
    if (!file) return false;
    for (const auto& place : h.source.places) {
        uint8_t* into = bytes.Resize(place.length);
        if (!into || !file->Read_exact(place.offset, into, place.length) ||
            !decoder.Decode(bytes.Bytes(), picture.data(), 720, 576))
            return false;
    }
    benchmark::DoNotOptimize(picture.data());
    return true;
}

bool Build_strip()
{
    const Heat& h = The_heat();
    Finish_strip strip(h.source, h.line);
    strip.Wait_whole();
    benchmark::DoNotOptimize(strip.Picture().constBits());
    return strip.Unreadable_frames() == 0;
}

void Decode_one_thread(benchmark::State& state)
{
    for (auto _ : state)
        if (!Decode_every_frame()) state.SkipWithError("decode failed");
}
BENCHMARK(Decode_one_thread)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(1);

void Strip_build(benchmark::State& state)
{
    for (auto _ : state)
        if (!Build_strip()) state.SkipWithError("strip failed");
}
BENCHMARK(Strip_build)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(3);

void Strip_turns(int turns)
{
    const bench::Clocked_turns t = bench::Alternate(turns, Decode_every_frame, Build_strip);
    const std::string note = std::to_string(The_heat().source.places.size()) + " frames, " +
                             std::to_string(std::max(2, int(std::thread::hardware_concurrency()) - 2)) + " workers";
    bench::Print_clock("strip build / one-thread decode (target below 0.33)", "wall", t.wall, note);
    bench::Print_clock("strip build / one-thread decode", "all-thread CPU", t.all_threads, note);
}

// What the viewer does for each step of a held arrow key: the next field drawn into its picture.
constexpr int32_t k_Steps = 100;

bool Step_fields(cls_AVI_handler& rec, int32_t first)
{
    static QImage image(720, 576, QImage::Format_RGB32);
    platform::Draw_surface picture(&image);
    for (int32_t field = first; field < first + k_Steps; ++field)
        if (!rec.Draw_field_3(field, picture)) return false;
    return true;
}

void Stepping_turns(int turns)
{
    cls_AVI_handler rec;
    if (!rec.Open_File(The_heat().path)) return;
    bench::Turns t;
    int32_t first = 1;
    for (int i = 0; i < std::max(turns, 5); ++i) {
        const double w0 = bench::Wall_ms();
        if (!Step_fields(rec, first)) break;
        const double w1 = bench::Wall_ms();
        // The strip starts before the clock and is far from whole when the steps end.
        Finish_strip strip(The_heat().source, The_heat().line);
        const double w2 = bench::Wall_ms();
        if (!Step_fields(rec, first + k_Steps) || strip.Whole()) break;
        const double w3 = bench::Wall_ms();
        first += 2 * k_Steps;
        t.Add(w1 - w0, w3 - w2);
    }
    bench::Print_clock("stepping while the strip is built / stepping alone", "wall", t,
                       std::to_string(k_Steps) + " fields a turn");
}

} // namespace

int main(int argc, char** argv)
{
    const int turns = bench::Take_turns_argument(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    The_heat();
    benchmark::RunSpecifiedBenchmarks();
    Strip_turns(turns);
    Stepping_turns(turns);
    benchmark::Shutdown();
    return 0;
}
