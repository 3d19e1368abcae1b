#pragma once
// The entry points every in-process server exports, by these names, with C linkage.
#include "comlite/Guid.h"
#include "comlite/Hresult.h"

namespace wk::com {

using Dll_get_class_object_fn = HRESULT(const CLSID& rclsid, const IID& riid, void** ppv);
using Dll_can_unload_now_fn = HRESULT();
using Dll_register_server_fn = HRESULT();
using Dll_unregister_server_fn = HRESULT();

} // namespace wk::com
