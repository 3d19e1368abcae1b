#pragma once
// What a server's DllGetClassObject hands out: the maker of one class's objects.
#include "comlite/IUnknown.h"

namespace wk::com {

class IClassFactory : public IUnknown {
public:
    static constexpr IID iid = Guid_literal("{00000001-0000-0000-C000-000000000046}");
    // outer is the aggregating object, or null.
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& riid, void** ppv) = 0;
    // Keeps the server loaded while locked.
    virtual HRESULT LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

} // namespace wk::com
