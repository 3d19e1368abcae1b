#include "capture/cls_Capture_sink.h"

#include "capture/cls_Capture.h"
#include "comlite/Query_interface.h"

#include <charconv>

namespace wk {

namespace {

// The tick the server took when the sample reached it; none from a server that does not say.
std::optional<int32_t> Sample_tick(IVideoCap* source)
{
    if (!source) return std::nullopt;
    com::Bstr text;
    if (com::Failed(source->GetProperty(com::Bstr("SampleTick").Get(), text.Put()))) return std::nullopt;
    const std::string value = text.Str();
    int32_t tick = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), tick);
    if (error != std::errc() || end != value.data() + value.size() || value.empty()) return std::nullopt;
    return tick;
}

} // namespace

com::HRESULT cls_Capture_sink::QueryInterface(const com::IID& riid, void** ppv)
{
    if (ppv && riid == IVideoCapStateEvent::iid) {
        *ppv = static_cast<IVideoCapStateEvent*>(this);
        AddRef();
        return com::S_OK;
    }
    if (ppv && riid == IVideoCapFrameEvent::iid) {
        *ppv = static_cast<IVideoCapFrameEvent*>(this);
        AddRef();
        return com::S_OK;
    }
    return com::Query_interface<IVideoCapEvent>(static_cast<IVideoCapEvent*>(this), riid, ppv);
}

com::HRESULT cls_Capture_sink::OnSourceStopped(IVideoCap*, com::BSTR strReason)
{
    if (!camera_) return com::S_OK;
    try {
        camera_->On_source_stopped(std::string(com::Bstr_view(strReason)));
    } catch (...) {
        // Nothing may be thrown into the server; the camera reports its own errors.
    }
    return com::S_OK;
}

uint32_t cls_Capture_sink::Release()
{
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
}

com::HRESULT cls_Capture_sink::OnDVEvent(IVideoCap* pSource, double, const uint8_t* pBuffer, uint32_t lBufferSize,
                                         int32_t)
{
    if (!camera_ || !pBuffer) return com::S_OK;
    try {
        camera_->On_DV_frame(std::span(pBuffer, lBufferSize), Sample_tick(pSource));
    } catch (...) {
        // Nothing may be thrown into the server; the camera reports its own errors.
    }
    return com::S_OK;
}

com::HRESULT cls_Capture_sink::OnDVFrame(IVideoCap*, double, const uint8_t* pBuffer, uint32_t lBufferSize, int32_t,
                                         const DV_frame_times* pTimes)
{
    if (!camera_ || !pBuffer || !pTimes) return com::S_OK;
    try {
        camera_->On_DV_frame(std::span(pBuffer, lBufferSize), pTimes->first_field_tick, pTimes);
    } catch (...) {
        // Nothing may be thrown into the server; the camera reports its own errors.
    }
    return com::S_OK;
}

com::HRESULT cls_Capture_sink::WantsPreview(int32_t* pbWants)
{
    if (!pbWants) return com::E_POINTER;
    *pbWants = 0;
    return com::S_OK;
}

// Only counted: the camera tells from it that it is given pictures it cannot store.
com::HRESULT cls_Capture_sink::OnRGBEvent(IVideoCap*, double, const uint8_t*, uint32_t, int32_t)
{
    if (camera_) camera_->On_RGB_picture();
    return com::S_OK;
}

} // namespace wk
