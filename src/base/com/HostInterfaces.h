#pragma once
// The IDE's interfaces, as far as the plug-in and our IDE stand-in use them.
// Each declares its operations in slot order: slot 0 to 2 are IUnknown's, the
// number in the comment is the slot. Slots nobody calls are placeholders named
// UnusedN so that the numbering stays true; implementations return S_OK.
//
// Strings: "const char*" in-parameters are UTF-8 and stay the caller's;
// "char**" out-parameters receive UTF-8 allocated with CoTaskMemAlloc, which
// the receiver frees.
//
// Forms, owner components and tree nodes cross the boundary as opaque handles:
// the toolkit's own objects, which only the side that made them looks into.
#include <cstdint>

#include "base/com/Com.h"
#include "base/com/CommLoop.h"

using YantHandle = void*;  // a form, the owner component, a report view
using YantTreeNode = void*;

#define VELMORA_SLOT(n) virtual HRESULT VELMORA_COM_CALL Unused##n() = 0

// ---- Interfaces of the host application ----

struct IYantProjectTree;
struct IYantMenuItem;

struct IYantProjectManager : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("C2176921-6B5C-4CB8-8B11-15FF454B4A60");
    virtual HRESULT VELMORA_COM_CALL GetOwner(YantHandle* owner) = 0;  // 3
    VELMORA_SLOT(4);
    virtual HRESULT VELMORA_COM_CALL GetProjectTree(IYantProjectTree** tree) = 0;             // 5
    virtual HRESULT VELMORA_COM_CALL FindTreeNode(const char* name, YantTreeNode* node) = 0;  // 6
    VELMORA_SLOT(7);
    VELMORA_SLOT(8);
    VELMORA_SLOT(9);
    // Ends with the path separator.
    virtual HRESULT VELMORA_COM_CALL GetProjectDirectory(char** directory) = 0;  // 10
    VELMORA_SLOT(11);
    VELMORA_SLOT(12);
    VELMORA_SLOT(13);
    VELMORA_SLOT(14);
    VELMORA_SLOT(15);
    VELMORA_SLOT(16);
    // Empty when no PLC is open.
    virtual HRESULT VELMORA_COM_CALL GetCurrentPlcName(char** name) = 0;  // 17
    VELMORA_SLOT(18);
    virtual HRESULT VELMORA_COM_CALL AddProjectDocument(YantHandle view, DWORD cookie, const char* title,
                                                        std::int32_t* documentId) = 0;  // 19
    VELMORA_SLOT(20);
    VELMORA_SLOT(21);
    VELMORA_SLOT(22);
    VELMORA_SLOT(23);
    VELMORA_SLOT(24);
    VELMORA_SLOT(25);
    virtual HRESULT VELMORA_COM_CALL GetProjectGroupFile(char** path) = 0;  // 26
};

// The project tree control: the plug-in adds its document node under a host node.
struct IYantProjectTree : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("46D73338-BE15-4955-9F1B-5E30DA36D0E8");
    virtual HRESULT VELMORA_COM_CALL AddChild(YantTreeNode parent, const char* caption, std::int32_t data,
                                              std::int32_t imageIndex, std::int32_t selectedIndex,
                                              YantTreeNode* child) = 0;  // 3
};

struct IYantProject : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("885675BF-CC64-4AB5-9DA9-99D4C87592D9");
    // The project's file list, one file per line.
    virtual HRESULT VELMORA_COM_CALL GetFileList(char** files) = 0;  // 3
    // Adds (or finds) a file of the project; kind 1 is a source file.
    virtual HRESULT VELMORA_COM_CALL AddFile(const char* fullPath, std::int32_t kind, const char* text,
                                             std::int32_t* handle) = 0;  // 4
    VELMORA_SLOT(5);
    virtual HRESULT VELMORA_COM_CALL RemoveFile(std::int32_t listIndex) = 0;  // 6
    virtual HRESULT VELMORA_COM_CALL SetFileAttribute(std::int32_t handle, std::int32_t attribute,
                                                      VARIANT_BOOL value) = 0;  // 7
};

