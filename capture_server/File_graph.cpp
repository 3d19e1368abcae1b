// The graph of a DV file. What the file holds is known only once it is read, so the road to the
// DV grabber is laid while the graph starts: the file's type picks the demultiplexer (AVI, or
// DV itself for a raw .dv file), and each stream the demultiplexer finds goes on by its format:
// a DV stream of type 1 AVI to the DV demultiplexer, the first DV video stream to the grabbers,
// anything else to a null renderer. A file that holds no DV makes the graph fail with the reason.
#include "capture_server/Capture_error.h"
#include "capture_server/Graph_recipes.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace wk {

namespace {

constexpr bool k_Real_time = true;

// The state the streaming threads share while they lay the road.
struct File_road {
    GstBin* bin;
    GstElement* dv_entry; // where DV video enters: the DV grabber, or the split to both grabbers
    std::atomic<bool> dv_linked{false};
    std::atomic<bool> dv_demuxer{false};
};

void On_pad_added(GstElement* demuxer, GstPad* pad, gpointer road);
void On_no_more_pads(GstElement* demuxer, gpointer road);

bool Is_dv(const GstStructure* s, bool system_stream)
{
    gboolean whole = FALSE;
    gst_structure_get_boolean(s, "systemstream", &whole);
    return gst_structure_has_name(s, "video/x-dv") && bool(whole) == system_stream;
}

// Puts a demultiplexer behind the pad; errors are reported through the graph.
void Add_demuxer(File_road& road, const char* factory, GstPad* pad)
{
    GstElement* demuxer = Make_element(factory);
    if (!demuxer || !Add_to(road.bin, demuxer)) {
        Post_graph_error(GST_ELEMENT(road.bin), std::string("AddBaseFilter: Could not create filter ") + factory);
        return;
    }
    g_signal_connect(demuxer, "pad-added", G_CALLBACK(On_pad_added), &road);
    g_signal_connect(demuxer, "no-more-pads", G_CALLBACK(On_no_more_pads), &road);
    Gst_ref<GstPad> sink(gst_element_get_static_pad(demuxer, "sink"));
    if (!GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, sink.get())))
        Post_graph_error(demuxer, "AddBaseFilter: Could not connect source with filter");
    gst_element_sync_state_with_parent(demuxer);
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
        return Add_demuxer(road, "dvdemux", pad.get());
    }
    Post_graph_error(typefind, std::string("the file is neither DV nor AVI but ") + gst_structure_get_name(s));
}

// The file is opened here, as the file source would, so that a missing or locked file is
// reported as such before anything else is tried.
void Check_readable(const std::string& path)
{
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(path, ec);
    const int fd = folder ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    const int error = folder ? EISDIR : errno;
    const com::HRESULT hr = error == ENOENT    ? com::E_FILE_NOT_FOUND
                            : error == ENOTDIR ? com::E_PATH_NOT_FOUND
                            : error == EACCES || error == EISDIR ? com::E_ACCESSDENIED
                                                                 : com::E_FAIL;
    throw Capture_error("Could not load file!", hr);
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
    graph.Keep(road);
    g_signal_connect(typefind, "have-type", G_CALLBACK(On_have_type), road.get());
}

} // namespace wk
