#include "capture/Non_dependant.h"

#include "capture_server/IVideoCap.h"
#include "comlite/Co_create.h"
#include "services/Module_error.h"
#include "services/Module_trace.h"
#include "services/Run_time_error.h"

namespace wk {

namespace {

constexpr int k_Max_probed = 10;
constexpr int32_t err_Cannot_create_object = 429;

// The server's answer to "type:n": found or not; a failing call raises.
bool Has_source(IVideoCap& capture, const std::string& type, int n)
{
    int32_t found = 0;
    const com::HRESULT hr = capture.SetSource(com::Bstr(type + ":" + std::to_string(n)).Get(), &found);
    if (com::Failed(hr)) throw Run_time_error(hr, "SetSource failed: " + com::Hresult_text(hr), "VideoCap4");
    return found != 0;
}

int Count_sources(IVideoCap& capture, const std::string& type)
{
    int n = 0;
    while (n < k_Max_probed && Has_source(capture, type, n + 1)) ++n;
    return n;
}

} // namespace

int16_t Num_video_devices()
{
    Trace_Line("*Num_video_devices");
    try {
        com::Com_ptr<IVideoCap> capture;
        if (const com::HRESULT hr = com::Co_create_instance(CLSID_VideoCap4, capture); com::Failed(hr))
            throw Run_time_error(err_Cannot_create_object,
                                 "ActiveX component can't create object (" + com::Hresult_text(hr) + ")", "VideoCap4");
        const int video = Count_sources(*capture, "video");
        Count_sources(*capture, "audio"); // looked at as the capture station always has; not kept
        return int16_t(video);
    } catch (...) {
        Report_current_exception("Num_video_devices of Module Non_dependant", "BrixCap4 not properly installed!");
        return 0;
    }
}

} // namespace wk
