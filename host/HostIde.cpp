#include "host/HostIde.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/AtomicFile.h"
#include "base/OperandParser.h"
#include "base/Paths.h"
#include "base/com/TaskString.h"
#include "base/Strings.h"

namespace velmora::host {

namespace {

std::string Str(const char* s) {
    return s ? s : "";
}

// The names failures are asked for and traces show; a GUID for any other.
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

HRESULT Give(std::string_view text, char** out) {
    if (!out) return E_POINTER;
    *out = com::TaskString(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

// One connection point: the sinks advised on it, each held with a reference.
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

const PlcDescription* HostIde::currentPlcDescription() const {
    return plc_.empty() ? nullptr : project_.findPlc(plc_);
}

HostConnectionPoint& HostIde::point(const IID& iid) {
    for (auto& p : points_)
        if (p->iid() == iid) return *p;
    throw std::logic_error("No connection point for " + com::GuidToString(iid));
}

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

// ---- Events ----

void HostIde::loadProject() {
    note("event: load project");
    raise<IYantProjectEvents>([](IYantProjectEvents* s, DWORD) { return s->OnLoadProject(0); });
}

void HostIde::saveProject() {
    note("event: save project");
    raise<IYantProjectEvents>([](IYantProjectEvents* s, DWORD) { return s->OnSaveProject(0); });
}

bool HostIde::openPlc(const std::string& name) {
    const PlcDescription* plc = project_.findPlc(name);
    if (!plc) return false;
    plc_ = plc->name;
    note("event: open PLC " + plc_);
    const std::int32_t type = plc->type, series = plc->series;
    raise<IYantCpmEvents>([&](IYantCpmEvents* s, DWORD) { return s->OnPlcType(type, series, 0); });
    raise<IYantProjectEvents>([](IYantProjectEvents* s, DWORD) { return s->OnOpenControler(0, 0); });
    if (symbolsChanged) symbolsChanged();
    return true;
}

void HostIde::closePlc() {
    if (plc_.empty()) return;
    note("event: close PLC " + plc_);
    raise<IYantProjectEvents>([](IYantProjectEvents* s, DWORD) { return s->OnSaveControler(0); });
    raise<IYantProjectEvents>([](IYantProjectEvents* s, DWORD) { return s->OnCloseControler(); });
    plc_.clear();
}

class HostIde::FileListHold {
public:
    explicit FileListHold(HostIde& ide) : ide_(ide) { ++ide_.fileListHolds_; }
    ~FileListHold() {
        if (--ide_.fileListHolds_ > 0) return;
        ide_.flushFileList();
    }
    FileListHold(const FileListHold&) = delete;
    FileListHold& operator=(const FileListHold&) = delete;

private:
    HostIde& ide_;
};

bool HostIde::saveFileList() {
    fileListDirty_ = true;
    return fileListHolds_ > 0 || flushFileList();
}

bool HostIde::flushFileList() {
    if (!fileListDirty_) return true;
    try {
        SaveProjectFiles(project_);
    } catch (const std::exception& e) {
        // Still to be saved: a compilation that registered files fails while the project does not list them.
        note(std::string("error: the project's file list was not saved: ") + e.what());
        return false;
    }
    fileListDirty_ = false;
    return true;
}

bool HostIde::compile() {
    note("event: compile " + plc_);
    VARIANT_BOOL go = VARIANT_TRUE;
    {
        // Saved when the plug-ins are done, or when the event ends by an error.
        FileListHold hold(*this);
        raise<IYantCompilerEvents>([&](IYantCompilerEvents* s, DWORD) { return s->OnStartCompiling(&go); });
    }
    const bool listSaved = !fileListDirty_;
    // The stand-in has no PLC compiler: compiling is checking that the listed files exist.
    std::int32_t result = listSaved ? 0 : 1;
    if (go) {
        for (const auto& file : project_.files) {
            std::error_code ec;
            if (!std::filesystem::exists(HostPath(file, folder_), ec)) {
                note("compile: missing " + file);
                result = 1;
            }
        }
    }
    if (go && symbolsChanged) symbolsChanged();
    raise<IYantCompilerEvents>([&](IYantCompilerEvents* s, DWORD) { return s->OnEndCompiling(result); });
    return go != 0 && listSaved;
}

void HostIde::loadDesktop() {
    note("event: load desktop");
    auto* storage = static_cast<IYantOptionsStorageStreams*>(this);
    raise<IYantDesktopEvents>([&](IYantDesktopEvents* s, DWORD) { return s->LoadDesktop(storage); });
}

void HostIde::saveDesktop() {
    note("event: save desktop");
    auto* storage = static_cast<IYantOptionsStorageStreams*>(this);
    raise<IYantDesktopEvents>([&](IYantDesktopEvents* s, DWORD) { return s->SaveDesktop(storage); });
}

void HostIde::fillTree() {
    note("event: fill tree");
    raise<IPrjMngrTreeEvents>([](IPrjMngrTreeEvents* s, DWORD cookie) { return s->OnFillTree(cookie, 0); });
}

bool HostIde::openDocument(std::int32_t documentId) {
    for (auto& doc : documents_) {
        if (doc.id != documentId) continue;
        doc.open = true;
        const DWORD cookie = doc.cookie;
        note("event: open document " + doc.title);
        raise<IPrjMngrTreeEvents>([&](IPrjMngrTreeEvents* s, DWORD) { return s->OnDocumentOpen(cookie); });
        return true;
    }
    return false;
}

void HostIde::closeDocument(std::int32_t documentId) {
    for (auto& doc : documents_) {
        if (doc.id != documentId || !doc.open) continue;
        doc.open = false;
        const DWORD cookie = doc.cookie;
        raise<IPrjMngrTreeEvents>([&](IPrjMngrTreeEvents* s, DWORD) { return s->OnDocumentClose(cookie); });
    }
}

bool HostIde::executeAction(std::int32_t actionId) {
    for (auto& action : actions_) {
        if (action.id != actionId || !action.sink) continue;
        note("event: action " + action.caption);
        com::ComPtr<IYantMenuEvents> sink;
        if (SUCCEEDED(action.sink->QueryInterface(IYantMenuEvents::iid, sink.putVoid())) && sink)
            sink->OnMenuActionExecute(actionId);
        return true;
    }
    return false;
}

void HostIde::changeLanguage(std::int32_t code) {
    note("event: language " + std::to_string(code));
    raise<IYantProjectEvents>([&](IYantProjectEvents* s, DWORD) { return s->OnLanguageChange(code, 0); });
    // The tree is built anew in the new language: the plug-ins add their nodes again.
    while (tree_.size() > project_.plcs.size() + 2) tree_.pop_back();
    fillTree();
}

std::string HostIde::collectFileList(const std::filesystem::path& listFile) {
    std::string list;
    for (const auto& file : project_.files) list += file + "\n";
    if (auto result = WriteFileAtomically(listFile, list, WriteOptions{.sync = false}); !result)
        throw std::runtime_error(result.message());
    const std::string path = listFile.string();
    for (const auto& plc : project_.plcs) {
        YantFileListRecord record{0x102, plc.name.c_str(), path.c_str()};
        raise<IYantProjectEvents>([&](IYantProjectEvents* s, DWORD) {
            std::int32_t result = 0;
            return s->OnProjectFileList(0x100, 0x12, &record, &result);
        });
    }
    std::ifstream in(listFile);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

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

void HostIde::forgetPlugin(IUnknown* identity) {
    for (auto& action : actions_) {
        if (!action.sink) continue;
        com::ComPtr<IUnknown> other;
        action.sink->QueryInterface(com::kIidUnknown, other.putVoid());
        if (other.get() == identity) action.sink.reset();
    }
    std::erase_if(documents_, [&](const Document& doc) {
        for (auto [cookie, sink] : point(IPrjMngrTreeEvents::iid).sinks())
            if (cookie == doc.cookie) return false;
        return true;
    });
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

// ---- IYantProject ----

HRESULT HostIde::GetFileList(char** files) {
    if (const HRESULT f = injected("GetFileList"); FAILED(f)) return f;
    std::string text;
    for (const auto& f : project_.files) text += f + "\n";
    return Give(text, files);
}

HRESULT HostIde::AddFile(const char* fullPath, std::int32_t kind, const char* text, std::int32_t* handle) {
    if (const HRESULT f = injected("AddFile"); FAILED(f)) return f;
    if (!fullPath || !handle) return E_POINTER;
    const auto path = HostPath(fullPath).lexically_normal();
    const auto relative = path.lexically_relative(folder_.lexically_normal());
    if (relative.empty() || *relative.begin() == "..") return E_INVALIDARG;
    const std::string name = HostName(relative);
    auto it = std::find_if(project_.files.begin(), project_.files.end(),
                           [&](const std::string& f) { return EqualNoCase(f, name); });
    if (it == project_.files.end()) {
        project_.files.push_back(name);
        if (!saveFileList()) return E_FAIL;
        it = project_.files.end() - 1;
    }
    if (std::find(registered_.begin(), registered_.end(), *it) == registered_.end())
        registered_.push_back(*it);
    note("file " + name + " (kind " + std::to_string(kind) + (text && *text ? ", " + Str(text) : "") + ")");
    *handle = static_cast<std::int32_t>(it - project_.files.begin()) + 1;
    return S_OK;
}

HRESULT HostIde::RemoveFile(std::int32_t listIndex) {
    if (const HRESULT f = injected("RemoveFile"); FAILED(f)) return f;
    if (listIndex < 0 || listIndex >= static_cast<std::int32_t>(project_.files.size())) return E_INVALIDARG;
    note("file removed " + project_.files[static_cast<std::size_t>(listIndex)]);
    project_.files.erase(project_.files.begin() + listIndex);
    return saveFileList() ? S_OK : E_FAIL;
}

HRESULT HostIde::SetFileAttribute(std::int32_t handle, std::int32_t attribute, VARIANT_BOOL value) {
    if (const HRESULT f = injected("SetFileAttribute"); FAILED(f)) return f;
    if (handle < 1 || handle > static_cast<std::int32_t>(project_.files.size())) return E_INVALIDARG;
    note("file attribute " + project_.files[static_cast<std::size_t>(handle - 1)] + " " +
         std::to_string(attribute) + "=" + (value ? "1" : "0"));
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

// ---- IYantVariables ----

std::vector<HostIde::Variable> HostIde::variables() const {
    if (variableList) return variableList();
    std::vector<Variable> out;
    if (const PlcDescription* plc = currentPlcDescription()) {
        for (const auto& [name, text] : plc->variables) {
            const std::size_t space = text.rfind(' ');
            if (space == std::string::npos)
                out.push_back({name, "", text});
            else
                out.push_back({name, text.substr(0, space), text.substr(space + 1)});
        }
    }
    return out;
}

HRESULT HostIde::SelectVariable(const char* preset, char** chosen) {
    if (const HRESULT f = injected("SelectVariable"); FAILED(f)) return f;
    if (!chosen) return E_POINTER;
    *chosen = nullptr;
    note("SelectVariable " + Str(preset));
    if (!variablePicker) return S_FALSE;
    const auto name = variablePicker(variables(), Str(preset));
    if (!name) return S_FALSE;
    return Give(*name, chosen);
}

HRESULT HostIde::TranslateSymbol(const char* name, char** address) {
    if (const HRESULT f = injected("TranslateSymbol"); FAILED(f)) return f;
    if (!address) return E_POINTER;
    *address = nullptr;
    const std::string symbol = Str(name);
    if (const PlcDescription* plc = currentPlcDescription()) {
        for (const auto& [variable, text] : plc->variables) {
            if (!EqualNoCase(variable, symbol)) continue;
            // The plug-in reads the answer with the operand parser, which knows
            // sized keywords only: a bit's "BOOL" is dropped, and an address it
            // cannot read is no answer.
            std::string_view answer = text;
            while (!answer.empty() && answer.front() == ' ') answer.remove_prefix(1);
            if (answer.size() > 5 && EqualNoCase(std::string(answer.substr(0, 5)), "BOOL ")) answer.remove_prefix(5);
            if (plc::ParseOperand(answer)) return Give(std::string(answer), address);
        }
    }
    if (extraSymbols) {
        if (auto text = extraSymbols(symbol); text && plc::ParseOperand(*text)) return Give(*text, address);
    }
    return S_FALSE;
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
