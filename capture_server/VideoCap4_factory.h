#pragma once
// The class factory of VideoCap4: one for the library's life. References on it keep the
// library loaded, like LockServer.
#include "comlite/IClassFactory.h"

namespace wk {

class VideoCap4_factory final : public com::IClassFactory {
public:
    com::HRESULT QueryInterface(const com::IID& riid, void** ppv) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    // Aggregation is refused: nothing aggregates the object.
    com::HRESULT CreateInstance(com::IUnknown* outer, const com::IID& riid, void** ppv) override;
    com::HRESULT LockServer(bool lock) override;
};

} // namespace wk
