#pragma once
// A scripted IDE for the plug-in object's tests: each host interface is its
// own object with its own reference count, every call is written to a
// journal, and any step can be made to fail with a chosen result.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/com/ComPtr.h"
#include "base/com/HostInterfaces.h"
#include "base/com/TaskString.h"
#include "support/Support.h"

namespace velmora::testing {

class FakeHost;

// Reference counting of one fake object; the host owns the object, so a
// count that falls to zero frees nothing and one that falls below zero is noted.
class FakeRefs {
public:
    FakeRefs(FakeHost& host, std::string name) : host_(host), name_(std::move(name)) {}
    virtual ~FakeRefs() = default;
    int refs() const { return refs_; }
    const std::string& name() const { return name_; }

protected:
    ULONG addRef();
    ULONG release();
    HRESULT query(REFIID iid, void** object);
    FakeHost& host_;

private:
    std::string name_;
    int refs_ = 0;
};

#define FAKE_IUNKNOWN                                                                                    \
    HRESULT VELMORA_COM_CALL QueryInterface(REFIID iid, void** o) override { return query(iid, o); } \
    ULONG VELMORA_COM_CALL AddRef() override { return addRef(); }                                    \
    ULONG VELMORA_COM_CALL Release() override { return release(); }

class FakeMenuItem final : public IYantMenuItem, public FakeRefs {
public:
    FakeMenuItem(FakeHost& host, std::string name)
        : FakeRefs(host, "item " + name), itemName(std::move(name)) {}
    FAKE_IUNKNOWN
#define FAKE_ITEM_TEXT(Name, member)                                                                    \
    HRESULT VELMORA_COM_CALL Get##Name(char** v) override { return (*v = com::TaskString(member), S_OK); } \
    HRESULT VELMORA_COM_CALL Set##Name(const char* v) override { return (member = v ? v : "", S_OK); }
#define FAKE_ITEM_FLAG(Name, member)                                                                      \
    HRESULT VELMORA_COM_CALL Get##Name(VARIANT_BOOL* v) override { return (*v = member ? VARIANT_TRUE : VARIANT_FALSE, S_OK); } \
    HRESULT VELMORA_COM_CALL Set##Name(VARIANT_BOOL v) override { return (member = v != 0, S_OK); }
    FAKE_ITEM_TEXT(Name, itemName)
    FAKE_ITEM_TEXT(Caption, caption)
    FAKE_ITEM_FLAG(Enabled, enabled)
    FAKE_ITEM_FLAG(Visible, visible)
    HRESULT VELMORA_COM_CALL GetParent(IYantMenuItem** p) override {
        if ((*p = parent)) parent->AddRef();
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetCount(std::int32_t* count) override {
        return (*count = static_cast<std::int32_t>(children.size()), S_OK);
    }
    HRESULT VELMORA_COM_CALL GetItem(std::int32_t index, IYantMenuItem** item) override;
    HRESULT VELMORA_COM_CALL Insert(std::int32_t position, IYantMenuItem* item) override;
    HRESULT VELMORA_COM_CALL Remove(IYantMenuItem* item) override;
    HRESULT VELMORA_COM_CALL SetClickHandler(IYantClickHandler* h) override {
        return (handler = com::ComPtr<IYantClickHandler>::share(h), S_OK);
    }

    std::string itemName, caption;
    bool enabled = true, visible = true;
    FakeMenuItem* parent = nullptr;
    std::vector<FakeMenuItem*> children;
    com::ComPtr<IYantClickHandler> handler;
};

class FakeConnectionPoint final : public IConnectionPoint, public FakeRefs {
public:
    FakeConnectionPoint(FakeHost& host, const IID& iid, std::string name)
        : FakeRefs(host, "point " + name), pointName(std::move(name)), iid_(iid) {}
    ~FakeConnectionPoint() override;
    FAKE_IUNKNOWN
    HRESULT VELMORA_COM_CALL GetConnectionInterface(IID* iid) override;
    HRESULT VELMORA_COM_CALL GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT VELMORA_COM_CALL Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT VELMORA_COM_CALL Unadvise(DWORD cookie) override;
    HRESULT VELMORA_COM_CALL EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    const IID& iid() const { return iid_; }
    std::string pointName;
    std::map<DWORD, IUnknown*> sinks;

private:
    IID iid_;
};

class FakeHost {
public:
    FakeHost();
    ~FakeHost();

