#pragma once
// Two sides of a comparison timed in alternating turns on this thread's processor clock: whatever
// else runs on the machine weighs on both sides alike, and time spent off the processor (another
// process scheduled in) counts for neither. Each turn gives one ratio; the median of the turns is
// what a reader compares, the spread says how far to trust it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace wk::bench {

// Processor time of this thread (user and system), in milliseconds.
inline double Thread_ms()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Wall time, in milliseconds, for what waits on the disk as well.
inline double Wall_ms()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

inline double Median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Turns {
    std::vector<double> reference_ms, measured_ms, ratios; // one entry per turn
};

// Runs `reference` and then `measured` once per turn, `turns` times (at least 5), each timed on
// `clock` (the thread's processor clock unless told). A side that returns false ends the run
// early: its figures would mean nothing.
inline Turns Alternate(int turns, const std::function<bool()>& reference, const std::function<bool()>& measured,
                       double (*clock)() = Thread_ms)
{
    Turns t;
    for (int i = 0; i < std::max(turns, 5); ++i) {
        const double t0 = clock();
        if (!reference()) break;
        const double t1 = clock();
        if (!measured()) break;
        const double t2 = clock();
        t.reference_ms.push_back(t1 - t0);
        t.measured_ms.push_back(t2 - t1);
        t.ratios.push_back(t1 > t0 ? (t2 - t1) / (t1 - t0) : 0);
    }
    return t;
}

// One line per comparison: the median ratio, its spread over the turns and each side's median.
inline void Print_turns(const std::string& what, const Turns& t, const std::string& unit_note = {})
{
    if (t.ratios.size() < 5) {
        std::printf("%s: only %zu turns completed, no ratio\n", what.c_str(), t.ratios.size());
        return;
    }
    const auto [lo, hi] = std::minmax_element(t.ratios.begin(), t.ratios.end());
    std::printf("%s = %.2f median of %zu turns (min %.2f, max %.2f); per turn %.2f ms against %.2f ms%s%s\n",
                what.c_str(), Median(t.ratios), t.ratios.size(), *lo, *hi, Median(t.measured_ms),
                Median(t.reference_ms), unit_note.empty() ? "" : ", ", unit_note.c_str());
}

// --turns=N (9 unless told, at least 5), taken out of the arguments before Google Benchmark
// sees them.
inline int Take_turns_argument(int& argc, char** argv)
{
    int turns = 9;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--turns=", 0) != 0) continue;
        turns = std::max(5, std::atoi(a.c_str() + 8));
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        break;
    }
    return turns;
}

} // namespace wk::bench
