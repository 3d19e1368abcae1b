#include "capture_server/Monitor_devices.h"

#include "capture_server/Gst_support.h"

#include <algorithm>
#include <memory>

namespace wk {

namespace {

using Device_ref = std::shared_ptr<GstDevice>;

std::string Take_text(gchar* text)
{
    std::string s = text ? text : "";
    g_free(text);
    return s;
}

// The first of the named properties the device has, as text.
std::string Property(GstDevice* device, std::initializer_list<const char*> names)
{
    GstStructure* properties = gst_device_get_properties(device);
    if (!properties) return {};
    std::string value;
    for (const char* name : names) {
        if (const gchar* text = gst_structure_get_string(properties, name)) {
            value = text;
            break;
        }
    }
    gst_structure_free(properties);
    return value;
}

// The outputs' echo that sound servers offer as inputs is no input of the machine.
bool Is_monitor_of_output(GstDevice* device) { return Property(device, {"device.class"}) == "monitor"; }

bool Gives_dv(GstDevice* device)
{
    Caps_ref caps(gst_device_get_caps(device));
    if (!caps) return false;
    for (guint i = 0; i < gst_caps_get_size(caps.get()); ++i)
        if (gst_structure_has_name(gst_caps_get_structure(caps.get(), i), "video/x-dv")) return true;
    return false;
}

Capture_device Device_of(const Device_ref& device, Source_kind kind)
{
    Device_info info;
    info.friendly_name = Take_text(gst_device_get_display_name(device.get()));
    info.description = Property(device.get(), {"device.description", "v4l2.device.driver", "device.api"});
    info.device_path = Property(device.get(), {"device.path", "api.v4l2.path", "device.string", "node.name"});
    info.kind = kind;
    return {info, [device] { return gst_device_create_element(device.get(), nullptr); }};
}

void Sort(std::vector<Capture_device>& devices)
{
    std::stable_sort(devices.begin(), devices.end(), [](const auto& a, const auto& b) {
        const auto& x = a.info;
        const auto& y = b.info;
        // "/dev/video2" before "/dev/video10".
        if (x.device_path.size() != y.device_path.size()) return x.device_path.size() < y.device_path.size();
        if (x.device_path != y.device_path) return x.device_path < y.device_path;
        return x.friendly_name < y.friendly_name;
    });
}

} // namespace

Monitor_devices Find_monitor_devices()
{
    Monitor_devices found;
    if (!Start_gstreamer()) return found;
    Gst_ref<GstDeviceMonitor> monitor(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), "Video/Source", nullptr);
    gst_device_monitor_add_filter(monitor.get(), "Audio/Source", nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor.get());
    for (GList* at = devices; at; at = at->next) {
        Device_ref device(GST_DEVICE(gst_object_ref(at->data)), gst_object_unref);
        if (gst_device_has_classes(device.get(), "Video/Source"))
            found.video.push_back(Device_of(device, Gives_dv(device.get()) ? Source_kind::dv_camera : Source_kind::rgb_camera));
        else if (gst_device_has_classes(device.get(), "Audio/Source") && !Is_monitor_of_output(device.get()))
            found.audio.push_back(Device_of(device, Source_kind::audio_input));
    }
    g_list_free_full(devices, gst_object_unref);
    Sort(found.video);
    Sort(found.audio);
    return found;
}

} // namespace wk
