#pragma once
// Creating an object of a registered class: the class's library, found under its CLSID's
// InprocServer32 key, is loaded once and asked for the class's factory.
#include "comlite/Com_ptr.h"
#include "comlite/IClassFactory.h"

#include <string_view>

namespace wk::com {

// The class a ProgID names; CO_E_CLASSSTRING when it names none.
COMLITE_API HRESULT Clsid_from_progid(std::string_view progid, CLSID& out);
// "{...}" is a CLSID itself, anything else a ProgID.
COMLITE_API HRESULT Clsid_from_string(std::string_view class_name, CLSID& out);

// REGDB_E_CLASSNOTREG when the class has no library, CO_E_DLLNOTFOUND when it will not load,
// CO_E_ERRORINDLL when it has no DllGetClassObject; else what the library answers.
COMLITE_API HRESULT Co_get_class_object(const CLSID& clsid, const IID& riid, void** ppv);
COMLITE_API HRESULT Co_create_instance(const CLSID& clsid, IUnknown* outer, const IID& riid, void** ppv);
COMLITE_API HRESULT Co_create_instance(std::string_view class_name, const IID& riid, void** ppv);

// Unloads the loaded libraries whose DllCanUnloadNow says S_OK; returns how many went.
COMLITE_API size_t Co_free_unused_libraries();

template <class T>
HRESULT Co_create_instance(const CLSID& clsid, Com_ptr<T>& out)
{
    void* v = nullptr;
    const HRESULT hr = Co_create_instance(clsid, nullptr, T::iid, &v);
    out = Succeeded(hr) ? Com_ptr<T>::Attach(static_cast<T*>(v)) : Com_ptr<T>();
    return hr;
}

template <class T>
HRESULT Co_create_instance(std::string_view class_name, Com_ptr<T>& out)
{
    CLSID clsid;
    if (const HRESULT hr = Clsid_from_string(class_name, clsid); Failed(hr)) {
        out.Reset();
        return hr;
    }
    return Co_create_instance(clsid, out);
}

} // namespace wk::com
