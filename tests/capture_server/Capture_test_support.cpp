#include "tests/capture_server/Capture_test_support.h"

#include "comlite/Query_interface.h"

#include <algorithm>
#include <cstdlib>

namespace wk::test {

using namespace com;

HRESULT Recording_sink::QueryInterface(const IID& riid, void** ppv)
{
    if (ppv && riid == IVideoCapStateEvent::iid && hears_stops) {
        *ppv = static_cast<IVideoCapStateEvent*>(this);
        AddRef();
        return S_OK;
    }
    return Query_interface<IVideoCapEvent>(static_cast<IVideoCapEvent*>(this), riid, ppv);
}

HRESULT Recording_sink::OnSourceStopped(IVideoCap*, BSTR reason)
{
    stops.emplace_back(std::string(Bstr_view(reason)), calls.size());
    return S_OK;
}

HRESULT Recording_sink::Take(char kind, IVideoCap* s, double t, const uint8_t* b, uint32_t n, int32_t d)
{
    calls.push_back({kind, s, t, std::vector<uint8_t>(b, b + n), d, std::this_thread::get_id()});
    buffer = b;
    if (during_call) during_call();
    buffer = nullptr;
    return S_OK;
}

size_t Recording_sink::count(char kind) const
{
    return size_t(std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.kind == kind; }));
}

Environment_scope::Environment_scope(const char* name, const std::optional<std::string>& value) : name_(name)
{
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) setenv(name, value->c_str(), 1);
    else unsetenv(name);
}

Environment_scope::~Environment_scope()
{
    if (old_) setenv(name_.c_str(), old_->c_str(), 1);
    else unsetenv(name_.c_str());
}

void Fake_graph::Run()
{
    ++log_.ran;
    if (log_.run_fails) throw *log_.run_fails;
}

std::unique_ptr<Capture_graph> Fake_graph_builder::Build(const Source_selection& source, const Graph_settings& settings,
                                                         Graph_host& host)
{
    ++log_.built;
    log_.host = &host;
    log_.last_source = source;
    log_.last_settings = settings;
    if (log_.build_fails) throw *log_.build_fails;
    return std::make_unique<Fake_graph>(log_);
}

Com_ptr<VideoCap4> Make_object(Graph_log& log, std::shared_ptr<const Device_catalog> devices)
{
    if (!devices) devices = std::make_shared<No_devices>();
    Com_ptr<VideoCap4> object;
    EXPECT_EQ(VideoCap4::Create(devices, std::make_unique<Fake_graph_builder>(log), object), S_OK);
    return object;
}

std::string Property(IVideoCap& object, const std::string& name)
{
    Bstr value;
    EXPECT_EQ(object.GetProperty(Bstr(name).Get(), value.Put()), S_OK) << name;
    return value.Str();
}

void Set_property(IVideoCap& object, const std::string& name, const std::string& value)
{
    EXPECT_EQ(object.SetProperty(Bstr(name).Get(), Bstr(value).Get()), S_OK) << name;
}

int32_t Select(IVideoCap& object, const std::string& source)
{
    int32_t found = -1;
    EXPECT_EQ(object.SetSource(Bstr(source).Get(), &found), S_OK) << source;
    return found;
}

std::string Last_error(IVideoCap& object)
{
    Bstr text;
    EXPECT_EQ(object.GetLastError(text.Put()), S_OK);
    return text.Str();
}

} // namespace wk::test
