#include "tests/capture_server/Capture_test_support.h"

#include "comlite/Co_create.h"
#include "comlite/Query_interface.h"
#include "comlite/Server_entry_points.h"

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

bool Pump_until(Com_test_home& com, const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        com.loop->Wait_and_run(std::chrono::milliseconds(20));
    }
    return true;
}

int64_t Field_code_of_picture(const std::vector<uint8_t>& bgr)
{
    int y = k_Code_top + k_Code_rows / 2;
    if (!Row_in_field(y, 1)) ++y;
    const size_t row = size_t(k_DV_height - 1 - y); // the bottom row comes first
    const size_t stride = size_t(k_DV_width) * 3;
    return Field_code_from_row([&](int x) { return int(bgr.at(row * stride + size_t(x) * 3 + 1)); });
}

void Server_library_test::SetUp()
{
    library = dlopen(BRIXCAP4_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
}

void Server_library_test::TearDown()
{
    Co_free_unused_libraries();
    if (library) dlclose(library);
}

HRESULT Server_library_test::Register() { return Entry<Dll_register_server_fn>("DllRegisterServer")(); }

HRESULT Server_library_test::Can_unload() { return Entry<Dll_can_unload_now_fn>("DllCanUnloadNow")(); }

Com_ptr<IVideoCap> Server_library_test::Create(std::string_view class_name)
{
    Com_ptr<IVideoCap> object;
    EXPECT_EQ(Co_create_instance(class_name, object), S_OK) << class_name;
    return object;
}

} // namespace wk::test
