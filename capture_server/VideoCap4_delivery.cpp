// The road of a sample: copied into its grabber's queue on a streaming thread, handed to the
// sinks on the object's creating thread, oldest first.
#include "capture_server/VideoCap4.h"

#include "capture_server/Server_tick.h"
#include "comlite/Bstr.h"

#include <limits>

namespace wk {

// A sample without the moment it was taken is stamped with its arrival here, on the streaming
// thread, so that its time does not include how long the creating thread took to get to it.
void VideoCap4::Post_sample(Sample_kind kind, double sample_time, std::span<const uint8_t> bytes,
                            std::optional<int32_t> taken_tick)
{
    if (!running_) return;
    auto& queue = queues_[size_t(kind)];
    // A sink is told the length in 32 bits.
    if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
        queue.Count_dropped();
        Count_put(kind, Sample_queue::Put_result::dropped, 1);
        return;
    }
    const auto put = queue.Put(sample_time, bytes, run_number_, next_order_++, taken_tick ? *taken_tick : Server_tick());
    Count_put(kind, put, 1);
}

// The times were taken with the pictures and go into the frame's slot with its bytes.
void VideoCap4::Post_frame(double sample_time, std::span<const uint8_t> bytes, const Encoded_times& times)
{
    if (!running_) return;
    auto& queue = queues_[size_t(Sample_kind::dv)];
    if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
        queue.Count_dropped();
        Count_put(Sample_kind::dv, Sample_queue::Put_result::dropped, times.pictures);
        return;
    }
    Count_put(Sample_kind::dv, queue.Put_encoded(sample_time, bytes, run_number_, next_order_++, times),
              times.pictures);
}

void VideoCap4::Count_put(Sample_kind kind, Sample_queue::Put_result put, int32_t pictures)
{
    if (put == Sample_queue::Put_result::queued_first) Wake();
    if (put == Sample_queue::Put_result::dropped && kind == Sample_kind::dv) pictures_left_out_ += uint64_t(pictures);
    Counters_changed();
}

// One wake for each queue that went from idle to waiting; the wake drains every queue.
void VideoCap4::Wake()
{
    auto dispatcher = dispatcher_.lock();
    auto self = Try_reference();
    if (!dispatcher || !self) return; // the object or its thread is going: nobody is left to deliver to
    try {
        // The wake holds the object, so it outlives every sample still on its way.
        dispatcher->Post([self = std::move(self)] { self->Drain(); });
    } catch (...) {
        // Without the wake the samples wait for the next one another queue posts.
    }
}

com::Com_ptr<VideoCap4> VideoCap4::Try_reference()
{
    uint32_t n = references_.load();
    while (n != 0)
        if (references_.compare_exchange_weak(n, n + 1)) return com::Com_ptr<VideoCap4>::Attach(this);
    return {};
}

// One sample a turn of the creating thread's loop: the next waits behind whatever else was
// posted meanwhile, so a sink slower than the frames never keeps the thread from its repaints,
// timers and input. A sink that pumps the loop inside its call meets a wake here while the outer
// drain is still going; that drain wakes the thread again once the call returns.
void VideoCap4::Drain()
{
    if (dispatching_) return;
    dispatching_ = true;
    const bool delivered = Deliver_oldest();
    dispatching_ = false;
    if (delivered) Wake();
    Tell_deferred_stops();
}

// Delivers the sample that came first of all queues; false when every queue is idle.
bool VideoCap4::Deliver_oldest()
{
    std::optional<size_t> oldest;
    uint64_t order = 0;
    for (size_t k = 0; k < queues_.size(); ++k) {
        const auto next = queues_[k].Next_order();
        if (next && (!oldest || *next < order)) oldest = k, order = *next;
    }
    // None seen waiting: each queue is taken from once more, which marks it idle, or gives a
    // sample that came just now.
    bool delivered = false;
    for (size_t k = 0; k < queues_.size(); ++k) {
        if (oldest && k != *oldest) continue;
        if (auto* slot = queues_[k].Take()) {
            Deliver(Sample_kind(k), *slot);
            queues_[k].Give_back(slot);
            delivered = true;
        }
    }
    return delivered;
}

void VideoCap4::Deliver(Sample_kind kind, const Sample_queue::Slot& s)
{
    if (!Is_current(s)) return; // taken before a Stop
    std::vector<Sink_list::Entry> sinks;
    try {
        sinks = sinks_.Snapshot();
    } catch (...) {
        queues_[size_t(kind)].Count_dropped();
        return;
    }
    for (const auto& entry : sinks) {
        // A sink may stop the object, or unadvise a sink later in this round.
        if (!Is_current(s)) break;
        if (sinks_.Contains(entry.cookie)) Call_sink(*entry.sink, kind, s);
    }
}

