#pragma once
// A capture device as the server found it: what it tells about itself, and how to make the
// GStreamer element its samples come from.
#include "capture_server/Device_catalog.h"

#include <functional>

typedef struct _GstElement GstElement;

namespace wk {

struct Capture_device {
    Device_info info;
    // A new, floating source element each time; null when it cannot be made.
    std::function<GstElement*()> make_source;
};

} // namespace wk
