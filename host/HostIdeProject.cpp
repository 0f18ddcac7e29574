// What the host tells of the project: its folder, open PLC and type,
// description fields, project tree and documents.
#include "host/HostIde.h"

#include <algorithm>

#include "base/Strings.h"
#include "host/HostIdeSupport.h"

namespace velmora::host {

std::string HostIde::projectDirectory() const {
    std::string dir = folder_.string();
#if defined(_WIN32)
    const char separator = '\\';
#else
    const char separator = '/';
#endif
    if (dir.empty() || dir.back() != separator) dir += separator;
    return dir;
}

const PlcDescription* HostIde::currentPlcDescription() const {
    return plc_.empty() ? nullptr : project_.findPlc(plc_);
}

// ---- IYantProjectManager ----

HRESULT HostIde::GetOwner(YantHandle* owner) {
    if (const HRESULT f = injected("GetOwner"); FAILED(f)) return f;
    if (!owner) return E_POINTER;
    *owner = this->owner;
    return S_OK;
}

HRESULT HostIde::GetProjectTree(IYantProjectTree** tree) {
    if (const HRESULT f = injected("GetProjectTree"); FAILED(f)) return f;
    return QueryInterface(IYantProjectTree::iid, reinterpret_cast<void**>(tree));
}

HRESULT HostIde::FindTreeNode(const char* name, YantTreeNode* node) {
    if (const HRESULT f = injected("FindTreeNode"); FAILED(f)) return f;
    if (!node) return E_POINTER;
    *node = nullptr;
    for (auto& n : tree_)
        if (EqualNoCase(n.caption, Str(name))) {
            *node = &n;
            break;
        }
    return S_OK;
}

HRESULT HostIde::GetProjectDirectory(char** directory) {
    if (const HRESULT f = injected("GetProjectDirectory"); FAILED(f)) return f;
    return Give(projectDirectory(), directory);
}

HRESULT HostIde::GetCurrentPlcName(char** name) {
    if (const HRESULT f = injected("GetCurrentPlcName"); FAILED(f)) return f;
    return Give(plc_, name);
}

HRESULT HostIde::AddProjectDocument(YantHandle view, DWORD cookie, const char* title,
                                    std::int32_t* documentId) {
    if (const HRESULT f = injected("AddProjectDocument"); FAILED(f)) return f;
    if (!documentId) return E_POINTER;
    const std::int32_t id = nextDocumentId_++;
    documents_.push_back({id, view, cookie, Str(title)});
    note("document " + Str(title) + " " + std::to_string(id));
    *documentId = id;
    return S_OK;
}

HRESULT HostIde::GetProjectGroupFile(char** path) {
    if (const HRESULT f = injected("GetProjectGroupFile"); FAILED(f)) return f;
    return Give(project_.group.empty() ? std::string() : projectDirectory() + project_.group, path);
}

// ---- IYantProjectTree ----

HRESULT HostIde::AddChild(YantTreeNode parent, const char* caption, std::int32_t data,
                          std::int32_t imageIndex, std::int32_t selectedIndex, YantTreeNode* child) {
    if (const HRESULT f = injected("AddChild"); FAILED(f)) return f;
    auto* p = static_cast<TreeNode*>(parent);
    if (std::none_of(tree_.begin(), tree_.end(), [&](const TreeNode& n) { return &n == p; }))
        return E_INVALIDARG;
    tree_.push_back({Str(caption), p, data, imageIndex, selectedIndex});
    note("tree node " + Str(caption) + " under " + p->caption);
    if (child) *child = &tree_.back();
    return S_OK;
}

// ---- IYantCpm ----

HRESULT HostIde::GetPlcType(std::int32_t* typeIndex) {
    if (const HRESULT f = injected("GetPlcType"); FAILED(f)) return f;
    if (!typeIndex) return E_POINTER;
    const PlcDescription* plc = currentPlcDescription();
    if (!plc) return E_FAIL;
    *typeIndex = plc->type;
    return S_OK;
}

HRESULT HostIde::GetPlcSeries(std::int32_t* series) {
    if (const HRESULT f = injected("GetPlcSeries"); FAILED(f)) return f;
    if (!series) return E_POINTER;
    const PlcDescription* plc = currentPlcDescription();
    if (!plc) return E_FAIL;
    *series = plc->series;
    return S_OK;
}

// ---- IYantApp ----

HRESULT HostIde::GetProjectInfo(std::int32_t field, char** value) {
    if (const HRESULT f = injected("GetProjectInfo"); FAILED(f)) return f;
    switch (field) {
        case kProjectName:
            return Give(project_.name, value);
        case kProjectAction:
            return Give(project_.action, value);
        case kProjectProgrammer:
            return Give(project_.programmer, value);
        case kProjectCompany:
            return Give(project_.company, value);
        case kProjectCopyright:
            return Give(project_.copyright, value);
        default:
            return E_INVALIDARG;
    }
}

}  // namespace velmora::host
