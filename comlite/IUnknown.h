#pragma once
// The root of every object that crosses between a program and a server. Objects count their own
// references and delete themselves at the last Release; nobody deletes them through this
// interface, so it has no virtual destructor and keeps its three slots first.
#include "comlite/Guid.h"
#include "comlite/Hresult.h"

namespace wk::com {

class IUnknown {
public:
    static constexpr IID iid = Guid_literal("{00000000-0000-0000-C000-000000000046}");
    // E_POINTER when ppv is null; E_NOINTERFACE (and *ppv null) when the object has no such
    // interface; else *ppv holds a new reference.
    virtual HRESULT QueryInterface(const IID& riid, void** ppv) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

} // namespace wk::com
