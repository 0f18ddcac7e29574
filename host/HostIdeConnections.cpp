// The host's connection points: the plug-ins advise their event sinks here.
#include "host/HostConnectionPoint.h"

#include <stdexcept>

namespace velmora::host {

std::string InterfaceName(const IID& iid) {
#define VELMORA_NAMED(I) \
    { &I::iid, #I }
    static const std::pair<const IID*, const char*> names[] = {
        {&com::kIidUnknown, "IUnknown"},
        {&com::kIidConnectionPointContainer, "IConnectionPointContainer"},
        VELMORA_NAMED(IYantProjectManager),
        VELMORA_NAMED(IYantProjectTree),
        VELMORA_NAMED(IYantProject),
        VELMORA_NAMED(IYantCpm),
        VELMORA_NAMED(IYantMenu),
        VELMORA_NAMED(IOrvaneCommLoop),
        VELMORA_NAMED(IOrvaneIDE),
        VELMORA_NAMED(IYantOptionsStorageStreams),
        VELMORA_NAMED(IYantWindows),
        VELMORA_NAMED(IYantTextEditor),
        VELMORA_NAMED(IYantLanguage),
        VELMORA_NAMED(IYantVariables),
        VELMORA_NAMED(IYantDialogs),
        VELMORA_NAMED(IYantRegisterCentre),
        VELMORA_NAMED(IYantApp),
        VELMORA_NAMED(IYantCompiler),
        VELMORA_NAMED(IOrvanePlcControl),
        VELMORA_NAMED(IConnectedPlc),
        VELMORA_NAMED(IYantProjectEvents),
        VELMORA_NAMED(IYantFilesEvents),
        VELMORA_NAMED(IYantDesktopEvents),
        VELMORA_NAMED(IYantCompilerEvents),
        VELMORA_NAMED(IYantCpmEvents),
        VELMORA_NAMED(IOrvaneCommStateEvent),
        VELMORA_NAMED(IPrjMngrTreeEvents)};
#undef VELMORA_NAMED
    for (const auto& [known, name] : names)
        if (*known == iid) return name;
    return com::GuidToString(iid);
}

HostConnectionPoint& HostIde::point(const IID& iid) {
    for (auto& p : points_)
        if (p->iid() == iid) return *p;
    throw std::logic_error("No connection point for " + com::GuidToString(iid));
}

// ---- IConnectionPointContainer ----

HRESULT HostIde::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (points) *points = nullptr;
    return E_NOTIMPL;
}

HRESULT HostIde::FindConnectionPoint(REFIID iid, IConnectionPoint** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (const HRESULT f = injected("FindConnectionPoint " + InterfaceName(iid)); FAILED(f)) return f;
    for (auto& p : points_) {
        if (p->iid() == iid) {
            p->AddRef();
            *result = p.get();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

}  // namespace velmora::host
