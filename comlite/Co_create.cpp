#include "comlite/Co_create.h"

#include "comlite/Server_entry_points.h"
#include "platform/Registry_store.h"

#include <dlfcn.h>
#include <mutex>
#include <vector>

namespace wk::com {
namespace {

using platform::HKEY_CLASSES_ROOT;
using platform::REG_OK;
using platform::Registry_store;

struct Loaded_library {
    std::string path;
    void* handle;
};

std::mutex g_mutex;
std::vector<Loaded_library> g_libraries; // under g_mutex

std::optional<std::string> Default_value(const std::string& key)
{
    platform::Reg_value v;
    if (Registry_store().Get_value(HKEY_CLASSES_ROOT, key, "", v) != REG_OK) return std::nullopt;
    return Registry_store::Value_text(v);
}

template <class F>
F* Entry_point(void* handle, const char* name)
{
    return reinterpret_cast<F*>(dlsym(handle, name));
}

// The server's handle, loading it on first use; null (and hr set) when it is no server.
void* Load_server(const std::string& path, HRESULT& hr)
{
    std::lock_guard lock(g_mutex);
    for (const auto& l : g_libraries)
        if (l.path == path) return l.handle;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        hr = CO_E_DLLNOTFOUND;
        return nullptr;
    }
    if (!Entry_point<Dll_get_class_object_fn>(handle, "DllGetClassObject")) {
        dlclose(handle);
        hr = CO_E_ERRORINDLL;
        return nullptr;
    }
    g_libraries.push_back({path, handle});
    return handle;
}

} // namespace

HRESULT Clsid_from_progid(std::string_view progid, CLSID& out)
{
    if (progid.empty()) return CO_E_CLASSSTRING;
    const auto text = Default_value(std::string(progid) + "\\CLSID");
    const auto clsid = text ? Parse_guid(*text) : std::nullopt;
    if (!clsid) return CO_E_CLASSSTRING;
    out = *clsid;
    return S_OK;
}

HRESULT Clsid_from_string(std::string_view class_name, CLSID& out)
{
    if (class_name.empty() || class_name[0] != '{') return Clsid_from_progid(class_name, out);
    const auto clsid = Parse_guid(class_name);
    if (!clsid) return CO_E_CLASSSTRING;
    out = *clsid;
    return S_OK;
}

HRESULT Co_get_class_object(const CLSID& clsid, const IID& riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const auto path = Default_value("CLSID\\" + Format_guid(clsid) + "\\InprocServer32");
    if (!path || path->empty()) return REGDB_E_CLASSNOTREG;
    HRESULT hr = S_OK;
    void* handle = Load_server(*path, hr);
    if (!handle) return hr;
    return Entry_point<Dll_get_class_object_fn>(handle, "DllGetClassObject")(clsid, riid, ppv);
}

HRESULT Co_create_instance(const CLSID& clsid, IUnknown* outer, const IID& riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    void* v = nullptr;
    if (const HRESULT hr = Co_get_class_object(clsid, IClassFactory::iid, &v); Failed(hr)) return hr;
    auto factory = Com_ptr<IClassFactory>::Attach(static_cast<IClassFactory*>(v));
    return factory->CreateInstance(outer, riid, ppv);
}

HRESULT Co_create_instance(std::string_view class_name, const IID& riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    CLSID clsid;
    if (const HRESULT hr = Clsid_from_string(class_name, clsid); Failed(hr)) return hr;
    return Co_create_instance(clsid, nullptr, riid, ppv);
}

size_t Co_free_unused_libraries()
{
    std::lock_guard lock(g_mutex);
    size_t unloaded = 0;
    for (auto it = g_libraries.begin(); it != g_libraries.end();) {
        auto* can_unload = Entry_point<Dll_can_unload_now_fn>(it->handle, "DllCanUnloadNow");
        if (can_unload && can_unload() == S_OK) {
            dlclose(it->handle);
            it = g_libraries.erase(it);
            ++unloaded;
        } else {
            ++it;
        }
    }
    return unloaded;
}

} // namespace wk::com
