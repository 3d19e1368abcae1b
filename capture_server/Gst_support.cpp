#include "capture_server/Gst_support.h"

#include <mutex>

namespace wk {

bool Start_gstreamer(std::string* why)
{
    static std::once_flag once;
    static bool started = false;
    static std::string reason;
    std::call_once(once, [] {
        GError* error = nullptr;
        started = gst_init_check(nullptr, nullptr, &error);
        if (error) {
            reason = error->message;
            g_error_free(error);
        }
    });
    if (!started && why) *why = reason.empty() ? "GStreamer could not start" : reason;
    return started;
}

GstElement* Make_element(const char* factory, const char* name) { return gst_element_factory_make(factory, name); }

bool Add_to(GstBin* bin, GstElement* element)
{
    if (!element) return false;
    gst_object_ref_sink(element);
    const bool added = gst_bin_add(bin, element);
    gst_object_unref(element);
    return added;
}

bool Link(GstElement* from, GstElement* to) { return from && to && gst_element_link(from, to); }

Caps_ref Sink_caps(GstElement* element)
{
    Gst_ref<GstPad> pad(gst_element_get_static_pad(element, "sink"));
    return Caps_ref(pad ? gst_pad_get_current_caps(pad.get()) : nullptr);
}

GstElement* Make_caps_filter(const char* caps_text)
{
    GstElement* filter = Make_element("capsfilter");
    GstCaps* caps = gst_caps_from_string(caps_text);
    if (filter && caps) g_object_set(filter, "caps", caps, nullptr);
    if (caps) gst_caps_unref(caps);
    return filter;
}

std::string Error_text(GstMessage* error)
{
    GError* e = nullptr;
    gchar* details = nullptr;
    gst_message_parse_error(error, &e, &details);
    std::string text = e ? e->message : "unknown error";
    if (details) {
        // The details begin with where in GStreamer it happened; the last line says what.
        std::string d = details;
        const auto line = d.rfind('\n');
        if (line != std::string::npos && line + 1 < d.size()) text += " " + d.substr(line + 1);
    }
    if (e) g_error_free(e);
    g_free(details);
    return text;
}

void Post_graph_error(GstElement* from, const std::string& text)
{
    GError* error = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_WRONG_TYPE, text.c_str());
    gst_element_post_message(from, gst_message_new_error(GST_OBJECT(from), error, nullptr));
    g_error_free(error);
}

} // namespace wk
