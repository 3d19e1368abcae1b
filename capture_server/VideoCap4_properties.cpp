// The object's properties, by name without regard to case, as text both ways.
#include "capture_server/VideoCap4.h"

#include "capture_server/Build_number.h"
#include "capture_server/Server_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace wk {

using namespace com;

namespace {

std::string Flag_text(bool flag) { return flag ? "1" : "0"; }

// Addresses go out whole: a 64-bit address in 32 bits would point somewhere else.
std::string Address_text(const void* p) { return std::to_string(reinterpret_cast<uintptr_t>(p)); }

// Whatever the locale says about decimal commas.
std::string Seconds_text(double seconds)
{
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed, 6).ptr;
    return std::string(text, end);
}

} // namespace

HRESULT VideoCap4::SetProperty(BSTR strProperty, BSTR strValue)
{
    const std::string name = Lower_ascii(Bstr_view(strProperty));
    const std::string_view value = Bstr_view(strValue);
    if (name == "rgb") rgb_ = Lower_ascii(value) == "true";
    else if (name == "addtorot") add_to_rot_ = Lower_ascii(value) == "true";
    else if (name == "audiosampleduration") audio_sample_duration_ = Leading_integer(value);
    else if (name == "bufferpictures") buffer_pictures_ = std::max(Leading_integer(value), 2);
    return S_OK;
}

HRESULT VideoCap4::GetProperty(BSTR strProperty, BSTR* pstrValue)
{
    if (!pstrValue) return E_POINTER;
    std::string text;
    try {
        text = Property_text(Lower_ascii(Bstr_view(strProperty))).value_or("");
    } catch (...) {
        *pstrValue = nullptr;
        return E_OUTOFMEMORY;
    }
    *pstrValue = Sys_alloc_string(text);
    return *pstrValue ? S_OK : E_OUTOFMEMORY;
}

std::optional<std::string> VideoCap4::Property_text(const std::string& name) const
{
    const Video_info_header* video = media_type_ && media_type_->video ? &*media_type_->video : nullptr;
    if (name == "rgb") return Flag_text(rgb_);
    if (name == "addtorot") return Flag_text(add_to_rot_);
    if (name == "audiosampleduration") return std::to_string(audio_sample_duration_);
    if (name == "source") return std::to_string(source_.device_number);
    if (name == "sourceid") return source_.source_id;
    if (name == "sourcefriendlyname") return source_.friendly_name;
    if (name == "sourcedescription") return source_.description;
    if (name == "sourcedevicepath") return source_.device_path;
    if (name == "am_media_type") return Address_text(media_type_ ? &*media_type_ : nullptr);
    if (name == "videoinfoheader") return Address_text(video);
    // Before a video format is connected there is no size: 0.
    if (name == "width") return std::to_string(video ? video->width : 0);
    if (name == "height") return std::to_string(video ? video->height : 0);
    if (name == "buildnumber") return Build_number();
    // How the road from the streaming threads keeps up: samples lost in this Run, samples
    // waiting now, and the stream time now for comparing with the sample times.
    if (name == "droppedsamples") return std::to_string(Dropped_samples());
    if (name == "queuedepth") return std::to_string(Queued_samples());
    // Apart: recording frames lost on their way to the sinks, preview pictures lost, and a
    // camera's pictures in no recording frame (left out while the encoder or the sinks fell
    // behind); and how many of a camera's pictures may wait before that happens.
    if (name == "droppedframes") return std::to_string(queues_[size_t(Sample_kind::dv)].Dropped());
    if (name == "droppedpreview") return std::to_string(queues_[size_t(Sample_kind::rgb)].Dropped());
    if (name == "picturesleftout") return std::to_string(pictures_left_out_.load());
    if (name == "bufferpictures") return std::to_string(buffer_pictures_);
    // Asked by a sink during its call: the tick the sample arrived at; "" outside a call.
    if (name == "sampletick") return delivering_tick_ ? std::to_string(*delivering_tick_) : std::string();
    // How a camera without DV is recorded; "" for every other source.
    if (name == "cameramode") return camera_mode_;
    if (name == "streamtime") return Seconds_text(graph_ ? graph_->Stream_time() : 0.0);
    return std::nullopt;
}

void VideoCap4::Set_connected_media_type(const Media_type& type) { media_type_ = type; }

} // namespace wk
