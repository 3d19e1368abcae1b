#pragma once
// Sinks, devices and graphs for tests of the capture server object.
#include "capture_server/Capture_error.h"
#include "capture_server/VideoCap4.h"
#include "tests/comlite/Com_test_home.h"
#include "tests/fixtures/DV_fixtures.h"

#include <dlfcn.h>

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

namespace wk::test {

// A client's sink that keeps every call, and every notice that the source stopped. The test owns
// it; the server's references are counted.
class Recording_sink final : public IVideoCapEvent, public IVideoCapStateEvent {
public:
    struct Call {
        char kind; // 'D', 'R', 'A'
        IVideoCap* source;
        double time;
        std::vector<uint8_t> bytes;
        int32_t device;
        std::thread::id thread;
    };
    com::HRESULT QueryInterface(const com::IID& riid, void** ppv) override;
    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override { return --references; }
    com::HRESULT OnDVEvent(IVideoCap* s, double t, const uint8_t* b, uint32_t n, int32_t d) override { return Take('D', s, t, b, n, d); }
    com::HRESULT OnRGBEvent(IVideoCap* s, double t, const uint8_t* b, uint32_t n, int32_t d) override { return Take('R', s, t, b, n, d); }
    com::HRESULT OnAudioEvent(IVideoCap* s, double t, const uint8_t* b, uint32_t n, int32_t d) override { return Take('A', s, t, b, n, d); }

    com::HRESULT OnSourceStopped(IVideoCap* s, com::BSTR reason) override;

    std::vector<Call> calls;
    // The reasons of the stop notices, and how many calls had come before each.
    std::vector<std::pair<std::string, size_t>> stops;
    bool hears_stops = true; // offers IVideoCapStateEvent
    uint32_t references = 0;
    std::function<void()> during_call; // what the sink does inside each call
    // The server's buffer of the call in progress, for checking that it holds still.
    const uint8_t* buffer = nullptr;
    size_t count(char kind) const;

private:
    com::HRESULT Take(char kind, IVideoCap* s, double t, const uint8_t* b, uint32_t n, int32_t d);
};

class Listed_devices final : public Device_catalog {
public:
    std::vector<Device_info> Devices(Device_category c) const override
    {
        return c == Device_category::video ? video : c == Device_category::audio ? audio : std::vector<Device_info>{};
    }
    std::vector<Device_info> video, audio;
};

// What the fake graphs went through, kept by the test beyond the graphs' life.
struct Graph_log {
    int built = 0, ran = 0, stopped = 0, destroyed = 0;
    double stream_time = 0;
    Graph_host* host = nullptr;
    Source_selection last_source;
    Graph_settings last_settings;
    std::optional<Capture_error> build_fails, run_fails;
};

class Fake_graph final : public Capture_graph {
public:
    explicit Fake_graph(Graph_log& log) : log_(log) {}
    ~Fake_graph() override { ++log_.destroyed; }
    void Run() override;
    void Stop() override { ++log_.stopped; }
    double Stream_time() const override { return log_.stream_time; }

private:
    Graph_log& log_;
};

class Fake_graph_builder final : public Graph_builder {
public:
    explicit Fake_graph_builder(Graph_log& log) : log_(log) {}
    std::unique_ptr<Capture_graph> Build(const Source_selection& source, const Graph_settings& settings,
                                         Graph_host& host) override;

private:
    Graph_log& log_;
};

// Sets (or with no value unsets) an environment variable for its life and puts the old value back.
class Environment_scope {
public:
    Environment_scope(const char* name, const std::optional<std::string>& value);
    ~Environment_scope();
    Environment_scope(const Environment_scope&) = delete;
    Environment_scope& operator=(const Environment_scope&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// An object made on the test's thread with the test's devices and fake graphs.
com::Com_ptr<VideoCap4> Make_object(Graph_log& log, std::shared_ptr<const Device_catalog> devices = nullptr);

// The calls a client makes, with the BSTRs handled.
std::string Property(IVideoCap& object, const std::string& name);
void Set_property(IVideoCap& object, const std::string& name, const std::string& value);
// The result SetSource gives, after checking that it returned S_OK.
int32_t Select(IVideoCap& object, const std::string& source);
std::string Last_error(IVideoCap& object);

// Runs what is posted to the test thread's loop until done() or the limit (which only catches a
// hang); false at the limit.
bool Pump_until(Com_test_home& com, const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(60));

// A test frame as the RGB grabber gives it: 24-bit bottom-up BGR.
inline constexpr size_t k_Rgb_bytes = size_t(k_DV_width) * k_DV_height * 3;
// The field code a bottom-up BGR picture of a test frame shows in its field 1.
int64_t Field_code_of_picture(const std::vector<uint8_t>& bgr);

// The built libBrixCap4.so as the program meets it: loaded, its entry points at hand, objects
// created through comlite once it is registered in the test's own store.
class Server_library_test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    template <class F>
    F* Entry(const char* name)
    {
        return reinterpret_cast<F*>(dlsym(library, name));
    }
    com::HRESULT Register();
    com::HRESULT Can_unload();
    com::Com_ptr<IVideoCap> Create(std::string_view class_name);

    Com_test_home com;
    void* library = nullptr;
};

} // namespace wk::test
