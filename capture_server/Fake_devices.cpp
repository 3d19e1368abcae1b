#include "capture_server/Fake_devices.h"

#include "capture_server/Firewire_cameras.h"
#include "capture_server/Gst_support.h"
#include "capture_server/Picture_number.h"
#include "capture_server/Server_text.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace wk {

namespace {

constexpr int k_Max_fake_devices = 99;
constexpr int k_Max_fail_after = 1000000;
// Fake ids look like a FireWire camera's: a vendor word of our own and the device's number.
constexpr uint64_t k_Fake_guid_high = 0xFA4E0000ull << 32;

constexpr int k_Max_webcam_rate = 100;

struct Webcam_shape {
    int width, height, rate;
    bool jpeg;
    int pictures = 0;
};

Webcam_shape Webcam_shape_of(const Fake_device_counts& counts)
{
    const int rate = counts.webcam_rate;
    return counts.webcam_wide ? Webcam_shape{1280, 720, rate, counts.webcam_jpeg, counts.webcam_pictures}
                              : Webcam_shape{640, 480, rate, counts.webcam_jpeg, counts.webcam_pictures};
}

// Each camera's picture moves at its own speed, so that cameras and frames can be told apart.
std::string Camera_pipeline(int n, bool dv, int fail_after, const Webcam_shape& shape)
{
    // identity fails on the buffer it counts to, so the frames before it pass.
    const std::string failing = fail_after > 0 ? " ! identity error-after=" + std::to_string(fail_after + 1) : "";
    const std::string picture = "videotestsrc is-live=true pattern=smpte horizontal-speed=" + std::to_string(n + 1) +
                                (!dv && shape.pictures > 0 ? " num-buffers=" + std::to_string(shape.pictures) : "");
    // The pictures are numbered as they leave the filter named "pictures".
    if (!dv)
        return picture + " ! capsfilter name=pictures caps=\"video/x-raw,format=I420,width=" +
               std::to_string(shape.width) + ",height=" + std::to_string(shape.height) +
               ",framerate=" + std::to_string(shape.rate) + "/1,pixel-aspect-ratio=1/1\"" +
               (shape.jpeg ? " ! jpegenc ! capsfilter caps=\"image/jpeg,width=" + std::to_string(shape.width) +
                                 ",height=" + std::to_string(shape.height) + ",framerate=" +
                                 std::to_string(shape.rate) + "/1\""
                           : "") +
               failing;
    return picture +
           " ! video/x-raw,format=I420,width=720,height=576,framerate=25/1,pixel-aspect-ratio=16/15"
           " ! avenc_dvvideo" +
           failing;
}

std::string Audio_pipeline(int n)
{
    return "audiotestsrc is-live=true wave=sine volume=0.3 freq=" + std::to_string(220 * (n + 1)) +
           " ! capsfilter caps=\"audio/x-raw,format=S16LE,rate=48000,channels=2,layout=interleaved\"";
}

// numbered: the size of the pictures that get their numbers drawn in.
std::function<GstElement*()> Pipeline_maker(std::string description, std::optional<Webcam_shape> numbered = {})
{
    return [description = std::move(description), numbered]() -> GstElement* {
        if (!Start_gstreamer()) return nullptr;
        GError* error = nullptr;
        GstElement* bin = gst_parse_bin_from_description(description.c_str(), TRUE, &error);
        if (error) {
            g_error_free(error);
            if (bin) gst_object_unref(bin);
            return nullptr;
        }
        if (numbered) {
            Gst_ref<GstElement> pictures(gst_bin_get_by_name(GST_BIN(bin), "pictures"));
            Gst_ref<GstPad> pad(pictures ? gst_element_get_static_pad(pictures.get(), "src") : nullptr);
            if (pad) Number_pictures(pad.get(), numbered->width, numbered->height);
        }
        return bin;
    };
}

Capture_device Fake_camera(int n, bool dv, int fail_after, const Webcam_shape& shape)
{
    Device_info info;
    info.id_text = Firewire_id_text(k_Fake_guid_high | uint64_t(n));
    info.friendly_name = (dv ? "Fake DV camera " : "Fake webcam ") + std::to_string(n);
    info.description = dv ? "Test picture encoded to PAL DV" : "Test picture without DV";
    info.device_path = (dv ? "fake:video:" : "fake:webcam:") + std::to_string(n);
    info.kind = dv ? Source_kind::dv_camera : Source_kind::rgb_camera;
    return {info, Pipeline_maker(Camera_pipeline(n, dv, fail_after, shape),
                                 dv ? std::nullopt : std::optional<Webcam_shape>(shape))};
}

// The options after a webcam count: a rate of pictures a second, "wide", "jpeg".
void Read_webcam_options(std::string_view value, Fake_device_counts& counts)
{
    for (size_t colon = value.find(':'); colon != std::string_view::npos; colon = value.find(':', colon + 1)) {
        const std::string_view option = value.substr(colon + 1, value.find(':', colon + 1) - colon - 1);
        if (Lower_ascii(option) == "wide") counts.webcam_wide = true;
        else if (Lower_ascii(option) == "jpeg") counts.webcam_jpeg = true;
        else if (Lower_ascii(option).rfind("pictures=", 0) == 0)
            counts.webcam_pictures = std::max(Leading_integer(option.substr(9)), 0);
        else if (!option.empty() && option[0] >= '0' && option[0] <= '9')
            counts.webcam_rate = std::clamp(Leading_integer(option), 1, k_Max_webcam_rate);
    }
}

} // namespace

Fake_device_counts Parse_fake_devices(std::string_view text)
{
    Fake_device_counts counts;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const size_t colon = part.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string name = Lower_ascii(part.substr(0, colon));
        const std::string_view value = part.substr(colon + 1);
        const int n = std::clamp(Leading_integer(value), 0, k_Max_fake_devices);
        if (const size_t fail = value.find(":fail="); fail != std::string_view::npos)
            counts.fail_after = std::clamp(Leading_integer(value.substr(fail + 6)), 0, k_Max_fail_after);
        if (name == "video") counts.video = n;
        else if (name == "webcam") {
            counts.webcam = n;
            Read_webcam_options(value, counts);
        }
        else if (name == "audio") counts.audio = n;
    }
    return counts;
}

std::optional<Fake_device_counts> Fake_devices_from_environment()
{
    const char* text = std::getenv(k_Fake_devices_variable);
    if (!text) return std::nullopt;
    return Parse_fake_devices(text);
}

std::vector<Capture_device> Fake_video_devices(const Fake_device_counts& counts)
{
    std::vector<Capture_device> devices;
    const Webcam_shape shape = Webcam_shape_of(counts);
    for (int n = 1; n <= counts.video; ++n) devices.push_back(Fake_camera(n, true, counts.fail_after, shape));
    for (int n = 1; n <= counts.webcam; ++n)
        devices.push_back(Fake_camera(counts.video + n, false, counts.fail_after, shape));
    return devices;
}

std::vector<Capture_device> Fake_audio_devices(const Fake_device_counts& counts)
{
    std::vector<Capture_device> devices;
    for (int n = 1; n <= counts.audio; ++n) {
        Device_info info{"", "Fake sound input " + std::to_string(n), "Test tone", "fake:audio:" + std::to_string(n),
                         Source_kind::audio_input};
        devices.push_back({info, Pipeline_maker(Audio_pipeline(n))});
    }
    return devices;
}

} // namespace wk
