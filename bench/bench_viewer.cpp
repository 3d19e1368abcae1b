// Stepping through a heat in the viewer: both fields of a frame, each shown the way the viewer
// shows it when the slider moves (field drawn, labels, overlay, picture painted), against a bare
// libavcodec decode of the same frame. Holding an arrow key must be followable: the target is at
// most 1.5 times the bare decode.
//
//   build-rel/bench/wk_bench_viewer
//
// The viewer runs offscreen on a demo heat made at start in a temporary home.
#include "bench/Bare_dv_decoder.h"
#include "platform/Forms.h"
#include "platform/Form_window.h"
#include "platform/Registry_store.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_canoe.h"
#include "services/Module_qsm_Globals.h"
#include "tools/Demo_heat.h"
#include "viewer/Frm_kanot_2.h"

#include <benchmark/benchmark.h>


#include <QApplication>
#include <QSlider>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace wk;

struct Heat {
    Heat()
    {
        home = fs::temp_directory_path() / ("wk_bench_viewer_" + std::to_string(::getpid()));
        fs::create_directories(home / ".local/share/Wakeline");
        ::setenv("WAKELINE_HOME", home.c_str(), 1);
        std::ofstream(home / ".local/share/Wakeline/Wakeline.ini") << "[Canoe]\r\n";
        platform::Registry_store().Set_value(platform::HKEY_LOCAL_MACHINE, k_Drivers32_key, "vidc.dvsd",
                                             platform::Registry_store::Text_value("dv.dll"));
        path = (home / "DemoHeat1.qs2").string();
        frames = demo::Make_demo_heat(path, {.lanes = 6}).frames;
    }
    ~Heat()
    {
        std::error_code ec;
        fs::remove_all(home, ec);
    }
    fs::path home;
    std::string path;
    int32_t frames = 0;
};

Heat& The_heat()
{
    static Heat h;
    return h;
}

// The viewer's own road: move the slider, Scroll, let the picture be painted.
void BM_Viewer_steps_both_fields_of_a_frame(benchmark::State& state)
{
    Frm_kanot_2& viewer = platform::Form_instance<Frm_kanot_2>();
    viewer.show();
    viewer.Open_Recording(The_heat().path);
    if (!g_Recording || !g_Recording->File_open()) state.SkipWithError("cannot open");
    const int32_t frames = The_heat().frames;
    int32_t frame = 0;
    const int64_t decoded_before = g_Recording ? g_Recording->Decoded_count() : 0;
    for (auto _ : state) {
        frame = frame % frames + 1;
        for (int32_t field : {2 * frame - 1, 2 * frame}) {
            viewer.Slider_play->setValue(field);
            viewer.Slider_play_Scroll();
            QCoreApplication::processEvents();
        }
    }
    state.counters["decodes_per_frame"] = benchmark::Counter(
        double(g_Recording->Decoded_count() - decoded_before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Viewer_steps_both_fields_of_a_frame)->Unit(benchmark::kMicrosecond);

// libavcodec alone on the same frames, read from the same file beforehand.
void BM_Bare_decode_of_the_frame(benchmark::State& state)
{
    cls_AVI_handler rec;
    if (!rec.Open_File(The_heat().path)) state.SkipWithError("cannot open");
    std::vector<std::vector<uint8_t>> frames;
    for (int32_t f = 1; f <= The_heat().frames; ++f) {
        rec.Read_Frame(f);
        frames.push_back(bench::Bare_dv_decoder::Padded(rec.Frame_bytes().data(), rec.Frame_bytes().size()));
    }
    bench::Bare_dv_decoder decoder;
    size_t k = 0;
    for (auto _ : state) {
        if (!decoder.Decode(frames[k])) state.SkipWithError("decode failed");
        k = (k + 1) % frames.size();
    }
}
BENCHMARK(BM_Bare_decode_of_the_frame)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's time per iteration so the ratio can be printed after the run.
class Ratio_reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) times[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    The_heat();
    Ratio_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto viewer = reporter.times.find("BM_Viewer_steps_both_fields_of_a_frame");
    const auto bare = reporter.times.find("BM_Bare_decode_of_the_frame");
    if (viewer != reporter.times.end() && bare != reporter.times.end() && bare->second > 0)
        std::printf("viewer stepping / bare decode = %.2f (target at most 1.5)\n", viewer->second / bare->second);
    for (auto* f : platform::Loaded_forms()) f->Unload_form();
    benchmark::Shutdown();
    return 0;
}
