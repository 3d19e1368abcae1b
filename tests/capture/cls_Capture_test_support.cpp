#include "tests/capture/cls_Capture_test_support.h"

#include "services/Module_utilities.h"

#include <algorithm>
#include <cstring>

namespace wk::test {

using namespace com;

HRESULT Quiet_server::Advise(IVideoCapEvent* sink, uint32_t* cookie)
{
    *cookie = ++last_cookie_;
    sinks.emplace_back(*cookie, Com_ptr<IVideoCapEvent>(sink));
    return S_OK;
}

HRESULT Quiet_server::Unadvise(uint32_t cookie)
{
    const auto it = std::find_if(sinks.begin(), sinks.end(), [&](const auto& s) { return s.first == cookie; });
    if (it == sinks.end()) return CONNECT_E_NOCONNECTION;
    sinks.erase(it);
    return S_OK;
}

HRESULT Quiet_server::SetSource(BSTR source, int32_t* found)
{
    last_source = std::string(Bstr_view(source));
    *found = source_found ? 1 : 0;
    return S_OK;
}

HRESULT Quiet_server::GetProperty(BSTR name, BSTR* value)
{
    const auto it = properties.find(Lower_ascii(std::string(Bstr_view(name))));
    *value = Sys_alloc_string(it == properties.end() ? "" : it->second);
    return S_OK;
}

HRESULT Quiet_server::GetLastError(BSTR* text)
{
    *text = Sys_alloc_string(last_error);
    return S_OK;
}

void Quiet_server::Deliver(const std::vector<uint8_t>& sample)
{
    for (auto [cookie, sink] : sinks) sink->OnDVEvent(this, 0, sample.data(), uint32_t(sample.size()), 1);
}

void Quiet_server::Deliver_timed(const std::vector<uint8_t>& sample, const DV_frame_times& times)
{
    for (auto [cookie, sink] : sinks) {
        void* frames = nullptr;
        if (Failed(sink->QueryInterface(IVideoCapFrameEvent::iid, &frames)) || !frames) {
            sink->OnDVEvent(this, 0, sample.data(), uint32_t(sample.size()), 1);
            continue;
        }
        auto taker = Com_ptr<IVideoCapFrameEvent>::Attach(static_cast<IVideoCapFrameEvent*>(frames));
        taker->OnDVFrame(this, 0, sample.data(), uint32_t(sample.size()), 1, &times);
    }
}

void Quiet_server::Deliver_rgb(int n)
{
    const std::vector<uint8_t> picture(size_t(640) * 480 * 3, 0x80);
    for (int k = 0; k < n; ++k)
        for (auto [cookie, sink] : sinks) sink->OnRGBEvent(this, 0, picture.data(), uint32_t(picture.size()), 1);
}

std::vector<uint8_t> Numbered_frame(int32_t n, size_t size)
{
    std::vector<uint8_t> frame(size, uint8_t(n & 0x7F));
    frame[0] = 0x1F;
    frame[1] = 0x07;
    std::memcpy(frame.data() + 50000, &n, sizeof n);
    return frame;
}

int32_t Frame_number(const uint8_t* frame)
{
    int32_t n = 0;
    std::memcpy(&n, frame + 50000, sizeof n);
    return n;
}

} // namespace wk::test
