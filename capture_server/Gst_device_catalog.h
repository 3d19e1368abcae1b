#pragma once
// The capture devices of this machine: FireWire DV cameras first, then what GStreamer's device
// monitor finds; or, when BRIXCAP_FAKE_DEVICES is set, the fake devices it asks for instead.
// The devices are looked for once, at the first question, and the answers kept for the
// catalog's life, so that probing device after device does not search the machine each time.
#include "capture_server/Capture_device.h"

#include <mutex>

namespace wk {

class Gst_device_catalog final : public Device_catalog {
public:
    std::vector<Device_info> Devices(Device_category category) const override;
    // A new source element for device number n (from 1) of the category; null when there is
    // no such device or its element cannot be made.
    GstElement* Make_source(Device_category category, int32_t n) const;

private:
    const std::vector<Capture_device>& List(Device_category category) const;
    void Find() const;

    mutable std::once_flag found_;
    mutable std::vector<Capture_device> video_, audio_;
};

} // namespace wk
