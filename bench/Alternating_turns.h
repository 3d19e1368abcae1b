#pragma once
// Two sides of a comparison timed in alternating turns: whatever else runs on the machine weighs
// on both sides alike. Each turn is taken on three clocks at once: the wall clock (what the user
// waits for), the processor time of all the process's threads (what is paid, a worker's decode
// included) and this thread's processor time (the line printed before, which sees neither the
// worker nor the waiting for it). Each turn gives one ratio per clock; the median of the turns is
// what a reader compares, the spread says how far to trust it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace wk::bench {

inline double Clock_ms(clockid_t id)
{
    timespec t{};
    clock_gettime(id, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Processor time of this thread (user and system), in milliseconds.
inline double Thread_ms() { return Clock_ms(CLOCK_THREAD_CPUTIME_ID); }
// Processor time of all the process's threads, in milliseconds.
inline double Process_ms() { return Clock_ms(CLOCK_PROCESS_CPUTIME_ID); }
// Wall time, in milliseconds, for what waits on the disk or on another thread as well.
inline double Wall_ms() { return Clock_ms(CLOCK_MONOTONIC); }

// The three clocks read together; the difference of two is what a stretch of work took.
struct Clocks {
    double wall = 0, all_threads = 0, this_thread = 0;

    static Clocks Now() { return {Wall_ms(), Process_ms(), Thread_ms()}; }
    Clocks operator-(const Clocks& o) const
    {
        return {wall - o.wall, all_threads - o.all_threads, this_thread - o.this_thread};
    }
    Clocks& operator+=(const Clocks& o)
    {
        wall += o.wall, all_threads += o.all_threads, this_thread += o.this_thread;
        return *this;
    }
};

inline double Median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One clock's figures, one entry per turn.
struct Turns {
    std::vector<double> reference_ms, measured_ms, ratios;

    void Add(double reference, double measured)
    {
        reference_ms.push_back(reference);
        measured_ms.push_back(measured);
        ratios.push_back(reference > 0 ? measured / reference : 0);
    }
};

// The same turns on each of the three clocks.
struct Clocked_turns {
    Turns wall, all_threads, this_thread;

    void Add(const Clocks& reference, const Clocks& measured)
    {
        wall.Add(reference.wall, measured.wall);
        all_threads.Add(reference.all_threads, measured.all_threads);
        this_thread.Add(reference.this_thread, measured.this_thread);
    }
    size_t Size() const { return wall.ratios.size(); }
};

// Runs `reference` and then `measured` once per turn, `turns` times (at least 5), each timed on
// the three clocks. A side that returns false ends the run early: its figures would mean nothing.
inline Clocked_turns Alternate(int turns, const std::function<bool()>& reference,
                               const std::function<bool()>& measured)
{
    Clocked_turns t;
    for (int i = 0; i < std::max(turns, 5); ++i) {
        const Clocks t0 = Clocks::Now();
        if (!reference()) break;
        const Clocks t1 = Clocks::Now();
        if (!measured()) break;
        const Clocks t2 = Clocks::Now();
        t.Add(t1 - t0, t2 - t1);
    }
    return t;
}

// One line for one clock: the median ratio, its spread over the turns and each side's median.
inline void Print_clock(const std::string& what, const char* clock, const Turns& t, const std::string& unit_note)
{
    if (t.ratios.size() < 5) {
        std::printf("%s, %s: only %zu turns completed, no ratio\n", what.c_str(), clock, t.ratios.size());
        return;
    }
    const auto [lo, hi] = std::minmax_element(t.ratios.begin(), t.ratios.end());
    std::printf("%s, %s = %.2f median of %zu turns (min %.2f, max %.2f); per turn %.2f ms against %.2f ms%s%s\n",
                what.c_str(), clock, Median(t.ratios), t.ratios.size(), *lo, *hi, Median(t.measured_ms),
                Median(t.reference_ms), unit_note.empty() ? "" : ", ", unit_note.c_str());
}

// Three lines per comparison: wall time, all threads' processor time, and this thread's
// processor time as printed before.
inline void Print_turns(const std::string& what, const Clocked_turns& t, const std::string& unit_note = {})
{
    Print_clock(what, "wall", t.wall, unit_note);
    Print_clock(what, "all-thread CPU", t.all_threads, unit_note);
    Print_clock(what, "this thread's CPU (earlier line)", t.this_thread, unit_note);
}

// One side run paced, as a held key steps: `steps` steps, each followed by `pause(i, start)`
// (start: the side's wall clock at its beginning). The wall clock and this thread count the time
// inside the steps, all threads' processor time the whole side, pauses included, since a worker
// may decode in them. Nothing when a step fails.
inline std::optional<Clocks> Paced(size_t steps, const std::function<bool(size_t)>& step,
                                   const std::function<void(size_t, double)>& pause)
{
    Clocks inside;
    const double all0 = Process_ms(), start = Wall_ms();
    for (size_t i = 0; i < steps; ++i) {
        const Clocks t0 = Clocks::Now();
        if (!step(i)) return std::nullopt;
        inside += Clocks::Now() - t0;
        pause(i, start);
    }
    inside.all_threads = Process_ms() - all0;
    return inside;
}

// Stepping that changes direction every `run` frames, as an operator homes in on a finish:
// frames 1, 2, 3, 4, 3, 2, 3, 4, 5, 6, 5, 4, ... with `run` = 4 (forward `run`, back `run` / 2),
// each with whether it is stepped forward. Each change of direction is a step back after steps
// forward.
inline std::vector<std::pair<int32_t, bool>> Reversal_order(int32_t frames, int run = 4)
{
    std::vector<std::pair<int32_t, bool>> order;
    for (int32_t at = 1; at + run <= frames;) {
        for (int k = 0; k < run; ++k) order.emplace_back(at++, true);
        --at;
        for (int k = 0; k < run / 2; ++k) order.emplace_back(--at, false);
        ++at;
    }
    return order;
}

// A bench's own option `prefix`N (for example "--turns=") taken out of the arguments before
// Google Benchmark sees them: N, at least `least`, or `otherwise` when it is not given.
inline int Take_number_argument(int& argc, char** argv, const std::string& prefix, int otherwise, int least)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind(prefix, 0) != 0) continue;
        const int n = std::max(least, std::atoi(a.c_str() + prefix.size()));
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        return n;
    }
    return otherwise;
}

// True when the flag is given; it is taken out of the arguments.
inline bool Take_flag_argument(int& argc, char** argv, const std::string& flag)
{
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != flag) continue;
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        return true;
    }
    return false;
}

// --turns=N (9 unless told, at least 5).
inline int Take_turns_argument(int& argc, char** argv) { return Take_number_argument(argc, argv, "--turns=", 9, 5); }

} // namespace wk::bench
