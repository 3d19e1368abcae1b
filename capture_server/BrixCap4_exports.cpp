// The four entry points of libBrixCap4.so, the only symbols it exports.
#include "capture_server/IVideoCap.h"
#include "capture_server/Server_module.h"
#include "capture_server/VideoCap4_factory.h"
#include "comlite/Class_registration.h"
#include "comlite/Server_entry_points.h"

#include <type_traits>

#define BRIXCAP_EXPORT extern "C" __attribute__((visibility("default")))

using namespace wk;
using namespace wk::com;

namespace {

VideoCap4_factory g_factory;

const Class_registration& Registration()
{
    static const Class_registration r{
        CLSID_VideoCap4,
        "VideoCap4 Class",
        VideoCap4_progid,
        "BrixCap.VideoCap4",
        "Both",
        Guid_literal("{43474CF2-1685-4E3B-9B30-6429BD022957}"),
        "1.0",
        "BrixCap4 1.0 Type Library",
        Guid_literal("{18FA2EAB-B653-4526-9A99-6E60617D704C}"),
        "BrixCap4",
        "BrixCap4.DLL",
    };
    return r;
}

} // namespace

BRIXCAP_EXPORT HRESULT DllCanUnloadNow() { return Module_in_use() ? S_FALSE : S_OK; }

BRIXCAP_EXPORT HRESULT DllGetClassObject(const CLSID& rclsid, const IID& riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_VideoCap4) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

BRIXCAP_EXPORT HRESULT DllRegisterServer()
{
    const std::string path = Module_path(reinterpret_cast<const void*>(&DllRegisterServer));
    return path.empty() ? SELFREG_E_CLASS : Register_class(Registration(), path);
}

BRIXCAP_EXPORT HRESULT DllUnregisterServer() { return Unregister_class(Registration()); }

static_assert(std::is_same_v<decltype(DllCanUnloadNow), Dll_can_unload_now_fn>);
static_assert(std::is_same_v<decltype(DllGetClassObject), Dll_get_class_object_fn>);
static_assert(std::is_same_v<decltype(DllRegisterServer), Dll_register_server_fn>);
static_assert(std::is_same_v<decltype(DllUnregisterServer), Dll_unregister_server_fn>);
