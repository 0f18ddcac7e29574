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
std::string Num(std::int32_t n) {
    return " " + std::to_string(n);
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

// A host object: its interface, the name its references are counted under,
// and the vtable slots nothing calls.
#define FAKE_OBJECT(Class, Interface, label)                          \
    class Class final : public Interface, public FakeRefs {           \
    public:                                                           \
        explicit Class(FakeHost& h) : FakeRefs(h, label) {}           \
        FAKE_IUNKNOWN
#define SLOT(n) \
    HRESULT VELMORA_COM_CALL Unused##n() override { return S_OK; }
#define BODY(...)    \
    {                \
        __VA_ARGS__; \
        return S_OK; \
    }

// ---- The host's objects ----

FAKE_OBJECT(FakeApplication, IUnknown, "application")
};

FAKE_OBJECT(FakeProjectManager, IYantProjectManager, "project manager")
    SLOT(4) SLOT(7) SLOT(8) SLOT(9) SLOT(11) SLOT(12) SLOT(13) SLOT(14) SLOT(15) SLOT(16) SLOT(18)
    SLOT(20) SLOT(21) SLOT(22) SLOT(23) SLOT(24) SLOT(25)
    HRESULT VELMORA_COM_CALL GetOwner(YantHandle* owner) override {
        FAIL_OR_THROW("GetOwner");
        BODY(*owner = host_.owner)
    }
    HRESULT VELMORA_COM_CALL GetProjectTree(IYantProjectTree** tree) override;
    HRESULT VELMORA_COM_CALL FindTreeNode(const char* name, YantTreeNode* node) override {
        host_.note("FindTreeNode " + Str(name));
        BODY(*node = Str(name) == "PlcDoc" ? host_.plcDocNode : nullptr)
    }
    HRESULT VELMORA_COM_CALL GetProjectDirectory(char** directory) override {
        FAIL_OR_THROW("GetProjectDirectory");
        BODY(*directory = com::TaskString(host_.projectDirectory))
    }
    HRESULT VELMORA_COM_CALL GetCurrentPlcName(char** name) override {
        FAIL_OR_THROW("GetCurrentPlcName");
        BODY(*name = com::TaskString(host_.plcName))
    }
    HRESULT VELMORA_COM_CALL AddProjectDocument(YantHandle view, DWORD cookie, const char* title,
                                                std::int32_t* documentId) override {
        FAIL_OR_THROW("AddProjectDocument");
        *documentId = 500 + static_cast<std::int32_t>(host_.documents.size());
        host_.documents.push_back({view, cookie, Str(title), *documentId});
        BODY(host_.note("AddProjectDocument " + Str(title) + " " + std::to_string(cookie)))
    }
    HRESULT VELMORA_COM_CALL GetProjectGroupFile(char** path) override
        BODY(*path = com::TaskString(host_.groupFile))
};

FAKE_OBJECT(FakeProjectTree, IYantProjectTree, "project tree")
    HRESULT VELMORA_COM_CALL AddChild(YantTreeNode parent, const char* caption, std::int32_t data,
                                      std::int32_t imageIndex, std::int32_t selectedIndex,
                                      YantTreeNode* child) override {
        host_.treeChildren.push_back({parent, Str(caption), data, imageIndex, selectedIndex});
        host_.note("AddChild " + Str(caption));
        BODY(if (child) *child = &host_.treeChildren.back())
    }
};

FAKE_OBJECT(FakeRegisterCentre, IYantRegisterCentre, "register centre")
};

