// brixcap_load LIBRARY [CAMERAS [SECONDS [KIND]]]: runs CAMERAS fake DV cameras (default 3) of the
// capture server LIBRARY at once for SECONDS (default 10), each with a sink that copies every
// sample as the camera object does, and prints what arrived, what was lost, the process's CPU
// time per camera and the delivery latency (stream time at the sink call minus sample time).
// KIND "webcam" (or "webcam:25", "webcam:30", ...) runs fake cameras without DV instead, whose
// pictures the server encodes: it also prints the encode latency (the frame's capture tick to
// its delivery) and the encoders' CPU time.
// Every camera is started before anything is measured; the latency's median, 99th percentile
// and maximum are given over the whole run and over what came after its first second, when
// the samples queued while the cameras started have been delivered.
// The server is registered into a registry store of its own in a temporary folder.
// Recording frames and preview pictures are counted apart: "lost" are DV frames the server could
// not hand on, "left-out" a camera's pictures in no delivered frame while it ran, "at-stop" those
// still on their way when it stopped (a camera behind by that much), "preview-lost" RGB
// pictures of the preview (made only with a 5th argument "preview"). With "reference" as the 5th argument,
// as many cameras of the same work done by FFmpeg's libraries alone run side by side
// (Dv_reference.h), and the cost per camera of both is printed with their ratio.
// Exit code: 0 no recording frame or picture lost or delivered twice, 1 otherwise, 2 wrong
// arguments or no server.
#include "capture_server/IVideoCap.h"
#include "comlite/Co_create.h"
#include "comlite/Loop_dispatcher.h"
#include "comlite/Query_interface.h"
#include "comlite/Server_entry_points.h"
#include "tools/Dv_reference.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace wk;
using namespace wk::com;

namespace {

std::string Property(IVideoCap& object, const char* name)
{
    Bstr value;
    object.GetProperty(Bstr(name).Get(), value.Put());
    return value.Str();
}

// The capture server's tick: CLOCK_MONOTONIC in milliseconds.
int32_t Tick()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int32_t(uint32_t(uint64_t(t.tv_sec) * 1000u + uint64_t(t.tv_nsec) / 1000000u));
}

// Keeps a copy of every DV frame and notes when it came, as the capture station's sink does.
class Copying_sink final : public IVideoCapEvent, public IVideoCapFrameEvent {
public:
    HRESULT QueryInterface(const IID& riid, void** ppv) override
    {
        if (ppv && riid == IVideoCapFrameEvent::iid) {
            *ppv = static_cast<IVideoCapFrameEvent*>(this);
            return S_OK;
        }
        return Query_interface<IVideoCapEvent>(static_cast<IVideoCapEvent*>(this), riid, ppv);
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT OnDVEvent(IVideoCap* source, double time, const uint8_t* buffer, uint32_t size, int32_t) override
    {
        Take(source, time, buffer, size);
        return S_OK;
    }
    HRESULT OnDVFrame(IVideoCap* source, double time, const uint8_t* buffer, uint32_t size, int32_t,
                      const DV_frame_times* frame_times) override
    {
        if (!Take(source, time, buffer, size) || !frame_times) return S_OK;
        // Only encoded cameras' frames carry a capture time of their own.
        if (frame_times->camera_stamped)
            encode_ms.push_back(double(int32_t(uint32_t(Tick()) - uint32_t(frame_times->first_field_tick))));
        return S_OK;
    }
    HRESULT WantsPreview(int32_t* wants) override
    {
        *wants = preview ? 1 : 0;
        return S_OK;
    }
    bool Take(IVideoCap* source, double time, const uint8_t* buffer, uint32_t size)
    {
        copy.assign(buffer, buffer + size);
        if (!measuring) return false;
        latencies.push_back(std::strtod(Property(*source, "StreamTime").c_str(), nullptr) - time);
        arrivals.push_back(std::chrono::steady_clock::now());
        if (!times.empty() && time <= times.back()) ++twice;
        times.push_back(time);
        return true;
    }
    HRESULT OnRGBEvent(IVideoCap*, double, const uint8_t*, uint32_t, int32_t) override { return S_OK; }
    HRESULT OnAudioEvent(IVideoCap*, double, const uint8_t*, uint32_t, int32_t) override { return S_OK; }

    std::vector<uint8_t> copy;
    bool measuring = false, preview = false;
    std::vector<double> times, latencies, encode_ms;
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    int twice = 0;
};

// CPU seconds of this process's threads whose names begin with prefix: "dv-encoder" for the
// server's DV encoders, "videotestsrc" for the fake cameras drawing their pictures.
double Threads_cpu_seconds(const std::string& prefix)
{
    double seconds = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string name, stat;
        std::getline(std::ifstream(task.path() / "comm"), name);
        if (name.rfind(prefix, 0) != 0) continue;
        std::getline(std::ifstream(task.path() / "stat"), stat);
        // utime and stime: fields 14 and 15, after the name in parentheses.
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i >= 14) ticks += std::stod(field);
        seconds += ticks / double(sysconf(_SC_CLK_TCK));
    }
    return seconds;
}

