#pragma once
// Devices for machines without cameras (tests, demonstrations): with BRIXCAP_FAKE_DEVICES set,
// for example to "video:2,audio:1", the server lists these instead of the machine's devices.
// A fake camera films a moving test picture and encodes it to PAL DV (720 x 576, 25 frames a
// second, 144000 bytes a frame); a fake webcam ("webcam:N") gives the picture without DV, 640 x
// 480 at 50 pictures a second, each with its number drawn in (Picture_number.h);
// "webcam:N:25" or "webcam:N:30" gives another rate, "webcam:N:wide" 1280 x 720 pictures,
// "webcam:N:jpeg" its pictures as JPEG (as a USB camera's MJPEG modes give them),
// "webcam:N:pictures=K" only K pictures before its stream ends. A
// fake sound input plays a tone. "video:N:fail=F" makes every fake camera fail after F frames,
// as an unplugged camera would.
#include "capture_server/Capture_device.h"

#include <optional>
#include <string_view>
#include <vector>

namespace wk {

inline constexpr char k_Fake_devices_variable[] = "BRIXCAP_FAKE_DEVICES";

struct Fake_device_counts {
    int video = 0;  // DV cameras
    int webcam = 0; // cameras without DV, listed after the DV ones
    int audio = 0;
    int fail_after = 0; // frames a fake camera gives before it fails; 0: never
    int webcam_rate = 50; // pictures a second of the fake webcams, 1 .. 100
    bool webcam_wide = false; // 16:9 pictures
    bool webcam_jpeg = false; // pictures as JPEG
    int webcam_pictures = 0;  // pictures before the stream ends; 0: no end
    bool operator==(const Fake_device_counts&) const = default;
};

// "video:N,webcam:N,audio:N" in any order, any of them left out; parts that read as none of
// these are ignored, and counts are held to 0 .. 99.
Fake_device_counts Parse_fake_devices(std::string_view text);
// The counts the environment asks for; none when the variable is not set.
std::optional<Fake_device_counts> Fake_devices_from_environment();

std::vector<Capture_device> Fake_video_devices(const Fake_device_counts& counts);
std::vector<Capture_device> Fake_audio_devices(const Fake_device_counts& counts);

} // namespace wk
