#include "capture_server/Gst_device_catalog.h"

#include "capture_server/Fake_devices.h"
#include "capture_server/Firewire_cameras.h"
#include "capture_server/Gst_support.h"
#include "capture_server/Monitor_devices.h"

namespace wk {

namespace {

std::string Firewire_name(const Firewire_camera& c)
{
    if (c.model.empty()) return "FireWire DV camera";
    return c.vendor.empty() ? c.model : c.vendor + " " + c.model;
}

Capture_device Firewire_device(const Firewire_camera& camera)
{
    Device_info info{Firewire_id_text(camera.guid), Firewire_name(camera), camera.vendor, camera.sysfs_path,
                     Source_kind::dv_camera};
    const uint64_t guid = camera.guid;
    return {info, [guid]() -> GstElement* {
                GstElement* source = Start_gstreamer() ? Make_element("dv1394src") : nullptr;
                if (source) g_object_set(source, "guid", guint64(guid), nullptr);
                return source;
            }};
}

} // namespace

std::vector<Device_info> Gst_device_catalog::Devices(Device_category category) const
{
    std::vector<Device_info> infos;
    for (const auto& d : List(category)) infos.push_back(d.info);
    return infos;
}

GstElement* Gst_device_catalog::Make_source(Device_category category, int32_t n) const
{
    const auto& devices = List(category);
    if (n < 1 || size_t(n) > devices.size()) return nullptr;
    return devices[size_t(n - 1)].make_source();
}

const std::vector<Capture_device>& Gst_device_catalog::List(Device_category category) const
{
    static const std::vector<Capture_device> none;
    std::call_once(found_, [this] { Find(); });
    return category == Device_category::video ? video_ : category == Device_category::audio ? audio_ : none;
}

void Gst_device_catalog::Find() const
{
    if (const auto fake = Fake_devices_from_environment()) {
        video_ = Fake_video_devices(*fake);
        audio_ = Fake_audio_devices(*fake);
        return;
    }
    for (const auto& camera : Find_firewire_cameras(k_Firewire_devices)) video_.push_back(Firewire_device(camera));
    auto monitor = Find_monitor_devices();
    for (auto& d : monitor.video) video_.push_back(std::move(d));
    audio_ = std::move(monitor.audio);
}

} // namespace wk