FAKE_OBJECT(FakeMenu, IYantMenu, "menu")
    SLOT(3)
    HRESULT VELMORA_COM_CALL AddImage(const std::uint8_t* bitmap, std::int32_t size,
                                      std::int32_t* index) override {
        FAIL_OR_THROW("AddImage");
        const bool isBitmap = size > 2 && bitmap[0] == 'B' && bitmap[1] == 'M';
        host_.note(std::string("AddImage ") + (isBitmap ? "BMP" : "not a bitmap"));
        BODY(*index = host_.imageIndex)
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
        return host_.hand(found, item);
    }
    HRESULT VELMORA_COM_CALL RegisterAction(const char* caption, const char* hint, std::int32_t reserved,
                                            std::int32_t imageIndex, IUnknown* sink, VARIANT_BOOL flag,
                                            std::int32_t* actionId) override {
        FAIL_OR_THROW("RegisterAction");
        host_.note("RegisterAction " + Str(caption) + " " + Str(hint) + Num(reserved) + Num(imageIndex) +
                   (sink ? " sink " : " null ") + Flag(flag));
        if (sink) sink->AddRef();
        host_.actionSink = sink;
        BODY(*actionId = host_.nextActionId)
    }
    HRESULT VELMORA_COM_CALL CreateMenuItem(std::int32_t actionId, std::int32_t menu, std::int32_t position,
                                            VARIANT_BOOL flag, IYantMenuItem** item) override {
        FAIL_OR_THROW("CreateMenuItem");
        host_.note("CreateMenuItem" + Num(actionId) + Num(menu) + Num(position) + " " + Flag(flag));
        return host_.hand(host_.actionMenuItem = host_.makeItem("action"), item);
    }
    HRESULT VELMORA_COM_CALL CreateToolBarControl(std::int32_t actionId, std::int32_t bar, VARIANT_BOOL flag,
                                                  IYantMenuItem** control) override {
        FAIL_OR_THROW("CreateToolBarControl");
        host_.note("CreateToolBarControl" + Num(actionId) + Num(bar) + " " + Flag(flag));
        return host_.hand(host_.toolBarControl = host_.makeItem("tool"), control);
    }
};

FAKE_OBJECT(FakeCommLoop, IOrvaneCommLoop, "comm loop")
    HRESULT VELMORA_COM_CALL RegisterCallback(CommLoopCallbackFunction callback) override {
        FAIL_OR_THROW("RegisterCallback");
        host_.note("RegisterCallback");
        BODY(host_.callback = callback)
    }
    HRESULT VELMORA_COM_CALL UnregisterCallback(CommLoopCallbackFunction callback) override {
        FAIL_OR_THROW("UnregisterCallback");
        host_.note(callback == host_.callback ? "UnregisterCallback" : "UnregisterCallback of another");
        BODY(if (callback == host_.callback) host_.callback = nullptr)
    }
};

FAKE_OBJECT(FakeIde, IOrvaneIDE, "IDE")
    SLOT(10) SLOT(11) SLOT(12)
    HRESULT VELMORA_COM_CALL InsertDockableForm(YantHandle form) override
        BODY(host_.note("InsertDockableForm"); host_.forms[form].inserted = true)
    HRESULT VELMORA_COM_CALL RemoveDockableForm(YantHandle form) override
        BODY(host_.note("RemoveDockableForm"); host_.forms.erase(form))
    HRESULT VELMORA_COM_CALL ShowDockableForm(YantHandle form) override
        BODY(host_.note("ShowDockableForm"); host_.forms[form].shown = true)
    HRESULT VELMORA_COM_CALL GetSecondDockFlag(YantHandle form, VARIANT_BOOL* value) override
        BODY(*value = host_.forms[form].second ? VARIANT_TRUE : VARIANT_FALSE)
    HRESULT VELMORA_COM_CALL SetSecondDockFlag(YantHandle form, VARIANT_BOOL value) override
        BODY(host_.forms[form].second = value != 0)
    HRESULT VELMORA_COM_CALL GetFirstDockFlag(YantHandle form, VARIANT_BOOL* value) override
        BODY(*value = host_.forms[form].first ? VARIANT_TRUE : VARIANT_FALSE)
    HRESULT VELMORA_COM_CALL SetFirstDockFlag(YantHandle form, VARIANT_BOOL value) override
        BODY(host_.forms[form].first = value != 0)
    HRESULT VELMORA_COM_CALL SetFormImage(YantHandle form, std::int32_t imageIndex) override
        BODY(host_.forms[form].image = imageIndex)
    HRESULT VELMORA_COM_CALL SaveFormLayout(YantHandle, const char* name, IUnknown* storage) override
        BODY(host_.note("SaveFormLayout " + Str(name) + (storage == host_.storage() ? " storage" : " other")))
    HRESULT VELMORA_COM_CALL SaveFormState(YantHandle, IUnknown*) override BODY(host_.note("SaveFormState"))
    HRESULT VELMORA_COM_CALL SaveDockState(YantHandle, IUnknown*) override BODY(host_.note("SaveDockState"))
    HRESULT VELMORA_COM_CALL LoadFormLayout(YantHandle, const char* name, IUnknown*) override {
        FAIL_OR_THROW("LoadFormLayout");
        BODY(host_.note("LoadFormLayout " + Str(name)))
    }
    HRESULT VELMORA_COM_CALL LoadFormState(YantHandle, IUnknown*) override BODY(host_.note("LoadFormState"))
};

