#pragma once
// The IDE stand-in: the host interfaces the plug-in calls, implemented over a
// project folder on disk (its "*.oprj" description), and the host's side of
// every event the plug-in handles. One object answers every host interface,
// as the application object the plug-in receives at installation; its parts
// live in HostIde*.cpp by interface group (Project, Compiler, Events,
// Communication, Menus, Windows, Variables, Connections).
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/com/ComPtr.h"
#include "base/com/HostInterfaces.h"
#include "controllers/ProjectDescription.h"
#include "host/HostMenuItem.h"

namespace velmora::host {

class HostConnectionPoint;

// Menu numbers, bar numbers and dock areas of this host.
constexpr int kHelpMenu = 9;
constexpr int kToolsMenu = 8;
constexpr int kPluginBar = 3;

class HostIde final : public IYantProjectManager,
                      public IYantProjectTree,
                      public IYantProject,
                      public IYantCpm,
                      public IYantMenu,
                      public IOrvaneCommLoop,
                      public IOrvaneIDE,
                      public IYantOptionsStorageStreams,
                      public IYantWindows,
                      public IYantTextEditor,
                      public IYantLanguage,
                      public IYantVariables,
                      public IYantDialogs,
                      public IYantRegisterCentre,
                      public IYantApp,
                      public IYantCompiler,
                      public IOrvanePlcControl,
                      public IConnectedPlc,
                      public IConnectionPointContainer {
public:
    // Reads the project's description; throws std::runtime_error when the
    // folder has none.
    explicit HostIde(std::filesystem::path projectDir);
    ~HostIde();
    HostIde(const HostIde&) = delete;
    HostIde& operator=(const HostIde&) = delete;

    // The application object handed to InstallPlugin.
    IUnknown* application() { return static_cast<IYantProjectManager*>(this); }

    // ---- What the host shows ----
    const ProjectDescription& project() const { return project_; }
    const std::filesystem::path& projectFolder() const { return folder_; }
    // The project directory as the plug-in sees it: absolute, ending with a separator.
    std::string projectDirectory() const;
    const std::string& currentPlc() const { return plc_; }
    const PlcDescription* currentPlcDescription() const;

    void* owner = nullptr;      // the owner component of plug-in forms (the main window)
    std::int32_t language = 1;  // the host's language number
    std::string editorFont = "Courier New";
    std::int32_t editorFontSize = 10;
    // Extra symbols for the variable look-up (the soft PLC's declarations).
    std::function<std::optional<std::string>(std::string_view name)> extraSymbols;
    // A variable of the open PLC as the variable selection lists it.
    struct Variable {
        std::string name, type, address;
    };
    // The open PLC's variables (the soft PLC's symbol table); empty: the
    // project description's variables of the PLC.
    std::function<std::vector<Variable>()> variableList;
    // The window's variable selection over a list, preset with a name;
    // nullopt when cancelled. Empty: a host without windows, which has none.
    std::function<std::optional<std::string>(const std::vector<Variable>&, const std::string& preset)>
        variablePicker;
    // Every variable the selection would list now.
    std::vector<Variable> variables() const;
    // The PLC state query's answer (2 not connected, 0 halt, 1 run, 3 error);
    // empty: 0 while a request function is set, else 2.
    std::function<std::int32_t()> plcState;
    // The connected PLC's text of a communication error code (empty: none).
    std::function<std::string(std::int32_t code)> errorText;
    // Runs when the open PLC's symbols may have changed: a PLC was opened, or
    // a compilation made its files (before the plug-ins hear its end).
    std::function<void()> symbolsChanged;
    // Every host call worth seeing, one line each (nothing when empty).
    std::function<void(const std::string&)> trace;

    // ---- Trying a plug-in's error paths ----
    // Host calls that fail with a chosen result instead of answering, by name:
    // the method of the IDE object ("AddImage", "GetOwner"), a menu item's
    // look-up with its name ("GetMenuItem VelmoraHELP"), an interface query or
    // a connection point's call with the interface ("QI IYantProject",
    // "FindConnectionPoint IYantCpmEvents", "Advise IYantCpmEvents"). Each
    // failure is traced as "failed NAME 0x8XXXXXXX".
    std::map<std::string, HRESULT> failures;
    // Adds "NAME" (E_FAIL) or "NAME=RESULT" (hexadecimal 0x... or decimal);
    // false when the result is not a failure code.
    bool addFailure(const std::string& request);
    // The result of a call by that name: S_OK, or the failure asked for.
    HRESULT injected(const std::string& call) const;
    // What a window system does with the plug-in's dockable forms (the main
    // window docks the toolkit's widget the handle stands for).
    struct DockHooks {
        std::function<void(void*form)> inserted, removed, shown;
        std::function<void(void* form, std::int32_t area)> docked;
    } dock;

    // ---- Events the host raises in its plug-ins ----
    void loadProject();
    void saveProject();
    // False when the description has no such PLC.
    bool openPlc(const std::string& name);
    void closePlc();
    // Raises compile start; unless a plug-in cleared the continue flag, checks
    // that every listed file is there and lets the soft PLC compile (symbols
    // changed); raises compile end. False when the flag was cleared, the file
    // list could not be saved or a listed file is missing or a folder.
    bool compile();
    void loadDesktop();
    void saveDesktop();
    void fillTree();
    // Opens or closes a project document by the id the host gave it.
    bool openDocument(std::int32_t documentId);
    void closeDocument(std::int32_t documentId);
    bool executeAction(std::int32_t actionId);
    void changeLanguage(std::int32_t code);
    // Asks the plug-ins to add their files of each PLC to a list file (the
    // project's archive list); returns the file's text.
    std::string collectFileList(const std::filesystem::path& listFile);

    // ---- The communication loop ----
    // The function plug-ins send PLC requests through; null means "no PLC".
    void setRequestFunction(PlcRequestFunction request) { request_ = request; }
    PlcRequestFunction requestFunction() const { return request_; }
    // One pass: every registered callback with the request function and the status word.
    void commLoopPass(std::uint32_t status);
    // The loop lost its connection: soft (user stopped it) or hard (failure).
    void commLost(bool hard);
    std::size_t callbackCount() const { return callbacks_.size(); }

    // ---- What the plug-ins made ----
    struct Action {
        std::int32_t id;
        std::string caption, hint;
        std::int32_t image;
        com::ComPtr<IUnknown> sink;
    };
    const std::vector<Action>& actions() const { return actions_; }
    HostMenuItem& menu(int number);
    const std::vector<HostMenuItem*>& toolBar(int number);
    std::int32_t imageCount() const { return static_cast<std::int32_t>(images_.size()); }
    struct Document {
        std::int32_t id;
        void* view;
        DWORD cookie;
        std::string title;
        bool open = false;
    };
    const std::vector<Document>& documents() const { return documents_; }
    struct TreeNode {
        std::string caption;
        TreeNode* parent;
        std::int32_t data, image, selected;
    };
    const std::deque<TreeNode>& treeNodes() const { return tree_; }
    struct Form {
        bool inserted = false, visible = false, firstFlag = false, secondFlag = false;
        std::int32_t area = 0, image = -1;
    };
    const std::map<void*, Form>& forms() const { return forms_; }
    // The desktop storage: what was saved under which name.
    const std::map<std::string, std::string>& desktop() const { return desktop_; }
    // Files the plug-ins wrote and registered in this session (host-relative names).
    const std::vector<std::string>& registeredFiles() const { return registered_; }

    // Releases what the host holds of a plug-in (its action sinks, its documents)
    // before the plug-in is unloaded.
    void forgetPlugin(IUnknown* identity);
    // References the plug-ins hold on the host's objects.
    long outstandingReferences() const { return refs_; }
    // Whether the count ever fell below zero: a plug-in released a reference it did not hold.
    bool overReleased() const { return overReleased_; }

    // ---- IUnknown ----
    HRESULT VELMORA_COM_CALL QueryInterface(REFIID iid, void** object) override;
    ULONG VELMORA_COM_CALL AddRef() override;
    ULONG VELMORA_COM_CALL Release() override;

    // Placeholder slots.
    HRESULT VELMORA_COM_CALL Unused3() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused4() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused5() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused6() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused7() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused8() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused9() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused10() override { return S_OK; }
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

    // ---- IYantProjectManager ----
    HRESULT VELMORA_COM_CALL GetOwner(YantHandle* owner) override;
    HRESULT VELMORA_COM_CALL GetProjectTree(IYantProjectTree** tree) override;
    HRESULT VELMORA_COM_CALL FindTreeNode(const char* name, YantTreeNode* node) override;
    HRESULT VELMORA_COM_CALL GetProjectDirectory(char** directory) override;
    HRESULT VELMORA_COM_CALL GetCurrentPlcName(char** name) override;
    HRESULT VELMORA_COM_CALL AddProjectDocument(YantHandle view, DWORD cookie, const char* title,
                                                std::int32_t* documentId) override;
    HRESULT VELMORA_COM_CALL GetProjectGroupFile(char** path) override;

    // ---- IYantProjectTree ----
    HRESULT VELMORA_COM_CALL AddChild(YantTreeNode parent, const char* caption, std::int32_t data,
                                      std::int32_t imageIndex, std::int32_t selectedIndex,
                                      YantTreeNode* child) override;

    // ---- IYantProject ----
    HRESULT VELMORA_COM_CALL GetFileList(char** files) override;
    HRESULT VELMORA_COM_CALL AddFile(const char* fullPath, std::int32_t kind, const char* text,
                                     std::int32_t* handle) override;
    HRESULT VELMORA_COM_CALL RemoveFile(std::int32_t listIndex) override;
    HRESULT VELMORA_COM_CALL SetFileAttribute(std::int32_t handle, std::int32_t attribute,
                                              VARIANT_BOOL value) override;

    // ---- IYantCpm ----
    HRESULT VELMORA_COM_CALL GetPlcType(std::int32_t* typeIndex) override;
    HRESULT VELMORA_COM_CALL GetPlcSeries(std::int32_t* series) override;

    // ---- IYantMenu ----
    HRESULT VELMORA_COM_CALL AddImage(const std::uint8_t* bitmap, std::int32_t size,
                                      std::int32_t* index) override;
    HRESULT VELMORA_COM_CALL GetMenuItem(std::int32_t menu, const char* name, IYantMenuItem** item) override;
    HRESULT VELMORA_COM_CALL RegisterAction(const char* caption, const char* hint, std::int32_t reserved,
                                            std::int32_t imageIndex, IUnknown* sink, VARIANT_BOOL flag,
                                            std::int32_t* actionId) override;
    HRESULT VELMORA_COM_CALL CreateMenuItem(std::int32_t actionId, std::int32_t menu, std::int32_t position,
                                            VARIANT_BOOL flag, IYantMenuItem** item) override;
    HRESULT VELMORA_COM_CALL CreateToolBarControl(std::int32_t actionId, std::int32_t bar, VARIANT_BOOL flag,
                                                  IYantMenuItem** control) override;

    // ---- IOrvaneCommLoop ----
    HRESULT VELMORA_COM_CALL RegisterCallback(CommLoopCallbackFunction callback) override;
    HRESULT VELMORA_COM_CALL UnregisterCallback(CommLoopCallbackFunction callback) override;

    // ---- IOrvaneIDE ----
    HRESULT VELMORA_COM_CALL InsertDockableForm(YantHandle form) override;
    HRESULT VELMORA_COM_CALL RemoveDockableForm(YantHandle form) override;
    HRESULT VELMORA_COM_CALL ShowDockableForm(YantHandle form) override;
    HRESULT VELMORA_COM_CALL GetSecondDockFlag(YantHandle form, VARIANT_BOOL* value) override;
    HRESULT VELMORA_COM_CALL SetSecondDockFlag(YantHandle form, VARIANT_BOOL value) override;
    HRESULT VELMORA_COM_CALL GetFirstDockFlag(YantHandle form, VARIANT_BOOL* value) override;
    HRESULT VELMORA_COM_CALL SetFirstDockFlag(YantHandle form, VARIANT_BOOL value) override;
    HRESULT VELMORA_COM_CALL SetFormImage(YantHandle form, std::int32_t imageIndex) override;
    HRESULT VELMORA_COM_CALL SaveFormLayout(YantHandle form, const char* name, IUnknown* storage) override;
    HRESULT VELMORA_COM_CALL SaveFormState(YantHandle form, IUnknown* storage) override;
    HRESULT VELMORA_COM_CALL SaveDockState(YantHandle form, IUnknown* storage) override;
    HRESULT VELMORA_COM_CALL LoadFormLayout(YantHandle form, const char* name, IUnknown* storage) override;
    HRESULT VELMORA_COM_CALL LoadFormState(YantHandle form, IUnknown* storage) override;

    // ---- IYantWindows ----
    HRESULT VELMORA_COM_CALL PutIntoDockArea(YantHandle form, std::int32_t area) override;
    HRESULT VELMORA_COM_CALL GetDockArea(YantHandle form, std::int32_t* area) override;

    // ---- IYantTextEditor ----
    HRESULT VELMORA_COM_CALL FileChanged(const char* relativePath, VARIANT_BOOL flag) override;
    HRESULT VELMORA_COM_CALL GetEditorFont(char** name, std::int32_t* size) override;

    // ---- IYantLanguage ----
    HRESULT VELMORA_COM_CALL GetLanguage(std::int32_t* number) override;

    // ---- IYantVariables ----
    HRESULT VELMORA_COM_CALL TranslateSymbol(const char* name, char** address) override;

    // ---- IYantDialogs ----
    HRESULT VELMORA_COM_CALL SelectVariable(const char* preset, char** chosen) override;

    // ---- IYantApp ----
    HRESULT VELMORA_COM_CALL GetProjectInfo(std::int32_t field, char** value) override;

    // ---- IOrvanePlcControl ----
    HRESULT VELMORA_COM_CALL GetPlcState(std::int32_t* state) override;

    // ---- IConnectedPlc ----
    HRESULT VELMORA_COM_CALL GetErrorText(std::int32_t code, char** text) override;

    // ---- IConnectionPointContainer ----
    HRESULT VELMORA_COM_CALL EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT VELMORA_COM_CALL FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // Used by the host's own objects.
    void note(const std::string& line) const {
        if (trace) trace(line);
    }
    HostMenuItem* makeItem(const std::string& name);
    void addRefHost() { ++refs_; }
    void releaseHost() {
        if (--refs_ < 0) overReleased_ = true;
    }

private:
    HostConnectionPoint& point(const IID& iid);
    Form& form(void* handle) { return forms_[handle]; }
    // Calls every sink of a connection point that answers I.
    template <class I, class F>
    void raise(F&& call);

    std::filesystem::path folder_;
    ProjectDescription project_;
    std::string plc_;
    long refs_ = 0;
    bool overReleased_ = false;
    std::vector<std::unique_ptr<HostConnectionPoint>> points_;
    std::vector<std::unique_ptr<HostMenuItem>> items_;
    std::map<int, HostMenuItem*> menus_;
    std::map<int, std::vector<HostMenuItem*>> bars_;
    std::vector<std::vector<std::uint8_t>> images_;
    std::vector<Action> actions_;
    std::vector<Document> documents_;
    std::int32_t nextDocumentId_ = 1000;
    std::deque<TreeNode> tree_;
    std::map<void*, Form> forms_;
    std::map<std::string, std::string> desktop_;
    std::vector<std::string> registered_;
    // While a compilation's plug-ins register their files, the file list is
    // saved once at the end instead of once per file.
    class FileListHold;
    int fileListHolds_ = 0;
    bool fileListDirty_ = false;
    bool saveFileList();  // false when it was due now and failed
    bool flushFileList();
    bool listedFilesPresent() const;  // false after an error note per missing file
    std::vector<CommLoopCallbackFunction> callbacks_;
    PlcRequestFunction request_ = nullptr;
};

}  // namespace velmora::host
