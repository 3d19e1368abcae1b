// The graph of a DV file. What the file holds is known only once it is read, so the road to the
// DV grabber is laid while the graph starts: the file's type picks the demultiplexer (AVI, or
// DV itself for a raw .dv file), and each stream the demultiplexer finds goes on by its format:
// a DV stream of type 1 AVI to the DV demultiplexer, the first DV video stream to the grabbers,
// anything else to a null renderer. A file that holds no DV, or no DV frame that can be read,
// makes the graph fail with the reason.
#include "capture_server/Capture_error.h"
#include "capture_server/Graph_recipes.h"
#include "capture_server/Source_file.h"

#include <atomic>

namespace wk {

namespace {

constexpr bool k_Real_time = true;

// The state the streaming threads share while they lay the road.
struct File_road {
    GstBin* bin;
    GstElement* dv_entry; // where DV video enters: the DV grabber, or the split to both grabbers
    std::atomic<bool> dv_linked{false};
    std::atomic<bool> dv_demuxer{false};
    std::atomic<bool> dv_frame_seen{false};
};

void On_pad_added(GstElement* demuxer, GstPad* pad, gpointer road);
void On_no_more_pads(GstElement* demuxer, gpointer road);

bool Is_dv(const GstStructure* s, bool system_stream)
{
    gboolean whole = FALSE;
    gst_structure_get_boolean(s, "systemstream", &whole);
    return gst_structure_has_name(s, "video/x-dv") && bool(whole) == system_stream;
}

// A DV frame is whole when it begins with its header block and holds every DIF sequence of its
// system: twelve of 12000 bytes in the 625-line system, ten in the 525-line one (twice or four
// times that for the wider kinds of DV).
bool Is_whole_dv_frame(GstBuffer* buffer)
{
    constexpr size_t k_625_frame = 144000, k_525_frame = 120000;
    uint8_t head[4] = {};
    const gsize size = gst_buffer_get_size(buffer);
    if (gst_buffer_extract(buffer, 0, head, sizeof head) != sizeof head) return false;
    const bool header_block = (head[0] >> 5) == 0;
    const size_t frame = (head[3] & 0x80) ? k_625_frame : k_525_frame;
    return header_block && size % frame == 0;
}

// Drops what is less than a whole frame: the partial last frame of a file that was cut short,
// a chunk that lost its end. Passed on, it would reach a client as a torn picture, stop the
// decoder of the RGB frames, or put the DV demultiplexer out of step with every later frame.
GstPadProbeReturn Drop_partial_frames(GstPad*, GstPadProbeInfo* info, gpointer)
{
    return Is_whole_dv_frame(GST_PAD_PROBE_INFO_BUFFER(info)) ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
}

// A filter of the factory in the graph, not yet linked nor started; null, with the error reported
// through the graph, when it cannot be made. The graph may be starting while a streaming thread
// lays the road, and would start the filter the moment it is in; a demultiplexer started before
// it is linked finds nothing to read from and takes its input as pushed to it, which for an AVI
// means reading it in file order, past its index.
GstElement* Add_filter(File_road& road, const char* factory)
{
    GstElement* filter = Make_element(factory);
    if (filter) gst_element_set_locked_state(filter, TRUE);
    if (filter && Add_to(road.bin, filter)) return filter;
    Post_graph_error(GST_ELEMENT(road.bin), std::string("AddBaseFilter: Could not create filter ") + factory);
    return nullptr;
}

// Links the pad to the filter and starts the filter; errors are reported through the graph.
void Start_behind(GstElement* filter, GstPad* pad)
{
    Gst_ref<GstPad> sink(gst_element_get_static_pad(filter, "sink"));
    if (!GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, sink.get())))
        Post_graph_error(filter, "AddBaseFilter: Could not connect source with filter");
    gst_element_set_locked_state(filter, FALSE);
    gst_element_sync_state_with_parent(filter);
}

// The end of the stream before its first whole frame: the file says it holds DV, but none of
// its frames can be read (an AVI whose index points past the end of the file, a DV file shorter
// than a frame). Without this the graph would run and never give a sample, or wait for one.
GstPadProbeReturn On_dv_road(GstPad* pad, GstPadProbeInfo* info, gpointer data)
{
    auto& road = *static_cast<File_road*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        road.dv_frame_seen = true;
    } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS && !road.dv_frame_seen) {
        // Posted before the end goes on to the grabbers, so that Run meets the error first.
        Post_graph_error(GST_PAD_PARENT(pad), "no whole DV frame could be read from the file");
    }
    return GST_PAD_PROBE_OK;
}

// Watches the element's input: with frames, each frame counts as seen; without, only the end.
void Watch_dv_road(File_road& road, GstElement* element, bool frames)
{
    const auto types = frames ? GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM
                              : GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM;
    Gst_ref<GstPad> input(gst_element_get_static_pad(element, "sink"));
    gst_pad_add_probe(input.get(), GstPadProbeType(types), On_dv_road, &road, nullptr);
}

