#pragma once
// An owning interface pointer: releases on reset and destruction and is null
// afterwards, so releasing twice or releasing what was never obtained is harmless.
#include <utility>

#include "base/com/Com.h"

namespace velmora::com {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a reference the caller already owns.
    static ComPtr attach(T* p) {
        ComPtr r;
        r.p_ = p;
        return r;
    }
    // Adds a reference of its own.
    static ComPtr share(T* p) {
        if (p) p->AddRef();
        return attach(p);
    }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held first.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    T* detach() { return std::exchange(p_, nullptr); }

    // QueryInterface into another pointer type.
    template <class U>
    HRESULT query(ComPtr<U>& out) const {
        if (!p_) {
            out.reset();
            return E_POINTER;
        }
        return p_->QueryInterface(IidOf<U>(), out.putVoid());
    }

private:
    T* p_ = nullptr;
};

template <class U, class T>
ComPtr<U> Query(T* p) {
    ComPtr<U> out;
    if (p) p->QueryInterface(IidOf<U>(), out.putVoid());
    return out;
}

}  // namespace velmora::com
