#pragma once
// What the capture graphs share of GStreamer: starting it once, owning references, making
// elements and reading what went wrong.
#include <gst/gst.h>

#include <memory>
#include <string>

namespace wk {

// Starts GStreamer once for the process; false, with the reason, when it cannot.
bool Start_gstreamer(std::string* why = nullptr);

struct Gst_object_unref {
    void operator()(gpointer p) const { gst_object_unref(p); }
};
template <class T>
using Gst_ref = std::unique_ptr<T, Gst_object_unref>;

struct Gst_caps_unref {
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};
using Caps_ref = std::unique_ptr<GstCaps, Gst_caps_unref>;

// A new element, floating until a bin takes it; null when GStreamer has no such element.
GstElement* Make_element(const char* factory, const char* name = nullptr);
// Puts the element into the bin; false, and the element let go, when either refuses.
bool Add_to(GstBin* bin, GstElement* element);
// Links two elements already in one bin.
bool Link(GstElement* from, GstElement* to);
// The caps agreed on the element's sink pad; null before any were.
Caps_ref Sink_caps(GstElement* element);
// An element's caps filter from a caps text.
GstElement* Make_caps_filter(const char* caps_text);
// The text of an error message: its message and, where the details tell more, their last line.
std::string Error_text(GstMessage* error);
// Posts an error from inside the graph, so that Run reports it.
void Post_graph_error(GstElement* from, const std::string& text);

} // namespace wk
