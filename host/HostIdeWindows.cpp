// The host's windows as the plug-in sees them: dockable forms, their
// flags, areas and saved layouts; the text editor and the language.
#include "host/HostIde.h"

#include <cstdlib>
#include <sstream>

#include "host/HostIdeSupport.h"

namespace velmora::host {

// ---- IOrvaneIDE ----

HRESULT HostIde::InsertDockableForm(YantHandle handle) {
    if (const HRESULT f = injected("InsertDockableForm"); FAILED(f)) return f;
    form(handle).inserted = true;
    note("form inserted");
    if (dock.inserted) dock.inserted(handle);
    return S_OK;
}

HRESULT HostIde::RemoveDockableForm(YantHandle handle) {
    if (const HRESULT f = injected("RemoveDockableForm"); FAILED(f)) return f;
    forms_.erase(handle);
    note("form removed");
    if (dock.removed) dock.removed(handle);
    return S_OK;
}

HRESULT HostIde::ShowDockableForm(YantHandle handle) {
    if (const HRESULT f = injected("ShowDockableForm"); FAILED(f)) return f;
    form(handle).visible = true;
    if (dock.shown) dock.shown(handle);
    return S_OK;
}

HRESULT HostIde::GetSecondDockFlag(YantHandle handle, VARIANT_BOOL* value) {
    if (const HRESULT f = injected("GetSecondDockFlag"); FAILED(f)) return f;
    if (!value) return E_POINTER;
    *value = form(handle).secondFlag ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT HostIde::SetSecondDockFlag(YantHandle handle, VARIANT_BOOL value) {
    if (const HRESULT f = injected("SetSecondDockFlag"); FAILED(f)) return f;
    form(handle).secondFlag = value != 0;
    return S_OK;
}

HRESULT HostIde::GetFirstDockFlag(YantHandle handle, VARIANT_BOOL* value) {
    if (const HRESULT f = injected("GetFirstDockFlag"); FAILED(f)) return f;
    if (!value) return E_POINTER;
    *value = form(handle).firstFlag ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT HostIde::SetFirstDockFlag(YantHandle handle, VARIANT_BOOL value) {
    if (const HRESULT f = injected("SetFirstDockFlag"); FAILED(f)) return f;
    form(handle).firstFlag = value != 0;
    return S_OK;
}

HRESULT HostIde::SetFormImage(YantHandle handle, std::int32_t imageIndex) {
    if (const HRESULT f = injected("SetFormImage"); FAILED(f)) return f;
    form(handle).image = imageIndex;
    return S_OK;
}

HRESULT HostIde::SaveFormLayout(YantHandle handle, const char* name, IUnknown*) {
    if (const HRESULT f = injected("SaveFormLayout"); FAILED(f)) return f;
    const Form& f = form(handle);
    desktop_[Str(name)] = "area=" + std::to_string(f.area) + " first=" + (f.firstFlag ? "1" : "0") +
                          " second=" + (f.secondFlag ? "1" : "0") + " visible=" + (f.visible ? "1" : "0");
    return S_OK;
}

HRESULT HostIde::SaveFormState(YantHandle, IUnknown*) {
    if (const HRESULT f = injected("SaveFormState"); FAILED(f)) return f;
    return S_OK;
}
HRESULT HostIde::SaveDockState(YantHandle, IUnknown*) {
    if (const HRESULT f = injected("SaveDockState"); FAILED(f)) return f;
    return S_OK;
}

HRESULT HostIde::LoadFormLayout(YantHandle handle, const char* name, IUnknown*) {
    if (const HRESULT f = injected("LoadFormLayout"); FAILED(f)) return f;
    auto it = desktop_.find(Str(name));
    note("form layout " + Str(name) + (it == desktop_.end() ? " not saved" : " loaded"));
    if (it == desktop_.end()) return S_FALSE;
    Form& f = form(handle);
    std::istringstream in(it->second);
    for (std::string item; in >> item;) {
        const auto eq = item.find('=');
        const std::string key = item.substr(0, eq);
        const int value = std::atoi(item.substr(eq + 1).c_str());
        if (key == "area") f.area = value;
        if (key == "first") f.firstFlag = value != 0;
        if (key == "second") f.secondFlag = value != 0;
    }
    return S_OK;
}

HRESULT HostIde::LoadFormState(YantHandle, IUnknown*) {
    if (const HRESULT f = injected("LoadFormState"); FAILED(f)) return f;
    note("form state loaded");
    return S_OK;
}

// ---- IYantWindows ----

HRESULT HostIde::PutIntoDockArea(YantHandle handle, std::int32_t area) {
    if (const HRESULT f = injected("PutIntoDockArea"); FAILED(f)) return f;
    form(handle).area = area;
    if (dock.docked) dock.docked(handle, area);
    return S_OK;
}

HRESULT HostIde::GetDockArea(YantHandle handle, std::int32_t* area) {
    if (const HRESULT f = injected("GetDockArea"); FAILED(f)) return f;
    if (!area) return E_POINTER;
    *area = form(handle).area;
    return S_OK;
}

// ---- IYantTextEditor ----

HRESULT HostIde::FileChanged(const char* relativePath, VARIANT_BOOL) {
    if (const HRESULT f = injected("FileChanged"); FAILED(f)) return f;
    note("editor reloads " + Str(relativePath));
    return S_OK;
}

HRESULT HostIde::GetEditorFont(char** name, std::int32_t* size) {
    if (const HRESULT f = injected("GetEditorFont"); FAILED(f)) return f;
    if (!size) return E_POINTER;
    *size = editorFontSize;
    return Give(editorFont, name);
}

// ---- IYantLanguage ----

HRESULT HostIde::GetLanguage(std::int32_t* number) {
    if (const HRESULT f = injected("GetLanguage"); FAILED(f)) return f;
    if (!number) return E_POINTER;
    *number = language;
    return S_OK;
}

}  // namespace velmora::host
