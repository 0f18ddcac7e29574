// The host's menus and tool bars: images, actions, the items the
// plug-ins find or create, and the items themselves.
#include "host/HostIde.h"

#include <algorithm>

#include "base/Strings.h"
#include "host/HostIdeSupport.h"

namespace velmora::host {

HostMenuItem* HostIde::makeItem(const std::string& name) {
    items_.push_back(std::make_unique<HostMenuItem>(*this, name));
    return items_.back().get();
}

HostMenuItem& HostIde::menu(int number) {
    auto& root = menus_[number];
    if (!root) root = makeItem("menu" + std::to_string(number));
    return *root;
}

const std::vector<HostMenuItem*>& HostIde::toolBar(int number) {
    return bars_[number];
}

// ---- IYantMenu ----

HRESULT HostIde::AddImage(const std::uint8_t* bitmap, std::int32_t size, std::int32_t* index) {
    if (const HRESULT f = injected("AddImage"); FAILED(f)) return f;
    if (!bitmap || !index || size < 2) return E_INVALIDARG;
    if (bitmap[0] != 'B' || bitmap[1] != 'M') return E_INVALIDARG;
    images_.emplace_back(bitmap, bitmap + size);
    *index = static_cast<std::int32_t>(images_.size()) - 1;
    return S_OK;
}

HRESULT HostIde::GetMenuItem(std::int32_t menuNumber, const char* name, IYantMenuItem** item) {
    if (const HRESULT f = injected("GetMenuItem " + Str(name)); FAILED(f)) return f;
    if (!item) return E_POINTER;
    HostMenuItem& root = menu(menuNumber);
    HostMenuItem* found = nullptr;
    for (HostMenuItem* child : root.children)
        if (EqualNoCase(child->name, Str(name))) found = child;
    if (!found) {
        found = makeItem(Str(name));
        found->parent = &root;
        root.children.push_back(found);
    }
    found->AddRef();
    *item = found;
    return S_OK;
}

HRESULT HostIde::RegisterAction(const char* caption, const char* hint, std::int32_t, std::int32_t imageIndex,
                                IUnknown* sink, VARIANT_BOOL, std::int32_t* actionId) {
    if (const HRESULT f = injected("RegisterAction"); FAILED(f)) return f;
    if (!actionId) return E_POINTER;
    const std::int32_t id = 100 + static_cast<std::int32_t>(actions_.size());
    actions_.push_back({id, Str(caption), Str(hint), imageIndex, com::ComPtr<IUnknown>::share(sink)});
    note("action " + Str(caption) + " " + std::to_string(id));
    *actionId = id;
    return S_OK;
}

HRESULT HostIde::CreateMenuItem(std::int32_t actionId, std::int32_t menuNumber, std::int32_t position,
                                VARIANT_BOOL, IYantMenuItem** item) {
    if (const HRESULT f = injected("CreateMenuItem"); FAILED(f)) return f;
    if (!item) return E_POINTER;
    auto action =
        std::find_if(actions_.begin(), actions_.end(), [&](const Action& a) { return a.id == actionId; });
    if (action == actions_.end()) return E_INVALIDARG;
    HostMenuItem* created = makeItem("action" + std::to_string(actionId));
    created->caption = action->caption;
    created->actionId = actionId;
    HostMenuItem& root = menu(menuNumber);
    root.Insert(position, created);
    created->AddRef();
    *item = created;
    return S_OK;
}

HRESULT HostIde::CreateToolBarControl(std::int32_t actionId, std::int32_t bar, VARIANT_BOOL,
                                      IYantMenuItem** control) {
    if (const HRESULT f = injected("CreateToolBarControl"); FAILED(f)) return f;
    if (!control) return E_POINTER;
    auto action =
        std::find_if(actions_.begin(), actions_.end(), [&](const Action& a) { return a.id == actionId; });
    if (action == actions_.end()) return E_INVALIDARG;
    HostMenuItem* created = makeItem("tool" + std::to_string(actionId));
    created->caption = action->caption;
    created->actionId = actionId;
    bars_[bar].push_back(created);
    created->AddRef();
    *control = created;
    return S_OK;
}

// ---- HostMenuItem ----

HRESULT HostMenuItem::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == com::kIidUnknown || iid == IYantMenuItem::iid) {
        *object = static_cast<IYantMenuItem*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG HostMenuItem::AddRef() {
    ide_.addRefHost();
    return 2;
}

ULONG HostMenuItem::Release() {
    ide_.releaseHost();
    return 1;
}

HRESULT HostMenuItem::GetName(char** out) {
    return Give(name, out);
}
HRESULT HostMenuItem::SetName(const char* value) {
    name = Str(value);
    return S_OK;
}
HRESULT HostMenuItem::GetCaption(char** out) {
    return Give(caption, out);
}
HRESULT HostMenuItem::SetCaption(const char* value) {
    caption = Str(value);
    return S_OK;
}
HRESULT HostMenuItem::GetEnabled(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = enabled ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
HRESULT HostMenuItem::SetEnabled(VARIANT_BOOL value) {
    enabled = value != 0;
    return S_OK;
}
HRESULT HostMenuItem::GetVisible(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = visible ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
HRESULT HostMenuItem::SetVisible(VARIANT_BOOL value) {
    visible = value != 0;
    return S_OK;
}
HRESULT HostMenuItem::GetParent(IYantMenuItem** out) {
    if (!out) return E_POINTER;
    *out = parent;
    if (parent) parent->AddRef();
    return S_OK;
}
HRESULT HostMenuItem::GetCount(std::int32_t* count) {
    if (!count) return E_POINTER;
    *count = static_cast<std::int32_t>(children.size());
    return S_OK;
}
HRESULT HostMenuItem::GetItem(std::int32_t index, IYantMenuItem** item) {
    if (!item) return E_POINTER;
    if (index < 0 || index >= static_cast<std::int32_t>(children.size())) return E_INVALIDARG;
    *item = children[static_cast<std::size_t>(index)];
    (*item)->AddRef();
    return S_OK;
}
HRESULT HostMenuItem::Insert(std::int32_t position, IYantMenuItem* item) {
    // Only the host's own items can be placed in its menus.
    auto* child = dynamic_cast<HostMenuItem*>(item);
    if (!child) return E_INVALIDARG;
    for (HostMenuItem* p = this; p; p = p->parent)
        if (p == child) return E_INVALIDARG;
    if (child->parent) std::erase(child->parent->children, child);
    const std::size_t at =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(position, 0)), children.size());
    children.insert(children.begin() + static_cast<std::ptrdiff_t>(at), child);
    child->parent = this;
    return S_OK;
}
HRESULT HostMenuItem::Remove(IYantMenuItem* item) {
    auto* child = dynamic_cast<HostMenuItem*>(item);
    if (!child || child->parent != this) return E_INVALIDARG;
    std::erase(children, child);
    child->parent = nullptr;
    return S_OK;
}
HRESULT HostMenuItem::SetClickHandler(IYantClickHandler* h) {
    handler = com::ComPtr<IYantClickHandler>::share(h);
    return S_OK;
}

bool HostMenuItem::click() {
    if (!enabled) return false;
    if (handler) return SUCCEEDED(handler->OnClick());
    if (actionId >= 0) return ide_.executeAction(actionId);
    return false;
}

}  // namespace velmora::host
