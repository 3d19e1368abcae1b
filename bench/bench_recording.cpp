// The recording object against plain file access: opening a one-hour recording, reading a frame,
// appending frames. After the single runs, each pair runs in alternating turns and each ratio's
// median is printed on the wall clock, on all threads' processor time and on this thread's.
//
//   build-rel/bench/wk_bench_recording [--turns=N]
#include "bench/Alternating_turns.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "tests/fixtures/DV_fixtures.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path Folder()
{
    static const fs::path f = [] {
        fs::path p = fs::temp_directory_path() / ("wk-bench-" + std::to_string(getpid()));
        fs::create_directories(p);
        setenv("WAKELINE_HOME", p.c_str(), 1);
        return p;
    }();
    return f;
}

const std::vector<wk::test::DV_frame>& Frames()
{
    static const auto frames = [] {
        auto f = wk::test::Make_DV_frames(25);
        for (size_t i = 0; i < f.size(); ++i)
            wk::test::Write_DV_extra_data(f[i], {.stamp_tick = int32_t(40 * i), .local_time_ms = int32_t(40 * i)});
        return f;
    }();
    return frames;
}

// A recording of `frames` frames: the first `real` written, the rest a sparse tail.
std::string Make_recording(const std::string& name, int32_t frames, int32_t real)
{
    const std::string path = (Folder() / name).string();
    if (fs::exists(path)) return path;
    wk::cls_AVI_handler rec;
    rec.File_name(path);
    rec.Create_File();
    rec.Initiate_file();
    for (int32_t k = 0; k < real; ++k) rec.Append_DV_frame(Frames()[size_t(k) % Frames().size()]);
    rec.Close_File();
    if (frames > real) {
        fs::resize_file(path, 100005 + uint64_t(frames) * 144000);
        rec.File_name(path);
        rec.Open_File(path);
        rec.Header().Frames_no(frames);
        rec.Write_XML_header();
        rec.Close_File();
    }
    return path;
}

void Open_hour_recording(benchmark::State& state)
{
    const std::string path = Make_recording("hour.qs2", 90000, 0);
    wk::cls_AVI_handler rec;
    for (auto _ : state) {
        if (!rec.Open_File(path) || rec.num_frames() != 90000) state.SkipWithError("open failed");
        rec.Close_File();
    }
}
BENCHMARK(Open_hour_recording)->Unit(benchmark::kMillisecond);

void Open_and_stat_reference(benchmark::State& state)
{
    const std::string path = Make_recording("hour.qs2", 90000, 0);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        struct stat st{};
        fstat(fd, &st);
        benchmark::DoNotOptimize(st.st_size);
        ::close(fd);
    }
}
BENCHMARK(Open_and_stat_reference)->Unit(benchmark::kMillisecond);

constexpr int32_t k_Read_frames = 400;

