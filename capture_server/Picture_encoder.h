#pragma once
// The part of a graph that records a camera without DV: the camera's pictures, converted and
// scaled to 720 x 576 on their own streaming thread, are woven into frames (Field_weaver) and
// handed to the DV encoder, whose own streaming thread feeds the graph's DV grabber. Every DV
// frame goes with the program's tick of its first field's picture.
#include "capture_server/Camera_mode.h"
#include "capture_server/Field_weaver.h"
#include "capture_server/Gst_capture_graph.h"
#include "capture_server/Picture_pacer.h"

#include <optional>

namespace wk {

class Picture_encoder {
public:
    // Puts the branch into the graph behind pictures (an element with free source pads, such as
    // a tee); throws Capture_error when an element is missing or will not link.
    static void Add_to_graph(Gst_capture_graph& graph, GstElement* pictures, const Camera_mode& mode);

    Picture_encoder(Graph_host& host, Field_mode mode, GstElement* source);
    Picture_encoder(const Picture_encoder&) = delete;
    Picture_encoder& operator=(const Picture_encoder&) = delete;

private:
    static GstPadProbeReturn On_picture(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    void Take(GstPad* pad, GstBuffer* buffer);
    void Push(const Field_weaver::Frame& frame);

    Graph_host& host_;
    Field_mode mode_;
    GstElement* source_; // the encoder's source, inside the graph
    Picture_pacer pacer_;
    std::optional<Field_weaver> weaver_; // made for the layout of the first picture
};

} // namespace wk
