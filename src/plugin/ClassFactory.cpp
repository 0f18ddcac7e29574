#include "plugin/ClassFactory.h"

#include <new>

#include "base/com/ComObject.h"
#include "base/com/Guids.h"
#include "plugin/ServerCounts.h"
#include "plugin/VelmoraCoClass.h"

namespace velmora {

namespace {

class VelmoraClassFactory final : public com::ComObject<VelmoraClassFactory, IClassFactory> {
public:
    explicit VelmoraClassFactory(FrontEndProvider provider) : provider_(std::move(provider)) {
        ServerCounts::objectCreated();
    }
    ~VelmoraClassFactory() { ServerCounts::objectDestroyed(); }

    HRESULT VELMORA_COM_CALL CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        try {
            auto frontEnd = provider_();
            if (!frontEnd) return E_FAIL;
            auto* instance = new TVelmoraCoClassImpl(std::move(frontEnd));
            instance->AddRef();
            const HRESULT hr = instance->QueryInterface(iid, object);
            instance->Release();
            return hr;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL;
        }
    }

    HRESULT VELMORA_COM_CALL LockServer(BOOL lock) override {
        if (lock)
            ServerCounts::lock();
        else
            ServerCounts::unlock();
        return S_OK;
    }

private:
    FrontEndProvider provider_;
};

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object, FrontEndProvider provider) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!(clsid == com::kClsidVelmoraCoClass)) return CLASS_E_CLASSNOTAVAILABLE;
    try {
        auto* factory = new VelmoraClassFactory(std::move(provider));
        factory->AddRef();
        const HRESULT hr = factory->QueryInterface(iid, object);
        factory->Release();
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CanUnloadNow() {
    return ServerCounts::canUnload() ? S_OK : S_FALSE;
}

}  // namespace velmora