void Read_random_frame(benchmark::State& state)
{
    const std::string path = Make_recording("read.qs2", k_Read_frames, k_Read_frames);
    wk::cls_AVI_handler rec;
    rec.Open_File(path);
    std::mt19937 rng(1);
    std::uniform_int_distribution<int32_t> pick(1, k_Read_frames);
    for (auto _ : state)
        if (!rec.Read_Frame(pick(rng))) state.SkipWithError("read failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * 144000);
}
BENCHMARK(Read_random_frame);

void Pread_reference(benchmark::State& state)
{
    const std::string path = Make_recording("read.qs2", k_Read_frames, k_Read_frames);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<uint8_t> buf(144000);
    std::mt19937 rng(1);
    std::uniform_int_distribution<int32_t> pick(1, k_Read_frames);
    for (auto _ : state) {
        const off_t at = 100005 + off_t(pick(rng) - 1) * 144000;
        if (::pread(fd, buf.data(), buf.size(), at) != 144000) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(buf.data());
    }
    ::close(fd);
    state.SetBytesProcessed(int64_t(state.iterations()) * 144000);
}
BENCHMARK(Pread_reference);

constexpr int k_Append_iterations = 1500;

void Append_frames(benchmark::State& state)
{
    const std::string path = (Folder() / "append.qs2").string();
    fs::remove(path);
    wk::cls_AVI_handler rec;
    rec.File_name(path);
    rec.Create_File();
    rec.Initiate_file();
    size_t i = 0;
    for (auto _ : state)
        if (!rec.Append_DV_frame(Frames()[i++ % Frames().size()])) state.SkipWithError("append failed");
    rec.Close_File();
    fs::remove(path);
    state.SetBytesProcessed(int64_t(state.iterations()) * 144000);
}
BENCHMARK(Append_frames)->Iterations(k_Append_iterations);

void Write_reference(benchmark::State& state)
{
    const std::string path = (Folder() / "plain.bin").string();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    off_t at = 100005;
    size_t i = 0;
    for (auto _ : state) {
        const auto& f = Frames()[i++ % Frames().size()];
        if (::pwrite(fd, f.data(), 144000, at) != 144000) state.SkipWithError("write failed");
        at += 144000;
    }
    ::close(fd);
    fs::remove(path);
    state.SetBytesProcessed(int64_t(state.iterations()) * 144000);
}
BENCHMARK(Write_reference)->Iterations(k_Append_iterations);

// ---- The same pairs in alternating turns ----

void Open_turns(int turns)
{
    constexpr int k_Opens = 20;
    const std::string path = Make_recording("hour.qs2", 90000, 0);
    wk::cls_AVI_handler rec;
    const auto t = wk::bench::Alternate(
        turns,
        [&] {
            for (int i = 0; i < k_Opens; ++i) {
                const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
                struct stat st{};
                if (fd < 0 || fstat(fd, &st) != 0) return false;
                benchmark::DoNotOptimize(st.st_size);
                ::close(fd);
            }
            return true;
        },
        [&] {
            for (int i = 0; i < k_Opens; ++i) {
                if (!rec.Open_File(path) || rec.num_frames() != 90000) return false;
                rec.Close_File();
            }
            return true;
        });
    wk::bench::Print_turns("open of a one-hour recording / open and stat", t, "20 opens a turn");
}

void Read_turns(int turns)
{
    constexpr int k_Reads = 200;
    const std::string path = Make_recording("read.qs2", k_Read_frames, k_Read_frames);
    wk::cls_AVI_handler rec;
    if (!rec.Open_File(path)) return;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<uint8_t> buf(144000);
    // Both sides read the same frames in the same order each turn.
    std::vector<int32_t> order(k_Reads);
    std::mt19937 rng(1);
    std::uniform_int_distribution<int32_t> pick(1, k_Read_frames);
    for (auto& f : order) f = pick(rng);
    const auto t = wk::bench::Alternate(
        turns,
        [&] {
            for (int32_t f : order)
                if (::pread(fd, buf.data(), buf.size(), 100005 + off_t(f - 1) * 144000) != 144000) return false;
            return true;
        },
        [&] {
            for (int32_t f : order)
                if (!rec.Read_Frame(f)) return false;
            return true;
        });
    ::close(fd);
    wk::bench::Print_turns("random frame read / pread", t, "200 frames a turn");
}

void Append_turns(int turns)
{
    constexpr int k_Appends = 50;
    const std::string path = (Folder() / "append_turns.qs2").string();
    const std::string plain = (Folder() / "plain_turns.bin").string();
    wk::cls_AVI_handler rec;
    rec.File_name(path);
    if (!rec.Create_File()) return;
    rec.Initiate_file();
    const int fd = ::open(plain.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    off_t at = 100005;
    size_t i = 0, j = 0;
    const auto t = wk::bench::Alternate(
        turns,
        [&] {
            for (int k = 0; k < k_Appends; ++k, at += 144000)
                if (::pwrite(fd, Frames()[i++ % Frames().size()].data(), 144000, at) != 144000) return false;
            return true;
        },
        [&] {
            for (int k = 0; k < k_Appends; ++k)
                if (!rec.Append_DV_frame(Frames()[j++ % Frames().size()])) return false;
            return true;
        });
    ::close(fd);
    rec.Close_File();
    fs::remove(path);
    fs::remove(plain);
    wk::bench::Print_turns("frame append / pwrite", t, "50 frames a turn");
}

} // namespace

int main(int argc, char** argv)
{
    const int turns = wk::bench::Take_turns_argument(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    Open_turns(turns);
    Read_turns(turns);
    Append_turns(turns);
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(Folder(), ec);
    return 0;
}
