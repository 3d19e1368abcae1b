#include "capture_server/VideoCap4.h"

#include "capture_server/Capture_error.h"
#include "capture_server/Server_module.h"
#include "comlite/Query_interface.h"

namespace wk {

using namespace com;

HRESULT VideoCap4::Create(std::shared_ptr<const Device_catalog> devices, std::unique_ptr<Graph_builder> graphs,
                          Com_ptr<VideoCap4>& out)
{
    out.Reset();
    auto dispatcher = Thread_dispatcher();
    if (!dispatcher) return CO_E_NOTINITIALIZED;
    out = Com_ptr<VideoCap4>::Attach(new VideoCap4(std::move(dispatcher), std::move(devices), std::move(graphs)));
    return S_OK;
}

VideoCap4::VideoCap4(std::shared_ptr<Dispatcher> dispatcher, std::shared_ptr<const Device_catalog> devices,
                     std::unique_ptr<Graph_builder> graphs)
    : dispatcher_(dispatcher), devices_(std::move(devices)), graphs_(std::move(graphs))
{
    Module_lock();
}

VideoCap4::~VideoCap4()
{
    Tear_down_quietly();
    sinks_.Clear();
    Module_unlock();
}

HRESULT VideoCap4::QueryInterface(const IID& riid, void** ppv) { return Query_interface<IVideoCap>(this, riid, ppv); }

uint32_t VideoCap4::AddRef() { return ++references_; }

uint32_t VideoCap4::Release()
{
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT VideoCap4::Advise(IVideoCapEvent* pVideoCapEvent, uint32_t* pdwCookie)
{
    if (!pVideoCapEvent || !pdwCookie) return E_POINTER;
    try {
        *pdwCookie = sinks_.Add(pVideoCapEvent);
        Update_preview_wanted();
        return S_OK;
    } catch (...) {
        *pdwCookie = 0;
        return E_OUTOFMEMORY;
    }
}

HRESULT VideoCap4::Unadvise(uint32_t dwCookie)
{
    if (!sinks_.Remove(dwCookie)) return CONNECT_E_NOCONNECTION;
    Update_preview_wanted();
    return S_OK;
}

// A sink that does not say is an older client, which is given the pictures as it always was.
void VideoCap4::Update_preview_wanted()
{
    bool wanted = false;
    try {
        for (const auto& entry : sinks_.Snapshot()) {
            void* asked = nullptr;
            if (Failed(entry.sink->QueryInterface(IVideoCapFrameEvent::iid, &asked)) || !asked) {
                wanted = true;
                continue;
            }
            const auto frames = Com_ptr<IVideoCapFrameEvent>::Attach(static_cast<IVideoCapFrameEvent*>(asked));
            int32_t wants = 1;
            if (Failed(frames->WantsPreview(&wants)) || wants) wanted = true;
        }
    } catch (...) {
        wanted = true;
    }
    preview_wanted_ = wanted;
}

HRESULT VideoCap4::Run()
{
    if (running_) return S_FALSE;
    last_error_.clear();
    camera_mode_.clear();
    for (auto& q : queues_) q.Reset_dropped();
    pictures_left_out_ = 0;
    // Recording frames wait as long as the pictures they are made of may.
    queues_[size_t(Sample_kind::dv)].Resize(size_t(std::max(buffer_pictures_ / 2, int32_t(Sample_queue::k_default_slots))));
    Update_preview_wanted();
    try {
        graph_ = graphs_->Build(source_, {rgb_, audio_sample_duration_, buffer_pictures_}, *this);
        // Running before the graph starts, so that its first samples are taken.
        ++run_number_;
        running_ = true;
        graph_->Run();
        return S_OK;
    } catch (const Capture_error& e) {
        Tear_down_quietly();
        last_error_ = e.what();
        return e.result();
    } catch (...) {
        Tear_down_quietly();
        last_error_ = "BrixCap::Run, unhandled exception!";
        return E_FAIL;
    }
}

HRESULT VideoCap4::Pause() { return S_OK; }

HRESULT VideoCap4::Stop()
{
    try {
        Tear_down();
    } catch (const Capture_error& e) {
        last_error_ = e.what();
    } catch (...) {
        last_error_ = "BrixCap::Stop, unhandled exception!";
    }
    return S_OK;
}

// Not running and no graph: the samples of the run that was are never delivered, as the next
// Run starts a new run number.
void VideoCap4::Tear_down()
{
    running_ = false;
    media_type_.reset();
    camera_mode_.clear();
    auto graph = std::move(graph_);
    if (graph) graph->Stop();
    graph.reset();
    // Recording frames that never reached a sink: their pictures are in none.
    pictures_left_out_ += queues_[size_t(Sample_kind::dv)].Discard_waiting();
    for (auto& q : queues_) q.Discard_waiting();
}

// Where the first failure is the one to report.
void VideoCap4::Tear_down_quietly() noexcept
{
    try {
        Tear_down();
    } catch (...) {
    }
}

HRESULT VideoCap4::GetLastError(BSTR* pbstrLastError)
{
    if (!pbstrLastError) return E_POINTER;
    *pbstrLastError = Sys_alloc_string(last_error_);
    return *pbstrLastError ? S_OK : E_OUTOFMEMORY;
}

void VideoCap4::Record_error(const std::string& text)
{
    if (last_error_.empty()) last_error_ = text;
}

} // namespace wk
