#pragma once
// What the capture server calls for a camera. The server keeps a reference to the sink only, so
// advising does not keep the camera alive; the camera detaches the sink before it goes, and a
// frame that comes after that finds nobody and is ignored.
#include "capture_server/IVideoCap.h"

#include <atomic>

namespace wk {

class cls_Capture;

class cls_Capture_sink final : public IVideoCapEvent, public IVideoCapStateEvent, public IVideoCapFrameEvent {
public:
    explicit cls_Capture_sink(cls_Capture* camera) : camera_(camera) {}
    void Detach() { camera_ = nullptr; }

    com::HRESULT QueryInterface(const com::IID& riid, void** ppv) override;
    uint32_t AddRef() override { return ++references_; }
    uint32_t Release() override;
    com::HRESULT OnDVEvent(IVideoCap* pSource, double dSampleTime, const uint8_t* pBuffer, uint32_t lBufferSize,
                           int32_t lDeviceNumber) override;
    com::HRESULT OnRGBEvent(IVideoCap* pSource, double dSampleTime, const uint8_t* pBuffer, uint32_t lBufferSize,
                            int32_t lDeviceNumber) override;
    com::HRESULT OnAudioEvent(IVideoCap*, double, const uint8_t*, uint32_t, int32_t) override { return com::S_OK; }
    com::HRESULT OnSourceStopped(IVideoCap* pSource, com::BSTR strReason) override;
    com::HRESULT OnDVFrame(IVideoCap* pSource, double dSampleTime, const uint8_t* pBuffer, uint32_t lBufferSize,
                           int32_t lDeviceNumber, const DV_frame_times* pTimes) override;
    // The station draws its preview from the DV frames it stores.
    com::HRESULT WantsPreview(int32_t* pbWants) override;

private:
    ~cls_Capture_sink() = default;
    cls_Capture* camera_;
    std::atomic<uint32_t> references_{1};
};

} // namespace wk