double Cpu_seconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

bool Register(const std::string& library_path)
{
    void* library = dlopen(library_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto* call = library ? reinterpret_cast<Dll_register_server_fn*>(dlsym(library, "DllRegisterServer")) : nullptr;
    return call && Succeeded(call());
}

struct Camera {
    Copying_sink sink; // outlives the object, which holds it
    Com_ptr<IVideoCap> object;
    uint32_t cookie = 0;
    long long left_out_running = 0; // pictures left out while it ran, before Stop
};

// The objects may outlive our references (a wake still queued holds its object), and their end
// releases every sink still advised: so each sink is taken back first, then the queue is run out
// while the sinks still exist.
void Tear_down(std::vector<Camera>& cameras, Loop_dispatcher& loop)
{
    for (auto& c : cameras) {
        if (!c.object) continue;
        c.object->Stop();
        if (c.cookie) c.object->Unadvise(c.cookie);
        c.object = nullptr;
    }
    while (loop.Run_pending() > 0) {
    }
    cameras.clear();
}

struct Latency {
    double median = 0, p99 = 0, worst = 0;
};

// Nearest-rank figures.
Latency Figures(std::vector<double> l)
{
    if (l.empty()) return {};
    std::sort(l.begin(), l.end());
    const auto rank = [&](double p) { return l[std::min(l.size() - 1, size_t(std::ceil(p * double(l.size()))) - 1)]; };
    return {rank(0.5), rank(0.99), l.back()};
}

// Of the latencies of samples that arrived at `from` or later.
Latency Figures(const Copying_sink& s, std::chrono::steady_clock::time_point from)
{
    std::vector<double> l;
    for (size_t i = 0; i < s.latencies.size(); ++i)
        if (s.arrivals[i] >= from) l.push_back(s.latencies[i]);
    return Figures(std::move(l));
}

void Report_encoding(std::vector<Camera>& cameras, double encoder_cpu, double wall)
{
    for (size_t i = 0; i < cameras.size(); ++i) {
        const Latency e = Figures(cameras[i].sink.encode_ms);
        std::printf("camera %zu encode latency ms (capture to delivery): median %.0f  p99 %.0f  max %.0f\n", i + 1,
                    e.median, e.p99, e.worst);
    }
    std::printf("DV encoders: %.2fs CPU in %.2fs: %.1f%% of one core per camera\n", encoder_cpu, wall,
                100 * encoder_cpu / wall / double(cameras.size()));
}

int Report(std::vector<Camera>& cameras, double cpu, double wall, std::chrono::steady_clock::time_point start)
{
    bool sound = true;
    std::printf("camera  frames  lost  twice  left-out  preview-lost  at-stop  sample-span   latency ms: median    p99    max"
                "  | after 1 s: median    p99    max\n");
    for (size_t i = 0; i < cameras.size(); ++i) {
        auto& s = cameras[i].sink;
        auto& object = *cameras[i].object;
        const auto lost = std::stoll(Property(object, "DroppedFrames"));
        const auto left_out = cameras[i].left_out_running;
        const auto at_stop = std::stoll(Property(object, "PicturesLeftOut")) - left_out;
        const auto preview_lost = std::stoll(Property(object, "DroppedPreview"));
        const Latency all = Figures(s, start), settled = Figures(s, start + std::chrono::seconds(1));
        const double span = s.times.empty() ? 0 : s.times.back() - s.times.front();
        std::printf("%6zu  %6zu  %4lld  %5d  %8lld  %12lld  %7lld  %10.3fs  %19.1f %6.1f %6.1f  | %17.1f %6.1f %6.1f\n",
                    i + 1, s.times.size(), lost, s.twice, left_out, preview_lost, at_stop, span, all.median * 1000,
                    all.p99 * 1000, all.worst * 1000, settled.median * 1000, settled.p99 * 1000, settled.worst * 1000);
        sound &= lost == 0 && left_out == 0 && s.twice == 0 && !s.times.empty();
    }
    std::printf("CPU: %.2fs in %.2fs for %zu cameras: %.1f%% of one core per camera\n", cpu, wall, cameras.size(),
                100 * cpu / wall / double(cameras.size()));
    return sound ? 0 : 1;
}

// The server's cost against the reference's, with and without the fake cameras' own threads,
// which draw a test picture a real camera's driver hands over ready made; they also carry each
// picture into the server's queue, which is the server's cost, so the second ratio flatters it a
// little.
void Report_reference(int64_t frames, double reference_cpu, double cpu, double drawing_cpu, double wall, int count)
{
    const auto ratio = [&](double server) { return reference_cpu > 0 ? server / reference_cpu : 0.0; };
    std::printf("reference (libswscale + dvvideo): %lld frames, %.2fs CPU: %.1f%% of one core per camera; "
                "server / reference: %.2f\n",
                (long long)frames, reference_cpu, 100 * reference_cpu / wall / double(count), ratio(cpu));
    std::printf("fake cameras drawing their pictures: %.2fs CPU; server without them / reference: %.2f\n", drawing_cpu,
                ratio(cpu - drawing_cpu));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 6) {
        std::fprintf(stderr, "usage: brixcap_load LIBRARY [CAMERAS [SECONDS [video|webcam[:RATE] [preview|reference]]]]\n");
        return 2;
    }
    const std::string extra = argc > 5 ? argv[5] : "";
    if (!extra.empty() && extra != "preview" && extra != "reference") return 2;
    const int count = argc > 2 ? std::atoi(argv[2]) : 3;
    const double seconds = argc > 3 ? std::atof(argv[3]) : 10;
    const std::string kind = argc > 4 ? argv[4] : "video";
    const std::string kind_name = kind.substr(0, kind.find(':'));
    if (kind_name != "video" && kind_name != "webcam") return 2;
    const std::string options = kind.find(':') == std::string::npos ? "" : kind.substr(kind.find(':'));
    char folder[] = "/tmp/brixcap-load-XXXXXX";
    if (count < 1 || seconds <= 0 || !mkdtemp(folder)) return 2;
    setenv("WAKELINE_REGISTRY", (std::string(folder) + "/registry.txt").c_str(), 1);
    setenv("BRIXCAP_FAKE_DEVICES", (kind_name + ":" + std::to_string(count) + options).c_str(), 1);
    auto loop = std::make_shared<Loop_dispatcher>();
    Thread_dispatcher_scope scope(loop);
    if (!Register(std::filesystem::absolute(argv[1]).string())) {
        std::fprintf(stderr, "Could not register %s\n", argv[1]);
        return 2;
    }
    std::vector<Camera> cameras(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto& c = cameras[size_t(i)];
        c.sink.preview = extra == "preview";
        int32_t found = 0;
        if (Failed(Co_create_instance(VideoCap4_progid, c.object)) ||
            Failed(c.object->SetSource(Bstr("video:" + std::to_string(i + 1)).Get(), &found)) || !found ||
            Failed(c.object->Advise(&c.sink, &c.cookie)) || c.object->Run() != S_OK) {
            Bstr why;
            if (c.object) c.object->GetLastError(why.Put());
            std::fprintf(stderr, "Camera %d would not run: %s\n", i + 1, c.object ? why.Str().c_str() : "no server object");
            Tear_down(cameras, *loop);
            return 2;
        }
    }
    // Every camera runs: from here on each sample counts.
    for (auto& c : cameras) c.sink.measuring = true;
    std::vector<std::unique_ptr<Dv_reference_camera>> reference;
    const double cpu_start = Cpu_seconds(), encoder_start = Threads_cpu_seconds("dv-encoder");
    const double drawing_start = Threads_cpu_seconds("videotestsrc");
    if (extra == "reference")
        for (int i = 0; i < count; ++i) reference.push_back(std::make_unique<Dv_reference_camera>(i + 2)); // fake webcam i + 1 moves i + 2
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) loop->Wait_and_run(std::chrono::milliseconds(10));
    for (auto& r : reference) r->Stop();
    double reference_cpu = 0;
    int64_t reference_frames = 0;
    for (const auto& r : reference) reference_cpu += r->Cpu_seconds(), reference_frames += r->Frames();
    // The reference runs in this process: its threads' time is not the server's.
    const double cpu = Cpu_seconds() - cpu_start - reference_cpu;
    const double encoder_cpu = Threads_cpu_seconds("dv-encoder") - encoder_start;
    const double drawing_cpu = Threads_cpu_seconds("videotestsrc") - drawing_start;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (auto& c : cameras) {
        c.left_out_running = std::stoll(Property(*c.object, "PicturesLeftOut"));
        c.object->Stop();
    }
    const int result = Report(cameras, cpu, wall, start);
    if (kind_name == "webcam") Report_encoding(cameras, encoder_cpu, wall);
    if (!reference.empty()) Report_reference(reference_frames, reference_cpu, cpu, drawing_cpu, wall, count);
    // The table stands whatever the teardown does.
    std::fflush(stdout);
    Tear_down(cameras, *loop);
    std::filesystem::remove_all(folder);
    return result;
}