struct IYantCpm : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("91245617-7790-4266-A7F1-34D9AC715541");
    virtual HRESULT VELMORA_COM_CALL GetPlcType(std::int32_t* typeIndex) = 0;  // 3
    virtual HRESULT VELMORA_COM_CALL GetPlcSeries(std::int32_t* series) = 0;   // 4
};

// Invoked when a host menu item the plug-in owns is clicked.
struct IYantClickHandler : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("F297B005-1ACE-48B8-A5A2-B3A8E8C7EF6D");
    virtual HRESULT VELMORA_COM_CALL OnClick() = 0;  // 3
};

// A host menu item or tool-bar control. Items form a tree; Insert moves an item
// (out of its current parent) to a position under this one.
struct IYantMenuItem : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("6529593E-A3A6-4CCC-9922-E344CA5840D3");
    virtual HRESULT VELMORA_COM_CALL GetName(char** name) = 0;                                // 3
    virtual HRESULT VELMORA_COM_CALL SetName(const char* name) = 0;                           // 4
    virtual HRESULT VELMORA_COM_CALL GetCaption(char** caption) = 0;                          // 5
    virtual HRESULT VELMORA_COM_CALL SetCaption(const char* caption) = 0;                     // 6
    virtual HRESULT VELMORA_COM_CALL GetEnabled(VARIANT_BOOL* enabled) = 0;                   // 7
    virtual HRESULT VELMORA_COM_CALL SetEnabled(VARIANT_BOOL enabled) = 0;                    // 8
    virtual HRESULT VELMORA_COM_CALL GetVisible(VARIANT_BOOL* visible) = 0;                   // 9
    virtual HRESULT VELMORA_COM_CALL SetVisible(VARIANT_BOOL visible) = 0;                    // 10
    virtual HRESULT VELMORA_COM_CALL GetParent(IYantMenuItem** parent) = 0;                   // 11
    virtual HRESULT VELMORA_COM_CALL GetCount(std::int32_t* count) = 0;                       // 12
    virtual HRESULT VELMORA_COM_CALL GetItem(std::int32_t index, IYantMenuItem** item) = 0;   // 13
    virtual HRESULT VELMORA_COM_CALL Insert(std::int32_t position, IYantMenuItem* item) = 0;  // 14
    virtual HRESULT VELMORA_COM_CALL Remove(IYantMenuItem* item) = 0;                         // 15
    virtual HRESULT VELMORA_COM_CALL SetClickHandler(IYantClickHandler* handler) = 0;         // 16
};

struct IYantMenu : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("70C04D32-F08C-451C-BA9A-444B51FD89A0");
    VELMORA_SLOT(3);
    // A Windows bitmap (BMP file bytes) into the menu image list.
    virtual HRESULT VELMORA_COM_CALL AddImage(const std::uint8_t* bitmap, std::int32_t size,
                                              std::int32_t* imageIndex) = 0;  // 4
    // The item of that name in a host menu, made when there is none yet.
    virtual HRESULT VELMORA_COM_CALL GetMenuItem(std::int32_t menu, const char* name,
                                                 IYantMenuItem** item) = 0;  // 5
    // The sink receives IYantMenuEvents::OnMenuActionExecute with the returned id.
    virtual HRESULT VELMORA_COM_CALL RegisterAction(const char* caption, const char* hint,
                                                    std::int32_t reserved, std::int32_t imageIndex,
                                                    IUnknown* sink, VARIANT_BOOL flag,
                                                    std::int32_t* actionId) = 0;  // 6
    virtual HRESULT VELMORA_COM_CALL CreateMenuItem(std::int32_t actionId, std::int32_t menu,
                                                    std::int32_t position, VARIANT_BOOL flag,
                                                    IYantMenuItem** item) = 0;  // 7
    virtual HRESULT VELMORA_COM_CALL CreateToolBarControl(std::int32_t actionId, std::int32_t bar,
                                                          VARIANT_BOOL flag,
                                                          IYantMenuItem** control) = 0;  // 8
};

