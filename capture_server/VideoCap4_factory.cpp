#include "capture_server/VideoCap4_factory.h"

#include "capture_server/Gst_device_catalog.h"
#include "capture_server/Gst_graph_builder.h"
#include "capture_server/Server_module.h"
#include "capture_server/VideoCap4.h"
#include "comlite/Query_interface.h"

namespace wk {

using namespace com;

HRESULT VideoCap4_factory::QueryInterface(const IID& riid, void** ppv)
{
    return Query_interface<IClassFactory>(this, riid, ppv);
}

// The factory is never deleted; its references count as uses of the library.
uint32_t VideoCap4_factory::AddRef()
{
    Module_lock();
    return 2;
}

uint32_t VideoCap4_factory::Release()
{
    Module_unlock();
    return 1;
}

HRESULT VideoCap4_factory::CreateInstance(IUnknown* outer, const IID& riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
        // Each object looks for the devices once, when it is first asked for one.
        auto devices = std::make_shared<const Gst_device_catalog>();
        Com_ptr<VideoCap4> object;
        const HRESULT hr = VideoCap4::Create(devices, std::make_unique<Gst_graph_builder>(devices), object);
        return Failed(hr) ? hr : object->QueryInterface(riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT VideoCap4_factory::LockServer(bool lock)
{
    if (lock) Module_lock();
    else Module_unlock();
    return S_OK;
}

} // namespace wk
