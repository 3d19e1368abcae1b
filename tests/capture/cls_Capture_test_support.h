#pragma once
// A capture server that does nothing by itself, for driving a camera by hand, and the frames
// fed to it.
#include "capture/cls_Capture.h"
#include "capture_server/IVideoCap.h"
#include "comlite/Query_interface.h"

#include <map>
#include <vector>

namespace wk::test {

class Quiet_server final : public IVideoCap {
public:
    com::HRESULT QueryInterface(const com::IID& riid, void** ppv) override { return com::Query_interface<IVideoCap>(this, riid, ppv); }
    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override { return --references; }
    com::HRESULT Advise(IVideoCapEvent* sink, uint32_t* cookie) override;
    com::HRESULT Unadvise(uint32_t cookie) override;
    com::HRESULT SetSource(com::BSTR source, int32_t* found) override;
    com::HRESULT SetProperty(com::BSTR, com::BSTR) override { return com::S_OK; }
    com::HRESULT GetProperty(com::BSTR name, com::BSTR* value) override;
    com::HRESULT Run() override { ++runs; return run_result; }
    com::HRESULT Pause() override { return com::S_OK; }
    com::HRESULT Stop() override { ++stops; return com::S_OK; }
    com::HRESULT GetLastError(com::BSTR* text) override;

    // Hands a sample to every advised sink, as the server's delivery does.
    void Deliver(const std::vector<uint8_t>& sample);
    // Hands a DV frame with its fields' times to every sink that takes them, the others as above.
    void Deliver_timed(const std::vector<uint8_t>& sample, const DV_frame_times& times);
    // Hands n pictures as a camera without DV gives them (RGB, 640 x 480) to every sink.
    void Deliver_rgb(int n);

    uint32_t references = 0;
    int runs = 0, stops = 0;
    bool source_found = true;
    com::HRESULT run_result = com::S_OK;
    std::string last_error;
    std::string last_source;
    std::map<std::string, std::string> properties; // by lower-case name
    std::vector<std::pair<uint32_t, com::Com_ptr<IVideoCapEvent>>> sinks;

private:
    uint32_t last_cookie_ = 0;
};

// A PAL DV frame's worth of bytes that starts like one, with number n written at byte 50000.
std::vector<uint8_t> Numbered_frame(int32_t n, size_t size = k_DV_frame_size);
// The number Numbered_frame wrote.
int32_t Frame_number(const uint8_t* frame);

} // namespace wk::test
