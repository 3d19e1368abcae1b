#pragma once
// The capture server's one creatable class. A client advises its sinks, names a source, runs it
// and receives every sample on the thread that created the object. Every method catches at its
// boundary and answers with an HRESULT; what went wrong is kept as the last error text.
#include "capture_server/Capture_graph.h"
#include "capture_server/Device_catalog.h"
#include "capture_server/IVideoCap.h"
#include "capture_server/Sample_queue.h"
#include "capture_server/Sink_list.h"
#include "comlite/Com_ptr.h"
#include "comlite/Dispatcher.h"

#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <optional>

namespace wk {

class VideoCap4 final : public IVideoCap, public Graph_host {
public:
    // Made on the calling thread, whose dispatcher carries the samples to the sinks;
    // CO_E_NOTINITIALIZED when that thread has none.
    static com::HRESULT Create(std::shared_ptr<const Device_catalog> devices, std::unique_ptr<Graph_builder> graphs,
                               com::Com_ptr<VideoCap4>& out);

    com::HRESULT QueryInterface(const com::IID& riid, void** ppv) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    com::HRESULT Advise(IVideoCapEvent* pVideoCapEvent, uint32_t* pdwCookie) override;
    com::HRESULT Unadvise(uint32_t dwCookie) override;
    com::HRESULT SetSource(com::BSTR strSource, int32_t* pbResult) override;
    com::HRESULT SetProperty(com::BSTR strProperty, com::BSTR strValue) override;
    com::HRESULT GetProperty(com::BSTR strProperty, com::BSTR* pstrValue) override;
    com::HRESULT Run() override;
    com::HRESULT Pause() override;
    com::HRESULT Stop() override;
    com::HRESULT GetLastError(com::BSTR* pbstrLastError) override;

    void Post_sample(Sample_kind kind, double sample_time, std::span<const uint8_t> bytes,
                     std::optional<int32_t> taken_tick = std::nullopt) override;
    void Post_frame(double sample_time, std::span<const uint8_t> bytes, const Encoded_times& times) override;
    void Count_lost(Sample_kind kind) override;
    void Count_left_out(int32_t pictures) override;
    bool Preview_wanted() const override { return preview_wanted_; }
    void Graph_stopped(const std::string& reason) override;
    void Record_error(const std::string& text) override;
    void Set_connected_media_type(const Media_type& type) override;
    void Set_rgb() override { rgb_ = true; }
    void Set_camera_mode(const std::string& text) override { camera_mode_ = text; }

    // Samples of this Run lost because the creating thread fell too far behind.
    uint64_t Dropped_samples() const;
    // A camera's pictures of this Run that are in no frame delivered: left out while encoding
    // fell behind, or in recording frames lost on their way to the sinks.
    uint64_t Pictures_left_out() const { return pictures_left_out_; }
    // By 10 s of 50 pictures a second: what a camera may fall behind before pictures are left out.
    static constexpr int32_t k_Default_buffer_pictures = 500;
    // Samples waiting for the creating thread now.
    size_t Queued_samples() const;
    // Called on the thread that made the change whenever a sample is queued or lost or pictures
    // are left out, so that a test can wait for the counters instead of polling them. Empty by
    // default; set it before the first Run, and let it live as long as the object.
    void Watch_counters(std::function<void()> changed) { counters_changed_ = std::move(changed); }

private:
    VideoCap4(std::shared_ptr<com::Dispatcher> dispatcher, std::shared_ptr<const Device_catalog> devices,
              std::unique_ptr<Graph_builder> graphs);
    ~VideoCap4();

    bool Select_source(std::string_view text);
    std::optional<std::string> Property_text(const std::string& lower_name) const;
    void Tear_down();
    void Tear_down_quietly() noexcept;
    // A reference for a streaming thread; null once the object is on its way out.
    com::Com_ptr<VideoCap4> Try_reference();
    void Wake();
    void Drain();
    // On the creating thread: what the run took is delivered and the sinks are told why it
    // stopped, unless the client has stopped it first.
    void Source_stopped(uint64_t run, const std::string& reason);
    // The stops that came while a sink's call pumped the loop, told once that delivery is over.
    void Tell_deferred_stops();
    void Tell_stopped(const std::string& reason);
    bool Deliver_oldest();
    void Deliver(Sample_kind kind, const Sample_queue::Slot& s);
    void Call_sink(IVideoCapEvent& sink, Sample_kind kind, const Sample_queue::Slot& s);
    // The DV frame to a sink that takes its fields' times; false when the sink does not.
    bool Call_frame_sink(IVideoCapEvent& sink, const Sample_queue::Slot& s);
    // Whether some advised sink wants the pictures of a camera's preview, taken again whenever
    // the sinks change.
    void Update_preview_wanted();
    // Counts what a full queue lost of the sample; the pictures of a recording frame too.
    void Count_put(Sample_kind kind, Sample_queue::Put_result put, int32_t pictures);
    bool Is_current(const Sample_queue::Slot& s) const { return Is_current_run(s.run); }
    bool Is_current_run(uint64_t run) const { return running_ && run == run_number_; }
    void Counters_changed() const
    {
        if (counters_changed_) counters_changed_();
    }

    std::atomic<uint32_t> references_{1};
    // Weak: posted wakes hold the object, and the object must not hold their queue.
    std::weak_ptr<com::Dispatcher> dispatcher_;
    std::shared_ptr<const Device_catalog> devices_;
    std::unique_ptr<Graph_builder> graphs_;
    std::unique_ptr<Capture_graph> graph_;
    Sink_list sinks_;
    std::string last_error_;
    std::atomic<bool> running_{false};
    std::atomic<uint64_t> run_number_{0}; // advanced by every Run
    Source_selection source_;
    bool rgb_ = false;
    std::string camera_mode_; // empty unless the graph encodes a camera's pictures to DV
    bool add_to_rot_ = false;
    int32_t audio_sample_duration_ = 40;
    std::optional<Media_type> media_type_;
    bool dispatching_ = false;
    std::deque<std::pair<uint64_t, std::string>> deferred_stops_; // run and reason
    std::optional<int32_t> delivering_tick_; // arrival tick of the sample a sink is being given
    std::array<Sample_queue, 3> queues_; // by Sample_kind: DV, RGB, audio
    std::atomic<uint64_t> next_order_{0};
    int32_t buffer_pictures_ = k_Default_buffer_pictures;
    std::atomic<uint64_t> pictures_left_out_{0};
    std::atomic<bool> preview_wanted_{true};
    std::function<void()> counters_changed_;
};

} // namespace wk
