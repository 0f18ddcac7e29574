// The IDE's communication loop and the connected PLC: the callbacks the
// plug-ins register, each pass, a lost connection, state and error texts.
#include "host/HostIde.h"

#include <algorithm>

#include "host/HostConnectionPoint.h"
#include "host/HostIdeSupport.h"

namespace velmora::host {

void HostIde::commLoopPass(std::uint32_t status) {
    const auto callbacks = callbacks_;
    for (CommLoopCallbackFunction callback : callbacks) callback(request_, 0, 0, status);
}

void HostIde::commLost(bool hard) {
    note(hard ? "event: communication failed" : "event: communication stopped");
    raise<IOrvaneCommStateEvent>([&](IOrvaneCommStateEvent* s, DWORD) {
        return hard ? s->OnHardOff(VARIANT_FALSE) : s->OnSoftOff(VARIANT_FALSE);
    });
}

// ---- IOrvaneCommLoop ----

HRESULT HostIde::RegisterCallback(CommLoopCallbackFunction callback) {
    if (const HRESULT f = injected("RegisterCallback"); FAILED(f)) return f;
    if (!callback) return E_POINTER;
    if (std::find(callbacks_.begin(), callbacks_.end(), callback) == callbacks_.end())
        callbacks_.push_back(callback);
    return S_OK;
}

HRESULT HostIde::UnregisterCallback(CommLoopCallbackFunction callback) {
    if (const HRESULT f = injected("UnregisterCallback"); FAILED(f)) return f;
    std::erase(callbacks_, callback);
    return S_OK;
}

// ---- IOrvanePlcControl ----

HRESULT HostIde::GetPlcState(std::int32_t* state) {
    if (const HRESULT f = injected("GetPlcState"); FAILED(f)) return f;
    if (!state) return E_POINTER;
    *state = plcState ? plcState() : (request_ ? 0 : 2);
    return S_OK;
}

// ---- IConnectedPlc ----

HRESULT HostIde::GetErrorText(std::int32_t code, char** text) {
    if (const HRESULT f = injected("GetErrorText"); FAILED(f)) return f;
    if (!text) return E_POINTER;
    *text = nullptr;
    if (!errorText) return E_NOTIMPL;
    *text = com::TaskString(errorText(code));
    return S_OK;
}

}  // namespace velmora::host
