// Stepping through a heat in the viewer: both fields of a frame, each shown the way the viewer
// shows it when the slider moves (field drawn, labels, overlay, picture painted), against a bare
// libavcodec decode of the same frame; and a result click against the header write it needs.
// Holding an arrow key must be followable: the target is at most 1.5 times the bare decode.
// After the single runs, the two sides run in alternating turns and each ratio's median is printed
// on the wall clock, on all threads' processor time (the decode-ahead worker's included) and on
// this thread's; the viewer is also set against a plain Qt window doing the same decode, field
// conversion and painting.
//
//   build-rel/bench/wk_bench_viewer [--turns=N]
//
// The viewer runs offscreen on a demo heat made at start in a temporary home.
#include "bench/Alternating_turns.h"
#include "bench/Bare_dv_decoder.h"
#include "bench/Plain_field_window.h"
#include "platform/Form_window.h"
#include "platform/Forms.h"
#include "platform/Headless_dialogs.h"
#include "platform/Picture_box.h"
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

// The viewer's own road for one frame: move the slider to each field, Scroll, let the picture be
// painted.
void Step_both_fields(Frm_kanot_2& viewer, int32_t frame)
{
    for (int32_t field : {2 * frame - 1, 2 * frame}) {
        viewer.Slider_play->setValue(field);
        viewer.Slider_play_Scroll();
        QCoreApplication::processEvents();
    }
}

Frm_kanot_2& Viewer_on_the_heat()
{
    Frm_kanot_2& viewer = platform::Form_instance<Frm_kanot_2>();
    if (!viewer.isVisible()) viewer.show();
    if (!g_Recording || !g_Recording->File_open()) viewer.Open_Recording(The_heat().path);
    return viewer;
}

// The heat's frames as read from the file, padded for the bare decoder.
const std::vector<std::vector<uint8_t>>& Padded_frames()
{
    static const auto frames = [] {
        std::vector<std::vector<uint8_t>> v;
        cls_AVI_handler rec;
        if (!rec.Open_File(The_heat().path)) return v;
        for (int32_t f = 1; f <= The_heat().frames; ++f) {
            if (!rec.Read_Frame(f)) return std::vector<std::vector<uint8_t>>{};
            v.push_back(bench::Bare_dv_decoder::Padded(rec.Frame_bytes().data(), rec.Frame_bytes().size()));
        }
        return v;
    }();
    return frames;
}

