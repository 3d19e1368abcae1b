#pragma once
// Holds one reference on a COM object and gives it back when it goes.
#include "comlite/IUnknown.h"

#include <cstddef>
#include <type_traits>
#include <utility>

namespace wk::com {

template <class T>
class Com_ptr {
public:
    Com_ptr() = default;
    Com_ptr(std::nullptr_t) {}
    // Takes a reference of its own on p.
    explicit Com_ptr(T* p) : p_(p)
    {
        if (p_) p_->AddRef();
    }
    // Adopts the reference p already carries (what an out-parameter returned).
    static Com_ptr Attach(T* p)
    {
        Com_ptr c;
        c.p_ = p;
        return c;
    }
    Com_ptr(const Com_ptr& o) : Com_ptr(o.p_) {}
    Com_ptr(Com_ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U>
        requires std::is_convertible_v<U*, T*>
    Com_ptr(const Com_ptr<U>& o) : Com_ptr(static_cast<T*>(o.Get()))
    {
    }
    ~Com_ptr() { Reset(); }

    Com_ptr& operator=(Com_ptr o) noexcept
    {
        std::swap(p_, o.p_);
        return *this;
    }

    void Reset()
    {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // Hands the reference over to the caller.
    T* Detach() { return std::exchange(p_, nullptr); }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // The object's interface U, or null when it has none.
    template <class U>
    Com_ptr<U> Query() const
    {
        void* v = nullptr;
        if (p_ && Succeeded(p_->QueryInterface(U::iid, &v))) return Com_ptr<U>::Attach(static_cast<U*>(v));
        return {};
    }

private:
    T* p_ = nullptr;
};

} // namespace wk::com
