#pragma once
// Which camera the capture station uses. The capture server numbers its video devices from 1 in
// the order it finds them, and that order changes when a camera is plugged in or out, so the
// crew's choice is kept by the camera's name and its device (its id, or its path when it has no
// id) and looked up among the devices present each time the camera starts.
#include <cstdint>
#include <string>
#include <vector>

namespace wk {

class IVideoCap;

// A video device as the capture server tells of it.
struct Video_device {
    int16_t number = 0; // as SetSource numbers it, from 1
    std::string name;
    std::string id;   // the device's own id; empty for most USB cameras
    std::string path; // where the system has it (/dev/video0, a sysfs path, ...)

    // What the crew sees: the name, or "Camera n" for a device without one.
    std::string Label() const;
    // The device itself: its id when it has one, else its path.
    std::string Device_key() const { return id.empty() ? path : id; }
};

// The crew's choice of camera; empty when none was made.
struct Camera_wish {
    std::string name;
    std::string device;

    bool Empty() const { return name.empty() && device.empty(); }
    static Camera_wish Of(const Video_device& device) { return {device.name, device.Device_key()}; }
    // As the settings keep it; empty when they keep none.
    static Camera_wish From_settings();
    // Into the settings; false when the settings could not be written (that was reported).
    bool Keep() const;
};

// The camera a start takes.
struct Camera_pick {
    int16_t number = 1;
    // The wished camera is not among the devices: the first one is taken instead.
    bool wish_missing = false;
};

// A property of the capture server as text; "" when it does not answer.
std::string Server_property(IVideoCap& server, const std::string& name);

// The video devices server finds (at most ten), read by choosing each in turn: the server then
// has the last one probed as its source, so a camera sets its own source afterwards.
std::vector<Video_device> List_video_devices(IVideoCap& server);

// What the menu lists for each device: its label, with its device where another has the same
// label (two cameras of one make).
std::vector<std::string> Menu_labels(const std::vector<Video_device>& devices);

// The device of the wish among devices: the one with its name and device, else the one with its
// name (a USB camera moved to another port), else the one with its id (a camera renamed); the
// first device when none of them is there or nothing was wished.
Camera_pick Pick_camera(const std::vector<Video_device>& devices, const Camera_wish& wish);

} // namespace wk
