#include "capture_server/Gst_capture_graph.h"

#include "capture_server/Capture_error.h"

namespace wk {

namespace {

// A camera may take a moment to give its first frame; a file is read at once.
constexpr GstClockTime k_Start_timeout = 10 * GST_SECOND;

} // namespace

Gst_capture_graph::Gst_capture_graph(Graph_host& host) : host_(host)
{
    GstElement* pipeline = Start_gstreamer() ? gst_pipeline_new(nullptr) : nullptr;
    if (!pipeline) throw Capture_error("Could not create filter graph");
    pipeline_.reset(GST_ELEMENT(gst_object_ref_sink(pipeline)));
}

Gst_capture_graph::~Gst_capture_graph() { Stop(); }

Sample_grabber& Gst_capture_graph::Add_grabber(Sample_kind kind, bool sync, int32_t audio_sample_ms)
{
    auto grabber = std::make_unique<Sample_grabber>(host_, kind, sync, audio_sample_ms);
    // The graph takes a reference of its own: the grabber keeps its element too.
    if (!gst_bin_add(Bin(), grabber->Element())) throw Capture_error(Texts_of(kind).add);
    grabbers_.push_back(std::move(grabber));
    return *grabbers_.back();
}

void Gst_capture_graph::Connect(GstElement* upstream, const Sample_grabber& grabber)
{
    if (!Link(upstream, grabber.Element())) throw Capture_error(Texts_of(grabber.Kind()).connect);
}

GstElement* Gst_capture_graph::Add_base_filter(const char* factory, const char* name, GstElement* upstream)
{
    return Add_made_filter(Make_element(factory, name), upstream);
}

GstElement* Gst_capture_graph::Add_caps_filter(const std::string& caps, GstElement* upstream)
{
    return Add_made_filter(Make_caps_filter(caps.c_str()), upstream);
}

GstElement* Gst_capture_graph::Add_made_filter(GstElement* filter, GstElement* upstream)
{
    if (!filter) throw Capture_error("AddBaseFilter: Could not create filter");
    if (!Add_to(Bin(), filter)) throw Capture_error("AddBaseFilter: Could not put filter in graph");
    if (upstream && !Link(upstream, filter)) throw Capture_error("AddBaseFilter: Could not connect source with filter");
    return filter;
}

void Gst_capture_graph::Run()
{
    const GstStateChangeReturn started = gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    if (started == GST_STATE_CHANGE_FAILURE) Fail(Pending_error().value_or("the graph would not start"));
    if (started == GST_STATE_CHANGE_ASYNC) Wait_until_running();
    if (fixed_type_) host_.Set_connected_media_type(*fixed_type_);
    for (auto g = grabbers_.rbegin(); g != grabbers_.rend() && !fixed_type_; ++g) {
        if (const auto type = (*g)->Connected_type()) {
            host_.Set_connected_media_type(*type); // of the last grabber built
            break;
        }
    }
    // Once it runs, the graph's messages are looked at as they are posted: an error or the end
    // of the stream means the source has stopped, and the host is told; the rest are let go.
    Gst_ref<GstBus> bus(gst_element_get_bus(pipeline_.get()));
    gst_bus_set_sync_handler(bus.get(), &Gst_capture_graph::On_bus_message, this, nullptr);
    watching_ = true;
    // An error or end that came while starting is taken now.
    const auto ends = GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_EOS);
    if (GstMessage* early = gst_bus_pop_filtered(bus.get(), ends)) {
        On_bus_message(bus.get(), early, this);
        gst_message_unref(early);
    }
}

GstBusSyncReply Gst_capture_graph::On_bus_message(GstBus* bus, GstMessage* message, gpointer self)
{
    auto& graph = *static_cast<Gst_capture_graph*>(self);
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    // The message before this one is let go now: a message a sync handler drops is not
    // freed by every GStreamer, and one left on the bus holds its element and the graph.
    while (GstMessage* old = gst_bus_pop(bus)) gst_message_unref(old);
    if (type != GST_MESSAGE_ERROR && type != GST_MESSAGE_EOS) return GST_BUS_PASS;
    // One notice: a failing source often posts several errors.
    if (graph.stopped_by_itself_.exchange(true)) return GST_BUS_PASS;
    graph.host_.Graph_stopped(type == GST_MESSAGE_EOS ? std::string(k_End_of_stream)
                                                      : std::string(k_Graph_error) + ": " + Error_text(message));
    return GST_BUS_PASS;
}

// Running means every grabber has its first sample, so its format is known.
void Gst_capture_graph::Wait_until_running()
{
    Gst_ref<GstBus> bus(gst_element_get_bus(pipeline_.get()));
    const auto types = GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE);
    const GstClockTime deadline = gst_util_get_timestamp() + k_Start_timeout;
    for (GstClockTime now = gst_util_get_timestamp(); now < deadline; now = gst_util_get_timestamp()) {
        GstMessage* message = gst_bus_timed_pop_filtered(bus.get(), deadline - now, types);
        if (!message) break;
        const bool error = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
        const bool ours = GST_MESSAGE_SRC(message) == GST_OBJECT(pipeline_.get());
        const std::string reason = error ? Error_text(message) : std::string();
        gst_message_unref(message);
        if (error) Fail(reason);
        if (ours) return;
    }
    Fail("no sample came within 10 seconds");
}

std::optional<std::string> Gst_capture_graph::Pending_error() const
{
    Gst_ref<GstBus> bus(gst_element_get_bus(pipeline_.get()));
    GstMessage* error = gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR);
    if (!error) return std::nullopt;
    std::string text = Error_text(error);
    gst_message_unref(error);
    return text;
}

void Gst_capture_graph::Fail(const std::string& reason)
{
    throw Capture_error(std::string(k_Could_not_run_graph) + ": " + reason);
}

void Gst_capture_graph::Stop()
{
    if (!pipeline_) return;
    // Every streaming thread has ended when this returns, so no message handler is running.
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    if (!watching_) return;
    Gst_ref<GstBus> bus(gst_element_get_bus(pipeline_.get()));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    gst_bus_set_flushing(bus.get(), TRUE);
    watching_ = false;
}

double Gst_capture_graph::Stream_time() const
{
    Gst_ref<GstClock> clock(gst_element_get_clock(pipeline_.get()));
    if (!clock) return 0;
    const GstClockTime now = gst_clock_get_time(clock.get());
    const GstClockTime base = gst_element_get_base_time(pipeline_.get());
    return now > base ? double(now - base) / GST_SECOND : 0.0;
}

bool Add_null_renderer(GstBin* bin, GstPad* pad, bool awaited)
{
    GstElement* sink = Make_element("fakesink");
    if (!sink) return false;
    // Unless awaited, takes no part in starting the graph, so that it never waits for a stream
    // that is not there yet; keeps no time, so that it never holds the demultiplexer up.
    g_object_set(sink, "sync", FALSE, "async", gboolean(awaited), nullptr);
    if (!Add_to(bin, sink)) return false;
    gst_element_sync_state_with_parent(sink);
    Gst_ref<GstPad> sink_pad(gst_element_get_static_pad(sink, "sink"));
    return GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, sink_pad.get()));
}

} // namespace wk
