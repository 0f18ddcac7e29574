#pragma once
// One connection point of the IDE stand-in: the sinks advised on it, each
// held with a reference, and how the host raises an event in all of them.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/com/ComPtr.h"
#include "host/HostIde.h"
#include "host/HostIdeSupport.h"

namespace velmora::host {

class HostConnectionPoint final : public IConnectionPoint {
public:
    HostConnectionPoint(HostIde& ide, const IID& iid) : ide_(ide), iid_(iid) {}
    ~HostConnectionPoint() {
        for (auto& [cookie, sink] : sinks_) sink->Release();
    }

    HRESULT VELMORA_COM_CALL QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == com::kIidUnknown || iid == com::kIidConnectionPoint) {
            *object = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG VELMORA_COM_CALL AddRef() override {
        ide_.addRefHost();
        return 2;
    }
    ULONG VELMORA_COM_CALL Release() override {
        ide_.releaseHost();
        return 1;
    }
    HRESULT VELMORA_COM_CALL GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = iid_;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetConnectionPointContainer(IConnectionPointContainer** container) override {
        if (!container) return E_POINTER;
        return ide_.QueryInterface(com::kIidConnectionPointContainer, reinterpret_cast<void**>(container));
    }
    HRESULT VELMORA_COM_CALL Advise(IUnknown* sink, DWORD* cookie) override {
        if (!sink || !cookie) return E_POINTER;
        if (const HRESULT f = ide_.injected("Advise " + InterfaceName(iid_)); FAILED(f)) return f;
        IUnknown* probe = nullptr;
        if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&probe))) || !probe)
            return CONNECT_E_CANNOTCONNECT;
        probe->Release();
        sink->AddRef();
        *cookie = ++nextCookie_;
        sinks_.emplace_back(*cookie, sink);
        ide_.note("Advise " + InterfaceName(iid_) + " " + std::to_string(*cookie));
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL Unadvise(DWORD cookie) override {
        if (const HRESULT f = ide_.injected("Unadvise " + InterfaceName(iid_)); FAILED(f)) return f;
        auto it =
            std::find_if(sinks_.begin(), sinks_.end(), [&](const auto& s) { return s.first == cookie; });
        if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
        IUnknown* sink = it->second;
        sinks_.erase(it);
        sink->Release();
        ide_.note("Unadvise " + InterfaceName(iid_) + " " + std::to_string(cookie));
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL EnumConnections(IEnumConnections** connections) override {
        if (connections) *connections = nullptr;
        return E_NOTIMPL;
    }

    const IID& iid() const { return iid_; }
    // A copy: a sink may unadvise while it is being called.
    std::vector<std::pair<DWORD, IUnknown*>> sinks() const { return sinks_; }

private:
    HostIde& ide_;
    IID iid_;
    std::vector<std::pair<DWORD, IUnknown*>> sinks_;
    // Cookies are unique across the host, so a plug-in can tell its own in tree events.
    static inline DWORD nextCookie_ = 0;
};

template <class I, class F>
void HostIde::raise(F&& call) {
    for (auto [cookie, sink] : point(I::iid).sinks()) {
        com::ComPtr<I> target;
        if (SUCCEEDED(sink->QueryInterface(I::iid, target.putVoid())) && target) {
            const HRESULT hr = call(target.get(), cookie);
            if (FAILED(hr)) {
                const std::string why = com::TakeComErrorDescription();
                note("event failed: " + com::ResultText(hr) + (why.empty() ? "" : " " + why));
            }
        }
    }
}

}  // namespace velmora::host
