#include "FakeHost.h"

#include <algorithm>
#include <stdexcept>

#include "base/com/TaskString.h"

namespace velmora::testing {

namespace {
std::string Str(const char* s) {
    return s ? s : "";
}
std::string Flag(VARIANT_BOOL b) {
    return b ? "true" : "false";
}
}  // namespace

ULONG FakeRefs::addRef() {
    return static_cast<ULONG>(++refs_);
}

HRESULT FakeRefs::query(REFIID iid, void** object) {
    return host_.route(*this, iid, object);
}

ULONG FakeRefs::release() {
    if (--refs_ < 0) host_.overReleased.push_back(name_);
    return static_cast<ULONG>(std::max(refs_, 0));
}

#define FAIL_OR_THROW(op)                               \
    do {                                                \
        HRESULT failure_ = S_OK;                        \
        if (host_.fails(op, failure_)) return failure_; \
    } while (0)

// ---- The host's objects ----

class FakeApplication final : public IUnknown, public FakeRefs {
public:
    explicit FakeApplication(FakeHost& h) : FakeRefs(h, "application") {}
    FAKE_IUNKNOWN
};

class FakeProjectManager final : public IYantProjectManager, public FakeRefs {
public:
    explicit FakeProjectManager(FakeHost& h) : FakeRefs(h, "project manager") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL Unused4() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused7() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused8() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused9() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused11() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused12() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused13() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused14() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused15() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused16() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused18() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused20() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused21() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused22() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused23() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused24() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused25() override { return S_OK; }

