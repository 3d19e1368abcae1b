#pragma once
// The QueryInterface of an object that offers one interface I besides IUnknown.
#include "comlite/IUnknown.h"

namespace wk::com {

template <class I, class T>
HRESULT Query_interface(T* object, const IID& riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IUnknown::iid || riid == I::iid) {
        *ppv = static_cast<I*>(object);
        object->AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

} // namespace wk::com
