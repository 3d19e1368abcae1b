#pragma once
// The sample grabber of a graph: the elements that bring a stream into the grabber's format
// (DV as it comes, RGB as 24-bit bottom-up BGR, sound as 8-bit PCM) and an appsink whose
// streaming thread hands a copy of each sample to the host. Sound is cut into samples of the
// object's AudioSampleDuration.
#include "capture_server/Audio_chunker.h"
#include "capture_server/Graph_host.h"
#include "capture_server/Gst_support.h"

#include <optional>

typedef struct _GstAppSink GstAppSink;

namespace wk {

// The texts a grabber's failures are reported with.
struct Grabber_texts {
    const char* create;
    const char* media_type;
    const char* add;
    const char* connect;
};
const Grabber_texts& Texts_of(Sample_kind kind);
// PAL DV of 720 x 576 at 25 frames a second, as the DV grabber reports it.
Media_type Dv_media_type();

class Sample_grabber {
public:
    // sync: samples wait for their time on the graph's clock (files play in real time; live
    // sources deliver at once). Throws Capture_error.
    Sample_grabber(Graph_host& host, Sample_kind kind, bool sync, int32_t audio_sample_ms);
    Sample_grabber(const Sample_grabber&) = delete;
    Sample_grabber& operator=(const Sample_grabber&) = delete;
    ~Sample_grabber();

    Sample_kind Kind() const { return kind_; }
    // Each sample goes with the program's tick at its time on the graph's clock (the moment its
    // source took it), instead of the moment it reached the grabber.
    void Stamp_with_sample_time() { stamp_with_sample_time_ = true; }
    // The graph does not wait for this grabber's first sample to run (a stream that may not flow).
    void Not_awaited();
    // The grabber's bin, to be put into a graph and linked to.
    GstElement* Element() const { return bin_.get(); }
    // The format agreed with the upstream elements; none before the first sample.
    std::optional<Media_type> Connected_type() const;

private:
    static int On_new_sample(GstAppSink* sink, void* self);
    void Hand_over(GstSample* sample);
    // The sample's running time; GST_CLOCK_TIME_NONE when it has none.
    GstClockTime Running_time(GstSample* sample) const;

    Graph_host& host_;
    Sample_kind kind_;
    Gst_ref<GstElement> bin_;
    GstElement* appsink_ = nullptr; // inside bin_
    std::optional<Audio_chunker> chunker_;
    bool stamp_with_sample_time_ = false;
};

} // namespace wk