void Add_demuxer(File_road& road, const char* factory, GstPad* pad)
{
    GstElement* demuxer = Add_filter(road, factory);
    if (!demuxer) return;
    g_signal_connect(demuxer, "pad-added", G_CALLBACK(On_pad_added), &road);
    g_signal_connect(demuxer, "no-more-pads", G_CALLBACK(On_no_more_pads), &road);
    // The DV demultiplexer makes its pads with its first whole frame: a stream without one ends
    // inside it and never reaches the grabbers. Its frames pass the entry in its own thread,
    // before its end does.
    if (g_str_equal(factory, "dvdemux")) Watch_dv_road(road, demuxer, false);
    Start_behind(demuxer, pad);
}

// A raw DV file goes to the DV demultiplexer through a queue. Left to read the file itself, the
// demultiplexer takes a partial last frame for a broken stream and stops the graph with an
// error, which fails Run whenever it comes before the first frame is through (as it does with
// RGB set, the decoder being slow to start); fed, it passes whole frames only and lets the rest
// of the file go at its end.
void Add_raw_dv_demuxer(File_road& road, GstPad* pad)
{
    GstElement* feed = Add_filter(road, "queue");
    if (!feed) return;
    // The demultiplexer is started before the queue, so that the queue never holds a frame it
    // cannot pass on.
    Gst_ref<GstPad> out(gst_element_get_static_pad(feed, "src"));
    Add_demuxer(road, "dvdemux", out.get());
    Start_behind(feed, pad);
}

void Link_dv(File_road& road, GstPad* pad)
{
    Gst_ref<GstPad> entry(gst_element_get_static_pad(road.dv_entry, "sink"));
    if (!GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, entry.get())))
        Post_graph_error(road.dv_entry, Texts_of(Sample_kind::dv).connect);
}

void On_pad_added(GstElement*, GstPad* pad, gpointer data)
{
    auto& road = *static_cast<File_road*>(data);
    Caps_ref caps(gst_pad_get_current_caps(pad));
    if (!caps) caps.reset(gst_pad_query_caps(pad, nullptr));
    const GstStructure* s = caps && gst_caps_get_size(caps.get()) > 0 ? gst_caps_get_structure(caps.get(), 0) : nullptr;
    // A demultiplexer gives one frame a buffer; the raw file's blocks never come this way.
    if (s && (Is_dv(s, true) || Is_dv(s, false)))
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, Drop_partial_frames, nullptr, nullptr);
    if (s && Is_dv(s, true) && !road.dv_demuxer.exchange(true)) return Add_demuxer(road, "dvdemux", pad);
    if (s && Is_dv(s, false) && !road.dv_linked.exchange(true)) return Link_dv(road, pad);
    if (!Add_null_renderer(road.bin, pad)) Post_graph_error(GST_ELEMENT(road.bin), "AddNullRenderer: Could not create Null Renderer");
}

void On_no_more_pads(GstElement* demuxer, gpointer data)
{
    auto& road = *static_cast<File_road*>(data);
    GstElementFactory* factory = gst_element_get_factory(demuxer);
    const bool dv_follows = road.dv_demuxer && factory && g_strcmp0(GST_OBJECT_NAME(factory), "dvdemux") != 0;
    if (!road.dv_linked && !dv_follows) Post_graph_error(demuxer, "the file holds no DV video");
}

void On_have_type(GstElement* typefind, guint, GstCaps* caps, gpointer data)
{
    auto& road = *static_cast<File_road*>(data);
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    Gst_ref<GstPad> pad(gst_element_get_static_pad(typefind, "src"));
    if (gst_structure_has_name(s, "video/x-msvideo")) return Add_demuxer(road, "avidemux", pad.get());
    if (Is_dv(s, true)) {
        road.dv_demuxer = true;
        return Add_raw_dv_demuxer(road, pad.get());
    }
    Post_graph_error(typefind, std::string("the file is neither DV nor AVI but ") + gst_structure_get_name(s));
}

// Behind the entry, the DV grabber; with RGB also the decoder and the RGB grabber.
GstElement* Add_grabbers(Gst_capture_graph& graph, bool rgb)
{
    const auto& dv = graph.Add_grabber(Sample_kind::dv, k_Real_time);
    if (!rgb) return dv.Element();
    GstElement* split = graph.Add_base_filter("tee", "DV Split", nullptr);
    graph.Connect(graph.Add_base_filter("queue", nullptr, split), dv);
    GstElement* decoder = graph.Add_base_filter("avdec_dvvideo", "DV Video Codec",
                                                graph.Add_base_filter("queue", nullptr, split));
    graph.Connect(decoder, graph.Add_grabber(Sample_kind::rgb, k_Real_time));
    graph.Host().Set_rgb();
    return split;
}

} // namespace

void Build_dv_file_graph(Gst_capture_graph& graph, const Recipe_input& in)
{
    Check_readable(in.source.file_path);
    GstElement* source = Make_element("filesrc", "File Source Reader");
    if (source) g_object_set(source, "location", in.source.file_path.c_str(), nullptr);
    if (!Add_to(graph.Bin(), source)) throw Capture_error("Could not put File Source Reader in graph");
    GstElement* typefind = graph.Add_base_filter("typefind", nullptr, source);
    auto road = std::make_shared<File_road>();
    road->bin = graph.Bin();
    road->dv_entry = Add_grabbers(graph, in.settings.rgb);
    Watch_dv_road(*road, road->dv_entry, true);
    graph.Keep(road);
    g_signal_connect(typefind, "have-type", G_CALLBACK(On_have_type), road.get());
}

} // namespace wk