FAKE_OBJECT(FakeStorageStreams, IYantOptionsStorageStreams, "storage streams")
};

FAKE_OBJECT(FakeLanguage, IYantLanguage, "language")
    HRESULT VELMORA_COM_CALL GetLanguage(std::int32_t* number) override BODY(*number = host_.language)
};

FAKE_OBJECT(FakeCpm, IYantCpm, "cpm")
    HRESULT VELMORA_COM_CALL GetPlcType(std::int32_t* type) override BODY(*type = host_.plcType)
    HRESULT VELMORA_COM_CALL GetPlcSeries(std::int32_t* series) override BODY(*series = host_.plcSeries)
};

FAKE_OBJECT(FakeProject, IYantProject, "project")
    SLOT(5)
    HRESULT VELMORA_COM_CALL GetFileList(char** files) override {
        std::string text;
        for (const auto& f : host_.files) text += f + "\n";
        BODY(*files = com::TaskString(text))
    }
    HRESULT VELMORA_COM_CALL AddFile(const char* fullPath, std::int32_t kind, const char* text,
                                     std::int32_t* handle) override {
        host_.note("AddFile " + Str(fullPath) + Num(kind) + " '" + Str(text) + "'");
        host_.registeredFiles.push_back(Str(fullPath));
        BODY(*handle = static_cast<std::int32_t>(host_.registeredFiles.size()))
    }
    HRESULT VELMORA_COM_CALL RemoveFile(std::int32_t index) override {
        if (index < 0 || index >= static_cast<std::int32_t>(host_.files.size())) return E_INVALIDARG;
        BODY(host_.files.erase(host_.files.begin() + index))
    }
    HRESULT VELMORA_COM_CALL SetFileAttribute(std::int32_t handle, std::int32_t attribute,
                                              VARIANT_BOOL value) override
        BODY(host_.note("SetFileAttribute" + Num(handle) + Num(attribute) + " " + Flag(value)))
};

FAKE_OBJECT(FakeContainer, IConnectionPointContainer, "container")
    HRESULT VELMORA_COM_CALL EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT VELMORA_COM_CALL FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        auto& cp = host_.point(iid);
        FAIL_OR_THROW("Find " + cp.pointName);
        host_.note("Find " + cp.pointName);
        return host_.hand(&cp, point);
    }
};

FAKE_OBJECT(FakePlcControl, IOrvanePlcControl, "PLC control")
    HRESULT VELMORA_COM_CALL GetPlcState(std::int32_t* state) override BODY(*state = host_.plcState)
};

FAKE_OBJECT(FakeWindows, IYantWindows, "windows")
    HRESULT VELMORA_COM_CALL PutIntoDockArea(YantHandle form, std::int32_t area) override
        BODY(host_.note("PutIntoDockArea" + Num(area)); host_.forms[form].area = area)
    HRESULT VELMORA_COM_CALL GetDockArea(YantHandle form, std::int32_t* area) override
        BODY(*area = host_.forms[form].area)
};

