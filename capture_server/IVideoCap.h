#pragma once
// The capture server's class and its two interfaces, shared by the server and the program that
// creates it. The program never links the server: it creates VideoCap4 by its CLSID or ProgID
// through comlite, calls IVideoCap and implements IVideoCapEvent.
// The methods keep their slots in this order after the three of IUnknown.
#include "comlite/Bstr.h"
#include "comlite/IUnknown.h"

namespace wk {

inline constexpr com::CLSID CLSID_VideoCap4 = com::Guid_literal("{A2E03420-98BB-43B2-96EE-28D0CE80CE3A}");
inline constexpr char VideoCap4_progid[] = "BrixCap.VideoCap4.1";

class IVideoCap;

// The client's sink. Every call comes on the thread that created the server object. The buffer
// belongs to the server and is valid only during the call; the result is ignored.
class IVideoCapEvent : public com::IUnknown {
public:
    static constexpr com::IID iid = com::Guid_literal("{71F9A92B-8C7E-41D3-827B-FEBE0B6076D6}");
    virtual com::HRESULT OnDVEvent(IVideoCap* pSource, double dSampleTime, const uint8_t* pBuffer,
                                   uint32_t lBufferSize, int32_t lDeviceNumber) = 0;
    virtual com::HRESULT OnRGBEvent(IVideoCap* pSource, double dSampleTime, const uint8_t* pBuffer,
                                    uint32_t lBufferSize, int32_t lDeviceNumber) = 0;
    virtual com::HRESULT OnAudioEvent(IVideoCap* pSource, double dSampleTime, const uint8_t* pBuffer,
                                      uint32_t lBufferSize, int32_t lDeviceNumber) = 0;

protected:
    ~IVideoCapEvent() = default;
};

// A sink may offer this besides IVideoCapEvent to hear that the running source stopped by
// itself (a camera unplugged, a source failing, the end of a file). It comes on the creating
// thread after every sample taken before the stop; the reason is also the server's last error,
// and the client ends the run with Stop as usual. Sinks without it are not told.
class IVideoCapStateEvent : public com::IUnknown {
public:
    static constexpr com::IID iid = com::Guid_literal("{5C0B2F7E-3D41-4E9A-9B1C-7A2E6D8F4C19}");
    virtual com::HRESULT OnSourceStopped(IVideoCap* pSource, com::BSTR strReason) = 0;

protected:
    ~IVideoCapStateEvent() = default;
};

// When the two fields of a DV frame were taken, in the program's millisecond ticks.
struct DV_frame_times {
    int32_t first_field_tick = 0;
    int32_t second_field_tick = 0;
    // 1: each tick is the capture time of the picture in that field (a camera without DV, whose
    // pictures the server encodes); 0: the frame's arrival at the server, the second field taken
    // as one field (20 ms) later.
    int32_t camera_stamped = 0;
};

// A sink may offer this besides IVideoCapEvent. The server then gives it each DV frame through
// OnDVFrame, with its fields' times, instead of OnDVEvent; the times are those of the very
// pictures in the buffer. WantsPreview says whether the sink shows the RGB pictures of a camera
// without DV: while no sink does, the server does not make them.
class IVideoCapFrameEvent : public com::IUnknown {
public:
    static constexpr com::IID iid = com::Guid_literal("{3B8E61D4-0F27-4C5A-A1E9-52D7C04B9E36}");
    virtual com::HRESULT OnDVFrame(IVideoCap* pSource, double dSampleTime, const uint8_t* pBuffer,
                                   uint32_t lBufferSize, int32_t lDeviceNumber, const DV_frame_times* pTimes) = 0;
    virtual com::HRESULT WantsPreview(int32_t* pbWants) = 0;

protected:
    ~IVideoCapFrameEvent() = default;
};

class IVideoCap : public com::IUnknown {
public:
    static constexpr com::IID iid = com::Guid_literal("{739417F0-4668-4C75-A967-C7FA18188F50}");
    // The cookie is never 0, so 0 can stand for "not advised".
    virtual com::HRESULT Advise(IVideoCapEvent* pVideoCapEvent, uint32_t* pdwCookie) = 0;
    // CONNECT_E_NOCONNECTION when no sink has that cookie.
    virtual com::HRESULT Unadvise(uint32_t dwCookie) = 0;
    // "video:<n>", "video:<device id>", "audio:...", "file:<path>"; *pbResult 1 when found.
    virtual com::HRESULT SetSource(com::BSTR strSource, int32_t* pbResult) = 0;
    virtual com::HRESULT SetProperty(com::BSTR strProperty, com::BSTR strValue) = 0;
    // The caller frees *pstrValue.
    virtual com::HRESULT GetProperty(com::BSTR strProperty, com::BSTR* pstrValue) = 0;
    virtual com::HRESULT Run() = 0;
    virtual com::HRESULT Pause() = 0;
    // The graph is torn down before Stop returns.
    virtual com::HRESULT Stop() = 0;
    virtual com::HRESULT GetLastError(com::BSTR* pbstrLastError) = 0;

protected:
    ~IVideoCap() = default;
};

} // namespace wk
