// Showing fields: reading, decoding and painting one field into a 720 x 576 picture, against a
// bare libavcodec decode of the same frames, and stepping from field 1 to field 2 of a frame;
// then the step and the bare decode in alternating turns, for their ratio on a machine that is
// not idle: back to back, held with pauses, and with the direction changing (the median of the
// turns is printed on the wall clock, on all threads' processor time and on this thread's).
//
//   build-rel/bench/wk_bench_fields [--turns=N]
//
// The recording is an own-format file of 32 frames in a temporary folder, made at start.
#include "bench/Alternating_turns.h"
#include "bench/Bare_dv_decoder.h"
#include "platform/Draw_surface.h"
#include "recording/cls_AVI_handler.h"
#include "tests/fixtures/DV_fixtures.h"

#include <benchmark/benchmark.h>


#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace wk;

constexpr int k_Frames = 32;

struct Recording {
    Recording()
    {
        folder = fs::temp_directory_path() / ("wk_bench_fields_" + std::to_string(::getpid()));
        fs::create_directories(folder);
        path = (folder / "bench.qs2").string();
        frames = test::Make_DV_frames(k_Frames);
        cls_AVI_handler writer;
        writer.File_name(path);
        if (!writer.Create_File()) throw std::runtime_error("cannot create " + path);
        writer.Initiate_file();
        for (auto& f : frames) {
            test::Write_DV_extra_data(f, {.stamp_tick = 1000});
            if (!writer.Append_DV_frame(f)) throw std::runtime_error("cannot write " + path);
        }
        writer.Close_File();
    }
    ~Recording()
    {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    fs::path folder;
    std::string path;
    std::vector<test::DV_frame> frames;
};

Recording& The_recording()
{
    static Recording r;
    return r;
}

// The recording's frames as the bare decoder takes them.
std::vector<std::vector<uint8_t>> Padded_frames()
{
    std::vector<std::vector<uint8_t>> padded;
    for (const auto& f : The_recording().frames) padded.push_back(bench::Bare_dv_decoder::Padded(f.data(), f.size()));
    return padded;
}

bool Opened(cls_AVI_handler& rec, const char* what)
{
    if (rec.Open_File(The_recording().path)) return true;
    std::printf("%s: cannot open the recording\n", what);
    return false;
}

// libavcodec alone: the DV decoder on one thread, as the recording object runs it.
void BM_Bare_libavcodec_decode(benchmark::State& state)
{
    std::vector<std::vector<uint8_t>> padded = Padded_frames();
    bench::Bare_dv_decoder decoder;
    size_t k = 0;
    for (auto _ : state) {
        if (!decoder.Decode(padded[k])) state.SkipWithError("decode failed");
        k = (k + 1) % padded.size();
    }
}
BENCHMARK(BM_Bare_libavcodec_decode)->Unit(benchmark::kMicrosecond);

// One field of a new frame each time: read, decode, field extraction, painting.
void BM_Field_read_decode_paint(benchmark::State& state)
{
    cls_AVI_handler rec;
    if (!rec.Open_File(The_recording().path)) state.SkipWithError("cannot open");
    QImage image(720, 576, QImage::Format(state.range(0)));
    platform::Draw_surface picture(&image);
    int32_t frame = 0;
    for (auto _ : state) {
        frame = frame % k_Frames + 1;
        if (!rec.Draw_field_3(2 * frame - 1, picture)) state.SkipWithError("not drawn");
    }
    state.counters["decodes_per_field"] =
        benchmark::Counter(double(rec.Decoded_count()), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Field_read_decode_paint)
    ->Arg(QImage::Format_RGB32)
    ->Arg(QImage::Format_BGR888)
    ->ArgName("qimage_format")
    ->Unit(benchmark::kMicrosecond);

// Field 1 and then field 2 of each frame: one decode for the two.
void BM_Field_step_1_to_2(benchmark::State& state)
{
    cls_AVI_handler rec;
    if (!rec.Open_File(The_recording().path)) state.SkipWithError("cannot open");
    QImage image(720, 576, QImage::Format_RGB32);
    platform::Draw_surface picture(&image);
    int32_t frame = 0;
    for (auto _ : state) {
        frame = frame % k_Frames + 1;
        if (!rec.Draw_field_3(2 * frame - 1, picture) || !rec.Draw_field_3(2 * frame, picture))
            state.SkipWithError("not drawn");
    }
    state.counters["decodes_per_frame"] =
        benchmark::Counter(double(rec.Decoded_count()), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Field_step_1_to_2)->Unit(benchmark::kMicrosecond);

// Each turn: 32 frames decoded bare, then both fields of 32 frames through the recording object,
// back to back as a held key steps them when drawing is the slower.
void Field_step_turns(int turns)
{
    constexpr int k_Turn = 32;
    std::vector<std::vector<uint8_t>> padded = Padded_frames();
    bench::Bare_dv_decoder decoder;
    cls_AVI_handler rec;
    QImage image(720, 576, QImage::Format_RGB32);
    platform::Draw_surface picture(&image);
    if (!Opened(rec, "field step")) return;
    const auto t = bench::Alternate(
        turns,
        [&] {
            for (int i = 0; i < k_Turn; ++i)
                if (!decoder.Decode(padded[size_t(i % k_Frames)])) return false;
            return true;
        },
        [&] {
            for (int i = 0; i < k_Turn; ++i) {
                const int32_t frame = i % k_Frames + 1;
                if (!rec.Draw_field_3(2 * frame - 1, picture) || !rec.Draw_field_3(2 * frame, picture)) return false;
            }
            return true;
        });
    bench::Print_turns("field step / bare decode", t, "32 frames a turn, goal at most 1.2");
}

// The frames a held key shows, two fields each: `order` gives the frames, and each frame's
// fields are taken in the direction of travel (field 2 first going back).
bool Draw_frame_fields(cls_AVI_handler& rec, platform::Draw_surface& picture, int32_t frame, bool forward)
{
    const int32_t first = forward ? 2 * frame - 1 : 2 * frame, second = forward ? 2 * frame : 2 * frame - 1;
    return rec.Draw_field_3(first, picture) && rec.Draw_field_3(second, picture);
}

// Held stepping as the user waits for it: both fields of each frame, through the whole recording,
// forwards on one turn and back on the next, with a pause after each frame as a held key leaves
// between its repeats (5 ms, far less than a key's repeat). The wall clock and this thread's
// count only the time inside the drawing, against the bare decode of the same frames paced
// alike; all threads' processor time counts the whole side, pauses included, since the worker
// decodes during them.
void Held_step_turns(int turns)
{
    std::vector<std::vector<uint8_t>> padded = Padded_frames();
    bench::Bare_dv_decoder decoder;
    cls_AVI_handler rec;
    QImage image(720, 576, QImage::Format_RGB32);
    platform::Draw_surface picture(&image);
    if (!Opened(rec, "held step")) return;
    const auto pause = [](size_t, double) { usleep(5000); };
    bench::Clocked_turns t;
    bool forward = true;
    for (int turn = 0; turn < std::max(turns, 5); ++turn, forward = !forward) {
        const auto bare = bench::Paced(
            k_Frames, [&](size_t i) { return decoder.Decode(padded[i]); }, pause);
        const auto step = bench::Paced(
            k_Frames,
            [&](size_t i) {
                return Draw_frame_fields(rec, picture, forward ? int32_t(i) + 1 : k_Frames - int32_t(i), forward);
            },
            pause);
        if (!bare || !step) return;
        t.Add(*bare, *step);
    }
    bench::Print_turns("held field step / bare decode, paced", t,
                       std::to_string(k_Frames) + " frames a turn, " + std::to_string(rec.Decoded_ahead_count()) +
                           " of " + std::to_string(rec.Decoded_count()) + " decoded ahead, goal at most 1.2");
}

// Stepping that changes direction every 4 frames, back to back (bench::Reversal_order).
void Reversal_turns(int turns)
{
    constexpr int k_Run = 4;
    std::vector<std::vector<uint8_t>> padded = Padded_frames();
    bench::Bare_dv_decoder decoder;
    cls_AVI_handler rec;
    QImage image(720, 576, QImage::Format_RGB32);
    platform::Draw_surface picture(&image);
    if (!Opened(rec, "reversal")) return;
    const auto order = bench::Reversal_order(k_Frames, k_Run);
    const int64_t ahead_before = rec.Decoded_ahead_count(), decoded_before = rec.Decoded_count();
    const auto t = bench::Alternate(
        turns,
        [&] {
            for (size_t i = 0; i < order.size(); ++i)
                if (!decoder.Decode(padded[size_t(order[i].first - 1)])) return false;
            return true;
        },
        [&] {
            for (const auto& [frame, forward] : order)
                if (!Draw_frame_fields(rec, picture, frame, forward)) return false;
            return true;
        });
    bench::Print_turns("field step with reversals / bare decode", t,
                       std::to_string(order.size()) + " frames a turn, " +
                           std::to_string(rec.Decoded_ahead_count() - ahead_before) + " of " +
                           std::to_string(rec.Decoded_count() - decoded_before) +
                           " decoded ahead, goal at most 1.2");
}

// The same field again: painted from the field picture.
void BM_Field_redisplay(benchmark::State& state)
{
    cls_AVI_handler rec;
    if (!rec.Open_File(The_recording().path)) state.SkipWithError("cannot open");
    QImage image(720, 576, QImage::Format_RGB32);
    platform::Draw_surface picture(&image);
    rec.Draw_field_3(5, picture);
    for (auto _ : state)
        if (!rec.Draw_field_3(5, picture)) state.SkipWithError("not drawn");
    state.counters["decodes"] = double(rec.Decoded_count());
}
BENCHMARK(BM_Field_redisplay)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    const int turns = bench::Take_turns_argument(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    The_recording();
    benchmark::RunSpecifiedBenchmarks();
    Field_step_turns(turns);
    Held_step_turns(turns);
    Reversal_turns(turns);
    benchmark::Shutdown();
    return 0;
}
