#pragma once
// The cameras and sound inputs GStreamer's device monitor finds (video4linux cameras, sound
// server inputs), each list in a stable order: by device path, then by name.
#include "capture_server/Capture_device.h"

#include <vector>

namespace wk {

struct Monitor_devices {
    std::vector<Capture_device> video, audio;
};

Monitor_devices Find_monitor_devices();

} // namespace wk
