#include "capture_server/Sample_grabber.h"

#include "capture_server/Capture_error.h"
#include "capture_server/Server_tick.h"

#include <gst/app/gstappsink.h>
#include <gst/audio/audio.h>

namespace wk {

using com::Guid_literal;

namespace {

constexpr Grabber_texts k_texts[] = {
    {"AddDvGrabber: Could not create SampleGrabber DV", "AddDvGrabber: Could not set media type",
     "AddDvGrabber: Could not put sample grabber DV in graph", "AddDvGrabber: Could not connect source to grabber"},
    {"AddRgbGrabber: Could not create SampleGrabber", "AddRgbGrabber: Could not set media type",
     "AddRgbGrabber: Could not put sample grabber RGB in graph", "AddRgbGrabber: Could not connect source to grabber"},
    {"Failed to create sample grabber!", "Could not set media type", "Could not add audio sample grabber to graph!",
     "Could not connect audio grabber to input device!"},
};

// What each grabber converts its stream with, and the format its appsink takes.
struct Grabber_format {
    const char* converters; // a bin description, or null
    const char* caps;
};
constexpr Grabber_format k_formats[] = {
    {nullptr, "video/x-dv"},
    // Windows bitmaps are stored bottom row first.
    {"videoconvert ! videoflip video-direction=vert", "video/x-raw,format=BGR"},
    {"audioconvert", "audio/x-raw,format=U8,layout=interleaved"},
};

constexpr com::GUID k_Video = Guid_literal("{73646976-0000-0010-8000-00AA00389B71}");
constexpr com::GUID k_Audio = Guid_literal("{73647561-0000-0010-8000-00AA00389B71}");
constexpr com::GUID k_Dvsd = Guid_literal("{64737664-0000-0010-8000-00AA00389B71}");
constexpr com::GUID k_Rgb24 = Guid_literal("{E436EB7D-524F-11CE-9F53-0020AF0BA770}");
constexpr com::GUID k_Pcm = Guid_literal("{00000001-0000-0010-8000-00AA00389B71}");

// DV that comes as a whole stream may not say its size; its system does.
void Size_of_dv(const GstStructure* s, Video_info_header& v)
{
    const gchar* system = gst_structure_get_string(s, "format");
    if (v.width == 0 && system) {
        const bool pal = g_strcmp0(system, "PAL") == 0;
        v.width = 720;
        v.height = pal ? 576 : 480;
    }
}

Video_info_header Video_format(const GstStructure* s, Sample_kind kind)
{
    Video_info_header v;
    gst_structure_get_int(s, "width", &v.width);
    gst_structure_get_int(s, "height", &v.height);
    if (kind == Sample_kind::dv) Size_of_dv(s, v);
    v.bit_count = 24;
    int n = 0, d = 0;
    if (gst_structure_get_fraction(s, "framerate", &n, &d) && n > 0) v.average_time_per_frame = 10000000LL * d / n;
    return v;
}

GstElement* Parse_bin(const char* description)
{
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(description, TRUE, &error);
    if (!error) return bin;
    g_error_free(error);
    if (bin) gst_object_unref(bin);
    return nullptr;
}

// The grabber's bin, owned by the caller; null when an element is missing.
GstElement* Make_bin(const Grabber_format& format, GstElement*& appsink)
{
    Gst_ref<GstElement> bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new(nullptr))));
    appsink = Make_element("appsink");
    if (!Add_to(GST_BIN(bin.get()), appsink)) return nullptr;
    GstElement* head = appsink;
    if (format.converters) {
        head = Parse_bin(format.converters);
        if (!Add_to(GST_BIN(bin.get()), head) || !Link(head, appsink)) return nullptr;
    }
    Gst_ref<GstPad> pad(gst_element_get_static_pad(head, "sink"));
    if (!pad || !gst_element_add_pad(bin.get(), gst_ghost_pad_new("sink", pad.get()))) return nullptr;
    return bin.release();
}

} // namespace

const Grabber_texts& Texts_of(Sample_kind kind) { return k_texts[size_t(kind)]; }

Media_type Dv_media_type()
{
    Video_info_header v;
    v.width = 720;
    v.height = 576;
    v.bit_count = 24;
    v.average_time_per_frame = 400000;
    return Media_type{k_Video, k_Dvsd, v};
}

Sample_grabber::Sample_grabber(Graph_host& host, Sample_kind kind, bool sync, int32_t audio_sample_ms)
    : host_(host), kind_(kind)
{
    const auto& format = k_formats[size_t(kind)];
    bin_.reset(Make_bin(format, appsink_));
    if (!bin_) throw Capture_error(Texts_of(kind).create);
    Caps_ref caps(gst_caps_from_string(format.caps));
    if (!caps) throw Capture_error(Texts_of(kind).media_type);
    g_object_set(appsink_, "caps", caps.get(), "sync", gboolean(sync), "enable-last-sample", FALSE, nullptr);
    if (kind == Sample_kind::audio) chunker_.emplace(audio_sample_ms);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink* sink, gpointer self) { return GstFlowReturn(On_new_sample(sink, self)); };
    gst_app_sink_set_callbacks(GST_APP_SINK(appsink_), &callbacks, this, nullptr);
}

// The graph is stopped before its grabbers go, so no streaming thread is left in a callback.
Sample_grabber::~Sample_grabber() = default;

void Sample_grabber::Not_awaited() { g_object_set(appsink_, "async", FALSE, nullptr); }

int Sample_grabber::On_new_sample(GstAppSink* sink, void* self)
{
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample) return GST_FLOW_EOS;
    static_cast<Sample_grabber*>(self)->Hand_over(sample);
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

void Sample_grabber::Hand_over(GstSample* sample)
{
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
    const std::span<const uint8_t> bytes(map.data, map.size);
    const GstClockTime running = Running_time(sample);
    const double time = GST_CLOCK_TIME_IS_VALID(running) ? double(running) / GST_SECOND : 0.0;
    if (!chunker_) {
        const auto taken = stamp_with_sample_time_ ? Tick_at_running_time(appsink_, running) : std::nullopt;
        host_.Post_sample(kind_, time, bytes, taken);
    } else {
        GstAudioInfo info;
        if (gst_audio_info_from_caps(&info, gst_sample_get_caps(sample)))
            chunker_->Feed(time, bytes, info.rate * info.bpf, info.bpf,
                           [this](double t, std::span<const uint8_t> b) { host_.Post_sample(kind_, t, b); });
    }
    gst_buffer_unmap(buffer, &map);
}

// The time since the graph ran, as the sample's stream time.
GstClockTime Sample_grabber::Running_time(GstSample* sample) const
{
    const GstBuffer* buffer = gst_sample_get_buffer(sample);
    const GstSegment* segment = gst_sample_get_segment(sample);
    if (!segment || !GST_BUFFER_PTS_IS_VALID(buffer)) return GST_CLOCK_TIME_NONE;
    return gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
}

std::optional<Media_type> Sample_grabber::Connected_type() const
{
    Caps_ref caps = Sink_caps(appsink_);
    if (!caps || gst_caps_get_size(caps.get()) == 0) return std::nullopt;
    const GstStructure* s = gst_caps_get_structure(caps.get(), 0);
    switch (kind_) {
    case Sample_kind::dv: return Media_type{k_Video, k_Dvsd, Video_format(s, kind_)};
    case Sample_kind::rgb: return Media_type{k_Video, k_Rgb24, Video_format(s, kind_)};
    case Sample_kind::audio: return Media_type{k_Audio, k_Pcm, std::nullopt};
    }
    return std::nullopt;
}

} // namespace wk