struct IOrvaneCommLoop : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("44CABAD6-0F9D-45AA-8A36-89C9BD241384");
    virtual HRESULT VELMORA_COM_CALL RegisterCallback(velmora::CommLoopCallbackFunction callback) = 0;    // 3
    virtual HRESULT VELMORA_COM_CALL UnregisterCallback(velmora::CommLoopCallbackFunction callback) = 0;  // 4
};

// Dockable forms and the desktop storage. The storage is the object the host
// passes to the desktop events.
struct IOrvaneIDE : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("B550E009-A52D-4376-AA3C-470F313C5F2F");
    virtual HRESULT VELMORA_COM_CALL InsertDockableForm(YantHandle form) = 0;                      // 3
    virtual HRESULT VELMORA_COM_CALL RemoveDockableForm(YantHandle form) = 0;                      // 4
    virtual HRESULT VELMORA_COM_CALL ShowDockableForm(YantHandle form) = 0;                        // 5
    virtual HRESULT VELMORA_COM_CALL GetSecondDockFlag(YantHandle form, VARIANT_BOOL* value) = 0;  // 6
    virtual HRESULT VELMORA_COM_CALL SetSecondDockFlag(YantHandle form, VARIANT_BOOL value) = 0;   // 7
    virtual HRESULT VELMORA_COM_CALL GetFirstDockFlag(YantHandle form, VARIANT_BOOL* value) = 0;   // 8
    virtual HRESULT VELMORA_COM_CALL SetFirstDockFlag(YantHandle form, VARIANT_BOOL value) = 0;    // 9
    VELMORA_SLOT(10);
    VELMORA_SLOT(11);
    VELMORA_SLOT(12);
    virtual HRESULT VELMORA_COM_CALL SetFormImage(YantHandle form, std::int32_t imageIndex) = 0;  // 13
    virtual HRESULT VELMORA_COM_CALL SaveFormLayout(YantHandle form, const char* name,
                                                    IUnknown* storage) = 0;                  // 14
    virtual HRESULT VELMORA_COM_CALL SaveFormState(YantHandle form, IUnknown* storage) = 0;  // 15
    virtual HRESULT VELMORA_COM_CALL SaveDockState(YantHandle form, IUnknown* storage) = 0;  // 16
    virtual HRESULT VELMORA_COM_CALL LoadFormLayout(YantHandle form, const char* name,
                                                    IUnknown* storage) = 0;                  // 17
    virtual HRESULT VELMORA_COM_CALL LoadFormState(YantHandle form, IUnknown* storage) = 0;  // 18
};

// Answered by an IDE whose desktop storage keeps a form's further state.
struct IYantOptionsStorageStreams : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("7FBB1489-ED73-4016-8FAB-CB50FEC3C208");
};

struct IYantWindows : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("F8C655C7-687A-4BDD-A134-DA0979C0D37E");
    virtual HRESULT VELMORA_COM_CALL PutIntoDockArea(YantHandle form, std::int32_t area) = 0;  // 3
    virtual HRESULT VELMORA_COM_CALL GetDockArea(YantHandle form, std::int32_t* area) = 0;     // 4
};

struct IYantTextEditor : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("97DA9209-6D9B-4978-A0A9-D80DFEAE47C5");
    VELMORA_SLOT(3);
    // A file the editor may hold open was rewritten (path relative to the project).
    virtual HRESULT VELMORA_COM_CALL FileChanged(const char* relativePath, VARIANT_BOOL flag) = 0;  // 4
    VELMORA_SLOT(5);
    VELMORA_SLOT(6);
    VELMORA_SLOT(7);
    VELMORA_SLOT(8);
    VELMORA_SLOT(9);
    VELMORA_SLOT(10);
    VELMORA_SLOT(11);
    VELMORA_SLOT(12);
    virtual HRESULT VELMORA_COM_CALL GetEditorFont(char** name, std::int32_t* size) = 0;  // 13
};

