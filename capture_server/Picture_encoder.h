#pragma once
// The part of a graph that records a camera without DV. The camera's pictures wait in a queue of
// their own (at most the object's BufferPictures of them; a newer picture that finds it full is
// left out and counted), are converted and scaled to 720 x 576 on the queue's streaming thread
// straight into the frame they go in (Picture_scaler, Field_weaver) and encoded to DV there
// (Dv_encoder). Each frame goes to the
// host with the times of the very pictures in its fields, taken from their buffers.
#include "capture_server/Camera_mode.h"
#include "capture_server/Dv_encoder.h"
#include "capture_server/Field_weaver.h"
#include "capture_server/Gst_capture_graph.h"
#include "capture_server/Picture_pacer.h"
#include "capture_server/Picture_scaler.h"

#include <gst/video/video.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace wk {

// The queue a camera's pictures wait in, and how many wait: those still there when the graph
// goes are told to the host as left out.
struct Picture_queue {
    Picture_queue(Graph_host* h, GstElement* q, guint m) : host(h), queue(q), most(m) {}
    ~Picture_queue();
    Graph_host* host;
    GstElement* queue;
    guint most;
    std::atomic<int64_t> waiting{0};
};

// A mapped picture as the scaler takes it, its planes lent; av_format is libavutil's.
Source_picture Source_of(const GstVideoFrame& frame, int av_format);

class Picture_encoder {
public:
    // Puts the branch into the graph behind pictures (an element with free source pads, such as
    // a tee); throws Capture_error naming what is missing when the pictures cannot be encoded.
    static void Add_to_graph(Gst_capture_graph& graph, GstElement* pictures, const Camera_mode& mode,
                             int32_t buffer_pictures);
    // For tests: called on the streaming thread before each frame is encoded, so that a test can
    // hold the encoder back; none by default.
    static void Set_test_gate(std::function<void()> gate);

    Picture_encoder(Graph_host& host, const Camera_mode& mode, GstElement* clock_element,
                    std::shared_ptr<Picture_queue> waiting);
    ~Picture_encoder();
    Picture_encoder(const Picture_encoder&) = delete;
    Picture_encoder& operator=(const Picture_encoder&) = delete;

private:
    static GstPadProbeReturn On_picture(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    void Take(GstPad* pad, GstBuffer* buffer);
    // The format of the pictures that follow, from their caps.
    void Learn_format(GstCaps* caps);
    bool Weave(GstBuffer* buffer, int64_t taken_ns);
    void Encode(const Field_weaver::Frame& frame);
    int32_t Tick_of(int64_t running_ns) const;

    Graph_host& host_;
    Field_mode mode_;
    GstElement* clock_element_; // inside the graph: its clock and base time give the ticks
    std::shared_ptr<Picture_queue> waiting_;
    Picture_pacer pacer_;
    Dv_encoder encoder_;
    Picture_scaler scaler_;
    Field_weaver weaver_;
    GstVideoInfo info_{};
    std::optional<int> format_; // libavutil's, of the pictures now coming; none before their caps
};

} // namespace wk
