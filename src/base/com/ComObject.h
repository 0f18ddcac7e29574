#pragma once
// The reference count and QueryInterface of every COM object the plug-in
// hands out: Derived implements Interfaces, answers IUnknown with the first
// one and each interface with its own IID (com::IidOf), and deletes itself
// when the last reference goes.
#include <atomic>

#include "base/com/Com.h"

namespace velmora::com {

template <class Derived, class First, class... Rest>
class ComObject : public First, public Rest... {
public:
    HRESULT VELMORA_COM_CALL QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = Find(iid);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG VELMORA_COM_CALL AddRef() override { return ++refs_; }
    ULONG VELMORA_COM_CALL Release() override {
        const ULONG n = --refs_;
        if (n == 0) delete static_cast<Derived*>(this);
        return n;
    }

protected:
    ComObject() = default;
    // Only Release deletes: the count is the object's lifetime.
    ~ComObject() = default;

private:
    void* Find(REFIID iid) {
        if (iid == kIidUnknown || iid == IidOf<First>()) return static_cast<First*>(this);
        void* found = nullptr;
        ((found = found                  ? found
                  : iid == IidOf<Rest>() ? static_cast<void*>(static_cast<Rest*>(this))
                                         : nullptr),
         ...);
        return found;
    }

    std::atomic<ULONG> refs_{0};
};

}  // namespace velmora::com
