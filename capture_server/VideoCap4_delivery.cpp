// The road of a sample: posted from a graph's streaming thread, delivered to the sinks on the
// object's creating thread.
#include "capture_server/VideoCap4.h"

#include <limits>

namespace wk {

void VideoCap4::Post_sample(Sample_kind kind, double sample_time, std::span<const uint8_t> bytes)
{
    if (!running_) return;
    auto dispatcher = dispatcher_.lock();
    if (!dispatcher || bytes.size() > std::numeric_limits<uint32_t>::max()) {
        ++lost_;
        return;
    }
    if (queued_.fetch_add(1) >= k_max_queued_samples) {
        --queued_;
        ++lost_;
        return;
    }
    try {
        Sample s{kind, sample_time, {bytes.begin(), bytes.end()}, run_number_.load()};
        // The posted call holds the object, so it outlives every sample still on its way.
        dispatcher->Post([self = com::Com_ptr<VideoCap4>(this), s = std::move(s)] { self->Deliver(s); });
    } catch (...) {
        --queued_;
        ++lost_;
    }
}

void VideoCap4::Deliver(const Sample& s)
{
    --queued_;
    if (!Is_current(s)) return; // posted before a Stop
    if (dispatching_) {
        ++lost_;
        return;
    }
    std::vector<Sink_list::Entry> sinks;
    try {
        sinks = sinks_.Snapshot();
    } catch (...) {
        ++lost_;
        return;
    }
    dispatching_ = true;
    for (const auto& entry : sinks) {
        // A sink may stop the object, or unadvise a sink later in this round.
        if (!Is_current(s)) break;
        if (sinks_.Contains(entry.cookie)) Call_sink(*entry.sink, s);
    }
    dispatching_ = false;
}

void VideoCap4::Call_sink(IVideoCapEvent& sink, const Sample& s)
{
    const auto size = uint32_t(s.bytes.size());
    const int32_t device = source_.device_number;
    try {
        switch (s.kind) {
        case Sample_kind::dv: sink.OnDVEvent(this, s.time, s.bytes.data(), size, device); break;
        case Sample_kind::rgb: sink.OnRGBEvent(this, s.time, s.bytes.data(), size, device); break;
        case Sample_kind::audio: sink.OnAudioEvent(this, s.time, s.bytes.data(), size, device); break;
        }
    } catch (...) {
        // A sink must not throw into the server; the others still get the sample.
        Record_error("BrixCap::Dispatch, a sink raised an exception!");
    }
}

} // namespace wk