FAKE_OBJECT(FakeTextEditor, IYantTextEditor, "text editor")
    SLOT(3) SLOT(5) SLOT(6) SLOT(7) SLOT(8) SLOT(9) SLOT(10) SLOT(11) SLOT(12)
    HRESULT VELMORA_COM_CALL FileChanged(const char* path, VARIANT_BOOL flag) override
        BODY(host_.note("FileChanged " + Str(path) + " " + Flag(flag)))
    HRESULT VELMORA_COM_CALL GetEditorFont(char** name, std::int32_t* size) override
        BODY(*name = com::TaskString(host_.editorFont); *size = host_.editorFontSize)
};

FAKE_OBJECT(FakeVariables, IYantVariables, "variables")
    SLOT(3) SLOT(4) SLOT(5) SLOT(6) SLOT(7)
    HRESULT VELMORA_COM_CALL TranslateSymbol(const char* name, char** address) override {
        auto it = host_.variables.find(Str(name));
        *address = it == host_.variables.end() ? nullptr : com::TaskString(it->second);
        return *address ? S_OK : S_FALSE;
    }
};

FAKE_OBJECT(FakeProjectInfo, IYantApp, "app")
    HRESULT VELMORA_COM_CALL GetProjectInfo(std::int32_t field, char** value) override {
        auto it = host_.projectInfo.find(field);
        if (it == host_.projectInfo.end()) return E_INVALIDARG;
        BODY(*value = com::TaskString(it->second))
    }
};

class FakeHost::Objects {
public:
    explicit Objects(FakeHost& host) : h(host) {}
    FakeHost& h;
    FakeApplication app{h};
    FakeProjectManager pm{h};
    FakeProjectTree tree{h};
    FakeRegisterCentre rc{h};
    FakeMenu menu{h};
    FakeCommLoop loop{h};
    FakeIde ide{h};
    FakeStorageStreams streams{h};
    FakeLanguage language{h};
    FakeCpm cpm{h};
    FakeProject project{h};
    FakeContainer container{h};
    FakePlcControl plc{h};
    FakeWindows windows{h};
    FakeTextEditor editor{h};
    FakeVariables variables{h};
    FakeProjectInfo info{h};
    std::vector<std::unique_ptr<FakeConnectionPoint>> points;
    // Who answers which interface, with the name a failure is injected under.
    struct Route {
        FakeRefs* from;
        const IID* iid;
        IUnknown* target;
        const char* name;
        const bool* answers = nullptr;
    };
    std::vector<Route> routes;
};

HRESULT FakeProjectManager::GetProjectTree(IYantProjectTree** tree) {
    return host_.hand(&host_.objects->tree, tree);
}

// ---- Menu items and connection points ----

HRESULT FakeMenuItem::GetItem(std::int32_t index, IYantMenuItem** item) {
    if (index < 0 || index >= static_cast<std::int32_t>(children.size())) return E_INVALIDARG;
    return host_.hand(children[static_cast<std::size_t>(index)], item);
}
HRESULT FakeMenuItem::Insert(std::int32_t position, IYantMenuItem* item) {
    auto* child = static_cast<FakeMenuItem*>(item);
    if (child->parent) std::erase(child->parent->children, child);
    const auto at = std::min<std::size_t>(static_cast<std::size_t>(std::max(position, 0)), children.size());
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

FakeConnectionPoint::~FakeConnectionPoint() {
    for (auto& [cookie, sink] : sinks) sink->Release();
}
HRESULT FakeConnectionPoint::GetConnectionInterface(IID* iid) BODY(*iid = iid_)
HRESULT FakeConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    return host_.hand(&host_.objects->container, container);
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
    BODY(host_.note("Advise " + pointName + " " + std::to_string(*cookie)))
}
HRESULT FakeConnectionPoint::Unadvise(DWORD cookie) {
    auto it = sinks.find(cookie);
    if (it == sinks.end()) return CONNECT_E_NOCONNECTION;
    host_.note("Unadvise " + pointName + " " + std::to_string(cookie));
    it->second->Release();
    BODY(sinks.erase(it))
}

// ---- The host ----