struct IYantLanguage : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("840B52B1-6BD4-4476-8612-7831A6E91588");
    virtual HRESULT VELMORA_COM_CALL GetLanguage(std::int32_t* number) = 0;  // 3 (in/out)
};

struct IYantVariables : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("8347C928-249D-45EB-BA89-A217513763A1");
    VELMORA_SLOT(3);
    VELMORA_SLOT(4);
    VELMORA_SLOT(5);
    VELMORA_SLOT(6);
    VELMORA_SLOT(7);
    // The symbol's address text ("INT %R200"); S_FALSE and null when unknown.
    virtual HRESULT VELMORA_COM_CALL TranslateSymbol(const char* name, char** address) = 0;  // 8
};

// Hands out the host's services through QueryInterface.
struct IYantRegisterCentre : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("6C034ABC-512F-4337-B33F-716A3DACE5BD");
};

// The open project's descriptive fields.
enum YantProjectField : std::int32_t {
    kProjectName = 0,
    kProjectAction = 1,
    kProjectProgrammer = 2,
    kProjectCompany = 3,
    kProjectCopyright = 4,
};

struct IYantApp : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("4DAABB50-2A3B-4053-95DB-31144D6CFB50");
    virtual HRESULT VELMORA_COM_CALL GetProjectInfo(std::int32_t field, char** value) = 0;  // 3
};

struct IYantCompiler : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("781DB004-78F4-4696-A608-77E762866EAE");
};

struct IOrvanePlcControl : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("0701F399-BD1E-48DB-8A78-A50A1996770B");
    // 2: neither a real nor a simulated PLC is connected.
    virtual HRESULT VELMORA_COM_CALL GetPlcState(std::int32_t* state) = 0;  // 3
};

// ---- Interfaces the plug-in object implements ----

struct IYantPlugin : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("254ACF80-4F10-42CD-8022-37F6051B1D90");
    VELMORA_SLOT(3);
    VELMORA_SLOT(4);
    virtual HRESULT VELMORA_COM_CALL GetVersion(DWORD* version) = 0;     // 5
    virtual HRESULT VELMORA_COM_CALL InstallPlugin(IUnknown* host) = 0;  // 6
    virtual HRESULT VELMORA_COM_CALL UninstallPlugin() = 0;              // 7
};

// The record of the project file-list event.
struct YantFileListRecord {
    std::int32_t kind;
    const char* name;
    const char* fileName;
};

struct IYantProjectEvents : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("2CE20A81-D102-4DD5-A4B6-42B2163C1BA7");
    virtual HRESULT VELMORA_COM_CALL OnOpenControler(std::int32_t first, std::int32_t second) = 0;  // 3
    virtual HRESULT VELMORA_COM_CALL OnCloseControler() = 0;                                        // 4
    virtual HRESULT VELMORA_COM_CALL OnLoadProject(std::int32_t value) = 0;                         // 5
    virtual HRESULT VELMORA_COM_CALL OnSaveProject(std::int32_t value) = 0;                         // 6
    virtual HRESULT VELMORA_COM_CALL OnSaveControler(std::int32_t value) = 0;                       // 7
    virtual HRESULT VELMORA_COM_CALL OnLanguageChange(std::int32_t code, std::int32_t value) = 0;   // 8
    virtual HRESULT VELMORA_COM_CALL OnProjectFileList(std::int32_t event, std::int32_t subCode,
                                                       YantFileListRecord* record,
                                                       std::int32_t* result) = 0;  // 9
};