    HRESULT VELMORA_COM_CALL GetOwner(YantHandle* owner) override {
        FAIL_OR_THROW("GetOwner");
        *owner = host_.owner;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetProjectTree(IYantProjectTree** tree) override;
    HRESULT VELMORA_COM_CALL FindTreeNode(const char* name, YantTreeNode* node) override {
        host_.note("FindTreeNode " + Str(name));
        *node = Str(name) == "PlcDoc" ? host_.plcDocNode : nullptr;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetProjectDirectory(char** directory) override {
        FAIL_OR_THROW("GetProjectDirectory");
        *directory = com::TaskString(host_.projectDirectory);
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetCurrentPlcName(char** name) override {
        FAIL_OR_THROW("GetCurrentPlcName");
        *name = com::TaskString(host_.plcName);
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL AddProjectDocument(YantHandle view, DWORD cookie, const char* title,
                                                std::int32_t* documentId) override {
        FAIL_OR_THROW("AddProjectDocument");
        const std::int32_t id = 500 + static_cast<std::int32_t>(host_.documents.size());
        host_.documents.push_back({view, cookie, Str(title), id});
        host_.note("AddProjectDocument " + Str(title) + " " + std::to_string(cookie));
        *documentId = id;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetProjectGroupFile(char** path) override {
        *path = com::TaskString(host_.groupFile);
        return S_OK;
    }
};

class FakeProjectTree final : public IYantProjectTree, public FakeRefs {
public:
    explicit FakeProjectTree(FakeHost& h) : FakeRefs(h, "project tree") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL AddChild(YantTreeNode parent, const char* caption, std::int32_t data,
                                      std::int32_t imageIndex, std::int32_t selectedIndex,
                                      YantTreeNode* child) override {
        host_.treeChildren.push_back({parent, Str(caption), data, imageIndex, selectedIndex});
        host_.note("AddChild " + Str(caption));
        if (child) *child = &host_.treeChildren.back();
        return S_OK;
    }
};

class FakeRegisterCentre final : public IYantRegisterCentre, public FakeRefs {
public:
    explicit FakeRegisterCentre(FakeHost& h) : FakeRefs(h, "register centre") {}
    FAKE_IUNKNOWN
};

class FakeMenu final : public IYantMenu, public FakeRefs {
public:
    explicit FakeMenu(FakeHost& h) : FakeRefs(h, "menu") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL Unused3() override { return S_OK; }
    HRESULT VELMORA_COM_CALL AddImage(const std::uint8_t* bitmap, std::int32_t size,
                                      std::int32_t* index) override {
        FAIL_OR_THROW("AddImage");
        const bool isBitmap = size > 2 && bitmap[0] == 'B' && bitmap[1] == 'M';
        host_.note(std::string("AddImage ") + (isBitmap ? "BMP" : "not a bitmap"));
        *index = host_.imageIndex;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetMenuItem(std::int32_t menu, const char* name, IYantMenuItem** item) override {
        FAIL_OR_THROW("GetMenuItem " + Str(name));
        host_.note("GetMenuItem " + std::to_string(menu) + " " + Str(name));
        FakeMenuItem& root = host_.menuRoot(menu);
        FakeMenuItem* found = nullptr;
        for (FakeMenuItem* child : root.children)
            if (child->itemName == Str(name)) found = child;
        if (!found) {
            found = host_.makeItem(Str(name));
            found->parent = &root;
            root.children.push_back(found);
        }
        found->AddRef();
        *item = found;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL RegisterAction(const char* caption, const char* hint, std::int32_t reserved,
                                            std::int32_t imageIndex, IUnknown* sink, VARIANT_BOOL flag,
                                            std::int32_t* actionId) override {
        FAIL_OR_THROW("RegisterAction");
        host_.note("RegisterAction " + Str(caption) + " " + Str(hint) + " " + std::to_string(reserved) + " " +
                   std::to_string(imageIndex) + " " + (sink ? "sink" : "null") + " " + Flag(flag));
        if (sink) sink->AddRef();
        host_.actionSink = sink;
        *actionId = host_.nextActionId;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL CreateMenuItem(std::int32_t actionId, std::int32_t menu, std::int32_t position,
                                            VARIANT_BOOL flag, IYantMenuItem** item) override {
        FAIL_OR_THROW("CreateMenuItem");
        host_.note("CreateMenuItem " + std::to_string(actionId) + " " + std::to_string(menu) + " " +
                   std::to_string(position) + " " + Flag(flag));
        host_.actionMenuItem = host_.makeItem("action");
        host_.actionMenuItem->AddRef();
        *item = host_.actionMenuItem;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL CreateToolBarControl(std::int32_t actionId, std::int32_t bar, VARIANT_BOOL flag,
                                                  IYantMenuItem** control) override {
        FAIL_OR_THROW("CreateToolBarControl");
        host_.note("CreateToolBarControl " + std::to_string(actionId) + " " + std::to_string(bar) + " " +
                   Flag(flag));
        host_.toolBarControl = host_.makeItem("tool");
        host_.toolBarControl->AddRef();
        *control = host_.toolBarControl;
        return S_OK;
    }
};

class FakeCommLoop final : public IOrvaneCommLoop, public FakeRefs {
public:
    explicit FakeCommLoop(FakeHost& h) : FakeRefs(h, "comm loop") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL RegisterCallback(CommLoopCallbackFunction callback) override {
        FAIL_OR_THROW("RegisterCallback");
        host_.note("RegisterCallback");
        host_.callback = callback;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL UnregisterCallback(CommLoopCallbackFunction callback) override {
        FAIL_OR_THROW("UnregisterCallback");
        host_.note(callback == host_.callback ? "UnregisterCallback" : "UnregisterCallback of another");
        if (callback == host_.callback) host_.callback = nullptr;
        return S_OK;
    }
};

class FakeIde final : public IOrvaneIDE, public FakeRefs {
public:
    explicit FakeIde(FakeHost& h) : FakeRefs(h, "IDE") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL Unused10() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused11() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused12() override { return S_OK; }
    HRESULT VELMORA_COM_CALL InsertDockableForm(YantHandle form) override {
        host_.note("InsertDockableForm");
        host_.forms[form].inserted = true;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL RemoveDockableForm(YantHandle form) override {
        host_.note("RemoveDockableForm");
        host_.forms.erase(form);
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL ShowDockableForm(YantHandle form) override {
        host_.note("ShowDockableForm");
        host_.forms[form].shown = true;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetSecondDockFlag(YantHandle form, VARIANT_BOOL* value) override {
        *value = host_.forms[form].second ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL SetSecondDockFlag(YantHandle form, VARIANT_BOOL value) override {
        host_.forms[form].second = value != 0;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetFirstDockFlag(YantHandle form, VARIANT_BOOL* value) override {
        *value = host_.forms[form].first ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL SetFirstDockFlag(YantHandle form, VARIANT_BOOL value) override {
        host_.forms[form].first = value != 0;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL SetFormImage(YantHandle form, std::int32_t imageIndex) override {
        host_.forms[form].image = imageIndex;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL SaveFormLayout(YantHandle, const char* name, IUnknown* storage) override {
        host_.note("SaveFormLayout " + Str(name) + (storage == host_.storage() ? " storage" : " other"));
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL SaveFormState(YantHandle, IUnknown*) override {
        host_.note("SaveFormState");
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL SaveDockState(YantHandle, IUnknown*) override {
        host_.note("SaveDockState");
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL LoadFormLayout(YantHandle, const char* name, IUnknown*) override {
        FAIL_OR_THROW("LoadFormLayout");
        host_.note("LoadFormLayout " + Str(name));
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL LoadFormState(YantHandle, IUnknown*) override {
        host_.note("LoadFormState");
        return S_OK;
    }
};

class FakeStorageStreams final : public IYantOptionsStorageStreams, public FakeRefs {
public:
    explicit FakeStorageStreams(FakeHost& h) : FakeRefs(h, "storage streams") {}
    FAKE_IUNKNOWN
};

class FakeLanguage final : public IYantLanguage, public FakeRefs {
public:
    explicit FakeLanguage(FakeHost& h) : FakeRefs(h, "language") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL GetLanguage(std::int32_t* number) override {
        *number = host_.language;
        return S_OK;
    }
};

class FakeCpm final : public IYantCpm, public FakeRefs {
public:
    explicit FakeCpm(FakeHost& h) : FakeRefs(h, "cpm") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL GetPlcType(std::int32_t* type) override {
        *type = host_.plcType;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetPlcSeries(std::int32_t* series) override {
        *series = host_.plcSeries;
        return S_OK;
    }
};

class FakeProject final : public IYantProject, public FakeRefs {
public:
    explicit FakeProject(FakeHost& h) : FakeRefs(h, "project") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL Unused5() override { return S_OK; }
    HRESULT VELMORA_COM_CALL GetFileList(char** files) override {
        std::string text;
        for (const auto& f : host_.files) text += f + "\n";
        *files = com::TaskString(text);
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL AddFile(const char* fullPath, std::int32_t kind, const char* text,
                                     std::int32_t* handle) override {
        host_.note("AddFile " + Str(fullPath) + " " + std::to_string(kind) + " '" + Str(text) + "'");
        host_.registeredFiles.push_back(Str(fullPath));
        *handle = static_cast<std::int32_t>(host_.registeredFiles.size());
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL RemoveFile(std::int32_t index) override {
        if (index < 0 || index >= static_cast<std::int32_t>(host_.files.size())) return E_INVALIDARG;
        host_.files.erase(host_.files.begin() + index);
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL SetFileAttribute(std::int32_t handle, std::int32_t attribute,
                                              VARIANT_BOOL value) override {
        host_.note("SetFileAttribute " + std::to_string(handle) + " " + std::to_string(attribute) + " " +
                   Flag(value));
        return S_OK;
    }
};

class FakeContainer final : public IConnectionPointContainer, public FakeRefs {
public:
    explicit FakeContainer(FakeHost& h) : FakeRefs(h, "container") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT VELMORA_COM_CALL FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        auto& cp = host_.point(iid);
        FAIL_OR_THROW("Find " + cp.pointName);
        host_.note("Find " + cp.pointName);
        cp.AddRef();
        *point = &cp;
        return S_OK;
    }
};

class FakePlcControl final : public IOrvanePlcControl, public FakeRefs {
public:
    explicit FakePlcControl(FakeHost& h) : FakeRefs(h, "PLC control") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL GetPlcState(std::int32_t* state) override {
        *state = host_.plcState;
        return S_OK;
    }
};

class FakeWindows final : public IYantWindows, public FakeRefs {
public:
    explicit FakeWindows(FakeHost& h) : FakeRefs(h, "windows") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL PutIntoDockArea(YantHandle form, std::int32_t area) override {
        host_.note("PutIntoDockArea " + std::to_string(area));
        host_.forms[form].area = area;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetDockArea(YantHandle form, std::int32_t* area) override {
        *area = host_.forms[form].area;
        return S_OK;
    }
};

class FakeTextEditor final : public IYantTextEditor, public FakeRefs {
public:
    explicit FakeTextEditor(FakeHost& h) : FakeRefs(h, "text editor") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL Unused3() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused5() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused6() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused7() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused8() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused9() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused10() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused11() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused12() override { return S_OK; }
    HRESULT VELMORA_COM_CALL FileChanged(const char* path, VARIANT_BOOL flag) override {
        host_.note("FileChanged " + Str(path) + " " + Flag(flag));
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetEditorFont(char** name, std::int32_t* size) override {
        *name = com::TaskString(host_.editorFont);
        *size = host_.editorFontSize;
        return S_OK;
    }
};

class FakeVariables final : public IYantVariables, public FakeRefs {
public:
    explicit FakeVariables(FakeHost& h) : FakeRefs(h, "variables") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL Unused3() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused4() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused5() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused6() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused7() override { return S_OK; }
    HRESULT VELMORA_COM_CALL TranslateSymbol(const char* name, char** address) override {
        auto it = host_.variables.find(Str(name));
        *address = it == host_.variables.end() ? nullptr : com::TaskString(it->second);
        return *address ? S_OK : S_FALSE;
    }
};

class FakeProjectInfo final : public IYantApp, public FakeRefs {
public:
    explicit FakeProjectInfo(FakeHost& h) : FakeRefs(h, "app") {}
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL GetProjectInfo(std::int32_t field, char** value) override {
        auto it = host_.projectInfo.find(field);
        if (it == host_.projectInfo.end()) return E_INVALIDARG;
        *value = com::TaskString(it->second);
        return S_OK;
    }
};

class FakeHost::Objects {
public:
    explicit Objects(FakeHost& h)
        : app(h),
          pm(h),
          tree(h),
          rc(h),
          menu(h),
          loop(h),
          ide(h),
          streams(h),
          language(h),
          cpm(h),
          project(h),
          container(h),
          plc(h),
          windows(h),
          editor(h),
          variables(h),
          info(h) {}
    FakeApplication app;
    FakeProjectManager pm;
    FakeProjectTree tree;
    FakeRegisterCentre rc;
    FakeMenu menu;
    FakeCommLoop loop;
    FakeIde ide;
    FakeStorageStreams streams;
    FakeLanguage language;
    FakeCpm cpm;
    FakeProject project;
    FakeContainer container;
    FakePlcControl plc;
    FakeWindows windows;
    FakeTextEditor editor;
    FakeVariables variables;
    FakeProjectInfo info;
    std::vector<std::unique_ptr<FakeConnectionPoint>> points;
};

HRESULT FakeProjectManager::GetProjectTree(IYantProjectTree** tree) {
    host_.objects->tree.AddRef();
    *tree = &host_.objects->tree;
    return S_OK;
}

// ---- Menu items and connection points ----

HRESULT FakeMenuItem::GetName(char** name) {
    *name = com::TaskString(itemName);
    return S_OK;
}
HRESULT FakeMenuItem::SetName(const char* name) {
    itemName = Str(name);
    return S_OK;
}
HRESULT FakeMenuItem::GetCaption(char** c) {
    *c = com::TaskString(caption);
    return S_OK;
}
HRESULT FakeMenuItem::SetCaption(const char* c) {
    caption = Str(c);
    return S_OK;
}
HRESULT FakeMenuItem::GetEnabled(VARIANT_BOOL* e) {
    *e = enabled ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
HRESULT FakeMenuItem::SetEnabled(VARIANT_BOOL e) {
    enabled = e != 0;
    return S_OK;
}
HRESULT FakeMenuItem::GetVisible(VARIANT_BOOL* v) {
    *v = visible ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
HRESULT FakeMenuItem::SetVisible(VARIANT_BOOL v) {
    visible = v != 0;
    return S_OK;
}
HRESULT FakeMenuItem::GetParent(IYantMenuItem** p) {
    *p = parent;
    if (parent) parent->AddRef();
    return S_OK;
}
HRESULT FakeMenuItem::GetCount(std::int32_t* count) {
    *count = static_cast<std::int32_t>(children.size());
    return S_OK;
}
HRESULT FakeMenuItem::GetItem(std::int32_t index, IYantMenuItem** item) {
    if (index < 0 || index >= static_cast<std::int32_t>(children.size())) return E_INVALIDARG;
    *item = children[static_cast<std::size_t>(index)];
    (*item)->AddRef();
    return S_OK;
}
HRESULT FakeMenuItem::Insert(std::int32_t position, IYantMenuItem* item) {
    auto* child = static_cast<FakeMenuItem*>(item);
    if (child->parent) std::erase(child->parent->children, child);
    const auto at =
        std::clamp<std::size_t>(static_cast<std::size_t>(std::max(position, 0)), 0, children.size());
    children.insert(children.begin() + static_cast<std::ptrdiff_t>(at), child);
    child->parent = this;
    return S_OK;
}
HRESULT FakeMenuItem::Remove(IYantMenuItem* item) {
    auto* child = static_cast<FakeMenuItem*>(item);
    std::erase(children, child);
    child->parent = nullptr;
    return S_OK;
}
HRESULT FakeMenuItem::SetClickHandler(IYantClickHandler* h) {
    handler = com::ComPtr<IYantClickHandler>::share(h);
    return S_OK;
}

FakeConnectionPoint::~FakeConnectionPoint() {
    for (auto& [cookie, sink] : sinks) sink->Release();
}
HRESULT FakeConnectionPoint::GetConnectionInterface(IID* iid) {
    *iid = iid_;
    return S_OK;
}
HRESULT FakeConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    host_.objects->container.AddRef();
    *container = &host_.objects->container;
    return S_OK;
}
HRESULT FakeConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    FAIL_OR_THROW("Advise " + pointName);
    IUnknown* held = nullptr;
    if (!sink || FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&held))))
        return CONNECT_E_CANNOTCONNECT;
    held->Release();
    sink->AddRef();
    *cookie = host_.nextCookie();
    sinks[*cookie] = sink;
    host_.note("Advise " + pointName + " " + std::to_string(*cookie));
    return S_OK;
}
HRESULT FakeConnectionPoint::Unadvise(DWORD cookie) {
    auto it = sinks.find(cookie);
    if (it == sinks.end()) return CONNECT_E_NOCONNECTION;
    host_.note("Unadvise " + pointName + " " + std::to_string(cookie));
    it->second->Release();
    sinks.erase(it);
    return S_OK;
}
HRESULT FakeConnectionPoint::EnumConnections(IEnumConnections**) {
    return E_NOTIMPL;
}

// ---- The host ----

FakeHost::FakeHost() : objects(std::make_unique<Objects>(*this)) {
    const std::pair<const IID*, const char*> points[] = {
        {&IYantProjectEvents::iid, "IYantProjectEvents"},
        {&IYantFilesEvents::iid, "IYantFilesEvents"},
        {&IYantDesktopEvents::iid, "IYantDesktopEvents"},
        {&IYantCompilerEvents::iid, "IYantCompilerEvents"},
        {&IYantCpmEvents::iid, "IYantCpmEvents"},
        {&IOrvaneCommStateEvent::iid, "IOrvaneCommStateEvent"},
        {&IPrjMngrTreeEvents::iid, "IPrjMngrTreeEvents"},
    };
    for (auto [iid, name] : points)
        objects->points.push_back(std::make_unique<FakeConnectionPoint>(*this, *iid, name));
    FakeMenuItem& help = menuRoot(9);
    for (const char* name : {"miContents", "miIndex", "miSeparator", "miAbout"}) {
        FakeMenuItem* item = makeItem(name);
        item->parent = &help;
        help.children.push_back(item);
    }
}

FakeHost::~FakeHost() {
    // The plug-in may live on through the references the host holds; let it go
    // while every host object is still whole.
    std::vector<IUnknown*> held;
    if (actionSink) held.push_back(std::exchange(actionSink, nullptr));
    for (auto& p : objects->points)
        for (auto& [cookie, sink] : std::exchange(p->sinks, {})) held.push_back(sink);
    for (auto& item : items_) item->handler.reset();
    for (IUnknown* sink : held) sink->Release();
    objects.reset();
}

std::vector<std::string> FakeHost::journalFrom(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const auto& line : journal)
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
}

IUnknown* FakeHost::application() {
    return &objects->app;
}
int FakeHost::applicationReferences() const {
    return objects->app.refs();
}

FakeMenuItem* FakeHost::makeItem(const std::string& name) {
    items_.push_back(std::make_unique<FakeMenuItem>(*this, name));
    return items_.back().get();
}

FakeMenuItem& FakeHost::menuRoot(int menu) {
    auto& root = menus_[menu];
    if (!root) root = makeItem("menu" + std::to_string(menu));
    return *root;
}

FakeConnectionPoint& FakeHost::point(const IID& iid) {
    for (auto& p : objects->points)
        if (p->iid() == iid) return *p;
    throw std::logic_error("No such connection point");
}

std::map<std::string, int> FakeHost::outstandingReferences() const {
    std::map<std::string, int> refs;
    const FakeRefs* all[] = {&objects->pm,      &objects->tree,    &objects->rc,        &objects->menu,
                             &objects->loop,    &objects->ide,     &objects->streams,   &objects->language,
                             &objects->cpm,     &objects->project, &objects->container, &objects->plc,
                             &objects->windows, &objects->editor,  &objects->variables, &objects->info};
    for (const FakeRefs* o : all) refs[o->name()] = o->refs();
    for (const auto& p : objects->points) refs[p->name()] = p->refs();
    for (const auto& item : items_) refs[item->name()] += item->refs();
    return refs;
}

bool FakeHost::fails(const std::string& operation, HRESULT& hr) {
    if (throwing.count(operation)) throw std::runtime_error(operation + " threw");
    auto it = failures.find(operation);
    if (it == failures.end()) return false;
    note("failed " + operation);
    hr = it->second;
    return true;
}

HRESULT FakeHost::route(FakeRefs& from, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    auto give = [&](auto* target, const char* name) -> HRESULT {
        HRESULT hr = S_OK;
        if (fails(std::string("QI ") + name, hr)) return hr;
        target->AddRef();
        *object = static_cast<void*>(target);
        return S_OK;
    };
    Objects& o = *objects;
    // Every object answers for itself.
    if (iid == com::kIidUnknown) {
        if (&from == &o.app) return give(static_cast<IUnknown*>(&o.app), "IUnknown");
    }
    if (&from == &o.app) {
        if (iid == IYantProjectManager::iid)
            return give(static_cast<IYantProjectManager*>(&o.pm), "IYantProjectManager");
        if (iid == IYantRegisterCentre::iid)
            return give(static_cast<IYantRegisterCentre*>(&o.rc), "IYantRegisterCentre");
        if (iid == IYantMenu::iid) return give(static_cast<IYantMenu*>(&o.menu), "IYantMenu");
        if (iid == IOrvaneCommLoop::iid)
            return give(static_cast<IOrvaneCommLoop*>(&o.loop), "IOrvaneCommLoop");
    } else if (&from == &o.pm) {
        if (iid == IYantProjectManager::iid || iid == com::kIidUnknown)
            return give(static_cast<IYantProjectManager*>(&o.pm), "IYantProjectManager");
        if (iid == IOrvaneIDE::iid) return give(static_cast<IOrvaneIDE*>(&o.ide), "IOrvaneIDE");
        if (iid == IYantLanguage::iid && answerLanguage)
            return give(static_cast<IYantLanguage*>(&o.language), "IYantLanguage");
        if (iid == IYantCpm::iid) return give(static_cast<IYantCpm*>(&o.cpm), "IYantCpm");
        if (iid == IYantProject::iid) return give(static_cast<IYantProject*>(&o.project), "IYantProject");
        if (iid == com::kIidConnectionPointContainer)
            return give(static_cast<IConnectionPointContainer*>(&o.container), "IConnectionPointContainer");
    } else if (&from == &o.rc) {
        if (iid == IYantRegisterCentre::iid || iid == com::kIidUnknown)
            return give(static_cast<IYantRegisterCentre*>(&o.rc), "IYantRegisterCentre");
        if (iid == IOrvanePlcControl::iid)
            return give(static_cast<IOrvanePlcControl*>(&o.plc), "IOrvanePlcControl");
        if (iid == IYantWindows::iid) return give(static_cast<IYantWindows*>(&o.windows), "IYantWindows");
        if (iid == IYantTextEditor::iid)
            return give(static_cast<IYantTextEditor*>(&o.editor), "IYantTextEditor");
        if (iid == IYantVariables::iid)
            return give(static_cast<IYantVariables*>(&o.variables), "IYantVariables");
        if (iid == IYantProject::iid) return give(static_cast<IYantProject*>(&o.project), "IYantProject");
        if (iid == IYantCpm::iid) return give(static_cast<IYantCpm*>(&o.cpm), "IYantCpm");
        if (iid == IYantApp::iid) return give(static_cast<IYantApp*>(&o.info), "IYantApp");
    } else if (&from == &o.ide) {
        if (iid == IOrvaneIDE::iid || iid == com::kIidUnknown)
            return give(static_cast<IOrvaneIDE*>(&o.ide), "IOrvaneIDE");
        if (iid == IYantOptionsStorageStreams::iid && answerStorageStreams)
            return give(static_cast<IYantOptionsStorageStreams*>(&o.streams), "IYantOptionsStorageStreams");
    } else if (auto* item = dynamic_cast<FakeMenuItem*>(&from)) {
        if (iid == IYantMenuItem::iid || iid == com::kIidUnknown)
            return give(static_cast<IYantMenuItem*>(item), "IYantMenuItem");
    } else if (auto* cp = dynamic_cast<FakeConnectionPoint*>(&from)) {
        if (iid == com::kIidConnectionPoint || iid == com::kIidUnknown)
            return give(static_cast<IConnectionPoint*>(cp), "IConnectionPoint");
    }
    return E_NOINTERFACE;
}

}  // namespace velmora::testing
