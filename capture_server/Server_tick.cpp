#include "capture_server/Server_tick.h"

#include "capture_server/Gst_support.h"

#include <time.h>

namespace wk {

namespace {

int64_t Monotonic_ns()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

int32_t Tick_of_ns(int64_t ns) { return int32_t(uint32_t(uint64_t(ns / 1'000'000))); }

} // namespace

int32_t Server_tick() { return Tick_of_ns(Monotonic_ns()); }

std::optional<int32_t> Tick_at_running_time(GstElement* element, GstClockTime running_time)
{
    if (!element || !GST_CLOCK_TIME_IS_VALID(running_time)) return std::nullopt;
    Gst_ref<GstClock> clock(gst_element_get_clock(element));
    if (!clock) return std::nullopt;
    const auto then = int64_t(gst_element_get_base_time(element) + running_time);
    // The system clock on CLOCK_MONOTONIC is the tick's own clock: the moment is exact.
    if (GST_IS_SYSTEM_CLOCK(clock.get())) {
        GstClockType type = GST_CLOCK_TYPE_REALTIME;
        g_object_get(clock.get(), "clock-type", &type, nullptr);
        if (type == GST_CLOCK_TYPE_MONOTONIC) return Tick_of_ns(then);
    }
    // How long ago that was on the graph's clock, whatever clock it is, taken back from now on
    // the program's.
    const int64_t mono_before = Monotonic_ns();
    const auto now = int64_t(gst_clock_get_time(clock.get()));
    const int64_t mono_now = mono_before + (Monotonic_ns() - mono_before) / 2;
    return Tick_of_ns(mono_now - (now - then));
}

} // namespace wk