#define ROUTE(from, I, target, ...) \
    o.routes.push_back({&o.from, &I::iid, static_cast<I*>(&o.target), #I __VA_OPT__(, ) __VA_ARGS__})

FakeHost::FakeHost() : objects(std::make_unique<Objects>(*this)) {
#define POINT(I) objects->points.push_back(std::make_unique<FakeConnectionPoint>(*this, I::iid, #I))
    POINT(IYantProjectEvents), POINT(IYantFilesEvents), POINT(IYantDesktopEvents), POINT(IYantCompilerEvents);
    POINT(IYantCpmEvents), POINT(IOrvaneCommStateEvent), POINT(IPrjMngrTreeEvents);
    FakeMenuItem& help = menuRoot(9);
    for (const char* name : {"miContents", "miIndex", "miSeparator", "miAbout"}) {
        FakeMenuItem* item = makeItem(name);
        item->parent = &help;
        help.children.push_back(item);
    }
    Objects& o = *objects;
    o.routes.push_back({&o.app, &com::kIidUnknown, &o.app, "IUnknown"});
    ROUTE(app, IYantProjectManager, pm);
    ROUTE(app, IYantRegisterCentre, rc);
    ROUTE(app, IYantMenu, menu);
    ROUTE(app, IOrvaneCommLoop, loop);
    o.routes.push_back({&o.pm, &com::kIidUnknown, static_cast<IYantProjectManager*>(&o.pm), "IYantProjectManager"});
    ROUTE(pm, IYantProjectManager, pm);
    ROUTE(pm, IOrvaneIDE, ide);
    ROUTE(pm, IYantLanguage, language, &answerLanguage);
    ROUTE(pm, IYantCpm, cpm);
    ROUTE(pm, IYantProject, project);
    o.routes.push_back({&o.pm, &com::kIidConnectionPointContainer, &o.container, "IConnectionPointContainer"});
    o.routes.push_back({&o.rc, &com::kIidUnknown, static_cast<IYantRegisterCentre*>(&o.rc), "IYantRegisterCentre"});
    ROUTE(rc, IYantRegisterCentre, rc);
    ROUTE(rc, IOrvanePlcControl, plc);
    ROUTE(rc, IYantWindows, windows);
    ROUTE(rc, IYantTextEditor, editor);
    ROUTE(rc, IYantVariables, variables);
    ROUTE(rc, IYantProject, project);
    ROUTE(rc, IYantCpm, cpm);
    ROUTE(rc, IYantApp, info);
    o.routes.push_back({&o.ide, &com::kIidUnknown, static_cast<IOrvaneIDE*>(&o.ide), "IOrvaneIDE"});
    ROUTE(ide, IOrvaneIDE, ide);
    ROUTE(ide, IYantOptionsStorageStreams, streams, &answerStorageStreams);
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
    const Objects& o = *objects;
    const FakeRefs* all[] = {&o.pm,  &o.tree,    &o.rc,      &o.menu,    &o.loop,    &o.ide,
                             &o.streams, &o.language, &o.cpm, &o.project, &o.container, &o.plc,
                             &o.windows, &o.editor,   &o.variables, &o.info};
    for (const FakeRefs* r : all) refs[r->name()] = r->refs();
    for (const auto& p : o.points) refs[p->name()] = p->refs();
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

HRESULT FakeHost::give(IUnknown* target, const std::string& name, void** object) {
    HRESULT hr = S_OK;
    if (fails("QI " + name, hr)) return hr;
    target->AddRef();
    *object = target;
    return S_OK;
}

HRESULT FakeHost::route(FakeRefs& from, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    for (const auto& r : objects->routes)
        if (r.from == &from && *r.iid == iid && (!r.answers || *r.answers)) return give(r.target, r.name, object);
    // Menu items and connection points answer for themselves.
    if (auto* item = dynamic_cast<FakeMenuItem*>(&from); item && (iid == IYantMenuItem::iid || iid == com::kIidUnknown))
        return give(item, "IYantMenuItem", object);
    if (auto* cp = dynamic_cast<FakeConnectionPoint*>(&from);
        cp && (iid == com::kIidConnectionPoint || iid == com::kIidUnknown))
        return give(cp, "IConnectionPoint", object);
    return E_NOINTERFACE;
}

}  // namespace velmora::testing
