#pragma once
// How a camera without DV is recorded: the mode it is asked for (as a crew would choose: the
// highest frame rate up to 50, then the largest picture) and what that mode gives in PAL DV.
// At about 50 pictures a second two pictures make one frame, one for each field; at about 25
// one picture fills both fields. Other rates go to the nearer of the two, dropping pictures.
#include <gst/gst.h>

#include <optional>
#include <string>

namespace wk {

enum class Field_mode {
    two_pictures, // 50 a second: the first picture in the first field, the next in the second
    one_picture,  // 25 a second: one picture in both fields
};

struct Camera_mode {
    std::string media;       // "video/x-raw" or "image/jpeg"
    std::string format;      // of raw pictures ("YUY2", ...); empty for JPEG or where not told
    int width = 0, height = 0;
    int rate_n = 0, rate_d = 1; // 0/1: the camera does not say
    int par_n = 1, par_d = 1;   // the camera's pixel aspect ratio
    std::string caps;        // the whole mode as a caps text, for the camera's caps filter
};

// The mode to ask a camera for among the caps it offers; none when it offers nothing that can be
// decoded here (raw pictures in a format the scaler knows, or JPEG).
std::optional<Camera_mode> Choose_camera_mode(const GstCaps* offered);

// What a camera offers, in words for the crew where nothing of it can be recorded:
// "video/x-raw (v210), video/x-h264".
std::string Offered_forms(const GstCaps* offered);

double Frame_rate(const Camera_mode& mode);
// The nearer of 50 and 25 a second; a camera that does not say its rate is taken at 25.
Field_mode Field_mode_of(const Camera_mode& mode);
// A picture nearer 16:9 than 4:3 is recorded as 16:9.
bool Is_wide(const Camera_mode& mode);
// What the trace and the server's CameraMode property say about the recording.
std::string Camera_mode_text(const Camera_mode& mode);

} // namespace wk