void BM_Viewer_steps_both_fields_of_a_frame(benchmark::State& state)
{
    Frm_kanot_2& viewer = Viewer_on_the_heat();
    if (!g_Recording || !g_Recording->File_open()) {
        state.SkipWithError("cannot open");
        return;
    }
    const int32_t frames = The_heat().frames;
    int32_t frame = 0;
    const int64_t decoded_before = g_Recording->Decoded_count();
    for (auto _ : state) {
        frame = frame % frames + 1;
        Step_both_fields(viewer, frame);
    }
    state.counters["decodes_per_frame"] = benchmark::Counter(
        double(g_Recording->Decoded_count() - decoded_before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Viewer_steps_both_fields_of_a_frame)->Unit(benchmark::kMicrosecond);

// libavcodec alone on the same frames, read from the same file beforehand.
void BM_Bare_decode_of_the_frame(benchmark::State& state)
{
    auto frames = Padded_frames();
    if (frames.empty()) {
        state.SkipWithError("cannot read the heat");
        return;
    }
    bench::Bare_dv_decoder decoder;
    size_t k = 0;
    for (auto _ : state) {
        if (!decoder.Decode(frames[k])) state.SkipWithError("decode failed");
        k = (k + 1) % frames.size();
    }
}
BENCHMARK(BM_Bare_decode_of_the_frame)->Unit(benchmark::kMicrosecond);

// The viewer's step going back: field 2 of the frame first.
void Step_both_fields_back(Frm_kanot_2& viewer, int32_t frame)
{
    for (int32_t field : {2 * frame, 2 * frame - 1}) {
        viewer.Slider_play->setValue(field);
        viewer.Slider_play_Scroll();
        QCoreApplication::processEvents();
    }
}

bool Decode_all(bench::Bare_dv_decoder& decoder, std::vector<std::vector<uint8_t>>& frames)
{
    for (auto& f : frames)
        if (!decoder.Decode(f)) return false;
    return true;
}

bool Open_for(const char* what, const std::vector<std::vector<uint8_t>>& frames)
{
    if (!frames.empty() && g_Recording && g_Recording->File_open()) return true;
    std::printf("%s: no heat to step through\n", what);
    return false;
}

std::string Ahead_note(int64_t ahead_before, int64_t decoded_before)
{
    return std::to_string(g_Recording->Decoded_ahead_count() - ahead_before) + " of " +
           std::to_string(g_Recording->Decoded_count() - decoded_before) + " decoded ahead";
}

// Each turn: the heat's frames decoded bare, then stepped through in the viewer, back to back.
void Step_turns(int turns)
{
    auto frames = Padded_frames();
    Frm_kanot_2& viewer = Viewer_on_the_heat();
    if (!Open_for("viewer stepping", frames)) return;
    bench::Bare_dv_decoder decoder;
    const int64_t ahead = g_Recording->Decoded_ahead_count(), decoded = g_Recording->Decoded_count();
    const auto t = bench::Alternate(
        turns, [&] { return Decode_all(decoder, frames); },
        [&] {
            for (int32_t frame = 1; frame <= int32_t(frames.size()); ++frame) Step_both_fields(viewer, frame);
            return true;
        });
    bench::Print_turns("viewer step / bare decode", t,
                       std::to_string(frames.size()) + " frames a turn, " + Ahead_note(ahead, decoded) +
                           ", target at most 1.5");
}

// The same against a plain Qt window of the viewer's picture size.
void Plain_window_turns(int turns)
{
    auto frames = Padded_frames();
    Frm_kanot_2& viewer = Viewer_on_the_heat();
    if (!Open_for("viewer against a plain window", frames)) return;
    bench::Bare_dv_decoder decoder;
    bench::Plain_field_window plain(viewer.Picture_large->size());
    plain.show();
    QCoreApplication::processEvents();
    const auto t = bench::Alternate(
        turns,
        [&] {
            for (auto& f : frames)
                if (!plain.Step(decoder, f)) return false;
            return true;
        },
        [&] {
            for (int32_t frame = 1; frame <= int32_t(frames.size()); ++frame) Step_both_fields(viewer, frame);
            return true;
        });
    bench::Print_turns("viewer step / plain Qt window step", t, std::to_string(frames.size()) + " frames a turn");
    // And the plain window against the bare decode, for scale.
    const auto p = bench::Alternate(
        turns, [&] { return Decode_all(decoder, frames); },
        [&] {
            for (auto& f : frames)
                if (!plain.Step(decoder, f)) return false;
            return true;
        });
    bench::Print_turns("plain Qt window step / bare decode", p, std::to_string(frames.size()) + " frames a turn");
}

// Paced as a held key at 30 steps a second: each step waits for its own time.
void At_30_a_second(size_t i, double start)
{
    constexpr double k_Period_ms = 1000.0 / 30;
    const double next = start + double(i + 1) * k_Period_ms, now = bench::Wall_ms();
    if (next > now) usleep(useconds_t((next - now) * 1000));
}

void Paced_turns(int turns)
{
    auto frames = Padded_frames();
    Frm_kanot_2& viewer = Viewer_on_the_heat();
    if (!Open_for("viewer paced stepping", frames)) return;
    bench::Bare_dv_decoder decoder;
    const int64_t ahead = g_Recording->Decoded_ahead_count(), decoded = g_Recording->Decoded_count();
    bench::Clocked_turns t;
    for (int turn = 0; turn < std::max(turns, 5); ++turn) {
        const auto bare = bench::Paced(
            frames.size(), [&](size_t i) { return decoder.Decode(frames[i]); }, At_30_a_second);
        const auto step = bench::Paced(
            frames.size(),
            [&](size_t i) {
                Step_both_fields(viewer, int32_t(i + 1));
                return true;
            },
            At_30_a_second);
        if (!bare || !step) break;
        t.Add(*bare, *step);
    }
    bench::Print_turns("viewer step paced at 30 a second / bare decode paced alike", t,
                       std::to_string(frames.size()) + " frames a turn, " + Ahead_note(ahead, decoded) +
                           ", target at most 1.5");
}

// The first step after a change of direction: three frames on, then two back, back to back.
void Reversal_turns(int turns)
{
    auto frames = Padded_frames();
    Frm_kanot_2& viewer = Viewer_on_the_heat();
    if (!Open_for("viewer reversals", frames)) return;
    const auto order = bench::Reversal_order(int32_t(frames.size()));
    bench::Bare_dv_decoder decoder;
    const int64_t ahead = g_Recording->Decoded_ahead_count(), decoded = g_Recording->Decoded_count();
    const auto t = bench::Alternate(
        turns,
        [&] {
            for (const auto& o : order)
                if (!decoder.Decode(frames[size_t(o.first - 1)])) return false;
            return true;
        },
        [&] {
            for (const auto& [frame, forward] : order)
                forward ? Step_both_fields(viewer, frame) : Step_both_fields_back(viewer, frame);
            return true;
        });
    bench::Print_turns("viewer step with reversals / bare decode", t,
                       std::to_string(order.size()) + " frames a turn, " + Ahead_note(ahead, decoded) +
                           ", target at most 1.2");
}

// Each turn: the header written alone, then one result click (a lane's time attached at the
// field shown), which stores the results in the header. A lane clicked again is overridden.
void Click_turns(int turns)
{
    Frm_kanot_2& viewer = Viewer_on_the_heat();
    if (!g_Recording || !g_Recording->File_open()) {
        std::printf("result click: no heat open\n");
        return;
    }
    Step_both_fields(viewer, The_heat().frames / 2);
    int16_t lane = 0;
    auto header_write = [] { return g_Recording->Write_XML_header(); };
    // Until the click returns (the placed time is on the screen then) ...
    auto click = [&] {
        viewer.Attach_Time(int16_t(lane++ % 6 + 1), 0, false);
        return true;
    };
    // ... and with whatever it left queued done as well.
    auto click_and_queued = [&] {
        viewer.Attach_Time(int16_t(lane++ % 6 + 1), 0, false);
        QCoreApplication::processEvents();
        return true;
    };
    QCoreApplication::processEvents();
    const auto t = bench::Alternate(turns, header_write, click);
    bench::Print_turns("result click to screen / header write", t, "one click a turn, click CPU target at most 1 ms");
    QCoreApplication::processEvents();
    const auto q = bench::Alternate(turns, header_write, click_and_queued);
    bench::Print_turns("result click with its queued work / header write", q, "one click a turn");
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int turns = bench::Take_turns_argument(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    platform::Headless_dialogs dialogs(false);
    platform::Install_dialogs(&dialogs);
    The_heat();
    benchmark::RunSpecifiedBenchmarks();
    Step_turns(turns);
    Plain_window_turns(turns);
    Paced_turns(turns);
    Reversal_turns(turns);
    Click_turns(turns);
    for (auto* f : platform::Loaded_forms()) f->Unload_form();
    platform::Install_dialogs(nullptr);
    benchmark::Shutdown();
    return 0;
}