void VideoCap4::Call_sink(IVideoCapEvent& sink, Sample_kind kind, const Sample_queue::Slot& s)
{
    const auto size = uint32_t(s.bytes.size());
    const int32_t device = source_.device_number;
    delivering_tick_ = s.tick;
    try {
        switch (kind) {
        case Sample_kind::dv:
            if (!Call_frame_sink(sink, s)) sink.OnDVEvent(this, s.time, s.bytes.data(), size, device);
            break;
        case Sample_kind::rgb: sink.OnRGBEvent(this, s.time, s.bytes.data(), size, device); break;
        case Sample_kind::audio: sink.OnAudioEvent(this, s.time, s.bytes.data(), size, device); break;
        }
    } catch (...) {
        // A sink must not throw into the server; the others still get the sample.
        Record_error("BrixCap::Dispatch, a sink raised an exception!");
    }
    delivering_tick_.reset();
}

bool VideoCap4::Call_frame_sink(IVideoCapEvent& sink, const Sample_queue::Slot& s)
{
    void* asked = nullptr;
    if (com::Failed(sink.QueryInterface(IVideoCapFrameEvent::iid, &asked)) || !asked) return false;
    const auto frames = com::Com_ptr<IVideoCapFrameEvent>::Attach(static_cast<IVideoCapFrameEvent*>(asked));
    // A camera's own frames keep the moment each field was taken; the server cannot tell when
    // a DV camera took its frame, so its second field is one field after its arrival.
    const DV_frame_times times{s.picture.first_tick,
                               s.encoded ? s.picture.second_tick : int32_t(uint32_t(s.tick) + 20u), s.encoded ? 1 : 0};
    frames->OnDVFrame(this, s.time, s.bytes.data(), uint32_t(s.bytes.size()), source_.device_number, &times);
    return true;
}

// Also once the run has stopped: what was still on its way then is told as its graph goes.
void VideoCap4::Count_left_out(int32_t pictures)
{
    if (pictures > 0) pictures_left_out_ += uint64_t(pictures);
    Counters_changed();
}

void VideoCap4::Graph_stopped(const std::string& reason)
{
    const uint64_t run = run_number_;
    auto dispatcher = dispatcher_.lock();
    auto self = Try_reference();
    if (!dispatcher || !self || !running_) return;
    try {
        dispatcher->Post([self = std::move(self), run, reason] { self->Source_stopped(run, reason); });
    } catch (...) {
        // Without the notice the client learns of the stop from the frames that stop coming.
    }
}

void VideoCap4::Source_stopped(uint64_t run, const std::string& reason)
{
    if (!running_ || run != run_number_) return; // stopped or run again meanwhile
    if (dispatching_) {
        // Inside a sink's call that pumps the loop: the samples before the stop go first, so the
        // notice waits for the delivery that is going. Posting it again instead would have a
        // pump that runs until its queue is empty chase it forever.
        deferred_stops_.emplace_back(run, reason);
        return;
    }
    dispatching_ = true;
    while (Is_current_run(run) && Deliver_oldest()) {
    }
    dispatching_ = false;
    // Unless a sink stopped the object, the graph stays until the client stops it, as after any
    // Run: a file that ended still answers for its format.
    if (Is_current_run(run)) {
        last_error_ = reason;
        Tell_stopped(reason);
    }
    Tell_deferred_stops();
}

void VideoCap4::Tell_deferred_stops()
{
    while (!deferred_stops_.empty() && !dispatching_) {
        auto [run, reason] = std::move(deferred_stops_.front());
        deferred_stops_.pop_front();
        Source_stopped(run, reason);
    }
}

void VideoCap4::Tell_stopped(const std::string& reason)
{
    std::vector<Sink_list::Entry> sinks;
    try {
        sinks = sinks_.Snapshot();
    } catch (...) {
        return;
    }
    for (const auto& entry : sinks) {
        if (!sinks_.Contains(entry.cookie)) continue;
        void* asked = nullptr;
        if (com::Failed(entry.sink->QueryInterface(IVideoCapStateEvent::iid, &asked)) || !asked) continue;
        const auto state = com::Com_ptr<IVideoCapStateEvent>::Attach(static_cast<IVideoCapStateEvent*>(asked));
        try {
            const com::Bstr text(reason);
            state->OnSourceStopped(this, text.Get());
        } catch (...) {
            // A sink must not throw into the server.
        }
    }
}

void VideoCap4::Count_lost(Sample_kind kind)
{
    if (running_) queues_[size_t(kind)].Count_dropped();
    Counters_changed();
}

uint64_t VideoCap4::Dropped_samples() const
{
    uint64_t n = 0;
    for (const auto& q : queues_) n += q.Dropped();
    return n;
}

size_t VideoCap4::Queued_samples() const
{
    size_t n = 0;
    for (const auto& q : queues_) n += q.Waiting();
    return n;
}

} // namespace wk
