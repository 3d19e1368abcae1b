#pragma once
// A capture graph and its builder. The object builds one graph for each Run from the source it
// was given and tears it down at Stop; how samples are produced is the builder's business.
#include "capture_server/Graph_host.h"
#include "capture_server/Source_selection.h"

#include <memory>

namespace wk {

struct Graph_settings {
    bool rgb = false;                   // RGB frames besides DV from a file
    int32_t audio_sample_duration = 40; // ms of audio in each sample
    // A camera's pictures that may wait for the encoder before the newest are left out.
    int32_t buffer_pictures = 500;
};

class Capture_graph {
public:
    virtual ~Capture_graph() = default;
    // Starts the samples flowing; throws Capture_error.
    virtual void Run() = 0;
    // Stops every streaming thread: nothing is posted to the host after it returns.
    virtual void Stop() = 0;
    // The stream time now, in seconds, on the clock the sample times are given in.
    virtual double Stream_time() const = 0;
};

class Graph_builder {
public:
    virtual ~Graph_builder() = default;
    // The graph for the selection, not yet running; throws Capture_error when it cannot be built.
    virtual std::unique_ptr<Capture_graph> Build(const Source_selection& source, const Graph_settings& settings,
                                                 Graph_host& host) = 0;
};

} // namespace wk
