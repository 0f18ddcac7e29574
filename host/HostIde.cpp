// The IDE stand-in as one COM object: its construction over a project
// folder, the failures a test or a plug-in developer asks for, and the
// interface queries that lead to each part of it.
#include "host/HostIde.h"

#include <charconv>
#include <stdexcept>

#include "host/HostConnectionPoint.h"
#include "host/HostIdeSupport.h"

namespace velmora::host {

HostIde::HostIde(std::filesystem::path projectDir) {
    std::error_code ec;
    folder_ = std::filesystem::absolute(projectDir, ec);
    if (ec) folder_ = projectDir;
    auto description = LoadProjectDescription(folder_);
    if (!description) throw std::runtime_error("No project description (*.oprj) in " + folder_.string());
    project_ = std::move(*description);

    for (const IID* iid : {&IYantProjectEvents::iid, &IYantFilesEvents::iid, &IYantDesktopEvents::iid,
                           &IYantCompilerEvents::iid, &IYantCpmEvents::iid, &IOrvaneCommStateEvent::iid,
                           &IPrjMngrTreeEvents::iid})
        points_.push_back(std::make_unique<HostConnectionPoint>(*this, *iid));

    // The project tree: the project, its PLCs and the PLC documentation node.
    tree_.push_back({project_.name, nullptr, 0, 0, 0});
    for (const auto& plc : project_.plcs) tree_.push_back({plc.name, &tree_.front(), 0, 1, 1});
    tree_.push_back({"PlcDoc", &tree_.front(), 0, 2, 2});

    // The help menu's own items.
    HostMenuItem& help = menu(kHelpMenu);
    for (const char* name : {"miHelpContents", "miHelpIndex", "miHelpSeparator", "miHelpAbout"}) {
        HostMenuItem* item = makeItem(name);
        item->parent = &help;
        help.children.push_back(item);
    }
}

HostIde::~HostIde() {
    for (auto& action : actions_) action.sink.reset();
    for (auto& item : items_) item->handler.reset();
    points_.clear();
}

bool HostIde::addFailure(const std::string& request) {
    const auto eq = request.rfind('=');
    HRESULT hr = E_FAIL;
    if (eq != std::string::npos) {
        // Hexadecimal with 0x, else decimal; the whole text or nothing.
        std::string_view code = std::string_view(request).substr(eq + 1);
        int base = 10;
        if (code.size() > 2 && code[0] == '0' && (code[1] == 'x' || code[1] == 'X')) {
            code.remove_prefix(2);
            base = 16;
        }
        std::uint32_t value = 0;
        const auto [end, ec] = std::from_chars(code.data(), code.data() + code.size(), value, base);
        if (code.empty() || ec != std::errc() || end != code.data() + code.size()) return false;
        hr = static_cast<HRESULT>(value);
    }
    if (!FAILED(hr) || eq == 0) return false;
    failures[request.substr(0, eq)] = hr;
    return true;
}

HRESULT HostIde::injected(const std::string& call) const {
    if (failures.empty()) return S_OK;
    auto it = failures.find(call);
    if (it == failures.end()) return S_OK;
    note("failed " + call + " " + com::ResultText(it->second));
    return it->second;
}

// ---- IUnknown ----

HRESULT HostIde::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (const HRESULT f = injected("QI " + InterfaceName(iid)); FAILED(f)) {
        *object = nullptr;
        return f;
    }
    void* p = nullptr;
    if (iid == com::kIidUnknown || iid == IYantProjectManager::iid)
        p = static_cast<IYantProjectManager*>(this);
    else if (iid == IYantProjectTree::iid)
        p = static_cast<IYantProjectTree*>(this);
    else if (iid == IYantProject::iid)
        p = static_cast<IYantProject*>(this);
    else if (iid == IYantCpm::iid)
        p = static_cast<IYantCpm*>(this);
    else if (iid == IYantMenu::iid)
        p = static_cast<IYantMenu*>(this);
    else if (iid == IOrvaneCommLoop::iid)
        p = static_cast<IOrvaneCommLoop*>(this);
    else if (iid == IOrvaneIDE::iid)
        p = static_cast<IOrvaneIDE*>(this);
    else if (iid == IYantOptionsStorageStreams::iid)
        p = static_cast<IYantOptionsStorageStreams*>(this);
    else if (iid == IYantWindows::iid)
        p = static_cast<IYantWindows*>(this);
    else if (iid == IYantTextEditor::iid)
        p = static_cast<IYantTextEditor*>(this);
    else if (iid == IYantLanguage::iid)
        p = static_cast<IYantLanguage*>(this);
    else if (iid == IYantVariables::iid)
        p = static_cast<IYantVariables*>(this);
    else if (iid == IYantDialogs::iid)
        p = static_cast<IYantDialogs*>(this);
    else if (iid == IYantRegisterCentre::iid)
        p = static_cast<IYantRegisterCentre*>(this);
    else if (iid == IYantApp::iid)
        p = static_cast<IYantApp*>(this);
    else if (iid == IYantCompiler::iid)
        p = static_cast<IYantCompiler*>(this);
    else if (iid == IOrvanePlcControl::iid)
        p = static_cast<IOrvanePlcControl*>(this);
    else if (iid == IConnectedPlc::iid)
        p = static_cast<IConnectedPlc*>(this);
    else if (iid == com::kIidConnectionPointContainer)
        p = static_cast<IConnectionPointContainer*>(this);
    *object = p;
    if (!p) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

// The host's objects live as long as the host; their counts only show what
// the plug-ins still hold.
ULONG HostIde::AddRef() {
    return static_cast<ULONG>(++refs_ + 1);
}
ULONG HostIde::Release() {
    releaseHost();
    return static_cast<ULONG>(refs_ + 1);
}

}  // namespace velmora::host