    // What the host reports.
    std::string projectDirectory;  // ends with '/'
    std::string plcName = "PLC1";
    std::string groupFile = "Group.opgr";
    std::int32_t language = 1;
    bool answerLanguage = true;
    bool answerStorageStreams = true;
    std::int32_t plcType = 14, plcSeries = 6, plcState = 0;
    std::string editorFont = "Consolas";
    std::int32_t editorFontSize = 11;
    void* owner = reinterpret_cast<void*>(0x4F57);
    std::vector<std::string> files;
    std::map<std::string, std::string> variables;
    std::map<std::int32_t, std::string> projectInfo;  // IYantApp's fields

    // Failing steps, by operation name ("QI IYantMenu", "Advise IYantCpmEvents",
    // "AddImage", ...), with the result each returns.
    std::map<std::string, HRESULT> failures;
    // Operations that throw a C++ exception instead of returning (the guard's tests).
    std::set<std::string> throwing;

    // The journal: one line per host call, e.g. "Advise IYantCpmEvents 4".
    std::vector<std::string> journal;
    // The lines starting with any of the prefixes, in order.
    std::vector<std::string> journalFrom(std::initializer_list<std::string_view> prefixes) const {
        return LinesStartingWith(journal, prefixes);
    }

    // Host objects.
    IUnknown* application();
    int applicationReferences() const;
    FakeMenuItem& menuRoot(int menu);
    FakeConnectionPoint& point(const IID& iid);
    // Every fake object with its outstanding references ("project manager" -> 0).
    std::map<std::string, int> outstandingReferences() const;
    // Objects released more often than obtained.
    std::vector<std::string> overReleased;

    // State the plug-in changed.
    CommLoopCallbackFunction callback = nullptr;
    std::int32_t imageIndex = 7;
    std::int32_t nextActionId = 100;
    IUnknown* actionSink = nullptr;
    FakeMenuItem* toolBarControl = nullptr;
    FakeMenuItem* actionMenuItem = nullptr;
    struct Document {
        void* view;
        DWORD cookie;
        std::string title;
        std::int32_t id;
    };
    std::vector<Document> documents;
    struct TreeChild {
        YantTreeNode parent;
        std::string caption;
        std::int32_t data, image, selected;
    };
    std::vector<TreeChild> treeChildren;
    YantTreeNode plcDocNode = reinterpret_cast<YantTreeNode>(0x70C);
    struct Form {
        bool inserted = false, shown = false, first = false, second = true;
        int area = -1, image = -1;
    };
    std::map<void*, Form> forms;
    std::vector<std::string> registeredFiles;

    // Used by the fakes.
    HRESULT route(FakeRefs& from, REFIID iid, void** object);
    HRESULT give(IUnknown* target, const std::string& name, void** object);  // a QI that may fail
    template <class T, class I>
    HRESULT hand(T* object, I** out) {
        object->AddRef();
        *out = object;
        return S_OK;
    }
    bool fails(const std::string& operation, HRESULT& hr);
    void note(std::string line) { journal.push_back(std::move(line)); }
    DWORD nextCookie() { return ++cookie_; }
    FakeMenuItem* makeItem(const std::string& name);
    void* storage() { return &storage_; }

    class Objects;
    std::unique_ptr<Objects> objects;

private:
    DWORD cookie_ = 0;
    std::vector<std::unique_ptr<FakeMenuItem>> items_;
    std::map<int, FakeMenuItem*> menus_;
    int storage_ = 0;
};

}  // namespace velmora::testing
