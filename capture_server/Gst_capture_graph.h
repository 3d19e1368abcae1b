#pragma once
// A capture graph on a GStreamer pipeline: the source elements a recipe puts in, the sample
// grabbers that hand the samples to the host, and the null renderers that take what nobody
// wants. Run starts it and waits until the samples flow or the graph says why they cannot.
#include "capture_server/Capture_graph.h"
#include "capture_server/Sample_grabber.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wk {

inline constexpr char k_Could_not_run_graph[] = "Could not run graph";
// The reasons a running graph gives when it stops by itself.
inline constexpr char k_Graph_error[] = "The source failed";
inline constexpr char k_End_of_stream[] = "The source ended (end of stream)";

class Gst_capture_graph final : public Capture_graph {
public:
    // An empty graph; throws Capture_error when none can be made.
    explicit Gst_capture_graph(Graph_host& host);
    ~Gst_capture_graph() override;

    GstBin* Bin() const { return GST_BIN(pipeline_.get()); }
    Graph_host& Host() const { return host_; }
    // A grabber of the kind in the graph, not yet linked; throws with the grabber's texts.
    Sample_grabber& Add_grabber(Sample_kind kind, bool sync, int32_t audio_sample_ms = 0);
    // Links upstream to the grabber; throws the grabber's text when they do not fit.
    void Connect(GstElement* upstream, const Sample_grabber& grabber);
    // A filter of the factory put in the graph behind upstream (none: not linked); throws.
    GstElement* Add_base_filter(const char* factory, const char* name, GstElement* upstream);
    // A caps filter that lets only the caps through, added and linked the same way.
    GstElement* Add_caps_filter(const std::string& caps, GstElement* upstream);
    // What the graph's signal handlers use, kept as long as the graph.
    void Keep(std::shared_ptr<void> part) { parts_.push_back(std::move(part)); }
    // The format the graph gives its sinks, where no grabber's says it (frames encoded here).
    void Fix_media_type(const Media_type& type) { fixed_type_ = type; }

    void Run() override;
    void Stop() override;
    double Stream_time() const override;

private:
    GstElement* Add_made_filter(GstElement* filter, GstElement* upstream);
    void Wait_until_running();
    // The bus's messages once the graph runs, on the thread that posts them.
    static GstBusSyncReply On_bus_message(GstBus* bus, GstMessage* message, gpointer self);
    // The first error the graph reported, if any.
    std::optional<std::string> Pending_error() const;
    [[noreturn]] static void Fail(const std::string& reason);

    Graph_host& host_;
    Gst_ref<GstElement> pipeline_;
    std::vector<std::unique_ptr<Sample_grabber>> grabbers_;
    std::vector<std::shared_ptr<void>> parts_;
    std::optional<Media_type> fixed_type_;
    bool watching_ = false;
    std::atomic<bool> stopped_by_itself_{false};
};

// The null renderer behind a pad nobody wants, so that its stream flows away; false when it
// cannot be made or linked. awaited: the graph runs only once a sample has reached it.
bool Add_null_renderer(GstBin* bin, GstPad* pad, bool awaited = false);

} // namespace wk