// The host's dialogs a plug-in may borrow.
struct IYantDialogs : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("CCD1B263-8E69-46B6-934C-81E26512FE7D");
    // The variable selection: a list of the open PLC's variables, the one
    // named by preset (may be empty) chosen first. S_OK with the chosen name;
    // S_FALSE and null when the user cancelled or the host has no such dialog.
    virtual HRESULT VELMORA_COM_CALL SelectVariable(const char* preset, char** chosen) = 0;  // 3
    VELMORA_SLOT(4);
};

struct IYantFilesEvents : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("53D8A0CE-4B0A-4E86-BBC0-FF5D34182355");
    virtual HRESULT VELMORA_COM_CALL OnFileOpen(const char* fileName) = 0;   // 3
    virtual HRESULT VELMORA_COM_CALL OnFileClose(const char* fileName) = 0;  // 4
    virtual HRESULT VELMORA_COM_CALL OnFileSave(const char* fileName) = 0;   // 5
};

struct IYantCompileServices : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("79201618-EF7B-4C0C-8892-ECE909BBE4E8");
    virtual HRESULT VELMORA_COM_CALL GetCompileOptions(char** options) = 0;  // 3
};

struct IYantCompilerEvents : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("207695A6-FB72-489D-AFA1-B558FBEF8B04");
    // Before compiling; the plug-in may clear *continueCompiling to stop it.
    virtual HRESULT VELMORA_COM_CALL OnStartCompiling(VARIANT_BOOL* continueCompiling) = 0;  // 3
    virtual HRESULT VELMORA_COM_CALL OnEndCompiling(std::int32_t result) = 0;                // 4
};

struct IYantDesktopEvents : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("8A645DC9-F526-4550-A680-569180BD9C81");
    virtual HRESULT VELMORA_COM_CALL LoadDesktop(IUnknown* storage) = 0;  // 3
    virtual HRESULT VELMORA_COM_CALL SaveDesktop(IUnknown* storage) = 0;  // 4
};

struct IYantCpmEvents : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("9FFCDF69-EC2F-4BC7-AE1A-5402E8C67812");
    virtual HRESULT VELMORA_COM_CALL OnPlcType(std::int32_t typeIndex, std::int32_t second,
                                               std::int32_t third) = 0;  // 3
};

struct IYantMenuEvents : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("11CACBFC-4176-495B-BAA5-4574E12455A7");
    virtual HRESULT VELMORA_COM_CALL OnMenuActionExecute(std::int32_t actionId) = 0;  // 3
};

struct IVardexVariables : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("51EC7A65-1FD6-45EC-ABAB-F9D0FB068DD4");
    VELMORA_SLOT(3);
};

struct IOrvaneCommStateEvent : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("D9C38382-D1A0-4581-B5F6-6D500B7BE6A0");
    virtual HRESULT VELMORA_COM_CALL GetClientName(char** name, std::int32_t* value) = 0;  // 3
    virtual HRESULT VELMORA_COM_CALL OnSoftOff(VARIANT_BOOL value) = 0;                    // 4
    virtual HRESULT VELMORA_COM_CALL OnHardOff(VARIANT_BOOL value) = 0;                    // 5
};

struct IPrjMngrTreeEvents : IUnknown {
    static constexpr IID iid = velmora::com::MakeGuid("EE22A9EF-06C4-46B8-B9FB-22A83C42C095");
    virtual HRESULT VELMORA_COM_CALL OnFillTree(DWORD cookie, std::int32_t second) = 0;  // 3
    virtual HRESULT VELMORA_COM_CALL OnDocumentOpen(DWORD cookie) = 0;                   // 4
    virtual HRESULT VELMORA_COM_CALL OnDocumentClose(DWORD cookie) = 0;                  // 5
    virtual HRESULT VELMORA_COM_CALL GetDocumentView(YantHandle* view) = 0;              // 6
};

#undef VELMORA_SLOT
